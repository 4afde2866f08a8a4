// Quellorn.dll loaded the way a Windows host loads it, its editor opened in a window of
// ours: what opening and closing leave behind, and the window class shared by instances.
#include "plugbase/EditorPictureRequest.h"
#include "plugbase/Vst2Interface.h"
#include "plugbase/window/HostWindow.h"
#include "raster/PngCodec.h"
#include "tests/window/WindowTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

const char kEditorClass[] = "IPlugWndClass";
const char* hostProduct = "Quellorn window test";

VstIntPtr HostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float)
{
    if (opcode == audioMasterVersion)
        return 2400;
    if (opcode == audioMasterGetProductString && ptr) {
        lstrcpyA(static_cast<char*>(ptr), hostProduct);
        return 1;
    }
    return 0;
}

class EditorWindowLifecycle : public testing::Test {
protected:
    void SetUp() override
    {
        // The module lies in the build tree's root, two folders above this program.
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string path = self;
        for (int up = 0; up < 3; ++up)
            path.erase(path.find_last_of("\\/"));
        path += "\\Quellorn.dll";
        module = LoadLibraryA(path.c_str());
        ASSERT_NE(module, nullptr) << path;
        entry = reinterpret_cast<Entry>(
            reinterpret_cast<void*>(GetProcAddress(module, "VSTPluginMain")));
        ASSERT_NE(entry, nullptr);
        parent = WindowTest::SharedParentWindow();
        ASSERT_NE(parent, nullptr);
    }

    void TearDown() override
    {
        for (AEffect* effect : effects)
            if (effect)
                Dispatch(effect, effClose);
        if (module)
            FreeLibrary(module);
        hostProduct = "Quellorn window test";
    }

    AEffect* NewEffect()
    {
        AEffect* effect = entry(&HostCallback);
        if (effect)
            Dispatch(effect, effOpen);
        effects.push_back(effect);
        return effect;
    }

    static VstIntPtr Dispatch(AEffect* effect, VstInt32 opcode, void* ptr = nullptr)
    {
        return effect->dispatcher(effect, opcode, 0, 0, ptr, 0.0f);
    }

    bool ClassRegistered() const
    {
        WNDCLASSA found = {};
        return GetClassInfoA(module, kEditorClass, &found) != 0;
    }

    using Entry = AEffect* (*)(audioMasterCallback);
    HMODULE module = nullptr;
    Entry entry = nullptr;
    HWND parent = nullptr;
    std::vector<AEffect*> effects;
};

TEST_F(EditorWindowLifecycle, OpeningClosingAndReopeningAHundredTimesLeavesNothing)
{
    AEffect* effect = NewEffect();
    ASSERT_NE(effect, nullptr);
    ERect* rect = nullptr;
    ASSERT_EQ(Dispatch(effect, effEditGetRect, &rect), 1);
    const DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    const DWORD userBefore = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    for (int round = 0; round < 100; ++round) {
        ASSERT_EQ(Dispatch(effect, effEditOpen, parent), 1) << round;
        ASSERT_EQ(WindowTest::ChildWindowCount(parent), 1);
        const HWND editor = GetWindow(parent, GW_CHILD);
        RECT client {};
        GetClientRect(editor, &client);
        ASSERT_EQ(client.right, rect->right - rect->left);
        ASSERT_EQ(client.bottom, rect->bottom - rect->top);
        // Now and then long enough for timer ticks and paints.
        WindowTest::Pump(round % 10 == 0 ? 100 : 0);
        ASSERT_EQ(Dispatch(effect, effEditClose), 1);
        ASSERT_EQ(WindowTest::ChildWindowCount(parent), 0);
        ASSERT_FALSE(IsWindow(editor));
    }
    EXPECT_FALSE(ClassRegistered());
    // Windows counts a process's GUI objects; Wine answers 0, and there the window count and
    // the class above, and the window layer's own GDI count (EditorWindowServices), remain.
    if (gdiBefore > 0 || userBefore > 0) {
        EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdiBefore);
        EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), userBefore);
    }
}

TEST_F(EditorWindowLifecycle, TwoInstancesShareOneClassUntilTheLastCloses)
{
    AEffect* first = NewEffect();
    AEffect* second = NewEffect();
    ASSERT_TRUE(first && second);
    EXPECT_FALSE(ClassRegistered());
    ASSERT_EQ(Dispatch(first, effEditOpen, parent), 1);
    ASSERT_EQ(Dispatch(second, effEditOpen, parent), 1);
    EXPECT_TRUE(ClassRegistered());
    EXPECT_EQ(WindowTest::ChildWindowCount(parent), 2);
    ASSERT_EQ(Dispatch(first, effEditClose), 1);
    EXPECT_TRUE(ClassRegistered());
    ASSERT_EQ(WindowTest::ChildWindowCount(parent), 1);
    // The second editor still runs: it takes its paint and timer messages.
    const HWND remaining = GetWindow(parent, GW_CHILD);
    InvalidateRect(remaining, nullptr, FALSE);
    WindowTest::Pump(150);
    EXPECT_TRUE(IsWindow(remaining));
    ASSERT_EQ(Dispatch(second, effEditClose), 1);
    EXPECT_FALSE(ClassRegistered());
    // Reopening registers it again.
    ASSERT_EQ(Dispatch(first, effEditOpen, parent), 1);
    EXPECT_TRUE(ClassRegistered());
}

