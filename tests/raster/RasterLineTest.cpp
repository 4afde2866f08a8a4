// Lines: the pixels of known plain and antialiased lines, end points included; the same
// pixels with the ends swapped and mirrored ones for mirrored lines; lines that start far
// outside the raster; end points beyond the supported range.
#include "raster/RasterLine.h"
#include "tests/raster/RasterTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <utility>
#include <vector>

using namespace RasterTestSupport;

namespace {

struct Pixel {
    int x, y;
    std::uint32_t value;
};

// White lines on opaque black: a pixel's grey level is its weight.
IRaster DrawOnBlack(int w, int h, int x1, int y1, int x2, int y2, bool antialias)
{
    IRaster r(w, h);
    std::fill(r.Pixels(), r.Pixels() + w * h, 0xFF000000u);
    RasterLine::DrawLine(r, x1, y1, x2, y2, 0x00FFFFFF, 1.0f, BlendMethod::Normal, antialias);
    return r;
}

TEST(RasterLine, DrawsTheExpectedPixels)
{
    const std::uint32_t W = 0xFFFFFFFF;
    const struct Case {
        int x1, y1, x2, y2;
        bool antialias;
        std::vector<Pixel> lit; // every other pixel stays black
    } cases[] = {
        { 1, 1, 1, 1, false, { { 1, 1, W } } },
        { 0, 0, 3, 0, false, { { 0, 0, W }, { 1, 0, W }, { 2, 0, W }, { 3, 0, W } } },
        { 2, 3, 2, 1, false, { { 2, 1, W }, { 2, 2, W }, { 2, 3, W } } },
        { 0, 0, 4, 2, false, { { 0, 0, W }, { 1, 1, W }, { 2, 1, W }, { 3, 2, W }, { 4, 2, W } } },
        { 0, 0, 2, 2, true, { { 0, 0, W }, { 1, 1, W }, { 2, 2, W } } },
        // Quarter and half steps: weights 192/64 and 128/128 of 256.
        { 0, 0, 4, 1, true,
          { { 0, 0, W }, { 1, 0, 0xFFBFBFBF }, { 1, 1, 0xFF404040 }, { 2, 0, 0xFF808080 },
            { 2, 1, 0xFF808080 }, { 3, 0, 0xFF404040 }, { 3, 1, 0xFFBFBFBF }, { 4, 1, W } } },
        // A horizontal line far longer than the raster, and one that only passes it.
        { -1000000000, 2, 1000000000, 2, false,
          { { 0, 2, W }, { 1, 2, W }, { 2, 2, W }, { 3, 2, W }, { 4, 2, W } } },
        { -5, -7, 9, -1, true, {} },
        // Beyond the supported range: nothing at all.
        { INT_MIN, 0, INT_MAX, 0, false, {} },
        { 0, 0, 0, RasterLine::kMaxCoordinate + 1, true, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.x1 << "," << c.y1 << " - " << c.x2 << "," << c.y2
                                          << (c.antialias ? " antialiased" : " plain"));
        const IRaster r = DrawOnBlack(5, 4, c.x1, c.y1, c.x2, c.y2, c.antialias);
        std::vector<std::uint32_t> expected(5 * 4, 0xFF000000u);
        for (const Pixel& p : c.lit)
            expected[p.y * 5 + p.x] = p.value;
        EXPECT_EQ(PixelsOf(r), expected);
    }
}

TEST(RasterLine, AntialiasingIsSymmetric)
{
    // Lines of every slope, some running off the raster, against the same line with its ends
    // swapped, mirrored left-right, mirrored top-bottom and transposed.
    constexpr int n = 17;
    const auto pixel = [](const IRaster& r, int x, int y) { return At(r, x, y); };
    std::mt19937 rng(21);
    for (int i = 0; i < 300; ++i) {
        const int x1 = int(rng() % 29) - 6, y1 = int(rng() % 29) - 6;
        const int x2 = int(rng() % 29) - 6, y2 = int(rng() % 29) - 6;
        SCOPED_TRACE(::testing::Message() << x1 << "," << y1 << " - " << x2 << "," << y2);
        const IRaster line = DrawOnBlack(n, n, x1, y1, x2, y2, true);
        EXPECT_EQ(PixelsOf(DrawOnBlack(n, n, x2, y2, x1, y1, true)), PixelsOf(line));
        const IRaster flipX = DrawOnBlack(n, n, n - 1 - x1, y1, n - 1 - x2, y2, true);
        const IRaster flipY = DrawOnBlack(n, n, x1, n - 1 - y1, x2, n - 1 - y2, true);
        const IRaster swapped = DrawOnBlack(n, n, y1, x1, y2, x2, true);
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                ASSERT_EQ(pixel(flipX, n - 1 - x, y), pixel(line, x, y)) << x << "," << y;
                ASSERT_EQ(pixel(flipY, x, n - 1 - y), pixel(line, x, y)) << x << "," << y;
                ASSERT_EQ(pixel(swapped, y, x), pixel(line, x, y)) << x << "," << y;
            }
    }
}

TEST(RasterLine, PlainLinesTakeOnePixelPerStepWhateverTheirDirection)
{
    std::mt19937 rng(22);
    for (int i = 0; i < 300; ++i) {
        const int x1 = int(rng() % 40), y1 = int(rng() % 30);
        const int x2 = int(rng() % 40), y2 = int(rng() % 30);
        SCOPED_TRACE(::testing::Message() << x1 << "," << y1 << " - " << x2 << "," << y2);
        const IRaster line = DrawOnBlack(40, 30, x1, y1, x2, y2, false);
        EXPECT_EQ(PixelsOf(DrawOnBlack(40, 30, x2, y2, x1, y1, false)), PixelsOf(line));
        EXPECT_EQ(At(line, x1, y1), 0xFFFFFFFFu);
        EXPECT_EQ(At(line, x2, y2), 0xFFFFFFFFu);
        int lit = 0;
        for (const std::uint32_t p : PixelsOf(line))
            lit += p == 0xFFFFFFFFu;
        EXPECT_EQ(lit, std::max(std::abs(x2 - x1), std::abs(y2 - y1)) + 1);
    }
}

} // namespace
