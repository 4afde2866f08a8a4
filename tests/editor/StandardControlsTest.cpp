// The standard controls driven through the surface's mouse entries and typed text: the
// parameter values they set, the host's edit gestures around them, what they ask of the
// window, and the texts they draw.
#include "ControlFixture.h"

#include "editor/BarLabel.h"
#include "editor/IButton.h"
#include "editor/IEditableTextControl.h"
#include "editor/IEmpty.h"
#include "editor/IInputPrm.h"
#include "editor/IKnobRotVal.h"
#include "editor/ISlider.h"
#include "editor/ITextControl.h"
#include "editor/IURLOpen.h"

namespace {

constexpr IMouseKeys kLeft { true, false, false, false, false };
constexpr IMouseKeys kRight { false, true, false, false, false };
constexpr IMouseKeys kLeftShift { true, false, true, false, false };
constexpr IMouseKeys kLeftControl { true, false, false, true, false };

IImage SizedImage(int w, int h) { return IImage { nullptr, w, h, 1 }; }

ITextStyle Style(int size)
{
    ITextStyle style;
    style.size = size;
    style.colour = IArgb { 230, 255, 255, 255 };
    return style;
}

TEST_F(ControlTest, KnobDragMovesTheValueByDistanceOverBoxAndGearing)
{
    struct Row {
        int direction;
        IMouseKeys keys;
        int dx, dy;
        double expected;
    } rows[] = {
        {0, kLeft, 0, -48, 0.75}, // a 48-pixel box at gearing 4: 192 pixels for the range
        {0, kLeftShift, 0, -48, 0.525}, // ten times finer
        {0, kLeftControl, 0, -48, 0.525},
        {0, kLeft, 30, 48, 0.25}, // down lowers; sideways does nothing
        {0, kLeft, 0, -400, 1.0}, // held to the range
        {1, kLeft, 48, -30, 0.75}, // horizontal knobs follow x
    };
    const int attack = 5;
    int cx = 40;
    for (const Row& r : rows) {
        SCOPED_TRACE(cx);
        auto* knob = Add(new IKnobRotVal(plug, attack, cx, 310, SizedImage(48, 48), Style(15), -18,
                                         300, 4.0, 0, r.direction, 1.0f, false, 0));
        knob->ShowValue(0.5);
        host.calls.clear();
        surface->MousePress(cx, 310, r.keys);
        surface->MouseDrag(cx + r.dx, 310 + r.dy, r.keys);
        surface->MouseRelease(cx + r.dx, 310 + r.dy, r.keys);
        EXPECT_DOUBLE_EQ(knob->Value(), r.expected);
        char automated[32];
        std::snprintf(automated, sizeof automated, "=5 %.4f", r.expected);
        // The release sends the value once more (a knob that snaps would send the snapped one).
        EXPECT_EQ(HostEdits(), Texts({"+5", automated, automated, "-5"}));
        EXPECT_NEAR(plug->GetParam(attack)->Normalised(), r.expected, 1e-12);
        cx += 60;
    }
}

TEST_F(ControlTest, KnobSnapsOnReleaseOnlyWhenGivenSteps)
{
    for (int steps : {0, 5}) {
        auto* knob = Add(new IKnobRotVal(plug, 5, 100, 100, SizedImage(48, 48), Style(15), -18,
                                         300, 4.0, 0, 0, 1.0f, false, steps));
        knob->ShowValue(0.5);
        surface->MousePress(100, 100, kLeft);
        surface->MouseDrag(100, 80, kLeft); // +20/192
        surface->MouseRelease(100, 80, kLeft);
        EXPECT_DOUBLE_EQ(knob->Value(), steps ? 0.5 : 0.5 + 20.0 / 192.0);
        surface->ResizeSurface(504, 492); // next row starts on an empty surface
    }
}

TEST_F(ControlTest, ButtonTogglesAndARightClickResendsItsValue)
{
    auto* button = Add(new IButton(plug, 0, 56, 339, SizedImage(28, 28)));
    struct Step {
        IMouseKeys keys;
        double value;
        Texts host;
    } steps[] = {
        {kLeft, 1.0, {"+0", "=0 1.0000", "-0"}},
        {kRight, 1.0, {"+0", "=0 1.0000", "-0"}},
        {kLeft, 0.0, {"+0", "=0 0.0000", "-0"}},
        {kRight, 0.0, {"+0", "=0 0.0000", "-0"}},
    };
    for (const Step& s : steps) {
        host.calls.clear();
        surface->MousePress(70, 350, s.keys);
        surface->MouseRelease(70, 350, s.keys);
        EXPECT_EQ(button->Value(), s.value);
        EXPECT_EQ(HostEdits(), s.host);
    }
    EXPECT_TRUE(surface->opened.empty()); // no prompt on the right click
}

TEST_F(ControlTest, SliderFollowsThePointerOnlyInsideItsTrack)
{
    // Track 54..142 (edges included), handle 16 wide: value = (x - 62) / 73.
    auto* slider = Add(new ISlider(plug, 7, {52, 416, 144, 432}, SizedImage(16, 16), Style(0), 89,
                                   true, IArgb { 255, 66, 110, 170 }));
    slider->ShowValue(0.5);
    struct Step {
        bool press;
        int x, y;
        double value;
    } steps[] = {
        {true, 53, 420, 0.5}, // in the box, left of the track
        {true, 98, 420, 36.0 / 73}, // mid-track
        {false, 62, 432, 0.0}, // bottom edge counts
        {false, 143, 420, 0.0}, // past the right end
        {false, 100, 433, 0.0}, // below the track
        {false, 54, 416, 0.0}, // back in at the corner: held at 0
        {false, 142, 424, 1.0}, // held at 1
        {false, 120, 424, 58.0 / 73},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.x);
        if (s.press) {
            surface->MouseRelease(s.x, s.y, kLeft);
            surface->MousePress(s.x, s.y, kLeft);
        } else {
            surface->MouseDrag(s.x, s.y, kLeft);
        }
        EXPECT_DOUBLE_EQ(slider->Value(), s.value);
    }
    surface->MouseRelease(120, 424, kLeft);
    EXPECT_EQ(plug->GetParam(7)->PlainValue(), 59.0); // -100 + 200 * 58/73, to the step
    // A right click asks for the value instead.
    surface->MousePress(98, 420, kRight);
    EXPECT_DOUBLE_EQ(slider->Value(), 58.0 / 73);
    EXPECT_EQ(surface->opened, Texts({"value entry Pan centred"}));
}

