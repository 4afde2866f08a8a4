// How parameter values become the slots' derived settings.
#include "engine/Quellorn.h"
#include "tests/plugbase/TestHost.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class ParamChangedTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(host.Create(), nullptr);
        plug = static_cast<CLS_QUELLORN*>(host.effect->object);
        host.Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        host.Dispatch(effOpen);
    }

    // Sets a plain value the way a restore does: clamped, then applied.
    void SetPlain(int index, double value)
    {
        plug->GetParam(index)->SetClampedValue(value);
        plug->ParamChanged(index);
    }

    TestHost host;
    CLS_QUELLORN* plug = nullptr;
};

TEST(WholeNumberForParam, RoundsHalfAwayFromZeroInHundredthsForTimes)
{
    struct Case {
        int offset;
        double value;
        int expected;
    } cases[] = {
        {kParamAttack, 0.8, 80},   {kParamAttack, 0.005, 1},  {kParamRelease, 0.004, 0},
        {kParamRelease, 16.0, 1600}, {kParamPan, -0.5, -1},   {kParamPan, -0.49, 0},
        {kParamPan, 2.5, 3},       {kParamVolume, -48.0, -48}, {kParamActive, 0.6, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(WholeNumberForParam(c.offset, c.value), c.expected);
    }
}

TEST_F(ParamChangedTest, DefaultsGiveTheDocumentedSlotSettings)
{
    for (int slot = 0; slot < kSlotCount; ++slot) {
        SCOPED_TRACE(slot);
        EXPECT_TRUE(plug->slotActive[slot]);
        EXPECT_EQ(plug->lowNote[slot], 36);
        EXPECT_EQ(plug->highNote[slot], 127);
        EXPECT_EQ(plug->rootNote[slot], 41);
        EXPECT_EQ(plug->semitoneMultiply[slot], 1);
        EXPECT_EQ(plug->panLeft[slot], 1.0f);
        EXPECT_EQ(plug->panRight[slot], 1.0f);
        EXPECT_EQ(plug->volumeGain[slot], 1.0f);
        EXPECT_FALSE(plug->slotAltPan[slot]);
        EXPECT_TRUE(plug->slotLoop[slot]);
        EXPECT_FALSE(plug->slotReverse[slot]);
        // One step per frame over 0.8 s and 1.5 s at 44100 Hz.
        EXPECT_DOUBLE_EQ(plug->attackStep[slot], 1.0 / (80 * 44100.0 / 100));
        EXPECT_DOUBLE_EQ(plug->releaseStep[slot], 1.0 / (150 * 44100.0 / 100));
    }
}

TEST_F(ParamChangedTest, PanGivesFarChannelLessAndNearChannelHalfMore)
{
    struct Case {
        int pan;
        float left;
        float right;
    } cases[] = {
        {0, 1.0f, 1.0f}, {100, 0.0f, 1.5f}, {-100, 1.5f, 0.0f}, {50, 0.5f, 1.25f}, {-50, 1.25f, 0.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pan);
        SetPlain(12 + kParamPan, c.pan);
        EXPECT_FLOAT_EQ(plug->panLeft[1], c.left);
        EXPECT_FLOAT_EQ(plug->panRight[1], c.right);
    }
}

TEST_F(ParamChangedTest, VolumeIsTenToTheDecibelsOverTwenty)
{
    for (int db : {-48, -6, 0, 6, 24}) {
        SCOPED_TRACE(db);
        SetPlain(24 + kParamVolume, db);
        EXPECT_FLOAT_EQ(plug->volumeGain[2], static_cast<float>(std::pow(10.0, db / 20.0)));
    }
    SetPlain(24 + kParamVolume, 0);
    EXPECT_EQ(plug->volumeGain[2], 1.0f); // exactly, not nearly
}

TEST_F(ParamChangedTest, ZeroTimesGiveInfiniteStepsAndRateChangesRecomputeThem)
{
    SetPlain(kParamAttack, 0.0);
    EXPECT_TRUE(std::isinf(plug->attackStep[0]));

    SetPlain(kParamRelease, 2.0);
    host.Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    EXPECT_DOUBLE_EQ(plug->releaseStep[0], 1.0 / (2.0 * 48000.0));
    EXPECT_DOUBLE_EQ(plug->attackStep[1], 1.0 / (0.8 * 48000.0));
    EXPECT_EQ(plug->engineRate, 48000.0);
}

TEST_F(ParamChangedTest, RateChangeRescalesSoundingVoicesAndSlotRatios)
{
    plug->voiceSlot[0] = 1;
    plug->voiceStep[0] = 1.5;
    plug->voicesInUse = 1;
    plug->slotSample[0].fileRate = 22050.0;
    plug->slotSample[0].rateRatio = 0.5;
    host.Dispatch(effSetSampleRate, 0, 0, nullptr, 88200.0f);
    EXPECT_DOUBLE_EQ(plug->voiceStep[0], 0.75);
    EXPECT_DOUBLE_EQ(plug->slotSample[0].rateRatio, 0.25);
    // Derived from the file's own rate, not scaled from the last ratio.
    host.Dispatch(effSetSampleRate, 0, 0, nullptr, 22050.0f);
    EXPECT_EQ(plug->slotSample[0].rateRatio, 1.0);
}

TEST_F(ParamChangedTest, KeyRangeValuesAreTakenAsGivenEvenWhenCrossed)
{
    SetPlain(kParamLowNote, 100);
    SetPlain(kParamHighNote, 60);
    EXPECT_EQ(plug->lowNote[0], 100);
    EXPECT_EQ(plug->highNote[0], 60);
    SetPlain(kParamSemitones, 48);
    EXPECT_EQ(plug->semitoneMultiply[0], 48);
}

TEST_F(ParamChangedTest, SwitchingASlotOffFreesOnlyItsVoicesAtOnce)
{
    // Voices 0 and 2 belong to slot 1 (stored as 2), voice 1 to slot 0.
    plug->voiceSlot[0] = 2;
    plug->voiceSlot[1] = 1;
    plug->voiceSlot[2] = 2;
    for (int v = 0; v < 3; ++v) {
        plug->voiceStage[v] = 2;
        plug->voiceEnv[v] = 1.0;
        plug->voiceNote[v] = 60;
    }
    plug->voicesInUse = 3;

    SetPlain(12 + kParamActive, 0);
    EXPECT_FALSE(plug->slotActive[1]);
    EXPECT_EQ(plug->voiceSlot[0], 0);
    EXPECT_EQ(plug->voiceStage[0], 0);
    EXPECT_EQ(plug->voiceEnv[0], 0.0);
    EXPECT_EQ(plug->voiceSlot[2], 0);
    EXPECT_EQ(plug->voiceSlot[1], 1);
    EXPECT_EQ(plug->voiceStage[1], 2);
    // Voice 2 was the highest busy one; voice 0 is below a busy voice, so only one step.
    EXPECT_EQ(plug->voicesInUse, 2);

    SetPlain(12 + kParamActive, 1);
    EXPECT_TRUE(plug->slotActive[1]);
    EXPECT_EQ(plug->voiceSlot[0], 0); // switching on starts nothing
}

TEST_F(ParamChangedTest, UnchangedWholeNumberAppliesNothing)
{
    SetPlain(kParamPan, 40);
    plug->panLeft[0] = 123.0f; // a marker that a re-application would overwrite
    SetPlain(kParamPan, 40.2); // rounds to the same whole number
    EXPECT_EQ(plug->panLeft[0], 123.0f);
    SetPlain(kParamPan, 41);
    EXPECT_NE(plug->panLeft[0], 123.0f);
}

TEST_F(ParamChangedTest, AlternatePanResetsItsToggleAndRateResetClearsIt)
{
    SetPlain(kParamAltPan, 1);
    EXPECT_TRUE(plug->slotAltPan[0]);
    EXPECT_FALSE(plug->slotAltToggle[0]);
    plug->slotAltToggle[0] = true; // as after one note
    plug->ResetProcessing();
    EXPECT_FALSE(plug->slotAltToggle[0]);
    SetPlain(kParamAltPan, 0);
    EXPECT_TRUE(plug->slotAltToggle[0]);
}

TEST_F(ParamChangedTest, OutOfRangeIndexChangesNothing)
{
    const float before = plug->panLeft[0];
    plug->ParamChanged(36);
    plug->ParamChanged(-1);
    EXPECT_EQ(plug->panLeft[0], before);
}

TEST_F(ParamChangedTest, HostAutomationReachesTheDerivedSettings)
{
    // Attack is shaped: normalised 0.5 means 16 * 0.25 = 4 s.
    host.effect->setParameter(host.effect, 12 + kParamAttack, 0.5f);
    EXPECT_DOUBLE_EQ(plug->attackStep[1], 1.0 / (4.0 * 44100.0));
    // Root Note: 12 + 115 * 0.5 = 69.5, snapped to 70.
    host.effect->setParameter(host.effect, kParamRootNote, 0.5f);
    EXPECT_EQ(plug->rootNote[0], 70);
}

} // namespace
