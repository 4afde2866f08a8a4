#include "raster/FreeTypeFont.h"

#include "raster/EmbeddedFonts.h"
#include "raster/RasterBlend.h"
#include "raster/RasterTrig.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

// More glyphs, and coverage bytes, than the editor's texts use; past either the store
// starts again rather than grow without bound on a stream of distinct characters.
constexpr std::size_t kMaxStoredGlyphs = 2048;
constexpr std::size_t kMaxStoredBytes = std::size_t(8) << 20;

// Windows-1252's characters at 0x80..0x9F (0 where the code page has none).
constexpr std::uint16_t kCp1252High[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0,
};

// The next character of a text and the bytes it took: a well-formed UTF-8 sequence gives
// its code point; any other byte stands for itself in Windows-1252, the code page a Windows
// host's file names and texts arrive in. So every byte string decodes, the same on every
// build.
std::uint32_t NextCodePoint(const unsigned char*& p)
{
    const unsigned char b = *p;
    int extra = 0;
    std::uint32_t cp = 0;
    std::uint32_t lowest = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        extra = 1;
        cp = b & 0x1Fu;
        lowest = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        extra = 2;
        cp = b & 0x0Fu;
        lowest = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        extra = 3;
        cp = b & 0x07u;
        lowest = 0x10000;
    }
    if (extra > 0) {
        int i = 1;
        // Stops at the terminating zero too, which is no continuation byte.
        for (; i <= extra && (p[i] & 0xC0u) == 0x80u; ++i)
            cp = cp << 6 | (p[i] & 0x3Fu);
        if (i > extra && cp >= lowest && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF)) {
            p += extra + 1;
            return cp;
        }
    }
    ++p;
    if (b >= 0x80 && b <= 0x9F)
        return kCp1252High[b - 0x80] != 0 ? kCp1252High[b - 0x80] : b;
    return b;
}

bool SameNameIgnoringCase(const char* name, const char* wanted)
{
    for (int i = 0; i < RasterFontKey::kFaceSize; ++i) {
        char a = name[i];
        char b = wanted[i];
        if (a >= 'A' && a <= 'Z')
            a = char(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z')
            b = char(b - 'A' + 'a');
        if (a != b)
            return false;
        if (a == 0)
            return true;
    }
    return false; // no terminator within the key's 32 bytes
}

// A 16.16 position rounded to the nearest whole pixel (halves up), for either sign.
std::int64_t RoundFixed(std::int64_t v)
{
    const std::int64_t shifted = v + 0x8000;
    return shifted >= 0 ? shifted / 0x10000 : -((-shifted + 0xFFFF) / 0x10000);
}

std::int64_t FloorHalf(std::int64_t v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); }

} // namespace

FreeTypeFont::FreeTypeFont(const RasterFontKey& key) : RasterFont(key) {}

FreeTypeFont::~FreeTypeFont()
{
    if (face)
        FT_Done_Face(face);
    if (library)
        FT_Done_FreeType(library);
}

