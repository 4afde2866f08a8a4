// The fixture of the editor window tests that build the plug-in in this program: the
// sampler with a knob, a button and a parameter holder of the tests' own attached to its
// editor, the editor open in the shared host frame, and the window layer's dialogs
// replaced by fakes that keep what they were asked.
#pragma once

#include "editor/IButton.h"
#include "editor/IEditorSurface.h"
#include "editor/IKnobControl.h"
#include "plugbase/IParameter.h"
#include "plugbase/IPlugVST.h"
#include "plugbase/window/Win32EditorSurface.h"
#include "tests/plugbase/TestHost.h"
#include "tests/window/WindowTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace WindowTest {

inline constexpr int kAttack = 5; // slot 1's attack: a real parameter for the knob
inline constexpr int kAltPan = 8; // slot 1's alternate pan: Yes/No for the button
inline constexpr int kActive = 0; // slot 1's active switch: an enumerated entry
inline const IBox kKnobBox { 260, 300, 300, 340 };
inline const IBox kEnumBox { 400, 300, 440, 340 };
inline constexpr int kButtonX = 320, kButtonY = 300;
inline constexpr int kSlot3X = 400, kSlot3Y = 130; // inside the third slot's sample display
inline constexpr int kSlot1X = 100, kSlot1Y = 130; // inside the first's

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
};
extern DialogLog dialogLog;

int WINAPI FakeMessageBox(HWND, LPCSTR text, LPCSTR caption, UINT);
HINSTANCE WINAPI FakeShellExecute(HWND, LPCSTR verb, LPCSTR file, LPCSTR, LPCSTR, INT show);
BOOL WINAPI FakeChooseColour(LPCHOOSECOLORA chooser);
BOOL WINAPI FakeOpenFile(LPOPENFILENAMEA dialog);

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

class EditorWindowFixture : public testing::Test {
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
        parent = SharedParentWindow();
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
        Pump(60);
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

} // namespace WindowTest
