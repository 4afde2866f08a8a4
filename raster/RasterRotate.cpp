#include "raster/RasterRotate.h"

#include "raster/RasterTrig.h"

#include <algorithm>
#include <cstdint>

namespace RasterRotate {

namespace {

constexpr int kTrigBits = 20;
constexpr int kPositionBits = 16;

// v / 2^bits rounded toward minus infinity. GCC, which builds both targets, defines >> on
// negative values as the arithmetic shift (C++20 requires it of every compiler).
std::int64_t FloorShift(std::int64_t v, int bits) { return v >> bits; }

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
    std::uint32_t p[4];
    if (x0 >= 0 && y0 >= 0 && x0 + 1 < src.Width() && y0 + 1 < src.Height()) {
        const std::uint32_t* at = src.Pixels() + std::size_t(y0) * std::size_t(src.Width()) + std::size_t(x0);
        p[0] = at[0];
        p[1] = at[1];
        p[2] = at[src.Width()];
        p[3] = at[src.Width() + 1];
    } else {
        p[0] = PixelAt(src, x0, y0);
        p[1] = PixelAt(src, x0 + 1, y0);
        p[2] = PixelAt(src, x0, y0 + 1);
        p[3] = PixelAt(src, x0 + 1, y0 + 1);
    }
    const std::uint32_t w[4] = { (256 - fx) * (256 - fy), fx * (256 - fy), (256 - fx) * fy,
                                 fx * fy };
    if (p[0] >> 24 == p[1] >> 24 && p[0] >> 24 == p[2] >> 24 && p[0] >> 24 == p[3] >> 24) {
        // Equal alphas cancel out of the division below, leaving a plain weighted mean;
        // the inside of opaque art and clear areas take this path.
        const std::uint32_t a = p[0] >> 24;
        if (a == 0)
            return 0;
        std::uint32_t red = 32768, green = 32768, blue = 32768;
        for (int i = 0; i < 4; ++i) {
            red += w[i] * (p[i] >> 16 & 0xFF);
            green += w[i] * (p[i] >> 8 & 0xFF);
            blue += w[i] * (p[i] & 0xFF);
        }
        return RasterBlend::Pack(a, red >> 16, green >> 16, blue >> 16);
    }
    // 32 bits suffice: the weights sum to 65536, so a colour sum stays below
    // 65536 x 255 x 255 + 65536 x 255 / 2 < 2^32.
    std::uint32_t alpha = 0, red = 0, green = 0, blue = 0;
    for (int i = 0; i < 4; ++i) {
        const std::uint32_t wa = w[i] * (p[i] >> 24);
        alpha += wa;
        red += wa * (p[i] >> 16 & 0xFF);
        green += wa * (p[i] >> 8 & 0xFF);
        blue += wa * (p[i] & 0xFF);
    }
    const std::uint32_t a = (alpha + 32768) >> 16;
    if (a == 0)
        return 0;
    const std::uint32_t half = alpha / 2;
    return RasterBlend::Pack(a, (red + half) / alpha, (green + half) / alpha, (blue + half) / alpha);
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
    const bool unscaled = scaleX == (1 << kPositionBits) && scaleY == (1 << kPositionBits);

    RasterBlend::WithMethod(method, [&](auto m) {
        constexpr BlendMethod kMethod = decltype(m)::value;
        for (std::int64_t y = top; y < bottom; ++y) {
            // Offsets of the pixel's centre from the rectangle's centre, in 1/65536 pixel,
            // turned: the unrounded products move by a whole pixel's worth per column, so
            // stepping them gives exactly what multiplying at each pixel would.
            const std::int64_t v = (2 * (y - destY) + 1 - destHeight) * half;
            const std::int64_t u0 = (2 * (left - destX) + 1 - destWidth) * half;
            std::int64_t turnedU = u0 * cosine + v * sine;
            std::int64_t turnedV = v * cosine - u0 * sine;
            const std::int64_t stepU = 2 * half * cosine, stepV = -2 * half * sine;
            std::uint32_t* row = dest.Pixels() + std::size_t(y) * stride;
            for (std::int64_t x = left; x < right; ++x, turnedU += stepU, turnedV += stepV) {
                const std::int64_t su = RoundShift(turnedU, kTrigBits);
                const std::int64_t sv = RoundShift(turnedV, kTrigBits);
                // Scaling by exactly 1 (the editor's case) leaves the offsets as they are.
                const std::int64_t sx = centreX + (unscaled ? su : RoundShift(su * scaleX, kPositionBits));
                const std::int64_t sy = centreY + (unscaled ? sv : RoundShift(sv * scaleY, kPositionBits));
                const std::int64_t x0 = FloorShift(sx, kPositionBits);
                const std::int64_t y0 = FloorShift(sy, kPositionBits);
                const std::uint32_t fx = std::uint32_t((sx - x0 * 65536) >> 8);
                const std::uint32_t fy = std::uint32_t((sy - y0 * 65536) >> 8);
                const std::uint32_t s = Sample(src, x0, y0, fx, fy);
                if (kMethod != BlendMethod::Replace && s == 0)
                    continue;
                // What blending an opaque sample at full opacity gives, without the arithmetic.
                if ((kMethod == BlendMethod::Normal || kMethod == BlendMethod::Replace) && op == 255 &&
                    s >= 0xFF000000u)
                    row[x] = s;
                else
                    row[x] = RasterBlend::BlendPixel<kMethod>(row[x], s, op);
            }
        }
    });
}

} // namespace RasterRotate
