// The plug-in base: parameters, presets, channels, the object lock, the state text entries
// and the link to the editor. The VST 2 adapter IPlugVST derives from it, and the sampler
// from that; the sampler replaces a handful of the virtual operations below.
//
// Threads: the host's audio thread (processing, often automation) and its user-interface
// thread (dispatcher, editor) both come here. Every public operation that reads or writes
// shared state takes the object lock, a re-entrant lock, so a thread already holding it
// may call any other operation.
#pragma once

#include "plugbase/IChunk.h"
#include "plugbase/IParameter.h"
#include "plugbase/IPresetEntry.h"

#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class IEditorSurface;

constexpr int kNameSize = 128;
constexpr int kStateTextSize = 261; // a path of at most 260 characters and its terminator

// 0 none, 1 receives and sends, 2 receives only, 3 sends only.
enum MidiMode : int { kMidiNone = 0, kMidiInOut = 1, kMidiInOnly = 2, kMidiOutOnly = 3 };

struct IMidiEvent {
    int offset = 0; // frames from the start of the block being prepared
    unsigned char status = 0;
    unsigned char data1 = 0;
    unsigned char data2 = 0;

    int MessageKind() const { return status >= 0x80 && status <= 0xEF ? status >> 4 : 0; }
    int NoteNumber() const { return status >= 0x80 && status <= 0xAF ? data1 : -1; }
    int Velocity() const { return status >= 0x80 && status <= 0x9F ? data2 : -1; }
};

struct ISysExEvent {
    int offset = 0;
    int size = 0;
    const unsigned char* data = nullptr; // owned by the host for the duration of the call
};

// How a host's own parameter list may present one parameter: a label that says which
// group it belongs to, a short one for narrow displays, and its group.
struct IParamPresentation {
    char label[64] = {};      // at most 63 characters
    char shortLabel[8] = {};  // at most 7
    bool isSwitch = false;    // two values, shown as a switch rather than a slider
    int category = 0;         // its group, counted from 1; 0 for none
    int categoryCount = 0;    // parameters in that group
    char categoryLabel[24] = {};
};

struct StateText {
    char text[kStateTextSize];
};

struct IChannel {
    bool connected = false;
    double** pointerSlot = nullptr;  // this channel's entry in the pointer array
    float* floatDest = nullptr;      // output only: the host's float buffer of this block
    std::vector<double> scratch;     // block length doubles
};

using ILockGuard = std::lock_guard<std::recursive_mutex>;

class IPlugBase {
public:
    IPlugBase(int paramCount, const char* channelConfig, int presetCount, const char* effectName,
              const char* productName, const char* vendorName, int packedVersion, int uniqueId,
              int latency, int midiMode, bool doesChunks, bool isInstrument);
    IPlugBase(const IPlugBase&) = delete;
    IPlugBase& operator=(const IPlugBase&) = delete;

    // ---- virtual operations, in the order hosts' ports of this design rely on ----------
    virtual ~IPlugBase();
    virtual void ResetProcessing();
    virtual void ReloadSlot(int slot);
    virtual void ParamChanged(int index);
    virtual void HostParamChanged(int index, double value);
    virtual void RenderBlock(double** inputs, double** outputs, int frames);
    virtual void EditorOpened() {}
    virtual void EditorClosing() {}
    virtual void BeforeClose() {}
    virtual void SetActive(bool) {}
    virtual void HandleMidiEvent(const IMidiEvent&) {}
    virtual void HandleSysEx(const ISysExEvent&) {}
    virtual bool GetMidiKeyName(int key, char* name);
    virtual bool SaveState(IChunk& chunk);
    virtual int LoadState(const IChunk& chunk, int pos);
    virtual void LoadSlotFile(int, const char*) {}
    // A file named by a restored state or a recalled program: by default loaded as any
    // other; the sampler keeps the name of a file it can't load there.
    virtual void RestoreSlotFile(int index, const char* text) { LoadSlotFile(index, text); }
    virtual void StateVersionSeen(int) {}
    virtual bool AcceptsStateValue(int) { return true; }
    virtual void BeginParamEdit(int index);
    virtual void BeginWheelEdit(int index);
    virtual void SendParamValue(int, double) {}
    virtual void EndParamEdit(int) {}
    virtual void ProgramChangedNotice() {}
    virtual int GetSamplePos() { return 0; }
    virtual double GetTempo() { return 0.0; }
    virtual void GetTimeSignature(int* num, int* den);
    virtual int GetHostId() { return hostId; }
    virtual void UpdateEditRect() {}
    virtual void HostSpecificSetup() {}
    virtual void AttachEditor(IEditorSurface* graphics);
    virtual void SetBlockFrames(int frames);
    virtual void SetLatencyFrames(int frames) { latency = frames; }
    virtual bool SendMidiEvent(const IMidiEvent&) { return false; }
    virtual bool SendMidiEvents(const std::vector<IMidiEvent>& events);
    virtual bool SendSysEx(const ISysExEvent&) { return false; }
    virtual bool SaveParams(IChunk& chunk);
    virtual int LoadParams(const IChunk& chunk, int pos);
    virtual bool SavePresets(IChunk& chunk);
    virtual int LoadPresets(const IChunk& chunk, int pos);
    // Why the slot's last load failed, as the user reads it ("not found", "unsupported
    // format: .aif"); the empty text when it did not fail. Never null.
    virtual const char* SlotLoadFailure(int) const { return ""; }
    // The host has switched processing on (effMainsChanged); blocks follow.
    virtual void ProcessingSwitchedOn() {}
    // Fills the presentation of a parameter; false when the plug-in gives none.
    virtual bool GetParamPresentation(int, IParamPresentation&) { return false; }

