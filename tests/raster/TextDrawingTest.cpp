// Text drawn with the cached fonts: placement in the box, alignment, faces and styles, the
// colour's alpha, clipping at the raster's edges, rotation and odd texts. Checked by the
// drawn pixels, white on black, so a pixel's red channel is the glyphs' coverage.
#include "raster/RasterFontCache.h"
#include "tests/raster/RasterTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <thread>

using namespace RasterTestSupport;

namespace {

constexpr std::uint32_t kBlack = 0xFF000000u;
constexpr std::uint32_t kWhite = 0xFFFFFFFFu;

RasterFont* Font(const char* face, int height, bool bold = false, bool italic = false,
                 int orientation = 0)
{
    RasterFontKey key;
    std::strncpy(key.face, face, RasterFontKey::kFaceSize - 1);
    key.pixelHeight = height;
    key.bold = bold;
    key.italic = italic;
    key.orientation = orientation;
    return RasterFontCache::Get(key);
}

IRaster Black(int width, int height)
{
    IRaster raster(width, height);
    std::fill(raster.Pixels(), raster.Pixels() + std::size_t(width) * height, kBlack);
    return raster;
}

// The box (left, top, right, bottom; exclusive) of the pixels that are not black.
struct Ink {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    bool Any() const { return right > left; }
};

Ink InkOf(const IRaster& raster)
{
    Ink ink;
    for (int y = 0; y < raster.Height(); ++y)
        for (int x = 0; x < raster.Width(); ++x)
            if (At(raster, x, y) != kBlack) {
                ink.left = std::min(ink.left, x);
                ink.top = std::min(ink.top, y);
                ink.right = std::max(ink.right, x + 1);
                ink.bottom = std::max(ink.bottom, y + 1);
            }
    return ink;
}

std::uint32_t MaxRed(const IRaster& raster)
{
    std::uint32_t most = 0;
    for (std::uint32_t p : PixelsOf(raster))
        most = std::max(most, p >> 16 & 0xFF);
    return most;
}

IRaster Drawn(RasterFont* font, const char* text, int width = 300, int height = 60,
              int left = 20, int flags = 0)
{
    IRaster raster = Black(width, height);
    EXPECT_TRUE(font->DrawText(raster, text, left, 10, width - 20, 40, kWhite, flags)) << text;
    return raster;
}

TEST(TextDrawing, LandsInItsBoxWhereTheAlignmentPutsIt)
{
    RasterFont* font = Font("Arial", 16);
    ASSERT_NE(font, nullptr);
    const char* text = "Attack 12.5 dB";
    const int box[4] = { 40, 12, 260, 40 };
    const int width = font->TextWidth(text);
    ASSERT_GT(width, 60);
    const struct {
        int flags;
        int start; // where the text's advance starts
    } cases[] = {
        { 0, box[0] },
        { RasterText::kCentre, box[0] + (box[2] - box[0] - width) / 2 },
        { RasterText::kRight, box[2] - width },
        { RasterText::kCentre | RasterText::kNoClip, box[0] + (box[2] - box[0] - width) / 2 },
    };
    IRaster left = Black(300, 60);
    font->DrawText(left, text, box[0], box[1], box[2], box[3], kWhite, 0);
    const Ink leftInk = InkOf(left);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        IRaster raster = Black(300, 60);
        EXPECT_TRUE(font->DrawText(raster, text, box[0], box[1], box[2], box[3], kWhite, c.flags));
        const Ink ink = InkOf(raster);
        ASSERT_TRUE(ink.Any());
        // Inside the box, the top of a capital within a few pixels of the box's top, the
        // ink starting and ending within a side bearing of the advance.
        EXPECT_GE(ink.left, box[0]);
        EXPECT_LE(ink.right, box[2]);
        EXPECT_GE(ink.top, box[1]);
        EXPECT_LE(ink.top, box[1] + 5);
        EXPECT_LE(ink.bottom, box[1] + 16);
        EXPECT_LE(ink.left - c.start, 2);
        EXPECT_LE(c.start + width - ink.right, 2);
        EXPECT_GE(c.start + width - ink.right, 0);
        // The same glyphs, moved by the alignment only.
        EXPECT_EQ(ink.left - leftInk.left, c.start - box[0]);
        EXPECT_EQ(ink.right - ink.left, leftInk.right - leftInk.left);
        EXPECT_EQ(ink.top, leftInk.top);
    }
}

