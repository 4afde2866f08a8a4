#include "plugbase/window/Win32EditorSurface.h"

#include "editor/IControl.h"
#include "plugbase/IPlugBase.h"
#include "plugbase/window/Win32Module.h"

#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace {
constexpr UINT_PTR kFrameTimer = 2;
constexpr int kFocusHost = 25;
constexpr int kWheelNotch = 120;
constexpr int kMaxTypedText = 1000;
const char kClassName[] = "IPlugWndClass";

// Open editor windows of all surfaces of this module, and the frame rate the last one
// opened with; both only touched on the user-interface thread.
int classUseCount = 0;
int timerFrameRate = 24;

IMouseKeys KeysFrom(WPARAM wParam)
{
    IMouseKeys keys;
    keys.left = (wParam & MK_LBUTTON) != 0;
    keys.right = (wParam & MK_RBUTTON) != 0;
    keys.shift = (wParam & MK_SHIFT) != 0;
    keys.control = (wParam & MK_CONTROL) != 0;
    keys.alt = GetKeyState(VK_MENU) < 0;
    return keys;
}

// The editor's key code of a virtual key, -1 for keys the editor ignores.
int KeyCode(WPARAM key)
{
    switch (key) {
    case VK_SPACE:
        return 0;
    case VK_UP:
        return 1;
    case VK_DOWN:
        return 2;
    case VK_LEFT:
        return 3;
    case VK_RIGHT:
        return 4;
    default:
        break;
    }
    if (key >= '0' && key <= '9')
        return static_cast<int>(key - '0') + 6;
    // Letters, and the keypad and function keys that share the lower-case codes.
    if (key >= 'A' && key <= 'Z')
        return static_cast<int>(key - 'A') + 16;
    if (key >= 97 && key <= 122)
        return static_cast<int>(key - 97) + 16;
    return -1;
}

RECT ToRect(const IBox& box)
{
    return RECT { box.left, box.top, box.right, box.bottom };
}
} // namespace
Win32EditorSurface::Win32EditorSurface(IPlugBase* owner, int width, int height, int frameRate)
    : IEditorSurface(owner, width, height, frameRate)
{
}

Win32EditorSurface::~Win32EditorSurface()
{
    CloseWindow();
}

int Win32EditorSurface::ClassUseCount()
{
    return classUseCount;
}

int Win32EditorSurface::liveGdiObjects = 0;

int Win32EditorSurface::LiveGdiObjects()
{
    return liveGdiObjects;
}

void Win32EditorSurface::DeleteGdi(HGDIOBJ object)
{
    if (object && DeleteObject(object))
        --liveGdiObjects;
}

bool Win32EditorSurface::OpenWindow(void* parentHandle)
{
    const HWND parent = static_cast<HWND>(parentHandle);
    RECT place { 0, 0, Width(), Height() };
    if (window) {
        // Reopened without a close: the new window takes the old one's place and size.
        GetWindowRect(window, &place);
        MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&place), 2);
        CloseWindow();
    }
    if (classUseCount == 0) {
        WNDCLASSA windowClass = {};
        windowClass.style = CS_DBLCLKS;
        windowClass.lpfnWndProc = &WindowProc;
        windowClass.hInstance = Win32ModuleHandle();
        windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // the arrow
        windowClass.lpszClassName = kClassName;
        if (!RegisterClassA(&windowClass))
            return false;
    }
    ++classUseCount;
    timerFrameRate = FrameRate();
    CreateWindowExA(0, kClassName, "IPlug", WS_CHILD | WS_VISIBLE, place.left, place.top,
        place.right - place.left, place.bottom - place.top, parent, nullptr, Win32ModuleHandle(),
        this);
    if (!window || !MakeBackBuffer()) {
        if (window)
            DestroyWindow(window);
        window = nullptr;
        ReleaseClass();
        return false;
    }
    InvalidateAll();
    return true;
}

void Win32EditorSurface::CloseWindow()
{
    if (!window)
        return;
    if (WheelCountdown() > 0 && plug)
        plug->FinishWheelEdit();
    // The entry is a child of the window and goes with it; only its font is ours.
    const HWND closing = window;
    window = nullptr;
    entry = nullptr;
    entryControl = nullptr;
    entryParam = nullptr;
    entryState = kEntryIdle;
    DestroyWindow(closing);
    DeleteGdi(entryFont);
    entryFont = nullptr;
    FreeBackBuffer();
    ReleaseClass();
}

void Win32EditorSurface::ReleaseClass()
{
    if (classUseCount > 0 && --classUseCount == 0)
        UnregisterClassA(kClassName, Win32ModuleHandle());
}

