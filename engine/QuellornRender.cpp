// Rendering: every sounding voice mixed into the two outputs with linear interpolation,
// the linear attack/release envelope, gains and pan, looping or ending at the sample's end.
//
// Runs on the audio thread inside the base's processing call, which holds the object lock
// for the whole block. Nothing here allocates, waits or touches a file.
//
// Each output frame must be the same sum, in the same order, as a frame-by-frame walk over
// the voices would give (the tests keep such a walk as the reference). Rendering one voice
// at a time over the whole block adds the voices to every frame in the same ascending
// order, so the bits agree while the voice's state stays in registers.
#include "engine/Quellorn.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr std::uint32_t kStallMs = 500;

} // namespace

void CLS_QUELLORN::RenderBlock(double**, double** outputs, int frames)
{
    ILockGuard lock(Lock());
    if (!engineStarted)
        StartEngine();

    // A transport that has just stopped silences everything; one that never ran does not.
    const bool running = GetTransportState() != 0;
    if (running != transportWasRunning && !running)
        CutAllVoices();
    transportWasRunning = running;

    // A pause of more than half a second between blocks drops the voices rather than
    // resuming them mid-note. Unsigned, so the clock may wrap.
    const std::int32_t now = readClock();
    if (static_cast<std::uint32_t>(now) - static_cast<std::uint32_t>(lastBlockClock) > kStallMs)
        CutAllVoices();

    if (frames > 0) {
        double* left = outputs[0];
        double* right = outputs[1];
        std::fill(left, left + frames, 0.0);
        std::fill(right, right + frames, 0.0);
        const int top = voicesInUse;
        for (int v = 0; v < top; ++v)
            if (voiceSlot[v] != 0)
                RenderVoice(v, left, right, frames);
    }

    std::fill(std::begin(voiceStartFrame), std::end(voiceStartFrame), 0);
    lastBlockClock = now;
}

namespace {

// One voice's state while it renders, held in locals so the frame loop works in registers
// instead of reloading the voice table through pointers the outputs might alias.
struct VoiceState {
    const double* plane0;
    const double* plane1;
    std::int64_t lastFrame;
    double end;
    double step;
    double level;
    double panL;
    double panR;
    double pos;
    double env;
    double gain;
    int stage;
};

enum class VoiceEnd { Running, Freed };

// How many of the next `remaining` frames a sustained voice can play without reaching the
// last frame of its sample: within them neither the neighbour nor the end needs checking.
// Repeated additions drift from pos + k * step by up to half an ulp each, so the bound
// keeps a margin of that drift plus one frame.
int FramesBeforeEnd(const VoiceState& s, int remaining)
{
    const double drift = remaining * (std::nextafter(s.end, s.end * 2.0) - s.end);
    const double limit = s.end - 2.0 - drift;
    if (!(s.pos < limit))
        return 0;
    if (!(s.step > 0.0))
        return s.step == 0.0 ? remaining : 0;
    const double frames = (limit - s.pos) / s.step - 1.0;
    if (!(frames >= 1.0))
        return 0;
    return frames >= remaining ? remaining : static_cast<int>(frames);
}

// A sustained voice over frames that stay clear of the sample's end: the gain is fixed and
// the neighbour always exists, so the loop is reads, mixing and the position alone.
template <bool Stereo>
void MixSustained(VoiceState& s, double* left, double* right, int frames)
{
    const double gain = s.gain;
    double pos = s.pos;
    for (int j = 0; j < frames; ++j) {
        const std::int64_t i = static_cast<std::int64_t>(pos);
        const double f = pos - static_cast<double>(i);
        double y;
        double y2 = 0.0;
        if (f > 0.0) {
            y = (s.plane0[i + 1] - s.plane0[i]) * f + s.plane0[i];
            if (Stereo)
                y2 = (s.plane1[i + 1] - s.plane1[i]) * f + s.plane1[i];
        } else {
            y = s.plane0[i];
            if (Stereo)
                y2 = s.plane1[i];
        }
        left[j] += s.panL * (y * gain);
        if (Stereo)
            right[j] += y2 * s.panR * gain;
        else
            right[j] += s.panR * (y * gain);
        pos += s.step;
    }
    s.pos = pos;
}

// Mixes frames [j, frames) of one voice; Stereo and Loop are fixed for the whole block, so
// the per-frame branches on them are compiled out.
template <bool Stereo, bool Loop>
VoiceEnd MixVoice(VoiceState& s, double attack, double release, double* left, double* right,
                  int j, int frames)
{
    while (j < frames) {
        if (s.stage == 2) {
            const int run = FramesBeforeEnd(s, frames - j);
            if (run > 0) {
                MixSustained<Stereo>(s, left + j, right + j, run);
                j += run;
                continue;
            }
        }

        if (s.stage == 1) {
            s.env = s.env + attack;
            if (s.env >= 1.0) {
                s.env = 1.0;
                s.stage = 2;
            }
            s.gain = s.level * s.env;
        } else if (s.stage == 3) {
            s.env = s.env - release;
            if (!(s.env > 0.0))
                return VoiceEnd::Freed;
            s.gain = s.level * s.env;
        }

        const std::int64_t i = static_cast<std::int64_t>(s.pos);
        const double f = s.pos - static_cast<double>(i);
        double y;
        double y2 = 0.0;
        if (f > 0.0) {
            const std::int64_t i2 = i + 1 >= s.lastFrame ? 0 : i + 1;
            y = (s.plane0[i2] - s.plane0[i]) * f + s.plane0[i];
            if (Stereo)
                y2 = (s.plane1[i2] - s.plane1[i]) * f + s.plane1[i];
        } else {
            y = s.plane0[i];
            if (Stereo)
                y2 = s.plane1[i];
        }

        left[j] += s.panL * (y * s.gain);
        if (Stereo)
            right[j] += y2 * s.panR * s.gain;
        else
            right[j] += s.panR * (y * s.gain);

        s.pos += s.step;
        if (s.pos >= s.end) {
            if (!Loop)
                return VoiceEnd::Freed;
            s.pos -= s.end;
            // A step longer than the whole sample would still be past its end: take the
            // remainder so no read ever falls outside the data.
            if (s.pos >= s.end)
                s.pos = std::fmod(s.pos, s.end);
        }
        ++j;
    }
    return VoiceEnd::Running;
}

} // namespace

