// The CLIPBOARD selection: owned by the editor window once something is copied, served to
// other clients from idle, and handed to the desktop's clipboard manager when the window
// closes so that a copied path outlives the editor.
#include "plugbase/window/XcbEditorSurface.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>

namespace {

// Texts up to the largest request every server takes (without the big-requests extension)
// go in one piece; longer ones go in pieces of this size, which readers of every age
// handle.
constexpr std::size_t kWholeTextBytes = 65535u * 4u - 64u;
constexpr std::size_t kPieceBytes = 64u * 1024u;
// Readers that stop reading halfway would otherwise hold a copy of the text each for as
// long as the window is open: past this many, the oldest transfer is given up.
constexpr std::size_t kMaxTransfers = 8;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

// The text as Latin-1 for clients that ask for STRING: characters outside it become '?'.
std::string Latin1(const std::string& utf8)
{
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if ((c == 0xc2 || c == 0xc3) && i + 1 < utf8.size()) {
            out += static_cast<char>(
                ((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3f));
        } else if (c >= 0xc0) {
            out += '?';
        }
    }
    return out;
}

} // namespace

bool XcbEditorSurface::CopyToClipboard(const char* text)
{
    if (!connection || !window || !text)
        return false;
    clipboardText = text;
    xcb_set_selection_owner(connection, window, atoms.clipboard, XCB_CURRENT_TIME);
    std::unique_ptr<xcb_get_selection_owner_reply_t, FreeDeleter> owner(
        xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, atoms.clipboard), nullptr));
    return owner && owner->owner == window;
}

void XcbEditorSurface::HandleSelectionRequest(const xcb_selection_request_event_t& request)
{
    xcb_selection_notify_event_t answer {};
    answer.response_type = XCB_SELECTION_NOTIFY;
    answer.time = request.time;
    answer.requestor = request.requestor;
    answer.selection = request.selection;
    answer.target = request.target;
    answer.property = XCB_ATOM_NONE;
    // Clients from before the property was required name none: the target stands in.
    const xcb_atom_t property
        = request.property != XCB_ATOM_NONE ? request.property : request.target;
    const bool ours = request.selection == atoms.clipboard && request.owner == window;
    if (ours && request.target == atoms.targets) {
        const xcb_atom_t offered[] = { atoms.targets, atoms.utf8String, XCB_ATOM_STRING };
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
            XCB_ATOM_ATOM, 32, 3, offered);
        answer.property = property;
    } else if (ours && (request.target == atoms.utf8String || request.target == XCB_ATOM_STRING)) {
        const std::string text
            = request.target == XCB_ATOM_STRING ? Latin1(clipboardText) : clipboardText;
        if (text.size() <= kWholeTextBytes && text.size() + 64 < maxRequestBytes) {
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
                request.target, 8, static_cast<std::uint32_t>(text.size()), text.data());
            answer.property = property;
        } else if (request.requestor != window) {
            // A reader asking again into the same property starts over.
            transfers.erase(std::remove_if(transfers.begin(), transfers.end(),
                                [&](const Transfer& t) {
                                    return t.requestor == request.requestor && t.property == property;
                                }),
                transfers.end());
            if (transfers.size() >= kMaxTransfers)
                transfers.erase(transfers.begin());
            // The reader is told the size in an INCR property; the first piece follows when
            // it deletes that property, which our interest in its properties lets us see.
            std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
            if (request.requestor == hostWindow)
                events |= XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            xcb_change_window_attributes(connection, request.requestor, XCB_CW_EVENT_MASK, &events);
            const auto size = static_cast<std::uint32_t>(text.size());
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
                atoms.incr, 32, 1, &size);
            transfers.push_back(Transfer { request.requestor, property, request.target, text, 0 });
            answer.property = property;
        }
    }
    xcb_send_event(connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
        reinterpret_cast<const char*>(&answer));
}

void XcbEditorSurface::HandlePropertyNotify(const xcb_property_notify_event_t& notify)
{
    if (notify.state != XCB_PROPERTY_DELETE)
        return;
    for (std::size_t i = 0; i < transfers.size(); ++i)
        if (transfers[i].requestor == notify.window && transfers[i].property == notify.atom) {
            SendNextPiece(i);
            return;
        }
}

void XcbEditorSurface::SendNextPiece(std::size_t index)
{
    Transfer& transfer = transfers[index];
    const std::size_t left = transfer.text.size() - transfer.sent;
    const std::size_t piece = left < kPieceBytes ? left : kPieceBytes;
    // The last piece is an empty one: it tells the reader the text is complete.
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, transfer.requestor, transfer.property,
        transfer.type, 8, static_cast<std::uint32_t>(piece), transfer.text.data() + transfer.sent);
    transfer.sent += piece;
    if (piece == 0) {
        // Unless another transfer still goes to the same window, its changes are not ours
        // to hear about any more; the host's frame keeps telling us where it is moved.
        const xcb_window_t requestor = transfer.requestor;
        transfers.erase(transfers.begin() + static_cast<std::ptrdiff_t>(index));
        bool more = false;
        for (const Transfer& other : transfers)
            more = more || other.requestor == requestor;
        if (!more) {
            const std::uint32_t events = requestor == hostWindow
                ? std::uint32_t { XCB_EVENT_MASK_STRUCTURE_NOTIFY }
                : std::uint32_t { XCB_EVENT_MASK_NO_EVENT };
            xcb_change_window_attributes(connection, requestor, XCB_CW_EVENT_MASK, &events);
        }
    }
}

void XcbEditorSurface::HandOverClipboard()
{
    if (clipboardText.empty() || !window)
        return;
    std::unique_ptr<xcb_get_selection_owner_reply_t, FreeDeleter> owner(
        xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, atoms.clipboard), nullptr));
    std::unique_ptr<xcb_get_selection_owner_reply_t, FreeDeleter> manager(
        xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, atoms.clipboardManager), nullptr));
    if (!owner || owner->owner != window || !manager || manager->owner == XCB_WINDOW_NONE)
        return;
    // The manager reads our targets and copies the text while we keep answering; it is
    // given a moment, not the host's user interface for as long as it likes.
    xcb_convert_selection(connection, window, atoms.clipboardManager, atoms.saveTargets,
        atoms.transfer, XCB_CURRENT_TIME);
    xcb_flush(connection);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    while (std::chrono::steady_clock::now() < end && !xcb_connection_has_error(connection)) {
        std::unique_ptr<xcb_generic_event_t, FreeDeleter> event(xcb_poll_for_event(connection));
        if (!event) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        const int type = event->response_type & 0x7f;
        if (type == XCB_SELECTION_REQUEST)
            HandleSelectionRequest(reinterpret_cast<const xcb_selection_request_event_t&>(*event));
        else if (type == XCB_PROPERTY_NOTIFY)
            HandlePropertyNotify(reinterpret_cast<const xcb_property_notify_event_t&>(*event));
        else if (type == XCB_SELECTION_NOTIFY)
            break;
        xcb_flush(connection);
    }
    clipboardText.clear();
}
