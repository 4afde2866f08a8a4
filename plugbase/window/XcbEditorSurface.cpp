#include "plugbase/window/XcbEditorSurface.h"

#include "editor/IControl.h"
#include "plugbase/IPlugBase.h"
#include "plugbase/window/DesktopProcess.h"
#include "plugbase/window/XResources.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

XcbEditorSurface::XcbEditorSurface(IPlugBase* plug, int width, int height, int frameRate)
    : IEditorSurface(plug, width, height, frameRate), clock(FrameRate())
{
}

XcbEditorSurface::~XcbEditorSurface()
{
    CloseWindow();
}

bool XcbEditorSurface::OpenWindow(void* parent)
{
    const auto parentId = static_cast<xcb_window_t>(reinterpret_cast<std::uintptr_t>(parent));
    if (parentId == 0)
        return false;
    if (connection)
        CloseWindow();

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return false;
    }
    const xcb_setup_t* setup = xcb_get_setup(c);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(setup).data;
    // The canvas is 32-bit ARGB; it goes to the server unconverted, which needs a screen
    // of 24 or 32 bits stored in 32-bit pixels.
    bool usable = false;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == screen->root_depth && it.data->bits_per_pixel == 32)
            usable = screen->root_depth == 24 || screen->root_depth == 32;
    if (!usable) {
        xcb_disconnect(c);
        return false;
    }

    scale = hostScale >= kDoubleSizeHostScale || XftDpi(c, screen->root) >= kDoubleSizeDpi ? 2 : 1;
    const xcb_window_t id = xcb_generate_id(c);
    // Our own visual and colormap: the parent's may differ (a 32-bit frame), and then a
    // border pixel and colormap must be given or the server refuses the window.
    const std::uint32_t mask = XCB_CW_BACK_PIXMAP | XCB_CW_BORDER_PIXEL | XCB_CW_EVENT_MASK
        | XCB_CW_COLORMAP;
    const std::uint32_t values[] = {
        XCB_BACK_PIXMAP_NONE,
        0,
        XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE
            | XCB_EVENT_MASK_BUTTON_MOTION | XCB_EVENT_MASK_KEY_PRESS
            | XCB_EVENT_MASK_STRUCTURE_NOTIFY,
        screen->default_colormap,
    };
    const xcb_void_cookie_t created = xcb_create_window_checked(c, screen->root_depth, id, parentId,
        0, 0, static_cast<std::uint16_t>(Width() * scale), static_cast<std::uint16_t>(Height() * scale), 0,
        XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, mask, values);
    if (xcb_generic_error_t* error = xcb_request_check(c, created)) {
        // Most often a parent that is gone or was never there.
        std::free(error);
        xcb_disconnect(c);
        return false;
    }
    connection = c;
    window = id;
    hostWindow = parentId;
    atoms.Intern(c);
    MarkDropTarget(parentId);
    // Hosts that embed their frame later (XEmbed) move it under new ancestors, which then
    // need pointing to us too.
    const std::uint32_t parentEvents = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, parentId, XCB_CW_EVENT_MASK, &parentEvents);
    depth = screen->root_depth;
    swapBytes = setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST;
    maxRequestBytes = xcb_get_maximum_request_length(c) * 4u;
    gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, window, 0, nullptr);
    LoadKeyboardMapping();
    xcb_map_window(c, window);
    xcb_flush(c);

    owner = std::this_thread::get_id();
    clock.Restart(FrameClock::Clock::now());
    exposed = IBox {};
    lastPressTime = 0;
    lastPressButton = 0;
    InvalidateAll();
    return true;
}

int XcbEditorSurface::WindowScale() const
{
    if (connection)
        return scale;
    // Before opening only the host's word is known: asking the desktop would take a
    // display connection from every plug-in made, windowless ones (pictures, renders)
    // included. The desktop is asked at the open, and the size given after it follows.
    return hostScale >= kDoubleSizeHostScale ? 2 : 1;
}

int XcbEditorSurface::ToCanvas(int windowCoordinate) const
{
    // Division truncates toward zero; a drag just left of the window must stay left of it.
    return windowCoordinate >= 0 ? windowCoordinate / scale
                                 : -((scale - 1 - windowCoordinate) / scale);
}

void XcbEditorSurface::CloseWindow()
{
    if (!connection)
        return;
    if (WheelCountdown() > 0 && plug)
        plug->FinishWheelEdit();
    entry.Close();
    dialog.Cancel();
    HandOverClipboard();
    UnmarkDropTarget();
    FreeCursors();
    dragSource = 0;
    dropPending = false;
    // Closing the connection releases everything it made (window, context) even when the
    // host has already destroyed our parent; destroying the window first keeps a shared
    // parent tidy for the host while the server catches up.
    if (window)
        xcb_destroy_window(connection, window);
    // A round trip: the host finds its windows as we leave them once the call returns, not
    // whenever the server gets to the rest of our requests.
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    xcb_disconnect(connection);
    connection = nullptr;
    transfers.clear();
    window = 0;
    hostWindow = 0;
    gc = 0;
    keysyms.clear();
    band.clear();
    band.shrink_to_fit();
}

void XcbEditorSurface::Idle()
{
    if (!connection || inIdle || std::this_thread::get_id() != owner)
        return;
    inIdle = true;
    if (xcb_connection_has_error(connection)) {
        // The server went away: nothing more can be shown, and what we had is gone.
        inIdle = false;
        CloseWindow();
        return;
    }
    ServeEvents();
    if (connection)
        ServeDialog();
    if (connection && clock.TickDue(FrameClock::Clock::now()))
        Tick();
    if (connection)
        xcb_flush(connection);
    inIdle = false;
}

