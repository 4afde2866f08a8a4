// What a careless host can do while voices sound: MIDI bytes out of range, events at
// offsets outside their block, unknown or missing events, and block sizes that change from
// one block to the next, announced or not. None of it may crash, read or write outside a
// buffer, or change the sound beyond what the messages themselves mean.
#include "engine/Quellorn.h"
#include "tests/engine/SamplerFixture.h"
#include "tests/plugbase/TestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

std::int32_t FixedClock()
{
    return 0; // no block ever looks like a stall
}

struct MidiAt {
    long frame; // absolute frame of the render
    unsigned char status;
    unsigned char data1;
    unsigned char data2;
};

VstMidiEvent Midi(int delta, int status, int data1, int data2)
{
    VstMidiEvent m{};
    m.type = kVstMidiType;
    m.byteSize = sizeof m;
    m.deltaFrames = delta;
    m.midiData[0] = static_cast<char>(status);
    m.midiData[1] = static_cast<char>(data1);
    m.midiData[2] = static_cast<char>(data2);
    return m;
}

// A block of `frames`, preceded by effSetBlockSize when `announce` is positive.
struct Step {
    int announce;
    int frames;
};

// A sampler with hand-made sample data in its three slots, driven only through the calls
// a host makes.
class HostedSampler {
public:
    HostedSampler()
    {
        effect = host.Create();
        plug = static_cast<CLS_QUELLORN*>(effect->object);
        plug->SetClock(FixedClock);
        plug->lastBlockClock = 0;
        host.recordMidi = false;
        Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        Dispatch(effSetBlockSize, 0, 512);
        Dispatch(effOpen);
        Dispatch(effMainsChanged, 0, 1);
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const int channels = slot == 1 ? 1 : 2;
            SampleData& sample = plug->slotSample[slot];
            sample.frames = 700 + 300 * static_cast<std::uint32_t>(slot);
            sample.channels = static_cast<std::int16_t>(channels);
            sample.samples.resize(sample.frames * static_cast<std::uint32_t>(channels));
            for (std::size_t i = 0; i < sample.samples.size(); ++i)
                sample.samples[i] = std::sin(0.05 * static_cast<double>(i) * (slot + 1));
            sample.fileRate = 44100.0;
            sample.rateRatio = 1.0;
            SetPlain(slot, kParamLowNote, 12);
            SetPlain(slot, kParamAttack, 0.01);
            SetPlain(slot, kParamRelease, 0.02);
            SetPlain(slot, kParamLoop, slot == 2 ? 0 : 1);
            SetPlain(slot, kParamSemitones, slot + 1);
        }
    }

    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f)
    {
        return host.Dispatch(opcode, index, value, ptr, opt);
    }

    void SetPlain(int slot, int offset, double value)
    {
        plug->GetParam(slot * kParamsPerSlot + offset)->SetClampedValue(value);
        plug->ParamChanged(slot * kParamsPerSlot + offset);
    }

    void SendEvents(const std::vector<VstMidiEvent>& midi)
    {
        std::vector<VstEvent*> entries;
        for (const VstMidiEvent& event : midi)
            entries.push_back(reinterpret_cast<VstEvent*>(const_cast<VstMidiEvent*>(&event)));
        SendEntries(entries);
    }

    // The list's nominal array of two is followed by as many entries as needed.
    void SendEntries(const std::vector<VstEvent*>& entries)
    {
        std::vector<unsigned char> storage(sizeof(VstEvents) + entries.size() * sizeof(VstEvent*));
        auto* list = reinterpret_cast<VstEvents*>(storage.data());
        list->numEvents = static_cast<VstInt32>(entries.size());
        VstEvent** slots = list->events;
        for (std::size_t i = 0; i < entries.size(); ++i)
            slots[i] = entries[i];
        Dispatch(effProcessEvents, 0, 0, list);
    }

    // Renders the steps, handing each event to the block that holds its frame, and
    // returns the left and right outputs end to end.
    std::vector<std::vector<double>> Play(const std::vector<Step>& steps,
                                          const std::vector<MidiAt>& events, bool useDouble)
    {
        std::vector<std::vector<double>> out(2);
        long start = 0;
        for (const Step& step : steps) {
            if (step.announce > 0)
                Dispatch(effSetBlockSize, 0, step.announce);
            std::vector<VstMidiEvent> midi;
            for (const MidiAt& e : events) {
                if (e.frame < start || e.frame >= start + step.frames)
                    continue;
                midi.push_back(Midi(static_cast<int>(e.frame - start), e.status, e.data1, e.data2));
            }
            if (!midi.empty())
                SendEvents(midi);
            const std::size_t n = static_cast<std::size_t>(step.frames);
            if (useDouble) {
                std::vector<double> l(n, 9.0), r(n, 9.0);
                double* outs[] = {l.data(), r.data()};
                effect->processDoubleReplacing(effect, nullptr, outs, step.frames);
                out[0].insert(out[0].end(), l.begin(), l.end());
                out[1].insert(out[1].end(), r.begin(), r.end());
            } else {
                std::vector<float> l(n, 9.0f), r(n, 9.0f);
                float* outs[] = {l.data(), r.data()};
                effect->processReplacing(effect, nullptr, outs, step.frames);
                out[0].insert(out[0].end(), l.begin(), l.end());
                out[1].insert(out[1].end(), r.begin(), r.end());
            }
            start += step.frames;
        }
        return out;
    }

    int BusyVoices() const { return CountBusyVoices(*plug); }

    TestHost host;
    AEffect* effect = nullptr;
    CLS_QUELLORN* plug = nullptr;
};

