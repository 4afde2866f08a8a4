// Where the standard controls stand and what they draw: boxes and tracks from the
// constructors' arguments, and chosen canvas pixels of the knob's pointer, the pan bar and a
// button's lit image.
#include "ControlFixture.h"

#include "editor/IButton.h"
#include "editor/IKnobRotVal.h"
#include "editor/ISlider.h"

#include <cmath>

namespace {

using Ints = std::vector<int>;

Ints Corners(const IBox& b) { return {b.left, b.top, b.right, b.bottom}; }

IImage SizedImage(int w, int h, int frames = 1) { return IImage { nullptr, w, h, frames }; }

ITextStyle Style(int size)
{
    ITextStyle style;
    style.size = size;
    return style;
}

std::uint32_t At(const IRaster& r, int x, int y) { return r.Pixels()[y * r.Width() + x]; }

constexpr std::uint32_t kRed = 0xFFFF0000u;
constexpr std::uint32_t kGreen = 0xFF00FF00u;

TEST_F(ControlTest, ConstructorsPlaceTheirBoxes)
{
    struct Knob {
        int cx, cy, w, h, frames, offset, textSize, fixedWidth;
        IBox box;
    } knobs[] = {
        {69, 310, 48, 48, 1, -18, 15, 0, {45, 286, 93, 334}}, // Attack, slot 0
        {283, 310, 48, 48, 1, -18, 15, 0, {259, 286, 307, 334}}, // Release, slot 1
        {435, 386, 48, 48, 1, -20, 15, 0, {411, 362, 459, 410}}, // Volume, slot 2
        {100, 100, 48, 48, 1, 5, 15, 0, {76, 76, 124, 144}}, // text below the image
        {100, 100, 96, 47, 2, 0, 15, 0, {76, 76, 124, 124}}, // one frame wide; 23.5 -> 24 each way
        {100, 100, 48, 48, 1, 0, 15, 31, {84, 76, 116, 124}}, // fixed width 31 -> 16 each side
    };
    for (const Knob& k : knobs) {
        IKnobRotVal knob(plug, 5, k.cx, k.cy, SizedImage(k.w, k.h, k.frames), Style(k.textSize),
                         k.offset, 300, 4.0, k.fixedWidth, 0, 1.0f, false, 0);
        EXPECT_EQ(Corners(knob.Box()), Corners(k.box)) << k.cx << "," << k.cy;
        EXPECT_EQ(Corners(knob.TargetBox()), Corners(k.box));
    }

    struct Slider {
        IBox box;
        int travel;
        bool horizontal;
        IBox track, bar;
        int usable;
    } sliders[] = {
        {{52, 416, 144, 432}, 89, true, {54, 416, 142, 432}, {54, 416, 142, 432}, 73},
        {{204, 416, 296, 432}, 89, true, {206, 416, 294, 432}, {206, 416, 294, 432}, 73},
        {{53, 416, 144, 432}, 89, true, {55, 416, 143, 432}, {55, 416, 143, 432}, 73}, // cx 98.5
        {{10, 20, 31, 200}, 150, false, {13, 20, 29, 170}, {-24, 20, 65, 36}, 134},
    };
    for (const Slider& s : sliders) {
        ISlider slider(plug, 7, s.box, SizedImage(16, 16), Style(0), s.travel, s.horizontal,
                       IArgb {});
        EXPECT_EQ(Corners(slider.TrackBox()), Corners(s.track)) << s.box.left;
        EXPECT_EQ(Corners(slider.BarBox()), Corners(s.bar)) << s.box.left;
        EXPECT_EQ(slider.UsableTravel(), s.usable);
        EXPECT_EQ(Corners(slider.Box()), Corners(s.box));
    }

    struct Button {
        int x, y, w, h, frames;
        IBox box;
    } buttons[] = {
        {56, 339, 28, 28, 1, {56, 339, 84, 367}}, // Active
        {92, 433, 16, 8, 1, {92, 433, 108, 441}}, // Alternate Pan
        {46, 441, 47, 24, 1, {46, 441, 93, 465}}, // Reverse
        {106, 441, 48, 24, 1, {106, 441, 154, 465}}, // Loop
        {0, 0, 20, 25, 2, {0, 0, 20, 12}}, // frames stacked: one frame high, whole pixels
    };
    for (const Button& b : buttons) {
        IButton button(plug, 0, b.x, b.y, SizedImage(b.w, b.h, b.frames));
        EXPECT_EQ(Corners(button.Box()), Corners(b.box)) << b.x;
    }
}

// 48 x 48, clear but for a red pointer 4 wide and 8 tall at the top middle (x 22..25, y 2..9).
IRaster PointerImage()
{
    IRaster image(48, 48);
    for (int y = 2; y < 10; ++y)
        for (int x = 22; x < 26; ++x)
            image.Pixels()[y * 48 + x] = kRed;
    return image;
}

TEST_F(ControlTest, KnobPointerTurnsFromMinus150ToPlus150Degrees)
{
    IRaster pointer = PointerImage();
    const IImage image { &pointer, 48, 48, 1 };
    // The pointer's middle lies 18 pixels above the centre; turned by a clockwise angle a it
    // lies at (18 sin a, -18 cos a) from the centre.
    const double pi = std::acos(-1.0);
    struct Row {
        double value;
        double degrees;
    } rows[] = {{0.5, 0.0}, {0.0, -150.0}, {1.0, 150.0}, {0.75, 75.0}};
    int cx = 40;
    for (const Row& r : rows) {
        auto* knob = Add(new IKnobRotVal(plug, 5, cx, 100, image, Style(0), -18, 300, 4.0, 0, 0,
                                         1.0f, false, 0));
        knob->ShowValue(r.value);
        EXPECT_FLOAT_EQ(knob->Angle(), static_cast<float>(r.degrees * pi / 180.0));
        cx += 100;
    }
    surface->PaintDirty({0, 0, 504, 492});
    cx = 40;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.value);
        const double a = r.degrees * pi / 180.0;
        const int px = cx + static_cast<int>(std::lround(18.0 * std::sin(a))) - 1;
        const int py = 100 + static_cast<int>(std::lround(-18.0 * std::cos(a))) - 1;
        // Turned the other way: where the pointer must not be.
        const int mx = cx - static_cast<int>(std::lround(18.0 * std::sin(a))) - 1;
        EXPECT_GT((At(surface->Canvas(), px, py) >> 16) & 0xFF, 200u);
        if (r.degrees != 0.0) {
            EXPECT_EQ(At(surface->Canvas(), mx, py), 0u);
        }
        cx += 100;
    }
    // Upright, the image lands unturned with its top-left at the centre less half its size.
    EXPECT_EQ(At(surface->Canvas(), 40 - 24 + 22, 100 - 24 + 2), kRed);
    EXPECT_EQ(At(surface->Canvas(), 40 - 24 + 25, 100 - 24 + 9), kRed);
    EXPECT_EQ(At(surface->Canvas(), 40 - 24 + 26, 100 - 24 + 9), 0u);
}

