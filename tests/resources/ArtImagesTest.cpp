// The checked-in editor images must be exactly what the art generator draws: nobody edits a
// PNG by hand, and nobody changes the drawing code without regenerating them
// (scripts/make-art.sh). Run by the Windows suite too, where the same code must draw the
// same bits.
#include "tools/artgen/ArtImages.h"

#include "raster/PngCodec.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

namespace ArtImages {

// Test names and failures show the file, not the structure's bytes.
void PrintTo(const ImageInfo& info, std::ostream* out) { *out << info.file; }

} // namespace ArtImages

namespace {

std::vector<unsigned char> ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>() };
}

class ArtImagesTest : public testing::TestWithParam<ArtImages::ImageInfo> {};

TEST_P(ArtImagesTest, CheckedInFileIsWhatTheGeneratorDraws)
{
    const ArtImages::ImageInfo& info = GetParam();
    const std::vector<unsigned char> bytes =
        ReadFile(std::string(QUELLORN_RESOURCE_DIR) + "/img/" + info.file);
    // The header's bit depth and colour type: 8-bit RGBA, as the editor's resources are.
    ASSERT_GT(bytes.size(), 26u) << info.file << " is missing or truncated";
    EXPECT_EQ(bytes[24], 8);
    EXPECT_EQ(bytes[25], 6);

    const IRaster stored = PngCodec::Decode(bytes.data(), bytes.size());
    const IRaster drawn = ArtImages::DrawArtImage(info.id);
    ASSERT_EQ(drawn.Width(), info.width);
    ASSERT_EQ(drawn.Height(), info.height);
    ASSERT_EQ(stored.Width(), info.width) << info.file;
    ASSERT_EQ(stored.Height(), info.height) << info.file;
    for (int y = 0; y < info.height; ++y) {
        for (int x = 0; x < info.width; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * info.width + x;
            ASSERT_EQ(stored.Pixels()[i], drawn.Pixels()[i])
                << info.file << " differs first at (" << x << ", " << y
                << "): run scripts/make-art.sh";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllTwelve, ArtImagesTest, testing::ValuesIn(ArtImages::kImages),
                         [](const testing::TestParamInfo<ArtImages::ImageInfo>& param) {
                             return "Id" + std::to_string(param.param.id);
                         });

} // namespace
