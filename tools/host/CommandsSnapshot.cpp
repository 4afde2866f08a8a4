// `snapshot`: a picture of a plug-in's editor without opening a window, set up as `render`
// sets it up and with notes held, so the editor can be looked at (and tested) anywhere.
#include "tools/host/Commands.h"

#include "plugbase/EditorPictureRequest.h"
#include "tools/host/HostCallback.h"
#include "tools/host/ParamText.h"
#include "tools/host/Platform.h"
#include "tools/host/PluginModule.h"
#include "tools/host/PluginSetup.h"
#include "tools/host/PngWriter.h"
#include "tools/host/Processing.h"

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr VstIntPtr kVendorHandled = 0xBEEF;
constexpr int kMaxScale = 8;
constexpr unsigned char kNoteOn = 0x90;
constexpr unsigned char kVelocity = 100;
// Larger than any editor; a plug-in claiming more is not believed.
constexpr int kMaxEditorSide = 8192;

struct SnapshotSettings {
    std::vector<int> notes;
    int scale = 1;
    PluginSetup setup;
};

// "60,E4,G4": note numbers or names (C4 = 60), as --param takes them for note parameters.
bool ParseNotes(const std::string& text, std::vector<int>& notes)
{
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma - start);
        long long number = 0;
        int note = 0;
        if (ParseWhole(item, 0, 127, number)) {
            notes.push_back(static_cast<int>(number));
        } else if (ParamText::ReadNoteName(item, note)) {
            notes.push_back(note);
        } else {
            return false;
        }
        if (comma == std::string::npos) {
            return true;
        }
        start = comma + 1;
    }
}

int ParseSettings(const CommandArgs& args, SnapshotSettings& settings)
{
    if (args.Has("--notes")) {
        const std::string& text = args.options.at("--notes");
        if (!ParseNotes(text, settings.notes)) {
            return InvalidValue("snapshot", "--notes", text,
                                "note numbers 0..127 or names (C4 = 60, F#3), separated by commas");
        }
    }
    if (args.Has("--scale")) {
        const std::string& text = args.options.at("--scale");
        long long whole = 0;
        if (!ParseWhole(text, 1, kMaxScale, whole)) {
            return InvalidValue("snapshot", "--scale", text, "a whole factor from 1 to 8");
        }
        settings.scale = static_cast<int>(whole);
    }
    return ParseSetup(args, "snapshot", settings.setup);
}

// Sends the notes and processes one block, so that the plug-in starts their voices and
// shows them as it would while they are held.
void HoldNotes(HostCallback& host, const PluginModule& plugin, const std::vector<int>& notes)
{
    if (notes.empty()) {
        return;
    }
    EventBlock events;
    for (const int note : notes) {
        events.Add(MidiMessage{0, {kNoteOn, static_cast<unsigned char>(note), kVelocity}, 3}, 0);
    }
    plugin.Dispatch(effProcessEvents, 0, 0, events.List());
    AEffect* effect = plugin.Effect();
    const auto frames = static_cast<std::size_t>(host.BlockSize());
    std::vector<std::vector<float>> inputData(static_cast<std::size_t>(effect->numInputs),
                                              std::vector<float>(frames));
    std::vector<std::vector<float>> outputData(static_cast<std::size_t>(effect->numOutputs),
                                               std::vector<float>(frames));
    std::vector<float*> inputs;
    std::vector<float*> outputs;
    for (auto& data : inputData) {
        inputs.push_back(data.data());
    }
    for (auto& data : outputData) {
        outputs.push_back(data.data());
    }
    effect->processReplacing(effect, inputs.data(), outputs.data(), host.BlockSize());
}