TEST_F(ControlTest, MultiFrameKnobTurnsItsLeftHalfCutOnceAndLaysTheLastFrameOnTop)
{
    // Frame 1 holds the pointer, frame 2 a blue square (x 20..27, y 20..27 of the frame).
    IRaster frames(96, 48);
    IRaster pointer = PointerImage();
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x) {
            frames.Pixels()[y * 96 + x] = pointer.Pixels()[y * 48 + x];
            if (x >= 20 && x < 28 && y >= 20 && y < 28)
                frames.Pixels()[y * 96 + 48 + x] = 0xFF0000FFu;
        }
    auto* knob = Add(new IKnobRotVal(plug, 5, 100, 100, IImage { &frames, 96, 48, 2 }, Style(0),
                                     -18, 300, 4.0, 0, 0, 1.0f, false, 0));
    knob->ShowValue(0.0);
    const int cached = IEditorSurface::CachedImageCount();
    surface->PaintDirty({0, 0, 504, 492});
    surface->InvalidateAll();
    surface->PaintDirty({0, 0, 504, 492});
    EXPECT_EQ(IEditorSurface::CachedImageCount(), cached + 1);
    const IRaster& canvas = surface->Canvas();
    // The cap lands unturned at the knob's top-left; the pointer has turned down-left.
    EXPECT_EQ(Ints({int(At(canvas, 76 + 20, 76 + 20)), int(At(canvas, 76 + 27, 76 + 27)),
                    int(At(canvas, 76 + 28, 76 + 27))}),
              Ints({int(0xFF0000FFu), int(0xFF0000FFu), 0}));
    EXPECT_GT((At(canvas, 100 - 9 - 1, 100 + 16 - 1) >> 16) & 0xFF, 200u);
    EXPECT_EQ(At(canvas, 100 - 1, 100 - 18 - 1), 0u);
}

