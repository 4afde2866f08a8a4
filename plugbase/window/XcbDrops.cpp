// Files dropped from file managers through the XDND protocol (version 5): the editor
// window says it takes drops, the host's windows above it that take none point drag
// sources to it (GTK and Qt sources look only at the top-level window), and the first
// local file of a dropped text/uri-list goes to FileDropped with the point it fell on.
#include "plugbase/window/XcbEditorSurface.h"

#include "plugbase/window/UriList.h"

#include <cstdlib>
#include <memory>

namespace {

constexpr std::uint32_t kXdndVersion = 5;
constexpr std::uint32_t kStatusAccept = 1;
constexpr std::uint32_t kStatusWantPositions = 2;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
using PropertyReply = std::unique_ptr<xcb_get_property_reply_t, FreeDeleter>;

PropertyReply GetProperty(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property,
    xcb_atom_t type, std::uint32_t words, bool remove = false)
{
    return PropertyReply(xcb_get_property_reply(
        c, xcb_get_property(c, remove ? 1 : 0, window, property, type, 0, words), nullptr));
}

bool HasProperty(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property)
{
    const PropertyReply reply = GetProperty(c, window, property, XCB_GET_PROPERTY_TYPE_ANY, 1);
    return reply && reply->type != XCB_ATOM_NONE;
}

} // namespace

void XcbEditorSurface::MarkDropTarget(xcb_window_t parent)
{
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atoms.xdndAware, XCB_ATOM_ATOM,
        32, 1, &kXdndVersion);
    // A proxy is named by a property on itself too, which tells sources the pointer to it
    // is no leftover of a window that has gone.
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atoms.xdndProxy, XCB_ATOM_WINDOW,
        32, 1, &window);
    proxyFor = window;
    for (xcb_window_t at = parent; at;) {
        std::unique_ptr<xcb_query_tree_reply_t, FreeDeleter> tree(
            xcb_query_tree_reply(connection, xcb_query_tree(connection, at), nullptr));
        if (!tree || at == tree->root)
            break;
        if (!HasProperty(connection, at, atoms.xdndAware)
            && !HasProperty(connection, at, atoms.xdndProxy)) {
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, at, atoms.xdndProxy,
                XCB_ATOM_WINDOW, 32, 1, &window);
            proxied.push_back(at);
        }
        at = tree->parent;
    }
}

void XcbEditorSurface::UnmarkDropTarget()
{
    for (xcb_window_t at : proxied) {
        const PropertyReply proxy
            = GetProperty(connection, at, atoms.xdndProxy, XCB_ATOM_WINDOW, 1);
        if (proxy && xcb_get_property_value_length(proxy.get()) == 4
            && *static_cast<const xcb_window_t*>(xcb_get_property_value(proxy.get())) == proxyFor)
            xcb_delete_property(connection, at, atoms.xdndProxy);
    }
    proxied.clear();
}

void XcbEditorSurface::HandleClientMessage(const xcb_client_message_event_t& message)
{
    if (message.format != 32)
        return;
    const std::uint32_t* data = message.data.data32;
    if (message.type == atoms.xdndEnter) {
        dragSource = data[0];
        dragTarget = message.window;
        dropPending = false;
        dragHasFiles = false;
        if (data[1] & 1) {
            // More than three types: the full list is on the source.
            const PropertyReply list
                = GetProperty(connection, dragSource, atoms.xdndTypeList, XCB_ATOM_ATOM, 64);
            const int count
                = list && list->format == 32 ? xcb_get_property_value_length(list.get()) / 4 : 0;
            const auto* types = count
                ? static_cast<const xcb_atom_t*>(xcb_get_property_value(list.get()))
                : nullptr;
            for (int i = 0; i < count; ++i)
                dragHasFiles = dragHasFiles || types[i] == atoms.uriList;
        } else {
            for (int i = 2; i < 5; ++i)
                dragHasFiles = dragHasFiles || data[i] == atoms.uriList;
        }
        return;
    }
    if (!dragSource || data[0] != dragSource)
        return;
    if (message.type == atoms.xdndPosition) {
        const xcb_setup_t* setup = xcb_get_setup(connection);
        const xcb_window_t root = xcb_setup_roots_iterator(setup).data->root;
        std::unique_ptr<xcb_translate_coordinates_reply_t, FreeDeleter> at(
            xcb_translate_coordinates_reply(connection,
                xcb_translate_coordinates(connection, root, window,
                    static_cast<std::int16_t>(data[2] >> 16),
                    static_cast<std::int16_t>(data[2] & 0xffff)),
                nullptr));
        if (at) {
            dragX = ToCanvas(at->dst_x);
            dragY = ToCanvas(at->dst_y);
        }
        const bool accept = at && dragHasFiles && AcceptDrops() && dragX >= 0 && dragY >= 0
            && dragX < Width() && dragY < Height();
        SendToSource(atoms.xdndStatus, (accept ? kStatusAccept : 0) | kStatusWantPositions, 0, 0,
            accept ? atoms.xdndActionCopy : xcb_atom_t { XCB_ATOM_NONE });
    } else if (message.type == atoms.xdndLeave) {
        dragSource = 0;
    } else if (message.type == atoms.xdndDrop) {
        if (!dragHasFiles || !AcceptDrops()) {
            FinishDrop(false);
            return;
        }
        xcb_convert_selection(
            connection, window, atoms.xdndSelection, atoms.uriList, atoms.transfer, data[2]);
        dropPending = true;
    }
}

void XcbEditorSurface::HandleSelectionNotify(const xcb_selection_notify_event_t& notify)
{
    if (notify.selection != atoms.xdndSelection || !dropPending)
        return;
    dropPending = false;
    std::string path;
    if (notify.property != XCB_ATOM_NONE) {
        // Lists of a few files are a few hundred bytes; a megabyte holds any first line.
        const PropertyReply data = GetProperty(
            connection, window, notify.property, XCB_GET_PROPERTY_TYPE_ANY, 1 << 18, true);
        if (data && data->format == 8)
            path = FirstFileInUriList(
                std::string(static_cast<const char*>(xcb_get_property_value(data.get())),
                    static_cast<std::size_t>(xcb_get_property_value_length(data.get()))));
    }
    const int x = dragX;
    const int y = dragY;
    FinishDrop(!path.empty());
    if (!path.empty())
        FileDropped(x, y, path.c_str());
}

void XcbEditorSurface::FinishDrop(bool accepted)
{
    SendToSource(atoms.xdndFinished, accepted ? 1 : 0,
        accepted ? atoms.xdndActionCopy : xcb_atom_t { XCB_ATOM_NONE }, 0, 0);
    dragSource = 0;
}

void XcbEditorSurface::SendToSource(
    xcb_atom_t type, std::uint32_t d1, std::uint32_t d2, std::uint32_t d3, std::uint32_t d4)
{
    xcb_client_message_event_t reply {};
    reply.response_type = XCB_CLIENT_MESSAGE;
    reply.format = 32;
    reply.window = dragSource;
    reply.type = type;
    // The window the source aimed at, which is the host's when it came through a proxy.
    reply.data.data32[0] = dragTarget;
    reply.data.data32[1] = d1;
    reply.data.data32[2] = d2;
    reply.data.data32[3] = d3;
    reply.data.data32[4] = d4;
    xcb_send_event(
        connection, 0, dragSource, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&reply));
    xcb_flush(connection);
}
