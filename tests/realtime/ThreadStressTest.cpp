// Two host threads at once: an audio thread processing blocks without pause while the
// user-interface thread automates parameters, sends MIDI, loads and empties slots, switches
// programs and restores chunks. Nothing may crash or deadlock, every block must come out as
// finite numbers, and afterwards the plug-in holds what the last operations set. Loads
// racing each other and state restores on one slot end whole, as the last one left it.
#include "editor/MySample.h"
#include "engine/Quellorn.h"
#include "tests/plugbase/TestHost.h"
#include "tests/samplefiles/WavTestFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string DataPath(const char* name)
{
    return (std::filesystem::path(QUELLORN_TEST_DATA) / "wav" / name).make_preferred().string();
}

std::vector<unsigned char> Chunk(AEffect* effect, int index)
{
    void* data = nullptr;
    const VstIntPtr size = effect->dispatcher(effect, effGetChunk, index, 0, &data, 0.0f);
    const auto* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

TEST(ThreadStress, AudioAndEditingThreadsLeaveTheLastStateSet)
{
    TestHost host;
    ASSERT_NE(host.Create(), nullptr);
    host.recordMidi = false;
    AEffect* effect = host.effect;
    host.Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    host.Dispatch(effSetBlockSize, 0, 256);
    host.Dispatch(effOpen);
    host.Dispatch(effMainsChanged, 0, 1);

    const std::string files[] = {DataPath("pcm16-stereo.wav"), DataPath("pcm8-mono.wav"),
                                 DataPath("float32-stereo.wav"), DataPath("missing.wav")};
    auto loadSlot = [&](int slot, const std::string& path) {
        char buffer[261] = {};
        std::strncpy(buffer, path.c_str(), sizeof buffer - 1);
        effect->dispatcher(effect, effVendorSpecific, 56, slot, buffer, 0.0f);
    };
    // The state the run ends with, saved before it starts. Every slot names a file: a
    // restored entry of "0" would leave whatever the run loaded last in that slot.
    loadSlot(0, files[0]);
    loadSlot(1, files[1]);
    loadSlot(2, files[2]);
    effect->setParameter(effect, kParamPan, 0.9f);
    effect->setParameter(effect, 12 + kParamAttack, 0.1f);
    const std::vector<unsigned char> finalState = Chunk(effect, 1);

    std::atomic<bool> stop{false};
    std::atomic<int> badBlocks{0};
    std::atomic<int> blocks{0};
    std::thread audio([&] {
        std::vector<float> l(256), r(256);
        float* outs[] = {l.data(), r.data()};
        while (!stop.load()) {
            effect->processReplacing(effect, nullptr, outs, 256);
            for (int i = 0; i < 256; ++i)
                if (!std::isfinite(l[i]) || !std::isfinite(r[i])) {
                    ++badBlocks;
                    break;
                }
            ++blocks;
        }
    });

    std::mt19937 rng(7);
    // At least 1.5 s, 200 blocks and 100 operations: either thread can hold the lock for
    // most of the time (under a sanitizer, on a busy machine), and the run must still
    // interleave.
    const auto start = std::chrono::steady_clock::now();
    const auto until = start + std::chrono::milliseconds(1500);
    const auto limit = start + std::chrono::seconds(30);
    int operations = 0;
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= limit || (now >= until && blocks.load() >= 200 && operations > 100))
            break;
        switch (rng() % 6) {
        case 0:
            effect->setParameter(effect, static_cast<VstInt32>(rng() % kParamCount),
                                 static_cast<float>(rng() % 1000) / 999.0f);
            break;
        case 1: {
            VstMidiEvent note{};
            note.type = kVstMidiType;
            note.byteSize = sizeof note;
            note.deltaFrames = static_cast<VstInt32>(rng() % 256);
            note.midiData[0] = static_cast<char>(rng() % 2 ? 0x90 : 0x80);
            note.midiData[1] = static_cast<char>(30 + rng() % 80);
            note.midiData[2] = static_cast<char>(rng() % 128);
            VstEvents list{};
            list.numEvents = 1;
            list.events[0] = reinterpret_cast<VstEvent*>(&note);
            effect->dispatcher(effect, effProcessEvents, 0, 0, &list, 0.0f);
            break;
        }
        case 2:
            loadSlot(static_cast<int>(rng() % kSlotCount), files[rng() % 4]);
            break;
        case 3:
            effect->dispatcher(effect, effSetProgram, 0, static_cast<VstIntPtr>(rng() % kPresetCount),
                               nullptr, 0.0f);
            break;
        case 4: {
            std::vector<unsigned char> chunk = Chunk(effect, static_cast<int>(rng() % 2));
            effect->dispatcher(effect, effSetChunk, 1, static_cast<VstIntPtr>(chunk.size()),
                               chunk.data(), 0.0f);
            break;
        }
        default:
            effect->getParameter(effect, static_cast<VstInt32>(rng() % kParamCount));
            break;
        }
        ++operations;
    }
    // The last operations: back to the state saved at the start.
    std::vector<unsigned char> restore = finalState;
    EXPECT_EQ(effect->dispatcher(effect, effSetChunk, 1, static_cast<VstIntPtr>(restore.size()),
                                 restore.data(), 0.0f),
              1);
    const int blocksAtRestore = blocks.load();
    while (blocks.load() < blocksAtRestore + 20)
        std::this_thread::yield();
    stop = true;
    audio.join();

    EXPECT_EQ(badBlocks.load(), 0);
    EXPECT_GT(operations, 100);
    EXPECT_GT(blocks.load(), 100);
    EXPECT_EQ(Chunk(effect, 1), finalState);
}

