// The editor's key codes for X keysyms: space 0, arrows 1 to 4, digits 6 to 15, letters
// 16 to 41, and the keypad keys that share the letters' codes on the other platform.
#pragma once

#include <cstdint>

// -1 for a key the editor does not use.
int EditorKeyCode(std::uint32_t keysym);
