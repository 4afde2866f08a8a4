#include "plugbase/window/Win32EditorSurface.h"

#include "editor/IControl.h"
#include "editor/IEditableText.h"
#include "editor/IEditableTextControl.h"
#include "editor/ITextControl.h"
#include "plugbase/IParameter.h"
#include "plugbase/IPlugBase.h"
#include "plugbase/window/Win32Module.h"

#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace {
constexpr UINT_PTR kFrameTimer = 2;
constexpr int kEntryControlId = 0x63;
constexpr LONG_PTR kEntryMark = static_cast<LONG_PTR>(0xDEADF00B);
constexpr int kFocusHost = 25;
constexpr int kWheelNotch = 120;
constexpr int kMaxTypedText = 1000;
constexpr int kDialogPathSize = 256;
constexpr DWORD kOpenFlags = 0x81800; // explorer, file and path must exist
constexpr DWORD kSaveFlags = 0x81802; // the same, and ask before overwriting
const char kClassName[] = "IPlugWndClass";

// Open editor windows of all surfaces of this module, and the frame rate the last one
// opened with; both only touched on the user-interface thread.
int classUseCount = 0;
int timerFrameRate = 24;
// GDI objects the window layer holds (back buffer, entry fonts): every one must go with
// its window, which the tests check after many opens and closes.
int liveGdiObjects = 0;

template <typename Handle> Handle Counted(Handle handle)
{
    if (handle)
        ++liveGdiObjects;
    return handle;
}

void DeleteCounted(HGDIOBJ object)
{
    if (object && DeleteObject(object))
        --liveGdiObjects;
}

Win32Dialogs& Dialogs()
{
    static Win32Dialogs dialogs = SystemWin32Dialogs();
    return dialogs;
}

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
    case VK_SPACE: return 0;
    case VK_UP: return 1;
    case VK_DOWN: return 2;
    case VK_LEFT: return 3;
    case VK_RIGHT: return 4;
    default: break;
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

RECT ToRect(const IBox& box) { return RECT { box.left, box.top, box.right, box.bottom }; }

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

Win32Dialogs SystemWin32Dialogs()
{
    return Win32Dialogs { &MessageBoxA, &GetOpenFileNameA, &GetSaveFileNameA, &ChooseColorA,
                          &ShellExecuteA };
}

Win32Dialogs SetWin32Dialogs(const Win32Dialogs& dialogs)
{
    const Win32Dialogs previous = Dialogs();
    Dialogs() = dialogs;
    return previous;
}

Win32EditorSurface::Win32EditorSurface(IPlugBase* owner, int width, int height, int frameRate)
    : IEditorSurface(owner, width, height, frameRate)
{
}

Win32EditorSurface::~Win32EditorSurface() { CloseWindow(); }

int Win32EditorSurface::ClassUseCount() { return classUseCount; }

int Win32EditorSurface::LiveGdiObjects() { return liveGdiObjects; }

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
                    place.right - place.left, place.bottom - place.top, parent, nullptr,
                    Win32ModuleHandle(), this);
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
    DeleteCounted(entryFont);
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
    backBitmap = Counted(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    backDC = Counted(CreateCompatibleDC(nullptr));
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
    DeleteCounted(backBitmap);
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
    const BOOL copied =
        BitBlt(dc, left, top, right - left, bottom - top, backDC, left, top, SRCCOPY);
    if (!paintDC)
        ReleaseDC(window, dc);
    return copied != 0;
}

