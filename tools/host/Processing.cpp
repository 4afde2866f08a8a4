#include "tools/host/Processing.h"

#include "tools/host/HostCallback.h"
#include "tools/host/PluginModule.h"

#include <algorithm>
#include <cstddef>

namespace {

constexpr VstIntPtr kProcessPrecision32 = 0;
constexpr VstIntPtr kProcessPrecision64 = 1;

} // namespace

ProcessingSession::ProcessingSession(HostCallback& hostCallback, const PluginModule& module,
                                     bool doubles)
    : host(hostCallback), plugin(module)
{
    plugin.Dispatch(effSetProcessPrecision, 0, doubles ? kProcessPrecision64 : kProcessPrecision32);
    plugin.Dispatch(effMainsChanged, 0, 1);
    plugin.Dispatch(effStartProcess);
    host.SetProcessing(true);
}

ProcessingSession::~ProcessingSession()
{
    host.SetProcessing(false);
    plugin.Dispatch(effStopProcess);
    plugin.Dispatch(effMainsChanged, 0, 0);
}

void EventBlock::Add(const MidiMessage& message, VstInt32 deltaFrames)
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

VstEvents* EventBlock::List()
{
    const std::size_t bytes =
        offsetof(VstEvents, events) + std::max<std::size_t>(midi.size(), 2) * sizeof(VstEvent*);
    storage.assign((bytes + sizeof(VstIntPtr) - 1) / sizeof(VstIntPtr), 0);
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = static_cast<VstInt32>(midi.size());
    VstEvent** entries = EventEntries(list);
    for (std::size_t i = 0; i < midi.size(); ++i) {
        entries[i] = reinterpret_cast<VstEvent*>(&midi[i]);
    }
    return list;
}
