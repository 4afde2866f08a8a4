// The X atoms the editor window speaks with: the clipboard's and the drag-and-drop
// protocol's. Interned once per display connection, all requests sent before any reply is
// awaited.
#pragma once

#include <xcb/xcb.h>

struct XcbAtoms {
    xcb_atom_t clipboard = 0;
    xcb_atom_t targets = 0;
    xcb_atom_t utf8String = 0;
    xcb_atom_t clipboardManager = 0;
    xcb_atom_t saveTargets = 0;
    xcb_atom_t incr = 0;
    xcb_atom_t xdndAware = 0;
    xcb_atom_t xdndProxy = 0;
    xcb_atom_t xdndEnter = 0;
    xcb_atom_t xdndPosition = 0;
    xcb_atom_t xdndStatus = 0;
    xcb_atom_t xdndLeave = 0;
    xcb_atom_t xdndDrop = 0;
    xcb_atom_t xdndFinished = 0;
    xcb_atom_t xdndSelection = 0;
    xcb_atom_t xdndTypeList = 0;
    xcb_atom_t xdndActionCopy = 0;
    xcb_atom_t uriList = 0;
    // Where dropped data and the clipboard manager's answers are delivered to us.
    xcb_atom_t transfer = 0;

    // False when the server answered none of them (a broken connection).
    bool Intern(xcb_connection_t* connection);
};
