#include "tools/artgen/ArtBackground.h"

#include "tools/artgen/ArtLayout.h"
#include "tools/artgen/ArtPaint.h"
#include "tools/artgen/ArtWidgets.h"

#include "raster/RasterFill.h"
#include "raster/RasterLine.h"

namespace ArtBackground {

using namespace ArtLayout;
using namespace ArtPaint;

namespace {

void Rect(IRaster& dest, int x, int y, int width, int height, std::uint32_t colour)
{
    RasterFill::FillRect(dest, x, y, width, height, colour, 1.0f, BlendMethod::Normal);
}

void Screw(IRaster& dest, double cx, double cy)
{
    FillCircle(dest, cx, cy + 0.8, 4.6, Argb(120, 0, 0, 0), 1.5);
    PaintShape(
        dest, static_cast<int>(cx) - 6, static_cast<int>(cy) - 6, static_cast<int>(cx) + 6,
        static_cast<int>(cy) + 6,
        [&](double px, double py) { return CircleDistance(px, py, cx, cy, 4.0); },
        [&](double, double py) {
            return Lerp(Argb(255, 150, 155, 164), Argb(255, 70, 74, 82), (py - cy + 4.0) / 8.0);
        });
    Stroke(dest, cx - 2.6, cy + 1.5, cx + 2.6, cy - 1.5, 1.2, Argb(200, 40, 43, 48));
}

void Panel(IRaster& dest)
{
    VerticalGradient(dest, 0, 0, kWidth, kHeight, kPanelTop, kPanelBottom);
    Grain(dest, 0, 0, kWidth, kHeight, 2, 1);
    Screw(dest, 11.5, 11.5);
    Screw(dest, kWidth - 11.5, 11.5);
    Screw(dest, 11.5, 458.5);
    Screw(dest, kWidth - 11.5, 458.5);
}

void TitlePlate(IRaster& dest)
{
    const double l = kPlateLeft, t = kPlateTop, r = kPlateRight, b = kPlateBottom;
    FillRoundRect(dest, l - 1, t + 1, r + 1, b + 2, 6.0, Argb(140, 0, 0, 0), 2.5);
    FillRoundRectGradient(dest, l, t, r, b, 5.0, Argb(255, 232, 234, 238), Argb(255, 168, 172, 180));
    StrokeRoundRect(dest, l, t, r, b, 5.0, 1.0, Argb(120, 255, 255, 255));
    StrokeRoundRect(dest, l - 0.5, t - 0.5, r + 0.5, b + 0.5, 5.5, 1.0, Argb(160, 10, 11, 13));
    const char* name = "Quellorn";
    const int size = 30;
    const int left = 168;
    const int top = kPlateTop + (kPlateBottom - kPlateTop - size) / 2;
    SpacedText(dest, "Arial", size, true, name, left, top + 1, 1, Argb(170, 255, 255, 255));
    SpacedText(dest, "Arial", size, true, name, left, top, 1, Argb(255, 40, 43, 50));
    Text(dest, "Arial", 10, true, "SAMPLER", kPlateRight - 10, kPlateBottom - 16,
         kPlateRight - 10, Align::Right, Argb(255, 78, 82, 90));
}

void HeaderSides(IRaster& dest)
{
    SpacedText(dest, "Arial", 12, true, "TOLVANE", 28, 24, 3, kLabelDim);
    const char* tag = "3-SLOT PLAYER";
    const int width = SpacedTextWidth("Arial", 12, true, tag, 2);
    SpacedText(dest, "Arial", 12, true, tag, 476 - width, 24, 2, kLabelDim);
}

// Key colours: the keyboard is dark so that the editor's pale range bar and green root
// marker, laid over it at partial opacity, stand out.
constexpr std::uint32_t kWhiteKeyTop = Argb(255, 104, 109, 118);
constexpr std::uint32_t kWhiteKeyBottom = Argb(255, 134, 139, 148);
constexpr std::uint32_t kBlackKey = Argb(255, 14, 15, 18);
constexpr std::uint32_t kBlackKeyTip = Argb(255, 46, 49, 55);
constexpr std::uint32_t kKeyGap = Argb(255, 52, 55, 62);

bool IsBlack(int pitchClass)
{
    return pitchClass == 1 || pitchClass == 3 || pitchClass == 6 || pitchClass == 8 ||
           pitchClass == 10;
}

// The keyboard of one slot: MIDI keys 12 to 127 laid linearly across the strip, key k
// (MIDI 12 + k) centred at left + 5.5 + k x 140 / 115, where the editor's range bar and
// markers put it. At 1.2 pixels a semitone each pixel is the average of eight samples.
void Keyboard(IRaster& dest, int left)
{
    const int keysTop = kKeyboardTop + 5, keysBottom = kKeyboardTop + 29;
    const int blackBottom = keysTop + 14;
    const double unit = 140.0 / 115.0;
    const double start = left + 5.5 - unit * 0.5; // left edge of key 0
    for (int x = left + 1; x < left + 150; ++x) {
        for (int y = keysTop; y < keysBottom; ++y) {
            const std::uint32_t white = Lerp(kWhiteKeyTop, kWhiteKeyBottom,
                                             static_cast<double>(y - keysTop) / (keysBottom - keysTop));
            int r = 0, g = 0, b = 0;
            for (int s = 0; s < 8; ++s) {
                const double u = (x + (s + 0.5) / 8.0 - start) / unit; // in semitones
                std::uint32_t colour;
                if (u < 0.0 || u >= 116.0) {
                    colour = Argb(255, 30, 32, 36);
                } else {
                    const int octave = static_cast<int>(u / 12.0);
                    const double within = u - octave * 12.0;
                    const int pitch = static_cast<int>(within);
                    const double fraction = within - pitch;
                    if (y < blackBottom) {
                        // Black keys a little wider than their semitone: at this scale the
                        // groups of two and three then read as dark blocks between the
                        // pale pairs E-F and B-C, which is how a keyboard is recognised.
                        const bool edge = (pitch == 0 || pitch == 5) && fraction < 0.2;
                        const bool black = IsBlack(pitch) ||
                                           (fraction < 0.15 && IsBlack((pitch + 11) % 12)) ||
                                           (fraction >= 0.85 && IsBlack((pitch + 1) % 12));
                        if (black)
                            colour = y == blackBottom - 1 ? kBlackKeyTip : kBlackKey;
                        else
                            colour = edge ? kKeyGap : white;
                    } else if (y == keysBottom - 1) {
                        colour = Argb(255, 70, 74, 82); // the keys' front edge
                    } else {
                        // Seven equal white keys an octave below the black ones.
                        const double w = within * 7.0 / 12.0;
                        const double f = w - static_cast<int>(w);
                        colour = f < 0.3 ? kKeyGap : white;
                    }
                }
                r += colour >> 16 & 0xFF;
                g += colour >> 8 & 0xFF;
                b += colour & 0xFF;
            }
            Plot(dest, x, y, Argb(255, (r + 4) / 8, (g + 4) / 8, (b + 4) / 8), 1.0);
        }
    }
    // The note-name band: a dark strip with a tick under every C, brighter under middle C.
    Rect(dest, left + 1, keysBottom, 149, kKeyboardBottom - keysBottom, Argb(255, 18, 20, 24));
    for (int octave = 0; octave <= 9; ++octave) {
        const double x = start + octave * 12 * unit;
        const bool middle = octave == 4;
        Stroke(dest, x + 0.5, keysBottom + 0.5, x + 0.5, keysBottom + (middle ? 4.0 : 2.5), 1.0,
               middle ? Argb(255, 150, 230, 160) : Argb(255, 96, 102, 112));
    }
}

void SlotDisplay(IRaster& dest, int c)
{
    const int left = c - 150;
    Rect(dest, left, kActivityTop, 150, kActivityBottom - kActivityTop, Argb(255, 6, 7, 9));
    VerticalGradient(dest, left, kDisplayTop, 150, kDisplayNameTop - kDisplayTop,
                     Argb(255, 30, 37, 46), Argb(255, 20, 24, 30));
    for (int row = 0; row < 3; ++row)
        Rect(dest, left, kDisplayTop + row, 150, 1, Argb(70 - 22 * row, 0, 0, 0));
    // Faint guides: the zero line of the waveform and the quarter levels.
    const int mid = (kDisplayTop + kDisplayNameTop + 1) / 2;
    const int span = kDisplayNameTop - kDisplayTop;
    RasterLine::DrawLine(dest, left, mid, left + 149, mid, Argb(255, 150, 170, 200), 0.16f,
                         BlendMethod::Normal, false);
    for (int q = -1; q <= 1; q += 2) {
        const int y = mid + q * span / 4;
        for (int x = left + 2; x < left + 150; x += 4)
            Plot(dest, x, y, Argb(255, 150, 170, 200), 0.10);
    }
    VerticalGradient(dest, left, kDisplayNameTop, 150, kDisplayBottom - kDisplayNameTop,
                     Argb(255, 18, 21, 26), Argb(255, 13, 15, 19));
    Rect(dest, left, kDisplayNameTop, 150, 1, Argb(255, 44, 52, 62));
}

void DisplayWindow(IRaster& dest)
{
    const double l = 21, t = 68, r = 485, b = 260;
    // Sunk into the panel: a shadow above, a lit lip below.
    FillRoundRect(dest, l - 1, t - 2, r + 1, b, 7.0, Argb(110, 0, 0, 0), 2.0);
    FillRoundRect(dest, l, t, r, b + 1.5, 6.0, Argb(46, 255, 255, 255));
    FillRoundRect(dest, l, t, r, b, 6.0, Argb(255, 9, 10, 12));
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const int c = SlotRight(slot);
        SlotDisplay(dest, c);
        Keyboard(dest, c - 151);
    }
}

void Label(IRaster& dest, const char* text, int cx, int top)
{
    Text(dest, "Arial", 11, true, text, cx - 40, top, cx + 40, Align::Centre, kLabel);
}

void SlotControls(IRaster& dest, int slot)
{
    const int c = SlotRight(slot);
    const double l = c - 149, t = 264, r = c - 1, b = 470;
    FillRoundRect(dest, l, t + 1, r, b + 1, 6.0, Argb(110, 0, 0, 0), 2.0);
    FillRoundRectGradient(dest, l, t, r, b, 6.0, Argb(255, 58, 62, 70), Argb(255, 42, 45, 51));
    StrokeRoundRect(dest, l, t, r, b, 6.0, 1.0, Argb(34, 255, 255, 255));

    // The slot's number in the panel's corner.
    const char* numbers[] = { "1", "2", "3" };
    FillCircle(dest, c - 139.5, 274.5, 6.5, Argb(255, 24, 26, 30));
    StrokeRoundRect(dest, c - 146, 268, c - 133, 281, 6.5, 1.0, Argb(255, 78, 120, 170));
    Text(dest, "Arial", 10, true, numbers[slot], c - 146, 269, c - 133, Align::Centre,
         Argb(255, 150, 200, 245));
    Label(dest, "Attack", c + kAttackX, 268);
    Label(dest, "Release", c + kReleaseX, 268);
    ArtWidgets::KnobBody(dest, c + kAttackX, kUpperKnobY);
    ArtWidgets::KnobBody(dest, c + kReleaseX, kUpperKnobY);
    Label(dest, "Volume", c + kVolumeX, 342);
    ArtWidgets::KnobBody(dest, c + kVolumeX, kVolumeY);

    ArtWidgets::ActiveButton(dest, c + kActiveX, kActiveY, false);

    // The semitone field: a pale inset box for the editor's black digits.
    const double fl = c + kSemitoneLeft, ft = kSemitoneTop, fr = c + kSemitoneRight,
                 fb = kSemitoneBottom;
    FillRoundRect(dest, fl - 1, ft - 1, fr + 1, fb + 1, 3.0, Argb(255, 14, 15, 18));
    FillRoundRectGradient(dest, fl, ft, fr, fb, 2.0, Argb(255, 200, 205, 212),
                          Argb(255, 234, 236, 240));
    Text(dest, "Arial", 10, true, "Semitones", static_cast<int>(fl) - 30, 396,
         static_cast<int>(fr) + 30, Align::Centre, kLabel);

    // The pan track: a groove the handle travels along, with a mark at the centre.
    const int tl = c + kPanTrackLeft, tr = c + kPanTrackRight;
    const double mid = (kPanTop + kPanBottom) * 0.5;
    FillRoundRect(dest, tl + 2, mid - 3, tr - 2, mid + 3, 3.0, Argb(255, 14, 15, 18));
    FillRoundRect(dest, tl + 3, mid - 2, tr - 3, mid + 2, 2.0, Argb(255, 28, 30, 35));
    const int centre = (tl + tr) / 2;
    Rect(dest, centre, kPanTop, 1, 3, kLabelDim);
    Rect(dest, centre, kPanBottom - 3, 1, 3, kLabelDim);
    Text(dest, "Arial", 11, true, "Pan", c - 146, kPanTop + 2, c + kPanLeft - 2, Align::Right,
         kLabel);

    ArtWidgets::AltButton(dest, c + kAltX, kAltY, false);
    Text(dest, "Arial", 9, true, "Alt", c + kAltX + kAltWidth + 2, kAltY - 1, c, Align::Left,
         kLabel);
    ArtWidgets::LabelButton(dest, c + kReverseX, kButtonRowY, kReverseWidth, kButtonHeight,
                            "Reverse", false);
    ArtWidgets::LabelButton(dest, c + kLoopX, kButtonRowY, kLoopWidth, kButtonHeight, "Loop",
                            false);
}

void StatusLine(IRaster& dest)
{
    Rect(dest, 0, 472, kWidth, 1, Argb(255, 12, 13, 15));
    VerticalGradient(dest, 0, 473, kWidth, kHeight - 473, Argb(255, 24, 26, 30),
                     Argb(255, 18, 19, 22));
}

} // namespace

IRaster Draw()
{
    IRaster image(kWidth, kHeight);
    Panel(image);
    TitlePlate(image);
    HeaderSides(image);
    DisplayWindow(image);
    for (int slot = 0; slot < kSlotCount; ++slot)
        SlotControls(image, slot);
    StatusLine(image);
    return image;
}

} // namespace ArtBackground
