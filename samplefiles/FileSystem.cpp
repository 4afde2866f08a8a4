#include "samplefiles/FileSystem.h"

#include <cstring>
#include <system_error>

#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace FileSystem {

namespace {

#ifdef _WIN32
// Paths arrive in the ANSI code page, as the file dialog, drops and fopen use them; the
// standard library would read narrow names as UTF-8, so convert here, both ways.
std::filesystem::path NativePath(const char* text)
{
    const int wide = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (wide <= 0)
        return {};
    std::wstring out(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, out.data(), wide);
    out.resize(static_cast<std::size_t>(wide - 1));
    return std::filesystem::path(out);
}

std::string NarrowName(const std::filesystem::path& name)
{
    const std::wstring& wide = name.native();
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return {};
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, out.data(), size, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(size - 1));
    return out;
}
#else
std::filesystem::path NativePath(const char* text)
{
    return std::filesystem::path(text);
}

std::string NarrowName(const std::filesystem::path& name)
{
    return name.native();
}
#endif

} // namespace

bool CopyPath(char* out, std::size_t size, const char* text)
{
    if (!out || !text || size == 0)
        return false;
    // Look for the terminator only within the buffer's length: the text may be longer
    // than anything the buffer could take.
    const void* end = std::memchr(text, '\0', size);
    if (!end)
        return false;
    // memmove: the text may already live in the buffer it is copied to.
    std::memmove(out, text, static_cast<std::size_t>(static_cast<const char*>(end) - text) + 1);
    return true;
}

bool JoinPath(char* out, std::size_t size, const char* folder, const char* name)
{
    if (!out || !folder || !name)
        return false;
    const std::size_t folderLength = std::strlen(folder);
    const std::size_t nameLength = std::strlen(name);
    if (folderLength + 1 + nameLength + 1 > size)
        return false;
    std::memcpy(out, folder, folderLength);
    out[folderLength] = kPathSeparator;
    std::memcpy(out + folderLength + 1, name, nameLength + 1);
    return true;
}

bool IsRegularFile(const char* path)
{
    if (!path || !*path)
        return false;
    std::error_code error;
    return std::filesystem::is_regular_file(NativePath(path), error);
}

bool EntryExists(const char* path)
{
    if (!path || !*path)
        return false;
    std::error_code error;
    // symlink_status: a dangling link is an entry too, just not a readable one.
    return std::filesystem::symlink_status(NativePath(path), error).type()
        != std::filesystem::file_type::not_found && !error;
}

std::FILE* OpenRegularFile(const char* path)
{
    if (!path || !*path)
        return nullptr;
#ifdef _WIN32
    // Device names (CON, NUL, COM1) and pipes are refused before they are opened.
    if (!IsRegularFile(path))
        return nullptr;
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return nullptr;
    struct _stat64 info;
    if (_fstat64(_fileno(file), &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) {
        std::fclose(file);
        return nullptr;
    }
    return file;
#else
    // Opening without blocking and checking the opened object leaves no gap in which a
    // FIFO could take the place of the file and hang the loader.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file)
        ::close(fd);
    return file;
#endif
}

std::int64_t FileLength(std::FILE* file)
{
    if (!file)
        return -1;
#ifdef _WIN32
    struct _stat64 info;
    if (_fstat64(_fileno(file), &info) != 0)
        return -1;
#else
    struct stat info;
    if (::fstat(::fileno(file), &info) != 0)
        return -1;
#endif
    return static_cast<std::int64_t>(info.st_size);
}

std::int64_t FilePosition(std::FILE* file)
{
    if (!file)
        return -1;
#ifdef _WIN32
    return _ftelli64(file);
#else
    return static_cast<std::int64_t>(::ftello(file));
#endif
}

bool SkipBytes(std::FILE* file, std::int64_t offset)
{
    if (!file)
        return false;
#ifdef _WIN32
    return _fseeki64(file, offset, SEEK_CUR) == 0;
#else
    return ::fseeko(file, static_cast<off_t>(offset), SEEK_CUR) == 0;
#endif
}

bool ListFolder(const char* folder, std::vector<std::string>& names)
{
    names.clear();
    if (!folder)
        return false;
    const std::string pattern = std::string(folder) + kPathSeparator;
    std::error_code error;
    std::filesystem::directory_iterator it(NativePath(pattern.c_str()), error);
    if (error)
        return false;
    for (const std::filesystem::directory_iterator end; it != end; it.increment(error)) {
        if (error)
            break;
        names.push_back(NarrowName(it->path().filename()));
    }
    return true;
}

} // namespace FileSystem
