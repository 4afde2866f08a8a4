// The editor's rotary knob: an image turned about the knob's centre by the value (over an
// angle range centred on upright), and the parameter's display text written in the knob's
// lower part (or below it). A multi-frame image turns only its left half and lays its last
// frame, unturned, on top.
//
// Owned by the editor surface; painted and dragged on the user-interface thread.
#pragma once

#include "editor/IKnobControl.h"

#include <cstdint>

class IKnobRotVal : public IKnobControl {
public:
    // The box is the image's size about the centre (or `fixedWidth` wide when it is not 0),
    // taller by the text when `textOffset` is above 0. `steps` values to snap to on release;
    // 1 or less means no snapping.
    IKnobRotVal(IPlugBase* plug, int param, int centreX, int centreY, const IImage& image,
                const ITextStyle& style, int textOffset, int angleRange, double gearing,
                int fixedWidth, int direction, float imageWeight, bool showUnit, int steps);

    void Release(int x, int y, const IMouseKeys& keys) override;
    bool Paint(IEditorSurface& surface) override;

    // The pointer's turn from upright in radians, clockwise on the screen, for the value.
    float Angle() const;

private:
    void PaintValueText(IEditorSurface& surface);

    ITextStyle style;
    IImage knob;
    int centreX;
    int centreY;
    int textOffset;
    int angleRange;
    std::int16_t snapSteps;
    float imageWeight;
    bool showUnit;
    IBlend imageBlend;
};