TEST_F(ControlTest, PanBarRunsFromTheTrackCentreToTheHandleCentre)
{
    // The handle is opaque green only in its top four rows, so the bar shows beneath it.
    IRaster handle(16, 16);
    for (int i = 0; i < 16 * 4; ++i)
        handle.Pixels()[i] = kGreen;
    const IArgb barColour { 255, 66, 110, 170 };
    struct Row {
        double value;
        int from, to; // bar pixels from..to-1 in rows 423 and 424; none when equal
        int handleLeft;
    } rows[] = {
        {0.25, 80, 99, 72}, // handle centre 80 .. track centre 98
        {0.5, 0, 0, 91}, // no bar in the middle
        {0.75, 99, 117, 109}, // the centre 98.5 rounds away from zero on this side
        {0.0, 62, 99, 54},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.value);
        auto* slider = Add(new ISlider(plug, 7, {52, 416, 144, 432}, IImage { &handle, 16, 16, 1 },
                                       Style(0), 89, true, barColour));
        slider->ApplyValue(r.value);
        surface->PaintDirty({0, 0, 504, 492});
        const IRaster& canvas = surface->Canvas();
        for (int x = 50; x < 150; ++x) {
            const bool bar = x >= r.from && x < r.to;
            for (int y : {422, 423, 424, 425}) {
                const bool expectBar = bar && (y == 423 || y == 424);
                ASSERT_EQ(At(canvas, x, y) == barColour.Packed(), expectBar) << x << "," << y;
            }
            ASSERT_EQ(At(canvas, x, 416) == kGreen, x >= r.handleLeft && x < r.handleLeft + 16)
                << x;
        }
        surface->ResizeSurface(504, 492);
        surface->PrepareCanvas(); // a clean canvas for the next row
    }
}

TEST_F(ControlTest, LitButtonDrawsItsImageAndUnlitNothing)
{
    IRaster lit(16, 8);
    for (int i = 0; i < 16 * 8; ++i)
        lit.Pixels()[i] = kGreen;
    auto* on = Add(new IButton(plug, 8, 92, 433, IImage { &lit, 16, 8, 1 }));
    Add(new IButton(plug, 20, 244, 433, IImage { &lit, 16, 8, 1 }));
    auto* half = Add(new IButton(plug, 32, 396, 433, IImage { &lit, 16, 8, 1 }));
    on->ApplyValue(1.0);
    half->ApplyValue(0.5); // still off
    surface->PaintDirty({0, 0, 504, 492});
    const IRaster& canvas = surface->Canvas();
    EXPECT_EQ(Ints({int(At(canvas, 92, 433) == kGreen), int(At(canvas, 107, 440) == kGreen),
                    int(At(canvas, 108, 440) == kGreen), int(At(canvas, 91, 433) == kGreen),
                    int(At(canvas, 244, 433) == kGreen), int(At(canvas, 259, 440) == kGreen),
                    int(At(canvas, 396, 433) == kGreen)}),
              Ints({1, 1, 0, 0, 0, 0, 0}));
}

} // namespace
