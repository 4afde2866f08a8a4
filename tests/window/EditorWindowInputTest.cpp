// The sampler's editor in its Win32 window, driven by real window messages pumped through a
// message loop: knob drags, button clicks, wheel notches, the parameter entry, dropped
// files, the file dialog and the warning box, and the window's pixels against the canvas.
// The plug-in is built in this program, so a few test controls can be attached to its
// editor and the window layer's dialogs replaced.
#include "editor/IButton.h"
#include "editor/IEditableTextControl.h"
#include "editor/IEditorSurface.h"
#include "editor/IKnobControl.h"
#include "editor/IURLOpen.h"
#include "editor/MySample.h"
#include "plugbase/IParameter.h"
#include "plugbase/IPlugVST.h"
#include "plugbase/window/Win32EditorSurface.h"
#include "tests/plugbase/TestHost.h"
#include "tests/window/WindowTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kAttack = 5; // slot 1's attack: a real parameter for the knob
constexpr int kAltPan = 8; // slot 1's alternate pan: Yes/No for the button
constexpr int kActive = 0; // slot 1's active switch: an enumerated entry
const IBox kKnobBox { 260, 300, 300, 340 };
const IBox kEnumBox { 400, 300, 440, 340 };
constexpr int kButtonX = 320, kButtonY = 300;
constexpr int kSlot3X = 400, kSlot3Y = 130; // inside the third slot's sample display
constexpr int kSlot1X = 100, kSlot1Y = 130; // inside the first's

// What the replaced dialogs saw, and what the open dialog answers.
struct DialogLog {
    std::vector<std::string> boxes;
    DWORD fileFlags = 0;
    std::string fileTitle, filePattern, fileAnswer;
    HWND fileOwner = nullptr;
    std::vector<std::string> opened;
    INT_PTR openAnswer = 42;
    int boxAnswer = IDOK;
    CHOOSECOLORA colourAsked {};
    BOOL colourAnswer = TRUE;
} dialogLog;

int WINAPI FakeMessageBox(HWND, LPCSTR text, LPCSTR caption, UINT)
{
    dialogLog.boxes.push_back(std::string(caption ? caption : "") + "|" + text);
    return dialogLog.boxAnswer;
}

HINSTANCE WINAPI FakeShellExecute(HWND, LPCSTR verb, LPCSTR file, LPCSTR, LPCSTR, INT show)
{
    dialogLog.opened.push_back(std::string(verb) + " " + file + " " + std::to_string(show));
    return reinterpret_cast<HINSTANCE>(dialogLog.openAnswer);
}

BOOL WINAPI FakeChooseColour(LPCHOOSECOLORA chooser)
{
    dialogLog.colourAsked = *chooser;
    chooser->rgbResult = RGB(10, 20, 30);
    return dialogLog.colourAnswer;
}

BOOL WINAPI FakeOpenFile(LPOPENFILENAMEA dialog)
{
    dialogLog.fileFlags = dialog->Flags;
    dialogLog.fileTitle = dialog->lpstrTitle ? dialog->lpstrTitle : "";
    dialogLog.filePattern = dialog->lpstrFilter ? dialog->lpstrFilter : "";
    dialogLog.fileOwner = dialog->hwndOwner;
    lstrcpynA(dialog->lpstrFile, dialogLog.fileAnswer.c_str(), static_cast<int>(dialog->nMaxFile));
    return !dialogLog.fileAnswer.empty();
}

// A knob and a plain parameter holder that draw nothing: only their mouse handling counts.
class TestKnob : public IKnobControl {
public:
    using IKnobControl::IKnobControl;
    bool Paint(IEditorSurface&) override { return true; }
};
class TestHolder : public IControl {
public:
    using IControl::IControl;
    bool Paint(IEditorSurface&) override { return true; }
};

// Keeps the key codes and points it is given.
class KeyRecorder : public IControl {
public:
    using IControl::IControl;
    bool Paint(IEditorSurface&) override { return true; }
    void KeyPress(int x, int y, int key) override { keys.push_back({ x, y, key }); }
    struct Key {
        int x, y, code;
    };
    std::vector<Key> keys;
};

