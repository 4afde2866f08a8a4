// Copies a rectangle of one raster onto another with a blend method and an opacity: the
// editor's image drawing, its background and the crops of its images.
//
// A pure function over the two rasters (see RasterBlend.h for the arithmetic). Callable
// from any thread that owns the destination and does not let the source change meanwhile;
// the editor calls it on the user-interface thread.
#pragma once

#include "raster/IRaster.h"
#include "raster/RasterBlend.h"

namespace RasterBlit {

// Lays the source rectangle (srcX, srcY, width x height) onto the destination with its
// top-left at (destX, destY), pixel for pixel (no scaling). The rectangle is cut to the part
// that lies inside both rasters, so nothing outside either is read or written; negative or
// huge positions and sizes just leave less (or nothing) to copy. The destination may be the
// source itself, overlapping areas included: the result is as if the source had been copied
// aside first.
void Blit(IRaster& dest, const IRaster& src, int destX, int destY, int srcX, int srcY,
          int width, int height, float opacity, BlendMethod method);

} // namespace RasterBlit
