// Helpers for the raster tests: rasters filled with reproducible pixels, and an index of
// the first pixel where two rasters differ.
#pragma once

#include "raster/IRaster.h"

#include <cstdint>
#include <random>
#include <vector>

namespace RasterTestSupport {

// Random pixels from a fixed seed; mt19937's output is the same on every platform.
// `alphaFloor` raises every alpha to at least that value.
inline IRaster RandomRaster(int width, int height, std::uint32_t seed, std::uint32_t alphaFloor = 0)
{
    IRaster raster(width, height);
    std::mt19937 rng(seed);
    for (std::size_t i = 0; i < std::size_t(raster.Width()) * raster.Height(); ++i) {
        std::uint32_t p = rng();
        if ((p >> 24) < alphaFloor)
            p = (p & 0x00FFFFFFu) | alphaFloor << 24;
        raster.Pixels()[i] = p;
    }
    return raster;
}

inline std::vector<std::uint32_t> PixelsOf(const IRaster& raster)
{
    return { raster.Pixels(), raster.Pixels() + std::size_t(raster.Width()) * raster.Height() };
}

inline std::uint32_t At(const IRaster& raster, int x, int y)
{
    return raster.Pixels()[std::size_t(y) * raster.Width() + x];
}

} // namespace RasterTestSupport
