// `render`: plays a MIDI file through a plug-in the way a sequencer would during an export,
// block by block with the transport running, and writes the result to a WAV file.
#include "tools/host/Commands.h"

#include "tools/host/HostCallback.h"
#include "tools/host/MidiFile.h"
#include "tools/host/Platform.h"
#include "tools/host/PluginModule.h"
#include "tools/host/WavWriter.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

// Quellorn's own requests through effVendorSpecific, and the answer that means "done".
constexpr VstInt32 kVendorTextToValue = 27;
constexpr VstInt32 kVendorSlotPath = 56;
constexpr VstIntPtr kVendorHandled = 0xBEEF;
// A path of at most 260 characters and its terminator, the longest a slot keeps.
constexpr std::size_t kSlotPathBufferSize = 261;
constexpr VstIntPtr kProcessPrecision32 = 0;
constexpr VstIntPtr kProcessPrecision64 = 1;

constexpr int kMinRate = 1000;
constexpr int kMaxRate = 768000;
constexpr int kMaxBlock = 65536;
constexpr double kMaxTailSeconds = 3600.0;

struct SlotRequest {
    int slot; // counted from 1, as the user gives it
    std::string path;
};

struct ParamRequest {
    std::string target; // as given: "17", "Attack" or "Attack@2"
    std::string value;
};

struct RenderSettings {
    int sampleRate = 44100;
    int blockSize = 512;
    double tailSeconds = 2.0;
    SampleFormat format = SampleFormat::Pcm24;
    bool doublePrecision = false;
    std::vector<SlotRequest> slots;
    std::vector<ParamRequest> params;
};

const char* FormatName(SampleFormat format)
{
    switch (format) {
    case SampleFormat::Pcm16:
        return "pcm16";
    case SampleFormat::Pcm24:
        return "pcm24";
    case SampleFormat::Float:
        return "float";
    }
    return "?";
}

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

int InvalidValue(const std::string& option, const std::string& value, const std::string& hint)
{
    PrintError("invalid value for '" + option + "': '" + value + "' (" + hint + ")");
    std::fprintf(stderr, "Try 'quellorn-host render --help'.\n");
    return ExitCode::kUsage;
}

