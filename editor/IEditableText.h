// What the surface needs of a text control whose text the user may type over: a typed text
// without a parameter replaces the control's own text when the control is editable.
//
// Implemented by the text controls beside IControl; called on the user-interface thread.
#pragma once

class IEditableText {
public:
    virtual ~IEditableText() = default;
    virtual bool IsEditable() const = 0;
    virtual void ReplaceText(const char* text) = 0;
};
