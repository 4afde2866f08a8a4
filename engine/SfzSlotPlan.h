// What an SFZ instrument file gives one slot: the sample to load, or the one that was
// refused (the slot then shows "wrong audio" and the user is told its path), or nothing
// when the file has too few regions (the slot is emptied); and the value of each of the
// slot's twelve parameters, or none where the file leaves a parameter as it is.
//
// Region n goes to slot n. Opcodes a region doesn't give take the format's defaults
// (attack and release 0, pan 0, 0 dB, forward, keys 0 to 127, root 60, no loop, no
// alternating pan, a semitone per key), so an instrument sounds as written whichever
// program is selected. transpose and tune move the root key the other way, rounded to
// whole semitones. Active is set only to turn off a region that plays no key (lokey or
// hikey -1); otherwise it stays the user's.
//
// Plain values, built by ReadAll from one reading of the file before any slot changes:
// the loading path may read on any thread that may touch files (never the audio thread)
// and apply the plans later under the object lock.
#pragma once

#include "engine/EngineConfig.h"
#include "samplefiles/SfzReader.h"

#include <array>
#include <optional>

struct SfzSlotPlan {
    enum class Fill { kEmpty, kSample, kRefused };

    Fill fill = Fill::kEmpty;
    // The sample to load, or the refused one (cut to the buffer when it didn't fit).
    char samplePath[SfzRegion::kPathSize] = "";
    LoadFailure refusal = LoadFailure::kNone;
    // By parameter offset (kParamActive ... kParamLoop), in the parameters' own units and
    // not yet clamped to their ranges.
    std::array<std::optional<double>, kParamsPerSlot> params {};

    // The plan for a slot that takes `region`.
    static SfzSlotPlan FromRegion(const SfzRegion& region);
    // Reads `sfzPath` once and plans every slot. False when the file can't be read or
    // holds no region at all: then no slot is to change.
    static bool ReadAll(const char* sfzPath, std::array<SfzSlotPlan, kSlotCount>& plans);
};
