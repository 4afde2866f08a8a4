#include "tools/artgen/ArtPaint.h"

#include "raster/RasterFill.h"
#include "raster/RasterFont.h"
#include "raster/RasterFontCache.h"

#include <cmath>
#include <cstring>

namespace ArtPaint {

namespace {

int Channel(std::uint32_t colour, int shift) { return static_cast<int>(colour >> shift & 0xFF); }

int RoundByte(double v)
{
    if (!(v > 0.0))
        return 0;
    if (v >= 255.0)
        return 255;
    return static_cast<int>(v + 0.5);
}

RasterFont* FontFor(const char* face, int size, bool bold)
{
    RasterFontKey key;
    std::strncpy(key.face, face, RasterFontKey::kFaceSize - 1);
    key.pixelHeight = size;
    key.bold = bold;
    return RasterFontCache::Get(key);
}

} // namespace

std::uint32_t Lerp(std::uint32_t from, std::uint32_t to, double t)
{
    if (!(t > 0.0))
        t = 0.0;
    if (t > 1.0)
        t = 1.0;
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const double a = Channel(from, shift), b = Channel(to, shift);
        out |= static_cast<std::uint32_t>(RoundByte(a + (b - a) * t)) << shift;
    }
    return out;
}

std::uint32_t Fade(std::uint32_t colour, double cover)
{
    return (colour & 0x00FFFFFFu) |
           static_cast<std::uint32_t>(RoundByte(Channel(colour, 24) * cover)) << 24;
}

std::uint32_t Over(std::uint32_t dest, std::uint32_t source)
{
    const std::uint32_t sa = source >> 24;
    if (sa == 0)
        return dest;
    if (sa == 255)
        return source;
    const std::uint32_t da = dest >> 24;
    // Alphas times 255, so that no intermediate rounding creeps in before the one division.
    const std::uint32_t destWeight = da * (255u - sa);
    const std::uint32_t total = sa * 255u + destWeight;
    if (total == 0)
        return 0;
    std::uint32_t out = ((total + 127u) / 255u) << 24;
    for (int shift = 0; shift < 24; shift += 8) {
        const std::uint32_t s = source >> shift & 0xFF, d = dest >> shift & 0xFF;
        out |= ((s * sa * 255u + d * destWeight + total / 2u) / total) << shift;
    }
    return out;
}

void Plot(IRaster& dest, int x, int y, std::uint32_t colour, double cover)
{
    if (x < 0 || y < 0 || x >= dest.Width() || y >= dest.Height())
        return;
    std::uint32_t& pixel = dest.Pixels()[static_cast<std::size_t>(y) * dest.Width() + x];
    pixel = Over(pixel, Fade(colour, cover));
}

double CircleDistance(double px, double py, double cx, double cy, double radius)
{
    const double dx = px - cx, dy = py - cy;
    return std::sqrt(dx * dx + dy * dy) - radius;
}

double RoundRectDistance(double px, double py, double left, double top, double right,
                         double bottom, double radius)
{
    const double hx = (right - left) * 0.5, hy = (bottom - top) * 0.5;
    double qx = px - (left + right) * 0.5, qy = py - (top + bottom) * 0.5;
    qx = (qx < 0.0 ? -qx : qx) - hx + radius;
    qy = (qy < 0.0 ? -qy : qy) - hy + radius;
    const double ox = qx > 0.0 ? qx : 0.0, oy = qy > 0.0 ? qy : 0.0;
    const double inside = qx > qy ? qx : qy;
    return std::sqrt(ox * ox + oy * oy) + (inside < 0.0 ? inside : 0.0) - radius;
}

double SegmentDistance(double px, double py, double ax, double ay, double bx, double by)
{
    const double dx = bx - ax, dy = by - ay;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0.0 ? ((px - ax) * dx + (py - ay) * dy) / length2 : 0.0;
    t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
    const double ex = px - (ax + dx * t), ey = py - (ay + dy * t);
    return std::sqrt(ex * ex + ey * ey);
}

