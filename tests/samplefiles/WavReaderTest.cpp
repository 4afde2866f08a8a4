// WAV reading: sox-made files in every accepted encoding, the conversion of each bit
// depth in the plain and the extensible header, the pad byte after odd chunks, and
// hostile files that must be refused (saying why) or bounded.
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
        { "pcm32-stereo", 2, 8000, 32 },
        // sox's default header: extensible for more than 16 bits or more than 2 channels.
        { "extensible24-stereo", 2, 8000, 24 },
        { "extensible32-stereo", 2, 8000, 32 },
        { "extensible16-quad", 4, 8000, 16 },
        { "pcm24-six", 6, 8000, 24 },
        { "float32-quad", 4, 8000, 32 },
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
    constexpr double k2To31 = 2147483648.0;
    auto pcm = [](std::uint16_t bits) { return Fmt(1, 1, 44100, bits); };
    auto ext = [](std::uint16_t subformat, std::uint16_t bits, std::uint16_t valid) {
        return Extensible(subformat, 1, 44100, bits, valid);
    };
    struct Case {
        std::string fmt;
        std::string bytes;
        double expected;
    } cases[] = {
        { pcm(8), B("\x00"), -1.0 },
        { pcm(8), "\x80", 0.0 },
        { pcm(8), "\xFF", 127.0 / 128.0 },
        { pcm(16), B("\x00\x80"), -1.0 },
        { pcm(16), "\xFF\x7F", 32767.0 / 32768.0 },
        { pcm(16), "\xFF\xFF", -1.0 / 32768.0 },
        { pcm(24), B("\x00\x00\x80"), -1.0 },
        { pcm(24), "\xFF\xFF\x7F", 8388607.0 / 8388608.0 },
        { pcm(24), B("\x01\x00\x00"), 1.0 / 8388608.0 },
        { pcm(24), "\xFF\xFF\xFF", -1.0 / 8388608.0 },
        // 32-bit integers scale as 24-bit ones do: v / 2^31.
        { pcm(32), B("\x00\x00\x00\x80"), -1.0 },
        { pcm(32), "\xFF\xFF\xFF\x7F", 2147483647.0 / k2To31 },
        { pcm(32), B("\x01\x00\x00\x00"), 1.0 / k2To31 },
        { pcm(32), "\xFF\xFF\xFF\xFF", -1.0 / k2To31 },
        { Fmt(3, 1, 44100, 32), B("\x00\x00\xC0\x3F"), 1.5 },
        { Fmt(3, 1, 44100, 32), B("\x00\x00\x00\xC2"), -32.0 }, // floats are not clipped
        { Fmt(3, 1, 44100, 64), B("\x9A\x99\x99\x99\x99\x99\xB9\x3F"), 0.1 },
        // The extensible header reads each encoding exactly as the plain tags do.
        { ext(1, 8, 8), B("\x00"), -1.0 },
        { ext(1, 16, 16), "\xFF\x7F", 32767.0 / 32768.0 },
        { ext(1, 24, 24), B("\x00\x00\x80"), -1.0 },
        { ext(1, 32, 32), B("\x01\x00\x00\x00"), 1.0 / k2To31 },
        // 24 valid bits in a 32-bit container: the top three bytes; the low one is ignored.
        { ext(1, 32, 24), B("\x00\x00\x00\x80"), -1.0 },
        { ext(1, 32, 24), "\xFF\xFF\xFF\x7F", 8388607.0 / 8388608.0 },
        { ext(1, 32, 24), B("\x7F\x01\x00\x00"), 1.0 / 8388608.0 },
        { ext(3, 32, 32), B("\x00\x00\xC0\x3F"), 1.5 },
        { ext(3, 64, 64), B("\x9A\x99\x99\x99\x99\x99\xB9\x3F"), 0.1 },
    };
    TempFolder folder;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE("case " + std::to_string(i));
        const std::string path = folder.Write("value.wav", Riff(c.fmt + Chunk("data", c.bytes)));
        WavReader reader;
        ASSERT_TRUE(reader.Open(path.c_str()));
        double value = 99.0;
        ASSERT_EQ(reader.Read(&value, 1), 1u);
        EXPECT_EQ(value, c.expected);
    }
}

