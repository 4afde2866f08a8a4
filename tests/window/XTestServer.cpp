#include "tests/window/XTestServer.h"

#include <xcb/res.h>
#include <xcb/xtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

} // namespace

XTestServer::XTestServer()
{
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return;
    }
    connection = c;
    screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
}

XTestServer::~XTestServer()
{
    if (connection)
        xcb_disconnect(connection);
}

xcb_window_t XTestServer::MakeParent(int width, int height, bool mapped)
{
    const xcb_window_t id = xcb_generate_id(connection);
    const std::uint32_t values[] = { screen->black_pixel };
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, id, screen->root, 0, 0,
                      static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL,
                      values);
    if (mapped)
        xcb_map_window(connection, id);
    Sync();
    return id;
}

void XTestServer::Map(xcb_window_t window)
{
    xcb_map_window(connection, window);
    Sync();
}

void XTestServer::Reparent(xcb_window_t window, xcb_window_t newParent, int x, int y)
{
    xcb_reparent_window(connection, window, newParent, static_cast<std::int16_t>(x),
                        static_cast<std::int16_t>(y));
    Sync();
}

void XTestServer::Destroy(xcb_window_t window)
{
    xcb_destroy_window(connection, window);
    Sync();
}

std::vector<xcb_window_t> XTestServer::Children(xcb_window_t window)
{
    Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr));
    if (!tree)
        return {};
    const xcb_window_t* kids = xcb_query_tree_children(tree.get());
    return std::vector<xcb_window_t>(kids, kids + xcb_query_tree_children_length(tree.get()));
}

void XTestServer::FakeInput(std::uint8_t type, std::uint8_t detail, int x, int y)
{
    xcb_test_fake_input(connection, type, detail, XCB_CURRENT_TIME, screen->root,
                        static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), 0);
}

void XTestServer::MovePointer(int x, int y)
{
    FakeInput(XCB_MOTION_NOTIFY, 0, x, y);
    Sync();
}

void XTestServer::Button(int button, bool press)
{
    FakeInput(press ? XCB_BUTTON_PRESS : XCB_BUTTON_RELEASE, static_cast<std::uint8_t>(button));
    Sync();
}

void XTestServer::Click(int x, int y, int button)
{
    MovePointer(x, y);
    Button(button, true);
    Button(button, false);
}

std::uint8_t XTestServer::KeycodeFor(std::uint32_t keysym, bool& shifted)
{
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const auto count = static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1);
    Reply<xcb_get_keyboard_mapping_reply_t> map(xcb_get_keyboard_mapping_reply(
        connection, xcb_get_keyboard_mapping(connection, setup->min_keycode, count), nullptr));
    if (!map)
        return 0;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.get());
    const int per = map->keysyms_per_keycode;
    for (int column = 0; column < 2 && column < per; ++column)
        for (int k = 0; k < count; ++k)
            if (syms[k * per + column] == keysym) {
                shifted = column == 1;
                return static_cast<std::uint8_t>(setup->min_keycode + k);
            }
    return 0;
}

void XTestServer::Key(std::uint32_t keysym)
{
    bool shifted = false;
    const std::uint8_t code = KeycodeFor(keysym, shifted);
    if (code == 0)
        return;
    bool unused = false;
    const std::uint8_t shift = shifted ? KeycodeFor(0xffe1, unused) : 0; // Shift_L
    if (shift)
        FakeInput(XCB_KEY_PRESS, shift);
    FakeInput(XCB_KEY_PRESS, code);
    FakeInput(XCB_KEY_RELEASE, code);
    if (shift)
        FakeInput(XCB_KEY_RELEASE, shift);
    Sync();
}

void XTestServer::SendKey(xcb_window_t window, std::uint32_t keysym, int x, int y)
{
    bool shifted = false;
    const std::uint8_t code = KeycodeFor(keysym, shifted);
    xcb_key_press_event_t event {};
    event.response_type = XCB_KEY_PRESS;
    event.detail = code;
    event.root = screen->root;
    event.event = window;
    event.child = XCB_NONE;
    event.event_x = static_cast<std::int16_t>(x);
    event.event_y = static_cast<std::int16_t>(y);
    event.state = shifted ? XCB_MOD_MASK_SHIFT : 0;
    event.same_screen = 1;
    xcb_send_event(connection, 0, window, XCB_EVENT_MASK_KEY_PRESS,
                   reinterpret_cast<const char*>(&event));
    Sync();
}

void XTestServer::Type(const std::string& text)
{
    for (char c : text)
        Key(static_cast<unsigned char>(c));
}

void XTestServer::Sync()
{
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

std::vector<std::uint32_t> XTestServer::Pixels(xcb_window_t window, int width, int height)
{
    Reply<xcb_get_image_reply_t> image(xcb_get_image_reply(connection,
        xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0,
                      static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height),
                      ~0u),
        nullptr));
    if (!image)
        return {};
    const int length = xcb_get_image_data_length(image.get());
    if (length != width * height * 4)
        return {};
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width * height));
    std::memcpy(pixels.data(), xcb_get_image_data(image.get()), static_cast<std::size_t>(length));
    for (std::uint32_t& p : pixels)
        p &= 0xffffffu;
    return pixels;
}

int XTestServer::ClientCount()
{
    Reply<xcb_res_query_clients_reply_t> clients(
        xcb_res_query_clients_reply(connection, xcb_res_query_clients(connection), nullptr));
    return clients ? static_cast<int>(clients->num_clients) : -1;
}

int XTestServer::ResourceCount(const char* typeName)
{
    Reply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(connection,
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(typeName)), typeName),
        nullptr));
    Reply<xcb_res_query_clients_reply_t> clients(
        xcb_res_query_clients_reply(connection, xcb_res_query_clients(connection), nullptr));
    if (!atom || !clients)
        return -1;
    int total = 0;
    xcb_res_client_iterator_t it = xcb_res_query_clients_clients_iterator(clients.get());
    for (; it.rem; xcb_res_client_next(&it)) {
        Reply<xcb_res_query_client_resources_reply_t> res(xcb_res_query_client_resources_reply(
            connection, xcb_res_query_client_resources(connection, it.data->resource_base),
            nullptr));
        if (!res)
            continue;
        auto types = xcb_res_query_client_resources_types_iterator(res.get());
        for (; types.rem; xcb_res_type_next(&types))
            if (types.data->resource_type == atom->atom)
                total += static_cast<int>(types.data->count);
    }
    return total;
}
