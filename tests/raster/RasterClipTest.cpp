// Blits and fills at and beyond the rasters' edges: every pixel against a per-pixel
// reference that does its arithmetic in 64 bits, for negative origins, huge sizes and
// positions at the ends of the int range. Nothing outside a raster may be touched (the
// sanitizer build checks the reads).
#include "raster/RasterBlit.h"
#include "raster/RasterFill.h"
#include "tests/raster/RasterTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

using namespace RasterTestSupport;

namespace {

struct Rect {
    int x, y, w, h;
};

bool Inside(std::int64_t v, std::int64_t start, std::int64_t length)
{
    return v >= start && v < start + length;
}

const Rect kHostileRects[] = {
    { 0, 0, 7, 5 }, { 2, 1, 3, 2 }, { -3, -2, 6, 5 }, { 5, 4, 10, 10 }, { -100, -100, 50, 50 },
    { 7, 5, 1, 1 }, { 0, 0, 0, 3 }, { 1, 1, -4, 2 }, { 3, 2, INT_MAX, INT_MAX },
    { INT_MIN, INT_MIN, INT_MAX, INT_MAX }, { -1, -1, INT_MAX, INT_MAX }, { INT_MAX, 0, 5, 5 },
    { 0, INT_MAX, INT_MAX, INT_MAX }, { INT_MIN, 0, -1, 3 },
};

TEST(RasterClip, BlitCopiesExactlyThePartInsideBothRasters)
{
    const IRaster src = RandomRaster(6, 4, 1);
    const struct Place {
        int srcX, srcY;
    } sources[] = { { 0, 0 }, { 2, 1 }, { -2, -3 }, { 5, 3 }, { INT_MIN, 0 }, { 0, INT_MAX } };
    for (const Rect& r : kHostileRects) {
        for (const Place& s : sources) {
            SCOPED_TRACE(::testing::Message() << "dest " << r.x << "," << r.y << " size " << r.w
                                              << "x" << r.h << " src " << s.srcX << "," << s.srcY);
            IRaster dest = RandomRaster(7, 5, 2);
            const IRaster before = dest;
            RasterBlit::Blit(dest, src, r.x, r.y, s.srcX, s.srcY, r.w, r.h, 1.0f,
                             BlendMethod::Replace);
            for (int y = 0; y < dest.Height(); ++y)
                for (int x = 0; x < dest.Width(); ++x) {
                    const std::int64_t sx = std::int64_t(x) - r.x + s.srcX;
                    const std::int64_t sy = std::int64_t(y) - r.y + s.srcY;
                    const bool copied = Inside(x, r.x, r.w) && Inside(y, r.y, r.h) &&
                                        Inside(sx, 0, src.Width()) && Inside(sy, 0, src.Height());
                    ASSERT_EQ(At(dest, x, y), copied ? At(src, int(sx), int(sy)) : At(before, x, y))
                        << "at " << x << "," << y;
                }
        }
    }
}

TEST(RasterClip, FillCoversExactlyThePartInsideTheRaster)
{
    for (const Rect& r : kHostileRects) {
        SCOPED_TRACE(::testing::Message() << r.x << "," << r.y << " size " << r.w << "x" << r.h);
        IRaster dest = RandomRaster(7, 5, 3);
        const IRaster before = dest;
        RasterFill::FillRect(dest, r.x, r.y, r.w, r.h, 0x12345678, 1.0f, BlendMethod::Replace);
        for (int y = 0; y < dest.Height(); ++y)
            for (int x = 0; x < dest.Width(); ++x)
                ASSERT_EQ(At(dest, x, y),
                          Inside(x, r.x, r.w) && Inside(y, r.y, r.h) ? 0x12345678u : At(before, x, y))
                    << "at " << x << "," << y;
    }
}

TEST(RasterClip, EmptyRastersAreLeftAlone)
{
    IRaster empty, one = RandomRaster(1, 1, 4);
    const IRaster before = one;
    RasterBlit::Blit(empty, one, 0, 0, 0, 0, 1, 1, 1.0f, BlendMethod::Replace);
    RasterBlit::Blit(one, empty, 0, 0, 0, 0, 1, 1, 1.0f, BlendMethod::Replace);
    RasterFill::FillRect(empty, 0, 0, 1, 1, 0xFFFFFFFF, 1.0f, BlendMethod::Normal);
    EXPECT_EQ(PixelsOf(one), PixelsOf(before));
    EXPECT_EQ(empty.Width(), 0);
}

TEST(RasterClip, BlitOntoItselfActsAsIfFromACopy)
{
    const struct Shift {
        int dx, dy;
    } shifts[] = { { 1, 1 }, { -1, -2 }, { 2, 0 }, { 0, -1 }, { 0, 0 } };
    for (const BlendMethod method : { BlendMethod::Replace, BlendMethod::Add }) {
        for (const Shift& s : shifts) {
            SCOPED_TRACE(::testing::Message() << s.dx << "," << s.dy);
            IRaster self = RandomRaster(8, 6, 5), expected = self;
            const IRaster copy = self;
            RasterBlit::Blit(expected, copy, 1 + s.dx, 1 + s.dy, 1, 1, 5, 4, 0.7f, method);
            RasterBlit::Blit(self, self, 1 + s.dx, 1 + s.dy, 1, 1, 5, 4, 0.7f, method);
            EXPECT_EQ(PixelsOf(self), PixelsOf(expected));
        }
    }
}

} // namespace