// Each pixel as a square of scale x scale.
std::vector<std::uint32_t> Enlarge(const std::vector<std::uint32_t>& pixels, int width, int height,
                                   int scale)
{
    const auto w = static_cast<std::size_t>(width);
    const auto s = static_cast<std::size_t>(scale);
    std::vector<std::uint32_t> out(pixels.size() * s * s);
    for (std::size_t y = 0; y < static_cast<std::size_t>(height) * s; ++y) {
        const std::uint32_t* from = pixels.data() + (y / s) * w;
        std::uint32_t* to = out.data() + y * w * s;
        for (std::size_t x = 0; x < w * s; ++x) {
            to[x] = from[x / s];
        }
    }
    return out;
}

bool EditorSize(const PluginModule& plugin, int& width, int& height)
{
    ERect* rect = nullptr;
    if ((plugin.Effect()->flags & effFlagsHasEditor) == 0 ||
        plugin.Dispatch(effEditGetRect, 0, 0, &rect) == 0 || rect == nullptr) {
        return false;
    }
    width = rect->right - rect->left;
    height = rect->bottom - rect->top;
    return width > 0 && height > 0 && width <= kMaxEditorSide && height <= kMaxEditorSide;
}

int Snapshot(HostCallback& host, const PluginModule& plugin, const SnapshotSettings& settings,
             const std::string& outputPath)
{
    int width = 0;
    int height = 0;
    if (!EditorSize(plugin, width, height)) {
        PrintError("the plug-in has no editor to take a picture of");
        return ExitCode::kFailure;
    }
    if (plugin.Effect()->processReplacing == nullptr && !settings.notes.empty()) {
        PrintError("the plug-in has no processReplacing to start the notes with");
        return ExitCode::kFailure;
    }
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) *
                                      static_cast<std::size_t>(height));
    {
        ProcessingSession session(host, plugin, false);
        const int setUp = ApplySetup(plugin, settings.setup);
        if (setUp != ExitCode::kOk) {
            return setUp;
        }
        HoldNotes(host, plugin, settings.notes);
        EditorPictureRequest request{width, height, pixels.data()};
        if (plugin.Dispatch(effVendorSpecific, kVendorEditorPicture, 0, &request) !=
            kVendorHandled) {
            PrintError("the plug-in gave no picture of its editor (it answers only to "
                       "Quellorn's own request)");
            return ExitCode::kFailure;
        }
    }
    const int scaledWidth = width * settings.scale;
    const int scaledHeight = height * settings.scale;
    std::string error;
    const std::vector<unsigned char> png =
        settings.scale == 1
            ? EncodePng(width, height, pixels.data(), error)
            : EncodePng(scaledWidth, scaledHeight,
                        Enlarge(pixels, width, height, settings.scale).data(), error);
    if (png.empty()) {
        PrintError(error);
        return ExitCode::kFailure;
    }
    if (!WriteWholeFile(outputPath, png, error)) {
        PrintError(error);
        return ExitCode::kOutputWriteFailed;
    }
    std::printf("snapshot %dx%d", width, height);
    if (settings.scale != 1) {
        std::printf(", enlarged %d times to %dx%d", settings.scale, scaledWidth, scaledHeight);
    }
    std::printf(", %d notes held: %s\n", static_cast<int>(settings.notes.size()),
                outputPath.c_str());
    return ExitCode::kOk;
}

} // namespace

int RunSnapshot(const CommandArgs& args)
{
    SnapshotSettings settings;
    const int parsed = ParseSettings(args, settings);
    if (parsed != ExitCode::kOk) {
        return parsed;
    }
    const std::string& pluginPath = args.positionals[0];
    const std::string& outputPath = args.positionals[1];
    const int found = CheckSetupInputs(settings.setup);
    if (found != ExitCode::kOk) {
        return found;
    }
    const int stateRead = ReadSetupState(settings.setup);
    if (stateRead != ExitCode::kOk) {
        return stateRead;
    }

    HostCallback host;
    PluginModule plugin(host);
    const int opened = OpenPlugin(host, args.host, plugin, pluginPath);
    if (opened != ExitCode::kOk) {
        return opened;
    }
    const int taken = Snapshot(host, plugin, settings, outputPath);
    std::fflush(stdout);
    plugin.Close();
    return taken;
}