class EditorWindowInput : public testing::Test {
protected:
    void SetUp() override
    {
        dialogLog = DialogLog {};
        Win32Dialogs fakes = SystemWin32Dialogs();
        fakes.messageBox = &FakeMessageBox;
        fakes.openFile = &FakeOpenFile;
        fakes.shellExecute = &FakeShellExecute;
        fakes.chooseColour = &FakeChooseColour;
        previousDialogs = SetWin32Dialogs(fakes);
        parent = WindowTest::SharedParentWindow();
        ASSERT_TRUE(parent && host.Create());
        host.Dispatch(effOpen);
        plug = static_cast<IPlugVST*>(host.effect->object);
        surface = dynamic_cast<Win32EditorSurface*>(plug->Editor());
        ASSERT_NE(surface, nullptr);
        surface->AttachControl(new TestKnob(plug, kKnobBox, kAttack, 0, 1.0));
        IImage buttonImage;
        buttonImage.width = 30;
        buttonImage.height = 30;
        surface->AttachControl(new IButton(plug, kAltPan, kButtonX, kButtonY, buttonImage));
        surface->AttachControl(new TestHolder(plug, kEnumBox, kActive));
        for (int index : { kAttack, kAltPan, kActive })
            surface->ShowParamValue(index, Normalised(index), true);
        ASSERT_EQ(host.Dispatch(effEditOpen, 0, 0, parent), 1);
        window = surface->WindowHandle();
        ASSERT_NE(window, nullptr);
        WindowTest::Pump(60);
        host.calls.clear();
    }

    void TearDown() override
    {
        if (host.effect) {
            host.Dispatch(effEditClose);
            host.Dispatch(effClose);
        }
        SetWin32Dialogs(previousDialogs);
    }

    double Normalised(int index) { return plug->GetParam(index)->Normalised(); }
    void Send(UINT msg, WPARAM keys, int x, int y)
    {
        SendMessageA(window, msg, keys, MAKELPARAM(x, y));
    }
    void Click(UINT down, UINT up, WPARAM keys, int x, int y)
    {
        Send(down, keys, x, y);
        Send(up, 0, x, y);
    }
    void Wheel(int delta, int x, int y)
    {
        POINT point { x, y };
        ClientToScreen(window, &point);
        SendMessageA(window, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(point.x, point.y));
    }
    // The host calls about one parameter, in order: 'b' begin, 'a' automate, 'e' end.
    std::string EditsOf(int index) const
    {
        std::string seen;
        for (const HostCall& call : host.calls) {
            if (call.index != index)
                continue;
            if (call.opcode == audioMasterBeginEdit)
                seen += 'b';
            else if (call.opcode == audioMasterAutomate)
                seen += 'a';
            else if (call.opcode == audioMasterEndEdit)
                seen += 'e';
        }
        return seen;
    }
    std::string EntryClass() const
    {
        char name[32] = {};
        GetClassNameA(surface->EntryHandle(), name, sizeof name);
        return name;
    }

    TestHost host;
    IPlugVST* plug = nullptr;
    Win32EditorSurface* surface = nullptr;
    HWND parent = nullptr;
    HWND window = nullptr;
    Win32Dialogs previousDialogs {};
};

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

TEST_F(EditorWindowInput, TheTitleLinkOpensItsPageOrShowsWhyNot)
{
    surface->AttachControl(new IURLOpen(plug, IBox { 200, 440, 240, 460 }));
    dialogLog.openAnswer = 2; // the system's "file not found"
    Click(WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, 220, 450);
    ASSERT_EQ(dialogLog.opened.size(), 1u);
    EXPECT_EQ(dialogLog.opened[0].rfind("open https://", 0), 0u) << dialogLog.opened[0];
    EXPECT_EQ(dialogLog.opened[0].back(), '0' + SW_SHOWNORMAL);
    ASSERT_EQ(dialogLog.boxes.size(), 1u);
    EXPECT_NE(dialogLog.boxes[0].find(IURLOpen::kOpenFailureText), std::string::npos);

    dialogLog.openAnswer = 33;
    Click(WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, 220, 450);
    EXPECT_EQ(dialogLog.opened.size(), 2u);
    EXPECT_EQ(dialogLog.boxes.size(), 1u);

    // A question answered No opens nothing.
    dialogLog.boxAnswer = IDNO;
    EXPECT_FALSE(surface->OpenWebPage("https://x.example/", "Caption", "Open it?", nullptr));
    EXPECT_EQ(dialogLog.opened.size(), 2u);
    EXPECT_EQ(dialogLog.boxes.back(), "Caption|Open it?");
}

