#include "tools/host/ParamText.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ParamText {

namespace {

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && SameText(text.substr(text.size() - end.size()), end);
}

bool ReadWholeNumber(const std::string& text, double& value)
{
    if (text.empty() || text[0] == ' ' || text[0] == '\t' || text[0] == '+') {
        return false;
    }
    char* end = nullptr;
    const double read = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !std::isfinite(read)) {
        return false;
    }
    value = read;
    return true;
}

} // namespace

bool SameText(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return Lower(x) == Lower(y);
    });
}

bool ReadNumber(const std::string& text, const std::string& unit, std::string& number)
{
    double value = 0.0;
    if (ReadWholeNumber(text, value)) {
        number = text;
        return true;
    }
    if (unit.empty() || !EndsWith(text, unit)) {
        return false;
    }
    std::string rest = text.substr(0, text.size() - unit.size());
    if (!rest.empty() && rest.back() == ' ') {
        rest.pop_back();
    }
    if (!ReadWholeNumber(rest, value)) {
        return false;
    }
    number = rest;
    return true;
}

bool ReadNoteName(const std::string& text, int& note)
{
    // Semitones above C of each letter from A.
    static const int kLetterSemitones[] = {9, 11, 0, 2, 4, 5, 7};
    if (text.size() < 2) {
        return false;
    }
    const char letter = Lower(text[0]);
    if (letter < 'a' || letter > 'g') {
        return false;
    }
    int semitone = kLetterSemitones[letter - 'a'];
    std::size_t at = 1;
    if (text[at] == '#') {
        ++semitone;
        ++at;
    } else if (text[at] == 'b' || text[at] == 'B') {
        --semitone;
        ++at;
    }
    // One digit, or -1: the octaves a MIDI note number reaches.
    int octave = 0;
    if (text.compare(at, std::string::npos, "-1") == 0) {
        octave = -1;
    } else if (text.size() == at + 1 && text[at] >= '0' && text[at] <= '9') {
        octave = text[at] - '0';
    } else {
        return false;
    }
    const int number = (octave + 1) * 12 + semitone;
    if (number < 0 || number > 127) {
        return false;
    }
    note = number;
    return true;
}

int ReadSwitchWord(const std::string& text)
{
    for (const char* word : {"yes", "on", "true", "1"}) {
        if (SameText(text, word)) {
            return 1;
        }
    }
    for (const char* word : {"no", "off", "false", "0"}) {
        if (SameText(text, word)) {
            return 0;
        }
    }
    return -1;
}

bool IsNoteParameter(const std::string& name)
{
    return EndsWith(name, "note");
}

} // namespace ParamText
