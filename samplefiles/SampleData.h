// A slot's decoded sample: planar 64-bit frames (plane 0, then plane 1 for stereo), the
// frame and channel counts, and the ratio of the file's rate to the engine's rate that
// scales every voice's step. Frames 0 means the slot is empty.
//
// Owned by the sampler, one per slot; replaced only under the plug-in's object lock, and
// read by the audio thread inside the same lock.
#pragma once

#include <cstdint>
#include <vector>

struct SampleData {
    std::vector<double> samples{0.0}; // an empty slot keeps a one-value placeholder
    std::int64_t frames = 0;
    int channels = 0;
    double rateRatio = 0.0;
};
