// The X events of the editor window, translated into the surface's entries: the same
// modifier record and key codes as on every other platform.
#include "plugbase/window/XcbEditorSurface.h"

#include "plugbase/window/KeyMap.h"

#include <cstdlib>
#include <memory>

namespace {

constexpr std::uint8_t kLeftButton = 1;
constexpr std::uint8_t kRightButton = 3;
constexpr std::uint8_t kWheelUp = 4;
constexpr std::uint8_t kWheelDown = 5;

constexpr std::uint32_t kKeyReturn = 0xff0d;
constexpr std::uint32_t kKeyPadEnter = 0xff8d;
constexpr std::uint32_t kKeyEscape = 0xff1b;
constexpr std::uint32_t kKeyBackSpace = 0xff08;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

} // namespace

void XcbEditorSurface::ServeEvents()
{
    // Motion arrives much faster than anything can use it; only the last of a run counts.
    std::unique_ptr<xcb_generic_event_t, FreeDeleter> pendingMotion;
    while (connection) {
        std::unique_ptr<xcb_generic_event_t, FreeDeleter> event(xcb_poll_for_event(connection));
        if (!event)
            break;
        if ((event->response_type & 0x7f) == XCB_MOTION_NOTIFY) {
            pendingMotion = std::move(event);
            continue;
        }
        if (pendingMotion)
            HandleEvent(*pendingMotion);
        pendingMotion.reset();
        HandleEvent(*event);
    }
    if (pendingMotion && connection)
        HandleEvent(*pendingMotion);
    if (connection && !exposed.Empty()) {
        const IBox box = exposed;
        exposed = IBox {};
        PaintDirty(box);
        if (ControlCount() == 0)
            ShowRect(box);
        if (entry.IsOpen() && box.Overlaps(entry.Box()))
            ShowEntry();
    }
}

void XcbEditorSurface::AddExposed(const IBox& box)
{
    exposed = exposed.Empty() ? box : exposed.Union(box);
}

void XcbEditorSurface::HandleEvent(const xcb_generic_event_t& event)
{
    switch (event.response_type & 0x7f) {
    case 0:
        // An error reply to a request of ours: it concerns that request only.
        break;
    case XCB_EXPOSE: {
        const auto& e = reinterpret_cast<const xcb_expose_event_t&>(event);
        // Every canvas pixel the exposed screen pixels show, partly shown ones included.
        if (e.window == window)
            AddExposed(IBox { e.x / scale, e.y / scale, (e.x + e.width + scale - 1) / scale,
                (e.y + e.height + scale - 1) / scale });
        break;
    }
    case XCB_BUTTON_PRESS:
        HandleButtonPress(reinterpret_cast<const xcb_button_press_event_t&>(event));
        break;
    case XCB_BUTTON_RELEASE: {
        const auto& e = reinterpret_cast<const xcb_button_release_event_t&>(event);
        if (e.detail != kLeftButton && e.detail != kRightButton)
            break;
        // The state is the one before the release; the released button is up now.
        IMouseKeys keys = KeysFrom(e.state);
        (e.detail == kLeftButton ? keys.left : keys.right) = false;
        MouseRelease(ToCanvas(e.event_x), ToCanvas(e.event_y), keys);
        break;
    }
    case XCB_MOTION_NOTIFY: {
        const auto& e = reinterpret_cast<const xcb_motion_notify_event_t&>(event);
        const IMouseKeys keys = KeysFrom(e.state);
        if (keys.left || keys.right)
            MouseDrag(ToCanvas(e.event_x), ToCanvas(e.event_y), keys);
        break;
    }
    case XCB_KEY_PRESS:
        HandleKeyPress(reinterpret_cast<const xcb_key_press_event_t&>(event));
        break;
    case XCB_DESTROY_NOTIFY: {
        // The host destroyed our parent, and our window with it.
        const auto& e = reinterpret_cast<const xcb_destroy_notify_event_t&>(event);
        if (e.window == window)
            window = 0;
        break;
    }
    case XCB_REPARENT_NOTIFY: {
        const auto& e = reinterpret_cast<const xcb_reparent_notify_event_t&>(event);
        if (e.window == hostWindow && window) {
            UnmarkDropTarget();
            MarkDropTarget(hostWindow);
        }
        break;
    }
    case XCB_SELECTION_REQUEST:
        HandleSelectionRequest(reinterpret_cast<const xcb_selection_request_event_t&>(event));
        break;
    case XCB_SELECTION_CLEAR:
        // Another client copied something: what we held is no longer the clipboard.
        clipboardText.clear();
        break;
    case XCB_SELECTION_NOTIFY:
        HandleSelectionNotify(reinterpret_cast<const xcb_selection_notify_event_t&>(event));
        break;
    case XCB_PROPERTY_NOTIFY:
        HandlePropertyNotify(reinterpret_cast<const xcb_property_notify_event_t&>(event));
        break;
    case XCB_CLIENT_MESSAGE:
        HandleClientMessage(reinterpret_cast<const xcb_client_message_event_t&>(event));
        break;
    case XCB_MAPPING_NOTIFY:
        LoadKeyboardMapping();
        break;
    default:
        break;
    }
}

