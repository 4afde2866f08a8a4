// The Linux editor window under a real X server (Xvfb, started by scripts/with-xvfb.sh):
// the plug-in is made through its entry point, its editor opened into a parent window of
// ours, driven by pointer and key events injected with XTest, and idled the way hosts do.
#include "editor/IEditorSurface.h"
#include "editor/IInputPrm.h"
#include "editor/IKnobControl.h"
#include "engine/Quellorn.h"
#include "plugbase/EditorPictureRequest.h"
#include "plugbase/IParameter.h"
#include "plugbase/window/XcbEditorSurface.h"
#include "tests/plugbase/TestHost.h"
#include "tests/window/XTestServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <functional>
#include <future>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr int kKnobParam = kParamsPerSlot * 1 + kParamVolume;
constexpr int kEntryParam = kParamRootNote;
const IBox kKnobBox { 40, 300, 100, 360 };
const IBox kEntryBox { 200, 300, 260, 320 };

// A knob that also notes the keys it gets and how often the frame timer asks about it.
class TestKnob : public IKnobControl {
public:
    TestKnob(IPlugBase* plug, const IBox& box, int param)
        : IKnobControl(plug, box, param, 0, 1.0)
    {
    }
    bool Paint(IEditorSurface& surface) override
    {
        const int level = static_cast<int>(value * 255.0);
        return surface.FillBox(IArgb { 255, level, 40, 255 - level }, box, nullptr);
    }
    void KeyPress(int, int, int key) override { keys.push_back(key); }
    bool NeedsPaint() override
    {
        ++ticks;
        return IControl::NeedsPaint();
    }
    std::vector<int> keys;
    int ticks = 0;
};

class XcbEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.Ok()) << "no X server: run under scripts/with-xvfb.sh";
        ASSERT_NE(host.Create(), nullptr);
        host.Dispatch(effOpen);
        plug = static_cast<CLS_QUELLORN*>(host.effect->object);
        editor = dynamic_cast<XcbEditorSurface*>(plug->Editor());
        ASSERT_NE(editor, nullptr);
        knob = new TestKnob(plug, kKnobBox, kKnobParam);
        editor->AttachControl(knob);
        knob->ShowValue(plug->GetParam(kKnobParam)->Normalised());
        ITextStyle style;
        editor->AttachControl(new IInputPrm(plug, kEntryBox, kEntryParam, style, 0, 0));
        parent = server.MakeParent(600, 560);
    }

    bool Open(xcb_window_t window)
    {
        return host.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(std::uintptr_t { window })) == 1;
    }
    // Idles like a host's user-interface loop until `done` or the time is up.
    bool Pump(const std::function<bool()>& done, std::chrono::milliseconds limit = 2000ms,
              std::chrono::milliseconds period = 10ms)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            host.Dispatch(effEditIdle);
            if (done && done())
                return true;
            std::this_thread::sleep_for(period);
        }
        return done ? done() : true;
    }
    void PumpFor(std::chrono::milliseconds time) { Pump(nullptr, time); }
    // Waits until the entry is open and the server has taken the focus the click gave it:
    // the editor's requests and the test's keys come on different connections, and keys
    // sent before the server handled the focus would go elsewhere. A question on the
    // editor's own connection is answered only after its earlier requests are done.
    bool AwaitEntry()
    {
        if (!Pump([&] { return editor->TextEntry().IsOpen(); }))
            return false;
        int x = 0;
        int y = 0;
        editor->PointerAt(x, y);
        return true;
    }
    double Value(int index) { return plug->GetParam(index)->PlainValue(); }

    XTestServer server;
    TestHost host;
    CLS_QUELLORN* plug = nullptr;
    XcbEditorSurface* editor = nullptr;
    TestKnob* knob = nullptr;
    xcb_window_t parent = 0;
};