namespace {

// The pixel box that holds a shape reaching `reach` pixels beyond the given edges.
struct Bounds {
    int x0, y0, x1, y1;
};

Bounds BoundsOf(double left, double top, double right, double bottom, double reach)
{
    return { static_cast<int>(std::floor(left - reach)), static_cast<int>(std::floor(top - reach)),
             static_cast<int>(std::ceil(right + reach)) + 1,
             static_cast<int>(std::ceil(bottom + reach)) + 1 };
}

} // namespace

void FillCircle(IRaster& dest, double cx, double cy, double radius, std::uint32_t colour,
                double softness)
{
    const Bounds b = BoundsOf(cx - radius, cy - radius, cx + radius, cy + radius, softness);
    PaintShape(
        dest, b.x0, b.y0, b.x1, b.y1,
        [&](double px, double py) { return CircleDistance(px, py, cx, cy, radius); },
        [&](double, double) { return colour; }, softness);
}

void FillRoundRect(IRaster& dest, double left, double top, double right, double bottom,
                   double radius, std::uint32_t colour, double softness)
{
    const Bounds b = BoundsOf(left, top, right, bottom, softness);
    PaintShape(
        dest, b.x0, b.y0, b.x1, b.y1,
        [&](double px, double py) {
            return RoundRectDistance(px, py, left, top, right, bottom, radius);
        },
        [&](double, double) { return colour; }, softness);
}

void FillRoundRectGradient(IRaster& dest, double left, double top, double right, double bottom,
                           double radius, std::uint32_t topColour, std::uint32_t bottomColour)
{
    const Bounds b = BoundsOf(left, top, right, bottom, 1.0);
    PaintShape(
        dest, b.x0, b.y0, b.x1, b.y1,
        [&](double px, double py) {
            return RoundRectDistance(px, py, left, top, right, bottom, radius);
        },
        [&](double, double py) {
            return Lerp(topColour, bottomColour, (py - top) / (bottom - top));
        });
}

void StrokeRoundRect(IRaster& dest, double left, double top, double right, double bottom,
                     double radius, double width, std::uint32_t colour)
{
    const Bounds b = BoundsOf(left, top, right, bottom, 1.0);
    const double innerRadius = radius > width ? radius - width : 0.0;
    PaintShape(
        dest, b.x0, b.y0, b.x1, b.y1,
        [&](double px, double py) {
            const double outer = RoundRectDistance(px, py, left, top, right, bottom, radius);
            const double inner = RoundRectDistance(px, py, left + width, top + width,
                                                   right - width, bottom - width, innerRadius);
            return outer > -inner ? outer : -inner;
        },
        [&](double, double) { return colour; });
}

void Stroke(IRaster& dest, double ax, double ay, double bx, double by, double width,
            std::uint32_t colour)
{
    const double half = width * 0.5;
    const Bounds b = BoundsOf(ax < bx ? ax : bx, ay < by ? ay : by, ax < bx ? bx : ax,
                              ay < by ? by : ay, half + 1.0);
    PaintShape(
        dest, b.x0, b.y0, b.x1, b.y1,
        [&](double px, double py) { return SegmentDistance(px, py, ax, ay, bx, by) - half; },
        [&](double, double) { return colour; });
}

