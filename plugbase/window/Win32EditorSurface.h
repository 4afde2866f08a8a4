// The editor surface in a Win32 child window of the host's window: opens and closes the
// window, copies the canvas to the screen, turns window messages into the surface's mouse,
// wheel, key and drop entries, runs the frame timer (text entry commits, dirty repaints,
// the end of a wheel gesture), and hosts the in-place text entry, the colour chooser, the
// web page, the file dialog and the warning box.
//
// Created instead of the plain surface by CreateEditorSurface on Windows; owned by the
// plug-in like any surface. The window exists between OpenWindow and CloseWindow (or the
// destructor). The window class is shared by every surface of this module in the process:
// registered with the first open window, unregistered with the last.
// Threads: the host's user-interface thread only, the one that opened the window; the
// class use count is touched only there.
#pragma once

#include "editor/IEditorSurface.h"

#include "plugbase/window/Win32Dialogs.h"

#include <windows.h>

#include <memory>

class Win32EditorSurface : public IEditorSurface {
public:
    enum EntryState { kEntryIdle = 0, kEntryTyping = 1, kEntryCancel = 2, kEntryCommit = 3 };

    Win32EditorSurface(IPlugBase* plug, int width, int height, int frameRate);
    ~Win32EditorSurface() override;

    bool OpenWindow(void* parent) override;
    void CloseWindow() override;
    int HandleWheel(float delta) override;
    bool PointerAt(int& x, int& y) override;
    bool ShowRect(const IBox& box) override;
    void OpenTextEntry(IControl* control) override;
    void OpenParamEntry(IControl* control, IParameter* param, bool centred) override;
    bool OpenWebPage(const char* url, const char* caption, const char* question,
        const char* failureText) override;
    bool PromptForFile(char* outPath, int size, bool save, const char* startFolder,
        const char* extensions) override;
    void ShowWarning(const char* caption, const char* text) override;
    void SetCursor(Cursor shape) override;
    bool CopyToClipboard(const char* text) override;

    // Asks for a colour, starting from `colour`; on acceptance its red, green and blue are
    // replaced. False without a window or when cancelled.
    bool ChooseColour(IArgb& colour, const char* prompt);
    // Resizes the surface and the window, and the host's frames around it by as much.
    void ResizeWindow(int newWidth, int newHeight);
    // Everything up to the last backslash of the host's program or of this module; empty
    // when the name cannot be read or has no folder part. `out` holds `size` bytes.
    static void HostFolder(char* out, int size);
    static void PluginFolder(char* out, int size);

    bool IsWindowOpen() const { return window != nullptr; }
    HWND WindowHandle() const { return window; }
    HWND EntryHandle() const { return entry; }
    int EntryState() const { return entryState; }
    // Open editor windows of this module in the process.
    static int ClassUseCount();
    // GDI objects held by the window layers of this module (back buffers, entry fonts).
    static int LiveGdiObjects();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK EntryProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleEntryMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void Tick();
    void RepaintBox(const IBox& box);
    void FinishEntry();
    void StartEntry(HWND created, IControl* control, IParameter* param, HFONT font);
    void ReleaseClass();
    bool MakeBackBuffer();
    // Every GDI object of the layer is made and freed through these, so that tests can
    // see that none outlives its window.
    template <typename Handle> static Handle TrackGdi(Handle handle)
    {
        if (handle)
            ++liveGdiObjects;
        return handle;
    }
    static void DeleteGdi(HGDIOBJ object);
    static int liveGdiObjects;
    void FreeBackBuffer();

    HWND window = nullptr;
    HWND entry = nullptr;
    IControl* entryControl = nullptr;
    IParameter* entryParam = nullptr;
    WNDPROC entryPreviousProc = nullptr;
    HFONT entryFont = nullptr;
    bool entryIsCombo = false;
    int entryState = kEntryIdle;
    std::unique_ptr<COLORREF[]> customColours;
    // The canvas is copied here before it is shown: a DIB section the window's DC can BitBlt.
    HDC backDC = nullptr;
    HBITMAP backBitmap = nullptr;
    HGDIOBJ backPrevious = nullptr;
    std::uint32_t* backPixels = nullptr;
    HDC paintDC = nullptr; // the DC of the paint message under way, if any
};
