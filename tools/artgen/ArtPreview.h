// A picture of the whole editor for reviewing the art: the background with the lit buttons,
// knob pointers, slider handle, range bars, markers and sample texts laid where and how the
// editor's controls draw them, with some controls on and some off. Not a test of the editor:
// only a way to look at the art in place. Pure drawing, any thread.
#pragma once

#include "raster/IRaster.h"

namespace ArtPreview {

IRaster Compose();

// The part (x, y, width x height) of an image; what lies outside it reads as transparent.
IRaster Crop(const IRaster& image, int x, int y, int width, int height);

// Every pixel as a zoom x zoom block, to look at details.
IRaster Enlarge(const IRaster& image, int zoom);

} // namespace ArtPreview
