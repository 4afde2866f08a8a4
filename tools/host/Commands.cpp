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
        {"render", "Play a MIDI file through a plug-in into a WAV file",
         "PLUGIN MIDIFILE OUTPUT.wav",
         "Loads the VST 2 instrument PLUGIN, plays the Standard MIDI File MIDIFILE (format 0\n"
         "or 1) through it in real-time-sized blocks with the transport running, and writes\n"
         "what it plays, followed by a release tail, to the WAV file OUTPUT.wav.\n"
         "\n"
         "After the plug-in is switched on and before the first block, the --slot files are\n"
         "loaded and then the --param values set, each in the order given. Slots count from\n"
         "1 (Quellorn has slots 1 to 3). A parameter is named by its INDEX as 'info' lists\n"
         "it, or by NAME, as in --param Attack@2=0.1, where @K picks the K-th parameter of\n"
         "that name (Quellorn: the one of slot K). VALUE is in the parameter's own units\n"
         "(seconds, dB, note numbers, Yes/No), converted by the plug-in.",
         {
             {"--rate", "HZ", "Sample rate (default 44100)"},
             {"--block", "N", "Frames per processing block (default 512)"},
             {"--tail", "SECONDS", "Length rendered after the song's end (default 2)"},
             {"--format", "FORMAT", "pcm16, pcm24 or float (32-bit) WAV data (default pcm24)"},
             {"--double", "", "Process in 64-bit floating point (processDoubleReplacing)"},
             {"--slot", "N=FILE", "Load FILE into sample slot N (1..3); repeatable"},
             {"--param", "P=VALUE", "Set parameter P (INDEX or NAME[@K]) to VALUE; repeatable"},
         },
         3, 3, &RunRender},
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

std::vector<std::string> CommandArgs::All(const std::string& name) const
{
    std::vector<std::string> values;
    for (const auto& [option, value] : given) {
        if (option == name) {
            values.push_back(value);
        }
    }
    return values;
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
