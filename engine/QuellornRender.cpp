// Rendering: every sounding voice mixed into the two outputs with linear interpolation,
// the linear attack/release envelope, gains and pan, looping or ending at the sample's end.
//
// Runs on the audio thread inside the base's processing call, which holds the object lock
// for the whole block. Nothing here allocates, waits or touches a file.
//
// Each output frame must be the same sum, in the same order, as a frame-by-frame walk over
// the voices would give (the tests keep such a walk as the reference). The block is cut
// into stretches; within a stretch the voices are mixed in ascending order, so every frame
// still receives its contributions in that order. Voices that are sustained and clear of
// their sample's end for the whole stretch are mixed a few at a time in one frame loop:
// their positions advance side by side, which hides the latency of each position's
// running sum, and the frame's partial sum stays in a register between them. Every other
// voice (attack, release, a loop's wrap, the end of a sample, a note starting in the
// stretch) is mixed alone by the general frame loop.
#include "engine/Quellorn.h"
#include "engine/VoiceLanes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr std::uint32_t kStallMs = 500;
// Voices mixed in one frame loop: as many as it takes.
constexpr int kGroupSize = kMaxLanes;
// A stretch shorter than this would cost more to set up than the shared loop saves.
constexpr int kShortestTogether = 16;

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
    // resuming them mid-note. Unsigned, so the clock may wrap. An offline render takes
    // as long as the machine needs and must not depend on it.
    const std::int32_t now = readClock();
    if (static_cast<std::uint32_t>(now) - static_cast<std::uint32_t>(lastBlockClock) > kStallMs
        && MayBeRealTime())
        CutAllVoices();

    if (frames > 0) {
        double* left = outputs[0];
        double* right = outputs[1];
        std::fill(left, left + frames, 0.0);
        std::fill(right, right + frames, 0.0);
        RenderVoices(left, right, frames);
    }

    // A note-off at or beyond the block's end releases its voice from the next block on.
    for (int v = 0; v < kVoiceCount; ++v) {
        if (voiceReleaseFrame[v] == kNoPendingRelease)
            continue;
        if (voiceSlot[v] != 0)
            voiceStage[v] = 3;
        voiceReleaseFrame[v] = kNoPendingRelease;
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
    int releaseAt; // frame of a note-off still to come in this block, else kNoRelease
};

constexpr int kNoRelease = std::numeric_limits<int>::max();

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
        // The note-off's frame releases already; a voice starting after it releases from
        // its first frame.
        if (j >= s.releaseAt) {
            s.stage = 3;
            s.releaseAt = kNoRelease;
        }
        if (s.stage == 2) {
            const int run = FramesBeforeEnd(s, std::min(frames, s.releaseAt) - j);
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

// A sounding voice for the length of one block: its state, its slot's settings, and where
// it stands in the stretch being mixed.
struct BlockVoice {
    VoiceState s;
    double attack;
    double release;
    int voice;
    int start;
    bool stereo;
    bool loop;
    bool freed;
    int together; // frames it can share a frame loop from the stretch's start; 0 if none
};

// How many frames from `j` the voice can be mixed in the shared loop: it must have started,
// be sustained until its note-off's frame, and stay clear of its sample's end. The loop
// converts positions to 32-bit indices, so longer samples stay with the general loop.
int FramesTogether(const BlockVoice& b, int j, int frames)
{
    if (b.start > j || b.s.stage != 2 || b.s.releaseAt <= j || !(b.s.pos >= 0.0)
        || b.s.lastFrame > std::numeric_limits<std::int32_t>::max())
        return 0;
    const int until = std::min(frames, b.s.releaseAt);
    const int remaining = until - j;
    const int run = FramesBeforeEnd(b.s, remaining);
    // A short run is worth it only at the block's end, where the stretch ends anyway.
    return run >= kShortestTogether || (run == remaining && until == frames) ? run : 0;
}

Lane LaneFor(const VoiceState& s, bool stereo)
{
    Lane lane;
    lane.plane0 = s.plane0;
    lane.plane1 = stereo ? s.plane1 : s.plane0;
    lane.pos = s.pos;
    lane.step = s.step;
    lane.gain = s.gain;
    lane.panL = s.panL;
    lane.rightFirst = stereo ? s.panR : s.gain;
    lane.rightSecond = stereo ? s.gain : s.panR;
    const double factors[5] = {lane.gain, lane.panL, lane.rightFirst, lane.rightSecond, lane.step};
    for (int f = 0; f < 5; ++f)
        for (double& x : lane.wide[f])
            x = factors[f];
    return lane;
}


// Up to kGroupSize voices, in ascending order, that can all share the loop for `frames`.
void MixGroup(BlockVoice* const* group, int count, double* left, double* right, int frames)
{
    Lane lanes[kGroupSize];
    for (int k = 0; k < count; ++k)
        lanes[k] = LaneFor(group[k]->s, group[k]->stereo);
    const int covered = MixLanes(lanes, count, left, right, frames);
    for (int k = 0; k < count; ++k)
        group[k]->s.pos = lanes[k].pos;
    // The last few frames frame by frame, voice by voice in the same order.
    for (int j = covered; j < frames; ++j)
        for (int k = 0; k < count; ++k) {
            if (group[k]->stereo)
                MixSustained<true>(group[k]->s, left + j, right + j, 1);
            else
                MixSustained<false>(group[k]->s, left + j, right + j, 1);
        }
}

// One voice alone over frames [j, stop) of the block, from its start frame if that is later.
void MixAlone(BlockVoice& b, double* left, double* right, int j, int stop)
{
    const int from = std::max(j, b.start);
    VoiceEnd result;
    if (b.stereo)
        result = b.loop ? MixVoice<true, true>(b.s, b.attack, b.release, left, right, from, stop)
                        : MixVoice<true, false>(b.s, b.attack, b.release, left, right, from, stop);
    else
        result = b.loop ? MixVoice<false, true>(b.s, b.attack, b.release, left, right, from, stop)
                        : MixVoice<false, false>(b.s, b.attack, b.release, left, right, from, stop);
    b.freed = result == VoiceEnd::Freed;
}

} // namespace

