// A repaint of one slot's sample display, in milliseconds, for stereo samples of 1, 10 and 60
// seconds at 44.1 kHz. The waveform reads every frame the slot holds, and the paint holds the
// plug-in's load lock while it does (a load on another thread waits that long to swap its
// sample in; the audio thread never takes that lock).
#include "editor/IEditorSurface.h"
#include "editor/MySample.h"
#include "engine/Quellorn.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

VstIntPtr QuietHost(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float)
{
    return 0;
}

void SampleDisplayPaint(benchmark::State& state)
{
    auto plug = std::make_unique<CLS_QUELLORN>(QuietHost);
    plug->Effect()->dispatcher(plug->Effect(), effSetSampleRate, 0, 0, nullptr, 44100.0f);
    plug->Effect()->dispatcher(plug->Effect(), effOpen, 0, 0, nullptr, 0.0f);
    const auto frames = static_cast<std::uint32_t>(44100 * state.range(0));
    SampleData& sample = plug->slotSample[0];
    sample.frames = frames;
    sample.channels = 2;
    sample.samples.resize(2 * std::size_t(frames));
    for (std::size_t i = 0; i < sample.samples.size(); ++i)
        sample.samples[i] = std::sin(double(i) * 0.001);
    const IBox box = plug->sampleDisplay[0]->Box();
    for (auto _ : state)
        benchmark::DoNotOptimize(plug->Editor()->PaintDirty(box));
    state.SetItemsProcessed(state.iterations() * std::int64_t(frames));
}
BENCHMARK(SampleDisplayPaint)
    ->ArgName("seconds")
    ->Arg(1)
    ->Arg(10)
    ->Arg(60)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
