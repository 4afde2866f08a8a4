// The three per-slot controls on a headless plug-in, driven through the surface's mouse and
// typed-text entries: the keyboard strip's picks, drags and typed keys, the sample display's
// buttons, drops and right click, and chosen pixels and texts of their paint.
#include "ControlFixture.h"
#include "ProbeControl.h"

#include "editor/BarLabel.h"
#include "editor/IEditableTextControl.h"
#include "editor/MySample.h"
#include "editor/SampleActivity.h"
#include "editor/SampleRange.h"
#include "engine/Quellorn.h"
#include "tests/plugbase/TestHost.h"
#include "tests/samplefiles/WavTestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace WavTestFiles;

namespace {

using Cursor = IEditorSurface::Cursor;

// A window layer without a window: it notes what the slot controls ask of it and gives them
// opaque images of the sizes the editor's own have, each of one colour.
class WindowProbe : public IEditorSurface {
public:
    using IEditorSurface::IEditorSurface;
    std::unique_ptr<IRaster> LoadResourceImage(int id) override
    {
        static const std::map<int, std::pair<int, int>> sizes = { { 102, { 20, 20 } },
            { 103, { 21, 16 } }, { 104, { 21, 16 } }, { 105, { 7, 5 } }, { 106, { 7, 5 } } };
        const auto size = sizes.find(id);
        if (size == sizes.end())
            return nullptr;
        auto raster = std::make_unique<IRaster>(size->second.first, size->second.second);
        std::fill(raster->Pixels(), raster->Pixels() + raster->Width() * raster->Height(),
            0xFF000000u | std::uint32_t(id) << 8);
        return raster;
    }
    void SetCursor(Cursor shape) override { cursors.push_back(shape); }
    bool CopyToClipboard(const char* text) override
    {
        clipboard = text;
        return true;
    }
    void OpenTextEntry(IControl* control) override { entries.push_back(control); }
    bool PromptForFile(char* out, int, bool, const char*, const char*) override
    {
        ++dialogs;
        out[0] = '\0';
        return false;
    }

    std::vector<Cursor> cursors;
    std::string clipboard;
    std::vector<IControl*> entries;
    int dialogs = 0;
};

// A 32-bit float WAV at 1000 Hz: `frames` frames of `channels` channels, values from `value`.
std::string Wav(int channels, int frames, const std::function<float(int, int)>& value)
{
    std::string data;
    for (int f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            const float v = value(c, f);
            std::uint32_t bits = 0;
            std::memcpy(&bits, &v, sizeof bits);
            data += Le32(bits);
        }
    }
    return Riff(Fmt(3, std::uint16_t(channels), 1000, 32) + Chunk("data", data));
}

float Half(int, int)
{
    return 0.5f;
}

constexpr IBlend kReplace { 1, 1.0f };