int ParseSettings(const CommandArgs& args, RenderSettings& settings)
{
    long long whole = 0;
    if (args.Has("--rate")) {
        const std::string& text = args.options.at("--rate");
        if (!ParseWhole(text, kMinRate, kMaxRate, whole)) {
            return InvalidValue("--rate", text,
                                "whole Hz from " + std::to_string(kMinRate) + " to " +
                                    std::to_string(kMaxRate));
        }
        settings.sampleRate = static_cast<int>(whole);
    }
    if (args.Has("--block")) {
        const std::string& text = args.options.at("--block");
        if (!ParseWhole(text, 1, kMaxBlock, whole)) {
            return InvalidValue("--block", text, "frames from 1 to " + std::to_string(kMaxBlock));
        }
        settings.blockSize = static_cast<int>(whole);
    }
    if (args.Has("--tail")) {
        const std::string& text = args.options.at("--tail");
        if (!ParseDecimal(text, 0.0, kMaxTailSeconds, settings.tailSeconds)) {
            return InvalidValue("--tail", text, "seconds from 0 to 3600");
        }
    }
    if (args.Has("--format")) {
        const std::string& text = args.options.at("--format");
        if (text == "pcm16") {
            settings.format = SampleFormat::Pcm16;
        } else if (text == "pcm24") {
            settings.format = SampleFormat::Pcm24;
        } else if (text == "float") {
            settings.format = SampleFormat::Float;
        } else {
            return InvalidValue("--format", text, "pcm16, pcm24 or float");
        }
    }
    settings.doublePrecision = args.Has("--double");

    for (const std::string& text : args.All("--slot")) {
        const std::size_t equals = text.find('=');
        if (equals == std::string::npos || equals + 1 == text.size() ||
            !ParseWhole(text.substr(0, equals), 1, 99, whole)) {
            return InvalidValue("--slot", text, "N=FILE with a slot number from 1");
        }
        const int slot = static_cast<int>(whole);
        const std::string path = text.substr(equals + 1);
        if (path.size() >= kSlotPathBufferSize) {
            return InvalidValue("--slot", text, "a slot holds paths of at most 260 bytes");
        }
        for (const SlotRequest& earlier : settings.slots) {
            if (earlier.slot == slot) {
                return InvalidValue("--slot", text,
                                    "slot " + std::to_string(slot) + " given twice");
            }
        }
        settings.slots.push_back({slot, path});
    }
    for (const std::string& text : args.All("--param")) {
        const std::size_t equals = text.find('=');
        if (equals == 0 || equals == std::string::npos || equals + 1 == text.size()) {
            return InvalidValue("--param", text, "INDEX=VALUE or NAME[@K]=VALUE");
        }
        if (text.size() - equals - 1 >= PluginModule::kStringBufferSize) {
            return InvalidValue("--param", text, "the value is too long");
        }
        settings.params.push_back({text.substr(0, equals), text.substr(equals + 1)});
    }
    return ExitCode::kOk;
}

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Names are compared without regard to case, but not to locale: the command line must mean
// the same on every machine.
bool SameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

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
        if (SameName(plugin.DispatchString(effGetParamName, i), name)) {
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

int ApplyParameter(const PluginModule& plugin, const ParamRequest& request)
{
    VstInt32 index = 0;
    std::string error;
    if (!ResolveParameter(plugin, request.target, index, error)) {
        PrintError(error);
        return ExitCode::kFailure;
    }
    // The plug-in turns text in the parameter's units into its normalised value, so the
    // host needs to know nothing about each parameter's range and curve.
    char text[PluginModule::kStringBufferSize] = {};
    std::memcpy(text, request.value.data(), request.value.size());
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

int LoadSlot(const PluginModule& plugin, const SlotRequest& request)
{
    const VstIntPtr slotIndex = request.slot - 1;
    char path[kSlotPathBufferSize] = {};
    std::memcpy(path, request.path.data(), request.path.size());
    if (plugin.Dispatch(effVendorSpecific, kVendorSlotPath, slotIndex, path) != kVendorHandled) {
        PrintError("the plug-in has no sample slot " + std::to_string(request.slot));
        return ExitCode::kFailure;
    }
    // Asked again with an empty buffer, the plug-in tells what the slot now holds: nothing,
    // or "0", when it could not use the file.
    char stored[kSlotPathBufferSize] = {};
    plugin.Dispatch(effVendorSpecific, kVendorSlotPath, slotIndex, stored);
    stored[kSlotPathBufferSize - 1] = '\0';
    if (stored[0] == '\0' || std::strcmp(stored, "0") == 0) {
        PrintError("the plug-in could not load " + request.path + " into slot " +
                   std::to_string(request.slot));
        return ExitCode::kFailure;
    }
    std::printf("slot %d: %s\n", request.slot, stored);
    return ExitCode::kOk;
}

// A MIDI event list sized for one block. VstEvents declares room for two pointers only;
// hosts allocate it larger, as this does.
class EventBlock {
public:
    void Clear() { midi.clear(); }
    void Add(const MidiMessage& message, VstInt32 deltaFrames)
    {
        VstMidiEvent event{};
        event.type = kVstMidiType;
        event.byteSize = sizeof(VstMidiEvent);
        event.deltaFrames = deltaFrames;
        for (unsigned i = 0; i < message.size; ++i) {
            event.midiData[i] = static_cast<char>(message.bytes[i]);
        }
        midi.push_back(event);
    }
    bool Empty() const { return midi.empty(); }

    VstEvents* List()
    {
        const std::size_t bytes =
            offsetof(VstEvents, events) + std::max<std::size_t>(midi.size(), 2) * sizeof(VstEvent*);
        storage.assign((bytes + sizeof(VstIntPtr) - 1) / sizeof(VstIntPtr), 0);
        auto* list = reinterpret_cast<VstEvents*>(storage.data());
        list->numEvents = static_cast<VstInt32>(midi.size());
        for (std::size_t i = 0; i < midi.size(); ++i) {
            list->events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
        }
        return list;
    }

private:
    std::vector<VstMidiEvent> midi;
    std::vector<VstIntPtr> storage;
};

void Process(AEffect* effect, float** inputs, float** outputs, VstInt32 frames)
{
    effect->processReplacing(effect, inputs, outputs, frames);
}

void Process(AEffect* effect, double** inputs, double** outputs, VstInt32 frames)
{
    effect->processDoubleReplacing(effect, inputs, outputs, frames);
}

class Progress {
public:
    explicit Progress(std::int64_t totalFrames)
        : total(totalFrames), shown(Platform::StderrIsTerminal() && totalFrames > 0)
    {
    }
    ~Progress()
    {
        if (shown && percent >= 0) {
            std::fprintf(stderr, "\r               \r");
        }
    }
    void Update(std::int64_t done)
    {
        const auto now = static_cast<int>(done * 100 / std::max<std::int64_t>(total, 1));
        if (shown && now != percent) {
            percent = now;
            std::fprintf(stderr, "\rrendering %3d%%", percent);
            std::fflush(stderr);
        }
    }

private:
    std::int64_t total;
    bool shown;
    int percent = -1;
};

struct RenderResult {
    std::int64_t frames = 0;
    double peak = 0.0;
    std::int64_t clipped = 0;
};

template <typename Sample>
bool RenderSong(HostCallback& host, const PluginModule& plugin, const MidiSong& song,
                const RenderSettings& settings, WavWriter& writer, RenderResult& result,
                std::string& error)
{
    AEffect* effect = plugin.Effect();
    const double rate = settings.sampleRate;
    const auto channels = static_cast<std::size_t>(effect->numOutputs);
    const auto block = static_cast<std::size_t>(settings.blockSize);
    const std::int64_t songFrames = song.FrameAt(song.EndTick(), rate);
    const std::int64_t total = songFrames + std::llround(settings.tailSeconds * rate);

    // Plug-ins may read their inputs even as instruments; they get silence.
    std::vector<std::vector<Sample>> inputData(static_cast<std::size_t>(effect->numInputs),
                                               std::vector<Sample>(block));
    std::vector<std::vector<Sample>> outputData(channels, std::vector<Sample>(block));
    std::vector<Sample*> inputs;
    std::vector<Sample*> outputs;
    for (auto& data : inputData) {
        inputs.push_back(data.data());
    }
    for (auto& data : outputData) {
        outputs.push_back(data.data());
    }
    std::vector<Sample> interleaved(block * channels);

    const std::vector<MidiMessage>& messages = song.Messages();
    std::vector<std::int64_t> eventFrames;
    eventFrames.reserve(messages.size());
    for (const MidiMessage& message : messages) {
        eventFrames.push_back(song.FrameAt(message.tick, rate));
    }

    Transport& transport = host.GetTransport();
    transport.SetPlaying(true);
    EventBlock events;
    Progress progress(total);
    std::size_t next = 0;
    for (std::int64_t position = 0; position < total;) {
        const auto frames = static_cast<VstInt32>(
            std::min<std::int64_t>(static_cast<std::int64_t>(block), total - position));
        const double seconds = static_cast<double>(position) / rate;
        transport.SetTempo(song.TempoAtSeconds(seconds));
        transport.SetPosition(static_cast<double>(position), song.QuartersAtSeconds(seconds));

        events.Clear();
        for (; next < messages.size() && eventFrames[next] < position + frames; ++next) {
            events.Add(messages[next], static_cast<VstInt32>(eventFrames[next] - position));
        }
        if (!events.Empty()) {
            plugin.Dispatch(effProcessEvents, 0, 0, events.List());
        }

        for (auto& data : outputData) {
            std::fill(data.begin(), data.end(), Sample(0));
        }
        Process(effect, inputs.data(), outputs.data(), frames);

        for (VstInt32 frame = 0; frame < frames; ++frame) {
            for (std::size_t channel = 0; channel < channels; ++channel) {
                const Sample value = outputData[channel][static_cast<std::size_t>(frame)];
                interleaved[static_cast<std::size_t>(frame) * channels + channel] = value;
                const double magnitude = std::fabs(static_cast<double>(value));
                result.peak = std::max(result.peak, magnitude);
                result.clipped += magnitude > 1.0 ? 1 : 0;
            }
        }
        if (!writer.Write(interleaved.data(), frames, error)) {
            return false;
        }
        position += frames;
        result.frames = position;
        progress.Update(position);
    }
    transport.SetPlaying(false);
    return true;
}

std::string PeakText(double peak)
{
    if (!(peak > 0.0)) {
        return "silent";
    }
    char text[48];
    std::snprintf(text, sizeof(text), "peak %.1f dBFS", 20.0 * std::log10(peak));
    return text;
}

// Switches processing on in the order hosts do, and off again however the render ends.
class ProcessingSession {
public:
    ProcessingSession(HostCallback& hostCallback, const PluginModule& module, bool doubles)
        : host(hostCallback), plugin(module)
    {
        plugin.Dispatch(effSetProcessPrecision, 0,
                        doubles ? kProcessPrecision64 : kProcessPrecision32);
        plugin.Dispatch(effMainsChanged, 0, 1);
        plugin.Dispatch(effStartProcess);
        host.SetProcessing(true);
    }
    ~ProcessingSession()
    {
        host.SetProcessing(false);
        plugin.Dispatch(effStopProcess);
        plugin.Dispatch(effMainsChanged, 0, 0);
    }
    ProcessingSession(const ProcessingSession&) = delete;
    ProcessingSession& operator=(const ProcessingSession&) = delete;

private:
    HostCallback& host;
    const PluginModule& plugin;
};

int CheckCapabilities(const AEffect& effect, bool doublePrecision)
{
    if (effect.numOutputs < 1) {
        PrintError("the plug-in has no outputs");
        return ExitCode::kFailure;
    }
    if (doublePrecision && ((effect.flags & effFlagsCanDoubleReplacing) == 0 ||
                            effect.processDoubleReplacing == nullptr)) {
        PrintError("the plug-in cannot process doubles (no processDoubleReplacing)");
        return ExitCode::kFailure;
    }
    if (!doublePrecision &&
        ((effect.flags & effFlagsCanReplacing) == 0 || effect.processReplacing == nullptr)) {
        PrintError("the plug-in has no processReplacing");
        return ExitCode::kFailure;
    }
    return ExitCode::kOk;
}

int Render(HostCallback& host, const PluginModule& plugin, const MidiSong& song,
           const RenderSettings& settings, const std::string& outputPath)
{
    const int capable = CheckCapabilities(*plugin.Effect(), settings.doublePrecision);
    if (capable != ExitCode::kOk) {
        return capable;
    }
    RenderResult result;
    std::string error;
    {
        ProcessingSession session(host, plugin, settings.doublePrecision);
        for (const SlotRequest& slot : settings.slots) {
            const int loaded = LoadSlot(plugin, slot);
            if (loaded != ExitCode::kOk) {
                return loaded;
            }
        }
        for (const ParamRequest& param : settings.params) {
            const int applied = ApplyParameter(plugin, param);
            if (applied != ExitCode::kOk) {
                return applied;
            }
        }
        std::fflush(stdout);

        WavWriter writer;
        if (!writer.Open(outputPath, plugin.Effect()->numOutputs, settings.sampleRate,
                         settings.format, error)) {
            PrintError(error);
            return ExitCode::kFailure;
        }
        const bool rendered =
            settings.doublePrecision
                ? RenderSong<double>(host, plugin, song, settings, writer, result, error)
                : RenderSong<float>(host, plugin, song, settings, writer, result, error);
        if (!rendered || !writer.Close(error)) {
            PrintError(error);
            return ExitCode::kFailure;
        }
    }
    std::printf("rendered %.3f s (%lld frames, %d channels, %d Hz, %s), %s: %s\n",
                static_cast<double>(result.frames) / settings.sampleRate,
                static_cast<long long>(result.frames),
                static_cast<int>(plugin.Effect()->numOutputs),
                settings.sampleRate, FormatName(settings.format), PeakText(result.peak).c_str(),
                outputPath.c_str());
    if (result.clipped > 0 && settings.format != SampleFormat::Float) {
        std::fprintf(stderr,
                     "quellorn-host: warning: %lld samples beyond full scale were clipped\n",
                     static_cast<long long>(result.clipped));
    }
    return ExitCode::kOk;
}

} // namespace

int RunRender(const CommandArgs& args)
{
    RenderSettings settings;
    const int parsed = ParseSettings(args, settings);
    if (parsed != ExitCode::kOk) {
        return parsed;
    }
    const std::string& pluginPath = args.positionals[0];
    const std::string& midiPath = args.positionals[1];
    const std::string& outputPath = args.positionals[2];

    // Inputs are checked before the plug-in loads: a typo should not cost a plug-in start.
    std::vector<std::string> inputs{midiPath};
    for (const SlotRequest& slot : settings.slots) {
        inputs.push_back(slot.path);
    }
    for (const std::string& path : inputs) {
        if (!Platform::FileExists(path)) {
            PrintError("no such file: " + path);
            return ExitCode::kNoSuchFile;
        }
    }
    MidiSong song;
    std::string error;
    if (!song.Load(midiPath, error)) {
        PrintError(error);
        return ExitCode::kBadMidiFile;
    }

    HostCallback host;
    host.SetBlockSize(settings.blockSize);
    host.GetTransport().SetSampleRate(settings.sampleRate);
    PluginModule plugin(host);
    const int opened = OpenPlugin(host, args.host, plugin, pluginPath);
    if (opened != ExitCode::kOk) {
        return opened;
    }
    const int rendered = Render(host, plugin, song, settings, outputPath);
    std::fflush(stdout);
    plugin.Close();
    return rendered;
}