void XcbEditorSurface::HandleButtonPress(const xcb_button_press_event_t& press)
{
    const int x = ToCanvas(press.event_x);
    const int y = ToCanvas(press.event_y);
    IMouseKeys keys = KeysFrom(press.state);
    if (press.detail == kWheelUp || press.detail == kWheelDown) {
        MouseWheel(x, y, keys, press.detail == kWheelUp ? 1.0 : -1.0);
        return;
    }
    if (press.detail != kLeftButton && press.detail != kRightButton)
        return;
    (press.detail == kLeftButton ? keys.left : keys.right) = true;
    // Keys go where the user clicked last: hosts leave the focus on their own frame.
    xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);

    const bool right = press.detail == kRightButton;
    if (entry.IsOpen()) {
        if (entry.Contains(x, y)) {
            if (!right)
                entry.ChooseItem(entry.ItemAt(x, y));
            return;
        }
        if (right) {
            if (entry.state != CanvasTextEntry::kTyping) {
                IControl* control = entry.Control();
                const bool textControl = entry.Param() == nullptr;
                entry.state = CanvasTextEntry::kCancel;
                if (textControl)
                    ApplyTypedText(control, nullptr, "");
            } else {
                entry.state = CanvasTextEntry::kCancel;
            }
            return;
        }
        entry.state = CanvasTextEntry::kCommit;
    }

    const bool doubleClick = !right && lastPressButton == kLeftButton
        && press.time - lastPressTime <= kDoubleClickMs
        && std::abs(x - lastPressX) <= kDoubleClickDistance
        && std::abs(y - lastPressY) <= kDoubleClickDistance;
    if (doubleClick) {
        // A third press starts a new pair rather than making a second double click.
        lastPressButton = 0;
        MouseDoubleClick(x, y, keys);
        return;
    }
    lastPressButton = press.detail;
    lastPressTime = press.time;
    lastPressX = x;
    lastPressY = y;
    MousePress(x, y, keys);
}

void XcbEditorSurface::HandleKeyPress(const xcb_key_press_event_t& key)
{
    const bool shifted = (key.state & XCB_MOD_MASK_SHIFT) != 0;
    if (entry.IsOpen()) {
        std::uint32_t sym = Keysym(key.detail, shifted ? 1 : 0);
        if (sym == 0)
            sym = Keysym(key.detail, 0);
        HandleEntryKey(sym);
        return;
    }
    // The first of the plain and the shifted symbol that the editor knows: letters in
    // the first column, the keypad's digits in the second.
    int code = EditorKeyCode(Keysym(key.detail, 0));
    if (code < 0)
        code = EditorKeyCode(Keysym(key.detail, 1));
    if (code >= 0)
        KeyDown(ToCanvas(key.event_x), ToCanvas(key.event_y), code);
}

void XcbEditorSurface::HandleEntryKey(std::uint32_t keysym)
{
    switch (keysym) {
    case kKeyReturn:
    case kKeyPadEnter:
        entry.state = CanvasTextEntry::kCommit;
        return;
    case kKeyEscape:
        entry.state = CanvasTextEntry::kCancel;
        return;
    case kKeyBackSpace:
        entry.Backspace();
        break;
    default:
        // Latin-1 symbols are their own characters; the field takes the printable ASCII.
        if (keysym >= 0x20 && keysym < 0x7f)
            entry.TypeChar(static_cast<char>(keysym));
        else
            return;
    }
    ShowEntry();
}

IMouseKeys XcbEditorSurface::KeysFrom(std::uint16_t state) const
{
    IMouseKeys keys;
    keys.left = (state & XCB_KEY_BUT_MASK_BUTTON_1) != 0;
    keys.right = (state & XCB_KEY_BUT_MASK_BUTTON_3) != 0;
    keys.shift = (state & XCB_MOD_MASK_SHIFT) != 0;
    keys.control = (state & XCB_MOD_MASK_CONTROL) != 0;
    keys.alt = (state & XCB_MOD_MASK_1) != 0;
    return keys;
}

std::uint32_t XcbEditorSurface::Keysym(std::uint8_t keycode, int column) const
{
    if (keycode < minKeycode || column >= keysymsPerKeycode)
        return 0;
    const std::size_t at = static_cast<std::size_t>(keycode - minKeycode)
            * static_cast<std::size_t>(keysymsPerKeycode)
        + static_cast<std::size_t>(column);
    return at < keysyms.size() ? keysyms[at] : 0;
}

void XcbEditorSurface::LoadKeyboardMapping()
{
    keysyms.clear();
    keysymsPerKeycode = 0;
    const xcb_setup_t* setup = xcb_get_setup(connection);
    minKeycode = setup->min_keycode;
    const auto count = static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1);
    std::unique_ptr<xcb_get_keyboard_mapping_reply_t, FreeDeleter> reply(
        xcb_get_keyboard_mapping_reply(connection,
            xcb_get_keyboard_mapping(connection, minKeycode, count), nullptr));
    if (!reply)
        return;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply.get());
    const int length = xcb_get_keyboard_mapping_keysyms_length(reply.get());
    keysyms.assign(syms, syms + length);
    keysymsPerKeycode = reply->keysyms_per_keycode;
}

bool XcbEditorSurface::PointerPosition(int& x, int& y, std::uint16_t& state)
{
    if (!connection || !window)
        return false;
    std::unique_ptr<xcb_query_pointer_reply_t, FreeDeleter> reply(
        xcb_query_pointer_reply(connection, xcb_query_pointer(connection, window), nullptr));
    if (!reply || !reply->same_screen)
        return false;
    x = ToCanvas(reply->win_x);
    y = ToCanvas(reply->win_y);
    state = reply->mask;
    return true;
}
