// The VST 2 adapter: owns the effect record handed to the host and the host callback, and
// turns the record's six function pointers into calls on the plug-in base. The static
// callbacks find the object through AEffect::object and hold its lock for the whole call,
// except while a file named by a state, a program or the host is decoded: loads take the
// object lock only to swap their sample in.
//
// Threads: the dispatcher and the editor come from the host's user-interface thread; the
// three processing functions and often the two parameter functions from its audio thread.
#pragma once

#include "plugbase/IPlugBase.h"
#include "plugbase/Vst2Interface.h"

class IPlugVST : public IPlugBase {
public:
    IPlugVST(audioMasterCallback host, int paramCount, const char* channelConfig,
             int presetCount, const char* effectName, const char* productName,
             const char* vendorName, int packedVersion, int uniqueId, int latency,
             int midiMode, bool doesChunks, bool isInstrument);
    ~IPlugVST() override;

    AEffect* Effect() { return &effect; }
    const ERect& EditRect() const { return editRect; }

    // Host-facing replacements of base operations.
    void BeginParamEdit(int index) override;
    void BeginWheelEdit(int index) override;
    void SendParamValue(int index, double normalised) override;
    void EndParamEdit(int index) override;
    void ProgramChangedNotice() override;
    int GetSamplePos() override;
    double GetTempo() override;
    void GetTimeSignature(int* num, int* den) override;
    int GetHostId() override;
    void UpdateEditRect() override;
    void HostSpecificSetup() override;
    void AttachEditor(IEditorSurface* graphics) override;
    void SetLatencyFrames(int frames) override;
    bool SendMidiEvent(const IMidiEvent& event) override;
    bool SendSysEx(const ISysExEvent& event) override;

    // 1 playing, 2 recording, 0 stopped; asked of the host every block.
    int GetTransportState();
    // Whether the host may be processing in real time: it says so, or says nothing. Only
    // then does the wall clock between blocks mean anything. Asked of the host every block.
    bool MayBeRealTime();

    // What the record's function pointers lead to.
    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    void ProcessFloat(float** in, float** out, VstInt32 frames, bool accumulate);
    void ProcessDouble(double** in, double** out, VstInt32 frames);
    void SetParameter(VstInt32 index, float value);
    float GetParameter(VstInt32 index);

private:
    VstIntPtr CallHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    VstTimeInfo* TimeInfo(VstInt32 filter);
    VstIntPtr VendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt);
    VstIntPtr CanDo(const char* text) const;
    VstIntPtr ParamProperties(VstInt32 index, VstParameterProperties* out);
    VstIntPtr GetChunk(bool bank, void* ptr);
    VstIntPtr SetChunk(bool bank, VstIntPtr size, const void* data,
                       std::unique_lock<std::recursive_mutex>& lock);
    // Loads the files a state or program named, with `lock` (the dispatcher's hold of the
    // object lock) let go meanwhile; then shows the parameters again when asked.
    void RestoreQueuedFiles(std::unique_lock<std::recursive_mutex>& lock,
                            const std::vector<SlotFile>& files, bool showParams);
    // Queues the files LoadParams meets for the lifetime of one dispatcher step.
    class SlotFileQueue {
    public:
        SlotFileQueue(IPlugBase& plug, std::vector<SlotFile>& files) : plug(plug)
        {
            plug.QueueSlotFiles(&files);
        }
        ~SlotFileQueue() { plug.QueueSlotFiles(nullptr); }
        SlotFileQueue(const SlotFileQueue&) = delete;
        SlotFileQueue& operator=(const SlotFileQueue&) = delete;

    private:
        IPlugBase& plug;
    };
    void ProcessEvents(const VstEvents* events);
    VstIntPtr PinProperties(bool input, VstInt32 index, void* ptr);
    void ConnectToArrangement(const VstSpeakerArrangement* arrangement, bool input);
    bool PrepareBlock(VstInt32 frames);
    void FillArrangement(VstSpeakerArrangement& arrangement, int channels);

    audioMasterCallback hostCallback;
    bool hostSetupDone = false;
    IChunk programChunk;
    IChunk bankChunk;
    AEffect effect{};
    ERect editRect{};
    VstSpeakerArrangement inputArrangement{};
    VstSpeakerArrangement outputArrangement{};
};

// Looks up the host id for a product name by the fixed fragment table.
int LookUpHost(const char* productName);

// Runs the entry point's steps for a host: serialised creation of one plug-in object.
// The exported VSTPluginMain and main of the module forward here.
AEffect* CreateEffect(audioMasterCallback host);

// Provided by the plug-in (the sampler): builds one object for a host.
IPlugVST* MakePluginInstance(audioMasterCallback host);
