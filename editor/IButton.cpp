#include "editor/IButton.h"

#include "editor/IEditorSurface.h"

#include <algorithm>

IButton::IButton(IPlugBase* owner, int newParam, int x, int y, const IImage& image)
    : IControl(owner, IBox { x, y, x + image.width, y + image.height / std::max(image.frames, 1) },
               newParam),
      lit(image)
{
}

void IButton::Press(int, int, const IMouseKeys& keys)
{
    if (!keys.right)
        value = value <= 0.5 ? 1.0 : 0.0;
    // A right click sends the unchanged value, so the host sees the state confirmed.
    Invalidate(true);
}

bool IButton::Paint(IEditorSurface& surface)
{
    if (value <= 0.5)
        return true;
    return surface.DrawImage(lit, box, 1, nullptr, true);
}
