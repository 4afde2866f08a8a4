// WAV reading: sox-made files in every accepted encoding, the conversion of each bit
// depth, and hostile files that must be refused or bounded.
#include "samplefiles/WavReader.h"
#include "tests/samplefiles/WavTestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace WavTestFiles;

namespace {

TEST(WavReader, DecodesSoxFilesToTheValuesSoxDecodes)
{
    struct Case {
        const char* name;
        int channels;
        int rate;
        int bits;
    } cases[] = {
        { "pcm8-mono", 1, 11025, 8 },
        { "pcm16-stereo", 2, 8000, 16 },
        { "pcm24-stereo", 2, 8000, 24 },
        { "pcm16-quad", 4, 8000, 16 },
        { "float32-stereo", 2, 8000, 32 },
        { "float64-stereo", 2, 8000, 64 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<double> expected = ExpectedValues(std::string(c.name) + ".f64");
        ASSERT_FALSE(expected.empty());
        WavReader reader;
        ASSERT_TRUE(reader.Open(DataFile(std::string(c.name) + ".wav").string().c_str()));
        EXPECT_EQ(reader.Channels(), c.channels);
        EXPECT_EQ(reader.Rate(), c.rate);
        EXPECT_EQ(reader.Bits(), c.bits);
        EXPECT_EQ(reader.Frames() * std::size_t(c.channels), expected.size());
        std::vector<double> values(expected.size() + 1, 42.0);
        EXPECT_EQ(reader.Read(values.data(), values.size()), expected.size());
        EXPECT_EQ(values.back(), 42.0);
        values.pop_back();
        EXPECT_EQ(values, expected);
    }
}

TEST(WavReader, ConvertsEachBitDepthByItsRule)
{
    struct Case {
        std::uint16_t tag;
        std::uint16_t bits;
        std::string bytes;
        double expected;
    } cases[] = {
        { 1, 8, B("\x00"), -1.0 },
        { 1, 8, "\x80", 0.0 },
        { 1, 8, "\xFF", 127.0 / 128.0 },
        { 1, 16, B("\x00\x80"), -1.0 },
        { 1, 16, "\xFF\x7F", 32767.0 / 32768.0 },
        { 1, 16, "\xFF\xFF", -1.0 / 32768.0 },
        { 1, 24, B("\x00\x00\x80"), -1.0 },
        { 1, 24, "\xFF\xFF\x7F", 8388607.0 / 8388608.0 },
        { 1, 24, B("\x01\x00\x00"), 1.0 / 8388608.0 },
        { 1, 24, "\xFF\xFF\xFF", -1.0 / 8388608.0 },
        { 3, 32, B("\x00\x00\xC0\x3F"), 1.5 },
        { 3, 32, B("\x00\x00\x00\xC2"), -32.0 }, // floats are not clipped
        { 3, 64, B("\x9A\x99\x99\x99\x99\x99\xB9\x3F"), 0.1 },
    };
    TempFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bits, first byte "
            + std::to_string(static_cast<unsigned char>(c.bytes[0])));
        const std::string path = folder.Write(
            "value.wav", Riff(Fmt(c.tag, 1, 44100, c.bits) + Chunk("data", c.bytes)));
        WavReader reader;
        ASSERT_TRUE(reader.Open(path.c_str()));
        double value = 99.0;
        ASSERT_EQ(reader.Read(&value, 1), 1u);
        EXPECT_EQ(value, c.expected);
    }
}

TEST(WavReader, RefusesFilesWithoutUsableFormatAndData)
{
    const std::string pcm16 = Fmt(1, 1, 44100, 16);
    const std::string data = Chunk("data", std::string(8, '\x10'));
    struct Case {
        const char* label;
        std::string bytes;
    } cases[] = {
        { "empty file", "" },
        { "truncated RIFF header", B("RIFF\x10\x00\x00\x00WAV") },
        { "not WAVE", "RIFF" + Le32(40) + "AVI " + pcm16 + data },
        { "no data chunk", Riff(pcm16) },
        { "data before fmt", Riff(data + pcm16) },
        { "empty data chunk only", Riff(pcm16 + Chunk("data", "")) },
        { "float tag with 16 bits", Riff(Fmt(3, 1, 44100, 16) + data) },
        { "PCM tag with 32 bits", Riff(Fmt(1, 1, 44100, 32) + data) },
        { "PCM with 12 bits", Riff(Fmt(1, 1, 44100, 12) + data) },
        { "extensible format", Riff(Fmt(0xFFFE, 1, 44100, 16) + data) },
        { "no channels", Riff(Fmt(1, 0, 44100, 16) + data) },
        { "65535 channels",
            Riff(Fmt(1, 65535, 44100, 8) + Chunk("data", std::string(65535, 0x7F))) },
        { "fmt cut short", Riff(ChunkClaiming("fmt ", 16, pcm16.substr(8, 10))) },
        { "only a short fmt", Riff(Chunk("fmt ", pcm16.substr(8, 14)) + data) },
        { "later fmt unacceptable", Riff(pcm16 + Fmt(3, 1, 44100, 16) + data) },
        { "chunk size 0xFFFFFFFF", Riff(pcm16 + ChunkClaiming("junk", 0xFFFFFFFFu, "") + data) },
        { "data without a whole frame",
            Riff(Fmt(1, 2, 44100, 16) + Chunk("data", "\x01\x02\x03")) },
    };
    TempFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string path = folder.Write("bad.wav", c.bytes);
        WavReader reader;
        EXPECT_FALSE(reader.Open(path.c_str()));
        EXPECT_EQ(reader.Bits(), 0);
        EXPECT_EQ(reader.Channels(), 0);
        EXPECT_EQ(reader.Frames(), 0u);
        double value = 42.0;
        EXPECT_EQ(reader.Read(&value, 1), 0u);
        EXPECT_EQ(value, 42.0);
    }
}

