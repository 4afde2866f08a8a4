// The four blend methods and the opacity, on pixels worked out by hand from the rounding
// the raster layer documents. Each case goes through a one-pixel blit and a one-pixel fill,
// which must agree.
#include "raster/RasterBlit.h"
#include "raster/RasterFill.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace {

TEST(RasterBlend, MethodsAndOpacityGiveTheRoundedResults)
{
    const float nan = std::nanf("");
    struct Case {
        int method;
        std::uint32_t dest;
        std::uint32_t src;
        float opacity;
        std::uint32_t expected;
    } cases[] = {
        // Normal: the source over the destination by alpha x opacity.
        { 0, 0xFF000000, 0xFF808080, 1.0f, 0xFF808080 },
        { 0, 0xFF000000, 0x80FFFFFF, 1.0f, 0xFF808080 },
        { 0, 0xFF000000, 0xFFFFFFFF, 0.5f, 0xFF808080 }, // 0.5 -> 128 of 255
        { 0, 0x00000000, 0x80FF0000, 1.0f, 0x80800000 }, // alpha covers a transparent pixel
        { 0, 0xFF123456, 0x00FFFFFF, 1.0f, 0xFF123456 },
        { 0, 0xFF123456, 0xFFFFFFFF, 0.0f, 0xFF123456 },
        // Replace: all four channels mixed by the opacity alone.
        { 1, 0xFF102030, 0x00FFFFFF, 1.0f, 0x00FFFFFF },
        { 1, 0xFF102030, 0x00FFFFFF, 0.5f, 0x7F889098 },
        // Add: alpha-weighted, saturating.
        { 2, 0xFF404040, 0xFFC08010, 1.0f, 0xFFFFC050 },
        { 2, 0xFF101010, 0x80FFFFFF, 1.0f, 0xFF909090 },
        { 2, 0x00101010, 0xFF202020, 0.25f, 0x40181818 }, // 0.25 -> 64; 32 x 64 / 255 -> 8
        { 2, 0x00000000, 0x80010203, 1.0f, 0x80010102 }, // 0.502 -> 1, 1.004 -> 1, 1.506 -> 2
        // Dodge: d / (1 - s), black stays black, a full source saturates.
        { 3, 0xFF808080, 0xFF800000, 1.0f, 0xFFFF8080 },
        { 3, 0xFF000040, 0xFFFFFF40, 1.0f, 0xFF000055 },
        { 3, 0xFF010101, 0xFFFAFAFA, 1.0f, 0xFF333333 },
        { 3, 0xFF808080, 0x80FF0000, 1.0f, 0xFFC08080 }, // half-way to the dodged 255
        // Damaged arguments: an unknown method draws as Normal; NaN, negative and
        // overlarge opacities are clamped.
        { 9, 0xFF000000, 0x80FFFFFF, 1.0f, 0xFF808080 },
        { -1, 0xFF000000, 0xFF808080, 1.0f, 0xFF808080 },
        { 0, 0xFF123456, 0xFFFFFFFF, nan, 0xFF123456 },
        { 0, 0xFF123456, 0xFFFFFFFF, -3.0f, 0xFF123456 },
        { 0, 0xFF000000, 0xFF808080, 7.0f, 0xFF808080 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "method " << c.method << " dest " << std::hex
                                          << c.dest << " src " << c.src << " opacity "
                                          << c.opacity);
        const BlendMethod method = RasterBlend::MethodFromInt(c.method);
        IRaster src(1, 1), blitted(1, 1), filled(1, 1);
        src.Pixels()[0] = c.src;
        blitted.Pixels()[0] = filled.Pixels()[0] = c.dest;
        RasterBlit::Blit(blitted, src, 0, 0, 0, 0, 1, 1, c.opacity, method);
        RasterFill::FillRect(filled, 0, 0, 1, 1, c.src, c.opacity, method);
        EXPECT_EQ(blitted.Pixels()[0], c.expected) << std::hex << blitted.Pixels()[0];
        EXPECT_EQ(filled.Pixels()[0], c.expected) << std::hex << filled.Pixels()[0];
    }
}

TEST(RasterBlend, FourChannelMixRoundsLikeEachChannelAlone)
{
    // Every weight and every pair of channel values, in all four channel positions.
    for (std::uint32_t a = 0; a < 256; ++a)
        for (std::uint32_t s = 0; s < 256; ++s)
            for (std::uint32_t d = 0; d < 256; ++d) {
                const std::uint32_t sp = RasterBlend::Pack(s, 255 - s, s ^ 0x5A, s / 3);
                const std::uint32_t dp = RasterBlend::Pack(d, d / 2, 255 - d, d ^ 0xA5);
                const std::uint32_t expected = RasterBlend::Pack(
                    RasterBlend::Mix(d, s, a), RasterBlend::Mix(d / 2, 255 - s, a),
                    RasterBlend::Mix(255 - d, s ^ 0x5A, a), RasterBlend::Mix(d ^ 0xA5, s / 3, a));
                if (RasterBlend::Mix4(dp, sp, a) != expected)
                    FAIL() << std::hex << dp << " " << sp << " by " << a;
            }
}

} // namespace
