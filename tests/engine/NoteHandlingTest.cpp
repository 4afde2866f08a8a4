// MIDI notes starting and releasing voices from the shared pool of twenty.
#include "editor/SampleRange.h"
#include "tests/engine/SamplerFixture.h"

#include <cmath>

namespace {

class NoteHandling : public SamplerFixture {
protected:
    void SetUp() override
    {
        SamplerFixture::SetUp();
        for (int slot = 0; slot < kSlotCount; ++slot) {
            LoadSlot(slot, {std::vector<double>(1000, 0.5)});
            SetPlain(slot * kParamsPerSlot + kParamLowNote, 12);
        }
    }
};

TEST_F(NoteHandling, AKeyInEveryRangeTakesOneVoicePerSlot)
{
    Note(60, 100);
    EXPECT_EQ(BusyVoices(), 3);
    EXPECT_EQ(plug->voiceSlot[0], 1);
    EXPECT_EQ(plug->voiceSlot[1], 2);
    EXPECT_EQ(plug->voiceSlot[2], 3);
    EXPECT_EQ(plug->voicesInUse, 3);

    // Outside slot 1's range, and slot 2 switched off: only slot 0 answers.
    SetPlain(12 + kParamLowNote, 70);
    SetPlain(24 + kParamActive, 0);
    Note(61, 100);
    EXPECT_EQ(BusyVoices(), 3); // slot 2's voice was freed, slot 0 took a new one
    EXPECT_EQ(plug->voiceSlot[2], 1);
    EXPECT_EQ(plug->voiceNote[2], 61);
}

TEST_F(NoteHandling, TheTwentyFirstVoiceIsNotPlayedAndFreedVoicesAreReusedLowestFirst)
{
    SetPlain(12 + kParamActive, 0);
    SetPlain(24 + kParamActive, 0);
    for (int key = 40; key < 61; ++key)
        Note(key, 100);
    EXPECT_EQ(BusyVoices(), 20);
    for (int v = 0; v < kVoiceCount; ++v)
        EXPECT_NE(plug->voiceNote[v], 60) << "voice stealing";

    SetPlain(kParamRelease, 0.0);
    Note(45, 0); // voice 5 releases and ends at the next frame
    Note(42, 0);
    Render(1);
    EXPECT_EQ(BusyVoices(), 18);
    Note(70, 100);
    EXPECT_EQ(plug->voiceNote[2], 70);
    EXPECT_EQ(plug->voicesInUse, 20);
}

TEST_F(NoteHandling, AlternatePanMirrorsEverySecondNoteOfTheSlot)
{
    SetPlain(kParamPan, -80);
    SetPlain(kParamAltPan, 1);
    SetPlain(12 + kParamActive, 0);
    SetPlain(24 + kParamActive, 0);
    const float heavy = 1.4f;
    const float light = 0.2f;
    struct Expect {
        int key;
        float left;
        float right;
    } notes[] = {{50, heavy, light}, {70, light, heavy}, {50, heavy, light}};
    for (int n = 0; n < 3; ++n) {
        SCOPED_TRACE(n);
        Note(notes[n].key, 100);
        EXPECT_FLOAT_EQ(plug->voiceLeft[n], notes[n].left);
        EXPECT_FLOAT_EQ(plug->voiceRight[n], notes[n].right);
    }
}

TEST_F(NoteHandling, PitchStepFollowsKeyDistanceTimesSemitonesAndRateRatio)
{
    SetPlain(kParamRootNote, 48);
    SetPlain(kParamSemitones, 3);
    plug->slotSample[0].rateRatio = 0.5;
    SetPlain(12 + kParamActive, 0);
    SetPlain(24 + kParamActive, 0);
    Note(49, 100);
    Note(47, 100);
    Note(48, 100);
    EXPECT_NEAR(plug->voiceStep[0], std::pow(2.0, 3 / 12.0) * 0.5, 1e-15);
    EXPECT_NEAR(plug->voiceStep[1], std::pow(2.0, -3 / 12.0) * 0.5, 1e-15);
    EXPECT_EQ(plug->voiceStep[2], 0.5);
}

TEST_F(NoteHandling, VelocityGainFallsAlongTheSquare)
{
    SetPlain(kParamVolume, 6);
    SetPlain(12 + kParamActive, 0);
    SetPlain(24 + kParamActive, 0);
    const int velocities[] = {127, 64, 1};
    for (int n = 0; n < 3; ++n) {
        SCOPED_TRACE(velocities[n]);
        Note(40 + n, velocities[n]);
        const double fall = (127 - velocities[n]) / 127.0;
        EXPECT_NEAR(plug->voiceLevel[n], (1.0 - fall * fall) * plug->volumeGain[0], 1e-6);
    }
    EXPECT_EQ(plug->voiceLevel[0], plug->volumeGain[0]);
}

TEST_F(NoteHandling, NoteOffsReleaseOneVoicePerMessageLowerNumberFirst)
{
    SetPlain(12 + kParamActive, 0);
    SetPlain(24 + kParamActive, 0);
    Note(60, 100);
    Note(60, 100);
    Note(60, 0, 7); // velocity 0 is a note-off; it releases at its frame of the next block
    EXPECT_EQ(plug->voiceReleaseFrame[0], 7);
    EXPECT_EQ(plug->voiceNote[0], 0);
    EXPECT_EQ(plug->voiceReleaseFrame[1], kNoPendingRelease);
    Note(60, 64, 0, 0x80);
    EXPECT_EQ(plug->voiceReleaseFrame[1], 0);
    Note(60, 64, 0, 0x80); // nothing left to release
    EXPECT_EQ(BusyVoices(), 2);
    Render(0); // a block that does not reach the frames releases from the next one
    EXPECT_EQ(plug->voiceStage[0], 3);
    EXPECT_EQ(plug->voiceStage[1], 3);
    EXPECT_EQ(plug->voiceReleaseFrame[0], kNoPendingRelease);
}

TEST_F(NoteHandling, OtherMessagesPassThroughAndLowKeysAreDropped)
{
    struct Case {
        unsigned char status;
        unsigned char key;
        unsigned char velocity;
        bool passedOn;
        int voices;
    } cases[] = {
        {0xB0, 7, 100, true, 0},  // control change
        {0xE0, 0, 64, true, 0},   // pitch bend
        {0xC0, 5, 0, true, 0},    // program change
        {0x90, 11, 100, false, 0}, // below the lowest key
        {0x80, 11, 0, false, 0},
        {0x90, 12, 100, true, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.status) * 1000 + c.key);
        host.midiOut.clear();
        Note(c.key, c.velocity, 0, c.status);
        EXPECT_EQ(host.midiOut.size(), c.passedOn ? 1u : 0u);
        if (c.passedOn) {
            EXPECT_EQ(host.midiOut[0][0], c.status);
            EXPECT_EQ(host.midiOut[0][1], c.key);
            EXPECT_EQ(host.midiOut[0][2], c.velocity);
        }
        EXPECT_EQ(BusyVoices(), c.voices);
    }
    EXPECT_EQ(plug->keyboardDisplay[0]->HeldCount(), 1); // only key 12 was shown
}