class SlotControls : public ::testing::Test {
protected:
    void SetUp() override
    {
        before = IEditorSurface::SetFontSource(&MakeLoggingFont);
        DrawnTexts().clear();
        ASSERT_NE(host.Create(), nullptr);
        plug = static_cast<CLS_QUELLORN*>(host.effect->object);
        IEditorSurface* bare = plug->Editor();
        surface = new WindowProbe(plug, kEditorWidth, kEditorHeight, 0);
        plug->AttachEditor(surface);
        delete bare; // the plug-in's own slot controls go with it; these replace them
        auto* clear
            = new ProbeControl(plug, { 0, 0, kEditorWidth, kEditorHeight }, -1, &log, "clear");
        clear->onPaint = [](IEditorSurface& s) {
            s.FillBox({ 255, 0, 0, 0 }, { 0, 0, kEditorWidth, kEditorHeight }, &kReplace);
        };
        surface->AttachControl(clear);
        label = new BarLabel(plug, { 20, 470, 480, 490 }, 216);
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const int right = 176 + 152 * slot;
            plug->sampleDisplay[slot]
                = new MySample(plug, { right - 150, 78, right, 198 }, slot, label);
            surface->AttachControl(plug->sampleDisplay[slot]);
            plug->keyboardDisplay[slot] = new SampleRange(
                plug, { right - 151, 201, right - 1, 256 }, slot, plug->sampleDisplay[slot]);
            surface->AttachControl(plug->keyboardDisplay[slot]);
        }
        surface->AttachControl(label);
        host.Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        host.Dispatch(effOpen);
    }
    void TearDown() override { IEditorSurface::SetFontSource(before); }

    void Paint() { surface->PaintDirty({ 0, 0, kEditorWidth, kEditorHeight }); }
    std::uint32_t Pixel(int x, int y) const
    {
        return surface->Canvas().Pixels()[y * kEditorWidth + x];
    }
    // Pixel (x, y) of the image with resource `id`, which must be opaque there.
    std::uint32_t ImageAt(int id, int x, int y)
    {
        const IImage image = surface->GetImage(id, "", 1);
        const std::uint32_t pixel = image.raster->Pixels()[y * image.width + x];
        EXPECT_EQ(pixel >> 24, 0xFFu);
        return pixel;
    }
    void Load(int channels, int frames, const std::function<float(int, int)>& value)
    {
        surface->FileDropped(100, 100, folder.Write("w.wav", Wav(channels, frames, value)).c_str());
        ASSERT_EQ(plug->slotSample[0].frames, std::uint32_t(frames));
    }
    MySample& Display(int slot = 0) { return *plug->sampleDisplay[slot]; }
    SampleRange& Keys(int slot = 0) { return *plug->keyboardDisplay[slot]; }
    void SetKeys(int low, int high, int root)
    {
        for (const auto& [offset, value] : { std::pair { kParamLowNote, low },
                 { kParamHighNote, high }, { kParamRootNote, root } }) {
            plug->GetParam(offset)->SetClampedValue(value);
            plug->ParamChanged(offset);
        }
    }
    void Click(int x, int y, bool right = false)
    {
        IMouseKeys keys;
        (right ? keys.right : keys.left) = true;
        surface->MousePress(x, y, keys);
        surface->MouseRelease(x, y, keys);
    }
    void Note(int key, bool on)
    {
        IMidiEvent event;
        event.status = on ? 0x90 : 0x80;
        event.data1 = static_cast<unsigned char>(key);
        event.data2 = 100;
        plug->HandleMidiEvent(event);
    }
    // The texts drawn inside `box`, as "text @left,top,right,bottom alpha alignment".
    static std::vector<std::string> TextsIn(const IBox& box)
    {
        std::vector<std::string> inside;
        for (const std::string& t : DrawnTexts()) {
            int l, tp, r, b;
            if (std::sscanf(t.c_str() + t.rfind('@'), "@%d,%d,%d,%d", &l, &tp, &r, &b) == 4
                && l >= box.left && r <= box.right && tp >= box.top && b <= box.bottom)
                inside.push_back(t);
        }
        return inside;
    }

    std::vector<std::string> log; // outlives the surface, whose probe writes to it
    TestHost host;
    CLS_QUELLORN* plug = nullptr;
    WindowProbe* surface = nullptr; // owned by the plug-in
    BarLabel* label = nullptr;
    IEditorSurface::FontSource before = nullptr;
    TempFolder folder;
};

