#include "tools/host/Commands.h"

#include "tools/host/HostCallback.h"
#include "tools/host/PluginSetup.h"
#include "tools/host/PluginModule.h"

#include <cstdio>

namespace {

std::vector<OptionInfo> WithSetupOptions(std::vector<OptionInfo> options)
{
    const std::vector<OptionInfo>& setup = SetupOptions();
    options.insert(options.end(), setup.begin(), setup.end());
    return options;
}

const char* RenderDescription()
{
    static const std::string kText =
        std::string(
            "Loads the VST 2 instrument PLUGIN, plays the Standard MIDI File MIDIFILE (format 0\n"
            "or 1) through it in real-time-sized blocks with the transport running, and writes\n"
            "what it plays, followed by a release tail, to the WAV file OUTPUT.wav.\n"
            "\n"
            "--channel plays only the MIDI messages of that channel. --gain scales what the\n"
            "plug-in plays, in the host, before it is converted to the file's format (which\n"
            "clips integer formats at full scale). A render whose data outgrows a WAV file's\n"
            "4 GiB is written as RF64.\n"
            "\n"
            "Exit codes: 1 a failure the message explains, 2 a usage error, 3 a missing\n"
            "input file, 4 to 7 a module that cannot be loaded as a plug-in, 8 a MIDI file\n"
            "that cannot be read, 9 to 16 a --state file that cannot be used (see\n"
            "'state --help'), 17 a --slot file the plug-in could not load (a sample missing\n"
            "from a restored state is only a warning), 18 the output could not be written\n"
            "completely (the disk is full).\n"
            "\n"
            "The last four options set the plug-in up once it is switched on, before the\n"
            "first block. ") +
        kSetupOrderHelp;
    return kText.c_str();
}

const char* StateDescription()
{
    static const std::string kText =
        std::string(
            "Program (.fxp) and bank (.fxb) files, as VST 2 hosts exchange them, for plug-ins that\n"
            "keep their state as an opaque chunk (the ProgramChunks flag).\n"
            "\n"
            "  state save PLUGIN FILE  sets the plug-in up with the options below and writes its\n"
            "                          state: a bank file with --bank or when FILE ends in .fxb,\n"
            "                          otherwise a program file named after the current program.\n"
            "  state load PLUGIN FILE  gives the file's state back to the plug-in and prints its\n"
            "                          parameters and sample slots as they are then.\n"
            "  state show FILE         prints the file's header without loading a plug-in.\n"
            "\n"
            "A file saved for another plug-in (by its unique id) is refused, as is a damaged one,\n"
            "each with its own exit code: 9 not a program or bank file, 10 a kind or version not\n"
            "read here, 11 cut short inside its header, 12 a byte count that disagrees with the\n"
            "file, 13 a chunk size that disagrees with the file, 14 saved for another plug-in,\n"
            "15 a plug-in without chunks, 16 the plug-in refused the chunk, 17 a --slot file the\n"
            "plug-in could not load (a sample missing from a restored state is only a warning).\n"
            "Loading a bank selects the bank's current program first; its chunk then restores\n"
            "the rest. Afterwards each command prints what every sample slot holds.\n"
            "\n"
            "Only 'state save' takes the options; they set the plug-in up before it is saved.\n") +
        kSetupOrderHelp;
    return kText.c_str();
}

const char* EditDescription()
{
    static const std::string kText =
        std::string(
            "Loads the VST 2 plug-in PLUGIN, sets it up with the options below and opens its\n"
            "editor in a window of its own (on Linux, on the X display DISPLAY names), idling it\n"
            "as a host does until the window is closed.\n"
            "\n"
            "--midi plays the Standard MIDI File through the plug-in in real time, without\n"
            "sound, so the editor shows the notes as they play. --save writes the plug-in's\n"
            "state when the window closes: a bank when FILE ends in .fxb, else a program.\n"
            "\n"
            "Exit codes: 1 a failure the message explains (such as no display, or a plug-in\n"
            "without an editor), 2 a usage error, 3 a missing input file, 4 to 7 a module\n"
            "that cannot be loaded as a plug-in, 8 a MIDI file that cannot be read, 9 to 16 a\n"
            "--state file that cannot be used or a state that cannot be saved, 17 a --slot file\n"
            "the plug-in could not load, 18 the state could not be written.\n"
            "\n"
            "The setup options apply once the plug-in is switched on, before the editor\n"
            "opens. ") +
        kSetupOrderHelp;
    return kText.c_str();
}

const char* SnapshotDescription()
{
    static const std::string kText =
        std::string(
            "Loads the VST 2 plug-in PLUGIN, sets it up with the options below and writes a\n"
            "picture of its whole editor, painted afresh, to the PNG file OUTPUT.png, without\n"
            "opening a window. Only Quellorn answers the request that gives the picture.\n"
            "\n"
            "--notes sends note-ons (velocity 100, channel 1) and processes one block, so the\n"
            "editor shows them held and their voices started. --scale enlarges every pixel to a\n"
            "square of N x N, for a closer look.\n"
            "\n"
            "Exit codes: 1 a failure the message explains (such as a plug-in without an\n"
            "editor), 2 a usage error, 3 a missing input file, 4 to 7 a module that cannot be\n"
            "loaded as a plug-in, 9 to 16 a --state file that cannot be used (see\n"
            "'state --help'), 17 a --slot file the plug-in could not load, 18 the picture\n"
            "could not be written.\n"
            "\n"
            "The setup options apply once the plug-in is switched on, before the notes\n"
            "are sent. ") +
        kSetupOrderHelp;
    return kText.c_str();
}

} // namespace