TEST_F(EditorWindowInput, TheFoldersOfHostAndModuleEndInABackslash)
{
    // In this program the module holding the window layer is the program itself.
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    const std::string expected(program, std::strrchr(program, '\\') + 1);
    char folder[256] = {};
    Win32EditorSurface::HostFolder(folder, sizeof folder);
    EXPECT_EQ(folder, expected);
    std::memset(folder, 'x', sizeof folder);
    Win32EditorSurface::PluginFolder(folder, sizeof folder);
    EXPECT_EQ(folder, expected);
    char tooSmall[4] = "abc";
    Win32EditorSurface::PluginFolder(tooSmall, sizeof tooSmall);
    EXPECT_STREQ(tooSmall, "");
}

TEST_F(EditorWindowInput, TheColourChooserStartsFromTheColourAndReplacesItWhenAccepted)
{
    IArgb colour { 200, 1, 2, 3 };
    EXPECT_TRUE(surface->ChooseColour(colour, "Pick"));
    EXPECT_EQ(dialogLog.colourAsked.rgbResult, RGB(1, 2, 3));
    EXPECT_EQ(
        dialogLog.colourAsked.Flags & (CC_RGBINIT | CC_FULLOPEN), DWORD(CC_RGBINIT | CC_FULLOPEN));
    EXPECT_EQ(dialogLog.colourAsked.hwndOwner, window);
    EXPECT_NE(dialogLog.colourAsked.lpCustColors, nullptr);
    EXPECT_EQ(colour.alpha, 200);
    EXPECT_EQ(colour.red, 10);
    EXPECT_EQ(colour.green, 20);
    EXPECT_EQ(colour.blue, 30);
    dialogLog.colourAnswer = FALSE;
    EXPECT_FALSE(surface->ChooseColour(colour, nullptr));
    EXPECT_EQ(colour.red, 10);
    host.Dispatch(effEditClose);
    EXPECT_FALSE(surface->ChooseColour(colour, nullptr)); // no window, no chooser
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

TEST_F(EditorWindowInput, OfThreeDroppedFilesOnlyTheFirstLoadsIntoTheSlotUnderThePoint)
{
    const std::string paths[] = { WindowTest::WriteWav("a.wav"), WindowTest::WriteWav("b.wav"),
        WindowTest::WriteWav("c.wav") };
    WindowTest::DropFiles(window, { paths[0], paths[1], paths[2] }, kSlot3X, kSlot3Y);
    EXPECT_STREQ(plug->StateTextAt(2), paths[0].c_str());
    EXPECT_STREQ(plug->StateTextAt(0), "0");
    EXPECT_STREQ(plug->StateTextAt(1), "0");
    // A right click on the slot puts its path on the clipboard.
    Click(WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON, kSlot3X, kSlot3Y);
    EXPECT_EQ(WindowTest::ClipboardText(), paths[0]);
}

TEST_F(EditorWindowInput, ASlotsButtonsStepThroughItsFolderAndEmptyIt)
{
    const std::string dropped = WindowTest::WriteWav("q2.wav", "steps");
    WindowTest::WriteWav("q1.wav", "steps");
    WindowTest::WriteWav("q3.wav", "steps");
    MySample* display = nullptr;
    for (int i = 0; i < surface->ControlCount() && !display; ++i)
        display = dynamic_cast<MySample*>(surface->ControlAt(i));
    ASSERT_NE(display, nullptr);
    surface->FileDropped(kSlot1X, kSlot1Y, dropped.c_str());
    ASSERT_STREQ(plug->StateTextAt(0), dropped.c_str());
    // The buttons can be hit once they have been drawn.
    ASSERT_TRUE(WindowTest::PumpUntil([&] { return !display->CloseBox().Empty(); }, 2000));
    const bool forward = display->NextPath()[0] != '\0';
    const std::string neighbour = forward ? display->NextPath() : display->PreviousPath();
    ASSERT_FALSE(neighbour.empty());
    ASSERT_TRUE(WindowTest::PumpUntil(
        [&] { return !(forward ? display->NextBox() : display->PreviousBox()).Empty(); }, 2000));
    const IBox step = forward ? display->NextBox() : display->PreviousBox();
    Click(WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, (step.left + step.right) / 2,
        (step.top + step.bottom) / 2);
    EXPECT_STREQ(plug->StateTextAt(0), neighbour.c_str());
    WindowTest::Pump(100);
    const IBox close = display->CloseBox();
    Click(WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, (close.left + close.right) / 2,
        (close.top + close.bottom) / 2);
    EXPECT_STREQ(display->DisplayName(), "...");
    EXPECT_STRNE(plug->StateTextAt(0), neighbour.c_str());
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

TEST_F(EditorWindowInput, AClickOnASlotAsksTheFileDialogOwnedByTheEditor)
{
    dialogLog.fileAnswer = WindowTest::WriteWav("dialog.wav");
    Click(WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, kSlot1X, kSlot1Y);
    EXPECT_STREQ(plug->StateTextAt(0), dialogLog.fileAnswer.c_str());
    EXPECT_EQ(dialogLog.fileOwner, window);
    EXPECT_EQ(dialogLog.fileFlags, 0x81800u);
    EXPECT_EQ(dialogLog.fileTitle, "Select audio sample");
    EXPECT_EQ(dialogLog.filePattern, "*.wav;*.ogg;*.flac;*.sfz");

    surface->ShowWarning("Wrong Sample in SFZ file", "Wrong Sample in SFZ file: x.wav");
    ASSERT_EQ(dialogLog.boxes.size(), 1u);
    EXPECT_EQ(dialogLog.boxes[0], "Wrong Sample in SFZ file|Wrong Sample in SFZ file: x.wav");
}

TEST_F(EditorWindowInput, TheRealDialogsReturnOnAPostedOk)
{
    SetWin32Dialogs(SystemWin32Dialogs());
    {
        WindowTest::DialogAnswerer answer("Warning", 20000);
        surface->ShowWarning("Warning", "A real box, answered by the test");
        EXPECT_TRUE(answer.Wait());
    }
    const std::string path = WindowTest::WriteWav("real.wav");
    char chosen[260] = {};
    lstrcpynA(chosen, path.c_str(), sizeof chosen);
    WindowTest::DialogAnswerer answer("Select audio sample", 20000);
    const bool confirmed = surface->PromptForFile(chosen, sizeof chosen, false, "", "wav ogg sfz");
    EXPECT_TRUE(answer.Wait());
    EXPECT_TRUE(confirmed);
    EXPECT_STRCASEEQ(chosen, path.c_str());
}

// Paints a pattern of distinct colours, so the window's pixels say where each came from.
class PatternControl : public IControl {
public:
    PatternControl(IPlugBase* plug, const IBox& box)
        : IControl(plug, box)
    {
    }
    bool Paint(IEditorSurface& surface) override
    {
        for (int y = box.top; y < box.bottom; y += 4)
            for (int x = box.left; x < box.right; x += 4)
                surface.FillBox(IArgb { 255, x & 255, y & 255, (x * 7 + y * 3) & 255 },
                    IBox { x, y, x + 4, y + 4 }, nullptr);
        return true;
    }
};

TEST_F(EditorWindowInput, TheWindowShowsTheCanvasPixelForPixel)
{
    surface->AttachControl(new PatternControl(plug, IBox { 0, 380, 504, 492 }));
    WindowTest::Pump(200);
    // The whole window painted afresh in one pass, as a picture of the editor is painted.
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    const int w = surface->Width(), h = surface->Height();
    const std::vector<std::uint32_t> shown = WindowTest::CaptureWindow(window, w, h);
    const std::uint32_t* drawn = surface->Canvas().Pixels();
    int differing = 0;
    for (int i = 0; i < w * h; ++i)
        differing += shown[static_cast<std::size_t>(i)] != (drawn[i] & 0xFFFFFF);
    EXPECT_EQ(differing, 0);
    EXPECT_NE(drawn[400 * w + 100] & 0xFFFFFF, 0u); // the pattern is there to be compared
}

TEST_F(EditorWindowInput, EntriesAndReopeningLeaveNoGdiObjects)
{
    for (int round = 0; round < 100; ++round) {
        Click(WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON, 280, 320);
        ASSERT_NE(surface->EntryHandle(), nullptr);
        host.Dispatch(effEditClose);
        ASSERT_EQ(Win32EditorSurface::LiveGdiObjects(), 0);
        ASSERT_EQ(host.Dispatch(effEditOpen, 0, 0, parent), 1);
        window = surface->WindowHandle();
    }
    EXPECT_EQ(WindowTest::ChildWindowCount(parent), 1);
}

} // namespace