bool Win32EditorSurface::MakeBackBuffer()
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = std::max(Width(), 1);
    info.bmiHeader.biHeight = -std::max(Height(), 1); // top-down, as the canvas
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    backBitmap = TrackGdi(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    backDC = TrackGdi(CreateCompatibleDC(nullptr));
    if (!backBitmap || !backDC || !bits) {
        FreeBackBuffer();
        return false;
    }
    backPixels = static_cast<std::uint32_t*>(bits);
    backPrevious = SelectObject(backDC, backBitmap);
    return true;
}

void Win32EditorSurface::FreeBackBuffer()
{
    if (backDC && backPrevious)
        SelectObject(backDC, backPrevious);
    if (backDC && DeleteDC(backDC))
        --liveGdiObjects;
    DeleteGdi(backBitmap);
    backDC = nullptr;
    backBitmap = nullptr;
    backPrevious = nullptr;
    backPixels = nullptr;
}

bool Win32EditorSurface::ShowRect(const IBox& box)
{
    if (!window || !backPixels)
        return true;
    const IRaster& canvas = Canvas();
    const int w = std::min(canvas.Width(), std::max(Width(), 1));
    const int h = std::min(canvas.Height(), std::max(Height(), 1));
    const int left = std::max(box.left, 0);
    const int top = std::max(box.top, 0);
    const int right = std::min(box.right, w);
    const int bottom = std::min(box.bottom, h);
    if (left >= right || top >= bottom)
        return true;
    const int stride = std::max(Width(), 1);
    for (int y = top; y < bottom; ++y)
        std::memcpy(backPixels + static_cast<std::size_t>(y) * stride + left,
            canvas.Pixels() + static_cast<std::size_t>(y) * canvas.Width() + left,
            static_cast<std::size_t>(right - left) * sizeof(std::uint32_t));
    GdiFlush();
    const HDC dc = paintDC ? paintDC : GetDC(window);
    if (!dc)
        return false;
    const BOOL copied
        = BitBlt(dc, left, top, right - left, bottom - top, backDC, left, top, SRCCOPY);
    if (!paintDC)
        ReleaseDC(window, dc);
    return copied != 0;
}

int Win32EditorSurface::HandleWheel(float delta)
{
    POINT point {};
    if (!window || !std::isfinite(delta) || !GetCursorPos(&point)
        || WindowFromPoint(point) != window)
        return 0;
    RECT frame {};
    GetWindowRect(window, &frame);
    IMouseKeys keys;
    keys.shift = GetKeyState(VK_SHIFT) < 0;
    keys.control = GetKeyState(VK_CONTROL) < 0;
    keys.alt = GetKeyState(VK_MENU) < 0;
    MouseWheel(point.x - frame.left, point.y - frame.top, keys, std::trunc(delta));
    return 1;
}

bool Win32EditorSurface::PointerAt(int& x, int& y)
{
    POINT point {};
    if (!window || !GetCursorPos(&point) || !ScreenToClient(window, &point))
        return false;
    x = point.x;
    y = point.y;
    return true;
}

// ---- window procedure ---------------------------------------------------------------------

LRESULT CALLBACK Win32EditorSurface::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        auto* self = static_cast<Win32EditorSurface*>(create->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window = hwnd;
        SetTimer(hwnd, kFrameTimer, static_cast<UINT>(1000 / std::max(timerFrameRate, 1)), nullptr);
        if (self->plug && self->plug->GetHostId() == kFocusHost)
            SetFocus(hwnd);
        if (self->AcceptDrops())
            DragAcceptFiles(hwnd, TRUE);
        return 0;
    }
    auto* self = reinterpret_cast<Win32EditorSurface*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self || self->window != hwnd)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    return self->HandleMessage(hwnd, msg, wParam, lParam);
}

