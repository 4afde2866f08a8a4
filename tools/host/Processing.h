// What every command that plays through a plug-in needs: switching processing on and off
// in the order hosts do, and a block's MIDI events in the list the plug-in reads. Used by
// one command on one thread.
#pragma once

#include "plugbase/Vst2Interface.h"
#include "tools/host/MidiFile.h"

#include <vector>

class HostCallback;
class PluginModule;

// Processing is on from construction (precision, mains on, start) and off again at
// destruction, however the command ends.
class ProcessingSession {
public:
    ProcessingSession(HostCallback& host, const PluginModule& plugin, bool doubles);
    ~ProcessingSession();
    ProcessingSession(const ProcessingSession&) = delete;
    ProcessingSession& operator=(const ProcessingSession&) = delete;

private:
    HostCallback& host;
    const PluginModule& plugin;
};

// A MIDI event list sized for one block. VstEvents declares room for two pointers only;
// hosts allocate it larger, as this does.
class EventBlock {
public:
    void Clear() { midi.clear(); }
    void Add(const MidiMessage& message, VstInt32 deltaFrames);
    bool Empty() const { return midi.empty(); }
    // Valid until the next change of this block.
    VstEvents* List();

private:
    std::vector<VstMidiEvent> midi;
    std::vector<VstIntPtr> storage;
};
