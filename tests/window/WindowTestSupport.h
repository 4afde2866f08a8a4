// What the editor window tests share: a top-level window standing in for the host's frame,
// a message loop that runs for a while (so the editor's frame timer ticks), small WAV files
// to load, and counts of what a closed editor must not leave behind.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace WindowTest {

// A visible top-level window of 800 x 700 client pixels at the screen's corner, made on
// first use and kept for the whole program: Wine without a window manager waits two
// seconds for every top-level window that goes away.
HWND SharedParentWindow();
// Dispatches the thread's messages for `ms` milliseconds.
void Pump(int ms);
// Pumps until `done` holds or `ms` milliseconds have passed; returns `done`'s last answer.
template <typename Condition> bool PumpUntil(Condition done, int ms)
{
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(ms);
    while (!done()) {
        if (GetTickCount64() >= end)
            return false;
        Pump(10);
    }
    return true;
}
int ChildWindowCount(HWND parent);
// A short 16-bit mono WAV file in a folder of the tests' own under the temporary folder
// (in its subfolder `folder` when given); returns its full path.
std::string WriteWav(const char* name, const char* folder = nullptr);
// The window's client pixels as 0x00RRGGBB words, row by row from the top, read back from
// its DC with BitBlt.
std::vector<std::uint32_t> CaptureWindow(HWND window, int width, int height);
// Sends WM_DROPFILES with these paths dropped at the client point (x, y).
void DropFiles(HWND window, const std::vector<std::string>& paths, int x, int y);
// The text on the clipboard, empty when it holds none.
std::string ClipboardText();
// Posts IDOK to the first dialog with this title that appears within `ms` milliseconds,
// from a thread of its own, so that a modal call on this thread returns. Join with Wait.
class DialogAnswerer {
public:
    DialogAnswerer(const char* title, int ms);
    ~DialogAnswerer();
    // True when the dialog was seen and answered.
    bool Wait();

private:
    static DWORD WINAPI Run(LPVOID self);
    std::string title;
    int ms;
    bool answered = false;
    HANDLE thread = nullptr;
};

} // namespace WindowTest
