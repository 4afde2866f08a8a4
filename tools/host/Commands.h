// The command table and what commands share. A new command is one Run function in its own
// Commands<Name>.cpp plus one entry in AllCommands().
#pragma once

#include "plugbase/Vst2Interface.h"

#include <cstddef>
#include <map>
#include <string>
#include <vector>

class HostCallback;
class PluginModule;

// Scripts tell failures apart by these, so their values never change.
namespace ExitCode {
constexpr int kOk = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;
constexpr int kNoSuchFile = 3;
constexpr int kLoadFailed = 4;
constexpr int kNoEntryPoint = 5;
constexpr int kNullEffect = 6;
constexpr int kBadMagic = 7;
constexpr int kBadMidiFile = 8;
constexpr int kNotAStateFile = 9;
constexpr int kUnsupportedState = 10;
constexpr int kTruncatedState = 11;
constexpr int kStateSizeMismatch = 12;
constexpr int kStateChunkOutOfBounds = 13;
constexpr int kStateForOtherPlugin = 14;
constexpr int kPluginWithoutChunks = 15;
constexpr int kStateRefused = 16;
constexpr int kSampleNotLoaded = 17;
constexpr int kOutputWriteFailed = 18;
} // namespace ExitCode

struct HostSettings {
    std::string productString;
    VstInt32 vendorVersion;
};

struct OptionInfo {
    std::string name;      // "--out"
    std::string valueName; // empty for a switch
    std::string help;
};

struct CommandArgs {
    HostSettings host;
    std::vector<std::string> positionals;
    std::map<std::string, std::string> options; // switches map to ""; the last value wins
    // Every option in command-line order, for those that may be given more than once.
    std::vector<std::pair<std::string, std::string>> given;

    bool Has(const std::string& name) const { return options.count(name) != 0; }
    std::vector<std::string> All(const std::string& name) const;
};

struct Command {
    const char* name;
    const char* summary;
    const char* arguments; // shown after the options in the usage line
    const char* description;
    std::vector<OptionInfo> options;
    std::size_t minPositionals;
    std::size_t maxPositionals;
    int (*run)(const CommandArgs& args);
};

const std::vector<Command>& AllCommands();
const Command* FindCommand(const std::string& name);

HostSettings DefaultHostSettings();
void PrintError(const std::string& message);

// Applies the settings, loads the module, sends effOpen and the sample rate and block size.
// Reports a failure on stderr and returns its exit code; kOk when the plug-in is ready.
int OpenPlugin(HostCallback& host, const HostSettings& settings, PluginModule& plugin,
               const std::string& path);

// The parameter and program parts of the `info` report; withRanges adds the texts of each
// parameter's lowest and highest value (or of all its named values) where the plug-in
// gives them.
void PrintParameters(const PluginModule& plugin, bool withRanges = false);
void PrintPrograms(const PluginModule& plugin);

int RunEdit(const CommandArgs& args);
int RunInfo(const CommandArgs& args);
int RunPrograms(const CommandArgs& args);
int RunRender(const CommandArgs& args);
int RunSnapshot(const CommandArgs& args);
int RunState(const CommandArgs& args);