// The slot holds the file its stored path names, whole: its frames, channels, name and
// every value, in the orientation its Reverse switch says.
void ExpectSlotHolds(CLS_QUELLORN& plug, int slot, const std::string& path, DecodedSample reference)
{
    const SampleData& sample = plug.slotSample[slot];
    EXPECT_EQ(plug.StateTextAt(slot), path);
    EXPECT_EQ(std::filesystem::path(path).filename().string(), plug.sampleDisplay[slot]->DisplayName());
    EXPECT_EQ(sample.frames, reference.frames);
    EXPECT_EQ(sample.channels, reference.channels);
    if (plug.slotReverse[slot])
        SlotLoader::ReversePlanes(reference.samples, reference.frames, reference.channels);
    EXPECT_TRUE(sample.samples == reference.samples) << "slot " << slot << " holds torn data";
}

TEST(ThreadStress, RacingLoadsAndRestoresOfASlotEndWholeAsTheLastLeftIt)
{
    TestHost host;
    ASSERT_NE(host.Create(), nullptr);
    host.recordMidi = false;
    AEffect* effect = host.effect;
    auto* plug = static_cast<CLS_QUELLORN*>(effect->object);
    host.Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    host.Dispatch(effSetBlockSize, 0, 256);
    host.Dispatch(effOpen);
    host.Dispatch(effMainsChanged, 0, 1);

    // A stereo file and a mono one of another length: a mix of the two can't pass for either.
    const std::string paths[] = {DataPath("pcm16-stereo.wav"), DataPath("pcm8-mono.wav")};
    DecodedSample references[2];
    for (int f = 0; f < 2; ++f) {
        ASSERT_TRUE(SlotLoader::ReadHeader(paths[f].c_str(), "wav", references[f]));
        ASSERT_TRUE(SlotLoader::Decode(paths[f].c_str(), "wav", false, references[f]));
    }
    auto hostLoad = [&](int slot, const std::string& path) {
        char buffer[261] = {};
        std::strncpy(buffer, path.c_str(), sizeof buffer - 1);
        effect->dispatcher(effect, effVendorSpecific, 56, slot, buffer, 0.0f);
    };
    hostLoad(0, paths[1]);
    const std::vector<unsigned char> stateNamingMono = Chunk(effect, 1);

    std::atomic<bool> stop{false};
    std::atomic<int> tornBlocks{0};
    std::atomic<int> blocks{0};
    std::thread audio([&] {
        std::vector<float> l(256), r(256);
        float* outs[] = {l.data(), r.data()};
        VstMidiEvent note{};
        note.type = kVstMidiType;
        note.byteSize = sizeof note;
        note.midiData[0] = static_cast<char>(0x90);
        note.midiData[2] = 100;
        VstEvents list{};
        list.numEvents = 1;
        list.events[0] = reinterpret_cast<VstEvent*>(&note);
        while (!stop.load()) {
            note.midiData[1] = static_cast<char>(40 + blocks.load() % 40);
            effect->dispatcher(effect, effProcessEvents, 0, 0, &list, 0.0f);
            effect->processReplacing(effect, nullptr, outs, 256);
            {
                // Between blocks each slot's buffer must hold the frames it claims.
                ILockGuard lock(plug->Lock());
                const SampleData& sample = plug->slotSample[0];
                const std::size_t planes = sample.channels > 1 ? 2 : 1;
                if (sample.samples.empty() || sample.samples.size() < sample.frames * planes)
                    ++tornBlocks;
            }
            ++blocks;
        }
    });

    // A busy machine may run every round before the audio thread's first block: let it start.
    while (blocks.load() == 0)
        std::this_thread::yield();
    for (int round = 0; round < 24; ++round) {
        SCOPED_TRACE(round);
        // The editor loads the stereo file while the host restores a state naming the mono
        // one (even rounds) or loads the mono one itself (odd rounds), and automation flips
        // Reverse all the while.
        std::thread editor([&] { plug->sampleDisplay[0]->LoadFile(paths[0].c_str()); });
        std::thread other([&] {
            if (round % 2 == 0) {
                std::vector<unsigned char> state = stateNamingMono;
                effect->dispatcher(effect, effSetChunk, 1, static_cast<VstIntPtr>(state.size()),
                                   state.data(), 0.0f);
            } else {
                hostLoad(0, paths[1]);
            }
        });
        std::atomic<bool> loaded{false};
        std::thread automation([&] {
            for (int flip = 0; !loaded.load(); ++flip)
                effect->setParameter(effect, kParamReverse, static_cast<float>(flip % 2));
        });
        editor.join();
        other.join();
        loaded = true;
        automation.join();
        const int last = plug->StateTextAt(0) == paths[0] ? 0 : 1;
        ExpectSlotHolds(*plug, 0, paths[last], references[last]);
    }
    stop = true;
    audio.join();
    EXPECT_EQ(tornBlocks.load(), 0);
}

