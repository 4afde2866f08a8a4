// Reads an Ogg Vorbis file through libvorbisfile: its length and format for the header
// pass of a load, then its audio into a slot's planes for the decode pass.
//
// A short-lived object owned by whoever reads: one lives for a header read or for one
// decode of a slot's file, and holds the library's record (and the open file) from Open
// until Close or its destruction. Not shared between threads; it reads files, so it runs
// on the user-interface thread (or the host thread that restores state), never on the
// audio thread.
#pragma once

#include "samplefiles/LoadFailure.h"

#include <cstdint>
#include <memory>

struct OggVorbis_File;

class OggReader {
public:
    // Frames handed over by one call into the library.
    static constexpr int kFramesPerRead = 128;

    OggReader();
    ~OggReader();
    OggReader(const OggReader&) = delete;
    OggReader& operator=(const OggReader&) = delete;

    // Opens the stream and reads its length, channel count and rate. False when the path
    // is no regular file, the stream can't be opened, holds no frames, states no usable
    // format, or needs more than `maxValues` values (frames x channels); the file is then
    // closed and the fields are 0.
    bool Open(const char* path, std::uint64_t maxValues);
    // Decodes from where the stream stands (its start, after Open) into `plane0`, and into
    // `plane1` when it is not null (the second channel), at most `frames` frames. Stops at the
    // stream's end, at an error (a hole, a damaged page) or at a link that lacks the second
    // channel; what was decoded before stays. Returns the frames stored.
    std::uint32_t Read(double* plane0, double* plane1, std::uint32_t frames);
    void Close();

    std::uint32_t Frames() const { return frames; }
    std::int16_t Channels() const { return channels; }
    int Rate() const { return rate; }
    // Why the last Open failed (kNone after a successful one), and the format's name when
    // the reason is an unsupported format.
    LoadFailure Failure() const { return failure; }
    const char* FailureDetail() const { return failureDetail; }

private:
    bool Fail();
    bool Refuse(LoadFailure reason, const char* detail = "");

    std::unique_ptr<OggVorbis_File> file;
    bool open = false;
    std::uint32_t frames = 0;
    std::int16_t channels = 0;
    int rate = 0;
    LoadFailure failure = LoadFailure::kNone;
    const char* failureDetail = "";
};
