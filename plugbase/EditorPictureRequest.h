// Quellorn's private request for a picture of its editor, as the command-line host takes
// one without opening a window: effVendorSpecific with index kVendorEditorPicture and ptr
// pointing at an EditorPictureRequest the caller owns. Hosts never send it.
//
// The caller sets width and height to the editor's size (effEditGetRect, before any display
// scale is announced: the picture is always 1:1) and points pixels
// at width x height 32-bit words. The plug-in paints its whole editor afresh and fills the
// words row by row from the top, each pixel alpha << 24 | red << 16 | green << 8 | blue,
// then answers 0xBEEF. It answers 0, writing nothing, without an editor, for a null record
// or buffer, or for a size that is not the editor's. Any thread the dispatcher is called on.
#pragma once

#include "plugbase/Vst2Interface.h"

#include <cstdint>

constexpr VstInt32 kVendorEditorPicture = 59;

struct EditorPictureRequest {
    VstInt32 width;
    VstInt32 height;
    std::uint32_t* pixels;
};
