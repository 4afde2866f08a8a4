#include "editor/IInputPrm.h"

#include "editor/IEditorSurface.h"
#include "plugbase/IParameter.h"
#include "plugbase/IPlugBase.h"

#include <climits>
#include <cmath>
#include <cstdio>

IInputPrm::IInputPrm(IPlugBase* owner, const IBox& newBox, int newParam,
                     const ITextStyle& newStyle, int newDecimals, int newIndent)
    : IControl(owner, newBox, newParam),
      style(newStyle),
      decimals(static_cast<std::int16_t>(newDecimals)),
      indent(static_cast<std::int16_t>(newIndent))
{
}

void IInputPrm::Press(int, int, const IMouseKeys&)
{
    IParameter* parameter = plug ? plug->GetParam(param) : nullptr;
    if (parameter && plug->Editor())
        plug->Editor()->OpenParamEntry(this, parameter, false);
}

void IInputPrm::ValueText(double v, char* out, int size) const
{
    if (!out || size <= 0)
        return;
    const auto n = static_cast<std::size_t>(size);
    if (decimals == 2) {
        std::snprintf(out, n, "%.2f", v);
    } else if (decimals == 1) {
        std::snprintf(out, n, "%.1f", v);
    } else {
        // Half away from zero: 12.5 shows 13 and -12.5 shows -13. Held to the int range
        // first, and a NaN shows 0.
        const double r = std::isnan(v) ? 0.0 : std::round(v);
        const double held = r < INT_MIN ? INT_MIN : r > INT_MAX ? INT_MAX : r;
        std::snprintf(out, n, "%d", static_cast<int>(held));
    }
}

bool IInputPrm::Paint(IEditorSurface& surface)
{
    const IParameter* parameter = plug ? plug->GetParam(param) : nullptr;
    if (!parameter)
        return true;
    char text[64];
    ValueText(parameter->PlainValue(), text, sizeof text);
    return surface.PaintText(style, text, IBox { box.left + indent, box.top, box.right, box.bottom });
}
