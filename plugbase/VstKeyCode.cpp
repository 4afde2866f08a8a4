#include "plugbase/VstKeyCode.h"

namespace {

// The host's virtual key numbers that mean something to the editor.
constexpr int kVirtualSpace = 7;
constexpr int kVirtualLeft = 11;
constexpr int kVirtualUp = 12;
constexpr int kVirtualRight = 13;
constexpr int kVirtualDown = 14;
constexpr int kVirtualPad1 = 25;
constexpr int kVirtualPad9 = 33;
constexpr int kVirtualMultiply = 34;
constexpr int kVirtualDivide = 39;
constexpr int kVirtualF1 = 40;
constexpr int kVirtualF11 = 50;

} // namespace

int VstKeyCode(int character, int virtualKey)
{
    switch (virtualKey) {
    case 0:
        break;
    case kVirtualSpace:
        return 0;
    case kVirtualUp:
        return 1;
    case kVirtualDown:
        return 2;
    case kVirtualLeft:
        return 3;
    case kVirtualRight:
        return 4;
    default:
        // The keypad's 1 to 9, its operators and F1 to F11 share the letters' codes, as
        // they do when typed into the window; the keypad's 0 has none.
        if (virtualKey >= kVirtualPad1 && virtualKey <= kVirtualPad9)
            return 16 + virtualKey - kVirtualPad1;
        if (virtualKey >= kVirtualMultiply && virtualKey <= kVirtualDivide)
            return 25 + virtualKey - kVirtualMultiply;
        if (virtualKey >= kVirtualF1 && virtualKey <= kVirtualF11)
            return 31 + virtualKey - kVirtualF1;
        return -1;
    }
    if (character == ' ')
        return 0;
    if (character >= '0' && character <= '9')
        return 6 + character - '0';
    if (character >= 'a' && character <= 'z')
        return 16 + character - 'a';
    if (character >= 'A' && character <= 'Z')
        return 16 + character - 'A';
    return -1;
}
