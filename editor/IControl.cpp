#include "editor/IControl.h"

#include "editor/IEditorSurface.h"
#include "plugbase/IPlugBase.h"

#include <algorithm>

IControl::IControl(IPlugBase* owner, const IBox& newBox, int newParam)
    : plug(owner), box(newBox), targetBox(newBox), param(newParam)
{
}

void IControl::Press(int, int, const IMouseKeys& keys)
{
    if (keys.right)
        PromptForValue();
}

void IControl::DoubleClick(int, int, const IMouseKeys&)
{
    if (defaultValue >= 0.0) {
        value = defaultValue;
        Invalidate(true);
    }
}

void IControl::Wheel(int, int, const IMouseKeys& keys, double steps)
{
    value += steps * ((keys.control || keys.shift) ? 0.001 : 0.01);
    Invalidate(true);
}

void IControl::ShowValue(double v)
{
    if (defaultValue < 0.0)
        defaultValue = v;
    else if (v == value)
        return;
    value = v;
    Invalidate(false);
    repaintAgain = true;
}

void IControl::ApplyValue(double v)
{
    value = v;
    Invalidate(true);
    repaintAgain = true;
}

void IControl::SetHidden(bool h)
{
    hidden = h;
    repaintAgain = true;
    Invalidate(false);
}

void IControl::SetDimmed(bool d)
{
    dimmed = d;
    blend.weight = d ? 0.25f : 1.0f;
    Invalidate(false);
}

bool IControl::Contains(int x, int y) const
{
    return targetBox.left <= x && x <= targetBox.right && targetBox.top <= y &&
           y <= targetBox.bottom;
}

void IControl::Invalidate(bool push)
{
    value = std::clamp(value, lowClamp, highClamp);
    dirty = true;
    if (push && param >= 0 && plug)
        plug->SetParamFromEditor(param, value);
}

void IControl::Validate()
{
    dirty = repaintAgain;
    repaintAgain = false;
}

void IControl::PromptForValue()
{
    if (param < 0 || noPrompt || !plug || !plug->Editor())
        return;
    plug->Editor()->OpenParamEntry(this, plug->GetParam(param), true);
    repaintAgain = true;
}

void IControl::TextEntryDone()
{
    Invalidate(true);
    repaintAgain = true;
}
