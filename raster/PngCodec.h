// PNG images to and from rasters, through libpng: the editor's art, compiled into the module
// as PNG bytes, is decoded here, and a drawn canvas can be saved as a picture.
//
// Pure functions holding no state between calls: any thread, any number at once.
//
// Decoding turns every PNG colour type and bit depth into 8-bit straight ARGB without any
// colour management (gamma, chromaticity and ICC chunks are ignored), with integer steps
// only: palettes and low bit depths are expanded, transparency chunks become alpha, grey
// becomes red = green = blue, 16-bit samples are scaled to 8 bits by libpng's rounded
// v x 255 / 65535, and images without alpha are opaque.
#pragma once

#include "raster/IRaster.h"

#include <cstddef>
#include <vector>

namespace PngCodec {

// Larger images are refused: no art of the editor comes near, and a damaged header must not
// make the decoder allocate gigabytes.
constexpr int kMaxSide = 16384;
constexpr long kMaxPixels = 1L << 24;

// The image in `size` bytes at `data` (null with size 0 is allowed). Anything that is not a
// whole, intact PNG of at most kMaxSide x kMaxSide and kMaxPixels pixels (a wrong signature,
// a truncation, a bad checksum of a critical chunk, damaged compressed data) gives an empty
// 0 x 0 raster. Extra bytes after the image end are ignored.
IRaster Decode(const unsigned char* data, std::size_t size);

// The raster as an 8-bit RGBA PNG (non-interlaced, libpng's default compression), so a
// decode gives back the same pixels. Empty for an empty raster, or when memory runs out.
std::vector<unsigned char> Encode(const IRaster& raster);

} // namespace PngCodec
