// What the renderer makes of sounding voices: timing, interpolation, looping, envelope,
// pan, and the cuts on transport stop and stalls.
#include "editor/SampleRange.h"
#include "tests/engine/SamplerFixture.h"

#include <cmath>
#include <limits>
#include <numeric>

namespace {

class Rendering : public SamplerFixture {
protected:
    void SetUp() override
    {
        SamplerFixture::SetUp();
        // Slot 0 only, full velocity and no envelope ramp unless a test asks for one.
        SetPlain(12 + kParamActive, 0);
        SetPlain(24 + kParamActive, 0);
        SetPlain(kParamLowNote, 12);
        SetPlain(kParamAttack, 0.0);
        SetPlain(kParamRoot, 60);
    }
    static constexpr int kParamRoot = kParamRootNote;

    static std::vector<double> Ramp(int frames)
    {
        std::vector<double> v(static_cast<std::size_t>(frames));
        std::iota(v.begin(), v.end(), 0.0);
        for (double& x : v)
            x /= frames;
        return v;
    }
};

TEST_F(Rendering, ANoteSoundsFromItsOffsetWithTheFirstAttackStepAlreadyApplied)
{
    SetPlain(kParamAttack, 0.8);
    LoadSlot(0, {std::vector<double>(4000, 1.0)});
    Note(60, 127, 100);
    Render(512);
    for (int j = 0; j < 100; ++j)
        ASSERT_EQ(left[j], 0.0) << j;
    EXPECT_DOUBLE_EQ(left[100], plug->attackStep[0]);
    EXPECT_DOUBLE_EQ(left[101], 2 * plug->attackStep[0]);
    EXPECT_EQ(plug->voiceStartFrame[0], 0); // start frames are reset after the block
}

TEST_F(Rendering, WithoutLoopAVoiceEndsAtTheSampleEndWithLoopItWraps)
{
    SetPlain(kParamLoop, 0);
    LoadSlot(0, {std::vector<double>(1000, 1.0)});
    Note(60, 127);
    Render(1200);
    EXPECT_EQ(left[999], 1.0);
    EXPECT_EQ(left[1000], 0.0);
    EXPECT_EQ(BusyVoices(), 0);
    EXPECT_EQ(plug->voicesInUse, 0);

    SetPlain(kParamLoop, 1);
    Note(60, 127);
    Render(1200);
    EXPECT_EQ(left[1000], 1.0);
    EXPECT_EQ(BusyVoices(), 1);
    EXPECT_DOUBLE_EQ(plug->voicePos[0], 200.0);
}

TEST_F(Rendering, InterpolatesLinearlyAndWrapsTheNeighbourPastTheLastFrame)
{
    LoadSlot(0, {Ramp(1000)});
    Note(60, 127);
    plug->voicePos[0] = 998.5;
    Render(3);
    EXPECT_DOUBLE_EQ(left[0], (998.5) / 1000);
    EXPECT_DOUBLE_EQ(left[1], (999.0 / 1000 + 0.0) / 2); // between frame 999 and frame 0
    EXPECT_DOUBLE_EQ(left[2], 0.5 / 1000);
}

TEST_F(Rendering, CentredStereoAtFullGainReproducesBothPlanes)
{
    const std::vector<double> l = Ramp(64);
    std::vector<double> r = Ramp(64);
    for (double& x : r)
        x = -x;
    LoadSlot(0, {l, r});
    Note(60, 127);
    Render(64);
    for (int j = 0; j < 64; ++j) {
        ASSERT_EQ(left[j], l[j]) << j;
        ASSERT_EQ(right[j], r[j]) << j;
    }
}

TEST_F(Rendering, MonoFeedsBothChannelsThroughThePanGains)
{
    SetPlain(kParamPan, 50);
    LoadSlot(0, {std::vector<double>(64, 0.5)});
    Note(60, 127);
    Render(8);
    EXPECT_DOUBLE_EQ(left[3], 0.5 * 0.5);
    EXPECT_DOUBLE_EQ(right[3], 0.5 * 1.25);
}

TEST_F(Rendering, ExtraChannelsAreIgnoredAndTheFirstTwoPlay)
{
    // A four-channel file keeps planes 0 and 1; the slot still reports four channels.
    LoadSlot(0, {std::vector<double>(32, 0.25), std::vector<double>(32, -0.25)}, 4);
    Note(60, 127);
    Render(4);
    EXPECT_EQ(left[2], 0.25);
    EXPECT_EQ(right[2], -0.25);
}

TEST_F(Rendering, ATransportThatStopsCutsEverythingOneThatNeverRanCutsNothing)
{
    LoadSlot(0, {std::vector<double>(100000, 1.0)});
    Note(60, 127);
    Render(16);
    EXPECT_EQ(BusyVoices(), 1); // stopped all along: plays normally

    host.timeInfo.flags |= kVstTransportPlaying;
    Render(16);
    EXPECT_EQ(BusyVoices(), 1);
    EXPECT_EQ(plug->keyboardDisplay[0]->HeldCount(), 1);
    host.timeInfo.flags &= ~kVstTransportPlaying;
    Render(16);
    EXPECT_EQ(BusyVoices(), 0);
    EXPECT_EQ(left[0], 0.0);
    EXPECT_EQ(plug->keyboardDisplay[0]->HeldCount(), 0);
}

// The millisecond clock runs through the ends of its 32 bits: from the largest signed
// value to the smallest, and from -1 to 0. Neither is a pause, nor is the time processing
// was switched off; a pause is one only when the host processes in real time or won't say.
TEST_F(Rendering, APauseOfMoreThanHalfASecondInRealTimeDropsAllVoices)
{
    struct Case {
        const char* name;
        VstIntPtr level;
        std::uint32_t start; // the clock at the first block
        std::uint32_t gap;   // from there to the second block
        bool switchedOn;     // processing switched on just before the second block
        bool cut;
    };
    const Case cases[] = {
        {"HalfASecondIsNoPause", kVstProcessLevelRealtime, 1000, 500, false, false},
        {"MoreIsAPause", kVstProcessLevelRealtime, 1000, 501, false, true},
        {"AHostThatWontSayMayBeRealTime", kVstProcessLevelUnknown, 1000, 501, false, true},
        {"OfflineNeverPauses", kVstProcessLevelOffline, 1000, 100000, false, false},
        {"AheadOfTimeNeverPauses", kVstProcessLevelPrefetch, 1000, 100000, false, false},
        {"SwitchingOnIsNoPause", kVstProcessLevelRealtime, 1000, 100000, true, false},
        {"PastTheSignedEndIsNoPause", kVstProcessLevelRealtime, 0x7FFFFF00, 500, false, false},
        {"APauseAcrossTheSignedEnd", kVstProcessLevelRealtime, 0x7FFFFF00, 501, false, true},
        {"PastZeroIsNoPause", kVstProcessLevelRealtime, 0xFFFFFF00, 500, false, false},
        {"APauseAcrossZero", kVstProcessLevelRealtime, 0xFFFFFF00, 501, false, true},
    };
    LoadSlot(0, {std::vector<double>(100000, 1.0)});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.processLevel = c.level;
        plug->CutAllVoices();
        now = static_cast<std::int32_t>(c.start);
        plug->lastBlockClock = now;
        Note(60, 127);
        Render(16);
        ASSERT_EQ(BusyVoices(), 1);
        now = static_cast<std::int32_t>(c.start + c.gap);
        if (c.switchedOn)
            host.Dispatch(effMainsChanged, 0, 1);
        Render(16);
        EXPECT_EQ(BusyVoices(), c.cut ? 0 : 1);
        EXPECT_EQ(left[15], c.cut ? 0.0 : 1.0);
    }
}

