// `info`: a plain-text report of what a module says about itself. Linux and Windows builds
// must print identical bytes, so every number goes through printf with fixed formats and
// nothing about the machine (paths, pointers) is printed.
#include "tools/host/Commands.h"

#include "tools/host/HostCallback.h"
#include "tools/host/PluginModule.h"
#include "tools/host/PluginSetup.h"
#include "tools/host/Text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <string>

namespace {

struct FlagName {
    VstInt32 bit;
    const char* name;
};

constexpr FlagName kEffectFlags[] = {
    {effFlagsHasEditor, "HasEditor"},
    {effFlagsCanMono, "CanMono"},
    {effFlagsCanReplacing, "CanReplacing"},
    {effFlagsProgramChunks, "ProgramChunks"},
    {effFlagsIsSynth, "IsSynth"},
    {effFlagsNoSoundInStop, "NoSoundInStop"},
    {effFlagsCanDoubleReplacing, "CanDoubleReplacing"},
};

constexpr FlagName kPinFlags[] = {
    {kVstPinIsActive, "IsActive"},
    {kVstPinIsStereo, "IsStereo"},
    {kVstPinUseSpeaker, "UseSpeaker"},
};

constexpr const char* kCategoryNames[] = {
    "unknown",     "effect",      "synth",       "analysis",        "mastering", "spacializer",
    "room fx",     "surround fx", "restoration", "offline process", "shell",     "generator",
};

std::string FlagList(VstInt32 flags, const FlagName* names, std::size_t count)
{
    std::string out;
    auto remaining = static_cast<unsigned>(flags);
    for (std::size_t i = 0; i < count; ++i) {
        const auto bit = static_cast<unsigned>(names[i].bit);
        if ((remaining & bit) != 0) {
            out += out.empty() ? "" : " ";
            out += names[i].name;
            remaining &= ~bit;
        }
    }
    if (remaining != 0) {
        char hex[16];
        std::snprintf(hex, sizeof(hex), "0x%08X", remaining);
        out += out.empty() ? "" : " ";
        out += hex;
    }
    return out.empty() ? "none" : out;
}

// printf renders nan and inf differently across C runtimes.
std::string ParameterValue(float value)
{
    if (std::isnan(value)) {
        return "nan";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-inf" : "inf";
    }
    char text[64];
    std::snprintf(text, sizeof(text), "%.6f", static_cast<double>(value));
    return text;
}

void PrintIdentity(const PluginModule& plugin)
{
    const AEffect& effect = *plugin.Effect();
    std::printf("effect name: %s\n", Quoted(plugin.DispatchString(effGetEffectName)).c_str());
    std::printf("vendor: %s\n", Quoted(plugin.DispatchString(effGetVendorString)).c_str());
    std::printf("product: %s\n", Quoted(plugin.DispatchString(effGetProductString)).c_str());
    std::printf("vendor version: %lld\n",
                static_cast<long long>(plugin.Dispatch(effGetVendorVersion)));
    std::printf("unique id: %s\n", IdText(effect.uniqueID).c_str());
    std::printf("version: %d\n", static_cast<int>(effect.version));
    std::printf("vst version: %lld\n", static_cast<long long>(plugin.Dispatch(effGetVstVersion)));

    const VstIntPtr category = plugin.Dispatch(effGetPlugCategory);
    const bool named = category >= 0 && category < static_cast<VstIntPtr>(std::size(kCategoryNames));
    std::printf("category: %lld (%s)\n", static_cast<long long>(category),
                named ? kCategoryNames[category] : "?");
    std::printf("flags: 0x%08X (%s)\n", static_cast<unsigned>(effect.flags),
                FlagList(effect.flags, kEffectFlags, std::size(kEffectFlags)).c_str());
}

void PrintPins(const PluginModule& plugin)
{
    const AEffect& effect = *plugin.Effect();
    std::printf("inputs: %d\n", static_cast<int>(effect.numInputs));
    std::printf("outputs: %d\n", static_cast<int>(effect.numOutputs));
    for (VstInt32 i = 0; i < effect.numOutputs; ++i) {
        // Oversized and zeroed: the label fields are filled by the plug-in's strcpy-alikes.
        union {
            VstPinProperties pin;
            char bytes[PluginModule::kStringBufferSize * 2];
        } properties{};
        if (plugin.Dispatch(effGetOutputProperties, i, 0, &properties.pin) == 0) {
            std::printf("output %d: (no properties)\n", static_cast<int>(i));
            continue;
        }
        const VstPinProperties& pin = properties.pin;
        const std::string label = FixedString(pin.label, sizeof(pin.label));
        const std::string shortLabel = FixedString(pin.shortLabel, sizeof(pin.shortLabel));
        std::printf("output %d: label %s short %s flags 0x%08X (%s)\n", static_cast<int>(i),
                    Quoted(label).c_str(), Quoted(shortLabel).c_str(),
                    static_cast<unsigned>(pin.flags),
                    FlagList(pin.flags, kPinFlags, std::size(kPinFlags)).c_str());
    }
}

} // namespace

namespace {

// " range 0.00..16.00 s", " values No|Yes", or nothing when the plug-in does not say.
std::string RangeText(const PluginModule& plugin, VstInt32 index, const std::string& label)
{
    const ParameterValues values = DescribeValues(plugin, index);
    if (values.texts.empty()) {
        return "";
    }
    if (values.named) {
        std::string text = " values ";
        for (std::size_t i = 0; i < values.texts.size(); ++i) {
            text += (i == 0 ? "" : "|") + Escaped(values.texts[i]);
        }
        return text;
    }
    return " range " + Escaped(values.texts.front()) + ".." + Escaped(values.texts.back()) +
           (label.empty() ? "" : " " + Escaped(label));
}

} // namespace

void PrintParameters(const PluginModule& plugin, bool withRanges)
{
    const VstInt32 count = plugin.Effect()->numParams;
    std::printf("parameters: %d\n", static_cast<int>(count));
    for (VstInt32 i = 0; i < count; ++i) {
        const std::string name = plugin.DispatchString(effGetParamName, i);
        const std::string label = plugin.DispatchString(effGetParamLabel, i);
        const std::string display = plugin.DispatchString(effGetParamDisplay, i);
        const std::string range = withRanges ? RangeText(plugin, i, label) : "";
        std::printf("parameter %d: name %s label %s display %s value %s%s\n",
                    static_cast<int>(i), Quoted(name).c_str(), Quoted(label).c_str(),
                    Quoted(display).c_str(), ParameterValue(plugin.GetParameter(i)).c_str(),
                    range.c_str());
    }
}

void PrintPrograms(const PluginModule& plugin)
{
    const VstInt32 count = plugin.Effect()->numPrograms;
    std::printf("programs: %d\n", static_cast<int>(count));
    for (VstInt32 i = 0; i < count; ++i) {
        std::printf("program %d: %s\n", static_cast<int>(i),
                    Quoted(plugin.DispatchString(effGetProgramNameIndexed, i)).c_str());
    }
    std::printf("current program: %lld\n", static_cast<long long>(plugin.Dispatch(effGetProgram)));
}

int RunInfo(const CommandArgs& args)
{
    HostCallback host;
    PluginModule plugin(host);
    const int opened = OpenPlugin(host, args.host, plugin, args.positionals.front());
    if (opened != ExitCode::kOk) {
        return opened;
    }
    PrintIdentity(plugin);
    PrintPins(plugin);
    PrintParameters(plugin, true);
    PrintPrograms(plugin);
    std::fflush(stdout);
    plugin.Close();
    return ExitCode::kOk;
}