TEST_F(XcbEditorTest, OpensAtEditorSizeAndReleasesEverythingOnEveryClose)
{
    ERect* rect = nullptr;
    ASSERT_EQ(host.Dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right - rect->left, 504);
    EXPECT_EQ(rect->bottom - rect->top, 492);

    const int clients = server.ClientCount();
    const int windows = server.ResourceCount("WINDOW");
    const int pixmaps = server.ResourceCount("PIXMAP");
    ASSERT_GT(clients, 0);
    for (int round = 0; round < 100; ++round) {
        // Some hosts pass their own Display* as the value; it is never used.
        int hostDisplay = 0;
        ASSERT_EQ(host.Dispatch(effEditOpen, 0, reinterpret_cast<VstIntPtr>(&hostDisplay),
                                reinterpret_cast<void*>(std::uintptr_t { parent })),
                  1);
        ASSERT_EQ(server.Children(parent).size(), 1u);
        host.Dispatch(effEditIdle);
        host.Dispatch(effEditClose);
        server.Sync();
        ASSERT_TRUE(server.Children(parent).empty()) << "round " << round;
    }
    ASSERT_EQ(host.Dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right - rect->left, 504);
    EXPECT_EQ(server.ClientCount(), clients);
    EXPECT_EQ(server.ResourceCount("WINDOW"), windows);
    EXPECT_EQ(server.ResourceCount("PIXMAP"), pixmaps);

    // The plug-in closed with its window open lets go of it too.
    ASSERT_TRUE(Open(parent));
    host.Dispatch(effClose);
    server.Sync();
    EXPECT_TRUE(server.Children(parent).empty());
    EXPECT_EQ(server.ClientCount(), clients);
}

TEST_F(XcbEditorTest, SurvivesParentsThatAreMissingUnmappedReparentedOrDestroyed)
{
    // A window id the server does not know: the editor stays closed, the host lives on.
    EXPECT_FALSE(Open(0x7fffff0));
    EXPECT_FALSE(Open(0));

    // Opened into an unmapped frame that the host embeds and shows later.
    const xcb_window_t frame = server.MakeParent(600, 560, false);
    ASSERT_TRUE(Open(frame));
    PumpFor(100ms);
    const xcb_window_t outer = server.MakeParent(640, 600, false);
    server.Reparent(frame, outer, 0, 0);
    server.Map(frame);
    server.Map(outer);
    const double before = Value(kKnobParam);
    server.MovePointer(70, 330);
    server.Button(1, true);
    server.MovePointer(70, 300);
    server.Button(1, false);
    EXPECT_TRUE(Pump([&] { return Value(kKnobParam) > before; }));

    // The host destroys its frame before closing the editor.
    server.Destroy(outer);
    PumpFor(50ms);
    host.Dispatch(effEditClose);
    ASSERT_TRUE(Open(parent));
    PumpFor(50ms);
}