TEST(ThreadStress, AnInstrumentFileComesIntoTheThreeSlotsAtOnce)
{
    TestHost host;
    ASSERT_NE(host.Create(), nullptr);
    auto* plug = static_cast<CLS_QUELLORN*>(host.effect->object);
    host.Dispatch(effOpen);
    WavTestFiles::TempFolder folder;
    // Two instruments of three samples each, told apart by their samples' names.
    std::string instruments[2];
    for (int i = 0; i < 2; ++i) {
        std::string text;
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const std::string name = std::string(1, char('a' + i)) + std::to_string(slot) + ".wav";
            folder.Copy(slot == 1 ? "pcm8-mono.wav" : "pcm16-stereo.wav", name);
            text += "<region>\nsample=" + name + "\n";
        }
        instruments[i] = folder.Write(std::string(1, char('a' + i)) + ".sfz", text);
    }
    std::atomic<bool> stop{false};
    std::atomic<int> mixed{0};
    std::atomic<int> looks{0};
    std::thread watcher([&] {
        while (!stop.load()) {
            char first[2] = {};
            {
                ILockGuard lock(plug->Lock());
                for (int slot = 0; slot < kSlotCount; ++slot) {
                    const std::string name
                        = std::filesystem::path(plug->StateTextAt(slot)).filename().string();
                    const char instrument = name.size() == 6 ? name[0] : '0';
                    if (slot == 0)
                        first[0] = instrument;
                    else if (instrument != first[0])
                        ++mixed;
                }
            }
            ++looks;
        }
    });
    // A busy machine may run every load before the watcher's first look: let it start.
    while (looks.load() == 0)
        std::this_thread::yield();
    for (int round = 0; round < 60; ++round)
        plug->LoadSlotFile(round % kSlotCount, instruments[round % 2].c_str());
    stop = true;
    watcher.join();
    EXPECT_EQ(mixed.load(), 0);
    EXPECT_STREQ(plug->StateTextAt(2), folder.Path("b2.wav").c_str());
}

} // namespace
