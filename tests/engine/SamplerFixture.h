// A sampler opened at 44.1 kHz with hand-made sample data in its slots, rendered directly,
// with a clock the test drives.
#pragma once

#include "engine/Quellorn.h"
#include "tests/plugbase/TestHost.h"

#include <gtest/gtest.h>

#include <vector>

// Voices that belong to a slot, wherever they stand in the pool.
inline int CountBusyVoices(const CLS_QUELLORN& plug)
{
    int n = 0;
    for (int v = 0; v < kVoiceCount; ++v)
        n += plug.voiceSlot[v] != 0;
    return n;
}

// Slot 0 holds `frames` values of 0.5 (put in directly, no file), and the returned event is a
// full-velocity note-on of key 60: handed to the sampler, it makes every block sound.
inline IMidiEvent HoldConstantSample(CLS_QUELLORN& plug, std::uint32_t frames)
{
    plug.slotSample[0].frames = frames;
    plug.slotSample[0].channels = 1;
    plug.slotSample[0].samples.assign(frames, 0.5);
    IMidiEvent on;
    on.status = 0x90;
    on.data1 = 60;
    on.data2 = 127;
    return on;
}

class SamplerFixture : public ::testing::Test {
protected:
    static std::int32_t now;
    static std::int32_t Now() { return now; }

    void SetUp() override
    {
        ASSERT_NE(host.Create(), nullptr);
        plug = static_cast<CLS_QUELLORN*>(host.effect->object);
        now = 0;
        plug->SetClock(Now);
        plug->lastBlockClock = 0;
        host.Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        host.Dispatch(effOpen);
        Render(0); // the first block starts the engine
    }

    void SetPlain(int index, double value)
    {
        plug->GetParam(index)->SetClampedValue(value);
        plug->ParamChanged(index);
    }

    // Puts `planes` (one or two planes of equal length) into a slot as if loaded from a
    // file at the engine's rate.
    void LoadSlot(int slot, const std::vector<std::vector<double>>& planes, int channels = 0)
    {
        SampleData& sample = plug->slotSample[slot];
        sample.frames = static_cast<std::uint32_t>(planes[0].size());
        sample.channels = static_cast<std::int16_t>(channels ? channels : planes.size());
        sample.samples.clear();
        for (const auto& plane : planes)
            sample.samples.insert(sample.samples.end(), plane.begin(), plane.end());
        sample.fileRate = 44100.0;
        sample.rateRatio = 1.0;
    }

    void Note(int key, int velocity, int offset = 0, int status = 0x90)
    {
        IMidiEvent event;
        event.offset = offset;
        event.status = static_cast<unsigned char>(status);
        event.data1 = static_cast<unsigned char>(key);
        event.data2 = static_cast<unsigned char>(velocity);
        plug->HandleMidiEvent(event);
    }

    void Render(int frames)
    {
        left.assign(static_cast<std::size_t>(frames), 0.0);
        right.assign(static_cast<std::size_t>(frames), 0.0);
        double* outs[] = {left.data(), right.data()};
        plug->RenderBlock(nullptr, outs, frames);
        now = static_cast<std::int32_t>(static_cast<std::uint32_t>(now) + 10u); // wraps like the real clock
    }

    int BusyVoices() const { return CountBusyVoices(*plug); }

    TestHost host;
    CLS_QUELLORN* plug = nullptr;
    std::vector<double> left;
    std::vector<double> right;
};
