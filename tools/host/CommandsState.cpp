// `state save|load|show`: a plug-in's opaque state in the program and bank files other VST 2
// hosts read and write, so a sound set up here can be taken to them and back.
#include "tools/host/Commands.h"

#include "tools/host/HostCallback.h"
#include "tools/host/Platform.h"
#include "tools/host/PluginModule.h"
#include "tools/host/PluginSetup.h"
#include "tools/host/SlotReport.h"
#include "tools/host/StateFile.h"
#include "tools/host/Text.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int UsageError(const std::string& message)
{
    PrintError(message);
    std::fprintf(stderr, "Try 'quellorn-host state --help'.\n");
    return ExitCode::kUsage;
}

bool HasExtension(const std::string& path, const char* extension)
{
    const std::size_t length = std::strlen(extension);
    if (path.size() < length) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        char c = path[path.size() - length + i];
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        if (c != extension[i]) {
            return false;
        }
    }
    return true;
}

int Show(const std::string& path)
{
    StateFile state;
    const int read = ReadState(path, state);
    if (read != ExitCode::kOk) {
        return read;
    }
    const bool bank = state.kind == StateKind::Bank;
    std::printf("magic: 'CcnK'\n");
    std::printf("kind: %s\n",
                bank ? "'FBCh' (bank, opaque chunk)" : "'FPCh' (program, opaque chunk)");
    std::printf("format version: %d\n", static_cast<int>(state.formatVersion));
    std::printf("plug-in id: %s\n", IdText(state.pluginId).c_str());
    std::printf("plug-in version: %d\n", static_cast<int>(state.pluginVersion));
    if (bank) {
        std::printf("programs: %d\n", static_cast<int>(state.count));
        if (state.formatVersion >= 2) {
            std::printf("current program: %d\n", static_cast<int>(state.currentProgram));
        } else {
            std::printf("current program: (not kept by format version 1)\n");
        }
    } else {
        std::printf("parameters: %d\n", static_cast<int>(state.count));
        std::printf("name: %s\n", Quoted(state.programName).c_str());
    }
    std::printf("chunk size: %llu\n", static_cast<unsigned long long>(state.chunk.size()));
    return ExitCode::kOk;
}

int Save(const CommandArgs& args, const std::string& pluginPath, const std::string& path)
{
    if (args.Has("--bank") && HasExtension(path, ".fxp")) {
        return UsageError("--bank asks for a bank file, but " + path +
                          " is named as a program file");
    }
    const bool bank = args.Has("--bank") || HasExtension(path, ".fxb");
    PluginSetup setup;
    const int parsed = ParseSetup(args, "state", setup);
    if (parsed != ExitCode::kOk) {
        return parsed;
    }
    const int found = CheckSetupInputs(setup);
    if (found != ExitCode::kOk) {
        return found;
    }
    const int stateRead = ReadSetupState(setup);
    if (stateRead != ExitCode::kOk) {
        return stateRead;
    }

    HostCallback host;
    PluginModule plugin(host);
    const int opened = OpenPlugin(host, args.host, plugin, pluginPath);
    if (opened != ExitCode::kOk) {
        return opened;
    }
    int result = CheckChunks(plugin);
    if (result == ExitCode::kOk) {
        result = ApplySetup(plugin, setup);
    }
    if (result != ExitCode::kOk) {
        return result;
    }

    StateFile state;
    result = CaptureState(plugin, bank ? StateKind::Bank : StateKind::Program, state);
    if (result != ExitCode::kOk) {
        return result;
    }
    std::string error;
    if (!WriteStateFile(path, state, error)) {
        PrintError(error);
        return ExitCode::kFailure;
    }
    if (bank) {
        std::printf("saved bank of %d programs, chunk of %llu bytes: %s\n",
                    static_cast<int>(state.count),
                    static_cast<unsigned long long>(state.chunk.size()), path.c_str());
    } else {
        std::printf("saved program %s, chunk of %llu bytes: %s\n",
                    Quoted(state.programName).c_str(),
                    static_cast<unsigned long long>(state.chunk.size()), path.c_str());
    }
    std::fflush(stdout);
    plugin.Close();
    return ExitCode::kOk;
}

int Load(const CommandArgs& args, const std::string& pluginPath, const std::string& path)
{
    StateFile state;
    const int read = ReadState(path, state);
    if (read != ExitCode::kOk) {
        return read;
    }
    HostCallback host;
    PluginModule plugin(host);
    const int opened = OpenPlugin(host, args.host, plugin, pluginPath);
    if (opened != ExitCode::kOk) {
        return opened;
    }
    const int restored = RestoreState(plugin, state);
    if (restored != ExitCode::kOk) {
        return restored;
    }
    std::printf("current program: %lld %s\n",
                static_cast<long long>(plugin.Dispatch(effGetProgram)),
                Quoted(plugin.DispatchString(effGetProgramName)).c_str());
    PrintParameters(plugin);
    ReportSlots(plugin);
    std::fflush(stdout);
    plugin.Close();
    return ExitCode::kOk;
}

} // namespace

int RunState(const CommandArgs& args)
{
    const std::string& action = args.positionals[0];
    const std::size_t count = args.positionals.size();
    if (action != "save" && action != "load" && action != "show") {
        return UsageError("unknown state action '" + action + "' (save, load or show)");
    }
    if (action != "save" && !args.given.empty()) {
        return UsageError("'" + args.given.front().first + "' goes only with 'state save'");
    }
    if (action == "show") {
        if (count != 2) {
            return UsageError("'state show' takes only FILE");
        }
        return Show(args.positionals[1]);
    }
    if (count != 3) {
        return UsageError("missing PLUGIN FILE after '" + action + "'");
    }
    return action == "save" ? Save(args, args.positionals[1], args.positionals[2])
                            : Load(args, args.positionals[1], args.positionals[2]);
}