TEST_F(XcbEditorTest, KnobDragAndWheelNotchesReachTheHostAsGestures)
{
    ASSERT_TRUE(Open(parent));
    PumpFor(100ms);
    host.calls.clear();
    IParameter* param = plug->GetParam(kKnobParam);
    const double start = knob->Value();
    server.MovePointer(70, 340);
    server.Button(1, true);
    for (int y = 336; y >= 328; y -= 4)
        server.MovePointer(70, y);
    server.Button(1, false);
    ASSERT_TRUE(Pump([&] { return host.Count(audioMasterEndEdit) > 0; }));
    // 12 pixels up over a 60-pixel box at gearing 1: a fifth of the range, to whole
    // decibels.
    EXPECT_NEAR(param->Normalised(), start + 0.2, 1.0 / 72);
    EXPECT_EQ(host.Count(audioMasterBeginEdit), 1);
    EXPECT_GE(host.Count(audioMasterAutomate), 1);
    ASSERT_FALSE(host.calls.empty());
    EXPECT_EQ(host.calls.front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(host.calls.back().opcode, audioMasterEndEdit);

    // Two notches down: one gesture, ended by the timer once the wheel rests.
    host.calls.clear();
    const double dragged = param->Normalised();
    server.MovePointer(60, 320);
    server.Button(5, true);
    server.Button(5, false);
    server.Button(5, true);
    server.Button(5, false);
    ASSERT_TRUE(Pump([&] { return host.Count(audioMasterEndEdit) > 0; }));
    EXPECT_NEAR(param->Normalised(), dragged - 0.02, 1.0 / 72);
    EXPECT_LT(param->Normalised(), dragged);
    EXPECT_EQ(host.Count(audioMasterBeginEdit), 1);
    EXPECT_EQ(host.Count(audioMasterEndEdit), 1);
}

TEST_F(XcbEditorTest, SentKeysReachTheControlUnderThePointerWithTheirCodes)
{
    // Keys typed through the server are covered by the entry's test; these come the way
    // hosts that forward keys send them.
    ASSERT_TRUE(Open(parent));
    PumpFor(50ms);
    // Keys the editor does not use (Tab) are dropped; letters, digits, arrows map.
    for (std::uint32_t keysym : { 0x61u, 0x5au, 0x37u, 0x20u, 0xff09u, 0xff52u })
        server.SendKey(editor->WindowId(), keysym, 70, 330);
    ASSERT_TRUE(Pump([&] { return knob->keys.size() >= 5; }));
    PumpFor(50ms);
    EXPECT_EQ(knob->keys, (std::vector<int> { 16, 41, 13, 0, 1 }));
}

TEST_F(XcbEditorTest, ParamEntryCommitsOnReturnAndCancelsOnRightClickElsewhere)
{
    ASSERT_TRUE(Open(parent));
    PumpFor(50ms);
    server.Click(230, 310);
    ASSERT_TRUE(AwaitEntry());
    server.Type("60");
    server.Key(0xff0d); // Return
    ASSERT_TRUE(Pump([&] { return !editor->TextEntry().IsOpen(); }));
    EXPECT_EQ(Value(kEntryParam), 60.0);

    // Each click lands apart from the one before, so none makes a double click.
    server.Click(210, 310);
    ASSERT_TRUE(AwaitEntry());
    server.Type("70");
    PumpFor(100ms); // typing settles back to idle on a tick
    server.Click(400, 450, 3);
    ASSERT_TRUE(Pump([&] { return !editor->TextEntry().IsOpen(); }));
    EXPECT_EQ(Value(kEntryParam), 60.0);

    // A left click elsewhere commits what was typed.
    server.Click(250, 310);
    ASSERT_TRUE(AwaitEntry());
    server.Type("72");
    server.Click(400, 450);
    ASSERT_TRUE(Pump([&] { return !editor->TextEntry().IsOpen(); }));
    EXPECT_EQ(Value(kEntryParam), 72.0);
}

TEST_F(XcbEditorTest, IdleFromAnotherThreadOrOutOfTimeDoesNothing)
{
    ASSERT_TRUE(Open(parent));
    PumpFor(50ms);
    const double before = Value(kKnobParam);
    server.MovePointer(60, 320);
    server.Button(4, true);
    server.Button(4, false);
    std::thread other([&] {
        for (int i = 0; i < 20; ++i) {
            host.Dispatch(effEditIdle);
            std::this_thread::sleep_for(5ms);
        }
    });
    other.join();
    EXPECT_EQ(Value(kKnobParam), before);
    EXPECT_TRUE(Pump([&] { return Value(kKnobParam) != before; }));
}

TEST_F(XcbEditorTest, LayoutButtonAndKeyboardEntryAnswerClicksAndTypedKeys)
{
    ASSERT_TRUE(Open(parent));
    // The keyboard's entry field is made by its first paint.
    PumpFor(100ms);
    // Slot 1's Loop button.
    constexpr int kLoop = kParamLoop;
    const double loop = Value(kLoop);
    server.Click(130, 453);
    ASSERT_TRUE(Pump([&] { return Value(kLoop) != loop; }));
    EXPECT_EQ(Value(kLoop), 1.0 - loop);

    // The lower band of slot 1's keyboard, middle third: the root key's field, opened by a
    // left or a right click, taken on Return.
    struct Case {
        int button;
        int x;
        const char* typed;
        double root;
    };
    for (const Case& c : { Case { 1, 100, "60", 60.0 }, Case { 3, 92, "72", 72.0 } }) {
        server.Click(c.x, 245, c.button);
        ASSERT_TRUE(AwaitEntry()) << c.typed;
        server.Type(c.typed);
        server.Key(0xff0d); // Return
        EXPECT_TRUE(Pump([&] { return !editor->TextEntry().IsOpen(); })) << c.typed;
        EXPECT_EQ(Value(kParamRootNote), c.root);
    }
}

TEST_F(XcbEditorTest, WholeEditorLifeOnASecondThread)
{
    // As a host with a user-interface thread of its own opens, idles and closes the editor
    // there, while its main thread idles too: those calls must change nothing.
    std::promise<bool> opened;
    std::promise<void> go;
    std::future<void> goSignal = go.get_future();
    bool changed = false;
    const double before = Value(kKnobParam);
    std::thread ui([&] {
        const bool open = Open(parent);
        // The server maps the window in its own time; the wheel must find it there.
        PumpFor(100ms);
        opened.set_value(open);
        goSignal.wait();
        changed = Pump([&] { return Value(kKnobParam) != before; });
        host.Dispatch(effEditClose);
    });
    ASSERT_TRUE(opened.get_future().get());
    server.MovePointer(60, 320);
    server.Button(4, true);
    server.Button(4, false);
    for (int i = 0; i < 10; ++i) {
        host.Dispatch(effEditIdle);
        std::this_thread::sleep_for(10ms);
    }
    const double untouched = Value(kKnobParam);
    go.set_value();
    ui.join();
    EXPECT_EQ(untouched, before);
    EXPECT_TRUE(changed);
    server.Sync();
    EXPECT_TRUE(server.Children(parent).empty());
}

TEST_F(XcbEditorTest, FrameTimerKeepsItsRateWhateverTheIdleRate)
{
    ASSERT_TRUE(Open(parent));
    struct Case {
        std::chrono::milliseconds period;
        int low;
        int high;
    };
    // At 60 idle calls a second the timer keeps 24 ticks; at 15 it gets one per call.
    for (const Case& c : { Case { 16ms, 21, 26 }, Case { 66ms, 12, 16 } }) {
        PumpFor(50ms);
        knob->ticks = 0;
        Pump(nullptr, 1000ms, c.period);
        EXPECT_GE(knob->ticks, c.low) << c.period.count();
        EXPECT_LE(knob->ticks, c.high) << c.period.count();
    }
}

TEST_F(XcbEditorTest, WindowShowsTheSamePixelsAsAHeadlessEditorInTheSameState)
{
    // A second instance whose editor never opens, painted into its canvas alone.
    TestHost headlessHost;
    ASSERT_NE(headlessHost.Create(), nullptr);
    headlessHost.Dispatch(effOpen);
    auto* headless = static_cast<CLS_QUELLORN*>(headlessHost.effect->object);
    auto* headlessKnob = new TestKnob(headless, kKnobBox, kKnobParam);
    headless->Editor()->AttachControl(headlessKnob);
    headlessKnob->ShowValue(headless->GetParam(kKnobParam)->Normalised());
    ITextStyle style;
    headless->Editor()->AttachControl(new IInputPrm(headless, kEntryBox, kEntryParam, style, 0, 0));
    headless->Editor()->PaintDirty(IBox { 0, 0, 504, 492 });

    ASSERT_TRUE(Open(parent));
    PumpFor(200ms);
    const xcb_window_t window = editor->WindowId();
    const std::vector<std::uint32_t> shown = server.Pixels(window, 504, 492);
    ASSERT_EQ(shown.size(), 504u * 492u);
    const IRaster& canvas = headless->Editor()->Canvas();
    int differing = 0;
    for (std::size_t i = 0; i < shown.size(); ++i)
        differing += shown[i] != (canvas.Pixels()[i] & 0xffffffu);
    EXPECT_EQ(differing, 0);
    // Not a blank comparison: the knob's colour is on the screen.
    EXPECT_EQ(shown[static_cast<std::size_t>(330 * 504 + 70)], canvas.Pixels()[330 * 504 + 70] & 0xffffffu);
    EXPECT_NE(shown[static_cast<std::size_t>(330 * 504 + 70)], 0u);
}

// The window's size as the server has it.
std::pair<int, int> WindowSize(xcb_connection_t* connection, xcb_window_t window)
{
    xcb_get_geometry_reply_t* geometry
        = xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
    if (!geometry)
        return { 0, 0 };
    const std::pair<int, int> size { geometry->width, geometry->height };
    std::free(geometry);
    return size;
}

void SetResources(xcb_connection_t* connection, xcb_window_t root, const std::string& text)
{
    if (text.empty())
        xcb_delete_property(connection, root, XCB_ATOM_RESOURCE_MANAGER);
    else
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, root, XCB_ATOM_RESOURCE_MANAGER,
            XCB_ATOM_STRING, 8, static_cast<std::uint32_t>(text.size()), text.data());
}

