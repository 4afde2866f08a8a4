#include "raster/PngCodec.h"

#include <png.h>

#include <cstdint>
#include <cstring>
#include <new>

namespace PngCodec {

namespace {

// libpng reports errors by longjmp back to the setjmp of the call that is running. Only the
// functions marked below call libpng after a setjmp; they keep nothing with a destructor in
// their own frame and return at once after a jump, so no C++ object's life is cut short.

[[noreturn]] void OnError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1); // silently: the caller reports failure by the empty result
}

void OnWarning(png_structp, png_const_charp) {}

struct Source {
    const unsigned char* data;
    std::size_t size;
    std::size_t pos;
};

void ReadBytes(png_structp png, png_bytep out, png_size_t count)
{
    Source* source = static_cast<Source*>(png_get_io_ptr(png));
    if (count > source->size - source->pos)
        png_error(png, "truncated");
    std::memcpy(out, source->data + source->pos, count);
    source->pos += count;
}

struct Decoding {
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    std::vector<unsigned char> rgba;
    std::vector<png_bytep> rows;
};

// Calls libpng after setjmp (see above). May throw std::bad_alloc from the buffers, which
// is raised outside libpng's frames.
bool ReadImage(Decoding* d, Source* source)
{
    if (setjmp(png_jmpbuf(d->png)))
        return false;
    png_set_read_fn(d->png, source, ReadBytes);
    png_set_user_limits(d->png, kMaxSide, kMaxSide);
    png_read_info(d->png, d->info);
    d->width = png_get_image_width(d->png, d->info);
    d->height = png_get_image_height(d->png, d->info);
    if (d->width == 0 || d->height == 0 ||
        std::uint64_t(d->width) * d->height > std::uint64_t(kMaxPixels))
        return false;
    png_set_expand(d->png);
    png_set_scale_16(d->png);
    png_set_gray_to_rgb(d->png);
    png_set_add_alpha(d->png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(d->png);
    png_read_update_info(d->png, d->info);
    const std::size_t rowBytes = std::size_t(d->width) * 4;
    if (png_get_rowbytes(d->png, d->info) != rowBytes)
        return false;
    d->rgba.resize(rowBytes * d->height);
    d->rows.resize(d->height);
    for (png_uint_32 y = 0; y < d->height; ++y)
        d->rows[y] = d->rgba.data() + rowBytes * y;
    png_read_image(d->png, d->rows.data());
    png_read_end(d->png, nullptr);
    return true;
}

struct Encoding {
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    std::vector<png_bytep> rows;
    std::vector<unsigned char>* out = nullptr;
};

void WriteBytes(png_structp png, png_bytep data, png_size_t count)
{
    auto* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
    bool full = false;
    try {
        out->insert(out->end(), data, data + count);
    } catch (const std::bad_alloc&) {
        full = true;
    }
    if (full) // outside the handler: jumping out of one would leak the exception
        png_error(png, "out of memory");
}

void FlushNothing(png_structp) {}

// Calls libpng after setjmp (see above).
bool WriteImage(Encoding* e)
{
    if (setjmp(png_jmpbuf(e->png)))
        return false;
    png_set_write_fn(e->png, e->out, WriteBytes, FlushNothing);
    png_set_IHDR(e->png, e->info, e->width, e->height, 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(e->png, e->info);
    png_write_image(e->png, e->rows.data());
    png_write_end(e->png, nullptr);
    return true;
}

} // namespace

IRaster Decode(const unsigned char* data, std::size_t size)
{
    if (data == nullptr || size < 8 || png_sig_cmp(data, 0, 8) != 0)
        return {};
    Source source { data, size, 0 };
    Decoding d;
    d.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (d.png == nullptr)
        return {};
    d.info = png_create_info_struct(d.png);
    bool ok = false;
    if (d.info != nullptr) {
        try {
            ok = ReadImage(&d, &source);
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    png_destroy_read_struct(&d.png, d.info != nullptr ? &d.info : nullptr, nullptr);
    if (!ok)
        return {};
    IRaster raster;
    try {
        raster.Resize(int(d.width), int(d.height));
    } catch (const std::bad_alloc&) {
        return {};
    }
    std::uint32_t* pixels = raster.Pixels();
    const std::size_t count = std::size_t(d.width) * d.height;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char* p = d.rgba.data() + 4 * i;
        pixels[i] = std::uint32_t(p[3]) << 24 | std::uint32_t(p[0]) << 16 |
                    std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]);
    }
    return raster;
}

std::vector<unsigned char> Encode(const IRaster& raster)
{
    std::vector<unsigned char> out;
    if (raster.Width() <= 0 || raster.Height() <= 0)
        return out;
    Encoding e;
    e.width = png_uint_32(raster.Width());
    e.height = png_uint_32(raster.Height());
    e.out = &out;
    std::vector<unsigned char> rgba;
    try {
        const std::size_t count = std::size_t(e.width) * e.height;
        rgba.resize(count * 4);
        e.rows.resize(e.height);
        const std::uint32_t* pixels = raster.Pixels();
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t p = pixels[i];
            unsigned char* q = rgba.data() + 4 * i;
            q[0] = (unsigned char)(p >> 16);
            q[1] = (unsigned char)(p >> 8);
            q[2] = (unsigned char)p;
            q[3] = (unsigned char)(p >> 24);
        }
        for (png_uint_32 y = 0; y < e.height; ++y)
            e.rows[y] = rgba.data() + std::size_t(e.width) * 4 * y;
    } catch (const std::bad_alloc&) {
        return {};
    }
    e.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (e.png == nullptr)
        return {};
    e.info = png_create_info_struct(e.png);
    const bool ok = e.info != nullptr && WriteImage(&e);
    png_destroy_write_struct(&e.png, e.info != nullptr ? &e.info : nullptr);
    if (!ok)
        out.clear();
    return out;
}

} // namespace PngCodec