std::unique_ptr<FreeTypeFont> FreeTypeFont::Create(const RasterFontKey& key)
{
    const int height = key.pixelHeight;
    if (height == 0 || height > kMaxPixelHeight || height < -kMaxPixelHeight)
        return nullptr;
    std::unique_ptr<FreeTypeFont> font(new FreeTypeFont(key));

    using EmbeddedFonts::Face;
    Face file = Face::ArialRegular;
    if (SameNameIgnoringCase(key.face, "Verdana")) {
        file = Face::Verdana;
        font->syntheticBold = key.bold;
        font->syntheticItalic = key.italic;
    } else if (key.bold) {
        file = Face::ArialBold;
        font->syntheticItalic = key.italic;
    } else if (key.italic) {
        file = Face::ArialItalic;
    }
    font->monochrome = key.quality == 1;

    // A library per font: faces of one library must not be made or used from two threads
    // at once, and fonts are few.
    if (FT_Init_FreeType(&font->library) != 0) {
        font->library = nullptr;
        return nullptr;
    }
    const EmbeddedFonts::FontFile bytes = EmbeddedFonts::File(file);
    if (FT_New_Memory_Face(font->library, bytes.data, FT_Long(bytes.size), 0, &font->face) != 0) {
        font->face = nullptr;
        return nullptr;
    }
    // A positive height is the cell (ascender plus descender), as a Windows font takes it;
    // a negative one the em.
    FT_Size_RequestRec request = {};
    request.type = height > 0 ? FT_SIZE_REQUEST_TYPE_REAL_DIM : FT_SIZE_REQUEST_TYPE_NOMINAL;
    request.height = FT_Long(height > 0 ? height : -height) * 64;
    if (FT_Request_Size(font->face, &request) != 0)
        return nullptr;
    font->ascender = int((font->face->size->metrics.ascender + 32) >> 6);

    const int degrees = key.orientation % 360;
    if (degrees != 0) {
        RasterTrig::SinCos sc;
        RasterTrig::PortableSinCos(double(degrees) * 3.14159265358979323846 / 180.0, sc);
        font->cosine = long(std::lround(sc.cosine * 65536.0));
        font->sine = long(std::lround(sc.sine * 65536.0));
        font->rotated = true;
    }
    return font;
}

