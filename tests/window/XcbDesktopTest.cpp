// The editor window's dealings with the rest of the desktop, under a private Xvfb: keys the
// host passes on, pointer shapes, a file dropped from a drag source of ours, the clipboard
// read back as another client, and the file dialog and warning through a replaced set of
// desktop calls. The plug-in's own editor layout is used: slot 2's display takes the drop.
#include "editor/BarLabel.h"
#include "editor/IControl.h"
#include "editor/IEditorSurface.h"
#include "engine/Quellorn.h"
#include "plugbase/window/DesktopDialog.h"
#include "plugbase/window/DesktopProcess.h"
#include "plugbase/window/XcbEditorSurface.h"
#include "tests/plugbase/TestHost.h"
#include "tests/window/XTestServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

namespace {

using namespace std::chrono_literals;

// The middle of slot 2's sample display.
constexpr int kSlotX = 253;
constexpr int kSlotY = 138;
constexpr int kSlot = 1;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

class KeyRecorder : public IControl {
public:
    using IControl::IControl;
    bool Paint(IEditorSurface&) override { return true; }
    void KeyPress(int, int, int key) override { keys.push_back(key); }
    std::vector<int> keys;
};

class XcbDesktopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.Ok()) << "no X server: run under scripts/with-xvfb.sh";
        ASSERT_NE(host.Create(), nullptr);
        host.Dispatch(effOpen);
        plug = static_cast<CLS_QUELLORN*>(host.effect->object);
        editor = dynamic_cast<XcbEditorSurface*>(plug->Editor());
        ASSERT_NE(editor, nullptr);
        parent = server.MakeParent(600, 560);
        ASSERT_EQ(
            host.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(std::uintptr_t { parent })),
            1);
        Pump(nullptr, 100ms);
        // A file whose name needs percent-encoding in a URI.
        folder
            = std::filesystem::temp_directory_path() / ("quellorn-x11-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        sample = (folder / "drum loop \xc3\xa9.wav").string();
        std::filesystem::copy_file(std::string(QUELLORN_TEST_DATA) + "/wav/float32-stereo.wav",
            sample, std::filesystem::copy_options::overwrite_existing);
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    // Idles the editor like a host until `done`; the test's own events are looked at
    // through `done`.
    bool Pump(const std::function<bool()>& done, std::chrono::milliseconds limit = 2000ms)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            host.Dispatch(effEditIdle);
            if (done && done())
                return true;
            std::this_thread::sleep_for(10ms);
        }
        return !done;
    }
    // The next event of the given type that reaches the test's connection, idling the
    // editor meanwhile; null when none comes.
    Reply<xcb_generic_event_t> Await(std::uint8_t type)
    {
        Reply<xcb_generic_event_t> found;
        Pump([&] {
            while (auto* event = xcb_poll_for_event(server.connection)) {
                Reply<xcb_generic_event_t> owned(event);
                if ((event->response_type & 0x7f) == type) {
                    found = std::move(owned);
                    return true;
                }
            }
            return false;
        });
        return found;
    }
    xcb_atom_t Atom(const char* name)
    {
        Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(server.connection,
            xcb_intern_atom(
                server.connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr));
        return reply ? reply->atom : 0;
    }
    Reply<xcb_get_property_reply_t> Property(xcb_window_t window, xcb_atom_t property)
    {
        return Reply<xcb_get_property_reply_t>(xcb_get_property_reply(server.connection,
            xcb_get_property(
                server.connection, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
            nullptr));
    }
    std::string Text(const Reply<xcb_get_property_reply_t>& reply)
    {
        return reply ? std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                   static_cast<std::size_t>(xcb_get_property_value_length(reply.get())))
                     : std::string();
    }
    // A window of the test's, as drag source and clipboard reader.
    xcb_window_t MakeClient()
    {
        const xcb_window_t id = xcb_generate_id(server.connection);
        xcb_create_window(server.connection, XCB_COPY_FROM_PARENT, id, server.screen->root, 0, 0, 1,
            1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        return id;
    }
    void SendMessage(xcb_window_t to, xcb_window_t named, xcb_atom_t type,
        std::initializer_list<std::uint32_t> data)
    {
        xcb_client_message_event_t message {};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = named;
        message.type = type;
        std::copy(data.begin(), data.end(), message.data.data32);
        xcb_send_event(server.connection, 0, to, XCB_EVENT_MASK_NO_EVENT,
            reinterpret_cast<const char*>(&message));
        xcb_flush(server.connection);
    }
    // The clipboard as a client asking for `target` gets it.
    std::string ReadClipboard(xcb_window_t reader, xcb_atom_t target)
    {
        const xcb_atom_t into = Atom("READ_BACK");
        xcb_convert_selection(
            server.connection, reader, Atom("CLIPBOARD"), target, into, XCB_CURRENT_TIME);
        xcb_flush(server.connection);
        const Reply<xcb_generic_event_t> notify = Await(XCB_SELECTION_NOTIFY);
        if (!notify || reinterpret_cast<xcb_selection_notify_event_t&>(*notify).property != into)
            return "<refused>";
        return Text(Property(reader, into));
    }

    XTestServer server;
    TestHost host;
    CLS_QUELLORN* plug = nullptr;
    XcbEditorSurface* editor = nullptr;
    xcb_window_t parent = 0;
    std::filesystem::path folder;
    std::string sample;
};

