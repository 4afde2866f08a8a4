#include "tools/host/PluginSetup.h"

#include "tools/host/ParamText.h"
#include "tools/host/Platform.h"
#include "tools/host/PluginModule.h"
#include "tools/host/SlotReport.h"
#include "tools/host/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// Quellorn's own requests through effVendorSpecific, and the answer that means "done".
constexpr VstInt32 kVendorDisplayForValue = 7;
constexpr VstInt32 kVendorDisplayCount = 8;
constexpr VstInt32 kVendorTextToValue = 27;
constexpr VstIntPtr kVendorHandled = 0xBEEF;

constexpr VstInt32 kBankChunkIndex = 0;
constexpr VstInt32 kProgramChunkIndex = 1;

// Finds the parameter a --param target means: an index, a unique name, or NAME@K, the K-th
// parameter of that name (a plug-in with layers repeats its names once per layer).
bool ResolveParameter(const PluginModule& plugin, const std::string& target, VstInt32& index,
                      std::string& error)
{
    const VstInt32 count = plugin.Effect()->numParams;
    long long number = 0;
    if (ParseWhole(target, 0, std::numeric_limits<VstInt32>::max(), number)) {
        if (number >= count) {
            error = "no parameter " + target + ": the plug-in has " + std::to_string(count);
            return false;
        }
        index = static_cast<VstInt32>(number);
        return true;
    }

    std::string name = target;
    long long occurrence = 0;
    const std::size_t at = target.rfind('@');
    if (at != std::string::npos &&
        ParseWhole(target.substr(at + 1), 1, std::numeric_limits<int>::max(), occurrence)) {
        name = target.substr(0, at);
    }
    std::vector<VstInt32> matches;
    for (VstInt32 i = 0; i < count; ++i) {
        if (ParamText::SameText(plugin.DispatchString(effGetParamName, i), name)) {
            matches.push_back(i);
        }
    }
    if (matches.empty()) {
        error = "no parameter named '" + name + "' ('quellorn-host info' lists them)";
        return false;
    }
    if (occurrence == 0 && matches.size() > 1) {
        error = "'" + name + "' names " + std::to_string(matches.size()) +
                " parameters; pick one with " + name + "@1 to " + name + "@" +
                std::to_string(matches.size());
        return false;
    }
    if (occurrence > static_cast<long long>(matches.size())) {
        error = "no parameter '" + target + "': only " + std::to_string(matches.size()) +
                " are named '" + name + "'";
        return false;
    }
    index = matches[occurrence == 0 ? 0 : static_cast<std::size_t>(occurrence - 1)];
    return true;
}

// The value as text the plug-in reads for the parameter, or false with the reason. The
// plug-in converts the text itself, but it would read a word as some number: the host
// lets through only numbers, note names for note parameters and the named values.
bool ValueText(const PluginModule& plugin, VstInt32 index, const std::string& value,
               std::string& text, std::string& error)
{
    const std::string name = plugin.DispatchString(effGetParamName, index);
    const std::string what = "parameter " + std::to_string(index) + " " + Quoted(name);
    const ParameterValues values = DescribeValues(plugin, index);
    if (values.named) {
        for (const std::string& each : values.texts) {
            if (ParamText::SameText(each, value)) {
                text = each;
                return true;
            }
        }
        const int word = ParamText::ReadSwitchWord(value);
        if (values.texts.size() == 2 && word >= 0) {
            text = values.texts[static_cast<std::size_t>(word)];
            return true;
        }
        std::string known;
        for (const std::string& each : values.texts) {
            known += (known.empty() ? "" : ", ") + each;
        }
        error = "'" + value + "' is not a value of " + what + " (" + known +
                (values.texts.size() == 2 ? "; or On/Off, True/False, 1/0" : "") + ")";
        return false;
    }
    const std::string unit = plugin.DispatchString(effGetParamLabel, index);
    if (ParamText::ReadNumber(value, unit, text)) {
        return true;
    }
    int note = 0;
    const bool notes = ParamText::IsNoteParameter(name);
    if (notes && ParamText::ReadNoteName(value, note)) {
        text = std::to_string(note);
        return true;
    }
    error = "'" + value + "' is not a number" + (notes ? " or a note name (C4 = 60)" : "") +
            " for " + what;
    return false;
}

