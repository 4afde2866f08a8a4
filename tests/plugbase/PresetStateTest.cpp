// Presets (the host's programs) and the state chunk the host saves with a project.
#include "engine/Quellorn.h"
#include "tests/plugbase/TestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Default plain values of one slot's parameters, offsets 0 to 11.
constexpr double kSlotDefaults[kParamsPerSlot] = {1, 36, 127, 41, 1, 0.8, 1.5, 0, 0, 0, 0, 1};

constexpr int kValuesEnd = 4 + 8 * kParamCount; // 292: where the state texts start

// The sampler with the slot files a restored state names recorded; nothing is loaded.
class RecordingSampler : public CLS_QUELLORN {
public:
    using CLS_QUELLORN::CLS_QUELLORN;
    void RestoreSlotFile(int slot, const char* text) override { loads.emplace_back(slot, text); }
    std::vector<std::pair<int, std::string>> loads;
};

class PresetState : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(host.Create(), nullptr);
        plug = static_cast<CLS_QUELLORN*>(host.effect->object);
        host.Dispatch(effOpen);
    }

    Bytes GetChunk(TestHost& h, int index)
    {
        void* data = nullptr;
        const VstIntPtr size = h.Dispatch(effGetChunk, index, 0, &data);
        if (size <= 0 || !data)
            return {};
        const auto* p = static_cast<const std::uint8_t*>(data);
        return Bytes(p, p + size);
    }
    Bytes GetChunk(int index = 0) { return GetChunk(host, index); }
    VstIntPtr SetChunk(const Bytes& bytes, int index = 0)
    {
        return host.Dispatch(effSetChunk, index, static_cast<VstIntPtr>(bytes.size()),
                             const_cast<std::uint8_t*>(bytes.data()));
    }
    double Value(int index) { return plug->GetParam(index)->PlainValue(); }
    std::string ProgramName(int index)
    {
        char name[256];
        std::memset(name, 'x', sizeof name);
        name[255] = '\0';
        host.Dispatch(effGetProgramNameIndexed, index, 0, name);
        return name;
    }

    TestHost host;
    CLS_QUELLORN* plug = nullptr;
};

void AppendInt32(Bytes& b, std::int32_t v)
{
    const auto* p = reinterpret_cast<const std::uint8_t*>(&v);
    b.insert(b.end(), p, p + 4);
}

void AppendText(Bytes& b, const std::string& text)
{
    AppendInt32(b, static_cast<std::int32_t>(text.size()));
    b.insert(b.end(), text.begin(), text.end());
}

double DoubleAt(const Bytes& b, int pos)
{
    double v = 0.0;
    std::memcpy(&v, b.data() + pos, 8);
    return v;
}

std::int32_t Int32At(const Bytes& b, int pos)
{
    std::int32_t v = 0;
    std::memcpy(&v, b.data() + pos, 4);
    return v;
}

// A chunk header with every parameter at its default.
Bytes DefaultValues()
{
    Bytes b;
    AppendInt32(b, 10000);
    for (int i = 0; i < kParamCount; ++i) {
        const double v = kSlotDefaults[i % kParamsPerSlot];
        const auto* p = reinterpret_cast<const std::uint8_t*>(&v);
        b.insert(b.end(), p, p + 8);
    }
    return b;
}

void PutDouble(Bytes& b, int index, double v)
{
    std::memcpy(b.data() + 4 + 8 * index, &v, 8);
}

TEST_F(PresetState, FreshChunkHoldsVersionDefaultsAndThreeEmptyPaths)
{
    const Bytes chunk = GetChunk();
    ASSERT_EQ(chunk.size(), 307u); // 4 + 36 * 8 + 3 * (4 + 1)
    EXPECT_EQ(Int32At(chunk, 0), 10000);
    for (int i = 0; i < kParamCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(DoubleAt(chunk, 4 + 8 * i), kSlotDefaults[i % kParamsPerSlot]);
    }
    for (int slot = 0; slot < kSlotCount; ++slot) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(Int32At(chunk, kValuesEnd + 5 * slot), 1);
        EXPECT_EQ(chunk[static_cast<std::size_t>(kValuesEnd + 5 * slot + 4)], '0');
    }
    EXPECT_EQ(GetChunk(1), chunk) << "a program request carries the same body";
    EXPECT_EQ(host.Dispatch(effGetChunk, 0, 0, nullptr), 0);
}

