// A slot's voice activity strip: one short bar per sounding voice of the slot, placed along
// the strip where the voice is in its sample, brighter the louder it plays, its colour
// shifted by the voice's number so that neighbouring voices can be told apart.
//
// Owned by the editor surface, one per slot. It reads the sampler's voice columns and the
// slot's frame count, which the audio thread changes under the plug-in's object lock; it
// takes that lock only to copy them. Painted on the user-interface thread, on every timer
// tick, since its row lies in the surface's live box.
#pragma once

#include "editor/IControl.h"

#include <cstdint>

class SampleActivity : public IControl {
public:
    // The pointers name the sampler's voice columns (kVoiceCount entries each), the slot's
    // frame count and the voice high-water mark; they must outlive the control.
    SampleActivity(IPlugBase* plug, const IBox& box, const double* voicePos,
        const double* voiceGain, const std::uint32_t* frames, const std::int16_t* voiceSlot,
        int slot, const std::int16_t* voicesInUse);

    bool Paint(IEditorSurface& surface) override;

private:
    const double* voicePos;
    const double* voiceGain;
    const std::uint32_t* frames;
    const std::int16_t* voiceSlot;
    int slot;
    const std::int16_t* voicesInUse;
};