TEST(TextDrawing, FacesAndStylesPickTheirGlyphs)
{
    const char* text = "Stiff filters trim it";
    const IRaster arial = Drawn(Font("Arial", 15), text);
    const IRaster unknown = Drawn(Font("Comic Sans MS", 15), text);
    const IRaster verdana = Drawn(Font("Verdana", 15), text);
    const IRaster bold = Drawn(Font("Arial", 15, true), text);
    const IRaster italic = Drawn(Font("Arial", 15, false, true), text);
    const IRaster boldItalic = Drawn(Font("Arial", 15, true, true), text);
    const IRaster verdanaBold = Drawn(Font("VERDANA", 15, true), text);
    EXPECT_EQ(PixelsOf(unknown), PixelsOf(arial)); // any other name is Arial's face
    const struct {
        const char* name;
        const IRaster& raster;
        const IRaster& plain;
        bool wider;
    } cases[] = {
        { "Verdana", verdana, arial, true }, { "bold", bold, arial, true },
        { "italic", italic, arial, false }, { "bold italic", boldItalic, bold, false },
        { "Verdana bold", verdanaBold, verdana, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NE(PixelsOf(c.raster), PixelsOf(c.plain));
        const Ink ink = InkOf(c.raster), plain = InkOf(c.plain);
        if (c.wider) {
            EXPECT_GT(ink.right - ink.left, plain.right - plain.left + 3);
        }
    }
    EXPECT_GT(Font("Arial", 15, true)->TextWidth(text), Font("Arial", 15)->TextWidth(text));
}

TEST(TextDrawing, ColourAlphaCountsOnlyWithItsFlag)
{
    RasterFont* font = Font("Arial", 40);
    const struct {
        std::uint32_t alpha;
        int flags;
        std::uint32_t maxRed;
    } cases[] = {
        { 128, 0, 255 },
        { 128, RasterText::kUseColourAlpha, 128 },
        { 255, RasterText::kUseColourAlpha, 255 },
        { 0, RasterText::kUseColourAlpha, 0 },
        { 0, 0, 255 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.alpha << " " << c.flags);
        IRaster raster = Black(100, 60);
        EXPECT_TRUE(font->DrawText(raster, "IH", 5, 5, 95, 55, c.alpha << 24 | 0xFFFFFF, c.flags));
        EXPECT_EQ(MaxRed(raster), c.maxRed);
    }
}

TEST(TextDrawing, ClipsAtTheRastersEdgesWhateverTheBox)
{
    RasterFont* font = Font("Arial", 16);
    const char* text = "Volume -6 dB";
    const int width = font->TextWidth(text);
    // The whole text, drawn far from every edge: what each case must show a part of.
    IRaster whole = Black(400, 100);
    font->DrawText(whole, text, 100, 40, 300, 60, kWhite, 0);
    const int noClip = RasterText::kNoClip;
    const struct {
        int left, top, right, bottom, flags;
        int startX, startY; // where the text starts, INT_MIN when no pixel may show
    } cases[] = {
        { -7, -5, 60, 20, noClip, -7, -5 },
        { 30, 25, 300, 60, noClip, 30, 25 },
        { INT_MIN, 3, INT_MAX, 30, RasterText::kCentre | noClip, -1 - width / 2 - (width & 1), 3 },
        { INT_MIN, 3, 10, 30, RasterText::kRight | noClip, 10 - width, 3 },
        { INT_MIN, INT_MIN, INT_MAX, INT_MAX, noClip, INT_MIN, INT_MIN },
        { INT_MAX - 5, 0, INT_MAX, 30, noClip, INT_MIN, INT_MIN },
        { 0, INT_MAX, 100, INT_MAX, noClip, INT_MIN, INT_MIN },
        { -500, 0, -400, 30, RasterText::kRight | noClip, INT_MIN, INT_MIN },
        // Cut to the box without the flag: only the part inside (12, 6)-(40, 14) shows.
        { 12, 6, 40, 14, 0, 12, 6 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.left << "," << c.top << " flags " << c.flags);
        IRaster raster = Black(64, 32);
        EXPECT_TRUE(font->DrawText(raster, text, c.left, c.top, c.right, c.bottom, kWhite, c.flags));
        std::size_t differences = 0;
        bool anyInk = false;
        for (int y = 0; y < raster.Height(); ++y)
            for (int x = 0; x < raster.Width(); ++x) {
                std::uint32_t expected = kBlack;
                const bool inBox = (c.flags & noClip) != 0
                    || (x >= c.left && x < c.right && y >= c.top && y < c.bottom);
                if (c.startX != INT_MIN && inBox) {
                    const int wx = x - c.startX + 100, wy = y - c.startY + 40;
                    if (wx >= 0 && wx < whole.Width() && wy >= 0 && wy < whole.Height())
                        expected = At(whole, wx, wy);
                }
                differences += At(raster, x, y) != expected;
                anyInk = anyInk || At(raster, x, y) != kBlack;
            }
        EXPECT_EQ(differences, 0u);
        EXPECT_EQ(anyInk, c.startX != INT_MIN);
    }
}

TEST(TextDrawing, TurnsAboutTheStartPointByItsOrientation)
{
    // A quarter or half turn maps pixel centres onto pixel centres, so the turned text is
    // the level text's pixels moved; coverage may differ a little, as the rasteriser works
    // along rows and rounds differently for the turned outlines.
    const char* text = "Pan 40% L";
    const int px = 100, py = 100;
    IRaster level = Black(200, 200);
    Font("Arial", 16)->DrawText(level, text, px, py, px + 100, py + 20, kWhite, RasterText::kNoClip);
    const struct {
        int degrees;
        int xx, xy, yx, yy; // turned offset = (xx * dx + xy * dy, yx * dx + yy * dy) from the pivot
    } cases[] = { { 90, 0, 1, -1, 0 }, { 180, -1, 0, 0, -1 }, { 270, 0, -1, 1, 0 }, { -90, 0, -1, 1, 0 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.degrees);
        IRaster turned = Black(200, 200);
        RasterFont* font = Font("Arial", 16, false, false, c.degrees);
        ASSERT_NE(font, nullptr);
        EXPECT_TRUE(font->DrawText(turned, text, px, py, px + 100, py + 20, kWhite, RasterText::kNoClip));
        int worst = 0, inked = 0;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 200; ++x) {
                // Offsets of pixel centres, doubled to stay integer.
                const int dx = 2 * (x - px) + 1, dy = 2 * (y - py) + 1;
                const int tx = px + (c.xx * dx + c.xy * dy - 1) / 2;
                const int ty = py + (c.yx * dx + c.yy * dy - 1) / 2;
                const int a = int(At(level, x, y) >> 16 & 0xFF);
                const int b = tx >= 0 && tx < 200 && ty >= 0 && ty < 200 ? int(At(turned, tx, ty) >> 16 & 0xFF) : 0;
                worst = std::max(worst, std::abs(a - b));
                inked += a != 0;
            }
        EXPECT_GT(inked, 50);
        EXPECT_LE(worst, 8);
    }
}

