#include "raster/RasterRotate.h"

#include "raster/RasterTrig.h"

#include <algorithm>
#include <cstdint>

namespace RasterRotate {

namespace {

constexpr int kTrigBits = 20;
constexpr int kPositionBits = 16;

// v / 2^bits rounded toward minus infinity; right shifts of negative values are not
// portable C++, so the negative side is done on the magnitude.
std::int64_t FloorShift(std::int64_t v, int bits)
{
    return v >= 0 ? v >> bits : -((-v + (std::int64_t(1) << bits) - 1) >> bits);
}

std::int64_t RoundShift(std::int64_t v, int bits)
{
    return FloorShift(v + (std::int64_t(1) << (bits - 1)), bits);
}

std::int64_t RoundToInt(double v) { return static_cast<std::int64_t>(v >= 0.0 ? v + 0.5 : v - 0.5); }

bool Within(float v, float limit) { return v >= -limit && v <= limit; } // false for NaN

// The source at pixel (x, y) of `src`, transparent outside it.
std::uint32_t PixelAt(const IRaster& src, std::int64_t x, std::int64_t y)
{
    if (x < 0 || y < 0 || x >= src.Width() || y >= src.Height())
        return 0;
    return src.Pixels()[std::size_t(y) * std::size_t(src.Width()) + std::size_t(x)];
}

// Bilinear sample at (x0 + fx/256, y0 + fy/256) in pixel-index space.
std::uint32_t Sample(const IRaster& src, std::int64_t x0, std::int64_t y0, std::uint32_t fx,
                     std::uint32_t fy)
{
    if (fx == 0 && fy == 0) {
        // The filter's result for a single pixel: itself, or nothing when it is invisible.
        const std::uint32_t p = PixelAt(src, x0, y0);
        return p < 0x01000000u ? 0u : p;
    }
    const std::uint32_t p[4] = { PixelAt(src, x0, y0), PixelAt(src, x0 + 1, y0),
                                 PixelAt(src, x0, y0 + 1), PixelAt(src, x0 + 1, y0 + 1) };
    const std::uint32_t w[4] = { (256 - fx) * (256 - fy), fx * (256 - fy), (256 - fx) * fy,
                                 fx * fy };
    std::uint64_t alpha = 0, red = 0, green = 0, blue = 0;
    for (int i = 0; i < 4; ++i) {
        const std::uint64_t wa = std::uint64_t(w[i]) * (p[i] >> 24);
        alpha += wa;
        red += wa * (p[i] >> 16 & 0xFF);
        green += wa * (p[i] >> 8 & 0xFF);
        blue += wa * (p[i] & 0xFF);
    }
    const std::uint64_t a = (alpha + 32768) >> 16;
    if (a == 0)
        return 0;
    const std::uint64_t half = alpha / 2;
    return RasterBlend::Pack(std::uint32_t(a), std::uint32_t((red + half) / alpha),
                             std::uint32_t((green + half) / alpha),
                             std::uint32_t((blue + half) / alpha));
}

} // namespace

void BlitRotated(IRaster& dest, const IRaster& src, int destX, int destY, int destWidth,
                 int destHeight, float srcX, float srcY, float srcWidth, float srcHeight,
                 float angle, float opacity, BlendMethod method)
{
    if (destWidth <= 0 || destHeight <= 0 || destWidth > kMaxSize || destHeight > kMaxSize)
        return;
    if (!(srcWidth > 0.0f && srcWidth <= kMaxSize && srcHeight > 0.0f && srcHeight <= kMaxSize))
        return;
    if (!Within(srcX, kMaxPosition) || !Within(srcY, kMaxPosition) || &dest == &src)
        return;
    RasterTrig::SinCos turn;
    if (!RasterTrig::PortableSinCos(angle, turn))
        return;
    const std::uint32_t op = RasterBlend::OpacityByte(opacity);
    const std::int64_t left = std::max(destX, 0);
    const std::int64_t top = std::max(destY, 0);
    const std::int64_t right = std::min<std::int64_t>(std::int64_t(destX) + destWidth, dest.Width());
    const std::int64_t bottom =
        std::min<std::int64_t>(std::int64_t(destY) + destHeight, dest.Height());
    if (op == 0 || left >= right || top >= bottom)
        return;

    const std::int64_t cosine = RoundToInt(turn.cosine * (1 << kTrigBits));
    const std::int64_t sine = RoundToInt(turn.sine * (1 << kTrigBits));
    const std::int64_t scaleX = RoundToInt(double(srcWidth) / destWidth * (1 << kPositionBits));
    const std::int64_t scaleY = RoundToInt(double(srcHeight) / destHeight * (1 << kPositionBits));
    // The source rectangle's centre in pixel-index space (pixel k's centre lies at k).
    const std::int64_t half = std::int64_t(1) << (kPositionBits - 1);
    const std::int64_t centreX =
        RoundToInt((double(srcX) + double(srcWidth) * 0.5) * (1 << kPositionBits)) - half;
    const std::int64_t centreY =
        RoundToInt((double(srcY) + double(srcHeight) * 0.5) * (1 << kPositionBits)) - half;
    const std::size_t stride = std::size_t(dest.Width());

    RasterBlend::WithMethod(method, [&](auto m) {
        constexpr BlendMethod kMethod = decltype(m)::value;
        for (std::int64_t y = top; y < bottom; ++y) {
            // Offsets of the pixel's centre from the rectangle's centre, in 1/65536 pixel.
            const std::int64_t v = (2 * (y - destY) + 1 - destHeight) * half;
            std::uint32_t* row = dest.Pixels() + std::size_t(y) * stride;
            for (std::int64_t x = left; x < right; ++x) {
                const std::int64_t u = (2 * (x - destX) + 1 - destWidth) * half;
                const std::int64_t su = RoundShift(u * cosine + v * sine, kTrigBits);
                const std::int64_t sv = RoundShift(v * cosine - u * sine, kTrigBits);
                const std::int64_t sx = centreX + RoundShift(su * scaleX, kPositionBits);
                const std::int64_t sy = centreY + RoundShift(sv * scaleY, kPositionBits);
                const std::int64_t x0 = FloorShift(sx, kPositionBits);
                const std::int64_t y0 = FloorShift(sy, kPositionBits);
                const std::uint32_t fx = std::uint32_t((sx - x0 * 65536) >> 8);
                const std::uint32_t fy = std::uint32_t((sy - y0 * 65536) >> 8);
                const std::uint32_t s = Sample(src, x0, y0, fx, fy);
                if (kMethod != BlendMethod::Replace && s == 0)
                    continue;
                row[x] = RasterBlend::BlendPixel<kMethod>(row[x], s, op);
            }
        }
    });
}

} // namespace RasterRotate
