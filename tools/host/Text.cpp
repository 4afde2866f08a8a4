#include "tools/host/Text.h"

#include <algorithm>
#include <cstdio>

// Control bytes, quotes and backslashes would make the report ambiguous or garble a
// terminal; bytes >= 0x80 pass through so UTF-8 names stay readable.
std::string Escaped(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '"' || c == '\\' || c == '\'') {
            char hex[5];
            std::snprintf(hex, sizeof(hex), "\\x%02X", byte);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

std::string Quoted(const std::string& text)
{
    return "\"" + Escaped(text) + "\"";
}

std::string FixedString(const char* text, std::size_t capacity)
{
    return std::string(text, std::find(text, text + capacity, '\0'));
}

std::string FourCharacters(std::int32_t id)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        text += static_cast<char>((static_cast<std::uint32_t>(id) >> shift) & 0xFFu);
    }
    return "'" + Escaped(text) + "'";
}

std::string IdText(std::int32_t id)
{
    char hex[16];
    std::snprintf(hex, sizeof(hex), "0x%08X", static_cast<unsigned>(id));
    return std::string(hex) + " " + FourCharacters(id);
}
