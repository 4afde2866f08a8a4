// What --state, --program, --slot and --param ask of a plug-in before a command uses it.
// `render` and `state save` share them, so a state saved with some options and a render
// with the same options meet the plug-in in the same state.
#pragma once

#include "tools/host/Commands.h"
#include "tools/host/StateFile.h"

#include <string>
#include <vector>

struct SlotRequest {
    int slot; // counted from 1, as the user gives it
    std::string path;
};

struct ParamRequest {
    std::string target; // as given: "17", "Attack" or "Attack@2"
    std::string value;
};

struct PluginSetup {
    std::string statePath; // empty when no --state was given
    StateFile state; // read by ReadSetupState
    bool selectsProgram = false;
    VstInt32 program = 0;
    std::vector<SlotRequest> slots;
    std::vector<ParamRequest> params;
};

// The options with their help, and how they combine, for the command table.
const std::vector<OptionInfo>& SetupOptions();
extern const char* const kSetupOrderHelp;

bool ParseWhole(const std::string& text, long long min, long long max, long long& result);
bool ParseDecimal(const std::string& text, double min, double max, double& result);

// Prints the usage error for an option of the named command; returns its exit code.
int InvalidValue(const std::string& command, const std::string& option, const std::string& value,
                 const std::string& hint);

// Checks the options' syntax only; files are left for later.
int ParseSetup(const CommandArgs& args, const std::string& command, PluginSetup& setup);

// Checks that every file the setup reads exists, and the command's own `inputs` before
// them, so a typo is caught before the plug-in loads: kNoSuchFile, reported, or kOk.
int CheckSetupInputs(const PluginSetup& setup, std::vector<std::string> inputs = {});

// Missing files get the exit code every command gives them, damaged ones their own.
int ReadState(const std::string& path, StateFile& state);

// Reads the --state file, if any.
int ReadSetupState(PluginSetup& setup);

// In the order kSetupOrderHelp gives. Reports each step on stdout and a failure on stderr.
int ApplySetup(const PluginModule& plugin, const PluginSetup& setup);

int ExitCodeFor(StateError error);

// kOk when the plug-in saves its state in chunks; otherwise says so.
int CheckChunks(const PluginModule& plugin);

// The plug-in's state as a file of the given kind holds it.
int CaptureState(const PluginModule& plugin, StateKind kind, StateFile& state);

// Hands the file's chunk to the plug-in after checking it is meant for this one.
int RestoreState(const PluginModule& plugin, const StateFile& state);

// The texts a parameter's values show, when the plug-in tells them: one per value for a
// parameter with named values, otherwise those of its lowest and highest value. Empty
// when the plug-in does not say.
struct ParameterValues {
    bool named = false; // the texts name every value ("No", "Yes")
    std::vector<std::string> texts;
};
ParameterValues DescribeValues(const PluginModule& plugin, VstInt32 index);
