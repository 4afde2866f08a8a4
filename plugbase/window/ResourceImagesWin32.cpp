// Windows: the images are resources of type PNG of this module (resources/Quellorn.rc).
#include "plugbase/window/ResourceImages.h"

#include "plugbase/window/Win32Module.h"

bool FindImageResource(int id, const unsigned char*& bytes, std::size_t& size)
{
    // A resource id is a 16-bit number; anything else would be read as a name's address.
    if (id <= 0 || id > 0xFFFF)
        return false;
    const HMODULE module = Win32ModuleHandle();
    if (!module)
        return false;
    const HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), "PNG");
    if (!found)
        return false;
    const HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    const DWORD length = SizeofResource(module, found);
    if (!data || length == 0)
        return false;
    bytes = static_cast<const unsigned char*>(data);
    size = length;
    return true;
}
