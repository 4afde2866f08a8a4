#include "tests/engine/ReferenceRenderer.h"

#include "engine/Quellorn.h"

#include <cmath>
#include <cstdint>

namespace {

void FreeOne(CLS_QUELLORN& p, int v)
{
    p.voiceGain[v] = 0.0;
    p.voicePos[v] = 0.0;
    p.voiceEnv[v] = 0.0;
    p.voiceNote[v] = 0;
    p.voiceStage[v] = 0;
    p.voiceSlot[v] = 0;
    p.voiceReleaseFrame[v] = kNoPendingRelease;
    while (p.voicesInUse > 0 && p.voiceSlot[p.voicesInUse - 1] == 0)
        --p.voicesInUse;
}

void CutAll(CLS_QUELLORN& p)
{
    for (int v = 0; v < kVoiceCount; ++v) {
        if (p.voiceSlot[v] == 0)
            continue;
        p.voiceGain[v] = 0.0;
        p.voicePos[v] = 0.0;
        p.voiceEnv[v] = 0.0;
        p.voiceNote[v] = 0;
        p.voiceStage[v] = 0;
        p.voiceSlot[v] = 0;
        p.voiceReleaseFrame[v] = kNoPendingRelease;
    }
    p.voicesInUse = 0;
    p.ClearHeldKeys();
}

// Returns false when the voice was freed by the end of its release.
bool UpdateEnvelope(CLS_QUELLORN& p, int s, int v)
{
    if (p.voiceStage[v] == 1) {
        p.voiceEnv[v] = p.voiceEnv[v] + p.attackStep[s];
        if (p.voiceEnv[v] >= 1.0) {
            p.voiceEnv[v] = 1.0;
            p.voiceStage[v] = 2;
        }
    } else if (p.voiceStage[v] == 3) {
        p.voiceEnv[v] = p.voiceEnv[v] - p.releaseStep[s];
        if (!(p.voiceEnv[v] > 0.0)) {
            FreeOne(p, v);
            return false;
        }
    }
    p.voiceGain[v] = static_cast<double>(p.voiceLevel[v]) * p.voiceEnv[v];
    return true;
}

double Read(const double* data, std::int64_t i, std::int64_t i2, double f)
{
    return f > 0.0 ? (data[i2] - data[i]) * f + data[i] : data[i];
}

} // namespace

void ReferenceRenderBlock(CLS_QUELLORN& p, double** outputs, int n)
{
    if (!p.engineStarted)
        p.StartEngine();
    const bool running = p.GetTransportState() != 0;
    if (running != p.transportWasRunning && !running)
        CutAll(p);
    p.transportWasRunning = running;
    const std::int32_t now = p.Clock()();
    if (static_cast<std::uint32_t>(now) - static_cast<std::uint32_t>(p.lastBlockClock) > 500u
        && p.MayBeRealTime())
        CutAll(p);

    for (int j = 0; j < n; ++j) {
        outputs[0][j] = 0.0;
        outputs[1][j] = 0.0;
        for (int v = 0; v < p.voicesInUse; ++v) {
            if (p.voiceSlot[v] == 0 || p.voiceStartFrame[v] > j)
                continue;
            const int s = p.voiceSlot[v] - 1;
            // A note-off's frame (or the voice's first, when it comes later) releases.
            if (p.voiceReleaseFrame[v] != kNoPendingRelease && p.voiceReleaseFrame[v] <= j) {
                p.voiceStage[v] = 3;
                p.voiceReleaseFrame[v] = kNoPendingRelease;
            }
            if (!UpdateEnvelope(p, s, v))
                continue;
            const SampleData& sample = p.slotSample[s];
            const double* data = sample.samples.data();
            const std::int64_t frames = sample.frames;
            const double pos = p.voicePos[v];
            const std::int64_t i = static_cast<std::int64_t>(pos);
            const double f = pos - static_cast<double>(i);
            const std::int64_t i2 = f > 0.0 ? (i + 1 >= frames ? 0 : i + 1) : i;
            const double y = Read(data, i, i2, f);
            outputs[0][j] += p.voiceLeft[v] * (y * p.voiceGain[v]);
            if (sample.channels >= 2) {
                const double y2 = Read(data + frames, i, i2, f);
                outputs[1][j] += y2 * p.voiceRight[v] * p.voiceGain[v];
            } else {
                outputs[1][j] += p.voiceRight[v] * (y * p.voiceGain[v]);
            }
            p.voicePos[v] += p.voiceStep[v];
            if (p.voicePos[v] >= static_cast<double>(frames)) {
                if (p.slotLoop[s]) {
                    p.voicePos[v] -= static_cast<double>(frames);
                    if (p.voicePos[v] >= static_cast<double>(frames))
                        p.voicePos[v] = std::fmod(p.voicePos[v], static_cast<double>(frames));
                } else {
                    FreeOne(p, v);
                }
            }
        }
    }
    for (int v = 0; v < kVoiceCount; ++v) {
        if (p.voiceReleaseFrame[v] != kNoPendingRelease && p.voiceSlot[v] != 0)
            p.voiceStage[v] = 3;
        p.voiceReleaseFrame[v] = kNoPendingRelease;
        p.voiceStartFrame[v] = 0;
    }
    p.lastBlockClock = now;
}
