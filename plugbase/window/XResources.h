// The desktop's X resources (the root window's RESOURCE_MANAGER text, as `xrdb` sets it):
// here only the screen resolution the desktop asks fonts to be drawn at, which is how
// X desktops say a screen is dense enough to want larger pictures.
#pragma once

#include <xcb/xcb.h>

#include <string>

// The whole-number value of the `Xft.dpi` line in a resource text; 0 when there is none
// or it is not a number.
int XftDpiIn(const std::string& resources);

// The `Xft.dpi` of the server's resources for the given root window; 0 when unset.
int XftDpi(xcb_connection_t* connection, xcb_window_t root);
