// A fresh plug-in renders nothing until every parameter has been applied once.
#include "engine/Quellorn.h"
#include "tests/plugbase/TestHost.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

CLS_QUELLORN* Sampler(TestHost& host)
{
    return static_cast<CLS_QUELLORN*>(host.effect->object);
}

// Processes one block into float buffers prefilled with a marker, so a block that leaves
// the host's buffers alone is told apart from one that writes silence.
bool BlockIsSilent(TestHost& host, int frames)
{
    std::vector<float> left(static_cast<std::size_t>(frames), 7.0f);
    std::vector<float> right(static_cast<std::size_t>(frames), 7.0f);
    float* outs[] = {left.data(), right.data()};
    host.effect->processReplacing(host.effect, nullptr, outs, frames);
    return left[0] == 0.0f && right[frames - 1] == 0.0f;
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

TEST(ParamCountdown, WritesSilenceBeforeAndAfterReady)
{
    TestHost host;
    ASSERT_NE(host.Create(), nullptr);
    EXPECT_TRUE(BlockIsSilent(host, 64)); // zeros from the scratch buffers
    host.Dispatch(effOpen);
    EXPECT_TRUE(BlockIsSilent(host, 64));
}

} // namespace