// However long the machine takes between blocks, an offline render is the same.
TEST_F(Rendering, OfflineBlocksDoNotDependOnTheClock)
{
    host.processLevel = kVstProcessLevelOffline;
    SetPlain(kParamRelease, 0.01);
    LoadSlot(0, {Ramp(3000)});
    const auto renderSong = [&](std::int32_t jump) {
        plug->CutAllVoices();
        std::vector<double> song;
        for (int block = 0; block < 40; ++block) {
            if (block % 10 == 0)
                Note(60 + block / 10, 100, block);
            if (block % 10 == 7)
                Note(60 + block / 10, 0, 3 * block);
            // The clock runs on past the end of its range, as the real one does.
            now = static_cast<std::int32_t>(
                static_cast<std::uint32_t>(now) + std::uint32_t(block % 3 == 0 ? jump : 1));
            Render(128);
            song.insert(song.end(), left.begin(), left.end());
        }
        return song;
    };
    const std::vector<double> steady = renderSong(1);
    EXPECT_EQ(renderSong(1), steady); // the renders can repeat at all
    EXPECT_EQ(renderSong(-5000), steady);
    EXPECT_EQ(renderSong(0x40000000), steady);
    host.processLevel = kVstProcessLevelRealtime; // the same jumps do count in real time
    EXPECT_NE(renderSong(0x40000000), steady);
}

