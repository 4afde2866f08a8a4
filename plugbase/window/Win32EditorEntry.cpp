// The Win32 window layer's in-place text entry: an edit field or drop-down list over a
// control, its window procedure, and its end on the frame timer.
#include "plugbase/window/Win32EditorSurface.h"

#include "editor/IControl.h"
#include "editor/IEditableText.h"
#include "editor/IEditableTextControl.h"
#include "editor/ITextControl.h"
#include "plugbase/IParameter.h"
#include "plugbase/window/Win32Module.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr int kEntryControlId = 0x63;
constexpr LONG_PTR kEntryMark = static_cast<LONG_PTR>(0xDEADF00B);
} // namespace

void Win32EditorSurface::FinishEntry()
{
    IControl* control = entryControl;
    const HWND closing = entry;
    entry = nullptr;
    if (control)
        control->TextEntryDone();
    SetWindowLongPtrA(closing, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(entryPreviousProc));
    DestroyWindow(closing);
    DeleteGdi(entryFont);
    entryFont = nullptr;
    entryControl = nullptr;
    entryParam = nullptr;
    entryState = kEntryIdle;
}

// ---- text entry -------------------------------------------------------------------------

void Win32EditorSurface::StartEntry(HWND created, IControl* control, IParameter* param, HFONT font)
{
    if (!created) {
        DeleteGdi(font);
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
    entryIsCombo = count > 0
        && (param->Kind() == ParamKind::Enumerated || param->Kind() == ParamKind::Legacy);
    if (entryIsCombo) {
        int w = 24;
        for (int i = 0; i < count; ++i)
            w = std::max(w, 8 * static_cast<int>(std::strlen(param->DisplayTextAt(i))) + 24);
        const int h = 36 * count + 36;
        created = centred
            ? CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST,
                cx - w / 2, cy, w, h, window, id, module, nullptr)
            : CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, box.left,
                cy, box.Width(), box.Height(), window, id, module, nullptr);
        if (created) {
            int selected = -1;
            for (int i = 0; i < count; ++i) {
                SendMessageA(
                    created, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(param->DisplayTextAt(i)));
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
            created = CreateWindowExA(
                0, "EDIT", current, style, cx - w / 2, cy - 8, w, 16, window, id, module, nullptr);
        } else {
            created = CreateWindowExA(0, "EDIT", current, style, box.left, box.top, box.Width(),
                box.Height(), window, id, module, nullptr);
        }
        if (created)
            SendMessageA(created, EM_SETSEL, 0, -1);
    }
    StartEntry(created, control, param,
        TrackGdi(CreateFontA(
            14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial")));
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
    flags |= field && field->Masked() ? ES_PASSWORD : ES_MULTILINE;
    const IBox& box = control->Box();
    entryIsCombo = false;
    const HWND created = CreateWindowExA(0, "EDIT", textControl ? textControl->Text().c_str() : "",
        flags, box.left, box.top, box.Width(), box.Height(), window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEntryControlId)), Win32ModuleHandle(),
        nullptr);
    if (created)
        SendMessageA(created, EM_SETSEL, 0, -1);
    char face[ITextStyle::kFaceSize + 1] = {};
    std::memcpy(face, style.face, ITextStyle::kFaceSize);
    StartEntry(created, control, nullptr,
        TrackGdi(CreateFontA(style.size, 0, 0, 0, style.style == 1 ? FW_BOLD : FW_NORMAL,
            style.style == 2, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, face)));
}

LRESULT CALLBACK Win32EditorSurface::EntryProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* self
        = reinterpret_cast<Win32EditorSurface*>(GetWindowLongPtrA(GetParent(hwnd), GWLP_USERDATA));
    if (!self || GetWindowLongPtrA(hwnd, GWLP_USERDATA) != kEntryMark || self->entry != hwnd
        || self->window != GetParent(hwnd))
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
