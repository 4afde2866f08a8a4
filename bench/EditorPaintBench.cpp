// The editor's paint work of a real plug-in (samples in all three slots, notes held), in
// microseconds: a full repaint of the whole editor with every control dirty, as when the
// window opens, and one frame-timer tick when nothing has changed but the live row of
// activity strips, which the window repaints on every tick. Targets: a full repaint within
// a millisecond, a tick within 50 microseconds.
#include "editor/IEditorSurface.h"
#include "editor/MySample.h"
#include "engine/Quellorn.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kBlock = 512;

VstIntPtr QuietHost(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float)
{
    return 0;
}

std::unique_ptr<CLS_QUELLORN> MakePlayingSampler()
{
    auto plug = std::make_unique<CLS_QUELLORN>(QuietHost);
    AEffect* effect = plug->Effect();
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    effect->dispatcher(effect, effSetBlockSize, 0, kBlock, nullptr, 0.0f);
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    const char* files[kSlotCount] = {"bass.wav", "pad.wav", "lead.wav"};
    for (int slot = 0; slot < kSlotCount; ++slot)
        plug->sampleDisplay[slot]->LoadFile((std::string(QUELLORN_EXAMPLES "/") + files[slot]).c_str());
    std::vector<double> l(kBlock), r(kBlock);
    double* outs[] = {l.data(), r.data()};
    plug->RenderBlock(nullptr, outs, kBlock);
    for (int key : {36, 48, 60, 64, 67, 84}) {
        IMidiEvent on;
        on.status = 0x90;
        on.data1 = static_cast<unsigned char>(key);
        on.data2 = 100;
        plug->HandleMidiEvent(on);
    }
    plug->RenderBlock(nullptr, outs, kBlock);
    return plug;
}

IBox WholeEditor(const IEditorSurface& surface) { return {0, 0, surface.Width(), surface.Height()}; }

// What the window does on a tick: repaint what the controls report dirty, then the live
// row, held to the window's area.
void Tick(IEditorSurface& surface)
{
    IBox dirty;
    if (surface.CollectDirty(dirty))
        surface.PaintDirty(dirty);
    const IBox live = surface.LiveBox().Intersect(WholeEditor(surface));
    if (live.right - live.left > 0)
        surface.PaintDirty(live);
}

void FullRepaint(benchmark::State& state)
{
    auto plug = MakePlayingSampler();
    IEditorSurface& surface = *plug->Editor();
    for (auto _ : state) {
        surface.InvalidateAll();
        surface.PaintDirty(WholeEditor(surface));
        benchmark::DoNotOptimize(surface.Canvas().Pixels());
    }
}
BENCHMARK(FullRepaint)->Unit(benchmark::kMicrosecond);

void QuietTick(benchmark::State& state)
{
    auto plug = MakePlayingSampler();
    IEditorSurface& surface = *plug->Editor();
    surface.InvalidateAll();
    surface.PaintDirty(WholeEditor(surface));
    // Controls asked to paint once more after a pass get it on the following ticks.
    for (int i = 0; i < 3; ++i)
        Tick(surface);
    for (auto _ : state) {
        Tick(surface);
        benchmark::DoNotOptimize(surface.Canvas().Pixels());
    }
}
BENCHMARK(QuietTick)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