TEST_F(XcbDesktopTest, HostKeysMapLikeTypedKeysAndUnusedOnesAreRefused)
{
    auto* recorder = new KeyRecorder(plug, IBox { 0, 440, 60, 470 });
    editor->AttachControl(recorder);
    server.MovePointer(30, 455);
    server.Sync();
    struct Case {
        int character;
        int virtualKey;
        int code; // -1: refused
    };
    const Case cases[] = {
        { 'a', 0, 16 },
        { 'Z', 0, 41 },
        { '7', 0, 13 },
        { ' ', 0, 0 },
        { 0, 7, 0 },
        { 0, 12, 1 },
        { 0, 14, 2 },
        { 0, 11, 3 },
        { 0, 13, 4 },
        { 0, 25, 16 },
        { 0, 33, 24 },
        { 0, 34, 25 },
        { 0, 40, 31 },
        { 0, 50, 41 },
        { 0, 24, -1 },
        { 0, 2, -1 },
        { 0, 51, -1 },
        { '#', 0, -1 },
    };
    for (const Case& c : cases) {
        recorder->keys.clear();
        EXPECT_EQ(host.Dispatch(effEditKeyDown, c.character, c.virtualKey), c.code >= 0 ? 1 : 0)
            << c.character << " " << c.virtualKey;
        EXPECT_EQ(recorder->keys, c.code >= 0 ? std::vector<int> { c.code } : std::vector<int> {})
            << c.character << " " << c.virtualKey;
    }
}

TEST_F(XcbDesktopTest, LongClipboardTextReachesAReaderInPieces)
{
    // Longer than the largest request every server takes: it must go as INCR.
    std::string text(300 * 1024, ' ');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char>('a' + (i * 7 + i / 4096) % 26);
    ASSERT_TRUE(editor->CopyToClipboard(text.c_str()));

    const xcb_window_t reader = MakeClient();
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(server.connection, reader, XCB_CW_EVENT_MASK, &events);
    const xcb_atom_t into = Atom("READ_BACK");
    // Reads and deletes the property, which asks the owner for the next piece.
    const auto take = [&](xcb_atom_t& type) {
        Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(server.connection,
            xcb_get_property(server.connection, 1, reader, into, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 20),
            nullptr));
        type = reply ? reply->type : 0;
        xcb_flush(server.connection);
        return Text(reply);
    };
    xcb_convert_selection(
        server.connection, reader, Atom("CLIPBOARD"), Atom("UTF8_STRING"), into, XCB_CURRENT_TIME);
    xcb_flush(server.connection);
    const Reply<xcb_generic_event_t> notify = Await(XCB_SELECTION_NOTIFY);
    ASSERT_TRUE(notify);
    ASSERT_EQ(reinterpret_cast<xcb_selection_notify_event_t&>(*notify).property, into);
    xcb_atom_t type = 0;
    const std::string announced = take(type);
    ASSERT_EQ(type, Atom("INCR"));
    ASSERT_EQ(announced.size(), 4u);
    std::uint32_t size = 0;
    std::memcpy(&size, announced.data(), 4);
    EXPECT_EQ(size, text.size());

    std::string received;
    int pieces = 0;
    for (bool done = false; !done && pieces < 100;) {
        const bool arrived = Pump([&] {
            while (auto* event = xcb_poll_for_event(server.connection)) {
                Reply<xcb_generic_event_t> owned(event);
                const auto& p = reinterpret_cast<xcb_property_notify_event_t&>(*event);
                if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY && p.atom == into
                    && p.state == XCB_PROPERTY_NEW_VALUE)
                    return true;
            }
            return false;
        });
        ASSERT_TRUE(arrived) << "after " << received.size() << " bytes";
        const std::string piece = take(type);
        EXPECT_EQ(type, Atom("UTF8_STRING"));
        received += piece;
        done = piece.empty();
        ++pieces;
    }
    EXPECT_GT(pieces, 2);
    EXPECT_TRUE(received == text) << received.size() << " of " << text.size() << " bytes";
    // A short text still goes whole.
    ASSERT_TRUE(editor->CopyToClipboard("/samples/short.wav"));
    EXPECT_EQ(ReadClipboard(reader, Atom("UTF8_STRING")), "/samples/short.wav");
}

