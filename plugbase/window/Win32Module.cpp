#include "plugbase/window/Win32Module.h"

namespace {

HMODULE LookUpModule()
{
    HMODULE module = nullptr;
    // Whichever module holds this function: asking for the process's module (a null name)
    // would give the host's program, whose resources are not ours.
    if (!GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCSTR>(&LookUpModule), &module))
        return nullptr;
    return module;
}

// Built with the module's other static objects when it is attached to the process, so the
// handle is known before any host call arrives.
[[maybe_unused]] const HMODULE kAttached = Win32ModuleHandle();

} // namespace

HMODULE Win32ModuleHandle()
{
    static const HMODULE module = LookUpModule();
    return module;
}
