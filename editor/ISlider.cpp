#include "editor/ISlider.h"

#include "editor/IEditorSurface.h"

#include <algorithm>
#include <cmath>

namespace {
// The bar spans the pan track of the editor's sliders: 44 pixels each side of the centre.
constexpr int kBarHalfSpan = 44;

int RoundAway(double v) { return static_cast<int>(std::round(v)); }
} // namespace

ISlider::ISlider(IPlugBase* owner, int newParam, const IBox& newBox, const IImage& handle,
                 const ITextStyle& newStyle, int travel, bool horizontal, const IArgb& colour)
    : ISliderImg(owner, newParam, newBox, handle, newStyle, travel, horizontal),
      barColour(colour),
      barHandle(handle),
      barTravel(travel),
      barUsable(UsableTravel())
{
    const double cx = (newBox.left + newBox.right) * 0.5;
    barBox = IBox { RoundAway(cx - kBarHalfSpan), newBox.top, RoundAway(cx + kBarHalfSpan),
                    newBox.top + handle.height };
}

void ISlider::SetBarMode(bool vertical, bool fromCentre)
{
    verticalBar = vertical;
    barFromCentre = fromCentre;
    Invalidate(false);
}

void ISlider::PaintBar(IEditorSurface& surface)
{
    const int half = barThickness / 2;
    if (barFromCentre) {
        const double mid = (barBox.top + barBox.bottom) * 0.5;
        const double handleCentre = barBox.left + barHandle.width / 2;
        const IBox bar { RoundAway(barUsable * std::min(value, 0.5) + handleCentre),
                         RoundAway(mid - half),
                         RoundAway(barUsable * std::max(value, 0.5) + handleCentre),
                         RoundAway(mid + half) };
        surface.FillBox(barColour, bar, nullptr);
        return;
    }
    if (!verticalBar) {
        const double reach = barUsable * value + barHandle.width / 2;
        if (reach <= barMargin)
            return;
        const double mid = (barBox.top + barBox.bottom) * 0.5;
        surface.FillBox(barColour,
                        IBox { barBox.left + barMargin, RoundAway(mid - half),
                               RoundAway(barBox.left + reach), RoundAway(mid + half) },
                        nullptr);
        return;
    }
    const double reach = barUsable * value + barHandle.height / 2;
    if (reach <= barMargin)
        return;
    const double mid = (barBox.left + barBox.right) * 0.5;
    surface.FillBox(barColour,
                    IBox { RoundAway(mid - half), RoundAway(barBox.bottom - reach),
                           RoundAway(mid + half), barBox.bottom - barMargin },
                    nullptr);
}

bool ISlider::Paint(IEditorSurface& surface)
{
    PaintBar(surface);
    return ISliderImg::Paint(surface);
}
