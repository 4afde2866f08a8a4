#include "editor/IKnobControl.h"

#include <cmath>

IKnobControl::IKnobControl(IPlugBase* owner, const IBox& newBox, int newParam, int newDirection,
                           double newGearing)
    : IControl(owner, newBox, newParam), direction(newDirection), gearing(newGearing)
{
}

void IKnobControl::Drag(int, int, int dx, int dy, const IMouseKeys& keys)
{
    const double g = (keys.shift || keys.control) ? gearing * 10.0 : gearing;
    // Screen y grows downwards, so the upward drag (negative dy) over a negative span raises
    // the value.
    const double step = direction == 0
                            ? static_cast<double>(dy) / (box.top - box.bottom) / g
                            : static_cast<double>(dx) / (box.right - box.left) / g;
    // A box without size or a zero gearing gives 0/0; the value must not become NaN.
    if (std::isnan(step))
        return;
    value += step;
    Invalidate(true);
}
