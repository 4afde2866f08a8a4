// A numeric field: shows the parameter's plain value with 0, 1 or 2 decimals and opens the
// window's value entry on any click.
//
// Owned by the editor surface; used on the user-interface thread.
#pragma once

#include "editor/IControl.h"

#include <cstdint>

class IInputPrm : public IControl {
public:
    // `indent` pixels are left free before the text.
    IInputPrm(IPlugBase* plug, const IBox& box, int param, const ITextStyle& style, int decimals,
              int indent);

    void Press(int x, int y, const IMouseKeys& keys) override;
    bool Paint(IEditorSurface& surface) override;

    // The text shown for the plain value v.
    void ValueText(double v, char* out, int size) const;

private:
    ITextStyle style;
    std::int16_t decimals;
    std::int16_t indent;
};