int ApplyParameter(const PluginModule& plugin, const ParamRequest& request)
{
    VstInt32 index = 0;
    std::string error;
    if (!ResolveParameter(plugin, request.target, index, error)) {
        PrintError(error);
        return ExitCode::kFailure;
    }
    std::string value;
    if (!ValueText(plugin, index, request.value, value, error)) {
        PrintError(error);
        return ExitCode::kFailure;
    }
    // The plug-in turns text in the parameter's units into its normalised value, so the
    // host needs to know nothing about each parameter's range and curve.
    char text[PluginModule::kStringBufferSize] = {};
    std::memcpy(text, value.data(), std::min(value.size(), sizeof(text) - 1));
    const VstIntPtr answer = plugin.Dispatch(effVendorSpecific, kVendorTextToValue, index, text);
    text[sizeof(text) - 1] = '\0';
    double normalised = 0.0;
    if (answer != kVendorHandled || !ParseDecimal(text, 0.0, 1.0, normalised)) {
        PrintError("the plug-in did not convert '" + request.value + "' for parameter " +
                   std::to_string(index) + " ('" + request.target + "')");
        return ExitCode::kFailure;
    }
    plugin.SetParameter(index, static_cast<float>(normalised));
    const std::string name = plugin.DispatchString(effGetParamName, index);
    const std::string display = plugin.DispatchString(effGetParamDisplay, index);
    const std::string label = plugin.DispatchString(effGetParamLabel, index);
    std::printf("parameter %d \"%s\" = %s: normalised %.6f, shown as \"%s%s%s\"\n",
                static_cast<int>(index), name.c_str(), request.value.c_str(), normalised,
                display.c_str(), label.empty() ? "" : " ", label.c_str());
    return ExitCode::kOk;
}

bool IsSfzPath(const std::string& path)
{
    const std::size_t dot = path.rfind('.');
    return dot != std::string::npos && ParamText::SameText(path.substr(dot), ".sfz");
}

// A sample that cannot be loaded fails the request. An SFZ file fills every slot from its
// regions, so it fails only when no slot received a sample; a region's sample that is
// missing is left to the slot report's warnings.
int LoadSlot(const PluginModule& plugin, const SlotRequest& request)
{
    const VstIntPtr slotIndex = request.slot - 1;
    if (!RequestSlotLoad(plugin, slotIndex, request.path)) {
        PrintError("the plug-in has no sample slot " + std::to_string(request.slot));
        return ExitCode::kFailure;
    }
    const std::vector<SlotState> slots = QuerySlots(plugin);
    if (slotIndex >= static_cast<VstIntPtr>(slots.size())) {
        PrintError("the plug-in does not say what slot " + std::to_string(request.slot) + " holds");
        return ExitCode::kSampleNotLoaded;
    }
    const SlotState& slot = slots[static_cast<std::size_t>(slotIndex)];
    const bool loaded =
        IsSfzPath(request.path)
            ? std::any_of(slots.begin(), slots.end(), [](const SlotState& s) { return s.Loaded(); })
            : slot.Loaded();
    if (!loaded) {
        PrintError(SlotFailureText(request.slot, slot, request.path));
        return ExitCode::kSampleNotLoaded;
    }
    return ExitCode::kOk;
}

int SelectProgram(const PluginModule& plugin, VstInt32 program)
{
    const VstInt32 count = plugin.Effect()->numPrograms;
    if (program >= count) {
        PrintError("no program " + std::to_string(program) + ": the plug-in has " +
                   std::to_string(count) + " ('quellorn-host programs' lists them)");
        return ExitCode::kFailure;
    }
    plugin.Dispatch(effBeginSetProgram);
    plugin.Dispatch(effSetProgram, 0, program);
    plugin.Dispatch(effEndSetProgram);
    const VstIntPtr current = plugin.Dispatch(effGetProgram);
    if (current != program) {
        PrintError("the plug-in stayed at program " + std::to_string(current) +
                   " when asked for program " + std::to_string(program));
        return ExitCode::kFailure;
    }
    std::printf("program %d: %s\n", static_cast<int>(program),
                Quoted(plugin.DispatchString(effGetProgramName)).c_str());
    return ExitCode::kOk;
}

} // namespace