LRESULT Win32EditorSurface::HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    if (msg == WM_RBUTTONDOWN && entryState == kEntryTyping) {
        entryState = kEntryCancel;
        return 0;
    }
    switch (msg) {
    case WM_PAINT: {
        RECT update {};
        if (GetUpdateRect(hwnd, &update, FALSE)) {
            PAINTSTRUCT paint {};
            paintDC = BeginPaint(hwnd, &paint);
            PaintDirty(IBox { update.left, update.top, update.right, update.bottom });
            EndPaint(hwnd, &paint);
            paintDC = nullptr;
        }
        return 0;
    }
    case WM_CLOSE:
        CloseWindow();
        return 0;
    case WM_MOUSEACTIVATE:
        if (plug && plug->GetHostId() == kFocusHost)
            SetFocus(hwnd);
        return MA_ACTIVATE;
    case WM_KEYDOWN: {
        const int code = KeyCode(wParam);
        if (code < 0)
            return 0;
        POINT point {};
        GetCursorPos(&point);
        ScreenToClient(hwnd, &point);
        KeyDown(point.x, point.y, code);
        return 0;
    }
    case WM_TIMER:
        if (wParam == kFrameTimer)
            Tick();
        return 0;
    case WM_MOUSEMOVE:
        if (wParam & (MK_LBUTTON | MK_RBUTTON)) {
            if (GetCapture() == hwnd)
                MouseDrag(x, y, KeysFrom(wParam));
        } else {
            MouseHover(x, y, KeysFrom(wParam));
        }
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        ReleaseCapture();
        MouseRelease(x, y, KeysFrom(wParam));
        return 0;
    case WM_LBUTTONDBLCLK:
        if (MouseDoubleClick(x, y, KeysFrom(wParam)))
            SetCapture(hwnd);
        return 0;
    case WM_RBUTTONDOWN:
        if (entry) {
            // A right click elsewhere cancels; a text control's text is emptied at once.
            entryState = kEntryCancel;
            if (!entryParam)
                ApplyTypedText(entryControl, nullptr, "");
            return 0;
        }
        [[fallthrough]];
    case WM_LBUTTONDOWN:
        if (entry)
            entryState = kEntryCommit;
        SetCapture(hwnd);
        MousePress(x, y, KeysFrom(wParam));
        return 0;
    case WM_MOUSEWHEEL: {
        RECT frame {};
        GetWindowRect(hwnd, &frame);
        const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / kWheelNotch;
        MouseWheel(x - frame.left, y - frame.top, KeysFrom(GET_KEYSTATE_WPARAM(wParam)), notches);
        return 0;
    }
    case WM_DROPFILES: {
        const HDROP drop = reinterpret_cast<HDROP>(wParam);
        char path[MAX_PATH] = {};
        POINT point {};
        // The point is filled in even for a drop outside the client area (the answer is then
        // false); the control under it, if any, decides.
        DragQueryPoint(drop, &point);
        if (DragQueryFileA(drop, 0, path, MAX_PATH) > 0)
            FileDropped(point.x, point.y, path);
        DragFinish(drop);
        return 0;
    }
    case WM_COMMAND:
        // The drop-down list reports a new selection to its parent: commit it on the tick.
        if (entry && entryIsCombo && reinterpret_cast<HWND>(lParam) == entry
            && HIWORD(wParam) == CBN_SELCHANGE) {
            entryState = kEntryCommit;
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void Win32EditorSurface::Tick()
{
    if (entry) {
        if (entryState == kEntryCommit) {
            char text[kMaxTypedText + 1] = {};
            GetWindowTextA(entry, text, sizeof text);
            ApplyTypedText(entryControl, entryParam, text);
        }
        if (entryState == kEntryCommit || entryState == kEntryCancel)
            FinishEntry();
        else if (entryState == kEntryTyping)
            entryState = kEntryIdle;
    }
    IBox dirty;
    if (CollectDirty(dirty))
        RepaintBox(dirty);
    if (LiveBox().Width() > 0)
        RepaintBox(LiveBox());
    if (WheelCountdown() > 0) {
        IEditorSurface::SetWheelCountdown(WheelCountdown() - 1);
        if (WheelCountdown() == 0 && plug)
            plug->FinishWheelEdit();
    }
}

void Win32EditorSurface::RepaintBox(const IBox& box)
{
    if (!window)
        return;
    const RECT rect = ToRect(box);
    InvalidateRect(window, &rect, FALSE);
    if (entry) {
        // The entry lies over the canvas; painting the canvas there would hide it.
        RECT entryRect {};
        GetWindowRect(entry, &entryRect);
        MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&entryRect), 2);
        ValidateRect(window, &entryRect);
    }
    UpdateWindow(window);
}

// ---- size and folders ---------------------------------------------------------------------

void Win32EditorSurface::ResizeWindow(int newWidth, int newHeight)
{
    const int dw = newWidth - Width();
    const int dh = newHeight - Height();
    ResizeSurface(newWidth, newHeight);
    PrepareCanvas();
    if (!window)
        return;
    FreeBackBuffer();
    MakeBackBuffer();
    RECT old {};
    GetClientRect(window, &old);
    auto grow = [&](HWND target) {
        RECT frame {};
        GetWindowRect(target, &frame);
        SetWindowPos(target, nullptr, 0, 0, frame.right - frame.left + dw,
            frame.bottom - frame.top + dh, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    };
    grow(window);
    auto isPlainChild = [](HWND target) {
        const LONG style = GetWindowLongA(target, GWL_STYLE);
        const LONG exStyle = GetWindowLongA(target, GWL_EXSTYLE);
        return target && (style & WS_CHILD) && !(exStyle & WS_EX_MDICHILD);
    };
    if (isPlainChild(window)) {
        const HWND parent = GetParent(window);
        if (parent) {
            grow(parent);
            if (isPlainChild(parent) && GetParent(parent))
                grow(GetParent(parent));
        }
    }
    InvalidateRect(window, &old, FALSE);
}
