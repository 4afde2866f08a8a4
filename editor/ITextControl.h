// A line of text drawn in a fixed box with a fixed style: the editor's version text, and the
// base of the text field the user may type over (IEditableTextControl).
//
// Owned by the editor surface; painted and changed on the user-interface thread.
#pragma once

#include "editor/IControl.h"

#include <string>

class ITextControl : public IControl {
public:
    ITextControl(IPlugBase* plug, const IBox& box, const ITextStyle& style, const char* text,
                 int param = -1);

    bool Paint(IEditorSurface& surface) override;

    const std::string& Text() const { return text; }
    const ITextStyle& Style() const { return style; }

protected:
    ITextStyle style;
    std::string text;
};