// Slot 0's strip is (25, 201, 175, 256): keys 0..115 over 140 pixels. Its keys start at
// low 24, high 115, root 29, so the markers stand at x 54 (low), 175 (high) and 65 (root),
// and the split between low and high at 115.
TEST_F(SlotControls, TheKeyboardMovesTheNearerKeyOrTheRootAndNarrowingClearsThePlayedMark)
{
    struct Step {
        bool drag;
        int x, y;
    };
    struct Row {
        std::vector<Step> steps;
        int low, high, root;
        bool markKept;
        std::vector<Cursor> cursors;
    } rows[] = {
        { { { false, 100, 211 } }, 61, 115, 29, false, { Cursor::kArrow } },
        { { { false, 115, 211 } }, 73, 115, 29, false, { Cursor::kArrow } },
        { { { false, 116, 211 } }, 24, 67, 29, false, { Cursor::kArrow } },
        { { { false, 172, 230 } }, 24, 113, 29, false,
            { Cursor::kResizeHorizontal, Cursor::kArrow } },
        // The midpoint is found again at each drag: the low key hands over to the high one.
        { { { false, 100, 211 }, { true, 150, 211 } }, 61, 95, 29, false,
            { Cursor::kResizeHorizontal, Cursor::kArrow } },
        // The root follows from its marker for the whole drag; below the bar a drag does nothing.
        { { { false, 66, 211 }, { true, 120, 211 }, { true, 30, 240 } }, 24, 115, 74, true,
            { Cursor::kUpArrow, Cursor::kResizeHorizontal, Cursor::kArrow } },
        // Widening keeps the mark; outside the strip nothing moves.
        { { { false, 40, 211 }, { true, 10, 211 } }, 12, 115, 29, true, { Cursor::kArrow } },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.steps.front().x);
        SetKeys(36, 127, 41);
        Display().SetPlayedMark(true);
        surface->cursors.clear();
        IMouseKeys left;
        left.left = true;
        for (const Step& s : r.steps)
            s.drag ? surface->MouseDrag(s.x, s.y, left) : surface->MousePress(s.x, s.y, left);
        surface->MouseRelease(r.steps.back().x, r.steps.back().y, {});
        EXPECT_EQ(std::vector<int>({ Keys().LowKey(), Keys().HighKey(), Keys().RootKey() }),
            std::vector<int>({ r.low, r.high, r.root }));
        // The parameters and the engine follow, as they do for any editor change.
        EXPECT_EQ(std::vector<double>({ plug->GetParam(1)->PlainValue(),
                      plug->GetParam(2)->PlainValue(), plug->GetParam(3)->PlainValue() }),
            std::vector<double>({ r.low + 12.0, r.high + 12.0, r.root + 12.0 }));
        EXPECT_EQ(std::vector<int>({ plug->lowNote[0], plug->highNote[0], plug->rootNote[0] }),
            std::vector<int>({ r.low + 12, r.high + 12, r.root + 12 }));
        EXPECT_EQ(Display().PlayedMark(), r.markKept);
        EXPECT_EQ(surface->cursors, r.cursors);
    }
}

TEST_F(SlotControls, TypedKeysGoToTheThirdThatWasPressed)
{
    Paint(); // makes the entry fields
    IEditableTextControl* entry = Keys().EntryField();
    ASSERT_NE(entry, nullptr);
    struct Row {
        int x, y;
        bool right;
        int entryLeft;
        const char* shown;
        const char* typed;
        int param, value;
    } rows[] = {
        { 30, 220, true, 25, "36", "5", 1, 12 },
        { 170, 240, false, 143, "127", "200", 2, 127 },
        { 100, 240, false, 84, "41", "60", 3, 60 },
        { 120, 240, false, 84, "41", "-9", 3, 12 },
        { 30, 240, false, 25, "36", "200", 1, 127 },
        { 170, 240, false, 143, "127", "20", 2, 36 }, // not below the low key
        { 30, 240, false, 25, "36", "x", 1, 36 },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.typed);
        SetKeys(36, 127, 41);
        surface->entries.clear();
        Click(r.x, r.y, r.right);
        ASSERT_EQ(surface->entries, std::vector<IControl*>({ entry }));
        EXPECT_EQ(entry->Text(), r.shown);
        EXPECT_EQ(
            std::vector<int>({ entry->Box().left, entry->Box().right, entry->TargetBox().left }),
            std::vector<int>({ r.entryLeft, r.entryLeft + 32, r.entryLeft }));
        // A second press while the entry is open opens nothing.
        Click(r.x, r.y, true);
        EXPECT_EQ(surface->entries.size(), 1u);
        surface->ApplyTypedText(entry, nullptr, r.typed);
        EXPECT_EQ(plug->GetParam(r.param)->PlainValue(), r.value);
        EXPECT_EQ(entry->Text(), "");
        EXPECT_FALSE(Keys().EntryOpen());
    }
    // A text typed into a field whose entry is not open changes no key.
    surface->ApplyTypedText(Keys(1).EntryField(), nullptr, "50");
    EXPECT_EQ(plug->GetParam(13)->PlainValue(), 36);
}

