// A slot's keyboard strip over MIDI keys 12 to 127: the low, high and root keys and the
// keys being held, which the engine maintains as notes arrive.
//
// Owned by the editor surface; the sampler keeps a pointer to it per slot. The engine
// updates it under the plug-in's object lock (audio or user-interface thread); painting
// reads it on the user-interface thread.
#pragma once

#include "editor/IControl.h"

#include <cstdint>

class SampleRange : public IControl {
public:
    static constexpr int kHeldKeySlots = 10;

    SampleRange(IPlugBase* plug, const IBox& box, int slot);

    bool Paint(IEditorSurface& surface) override;
    bool NeedsPaint() override;

    // MIDI key `key` went down (on) or up; keeps the held-key list.
    void NoteHeld(int key, bool on);
    void ClearHeldKeys();
    void SetLowKey(int key);
    void SetHighKey(int key);
    void SetRootKey(int key);
    void MarkChanged() { changed = true; }

    int Slot() const { return slot; }
    int LowKey() const { return low; }
    int HighKey() const { return high; }
    int RootKey() const { return root; }
    int HeldCount() const { return heldCount; }
    int HeldKey(int entry) const { return heldKeys[entry]; }
    bool Changed() const { return changed; }

private:
    int slot;
    // Keys as MIDI key - 12; -1 until the parameters have been shown.
    std::int16_t low = -1;
    std::int16_t high = -1;
    std::int16_t root = -1;
    std::int16_t heldKeys[kHeldKeySlots] = {}; // 0 marks a free entry
    std::int16_t heldCount = 0;                // one past the last used entry
    bool changed = false;
};
