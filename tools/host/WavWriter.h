// Writes interleaved audio to a WAV file through libsndfile. The same library code runs in
// the Linux and the Windows host, so both builds write the same bytes for the same audio.
#pragma once

#include <cstdint>
#include <string>

enum class SampleFormat { Pcm16, Pcm24, Float };

class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Returns false and says why in error.
    bool Open(const std::string& path, int channels, int sampleRate, SampleFormat format,
              std::string& error);
    bool Write(const float* interleaved, std::int64_t frames, std::string& error);
    bool Write(const double* interleaved, std::int64_t frames, std::string& error);
    bool Close(std::string& error);

private:
    bool Check(std::int64_t written, std::int64_t frames, std::string& error);

    void* file = nullptr; // SNDFILE*, kept out of this header
};
