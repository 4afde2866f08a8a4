// The Win32 window layer's services for the controls: the file dialog, the colour chooser,
// web pages, the warning box, the pointer's shape, the clipboard and the folders of the
// host and of this module.
#include "plugbase/window/Win32EditorSurface.h"

#include "plugbase/window/Win32Module.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {
constexpr int kDialogPathSize = 256;
constexpr DWORD kOpenFlags = 0x81800; // explorer, file and path must exist
constexpr DWORD kSaveFlags = 0x81802; // the same, and ask before overwriting

// The folder part of a module's file name, trailing backslash included.
void FolderOf(HMODULE module, char* out, int size)
{
    if (!out || size <= 0)
        return;
    out[0] = '\0';
    char name[256] = {};
    const DWORD length = GetModuleFileNameA(module, name, sizeof name);
    if (length == 0 || length >= sizeof name)
        return;
    const char* last = std::strrchr(name, '\\');
    if (!last || last[1] == '\0')
        return;
    const int keep = static_cast<int>(last - name) + 1;
    if (keep >= size)
        return;
    std::memcpy(out, name, static_cast<std::size_t>(keep));
    out[keep] = '\0';
}

UINT_PTR CALLBACK ColourHook(HWND dialog, UINT msg, WPARAM, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) {
        const auto* chooser = reinterpret_cast<const CHOOSECOLORA*>(lParam);
        if (chooser && chooser->lCustData)
            SetWindowTextA(dialog, reinterpret_cast<const char*>(chooser->lCustData));
    }
    return 0;
}
} // namespace

bool Win32EditorSurface::PromptForFile(
    char* outPath, int size, bool save, const char* startFolder, const char* extensions)
{
    if (!outPath || size <= 0)
        return false;
    if (!window) {
        outPath[0] = '\0';
        return false;
    }
    char file[kDialogPathSize] = {};
    std::size_t given = 0;
    while (given < static_cast<std::size_t>(size) && given < kDialogPathSize - 1 && outPath[given])
        ++given;
    std::memcpy(file, outPath, given);

    // "wav ogg sfz" becomes "*.wav;*.ogg;*.sfz", both description and pattern.
    std::string pattern;
    std::string firstWord;
    const char* words = extensions ? extensions : "";
    while (*words) {
        while (*words == ' ')
            ++words;
        const char* end = words;
        while (*end && *end != ' ')
            ++end;
        if (end > words) {
            const std::string word(words, end);
            if (firstWord.empty())
                firstWord = word;
            pattern += (pattern.empty() ? "*." : ";*.") + word;
        }
        words = end;
    }
    std::string filter = pattern;
    filter.push_back('\0');
    filter += pattern;
    filter.push_back('\0');

    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window;
    dialog.lpstrFilter = pattern.empty() ? nullptr : filter.c_str();
    dialog.lpstrFile = file;
    dialog.nMaxFile = kDialogPathSize - 1;
    dialog.lpstrInitialDir = startFolder && startFolder[0] ? startFolder : nullptr;
    dialog.lpstrTitle = "Select audio sample";
    dialog.lpstrDefExt = firstWord.empty() ? nullptr : firstWord.c_str();
    dialog.Flags = save ? kSaveFlags : kOpenFlags;
    const Win32Dialogs& calls = CurrentWin32Dialogs();
    const BOOL confirmed = save ? calls.saveFile(&dialog) : calls.openFile(&dialog);
    file[kDialogPathSize - 1] = '\0';
    const std::size_t length = std::strlen(file);
    // A chosen path longer than the caller's buffer is not cut: a cut path names another file.
    if (!confirmed || length >= static_cast<std::size_t>(size)) {
        outPath[0] = '\0';
        return false;
    }
    std::memcpy(outPath, file, length + 1);
    return true;
}

bool Win32EditorSurface::ChooseColour(IArgb& colour, const char* prompt)
{
    if (!window)
        return false;
    if (!customColours) {
        customColours.reset(new COLORREF[16]);
        std::fill(customColours.get(), customColours.get() + 16, RGB(255, 255, 255));
    }
    CHOOSECOLORA chooser = {};
    chooser.lStructSize = sizeof chooser;
    chooser.hwndOwner = window;
    chooser.rgbResult = RGB(std::clamp(colour.red, 0, 255), std::clamp(colour.green, 0, 255),
        std::clamp(colour.blue, 0, 255));
    chooser.lpCustColors = customColours.get();
    chooser.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (prompt) {
        chooser.Flags |= CC_ENABLEHOOK;
        chooser.lpfnHook = &ColourHook;
        chooser.lCustData = reinterpret_cast<LPARAM>(prompt);
    }
    if (!CurrentWin32Dialogs().chooseColour(&chooser))
        return false;
    colour.red = GetRValue(chooser.rgbResult);
    colour.green = GetGValue(chooser.rgbResult);
    colour.blue = GetBValue(chooser.rgbResult);
    return true;
}

bool Win32EditorSurface::OpenWebPage(
    const char* url, const char* caption, const char* question, const char* failureText)
{
    if (!url)
        return false;
    const Win32Dialogs& calls = CurrentWin32Dialogs();
    if (question && calls.messageBox(window, question, caption, MB_YESNO) != IDYES)
        return false;
    const HINSTANCE result
        = calls.shellExecute(window, "open", url, nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(result) > 32)
        return true;
    if (failureText)
        calls.messageBox(window, failureText, caption, MB_OK);
    return false;
}

void Win32EditorSurface::ShowWarning(const char* caption, const char* text)
{
    IEditorSurface::ShowWarning(caption, text);
    // No owner: the warning may come while no editor window is open.
    CurrentWin32Dialogs().messageBox(
        nullptr, text ? text : "", caption ? caption : "", MB_OK | MB_ICONWARNING);
}

// ---- pointer and clipboard ----------------------------------------------------------------

void Win32EditorSurface::SetCursor(Cursor shape)
{
    // The system's shared cursors: nothing to free.
    const int id = shape == Cursor::kResizeHorizontal ? 32644 // IDC_SIZEWE
        : shape == Cursor::kUpArrow                   ? 32516 // IDC_UPARROW
                                                      : 32512; // IDC_ARROW
    ::SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(id)));
}

bool Win32EditorSurface::CopyToClipboard(const char* text)
{
    if (!window || !text || !OpenClipboard(window))
        return false;
    EmptyClipboard();
    const std::size_t size = std::strlen(text) + 1;
    bool placed = false;
    if (const HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size)) {
        if (void* bytes = GlobalLock(copy)) {
            std::memcpy(bytes, text, size);
            GlobalUnlock(copy);
            // From here on the clipboard owns the copy.
            placed = SetClipboardData(CF_TEXT, copy) != nullptr;
        }
        if (!placed)
            GlobalFree(copy);
    }
    CloseClipboard();
    return placed;
}

void Win32EditorSurface::HostFolder(char* out, int size)
{
    FolderOf(nullptr, out, size);
}

void Win32EditorSurface::PluginFolder(char* out, int size)
{
    FolderOf(Win32ModuleHandle(), out, size);
}
