// Reads a FLAC file through libFLAC's stream decoder: its length and format for the
// header pass of a load, then its audio into a slot's planes for the decode pass. Integer
// samples of b bits are scaled by 2^-(b-1), as the WAV reader scales the same depths
// (v / 128 for 8 bits, v / 32768 for 16, v / 8388608 for 24); channels beyond the second
// are decoded by the library but not kept.
//
// A short-lived object owned by whoever reads: one lives for a header read or for one
// decode of a slot's file, and holds the decoder (and the open file) from Open until Close
// or its destruction. Not shared between threads; it reads files, so it runs on the
// user-interface thread (or the host thread that restores state), never on the audio
// thread.
#pragma once

#include "samplefiles/LoadFailure.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

class FlacReader {
public:
    FlacReader();
    ~FlacReader();
    FlacReader(const FlacReader&) = delete;
    FlacReader& operator=(const FlacReader&) = delete;

    // Opens the stream and reads its length, channel count, rate and bit depth. A stream
    // that doesn't state its length is decoded once here to count its frames. False when
    // the path is no regular file, the stream is damaged or holds no frames, or it needs
    // more than `maxValues` values (frames x channels); the file is then closed, the fields
    // are 0 and Failure says why.
    bool Open(const char* path, std::uint64_t maxValues);
    // Decodes from where the stream stands (its start, after Open) into `plane0`, and into
    // `plane1` when it is not null (the second channel), at most `frames` frames. Stops at
    // the stream's end or at the first damage (a bad frame, lost sync); what was decoded
    // before stays. Returns the frames stored.
    std::uint32_t Read(double* plane0, double* plane1, std::uint32_t frames);
    void Close();

    std::uint32_t Frames() const { return frames; }
    std::int16_t Channels() const { return channels; }
    int Rate() const { return rate; }
    int Bits() const { return bits; }
    // Why the last Open failed; kNone after a successful one.
    LoadFailure Failure() const { return failure; }
    // No FLAC refusal needs a detail: always empty, kept beside the WAV reader's.
    const char* FailureDetail() const { return ""; }

private:
    // The library's callbacks, with the library's own types.
    struct Callbacks;
    friend struct Callbacks;
    // Owns the library's decoder, whose type can't be declared ahead of its header.
    struct Decoder;

    bool Fail(LoadFailure reason);
    // Starts the decoder on the file from where it stands and reads the stream's
    // description; false when there is none or it is damaged.
    bool Start();
    void Store(const std::int32_t* channel0, const std::int32_t* channel1, std::uint32_t count);

    std::FILE* file = nullptr;
    std::unique_ptr<Decoder> decoder;
    std::uint32_t frames = 0;
    std::int16_t channels = 0;
    int rate = 0;
    int bits = 0;
    LoadFailure failure = LoadFailure::kNone;

    bool sawStreamInfo = false;
    std::uint64_t statedFrames = 0;
    int statedChannels = 0;
    bool damaged = false;
    // While Open counts the frames of a stream that doesn't state them.
    bool counting = false;
    std::uint64_t counted = 0;
    double scale = 0.0;

    // The current Read's destination.
    double* out0 = nullptr;
    double* out1 = nullptr;
    std::uint32_t wanted = 0;
    std::uint32_t position = 0;
    // The frames of the last decoded block that the Read that decoded it had no room for.
    std::vector<std::int32_t> pending0;
    std::vector<std::int32_t> pending1;
    std::size_t pendingAt = 0;
};
