// PNG decoding and encoding. The decoder reads files of every colour type and bit depth,
// written here chunk by chunk (zlib for the compression, our own bytes for everything else),
// so the expected pixels follow from the PNG format's rules rather than from libpng; a
// round trip through the encoder gives back the raster; damaged files give an empty raster.
#include "raster/PngCodec.h"
#include "tests/raster/RasterTestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace RasterTestSupport;

namespace {

using Bytes = std::vector<unsigned char>;

void Be32(Bytes& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back((unsigned char)(v >> shift));
}

void Chunk(Bytes& out, const char* type, const Bytes& data)
{
    Be32(out, std::uint32_t(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    Be32(out, std::uint32_t(crc32(0, body.data(), uInt(body.size()))));
}

struct PngSpec {
    std::uint32_t width, height;
    int bitDepth, colourType;
    Bytes palette, transparency; // PLTE and tRNS contents, when not empty
    std::vector<Bytes> rows; // unfiltered row bytes, packed as the format packs them
};

// A non-interlaced PNG with filter type 0 ("none") on every row.
Bytes MakePng(const PngSpec& s)
{
    Bytes png = { 0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A };
    Bytes header;
    Be32(header, s.width);
    Be32(header, s.height);
    header.insert(header.end(), { (unsigned char)s.bitDepth, (unsigned char)s.colourType, 0, 0, 0 });
    Chunk(png, "IHDR", header);
    if (!s.palette.empty())
        Chunk(png, "PLTE", s.palette);
    if (!s.transparency.empty())
        Chunk(png, "tRNS", s.transparency);
    Bytes raw;
    for (const Bytes& row : s.rows) {
        raw.push_back(0);
        raw.insert(raw.end(), row.begin(), row.end());
    }
    uLongf size = compressBound(uLong(raw.size()));
    Bytes packed(size);
    compress(packed.data(), &size, raw.data(), uLong(raw.size()));
    packed.resize(size);
    Chunk(png, "IDAT", packed);
    Chunk(png, "IEND", {});
    return png;
}

IRaster DecodeBytes(const Bytes& png) { return PngCodec::Decode(png.data(), png.size()); }

TEST(PngCodec, DecodesEveryColourTypeAndBitDepthToArgb)
{
    const struct Case {
        const char* name;
        PngSpec spec;
        std::vector<std::uint32_t> expected;
    } cases[] = {
        { "grey 1-bit", { 3, 1, 1, 0, {}, {}, { { 0xA0 } } }, { 0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF } },
        { "grey 2-bit", { 4, 1, 2, 0, {}, {}, { { 0x1B } } },
          { 0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF } },
        { "grey 4-bit, value 3 transparent", { 2, 1, 4, 0, {}, { 0, 3 }, { { 0x3C } } },
          { 0x00333333, 0xFFCCCCCC } },
        { "grey 16-bit, scaled with rounding", { 3, 1, 16, 0, {}, {}, { { 0x80, 0x80, 0x7F, 0xFF, 0x00, 0xFF } } },
          { 0xFF808080, 0xFF7F7F7F, 0xFF010101 } },
        { "grey and alpha", { 1, 2, 8, 4, {}, {}, { { 0x40, 0x80 }, { 0xFF, 0x00 } } },
          { 0x80404040, 0x00FFFFFF } },
        { "rgb 8-bit", { 2, 1, 8, 2, {}, {}, { { 1, 2, 3, 250, 251, 252 } } }, { 0xFF010203, 0xFFFAFBFC } },
        { "rgb 16-bit", { 1, 1, 16, 2, {}, {}, { { 0xFF, 0xFF, 0x00, 0x00, 0x12, 0x34 } } }, { 0xFFFF0012 } },
        { "rgba 8-bit", { 1, 1, 8, 6, {}, {}, { { 10, 20, 30, 40 } } }, { 0x280A141E } },
        { "rgba 16-bit", { 1, 1, 16, 6, {}, {}, { { 0, 0, 0xFF, 0xFF, 0, 0, 0x80, 0x00 } } }, { 0x8000FF00 } },
        { "palette 2-bit with transparency",
          { 3, 1, 2, 3, { 255, 0, 0, 0, 255, 0, 0, 0, 255 }, { 0x80 }, { { 0x18 } } },
          { 0x80FF0000, 0xFF00FF00, 0xFF0000FF } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const IRaster r = DecodeBytes(MakePng(c.spec));
        ASSERT_EQ(r.Width(), int(c.spec.width));
        ASSERT_EQ(r.Height(), int(c.spec.height));
        EXPECT_EQ(PixelsOf(r), c.expected);
    }
}

TEST(PngCodec, EncodingRoundTripsEveryPixel)
{
    for (const auto& [w, h] : { std::pair { 1, 1 }, { 37, 5 }, { 504, 3 } }) {
        const IRaster original = RandomRaster(w, h, 31);
        const Bytes png = PngCodec::Encode(original);
        ASSERT_FALSE(png.empty());
        const IRaster back = DecodeBytes(png);
        ASSERT_EQ(back.Width(), w);
        ASSERT_EQ(back.Height(), h);
        EXPECT_EQ(PixelsOf(back), PixelsOf(original));
    }
    EXPECT_TRUE(PngCodec::Encode(IRaster()).empty());
}

TEST(PngCodec, DamagedDataGivesAnEmptyRaster)
{
    const Bytes good = PngCodec::Encode(RandomRaster(20, 10, 32));
    ASSERT_EQ(DecodeBytes(good).Width(), 20);
    std::vector<std::pair<std::string, Bytes>> damaged;
    for (const std::size_t keep : { std::size_t(0), std::size_t(7), std::size_t(8), std::size_t(20),
                                     std::size_t(33), good.size() / 2, good.size() - 13, good.size() - 1 })
        damaged.push_back({ "cut to " + std::to_string(keep), Bytes(good.begin(), good.begin() + keep) });
    Bytes badSignature = good;
    badSignature[1] = 'Q';
    damaged.push_back({ "signature", badSignature });
    Bytes badChecksum = good;
    badChecksum[good.size() / 2] ^= 0x55; // inside the image data
    damaged.push_back({ "checksum", badChecksum });
    // Intact chunks around nonsense: a header too large to allocate, a zero size, an
    // invalid bit depth, image data that does not inflate, too little image data.
    damaged.push_back({ "huge", MakePng({ 100000, 100000, 8, 6, {}, {}, { Bytes(400000, 0) } }) });
    damaged.push_back({ "over the pixel limit", MakePng({ 4096, 4097, 1, 0, {}, {},
                                                          std::vector<Bytes>(4097, Bytes(512, 0)) }) });
    damaged.push_back({ "zero width", MakePng({ 0, 1, 8, 0, {}, {}, { {} } }) });
    damaged.push_back({ "bit depth 7", MakePng({ 1, 1, 7, 0, {}, {}, { { 0 } } }) });
    damaged.push_back({ "palette without PLTE", MakePng({ 1, 1, 8, 3, {}, {}, { { 0 } } }) });
    damaged.push_back({ "too few rows", MakePng({ 2, 3, 8, 2, {}, {}, { Bytes(6, 9) } }) });
    Bytes notDeflate = MakePng({ 1, 1, 8, 0, {}, {}, { { 5 } } });
    notDeflate.resize(33); // signature and IHDR
    Chunk(notDeflate, "IDAT", { 1, 2, 3, 4, 5, 6 });
    Chunk(notDeflate, "IEND", {});
    damaged.push_back({ "not deflate", notDeflate });
    for (const auto& [name, bytes] : damaged) {
        SCOPED_TRACE(name);
        const IRaster r = DecodeBytes(bytes);
        EXPECT_EQ(r.Width(), 0);
        EXPECT_EQ(r.Height(), 0);
    }
    EXPECT_EQ(PngCodec::Decode(nullptr, 100).Width(), 0);
}

} // namespace