TEST_F(XcbEditorTest, OpensAtTwiceTheSizeOnDenseScreensAndOtherwiseAtOne)
{
    struct Case {
        float hostScale;
        const char* resources;
        int width;
    };
    const Case cases[] = {
        { 1.0f, "", 504 },
        { 1.25f, "Xft.antialias:\t1\nXft.dpi:\t120\n", 504 },
        { 1.5f, "", 1008 },
        { 2.0f, "Xft.dpi:\t96\n", 1008 },
        { 1.0f, "Xft.hinting:\t1\nXft.dpi:\t144\n", 1008 },
        { 1.0f, "Xft.dpi: 192.0\n", 1008 },
    };
    const xcb_window_t large = server.MakeParent(1100, 1000);
    for (const Case& c : cases) {
        SetResources(server.connection, server.screen->root, c.resources);
        server.Sync();
        EXPECT_EQ(host.Dispatch(effVendorSpecific, 0x50726553, 0x41654373, nullptr, c.hostScale), 1);
        // Before opening only the host's own scale counts.
        ERect* rect = nullptr;
        ASSERT_EQ(host.Dispatch(effEditGetRect, 0, 0, &rect), 1);
        EXPECT_EQ(rect->right - rect->left, c.hostScale >= 1.5f ? 1008 : 504) << c.hostScale;
        ASSERT_TRUE(Open(large));
        ASSERT_EQ(host.Dispatch(effEditGetRect, 0, 0, &rect), 1);
        EXPECT_EQ(rect->right - rect->left, c.width) << c.hostScale << " " << c.resources;
        EXPECT_EQ(rect->bottom - rect->top, c.width == 504 ? 492 : 984);
        EXPECT_EQ(WindowSize(server.connection, editor->WindowId()),
            std::make_pair(c.width, c.width == 504 ? 492 : 984));
        host.Dispatch(effEditClose);
    }
    SetResources(server.connection, server.screen->root, "");
    server.Sync();
}

