#include "editor/BarLabel.h"

#include "editor/IEditorSurface.h"
#include "plugbase/IParameter.h"

BarLabel::BarLabel(IPlugBase* owner, const IBox& newBox, int durationTicks)
    : IControl(owner, newBox), duration(durationTicks)
{
}

bool BarLabel::Paint(IEditorSurface& surface)
{
    // The font comes from the process-wide cache; a fresh style per paint only looks it up.
    ITextStyle style = MakeTextStyle("Arial", 14, IArgb { 180, 255, 255, 255 });
    return surface.PaintText(style, text, box);
}

bool BarLabel::NeedsPaint()
{
    if (remainingTicks == 0)
        return false;
    // A negative duration would never count down to 0; it ends at the next tick.
    if (--remainingTicks <= 0) {
        remainingTicks = 0;
        text[0] = '\0';
    }
    return true;
}

void BarLabel::ShowMessage(const char* message)
{
    CopyText(text, message, sizeof text);
    remainingTicks = duration;
}