int Win32EditorSurface::HandleWheel(float delta)
{
    POINT point {};
    if (!window || !std::isfinite(delta) || !GetCursorPos(&point) ||
        WindowFromPoint(point) != window)
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

// ---- window procedure ---------------------------------------------------------------------

LRESULT CALLBACK Win32EditorSurface::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        auto* self = static_cast<Win32EditorSurface*>(create->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window = hwnd;
        SetTimer(hwnd, kFrameTimer, static_cast<UINT>(1000 / std::max(timerFrameRate, 1)),
                 nullptr);
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
        MouseWheel(x - frame.left, y - frame.top, KeysFrom(GET_KEYSTATE_WPARAM(wParam)),
                   notches);
        return 0;
    }
    case WM_DROPFILES: {
        const HDROP drop = reinterpret_cast<HDROP>(wParam);
        char path[MAX_PATH] = {};
        POINT point {};
        if (DragQueryFileA(drop, 0, path, MAX_PATH) > 0 && DragQueryPoint(drop, &point))
            FileDropped(point.x, point.y, path);
        DragFinish(drop);
        return 0;
    }
    case WM_COMMAND:
        // The drop-down list reports a new selection to its parent: commit it on the tick.
        if (entry && entryIsCombo && reinterpret_cast<HWND>(lParam) == entry &&
            HIWORD(wParam) == CBN_SELCHANGE) {
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

void Win32EditorSurface::FinishEntry()
{
    IControl* control = entryControl;
    const HWND closing = entry;
    entry = nullptr;
    if (control)
        control->TextEntryDone();
    SetWindowLongPtrA(closing, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(entryPreviousProc));
    DestroyWindow(closing);
    DeleteCounted(entryFont);
    entryFont = nullptr;
    entryControl = nullptr;
    entryParam = nullptr;
    entryState = kEntryIdle;
}

// ---- text entry -------------------------------------------------------------------------

void Win32EditorSurface::StartEntry(HWND created, IControl* control, IParameter* param, HFONT font)
{
    if (!created) {
        DeleteCounted(font);
        return;
    }
    entry = created;
    entryControl = control;
    entryParam = param;
    entryFont = font;
    entryState = kEntryIdle;
    SetWindowLongPtrA(created, GWLP_USERDATA, kEntryMark);
    SendMessageA(created, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetFocus(created);
    entryPreviousProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(created, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EntryProc)));
}

void Win32EditorSurface::OpenParamEntry(IControl* control, IParameter* param, bool centred)
{
    if (!window || entry || !control || !param)
        return;
    const IBox& box = control->Box();
    const int cx = box.left + box.Width() / 2;
    const int cy = box.top + box.Height() / 2;
    char current[kParamTextSize] = {};
    param->DisplayText(param->PlainValue(), false, current);
    const HINSTANCE module = Win32ModuleHandle();
    const HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEntryControlId));
    HWND created = nullptr;
    const int count = param->DisplayTextCount();
    entryIsCombo = count > 0 &&
                   (param->Kind() == ParamKind::Enumerated || param->Kind() == ParamKind::Legacy);
    if (entryIsCombo) {
        int w = 24;
        for (int i = 0; i < count; ++i)
            w = std::max(w, 8 * static_cast<int>(std::strlen(param->DisplayTextAt(i))) + 24);
        const int h = 36 * count + 36;
        created = centred ? CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST,
                                            cx - w / 2, cy, w, h, window, id, module, nullptr)
                          : CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST,
                                            box.left, cy, box.Width(), box.Height(), window, id,
                                            module, nullptr);
        if (created) {
            int selected = -1;
            for (int i = 0; i < count; ++i) {
                SendMessageA(created, CB_ADDSTRING, 0,
                             reinterpret_cast<LPARAM>(param->DisplayTextAt(i)));
                if (std::strcmp(param->DisplayTextAt(i), current) == 0)
                    selected = i;
            }
            SendMessageA(created, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
        }
    } else {
        const DWORD style = WS_CHILD | WS_VISIBLE | ES_MULTILINE | (centred ? ES_CENTER : 0);
        if (centred) {
            char widest[kParamTextSize] = {};
            param->DisplayText(1.0, true, widest);
            const int w = std::max(32, 7 * static_cast<int>(std::strlen(widest)) + 6);
            created = CreateWindowExA(0, "EDIT", current, style, cx - w / 2, cy - 8, w, 16,
                                      window, id, module, nullptr);
        } else {
            created = CreateWindowExA(0, "EDIT", current, style, box.left, box.top, box.Width(),
                                      box.Height(), window, id, module, nullptr);
        }
        if (created)
            SendMessageA(created, EM_SETSEL, 0, -1);
    }
    StartEntry(created, control, param,
               Counted(CreateFontA(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0,
                           0, "Arial")));
}

