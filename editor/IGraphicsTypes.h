// Small value types shared by the editor surface and every control.
#pragma once

#include <cstdint>

class IRaster;

// Editor pixels; right and bottom are exclusive when drawing. All four 0 means empty.
struct IBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool Empty() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    IBox Union(const IBox& other) const;
    IBox Intersect(const IBox& other) const;
    bool Overlaps(const IBox& other) const;
};

struct IArgb {
    int alpha = 255;
    int red = 0;
    int green = 0;
    int blue = 0;

    std::uint32_t Packed() const
    {
        return static_cast<std::uint32_t>(alpha) << 24 | static_cast<std::uint32_t>(red) << 16 |
               static_cast<std::uint32_t>(green) << 8 | static_cast<std::uint32_t>(blue);
    }
};

struct IImage {
    IRaster* raster = nullptr; // owned by the process-wide image cache
    int width = 0;
    int height = 0;
    int frames = 1;
};

// 0 normal (by alpha), 1 replace, 2 add, 3 dodge.
struct IBlend {
    int method = 0;
    float weight = 1.0f;
};

struct IMouseKeys {
    bool left = false;
    bool right = false;
    bool shift = false;
    bool control = false;
    bool alt = false;
};