ParameterValues DescribeValues(const PluginModule& plugin, VstInt32 index)
{
    ParameterValues values;
    // Plug-ins answer only for parameters whose values have names, with a 32-bit count; the
    // buffer is larger in case one writes more.
    unsigned char answer[PluginModule::kStringBufferSize] = {};
    const bool answered =
        plugin.Dispatch(effVendorSpecific, kVendorDisplayCount, index, answer) == kVendorHandled;
    std::int32_t count = 0;
    std::memcpy(&count, answer, sizeof(count));
    const bool named = answered && count >= 1 && count <= 128;
    const std::int32_t shown = named ? count : 2;
    for (std::int32_t i = 0; i < shown; ++i) {
        char text[PluginModule::kStringBufferSize] = {};
        const float normalised =
            shown > 1 ? static_cast<float>(i) / static_cast<float>(shown - 1) : 0.0f;
        if (plugin.Dispatch(effVendorSpecific, kVendorDisplayForValue, index, text, normalised) !=
            kVendorHandled) {
            return {};
        }
        text[sizeof(text) - 1] = '\0';
        values.texts.emplace_back(text);
    }
    values.named = named;
    return values;
}

const std::vector<OptionInfo>& SetupOptions()
{
    static const std::vector<OptionInfo> kOptions = {
        {"--state", "FILE", "Restore a program (.fxp) or bank (.fxb) file saved by 'state save'"},
        {"--program", "N", "Select program N (from 0, as 'programs' lists them)"},
        {"--slot", "N=FILE", "Load FILE into sample slot N (1..3); repeatable"},
        {"--param", "P=VALUE", "Set parameter P (INDEX or NAME[@K]) to VALUE; repeatable"},
    };
    return kOptions;
}

const char* const kSetupOrderHelp =
    "They apply in this order, so that the more specific one wins:\n"
    "a bank --state file, then --program, then a program --state file (which, as in a host,\n"
    "goes into the selected program), then the --slot files, then the --param values, each\n"
    "in the order given. Slots count from 1 (Quellorn has slots 1 to 3). A parameter is named\n"
    "by its INDEX as 'info' lists it, or by NAME, as in --param Attack@2=0.1, where @K picks\n"
    "the K-th parameter of that name (Quellorn: the one of slot K). VALUE is in the\n"
    "parameter's own units (seconds, dB, note numbers), converted by the plug-in; a note\n"
    "parameter also takes a note name (C4 = 60, F#3, Eb2), a switch Yes/No, On/Off,\n"
    "True/False or 1/0 in any case. Anything else is refused.";

bool ParseWhole(const std::string& text, long long min, long long max, long long& result)
{
    if (text.empty() || !(text[0] >= '0' && text[0] <= '9')) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < min || value > max) {
        return false;
    }
    result = value;
    return true;
}

bool ParseDecimal(const std::string& text, double min, double max, double& result)
{
    if (text.empty() || text[0] == ' ' || text[0] == '+') {
        return false;
    }
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !(value >= min && value <= max)) { // also refuses nan
        return false;
    }
    result = value;
    return true;
}

int InvalidValue(const std::string& command, const std::string& option, const std::string& value,
                 const std::string& hint)
{
    PrintError("invalid value for '" + option + "': '" + value + "' (" + hint + ")");
    std::fprintf(stderr, "Try 'quellorn-host %s --help'.\n", command.c_str());
    return ExitCode::kUsage;
}

