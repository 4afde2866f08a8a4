#include "raster/RasterLine.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace RasterLine {

namespace {

// Floor division for a positive divisor; C++ division truncates toward zero.
std::int64_t FloorDiv(std::int64_t n, std::int64_t d)
{
    const std::int64_t q = n / d;
    return (n % d != 0 && n < 0) ? q - 1 : q;
}

// Walks a line along its major axis (called u here; v is the minor one) with u1 <= u2 and
// |v2 - v1| <= u2 - u1, calling plot(u, v, weight 0..256) for each pixel it touches whose
// major coordinate lies in [0, uSize).
template <typename Plot>
void Walk(std::int64_t u1, std::int64_t v1, std::int64_t u2, std::int64_t v2, int uSize,
          bool antialias, Plot plot)
{
    const std::int64_t du = u2 - u1, dv = v2 - v1;
    if (du == 0) {
        if (u1 >= 0 && u1 < uSize)
            plot(u1, v1, 256);
        return;
    }
    const std::int64_t first = std::max<std::int64_t>(u1, 0);
    const std::int64_t last = std::min<std::int64_t>(u2, std::int64_t(uSize) - 1);
    for (std::int64_t u = first; u <= last; ++u) {
        // The line's minor coordinate here is v1 + q + rem / du with 0 <= rem < du.
        const std::int64_t n = dv * (u - u1);
        const std::int64_t q = FloorDiv(n, du);
        const std::int64_t rem = n - q * du;
        const std::int64_t v = v1 + q;
        if (!antialias) {
            plot(u, 2 * rem >= du ? v + 1 : v, 256);
            continue;
        }
        // Weight of a pixel at distance dist/du from the point, rounded half up.
        const auto weight = [du](std::int64_t dist) { return int((512 * (du - dist) + du) / (2 * du)); };
        plot(u, v, weight(rem));
        if (rem != 0)
            plot(u, v + 1, weight(du - rem));
    }
}

} // namespace

void DrawLine(IRaster& dest, int x1, int y1, int x2, int y2, std::uint32_t colour,
              float opacity, BlendMethod method, bool antialias)
{
    for (const int c : { x1, y1, x2, y2 })
        if (c > kMaxCoordinate || c < -kMaxCoordinate)
            return;
    const std::uint32_t op = RasterBlend::OpacityByte(opacity);
    if (op == 0 || dest.Width() == 0 || dest.Height() == 0)
        return;
    const std::uint32_t source = colour | 0xFF000000u;
    const int width = dest.Width(), height = dest.Height();
    std::uint32_t* const pixels = dest.Pixels();
    const auto put = [&](std::int64_t x, std::int64_t y, int weight) {
        if (weight <= 0 || x < 0 || y < 0 || x >= width || y >= height)
            return;
        std::uint32_t& d = pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)];
        d = RasterBlend::BlendPixel(method, d, source, (op * std::uint32_t(weight) + 128u) >> 8);
    };
    std::int64_t ax = x1, ay = y1, bx = x2, by = y2;
    if (std::llabs(bx - ax) >= std::llabs(by - ay)) {
        if (bx < ax) {
            std::swap(ax, bx);
            std::swap(ay, by);
        }
        Walk(ax, ay, bx, by, width, antialias, put);
    } else {
        if (by < ay) {
            std::swap(ax, bx);
            std::swap(ay, by);
        }
        Walk(ay, ax, by, bx, height, antialias,
             [&](std::int64_t u, std::int64_t v, int weight) { put(v, u, weight); });
    }
}

} // namespace RasterLine
