// A text field the user may type over: a click opens the window's text entry over it (unless
// prompts are off), and a typed text without a parameter replaces its text when it takes
// typed text. Optionally on a filled background, optionally shown as asterisks.
//
// Owned by the editor surface; used on the user-interface thread only.
#pragma once

#include "editor/IEditableText.h"
#include "editor/ITextControl.h"

#include <cstddef>

class IEditableTextControl : public ITextControl, public IEditableText {
public:
    // A password field never shows more asterisks than this, however long its text.
    static constexpr std::size_t kMaxMaskLength = 254;

    // A background with alpha 0 is not filled.
    IEditableTextControl(IPlugBase* plug, const IBox& box, const ITextStyle& style,
                         const char* text, const IArgb& background, bool takesTypedText,
                         bool password, int param = -1);

    void Press(int x, int y, const IMouseKeys& keys) override;
    bool Paint(IEditorSurface& surface) override;

    // Replaces the text; a different one marks the control for repainting.
    void SetText(const char* newText);
    void SetNoPrompt(bool off) { noPrompt = off; }

    bool IsEditable() const override { return takesTypedText; }
    bool Masked() const { return password; }
    void ReplaceText(const char* newText) override { SetText(newText); }

private:
    IArgb background;
    bool takesTypedText;
    bool password;
};