TEST(WavReader, RefusesFilesWithoutUsableFormatAndDataAndSaysWhy)
{
    const std::string pcm16 = Fmt(1, 1, 44100, 16);
    const std::string data = Chunk("data", std::string(8, '\x10'));
    std::string foreignGuid = Extensible(1, 1, 44100, 16, 16);
    foreignGuid.back() = '\x72';
    constexpr std::uint64_t kNoLimit = ~std::uint64_t(0);
    using F = LoadFailure;
    struct Case {
        const char* label;
        std::string bytes;
        LoadFailure failure;
        const char* detail;
        std::uint64_t limit;
    } cases[] = {
        { "empty file", "", F::kDamaged, "", kNoLimit },
        { "truncated RIFF header", B("RIFF\x10\x00\x00\x00WAV"), F::kDamaged, "", kNoLimit },
        { "not WAVE", "RIFF" + Le32(40) + "AVI " + pcm16 + data, F::kDamaged, "", kNoLimit },
        { "no data chunk", Riff(pcm16), F::kNoAudio, "", kNoLimit },
        { "data before fmt", Riff(data + pcm16), F::kDamaged, "", kNoLimit },
        { "empty data chunk only", Riff(pcm16 + Chunk("data", "")), F::kNoAudio, "", kNoLimit },
        { "float tag with 16 bits", Riff(Fmt(3, 1, 44100, 16) + data), F::kUnsupported,
            "WAV 16-bit float", kNoLimit },
        { "PCM with 12 bits", Riff(Fmt(1, 1, 44100, 12) + data), F::kUnsupported, "WAV 12-bit PCM",
            kNoLimit },
        { "ADPCM tag", Riff(Fmt(2, 1, 44100, 4) + data), F::kUnsupported, "WAV format tag 0x0002",
            kNoLimit },
        { "extensible without its extension", Riff(Fmt(0xFFFE, 1, 44100, 16) + data),
            F::kUnsupported, "WAV extensible format without its extension", kNoLimit },
        { "extensible ADPCM", Riff(Extensible(2, 1, 44100, 16, 16) + data), F::kUnsupported,
            "WAV extensible subformat 0x0002", kNoLimit },
        { "extensible foreign GUID", Riff(foreignGuid + data), F::kUnsupported,
            "WAV extensible subformat {00000001-0000-0010-8000-00AA00389B72}", kNoLimit },
        { "extensible 20 bits in 24", Riff(Extensible(1, 1, 44100, 24, 20) + data),
            F::kUnsupported, "WAV extensible 20-bit PCM in 24-bit containers", kNoLimit },
        { "extensible 16 bits in 32", Riff(Extensible(1, 1, 44100, 32, 16) + data),
            F::kUnsupported, "WAV extensible 16-bit PCM in 32-bit containers", kNoLimit },
        { "extensible float 24 bits", Riff(Extensible(3, 1, 44100, 24, 24) + data),
            F::kUnsupported, "WAV extensible 24-bit float", kNoLimit },
        { "extensible cut short", Riff(Extensible(1, 1, 44100, 16, 16).substr(0, 36)),
            F::kDamaged, "", kNoLimit },
        { "no channels", Riff(Fmt(1, 0, 44100, 16) + data), F::kUnsupported, "WAV with 0 channels",
            kNoLimit },
        { "65535 channels",
            Riff(Fmt(1, 65535, 44100, 8) + Chunk("data", std::string(65535, 0x7F))),
            F::kUnsupported, "WAV with 65535 channels", kNoLimit },
        { "fmt cut short", Riff(ChunkClaiming("fmt ", 16, pcm16.substr(8, 10))), F::kDamaged, "",
            kNoLimit },
        { "only a short fmt", Riff(Chunk("fmt ", pcm16.substr(8, 14)) + data), F::kDamaged, "",
            kNoLimit },
        { "later fmt unacceptable", Riff(pcm16 + Fmt(3, 1, 44100, 16) + data), F::kUnsupported,
            "WAV 16-bit float", kNoLimit },
        { "chunk size 0xFFFFFFFF", Riff(pcm16 + ChunkClaiming("junk", 0xFFFFFFFFu, "") + data),
            F::kDamaged, "", kNoLimit },
        { "data without a whole frame", Riff(Fmt(1, 2, 44100, 16) + Chunk("data", "\x01\x02\x03")),
            F::kNoAudio, "", kNoLimit },
        { "data claimed but absent", Riff(pcm16 + ChunkClaiming("data", 100, "")), F::kDamaged, "",
            kNoLimit },
        { "more values than allowed", Riff(pcm16 + data), F::kTooLarge, "", 3 },
    };
    TempFolder folder;
    const std::string good = folder.Write("good.wav", Riff(pcm16 + data));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string path = folder.Write("bad.wav", c.bytes);
        WavReader reader;
        EXPECT_FALSE(reader.Open(path.c_str(), c.limit));
        EXPECT_EQ(reader.Failure(), c.failure);
        EXPECT_STREQ(reader.FailureDetail(), c.detail);
        EXPECT_EQ(reader.Bits(), 0);
        EXPECT_EQ(reader.Channels(), 0);
        EXPECT_EQ(reader.Frames(), 0u);
        double value = 42.0;
        EXPECT_EQ(reader.Read(&value, 1), 0u);
        EXPECT_EQ(value, 42.0);
        // Opened again on a good file, it keeps nothing of the refusal.
        EXPECT_TRUE(reader.Open(good.c_str(), 4));
        EXPECT_EQ(reader.Failure(), F::kNone);
        EXPECT_STREQ(reader.FailureDetail(), "");
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
        // An odd chunk is followed by a pad byte; writers that leave it out are read too.
        { "odd chunk, not padded", Riff(mono8 + Chunk("junk", "abc") + Chunk("data", "\x80\x81")),
            1, 8, 2 },
        { "odd chunk, padded", Riff(mono8 + Chunk("junk", "abc") + B("\0") + Chunk("data", "\x80")),
            1, 8, 1 },
        { "odd LIST padded before data",
            Riff(stereo16 + Chunk("LIST", "INFOISFT\x05\0\0\0Sox\0\0") + B("\0")
                + Chunk("data", std::string(8, '\0'))),
            2, 16, 2 },
        { "odd LIST not padded before data",
            Riff(stereo16 + Chunk("LIST", "INFOISFT\x05\0\0\0Sox\0\0")
                + Chunk("data", std::string(8, '\0'))),
            2, 16, 2 },
        // A data size of 65 makes "ata" plus its first byte look like an identifier too.
        { "odd chunk, not padded, data size printable",
            Riff(mono8 + Chunk("junk", "abc") + Chunk("data", std::string(65, '\x80'))), 1, 8, 65 },
        { "odd chunk, padded, data size printable",
            Riff(mono8 + Chunk("junk", "abc") + B("\0") + Chunk("data", std::string(65, '\x80'))), 1,
            8, 65 },
        { "odd chunk, pad byte not zero",
            Riff(mono8 + Chunk("junk", "abc") + "x" + Chunk("data", std::string(65, '\x80'))), 1, 8,
            65 },
        { "odd fmt, padded",
            Riff(Chunk("fmt ", stereo16.substr(8) + "\x01") + B("\0") + Chunk("data", std::string(4, '\0'))),
            2, 16, 1 },
        // 24 valid bits in 32-bit containers: 4 bytes per value.
        { "24 in 32 bits",
            Riff(Extensible(1, 2, 48000, 32, 24) + Chunk("data", std::string(17, '\0'))), 2, 32, 2 },
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
    struct Case {
        std::string path;
        LoadFailure failure;
    };
    std::vector<Case> cases = { { folder.Path("folder.wav"), LoadFailure::kUnreadable },
        { folder.Path("missing.wav"), LoadFailure::kNotFound }, { "", LoadFailure::kNotFound } };
#ifdef _WIN32
    // Device names: refused, for whichever reason the system gives.
    cases.push_back({ "NUL", LoadFailure::kNone });
    cases.push_back({ "CON", LoadFailure::kNone });
#else
    // Opening a FIFO for reading would wait for a writer; it must be refused at once.
    ASSERT_EQ(mkfifo(folder.Path("fifo.wav").c_str(), 0600), 0);
    cases.push_back({ folder.Path("fifo.wav"), LoadFailure::kUnreadable });
    cases.push_back({ "/dev/zero", LoadFailure::kUnreadable });
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        WavReader reader;
        EXPECT_FALSE(reader.Open(c.path.c_str()));
        if (c.failure != LoadFailure::kNone)
            EXPECT_EQ(reader.Failure(), c.failure);
        else
            EXPECT_NE(reader.Failure(), LoadFailure::kNone);
    }
    WavReader reader;
    EXPECT_FALSE(reader.Open(nullptr));
    EXPECT_EQ(reader.Failure(), LoadFailure::kNotFound);
}

} // namespace
