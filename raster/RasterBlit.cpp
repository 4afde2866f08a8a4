#include "raster/RasterBlit.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace RasterBlit {

namespace {

// A rectangle's position along one axis in both rasters, cut to both. 64-bit so that
// positions near the int range's ends cannot overflow while being moved.
bool ClipAxis(std::int64_t& src, std::int64_t& dest, std::int64_t& length, int srcSize,
              int destSize)
{
    const std::int64_t shift = std::max<std::int64_t>({ 0, -src, -dest });
    src += shift;
    dest += shift;
    length -= shift;
    length = std::min({ length, srcSize - src, destSize - dest });
    return length > 0;
}

void CopyRows(IRaster& dest, const std::uint32_t* src, int srcStride, int x, int y, int w,
              int h, std::uint32_t op, BlendMethod method)
{
    std::uint32_t* const out = dest.Pixels();
    const int stride = dest.Width();
    if (method == BlendMethod::Replace && op == 255) {
        for (int row = 0; row < h; ++row)
            std::memmove(out + std::size_t(y + row) * stride + x, src + std::size_t(row) * srcStride,
                         std::size_t(w) * sizeof(std::uint32_t));
        return;
    }
    RasterBlend::WithMethod(method, [&](auto m) {
        constexpr BlendMethod kMethod = decltype(m)::value;
        for (int row = 0; row < h; ++row) {
            std::uint32_t* d = out + std::size_t(y + row) * stride + x;
            const std::uint32_t* s = src + std::size_t(row) * srcStride;
            for (int i = 0; i < w; ++i) {
                const std::uint32_t p = s[i];
                // Opaque and invisible source pixels are the common cases of image art.
                if (kMethod == BlendMethod::Normal && op == 255 && p >= 0xFF000000u)
                    d[i] = p;
                else if (kMethod != BlendMethod::Replace && p < 0x01000000u)
                    continue;
                else
                    d[i] = RasterBlend::BlendPixel<kMethod>(d[i], p, op);
            }
        }
    });
}

} // namespace

void Blit(IRaster& dest, const IRaster& src, int destX, int destY, int srcX, int srcY,
          int width, int height, float opacity, BlendMethod method)
{
    std::int64_t sx = srcX, sy = srcY, dx = destX, dy = destY, w = width, h = height;
    if (!ClipAxis(sx, dx, w, src.Width(), dest.Width()) ||
        !ClipAxis(sy, dy, h, src.Height(), dest.Height()))
        return;
    const std::uint32_t op = RasterBlend::OpacityByte(opacity);
    if (op == 0)
        return; // every method leaves the destination as it is
    const std::uint32_t* from = src.Pixels() + std::size_t(sy) * src.Width() + std::size_t(sx);
    if (&dest == &src) {
        // Rows of one raster may overlap in either direction; blending reads what it writes.
        std::vector<std::uint32_t> copy(std::size_t(w) * std::size_t(h));
        for (std::int64_t row = 0; row < h; ++row)
            std::memcpy(copy.data() + std::size_t(row * w), from + std::size_t(row) * src.Width(),
                        std::size_t(w) * sizeof(std::uint32_t));
        CopyRows(dest, copy.data(), int(w), int(dx), int(dy), int(w), int(h), op, method);
        return;
    }
    CopyRows(dest, from, src.Width(), int(dx), int(dy), int(w), int(h), op, method);
}

} // namespace RasterBlit