TEST_F(XcbEditorTest, DoubledWindowShowsEachCanvasPixelAsFourAndMapsThePointerBack)
{
    const xcb_window_t large = server.MakeParent(1100, 1000);
    host.Dispatch(effVendorSpecific, 0x50726553, 0x41654373, nullptr, 2.0f);
    ASSERT_TRUE(Open(large));
    PumpFor(200ms);
    const std::vector<std::uint32_t> shown = server.Pixels(editor->WindowId(), 1008, 984);
    ASSERT_EQ(shown.size(), 1008u * 984u);
    // The headless picture of the same state, as the snapshot command takes it.
    std::vector<std::uint32_t> picture(504u * 492u);
    EditorPictureRequest request { 504, 492, picture.data() };
    ASSERT_EQ(host.Dispatch(effVendorSpecific, kVendorEditorPicture, 0, &request), 0xBEEF);
    int differing = 0;
    for (int y = 0; y < 984; ++y)
        for (int x = 0; x < 1008; ++x)
            differing += shown[static_cast<std::size_t>(y * 1008 + x)]
                != (picture[static_cast<std::size_t>((y / 2) * 504 + x / 2)] & 0xffffffu);
    EXPECT_EQ(differing, 0);

    // A click on the screen's (2x, 2y) lands on the canvas's (x, y): the entry's box.
    server.Click(2 * 230, 2 * 310);
    ASSERT_TRUE(AwaitEntry());
    EXPECT_EQ(editor->TextEntry().Control(), editor->ControlAt(editor->HitTest(230, 310)));
    // A wheel notch over the knob's doubled box.
    const double before = Value(kKnobParam);
    server.MovePointer(2 * 60, 2 * 320);
    server.Button(4, true);
    server.Button(4, false);
    EXPECT_TRUE(Pump([&] { return Value(kKnobParam) > before; }));
}

TEST_F(XcbEditorTest, TwoInstancesEditorsOpenAtOnce)
{
    TestHost secondHost;
    ASSERT_NE(secondHost.Create(), nullptr);
    secondHost.Dispatch(effOpen);
    auto* second = static_cast<CLS_QUELLORN*>(secondHost.effect->object);
    second->Editor()->AttachControl(new TestKnob(second, kKnobBox, kKnobParam));
    const xcb_window_t secondParent = server.MakeParent(600, 560);
    server.Reparent(secondParent, server.screen->root, 600, 0);

    ASSERT_TRUE(Open(parent));
    ASSERT_EQ(secondHost.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(std::uintptr_t { secondParent })), 1);
    const double firstBefore = Value(kKnobParam);
    const double secondBefore = second->GetParam(kKnobParam)->PlainValue();
    auto idleBoth = [&](std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (second->GetParam(kKnobParam)->PlainValue() == secondBefore
               && std::chrono::steady_clock::now() < end) {
            host.Dispatch(effEditIdle);
            secondHost.Dispatch(effEditIdle);
            std::this_thread::sleep_for(10ms);
        }
    };
    // The windows are the editors' own requests: the server maps them in its own time.
    idleBoth(100ms);
    server.MovePointer(600 + 60, 320);
    server.Button(4, true);
    server.Button(4, false);
    idleBoth(2000ms);
    EXPECT_NE(second->GetParam(kKnobParam)->PlainValue(), secondBefore);
    EXPECT_EQ(Value(kKnobParam), firstBefore);
    secondHost.Dispatch(effEditClose);
    EXPECT_TRUE(server.Children(secondParent).empty());
    EXPECT_EQ(server.Children(parent).size(), 1u);
}

} // namespace
