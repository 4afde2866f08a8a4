// FLAC reading: files made by the flac tool from WAV fixtures decode to the values the WAV
// reader gives for their sources; other depths scale by their power of two; damage keeps
// what came before it; refusals say why.
#include "samplefiles/FlacReader.h"
#include "samplefiles/WavReader.h"
#include "tests/samplefiles/WavTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace WavTestFiles;

namespace {

constexpr std::uint64_t kNoLimit = ~std::uint64_t(0);

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Interleaved values of a WAV fixture as the WAV reader decodes them.
std::vector<double> WavValues(const std::string& name)
{
    WavReader reader;
    EXPECT_TRUE(reader.Open(DataFile(name + ".wav").string().c_str()));
    std::vector<double> values(std::size_t(reader.Frames()) * std::size_t(reader.Channels()));
    EXPECT_EQ(reader.Read(values.data(), values.size()), values.size());
    return values;
}

std::vector<double> Channel(const std::vector<double>& interleaved, int channels, int channel)
{
    std::vector<double> out;
    for (std::size_t i = std::size_t(channel); i < interleaved.size(); i += std::size_t(channels))
        out.push_back(interleaved[i]);
    return out;
}

struct Fixture {
    const char* flac;
    // The WAV fixture it was encoded from, or null when flac/NAME.f64 holds the values.
    const char* wav;
    int channels;
    int rate;
    int bits;
} const kFixtures[] = {
    { "pcm8-mono", "pcm8-mono", 1, 11025, 8 },
    { "pcm16-stereo", "pcm16-stereo", 2, 8000, 16 },
    { "pcm24-stereo", "pcm24-stereo", 2, 8000, 24 },
    { "pcm24-stereo-blocks", "pcm24-stereo", 2, 8000, 24 },
    { "pcm24-six", "pcm24-six", 6, 8000, 24 },
    { "pcm12-mono", nullptr, 1, 8000, 12 },
    { "pcm32-mono", nullptr, 1, 8000, 32 },
};

std::vector<double> Reference(const Fixture& f)
{
    return f.wav ? WavValues(f.wav) : ValuesIn(FlacFile(std::string(f.flac) + ".f64"));
}

// Decodes the whole file into two planes of `frames` values and one sentinel each.
struct Planes {
    explicit Planes(std::size_t newFrames)
        : frames(newFrames),
          values(2 * (newFrames + 1), 42.0)
    {
    }
    double* Plane(int p) { return values.data() + std::size_t(p) * (frames + 1); }
    std::vector<double> Of(int p) { return std::vector<double>(Plane(p), Plane(p) + frames); }
    std::size_t frames;
    std::vector<double> values;
};

TEST(FlacReader, DecodesToTheValuesOfItsSourceScaledByItsDepth)
{
    for (const Fixture& f : kFixtures) {
        SCOPED_TRACE(f.flac);
        const std::vector<double> reference = Reference(f);
        ASSERT_FALSE(reference.empty());
        const std::string path = FlacFile(std::string(f.flac) + ".flac").string();
        FlacReader reader;
        ASSERT_TRUE(reader.Open(path.c_str(), kNoLimit));
        EXPECT_EQ(reader.Failure(), LoadFailure::kNone);
        EXPECT_EQ(reader.Channels(), f.channels);
        EXPECT_EQ(reader.Rate(), f.rate);
        EXPECT_EQ(reader.Bits(), f.bits);
        const std::size_t frames = reference.size() / std::size_t(f.channels);
        ASSERT_EQ(reader.Frames(), frames);

        Planes whole(frames);
        EXPECT_EQ(reader.Read(whole.Plane(0), whole.Plane(1), reader.Frames() + 5), frames);
        EXPECT_EQ(whole.Of(0), Channel(reference, f.channels, 0));
        if (f.channels > 1)
            EXPECT_EQ(whole.Of(1), Channel(reference, f.channels, 1));
        else // a mono stream leaves the second plane alone
            EXPECT_EQ(whole.Of(1), std::vector<double>(frames, 42.0));
        EXPECT_EQ(whole.Plane(0)[frames], 42.0);
        EXPECT_EQ(whole.Plane(1)[frames], 42.0);

        // In steps shorter than a block: the rest of each block waits for the next step.
        ASSERT_TRUE(reader.Open(path.c_str(), kNoLimit));
        Planes steps(frames);
        std::size_t done = 0;
        for (std::uint32_t got = 1; got > 0; done += got)
            got = reader.Read(steps.Plane(0) + done, steps.Plane(1) + done,
                std::uint32_t(std::min<std::size_t>(37, frames - done)));
        EXPECT_EQ(done, frames);
        EXPECT_EQ(steps.values, whole.values);
    }
}

TEST(FlacReader, DamageKeepsTheBlocksDecodedBeforeIt)
{
    const fs::path source = FlacFile("pcm24-stereo-blocks.flac");
    const std::string whole = ReadBytes(source);
    const std::vector<double> left = Channel(WavValues("pcm24-stereo"), 2, 0);
    std::string flipped = whole;
    flipped[whole.size() / 2] = char(flipped[whole.size() / 2] ^ 0x10);
    struct Case {
        const char* label;
        std::string bytes;
    } cases[] = {
        { "cut in the middle", whole.substr(0, whole.size() / 2) },
        { "a byte changed in the middle", flipped },
    };
    TempFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string path = folder.Write("damaged.flac", c.bytes);
        FlacReader reader;
        ASSERT_TRUE(reader.Open(path.c_str(), kNoLimit));
        ASSERT_EQ(reader.Frames(), left.size());
        std::vector<double> plane(left.size(), 0.0);
        const std::uint32_t got = reader.Read(plane.data(), nullptr, reader.Frames());
        // Whole blocks of 64 frames up to the damage, nothing from it on.
        EXPECT_GT(got, 0u);
        EXPECT_LT(got, left.size() * 3 / 4);
        EXPECT_EQ(got % 64, 0u);
        EXPECT_TRUE(std::equal(plane.begin(), plane.begin() + got, left.begin()));
        EXPECT_EQ(std::count(plane.begin() + got, plane.end(), 0.0),
            std::ptrdiff_t(left.size() - got));
    }
}

