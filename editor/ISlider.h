// The image slider with a coloured bar along its track: in this editor, the pan slider, whose
// bar runs from the track's centre to the handle's centre (empty in the middle). A bar from
// the left end, or vertical from the bottom, are the other modes.
//
// Owned by the editor surface; used on the user-interface thread.
#pragma once

#include "editor/ISliderImg.h"

class ISlider : public ISliderImg {
public:
    ISlider(IPlugBase* plug, int param, const IBox& box, const IImage& handle,
            const ITextStyle& style, int travel, bool horizontal, const IArgb& barColour);

    bool Paint(IEditorSurface& surface) override;

    const IBox& BarBox() const { return barBox; }
    // Switches from the bar from the centre to one from the left (or, vertical, the bottom).
    void SetBarMode(bool verticalBar, bool fromCentre);

private:
    void PaintBar(IEditorSurface& surface);

    IArgb barColour;
    IBox barBox;
    IImage barHandle;
    int barTravel;
    int barUsable;
    int barThickness = 2;
    int barMargin = 8;
    bool verticalBar = false;
    bool barFromCentre = true;
};
