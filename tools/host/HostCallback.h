// The host side of the audioMaster conversation: one object per loaded effect, reached
// from the plain C callback the plug-in holds.
#pragma once

#include "plugbase/Vst2Interface.h"
#include "tools/host/Transport.h"

#include <string>
#include <vector>

enum class EditKind { Automate, BeginEdit, EndEdit };

struct EditRecord {
    EditKind kind;
    VstInt32 index;
    float value; // only meaningful for Automate
};

// A plug-in's VstEvents (and any sysex buffers) are only valid during the call, so the
// host keeps copies.
struct HostEvent {
    VstInt32 type;
    VstInt32 deltaFrames;
    std::vector<unsigned char> bytes;
};

class HostCallback {
public:
    static constexpr VstIntPtr kHostVstVersion = 2400;
    static constexpr const char* kDefaultProduct = "Quellorn Host";
    static constexpr const char* kVendor = "Tolvane";
    static constexpr VstInt32 kDefaultVendorVersion = 10000;
    static constexpr VstInt32 kDefaultBlockSize = 512;
    // Host strings go into 64-byte plug-in buffers; one byte stays for the terminator.
    static constexpr std::size_t kMaxHostStringLength = 63;
    // Rendering a file is never real time: plug-ins must not act on how long it takes.
    static constexpr VstIntPtr kProcessLevelOffline = 4;

    HostCallback() = default;
    ~HostCallback();
    HostCallback(const HostCallback&) = delete;
    HostCallback& operator=(const HostCallback&) = delete;

    // The function handed to a module's entry point.
    static VstIntPtr Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                              void* ptr, float opt);

    // Calls the entry point so that callbacks made while the plug-in is still being built,
    // before its AEffect is known, reach this host; a returned effect stays tied to it.
    AEffect* CreateEffect(VstPluginMainProc entryPoint);
    void Detach();
    AEffect* Effect() const { return effect; }

    void SetProductString(const std::string& text) { productString = text; }
    void SetVendorVersion(VstInt32 version) { vendorVersion = version; }
    void SetBlockSize(VstInt32 frames) { blockSize = frames; }
    void SetProcessing(bool active) { processing = active; }
    Transport& GetTransport() { return transport; }
    const Transport& GetTransport() const { return transport; }
    VstInt32 BlockSize() const { return blockSize; }

    bool MidiWanted() const { return midiWanted; }
    int DisplayUpdates() const { return displayUpdates; }
    const std::vector<HostEvent>& Events() const { return events; }
    const std::vector<EditRecord>& Edits() const { return edits; }
    void ClearEvents() { events.clear(); }
    void ClearEdits() { edits.clear(); }

    VstIntPtr Handle(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

private:
    void Attach(AEffect* newEffect);
    VstIntPtr CollectEvents(const VstEvents* list);
    static VstIntPtr CopyHostString(const std::string& text, void* destination);
    static bool CanDo(const char* feature);

    AEffect* effect = nullptr;
    Transport transport;
    VstTimeInfo timeInfo{}; // the plug-in keeps the returned pointer until its next request
    std::string productString = kDefaultProduct;
    VstInt32 vendorVersion = kDefaultVendorVersion;
    VstInt32 blockSize = kDefaultBlockSize;
    bool processing = false;
    bool midiWanted = false;
    int displayUpdates = 0;
    std::vector<HostEvent> events;
    std::vector<EditRecord> edits;
};