void FillConvex(IRaster& dest, const double* xs, const double* ys, int count,
                std::uint32_t colour)
{
    if (count < 3)
        return;
    double left = xs[0], right = xs[0], top = ys[0], bottom = ys[0];
    double area = 0.0;
    for (int i = 0; i < count; ++i) {
        left = xs[i] < left ? xs[i] : left;
        right = xs[i] > right ? xs[i] : right;
        top = ys[i] < top ? ys[i] : top;
        bottom = ys[i] > bottom ? ys[i] : bottom;
        const int j = (i + 1) % count;
        area += xs[i] * ys[j] - xs[j] * ys[i];
    }
    // Inside means on the same side of every edge as the polygon's winding.
    const double sign = area < 0.0 ? -1.0 : 1.0;
    const Bounds b = BoundsOf(left, top, right, bottom, 0.0);
    for (int y = b.y0; y < b.y1; ++y) {
        for (int x = b.x0; x < b.x1; ++x) {
            int hits = 0;
            for (int sy = 0; sy < 8; ++sy) {
                for (int sx = 0; sx < 8; ++sx) {
                    const double px = x + (sx + 0.5) / 8.0, py = y + (sy + 0.5) / 8.0;
                    bool inside = true;
                    for (int i = 0; i < count && inside; ++i) {
                        const int j = (i + 1) % count;
                        const double cross =
                            (xs[j] - xs[i]) * (py - ys[i]) - (ys[j] - ys[i]) * (px - xs[i]);
                        inside = cross * sign >= 0.0;
                    }
                    hits += inside ? 1 : 0;
                }
            }
            if (hits > 0)
                Plot(dest, x, y, colour, hits / 64.0);
        }
    }
}

void VerticalGradient(IRaster& dest, int x, int y, int width, int height,
                      std::uint32_t topColour, std::uint32_t bottomColour)
{
    for (int row = 0; row < height; ++row) {
        const double t = height > 1 ? static_cast<double>(row) / (height - 1) : 0.0;
        RasterFill::FillRect(dest, x, y + row, width, 1, Lerp(topColour, bottomColour, t), 1.0f,
                             BlendMethod::Normal);
    }
}

void Grain(IRaster& dest, int x, int y, int width, int height, int amount, std::uint32_t seed)
{
    for (int row = y; row < y + height; ++row) {
        for (int col = x; col < x + width; ++col) {
            if (col < 0 || row < 0 || col >= dest.Width() || row >= dest.Height())
                continue;
            std::uint32_t h = static_cast<std::uint32_t>(col) * 73856093u ^
                              static_cast<std::uint32_t>(row) * 19349663u ^ seed * 83492791u;
            h ^= h >> 13;
            h *= 0x5bd1e995u;
            h ^= h >> 15;
            const int delta = static_cast<int>(h % static_cast<std::uint32_t>(2 * amount + 1)) - amount;
            std::uint32_t& pixel = dest.Pixels()[static_cast<std::size_t>(row) * dest.Width() + col];
            std::uint32_t out = pixel & 0xFF000000u;
            for (int shift = 0; shift < 24; shift += 8) {
                int c = Channel(pixel, shift) + delta;
                c = c < 0 ? 0 : (c > 255 ? 255 : c);
                out |= static_cast<std::uint32_t>(c) << shift;
            }
            pixel = out;
        }
    }
}

bool Text(IRaster& dest, const char* face, int size, bool bold, const char* text, int left,
          int top, int right, Align align, std::uint32_t colour)
{
    RasterFont* font = FontFor(face, size, bold);
    if (!font)
        return false;
    int flags = RasterText::kNoClip | RasterText::kUseColourAlpha;
    if (align == Align::Centre)
        flags |= RasterText::kCentre;
    else if (align == Align::Right)
        flags |= RasterText::kRight;
    return font->DrawText(dest, text, left, top, right, top + size, colour, flags);
}

int TextWidth(const char* face, int size, bool bold, const char* text)
{
    RasterFont* font = FontFor(face, size, bold);
    return font ? font->TextWidth(text) : 0;
}

void SpacedText(IRaster& dest, const char* face, int size, bool bold, const char* text,
                int left, int top, int spacing, std::uint32_t colour)
{
    char one[2] = { 0, 0 };
    for (const char* c = text; *c; ++c) {
        one[0] = *c;
        Text(dest, face, size, bold, one, left, top, left + size * 2, Align::Left, colour);
        left += TextWidth(face, size, bold, one) + spacing;
    }
}

int SpacedTextWidth(const char* face, int size, bool bold, const char* text, int spacing)
{
    const int length = static_cast<int>(std::strlen(text));
    return TextWidth(face, size, bold, text) + (length > 1 ? (length - 1) * spacing : 0);
}

} // namespace ArtPaint
