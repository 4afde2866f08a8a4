#include "editor/IEditableTextControl.h"

#include "editor/IEditorSurface.h"
#include "plugbase/IPlugBase.h"

#include <algorithm>

IEditableTextControl::IEditableTextControl(IPlugBase* owner, const IBox& newBox,
                                           const ITextStyle& newStyle, const char* newText,
                                           const IArgb& newBackground, bool takesText,
                                           bool isPassword, int newParam)
    : ITextControl(owner, newBox, newStyle, newText, newParam),
      background(newBackground),
      takesTypedText(takesText),
      password(isPassword)
{
}

void IEditableTextControl::Press(int, int, const IMouseKeys&)
{
    if (noPrompt || !plug || !plug->Editor())
        return;
    plug->Editor()->OpenTextEntry(this);
    repaintAgain = true;
}

bool IEditableTextControl::Paint(IEditorSurface& surface)
{
    if (background.alpha != 0 && !surface.FillBox(background, box, nullptr))
        return false;
    if (text.empty())
        return true;
    if (!password)
        return surface.PaintText(style, text.c_str(), box);
    const std::string mask(std::min(text.size(), kMaxMaskLength), '*');
    return surface.PaintText(style, mask.c_str(), box);
}

void IEditableTextControl::SetText(const char* newText)
{
    if (!newText)
        newText = "";
    if (text == newText)
        return;
    Invalidate(false);
    text = newText;
}
