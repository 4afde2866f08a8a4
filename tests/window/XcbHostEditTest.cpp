// `quellorn-host edit` under Xvfb: the real program, started with three samples loaded,
// shows the editor in a top-level window of its own with the same pixels as the headless
// picture of `snapshot` set up the same way (each doubled on a dense screen), and ends when
// the window is closed.
#include "raster/PngCodec.h"
#include "tests/window/XTestServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

pid_t Start(const std::vector<std::string>& args, const std::string& outputFile)
{
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        if (!freopen(outputFile.c_str(), "w", stdout))
            _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return child;
}

// The exit code, or -1 when the process had not ended in time (it is then killed).
int WaitForExit(pid_t child, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (std::chrono::steady_clock::now() < end) {
        if (waitpid(child, &status, WNOHANG) == child)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(20ms);
    }
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    return -1;
}

std::string WindowName(XTestServer& server, xcb_window_t window)
{
    std::unique_ptr<xcb_get_property_reply_t, FreeDeleter> reply(xcb_get_property_reply(
        server.connection,
        xcb_get_property(server.connection, 0, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 0, 256),
        nullptr));
    return reply ? std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
               static_cast<std::size_t>(xcb_get_property_value_length(reply.get())))
                 : std::string();
}

TEST(XcbHostEditTest, EditorWindowShowsTheSnapshotAndEndsWhenClosed)
{
    XTestServer server;
    ASSERT_TRUE(server.Ok()) << "no X server: run under scripts/with-xvfb.sh";
    const std::filesystem::path folder
        = std::filesystem::temp_directory_path() / ("quellorn-edit-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string examples = QUELLORN_EXAMPLES;
    const std::vector<std::string> setup = { "--slot", "1=" + examples + "/bass.wav", "--slot",
        "2=" + examples + "/pad.wav", "--slot", "3=" + examples + "/lead.wav" };

    std::vector<std::string> snapshot
        = { QUELLORN_HOST_EXE, "snapshot", QUELLORN_MODULE, (folder / "snapshot.png").string() };
    snapshot.insert(snapshot.end(), setup.begin(), setup.end());
    ASSERT_EQ(WaitForExit(Start(snapshot, (folder / "snapshot.txt").string()), 20000ms), 0);
    std::ifstream png(folder / "snapshot.png", std::ios::binary);
    const std::vector<unsigned char> bytes { std::istreambuf_iterator<char>(png), {} };
    const IRaster expected = PngCodec::Decode(bytes.data(), bytes.size());
    ASSERT_EQ(expected.Width(), 504);

    // On a dense screen (the desktop's Xft.dpi) the editor opens at twice the size, and the
    // host's window is made to fit it.
    for (const int scale : { 1, 2 }) {
        const std::string resources = scale == 2 ? "Xft.dpi:\t144\n" : "";
        xcb_change_property(server.connection, XCB_PROP_MODE_REPLACE, server.screen->root,
            XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING, 8,
            static_cast<std::uint32_t>(resources.size()), resources.data());
        server.Sync();
        const int width = 504 * scale;
        const int height = 492 * scale;
        const std::string closed = (folder / ("closed" + std::to_string(scale) + ".fxp")).string();
        std::vector<std::string> edit = { QUELLORN_HOST_EXE, "edit", QUELLORN_MODULE, "--save", closed };
        edit.insert(edit.end(), setup.begin(), setup.end());
        const pid_t host = Start(edit, (folder / "edit.txt").string());

        // The host's window, once it holds the editor and shows the loaded samples.
        xcb_window_t frame = 0;
        xcb_window_t editor = 0;
        int differing = -1;
        for (auto end = std::chrono::steady_clock::now() + 20s;
             differing != 0 && std::chrono::steady_clock::now() < end;) {
            std::this_thread::sleep_for(50ms);
            for (const xcb_window_t top : server.Children(server.screen->root)) {
                const std::vector<xcb_window_t> inside = server.Children(top);
                if (WindowName(server, top)
                        == std::filesystem::path(QUELLORN_MODULE).filename().string()
                            + " - quellorn-host"
                    && inside.size() == 1) {
                    frame = top;
                    editor = inside[0];
                }
            }
            if (!editor)
                continue;
            const std::vector<std::uint32_t> shown = server.Pixels(editor, width, height);
            if (shown.size() != static_cast<std::size_t>(width * height))
                continue;
            differing = 0;
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    differing += shown[static_cast<std::size_t>(y * width + x)]
                        != (expected.Pixels()[(y / scale) * 504 + x / scale] & 0xffffffu);
        }
        EXPECT_NE(frame, 0u) << scale;
        EXPECT_EQ(differing, 0) << scale;
        // The picture in the README comes from here.
        if (const char* keep = std::getenv("QUELLORN_EDIT_SCREENSHOT"); keep && editor && scale == 1) {
            const std::vector<std::uint32_t> shown = server.Pixels(editor, 504, 492);
            IRaster picture(504, 492);
            for (std::size_t i = 0; i < shown.size(); ++i)
                picture.Pixels()[i] = shown[i] | 0xff000000u;
            const std::vector<unsigned char> encoded = PngCodec::Encode(picture);
            std::ofstream(keep, std::ios::binary)
                .write(reinterpret_cast<const char*>(encoded.data()),
                    static_cast<std::streamsize>(encoded.size()));
        }

        // The window manager's close, as a click on the title bar's button sends it.
        xcb_client_message_event_t close {};
        close.response_type = XCB_CLIENT_MESSAGE;
        close.format = 32;
        close.window = frame;
        xcb_intern_atom_reply_t* protocols = xcb_intern_atom_reply(
            server.connection, xcb_intern_atom(server.connection, 0, 12, "WM_PROTOCOLS"), nullptr);
        xcb_intern_atom_reply_t* deleteWindow = xcb_intern_atom_reply(
            server.connection, xcb_intern_atom(server.connection, 0, 16, "WM_DELETE_WINDOW"), nullptr);
        ASSERT_TRUE(protocols && deleteWindow);
        close.type = protocols->atom;
        close.data.data32[0] = deleteWindow->atom;
        std::free(protocols);
        std::free(deleteWindow);
        xcb_send_event(server.connection, 0, frame, XCB_EVENT_MASK_NO_EVENT,
            reinterpret_cast<const char*>(&close));
        server.Sync();
        EXPECT_EQ(WaitForExit(host, 10000ms), 0) << scale;
        std::error_code missing;
        EXPECT_GT(std::filesystem::file_size(closed, missing), 0u) << missing.message();
    }
    xcb_delete_property(server.connection, server.screen->root, XCB_ATOM_RESOURCE_MANAGER);
    server.Sync();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

} // namespace
