// The editor's twelve images, drawn by code: the background with all static art, the knob
// pointer, the sample display's buttons, the held-key markers, and the lit states of the
// buttons. The PNG files under resources/img are this code's output (quellorn-artgen writes
// them); a test checks that they still are.
// Pure functions, any thread (text comes from the process-wide font cache).
#pragma once

#include "raster/IRaster.h"

namespace ArtImages {

struct ImageInfo {
    int id; // resource id
    const char* file; // file name under resources/img
    int width;
    int height;
};

constexpr ImageInfo kImages[] = {
    { 100, "bg.png", 504, 492 },
    { 101, "knob.png", 48, 48 },
    { 102, "close_spl.png", 20, 20 },
    { 103, "next.png", 21, 16 },
    { 104, "prev.png", 21, 16 },
    { 105, "note_on.png", 7, 5 },
    { 106, "note_off.png", 7, 5 },
    { 107, "active.png", 28, 28 },
    { 108, "loop.png", 48, 24 },
    { 109, "reverse.png", 47, 24 },
    { 110, "slider.png", 16, 16 },
    { 111, "alternate.png", 16, 8 },
};

// The image with that resource id, at its size from the table; an empty raster for an id
// not in the table.
IRaster DrawArtImage(int id);

} // namespace ArtImages
