// What a plug-in's sample slots hold, asked through Quellorn's private requests: the path a
// slot keeps and, for a slot whose last load failed, the plug-in's reason. Plug-ins that do
// not answer have no slots here. Used by the commands on their one thread.
#pragma once

#include "plugbase/Vst2Interface.h"

#include <string>
#include <vector>

class PluginModule;

struct SlotState {
    std::string path; // empty when the slot keeps no path
    std::string failure; // the plug-in's reason when the slot's last load failed, else empty

    bool Loaded() const { return !path.empty() && failure.empty(); }
};

// A slot path's longest form (260 bytes) and its terminator.
constexpr std::size_t kSlotPathBufferSize = 261;

// Asks the plug-in to load path into the slot (counted from 0); false when it has no such slot.
bool RequestSlotLoad(const PluginModule& plugin, VstIntPtr slot, const std::string& path);

// The state of every slot the plug-in answers for, in order.
std::vector<SlotState> QuerySlots(const PluginModule& plugin);

// "slot 2: cannot load foo.aif: unsupported format: .aif"; name is what was asked for, or
// the slot's kept path when empty.
std::string SlotFailureText(int slotNumber, const SlotState& slot, const std::string& name);

// One line a slot on stdout ("slot 1: PATH", "slot 2: (empty)"), and a warning on stderr
// for each slot whose sample could not be loaded.
void ReportSlots(const PluginModule& plugin);
