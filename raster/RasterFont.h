// A font at one pixel height, style and orientation, and the call that draws a line of text
// with it into a raster: what the editor's text painting needs of the raster layer.
//
// FreeTypeFont is the back end; RasterFontCache owns one object per key (process-wide,
// behind the cache's lock) until the library unloads. Each font serialises its own drawing
// with a lock of its own, so editors of several plug-in objects may draw with the same
// cached font from different threads.
#pragma once

#include "raster/IRaster.h"

#include <cstdint>

// What a cached font is made from; two fonts with equal keys draw the same glyphs.
struct RasterFontKey {
    static constexpr int kFaceSize = 32;
    char face[kFaceSize] = {}; // zero-terminated face name as the editor names it ("Arial")
    // Positive: the cell height (ascender plus descender) in pixels, as a Windows font's
    // height; negative: minus the em height. 0 makes no font.
    int pixelHeight = 0;
    bool bold = false; // weight 700 instead of 400
    bool italic = false;
    int orientation = 0; // degrees, counter-clockwise, of the text's baseline
    int quality = 0; // 0 default, 1 without antialiasing, 2 antialiased, 3 subpixel (drawn as 2)
};

// Flags of RasterFont::DrawText; without kCentre or kRight the text is left-aligned.
namespace RasterText {
constexpr int kCentre = 1; // centred between the box's left and right
constexpr int kRight = 2; // ending at the box's right
constexpr int kNoClip = 0x100; // glyphs may reach past the box (still cut to the raster)
constexpr int kUseColourAlpha = 0x40000000; // blend by the colour's alpha instead of opaque
} // namespace RasterText

class RasterFont {
public:
    virtual ~RasterFont() = default;

    // Draws `text` (zero-terminated, one line; UTF-8 where the bytes form it, otherwise
    // Windows-1252) in `colour` (ARGB) into the box (left, top, right, bottom; right and
    // bottom exclusive) of `dest`: the line's cell top at the box's top, aligned horizontally
    // by `flags` (RasterText), cut to the box unless kNoClip is given and always to the
    // raster. The colour's alpha counts only with kUseColourAlpha. A rotated font turns the
    // line about the aligned start point (the cell's top-left corner). Returns false when a
    // glyph could not be rendered; a null or empty text draws nothing and returns true.
    virtual bool DrawText(IRaster& dest, const char* text, int left, int top, int right,
                          int bottom, std::uint32_t colour, int flags) = 0;

    // The advance width in pixels the text would take when drawn, for laying out boxes.
    virtual int TextWidth(const char* text) = 0;

    const RasterFontKey& Key() const { return key; }

protected:
    explicit RasterFont(const RasterFontKey& fontKey) : key(fontKey) {}

private:
    RasterFontKey key;
};