void CLS_QUELLORN::ProcessingSwitchedOn()
{
    ILockGuard lock(Lock());
    lastBlockClock = readClock(); // the time processing was off is no stall
}

void CLS_QUELLORN::StartEngine()
{
    engineStarted = true;
    // Whatever happened between construction and the first notes or block (a long
    // sample loaded, a project opened) is no stall.
    lastBlockClock = readClock();
    for (int v = 0; v < kVoiceCount; ++v) {
        voiceSlot[v] = voiceNote[v] = voiceStage[v] = 0;
        voiceReleaseFrame[v] = kNoPendingRelease;
        voicePos[v] = voiceEnv[v] = voiceGain[v] = 0.0;
        voiceLevel[v] = 0.0f;
    }
    voicesInUse = 0;
    ResetProcessing();
}


void CLS_QUELLORN::RenderVoices(double* left, double* right, int frames)
{
    BlockVoice voices[kVoiceCount];
    int count = 0;
    const int top = voicesInUse;
    for (int v = 0; v < top; ++v) {
        if (voiceSlot[v] == 0)
            continue;
        const int slot = voiceSlot[v] - 1;
        const SampleData& sample = slotSample[slot];
        BlockVoice& b = voices[count++];
        VoiceState& s = b.s;
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
        // Past the block's end the frame itself no longer matters, and the largest offset
        // a host can send must not read as no note-off at all.
        s.releaseAt = voiceReleaseFrame[v] == kNoPendingRelease
                          ? kNoRelease
                          : std::min(static_cast<int>(voiceReleaseFrame[v]), frames);
        b.attack = attackStep[slot];
        b.release = releaseStep[slot];
        b.voice = v;
        b.start = std::max(0, static_cast<int>(voiceStartFrame[v]));
        b.stereo = sample.channels >= 2;
        b.loop = slotLoop[slot];
        b.freed = false;
        b.together = 0;
    }

    for (int j = 0; j < frames;) {
        // The stretch ends where the first voice sharing the loop would come near its end.
        int stop = frames;
        for (int k = 0; k < count; ++k) {
            BlockVoice& b = voices[k];
            b.together = b.freed ? 0 : FramesTogether(b, j, frames);
            if (b.together > 0)
                stop = std::min(stop, j + b.together);
        }
        for (int k = 0; k < count;) {
            if (voices[k].freed) {
                ++k;
                continue;
            }
            if (voices[k].together == 0) {
                MixAlone(voices[k], left, right, j, stop);
                ++k;
                continue;
            }
            BlockVoice* group[kGroupSize];
            int size = 0;
            for (; k < count && size < kGroupSize; ++k) {
                if (voices[k].freed)
                    continue;
                if (voices[k].together == 0)
                    break;
                group[size++] = &voices[k];
            }
            MixGroup(group, size, left + j, right + j, stop - j);
        }
        j = stop;
    }

    for (int k = 0; k < count; ++k) {
        const BlockVoice& b = voices[k];
        if (b.freed) {
            FreeVoice(b.voice);
            continue;
        }
        voicePos[b.voice] = b.s.pos;
        voiceEnv[b.voice] = b.s.env;
        voiceGain[b.voice] = b.s.gain;
        voiceStage[b.voice] = static_cast<std::int16_t>(b.s.stage);
        voiceReleaseFrame[b.voice] = b.s.releaseAt == kNoRelease ? kNoPendingRelease : b.s.releaseAt;
    }
}
