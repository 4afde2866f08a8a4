// A project saved and restored loses nothing: the restored plug-in renders the same bits
// and writes the same chunk, through a fresh instance and through a program change; a
// sample that is missing meanwhile keeps its place in the state until it is back.
#include "editor/MySample.h"
#include "engine/Quellorn.h"
#include "tests/plugbase/TestHost.h"
#include "tests/samplefiles/WavTestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::int32_t FrozenClock()
{
    return 0;
}

std::string DataPath(const char* name)
{
    return (std::filesystem::path(QUELLORN_TEST_DATA) / "wav" / name).make_preferred().string();
}

class StateRoundTrip : public ::testing::Test {
protected:
    static CLS_QUELLORN* Open(TestHost& host)
    {
        host.Create();
        auto* plug = static_cast<CLS_QUELLORN*>(host.effect->object);
        plug->SetClock(FrozenClock);
        plug->lastBlockClock = 0;
        host.Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
        host.Dispatch(effSetBlockSize, 0, 256);
        host.Dispatch(effOpen);
        float* none[] = {nullptr, nullptr};
        host.effect->processReplacing(host.effect, nullptr, none, 0); // engine started
        return plug;
    }

    static void LoadSlot(TestHost& host, int slot, const std::string& path)
    {
        char buffer[261] = {};
        std::strncpy(buffer, path.c_str(), sizeof buffer - 1);
        ASSERT_EQ(host.Dispatch(effVendorSpecific, 56, slot, buffer), 0xBEEF);
    }

    // Every parameter away from its default, each slot a little differently; slot 2 is
    // switched off, which is as much a setting to restore as any other.
    static void SetEverything(CLS_QUELLORN& plug)
    {
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const int base = slot * kParamsPerSlot;
            const double values[kParamsPerSlot] = {slot == 2 ? 0.0 : 1.0,
                                                   24.0 + slot,
                                                   100.0 - slot,
                                                   50.0 + slot,
                                                   2.0 + slot,
                                                   0.05 * (slot + 1),
                                                   0.07 * (slot + 1),
                                                   -30.0 + 40 * slot,
                                                   1.0,
                                                   -6.0 + slot,
                                                   slot == 1 ? 1.0 : 0.0,
                                                   slot == 0 ? 0.0 : 1.0};
            for (int offset = 0; offset < kParamsPerSlot; ++offset) {
                plug.GetParam(base + offset)->SetClampedValue(values[offset]);
                plug.ParamChanged(base + offset);
            }
        }
        // Active is a default of Yes; Reverse and Loop are flipped on the slots above.
        plug.GetParam(kParamActive)->SetClampedValue(1.0);
    }

    static std::vector<float> RenderSong(TestHost& host)
    {
        auto* plug = static_cast<CLS_QUELLORN*>(host.effect->object);
        plug->CutAllVoices();
        plug->ResetProcessing();
        std::vector<float> out;
        std::vector<float> l(256), r(256);
        float* outs[] = {l.data(), r.data()};
        for (int block = 0; block < 40; ++block) {
            VstMidiEvent note{};
            note.type = kVstMidiType;
            note.byteSize = sizeof note;
            note.deltaFrames = (block * 53) % 256;
            note.midiData[0] = static_cast<char>(block % 4 == 3 ? 0x80 : 0x90);
            note.midiData[1] = static_cast<char>(30 + (block * 7) % 70);
            note.midiData[2] = 90;
            VstEvents list{};
            list.numEvents = 1;
            list.events[0] = reinterpret_cast<VstEvent*>(&note);
            host.Dispatch(effProcessEvents, 0, 0, &list);
            host.effect->processReplacing(host.effect, nullptr, outs, 256);
            out.insert(out.end(), l.begin(), l.end());
            out.insert(out.end(), r.begin(), r.end());
        }
        return out;
    }

    static std::vector<unsigned char> Chunk(TestHost& host, int index)
    {
        void* data = nullptr;
        const VstIntPtr size = host.Dispatch(effGetChunk, index, 0, &data);
        const auto* bytes = static_cast<const unsigned char*>(data);
        return std::vector<unsigned char>(bytes, bytes + size);
    }

    static bool Audible(const std::vector<float>& samples)
    {
        for (float v : samples)
            if (v != 0.0f)
                return true;
        return false;
    }
};

