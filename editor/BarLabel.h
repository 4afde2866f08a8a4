// The status line at the foot of the editor: a message shows for a fixed number of timer
// ticks and then clears itself. It counts the ticks in NeedsPaint, which the surface's dirty
// collection calls exactly once per control and tick.
//
// Owned by the editor surface; the sampler keeps a pointer to it for its load messages.
// ShowMessage runs under the plug-in's object lock on whichever thread loads a file; paint
// and tick counting run on the user-interface thread.
#pragma once

#include "editor/IControl.h"

class BarLabel : public IControl {
public:
    // The message text: 259 characters and the terminator.
    static constexpr int kTextSize = 260;

    // `durationTicks` is how many timer ticks a message stays.
    BarLabel(IPlugBase* plug, const IBox& box, int durationTicks);

    bool Paint(IEditorSurface& surface) override;
    // True on every tick while a message shows, and once more, cleared, when it expires.
    bool NeedsPaint() override;

    void ShowMessage(const char* message);

    const char* Text() const { return text; }
    int RemainingTicks() const { return remainingTicks; }

private:
    char text[kTextSize] = {};
    int remainingTicks = 0;
    int duration;
};
