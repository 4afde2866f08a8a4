#include "tools/host/Commands.h"

#include "tools/host/HostCallback.h"
#include "tools/host/PluginModule.h"

#include <cstdio>

const std::vector<Command>& AllCommands()
{
    static const std::vector<Command> kCommands = {
        {"info", "Print what a plug-in module reports about itself", "PLUGIN",
         "Loads the VST 2 module PLUGIN, opens it and prints its names, identity, flags,\n"
         "pins, parameters and programs. The output is the same on every platform.",
         {}, 1, 1, &RunInfo},
    };
    return kCommands;
}

const Command* FindCommand(const std::string& name)
{
    for (const Command& command : AllCommands()) {
        if (name == command.name) {
            return &command;
        }
    }
    return nullptr;
}

HostSettings DefaultHostSettings()
{
    return {HostCallback::kDefaultProduct, HostCallback::kDefaultVendorVersion};
}

void PrintError(const std::string& message)
{
    std::fprintf(stderr, "quellorn-host: %s\n", message.c_str());
}

namespace {

int ExitCodeFor(LoadResult result)
{
    switch (result) {
    case LoadResult::Ok:
        return ExitCode::kOk;
    case LoadResult::FileMissing:
        return ExitCode::kNoSuchFile;
    case LoadResult::LoadFailed:
        return ExitCode::kLoadFailed;
    case LoadResult::NoEntryPoint:
        return ExitCode::kNoEntryPoint;
    case LoadResult::NullEffect:
        return ExitCode::kNullEffect;
    case LoadResult::BadMagic:
        return ExitCode::kBadMagic;
    }
    return ExitCode::kFailure;
}

} // namespace

int OpenPlugin(HostCallback& host, const HostSettings& settings, PluginModule& plugin,
               const std::string& path)
{
    host.SetProductString(settings.productString);
    host.SetVendorVersion(settings.vendorVersion);
    const LoadResult result = plugin.Load(path);
    if (result != LoadResult::Ok) {
        PrintError(plugin.ErrorMessage());
        return ExitCodeFor(result);
    }
    plugin.Dispatch(effOpen);
    plugin.Dispatch(effSetSampleRate, 0, 0, nullptr,
                    static_cast<float>(host.GetTransport().SampleRate()));
    plugin.Dispatch(effSetBlockSize, 0, host.BlockSize());
    return ExitCode::kOk;
}
