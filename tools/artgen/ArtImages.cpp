#include "tools/artgen/ArtImages.h"

#include "tools/artgen/ArtBackground.h"
#include "tools/artgen/ArtLayout.h"
#include "tools/artgen/ArtPaint.h"
#include "tools/artgen/ArtWidgets.h"

namespace ArtImages {

using namespace ArtPaint;

namespace {

// The display's small buttons sit over the waveform: a translucent dark plate keeps their
// symbol readable on any sample.
void DisplayButtonPlate(IRaster& dest)
{
    FillRoundRect(dest, 1, 1, dest.Width() - 1, dest.Height() - 1, 3.5, Argb(170, 10, 12, 16));
    StrokeRoundRect(dest, 1, 1, dest.Width() - 1, dest.Height() - 1, 3.5, 1.0,
                    Argb(90, 200, 210, 225));
}

IRaster CloseButton()
{
    IRaster image(20, 20);
    DisplayButtonPlate(image);
    const std::uint32_t ink = Argb(255, 220, 226, 234);
    Stroke(image, 6.5, 6.5, 13.5, 13.5, 1.8, ink);
    Stroke(image, 13.5, 6.5, 6.5, 13.5, 1.8, ink);
    return image;
}

IRaster ArrowButton(bool next)
{
    IRaster image(21, 16);
    DisplayButtonPlate(image);
    const double tip = next ? 14.0 : 7.0, back = next ? 8.0 : 13.0;
    const double xs[] = { back, tip, back }, ys[] = { 4.0, 8.0, 12.0 };
    FillConvex(image, xs, ys, 3, Argb(255, 220, 226, 234));
    return image;
}

// A held key: a small downward wedge over the keyboard.
IRaster KeyMarker(std::uint32_t colour)
{
    IRaster image(7, 5);
    const double xs[] = { 0.0, 7.0, 3.5 }, ys[] = { 0.0, 0.0, 5.0 };
    FillConvex(image, xs, ys, 3, colour);
    return image;
}

IRaster LitButton(int width, int height, const char* label)
{
    IRaster image(width, height);
    ArtWidgets::LabelButton(image, 0, 0, width, height, label, true);
    return image;
}

} // namespace

IRaster DrawArtImage(int id)
{
    IRaster image;
    switch (id) {
    case 100:
        return ArtBackground::Draw();
    case 101:
        ArtWidgets::KnobPointer(image);
        return image;
    case 102:
        return CloseButton();
    case 103:
        return ArrowButton(true);
    case 104:
        return ArrowButton(false);
    case 105:
        return KeyMarker(Argb(255, 120, 255, 140));
    case 106:
        return KeyMarker(Argb(255, 255, 120, 90));
    case 107:
        image.Resize(ArtLayout::kActiveSize, ArtLayout::kActiveSize);
        ArtWidgets::ActiveButton(image, 0, 0, true);
        return image;
    case 108:
        return LitButton(ArtLayout::kLoopWidth, ArtLayout::kButtonHeight, "Loop");
    case 109:
        return LitButton(ArtLayout::kReverseWidth, ArtLayout::kButtonHeight, "Reverse");
    case 110:
        ArtWidgets::SliderHandle(image);
        return image;
    case 111:
        image.Resize(ArtLayout::kAltWidth, ArtLayout::kAltHeight);
        ArtWidgets::AltButton(image, 0, 0, true);
        return image;
    default:
        return image;
    }
}

} // namespace ArtImages
