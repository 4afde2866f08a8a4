#include "plugbase/window/Win32Dialogs.h"

#include <shellapi.h>

namespace {
Win32Dialogs& InUse()
{
    static Win32Dialogs dialogs = SystemWin32Dialogs();
    return dialogs;
}
} // namespace

Win32Dialogs SystemWin32Dialogs()
{
    return Win32Dialogs { &MessageBoxA, &GetOpenFileNameA, &GetSaveFileNameA, &ChooseColorA,
        &ShellExecuteA };
}

const Win32Dialogs& CurrentWin32Dialogs()
{
    return InUse();
}

Win32Dialogs SetWin32Dialogs(const Win32Dialogs& dialogs)
{
    const Win32Dialogs previous = InUse();
    InUse() = dialogs;
    return previous;
}
