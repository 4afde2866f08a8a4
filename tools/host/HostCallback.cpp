#include "tools/host/HostCallback.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace {

// Plug-ins call back from whatever thread they like, so the effect-to-host table is shared
// and guarded. The constructing host is per thread: the entry point runs on the caller's.
std::mutex registryMutex;
std::unordered_map<const AEffect*, HostCallback*>& Registry()
{
    static std::unordered_map<const AEffect*, HostCallback*> hosts;
    return hosts;
}
thread_local HostCallback* constructingHost = nullptr;

HostCallback* FindHost(const AEffect* effect)
{
    if (effect != nullptr) {
        const std::lock_guard<std::mutex> lock(registryMutex);
        const auto found = Registry().find(effect);
        if (found != Registry().end()) {
            return found->second;
        }
    }
    return constructingHost;
}

} // namespace

HostCallback::~HostCallback()
{
    Detach();
}

VstIntPtr HostCallback::Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                 void* ptr, float opt)
{
    HostCallback* host = FindHost(effect);
    if (host != nullptr) {
        return host->Handle(opcode, index, value, ptr, opt);
    }
    // A stray call from an effect no host owns still learns which interface it talks to.
    return opcode == audioMasterVersion ? kHostVstVersion : 0;
}

AEffect* HostCallback::CreateEffect(VstPluginMainProc entryPoint)
{
    HostCallback* const previous = constructingHost;
    constructingHost = this;
    AEffect* const created = entryPoint(&HostCallback::Callback);
    constructingHost = previous;
    if (created != nullptr) {
        Attach(created);
    }
    return created;
}

void HostCallback::Attach(AEffect* newEffect)
{
    Detach();
    const std::lock_guard<std::mutex> lock(registryMutex);
    Registry()[newEffect] = this;
    effect = newEffect;
}

void HostCallback::Detach()
{
    if (effect == nullptr) {
        return;
    }
    const std::lock_guard<std::mutex> lock(registryMutex);
    const auto found = Registry().find(effect);
    if (found != Registry().end() && found->second == this) {
        Registry().erase(found);
    }
    effect = nullptr;
}

VstIntPtr HostCallback::Handle(VstInt32 opcode, VstInt32 index, VstIntPtr /*value*/, void* ptr,
                               float opt)
{
    switch (opcode) {
    case audioMasterAutomate:
        edits.push_back({EditKind::Automate, index, opt});
        return 1;
    case audioMasterVersion:
        return kHostVstVersion;
    case audioMasterCurrentId:
    case audioMasterIdle:
        return 0;
    case audioMasterWantMidi:
        midiWanted = true;
        return 1;
    case audioMasterGetTime:
        // value is a mask of the fields the plug-in needs; filling them all satisfies any mask.
        timeInfo = transport.TimeInfo();
        return reinterpret_cast<VstIntPtr>(&timeInfo);
    case audioMasterProcessEvents:
        return CollectEvents(static_cast<const VstEvents*>(ptr));
    case audioMasterGetSampleRate:
        return static_cast<VstIntPtr>(transport.SampleRate());
    case audioMasterGetBlockSize:
        return blockSize;
    case audioMasterGetCurrentProcessLevel:
        return processing ? kProcessLevelOffline : 0;
    case audioMasterGetVendorString:
        return CopyHostString(kVendor, ptr);
    case audioMasterGetProductString:
        return CopyHostString(productString, ptr);
    case audioMasterGetVendorVersion:
        return vendorVersion;
    case audioMasterCanDo:
        return CanDo(static_cast<const char*>(ptr)) ? 1 : 0;
    case audioMasterGetLanguage:
        return 1; // English
    case audioMasterUpdateDisplay:
        ++displayUpdates;
        return 1;
    case audioMasterBeginEdit:
        edits.push_back({EditKind::BeginEdit, index, 0.0f});
        return 1;
    case audioMasterEndEdit:
        edits.push_back({EditKind::EndEdit, index, 0.0f});
        return 1;
    default:
        return 0;
    }
}

VstIntPtr HostCallback::CollectEvents(const VstEvents* list)
{
    if (list == nullptr || list->numEvents < 0) {
        return 0;
    }
    VstEvent* const* entries = EventEntries(list);
    for (VstInt32 i = 0; i < list->numEvents; ++i) {
        const VstEvent* event = entries[i];
        if (event == nullptr) {
            continue;
        }
        HostEvent copy{event->type, event->deltaFrames, {}};
        if (event->type == kVstMidiType) {
            const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
            copy.bytes.assign(midi->midiData, midi->midiData + 3);
        } else if (event->type == kVstSysExType) {
            const auto* sysex = reinterpret_cast<const VstMidiSysexEvent*>(event);
            if (sysex->sysexDump != nullptr && sysex->dumpBytes > 0) {
                copy.bytes.assign(sysex->sysexDump, sysex->sysexDump + sysex->dumpBytes);
            }
        }
        events.push_back(std::move(copy));
    }
    return 1;
}

VstIntPtr HostCallback::CopyHostString(const std::string& text, void* destination)
{
    if (destination == nullptr) {
        return 0;
    }
    const std::size_t length = std::min(text.size(), kMaxHostStringLength);
    auto* out = static_cast<char*>(destination);
    std::memcpy(out, text.data(), length);
    out[length] = '\0';
    return 1;
}

bool HostCallback::CanDo(const char* feature)
{
    static const char* const kSupported[] = {
        "sendVstEvents",    "sendVstMidiEvent",    "sendVstTimeInfo",
        "receiveVstEvents", "receiveVstMidiEvent",
    };
    if (feature == nullptr) {
        return false;
    }
    return std::any_of(std::begin(kSupported), std::end(kSupported),
                       [feature](const char* name) { return std::strcmp(name, feature) == 0; });
}
