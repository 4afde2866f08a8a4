// How one source pixel (or a solid colour) is laid onto one destination pixel: the four
// blend methods and the opacity. Every drawing operation of the raster layer ends here, so
// all of them round the same way.
//
// Pixels are straight (not premultiplied) ARGB words, alpha in the top byte. The arithmetic
// is integer only, with one documented rounding: a product of two bytes is scaled back by
// Div255(v) = (v + 127) / 255, i.e. rounded to nearest, and a mix of two bytes by weight a
// (0..255) is (s * a + d * (255 - a) + 127) / 255. The one float, the opacity, becomes a byte
// by OpacityByte below (a single IEEE single-precision multiply and add, the same on every
// x86-64 build). So a raster drawn by any build holds the same bits.
//
// Pure functions: callable from any thread on rasters that thread owns.
#pragma once

#include <cstdint>
#include <type_traits>

enum class BlendMethod : int {
    Normal = 0, // composite the source over the destination by the source's alpha
    Replace = 1, // copy every channel, alpha included, ignoring the source's alpha
    Add = 2, // add the source's colour, weighted by its alpha, saturating at 255
    Dodge = 3, // colour dodge (d / (1 - s)), weighted by the source's alpha
};

namespace RasterBlend {

// The editor passes a method number; anything unknown (a damaged value) draws as Normal.
inline BlendMethod MethodFromInt(int method)
{
    return method >= 0 && method <= 3 ? static_cast<BlendMethod>(method) : BlendMethod::Normal;
}

// Opacity 0.0..1.0 as a byte, rounded half up; NaN and values at or below 0 give 0, values
// at or above 1 give 255.
inline std::uint32_t OpacityByte(float opacity)
{
    if (!(opacity > 0.0f))
        return 0;
    if (opacity >= 1.0f)
        return 255;
    return static_cast<std::uint32_t>(opacity * 255.0f + 0.5f);
}

inline std::uint32_t Div255(std::uint32_t v) { return (v + 127u) / 255u; }

inline std::uint32_t Mix(std::uint32_t d, std::uint32_t s, std::uint32_t a)
{
    return (s * a + d * (255u - a) + 127u) / 255u;
}

inline std::uint32_t Pack(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b)
{
    return a << 24 | r << 16 | g << 8 | b;
}

// d / (1 - s) on bytes, rounded, saturating; a black destination stays black.
inline std::uint32_t DodgeChannel(std::uint32_t d, std::uint32_t s)
{
    if (d == 0)
        return 0;
    if (s >= 255)
        return 255;
    const std::uint32_t v = (d * 255u + (255u - s) / 2u) / (255u - s);
    return v > 255u ? 255u : v;
}

// Mix on all four channels at once, two channels in each 16-bit lane of a word, with the
// same rounding: x / 255 = (x + 1 + (x >> 8)) >> 8 holds exactly for every x <= 65534, and
// no lane exceeds 255 x 255 + 127 + 255 here, so the lanes never carry into each other.
inline std::uint32_t Mix4(std::uint32_t d, std::uint32_t s, std::uint32_t a)
{
    const std::uint32_t na = 255u - a;
    std::uint32_t rb = (s & 0x00FF00FFu) * a + (d & 0x00FF00FFu) * na + 0x007F007Fu;
    std::uint32_t ag = (s >> 8 & 0x00FF00FFu) * a + (d >> 8 & 0x00FF00FFu) * na + 0x007F007Fu;
    rb = (rb + 0x00010001u + (rb >> 8 & 0x00FF00FFu)) >> 8 & 0x00FF00FFu;
    ag = (ag + 0x00010001u + (ag >> 8 & 0x00FF00FFu)) & 0xFF00FF00u;
    return rb | ag;
}

// Lays source pixel `s` onto `d` with the method and an opacity byte `op`. The methods that
// use the source's alpha weight by w = Div255(alpha x opacity); the destination's alpha then
// becomes da + Div255((255 - da) x w), which is Mix(da, 255, w) (the source covers what it
// covers). Replace mixes all four channels by the opacity alone, so at 255 it is an exact
// copy.
template <BlendMethod kMethod>
inline std::uint32_t BlendPixel(std::uint32_t d, std::uint32_t s, std::uint32_t op)
{
    if (kMethod == BlendMethod::Replace)
        return Mix4(d, s, op);
    const std::uint32_t w = Div255((s >> 24) * op);
    if (w == 0)
        return d;
    const std::uint32_t dr = d >> 16 & 0xFF, dg = d >> 8 & 0xFF, db = d & 0xFF;
    const std::uint32_t sr = s >> 16 & 0xFF, sg = s >> 8 & 0xFF, sb = s & 0xFF;
    if (kMethod == BlendMethod::Add) {
        // d + Div255(s x w) per colour channel, red and blue in the 16-bit lanes of one word
        // (Div255 by the exact shift form, as in Mix4), then each sum saturated at 255.
        std::uint32_t rb = (s & 0x00FF00FFu) * w + 0x007F007Fu;
        rb = (rb + 0x00010001u + (rb >> 8 & 0x00FF00FFu)) >> 8 & 0x00FF00FFu;
        rb += d & 0x00FF00FFu;
        rb = (rb | (rb >> 8 & 0x00010001u) * 0xFFu) & 0x00FF00FFu;
        const std::uint32_t g = dg + Div255(sg * w);
        return rb | Mix(d >> 24, 255u, w) << 24 | (g > 255u ? 255u : g) << 8;
    }
    if (kMethod == BlendMethod::Dodge)
        return Mix4(d, Pack(255u, DodgeChannel(dr, sr), DodgeChannel(dg, sg), DodgeChannel(db, sb)), w);
    return Mix4(d, s | 0xFF000000u, w);
}

// The same with the method chosen at run time, for single pixels.
inline std::uint32_t BlendPixel(BlendMethod method, std::uint32_t d, std::uint32_t s,
                                std::uint32_t op)
{
    switch (method) {
    case BlendMethod::Replace:
        return BlendPixel<BlendMethod::Replace>(d, s, op);
    case BlendMethod::Add:
        return BlendPixel<BlendMethod::Add>(d, s, op);
    case BlendMethod::Dodge:
        return BlendPixel<BlendMethod::Dodge>(d, s, op);
    default:
        return BlendPixel<BlendMethod::Normal>(d, s, op);
    }
}

// Runs f once with the method as a compile-time constant, so a loop over many pixels picks
// its blend once: f(std::integral_constant<BlendMethod, M>{}) for the method M given.
template <typename F>
inline void WithMethod(BlendMethod method, F&& f)
{
    using M = BlendMethod;
    switch (method) {
    case M::Replace:
        f(std::integral_constant<M, M::Replace>{});
        break;
    case M::Add:
        f(std::integral_constant<M, M::Add>{});
        break;
    case M::Dodge:
        f(std::integral_constant<M, M::Dodge>{});
        break;
    default:
        f(std::integral_constant<M, M::Normal>{});
        break;
    }
}

} // namespace RasterBlend