const std::vector<Command>& AllCommands()
{
    static const std::vector<Command> kCommands = {
        {"edit", "Open a plug-in's editor in a window of its own", "PLUGIN", EditDescription(),
         WithSetupOptions({
             {"--midi", "FILE", "Play this Standard MIDI File in real time, without sound"},
             {"--save", "STATE", "Write the plug-in's state (.fxp or .fxb) on close"},
         }),
         1, 1, &RunEdit},
        {"info", "Print what a plug-in module reports about itself", "PLUGIN",
         "Loads the VST 2 module PLUGIN, opens it and prints its names, identity, flags,\n"
         "pins, parameters and programs. The output is the same on every platform.",
         {}, 1, 1, &RunInfo},
        {"programs", "List a plug-in's programs and the current one", "PLUGIN",
         "Loads the VST 2 module PLUGIN and prints the name of each of its programs, numbered\n"
         "from 0 as 'render --program' takes them, and the program it starts with.",
         {}, 1, 1, &RunPrograms},
        {"render", "Play a MIDI file through a plug-in into a WAV file",
         "PLUGIN MIDIFILE OUTPUT.wav", RenderDescription(),
         WithSetupOptions({
             {"--rate", "HZ", "Sample rate (default 44100)"},
             {"--block", "N", "Frames per processing block (default 512)"},
             {"--tail", "SECONDS", "Length rendered after the song's end (default 2)"},
             {"--format", "FORMAT", "pcm16, pcm24 or float (32-bit) WAV data (default pcm24)"},
             {"--double", "", "Process in 64-bit floating point (processDoubleReplacing)"},
             {"--channel", "N", "Play only MIDI channel N (1..16) of the file"},
             {"--gain", "DB", "Scale the output by DB decibels in the host (default 0)"},
         }),
         3, 3, &RunRender},
        {"snapshot", "Write a picture of a plug-in's editor to a PNG file", "PLUGIN OUTPUT.png",
         SnapshotDescription(),
         WithSetupOptions({
             {"--notes", "KEYS", "Hold these notes (numbers or names, C4 = 60; comma-separated)"},
             {"--scale", "N", "Enlarge the picture N times, 1..8 (default 1)"},
         }),
         2, 2, &RunSnapshot},
        {"state", "Save, load or show a plug-in's program or bank file",
         "save PLUGIN FILE | load PLUGIN FILE | show FILE", StateDescription(),
         WithSetupOptions({
             {"--bank", "", "Save a bank (.fxb) rather than a program (.fxp)"},
         }),
         2, 3, &RunState},
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
