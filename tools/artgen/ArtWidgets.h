// The parts of the editor's art that appear twice: a button's unlit face lies in the
// background and its lit face is an image drawn over it, so both come from one function
// and line up pixel for pixel. Also the knob body (background) and its pointer (image).
// Pure drawing functions, any thread.
#pragma once

#include "raster/IRaster.h"

namespace ArtWidgets {

// A push button with a text label, (x, y) its top-left, unlit or lit.
void LabelButton(IRaster& dest, int x, int y, int width, int height, const char* label, bool lit);

// The slot's on/off button: a square key with a lamp and a small label.
void ActiveButton(IRaster& dest, int x, int y, bool lit);

// The small pill that switches alternating pan.
void AltButton(IRaster& dest, int x, int y, bool lit);

// The knob body with its scale, centred on (cx, cy) in pixel-edge coordinates.
void KnobBody(IRaster& dest, int cx, int cy);

// The pointer on a transparent 48 x 48 raster, pointing up: the editor turns it about the
// raster's centre by the knob's value.
void KnobPointer(IRaster& dest);

// The pan slider's handle on a transparent 16 x 16 raster.
void SliderHandle(IRaster& dest);

} // namespace ArtWidgets
