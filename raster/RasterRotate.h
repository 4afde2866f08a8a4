// Draws a raster turned about its centre, with bilinear filtering and a blend method: the
// editor's knob pointers.
//
// A pure function over the two rasters; callable from any thread that owns the destination
// and does not let the source change meanwhile, in the editor the user-interface thread.
//
// Arithmetic: the angle's sine and cosine come from RasterTrig (the same bits in every
// build) and are rounded to 20 fractional bits; positions are integers in 1/65536 pixel,
// each product rounded half up; the filter weights have 8 fractional bits per axis. Colours
// are filtered premultiplied by their alpha (so transparent neighbours do not darken an
// edge) and divided back with rounding; then the sample is laid on the destination exactly
// as a blit lays a pixel (RasterBlend.h).
#pragma once

#include "raster/IRaster.h"
#include "raster/RasterBlend.h"

namespace RasterRotate {

// Sizes beyond this (destination or source rectangle, either axis) draw nothing.
constexpr int kMaxSize = 1 << 15;
// So do source positions farther than this from the origin.
constexpr float kMaxPosition = 1 << 30;

// Fills the destination rectangle (destX, destY, destWidth x destHeight) with the source
// rectangle (srcX, srcY, srcWidth x srcHeight; fractions allowed) turned by `angle` radians
// about the centres of both rectangles; positive angles turn clockwise on the screen. When
// the sizes differ the source is scaled to fit. Pixels are sampled at their centres. The
// source rectangle does not limit what is read: any point of the source raster may be
// sampled, and points outside the raster read as transparent. The destination rectangle is
// cut to the destination raster. With Replace every pixel of the rectangle is written
// (transparent where nothing of the source lands); the other methods leave such pixels as
// they are. A NaN or infinite argument, or an angle beyond RasterTrig::kMaxAngle, draws
// nothing, and so does a destination that is the source itself.
void BlitRotated(IRaster& dest, const IRaster& src, int destX, int destY, int destWidth,
                 int destHeight, float srcX, float srcY, float srcWidth, float srcHeight,
                 float angle, float opacity, BlendMethod method);

} // namespace RasterRotate
