#include "plugbase/window/KeyMap.h"

int EditorKeyCode(std::uint32_t keysym)
{
    switch (keysym) {
    case 0x20: // space
        return 0;
    case 0xff52: // Up
        return 1;
    case 0xff54: // Down
        return 2;
    case 0xff51: // Left
        return 3;
    case 0xff53: // Right
        return 4;
    default:
        break;
    }
    if (keysym >= '0' && keysym <= '9')
        return 6 + static_cast<int>(keysym - '0');
    if (keysym >= 'a' && keysym <= 'z')
        return 16 + static_cast<int>(keysym - 'a');
    if (keysym >= 'A' && keysym <= 'Z')
        return 16 + static_cast<int>(keysym - 'A');
    // The keypad's 1 to 9, its operators and F1 to F11 follow one another on the other
    // platform and share the letters' codes there; the keypad's 0 has none.
    if (keysym >= 0xffb1 && keysym <= 0xffb9) // KP_1 .. KP_9
        return 16 + static_cast<int>(keysym - 0xffb1);
    if (keysym >= 0xffaa && keysym <= 0xffaf) // KP_Multiply .. KP_Divide
        return 25 + static_cast<int>(keysym - 0xffaa);
    if (keysym >= 0xffbe && keysym <= 0xffc8) // F1 .. F11
        return 31 + static_cast<int>(keysym - 0xffbe);
    return -1;
}
