// Drawing helpers of the art generator: straight-alpha compositing, antialiased shapes from
// distance functions, gradients and labels. They draw the editor's images once, at build
// time, on top of the raster layer (fills, blits and text).
//
// Every result must be the same bits on every build, because a test compares the checked-in
// images with what these functions draw under Linux and under Wine: so the arithmetic is
// IEEE double with + - * / and sqrt only (all correctly rounded), converted to bytes by
// explicit rounding, and angles come from RasterTrig. Pure functions, any thread.
#pragma once

#include "raster/IRaster.h"

#include <cstdint>

namespace ArtPaint {

constexpr std::uint32_t Argb(int a, int r, int g, int b)
{
    return static_cast<std::uint32_t>(a) << 24 | static_cast<std::uint32_t>(r) << 16 |
           static_cast<std::uint32_t>(g) << 8 | static_cast<std::uint32_t>(b);
}

// Channel-wise mix of two colours, t = 0 gives `from`, t = 1 gives `to` (t is clamped).
std::uint32_t Lerp(std::uint32_t from, std::uint32_t to, double t);

// The colour with its alpha scaled by `cover` (0..1), rounded.
std::uint32_t Fade(std::uint32_t colour, double cover);

// `source` laid over `dest`, both straight (not premultiplied) ARGB, by the source's alpha:
// the Porter-Duff over operator in exact integer arithmetic, so shapes drawn on a transparent
// image keep their own colour at soft edges instead of darkening towards black.
std::uint32_t Over(std::uint32_t dest, std::uint32_t source);

// Over on one pixel, with the source's alpha scaled by `cover`; outside the raster nothing.
void Plot(IRaster& dest, int x, int y, std::uint32_t colour, double cover);

// Signed distances (negative inside) in pixels, for coverage = 0.5 - distance.
double CircleDistance(double px, double py, double cx, double cy, double radius);
double RoundRectDistance(double px, double py, double left, double top, double right,
                         double bottom, double radius);
double SegmentDistance(double px, double py, double ax, double ay, double bx, double by);

// Paints every pixel of the box (x0, y0)-(x1, y1) (exclusive ends) whose centre lies inside
// or near the shape: `distance(px, py)` gives the signed distance at the pixel centre and
// `shade(px, py)` its colour; the coverage of the one-pixel edge is 0.5 - distance. A
// `softness` above 1 spreads the edge over that many pixels (shadows and glows).
template <class Distance, class Shade>
void PaintShape(IRaster& dest, int x0, int y0, int x1, int y1, Distance distance, Shade shade,
                double softness = 1.0)
{
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            double cover = 0.5 - distance(px, py) / softness;
            if (cover <= 0.0)
                continue;
            if (cover > 1.0)
                cover = 1.0;
            Plot(dest, x, y, shade(px, py), cover);
        }
    }
}

// Convenience shapes in one colour (positions in pixel-edge coordinates).
void FillCircle(IRaster& dest, double cx, double cy, double radius, std::uint32_t colour,
                double softness = 1.0);
void FillRoundRect(IRaster& dest, double left, double top, double right, double bottom,
                   double radius, std::uint32_t colour, double softness = 1.0);
// A rounded rectangle whose colour runs from `topColour` to `bottomColour`.
void FillRoundRectGradient(IRaster& dest, double left, double top, double right, double bottom,
                           double radius, std::uint32_t topColour, std::uint32_t bottomColour);
// The outline of a rounded rectangle, `width` pixels wide, inside its edge.
void StrokeRoundRect(IRaster& dest, double left, double top, double right, double bottom,
                     double radius, double width, std::uint32_t colour);
// A line with round ends, `width` pixels across.
void Stroke(IRaster& dest, double ax, double ay, double bx, double by, double width,
            std::uint32_t colour);
// A convex polygon (points in order), coverage counted on an 8 x 8 grid of samples per pixel.
void FillConvex(IRaster& dest, const double* xs, const double* ys, int count,
                std::uint32_t colour);

// Rows of the box (x, y, width x height) in colours running from `topColour` to
// `bottomColour`, laid with the raster layer's fill.
void VerticalGradient(IRaster& dest, int x, int y, int width, int height,
                      std::uint32_t topColour, std::uint32_t bottomColour);

// A small, repeatable variation of -amount..amount per pixel (a hash of the position), for
// the grain of a surface.
void Grain(IRaster& dest, int x, int y, int width, int height, int amount, std::uint32_t seed);

// Text through the process-wide font cache ("Arial" is Liberation Sans, "Verdana" DejaVu
// Sans). `align` 0 left of `left`, 1 centred between left and right, 2 ending at right; the
// cell's top at `top`. Returns false when the font cannot be made.
enum class Align { Left, Centre, Right };
bool Text(IRaster& dest, const char* face, int size, bool bold, const char* text, int left,
          int top, int right, Align align, std::uint32_t colour);
int TextWidth(const char* face, int size, bool bold, const char* text);

// The same line with extra pixels between its characters, starting at `left`.
void SpacedText(IRaster& dest, const char* face, int size, bool bold, const char* text,
                int left, int top, int spacing, std::uint32_t colour);
int SpacedTextWidth(const char* face, int size, bool bold, const char* text, int spacing);

} // namespace ArtPaint