TEST_F(XcbDesktopTest, CursorsAreMadeOncePerShapeAndGoneAfterClose)
{
    const int before = server.ResourceCount("CURSOR");
    for (auto shape : { IEditorSurface::Cursor::kResizeHorizontal, IEditorSurface::Cursor::kUpArrow,
             IEditorSurface::Cursor::kArrow, IEditorSurface::Cursor::kResizeHorizontal })
        editor->SetCursor(shape);
    // A question on the editor's connection: answered once its cursors are made.
    int x = 0;
    int y = 0;
    editor->PointerAt(x, y);
    EXPECT_EQ(server.ResourceCount("CURSOR"), before + 3);
    host.Dispatch(effEditClose);
    server.Sync();
    EXPECT_EQ(server.ResourceCount("CURSOR"), before);
}

TEST_F(XcbDesktopTest, DroppedFileLoadsTheSlotAndItsPathReachesTheClipboard)
{
    // The host embeds its frame in a top-level window after opening the editor: both
    // point drag sources to the editor, which says it takes version 5.
    const xcb_window_t window = editor->WindowId();
    const xcb_window_t outer = server.MakeParent(640, 600);
    server.Reparent(parent, outer, 0, 0);
    Pump(nullptr, 100ms);
    for (const xcb_window_t host : { parent, outer }) {
        const auto proxy = Property(host, Atom("XdndProxy"));
        ASSERT_TRUE(proxy && xcb_get_property_value_length(proxy.get()) == 4);
        EXPECT_EQ(*static_cast<const xcb_window_t*>(xcb_get_property_value(proxy.get())), window);
    }
    const auto aware = Property(window, Atom("XdndAware"));
    ASSERT_TRUE(aware && xcb_get_property_value_length(aware.get()) == 4);
    EXPECT_GE(*static_cast<const std::uint32_t*>(xcb_get_property_value(aware.get())), 5u);

    const xcb_window_t source = MakeClient();
    const xcb_atom_t uriList = Atom("text/uri-list");
    const xcb_atom_t copy = Atom("XdndActionCopy");
    xcb_set_selection_owner(server.connection, source, Atom("XdndSelection"), XCB_CURRENT_TIME);
    // As a toolkit's source does: messages to the proxy, naming the top-level window.
    SendMessage(window, outer, Atom("XdndEnter"), { source, 5u << 24, uriList, 0, 0 });
    SendMessage(window, outer, Atom("XdndPosition"),
        { source, 0, std::uint32_t(kSlotX) << 16 | std::uint32_t(kSlotY), XCB_CURRENT_TIME, copy });
    Reply<xcb_generic_event_t> status = Await(XCB_CLIENT_MESSAGE);
    ASSERT_TRUE(status);
    const auto& s = reinterpret_cast<xcb_client_message_event_t&>(*status);
    EXPECT_EQ(s.type, Atom("XdndStatus"));
    EXPECT_EQ(s.data.data32[0], outer);
    EXPECT_EQ(s.data.data32[1] & 1u, 1u);
    EXPECT_EQ(s.data.data32[4], copy);

    SendMessage(window, outer, Atom("XdndDrop"), { source, 0, XCB_CURRENT_TIME });
    Reply<xcb_generic_event_t> request = Await(XCB_SELECTION_REQUEST);
    ASSERT_TRUE(request);
    const auto& r = reinterpret_cast<xcb_selection_request_event_t&>(*request);
    ASSERT_EQ(r.target, uriList);
    const std::string list = "# from a test\r\nfile://" + folder.string()
        + "/drum%20loop%20%C3%A9.wav\r\n" + "file:///elsewhere/second.wav\r\n";
    xcb_change_property(server.connection, XCB_PROP_MODE_REPLACE, r.requestor, r.property, uriList,
        8, static_cast<std::uint32_t>(list.size()), list.data());
    xcb_selection_notify_event_t answer {};
    answer.response_type = XCB_SELECTION_NOTIFY;
    answer.requestor = r.requestor;
    answer.selection = r.selection;
    answer.target = r.target;
    answer.property = r.property;
    answer.time = r.time;
    xcb_send_event(server.connection, 0, r.requestor, XCB_EVENT_MASK_NO_EVENT,
        reinterpret_cast<const char*>(&answer));
    xcb_flush(server.connection);
    Reply<xcb_generic_event_t> finished = Await(XCB_CLIENT_MESSAGE);
    ASSERT_TRUE(finished);
    const auto& f = reinterpret_cast<xcb_client_message_event_t&>(*finished);
    EXPECT_EQ(f.type, Atom("XdndFinished"));
    EXPECT_EQ(f.data.data32[0], outer);
    EXPECT_EQ(f.data.data32[1] & 1u, 1u);
    EXPECT_NE(plug->slotSample[kSlot].frames, 0u);
    EXPECT_EQ(plug->slotSample[kSlot - 1].frames, 0u);

    // A right click on the slot copies its path; another client reads it back.
    server.Click(kSlotX, kSlotY, 3);
    Pump(nullptr, 200ms);
    EXPECT_EQ(ReadClipboard(source, Atom("UTF8_STRING")), sample);
    EXPECT_EQ(ReadClipboard(source, XCB_ATOM_STRING), folder.string() + "/drum loop \xe9.wav");
    const auto targets = [&] {
        const std::string raw = ReadClipboard(source, Atom("TARGETS"));
        std::vector<xcb_atom_t> atoms(raw.size() / 4);
        std::memcpy(atoms.data(), raw.data(), atoms.size() * 4);
        return atoms;
    }();
    EXPECT_EQ(targets,
        (std::vector<xcb_atom_t> { Atom("TARGETS"), Atom("UTF8_STRING"), XCB_ATOM_STRING }));
    EXPECT_EQ(ReadClipboard(source, Atom("TEXT/HTML")), "<refused>");

    // The host destroys its frame, the editor with it, then closes the editor: the window
    // left standing no longer points drag sources to a window that is gone.
    server.Destroy(parent);
    Pump(nullptr, 50ms);
    host.Dispatch(effEditClose);
    server.Sync();
    const auto left = Property(outer, Atom("XdndProxy"));
    ASSERT_TRUE(left);
    EXPECT_EQ(left->type, xcb_atom_t { XCB_ATOM_NONE });
}

