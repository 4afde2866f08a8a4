#include "editor/ISliderImg.h"

#include "editor/IEditorSurface.h"
#include "plugbase/IParameter.h"
#include "plugbase/IPlugBase.h"

#include <cmath>
#include <string>

namespace {
int RoundAway(double v) { return static_cast<int>(std::round(v)); }

IBox Track(const IBox& box, const IImage& handle, int travel, bool horizontal)
{
    const double cx = (box.left + box.right) * 0.5;
    if (horizontal)
        return {RoundAway(cx - travel / 2), box.top, RoundAway(cx + travel / 2),
                box.top + handle.height};
    return {RoundAway(cx - handle.width * 0.5), box.top, RoundAway(cx + handle.width * 0.5),
            box.top + travel};
}
} // namespace

ISliderImg::ISliderImg(IPlugBase* owner, int newParam, const IBox& newBox, const IImage& image,
                       const ITextStyle& newStyle, int newTravel, bool horizontal)
    : IControl(owner, newBox, newParam),
      style(newStyle),
      trackBox(Track(newBox, image, newTravel, horizontal)),
      handle(image),
      travel(newTravel),
      usableTravel(newTravel - (horizontal ? image.width : image.height)),
      vertical(!horizontal)
{
    blend = IBlend { 0, 1.0f };
}

bool ISliderImg::InTrack(int x, int y) const
{
    return trackBox.left <= x && x <= trackBox.right && trackBox.top <= y && y <= trackBox.bottom;
}

void ISliderImg::FollowPointer(int x, int y)
{
    // A handle as long as the track has nowhere to go.
    if (usableTravel == 0)
        return;
    if (vertical)
        value = 1.0 - ((y - trackBox.top) - handle.height * 0.5) / usableTravel;
    else
        value = ((x - trackBox.left) - handle.width * 0.5) / usableTravel;
    Invalidate(true);
}

void ISliderImg::Press(int x, int y, const IMouseKeys& keys)
{
    if (keys.right)
        PromptForValue();
    else if (InTrack(x, y))
        FollowPointer(x, y);
}

void ISliderImg::Drag(int x, int y, int, int, const IMouseKeys&)
{
    if (InTrack(x, y))
        FollowPointer(x, y);
}

IBox ISliderImg::HandleBox(double v) const
{
    if (vertical) {
        const int y = RoundAway(usableTravel * (1.0 - v) + trackBox.top);
        return {trackBox.left, y, trackBox.right, y + handle.height};
    }
    const double left = trackBox.left + usableTravel * v;
    return {RoundAway(left), trackBox.top, RoundAway(left + handle.width), box.bottom};
}

bool ISliderImg::Paint(IEditorSurface& surface)
{
    const IParameter* parameter = plug ? plug->GetParam(param) : nullptr;
    if (parameter && style.size > 0) {
        char shown[kParamTextSize];
        parameter->DisplayText(parameter->PlainValue(), false, shown);
        if (shown[0]) {
            style.alignment = 1;
            const std::string text = std::string(shown) + parameter->ParamLabel();
            surface.PaintText(style, text.c_str(),
                              IBox { box.left, box.bottom - style.size, box.right, box.bottom });
        }
    }
    // The handle follows the parameter itself, so that it shows what the host holds even
    // before the control has been told.
    const double v = parameter ? parameter->Normalised() : value;
    return surface.DrawImage(handle, HandleBox(v), 1, &blend, true);
}