int ParseSetup(const CommandArgs& args, const std::string& command, PluginSetup& setup)
{
    long long whole = 0;
    if (args.Has("--state")) {
        setup.statePath = args.options.at("--state");
        if (setup.statePath.empty()) {
            return InvalidValue(command, "--state", "", "a program or bank file");
        }
    }
    if (args.Has("--program")) {
        const std::string& text = args.options.at("--program");
        if (!ParseWhole(text, 0, std::numeric_limits<VstInt32>::max(), whole)) {
            return InvalidValue(command, "--program", text, "a program number from 0");
        }
        setup.selectsProgram = true;
        setup.program = static_cast<VstInt32>(whole);
    }
    for (const std::string& text : args.All("--slot")) {
        const std::size_t equals = text.find('=');
        if (equals == std::string::npos || equals + 1 == text.size() ||
            !ParseWhole(text.substr(0, equals), 1, 99, whole)) {
            return InvalidValue(command, "--slot", text, "N=FILE with a slot number from 1");
        }
        const int slot = static_cast<int>(whole);
        const std::string path = text.substr(equals + 1);
        if (path.size() >= kSlotPathBufferSize) {
            return InvalidValue(command, "--slot", text, "a slot holds paths of at most 260 bytes");
        }
        for (const SlotRequest& earlier : setup.slots) {
            if (earlier.slot == slot) {
                return InvalidValue(command, "--slot", text,
                                    "slot " + std::to_string(slot) + " given twice");
            }
        }
        setup.slots.push_back({slot, path});
    }
    for (const std::string& text : args.All("--param")) {
        const std::size_t equals = text.find('=');
        if (equals == 0 || equals == std::string::npos || equals + 1 == text.size()) {
            return InvalidValue(command, "--param", text, "INDEX=VALUE or NAME[@K]=VALUE");
        }
        if (text.size() - equals - 1 >= PluginModule::kStringBufferSize) {
            return InvalidValue(command, "--param", text, "the value is too long");
        }
        setup.params.push_back({text.substr(0, equals), text.substr(equals + 1)});
    }
    return ExitCode::kOk;
}

int CheckSetupInputs(const PluginSetup& setup, std::vector<std::string> inputs)
{
    if (!setup.statePath.empty()) {
        inputs.push_back(setup.statePath);
    }
    for (const SlotRequest& slot : setup.slots) {
        inputs.push_back(slot.path);
    }
    for (const std::string& path : inputs) {
        if (!Platform::FileExists(path)) {
            PrintError("no such file: " + path);
            return ExitCode::kNoSuchFile;
        }
    }
    return ExitCode::kOk;
}

int ExitCodeFor(StateError error)
{
    switch (error) {
    case StateError::None:
        return ExitCode::kOk;
    case StateError::NotAStateFile:
        return ExitCode::kNotAStateFile;
    case StateError::Unsupported:
        return ExitCode::kUnsupportedState;
    case StateError::Truncated:
        return ExitCode::kTruncatedState;
    case StateError::SizeMismatch:
        return ExitCode::kStateSizeMismatch;
    case StateError::ChunkOutOfBounds:
        return ExitCode::kStateChunkOutOfBounds;
    case StateError::Unreadable:
        return ExitCode::kFailure;
    }
    return ExitCode::kFailure;
}

int ReadState(const std::string& path, StateFile& state)
{
    if (!Platform::FileExists(path)) {
        PrintError("no such file: " + path);
        return ExitCode::kNoSuchFile;
    }
    std::string message;
    const StateError error = ReadStateFile(path, state, message);
    if (error != StateError::None) {
        PrintError(path + ": " + message);
    }
    return ExitCodeFor(error);
}

int ReadSetupState(PluginSetup& setup)
{
    return setup.statePath.empty() ? ExitCode::kOk : ReadState(setup.statePath, setup.state);
}

int CheckChunks(const PluginModule& plugin)
{
    if ((plugin.Effect()->flags & effFlagsProgramChunks) == 0) {
        PrintError("the plug-in does not keep its state in chunks (no ProgramChunks flag), "
                   "so it has no program or bank file of that kind");
        return ExitCode::kPluginWithoutChunks;
    }
    return ExitCode::kOk;
}

int CaptureState(const PluginModule& plugin, StateKind kind, StateFile& state)
{
    const int chunks = CheckChunks(plugin);
    if (chunks != ExitCode::kOk) {
        return chunks;
    }
    const bool bank = kind == StateKind::Bank;
    void* data = nullptr;
    const VstIntPtr size =
        plugin.Dispatch(effGetChunk, bank ? kBankChunkIndex : kProgramChunkIndex, 0, &data);
    if (size <= 0 || data == nullptr) {
        PrintError("the plug-in gave no state (effGetChunk returned " + std::to_string(size) + ")");
        return ExitCode::kFailure;
    }
    if (static_cast<unsigned long long>(size) > StateFormat::kMaxChunkSize) {
        PrintError("the plug-in's state of " + std::to_string(size) +
                   " bytes is larger than a state file may hold");
        return ExitCode::kFailure;
    }
    // The plug-in's buffer lasts only until its next call.
    const auto* bytes = static_cast<const unsigned char*>(data);
    state.chunk.assign(bytes, bytes + size);
    const AEffect& effect = *plugin.Effect();
    state.kind = kind;
    state.formatVersion = bank ? 2 : 1;
    state.pluginId = effect.uniqueID;
    state.pluginVersion = effect.version;
    state.count = bank ? effect.numPrograms : effect.numParams;
    state.programName = bank ? "" : StoredProgramName(plugin.DispatchString(effGetProgramName));
    state.currentProgram = static_cast<std::int32_t>(plugin.Dispatch(effGetProgram));
    return ExitCode::kOk;
}

