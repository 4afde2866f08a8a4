// A control that shows one frame of an image, picked by its value: the editor's background
// (control 0, covering the whole surface) and any other picture that needs no behaviour.
//
// Owned by the editor surface like every control; painted on the user-interface thread.
#pragma once

#include "editor/IControl.h"

class IBackdrop : public IControl {
public:
    IBackdrop(IPlugBase* plug, const IBox& box, const IImage& image, bool verticalFrames);

    bool Paint(IEditorSurface& surface) override;

    // The 1-based frame the value selects: 1 for a single frame, else
    // clamp(int((frames - 1) x value + 0.5) + 1, 1, frames).
    int Frame() const;

private:
    IImage picture;
    bool verticalFrames;
};
