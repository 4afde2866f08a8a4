// `render`: plays a MIDI file through a plug-in the way a sequencer would during an export,
// block by block with the transport running, and writes the result to a WAV file.
#include "tools/host/Commands.h"

#include "tools/host/HostCallback.h"
#include "tools/host/MidiFile.h"
#include "tools/host/Platform.h"
#include "tools/host/PluginSetup.h"
#include "tools/host/Processing.h"
#include "tools/host/PluginModule.h"
#include "tools/host/WavWriter.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kMinRate = 1000;
constexpr int kMaxRate = 768000;
constexpr int kMaxBlock = 65536;
constexpr double kMaxTailSeconds = 3600.0;
constexpr double kMinGainDb = -120.0;
constexpr double kMaxGainDb = 40.0;
constexpr int kMidiChannels = 16;

struct RenderSettings {
    int sampleRate = 44100;
    int blockSize = 512;
    double tailSeconds = 2.0;
    SampleFormat format = SampleFormat::Pcm24;
    bool doublePrecision = false;
    int channel = 0; // 0 plays every MIDI channel
    double gain = 1.0;
    PluginSetup setup;
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

int InvalidRenderValue(const std::string& option, const std::string& value,
                       const std::string& hint)
{
    return InvalidValue("render", option, value, hint);
}

int ParseSettings(const CommandArgs& args, RenderSettings& settings)
{
    long long whole = 0;
    if (args.Has("--rate")) {
        const std::string& text = args.options.at("--rate");
        if (!ParseWhole(text, kMinRate, kMaxRate, whole)) {
            return InvalidRenderValue("--rate", text,
                                      "whole Hz from " + std::to_string(kMinRate) + " to " +
                                          std::to_string(kMaxRate));
        }
        settings.sampleRate = static_cast<int>(whole);
    }
    if (args.Has("--block")) {
        const std::string& text = args.options.at("--block");
        if (!ParseWhole(text, 1, kMaxBlock, whole)) {
            return InvalidRenderValue("--block", text,
                                      "frames from 1 to " + std::to_string(kMaxBlock));
        }
        settings.blockSize = static_cast<int>(whole);
    }
    if (args.Has("--tail")) {
        const std::string& text = args.options.at("--tail");
        if (!ParseDecimal(text, 0.0, kMaxTailSeconds, settings.tailSeconds)) {
            return InvalidRenderValue("--tail", text, "seconds from 0 to 3600");
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
            return InvalidRenderValue("--format", text, "pcm16, pcm24 or float");
        }
    }
    if (args.Has("--channel")) {
        const std::string& text = args.options.at("--channel");
        if (!ParseWhole(text, 1, kMidiChannels, whole)) {
            return InvalidRenderValue("--channel", text, "a MIDI channel from 1 to 16");
        }
        settings.channel = static_cast<int>(whole);
    }
    if (args.Has("--gain")) {
        const std::string& text = args.options.at("--gain");
        // "+6" is how people write a boost.
        const std::string number =
            text.size() > 1 && text[0] == '+' && text[1] != '-' ? text.substr(1) : text;
        double decibels = 0.0;
        if (!ParseDecimal(number, kMinGainDb, kMaxGainDb, decibels)) {
            return InvalidRenderValue("--gain", text, "dB from -120 to 40");
        }
        settings.gain = std::pow(10.0, decibels / 20.0);
    }
    settings.doublePrecision = args.Has("--double");
    return ParseSetup(args, "render", settings.setup);
}

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

std::int64_t TotalFrames(const MidiSong& song, const RenderSettings& settings)
{
    const double rate = settings.sampleRate;
    return song.FrameAt(song.EndTick(), rate) + std::llround(settings.tailSeconds * rate);
}

bool Plays(const MidiMessage& message, int channel)
{
    return channel == 0 || (message.bytes[0] & 0x0F) + 1 == channel;
}

template <typename Sample>
bool RenderSong(HostCallback& host, const PluginModule& plugin, const MidiSong& song,
                const RenderSettings& settings, WavWriter& writer, RenderResult& result,
                std::string& error)
{
    AEffect* effect = plugin.Effect();
    const double rate = settings.sampleRate;
    const auto channels = static_cast<std::size_t>(effect->numOutputs);
    const auto block = static_cast<std::size_t>(settings.blockSize);
    const std::int64_t total = TotalFrames(song, settings);

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
            if (Plays(messages[next], settings.channel)) {
                events.Add(messages[next], static_cast<VstInt32>(eventFrames[next] - position));
            }
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
                // The gain is the host's, after the plug-in and before the file's format;
                // at 0 dB it multiplies by 1 exactly.
                const auto value = static_cast<Sample>(
                    static_cast<double>(outputData[channel][static_cast<std::size_t>(frame)]) *
                    settings.gain);
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

// A damaged file must not pass for a render. Devices and pipes are left alone.
void RemovePartialOutput(const std::string& path)
{
    std::error_code ignored;
    if (std::filesystem::is_regular_file(path, ignored)) {
        std::filesystem::remove(path, ignored);
    }
}

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
        const int setUp = ApplySetup(plugin, settings.setup);
        if (setUp != ExitCode::kOk) {
            return setUp;
        }

        const std::uint64_t dataBytes = WavDataBytes(
            TotalFrames(song, settings), plugin.Effect()->numOutputs, settings.format);
        WavWriter writer;
        if (!writer.Open(outputPath, plugin.Effect()->numOutputs, settings.sampleRate,
                         settings.format, ContainerFor(dataBytes), error)) {
            PrintError(error);
            return ExitCode::kFailure;
        }
        const bool rendered =
            settings.doublePrecision
                ? RenderSong<double>(host, plugin, song, settings, writer, result, error)
                : RenderSong<float>(host, plugin, song, settings, writer, result, error);
        std::string closeError;
        const bool closed = writer.Close(closeError);
        if (!rendered || !closed) {
            PrintError((rendered ? closeError : error) + "; " + outputPath + " is incomplete");
            RemovePartialOutput(outputPath);
            return ExitCode::kOutputWriteFailed;
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

    const int found = CheckSetupInputs(settings.setup, {midiPath});
    if (found != ExitCode::kOk) {
        return found;
    }
    MidiSong song;
    std::string error;
    if (!song.Load(midiPath, error)) {
        PrintError(error);
        return ExitCode::kBadMidiFile;
    }
    const int stateRead = ReadSetupState(settings.setup);
    if (stateRead != ExitCode::kOk) {
        return stateRead;
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
