// Reads a WAV file's format and its sample values, converted to 64-bit floats (nominally
// -1.0 to +1.0): integer PCM of 8, 16, 24 or 32 bits (also 24 valid bits in 32-bit
// containers) and IEEE float of 32 or 64 bits, in the plain or the extensible header.
// When Open refuses a file it says why (Failure, FailureDetail).
//
// A short-lived object owned by whoever reads: one lives for a header read or for one
// decode of a slot's file. Not shared between threads; it reads files, so it runs on the
// user-interface thread (or the host thread that restores state), never on the audio
// thread.
#pragma once

#include "samplefiles/LoadFailure.h"

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
    // the first sample byte. False: the file is closed, the format fields are 0 and
    // Failure says why; also when the data holds more than `maxValues` values (frames x
    // channels).
    bool Open(const char* path, std::uint64_t maxValues = ~std::uint64_t(0));
    // Reads up to `count` interleaved values in file order into `destination`, never more
    // than the data's channels x frames over all calls; returns the number stored. Stops
    // at the first value that the file doesn't hold whole.
    std::size_t Read(double* destination, std::size_t count);
    void Close();

    std::uint32_t Frames() const { return frames; }
    // Bytes per value x 8: 32 for 24 valid bits in 32-bit containers.
    int Bits() const { return bits; }
    int Channels() const { return channels; }
    int Rate() const { return rate; }
    // Why the last Open failed; kNone after a successful one.
    LoadFailure Failure() const { return failure; }
    // What kUnsupported refers to ("WAV format tag 0x0002"); empty otherwise.
    const char* FailureDetail() const { return failureDetail; }

    // How the values are stored, which decides their conversion.
    enum class Encoding { kNone, kPcm8, kPcm16, kPcm24, kPcm24In32, kPcm32, kFloat32, kFloat64 };
    Encoding ValueEncoding() const { return encoding; }

private:
    bool Fail(LoadFailure reason);
    bool ReadFormat(std::uint32_t size);
    bool SkipWithin(std::uint32_t bytes);
    bool SkipPad(std::uint32_t size);

    std::FILE* file = nullptr;
    Encoding encoding = Encoding::kNone;
    LoadFailure failure = LoadFailure::kNone;
    char failureDetail[80] = "";
    std::int64_t fileLength = 0;
    std::uint32_t frames = 0;
    std::int32_t bits = 0; // 0 while no acceptable format has been read
    std::int32_t channels = 0;
    std::int32_t rate = 0;
    std::uint64_t valuesLeft = 0;
    std::vector<unsigned char> block;
};
