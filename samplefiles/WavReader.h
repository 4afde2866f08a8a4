// Reads a WAV file's format and its sample values, converted to 64-bit floats (nominally
// -1.0 to +1.0): integer PCM of 8, 16 or 24 bits and IEEE float of 32 or 64 bits.
//
// A short-lived object owned by whoever reads: one lives for a header read or for one
// decode of a slot's file. Not shared between threads; it reads files, so it runs on the
// user-interface thread (or the host thread that restores state), never on the audio
// thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

class WavReader {
public:
    WavReader() = default;
    ~WavReader() { Close(); }
    WavReader(const WavReader&) = delete;
    WavReader& operator=(const WavReader&) = delete;

    // Walks the chunks to the sample data. True: the format is known and the file waits at
    // the first sample byte. False: the file is closed and the format fields are 0.
    bool Open(const char* path);
    // Reads up to `count` interleaved values in file order into `destination`, never more
    // than the data's channels x frames over all calls; returns the number stored. Stops
    // at the first value that the file doesn't hold whole.
    std::size_t Read(double* destination, std::size_t count);
    void Close();

    std::uint32_t Frames() const { return frames; }
    int Bits() const { return bits; }
    int Channels() const { return channels; }
    int Rate() const { return rate; }

private:
    bool Fail();
    void ReadFormat(std::uint32_t size);

    std::FILE* file = nullptr;
    std::uint32_t frames = 0;
    std::int32_t bits = 0; // 0 while no acceptable format has been read
    std::int32_t channels = 0;
    std::int32_t rate = 0;
    std::uint64_t valuesLeft = 0;
    std::vector<unsigned char> block;
};