// A clipboard manager of the test's on a connection and thread of its own: asked to save
// the clipboard, it reads the text from the owner and answers.
std::string RunClipboardManager(std::chrono::milliseconds limit, bool& owned)
{
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    auto atom = [c](const char* name) {
        Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c,
            xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
        return reply ? reply->atom : xcb_atom_t { 0 };
    };
    const xcb_window_t manager = xcb_generate_id(c);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, manager, screen->root, 0, 0, 1, 1, 0,
        XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_set_selection_owner(c, manager, atom("CLIPBOARD_MANAGER"), XCB_CURRENT_TIME);
    Reply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        c, xcb_get_selection_owner(c, atom("CLIPBOARD_MANAGER")), nullptr));
    owned = owner && owner->owner == manager;
    std::string saved;
    xcb_selection_request_event_t request {};
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        Reply<xcb_generic_event_t> event(xcb_poll_for_event(c));
        if (!event) {
            std::this_thread::sleep_for(2ms);
            continue;
        }
        const int type = event->response_type & 0x7f;
        if (type == XCB_SELECTION_REQUEST) {
            request = reinterpret_cast<xcb_selection_request_event_t&>(*event);
            if (request.target == atom("SAVE_TARGETS")) {
                xcb_convert_selection(c, manager, atom("CLIPBOARD"), atom("UTF8_STRING"),
                    atom("SAVED"), XCB_CURRENT_TIME);
                xcb_flush(c);
            }
        } else if (type == XCB_SELECTION_NOTIFY && request.requestor) {
            Reply<xcb_get_property_reply_t> text(xcb_get_property_reply(c,
                xcb_get_property(c, 1, manager, atom("SAVED"), XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
                nullptr));
            if (text)
                saved.assign(static_cast<const char*>(xcb_get_property_value(text.get())),
                    static_cast<std::size_t>(xcb_get_property_value_length(text.get())));
            xcb_selection_notify_event_t done {};
            done.response_type = XCB_SELECTION_NOTIFY;
            done.requestor = request.requestor;
            done.selection = request.selection;
            done.target = request.target;
            done.property = request.property;
            xcb_send_event(c, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                reinterpret_cast<const char*>(&done));
            xcb_flush(c);
            break;
        }
    }
    xcb_disconnect(c);
    return saved;
}