TEST_F(SlotControls, TheEntryFieldsAreAttachedHiddenAfterTheExistingControlsAtTheFirstPaint)
{
    const int count = surface->ControlCount();
    EXPECT_EQ(Keys().EntryField(), nullptr);
    Paint();
    ASSERT_EQ(surface->ControlCount(), count + 3);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        IControl* field = surface->ControlAt(count + slot);
        EXPECT_EQ(field, Keys(slot).EntryField());
        EXPECT_TRUE(field->Hidden());
        const int c = 100 + 152 * slot;
        EXPECT_EQ(std::vector<int>({ field->Box().left, field->Box().top, field->Box().right,
                      field->Box().bottom }),
            std::vector<int>({ c - 16, 209, c + 16, 227 }));
    }
    Paint();
    EXPECT_EQ(surface->ControlCount(), count + 3);
}

TEST_F(SlotControls, ButtonsDropsAndTheRightClickActOnTheirSlot)
{
    const std::string wav = Wav(1, 100, Half);
    const std::string a = folder.Write("a.wav", wav);
    const std::string b = folder.Write("b.wav", wav);
    // A drop outside a sample display loads nothing; on one, that slot loads the file.
    surface->FileDropped(100, 230, a.c_str());
    EXPECT_EQ(plug->slotSample[0].frames, 0u);
    surface->FileDropped(200, 100, a.c_str());
    EXPECT_EQ(plug->slotSample[1].frames, 100u);
    // The folder lists its files in no set order: `later` is the one with a previous file.
    const bool aFirst = Display(1).PreviousPath()[0] == '\0';
    const std::string later = aFirst ? b : a;
    const std::string earlier = aFirst ? a : b;
    surface->FileDropped(100, 100, later.c_str());
    Paint();
    ASSERT_STREQ(Display().Path(), later.c_str());
    const IBox previous = Display().PreviousBox();
    EXPECT_EQ(std::vector<int>({ previous.left, previous.top, previous.right, previous.bottom }),
        std::vector<int>({ 26, 134, 47, 150 }));
    EXPECT_TRUE(Display().NextBox().Empty()); // never drawn
    const IBox close = Display().CloseBox();
    EXPECT_EQ(std::vector<int>({ close.left, close.top, close.right, close.bottom }),
        std::vector<int>({ 156, 78, 176, 98 }));
    EXPECT_EQ(std::vector<std::uint32_t>({ Pixel(36, 142), Pixel(166, 88), Pixel(166, 142) }),
        std::vector<std::uint32_t>({ ImageAt(104, 10, 8), ImageAt(102, 10, 10), 0xFF000000u }));

    Click(previous.right, previous.bottom); // edges count
    EXPECT_STREQ(Display().Path(), earlier.c_str());
    Paint();
    EXPECT_EQ(std::vector<std::uint32_t>({ Pixel(36, 142), Pixel(166, 142) }),
        std::vector<std::uint32_t>({ 0xFF000000u, ImageAt(103, 10, 8) }));
    // Now there is no previous file: its old place is only the display, which asks for a file.
    Click(previous.left + 3, previous.top + 3);
    EXPECT_EQ(surface->dialogs, 1);
    EXPECT_STREQ(Display().Path(), earlier.c_str());
    const IBox next = Display().NextBox();
    EXPECT_EQ(std::vector<int>({ next.left, next.top, next.right, next.bottom }),
        std::vector<int>({ 155, 134, 176, 150 }));
    Click(next.left, next.top);
    EXPECT_STREQ(Display().Path(), later.c_str());

    Click(close.left, close.bottom);
    EXPECT_EQ(plug->slotSample[0].frames, 0u);
    EXPECT_STREQ(Display().DisplayName(), "...");
    EXPECT_STREQ(plug->StateTextAt(0), "");
    EXPECT_EQ(surface->dialogs, 1);
    // The emptied slot draws no buttons, so where the next button was only asks for a file.
    Paint();
    Click(next.left, next.top);
    EXPECT_EQ(plug->slotSample[0].frames, 0u);
    EXPECT_EQ(surface->dialogs, 2);

    // A right click copies the path and shows it for the label's 216 ticks; it loads nothing.
    Click(60, 120, true);
    EXPECT_EQ(surface->clipboard, later);
    EXPECT_STREQ(label->Text(), later.c_str());
    EXPECT_EQ(label->RemainingTicks(), 216);
    EXPECT_EQ(plug->slotSample[0].frames, 0u);
    EXPECT_EQ(surface->dialogs, 2);
}