TEST(WavReader, WalksChunksAsTheFileStatesThem)
{
    const std::string mono8 = Fmt(1, 1, 22050, 8);
    const std::string stereo16 = Fmt(1, 2, 48000, 16);
    struct Case {
        const char* label;
        std::string bytes;
        int channels;
        int bits;
        std::uint32_t frames;
    } cases[] = {
        // An odd chunk carries no pad byte: the data header follows its last byte.
        { "odd chunk, not padded", Riff(mono8 + Chunk("junk", "abc") + Chunk("data", "\x80\x81")),
            1, 8, 2 },
        { "list chunk between",
            Riff(stereo16 + Chunk("LIST", "INFOxxxx") + Chunk("data", std::string(8, '\0'))), 2, 16,
            2 },
        { "later fmt replaces earlier",
            Riff(mono8 + stereo16 + Chunk("data", std::string(8, '\0'))), 2, 16, 2 },
        { "fmt with extension bytes",
            Riff(Chunk("fmt ", stereo16.substr(8) + Le16(0)) + Chunk("data", std::string(4, '\0'))),
            2, 16, 1 },
        { "short fmt skipped", Riff(mono8 + Chunk("fmt ", "12345678") + Chunk("data", "\x80")), 1,
            8, 1 },
        { "empty data skipped", Riff(mono8 + Chunk("data", "") + Chunk("data", "\x80\x80\x80")), 1,
            8, 3 },
        { "data before fmt skipped",
            Riff(Chunk("data", "\x80") + mono8 + Chunk("data", "\x80\x80")), 1, 8, 2 },
        { "10 bytes of 16-bit stereo", Riff(stereo16 + Chunk("data", std::string(10, '\0'))), 2, 16,
            2 },
        // 100 bytes in all, 56 of them data: the claim of 4 GB is cut to what is there.
        { "data claiming 4 GB",
            Riff(Fmt(1, 1, 8000, 16) + ChunkClaiming("data", 0xFFFFFFF0u, std::string(56, '\0'))),
            1, 16, 28 },
    };
    TempFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string path = folder.Write("walk.wav", c.bytes);
        WavReader reader;
        ASSERT_TRUE(reader.Open(path.c_str()));
        EXPECT_EQ(reader.Channels(), c.channels);
        EXPECT_EQ(reader.Bits(), c.bits);
        EXPECT_EQ(reader.Frames(), c.frames);
    }
}

TEST(WavReader, ReadsNoMoreThanTheDataAndOnlyWholeValues)
{
    TempFolder folder;
    // 16-bit mono, 2 frames, then a chunk whose bytes must not be read as samples.
    const std::string followed = folder.Write("followed.wav",
        Riff(Fmt(1, 1, 8000, 16) + Chunk("data", B("\x00\x40\x00\xC0"))
            + Chunk("LIST", "abcdefgh")));
    WavReader reader;
    ASSERT_TRUE(reader.Open(followed.c_str()));
    std::vector<double> values(6, 42.0);
    EXPECT_EQ(reader.Read(values.data(), 1), 1u);
    EXPECT_EQ(reader.Read(values.data() + 1, 5), 1u);
    EXPECT_EQ(values, (std::vector<double> { 0.5, -0.5, 42.0, 42.0, 42.0, 42.0 }));

    // 24-bit mono claiming 3 values with 7 bytes present: the third is incomplete.
    const std::string cut = folder.Write("cut.wav",
        Riff(Fmt(1, 1, 8000, 24) + ChunkClaiming("data", 9, B("\x00\x00\x40\x00\x00\xC0\x01"))));
    ASSERT_TRUE(reader.Open(cut.c_str()));
    EXPECT_EQ(reader.Frames(), 2u);
    std::fill(values.begin(), values.end(), 42.0);
    EXPECT_EQ(reader.Read(values.data(), 3), 2u);
    EXPECT_EQ(values[0], 0.5);
    EXPECT_EQ(values[1], -0.5);
    EXPECT_EQ(values[2], 42.0);
}

TEST(WavReader, RefusesPathsThatNameNoRegularFile)
{
    TempFolder folder;
    std::filesystem::create_directory(folder.root / "folder.wav");
    std::vector<std::string> paths = { folder.Path("folder.wav"), folder.Path("missing.wav"), "" };
#ifdef _WIN32
    paths.push_back("NUL");
    paths.push_back("CON");
#else
    // Opening a FIFO for reading would wait for a writer; it must be refused at once.
    ASSERT_EQ(mkfifo(folder.Path("fifo.wav").c_str(), 0600), 0);
    paths.push_back(folder.Path("fifo.wav"));
    paths.push_back("/dev/zero");
#endif
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        WavReader reader;
        EXPECT_FALSE(reader.Open(path.c_str()));
    }
    WavReader reader;
    EXPECT_FALSE(reader.Open(nullptr));
}

} // namespace
