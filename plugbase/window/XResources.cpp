#include "plugbase/window/XResources.h"

#include <cstdlib>
#include <memory>

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

} // namespace

int XftDpiIn(const std::string& resources)
{
    static const std::string kName = "Xft.dpi";
    std::size_t line = 0;
    while (line < resources.size()) {
        std::size_t end = resources.find('\n', line);
        if (end == std::string::npos)
            end = resources.size();
        std::size_t at = line;
        while (at < end && IsBlank(resources[at]))
            ++at;
        if (resources.compare(at, kName.size(), kName) == 0) {
            at += kName.size();
            while (at < end && IsBlank(resources[at]))
                ++at;
            if (at < end && resources[at] == ':') {
                ++at;
                while (at < end && IsBlank(resources[at]))
                    ++at;
                // Desktops write whole numbers or decimals ("144", "144.0"); the whole
                // part is all that matters, and a bound keeps it from overflowing.
                int dpi = 0;
                bool digits = false;
                while (at < end && resources[at] >= '0' && resources[at] <= '9' && dpi < 100000) {
                    dpi = dpi * 10 + (resources[at] - '0');
                    digits = true;
                    ++at;
                }
                return digits ? dpi : 0;
            }
        }
        line = end + 1;
    }
    return 0;
}

int XftDpi(xcb_connection_t* connection, xcb_window_t root)
{
    // The resource text is a few kilobytes; a quarter of a megabyte holds any real one.
    std::unique_ptr<xcb_get_property_reply_t, FreeDeleter> reply(xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, root, XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING, 0, 1 << 16),
        nullptr));
    if (!reply || reply->format != 8)
        return 0;
    return XftDpiIn(std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
        static_cast<std::size_t>(xcb_get_property_value_length(reply.get()))));
}