void Win32EditorSurface::OpenTextEntry(IControl* control)
{
    if (!window || entry || !control)
        return;
    const auto* textControl = dynamic_cast<const ITextControl*>(control);
    const auto* editable = dynamic_cast<const IEditableText*>(control);
    const auto* field = dynamic_cast<const IEditableTextControl*>(control);
    ITextStyle style;
    if (textControl)
        style = textControl->Style();
    DWORD flags = WS_CHILD | WS_VISIBLE;
    flags |= style.alignment == 0 ? ES_LEFT : style.alignment == 2 ? ES_RIGHT : ES_CENTER;
    if (!editable || !editable->IsEditable())
        flags |= ES_READONLY;
    flags |= field && field->IsPassword() ? ES_PASSWORD : ES_MULTILINE;
    const IBox& box = control->Box();
    entryIsCombo = false;
    const HWND created = CreateWindowExA(
        0, "EDIT", textControl ? textControl->Text().c_str() : "", flags, box.left, box.top,
        box.Width(), box.Height(), window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEntryControlId)), Win32ModuleHandle(),
        nullptr);
    if (created)
        SendMessageA(created, EM_SETSEL, 0, -1);
    char face[ITextStyle::kFaceSize + 1] = {};
    std::memcpy(face, style.face, ITextStyle::kFaceSize);
    StartEntry(created, control, nullptr,
               Counted(CreateFontA(style.size, 0, 0, 0, style.style == 1 ? FW_BOLD : FW_NORMAL,
                           style.style == 2, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, face)));
}

LRESULT CALLBACK Win32EditorSurface::EntryProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<Win32EditorSurface*>(
        GetWindowLongPtrA(GetParent(hwnd), GWLP_USERDATA));
    if (!self || GetWindowLongPtrA(hwnd, GWLP_USERDATA) != kEntryMark || self->entry != hwnd ||
        self->window != GetParent(hwnd))
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    return self->HandleEntryMessage(hwnd, msg, wParam, lParam);
}

LRESULT Win32EditorSurface::HandleEntryMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_KILLFOCUS:
        entryState = kEntryIdle;
        break;
    case WM_GETDLGCODE: {
        LRESULT code = CallWindowProcA(entryPreviousProc, hwnd, msg, wParam, lParam);
        const auto* query = reinterpret_cast<const MSG*>(lParam);
        if (!entryParam && wParam == VK_RETURN && query && query->message == WM_KEYDOWN)
            code |= DLGC_WANTALLKEYS;
        return code;
    }
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            if (!entryIsCombo)
                SendMessageA(hwnd, EM_SETSEL, static_cast<WPARAM>(-1), 0);
            entryState = kEntryCommit;
            return 0;
        }
        entryState = kEntryTyping;
        break;
    case WM_SETFOCUS:
        entryState = kEntryTyping;
        break;
    default:
        break;
    }
    return CallWindowProcA(entryPreviousProc, hwnd, msg, wParam, lParam);
}

// ---- dialogs ------------------------------------------------------------------------------

bool Win32EditorSurface::PromptForFile(char* outPath, int size, bool save,
                                       const char* startFolder, const char* extensions)
{
    if (!outPath || size <= 0)
        return false;
    if (!window) {
        outPath[0] = '\0';
        return false;
    }
    char file[kDialogPathSize] = {};
    std::size_t given = 0;
    while (given < static_cast<std::size_t>(size) && given < kDialogPathSize - 1 &&
           outPath[given])
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
    const Win32Dialogs& calls = Dialogs();
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
    if (!Dialogs().chooseColour(&chooser))
        return false;
    colour.red = GetRValue(chooser.rgbResult);
    colour.green = GetGValue(chooser.rgbResult);
    colour.blue = GetBValue(chooser.rgbResult);
    return true;
}

bool Win32EditorSurface::OpenWebPage(const char* url, const char* caption, const char* question,
                                     const char* failureText)
{
    if (!url)
        return false;
    const Win32Dialogs& calls = Dialogs();
    if (question && calls.messageBox(window, question, caption, MB_YESNO) != IDYES)
        return false;
    const HINSTANCE result = calls.shellExecute(window, "open", url, nullptr, nullptr, SW_SHOWNORMAL);
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
    Dialogs().messageBox(nullptr, text ? text : "", caption ? caption : "", MB_OK | MB_ICONWARNING);
}

// ---- pointer and clipboard ----------------------------------------------------------------

void Win32EditorSurface::SetCursor(Cursor shape)
{
    // The system's shared cursors: nothing to free.
    const int id = shape == Cursor::kResizeHorizontal ? 32644  // IDC_SIZEWE
                   : shape == Cursor::kUpArrow        ? 32516  // IDC_UPARROW
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
                     frame.bottom - frame.top + dh,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
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

void Win32EditorSurface::HostFolder(char* out, int size) { FolderOf(nullptr, out, size); }

void Win32EditorSurface::PluginFolder(char* out, int size)
{
    FolderOf(Win32ModuleHandle(), out, size);
}
