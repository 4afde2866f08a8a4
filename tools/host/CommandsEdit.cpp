// `edit`: the plug-in's editor in a top-level window of the host's own, set up as `render`
// sets it up, idled until the user closes the window; optionally playing a MIDI file in
// real time (without sound) so the editor shows the notes, and saving the state on close.
#include "tools/host/Commands.h"

#include "plugbase/window/HostWindow.h"
#include "tools/host/HostCallback.h"
#include "tools/host/MidiFile.h"
#include "tools/host/PluginModule.h"
#include "tools/host/PluginSetup.h"
#include "tools/host/Processing.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

// The idle rate of a host's user-interface loop, near the screen's.
constexpr std::chrono::milliseconds kIdlePeriod(15);
// Larger than any editor; a plug-in claiming more is not believed.
constexpr int kMaxEditorSide = 8192;

struct EditSettings {
    std::string midiPath;
    std::string savePath;
    PluginSetup setup;
};

// Plays a song through the plug-in as the clock passes, one block whenever a block's worth
// of time has gone by; what it plays is thrown away.
class RealTimePlayer {
public:
    RealTimePlayer(HostCallback& host, const PluginModule& plugin, const MidiSong& song)
        : plugin(plugin)
        , song(song)
        , rate(host.GetTransport().SampleRate())
        , block(host.BlockSize())
        , transport(host.GetTransport())
        , start(std::chrono::steady_clock::now())
    {
        AEffect* effect = plugin.Effect();
        const auto frames = static_cast<std::size_t>(block);
        inputData.assign(static_cast<std::size_t>(effect->numInputs), std::vector<float>(frames));
        outputData.assign(static_cast<std::size_t>(effect->numOutputs), std::vector<float>(frames));
        for (auto& data : inputData)
            inputs.push_back(data.data());
        for (auto& data : outputData)
            outputs.push_back(data.data());
        for (const MidiMessage& message : song.Messages())
            eventFrames.push_back(song.FrameAt(message.tick, rate));
        transport.SetPlaying(true);
    }
    ~RealTimePlayer() { transport.SetPlaying(false); }

    // Catches up with the clock, at most a second at a time after a stall.
    void Play()
    {
        const double elapsed
            = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const auto due = static_cast<std::int64_t>(elapsed * rate);
        const std::int64_t limit = position + static_cast<std::int64_t>(rate);
        while (position + block <= due && position < limit)
            PlayBlock();
    }

private:
    void PlayBlock()
    {
        const double seconds = static_cast<double>(position) / rate;
        transport.SetTempo(song.TempoAtSeconds(seconds));
        transport.SetPosition(static_cast<double>(position), song.QuartersAtSeconds(seconds));
        const std::vector<MidiMessage>& messages = song.Messages();
        events.Clear();
        for (; next < messages.size() && eventFrames[next] < position + block; ++next)
            events.Add(messages[next], static_cast<VstInt32>(eventFrames[next] - position));
        if (!events.Empty())
            plugin.Dispatch(effProcessEvents, 0, 0, events.List());
        AEffect* effect = plugin.Effect();
        effect->processReplacing(effect, inputs.data(), outputs.data(), block);
        position += block;
    }

    const PluginModule& plugin;
    const MidiSong& song;
    double rate;
    VstInt32 block;
    Transport& transport;
    std::chrono::steady_clock::time_point start;
    std::vector<std::vector<float>> inputData;
    std::vector<std::vector<float>> outputData;
    std::vector<float*> inputs;
    std::vector<float*> outputs;
    std::vector<std::int64_t> eventFrames;
    EventBlock events;
    std::size_t next = 0;
    std::int64_t position = 0;
};

int SaveState(const PluginModule& plugin, const std::string& path)
{
    const bool bank = path.size() >= 4 && path.compare(path.size() - 4, 4, ".fxb") == 0;
    StateFile state;
    int result = CheckChunks(plugin);
    if (result == ExitCode::kOk)
        result = CaptureState(plugin, bank ? StateKind::Bank : StateKind::Program, state);
    if (result != ExitCode::kOk)
        return result;
    std::string error;
    if (!WriteStateFile(path, state, error)) {
        PrintError(error);
        return ExitCode::kOutputWriteFailed;
    }
    std::printf("saved %s: %s\n", bank ? "bank" : "program", path.c_str());
    return ExitCode::kOk;
}