    // ---- parameters ------------------------------------------------------------------
    int ParamCount() const { return static_cast<int>(params.size()); }
    bool IsParamIndex(int index) const { return index >= 0 && index < ParamCount(); }
    IParameter* GetParam(int index) { return IsParamIndex(index) ? params[index].get() : nullptr; }
    void SetParamFromEditor(int index, double normalised);
    void PushParamsToEditor();
    void ResetAllParams();
    void ScheduleWheelEditEnd(int index);
    void FinishWheelEdit();
    int WheelEditParam() const { return wheelEditParam; }

    // ---- presets (saved programs) --------------------------------------------------------
    int PresetCount() const { return static_cast<int>(presets.size()); }
    int CurrentPreset() const { return currentPreset; }
    const char* PresetName(int index) const;
    void EnsureOnePreset();
    void ClaimPresets(const char* name, int count);
    void MakeFactoryPreset(const char* name, const double* values, int count);
    void NextUserPresetName(char* out, int size) const;
    void StoreCurrentPreset(const char* name);
    bool RecallPreset(int index);

    // ---- state text entries ------------------------------------------------------------
    int StateTextCount() const { return static_cast<int>(stateStrings.size()); }
    char* StateTextAt(int index);
    void CreateStateTexts(int count);

    // ---- identity, host and channels -----------------------------------------------------
    const char* EffectName() const { return effectName; }
    const char* ProductName() const { return productName; }
    const char* VendorName() const { return vendorName; }
    int UniqueId() const { return uniqueId; }
    int PackedVersion() const { return version; }
    int DecimalVersion() const;
    void VersionText(char* out, int size) const;
    int HostVersion() const { return hostVersion; }
    int MidiModeValue() const { return midiMode; }
    bool DoesChunks() const { return doesChunks; }
    bool IsInstrument() const { return isInstrument; }
    double SampleRate() const { return sampleRate; }
    int BlockFrames() const { return blockFrames; }
    int LatencyFrames() const { return latency; }
    int InputCount() const { return static_cast<int>(inputs.size()); }
    int OutputCount() const { return static_cast<int>(outputs.size()); }
    bool HasMonoInputConfig() const;
    bool ParamsReady() const { return paramsReady; }
    IEditorSurface* Editor() const { return editor; }

    void ConnectInputs(int start, int count, bool connect);
    void ConnectOutputs(int start, int count, bool connect);

    std::recursive_mutex& Lock() { return objectLock; }
    // Serialises the sample loads of this plug-in among themselves. A load decodes its file
    // without the object lock and then waits for that lock to swap the sample in, so this
    // lock is always taken before the object lock, never while holding it. The audio
    // thread never takes it.
    std::recursive_mutex& LoadLock() { return loadLock; }

    // ---- files named by a state, loaded after it ------------------------------------------
    struct SlotFile {
        int index;
        std::string text;
    };
    // While a list is set, LoadParams appends the files its state entries name to it
    // instead of loading them, so that a caller holding the object lock can apply the
    // values first and load the files once it has let the lock go. Under the object lock.
    void QueueSlotFiles(std::vector<SlotFile>* queue) { slotFileQueue = queue; }
    // Loads queued files in order, as LoadParams would have. Call without the object lock.
    void RestoreSlotFiles(const std::vector<SlotFile>& files);

    // ---- messages that must wait until the object lock is let go ---------------------
    // A message box waits for the user, and the audio thread would wait with it if the box
    // were shown under the lock. An operation that takes the lock on behalf of a caller
    // from outside (a dispatcher call, a file load) declares one of these before it takes
    // the lock; when the thread's outermost one ends, after the lock has been let go,
    // the messages queued meanwhile are shown. Lives on the stack of that one call.
    class DeferredMessages {
    public:
        explicit DeferredMessages(IPlugBase* plug);
        ~DeferredMessages();
        DeferredMessages(const DeferredMessages&) = delete;
        DeferredMessages& operator=(const DeferredMessages&) = delete;

    private:
        IPlugBase* plug;
    };
    // Shows the messages queued so far (the editor's warnings). Call without the lock.
    void DeliverDeferredMessages();

protected:
    // Host id -1 means "not asked yet"; the adapter fills both on first use.
    int hostId = -1;
    int hostVersion = 0;
    double sampleRate = 44100.0;
    bool paramsReady = false;

    std::vector<std::pair<int, int>> channelConfigs;
    std::vector<IChannel> inputs;
    std::vector<IChannel> outputs;
    std::vector<double*> inputPointers;
    std::vector<double*> outputPointers;
    IEditorSurface* editor = nullptr;

private:
    void ConnectChannels(std::vector<IChannel>& list, int start, int count, bool connect);
    void ParseChannelConfig(const char* config);

    std::vector<std::unique_ptr<IParameter>> params;
    std::vector<std::unique_ptr<IPresetEntry>> presets;
    int currentPreset = 0;
    int wheelEditParam = -1;
    std::recursive_mutex objectLock;
    std::recursive_mutex loadLock;
    std::vector<SlotFile>* slotFileQueue = nullptr;
    std::vector<StateText> stateStrings;

    char effectName[kNameSize] = {};
    char productName[kNameSize] = {};
    char vendorName[kNameSize] = {};
    int uniqueId = 0;
    int version = 0;

    bool doesChunks = false;
    bool isInstrument = false;
    int midiMode = kMidiNone;
    int blockFrames = 0;
    int latency = 0;
};