TEST_F(XcbDesktopTest, ClipboardManagerKeepsTheCopyWhenTheEditorCloses)
{
    bool owned = false;
    std::string saved;
    std::thread manager([&] { saved = RunClipboardManager(3000ms, owned); });
    ASSERT_TRUE(Pump([&] {
        Reply<xcb_get_selection_owner_reply_t> owner(
            xcb_get_selection_owner_reply(server.connection,
                xcb_get_selection_owner(server.connection, Atom("CLIPBOARD_MANAGER")), nullptr));
        return owner && owner->owner != XCB_WINDOW_NONE;
    }));
    ASSERT_TRUE(editor->CopyToClipboard("/samples/kept.wav"));
    host.Dispatch(effEditClose);
    manager.join();
    ASSERT_TRUE(owned);
    EXPECT_EQ(saved, "/samples/kept.wav");
}

// Desktop calls that answer in the user's place, and what they were asked.
std::vector<std::vector<std::string>> asked;
std::string dialogAnswer;
bool dialogInstalled = true;

std::string FakeFind(const std::string& name)
{
    return dialogInstalled && name == "zenity" ? "/usr/bin/zenity" : "";
}
bool FakeAnswering(const std::vector<std::string>& argv, pid_t& child, int& output)
{
    asked.push_back(argv);
    return DesktopProcess::StartAnswering({ "printf", "%s\\n", dialogAnswer }, child, output);
}
bool FakeDetached(const std::vector<std::string>& argv)
{
    asked.push_back(argv);
    return true;
}

TEST_F(XcbDesktopTest, FileDialogAnswersOnALaterIdleAndItsAbsenceIsExplained)
{
    const DesktopCalls system = SetDesktopCalls({ FakeFind, FakeAnswering, FakeDetached });
    asked.clear();
    dialogInstalled = true;
    dialogAnswer = sample;
    server.Click(kSlotX, kSlotY);
    EXPECT_TRUE(Pump([&] { return plug->slotSample[kSlot].frames != 0; }));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0][1], "--file-selection");
    EXPECT_EQ(asked[0].back(), "--file-filter=Samples | *.wav *.ogg *.flac *.sfz");

    // The warning box goes to the dialog program, and is kept by the surface as well.
    editor->ShowWarning("Caption", "Something to say");
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1],
        (std::vector<std::string> { "/usr/bin/zenity", "--warning", "--title=Caption",
            "--no-markup", "--text=Something to say" }));

    // Without a dialog program the click says how else to load a file.
    dialogInstalled = false;
    const std::size_t warnings = editor->ShownWarnings().size();
    server.Click(kSlotX + 152, kSlotY);
    ASSERT_TRUE(Pump([&] { return editor->ShownWarnings().size() > warnings; }));
    EXPECT_NE(editor->ShownWarnings().back().text.find("Drop a file"), std::string::npos);
    EXPECT_NE(std::string(plug->infoLabel->Text()).find("Drop a file"), std::string::npos);
    EXPECT_EQ(asked.size(), 2u);
    SetDesktopCalls(system);
}

} // namespace