void CLS_QUELLORN::StartEngine()
{
    engineStarted = true;
    for (int v = 0; v < kVoiceCount; ++v) {
        voiceSlot[v] = voiceNote[v] = voiceStage[v] = 0;
        voicePos[v] = voiceEnv[v] = voiceGain[v] = 0.0;
        voiceLevel[v] = 0.0f;
    }
    voicesInUse = 0;
    ResetProcessing();
}

void CLS_QUELLORN::RenderVoice(int v, double* left, double* right, int frames)
{
    const int slot = voiceSlot[v] - 1;
    const SampleData& sample = slotSample[slot];
    VoiceState s;
    s.plane0 = sample.samples.data();
    s.plane1 = s.plane0 + sample.frames;
    s.lastFrame = static_cast<std::int64_t>(sample.frames);
    s.end = static_cast<double>(sample.frames);
    s.step = voiceStep[v];
    s.level = voiceLevel[v];
    s.panL = voiceLeft[v];
    s.panR = voiceRight[v];
    s.pos = voicePos[v];
    s.env = voiceEnv[v];
    // The gain is recomputed every frame from level and envelope; in sustain both are
    // fixed, so computing it once here gives the same value.
    s.gain = s.level * s.env;
    s.stage = voiceStage[v];

    const int start = std::max(0, static_cast<int>(voiceStartFrame[v]));
    if (start >= frames)
        return;
    const double attack = attackStep[slot];
    const double release = releaseStep[slot];
    const bool stereo = sample.channels >= 2;
    VoiceEnd result;
    if (stereo)
        result = slotLoop[slot] ? MixVoice<true, true>(s, attack, release, left, right, start, frames)
                                : MixVoice<true, false>(s, attack, release, left, right, start, frames);
    else
        result = slotLoop[slot] ? MixVoice<false, true>(s, attack, release, left, right, start, frames)
                                : MixVoice<false, false>(s, attack, release, left, right, start, frames);

    if (result == VoiceEnd::Freed) {
        FreeVoice(v);
        return;
    }
    voicePos[v] = s.pos;
    voiceEnv[v] = s.env;
    voiceGain[v] = s.gain;
    voiceStage[v] = static_cast<std::int16_t>(s.stage);
}
