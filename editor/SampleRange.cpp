#include "editor/SampleRange.h"

#include "engine/EngineConfig.h"

SampleRange::SampleRange(IPlugBase* owner, const IBox& newBox, int newSlot)
    : IControl(owner, newBox), slot(newSlot)
{
    dirty = false;
}

bool SampleRange::Paint(IEditorSurface&)
{
    // The strip is drawn by the editor's keyboard painter; this control keeps its state.
    return true;
}

bool SampleRange::NeedsPaint()
{
    const bool result = changed;
    changed = false;
    return result;
}

void SampleRange::NoteHeld(int key, bool on)
{
    const std::int16_t e = static_cast<std::int16_t>(key - kLowestKey);
    if (on) {
        for (int j = 0; j < heldCount; ++j)
            if (heldKeys[j] == e)
                return;
        for (int j = 0; j < kHeldKeySlots; ++j) {
            if (heldKeys[j] == 0) {
                heldKeys[j] = e;
                if (heldCount < j + 1)
                    heldCount = static_cast<std::int16_t>(j + 1);
                break;
            }
        }
        changed = true;
        return;
    }
    for (int j = 0; j < heldCount; ++j) {
        if (heldKeys[j] != e)
            continue;
        --heldCount;
        // Keep the filled entries packed: the last one moves into the gap.
        if (j < heldCount) {
            heldKeys[j] = heldKeys[heldCount];
            heldKeys[heldCount] = 0;
        } else {
            heldKeys[j] = 0;
        }
        break;
    }
    changed = true;
}

void SampleRange::ClearHeldKeys()
{
    for (int j = 0; j < heldCount; ++j)
        heldKeys[j] = 0;
    heldCount = 0;
    changed = true;
}

void SampleRange::SetLowKey(int key)
{
    low = static_cast<std::int16_t>(key);
    changed = true;
}

void SampleRange::SetHighKey(int key)
{
    high = static_cast<std::int16_t>(key);
    changed = true;
}

void SampleRange::SetRootKey(int key)
{
    root = static_cast<std::int16_t>(key);
    changed = true;
}
