#include "tools/host/Platform.h"

#include <windows.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace Platform {

namespace {

std::string DescribeError(DWORD code)
{
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0,
        nullptr);
    std::string message = length != 0 && text != nullptr ? std::string(text, length) : "";
    if (text != nullptr) {
        ::LocalFree(text);
    }
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.')) {
        message.pop_back();
    }
    if (message.empty()) {
        message = "unknown error";
    }
    return message + " (error " + std::to_string(code) + ")";
}

} // namespace

bool FileExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void* LoadModule(const std::string& path, std::string& error)
{
    // A bare file name would be looked up next to the host executable and in the system
    // directories first; an absolute path also lets LOAD_WITH_ALTERED_SEARCH_PATH find the
    // plug-in's own dependencies beside it.
    char fullPath[MAX_PATH * 4] = {};
    const DWORD length = ::GetFullPathNameA(path.c_str(), sizeof(fullPath), fullPath, nullptr);
    const char* loadPath = length != 0 && length < sizeof(fullPath) ? fullPath : path.c_str();

    // Keep a broken module from popping up a modal error box in an unattended run.
    const UINT previousMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = ::LoadLibraryExA(loadPath, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const DWORD code = ::GetLastError();
    ::SetErrorMode(previousMode);
    if (module == nullptr) {
        error = DescribeError(code);
    }
    return reinterpret_cast<void*>(module);
}

ModuleSymbol FindSymbol(void* module, const char* name)
{
    const FARPROC symbol = ::GetProcAddress(static_cast<HMODULE>(module), name);
    return reinterpret_cast<ModuleSymbol>(symbol);
}

void UnloadModule(void* module)
{
    if (module != nullptr) {
        ::FreeLibrary(static_cast<HMODULE>(module));
    }
}

bool StderrIsTerminal()
{
    return ::_isatty(::_fileno(stderr)) != 0;
}

void UseBinaryStdio()
{
    std::fflush(stdout);
    std::fflush(stderr);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
}

} // namespace Platform
