// A slot's decoded sample: planar 64-bit frames (plane 0, then plane 1 for stereo), the
// frame and channel counts, the file's own rate, and the ratio of that rate to the
// engine's rate that scales every voice's step. Frames 0 means the slot is empty.
//
// Owned by the sampler, one per slot; replaced only under the plug-in's object lock, and
// read by the audio thread inside the same lock.
#pragma once

#include <cstdint>
#include <vector>

struct SampleData {
    std::vector<double> samples{0.0}; // an empty slot keeps a one-value placeholder
    std::uint32_t frames = 0;
    std::int16_t channels = 0;
    // Kept so the ratio can be derived again whenever the engine's rate becomes known or
    // changes; a ratio scaled from an unknown rate would be lost.
    double fileRate = 0.0;
    // Ogg Vorbis files play at a ratio rounded to single precision, WAV files at the full
    // double; the pitch of a saved song depends on which.
    bool singlePrecisionRatio = false;
    double rateRatio = 0.0;

    const double* Plane(int index) const { return samples.data() + std::size_t(index) * frames; }
};

// The ratio a file of `fileRate` plays at on an engine running at `engineRate`; 1.0 while
// either rate is unknown.
inline double RateRatioFor(double fileRate, double engineRate, bool singlePrecision = false)
{
    const double ratio = fileRate > 0.0 && engineRate > 0.0 ? fileRate / engineRate : 1.0;
    return singlePrecision ? double(static_cast<float>(ratio)) : ratio;
}