TEST_F(StateRoundTrip, AFreshInstanceRestoresTheSameSoundAndTheSameChunk)
{
    TestHost first;
    CLS_QUELLORN* a = Open(first);
    LoadSlot(first, 0, DataPath("pcm16-stereo.wav"));
    LoadSlot(first, 1, DataPath("pcm24-stereo.wav"));
    LoadSlot(first, 2, DataPath("pcm8-mono.wav"));
    SetEverything(*a);
    const std::vector<float> renderA = RenderSong(first);
    ASSERT_TRUE(Audible(renderA));
    const std::vector<unsigned char> saved = Chunk(first, 1);

    TestHost second;
    Open(second);
    ASSERT_EQ(second.Dispatch(effSetChunk, 1, static_cast<VstIntPtr>(saved.size()),
                              const_cast<unsigned char*>(saved.data())),
              1);
    const std::vector<float> renderB = RenderSong(second);
    ASSERT_EQ(renderA.size(), renderB.size());
    EXPECT_EQ(std::memcmp(renderA.data(), renderB.data(), renderA.size() * sizeof(float)), 0);
    EXPECT_EQ(Chunk(second, 1), saved);
    EXPECT_EQ(Chunk(second, 0), saved) << "bank and program chunks carry the same body";
}

TEST_F(StateRoundTrip, AProgramChangeAwayAndBackRestoresTheSameSound)
{
    TestHost host;
    CLS_QUELLORN* plug = Open(host);
    LoadSlot(host, 0, DataPath("float32-stereo.wav"));
    LoadSlot(host, 1, DataPath("pcm16-quad.wav"));
    SetEverything(*plug);
    const std::vector<float> before = RenderSong(host);
    const std::vector<unsigned char> saved = Chunk(host, 1);

    host.Dispatch(effSetProgram, 0, 5); // a factory program: different settings
    EXPECT_NE(RenderSong(host), before);
    host.Dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(RenderSong(host), before);
    EXPECT_EQ(Chunk(host, 1), saved);
}

TEST_F(StateRoundTrip, AMissingSampleKeepsItsPathThroughSavesUntilItIsBack)
{
    WavTestFiles::TempFolder folder;
    const std::string path = folder.Copy("pcm16-stereo.wav", "away.wav");
    const std::string stays = folder.Copy("pcm8-mono.wav", "stays.wav");
    for (const bool programChange : {false, true}) {
        SCOPED_TRACE(programChange ? "program change" : "state restore");
        TestHost host;
        CLS_QUELLORN* plug = Open(host);
        LoadSlot(host, 1, path);
        LoadSlot(host, 2, stays);
        const std::vector<unsigned char> saved = Chunk(host, 1);
        // Leaving program 0 stores the state, paths included, into it; coming back restores it.
        auto bringBack = [&](const std::vector<unsigned char>& state) {
            if (programChange) {
                host.Dispatch(effSetProgram, 0, 0);
            } else {
                std::vector<unsigned char> copy = state;
                ASSERT_EQ(host.Dispatch(effSetChunk, 1, static_cast<VstIntPtr>(copy.size()),
                                        copy.data()),
                          1);
            }
        };
        if (programChange)
            host.Dispatch(effSetProgram, 0, 3);

        std::filesystem::rename(path, path + ".moved");
        const int edits = host.Count(audioMasterBeginEdit);
        bringBack(saved);
        EXPECT_EQ(plug->slotSample[1].frames, 0u);
        EXPECT_STREQ(plug->sampleDisplay[1]->DisplayName(), "wrong audio");
        EXPECT_STREQ(plug->SlotLoadFailure(1), "not found");
        EXPECT_GT(plug->slotSample[2].frames, 0u);
        // Each file's stored path is announced, the missing one's as well.
        EXPECT_EQ(host.Count(audioMasterBeginEdit) - edits, 2);
        const std::vector<unsigned char> whileMissing = Chunk(host, 1);
        EXPECT_EQ(whileMissing, saved);

        if (programChange)
            host.Dispatch(effSetProgram, 0, 3);
        std::filesystem::rename(path + ".moved", path);
        bringBack(whileMissing);
        EXPECT_GT(plug->slotSample[1].frames, 0u);
        EXPECT_STREQ(plug->sampleDisplay[1]->DisplayName(), "away.wav");
        EXPECT_STREQ(plug->SlotLoadFailure(1), "");
        EXPECT_EQ(Chunk(host, 1), saved);
    }
}

} // namespace