TEST_F(ControlTest, InputFieldShowsThePlainValueAndOpensItsEntryOnAnyClick)
{
    struct Row {
        int decimals;
        double v;
        const char* text;
    } rows[] = {
        {0, 12.5, "13"}, {0, -12.5, "-13"}, {0, 12.49, "12"}, {0, 1e12, "2147483647"},
        {1, 3.14159, "3.1"}, {2, 3.14159, "3.14"}, {2, -0.5, "-0.50"},
    };
    for (const Row& r : rows) {
        auto* field = Add(new IInputPrm(plug, {61, 377, 90, 393}, 4, Style(15), r.decimals, 2));
        plug->GetParam(4)->SetPlainValue(r.v);
        DrawnTexts().clear();
        surface->PaintDirty({0, 0, 504, 492});
        EXPECT_EQ(DrawnTexts(), Texts({std::string(r.text) + " @63,377,90,393 230 0"}));
        surface->ResizeSurface(504, 492);
        (void)field;
    }
    Add(new IInputPrm(plug, {61, 377, 90, 393}, 4, Style(15), 0, 2));
    host.calls.clear();
    surface->MousePress(70, 380, kLeft);
    surface->MouseRelease(70, 380, kLeft);
    surface->MousePress(70, 380, kRight);
    EXPECT_EQ(surface->opened,
              Texts({"value entry Semitones Multiply", "value entry Semitones Multiply"}));
    EXPECT_EQ(HostEdits(), Texts({"+4", "-4", "+4"}));
    // What the user types comes back through the surface, bracketed by an edit.
    host.calls.clear();
    surface->MouseRelease(70, 380, kRight);
    surface->ApplyTypedText(surface->ControlAt(0), plug->GetParam(4), "7");
    EXPECT_EQ(plug->GetParam(4)->PlainValue(), 7.0);
    EXPECT_EQ(HostEdits(), Texts({"-4", "+4", "=4 0.1277", "-4"}));
}

