// The drag behaviour shared by the editor's knobs: a vertical (or horizontal) drag moves the
// value by the distance over the box's size divided by the gearing, ten times finer with
// shift or control. Never created by itself; IKnobRotVal draws it.
//
// Owned by the editor surface; used on the user-interface thread.
#pragma once

#include "editor/IControl.h"

class IKnobControl : public IControl {
public:
    // `direction` 0 drags vertically, any other value horizontally.
    IKnobControl(IPlugBase* plug, const IBox& box, int param, int direction, double gearing);

    void Drag(int x, int y, int dx, int dy, const IMouseKeys& keys) override;

protected:
    int direction;
    double gearing;
};