// A note-off takes effect at its own frame, however short the note and whatever the
// block size; one beyond the block's end releases from the next block's first frame.
TEST_F(Rendering, ANoteOffReleasesAtItsOwnFrame)
{
    struct Case {
        const char* name;
        int on;        // offset of the note-on in the first block
        int off;       // offset of the note-off
        bool later;    // the note-off comes with the second block rather than the first
        int soundFrom; // frames [soundFrom, soundUntil) of the note-off's block sound
        int soundUntil;
        bool freed;    // the voice is free after the note-off's block
    };
    constexpr int kBlock = 64;
    const Case cases[] = {
        {"OnAndOffInOneBlock", 3, 9, false, 3, 9, true},
        {"OffBeforeTheOnsStart", 30, 20, false, 0, 0, true},
        {"OffAtTheFirstFrame", 0, 0, true, 0, 0, true},
        {"OffAtTheLastFrame", 0, kBlock - 1, true, 0, kBlock - 1, true},
        {"OffBeforeTheBlock", 0, -5, true, 0, 0, true},
        {"OffBeyondTheBlock", 0, kBlock + 7, true, 0, kBlock, false},
        {"OffAtTheLargestOffset", 0, std::numeric_limits<int>::max(), true, 0, kBlock, false},
    };
    SetPlain(kParamRelease, 0.0); // the voice ends at the release's first frame
    LoadSlot(0, {std::vector<double>(100000, 1.0)});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Note(60, 127, c.on);
        if (c.later)
            Render(kBlock);
        Note(60, 0, c.off);
        Render(kBlock);
        for (int j = 0; j < kBlock; ++j)
            ASSERT_EQ(left[j], j >= c.soundFrom && j < c.soundUntil ? 1.0 : 0.0) << j;
        EXPECT_EQ(BusyVoices(), c.freed ? 0 : 1);
        Render(kBlock);
        EXPECT_EQ(left[0], 0.0);
        EXPECT_EQ(BusyVoices(), 0);
    }
}

TEST_F(Rendering, ReleaseFallsLinearlyFromTheLevelReached)
{
    SetPlain(kParamAttack, 0.01); // 441 frames to full level
    SetPlain(kParamRelease, 0.02);
    LoadSlot(0, {std::vector<double>(100000, 1.0)});
    Note(60, 127);
    Note(60, 0, 100); // in the middle of the attack, within the same block
    Render(1000);
    const double reached = 100.0 / 441;
    EXPECT_NEAR(left[99], reached, 1e-12);
    EXPECT_NEAR(left[100], reached - 1.0 / 882, 1e-12);
    const int frames = 100 + static_cast<int>(std::ceil(reached * 882));
    EXPECT_GT(left[frames - 2], 0.0);
    EXPECT_EQ(left[frames], 0.0);
    EXPECT_EQ(BusyVoices(), 0);
}

