// An on/off switch drawn as an image: a left click flips it, and while it is on its image is
// drawn over the background, which shows the off state.
//
// Owned by the editor surface; used on the user-interface thread.
#pragma once

#include "editor/IControl.h"

class IButton : public IControl {
public:
    // The box is one frame of the image, with its top-left at (x, y).
    IButton(IPlugBase* plug, int param, int x, int y, const IImage& image);

    void Press(int x, int y, const IMouseKeys& keys) override;
    bool Paint(IEditorSurface& surface) override;

private:
    IImage lit;
};
