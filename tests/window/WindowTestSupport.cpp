#include "tests/window/WindowTestSupport.h"

#include <shlobj.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace WindowTest {

namespace {
const char kParentClass[] = "QuellornTestFrame";

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

BOOL CALLBACK CountChild(HWND, LPARAM count)
{
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

void Put(std::vector<unsigned char>& out, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
} // namespace

HWND SharedParentWindow()
{
    static HWND parent = nullptr;
    if (parent)
        return parent;
    WNDCLASSA frameClass = {};
    if (!GetClassInfoA(GetModuleHandleA(nullptr), kParentClass, &frameClass)) {
        frameClass.lpfnWndProc = &ParentProc;
        frameClass.hInstance = GetModuleHandleA(nullptr);
        frameClass.lpszClassName = kParentClass;
        RegisterClassA(&frameClass);
    }
    RECT frame { 0, 0, 800, 700 };
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    parent = CreateWindowExA(0, kParentClass, "Quellorn test host",
        WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, frame.right - frame.left,
        frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    Pump(50);
    return parent;
}

void Pump(int ms)
{
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(ms);
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

int ChildWindowCount(HWND parent)
{
    int count = 0;
    EnumChildWindows(parent, &CountChild, reinterpret_cast<LPARAM>(&count));
    return count;
}

std::string WriteWav(const char* name, const char* subfolder)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "quellorn-window\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    if (subfolder) {
        folder += std::string(subfolder) + "\\";
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    const std::string path = folder + name;
    const int frames = 64;
    std::vector<unsigned char> bytes;
    bytes.insert(bytes.end(), { 'R', 'I', 'F', 'F' });
    Put(bytes, 36 + frames * 2, 4);
    bytes.insert(bytes.end(), { 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ' });
    Put(bytes, 16, 4);
    Put(bytes, 1, 2); // integer PCM
    Put(bytes, 1, 2); // mono
    Put(bytes, 44100, 4);
    Put(bytes, 44100 * 2, 4);
    Put(bytes, 2, 2);
    Put(bytes, 16, 2);
    bytes.insert(bytes.end(), { 'd', 'a', 't', 'a' });
    Put(bytes, frames * 2, 4);
    for (int i = 0; i < frames; ++i)
        Put(bytes, static_cast<std::uint32_t>((i % 16) * 1000), 2);
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    return path;
}

std::vector<std::uint32_t> CaptureWindow(HWND window, int width, int height)
{
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const HBITMAP shot = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HDC memory = CreateCompatibleDC(nullptr);
    if (shot && memory && bits) {
        const HGDIOBJ previous = SelectObject(memory, shot);
        const HDC screen = GetDC(window);
        BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
        ReleaseDC(window, screen);
        GdiFlush();
        const auto* read = static_cast<const std::uint32_t*>(bits);
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = read[i] & 0xFFFFFF;
        SelectObject(memory, previous);
    }
    if (memory)
        DeleteDC(memory);
    if (shot)
        DeleteObject(shot);
    return pixels;
}

void DropFiles(HWND window, const std::vector<std::string>& paths, int x, int y)
{
    std::string list;
    for (const std::string& path : paths)
        list += path + '\0';
    list += '\0';
    // The receiver frees the drop (DragFinish).
    const HGLOBAL drop = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size());
    auto* files = static_cast<DROPFILES*>(GlobalLock(drop));
    files->pFiles = sizeof(DROPFILES);
    files->pt = POINT { x, y };
    std::memcpy(reinterpret_cast<char*>(files) + sizeof(DROPFILES), list.data(), list.size());
    GlobalUnlock(drop);
    SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
}

std::string ClipboardText()
{
    std::string text;
    if (!OpenClipboard(nullptr))
        return text;
    if (const HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
            text = bytes;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

DialogAnswerer::DialogAnswerer(const char* dialogTitle, int timeoutMs)
    : title(dialogTitle)
    , ms(timeoutMs)
{
    thread = CreateThread(nullptr, 0, &Run, this, 0, nullptr);
}

DialogAnswerer::~DialogAnswerer()
{
    Wait();
}

bool DialogAnswerer::Wait()
{
    if (thread) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        thread = nullptr;
    }
    return answered;
}

DWORD WINAPI DialogAnswerer::Run(LPVOID param)
{
    auto* self = static_cast<DialogAnswerer*>(param);
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(self->ms);
    while (GetTickCount64() < end) {
        // "#32770" is the class of every system dialog box.
        if (const HWND dialog = FindWindowA("#32770", self->title.c_str())) {
            Sleep(200); // let the dialog finish its start before it is answered
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            self->answered = true;
            return 0;
        }
        Sleep(50);
    }
    return 0;
}

} // namespace WindowTest
