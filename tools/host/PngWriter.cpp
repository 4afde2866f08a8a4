#include "tools/host/PngWriter.h"

#include <png.h>

#include <cstdio>
#include <filesystem>
#include <new>

namespace {

// libpng reports errors by longjmp back to the setjmp of the call that is running. Only
// Compress calls libpng after a setjmp; it keeps nothing with a destructor in its own frame
// and returns at once after a jump, so no C++ object's life is cut short.

[[noreturn]] void OnError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

struct Output {
    std::vector<unsigned char> bytes;
    bool full = false;
};

void Append(png_structp png, png_bytep data, png_size_t count)
{
    auto* out = static_cast<Output*>(png_get_io_ptr(png));
    try {
        out->bytes.insert(out->bytes.end(), data, data + count);
    } catch (const std::bad_alloc&) {
        out->full = true;
    }
    if (out->full) { // outside the handler: jumping out of one would leak the exception
        png_error(png, "out of memory");
    }
}

void FlushNothing(png_structp) {}

bool Compress(png_structp png, png_infop info, Output* out, png_uint_32 width, png_uint_32 height,
              png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_write_fn(png, out, Append, FlushNothing);
    // Fixed settings rather than the library's defaults, so that every build writes the
    // same bytes.
    png_set_compression_level(png, 6);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

} // namespace

std::vector<unsigned char> EncodePng(int width, int height, const std::uint32_t* argb,
                                     std::string& error)
{
    if (width <= 0 || height <= 0 || argb == nullptr) {
        error = "no picture to write";
        return {};
    }
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<unsigned char> rgba(count * 4);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t pixel = argb[i];
        rgba[4 * i] = static_cast<unsigned char>(pixel >> 16);
        rgba[4 * i + 1] = static_cast<unsigned char>(pixel >> 8);
        rgba[4 * i + 2] = static_cast<unsigned char>(pixel);
        rgba[4 * i + 3] = static_cast<unsigned char>(pixel >> 24);
    }
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    for (std::size_t y = 0; y < rows.size(); ++y) {
        rows[y] = rgba.data() + y * static_cast<std::size_t>(width) * 4;
    }
    Output out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    const bool written = info != nullptr &&
                         Compress(png, info, &out, static_cast<png_uint_32>(width),
                                  static_cast<png_uint_32>(height), rows.data());
    png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
    if (!written) {
        error = out.full ? "out of memory while compressing the picture"
                         : "libpng could not compress the picture";
        return {};
    }
    return std::move(out.bytes);
}

bool WriteWholeFile(const std::string& path, const std::vector<unsigned char>& bytes,
                    std::string& error)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = "cannot write " + path;
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (written && closed) {
        return true;
    }
    error = "could not write all of " + path + " (is the disk full?)";
    std::error_code ignored;
    if (std::filesystem::is_regular_file(path, ignored)) {
        std::filesystem::remove(path, ignored);
    }
    return false;
}
