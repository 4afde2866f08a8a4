// The raster operations a repaint of the editor is made of, in microseconds per call: a
// blit of the whole 504 x 492 canvas (the background, copied by Replace, and art laid with
// its alpha by each of the other methods), a 64 x 64 knob pointer turned with bilinear
// filtering, a full-canvas fill, a run of waveform lines and a line of knob text. A full
// repaint must stay within a millisecond.
#include "raster/RasterBlit.h"
#include "raster/RasterFill.h"
#include "raster/RasterFontCache.h"
#include "raster/RasterLine.h"
#include "raster/RasterRotate.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

namespace {

constexpr int kCanvasWidth = 504;
constexpr int kCanvasHeight = 492;

// Art-like pixels: opaque discs with a soft one-pixel rim on a clear ground, in shades that
// change across the image; about half the pixels are opaque.
IRaster Art(int width, int height)
{
    IRaster r(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int dx = x % 24 - 12, dy = y % 24 - 12, d2 = dx * dx + dy * dy;
            const std::uint32_t alpha = d2 < 81 ? 255u : d2 < 100 ? std::uint32_t(255 * (100 - d2) / 19) : 0u;
            r.Pixels()[std::size_t(y) * width + x] =
                alpha << 24 | std::uint32_t(x & 0xFF) << 16 | std::uint32_t(y & 0xFF) << 8 | 0x40;
        }
    return r;
}

void FullCanvasBlit(benchmark::State& state)
{
    const BlendMethod method = RasterBlend::MethodFromInt(int(state.range(0)));
    const IRaster art = Art(kCanvasWidth, kCanvasHeight);
    IRaster canvas(kCanvasWidth, kCanvasHeight);
    for (auto _ : state) {
        RasterBlit::Blit(canvas, art, 0, 0, 0, 0, kCanvasWidth, kCanvasHeight, 1.0f, method);
        benchmark::DoNotOptimize(canvas.Pixels());
    }
    state.SetItemsProcessed(state.iterations() * kCanvasWidth * kCanvasHeight);
}
BENCHMARK(FullCanvasBlit)->ArgName("method")->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

void FullCanvasBlitDimmed(benchmark::State& state)
{
    const IRaster art = Art(kCanvasWidth, kCanvasHeight);
    IRaster canvas(kCanvasWidth, kCanvasHeight);
    for (auto _ : state) {
        RasterBlit::Blit(canvas, art, 0, 0, 0, 0, kCanvasWidth, kCanvasHeight, 0.25f,
                         BlendMethod::Normal);
        benchmark::DoNotOptimize(canvas.Pixels());
    }
}
BENCHMARK(FullCanvasBlitDimmed)->Unit(benchmark::kMicrosecond);

void KnobRotation(benchmark::State& state)
{
    const IRaster pointer = Art(64, 64);
    IRaster canvas(kCanvasWidth, kCanvasHeight);
    float angle = -2.6f;
    for (auto _ : state) {
        RasterRotate::BlitRotated(canvas, pointer, 100, 300, 64, 64, -0.3f, -0.3f, 64.0f, 64.0f,
                                  angle, 1.0f, BlendMethod::Normal);
        angle = angle > 2.6f ? -2.6f : angle + 0.01f;
        benchmark::DoNotOptimize(canvas.Pixels());
    }
}
BENCHMARK(KnobRotation)->Unit(benchmark::kMicrosecond);

void FullCanvasFill(benchmark::State& state)
{
    IRaster canvas(kCanvasWidth, kCanvasHeight);
    for (auto _ : state) {
        RasterFill::FillRect(canvas, 0, 0, kCanvasWidth, kCanvasHeight, 0x80405060, 1.0f,
                             BlendMethod::Normal);
        benchmark::DoNotOptimize(canvas.Pixels());
    }
}
BENCHMARK(FullCanvasFill)->Unit(benchmark::kMicrosecond);

// One slot's waveform: a vertical line per column of a 160-pixel display.
void WaveformLines(benchmark::State& state)
{
    IRaster canvas(kCanvasWidth, kCanvasHeight);
    for (auto _ : state) {
        for (int i = 0; i < 160; ++i)
            RasterLine::DrawLine(canvas, 10 + i, 200 - (i * 7) % 40, 10 + i, 200 + (i * 13) % 40,
                                 0x82C8C8D2, 130.0f / 255.0f, BlendMethod::Normal, false);
        benchmark::DoNotOptimize(canvas.Pixels());
    }
}
BENCHMARK(WaveformLines)->Unit(benchmark::kMicrosecond);

// A knob's value text, centred and translucent, with the glyphs already rendered (the
// first paint renders them once per font): the cost each text on the editor adds.
void KnobValueText(benchmark::State& state)
{
    RasterFontKey key;
    std::strcpy(key.face, "Arial");
    key.pixelHeight = 15;
    RasterFont* font = RasterFontCache::Get(key);
    IRaster canvas(kCanvasWidth, kCanvasHeight);
    for (auto _ : state) {
        font->DrawText(canvas, "-12.5 dB", 100, 200, 160, 218, 0xE6FFFFFF,
                       RasterText::kCentre | RasterText::kNoClip | RasterText::kUseColourAlpha);
        benchmark::DoNotOptimize(canvas.Pixels());
    }
}
BENCHMARK(KnobValueText)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
