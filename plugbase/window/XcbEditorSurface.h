// The editor window on Linux: an X11 child window of the host's editor frame, driven
// through XCB on a display connection of its own (never the host's), so an error about a
// window that vanished comes back to us as a reply instead of ending the host.
//
// One per plug-in object (the surface lives as long as the plug-in; the window comes and
// goes). Hosts call it only from their user-interface thread: the thread that opened the
// window owns it, and idle calls from another thread, or made re-entrantly from inside our
// own idle work, are ignored. No thread is started: events and the frame timer are served
// from the host's effEditIdle.
#pragma once

#include "editor/IEditorSurface.h"
#include "plugbase/window/CanvasTextEntry.h"
#include "plugbase/window/DesktopDialog.h"
#include "plugbase/window/FrameClock.h"
#include "plugbase/window/XcbAtoms.h"

#include <xcb/xcb.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class XcbEditorSurface : public IEditorSurface {
public:
    // Dense screens: a host scale or an `Xft.dpi` from these up opens the window at twice
    // the canvas size, each canvas pixel shown as 2 x 2.
    static constexpr float kDoubleSizeHostScale = 1.5f;
    static constexpr int kDoubleSizeDpi = 144;
    // The desktop's usual double-click time and distance.
    static constexpr std::uint32_t kDoubleClickMs = 400;
    static constexpr int kDoubleClickDistance = 4;

    XcbEditorSurface(IPlugBase* plug, int width, int height, int frameRate);
    ~XcbEditorSurface() override;

    // `parent` is the host's window id, carried in the pointer.
    bool OpenWindow(void* parent) override;
    void CloseWindow() override;
    void Idle() override;
    bool ShowRect(const IBox& box) override;
    int HandleWheel(float delta) override;
    void OpenTextEntry(IControl* control) override;
    void OpenParamEntry(IControl* control, IParameter* param, bool centred) override;
    bool OpenWebPage(const char* url, const char* caption, const char* question,
                     const char* failure) override;
    bool PointerAt(int& x, int& y) override;
    void SetHostScale(float scale) override { hostScale = scale; }
    int WindowScale() const override;
    void SetCursor(Cursor shape) override;
    // Owns the CLIPBOARD selection while the window is open and serves it from idle.
    bool CopyToClipboard(const char* text) override;
    // Starts the desktop's file dialog and answers "nothing chosen" at once: the file the
    // user picks arrives on a later idle call as a drop at the point of the click that
    // asked. With no dialog program installed, a warning says how else to load a file.
    bool PromptForFile(char* outPath, int size, bool save, const char* startFolder,
                       const char* extensions) override;
    // Shown by the desktop's dialog program while the window is open; always recorded.
    void ShowWarning(const char* caption, const char* text) override;

    bool IsWindowOpen() const { return connection != nullptr; }
    std::uint32_t WindowId() const { return window; }
    const CanvasTextEntry& TextEntry() const { return entry; }

private:
    void ServeEvents();
    void HandleEvent(const xcb_generic_event_t& event);
    void HandleButtonPress(const xcb_button_press_event_t& press);
    void HandleKeyPress(const xcb_key_press_event_t& key);
    void HandleEntryKey(std::uint32_t keysym);
    void Tick();
    void SettleEntry();
    void ShowEntry();
    IMouseKeys KeysFrom(std::uint16_t state) const;
    // A window coordinate as a canvas one: rounded down, also left of or above the window.
    int ToCanvas(int windowCoordinate) const;
    std::uint32_t Keysym(std::uint8_t keycode, int column) const;
    void LoadKeyboardMapping();
    bool PointerPosition(int& x, int& y, std::uint16_t& state);
    void AddExposed(const IBox& box);
    void FreeCursors();
    void HandOverClipboard();
    void HandleSelectionRequest(const xcb_selection_request_event_t& request);
    void HandleSelectionNotify(const xcb_selection_notify_event_t& notify);
    void HandlePropertyNotify(const xcb_property_notify_event_t& notify);
    void SendNextPiece(std::size_t transfer);
    void HandleClientMessage(const xcb_client_message_event_t& message);
    void SendToSource(xcb_atom_t type, std::uint32_t d1, std::uint32_t d2, std::uint32_t d3,
                      std::uint32_t d4);
    void FinishDrop(bool accepted);
    void MarkDropTarget(xcb_window_t parent);
    void UnmarkDropTarget();
    void ServeDialog();

    xcb_connection_t* connection = nullptr;
    xcb_window_t window = 0;
    xcb_window_t hostWindow = 0;
    xcb_gcontext_t gc = 0;
    std::uint8_t depth = 24;
    bool swapBytes = false;
    std::uint32_t maxRequestBytes = 0;
    std::vector<std::uint32_t> keysyms;
    std::uint8_t minKeycode = 0;
    int keysymsPerKeycode = 0;
    std::vector<std::uint32_t> band;
    float hostScale = 1.0f;
    int scale = 1;

    FrameClock clock;
    CanvasTextEntry entry;
    std::thread::id owner;
    bool inIdle = false;
    IBox exposed;
    std::uint32_t lastPressTime = 0;
    int lastPressX = 0;
    int lastPressY = 0;
    int lastPressButton = 0;

    XcbAtoms atoms;
    xcb_cursor_t cursors[3] = {};
    std::string clipboardText;
    // Clipboard texts too long for one request, going to their readers piece by piece
    // (INCR): each piece is written once the reader has deleted the one before.
    struct Transfer {
        xcb_window_t requestor;
        xcb_atom_t property;
        xcb_atom_t type;
        std::string text;
        std::size_t sent;
    };
    std::vector<Transfer> transfers;
    // The drag under way: its source, the window it aimed at, where it is over us, and
    // whether it offers a file list.
    xcb_window_t dragSource = 0;
    xcb_window_t dragTarget = 0;
    int dragX = 0;
    int dragY = 0;
    bool dragHasFiles = false;
    bool dropPending = false;
    // Host windows given an XdndProxy property pointing to us, to be taken off on close.
    std::vector<xcb_window_t> proxied;
    // Our window as those properties name it: it may be gone, with its parent, by close.
    xcb_window_t proxyFor = 0;
    DesktopDialog dialog;
    int dialogX = 0;
    int dialogY = 0;
};