TEST_F(PresetState, ChunkRoundTripsThroughAFreshInstance)
{
    host.effect->setParameter(host.effect, kParamPan, 1.0f);          // 100
    host.effect->setParameter(host.effect, 12 + kParamAttack, 0.5f);  // 4 s
    host.effect->setParameter(host.effect, 24 + kParamLowNote, 0.0f); // 12
    host.effect->setParameter(host.effect, 24 + kParamActive, 0.0f);
    const Bytes saved = GetChunk();
    EXPECT_EQ(DoubleAt(saved, 4 + 8 * kParamPan), 100.0);
    EXPECT_EQ(DoubleAt(saved, 4 + 8 * (12 + kParamAttack)), 4.0);

    TestHost other;
    ASSERT_NE(other.Create(), nullptr);
    other.Dispatch(effOpen);
    EXPECT_EQ(other.Dispatch(effSetChunk, 0, static_cast<VstIntPtr>(saved.size()),
                             const_cast<std::uint8_t*>(saved.data())),
              1);
    auto* restored = static_cast<CLS_QUELLORN*>(other.effect->object);
    EXPECT_EQ(restored->GetParam(24 + kParamLowNote)->PlainValue(), 12.0);
    EXPECT_FALSE(restored->slotActive[2]) << "restored values are applied";
    EXPECT_EQ(restored->panRight[0], 1.5f);
    EXPECT_EQ(GetChunk(other, 0), saved);
}

TEST_F(PresetState, ChunksShorterThanTheVersionOrTheValuesAreRefused)
{
    const Bytes before = GetChunk();

    EXPECT_EQ(SetChunk(Bytes{0x10, 0x27, 0x00}), 0);
    EXPECT_EQ(GetChunk(), before) << "three bytes change nothing";

    // Exactly the version: the first parameter is set to its clamped 0 and applied.
    EXPECT_EQ(SetChunk(Bytes{0x10, 0x27, 0x00, 0x00}), 0);
    EXPECT_EQ(Value(0), 0.0);
    EXPECT_FALSE(plug->slotActive[0]);
    EXPECT_EQ(Value(1), 36.0);

    // Values end inside parameter 1: parameter 0 read, parameter 1 takes its clamped 0
    // (Low Note's minimum 12), the rest keep theirs.
    Bytes cut = DefaultValues();
    PutDouble(cut, 0, 1.0);
    cut.resize(4 + 8 + 5);
    EXPECT_EQ(SetChunk(cut), 0);
    EXPECT_EQ(Value(0), 1.0);
    EXPECT_EQ(Value(1), 12.0);
    EXPECT_EQ(plug->lowNote[0], 12);
    EXPECT_EQ(Value(2), 127.0);

    EXPECT_EQ(host.Dispatch(effSetChunk, 0, -8, cut.data()), 0) << "negative size";
    EXPECT_EQ(host.Dispatch(effSetChunk, 0, 8, nullptr), 0);
}

