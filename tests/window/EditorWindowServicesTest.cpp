// The sampler's editor in its Win32 window, the services its controls ask of it: dropped
// files, a slot's buttons and clipboard text, the file dialog and the warning box (faked,
// and once for real), web pages, the colour chooser, folders; and what the window shows
// and holds: its pixels against the canvas, its GDI objects after many opens.
#include "editor/IURLOpen.h"
#include "editor/MySample.h"
#include "tests/window/EditorWindowFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {
using namespace WindowTest;

class EditorWindowServices : public EditorWindowFixture { };

TEST_F(EditorWindowServices, TheTitleLinkOpensItsPageOrShowsWhyNot)
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

TEST_F(EditorWindowServices, TheFoldersOfHostAndModuleEndInABackslash)
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

TEST_F(EditorWindowServices, TheColourChooserStartsFromTheColourAndReplacesItWhenAccepted)
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

TEST_F(EditorWindowServices, OfThreeDroppedFilesOnlyTheFirstLoadsIntoTheSlotUnderThePoint)
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

TEST_F(EditorWindowServices, ASlotsButtonsStepThroughItsFolderAndEmptyIt)
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

TEST_F(EditorWindowServices, AClickOnASlotAsksTheFileDialogOwnedByTheEditor)
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

TEST_F(EditorWindowServices, TheRealDialogsReturnOnAPostedOk)
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

TEST_F(EditorWindowServices, TheWindowShowsTheCanvasPixelForPixel)
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

TEST_F(EditorWindowServices, EntriesAndReopeningLeaveNoGdiObjects)
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

// A surface of its own, without a plug-in, in two nested child frames of the host's window.
TEST(EditorWindowResize, TheWindowAndItsChildFramesGrowByTheSameAmount)
{
    const HWND top = WindowTest::SharedParentWindow();
    const HWND outer = CreateWindowExA(
        0, "STATIC", "", WS_CHILD | WS_VISIBLE, 10, 10, 300, 300, top, nullptr, nullptr, nullptr);
    const HWND inner = CreateWindowExA(
        0, "STATIC", "", WS_CHILD | WS_VISIBLE, 5, 5, 200, 200, outer, nullptr, nullptr, nullptr);
    ASSERT_TRUE(outer && inner);
    const auto size = [](HWND window) {
        RECT frame {};
        GetWindowRect(window, &frame);
        return std::make_pair(
            static_cast<int>(frame.right - frame.left), static_cast<int>(frame.bottom - frame.top));
    };
    const auto topBefore = size(top);
    {
        Win32EditorSurface surface(nullptr, 100, 80, 24);
        surface.PrepareCanvas();
        ASSERT_TRUE(surface.OpenWindow(inner));
        surface.ResizeWindow(130, 100);
        EXPECT_EQ(surface.Width(), 130);
        EXPECT_EQ(surface.Canvas().Height(), 100);
        EXPECT_EQ(size(surface.WindowHandle()), std::make_pair(130, 100));
        EXPECT_EQ(size(inner), std::make_pair(230, 220));
        EXPECT_EQ(size(outer), std::make_pair(330, 320));
        EXPECT_EQ(size(top), topBefore); // a top-level frame is the host's to size
        WindowTest::Pump(100);
    }
    EXPECT_EQ(WindowTest::ChildWindowCount(inner), 0);
    DestroyWindow(outer);
}

} // namespace
