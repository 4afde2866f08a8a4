// Which container the host writes, decided from the data's size before the render starts,
// and that the RF64 path writes a file readers take.
#include "tools/host/WavWriter.h"

#include "tests/host/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

TEST(WavWriter, DataOutgrowingWavSizeFieldsGoesToRf64)
{
    struct Case {
        std::int64_t frames;
        int channels;
        SampleFormat format;
        std::uint64_t bytes;
        WavContainer container;
    };
    // 0xFFFFFFFF less a header's room is the most a plain WAV file's data may be.
    const std::uint64_t limit = 0xFFFFFFFFull - 4096;
    const Case cases[] = {
        {0, 2, SampleFormat::Pcm24, 0, WavContainer::Wav},
        {-5, 2, SampleFormat::Pcm24, 0, WavContainer::Wav},
        {44100, 2, SampleFormat::Pcm16, 176400, WavContainer::Wav},
        {44100, 2, SampleFormat::Pcm24, 264600, WavContainer::Wav},
        {44100, 2, SampleFormat::Float, 352800, WavContainer::Wav},
        {static_cast<std::int64_t>(limit / 4), 1, SampleFormat::Float, limit / 4 * 4,
         WavContainer::Wav},
        // Just past the limit, the hour at 192 kHz that wraps a 32-bit size, and more.
        {static_cast<std::int64_t>(limit / 4) + 1, 1, SampleFormat::Float, limit / 4 * 4 + 4,
         WavContainer::Rf64},
        {715827883, 2, SampleFormat::Pcm24, 4294967298ull, WavContainer::Rf64},
        {691200000, 2, SampleFormat::Float, 5529600000ull, WavContainer::Rf64},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frames);
        const std::uint64_t bytes = WavDataBytes(c.frames, c.channels, c.format);
        EXPECT_EQ(bytes, c.bytes);
        EXPECT_EQ(ContainerFor(bytes), c.container);
    }
}

TEST(WavWriter, WritesBothContainersReadBackAlike)
{
    const Scratch scratch;
    const std::vector<float> frames = {0.5f, -0.5f, 0.25f, -0.25f, 0.0f, 1.0f};
    for (const WavContainer container : {WavContainer::Wav, WavContainer::Rf64}) {
        const bool rf64 = container == WavContainer::Rf64;
        SCOPED_TRACE(rf64 ? "RF64" : "WAV");
        const std::string path = scratch.Path(rf64 ? "out.rf64.wav" : "out.wav");
        WavWriter writer;
        std::string error;
        ASSERT_TRUE(writer.Open(path, 2, 48000, SampleFormat::Float, container, error)) << error;
        ASSERT_TRUE(writer.Write(frames.data(), 3, error)) << error;
        ASSERT_TRUE(writer.Close(error)) << error;

        const Wav wav = ReadWav(path);
        ASSERT_TRUE(wav.ok);
        EXPECT_EQ(wav.info.format, (rf64 ? SF_FORMAT_RF64 : SF_FORMAT_WAV) | SF_FORMAT_FLOAT);
        EXPECT_EQ(wav.samples, std::vector<double>(frames.begin(), frames.end()));
        const smf::Bytes bytes = ReadBytes(path);
        ASSERT_GE(bytes.size(), 4u);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), rf64 ? "RF64" : "RIFF");
    }
}

} // namespace
