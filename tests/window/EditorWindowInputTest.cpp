// The sampler's editor in its Win32 window, driven by real window messages pumped through a
// message loop: knob drags, button clicks, wheel notches, keys, the parameter and text
// entries with their commit and cancel rules, and the keyboard range's pointer.
#include "editor/IEditableTextControl.h"
#include "tests/window/EditorWindowFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {
using namespace WindowTest;

class EditorWindowInput : public EditorWindowFixture { };

TEST_F(EditorWindowInput, KnobDragAndButtonClickChangeParametersInsideHostEdits)
{
    const double before = Normalised(kAttack);
    const int dy = before >= 0.5 ? 10 : -10; // towards the side with room
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 280, 320);
    Send(WM_MOUSEMOVE, MK_LBUTTON, 280, 320 + dy);
    Send(WM_LBUTTONUP, 0, 280, 320 + dy);
    EXPECT_NEAR(Normalised(kAttack), before - dy / 40.0, 1e-9);
    EXPECT_EQ(EditsOf(kAttack), "bae");

    ASSERT_EQ(Normalised(kAltPan), 0.0);
    Click(WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, kButtonX + 15, kButtonY + 15);
    EXPECT_EQ(Normalised(kAltPan), 1.0);
    EXPECT_EQ(EditsOf(kAltPan), "bae");
}

TEST_F(EditorWindowInput, AWheelNotchMovesTheKnobAndLessThanOneDoesNot)
{
    const double before = Normalised(kAttack);
    Wheel(before < 0.5 ? 120 : -120, 280, 320);
    const double afterOne = Normalised(kAttack);
    EXPECT_NEAR(std::fabs(afterOne - before), 0.01, 1e-9);
    Wheel(before < 0.5 ? 119 : -119, 280, 320);
    EXPECT_EQ(Normalised(kAttack), afterOne);
    // The gesture ends on the frame timer, half a second of ticks after the last notch.
    EXPECT_EQ(EditsOf(kAttack).find('e'), std::string::npos);
    EXPECT_TRUE(WindowTest::PumpUntil([&] { return EditsOf(kAttack).back() == 'e'; }, 3000));
    const std::string edits = EditsOf(kAttack);
    EXPECT_EQ(edits.front(), 'b');
    EXPECT_EQ(std::count(edits.begin(), edits.end(), 'b'), 1);
    EXPECT_EQ(std::count(edits.begin(), edits.end(), 'e'), 1);
}

TEST_F(EditorWindowInput, ClosingTheEditorEndsAnOpenWheelGesture)
{
    Wheel(Normalised(kAttack) < 0.5 ? 120 : -120, 280, 320);
    ASSERT_EQ(EditsOf(kAttack).find('e'), std::string::npos);
    host.Dispatch(effEditClose);
    EXPECT_EQ(EditsOf(kAttack).back(), 'e');
    WindowTest::Pump(700); // and the countdown, gone with the window, ends nothing more
    const std::string edits = EditsOf(kAttack);
    EXPECT_EQ(std::count(edits.begin(), edits.end(), 'e'), 1);
}

TEST_F(EditorWindowInput, TheHostsWheelReachesTheKnobOnlyUnderThePointer)
{
    // The vendor request some hosts send for wheel turns over a plug-in's window.
    const auto hostWheel = [&](float delta) {
        return host.Dispatch(effVendorSpecific, 0x73744341, 0x57686565, nullptr, delta);
    };
    POINT over { 280, 320 };
    ClientToScreen(window, &over);
    ASSERT_TRUE(SetCursorPos(over.x, over.y));
    const double before = Normalised(kAttack);
    const float notch = before < 0.5 ? 1.0f : -1.0f;
    EXPECT_EQ(hostWheel(notch), 1);
    const double afterOne = Normalised(kAttack);
    EXPECT_NEAR(std::fabs(afterOne - before), 0.01, 1e-9);
    EXPECT_EQ(hostWheel(notch * 0.9f), 1);
    EXPECT_EQ(Normalised(kAttack), afterOne);
    POINT outside { 700, 600 }; // the host's frame beside the editor
    ClientToScreen(parent, &outside);
    ASSERT_TRUE(SetCursorPos(outside.x, outside.y));
    EXPECT_EQ(hostWheel(notch), 0);
    EXPECT_EQ(Normalised(kAttack), afterOne);
}

TEST_F(EditorWindowInput, KeysReachTheControlUnderThePointerAsEditorCodes)
{
    auto* recorder = new KeyRecorder(plug, IBox { 200, 350, 240, 370 });
    surface->AttachControl(recorder);
    POINT over { 220, 360 };
    ClientToScreen(window, &over);
    ASSERT_TRUE(SetCursorPos(over.x, over.y));
    const struct {
        WPARAM key;
        int code; // -1: ignored
    } keys[] = { { VK_SPACE, 0 }, { VK_UP, 1 }, { VK_DOWN, 2 }, { VK_LEFT, 3 }, { VK_RIGHT, 4 },
        { '0', 6 }, { '9', 15 }, { 'A', 16 }, { 'Z', 41 }, { VK_NUMPAD1, 16 }, { VK_F11, 41 },
        { VK_RETURN, -1 }, { VK_SHIFT, -1 }, { VK_F12, -1 } };
    for (const auto& key : keys) {
        recorder->keys.clear();
        SendMessageA(window, WM_KEYDOWN, key.key, 0);
        if (key.code < 0) {
            EXPECT_TRUE(recorder->keys.empty()) << key.key;
            continue;
        }
        ASSERT_EQ(recorder->keys.size(), 1u) << key.key;
        EXPECT_EQ(recorder->keys[0].code, key.code) << key.key;
        EXPECT_EQ(recorder->keys[0].x, 220);
        EXPECT_EQ(recorder->keys[0].y, 360);
    }
    // A key the host passes on reaches the same control, at the pointer.
    recorder->keys.clear();
    EXPECT_EQ(host.Dispatch(effEditKeyDown, 'q', 0), 1);
    ASSERT_EQ(recorder->keys.size(), 1u);
    EXPECT_EQ(recorder->keys[0].x, 220);
    EXPECT_EQ(recorder->keys[0].y, 360);
}

