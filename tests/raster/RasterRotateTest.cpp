// The rotated blit against copies made by index arithmetic: a quarter turn is a transpose
// with one axis reversed, no turn is a plain blit, and a half-pixel shift filters two pixels
// by their alpha. Also the portable sine and cosine it turns angles with, and arguments that
// must draw nothing.
#include "raster/RasterBlit.h"
#include "raster/RasterFill.h"
#include "raster/RasterRotate.h"
#include "raster/RasterTrig.h"
#include "tests/raster/RasterTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

using namespace RasterTestSupport;

namespace {

constexpr double kPi = 3.14159265358979323846;

TEST(RasterRotate, QuarterTurnsMatchTransposedCopies)
{
    // Clockwise by a quarter: destination (x, y) shows source (y, n - 1 - x), and so on.
    const struct Turn {
        float angle;
        int (*srcX)(int x, int y, int n);
        int (*srcY)(int x, int y, int n);
    } turns[] = {
        { float(kPi / 2), [](int, int y, int) { return y; }, [](int x, int, int n) { return n - 1 - x; } },
        { float(-kPi / 2), [](int, int y, int n) { return n - 1 - y; }, [](int x, int, int) { return x; } },
        { float(kPi), [](int x, int, int n) { return n - 1 - x; }, [](int, int y, int n) { return n - 1 - y; } },
        { float(3 * kPi / 2), [](int, int y, int n) { return n - 1 - y; }, [](int x, int, int) { return x; } },
        { float(2 * kPi), [](int x, int, int) { return x; }, [](int, int y, int) { return y; } },
    };
    for (const int n : { 4, 5, 64 }) {
        for (const Turn& t : turns) {
            SCOPED_TRACE(::testing::Message() << "size " << n << " angle " << t.angle);
            const IRaster src = RandomRaster(n, n, 7, 1);
            IRaster dest(n, n);
            RasterRotate::BlitRotated(dest, src, 0, 0, n, n, 0.0f, 0.0f, float(n), float(n),
                                      t.angle, 1.0f, BlendMethod::Replace);
            for (int y = 0; y < n; ++y)
                for (int x = 0; x < n; ++x)
                    ASSERT_EQ(At(dest, x, y), At(src, t.srcX(x, y, n), t.srcY(x, y, n)))
                        << "at " << x << "," << y;
        }
    }
}

TEST(RasterRotate, NoTurnEqualsAPlainBlitForEveryMethod)
{
    // Transparent source pixels carry no colour through the filter, so they are zero here.
    IRaster src = RandomRaster(9, 7, 11, 1);
    src.Pixels()[3] = src.Pixels()[20] = 0;
    const struct Place {
        int destX, destY, srcX, srcY;
    } places[] = { { 2, 3, 0, 0 }, { -3, -2, 1, 2 }, { 10, 8, 0, 0 }, { 0, 0, -2, 3 } };
    for (int method = 0; method < 4; ++method) {
        for (const Place& p : places) {
            SCOPED_TRACE(::testing::Message() << "method " << method << " at " << p.destX << ","
                                              << p.destY << " from " << p.srcX << "," << p.srcY);
            const BlendMethod m = RasterBlend::MethodFromInt(method);
            IRaster turned = RandomRaster(14, 12, 12, 1), blitted = turned, cleared = turned;
            RasterRotate::BlitRotated(turned, src, p.destX, p.destY, 6, 5, float(p.srcX),
                                      float(p.srcY), 6.0f, 5.0f, 0.0f, 0.6f, m);
            RasterBlit::Blit(blitted, src, p.destX, p.destY, p.srcX, p.srcY, 6, 5, 0.6f, m);
            // Outside the source the turned copy reads transparent pixels, which leave the
            // destination alone except with Replace, which clears it.
            RasterFill::FillRect(cleared, p.destX, p.destY, 6, 5, 0, 0.6f, m);
            for (int y = 0; y < turned.Height(); ++y)
                for (int x = 0; x < turned.Width(); ++x) {
                    const int sx = x - p.destX + p.srcX, sy = y - p.destY + p.srcY;
                    const bool inSource = sx >= 0 && sy >= 0 && sx < src.Width() && sy < src.Height();
                    if (!inSource && m == BlendMethod::Replace)
                        blitted.Pixels()[y * blitted.Width() + x] = At(cleared, x, y);
                }
            EXPECT_EQ(PixelsOf(turned), PixelsOf(blitted));
        }
    }
}

TEST(RasterRotate, FiltersByAlphaBetweenPixels)
{
    // Red beside a transparent pixel, sampled halfway between them: half as opaque, still
    // fully red (a straight average would have darkened it toward the transparent black).
    IRaster src(2, 1), dest(1, 1);
    src.Pixels()[0] = 0xFFFF0000;
    src.Pixels()[1] = 0x00000000;
    RasterRotate::BlitRotated(dest, src, 0, 0, 1, 1, 0.5f, 0.0f, 1.0f, 1.0f, 0.0f, 1.0f,
                              BlendMethod::Replace);
    EXPECT_EQ(dest.Pixels()[0], 0x80FF0000u);
    // A quarter of the way from red to opaque blue.
    src.Pixels()[1] = 0xFF0000FF;
    RasterRotate::BlitRotated(dest, src, 0, 0, 1, 1, 0.25f, 0.0f, 1.0f, 1.0f, 0.0f, 1.0f,
                              BlendMethod::Replace);
    EXPECT_EQ(dest.Pixels()[0], 0xFFBF0040u);
}

TEST(RasterRotate, DamagedArgumentsDrawNothing)
{
    const float inf = std::numeric_limits<float>::infinity(), nan = std::nanf("");
    const IRaster src = RandomRaster(8, 8, 13, 1);
    const struct Args {
        int destX, destY, destW, destH;
        float srcX, srcY, srcW, srcH, angle, opacity;
    } cases[] = {
        { 0, 0, 8, 8, 0, 0, 8, 8, nan, 1 },       { 0, 0, 8, 8, 0, 0, 8, 8, inf, 1 },
        { 0, 0, 8, 8, 0, 0, 8, 8, 2e6f, 1 },      { 0, 0, 8, 8, nan, 0, 8, 8, 0, 1 },
        { 0, 0, 8, 8, 0, -inf, 8, 8, 0, 1 },      { 0, 0, 8, 8, 0, 0, nan, 8, 0, 1 },
        { 0, 0, 8, 8, 0, 0, 8, 0, 0, 1 },         { 0, 0, 8, 8, 0, 0, 8, 1e9f, 0, 1 },
        { 0, 0, 0, 8, 0, 0, 8, 8, 0, 1 },         { 0, 0, INT_MAX, 8, 0, 0, 8, 8, 0, 1 },
        { 0, 0, 8, -8, 0, 0, 8, 8, 0, 1 },        { 8, 0, 8, 8, 0, 0, 8, 8, 0, 1 },
        { INT_MIN, INT_MIN, 8, 8, 0, 0, 8, 8, 0, 1 }, { 0, 0, 8, 8, 0, 0, 8, 8, 0, nan },
        { 0, 0, 8, 8, 1e30f, 0, 8, 8, 1, 1 },
    };
    for (const Args& a : cases) {
        SCOPED_TRACE(::testing::Message() << a.destX << "," << a.destY << " " << a.destW << "x"
                                          << a.destH << " src " << a.srcX << "," << a.srcY << " "
                                          << a.srcW << "x" << a.srcH << " angle " << a.angle);
        IRaster dest = RandomRaster(8, 8, 14);
        const IRaster before = dest;
        RasterRotate::BlitRotated(dest, src, a.destX, a.destY, a.destW, a.destH, a.srcX, a.srcY,
                                  a.srcW, a.srcH, a.angle, a.opacity, BlendMethod::Replace);
        EXPECT_EQ(PixelsOf(dest), PixelsOf(before));
    }
    // Far from the destination's origin the rectangle is cut to the raster, safely.
    IRaster dest(8, 8);
    RasterRotate::BlitRotated(dest, src, -RasterRotate::kMaxSize + 4, 0, RasterRotate::kMaxSize,
                              RasterRotate::kMaxSize, 0, 0, 8, 8, 1.0f, 1.0f, BlendMethod::Replace);
    RasterRotate::BlitRotated(dest, dest, 0, 0, 8, 8, 0, 0, 8, 8, 1.0f, 1.0f, BlendMethod::Replace);
}

TEST(RasterRotate, PortableSineAndCosineAreAccurate)
{
    RasterTrig::SinCos sc;
    for (double a = -40.0; a <= 40.0; a += 0.0137) {
        ASSERT_TRUE(RasterTrig::PortableSinCos(a, sc));
        ASSERT_NEAR(sc.sine, std::sin(a), 1e-15) << a;
        ASSERT_NEAR(sc.cosine, std::cos(a), 1e-15) << a;
    }
    ASSERT_TRUE(RasterTrig::PortableSinCos(RasterTrig::kMaxAngle, sc));
    EXPECT_NEAR(sc.sine, std::sin(RasterTrig::kMaxAngle), 1e-9);
    EXPECT_FALSE(RasterTrig::PortableSinCos(std::nan(""), sc));
    EXPECT_FALSE(RasterTrig::PortableSinCos(-RasterTrig::kMaxAngle * 2, sc));
}

} // namespace
