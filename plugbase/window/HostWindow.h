// A top-level window of a host program's own, to show a plug-in's editor in without a DAW.
// It holds no plug-in code: the host passes its native handle to effEditOpen and keeps
// idling until the user closes it.
//
// Used from one thread, the one that made it.
#pragma once

#include <memory>
#include <string>

class HostWindow {
public:
    virtual ~HostWindow() = default;
    // What effEditOpen's pointer carries: the X11 window id or the Win32 handle.
    virtual void* Handle() const = 0;
    // Serves the window's own events; false once the user has asked to close it or it is
    // gone. The window itself goes with this object, after the editor in it is closed.
    virtual bool Serve() = 0;
};

// A mapped window of the given client size and title; null with the reason in `error`
// when there is no display to open it on.
std::unique_ptr<HostWindow> CreateHostWindow(
    const std::string& title, int width, int height, std::string& error);
