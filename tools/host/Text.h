// Text every report shares. Linux and Windows builds must print identical bytes, so nothing
// here depends on the locale or the C runtime's formatting of special values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Control bytes, quotes and backslashes as \xNN; bytes >= 0x80 pass through.
std::string Escaped(const std::string& text);
std::string Quoted(const std::string& text);

// The text in a fixed-size field, up to its terminator or the field's end.
std::string FixedString(const char* text, std::size_t capacity);

// An identifier such as a plug-in id or a file kind as its four characters, quoted: 'zvtk'.
std::string FourCharacters(std::int32_t id);

// "0x7A76746B 'zvtk'"
std::string IdText(std::int32_t id);
