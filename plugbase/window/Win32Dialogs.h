// The modal calls of the Win32 window layer (message boxes, file dialogs, colour chooser,
// opening a web page) behind one replaceable set of function pointers, so that tests can
// answer them without a dialog waiting for a user. Process-wide; the user-interface
// thread only.
#pragma once

#include <windows.h>

#include <commdlg.h>

struct Win32Dialogs {
    int(WINAPI* messageBox)(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
    BOOL(WINAPI* openFile)(LPOPENFILENAMEA dialog);
    BOOL(WINAPI* saveFile)(LPOPENFILENAMEA dialog);
    BOOL(WINAPI* chooseColour)(LPCHOOSECOLORA dialog);
    HINSTANCE(WINAPI* shellExecute)
    (HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR folder, INT show);
};

// The system's own calls.
Win32Dialogs SystemWin32Dialogs();
// The calls in use; SetWin32Dialogs puts others in their place and returns the old set.
const Win32Dialogs& CurrentWin32Dialogs();
Win32Dialogs SetWin32Dialogs(const Win32Dialogs& dialogs);