TEST_F(EditorWindowLifecycle, ACloseMessageAndEffCloseWithTheWindowOpenLeaveNothing)
{
    AEffect* effect = NewEffect();
    ASSERT_NE(effect, nullptr);
    ASSERT_EQ(Dispatch(effect, effEditOpen, parent), 1);
    SendMessageA(GetWindow(parent, GW_CHILD), WM_CLOSE, 0, 0);
    EXPECT_EQ(WindowTest::ChildWindowCount(parent), 0);
    EXPECT_FALSE(ClassRegistered());
    // The host's own close after that finds nothing left to close.
    EXPECT_EQ(Dispatch(effect, effEditClose), 1);
    EXPECT_FALSE(ClassRegistered());

    ASSERT_EQ(Dispatch(effect, effEditOpen, parent), 1);
    WindowTest::Pump(60);
    Dispatch(effect, effClose);
    effects.back() = nullptr;
    EXPECT_EQ(WindowTest::ChildWindowCount(parent), 0);
    EXPECT_FALSE(ClassRegistered());
    WindowTest::Pump(60); // no tick may reach the deleted plug-in
}

TEST_F(EditorWindowLifecycle, TheWindowShowsWhatTheHeadlessPictureShows)
{
    AEffect* effect = NewEffect();
    ASSERT_NE(effect, nullptr);
    ERect* rect = nullptr;
    ASSERT_EQ(Dispatch(effect, effEditGetRect, &rect), 1);
    const int w = rect->right - rect->left, h = rect->bottom - rect->top;
    ASSERT_EQ(Dispatch(effect, effEditOpen, parent), 1);
    const HWND editor = GetWindow(parent, GW_CHILD);
    WindowTest::DropFiles(editor, { WindowTest::WriteWav("shown.wav", "picture") }, 100, 130);
    WindowTest::Pump(300);
    InvalidateRect(editor, nullptr, FALSE);
    UpdateWindow(editor);
    const std::vector<std::uint32_t> shown = WindowTest::CaptureWindow(editor, w, h);

    std::vector<std::uint32_t> picture(shown.size());
    EditorPictureRequest request { w, h, picture.data() };
    ASSERT_EQ(
        effect->dispatcher(effect, effVendorSpecific, kVendorEditorPicture, 0, &request, 0.0f),
        0xBEEF);
    int differing = 0;
    for (std::size_t i = 0; i < shown.size(); ++i)
        differing += shown[i] != (picture[i] & 0xFFFFFF);
    EXPECT_EQ(differing, 0);
    // The loaded slot's name is there, so the picture holds more than the background.
    EXPECT_NE(std::count(picture.begin(), picture.end(), picture[0]),
        static_cast<std::ptrdiff_t>(picture.size()));

    // QUELLORN_WINDOW_SHOT names a PNG file to keep the window's pixels in.
    if (const char* keep = std::getenv("QUELLORN_WINDOW_SHOT")) {
        IRaster raster(w, h);
        for (std::size_t i = 0; i < shown.size(); ++i)
            raster.Pixels()[i] = 0xFF000000u | shown[i];
        const std::vector<unsigned char> png = PngCodec::Encode(raster);
        if (FILE* file = std::fopen(keep, "wb")) {
            std::fwrite(png.data(), 1, png.size(), file);
            std::fclose(file);
        }
    }
}

TEST_F(EditorWindowLifecycle, TheEditorTakesTheFocusOnlyInTheHostThatNeedsIt)
{
    const struct {
        const char* product;
        bool focused;
    } hosts[] = { { "Acoustica Mixcraft", true }, { "Quellorn window test", false } };
    for (const auto& host : hosts) {
        hostProduct = host.product;
        AEffect* effect = NewEffect();
        ASSERT_NE(effect, nullptr);
        SetFocus(parent);
        ASSERT_EQ(Dispatch(effect, effEditOpen, parent), 1);
        const HWND editor = GetWindow(parent, GW_CHILD);
        EXPECT_EQ(GetFocus() == editor, host.focused) << host.product;
        SetFocus(parent);
        EXPECT_EQ(SendMessageA(editor, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(parent),
                      MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
            MA_ACTIVATE);
        EXPECT_EQ(GetFocus() == editor, host.focused) << host.product;
        Dispatch(effect, effEditClose);
    }
}

// The window `quellorn-host edit` shows the editor in: the editor fills its client area, and
// its close button ends the host's loop without taking the editor's window with it.
TEST_F(EditorWindowLifecycle, TheHostsOwnWindowHoldsTheEditorUntilItIsClosed)
{
    std::string error;
    std::unique_ptr<HostWindow> window = CreateHostWindow("Quellorn", 504, 492, error);
    ASSERT_NE(window, nullptr) << error;
    const HWND frame = static_cast<HWND>(window->Handle());
    RECT client {};
    GetClientRect(frame, &client);
    EXPECT_EQ(client.right, 504);
    EXPECT_EQ(client.bottom, 492);
    AEffect* effect = NewEffect();
    ASSERT_NE(effect, nullptr);
    ASSERT_EQ(Dispatch(effect, effEditOpen, frame), 1);
    EXPECT_TRUE(window->Serve());
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_FALSE(window->Serve());
    EXPECT_EQ(WindowTest::ChildWindowCount(frame), 1);
    EXPECT_EQ(Dispatch(effect, effEditClose), 1);
    EXPECT_EQ(WindowTest::ChildWindowCount(frame), 0);
    window.reset();
    EXPECT_FALSE(IsWindow(frame));
}

} // namespace
