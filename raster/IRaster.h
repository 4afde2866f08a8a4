// A 32-bit ARGB pixel raster (alpha in the top byte). The editor draws into one as its
// off-screen canvas; images decoded from the PNG resources are rasters too. Not locked:
// rasters are used on the user-interface thread, or shared read-only through a cache.
#pragma once

#include <cstdint>
#include <vector>

class IRaster {
public:
    IRaster() = default;
    IRaster(int width, int height) { Resize(width, height); }

    void Resize(int newWidth, int newHeight)
    {
        w = newWidth > 0 ? newWidth : 0;
        h = newHeight > 0 ? newHeight : 0;
        pixels.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0u);
    }
    int Width() const { return w; }
    int Height() const { return h; }
    std::uint32_t* Pixels() { return pixels.data(); }
    const std::uint32_t* Pixels() const { return pixels.data(); }

private:
    int w = 0;
    int h = 0;
    std::vector<std::uint32_t> pixels;
};
