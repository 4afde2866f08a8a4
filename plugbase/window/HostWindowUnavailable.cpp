// Builds without a host window of their own yet: `edit` says so and ends.
#include "plugbase/window/HostWindow.h"

std::unique_ptr<HostWindow> CreateHostWindow(const std::string&, int, int, std::string& error)
{
    error = "this build cannot open a window of its own";
    return nullptr;
}
