// Why a file could not be loaded into a slot. A reader that refuses a file says which of
// these it met; the loading path keeps the last one of each slot, so the host (through a
// private vendor request) and the editor's status line can tell the user why.
//
// Plain values and a pure formatting function: callable from any thread.
#pragma once

#include <cstddef>

enum class LoadFailure : int {
    kNone = 0,
    kNotFound,    // "not found": no entry of that name
    kUnreadable,  // "unreadable": there, but not a regular file or not opened for reading
    kUnsupported, // "unsupported format: DETAIL", DETAIL naming the format (".aif", "WAV format tag 0x0002")
    kDamaged,     // "damaged": the format is known but the file breaks its rules
    kNoAudio,     // "no audio data": a well-formed file that holds no frames
    kTooLarge,    // "too large": more sample values than a slot takes, or out of memory
};

// The failure as the user reads it, e.g. "unsupported format: .aif", "not found". `detail`
// is used only by kUnsupported (and may be null or empty there). `out` receives at most
// `size` - 1 characters and its terminator; kNone gives the empty text.
void DescribeLoadFailure(LoadFailure failure, const char* detail, char* out, std::size_t size);

// Tells a path that can't be opened apart: kNotFound when no entry of that name exists,
// kUnreadable otherwise (a folder, a device, no permission). For a path that opens as a
// regular file it gives kNone.
LoadFailure OpenFailureOf(const char* path);
