#include "raster/RasterFill.h"

#include <algorithm>

namespace RasterFill {

void FillRect(IRaster& dest, int x, int y, int width, int height, std::uint32_t colour,
              float opacity, BlendMethod method)
{
    // 64-bit: x + width may pass the int range.
    const std::int64_t left = std::max<std::int64_t>(x, 0);
    const std::int64_t top = std::max<std::int64_t>(y, 0);
    const std::int64_t right = std::min<std::int64_t>(std::int64_t(x) + width, dest.Width());
    const std::int64_t bottom = std::min<std::int64_t>(std::int64_t(y) + height, dest.Height());
    const std::uint32_t op = RasterBlend::OpacityByte(opacity);
    if (left >= right || top >= bottom || op == 0)
        return;
    const std::size_t stride = std::size_t(dest.Width());
    RasterBlend::WithMethod(method, [&](auto m) {
        constexpr BlendMethod kMethod = decltype(m)::value;
        for (std::int64_t row = top; row < bottom; ++row) {
            std::uint32_t* d = dest.Pixels() + std::size_t(row) * stride;
            for (std::int64_t i = left; i < right; ++i)
                d[i] = RasterBlend::BlendPixel<kMethod>(d[i], colour, op);
        }
    });
}

} // namespace RasterFill
