// The test's side of the X server: a connection of its own that plays the host (parent
// windows), the user (pointer and keys through the XTest extension) and an observer
// (window pixels, the server's count of clients and resources).
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <string>
#include <vector>

class XTestServer {
public:
    XTestServer();
    ~XTestServer();
    bool Ok() const { return connection != nullptr; }

    // A top-level window at the screen's corner, mapped unless asked otherwise.
    xcb_window_t MakeParent(int width, int height, bool mapped = true);
    void Map(xcb_window_t window);
    void Reparent(xcb_window_t window, xcb_window_t newParent, int x, int y);
    void Destroy(xcb_window_t window);
    std::vector<xcb_window_t> Children(xcb_window_t window);

    void MovePointer(int x, int y);
    void Button(int button, bool press);
    void Click(int x, int y, int button = 1);
    // Types a key by its symbol (Latin-1 symbols are their characters), with shift when
    // the symbol sits in the shifted column.
    void Key(std::uint32_t keysym);
    void Type(const std::string& text);
    // A key press sent as an event to the window, as some hosts pass keys on.
    void SendKey(xcb_window_t window, std::uint32_t keysym, int x, int y);
    // Waits until the server has handled everything sent so far.
    void Sync();

    // The window's pixels as 0xRRGGBB, row by row.
    std::vector<std::uint32_t> Pixels(xcb_window_t window, int width, int height);
    // Clients connected to the server, and how many windows and pixmaps they hold together.
    int ClientCount();
    int ResourceCount(const char* typeName);

    xcb_connection_t* connection = nullptr;
    xcb_screen_t* screen = nullptr;

private:
    std::uint8_t KeycodeFor(std::uint32_t keysym, bool& shifted);
    void FakeInput(std::uint8_t type, std::uint8_t detail, int x = 0, int y = 0);
};
