#include "editor/IBackdrop.h"

#include "editor/IEditorSurface.h"

#include <algorithm>

IBackdrop::IBackdrop(IPlugBase* owner, const IBox& newBox, const IImage& newImage,
                     bool vertical)
    : IControl(owner, newBox), picture(newImage), verticalFrames(vertical)
{
}

int IBackdrop::Frame() const
{
    if (picture.frames < 2)
        return 1;
    // The value is held to 0..1 by Invalidate, but a NaN would survive the clamp there; the
    // product is held here before it becomes an integer.
    double index = (picture.frames - 1) * value + 0.5;
    if (!(index >= 0.0))
        index = 0.0;
    index = std::min(index, static_cast<double>(picture.frames));
    return std::clamp(static_cast<int>(index) + 1, 1, picture.frames);
}

bool IBackdrop::Paint(IEditorSurface& surface)
{
    return surface.DrawImage(picture, box, Frame(), &blend, verticalFrames);
}