// Slot 0's display is (26, 78, 176, 198): 148 columns from x 27, the waveform between y 78
// and 150 about y 114, half a unit of sample value to 36 pixels.
TEST_F(SlotControls, TheWaveformDrawsEachChannelFromTheFramesTheSlotHolds)
{
    struct Probe {
        int x, y;
        bool drawn;
    };
    struct Row {
        int channels, frames;
        std::function<float(int, int)> value;
        std::vector<Probe> probes;
    } rows[] = {
        { 1, 1480, Half,
            { { 27, 97, true }, { 27, 95, false }, { 150, 97, true }, { 27, 130, false } } },
        { 2, 1480, [](int c, int) { return c ? -0.5f : 0.5f; },
            { { 27, 97, true }, { 150, 97, true }, { 27, 130, true }, { 150, 130, true },
                { 150, 136, false } } },
        // 355 frames: the last column's window would reach one frame past the end, into the
        // second channel's first frames, which are full scale.
        { 2, 355, [](int c, int f) { return c && f < 3 ? 1.0f : 0.0f; },
            { { 27, 80, true }, { 174, 100, false }, { 174, 110, false } } },
        // Samples beyond full scale are drawn at full scale.
        { 1, 148, [](int, int f) { return f == 0 ? 2.0f : -3.0f; },
            { { 27, 78, true }, { 27, 77, false }, { 28, 150, true }, { 28, 151, false } } },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.frames);
        Load(r.channels, r.frames, r.value);
        Paint();
        for (const Probe& p : r.probes)
            EXPECT_EQ(Pixel(p.x, p.y) != 0xFF000000u, p.drawn) << p.x << "," << p.y;
    }
}

TEST_F(SlotControls, TheDisplayShowsLengthChannelsAndNameOrOnlyTheNameOfAnEmptySlot)
{
    const IBox display { 26, 78, 176, 198 };
    Paint();
    EXPECT_EQ(TextsIn(display), std::vector<std::string>({ "... @26,154,176,178 230 1" }));
    for (int x = display.left; x < display.right; ++x)
        for (int y = display.top; y < display.bottom; ++y)
            ASSERT_EQ(Pixel(x, y), 0xFF000000u) << x << "," << y;
    EXPECT_TRUE(Display().CloseBox().Empty());

    struct Row {
        int channels, frames;
        bool played;
        std::vector<std::string> shown;
    } rows[] = {
        { 1, 500, false,
            { "500 msec @28,180,106,198 180 0", "1chn @146,180,172,198 180 2",
                "w.wav @26,154,176,178 130 1" } },
        { 1, 1500, false,
            { "1.50 sec @28,180,106,198 180 0", "1chn @146,180,172,198 180 2",
                "w.wav @26,154,176,178 130 1" } },
        // Once the slot has sounded its name is bright.
        { 2, 1000, true,
            { "1000 msec @28,180,106,198 180 0", "2chn @146,180,172,198 180 2",
                "w.wav @26,154,176,178 230 1" } },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.frames);
        Load(r.channels, r.frames, [](int, int) { return 0.0f; });
        if (r.played)
            Note(60, true);
        DrawnTexts().clear();
        Paint();
        EXPECT_EQ(TextsIn(display), r.shown);
        EXPECT_EQ(Display().PlayedMark(), r.played);
    }
}

