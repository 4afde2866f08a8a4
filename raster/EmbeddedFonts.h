// The TrueType files compiled into the module (generated at build time from Debian's font
// packages by scripts/embed-files.py): metric-compatible stand-ins for the faces the editor
// names, so every build draws the same glyphs on every machine. Read-only data, any thread.
#pragma once

#include "raster/EmbeddedFile.h"

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

// The generated table, keyed by int(Face).
extern const EmbeddedFile kFiles[];
extern const std::size_t kFileCount;

// A face the build left out reads as Arial Regular; the build embeds all four.
inline FontFile File(Face face)
{
    const EmbeddedFile* file = FindEmbeddedFile(kFiles, kFileCount, static_cast<int>(face));
    if (!file)
        file = FindEmbeddedFile(kFiles, kFileCount, static_cast<int>(Face::ArialRegular));
    return file ? FontFile { file->data, file->size } : FontFile {};
}

} // namespace EmbeddedFonts
