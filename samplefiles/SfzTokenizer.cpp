#include "samplefiles/SfzTokenizer.h"

#include <cctype>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// The characters of opcode names ("amp_velcurve_127", "lokey").
bool IsNameChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

bool StartsComment(std::string_view line, std::size_t i)
{
    return line[i] == '/' && i + 1 < line.size() && (line[i + 1] == '/' || line[i + 1] == '*');
}

std::size_t SkipBlanks(std::string_view line, std::size_t i)
{
    while (i < line.size() && IsBlank(line[i]))
        ++i;
    return i;
}

// Where the value that starts at `i` ends: at a comment, at a header, at the line's end,
// or at the blanks before a "name=" (blanks allowed before the "="). Each character is
// looked at a bounded number of times, so a long line costs linear time.
std::size_t ValueEnd(std::string_view line, std::size_t i)
{
    const std::size_t n = line.size();
    while (i < n) {
        if (line[i] == '<' || StartsComment(line, i))
            return i;
        if (!IsBlank(line[i])) {
            ++i;
            continue;
        }
        const std::size_t word = SkipBlanks(line, i);
        std::size_t after = word;
        while (after < n && IsNameChar(line[after]))
            ++after;
        if (after > word) {
            const std::size_t equals = SkipBlanks(line, after);
            if (equals < n && line[equals] == '=')
                return i;
        }
        i = word;
    }
    return n;
}

std::string_view TrimEnd(std::string_view text)
{
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

void SfzTokenizer::Split(std::string_view line, bool cut, std::vector<Token>& out)
{
    const std::size_t n = line.size();
    std::size_t i = 0;
    while (i < n) {
        if (inBlockComment) {
            const std::size_t end = line.find("*/", i);
            if (end == std::string_view::npos)
                return;
            inBlockComment = false;
            i = end + 2;
            continue;
        }
        i = SkipBlanks(line, i);
        if (i >= n)
            return;
        if (StartsComment(line, i)) {
            if (line[i + 1] == '/')
                return;
            inBlockComment = true;
            i += 2;
            continue;
        }
        if (line[i] == '<') {
            const std::size_t close = line.find('>', i + 1);
            if (close == std::string_view::npos)
                return; // an unclosed "<" (or one cut off) names no header
            Token header;
            header.header = true;
            header.name = line.substr(i + 1, close - i - 1);
            out.push_back(header);
            i = close + 1;
            continue;
        }
        const std::size_t nameStart = i;
        while (i < n && !IsBlank(line[i]) && line[i] != '=' && line[i] != '<'
            && !StartsComment(line, i))
            ++i;
        const std::size_t equals = SkipBlanks(line, i);
        if (equals >= n || line[equals] != '=') {
            // A word that is no opcode; skip it (a lone "=" or "<" moves on by one).
            if (i == nameStart)
                ++i;
            continue;
        }
        const std::size_t valueStart = SkipBlanks(line, equals + 1);
        const std::size_t valueEnd = ValueEnd(line, valueStart);
        Token opcode;
        opcode.name = line.substr(nameStart, i - nameStart);
        opcode.value = TrimEnd(line.substr(valueStart, valueEnd - valueStart));
        opcode.cut = cut && valueEnd == n;
        out.push_back(opcode);
        i = valueEnd;
    }
}
