#include "editor/SampleActivity.h"

#include "editor/IEditorSurface.h"
#include "engine/EngineConfig.h"
#include "plugbase/IPlugBase.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace {

// A bar's offset along the strip, held well inside the int range: a position far past the
// sample's end (it cannot happen, but the columns are the audio thread's) lands off the
// canvas instead of overflowing.
int BarOffset(double span, double pos, double frames)
{
    const double h = std::round(span * pos / frames);
    if (!std::isfinite(h))
        return 0;
    return static_cast<int>(std::clamp(h, -1.0e6, 1.0e6));
}

// Each drawn voice moves the colour on for the next one; the shift depends on the drawn
// voice's number. Channels may leave 0..255 here; packing holds them at the ends.
void ShiftColour(IArgb& colour, int voice)
{
    if (voice == 0) {
        colour.red -= 85;
    } else if (voice <= 3) {
        colour.green -= 85;
        colour.red += 50;
    } else if (voice <= 6) {
        colour.blue -= 85;
        colour.green += 50;
        colour.red += 35;
    } else if (voice <= 9) {
        colour.red -= 85;
        colour.blue += 50;
        colour.green += 35;
    } else if (voice <= 12) {
        colour.green -= 85;
        colour.red += 50;
        colour.blue += 35;
    }
}

} // namespace

SampleActivity::SampleActivity(IPlugBase* owner, const IBox& newBox, const double* pos,
    const double* gain, const std::uint32_t* frameCount, const std::int16_t* slots, int newSlot,
    const std::int16_t* inUse)
    : IControl(owner, newBox)
    , voicePos(pos)
    , voiceGain(gain)
    , frames(frameCount)
    , voiceSlot(slots)
    , slot(newSlot)
    , voicesInUse(inUse)
{
}

bool SampleActivity::Paint(IEditorSurface& surface)
{
    if (!voicePos || !voiceGain || !frames || !voiceSlot || !voicesInUse)
        return true;
    // A copy taken in one hold of the lock: the audio thread moves the voices on between
    // blocks, and the strip must show one moment of them.
    struct Voice {
        double pos = 0.0;
        double gain = 0.0;
        bool mine = false;
    } voices[kVoiceCount];
    int count = 0;
    double length = 0.0;
    {
        std::unique_lock<std::recursive_mutex> lock;
        if (plug)
            lock = std::unique_lock<std::recursive_mutex>(plug->Lock());
        count = std::clamp<int>(*voicesInUse, 0, kVoiceCount);
        length = static_cast<double>(*frames);
        for (int i = 0; i < count; ++i)
            voices[i] = { voicePos[i], voiceGain[i], voiceSlot[i] == slot + 1 };
    }
    if (length <= 0.0)
        return true; // an empty slot has no sounding voices to place
    const double span = static_cast<double>(box.Width() - 8);
    IArgb colour { 255, 85, 255, 255 };
    for (int i = 0; i < count; ++i) {
        if (!voices[i].mine)
            continue;
        const double alpha = std::round(voices[i].gain * 225.0);
        colour.alpha
            = std::isfinite(alpha) ? static_cast<int>(std::clamp(alpha, -1.0e6, 1.0e6)) + 30 : 255;
        const int h = BarOffset(span, voices[i].pos, length);
        surface.FillBox(
            colour, IBox { box.left + h, box.top, box.left + h + 8, box.bottom }, nullptr);
        ShiftColour(colour, i);
    }
    return true;
}