TEST(HostileHost, BlockSizesChangingBetweenBlocksLeaveTheSoundAsFrameByFrame)
{
    // An erratic host: announced sizes that change, blocks shorter than announced, empty
    // blocks, and blocks longer than announced (the scratch buffers must grow).
    const std::vector<Step> erratic = {
        {0, 512}, {0, 300}, {32, 32}, {0, 32}, {0, 5}, {0, 0}, {2048, 1}, {0, 3000},
        {64, 4096}, {0, 64}, {16, 0}, {0, 700},
    };
    long total = 0;
    std::vector<long> boundaries;
    for (const Step& step : erratic) {
        boundaries.push_back(total);
        total += step.frames;
    }
    // Note-ons honour their offsets; a note-off acts from the start of its block, so the
    // offs fall on block starts, where a frame-by-frame host would also deliver them.
    const std::vector<MidiAt> events = {
        {0, 0x90, 60, 100}, {37, 0x90, 64, 90}, {600, 0x90, 67, 127}, {1500, 0x90, 72, 60},
        {boundaries[3], 0x80, 60, 0}, {boundaries[7], 0x90, 64, 0}, {boundaries[8], 0x80, 67, 0},
        {boundaries[9], 0x80, 72, 0},
    };
    const std::vector<Step> frameByFrame(static_cast<std::size_t>(total), Step{0, 1});

    for (bool useDouble : {false, true}) {
        SCOPED_TRACE(useDouble ? "processDoubleReplacing" : "processReplacing");
        HostedSampler steady;
        HostedSampler careless;
        const auto expected = steady.Play(frameByFrame, events, useDouble);
        const auto got = careless.Play(erratic, events, useDouble);
        ASSERT_EQ(got[0].size(), static_cast<std::size_t>(total));
        EXPECT_EQ(got, expected);
        double peak = 0.0;
        for (double x : got[0])
            peak = std::max(peak, std::fabs(x));
        EXPECT_GT(peak, 0.1) << "the comparison must be of sound, not of silence";
        EXPECT_EQ(careless.plug->BlockFrames(), 700) << "a block longer than announced grows";
    }
}

TEST(HostileHost, OutOfRangeBytesAndOffsetsNeverReachBeyondTheirMeaning)
{
    HostedSampler sampler;
    sampler.host.recordMidi = true;
    std::vector<VstMidiEvent> midi = {
        Midi(0, 0x90, 200, 100),    // no such key: passed on, never played
        Midi(0, 0x3C, 64, 100),     // a data byte where the status belongs
        Midi(0, 0x8F, 0xFF, 0xFF),  // note-off of no key
        Midi(0, 0x90, 60, 0xFF),    // velocity beyond 127 plays as 127
        Midi(-7, 0x90, 62, 100),    // before the block: starts at its first frame
        Midi(1 << 30, 0x90, 64, 100), // far beyond the block: starts with the next one
    };
    VstEvent unknown{};
    unknown.type = 99;
    unknown.byteSize = sizeof unknown;
    std::vector<VstEvent*> entries;
    for (VstMidiEvent& m : midi)
        entries.push_back(reinterpret_cast<VstEvent*>(&m));
    entries.insert(entries.begin() + 2, &unknown);
    entries.insert(entries.begin() + 4, nullptr);
    sampler.SendEntries(entries);

    // Every MIDI message is passed on unchanged; the unknown event and the gap are not.
    ASSERT_EQ(sampler.host.midiOut.size(), midi.size());
    for (std::size_t i = 0; i < midi.size(); ++i)
        for (int b = 0; b < 3; ++b)
            EXPECT_EQ(sampler.host.midiOut[i][static_cast<std::size_t>(b)],
                      static_cast<unsigned char>(midi[i].midiData[b]))
                << "message " << i << " byte " << b;

    // Keys 60, 62 and 64 in all three slots; key 200 nowhere.
    EXPECT_EQ(sampler.BusyVoices(), 9);
    for (int v = 0; v < kVoiceCount; ++v) {
        if (sampler.plug->voiceSlot[v] != 0 && sampler.plug->voiceNote[v] == 60) {
            EXPECT_EQ(sampler.plug->voiceLevel[v], 1.0f) << "voice " << v;
        }
    }

    // A list that claims no events, or none at all, changes nothing.
    VstEvents empty{};
    empty.numEvents = -3;
    EXPECT_EQ(sampler.Dispatch(effProcessEvents, 0, 0, &empty), 1);
    EXPECT_EQ(sampler.Dispatch(effProcessEvents, 0, 0, nullptr), 0);
    EXPECT_EQ(sampler.BusyVoices(), 9);

    // Slot 0 plays at its root's distance from each key; look at its three voices.
    auto position = [&](int key) {
        for (int v = 0; v < kVoiceCount; ++v)
            if (sampler.plug->voiceSlot[v] == 1 && sampler.plug->voiceNote[v] == key)
                return sampler.plug->voicePos[v];
        return -1.0;
    };
    auto step = [&](int key) {
        for (int v = 0; v < kVoiceCount; ++v)
            if (sampler.plug->voiceSlot[v] == 1 && sampler.plug->voiceNote[v] == key)
                return sampler.plug->voiceStep[v];
        return -1.0;
    };
    const auto block = sampler.Play({{0, 64}}, {}, false);
    EXPECT_NEAR(position(62), 64 * step(62), 1e-9) << "sounded from the block's first frame";
    EXPECT_EQ(position(64), 0.0) << "waits for the next block";
    sampler.Play({{0, 64}}, {}, false);
    EXPECT_NEAR(position(64), 64 * step(64), 1e-9);
    for (const auto& channel : block)
        for (double x : channel)
            ASSERT_TRUE(std::isfinite(x));
}

} // namespace
