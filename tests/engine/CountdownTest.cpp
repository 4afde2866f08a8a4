// A fresh plug-in renders nothing until every parameter has been applied once.
#include "engine/Quellorn.h"
#include "tests/engine/SamplerFixture.h"
#include "tests/plugbase/TestHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

CLS_QUELLORN* Sampler(TestHost& host)
{
    return static_cast<CLS_QUELLORN*>(host.effect->object);
}


TEST(ParamCountdown, OpeningAppliesEveryParameterAndRaisesReady)
{
    TestHost host;
    ASSERT_NE(host.Create(), nullptr);
    EXPECT_FALSE(Sampler(host)->ParamsReady());
    host.Dispatch(effOpen);
    EXPECT_TRUE(Sampler(host)->ParamsReady());
}

TEST(ParamCountdown, StaysDownUntilTheLastParameterIsApplied)
{
    TestHost host;
    ASSERT_NE(host.Create(), nullptr);
    CLS_QUELLORN* plug = Sampler(host);
    for (int i = 0; i < kParamCount - 1; ++i)
        plug->ParamChanged(i);
    EXPECT_FALSE(plug->ParamsReady());
    plug->ParamChanged(kParamCount - 1);
    EXPECT_TRUE(plug->ParamsReady());
}

TEST(ParamCountdown, ReapplyingTheSameParameterDoesNotCount)
{
    TestHost host;
    ASSERT_NE(host.Create(), nullptr);
    CLS_QUELLORN* plug = Sampler(host);
    for (int round = 0; round < kParamCount; ++round) {
        // New values each time, so every call is applied, but always parameter 7.
        plug->GetParam(7)->SetClampedValue(round - 50);
        plug->ParamChanged(7);
    }
    EXPECT_FALSE(plug->ParamsReady());
}

TEST(ParamCountdown, IsSharedByInstancesAndRestartedByEachConstruction)
{
    TestHost first;
    ASSERT_NE(first.Create(), nullptr);
    for (int i = 0; i < kParamCount / 2; ++i)
        Sampler(first)->ParamChanged(i);

    // The second construction restarts the shared count: the first instance's half no
    // longer counts, and the second's opening pass alone completes it for both.
    TestHost second;
    ASSERT_NE(second.Create(), nullptr);
    for (int i = kParamCount / 2; i < kParamCount; ++i)
        Sampler(first)->ParamChanged(i);
    EXPECT_FALSE(Sampler(first)->ParamsReady());

    second.Dispatch(effOpen);
    EXPECT_TRUE(Sampler(second)->ParamsReady());
    // The first instance's count is the same shared one: its next new value raises it.
    Sampler(first)->GetParam(0)->SetClampedValue(0);
    Sampler(first)->ParamChanged(0);
    EXPECT_TRUE(Sampler(first)->ParamsReady());
}

// A note played while one parameter is still to be applied: every processing function
// leaves the host silence (the accumulating one adds nothing) until the last is applied.
TEST(ParamCountdown, BlocksStaySilentUntilReadyThoughANoteSounds)
{
    TestHost host;
    ASSERT_NE(host.Create(), nullptr);
    CLS_QUELLORN* plug = Sampler(host);
    host.processLevel = kVstProcessLevelOffline; // however slowly the test runs
    host.Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    for (int i = 0; i < kParamCount - 1; ++i)
        plug->ParamChanged(i);
    plug->HandleMidiEvent(HoldConstantSample(*plug, 4096));
    ASSERT_EQ(plug->voiceSlot[0], 1);

    constexpr int kFrames = 64;
    std::vector<float> left(kFrames), right(kFrames);
    float* outs[] = {left.data(), right.data()};
    std::vector<double> dleft(kFrames), dright(kFrames);
    double* douts[] = {dleft.data(), dright.data()};
    for (bool ready : {false, true}) {
        SCOPED_TRACE(ready);
        EXPECT_EQ(plug->ParamsReady(), ready);
        std::fill(left.begin(), left.end(), 7.0f);
        host.effect->processReplacing(host.effect, nullptr, outs, kFrames);
        EXPECT_EQ(left[kFrames - 1] != 0.0f, ready);
        std::fill(left.begin(), left.end(), 7.0f);
        host.effect->process(host.effect, nullptr, outs, kFrames);
        EXPECT_EQ(left[kFrames - 1] != 7.0f, ready);
        std::fill(dleft.begin(), dleft.end(), 7.0);
        host.effect->processDoubleReplacing(host.effect, nullptr, douts, kFrames);
        EXPECT_EQ(dleft[kFrames - 1] != 0.0, ready);
        EXPECT_NE(dleft[kFrames - 1], 7.0);
        plug->ParamChanged(kParamCount - 1);
    }
}

} // namespace
