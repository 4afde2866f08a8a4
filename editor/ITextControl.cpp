#include "editor/ITextControl.h"

#include "editor/IEditorSurface.h"

ITextControl::ITextControl(IPlugBase* owner, const IBox& newBox, const ITextStyle& newStyle,
                           const char* newText, int newParam)
    : IControl(owner, newBox, newParam), style(newStyle), text(newText ? newText : "")
{
}

bool ITextControl::Paint(IEditorSurface& surface)
{
    if (text.empty())
        return true;
    return surface.PaintText(style, text.c_str(), box);
}
