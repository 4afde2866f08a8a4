// The loading path's view of the file system: the platform's path separator, bounded
// copies into the fixed path buffers, folder listings in the file system's own order,
// and opening a file for reading only when it is a regular file.
//
// Stateless free functions; the one place where the loading path meets the platform.
// Callable from any thread, but they touch files, so never from the audio thread.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace FileSystem {

// "\\" on Windows, "/" elsewhere: the separator that folder, file name and joined paths
// of the loading path use.
inline constexpr char kPathSeparator
    = static_cast<char>(std::filesystem::path::preferred_separator);

// Copies `text` into `out` of `size` bytes when it fits whole with its terminator and
// returns true; otherwise `out` is left unchanged and false is returned, since a cut path
// would name a different file.
bool CopyPath(char* out, std::size_t size, const char* text);

// `folder`, the separator and `name` into `out`; false (and `out` unchanged) when the
// joined path doesn't fit.
bool JoinPath(char* out, std::size_t size, const char* folder, const char* name);

// True when `path` names a regular file (after following links); false for folders,
// FIFOs, devices, missing files and unreadable paths.
bool IsRegularFile(const char* path);

// True when an entry of that name exists, whatever its kind (a dangling link included).
bool EntryExists(const char* path);

// Opens `path` for binary reading only if it is a regular file; nullptr otherwise. Never
// blocks on a FIFO or device. The caller closes the file with std::fclose.
std::FILE* OpenRegularFile(const char* path);

// Size of an open file in bytes, or -1 if it can't be told.
std::int64_t FileLength(std::FILE* file);
// Position of an open file, or -1 if it can't be told.
std::int64_t FilePosition(std::FILE* file);
// Moves an open file's position by `offset` bytes from where it is; 64-bit on every
// platform so chunk sizes up to 4 GB can be skipped.
bool SkipBytes(std::FILE* file, std::int64_t offset);

// The names of the entries of `folder` (the entries of folder + separator, so an empty
// folder lists the root), in the order the file system delivers them. False when the
// folder can't be listed.
bool ListFolder(const char* folder, std::vector<std::string>& names);

} // namespace FileSystem
