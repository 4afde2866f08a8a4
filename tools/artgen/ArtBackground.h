// The editor's background: the panel, the title plate, the three slot columns with their
// displays and keyboards, the knob bodies, the unlit buttons, the fields and every label.
// Pure drawing, any thread.
#pragma once

#include "raster/IRaster.h"

namespace ArtBackground {

IRaster Draw();

} // namespace ArtBackground
