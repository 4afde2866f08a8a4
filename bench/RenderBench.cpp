// RenderBlock with twenty sounding stereo looping voices at 44.1 kHz in blocks of 512,
// in nanoseconds per voice-frame: the production renderer, the frame-by-frame reference,
// and the whole float processReplacing path around the production renderer.
#include "engine/Quellorn.h"
#include "tests/engine/ReferenceRenderer.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int kBlock = 512;
constexpr std::uint32_t kSampleFrames = 44100 * 2;

VstIntPtr QuietHost(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float)
{
    return 0;
}

std::int32_t FrozenClock()
{
    return 0; // no stall between blocks however long a benchmark iteration takes
}

// A plug-in with a two-second stereo sample in every slot and twenty voices sounding.
std::unique_ptr<CLS_QUELLORN> MakeBusySampler()
{
    auto plug = std::make_unique<CLS_QUELLORN>(QuietHost);
    plug->SetClock(FrozenClock);
    plug->lastBlockClock = 0;
    plug->Effect()->dispatcher(plug->Effect(), effSetSampleRate, 0, 0, nullptr, 44100.0f);
    plug->Effect()->dispatcher(plug->Effect(), effSetBlockSize, 0, kBlock, nullptr, 0.0f);
    plug->Effect()->dispatcher(plug->Effect(), effOpen, 0, 0, nullptr, 0.0f);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        SampleData& sample = plug->slotSample[slot];
        sample.frames = kSampleFrames;
        sample.channels = 2;
        sample.fileRate = 44100.0;
        sample.rateRatio = 1.0;
        sample.samples.resize(2 * kSampleFrames);
        for (std::uint32_t i = 0; i < 2 * kSampleFrames; ++i)
            sample.samples[i] = std::sin(i * 0.01 * (slot + 1));
        plug->GetParam(slot * kParamsPerSlot + kParamLowNote)->SetClampedValue(12);
        plug->ParamChanged(slot * kParamsPerSlot + kParamLowNote);
    }
    // First block starts the engine; notes come after it so they survive.
    std::vector<double> l(kBlock), r(kBlock);
    double* outs[] = {l.data(), r.data()};
    plug->RenderBlock(nullptr, outs, kBlock);
    for (int n = 0; n < kVoiceCount; ++n) {
        IMidiEvent on;
        on.status = 0x90;
        on.data1 = static_cast<unsigned char>(40 + n); // detuned keys: fractional steps
        on.data2 = 100;
        plug->HandleMidiEvent(on);
    }
    return plug;
}

void SetVoiceFrameCounters(benchmark::State& state)
{
    state.counters["ns/voice-frame"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kBlock * kVoiceCount,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_RenderBlockProduction(benchmark::State& state)
{
    auto plug = MakeBusySampler();
    std::vector<double> l(kBlock), r(kBlock);
    double* outs[] = {l.data(), r.data()};
    for (auto _ : state) {
        plug->RenderBlock(nullptr, outs, kBlock);
        benchmark::DoNotOptimize(l.data());
    }
    if (plug->voicesInUse != kVoiceCount)
        state.SkipWithError("voices stopped sounding");
    SetVoiceFrameCounters(state);
}
BENCHMARK(BM_RenderBlockProduction);

void BM_RenderBlockReference(benchmark::State& state)
{
    auto plug = MakeBusySampler();
    std::vector<double> l(kBlock), r(kBlock);
    double* outs[] = {l.data(), r.data()};
    for (auto _ : state) {
        ReferenceRenderBlock(*plug, outs, kBlock);
        benchmark::DoNotOptimize(l.data());
    }
    if (plug->voicesInUse != kVoiceCount)
        state.SkipWithError("voices stopped sounding");
    SetVoiceFrameCounters(state);
}
BENCHMARK(BM_RenderBlockReference);

void BM_ProcessReplacingFloat(benchmark::State& state)
{
    auto plug = MakeBusySampler();
    AEffect* effect = plug->Effect();
    std::vector<float> l(kBlock), r(kBlock);
    float* outs[] = {l.data(), r.data()};
    for (auto _ : state) {
        effect->processReplacing(effect, nullptr, outs, kBlock);
        benchmark::DoNotOptimize(l.data());
    }
    if (plug->voicesInUse != kVoiceCount)
        state.SkipWithError("voices stopped sounding");
    SetVoiceFrameCounters(state);
}
BENCHMARK(BM_ProcessReplacingFloat);

} // namespace

BENCHMARK_MAIN();
