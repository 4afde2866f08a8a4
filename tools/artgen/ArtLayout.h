// Where the editor's controls sit and the colours the art is made of: the generator draws
// the static parts of every control into the background at these places, and the lit and
// moving parts as separate images that must line up with them.
#pragma once

#include "tools/artgen/ArtPaint.h"

#include <cstdint>

namespace ArtLayout {

constexpr int kWidth = 504;
constexpr int kHeight = 492;

// The three slot columns end at these x; each control sits at a fixed offset from its
// column's right edge, the same in every column.
constexpr int kSlotCount = 3;
constexpr int SlotRight(int slot) { return 176 + 152 * slot; }

// The title plate the editor makes clickable, and the version text over its top right.
constexpr int kPlateLeft = 156, kPlateTop = 6, kPlateRight = 348, kPlateBottom = 53;
constexpr int kVersionLeft = 313, kVersionTop = 8;

// Per-slot boxes, as offsets from the column's right edge c (x) and absolute rows (y).
constexpr int kActivityTop = 73, kActivityBottom = 77; // x: c - 150 .. c
constexpr int kDisplayTop = 78, kDisplayBottom = 198; // x: c - 150 .. c
constexpr int kDisplayNameTop = kDisplayBottom - 48; // the waveform ends above the name line
constexpr int kKeyboardTop = 201, kKeyboardBottom = 256; // x: c - 151 .. c - 1
constexpr int kAttackX = -107, kReleaseX = -45, kVolumeX = -45; // knob centres
constexpr int kUpperKnobY = 310, kVolumeY = 386;
constexpr int kActiveX = -120, kActiveY = 339, kActiveSize = 28;
constexpr int kSemitoneLeft = -115, kSemitoneTop = 377, kSemitoneRight = -86, kSemitoneBottom = 393;
constexpr int kPanLeft = -124, kPanTop = 416, kPanBottom = 432; // the slider's box
constexpr int kPanTrackLeft = -122, kPanTrackRight = -34; // the handle's travel, 16 px handle
constexpr int kAltX = -84, kAltY = 433, kAltWidth = 16, kAltHeight = 8;
constexpr int kReverseX = -130, kLoopX = -70, kButtonRowY = 441;
constexpr int kReverseWidth = 47, kLoopWidth = 48, kButtonHeight = 24;
constexpr int kStatusTop = 476;

// The palette.
using ArtPaint::Argb;
constexpr std::uint32_t kPanelTop = Argb(255, 50, 54, 61);
constexpr std::uint32_t kPanelBottom = Argb(255, 36, 39, 45);
constexpr std::uint32_t kLabel = Argb(255, 160, 167, 178);
constexpr std::uint32_t kLabelDim = Argb(255, 112, 118, 128);

} // namespace ArtLayout