TEST_F(NoteHandling, KeyboardsListHeldKeysOfActiveLoadedSlotsOnly)
{
    plug->slotSample[2] = SampleData{}; // empty slot: its keyboard is not told
    SetPlain(12 + kParamLowNote, 100);  // out of range: shown anyway
    Note(60, 100);
    Note(62, 100);
    SampleRange* keys0 = plug->keyboardDisplay[0];
    SampleRange* keys1 = plug->keyboardDisplay[1];
    EXPECT_EQ(keys0->HeldCount(), 2);
    EXPECT_EQ(keys1->HeldCount(), 2);
    EXPECT_EQ(plug->keyboardDisplay[2]->HeldCount(), 0);

    // Releasing the first key moves the last entry into its place.
    Note(60, 0);
    EXPECT_EQ(keys0->HeldCount(), 1);
    EXPECT_EQ(keys0->HeldKey(0), 62 - 12);
    EXPECT_EQ(keys0->HeldKey(1), 0);

    // Ten entries at most; an eleventh key is not marked.
    for (int key = 70; key < 81; ++key)
        Note(key, 100);
    EXPECT_EQ(keys0->HeldCount(), 10);
    for (int e = 0; e < 10; ++e)
        EXPECT_NE(keys0->HeldKey(e), 80 - 12);
}

} // namespace