void XcbEditorSurface::Tick()
{
    SettleEntry();
    IBox dirty;
    if (CollectDirty(dirty)) {
        PaintDirty(dirty);
        if (entry.IsOpen() && dirty.Overlaps(entry.Box()))
            ShowEntry();
    }
    if (LiveBox().Width() > 0)
        PaintDirty(LiveBox());
    if (WheelCountdown() > 0) {
        SetWheelCountdown(WheelCountdown() - 1);
        if (WheelCountdown() == 0 && plug)
            plug->FinishWheelEdit();
    }
}

void XcbEditorSurface::SettleEntry()
{
    if (!entry.IsOpen())
        return;
    if (entry.state == CanvasTextEntry::kCommit)
        ApplyTypedText(entry.Control(), entry.Param(), entry.Text().c_str());
    if (entry.state == CanvasTextEntry::kCommit || entry.state == CanvasTextEntry::kCancel) {
        IControl* control = entry.Control();
        entry.Close();
        control->TextEntryDone();
        // The entry was drawn into the canvas over whatever lay beneath it.
        InvalidateAll();
        return;
    }
    if (entry.state == CanvasTextEntry::kTyping)
        entry.state = CanvasTextEntry::kIdle;
}

void XcbEditorSurface::ShowEntry()
{
    if (!entry.IsOpen())
        return;
    entry.Draw(*this);
    ShowRect(entry.Box());
}

bool XcbEditorSurface::ShowRect(const IBox& box)
{
    if (!connection || !window)
        return true;
    const IRaster& canvas = Canvas();
    const IBox area = box.Intersect(IBox { 0, 0, canvas.Width(), canvas.Height() });
    const int w = area.Width();
    if (w <= 0 || area.Height() <= 0)
        return true;
    const int s = scale;
    const int shownWidth = w * s;
    // One canvas row is `s` rows of `s` times its width on the screen.
    const std::uint32_t rowBytes = static_cast<std::uint32_t>(shownWidth) * 4u * static_cast<std::uint32_t>(s);
    // Requests have a size limit; the box goes in bands of whole rows that fit.
    const std::uint32_t fit = maxRequestBytes > 64 ? (maxRequestBytes - 64) / rowBytes : 1;
    const int rowsPerBand = static_cast<int>(std::max<std::uint32_t>(1, std::min<std::uint32_t>(fit, 1u << 14)));
    for (int top = area.top; top < area.bottom; top += rowsPerBand) {
        const int rows = std::min(rowsPerBand, area.bottom - top);
        band.resize(static_cast<std::size_t>(shownWidth) * static_cast<std::size_t>(rows * s));
        for (int y = 0; y < rows; ++y) {
            const std::uint32_t* src = canvas.Pixels()
                + static_cast<std::size_t>(top + y) * static_cast<std::size_t>(canvas.Width())
                + static_cast<std::size_t>(area.left);
            std::uint32_t* dst = band.data() + static_cast<std::size_t>(y * s) * static_cast<std::size_t>(shownWidth);
            for (int x = 0; x < w; ++x) {
                // The canvas's alpha means nothing on screen; a 32-bit visual would read
                // it as transparency.
                std::uint32_t p = src[x] | 0xff000000u;
                if (swapBytes)
                    p = (p >> 24) | ((p >> 8) & 0xff00u) | ((p << 8) & 0xff0000u) | (p << 24);
                for (int k = 0; k < s; ++k)
                    dst[x * s + k] = p;
            }
            for (int k = 1; k < s; ++k)
                std::copy(dst, dst + shownWidth, dst + static_cast<std::size_t>(k) * static_cast<std::size_t>(shownWidth));
        }
        xcb_put_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, gc,
                      static_cast<std::uint16_t>(shownWidth), static_cast<std::uint16_t>(rows * s),
                      static_cast<std::int16_t>(area.left * s), static_cast<std::int16_t>(top * s), 0,
                      depth, static_cast<std::uint32_t>(band.size() * 4),
                      reinterpret_cast<const std::uint8_t*>(band.data()));
    }
    return true;
}

int XcbEditorSurface::HandleWheel(float delta)
{
    int x = 0;
    int y = 0;
    std::uint16_t state = 0;
    if (!PointerPosition(x, y, state) || x < 0 || y < 0 || x >= Width() || y >= Height())
        return 0;
    IMouseKeys keys = KeysFrom(state);
    keys.left = false;
    keys.right = false;
    MouseWheel(x, y, keys, std::trunc(static_cast<double>(delta)));
    return 1;
}

void XcbEditorSurface::OpenTextEntry(IControl* control)
{
    if (!connection || entry.IsOpen())
        return;
    entry.OpenForText(control);
    ShowEntry();
}

void XcbEditorSurface::OpenParamEntry(IControl* control, IParameter* param, bool centred)
{
    if (!connection || entry.IsOpen())
        return;
    entry.OpenForParam(control, param, centred);
    ShowEntry();
}

bool XcbEditorSurface::OpenWebPage(const char* url, const char* caption, const char* question,
                                   const char* failure)
{
    if (!url || !url[0])
        return false;
    // No modal question here: asking would stop the host's user interface until answered,
    // and a click on a link is the user's answer already.
    (void)question;
    if (DesktopProcess::StartDetached({ "xdg-open", url }))
        return true;
    if (failure && failure[0])
        ShowWarning(caption ? caption : "", failure);
    return false;
}
