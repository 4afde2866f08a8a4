// Ogg Vorbis reading: oggenc-made files against libsndfile's decoding of them, loading into
// a slot, and damaged or hostile files that must be refused or kept up to the damage.
#include "samplefiles/OggReader.h"
#include "editor/MySample.h"
#include "engine/Quellorn.h"
#include "tests/plugbase/TestHost.h"
#include "tests/samplefiles/WavTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace WavTestFiles;

namespace {

constexpr std::uint64_t kNoLimit = ~std::uint64_t(0);

fs::path OggFile(const std::string& name)
{
    return (fs::path(QUELLORN_TEST_DATA) / "ogg" / name).make_preferred();
}

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Channel `channel` of libsndfile's interleaved float decoding of NAME.ogg.
std::vector<double> Reference(const std::string& name, int channels, int channel)
{
    const std::string bytes = ReadBytes(OggFile(name + ".f32"));
    std::vector<double> out;
    for (std::size_t i = std::size_t(channel) * 4; i + 4 <= bytes.size();
         i += 4 * std::size_t(channels)) {
        float value;
        std::memcpy(&value, bytes.data() + i, 4);
        out.push_back(value);
    }
    return out;
}

double MaxDifference(const double* got, const std::vector<double>& expected)
{
    double most = 0.0;
    for (std::size_t i = 0; i < expected.size(); ++i)
        most = std::max(most, std::fabs(got[i] - expected[i]));
    return most;
}

// The checksum of an Ogg page: CRC-32 with polynomial 0x04C11DB7, most significant bit
// first, starting from 0, computed with the page's own checksum field zeroed.
std::uint32_t PageChecksum(const std::string& page)
{
    std::uint32_t crc = 0;
    for (unsigned char byte : page) {
        crc ^= std::uint32_t(byte) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 0x80000000u ? crc << 1 ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

// Where each page of a stream starts: at its capture pattern.
std::vector<std::size_t> PageStarts(const std::string& bytes)
{
    std::vector<std::size_t> starts;
    for (std::size_t at = bytes.find("OggS"); at != std::string::npos;
         at = bytes.find("OggS", at + 1))
        starts.push_back(at);
    return starts;
}

// The position after the last frame that the page at `page` completes, as the encoder wrote it.
std::uint32_t GranuleAt(const std::string& bytes, std::size_t page)
{
    std::uint32_t granule;
    std::memcpy(&granule, bytes.data() + page + 6, 4);
    return granule;
}

// The stream with its last page claiming `granule` as the position of its last frame.
std::string WithLastGranule(std::string bytes, std::uint64_t granule)
{
    const std::size_t page = bytes.rfind("OggS");
    for (int i = 0; i < 8; ++i)
        bytes[page + 6 + std::size_t(i)] = char(granule >> (8 * i));
    bytes.replace(page + 22, 4, 4, '\0');
    const std::uint32_t crc = PageChecksum(bytes.substr(page));
    bytes.replace(page + 22, 4, Le32(crc));
    return bytes;
}

struct Fixture {
    const char* name;
    int channels;
    int rate;
} const kFixtures[]
    = { { "mono-22050", 1, 22050 }, { "stereo-44100", 2, 44100 }, { "six-48000", 6, 48000 } };

TEST(OggReader, DecodesOggencFilesToTheValuesLibsndfileDecodes)
{
    for (const Fixture& f : kFixtures) {
        SCOPED_TRACE(f.name);
        const std::vector<double> left = Reference(f.name, f.channels, 0);
        ASSERT_FALSE(left.empty());
        OggReader reader;
        ASSERT_TRUE(reader.Open(OggFile(std::string(f.name) + ".ogg").string().c_str(), kNoLimit));
        EXPECT_EQ(reader.Channels(), f.channels);
        EXPECT_EQ(reader.Rate(), f.rate);
        ASSERT_EQ(reader.Frames(), left.size());

        const std::size_t frames = left.size();
        std::vector<double> planes(2 * frames + 1, 0.0);
        planes.back() = 42.0;
        const bool stereo = f.channels > 1;
        EXPECT_EQ(
            reader.Read(planes.data(), stereo ? planes.data() + frames : nullptr, reader.Frames()),
            frames);
        EXPECT_LE(MaxDifference(planes.data(), left), 1e-6);
        if (stereo)
            EXPECT_LE(
                MaxDifference(planes.data() + frames, Reference(f.name, f.channels, 1)), 1e-6);
        else
            EXPECT_EQ(std::count(planes.begin() + std::ptrdiff_t(frames), planes.end(), 0.0),
                std::ptrdiff_t(frames));
        EXPECT_EQ(planes.back(), 42.0);

        // Asked for fewer frames than the stream holds, it stores no more.
        ASSERT_TRUE(reader.Open(OggFile(std::string(f.name) + ".ogg").string().c_str(), kNoLimit));
        std::vector<double> few(101, 42.0);
        EXPECT_EQ(reader.Read(few.data(), nullptr, 100), 100u);
        EXPECT_EQ(few[99], planes[99]);
        EXPECT_EQ(few[100], 42.0);
    }
}

TEST(OggReader, DamageKeepsTheFramesDecodedBeforeIt)
{
    const std::string whole = ReadBytes(OggFile("pages-stereo-44100.ogg"));
    TempFolder folder;
    OggReader reader;
    ASSERT_TRUE(reader.Open(OggFile("pages-stereo-44100.ogg").string().c_str(), kNoLimit));
    std::vector<double> full(reader.Frames());
    ASSERT_EQ(reader.Read(full.data(), nullptr, reader.Frames()), full.size());

    // Every cut and every flipped byte at 60 places, from inside the headers to the last
    // page: none may crash or overrun, and once the first audio page is intact, whatever is
    // decoded is the stream's own beginning. (Without that page the library starts the
    // stream at the next one.)
    const std::size_t secondAudioPage = PageStarts(whole).at(3);
    int partial = 0;
    for (const char* damage : { "cut", "flip" }) {
        for (std::size_t at = 0; at < whole.size(); at += whole.size() / 60) {
            SCOPED_TRACE(std::string(damage) + " at " + std::to_string(at));
            std::string bytes = whole;
            if (damage[0] == 'c')
                bytes.resize(at);
            else
                bytes[at] = char(bytes[at] ^ 0x5A);
            const std::string path = folder.Write("damaged.ogg", bytes);
            if (!reader.Open(path.c_str(), kNoLimit))
                continue;
            std::vector<double> kept(std::size_t(reader.Frames()) + 1, 0.0);
            const std::uint32_t stored = reader.Read(kept.data(), nullptr, reader.Frames());
            ASSERT_LE(stored, full.size());
            EXPECT_TRUE(
                std::all_of(kept.begin() + stored, kept.end(), [](double v) { return v == 0.0; }));
            if (damage[0] == 'c' || at >= secondAudioPage) {
                EXPECT_TRUE(std::equal(kept.begin(), kept.begin() + stored, full.begin()));
                partial += stored > 0 && stored < full.size();
            }
        }
    }
    // Cuts and flips in the audio pages end decoding early rather than refusing the file.
    EXPECT_GT(partial, 20);
}

class OggLoadingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(host.Create(), nullptr);
        plug = static_cast<CLS_QUELLORN*>(host.effect->object);
        host.Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        host.Dispatch(effOpen);
    }

    void SetReverse(bool on)
    {
        plug->GetParam(kParamReverse)->SetClampedValue(on ? 1.0 : 0.0);
        plug->ParamChanged(kParamReverse);
    }

    MySample& Display() { return *plug->sampleDisplay[0]; }
    SampleData& Sample() { return plug->slotSample[0]; }
    std::string Stored() { return plug->StateTextAt(0); }
    std::string CopyOgg(const std::string& fixture, const std::string& name)
    {
        fs::copy_file(
            OggFile(fixture + ".ogg"), folder.root / name, fs::copy_options::overwrite_existing);
        return folder.Path(name);
    }

    TestHost host;
    CLS_QUELLORN* plug = nullptr;
    TempFolder folder;
};

TEST_F(OggLoadingTest, LoadsIntoThePlanesWithASinglePrecisionRateRatio)
{
    struct Case {
        const Fixture& fixture;
        const char* file;
        bool reverse;
    } cases[] = { { kFixtures[0], "a.ogg", false }, { kFixtures[1], "B.OGG", false },
        { kFixtures[2], "c.Ogg", false }, { kFixtures[1], "d.ogg", true },
        { kFixtures[2], "e.ogg", true } };
    for (const Case& c : cases) {
        const Fixture& f = c.fixture;
        SCOPED_TRACE(c.file);
        SetReverse(c.reverse);
        const std::string path = CopyOgg(f.name, c.file);
        Display().LoadFile(path.c_str());
        std::vector<double> expected[2] = { Reference(f.name, f.channels, 0),
            Reference(f.name, f.channels, std::min(1, f.channels - 1)) };
        ASSERT_EQ(Sample().frames, expected[0].size());
        EXPECT_EQ(Sample().channels, f.channels);
        EXPECT_EQ(Sample().rateRatio, double(float(f.rate / 44100.0)));
        EXPECT_EQ(Display().Duration(), double(Sample().frames) / f.rate);
        EXPECT_STREQ(Display().DisplayName(), c.file);
        EXPECT_EQ(Stored(), path);
        // Planes 0 and 1 hold channels 0 and 1; the rest of frames x channels stays 0.
        ASSERT_EQ(Sample().samples.size(), std::size_t(Sample().frames) * std::size_t(f.channels));
        const int planes = std::min(f.channels, 2);
        for (int p = 0; p < planes; ++p) {
            if (c.reverse)
                std::reverse(expected[p].begin(), expected[p].end());
            EXPECT_LE(MaxDifference(Sample().Plane(p), expected[p]), 1e-6);
        }
        EXPECT_TRUE(std::all_of(Sample().samples.begin() + std::ptrdiff_t(planes) * Sample().frames,
            Sample().samples.end(), [](double v) { return v == 0.0; }));
    }
    // A new engine rate derives the ratio afresh, still in single precision.
    host.Dispatch(effSetSampleRate, 0, 0, nullptr, 32000.0f);
    EXPECT_EQ(Sample().rateRatio, double(float(48000.0 / 32000.0)));
}

TEST_F(OggLoadingTest, RefusesWhatIsNoUsableStream)
{
    const std::string pages = ReadBytes(OggFile("pages-stereo-44100.ogg"));
    struct Case {
        const char* label;
        std::string bytes;
        const char* reason; // as the slot keeps it
    } cases[] = {
        { "a WAV file", ReadBytes(DataFile("pcm16-stereo.wav")),
            "unsupported format: not Ogg Vorbis" },
        { "empty", "", "unsupported format: not Ogg Vorbis" },
        { "capture pattern only", "OggS" + std::string(60, '\x01'),
            "unsupported format: not Ogg Vorbis" },
        { "headers without audio", pages.substr(0, PageStarts(pages).at(2)),
            "no audio data" },
        // Lengths come from the granule positions of the first and the last audio page.
        { "more frames than 32 bits count", WithLastGranule(pages, std::uint64_t(1) << 32),
            "too large" },
        { "more values than a slot takes",
            WithLastGranule(pages, MySample::kMaxSampleValues / 2 + 1), "too large" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Display().LoadFile(CopyOgg("mono-22050", "good.ogg").c_str());
        ASSERT_GT(Sample().frames, 0u);
        Display().LoadFile(folder.Write("bad.ogg", c.bytes).c_str());
        EXPECT_EQ(Sample().frames, 0u);
        EXPECT_EQ(Sample().samples.size(), 1u);
        EXPECT_STREQ(Display().DisplayName(), "wrong audio");
        EXPECT_EQ(Stored(), "");
        EXPECT_STREQ(plug->SlotLoadFailure(0), c.reason);
    }

    // Without a limit on values the frame count must still fit its 32 bits.
    OggReader reader;
    EXPECT_FALSE(reader.Open(
        folder.Write("long.ogg", WithLastGranule(pages, std::uint64_t(1) << 32)).c_str(),
        kNoLimit));

    // No regular file: refused before the library opens it, so a FIFO can't hang the load.
    fs::create_directory(folder.root / "folder.ogg");
    std::vector<std::pair<std::string, const char*>> others
        = { { folder.Path("folder.ogg"), "unreadable" }, { folder.Path("missing.ogg"), "not found" } };
#ifndef _WIN32
    ASSERT_EQ(::mkfifo(folder.Path("fifo.ogg").c_str(), 0600), 0);
    others.emplace_back(folder.Path("fifo.ogg"), "unreadable");
#endif
    for (const auto& [path, reason] : others) {
        SCOPED_TRACE(path);
        Display().LoadFile(CopyOgg("mono-22050", "good.ogg").c_str());
        Display().LoadFile(path.c_str());
        EXPECT_EQ(Sample().frames, 0u);
        EXPECT_STREQ(Display().DisplayName(), "wrong audio");
        EXPECT_STREQ(plug->SlotLoadFailure(0), reason);
    }
}

TEST_F(OggLoadingTest, AShortOrDamagedStreamLoadsTheFramesBeforeTheDamage)
{
    const std::string pages = ReadBytes(OggFile("pages-stereo-44100.ogg"));
    Display().LoadFile(CopyOgg("pages-stereo-44100", "whole.ogg").c_str());
    const std::vector<double> full(Sample().Plane(0), Sample().Plane(0) + Sample().frames);
    const std::vector<std::size_t> starts = PageStarts(pages);
    ASSERT_EQ(starts.size(), 6u);
    ASSERT_EQ(full.size(), GranuleAt(pages, starts[5]));
    std::string flipped = pages;
    flipped[starts[4] + 100] = char(flipped[starts[4] + 100] ^ 1);
    const std::uint32_t frames = std::uint32_t(full.size());
    struct Case {
        const char* label;
        std::string bytes;
        std::uint32_t frames;
        std::uint32_t kept;
        std::uint32_t zeroFrom;
    } cases[] = {
        // The last packet is no longer cut to the claimed end; no packet holds more than
        // 4096 frames.
        { "claims more", WithLastGranule(pages, frames + 5000), frames + 5000, frames,
            frames + 4096 },
        { "last page cut", pages.substr(0, starts[5] + 100), GranuleAt(pages, starts[4]),
            GranuleAt(pages, starts[4]), GranuleAt(pages, starts[4]) },
        // The damaged page fails its checksum: decoding stops at the hole it leaves.
        { "a page damaged", flipped, frames, GranuleAt(pages, starts[3]),
            GranuleAt(pages, starts[3]) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string path = folder.Write("short.ogg", c.bytes);
        Display().LoadFile(path.c_str());
        EXPECT_EQ(Stored(), path);
        ASSERT_EQ(Sample().frames, c.frames);
        const double* plane = Sample().Plane(0);
        EXPECT_TRUE(std::equal(plane, plane + c.kept, full.begin()));
        EXPECT_TRUE(
            std::all_of(plane + c.zeroFrom, plane + c.frames, [](double v) { return v == 0.0; }));
    }
}

TEST_F(OggLoadingTest, AChainedStreamEndsAtALinkWithoutTheSecondChannel)
{
    // The first link spans several pages: libvorbisfile passes over a first link of one
    // audio page when it opens a chain.
    Display().LoadFile(CopyOgg("pages-stereo-44100", "stereo.ogg").c_str());
    const std::vector<double> stereo = Sample().samples;
    const std::uint32_t first = Sample().frames;
    const std::size_t mono = Reference("mono-22050", 1, 0).size();
    const std::string chain
        = ReadBytes(OggFile("pages-stereo-44100.ogg")) + ReadBytes(OggFile("mono-22050.ogg"));

    Display().LoadFile(folder.Write("chain.ogg", chain).c_str());
    ASSERT_EQ(Sample().frames, first + mono);
    ASSERT_EQ(Sample().channels, 2);
    for (int p = 0; p < 2; ++p) {
        const double* plane = Sample().Plane(p);
        EXPECT_TRUE(std::equal(plane, plane + first, stereo.begin() + std::ptrdiff_t(p) * first));
        EXPECT_TRUE(
            std::all_of(plane + first, plane + first + mono, [](double v) { return v == 0.0; }));
    }
}

} // namespace
