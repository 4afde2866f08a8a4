// A slot's keyboard strip over MIDI keys 12 to 127: the low, high and root keys, which the
// user drags on the strip or types into an entry field, and the keys being held, which the
// engine maintains as notes arrive.
//
// Owned by the editor surface; the sampler keeps a pointer to it per slot. The engine
// updates the keys and the held-key list under the plug-in's object lock (audio or
// user-interface thread); painting copies them under that lock, and the mouse and typed-
// text operations, which run on the user-interface thread, change them under it. The entry
// field is made at the first paint and attached to the same surface, which owns it.
#pragma once

#include "editor/IControl.h"

#include <atomic>
#include <cstdint>
#include <mutex>

class IEditableTextControl;
class MySample;

class SampleRange : public IControl {
public:
    static constexpr int kHeldKeySlots = 10;
    // Keys are counted from MIDI key 12; the highest is MIDI key 127.
    static constexpr int kTopKey = 115;
    // What is being edited: nothing, a typed low, high or root key, or a root being dragged.
    enum EditField : std::int16_t { kEditNone, kEditLow, kEditHigh, kEditRoot, kEditRootDrag };

    // `sample` is the slot's sample display, whose played mark a narrowed range clears.
    SampleRange(IPlugBase* plug, const IBox& box, int slot, MySample* sample = nullptr);

    void Press(int x, int y, const IMouseKeys& keys) override;
    void Release(int x, int y, const IMouseKeys& keys) override;
    void Drag(int x, int y, int dx, int dy, const IMouseKeys& keys) override;
    bool Paint(IEditorSurface& surface) override;
    // Reached when a typed text is committed: the entry field holds the text.
    void ApplyValue(double v) override;
    bool NeedsPaint() override;

    // MIDI key `key` went down (on) or up; keeps the held-key list.
    void NoteHeld(int key, bool on);
    void ClearHeldKeys();
    // Moves the low or high key to the strip's point (x, y), whichever is nearer, or the root
    // when the press starts on its marker or a root drag is under way.
    void PickNote(int x, int y, bool starting);
    // Stores a key parameter's value as an editor change the host is not sent.
    void SetNoteParam(int index, int value);
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
    int Editing() const { return editField; }
    bool EntryOpen() const { return entryOpen; }
    bool Ready() const { return ready; }
    IEditableTextControl* EntryField() const;

private:
    class EntryControl;
    // The keys as one paint shows them.
    struct Keys {
        int low = -1;
        int high = -1;
        int root = -1;
        int heldCount = 0;
        std::int16_t held[kHeldKeySlots] = {};
    };

    std::unique_lock<std::recursive_mutex> LockPlug() const;
    void OpenEntry(int x);
    // Geometry of the strip: keys 0..115 spread over the width less 10 pixels.
    int KeySpan() const { return box.Width() - 10; }
    double KeyOffset(int key) const;
    void PaintHeldKeys(IEditorSurface& surface, const Keys& keys, int m, int o) const;
    void PaintKeyNames(IEditorSurface& surface, const Keys& keys);

    int slot;
    // Keys as MIDI key - 12; -1 until the parameters have been shown.
    std::int16_t low = -1;
    std::int16_t high = -1;
    std::int16_t root = -1;
    std::int16_t editField = kEditNone;
    std::int16_t heldKeys[kHeldKeySlots] = {}; // 0 marks a free entry
    std::int16_t heldCount = 0;                // one past the last used entry
    bool ready = false;
    std::atomic<bool> changed { false }; // set under the object lock, cleared by the tick
    bool entryOpen = false;
    EntryControl* entryField = nullptr;
    IImage keyOnImage;
    IImage keyOffImage;
    MySample* sample;
    ITextStyle keyText;
};
