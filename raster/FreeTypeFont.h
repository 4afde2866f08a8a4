// A RasterFont drawn by FreeType from one of the faces compiled into the module
// (EmbeddedFonts): "Verdana" is DejaVu Sans, every other name Liberation Sans, the stand-in
// for Arial. Bold and italic come from the Liberation Sans bold and italic files where they
// exist and are made from the outlines otherwise (emboldened, slanted), as a Windows font
// does for a face without that style.
//
// Glyphs are loaded without hinting, so the outlines are the font's own, scaled by integer
// arithmetic; FreeType's rasterisers are integer too, and each glyph's coverage is laid onto
// the raster by the raster layer's integer blend. Together with the same FreeType source in
// both builds, the Linux and the Windows module draw the same bytes. Advances are rounded to
// whole pixels and there is no kerning, as in a Windows text line.
//
// Made and owned by RasterFontCache. Every call takes the font's own lock (FreeType faces
// and the glyph store are not safe to share), so any thread may draw.
#pragma once

#include "raster/RasterFont.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

struct FT_LibraryRec_;
struct FT_FaceRec_;

class FreeTypeFont final : public RasterFont {
public:
    // Heights beyond this (either sign) make no font: a glyph's coverage would take
    // megabytes, and the editor's texts are 13 to 16 pixels high.
    static constexpr int kMaxPixelHeight = 512;

    // Null when the key's height is 0 or beyond kMaxPixelHeight, or FreeType fails.
    static std::unique_ptr<FreeTypeFont> Create(const RasterFontKey& key);

    ~FreeTypeFont() override;
    FreeTypeFont(const FreeTypeFont&) = delete;
    FreeTypeFont& operator=(const FreeTypeFont&) = delete;

    bool DrawText(IRaster& dest, const char* text, int left, int top, int right, int bottom,
                  std::uint32_t colour, int flags) override;
    int TextWidth(const char* text) override;

private:
    // One rendered glyph: coverage bytes 0..255, row by row, placed relative to the pen
    // position on the baseline (y downwards).
    struct Glyph {
        bool ok = false;
        int advance = 0; // whole pixels along the baseline
        int left = 0;
        int top = 0;
        int width = 0;
        int rows = 0;
        std::vector<std::uint8_t> coverage;
    };

    explicit FreeTypeFont(const RasterFontKey& key);
    const Glyph& GlyphFor(std::uint32_t codePoint);
    Glyph Render(std::uint32_t codePoint);
    std::int64_t WidthLocked(const char* text);

    std::mutex lock;
    FT_LibraryRec_* library = nullptr;
    FT_FaceRec_* face = nullptr;
    bool syntheticBold = false;
    bool syntheticItalic = false;
    bool monochrome = false;
    bool rotated = false;
    long cosine = 0x10000; // the orientation as 16.16 fixed point
    long sine = 0;
    int ascender = 0; // pixels from the cell's top to the baseline
    std::unordered_map<std::uint32_t, Glyph> glyphs;
    std::size_t storedBytes = 0; // coverage held by `glyphs`
};