FreeTypeFont::Glyph FreeTypeFont::Render(std::uint32_t codePoint)
{
    Glyph glyph;
    const FT_UInt index = FT_Get_Char_Index(face, codePoint);
    // No hinting and no embedded bitmaps: the outlines alone decide the pixels.
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0)
        return glyph;
    FT_GlyphSlot slot = face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE)
        return glyph;
    if (syntheticBold)
        FT_GlyphSlot_Embolden(slot);
    if (syntheticItalic)
        FT_GlyphSlot_Oblique(slot);
    glyph.advance = int((slot->advance.x + 32) >> 6);
    if (rotated) {
        // FreeType's y axis points up, so this turns counter-clockwise on the screen.
        FT_Matrix turn = { cosine, -sine, sine, cosine };
        FT_Outline_Transform(&slot->outline, &turn);
    }
    if (FT_Render_Glyph(slot, monochrome ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
        return glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    const bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
    if (!mono && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY)
        return glyph;
    glyph.width = int(bitmap.width);
    glyph.rows = int(bitmap.rows);
    glyph.left = slot->bitmap_left;
    glyph.top = -slot->bitmap_top;
    glyph.coverage.resize(std::size_t(glyph.width) * std::size_t(glyph.rows));
    const int pitch = bitmap.pitch;
    for (int y = 0; y < glyph.rows; ++y) {
        // A negative pitch stores the rows bottom up.
        const unsigned char* row = pitch >= 0 ? bitmap.buffer + std::ptrdiff_t(y) * pitch
                                              : bitmap.buffer + std::ptrdiff_t(glyph.rows - 1 - y) * -pitch;
        std::uint8_t* out = glyph.coverage.data() + std::size_t(y) * std::size_t(glyph.width);
        for (int x = 0; x < glyph.width; ++x)
            out[x] = mono ? ((row[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0) : row[x];
    }
    glyph.ok = true;
    return glyph;
}

const FreeTypeFont::Glyph& FreeTypeFont::GlyphFor(std::uint32_t codePoint)
{
    auto found = glyphs.find(codePoint);
    if (found != glyphs.end())
        return found->second;
    Glyph glyph = Render(codePoint);
    if (glyphs.size() >= kMaxStoredGlyphs || storedBytes + glyph.coverage.size() > kMaxStoredBytes) {
        glyphs.clear();
        storedBytes = 0;
    }
    storedBytes += glyph.coverage.size();
    return glyphs.emplace(codePoint, std::move(glyph)).first->second;
}

std::int64_t FreeTypeFont::WidthLocked(const char* text)
{
    std::int64_t width = 0;
    for (auto p = reinterpret_cast<const unsigned char*>(text); *p != 0;) {
        const std::uint32_t cp = NextCodePoint(p);
        if (cp >= 0x20)
            width += GlyphFor(cp).advance;
    }
    return width;
}

int FreeTypeFont::TextWidth(const char* text)
{
    if (text == nullptr)
        return 0;
    std::lock_guard<std::mutex> hold(lock);
    return int(std::min<std::int64_t>(WidthLocked(text), std::numeric_limits<int>::max()));
}

bool FreeTypeFont::DrawText(IRaster& dest, const char* text, int left, int top, int right,
                            int bottom, std::uint32_t colour, int flags)
{
    if (text == nullptr || *text == 0)
        return true;
    const std::uint32_t opacity = (flags & RasterText::kUseColourAlpha) != 0 ? colour >> 24 : 255u;
    std::int64_t clipLeft = 0, clipTop = 0, clipRight = dest.Width(), clipBottom = dest.Height();
    if ((flags & RasterText::kNoClip) == 0) {
        clipLeft = std::max<std::int64_t>(clipLeft, left);
        clipTop = std::max<std::int64_t>(clipTop, top);
        clipRight = std::min<std::int64_t>(clipRight, right);
        clipBottom = std::min<std::int64_t>(clipBottom, bottom);
    }

    std::lock_guard<std::mutex> hold(lock);
    // 64-bit: boxes anywhere in the int range, and long texts, must not overflow.
    std::int64_t startX = left;
    if ((flags & RasterText::kRight) != 0)
        startX = std::int64_t(right) - WidthLocked(text);
    else if ((flags & RasterText::kCentre) != 0)
        startX = FloorHalf(std::int64_t(left) + right - WidthLocked(text));

    bool ok = true;
    const std::uint32_t ink = colour & 0x00FFFFFFu;
    const std::size_t stride = std::size_t(dest.Width());
    std::int64_t pen = 0; // pixels along the baseline from the start point
    for (auto p = reinterpret_cast<const unsigned char*>(text); *p != 0;) {
        const std::uint32_t cp = NextCodePoint(p);
        if (cp < 0x20)
            continue;
        const Glyph& glyph = GlyphFor(cp);
        if (!glyph.ok) {
            ok = false;
            continue;
        }
        std::int64_t originX = startX + pen;
        std::int64_t originY = std::int64_t(top) + ascender;
        if (rotated) {
            // The start point is the cell's top-left corner; the baseline point at `pen`
            // along the line and `ascender` below it turns about that corner.
            originX = startX + RoundFixed(pen * cosine + std::int64_t(ascender) * sine);
            originY = std::int64_t(top) + RoundFixed(std::int64_t(ascender) * cosine - pen * sine);
        }
        pen += glyph.advance;
        if (opacity == 0 || glyph.coverage.empty())
            continue;
        const std::int64_t x0 = originX + glyph.left;
        const std::int64_t y0 = originY + glyph.top;
        const std::int64_t fromX = std::max(x0, clipLeft);
        const std::int64_t toX = std::min(x0 + glyph.width, clipRight);
        const std::int64_t fromY = std::max(y0, clipTop);
        const std::int64_t toY = std::min(y0 + glyph.rows, clipBottom);
        // Pens only move right and no glyph reaches this far left of its pen: nothing
        // later can land on the raster.
        if (!rotated && originX >= clipRight + 4 * kMaxPixelHeight)
            break;
        for (std::int64_t y = fromY; y < toY; ++y) {
            const std::uint8_t* cover = glyph.coverage.data() + std::size_t(y - y0) * std::size_t(glyph.width);
            std::uint32_t* row = dest.Pixels() + std::size_t(y) * stride;
            for (std::int64_t x = fromX; x < toX; ++x) {
                const std::uint32_t c = cover[x - x0];
                if (c != 0)
                    row[x] = RasterBlend::BlendPixel<BlendMethod::Normal>(row[x], ink | c << 24, opacity);
            }
        }
    }
    return ok;
}