TEST_F(Rendering, AnEmptyBlockOnlyResetsStartFramesAndTheClock)
{
    LoadSlot(0, {std::vector<double>(1000, 1.0)});
    Note(60, 127, 300);
    now = 12345;
    plug->RenderBlock(nullptr, nullptr, 0);
    EXPECT_EQ(plug->voiceStartFrame[0], 0);
    EXPECT_EQ(plug->lastBlockClock, 12345);
    EXPECT_EQ(plug->voicePos[0], 0.0);
}

TEST_F(Rendering, ALoopingStepLongerThanTheSampleStaysInsideIt)
{
    SetPlain(kParamRoot, 12);
    SetPlain(kParamSemitones, 48);
    LoadSlot(0, {std::vector<double>{0.25, 0.5, 0.75}});
    Note(14, 127); // 96 semitones up: a step of 256 frames on a three-frame sample
    Render(64);
    for (int j = 0; j < 64; ++j)
        ASSERT_TRUE(left[j] == 0.25 || left[j] == 0.5 || left[j] == 0.75) << j;
    EXPECT_LT(plug->voicePos[0], 3.0);
}

TEST_F(Rendering, ReversingUnderASoundingVoiceGoesOnFromTheSamePositionNumber)
{
    const std::vector<double> l = Ramp(100);
    std::vector<double> r(100);
    for (int i = 0; i < 100; ++i)
        r[static_cast<std::size_t>(i)] = -l[static_cast<std::size_t>(i)];
    LoadSlot(0, {l, r});
    Note(60, 127);
    Render(10); // positions 0..9 played
    SetPlain(kParamReverse, 1);
    Render(2);
    EXPECT_EQ(left[0], l[89]);  // position 10 of the reversed plane is frame 89
    EXPECT_EQ(right[1], r[88]); // and plane 1 is reversed alike
    SetPlain(kParamReverse, 1); // the same value again changes nothing
    Render(1);
    EXPECT_EQ(left[0], l[87]);
    SetPlain(kParamReverse, 0);
    Render(1);
    EXPECT_EQ(left[0], l[13]);
    EXPECT_EQ(BusyVoices(), 1);
}

TEST(RenderingFromTheStart, NotesHandedOverBeforeTheFirstBlockSound)
{
    TestHost host;
    host.Create();
    auto* plug = static_cast<CLS_QUELLORN*>(host.effect->object);
    host.Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    host.Dispatch(effOpen);
    plug->slotSample[0].frames = 64;
    plug->slotSample[0].channels = 1;
    plug->slotSample[0].samples.assign(64, 0.5);
    // A minute between construction and the first notes (a project loading) is no pause.
    static std::int32_t clock = 0;
    plug->SetClock([] { return clock; });
    plug->lastBlockClock = clock;
    clock = 60000;
    IMidiEvent on;
    on.status = 0x90;
    on.data1 = 60;
    on.data2 = 127;
    plug->HandleMidiEvent(on); // the first block's note, before that block
    double l[8], r[8];
    double* outs[] = {l, r};
    plug->RenderBlock(nullptr, outs, 8);
    EXPECT_GT(l[7], 0.0);
}

TEST_F(Rendering, ASlotRestoredBeforeTheRateIsKnownPlaysAtItsFilesPitch)
{
    TestHost fresh;
    fresh.Create();
    auto* early = static_cast<CLS_QUELLORN*>(fresh.effect->object);
    // A project restore puts a 22.05 kHz file in the slot before the host sets a rate.
    early->slotSample[0].frames = 8;
    early->slotSample[0].channels = 1;
    early->slotSample[0].samples.assign(8, 0.0);
    early->slotSample[0].fileRate = 22050.0;
    early->slotSample[0].rateRatio = RateRatioFor(22050.0, early->engineRate);
    fresh.Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    fresh.Dispatch(effOpen);
    EXPECT_EQ(early->slotSample[0].rateRatio, 0.5);
    double l[4], r[4];
    double* outs[] = {l, r};
    early->RenderBlock(nullptr, outs, 4);
    EXPECT_EQ(early->slotSample[0].rateRatio, 0.5); // the first block keeps it
}

} // namespace
