// Writes interleaved audio to a WAV file through libsndfile. The same library code runs in
// the Linux and the Windows host, so both builds write the same bytes for the same audio.
// Used by one command on one thread.
#pragma once

#include <cstdint>
#include <string>

enum class SampleFormat { Pcm16, Pcm24, Float };

// Plain WAV counts its sizes in 32 bits; RF64 is the same layout with 64-bit sizes, for
// data that would not fit.
enum class WavContainer { Wav, Rf64 };

// The data's size in a file of that format.
std::uint64_t WavDataBytes(std::int64_t frames, int channels, SampleFormat format);

// Plain WAV while the data and the header fit its size fields, RF64 beyond.
WavContainer ContainerFor(std::uint64_t dataBytes);

class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Returns false and says why in error.
    bool Open(const std::string& path, int channels, int sampleRate, SampleFormat format,
              WavContainer container, std::string& error);
    bool Write(const float* interleaved, std::int64_t frames, std::string& error);
    bool Write(const double* interleaved, std::int64_t frames, std::string& error);
    // A failed close (the header's sizes not written) leaves a damaged file: it is an error.
    bool Close(std::string& error);

private:
    bool Check(std::int64_t written, std::int64_t frames, std::string& error);

    void* file = nullptr; // SNDFILE*, kept out of this header
    int channelCount = 0;
    SampleFormat sampleFormat = SampleFormat::Pcm24;
    WavContainer kind = WavContainer::Wav;
    std::int64_t framesWritten = 0;
};
