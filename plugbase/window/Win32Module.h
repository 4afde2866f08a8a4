// The instance handle of the module this code is linked into: Quellorn.dll inside a host
// (never the host's program), or the program itself for a test linked with the same code.
// Its resources (the editor's images) and, later, its window class are found through it.
// Taken once, while the module is attached to the process; any thread afterwards.
#pragma once

#include <windows.h>

HMODULE Win32ModuleHandle();
