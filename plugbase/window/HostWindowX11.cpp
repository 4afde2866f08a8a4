// The host's top-level window on X11: a plain window the window manager decorates, which
// asks to be told of a close (WM_DELETE_WINDOW) rather than have its connection cut.
#include "plugbase/window/HostWindow.h"

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t Intern(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t { XCB_ATOM_NONE };
    std::free(reply);
    return atom;
}

class HostWindowX11 : public HostWindow {
public:
    HostWindowX11(xcb_connection_t* c, xcb_window_t w, xcb_atom_t protocols, xcb_atom_t close)
        : connection(c)
        , window(w)
        , wmProtocols(protocols)
        , wmDeleteWindow(close)
    {
    }
    ~HostWindowX11() override
    {
        // Gone with the connection if the server had not destroyed it already.
        xcb_disconnect(connection);
    }
    void* Handle() const override
    {
        return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window));
    }
    bool Serve() override
    {
        while (open) {
            xcb_generic_event_t* event = xcb_poll_for_event(connection);
            if (!event)
                break;
            const int type = event->response_type & 0x7f;
            if (type == XCB_CLIENT_MESSAGE) {
                const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
                if (message->type == wmProtocols && message->format == 32
                    && message->data.data32[0] == wmDeleteWindow)
                    open = false;
            } else if (type == XCB_DESTROY_NOTIFY) {
                if (reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window == window)
                    open = false;
            }
            std::free(event);
        }
        if (xcb_connection_has_error(connection))
            open = false;
        return open;
    }

private:
    xcb_connection_t* connection;
    xcb_window_t window;
    xcb_atom_t wmProtocols;
    xcb_atom_t wmDeleteWindow;
    bool open = true;
};

} // namespace

std::unique_ptr<HostWindow> CreateHostWindow(
    const std::string& title, int width, int height, std::string& error)
{
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        error = "cannot open the X display (is DISPLAY set?)";
        return nullptr;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t values[] = { screen->black_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY };
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0,
        static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), 0,
        XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK,
        values);
    const xcb_atom_t protocols = Intern(c, "WM_PROTOCOLS");
    const xcb_atom_t close = Intern(c, "WM_DELETE_WINDOW");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, protocols, XCB_ATOM_ATOM, 32, 1, &close);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
        static_cast<std::uint32_t>(title.size()), title.data());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, Intern(c, "_NET_WM_NAME"),
        Intern(c, "UTF8_STRING"), 8, static_cast<std::uint32_t>(title.size()), title.data());
    // A window of a fixed size: the editor does not follow a resize.
    std::uint32_t hints[18] = {};
    hints[0] = 16 | 32; // program-specified minimum and maximum size
    hints[5] = hints[7] = static_cast<std::uint32_t>(width);
    hints[6] = hints[8] = static_cast<std::uint32_t>(height);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS,
        XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
    xcb_map_window(c, window);
    xcb_flush(c);
    return std::make_unique<HostWindowX11>(c, window, protocols, close);
}
