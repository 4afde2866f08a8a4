#include "plugbase/window/UriList.h"

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool Decode(const std::string& encoded, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] != '%') {
            out += encoded[i];
            continue;
        }
        const int high = i + 2 < encoded.size() ? HexDigit(encoded[i + 1]) : -1;
        const int low = i + 2 < encoded.size() ? HexDigit(encoded[i + 2]) : -1;
        if (high < 0 || low < 0 || (high == 0 && low == 0))
            return false;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return !out.empty();
}

} // namespace

std::string FirstFileInUriList(const std::string& list)
{
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find('\n', start);
        if (end == std::string::npos)
            end = list.size();
        std::string line = list.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == '\0'))
            line.pop_back();
        if (line.empty() || line[0] == '#' || line.compare(0, 7, "file://") != 0)
            continue;
        const std::size_t slash = line.find('/', 7);
        if (slash == std::string::npos)
            continue;
        const std::string host = line.substr(7, slash - 7);
        if (!host.empty() && host != "localhost")
            continue;
        std::string path;
        if (Decode(line.substr(slash), path))
            return path;
    }
    return {};
}