TEST_F(ControlTest, KnobAndSliderWriteTheParametersDisplayText)
{
    plug->GetParam(5)->SetPlainValue(0.8);
    plug->GetParam(9)->SetPlainValue(-6.0);
    Add(new IKnobRotVal(plug, 5, 69, 310, SizedImage(48, 48), Style(15), -18, 300, 4.0, 0, 0,
                        1.0f, false, 0));
    Add(new IKnobRotVal(plug, 9, 131, 386, SizedImage(48, 48), Style(15), -20, 300, 4.0, 0, 0,
                        1.0f, true, 0));
    Add(new IKnobRotVal(plug, 5, 200, 100, SizedImage(48, 48), Style(15), 4, 300, 4.0, 0, 0,
                        1.0f, false, 0));
    Add(new IKnobRotVal(plug, 5, 300, 100, SizedImage(48, 48), Style(0), -18, 300, 4.0, 0, 0,
                        1.0f, false, 0));
    Add(new ISlider(plug, 9, {52, 416, 144, 432}, SizedImage(16, 16), Style(12), 89, true,
                    IArgb {}));
    Add(new ISlider(plug, 7, {204, 416, 296, 432}, SizedImage(16, 16), Style(0), 89, true,
                    IArgb {}));
    surface->PaintDirty({0, 0, 504, 492});
    EXPECT_EQ(DrawnTexts(), Texts({
                                "0.80 @45,301,93,316 230 1", // inside the knob, above its foot
                                "-6dB @107,375,155,390 230 1", // with the unit
                                "0.80 @176,128,224,143 230 1", // below the knob
                                "-6dB @52,420,144,432 230 1", // the unit always
                            }));
}

TEST_F(ControlTest, StatusLineExpiresAfterItsTicks)
{
    auto* label = Add(new BarLabel(plug, {10, 476, 800, 492}, 216));
    IBox dirty;
    EXPECT_FALSE(surface->CollectDirty(dirty)); // idle until a message comes
    label->ShowMessage("Loaded kick.wav");
    for (int tick = 1; tick <= 216; ++tick) {
        ASSERT_TRUE(surface->CollectDirty(dirty)) << tick;
        ASSERT_EQ(std::string(label->Text()), tick < 216 ? "Loaded kick.wav" : "") << tick;
    }
    EXPECT_FALSE(surface->CollectDirty(dirty));
    EXPECT_EQ(dirty.right, 0);

    label->ShowMessage(std::string(400, 'x').c_str());
    EXPECT_EQ(std::string(label->Text()), std::string(259, 'x'));
    label->ShowMessage("again");
    surface->PaintDirty({0, 0, 504, 492});
    EXPECT_EQ(DrawnTexts(), Texts({"again @10,476,800,492 180 0"}));
}

