// Fills a rectangle of a raster with one colour, with a blend method and an opacity: the
// editor's bars, markers and backgrounds of text fields.
//
// A pure function over the raster (see RasterBlend.h for the arithmetic); callable from any
// thread that owns the raster, in the editor the user-interface thread.
#pragma once

#include "raster/IRaster.h"
#include "raster/RasterBlend.h"

#include <cstdint>

namespace RasterFill {

// Lays `colour` (ARGB; its alpha counts for the methods that use the source's alpha) on the
// rectangle (x, y, width x height), cut to the raster: nothing outside it is written, and a
// rectangle with no area inside it changes nothing.
void FillRect(IRaster& dest, int x, int y, int width, int height, std::uint32_t colour,
              float opacity, BlendMethod method);

} // namespace RasterFill