int Edit(HostCallback& host, const PluginModule& plugin, const EditSettings& settings,
    const MidiSong* song, const std::string& title)
{
    ERect* rect = nullptr;
    if ((plugin.Effect()->flags & effFlagsHasEditor) == 0
        || plugin.Dispatch(effEditGetRect, 0, 0, &rect) == 0 || rect == nullptr) {
        PrintError("the plug-in has no editor");
        return ExitCode::kFailure;
    }
    int width = rect->right - rect->left;
    int height = rect->bottom - rect->top;
    if (width <= 0 || height <= 0 || width > kMaxEditorSide || height > kMaxEditorSide) {
        PrintError("the plug-in gives its editor an impossible size");
        return ExitCode::kFailure;
    }
    if (song && plugin.Effect()->processReplacing == nullptr) {
        PrintError("the plug-in has no processReplacing to play the MIDI file with");
        return ExitCode::kFailure;
    }
    ProcessingSession session(host, plugin, false);
    const int setUp = ApplySetup(plugin, settings.setup);
    if (setUp != ExitCode::kOk)
        return setUp;

    std::string error;
    std::unique_ptr<HostWindow> window = CreateHostWindow(title, width, height, error);
    if (!window) {
        PrintError(error);
        return ExitCode::kFailure;
    }
    if (plugin.Dispatch(effEditOpen, 0, 0, window->Handle()) == 0) {
        PrintError("the plug-in could not open its editor");
        return ExitCode::kFailure;
    }
    // An editor may open larger than it said before (at twice the size on a dense screen);
    // the window is made again to fit it, and the editor opened in that one.
    rect = nullptr;
    if (plugin.Dispatch(effEditGetRect, 0, 0, &rect) != 0 && rect != nullptr
        && (rect->right - rect->left != width || rect->bottom - rect->top != height)) {
        const int openWidth = rect->right - rect->left;
        const int openHeight = rect->bottom - rect->top;
        plugin.Dispatch(effEditClose);
        window.reset();
        if (openWidth <= 0 || openHeight <= 0 || openWidth > kMaxEditorSide
            || openHeight > kMaxEditorSide) {
            PrintError("the plug-in gives its open editor an impossible size");
            return ExitCode::kFailure;
        }
        width = openWidth;
        height = openHeight;
        window = CreateHostWindow(title, width, height, error);
        if (!window) {
            PrintError(error);
            return ExitCode::kFailure;
        }
        if (plugin.Dispatch(effEditOpen, 0, 0, window->Handle()) == 0) {
            PrintError("the plug-in could not open its editor");
            return ExitCode::kFailure;
        }
    }
    std::printf("editor %dx%d open; close its window to end\n", width, height);
    std::fflush(stdout);
    std::unique_ptr<RealTimePlayer> player;
    if (song)
        player = std::make_unique<RealTimePlayer>(host, plugin, *song);
    while (window->Serve()) {
        if (player)
            player->Play();
        plugin.Dispatch(effEditIdle);
        std::this_thread::sleep_for(kIdlePeriod);
    }
    plugin.Dispatch(effEditClose);
    window.reset();
    player.reset();
    std::printf("editor closed\n");
    return settings.savePath.empty() ? ExitCode::kOk : SaveState(plugin, settings.savePath);
}

} // namespace

int RunEdit(const CommandArgs& args)
{
    EditSettings settings;
    if (args.Has("--midi"))
        settings.midiPath = args.options.at("--midi");
    if (args.Has("--save"))
        settings.savePath = args.options.at("--save");
    const int parsed = ParseSetup(args, "edit", settings.setup);
    if (parsed != ExitCode::kOk)
        return parsed;
    const std::string& pluginPath = args.positionals[0];
    std::vector<std::string> inputs;
    if (!settings.midiPath.empty())
        inputs.push_back(settings.midiPath);
    const int found = CheckSetupInputs(settings.setup, inputs);
    if (found != ExitCode::kOk)
        return found;
    const int stateRead = ReadSetupState(settings.setup);
    if (stateRead != ExitCode::kOk)
        return stateRead;
    MidiSong song;
    std::string error;
    if (!settings.midiPath.empty() && !song.Load(settings.midiPath, error)) {
        PrintError(error);
        return ExitCode::kBadMidiFile;
    }

    HostCallback host;
    PluginModule plugin(host);
    const int opened = OpenPlugin(host, args.host, plugin, pluginPath);
    if (opened != ExitCode::kOk)
        return opened;
    const std::string name = pluginPath.substr(pluginPath.find_last_of("/\\") + 1);
    const int result = Edit(host, plugin, settings, settings.midiPath.empty() ? nullptr : &song,
        name + " - quellorn-host");
    std::fflush(stdout);
    plugin.Close();
    return result;
}
