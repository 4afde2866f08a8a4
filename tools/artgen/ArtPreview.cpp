#include "tools/artgen/ArtPreview.h"

#include "tools/artgen/ArtImages.h"
#include "tools/artgen/ArtLayout.h"
#include "tools/artgen/ArtPaint.h"

#include "raster/RasterBlit.h"
#include "raster/RasterFill.h"
#include "raster/RasterLine.h"
#include "raster/RasterRotate.h"

#include <cmath>
#include <cstdio>

namespace ArtPreview {

using namespace ArtLayout;
using namespace ArtPaint;

namespace {

void Draw(IRaster& canvas, const IRaster& image, int x, int y)
{
    RasterBlit::Blit(canvas, image, x, y, 0, 0, image.Width(), image.Height(), 1.0f,
                     BlendMethod::Normal);
}

// The knob's pointer and value text as the editor lays them: turned by 300 degrees over the
// value range about the knob's centre, the source shifted by the distance from the middle.
void Knob(IRaster& canvas, const IRaster& pointer, int cx, int cy, double value, int offset,
          const char* text)
{
    const double pi = 3.14159265358979323846;
    const float angle = static_cast<float>(300.0 * pi / 360.0 * value * 2.0 + 300.0 * -pi / 360.0);
    const float shift = -static_cast<float>(std::fabs(value - 0.5)) * 2.0f;
    RasterRotate::BlitRotated(canvas, pointer, cx - 24, cy - 24, 48, 48, shift, shift, 48, 48, angle,
                              1.0f, BlendMethod::Normal);
    const int bottom = cy + 24;
    Text(canvas, "Arial", 15, false, text, cx - 24, bottom + offset - 15, cx + 24, Align::Centre,
         Argb(230, 255, 255, 255));
}

void Fill(IRaster& canvas, int l, int t, int r, int b, std::uint32_t colour)
{
    RasterFill::FillRect(canvas, l, t, r - l, b - t, colour, 1.0f,
                         BlendMethod::Normal);
}

int Round(double v) { return static_cast<int>(v < 0 ? v - 0.5 : v + 0.5); }

void Keyboard(IRaster& canvas, const IRaster& on, const IRaster& off, int c, int low, int high,
              int root, int held)
{
    const int left = c - 151, top = kKeyboardTop, right = c - 1, w = right - left, d = w - 10;
    const int m = Round(low * d / 115.0) + 1;
    const int o = static_cast<int>(std::ceil(high * d / 115.0)) + 10;
    Fill(canvas, left + m, top + 5, left + o, top + 29, Argb(100, 200, 200, 210));
    Fill(canvas, left + Round(root * d / 115.0) + 1, top + 5,
         left + static_cast<int>(std::ceil(root * d / 115.0)) + 10, top + 29,
         Argb(100, 100, 255, 100));
    const int inRange = high == low ? Round((m + o) * 0.5 + left - 3)
                                    : left + m + (held - low) * (o - m) / (high - low) - 3;
    Draw(canvas, on, inRange, top);
    if (high < 115) {
        const int k = high + (115 - high) / 2;
        Draw(canvas, off, left + o + Round((w - o) * double(k - high) / (115 - high)) - 2, top);
    }
    static const char* names[] = { "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B" };
    char text[32];
    std::snprintf(text, sizeof text, "%s%d", names[low % 12], low / 12);
    Text(canvas, "Arial", 15, false, text, left + 4, kKeyboardBottom - 20, left + 50, Align::Left,
         Argb(180, 255, 255, 255));
    std::snprintf(text, sizeof text, "root: %s%d", names[root % 12], root / 12);
    Text(canvas, "Arial", 15, false, text, left + 50, kKeyboardBottom - 20, right - 50,
         Align::Centre, Argb(220, 180, 255, 180));
    std::snprintf(text, sizeof text, "%s%d", names[high % 12], high / 12);
    Text(canvas, "Arial", 15, false, text, right - 50, kKeyboardBottom - 20, right - 4,
         Align::Right, Argb(180, 255, 255, 255));
}

// A made-up decaying tone drawn as the sample display draws a waveform: one vertical line
// per column between the window's minimum and maximum.
void Sample(IRaster& canvas, const IRaster& close, const IRaster& prev, const IRaster& next,
            int c, const char* name, bool loaded)
{
    const int left = c - 150, right = c, top = kDisplayTop, nameTop = kDisplayNameTop;
    if (loaded) {
        const int mid = Round((top + nameTop) * 0.5);
        const int span = nameTop - top;
        unsigned seed = 12345u + static_cast<unsigned>(c);
        for (int i = 1; i <= 148; ++i) {
            double envelope = i < 6 ? i / 6.0 : 1.0 / (1.0 + (i - 6) / 25.0);
            seed = seed * 1103515245u + 12345u;
            const double jitter = 0.75 + (seed >> 16 & 0xFF) / 1020.0;
            const double peak = envelope * jitter;
            RasterLine::DrawLine(canvas, left + i, Round(mid - peak * span * 0.5), left + i,
                                 Round(mid + peak * 0.9 * span * 0.5), Argb(255, 200, 200, 210),
                                 130.0f / 255.0f, BlendMethod::Normal, false);
        }
        const std::uint32_t small = Argb(180, 255, 255, 255);
        Text(canvas, "Arial", 14, false, "1.42 sec", left + 2, kDisplayBottom - 18, left + 80,
             Align::Left, small);
        Text(canvas, "Arial", 14, false, "2chn", right - 30, kDisplayBottom - 18, right - 4,
             Align::Right, small);
        Draw(canvas, close, right - close.Width(), top);
        Draw(canvas, prev, left, nameTop - prev.Height());
        Draw(canvas, next, right - next.Width(), nameTop - next.Height());
    }
    Text(canvas, "Arial", 16, false, name, left, nameTop + 4, right, Align::Centre,
         Argb(loaded ? 230 : 230, 255, 255, 255));
}

void Activity(IRaster& canvas, int c, double position, double gain)
{
    const int left = c - 150, w = 150;
    const int h = Round((w - 8) * position);
    Fill(canvas, left + h, kActivityTop, left + h + 8, kActivityBottom,
         Argb(Round(gain * 225) + 30, 85, 255, 255));
}

} // namespace

IRaster Compose()
{
    IRaster canvas = ArtImages::DrawArtImage(100);
    const IRaster pointer = ArtImages::DrawArtImage(101);
    const IRaster close = ArtImages::DrawArtImage(102), next = ArtImages::DrawArtImage(103),
                  prev = ArtImages::DrawArtImage(104), on = ArtImages::DrawArtImage(105),
                  off = ArtImages::DrawArtImage(106), active = ArtImages::DrawArtImage(107),
                  loop = ArtImages::DrawArtImage(108), reverse = ArtImages::DrawArtImage(109),
                  handle = ArtImages::DrawArtImage(110), alternate = ArtImages::DrawArtImage(111);

    Text(canvas, "Verdana", 13, false, "v1.00", kVersionLeft, kVersionTop, kPlateRight,
         Align::Left, Argb(100, 0, 0, 0));

    struct SlotState {
        double attack, release, volume, pan;
        const char *attackText, *releaseText, *volumeText, *name;
        bool active, reverse, loop, alternate, loaded;
        int low, high, root, held;
    };
    const SlotState slots[kSlotCount] = {
        { 0.22, 0.31, 0.67, 0.5, "0.80", "1.50", "0", "piano_c4.wav", true, false, true, false,
          true, 24, 72, 48, 40 },
        { 0.0, 1.0, 0.0, 0.15, "0.00", "16.00", "-48", "strings long.wav", true, true, false,
          true, true, 0, 115, 36, 60 },
        { 0.5, 0.5, 1.0, 0.9, "4.00", "4.00", "24", "...", false, false, false, false, false,
          50, 50, 50, 50 },
    };
    for (int s = 0; s < kSlotCount; ++s) {
        const SlotState& st = slots[s];
        const int c = SlotRight(s);
        if (st.loaded) {
            Activity(canvas, c, 0.2, 0.9);
            Activity(canvas, c, 0.55, 0.4);
        }
        Sample(canvas, close, prev, next, c, st.name, st.loaded);
        Keyboard(canvas, on, off, c, st.low, st.high, st.root, st.held);
        Knob(canvas, pointer, c + kAttackX, kUpperKnobY, st.attack, -18, st.attackText);
        Knob(canvas, pointer, c + kReleaseX, kUpperKnobY, st.release, -18, st.releaseText);
        Knob(canvas, pointer, c + kVolumeX, kVolumeY, st.volume, -20, st.volumeText);
        if (st.active)
            Draw(canvas, active, c + kActiveX, kActiveY);
        char semis[8];
        std::snprintf(semis, sizeof semis, "%d", s == 1 ? 12 : 1);
        Text(canvas, "Arial", 15, false, semis, c + kSemitoneLeft + 2, kSemitoneTop,
             c + kSemitoneRight, Align::Left, Argb(230, 0, 0, 0));
        // The pan bar runs from the track's centre to the handle's centre, then the handle.
        const int trackLeft = c + kPanTrackLeft, usable = 89 - 16;
        const int barLeft = Round(usable * (st.pan < 0.5 ? st.pan : 0.5) + trackLeft + 8);
        const int barRight = Round(usable * (st.pan > 0.5 ? st.pan : 0.5) + trackLeft + 8);
        Fill(canvas, barLeft, 423, barRight, 425, Argb(255, 66, 110, 170));
        Draw(canvas, handle, Round(trackLeft + usable * st.pan), kPanTop);
        if (st.alternate)
            Draw(canvas, alternate, c + kAltX, kAltY);
        if (st.reverse)
            Draw(canvas, reverse, c + kReverseX, kButtonRowY);
        if (st.loop)
            Draw(canvas, loop, c + kLoopX, kButtonRowY);
    }
    Text(canvas, "Arial", 14, false, "/home/user/samples/piano_c4.wav", 10, kStatusTop, 800,
         Align::Left, Argb(180, 255, 255, 255));
    return canvas;
}

IRaster Crop(const IRaster& image, int x, int y, int width, int height)
{
    IRaster out(width, height);
    RasterBlit::Blit(out, image, 0, 0, x, y, width, height, 1.0f, BlendMethod::Replace);
    return out;
}

IRaster Enlarge(const IRaster& image, int zoom)
{
    if (zoom < 1)
        zoom = 1;
    IRaster out(image.Width() * zoom, image.Height() * zoom);
    for (int y = 0; y < out.Height(); ++y)
        for (int x = 0; x < out.Width(); ++x)
            out.Pixels()[static_cast<std::size_t>(y) * out.Width() + x] =
                image.Pixels()[static_cast<std::size_t>(y / zoom) * image.Width() + x / zoom];
    return out;
}

} // namespace ArtPreview
