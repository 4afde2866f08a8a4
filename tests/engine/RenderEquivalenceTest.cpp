// The production renderer against the frame-by-frame reference, over many randomised
// scenarios: both plug-ins get the same samples, parameters, notes, rate changes,
// transport stops, process levels and clock stalls, and must produce the same bits and the
// same voices.
#include "engine/Quellorn.h"
#include "engine/VoiceLanes.h"
#include "tests/engine/ReferenceRenderer.h"
#include "tests/engine/SamplerFixture.h"
#include "tests/plugbase/TestHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr unsigned kScenarios = 2000;
constexpr int kBlocksPerScenario = 40;

std::int32_t scenarioClock = 0;
std::int32_t ScenarioClock()
{
    return scenarioClock;
}

bool SameBits(const std::vector<double>& a, const std::vector<double>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

struct Pair {
    TestHost productionHost;
    TestHost referenceHost;
    CLS_QUELLORN* production = nullptr;
    CLS_QUELLORN* reference = nullptr;

    void Create()
    {
        for (TestHost* host : {&productionHost, &referenceHost}) {
            host->Create();
            host->Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
            host->Dispatch(effOpen);
            auto* plug = static_cast<CLS_QUELLORN*>(host->effect->object);
            plug->SetClock(ScenarioClock);
            plug->lastBlockClock = scenarioClock;
        }
        production = static_cast<CLS_QUELLORN*>(productionHost.effect->object);
        reference = static_cast<CLS_QUELLORN*>(referenceHost.effect->object);
    }

    template <typename Change> void Both(Change change)
    {
        change(*production, productionHost);
        change(*reference, referenceHost);
    }
};

void SetPlain(CLS_QUELLORN& plug, int index, double value)
{
    plug.GetParam(index)->SetClampedValue(value);
    plug.ParamChanged(index);
}

SampleData RandomSample(std::mt19937& rng)
{
    std::uniform_int_distribution<int> lengthKind(0, 4);
    const int kind = lengthKind(rng);
    const std::uint32_t frames = kind == 0 ? 1 + rng() % 3 : kind == 1 ? 5 + rng() % 60 : 200 + rng() % 3000;
    SampleData sample;
    sample.channels = static_cast<std::int16_t>(1 + rng() % 2);
    sample.frames = frames;
    sample.samples.assign(static_cast<std::size_t>(frames) * (sample.channels >= 2 ? 2 : 1), 0.0);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    for (double& v : sample.samples)
        v = value(rng);
    const double rates[] = {22050.0, 44100.0, 48000.0, 96000.0};
    sample.fileRate = rates[rng() % 4];
    sample.rateRatio = RateRatioFor(sample.fileRate, 44100.0);
    return sample;
}

void RandomParamChange(Pair& pair, std::mt19937& rng)
{
    const int slot = static_cast<int>(rng() % kSlotCount);
    const int base = slot * kParamsPerSlot;
    switch (rng() % 9) {
    case 0: { // times, including zero (infinite steps)
        const double times[] = {0.0, 0.0, 0.01, 0.05, 0.3, 1.0};
        const double t = times[rng() % 6];
        const int offset = rng() % 2 ? kParamAttack : kParamRelease;
        pair.Both([&](CLS_QUELLORN& p, TestHost&) { SetPlain(p, base + offset, t); });
        break;
    }
    case 1: {
        const bool loop = rng() % 3 != 0;
        pair.Both([&](CLS_QUELLORN& p, TestHost&) { SetPlain(p, base + kParamLoop, loop); });
        break;
    }
    case 2: {
        const int pan = static_cast<int>(rng() % 201) - 100;
        pair.Both([&](CLS_QUELLORN& p, TestHost&) { SetPlain(p, base + kParamPan, pan); });
        break;
    }
    case 3: {
        const int db = static_cast<int>(rng() % 73) - 48;
        pair.Both([&](CLS_QUELLORN& p, TestHost&) { SetPlain(p, base + kParamVolume, db); });
        break;
    }
    case 4: {
        const int semis = 1 + static_cast<int>(rng() % 48);
        pair.Both([&](CLS_QUELLORN& p, TestHost&) { SetPlain(p, base + kParamSemitones, semis); });
        break;
    }
    case 5: {
        const int root = 12 + static_cast<int>(rng() % 116);
        pair.Both([&](CLS_QUELLORN& p, TestHost&) { SetPlain(p, base + kParamRootNote, root); });
        break;
    }
    case 6: {
        const bool alt = rng() % 2;
        pair.Both([&](CLS_QUELLORN& p, TestHost&) { SetPlain(p, base + kParamAltPan, alt); });
        break;
    }
    case 7: {
        const bool reverse = rng() % 2;
        pair.Both([&](CLS_QUELLORN& p, TestHost&) { SetPlain(p, base + kParamReverse, reverse); });
        break;
    }
    default: {
        const bool active = rng() % 5 != 0;
        pair.Both([&](CLS_QUELLORN& p, TestHost&) { SetPlain(p, base + kParamActive, active); });
        break;
    }
    }
}

// Half the note-offs end a note begun in the same block, before or after its start.
void RandomEvents(Pair& pair, std::mt19937& rng, int blockFrames)
{
    const int count = static_cast<int>(rng() % 8);
    unsigned char startedHere[8];
    int started = 0;
    for (int e = 0; e < count; ++e) {
        IMidiEvent event;
        event.offset = static_cast<int>(rng() % static_cast<unsigned>(blockFrames + 4)) - 2;
        event.data1 = static_cast<unsigned char>(24 + rng() % 90);
        const unsigned kind = rng() % 4;
        if (kind >= 2 && started > 0 && rng() % 2)
            event.data1 = startedHere[rng() % static_cast<unsigned>(started)];
        switch (kind) {
        case 0:
        case 1:
            event.status = 0x90;
            event.data2 = static_cast<unsigned char>(1 + rng() % 127);
            startedHere[started++] = event.data1;
            break;
        case 2:
            event.status = 0x90; // velocity 0: a note-off
            event.data2 = 0;
            break;
        default:
            event.status = 0x80;
            event.data2 = 64;
            break;
        }
        pair.Both([&](CLS_QUELLORN& p, TestHost&) { p.HandleMidiEvent(event); });
    }
}

void ExpectSameVoices(const CLS_QUELLORN& a, const CLS_QUELLORN& b)
{
    ASSERT_EQ(a.voicesInUse, b.voicesInUse);
    for (int v = 0; v < kVoiceCount; ++v) {
        SCOPED_TRACE(v);
        ASSERT_EQ(a.voiceSlot[v], b.voiceSlot[v]);
        ASSERT_EQ(a.voiceStage[v], b.voiceStage[v]);
        ASSERT_EQ(std::memcmp(&a.voicePos[v], &b.voicePos[v], sizeof(double)), 0);
        ASSERT_EQ(std::memcmp(&a.voiceEnv[v], &b.voiceEnv[v], sizeof(double)), 0);
        ASSERT_EQ(std::memcmp(&a.voiceGain[v], &b.voiceGain[v], sizeof(double)), 0);
        ASSERT_EQ(std::memcmp(&a.voiceStep[v], &b.voiceStep[v], sizeof(double)), 0);
    }
}

// Blocks in which some voice sounded, over all scenarios: a run in which nothing sounds
// would compare silence with silence and prove nothing.
int soundingBlocks = 0;

void RunScenario(unsigned seed)
{
    SCOPED_TRACE(seed);
    std::mt19937 rng(seed);
    scenarioClock = 1000;
    Pair pair;
    pair.Create();

    for (int slot = 0; slot < kSlotCount; ++slot) {
        const SampleData sample = RandomSample(rng);
        const int low = 12 + static_cast<int>(rng() % 60);
        pair.Both([&](CLS_QUELLORN& p, TestHost&) {
            p.slotSample[slot] = sample;
            SetPlain(p, slot * kParamsPerSlot + kParamLowNote, low);
        });
    }
    pair.production->transportWasRunning = pair.reference->transportWasRunning = false;

    const int blockSizes[] = {1, 7, 64, 512};
    for (int block = 0; block < kBlocksPerScenario; ++block) {
        const int frames = blockSizes[rng() % 4];
        RandomEvents(pair, rng, frames);
        if (rng() % 3 == 0)
            RandomParamChange(pair, rng);
        if (rng() % 25 == 0) {
            const float rates[] = {22050.0f, 44100.0f, 48000.0f, 96000.0f};
            const float rate = rates[rng() % 4];
            pair.Both([&](CLS_QUELLORN&, TestHost& host) {
                host.Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
            });
        }
        if (rng() % 15 == 0) {
            const bool playing = rng() % 2;
            pair.Both([&](CLS_QUELLORN&, TestHost& host) {
                host.timeInfo.flags = playing ? (host.timeInfo.flags | kVstTransportPlaying)
                                              : (host.timeInfo.flags & ~kVstTransportPlaying);
            });
        }
        if (rng() % 15 == 0) {
            const VstIntPtr levels[] = {kVstProcessLevelUnknown, kVstProcessLevelRealtime,
                                        kVstProcessLevelOffline};
            const VstIntPtr level = levels[rng() % 3];
            pair.Both([&](CLS_QUELLORN&, TestHost& host) { host.processLevel = level; });
        }
        scenarioClock += rng() % 40 == 0 ? 700 : 10;

        std::vector<double> prodL(frames, 9.0), prodR(frames, 9.0);
        std::vector<double> refL(frames, 9.0), refR(frames, 9.0);
        double* prodOut[] = {prodL.data(), prodR.data()};
        double* refOut[] = {refL.data(), refR.data()};
        pair.production->RenderBlock(nullptr, prodOut, frames);
        ReferenceRenderBlock(*pair.reference, refOut, frames);

        for (double v : prodL)
            if (v != 0.0) {
                ++soundingBlocks;
                break;
            }
        ASSERT_TRUE(SameBits(prodL, refL)) << "left differs in block " << block;
        ASSERT_TRUE(SameBits(prodR, refR)) << "right differs in block " << block;
        ExpectSameVoices(*pair.production, *pair.reference);
        if (::testing::Test::HasFatalFailure())
            return;
    }
}

// Restores the AVX loops however a test ends.
struct WideMixing {
    explicit WideMixing(bool allowed) { AllowWideMixing(allowed); }
    ~WideMixing() { AllowWideMixing(true); }
};

TEST(RenderEquivalence, MatchesTheFrameByFrameReferenceOnRandomScenarios)
{
    soundingBlocks = 0;
    for (unsigned seed = 1; seed <= kScenarios; ++seed) {
        RunScenario(seed);
        if (::testing::Test::HasFatalFailure())
            return;
    }
    EXPECT_GT(soundingBlocks, kScenarios * kBlocksPerScenario / 2);
}

// The same scenarios through the SSE2 loops, which machines without AVX run.
TEST(RenderEquivalence, MatchesTheReferenceOnRandomScenariosWithoutAvx)
{
    WideMixing narrow(false);
    soundingBlocks = 0;
    for (unsigned seed = 1; seed <= kScenarios / 2; ++seed) {
        RunScenario(seed);
        if (::testing::Test::HasFatalFailure())
            return;
    }
    EXPECT_GT(soundingBlocks, kScenarios / 2 * kBlocksPerScenario / 2);
}

// Many voices held at once, which the renderer mixes several at a time, over samples that
// a careless interpolation would get wrong: steps of whole frames and half frames land
// exactly on frames whose neighbour is infinite or so large that the difference overflows,
// and negative zeros. Blocks of odd lengths, notes starting inside a block and note-offs
// inside a block cut the shared loops at every kind of boundary.
struct ChordCase {
    const char* name;
    int semitones;      // between successive keys: 12 keeps every step a power of two
    int blockFrames;
    bool offsets;       // notes start inside the first block
    bool avx;
    bool releases;      // note-offs inside blocks, and notes that begin and end in one
};

class SustainedChords : public ::testing::TestWithParam<ChordCase> {};

std::vector<double> HostileSample(std::uint32_t frames, int channels, std::mt19937& rng)
{
    std::vector<double> x(static_cast<std::size_t>(frames) * channels);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    for (std::size_t i = 0; i < x.size(); ++i) {
        switch (i % 7) {
        case 3: x[i] = std::numeric_limits<double>::infinity(); break;
        case 5: x[i] = -0.0; break;
        case 6: x[i] = (i / 7) % 2 ? 1.5e308 : -1.5e308; break;
        default: x[i] = value(rng); break;
        }
    }
    return x;
}

TEST_P(SustainedChords, MatchTheReferenceBitForBit)
{
    const ChordCase& c = GetParam();
    if (c.avx && !WideMixingAvailable())
        GTEST_SKIP() << "no AVX on this processor";
    WideMixing wide(c.avx);
    std::mt19937 rng(7);
    scenarioClock = 1000;
    Pair pair;
    pair.Create();
    for (int slot = 0; slot < kSlotCount; ++slot) {
        SampleData sample;
        sample.channels = static_cast<std::int16_t>(slot == 1 ? 1 : 2);
        sample.frames = 9000 + 1000 * slot;
        sample.samples = HostileSample(sample.frames, sample.channels, rng);
        sample.fileRate = 44100.0;
        sample.rateRatio = 1.0;
        const int base = slot * kParamsPerSlot;
        pair.Both([&](CLS_QUELLORN& p, TestHost&) {
            p.slotSample[slot] = sample;
            SetPlain(p, base + kParamLowNote, 12 + 40 * slot);
            SetPlain(p, base + kParamHighNote, 12 + 40 * slot + 39);
            SetPlain(p, base + kParamRootNote, 24 + 40 * slot);
            SetPlain(p, base + kParamAttack, 0.0);
            SetPlain(p, base + kParamRelease, 0.02 * slot);
            SetPlain(p, base + kParamLoop, 1);
        });
    }
    pair.production->transportWasRunning = pair.reference->transportWasRunning = false;

    const auto send = [&](int status, int key, int offset) {
        IMidiEvent event;
        event.status = static_cast<unsigned char>(status);
        event.data1 = static_cast<unsigned char>(key);
        event.data2 = 90;
        event.offset = offset;
        pair.Both([&](CLS_QUELLORN& p, TestHost&) { p.HandleMidiEvent(event); });
    };
    int keys[kVoiceCount];
    for (int n = 0; n < kVoiceCount; ++n) {
        IMidiEvent on;
        on.status = 0x90;
        on.offset = c.offsets ? (n * 37) % c.blockFrames : 0;
        // Keys around each slot's root, spread over the three slots.
        const int slot = n % kSlotCount;
        on.data1 = static_cast<unsigned char>(24 + 40 * slot + ((n / kSlotCount) % 3 - 1) * c.semitones
                                              + (c.semitones == 12 ? 0 : n / kSlotCount));
        on.data2 = static_cast<unsigned char>(60 + 3 * n);
        keys[n] = on.data1;
        pair.Both([&](CLS_QUELLORN& p, TestHost&) { p.HandleMidiEvent(on); });
    }
    const int f = c.blockFrames;
    for (int block = 0; block < 60; ++block) {
        if (c.releases && block == 3) {
            // At the first frame, the last, the middle, somewhere, and past the end.
            const int offsets[] = {0, f - 1, f / 2, 17 % f, f + 3};
            for (int n = 0; n < 5; ++n)
                send(0x80, keys[n], offsets[n]);
        }
        if (c.releases && block == 6) {
            send(0x90, keys[0], f / 4); // begins and ends in this block
            send(0x80, keys[0], f / 2);
            send(0x90, keys[1], f / 2); // its note-off comes before its start
            send(0x80, keys[1], f / 4);
            const int offsets[] = {f / 3, 1, f - 2, 40 % f, 0};
            for (int n = 5; n < 10; ++n)
                send(0x80, keys[n], offsets[n - 5]);
        }
        scenarioClock += 10;
        std::vector<double> prodL(c.blockFrames, 9.0), prodR(c.blockFrames, 9.0);
        std::vector<double> refL(c.blockFrames, 9.0), refR(c.blockFrames, 9.0);
        double* prodOut[] = {prodL.data(), prodR.data()};
        double* refOut[] = {refL.data(), refR.data()};
        pair.production->RenderBlock(nullptr, prodOut, c.blockFrames);
        ReferenceRenderBlock(*pair.reference, refOut, c.blockFrames);
        ASSERT_TRUE(SameBits(prodL, refL)) << "left differs in block " << block;
        ASSERT_TRUE(SameBits(prodR, refR)) << "right differs in block " << block;
        ExpectSameVoices(*pair.production, *pair.reference);
        if (::testing::Test::HasFatalFailure())
            return;
    }
    if (c.releases)
        EXPECT_EQ(CountBusyVoices(*pair.production), kVoiceCount - 10);
    else
        EXPECT_EQ(pair.production->voicesInUse, kVoiceCount);
}

const ChordCase kChordCases[] = {
    {"OctavesAvx", 12, 512, false, true, false},
    {"OctavesSse2", 12, 512, false, false, false},
    {"OctavesOddBlocksAvx", 12, 333, true, true, false},
    {"OctavesOddBlocksSse2", 12, 333, true, false, false},
    {"DetunedAvx", 1, 512, true, true, false},
    {"DetunedSse2", 1, 512, true, false, false},
    {"DetunedTinyBlocksAvx", 1, 7, false, true, false},
    {"DetunedTinyBlocksSse2", 1, 7, false, false, false},
    {"ReleasedInsideBlocksAvx", 1, 512, true, true, true},
    {"ReleasedInsideBlocksSse2", 1, 512, true, false, true},
    {"OctavesReleasedInOddBlocksAvx", 12, 333, false, true, true},
    {"OctavesReleasedInOddBlocksSse2", 12, 333, false, false, true},
};

INSTANTIATE_TEST_SUITE_P(RenderEquivalence, SustainedChords, ::testing::ValuesIn(kChordCases),
                         [](const ::testing::TestParamInfo<ChordCase>& info) { return info.param.name; });

} // namespace
