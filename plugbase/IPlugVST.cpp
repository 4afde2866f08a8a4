#include "plugbase/IPlugVST.h"

#include "editor/IEditorSurface.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr VstInt32 kTimeFilterTempo = kVstTempoValid;
constexpr VstInt32 kTimeFilterSignature = kVstTimeSigValid;

IPlugVST* FromEffect(AEffect* effect)
{
    return effect ? static_cast<IPlugVST*>(effect->object) : nullptr;
}

// No exception may cross into the host, which is no C++ and could not unwind it: every
// function of the record catches everything and answers 0, silence or nothing done.

VstIntPtr DispatcherProc(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                         void* ptr, float opt)
{
    IPlugVST* plug = FromEffect(effect);
    if (!plug)
        return 0;
    try {
        if (opcode == effClose)
            return plug->Dispatch(opcode, index, value, ptr, opt); // the object is gone after it
        // Loads restored from the host's state may warn; the warnings wait until the
        // dispatcher has let go of the lock.
        IPlugBase::DeferredMessages deferred(plug);
        return plug->Dispatch(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

template <typename Sample>
void Silence(const AEffect* effect, Sample** out, VstInt32 frames)
{
    if (!out || frames <= 0)
        return;
    for (VstInt32 c = 0; c < effect->numOutputs; ++c)
        if (out[c])
            std::fill(out[c], out[c] + frames, Sample{0});
}

void ProcessAccumulatingProc(AEffect* effect, float** in, float** out, VstInt32 frames)
{
    if (IPlugVST* plug = FromEffect(effect)) {
        try {
            plug->ProcessFloat(in, out, frames, true);
        } catch (...) {
            // Nothing has been added yet: the outputs keep what the host put there.
        }
    }
}

void ProcessReplacingProc(AEffect* effect, float** in, float** out, VstInt32 frames)
{
    if (IPlugVST* plug = FromEffect(effect)) {
        try {
            plug->ProcessFloat(in, out, frames, false);
        } catch (...) {
            Silence(effect, out, frames);
        }
    }
}

void ProcessDoubleReplacingProc(AEffect* effect, double** in, double** out, VstInt32 frames)
{
    if (IPlugVST* plug = FromEffect(effect)) {
        try {
            plug->ProcessDouble(in, out, frames);
        } catch (...) {
            Silence(effect, out, frames);
        }
    }
}

void SetParameterProc(AEffect* effect, VstInt32 index, float value)
{
    if (IPlugVST* plug = FromEffect(effect)) {
        try {
            plug->SetParameter(index, value);
        } catch (...) {
        }
    }
}

float GetParameterProc(AEffect* effect, VstInt32 index)
{
    IPlugVST* plug = FromEffect(effect);
    try {
        return plug ? plug->GetParameter(index) : 0.0f;
    } catch (...) {
        return 0.0f;
    }
}

} // namespace

IPlugVST::IPlugVST(audioMasterCallback host, int paramCount, const char* channelConfig,
                   int presetCount, const char* effectName, const char* productName,
                   const char* vendorName, int packedVersion, int uniqueId, int latency,
                   int midiMode, bool doesChunks, bool isInstrument)
    : IPlugBase(paramCount, channelConfig, presetCount, effectName, productName, vendorName,
                packedVersion, uniqueId, latency, midiMode, doesChunks, isInstrument),
      hostCallback(host)
{
    effect.magic = kEffectMagic;
    effect.dispatcher = DispatcherProc;
    effect.process = ProcessAccumulatingProc;
    effect.setParameter = SetParameterProc;
    effect.getParameter = GetParameterProc;
    effect.processReplacing = ProcessReplacingProc;
    effect.processDoubleReplacing = ProcessDoubleReplacingProc;
    effect.numPrograms = PresetCount();
    effect.numParams = ParamCount();
    effect.numInputs = InputCount();
    effect.numOutputs = OutputCount();
    effect.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
    if (doesChunks)
        effect.flags |= effFlagsProgramChunks;
    if (HasMonoInputConfig())
        effect.flags |= effFlagsCanMono;
    if (isInstrument)
        effect.flags |= effFlagsIsSynth;
    effect.initialDelay = latency;
    effect.ioRatio = 1.0f;
    effect.object = this;
    effect.uniqueID = uniqueId;
    effect.version = DecimalVersion();

    FillArrangement(inputArrangement, InputCount());
    FillArrangement(outputArrangement, OutputCount());

    ConnectInputs(0, InputCount(), true);
    ConnectOutputs(0, OutputCount(), true);
    SetBlockFrames(1024);
}

IPlugVST::~IPlugVST() = default;

void IPlugVST::FillArrangement(VstSpeakerArrangement& arrangement, int channels)
{
    if (channels == 0)
        arrangement.type = kSpeakerArrEmpty;
    else if (channels == 1)
        arrangement.type = kSpeakerArrMono;
    else if (channels == 2)
        arrangement.type = kSpeakerArrStereo;
    else
        arrangement.type = kSpeakerArrUserDefined;
    arrangement.numChannels = channels;
}

VstIntPtr IPlugVST::CallHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                             float opt)
{
    return hostCallback ? hostCallback(&effect, opcode, index, value, ptr, opt) : 0;
}

VstTimeInfo* IPlugVST::TimeInfo(VstInt32 filter)
{
    return reinterpret_cast<VstTimeInfo*>(CallHost(audioMasterGetTime, 0, filter));
}

// ---- edits and notices ------------------------------------------------------------------

void IPlugVST::BeginParamEdit(int index)
{
    FinishWheelEdit();
    CallHost(audioMasterBeginEdit, index);
}

void IPlugVST::BeginWheelEdit(int index)
{
    ILockGuard lock(Lock());
    if (index != WheelEditParam()) {
        FinishWheelEdit();
        CallHost(audioMasterBeginEdit, index);
    }
}

void IPlugVST::SendParamValue(int index, double normalised)
{
    CallHost(audioMasterAutomate, index, 0, nullptr, static_cast<float>(normalised));
}

void IPlugVST::EndParamEdit(int index)
{
    CallHost(audioMasterEndEdit, index);
}

void IPlugVST::ProgramChangedNotice()
{
    CallHost(audioMasterUpdateDisplay);
}

// ---- transport ----------------------------------------------------------------------------

int IPlugVST::GetSamplePos()
{
    const VstTimeInfo* info = TimeInfo(0);
    if (!info || !(info->samplePos >= 0.0))
        return 0;
    const double pos = info->samplePos + 0.5;
    return pos < 2147483647.0 ? static_cast<int>(pos) : 2147483647;
}

double IPlugVST::GetTempo()
{
    const VstTimeInfo* info = TimeInfo(kTimeFilterTempo);
    if (info && (info->flags & kVstTempoValid) && info->tempo >= 0.0)
        return info->tempo;
    return 0.0;
}

void IPlugVST::GetTimeSignature(int* num, int* den)
{
    IPlugBase::GetTimeSignature(num, den);
    const VstTimeInfo* info = TimeInfo(kTimeFilterSignature);
    if (info && (info->flags & kVstTimeSigValid) && info->timeSigNumerator >= 0 &&
        info->timeSigDenominator >= 0) {
        if (num)
            *num = info->timeSigNumerator;
        if (den)
            *den = info->timeSigDenominator;
    }
}

int IPlugVST::GetTransportState()
{
    const VstTimeInfo* info = TimeInfo(0);
    if (!info)
        return 0;
    if (info->flags & kVstTransportPlaying)
        return 1;
    if (info->flags & kVstTransportRecording)
        return 2;
    return 0;
}

bool IPlugVST::MayBeRealTime()
{
    const VstIntPtr level = CallHost(audioMasterGetCurrentProcessLevel);
    return level == kVstProcessLevelUnknown || level == kVstProcessLevelRealtime;
}

// ---- editor and latency ---------------------------------------------------------------------

void IPlugVST::UpdateEditRect()
{
    if (!editor)
        return;
    editRect.top = 0;
    editRect.left = 0;
    editRect.bottom = static_cast<VstInt16>(editor->Height() * editor->WindowScale());
    editRect.right = static_cast<VstInt16>(editor->Width() * editor->WindowScale());
}

void IPlugVST::AttachEditor(IEditorSurface* graphics)
{
    if (!graphics)
        return;
    IPlugBase::AttachEditor(graphics);
    effect.flags |= effFlagsHasEditor;
    UpdateEditRect();
}

void IPlugVST::SetLatencyFrames(int frames)
{
    IPlugBase::SetLatencyFrames(frames);
    effect.initialDelay = frames;
}

// ---- MIDI output --------------------------------------------------------------------------

bool IPlugVST::SendMidiEvent(const IMidiEvent& event)
{
    VstMidiEvent midi{};
    midi.type = kVstMidiType;
    midi.byteSize = sizeof(VstMidiEvent);
    midi.deltaFrames = event.offset;
    midi.midiData[0] = static_cast<char>(event.status);
    midi.midiData[1] = static_cast<char>(event.data1);
    midi.midiData[2] = static_cast<char>(event.data2);
    VstEvents list{};
    list.numEvents = 1;
    list.events[0] = reinterpret_cast<VstEvent*>(&midi);
    return CallHost(audioMasterProcessEvents, 0, 0, &list) == 1;
}

bool IPlugVST::SendSysEx(const ISysExEvent& event)
{
    VstMidiSysexEvent sysex{};
    sysex.type = kVstSysExType;
    sysex.byteSize = sizeof(VstMidiSysexEvent);
    sysex.deltaFrames = event.offset;
    sysex.dumpBytes = event.size;
    sysex.sysexDump = const_cast<char*>(reinterpret_cast<const char*>(event.data));
    VstEvents list{};
    list.numEvents = 1;
    list.events[0] = reinterpret_cast<VstEvent*>(&sysex);
    return CallHost(audioMasterProcessEvents, 0, 0, &list) == 1;
}

// ---- processing ---------------------------------------------------------------------------

bool IPlugVST::PrepareBlock(VstInt32 frames)
{
    // An empty block still reaches the renderer: it ends the block's bookkeeping.
    if (frames < 0)
        return false;
    // Hosts must not exceed the announced block size, but one that does would make us
    // write past the scratch buffers; growing them is the lesser evil.
    if (frames > BlockFrames())
        SetBlockFrames(frames);
    if (MidiModeValue() != kMidiNone)
        CallHost(audioMasterWantMidi);
    return true;
}

void IPlugVST::ProcessFloat(float** in, float** out, VstInt32 frames, bool accumulate)
{
    ILockGuard lock(Lock());
    if (!PrepareBlock(frames))
        return;
    const std::size_t n = static_cast<std::size_t>(frames);

    int next = 0;
    for (IChannel& channel : inputs) {
        if (!channel.connected)
            continue;
        const float* src = in ? in[next] : nullptr;
        ++next;
        for (std::size_t i = 0; i < n; ++i)
            channel.scratch[i] = src ? src[i] : 0.0;
        *channel.pointerSlot = channel.scratch.data();
    }
    next = 0;
    for (IChannel& channel : outputs) {
        if (!channel.connected)
            continue;
        *channel.pointerSlot = channel.scratch.data();
        channel.floatDest = out ? out[next] : nullptr;
        ++next;
    }

    if (paramsReady)
        RenderBlock(inputPointers.data(), outputPointers.data(), frames);

    for (IChannel& channel : outputs) {
        if (!channel.connected || !channel.floatDest)
            continue;
        const double* src = channel.scratch.data();
        float* dst = channel.floatDest;
        if (accumulate) {
            for (std::size_t i = 0; i < n; ++i)
                dst[i] += static_cast<float>(src[i]);
        } else {
            for (std::size_t i = 0; i < n; ++i)
                dst[i] = static_cast<float>(src[i]);
        }
    }
}

void IPlugVST::ProcessDouble(double** in, double** out, VstInt32 frames)
{
    ILockGuard lock(Lock());
    if (!PrepareBlock(frames))
        return;

    int next = 0;
    for (IChannel& channel : inputs) {
        if (!channel.connected)
            continue;
        double* src = in ? in[next] : nullptr;
        ++next;
        if (!src) {
            std::fill(channel.scratch.begin(), channel.scratch.begin() + frames, 0.0);
            src = channel.scratch.data();
        }
        *channel.pointerSlot = src;
    }
    next = 0;
    for (IChannel& channel : outputs) {
        if (!channel.connected)
            continue;
        double* dst = out ? out[next] : nullptr;
        ++next;
        *channel.pointerSlot = dst ? dst : channel.scratch.data();
    }

    if (paramsReady) {
        RenderBlock(inputPointers.data(), outputPointers.data(), frames);
    } else {
        // Nothing renders yet; leave silence rather than whatever the host's buffers held.
        for (IChannel& channel : outputs)
            if (channel.connected)
                std::fill(*channel.pointerSlot, *channel.pointerSlot + frames, 0.0);
    }
}

// ---- parameters ---------------------------------------------------------------------------

void IPlugVST::SetParameter(VstInt32 index, float value)
{
    ILockGuard lock(Lock());
    IParameter* param = GetParam(index);
    if (!param)
        return;
    const double before = param->PlainValue();
    try {
        if (editor)
            editor->ShowParamValue(index, value, true);
        param->SetNormalised(value);
        HostParamChanged(index, value);
    } catch (...) {
        param->SetPlainValue(before); // the value the plug-in last applied
        throw;
    }
}

float IPlugVST::GetParameter(VstInt32 index)
{
    ILockGuard lock(Lock());
    const IParameter* param = GetParam(index);
    return param ? static_cast<float>(param->Normalised()) : 0.0f;
}
