// The one rule by which file extensions, SFZ opcode names and SFZ words are matched: the
// tested text, lower-cased, must equal the name's first characters over the text's own
// length. So "WAV" counts as "wav", "vol" as "volume", and an empty text matches every
// name; a text longer than the name never matches. Names are given in lower case.
//
// Pure function, callable from any thread.
#pragma once

#include <cctype>

inline bool NameMatches(const char* text, const char* name)
{
    if (!text || !name)
        return false;
    for (; *text; ++text, ++name) {
        if (*name == '\0')
            return false;
        const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(*text)));
        if (lower != *name)
            return false;
    }
    return true;
}