TEST_F(EditorWindowInput, ATextFieldsEntryTakesReturnOnTheTickAndARightClickEmptiesIt)
{
    auto* field = new IEditableTextControl(plug, IBox { 200, 380, 300, 400 }, ITextStyle {},
        "start", IArgb { 0, 0, 0, 0 }, true, false);
    surface->AttachControl(field);
    Click(WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, 250, 390);
    ASSERT_NE(surface->EntryHandle(), nullptr);
    char shown[32] = {};
    GetWindowTextA(surface->EntryHandle(), shown, sizeof shown);
    EXPECT_STREQ(shown, "start");
    SetWindowTextA(surface->EntryHandle(), "typed");
    SendMessageA(surface->EntryHandle(), WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(field->Text(), "start");
    ASSERT_TRUE(WindowTest::PumpUntil([&] { return !surface->EntryHandle(); }, 2000));
    EXPECT_EQ(field->Text(), "typed");

    Click(WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, 250, 390);
    ASSERT_NE(surface->EntryHandle(), nullptr);
    Send(WM_RBUTTONDOWN, MK_RBUTTON, 20, 480);
    EXPECT_EQ(field->Text(), ""); // at once, not on the tick
    ASSERT_TRUE(WindowTest::PumpUntil([&] { return !surface->EntryHandle(); }, 2000));

    auto* secret = new IEditableTextControl(plug, IBox { 200, 410, 300, 430 }, ITextStyle {},
        "hidden", IArgb { 0, 0, 0, 0 }, true, true);
    surface->AttachControl(secret);
    Click(WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, 250, 420);
    ASSERT_NE(surface->EntryHandle(), nullptr);
    EXPECT_NE(GetWindowLongA(surface->EntryHandle(), GWL_STYLE) & ES_PASSWORD, 0);
}

TEST_F(EditorWindowInput, ParameterEntryCommitsReturnOnTheNextTickAndCancelsOnARightClick)
{
    IParameter* attack = plug->GetParam(kAttack);
    const double typed = attack->ToNormalised(attack->TextToValue("0.5"));
    const double before = Normalised(kAttack);
    ASSERT_NE(typed, before);

    Click(WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON, 280, 320);
    ASSERT_NE(surface->EntryHandle(), nullptr);
    EXPECT_EQ(EntryClass(), "Edit");
    const HWND entry = surface->EntryHandle();
    SetWindowTextA(entry, "0.5");
    SendMessageA(entry, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(Normalised(kAttack), before); // not before the tick
    ASSERT_TRUE(WindowTest::PumpUntil([&] { return !surface->EntryHandle(); }, 2000));
    EXPECT_NEAR(Normalised(kAttack), typed, 1e-9);
    EXPECT_FALSE(IsWindow(entry));

    Click(WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON, 280, 320);
    ASSERT_NE(surface->EntryHandle(), nullptr);
    SetWindowTextA(surface->EntryHandle(), "0.1");
    SendMessageA(surface->EntryHandle(), WM_KEYDOWN, 'X', 0);
    Send(WM_RBUTTONDOWN, MK_RBUTTON, 20, 480); // elsewhere
    ASSERT_TRUE(WindowTest::PumpUntil([&] { return !surface->EntryHandle(); }, 2000));
    EXPECT_NEAR(Normalised(kAttack), typed, 1e-9);
}

TEST_F(EditorWindowInput, AnEnumeratedEntryIsAListWhoseSelectionCommits)
{
    IParameter* active = plug->GetParam(kActive);
    Click(WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON, 420, 320);
    const HWND list = surface->EntryHandle();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(EntryClass(), "ComboBox");
    ASSERT_EQ(SendMessageA(list, CB_GETCOUNT, 0, 0), active->DisplayTextCount());
    const LRESULT current = SendMessageA(list, CB_GETCURSEL, 0, 0);
    ASSERT_GE(current, 0);
    const int other = current == 0 ? 1 : 0;
    SendMessageA(list, CB_SETCURSEL, other, 0);
    // What the list tells its parent when the user picks an item.
    SendMessageA(
        window, WM_COMMAND, MAKEWPARAM(0x63, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    ASSERT_TRUE(WindowTest::PumpUntil([&] { return !surface->EntryHandle(); }, 2000));
    double expected = 0.0;
    ASSERT_TRUE(active->ValueForDisplayText(active->DisplayTextAt(other), &expected));
    EXPECT_EQ(active->PlainValue(), expected);
}

TEST_F(EditorWindowInput, DraggingAKeyboardRangeShowsTheResizePointerUntilRelease)
{
    const HCURSOR resize = LoadCursorA(nullptr, MAKEINTRESOURCEA(32644));
    const HCURSOR arrow = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    // The first slot's keyboard; its band of range markers is its top 29 rows.
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 60, 210);
    Send(WM_MOUSEMOVE, MK_LBUTTON, 64, 210);
    EXPECT_EQ(GetCursor(), resize);
    Send(WM_LBUTTONUP, 0, 64, 210);
    EXPECT_EQ(GetCursor(), arrow);
}

} // namespace
