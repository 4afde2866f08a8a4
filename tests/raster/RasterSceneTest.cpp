// A canvas drawn with every raster operation, as the editor would: blits with each method
// and several opacities, knob-like rotations at odd angles, fans of lines, translucent
// fills, text in each face, style, alignment and a few orientations. Its PNG must decode to the same pixels. With QUELLORN_RASTER_SCENE set to a file
// path the test also writes the PNG there, so the pictures drawn by two builds (the Windows
// one under Wine) can be compared byte for byte.
#include "raster/PngCodec.h"
#include "raster/RasterBlit.h"
#include "raster/RasterFill.h"
#include "raster/RasterFontCache.h"
#include "raster/RasterLine.h"
#include "raster/RasterRotate.h"
#include "tests/raster/RasterTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

using namespace RasterTestSupport;

namespace {

IRaster DrawScene()
{
    IRaster canvas(504, 492);
    const IRaster ground = RandomRaster(504, 492, 41, 255);
    RasterBlit::Blit(canvas, ground, 0, 0, 0, 0, 504, 492, 1.0f, BlendMethod::Replace);
    const IRaster art = RandomRaster(48, 48, 42);
    for (int i = 0; i < 40; ++i) {
        const BlendMethod method = RasterBlend::MethodFromInt(i % 4);
        const float opacity = 0.1f + 0.023f * float(i);
        RasterBlit::Blit(canvas, art, (i * 37) % 520 - 20, (i * 53) % 510 - 20, i % 7, i % 5,
                         48, 48, opacity, method);
        RasterRotate::BlitRotated(canvas, art, (i * 71) % 500, (i * 29) % 480, 48, 48,
                                  -0.37f * float(i % 3), 0.21f * float(i % 4), 48.0f, 48.0f,
                                  -2.618f + 0.1309f * float(i), opacity, method);
        RasterFill::FillRect(canvas, (i * 13) % 504, (i * 41) % 492, 30, 12,
                             0x20FFFFFFu * std::uint32_t(i % 7) + 0x00406080u, opacity, method);
        RasterLine::DrawLine(canvas, 252, 246, (i * 97) % 700 - 100, (i * 61) % 600 - 50,
                             0x00FFC080u + std::uint32_t(i), opacity, method, i % 3 != 0);
    }
    const char* faces[] = { "Arial", "Verdana", "Tahoma" };
    for (int i = 0; i < 24; ++i) {
        RasterFontKey key;
        std::strcpy(key.face, faces[i % 3]);
        key.pixelHeight = 11 + i % 9;
        key.bold = i % 4 == 1 || i % 4 == 3;
        key.italic = i % 4 >= 2;
        // Keys no other test makes, so the first key's quality is this one's.
        key.orientation = i % 6 == 5 ? 30 * i : 0;
        key.quality = i % 5 == 4 ? 1 : 0;
        if (key.quality == 1)
            key.pixelHeight = 20 + i;
        RasterFont* font = RasterFontCache::Get(key);
        EXPECT_NE(font, nullptr);
        if (font == nullptr)
            continue;
        const int top = i * 20 - 8;
        const int flags = (i % 3) | (i % 2 == 0 ? RasterText::kNoClip : 0)
            | (i % 7 < 3 ? RasterText::kUseColourAlpha : 0);
        font->DrawText(canvas, "Quellorn \xC3\x84nderung 0.25 sec C#4 \x80",
                       (i * 31) % 200 - 40, top, (i * 31) % 200 + 260, top + 18,
                       0x50FFFFFFu + 0x0B132917u * std::uint32_t(i), flags);
    }
    return canvas;
}

TEST(RasterScene, EveryOperationTogetherSurvivesAPngRoundTrip)
{
    const IRaster scene = DrawScene();
    const std::vector<unsigned char> png = PngCodec::Encode(scene);
    const IRaster back = PngCodec::Decode(png.data(), png.size());
    EXPECT_EQ(PixelsOf(back), PixelsOf(scene));
    if (const char* path = std::getenv("QUELLORN_RASTER_SCENE")) {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
        EXPECT_TRUE(out.good()) << path;
    }
}

} // namespace