// The stream's description with its total frame count cleared, as encoders that can't
// seek back leave it. `last` also marks it as the last metadata block.
std::string WithoutLength(std::string bytes, bool last)
{
    // "fLaC", the block header, then the description: the count is the low 36 bits of
    // its bytes 10 to 17.
    bytes[21] = char(bytes[21] & 0xF0);
    for (std::size_t i = 22; i < 26; ++i)
        bytes[i] = '\0';
    if (last)
        bytes[4] = char(bytes[4] | 0x80);
    return bytes;
}

TEST(FlacReader, CountsTheFramesOfAStreamThatDoesntStateThem)
{
    TempFolder folder;
    const std::string path = folder.Write(
        "unknown.flac", WithoutLength(ReadBytes(FlacFile("pcm24-stereo-blocks.flac")), false));
    const std::vector<double> reference = WavValues("pcm24-stereo");
    FlacReader reader;
    ASSERT_TRUE(reader.Open(path.c_str(), kNoLimit));
    ASSERT_EQ(reader.Frames(), reference.size() / 2);
    Planes planes(reader.Frames());
    EXPECT_EQ(reader.Read(planes.Plane(0), planes.Plane(1), reader.Frames()), reader.Frames());
    EXPECT_EQ(planes.Of(1), Channel(reference, 2, 1));
}

TEST(FlacReader, RefusalsSayWhy)
{
    const std::string stream = ReadBytes(FlacFile("pcm16-stereo.flac"));
    // "fLaC" and the description block, 4 + 4 + 34 bytes.
    const std::string described = stream.substr(0, 42);
    TempFolder folder;
    std::filesystem::create_directory(folder.root / "folder.flac");
    struct Case {
        const char* label;
        std::string path;
        LoadFailure failure;
        std::uint64_t limit;
    } cases[] = {
        { "missing", folder.Path("missing.flac"), LoadFailure::kNotFound, kNoLimit },
        { "a folder", folder.Path("folder.flac"), LoadFailure::kUnreadable, kNoLimit },
        { "empty", folder.Write("empty.flac", ""), LoadFailure::kDamaged, kNoLimit },
        { "a WAV file", folder.Copy("pcm16-stereo.wav", "wav.flac"), LoadFailure::kDamaged,
            kNoLimit },
        { "description cut short", folder.Write("cut.flac", stream.substr(0, 30)),
            LoadFailure::kDamaged, kNoLimit },
        { "no frames, none stated", folder.Write("none.flac", WithoutLength(described, true)),
            LoadFailure::kNoAudio, kNoLimit },
        { "frames stated, none there",
            folder.Write("stated.flac", described.substr(0, 4) + char(described[4] | 0x80)
                    + described.substr(5)),
            LoadFailure::kDamaged, kNoLimit },
        { "more values than allowed", FlacFile("pcm16-stereo.flac").string(),
            LoadFailure::kTooLarge, 799 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        FlacReader reader;
        EXPECT_FALSE(reader.Open(c.path.c_str(), c.limit));
        EXPECT_EQ(reader.Failure(), c.failure);
        EXPECT_STREQ(reader.FailureDetail(), "");
        EXPECT_EQ(reader.Frames(), 0u);
        EXPECT_EQ(reader.Channels(), 0);
        double value = 42.0;
        EXPECT_EQ(reader.Read(&value, nullptr, 1), 0u);
        EXPECT_EQ(value, 42.0);
    }
    FlacReader reader;
    EXPECT_TRUE(reader.Open(FlacFile("pcm16-stereo.flac").string().c_str(), 800));
}

} // namespace
