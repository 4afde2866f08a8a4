// A slider whose handle is an image moved along a track: a press or drag inside the track puts
// the handle's centre under the pointer; the handle is drawn where the parameter's value puts
// it, with the parameter's value text (and unit) written at the foot of the box.
//
// Owned by the editor surface; used on the user-interface thread.
#pragma once

#include "editor/IControl.h"

class ISliderImg : public IControl {
public:
    // A horizontal track is `travel` pixels wide, centred in the box; a vertical one
    // `travel` pixels tall from the box's top. The handle travels the track less its size.
    ISliderImg(IPlugBase* plug, int param, const IBox& box, const IImage& handle,
               const ITextStyle& style, int travel, bool horizontal);

    void Press(int x, int y, const IMouseKeys& keys) override;
    void Drag(int x, int y, int dx, int dy, const IMouseKeys& keys) override;
    bool Paint(IEditorSurface& surface) override;

    const IBox& TrackBox() const { return trackBox; }
    int UsableTravel() const { return usableTravel; }
    // Where the handle is drawn for the normalised value v.
    IBox HandleBox(double v) const;

private:
    bool InTrack(int x, int y) const;
    void FollowPointer(int x, int y);

    ITextStyle style;
    IBox trackBox;
    IImage handle;
    int travel;
    int usableTravel;
    bool vertical;
};
