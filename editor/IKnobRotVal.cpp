#include "editor/IKnobRotVal.h"

#include "editor/IEditorSurface.h"
#include "plugbase/IParameter.h"
#include "plugbase/IPlugBase.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {
constexpr double kPi = 3.14159265358979323846;

int RoundAway(double v) { return static_cast<int>(std::round(v)); }

IBox KnobBox(int cx, int cy, const IImage& image, const ITextStyle& style, int textOffset,
             int fixedWidth)
{
    const int frames = std::max(image.frames, 1);
    const int hw = fixedWidth != 0 ? RoundAway(fixedWidth / 2.0)
                                   : RoundAway(static_cast<double>(image.width) / frames * 0.5);
    const int hh = RoundAway(image.height * 0.5);
    const int bottom = textOffset <= 0 ? cy + hh : cy + hh + style.size + textOffset;
    return {cx - hw, cy - hh, cx + hw, bottom};
}

// steps - 1 as a 16-bit count; anything it cannot hold means no snapping.
std::int16_t SnapCount(int steps)
{
    const int s = steps - 1;
    return s > 0 && s <= INT16_MAX ? static_cast<std::int16_t>(s) : std::int16_t { 0 };
}
} // namespace

IKnobRotVal::IKnobRotVal(IPlugBase* owner, int newParam, int cx, int cy, const IImage& newImage,
                         const ITextStyle& newStyle, int newTextOffset, int newAngleRange,
                         double newGearing, int fixedWidth, int newDirection, float weight,
                         bool unit, int steps)
    : IKnobControl(owner, KnobBox(cx, cy, newImage, newStyle, newTextOffset, fixedWidth),
                   newParam, newDirection, newGearing),
      style(newStyle),
      knob(newImage),
      centreX(cx),
      centreY(cy),
      textOffset(newTextOffset),
      angleRange(newAngleRange),
      snapSteps(SnapCount(steps)),
      imageWeight(weight),
      showUnit(unit),
      imageBlend { 0, weight }
{
}

void IKnobRotVal::Release(int, int, const IMouseKeys&)
{
    if (snapSteps > 0)
        value = std::floor(snapSteps * value + 0.5) / snapSteps;
    Invalidate(true);
}

float IKnobRotVal::Angle() const
{
    // Each product is rounded to float on its own: at the middle value they cancel exactly,
    // so the pointer stands precisely upright.
    const float turn = static_cast<float>(angleRange * kPi / 360.0 * value * 2.0);
    const float start = static_cast<float>(angleRange * -kPi / 360.0);
    return turn + start;
}

void IKnobRotVal::PaintValueText(IEditorSurface& surface)
{
    const IParameter* parameter = plug ? plug->GetParam(param) : nullptr;
    if (!parameter)
        return;
    char shown[kParamTextSize];
    parameter->DisplayText(parameter->PlainValue(), false, shown);
    if (!shown[0] || style.size <= 0)
        return;
    style.alignment = 1;
    std::string text(shown);
    if (showUnit)
        text += parameter->ParamLabel();
    const IBox textBox = textOffset < 0
                             ? IBox { box.left, box.bottom + textOffset - style.size, box.right,
                                      box.bottom + textOffset }
                             : IBox { box.left, box.bottom - style.size, box.right, box.bottom };
    surface.PaintText(style, text.c_str(), textBox);
}

bool IKnobRotVal::Paint(IEditorSurface& surface)
{
    imageBlend = IBlend { 0, imageWeight };
    PaintValueText(surface);
    const float angle = Angle();
    // The image is read a little off its corner the further the knob is from the middle.
    const float shift = static_cast<float>(-std::fabs(value - 0.5) * 2.0);
    const float cx = static_cast<float>(centreX);
    const float cy = static_cast<float>(centreY);
    if (knob.frames < 2)
        return surface.DrawRotated(knob, cx, cy, angle, &imageBlend, shift, shift);
    // Only the pointer half turns; it is cut once and kept in the control's image slot.
    if (image.width == 0)
        image = surface.CropImage(knob, IBox { 0, 0, RoundAway(knob.width * 0.5), knob.height });
    surface.DrawRotated(image, cx, cy, angle, &imageBlend, shift, shift);
    const double half = static_cast<double>(knob.width) / knob.frames * 0.5;
    const IBox cap { RoundAway(centreX - half), box.top, RoundAway(centreX + half),
                     box.bottom - textOffset - style.size };
    return surface.DrawImage(knob, cap, knob.frames, &blend, false);
}