int RestoreState(const PluginModule& plugin, const StateFile& state)
{
    const int chunks = CheckChunks(plugin);
    if (chunks != ExitCode::kOk) {
        return chunks;
    }
    const VstInt32 id = plugin.Effect()->uniqueID;
    if (state.pluginId != id) {
        PrintError("the state is for the plug-in with id " + IdText(state.pluginId) +
                   ", not for this one (" + IdText(id) + ")");
        return ExitCode::kStateForOtherPlugin;
    }
    const bool bank = state.kind == StateKind::Bank;
    // Selected before the chunk arrives, so that a plug-in whose chunk restores its own
    // current program has the last word, and one whose chunk does not (Quellorn) still
    // ends up in the bank's program with the bank's values.
    const bool selectsProgram =
        bank && state.currentProgram >= 0 && state.currentProgram < plugin.Effect()->numPrograms;
    if (selectsProgram) {
        plugin.Dispatch(effBeginSetProgram);
        plugin.Dispatch(effSetProgram, 0, state.currentProgram);
        plugin.Dispatch(effEndSetProgram);
    }
    // Plug-ins may read through the pointer even for an empty chunk.
    unsigned char nothing = 0;
    void* data = state.chunk.empty() ? &nothing : const_cast<unsigned char*>(state.chunk.data());
    const VstIntPtr accepted =
        plugin.Dispatch(effSetChunk, bank ? kBankChunkIndex : kProgramChunkIndex,
                        static_cast<VstIntPtr>(state.chunk.size()), data);
    if (accepted == 0) {
        PrintError(std::string("the plug-in refused the ") + (bank ? "bank" : "program") +
                   " state (effSetChunk returned 0)");
        return ExitCode::kStateRefused;
    }
    // A program file is loaded into the current program, under the file's name, unless
    // the chunk brought that name back already (the file may hold a shortened form of it).
    if (!bank && !state.programName.empty() &&
        StoredProgramName(plugin.DispatchString(effGetProgramName)) != state.programName) {
        char name[PluginModule::kStringBufferSize] = {};
        std::memcpy(name, state.programName.data(),
                    std::min(state.programName.size(), sizeof(name) - 1));
        plugin.Dispatch(effSetProgramName, 0, 0, name);
    }
    if (bank) {
        const std::string at =
            selectsProgram ? ", at program " + std::to_string(state.currentProgram) : "";
        std::printf("state: bank of %d programs%s, chunk of %llu bytes, accepted\n",
                    static_cast<int>(state.count), at.c_str(),
                    static_cast<unsigned long long>(state.chunk.size()));
    } else {
        std::printf("state: program %s, chunk of %llu bytes, accepted\n",
                    Quoted(state.programName).c_str(),
                    static_cast<unsigned long long>(state.chunk.size()));
    }
    return ExitCode::kOk;
}

int ApplySetup(const PluginModule& plugin, const PluginSetup& setup)
{
    const bool hasState = !setup.statePath.empty();
    const bool bankState = hasState && setup.state.kind == StateKind::Bank;
    int result = ExitCode::kOk;
    if (bankState) {
        result = RestoreState(plugin, setup.state);
    }
    if (result == ExitCode::kOk && setup.selectsProgram) {
        result = SelectProgram(plugin, setup.program);
    }
    if (result == ExitCode::kOk && hasState && !bankState) {
        result = RestoreState(plugin, setup.state);
    }
    for (const SlotRequest& slot : setup.slots) {
        if (result == ExitCode::kOk) {
            result = LoadSlot(plugin, slot);
        }
    }
    for (const ParamRequest& param : setup.params) {
        if (result == ExitCode::kOk) {
            result = ApplyParameter(plugin, param);
        }
    }
    std::fflush(stdout);
    if (result == ExitCode::kOk) {
        ReportSlots(plugin);
    }
    return result;
}
