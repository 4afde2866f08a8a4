// Small value types shared by the editor surface and every control.
#pragma once

#include <cstdint>

class IRaster;
class RasterFont;

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

    // A channel outside 0..255 is held at the nearer end, so it cannot spill into the others.
    std::uint32_t Packed() const
    {
        return Channel(alpha) << 24 | Channel(red) << 16 | Channel(green) << 8 | Channel(blue);
    }

private:
    static std::uint32_t Channel(int v)
    {
        return static_cast<std::uint32_t>(v < 0 ? 0 : v > 255 ? 255 : v);
    }
};

// How a control's text is drawn. Controls copy styles by value; the cached font is filled in
// on first use and points into the process-wide font cache, which outlives every style.
struct ITextStyle {
    static constexpr int kFaceSize = 32;
    char face[kFaceSize] = "Arial"; // zero-terminated
    int size = 12; // pixel height of the font
    IArgb colour;
    int style = 0; // bit set: 1 bold, 2 italic
    int alignment = 0; // 0 left, 1 centred, 2 right
    int orientation = 0; // degrees
    int quality = 0; // 0 default, 1 non-antialiased, 2 antialiased, 3 ClearType
    RasterFont* cachedFont = nullptr;
};

// A style of the given face (cut to fit), pixel height, colour and alignment; the rest as
// a fresh style has it.
ITextStyle MakeTextStyle(const char* face, int size, const IArgb& colour, int alignment = 0);

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
