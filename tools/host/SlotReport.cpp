#include "tools/host/SlotReport.h"

#include "tools/host/Commands.h"
#include "tools/host/PluginModule.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr VstInt32 kVendorSlotPath = 56;
constexpr VstInt32 kVendorSlotFailure = 57;
constexpr VstIntPtr kVendorHandled = 0xBEEF;
// Only to end the listing of a plug-in that answers for every index.
constexpr VstIntPtr kMaxListedSlots = 64;

// Asked with an empty buffer, the plug-in gives the slot's text: nothing, or "0", when it
// keeps no path.
bool AskText(const PluginModule& plugin, VstInt32 request, VstIntPtr slot, std::string& text)
{
    char buffer[kSlotPathBufferSize] = {};
    if (plugin.Dispatch(effVendorSpecific, request, slot, buffer) != kVendorHandled) {
        return false;
    }
    buffer[kSlotPathBufferSize - 1] = '\0';
    text = buffer;
    return true;
}

} // namespace

bool RequestSlotLoad(const PluginModule& plugin, VstIntPtr slot, const std::string& path)
{
    char buffer[kSlotPathBufferSize] = {};
    std::memcpy(buffer, path.data(), std::min(path.size(), kSlotPathBufferSize - 1));
    return plugin.Dispatch(effVendorSpecific, kVendorSlotPath, slot, buffer) == kVendorHandled;
}

std::vector<SlotState> QuerySlots(const PluginModule& plugin)
{
    std::vector<SlotState> slots;
    std::string path;
    for (VstIntPtr slot = 0; slot < kMaxListedSlots && AskText(plugin, kVendorSlotPath, slot, path);
         ++slot) {
        SlotState state;
        state.path = path == "0" ? "" : path;
        // A plug-in that keeps no reasons leaves the failure empty.
        if (!AskText(plugin, kVendorSlotFailure, slot, state.failure)) {
            state.failure.clear();
        }
        slots.push_back(state);
    }
    return slots;
}

std::string SlotFailureText(int slotNumber, const SlotState& slot, const std::string& name)
{
    const std::string shown = !name.empty() ? name : slot.path;
    std::string text = "slot " + std::to_string(slotNumber) + ": cannot load "
        + (shown.empty() ? "its sample" : shown);
    if (!slot.failure.empty()) {
        text += ": " + slot.failure;
    }
    return text;
}

void ReportSlots(const PluginModule& plugin)
{
    const std::vector<SlotState> slots = QuerySlots(plugin);
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const SlotState& slot = slots[i];
        const int number = static_cast<int>(i) + 1;
        if (slot.Loaded()) {
            std::printf("slot %d: %s\n", number, slot.path.c_str());
        } else if (slot.path.empty()) {
            std::printf("slot %d: (empty)\n", number);
        } else {
            // The plug-in keeps the path of a sample it could not load, so that saving
            // the state again does not lose it.
            std::printf("slot %d: (empty; keeps %s)\n", number, slot.path.c_str());
        }
    }
    std::fflush(stdout);
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (!slots[i].failure.empty()) {
            PrintError("warning: " + SlotFailureText(static_cast<int>(i) + 1, slots[i], ""));
        }
    }
}