TEST(TextDrawing, EmptyOddAndNonAsciiTextsAreSafe)
{
    RasterFont* font = Font("Arial", 15);
    const IRaster utf8 = Drawn(font, "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC");
    const IRaster threeLatin = Drawn(font, "\xC3\xA0\xE2\x82\xAC\xC2\xAF");
    const struct {
        const char* text;
        const IRaster* same; // pixels it must equal, or null
        bool ink;
    } cases[] = {
        { nullptr, nullptr, false },
        { "", nullptr, false },
        { "\t\r\n", nullptr, false },
        { "Gr\xFC\xDF" "e \x80", &utf8, true }, // the same text in Windows-1252
        { "\xE2\x82", nullptr, true }, // a cut UTF-8 sequence: two Windows-1252 characters
        { "\xE0\x80\xAF", &threeLatin, true }, // an overlong '/' is three Windows-1252 characters
        { "\xC0\xAF\xED\xA0\x80\xF5\x80\x80\x80\xFF", nullptr, true }, // never UTF-8
        { "\xE4\xB8\x80\xF0\x9F\x8E\xB9", nullptr, true }, // no glyphs: the missing-glyph box
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(null)");
        IRaster raster = Black(300, 60);
        EXPECT_TRUE(font->DrawText(raster, c.text, 20, 10, 280, 40, kWhite, 0));
        EXPECT_EQ(InkOf(raster).Any(), c.ink);
        if (c.same) {
            EXPECT_EQ(PixelsOf(raster), PixelsOf(*c.same));
        }
    }
    EXPECT_EQ(font->TextWidth(nullptr), 0);
    const std::string longText(100000, 'W');
    IRaster raster = Black(64, 32);
    EXPECT_TRUE(font->DrawText(raster, longText.c_str(), INT_MIN, 0, INT_MAX, 32, kWhite,
                               RasterText::kCentre | RasterText::kNoClip));
    EXPECT_TRUE(InkOf(raster).Any());
    EXPECT_EQ(font->TextWidth(longText.c_str()), 100000 * font->TextWidth("W"));
}

TEST(TextFontCache, OneFontPerKeyAndNoneForUnusableHeights)
{
    RasterFont* arial = Font("Arial", 14);
    ASSERT_NE(arial, nullptr);
    const std::size_t count = RasterFontCache::Count();
    RasterFontKey otherQuality = arial->Key();
    otherQuality.quality = 2; // not part of the key: the first font stays
    EXPECT_EQ(RasterFontCache::Get(otherQuality), arial);
    RasterFont* seen[4] = {};
    std::thread threads[4];
    for (int i = 0; i < 4; ++i)
        threads[i] = std::thread([&seen, i] { seen[i] = Font("Arial", 14); });
    for (auto& t : threads)
        t.join();
    for (RasterFont* f : seen)
        EXPECT_EQ(f, arial);
    EXPECT_EQ(RasterFontCache::Count(), count);

    const struct {
        const char* face;
        int height;
        bool bold, italic;
        int orientation;
        bool made;
    } cases[] = {
        { "Arial", 0, false, false, 0, false },
        { "Arial", 100000, false, false, 0, false },
        { "Arial", INT_MIN, false, false, 0, false },
        { "Arial", -14, false, false, 0, true },
        { "Arial", 14, true, false, 0, true },
        { "Arial", 14, false, true, 0, true },
        { "Arial", 14, false, false, 45, true },
        { "Verdana", 14, false, false, 0, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.face << " " << c.height);
        const std::size_t before = RasterFontCache::Count();
        RasterFont* font = Font(c.face, c.height, c.bold, c.italic, c.orientation);
        EXPECT_EQ(font != nullptr, c.made);
        EXPECT_NE(font, arial);
        EXPECT_LE(RasterFontCache::Count(), before + (c.made ? 1 : 0));
    }
}

} // namespace
