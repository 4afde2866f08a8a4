// The factory programs: their values, and what recalling them does to playing.
#include "tests/engine/SamplerFixture.h"

#include <cmath>

namespace {

class FactoryPresets : public SamplerFixture {
protected:
    void SetUp() override
    {
        SamplerFixture::SetUp();
        for (int slot = 0; slot < kSlotCount; ++slot)
            LoadSlot(slot, {std::vector<double>(50000, 0.1 * (slot + 1))});
    }
    void Recall(int program) { host.Dispatch(effSetProgram, 0, program); }
    double Value(int index) { return plug->GetParam(index)->PlainValue(); }
    // Slots that took a voice for the last note, as a bit set.
    int SlotsSounding()
    {
        int bits = 0;
        for (int v = 0; v < kVoiceCount; ++v)
            if (plug->voiceSlot[v])
                bits |= 1 << (plug->voiceSlot[v] - 1);
        return bits;
    }
};

TEST_F(FactoryPresets, SplitsDifferOnlyInEnvelopeAndLoop)
{
    struct Expect {
        int program;
        double attack;
        double release;
        double loop;
    } splits[] = {{1, 0.01, 0.5, 0}, {2, 0.8, 1.5, 1}, {3, 4.0, 4.5, 1}, {4, 1.0, 5.0, 1}};
    const double zones[3][4] = {{12, 59, 48, -80}, {60, 83, 72, 90}, {84, 127, 96, -80}};
    for (const Expect& e : splits) {
        SCOPED_TRACE(e.program);
        Recall(e.program);
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const int base = slot * kParamsPerSlot;
            EXPECT_EQ(Value(base + kParamActive), 1);
            EXPECT_EQ(Value(base + kParamLowNote), zones[slot][0]);
            EXPECT_EQ(Value(base + kParamHighNote), zones[slot][1]);
            EXPECT_EQ(Value(base + kParamRootNote), zones[slot][2]);
            EXPECT_EQ(Value(base + kParamPan), zones[slot][3]);
            EXPECT_EQ(Value(base + kParamSemitones), 1);
            EXPECT_EQ(Value(base + kParamAttack), e.attack);
            EXPECT_EQ(Value(base + kParamRelease), e.release);
            EXPECT_EQ(Value(base + kParamAltPan), 1);
            EXPECT_EQ(Value(base + kParamVolume), -3);
            EXPECT_EQ(Value(base + kParamReverse), 0);
            EXPECT_EQ(Value(base + kParamLoop), e.loop);
        }
    }
}

TEST_F(FactoryPresets, PluckSplitsTheKeyboardBetweenTheSlots)
{
    Recall(1);
    Note(59, 100);
    EXPECT_EQ(SlotsSounding(), 0b001);
    plug->CutAllVoices();
    Note(60, 100);
    EXPECT_EQ(SlotsSounding(), 0b010);
    plug->CutAllVoices();
    Note(84, 100);
    EXPECT_EQ(SlotsSounding(), 0b100);
}

TEST_F(FactoryPresets, DrumGivesNarrowZonesAMinorThirdPerKeyAndKeepsTheSamples)
{
    const std::vector<double> before = plug->slotSample[0].samples;
    Recall(5);
    EXPECT_EQ(plug->slotSample[0].samples, before);

    Note(35, 100);
    Note(41, 100);
    EXPECT_EQ(SlotsSounding(), 0b010);
    plug->CutAllVoices();
    Note(37, 100); // one key above the root: three semitones up
    EXPECT_EQ(SlotsSounding(), 0b001);
    EXPECT_NEAR(plug->voiceStep[0], std::pow(2.0, 3 / 12.0), 1e-15);
    EXPECT_DOUBLE_EQ(plug->releaseStep[0], 1.0 / (0.1 * 44100));
    EXPECT_TRUE(std::isinf(plug->attackStep[0]));

    Recall(6);
    const double lows[] = {60, 65, 72}, highs[] = {64, 71, 76}, pans[] = {-60, 70, -80};
    for (int slot = 0; slot < kSlotCount; ++slot) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(Value(slot * kParamsPerSlot + kParamLowNote), lows[slot]);
        EXPECT_EQ(Value(slot * kParamsPerSlot + kParamRootNote), lows[slot]);
        EXPECT_EQ(Value(slot * kParamsPerSlot + kParamHighNote), highs[slot]);
        EXPECT_EQ(Value(slot * kParamsPerSlot + kParamPan), pans[slot]);
        EXPECT_EQ(Value(slot * kParamsPerSlot + kParamSemitones), 3);
        EXPECT_EQ(Value(slot * kParamsPerSlot + kParamAltPan), 1);
    }
    Recall(5);
    EXPECT_EQ(Value(kParamAltPan), 0) << "Drum's first slot does not alternate";
}

TEST_F(FactoryPresets, ALeftFactoryProgramTakesTheUsersEdits)
{
    Recall(2);
    host.effect->setParameter(host.effect, kParamVolume, 1.0f); // +24 dB
    Recall(3);
    EXPECT_EQ(Value(kParamVolume), -3);
    Recall(2);
    EXPECT_EQ(Value(kParamVolume), 24);
}

} // namespace
