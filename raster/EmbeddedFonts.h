// The TrueType files compiled into the module (generated at build time from Debian's font
// packages by scripts/embed-fonts.py): metric-compatible stand-ins for the faces the editor
// names, so every build draws the same glyphs on every machine. Read-only data, any thread.
#pragma once

#include <cstddef>

namespace EmbeddedFonts {

enum class Face {
    ArialRegular, // Liberation Sans Regular
    ArialBold, // Liberation Sans Bold
    ArialItalic, // Liberation Sans Italic
    Verdana, // DejaVu Sans
};

struct FontFile {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
};

FontFile File(Face face);

} // namespace EmbeddedFonts