TEST_F(ControlTest, TextFieldsPaintTheirTextMaskedOrPlain)
{
    const IArgb none { 0, 0, 0, 0 };
    struct Row {
        std::string text;
        bool password;
        std::string drawn;
    } rows[] = {
        {"v1.00", false, "v1.00"},
        {std::string(300, 'p'), true, std::string(254, '*')},
        {"abc", true, "***"},
        {"", true, ""},
        {"", false, ""},
    };
    for (const Row& r : rows) {
        Add(new IEditableTextControl(plug, {10, 20, 90, 35}, Style(13), r.text.c_str(), none,
                                     true, r.password));
        DrawnTexts().clear();
        surface->PaintDirty({0, 0, 504, 492});
        EXPECT_EQ(DrawnTexts(),
                  r.drawn.empty() ? Texts {} : Texts({r.drawn + " @10,20,90,35 230 0"}));
        surface->ResizeSurface(504, 492);
    }
    Add(new ITextControl(plug, {313, 8, 348, 26}, Style(13), "v1.00"));
    Add(new ITextControl(plug, {313, 30, 348, 40}, Style(13), ""));
    DrawnTexts().clear();
    surface->PaintDirty({0, 0, 504, 492});
    EXPECT_EQ(DrawnTexts(), Texts({"v1.00 @313,8,348,26 230 0"}));
}

TEST_F(ControlTest, EditableTextTakesTypedTextAndOpensTheEntryUnlessPromptsAreOff)
{
    const IArgb none { 0, 0, 0, 0 };
    auto* open = Add(new IEditableTextControl(plug, {10, 10, 50, 20}, Style(13), "a", none,
                                              true, false));
    auto* fixed = Add(new IEditableTextControl(plug, {10, 30, 50, 40}, Style(13), "b", none,
                                               false, false));
    auto* quiet = Add(new IEditableTextControl(plug, {10, 50, 50, 60}, Style(13), "c", none,
                                               true, false));
    quiet->SetNoPrompt(true);
    for (int y : {15, 35, 55})
        surface->MousePress(20, y, kLeft);
    EXPECT_EQ(surface->opened, Texts({"text entry", "text entry"}));

    surface->ApplyTypedText(open, nullptr, "typed");
    surface->ApplyTypedText(fixed, nullptr, "typed");
    EXPECT_EQ(Texts({open->Text(), fixed->Text()}), Texts({"typed", "b"}));
    // Only a changed text asks for a repaint.
    surface->PaintDirty({0, 0, 504, 492});
    surface->PaintDirty({0, 0, 504, 492});
    open->SetText("typed");
    EXPECT_FALSE(open->NeedsPaint());
    open->SetText("other");
    EXPECT_TRUE(open->NeedsPaint());

    // A background with alpha is filled under the text; one without is left alone.
    const IArgb backing { 255, 10, 20, 30 };
    Add(new IEditableTextControl(plug, {10, 70, 50, 80}, Style(13), "", backing, true, false));
    surface->PaintDirty({0, 0, 504, 492});
    const std::uint32_t* pixels = surface->Canvas().Pixels();
    EXPECT_EQ(pixels[70 * 504 + 10], backing.Packed());
    EXPECT_EQ(pixels[79 * 504 + 49], backing.Packed());
    EXPECT_EQ(pixels[80 * 504 + 49], 0u);
    EXPECT_EQ(pixels[10 * 504 + 10], 0u);
}

TEST_F(ControlTest, TitleLinkOpensTheProductPageOnAnyClick)
{
    Add(new IURLOpen(plug, {156, 6, 348, 53}));
    surface->MousePress(200, 20, kLeft);
    surface->MousePress(200, 20, kRight);
    const std::string page = "web https://quellorn.example/Quellorn - - "
                             "Cannot open url. Check your default browser.";
    EXPECT_EQ(surface->opened, Texts({page, page}));
}

TEST_F(ControlTest, EmptyControlPassesAppliedValuesToTheHost)
{
    Add(new IEmpty(plug, {}, 1));
    EXPECT_EQ(surface->ApplyParamValue(1, 0.5), 1);
    EXPECT_EQ(HostEdits(), Texts({"=1 0.5000"}));
    EXPECT_EQ(plug->GetParam(1)->PlainValue(), 70.0); // 12 + 115 * 0.5, to the step
}

} // namespace
