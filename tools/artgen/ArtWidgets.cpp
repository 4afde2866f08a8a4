#include "tools/artgen/ArtWidgets.h"

#include "tools/artgen/ArtLayout.h"
#include "tools/artgen/ArtPaint.h"

#include "raster/RasterTrig.h"

namespace ArtWidgets {

using namespace ArtPaint;

namespace {

constexpr double kPi = 3.14159265358979323846;

// A key sunk into the panel: a dark recess one pixel wide around a face whose colours run
// from top to bottom, with a faint highlight along its upper edge.
void KeyFace(IRaster& dest, double x, double y, double width, double height, double radius,
             std::uint32_t top, std::uint32_t bottom, std::uint32_t highlight)
{
    FillRoundRect(dest, x, y, x + width, y + height, radius, Argb(255, 16, 17, 20));
    FillRoundRectGradient(dest, x + 1, y + 1, x + width - 1, y + height - 1, radius - 1, top,
                          bottom);
    Stroke(dest, x + radius, y + 1.5, x + width - radius, y + 1.5, 1.0, highlight);
}

struct FaceColours {
    std::uint32_t top, bottom, highlight, label;
};

FaceColours ColoursOf(bool lit)
{
    if (lit)
        return { Argb(255, 86, 166, 238), Argb(255, 38, 98, 172), Argb(150, 210, 236, 255),
                 Argb(255, 246, 251, 255) };
    return { Argb(255, 64, 68, 76), Argb(255, 46, 49, 56), Argb(40, 255, 255, 255),
             Argb(255, 150, 157, 168) };
}

} // namespace

void LabelButton(IRaster& dest, int x, int y, int width, int height, const char* label, bool lit)
{
    const FaceColours c = ColoursOf(lit);
    KeyFace(dest, x, y, width, height, 4.0, c.top, c.bottom, c.highlight);
    const int size = 11;
    Text(dest, "Arial", size, true, label, x, y + (height - size) / 2, x + width, Align::Centre,
         c.label);
}

void ActiveButton(IRaster& dest, int x, int y, bool lit)
{
    const FaceColours c = ColoursOf(lit);
    const int size = ArtLayout::kActiveSize;
    KeyFace(dest, x, y, size, size, 4.0, c.top, c.bottom, c.highlight);
    const double cx = x + size * 0.5, cy = y + 10.0;
    if (lit) {
        FillCircle(dest, cx, cy, 6.0, Argb(110, 200, 240, 255), 3.0);
        FillCircle(dest, cx, cy, 3.5, Argb(255, 236, 250, 255));
    } else {
        FillCircle(dest, cx, cy, 4.0, Argb(255, 24, 26, 30));
        FillCircle(dest, cx, cy, 3.0, Argb(255, 52, 58, 66));
    }
    Text(dest, "Arial", 9, true, "Active", x, y + 17, x + size, Align::Centre, c.label);
}

void AltButton(IRaster& dest, int x, int y, bool lit)
{
    const FaceColours c = ColoursOf(lit);
    KeyFace(dest, x, y, ArtLayout::kAltWidth, ArtLayout::kAltHeight, 4.0, c.top, c.bottom,
            Argb(0, 0, 0, 0));
}

void KnobBody(IRaster& dest, int cx, int cy)
{
    // The scale: eleven ticks over the pointer's 300 degrees, just outside the body.
    for (int i = 0; i <= 10; ++i) {
        RasterTrig::SinCos sc;
        RasterTrig::PortableSinCos((-150.0 + 30.0 * i) * kPi / 180.0, sc);
        const bool major = i == 0 || i == 5 || i == 10;
        const double r0 = 25.0, r1 = major ? 28.0 : 27.0;
        Stroke(dest, cx + sc.sine * r0, cy - sc.cosine * r0, cx + sc.sine * r1,
               cy - sc.cosine * r1, 1.2, major ? ArtLayout::kLabel : ArtLayout::kLabelDim);
    }
    FillCircle(dest, cx, cy + 1.5, 22.5, Argb(140, 0, 0, 0), 3.0);
    // A chamfer lit from above around a darker rim, so the bright pointer shows on the rim
    // at every angle; inside, a dark face for the white value text.
    auto disc = [&](double radius, std::uint32_t top, std::uint32_t bottom) {
        PaintShape(
            dest, cx - 24, cy - 24, cx + 24, cy + 24,
            [&](double px, double py) { return CircleDistance(px, py, cx, cy, radius); },
            [&](double, double py) { return Lerp(top, bottom, (py - cy + radius) / (2 * radius)); });
    };
    disc(22.5, Argb(255, 168, 173, 182), Argb(255, 40, 42, 47));
    disc(21.5, Argb(255, 86, 90, 98), Argb(255, 46, 49, 55));
    disc(18.6, Argb(255, 12, 13, 16), Argb(255, 70, 74, 82));
    disc(17.8, Argb(255, 24, 26, 30), Argb(255, 42, 45, 51));
}

void KnobPointer(IRaster& dest)
{
    dest.Resize(48, 48);
    const double cx = 24.0, cy = 24.0;
    Stroke(dest, cx, cy - 21.6, cx, cy - 18.6, 4.4, Argb(90, 90, 180, 255));
    Stroke(dest, cx, cy - 21.2, cx, cy - 19.0, 2.2, Argb(255, 236, 248, 255));
}

void SliderHandle(IRaster& dest)
{
    dest.Resize(16, 16);
    FillCircle(dest, 8.0, 8.8, 7.6, Argb(130, 0, 0, 0), 1.6);
    PaintShape(
        dest, 0, 0, 16, 16, [](double px, double py) { return CircleDistance(px, py, 8.0, 8.0, 7.0); },
        [](double, double py) {
            return Lerp(Argb(255, 222, 226, 232), Argb(255, 120, 126, 136), py / 16.0);
        });
    FillCircle(dest, 8.0, 8.0, 3.0, Argb(255, 70, 140, 210));
}

} // namespace ArtWidgets