TEST_F(PresetState, ValuesAreClampedAndNaNTakesTheMinimum)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    Bytes chunk = DefaultValues();
    PutDouble(chunk, kParamLowNote, nan);
    PutDouble(chunk, kParamAttack, nan);
    PutDouble(chunk, kParamPan, -1000.0);
    PutDouble(chunk, 12 + kParamHighNote, 500.0);
    PutDouble(chunk, 12 + kParamVolume, inf);
    PutDouble(chunk, 12 + kParamRelease, -inf);
    // The values alone, no state texts: still a good chunk.
    EXPECT_EQ(SetChunk(chunk), 1);
    EXPECT_EQ(Value(kParamLowNote), 12.0);
    EXPECT_EQ(Value(kParamAttack), 0.0);
    EXPECT_EQ(Value(kParamPan), -100.0);
    EXPECT_EQ(Value(12 + kParamHighNote), 127.0);
    EXPECT_EQ(Value(12 + kParamVolume), 24.0);
    EXPECT_EQ(Value(12 + kParamRelease), 0.0);
    EXPECT_EQ(plug->panLeft[0], 1.5f);
    EXPECT_EQ(plug->panRight[0], 0.0f);
}

TEST(PresetStateTexts, EachWellFormedPathIsLoadedAndMalformedOnesAreSkipped)
{
    const std::string longest(260, 'p');
    const std::string tooLong(261, 'q');
    struct Case {
        const char* what;
        Bytes texts; // appended after the 36 values
        std::vector<std::pair<int, std::string>> loads;
    };
    auto texts = [](std::initializer_list<std::string> list) {
        Bytes b;
        for (const std::string& t : list)
            AppendText(b, t);
        return b;
    };
    auto raw = [](std::int32_t length, const std::string& tail) {
        Bytes b;
        AppendInt32(b, length);
        b.insert(b.end(), tail.begin(), tail.end());
        return b;
    };
    auto join = [](Bytes a, const Bytes& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const Case cases[] = {
        {"\"0\" is no path", texts({"a.wav", "0", "c.wav"}), {{0, "a.wav"}, {2, "c.wav"}}},
        {"zero length is absent", join(raw(0, ""), texts({"b", "c"})), {{1, "b"}, {2, "c"}}},
        {"negative length stops", join(raw(-1, ""), texts({"b", "c"})), {}},
        {"length past the end stops", raw(1000, "abc"), {}},
        {"largest length stops", raw(0x7FFFFFFF, "abc"), {}},
        {"260 characters fit", texts({longest, "b"}), {{0, longest}, {1, "b"}}},
        {"261 characters are skipped", texts({tooLong, "b", "c"}), {{1, "b"}, {2, "c"}}},
        {"a cut length stops", Bytes{1, 0}, {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestHost host;
        auto* plug = new RecordingSampler(&TestHost::Callback);
        host.effect = plug->Effect();
        host.effect->user = &host;
        const Bytes chunk = join(DefaultValues(), c.texts);
        // The values were all read, so the restore succeeds whatever follows them.
        EXPECT_EQ(host.Dispatch(effSetChunk, 0, static_cast<VstIntPtr>(chunk.size()),
                                const_cast<std::uint8_t*>(chunk.data())),
                  1);
        EXPECT_EQ(plug->loads, c.loads);
    }
}

TEST_F(PresetState, FreshProgramsCarryTheFactoryNamesThenTheirPositions)
{
    const char* names[] = {"---- default ----", "Pluck", "Lead", "Pad", "Release Long",
                           "Drum", "Drum Next Octaves", "- 8 -", "- 9 -", "- 10 -"};
    for (int i = 0; i < kPresetCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ProgramName(i), names[i]);
        char name[256] = {};
        EXPECT_EQ(host.Dispatch(effGetProgramNameIndexed, i, 0, name), 1);
    }
    for (int outside : {-1, kPresetCount}) {
        SCOPED_TRACE(outside);
        char name[256] = "unchanged";
        EXPECT_EQ(host.Dispatch(effGetProgramNameIndexed, outside, 0, name), 0);
        EXPECT_STREQ(name, "");
    }
    char current[256] = {};
    host.Dispatch(effGetProgramName, 0, 0, current);
    EXPECT_STREQ(current, "---- default ----");
    EXPECT_EQ(host.Dispatch(effGetProgram), 0);
}

TEST_F(PresetState, NeverUsedProgramsAreNamedAsNumberedUserPresets)
{
    host.Dispatch(effSetProgram, 0, 7);
    EXPECT_EQ(host.Dispatch(effGetProgram), 7);
    EXPECT_EQ(ProgramName(7), "user preset 1");
    host.Dispatch(effSetProgram, 0, 8);
    EXPECT_EQ(ProgramName(8), "user preset 2");

    char hostName[] = "my user preset";
    host.Dispatch(effSetProgramName, 0, 0, hostName);
    EXPECT_EQ(ProgramName(8), "my user preset");
    host.Dispatch(effSetProgram, 0, 9);
    EXPECT_EQ(ProgramName(9), "user preset 3") << "a name holding the words counts too";

    // Back to an already used program: it keeps its name.
    host.Dispatch(effSetProgram, 0, 7);
    EXPECT_EQ(ProgramName(7), "user preset 1");
}

TEST_F(PresetState, SwitchingProgramsKeepsTheStateOfTheOneLeft)
{
    const int pan = kParamPan;
    host.Dispatch(effSetProgram, 0, 7);
    host.effect->setParameter(host.effect, pan, 0.75f); // 50, an edit while 7 is current
    host.Dispatch(effSetProgram, 0, 9);
    EXPECT_EQ(Value(pan), 50.0) << "a never-used program keeps the current values";
    host.effect->setParameter(host.effect, pan, 0.25f); // -50
    host.Dispatch(effSetProgram, 0, 7);
    EXPECT_EQ(host.Dispatch(effGetProgram), 7);
    EXPECT_EQ(Value(pan), 50.0);
    EXPECT_EQ(plug->panLeft[0], 0.5f) << "recalled values are applied";
    host.Dispatch(effSetProgram, 0, 9);
    EXPECT_EQ(Value(pan), -50.0);

    // Outside the list: no change of program or values.
    host.Dispatch(effSetProgram, 0, kPresetCount);
    host.Dispatch(effSetProgram, 0, -1);
    EXPECT_EQ(host.Dispatch(effGetProgram), 9);
    EXPECT_EQ(Value(pan), -50.0);
}

TEST_F(PresetState, ProgramNameCanBeSetAndStoresTheCurrentState)
{
    host.Dispatch(effSetProgram, 0, 2);
    host.effect->setParameter(host.effect, kParamPan, 1.0f);
    char name[] = "Bright";
    EXPECT_EQ(host.Dispatch(effSetProgramName, 0, 0, name), 0);
    EXPECT_EQ(ProgramName(2), "Bright");

    char empty[] = "";
    host.Dispatch(effSetProgramName, 0, 0, empty);
    host.Dispatch(effSetProgramName, 0, 0, nullptr);
    EXPECT_EQ(ProgramName(2), "Bright") << "an empty or missing name keeps the old one";

    // The state stored with the name comes back on a recall that stores nothing first.
    host.effect->setParameter(host.effect, kParamPan, 0.0f);
    ASSERT_TRUE(plug->RecallPreset(2));
    EXPECT_EQ(Value(kParamPan), 100.0);
}

TEST_F(PresetState, BankRequestStoresTheCurrentStateIntoTheCurrentProgram)
{
    host.Dispatch(effSetProgram, 0, 2);
    host.effect->setParameter(host.effect, kParamPan, 1.0f); // 100
    GetChunk(0);
    host.effect->setParameter(host.effect, kParamPan, 0.0f); // -100
    ASSERT_TRUE(plug->RecallPreset(2));
    EXPECT_EQ(Value(kParamPan), 100.0);

    // A program request stores nothing: program 8's stored values stay empty, so recalling
    // it fails.
    host.Dispatch(effSetProgram, 0, 8);
    GetChunk(1);
    EXPECT_FALSE(plug->RecallPreset(8));
    host.Dispatch(effSetProgram, 0, 2);
    EXPECT_TRUE(plug->RecallPreset(8)) << "leaving program 8 stored into it";
}

} // namespace
