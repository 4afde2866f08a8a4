#include "plugbase/window/XcbAtoms.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

bool XcbAtoms::Intern(xcb_connection_t* connection)
{
    struct Name {
        const char* text;
        xcb_atom_t XcbAtoms::*atom;
    };
    static const Name names[] = {
        { "CLIPBOARD", &XcbAtoms::clipboard },
        { "TARGETS", &XcbAtoms::targets },
        { "UTF8_STRING", &XcbAtoms::utf8String },
        { "CLIPBOARD_MANAGER", &XcbAtoms::clipboardManager },
        { "SAVE_TARGETS", &XcbAtoms::saveTargets },
        { "INCR", &XcbAtoms::incr },
        { "XdndAware", &XcbAtoms::xdndAware },
        { "XdndProxy", &XcbAtoms::xdndProxy },
        { "XdndEnter", &XcbAtoms::xdndEnter },
        { "XdndPosition", &XcbAtoms::xdndPosition },
        { "XdndStatus", &XcbAtoms::xdndStatus },
        { "XdndLeave", &XcbAtoms::xdndLeave },
        { "XdndDrop", &XcbAtoms::xdndDrop },
        { "XdndFinished", &XcbAtoms::xdndFinished },
        { "XdndSelection", &XcbAtoms::xdndSelection },
        { "XdndTypeList", &XcbAtoms::xdndTypeList },
        { "XdndActionCopy", &XcbAtoms::xdndActionCopy },
        { "text/uri-list", &XcbAtoms::uriList },
        { "QUELLORN_TRANSFER", &XcbAtoms::transfer },
    };
    constexpr std::size_t count = sizeof names / sizeof names[0];
    xcb_intern_atom_cookie_t cookies[count];
    for (std::size_t i = 0; i < count; ++i)
        cookies[i] = xcb_intern_atom(
            connection, 0, static_cast<std::uint16_t>(std::strlen(names[i].text)), names[i].text);
    bool any = false;
    for (std::size_t i = 0; i < count; ++i) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookies[i], nullptr);
        this->*names[i].atom = reply ? reply->atom : xcb_atom_t { XCB_ATOM_NONE };
        any = any || reply != nullptr;
        std::free(reply);
    }
    return any;
}
