// The programs the sampler offers from the start: a default entry and six factory sounds,
// four keyboard splits and two drum layouts. They carry parameter values only, so
// recalling one changes the slots' settings and keeps their samples.
#include "engine/Quellorn.h"

namespace {

struct SlotValues {
    double active, low, high, root, semitones, attack, release, pan, altPan, volume, reverse,
        loop;
};

struct FactoryPreset {
    const char* name;
    SlotValues slots[kSlotCount];
};

// Melodic splits: three adjacent zones rooted at 48, 72 and 96, the outer slots left and
// the middle one right, alternating pan; they differ only in envelope and loop.
constexpr SlotValues Split(double low, double high, double root, double pan, double attack,
                           double release, double loop)
{
    return {1, low, high, root, 1, attack, release, pan, 1, -3, 0, loop};
}

// Drums: narrow zones rooted at their lowest key, a minor third per key, no attack.
constexpr SlotValues Drum(double low, double high, double pan, double altPan)
{
    return {1, low, high, low, 3, 0.0, 0.1, pan, altPan, 0, 0, 0};
}

constexpr FactoryPreset kFactoryPresets[] = {
    {"Pluck", {Split(12, 59, 48, -80, 0.01, 0.5, 0), Split(60, 83, 72, 90, 0.01, 0.5, 0),
               Split(84, 127, 96, -80, 0.01, 0.5, 0)}},
    {"Lead", {Split(12, 59, 48, -80, 0.8, 1.5, 1), Split(60, 83, 72, 90, 0.8, 1.5, 1),
              Split(84, 127, 96, -80, 0.8, 1.5, 1)}},
    {"Pad", {Split(12, 59, 48, -80, 4.0, 4.5, 1), Split(60, 83, 72, 90, 4.0, 4.5, 1),
             Split(84, 127, 96, -80, 4.0, 4.5, 1)}},
    {"Release Long", {Split(12, 59, 48, -80, 1.0, 5.0, 1), Split(60, 83, 72, 90, 1.0, 5.0, 1),
                      Split(84, 127, 96, -80, 1.0, 5.0, 1)}},
    {"Drum", {Drum(36, 40, 0, 0), Drum(41, 47, -70, 1), Drum(48, 52, 80, 1)}},
    {"Drum Next Octaves", {Drum(60, 64, -60, 1), Drum(65, 71, 70, 1), Drum(72, 76, -80, 1)}},
};

} // namespace

void CLS_QUELLORN::FillPresets()
{
    ClaimPresets("---- default ----", 1);
    for (const FactoryPreset& preset : kFactoryPresets) {
        double values[kParamCount];
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const SlotValues& s = preset.slots[slot];
            const double perSlot[kParamsPerSlot] = {s.active,  s.low,     s.high,    s.root,
                                                    s.semitones, s.attack, s.release, s.pan,
                                                    s.altPan,  s.volume,  s.reverse, s.loop};
            for (int offset = 0; offset < kParamsPerSlot; ++offset)
                values[slot * kParamsPerSlot + offset] = perSlot[offset];
        }
        MakeFactoryPreset(preset.name, values, kParamCount);
    }
}
