// Straight lines of one pixel's width, plain or antialiased: the editor's waveform columns
// and outlines.
//
// A pure function over the raster; callable from any thread that owns the raster, in the
// editor the user-interface thread.
//
// Geometry is exact integer arithmetic. A line steps one pixel at a time along its longer
// axis, from end point to end point, both included; at each step the other coordinate is
// the exact rational point on the line. A plain line sets the nearest pixel (a point halfway
// between two goes to the larger coordinate). An antialiased line shares the step between
// the two pixels around the point, each weighted by round(256 x (1 - its distance to the
// point)); the weight depends on the distance alone, so a line draws the same pixels with
// its ends swapped and mirrored lines draw mirrored pixels.
#pragma once

#include "raster/IRaster.h"
#include "raster/RasterBlend.h"

#include <cstdint>

namespace RasterLine {

// End points farther than this from the origin are not drawn at all: no raster reaches
// them, and the exact arithmetic needs the headroom.
constexpr int kMaxCoordinate = 1 << 30;

// Draws from (x1, y1) to (x2, y2) in `colour`'s red, green and blue. The strength is the
// opacity alone (times the antialiasing weight): the colour's own alpha is not used, since
// the editor passes it as the opacity. Pixels outside the raster are skipped.
void DrawLine(IRaster& dest, int x1, int y1, int x2, int y2, std::uint32_t colour,
              float opacity, BlendMethod method, bool antialias);

} // namespace RasterLine
