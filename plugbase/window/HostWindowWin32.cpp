// The host's top-level window on Windows: a plain overlapped window whose close button only
// tells the host to stop; the window itself goes with this object, after the editor in it.
#include "plugbase/window/HostWindow.h"

#include <windows.h>

namespace {

constexpr const char* kHostWindowClass = "QuellornHostWindow";

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE) {
        // Not destroyed here: the editor inside must be closed first.
        SetWindowLongPtrA(window, GWLP_USERDATA, 1);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class HostWindowWin32 : public HostWindow {
public:
    explicit HostWindowWin32(HWND w) : window(w) {}
    ~HostWindowWin32() override
    {
        if (IsWindow(window))
            DestroyWindow(window);
        UnregisterClassA(kHostWindowClass, GetModuleHandleA(nullptr));
    }
    void* Handle() const override { return window; }
    bool Serve() override
    {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                return false;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        return IsWindow(window) && GetWindowLongPtrA(window, GWLP_USERDATA) == 0;
    }

private:
    HWND window;
};

} // namespace

std::unique_ptr<HostWindow> CreateHostWindow(
    const std::string& title, int width, int height, std::string& error)
{
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = HostWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kHostWindowClass;
    if (!RegisterClassA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        error = "cannot register the host's window class";
        return nullptr;
    }
    // The editor fills the client area; the frame and title bar come on top of it.
    const DWORD style = WS_OVERLAPPEDWINDOW & ~(WS_THICKFRAME | WS_MAXIMIZEBOX);
    RECT frame { 0, 0, width, height };
    AdjustWindowRect(&frame, style, FALSE);
    const HWND window = CreateWindowExA(0, kHostWindowClass, title.c_str(), style, CW_USEDEFAULT,
        CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
        instance, nullptr);
    if (!window) {
        error = "cannot open a window (is there a desktop?)";
        UnregisterClassA(kHostWindowClass, instance);
        return nullptr;
    }
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    return std::make_unique<HostWindowWin32>(window);
}