// Slot 0's strip is (26, 73, 176, 77): a voice at position p of 1000 frames stands at
// x 26 + round(142 p / 1000), 8 pixels wide.
TEST_F(SlotControls, TheActivityStripShowsEachVoiceOfItsSlotWhereItPlays)
{
    surface->AttachControl(new SampleActivity(plug, { 26, 73, 176, 77 }, plug->voicePos,
        plug->voiceGain, &plug->slotSample[0].frames, plug->voiceSlot, 0, &plug->voicesInUse));
    Load(1, 1000, Half);
    struct Voice {
        int slot;
        double pos, gain;
    };
    struct Row {
        std::vector<Voice> voices;
        std::vector<std::pair<int, std::uint32_t>> pixels; // x on row 75, colour
    } rows[] = {
        { { { 1, 500.0, 1.0 } },
            { { 96, 0xFF000000u }, { 97, 0xFF55FFFFu }, { 104, 0xFF55FFFFu },
                { 105, 0xFF000000u } } },
        // Voices of other slots are not shown and do not shift the colour.
        { { { 2, 0.0, 1.0 }, { 1, 0.0, 1.0 }, { 1, 1000.0, 1.0 } },
            { { 26, 0xFF55FFFFu }, { 167, 0xFF000000u }, { 168, 0xFF87AAFFu },
                { 175, 0xFF87AAFFu } } },
        { { { 1, 0.0, 1.0 }, { 1, 1000.0, 1.0 } }, { { 26, 0xFF55FFFFu }, { 168, 0xFF00FFFFu } } },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.voices.size());
        plug->voicesInUse = std::int16_t(r.voices.size());
        for (std::size_t v = 0; v < r.voices.size(); ++v) {
            plug->voiceSlot[v] = std::int16_t(r.voices[v].slot);
            plug->voicePos[v] = r.voices[v].pos;
            plug->voiceGain[v] = r.voices[v].gain;
        }
        Paint();
        for (const auto& [x, colour] : r.pixels)
            EXPECT_EQ(Pixel(x, 75), colour) << x;
    }
    // A silent voice is still shown, faintly: alpha 30 over black.
    plug->voicesInUse = 1;
    plug->voiceGain[0] = 0.0;
    Paint();
    const std::uint32_t green = Pixel(26, 75) >> 8 & 0xFF;
    EXPECT_TRUE(green >= 29 && green <= 31) << green;
}

// Slot 0's strip with keys 24..115: the range bar from x 55 to 174, the root marker over it
// from 61 to 70, and a held key k of the range at x 52 + (k - 24) * 120 / 91.
TEST_F(SlotControls, TheStripMarksTheRangeTheRootAndUpToTenHeldKeys)
{
    Load(1, 100, Half);
    auto strip = [this] {
        Paint();
        std::vector<std::uint32_t> pixels;
        for (int y = 201; y < 206; ++y)
            for (int x = 25; x < 175; ++x)
                pixels.push_back(Pixel(x, y));
        return pixels;
    };
    const std::uint32_t black = 0xFF000000u;
    const auto none = strip();
    EXPECT_EQ(std::vector<std::uint32_t>(
                  { Pixel(54, 215), Pixel(61, 215), Pixel(71, 215), Pixel(175, 215) }),
        std::vector<std::uint32_t>({ black, Pixel(70, 215), Pixel(55, 215), black }));
    EXPECT_NE(Pixel(55, 215), black);
    EXPECT_NE(Pixel(61, 215), Pixel(55, 215));
    for (int key = 60; key < 110; key += 5)
        Note(key, true);
    const auto ten = strip();
    EXPECT_NE(ten, none);
    EXPECT_EQ(Pixel(142 + 3, 203), ImageAt(105, 3, 2)); // key 105, the tenth
    Note(110, true);
    EXPECT_EQ(Keys().HeldCount(), 10);
    EXPECT_EQ(strip(), ten);
    EXPECT_EQ(Pixel(149 + 3, 203), black); // where key 110 would be
    // A key below the range is marked with the other image.
    Note(60, false);
    Note(20, true);
    Paint();
    EXPECT_EQ(Pixel(33 + 3, 203), ImageAt(106, 3, 2));
}

} // namespace
