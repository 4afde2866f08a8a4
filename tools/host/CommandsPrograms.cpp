// `programs`: the program list alone, for choosing a --program number.
#include "tools/host/Commands.h"

#include "tools/host/HostCallback.h"
#include "tools/host/PluginModule.h"

#include <cstdio>

int RunPrograms(const CommandArgs& args)
{
    HostCallback host;
    PluginModule plugin(host);
    const int opened = OpenPlugin(host, args.host, plugin, args.positionals.front());
    if (opened != ExitCode::kOk) {
        return opened;
    }
    PrintPrograms(plugin);
    std::fflush(stdout);
    plugin.Close();
    return ExitCode::kOk;
}
