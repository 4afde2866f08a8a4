// The process-wide font cache: one font per (pixel height, orientation, style, face name),
// made on first use and kept until the library unloads, so every editor of every plug-in
// object in the process shares them. Every lookup and insertion holds the cache's own lock;
// callable from any thread.
#pragma once

#include "raster/RasterFont.h"

#include <cstddef>

namespace RasterFontCache {

// The cached font for the key, made from it when none is cached yet (the first key's
// quality then stays with the font). Null, and nothing cached, when no font can be made
// (a height of 0 or beyond the limit); a face name the module does not carry falls back to
// the "Arial" face.
RasterFont* Get(const RasterFontKey& key);

// How many fonts the cache holds.
std::size_t Count();

} // namespace RasterFontCache
