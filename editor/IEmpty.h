// A control that draws nothing and is never hit in practice (its box is empty): it gives a
// parameter without a visible control a place in the editor, so values set on it from a file
// reach the plug-in and the host through the control's usual path.
//
// Owned by the editor surface; ShowValue from any thread under the object lock, the rest on
// the user-interface thread.
#pragma once

#include "editor/IControl.h"

class IEmpty : public IControl {
public:
    IEmpty(IPlugBase* plug, const IBox& box, int param) : IControl(plug, box, param) {}

    bool Paint(IEditorSurface&) override { return true; }
};
