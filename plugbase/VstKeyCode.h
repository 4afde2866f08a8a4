// The editor's key code for a key a host passes with effEditKeyDown: the character in the
// index, the host's virtual key number in the value (0 for plain characters). The codes
// are the ones the window layers give for the same keys.
#pragma once

// -1 for a key the editor does not use.
int VstKeyCode(int character, int virtualKey);
