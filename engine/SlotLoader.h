// Brings decoded samples into the sampler's slots without stopping the music. A file's
// header is read and its audio decoded into a new buffer with no lock held (reversed there
// when the slot plays reversed); the object lock is taken only to stop the slot's voices
// and swap the new buffer in, and the old buffer is freed once the lock is let go. Loads of
// one plug-in wait for each other on the plug-in's load lock, which the audio thread never
// takes. Also keeps, per slot, why its last load failed.
//
// Owned by the sampler, one per plug-in, created with it. ReadHeader and Decode touch no
// shared state and run on whichever thread loads (never the audio thread); SwapIn, Empty
// and the failure texts are used under the object lock.
#pragma once

#include "engine/EngineConfig.h"
#include "samplefiles/LoadFailure.h"

#include <atomic>
#include <cstdint>
#include <vector>

class CLS_QUELLORN;

// A sample file on its way into a slot: the header's values, then the decoded planes.
struct DecodedSample {
    std::uint32_t frames = 0;
    std::int16_t channels = 0;
    double fileRate = 0.0;
    bool singlePrecisionRatio = false;
    bool reversed = false;
    // frames x channels values, planes 0 and 1 filled; the one-value placeholder while
    // there are no frames, so the slot's buffer is never empty.
    std::vector<double> samples;
    LoadFailure failure = LoadFailure::kNone;
    char failureDetail[64] = "";
};

class SlotLoader {
public:
    // Most values (frames x channels) a slot takes: 4 GiB of samples. Larger files are
    // refused instead of exhausting memory.
    static constexpr std::uint64_t kMaxSampleValues = std::uint64_t(1) << 29;
    static constexpr int kFailureTextSize = 96;

    explicit SlotLoader(CLS_QUELLORN& sampler);

    // Reads the format and length of the file at `path`, chosen by `extension` ("wav",
    // "ogg", "flac", in any case). False, with the reason in `out`, when the file can't be used.
    static bool ReadHeader(const char* path, const char* extension, DecodedSample& out);
    // Decodes the file whose header `sample` holds into a new buffer of its own, reversed
    // when `reverse` is set. False, with the reason in `sample`, when it can't.
    static bool Decode(const char* path, const char* extension, bool reverse,
                       DecodedSample& sample);
    // Reverses planes 0 and 1 (plane 1 only when there are two or more channels) of
    // `frames` frames in place.
    static void ReversePlanes(std::vector<double>& samples, std::uint32_t frames, int channels);

    // Under the object lock: stops the slot's voices, clears its held keys, and gives it
    // the decoded sample; `sample.samples` then holds the slot's old buffer, for the caller
    // to free after the lock is let go. The planes must be in the orientation the slot
    // plays them.
    void SwapIn(int slot, DecodedSample& sample);
    // Under the object lock: the slot holds no sample any more (frames 0, the placeholder).
    void Empty(int slot, std::vector<double>& old);

    // Under the object lock: the reason the slot's last load failed, or none.
    void NoteFailure(int slot, LoadFailure failure, const char* detail);
    void NoteFailure(int slot, const DecodedSample& sample)
    {
        NoteFailure(slot, sample.failure, sample.failureDetail);
    }
    const char* FailureText(int slot) const;

    // Whether the slot plays reversed, kept beside the sampler's own flag (which changes
    // under the object lock) so that a load can decode the right way round without taking
    // that lock; the swap checks the flag itself again.
    void SetReverseHint(int slot, bool reverse);
    bool ReverseHint(int slot) const;

private:
    CLS_QUELLORN& sampler;
    char failureText[kSlotCount][kFailureTextSize] = {};
    std::atomic<bool> reverseHint[kSlotCount] = {};
};
