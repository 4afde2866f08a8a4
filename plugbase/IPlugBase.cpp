#include "plugbase/IPlugBase.h"

#include "editor/IEditorSurface.h"

#include <algorithm>
#include <initializer_list>
#include <cstdio>
#include <cstring>

namespace {

// Per thread, not per object: a thread inside any DeferredMessages scope may still hold
// some plug-in's lock.
thread_local int deferredDepth = 0;

} // namespace

IPlugBase::IPlugBase(int paramCount, const char* channelConfig, int presetCount,
                     const char* newEffectName, const char* newProductName,
                     const char* newVendorName, int packedVersion, int newUniqueId,
                     int newLatency, int newMidiMode, bool newDoesChunks, bool newIsInstrument)
    : uniqueId(newUniqueId),
      version(packedVersion),
      doesChunks(newDoesChunks),
      isInstrument(newIsInstrument),
      midiMode(newMidiMode),
      latency(newLatency)
{
    CopyText(effectName, newEffectName, sizeof effectName);
    CopyText(productName, newProductName, sizeof productName);
    CopyText(vendorName, newVendorName, sizeof vendorName);

    ParseChannelConfig(channelConfig);

    params.reserve(static_cast<std::size_t>(std::max(paramCount, 0)));
    for (int i = 0; i < paramCount; ++i)
        params.push_back(std::make_unique<IParameter>());

    presets.reserve(static_cast<std::size_t>(std::max(presetCount, 0)));
    for (int i = 0; i < presetCount; ++i) {
        auto preset = std::make_unique<IPresetEntry>();
        std::snprintf(preset->name, sizeof preset->name, "- %d -", i + 1);
        presets.push_back(std::move(preset));
    }
}

IPlugBase::~IPlugBase()
{
    // The editor's controls hold references into the plug-in; delete it before the rest.
    delete editor;
    editor = nullptr;
}

void IPlugBase::ParseChannelConfig(const char* config)
{
    int maxIn = 0;
    int maxOut = 0;
    const char* p = config ? config : "";
    while (*p) {
        int in = 0;
        int out = 0;
        if (std::sscanf(p, "%d-%d", &in, &out) == 2) {
            channelConfigs.emplace_back(in, out);
            maxIn = std::max(maxIn, in);
            maxOut = std::max(maxOut, out);
        }
        const char* blank = std::strchr(p, ' ');
        if (!blank)
            break;
        p = blank + 1;
    }

    inputs.resize(static_cast<std::size_t>(maxIn));
    outputs.resize(static_cast<std::size_t>(maxOut));
    inputPointers.assign(inputs.size(), nullptr);
    outputPointers.assign(outputs.size(), nullptr);
    for (std::size_t i = 0; i < inputs.size(); ++i)
        inputs[i].pointerSlot = &inputPointers[i];
    for (std::size_t i = 0; i < outputs.size(); ++i)
        outputs[i].pointerSlot = &outputPointers[i];
}

bool IPlugBase::HasMonoInputConfig() const
{
    return std::any_of(channelConfigs.begin(), channelConfigs.end(),
                       [](const std::pair<int, int>& c) { return c.first == 1; });
}

void IPlugBase::ResetProcessing()
{
    ILockGuard lock(objectLock);
}

void IPlugBase::ReloadSlot(int) {}

void IPlugBase::ParamChanged(int) {}

void IPlugBase::HostParamChanged(int index, double)
{
    ILockGuard lock(objectLock);
    ParamChanged(index);
}

void IPlugBase::RenderBlock(double** in, double** out, int frames)
{
    const int shared = std::min(InputCount(), OutputCount());
    for (int c = 0; c < OutputCount(); ++c) {
        if (c < shared)
            std::memmove(out[c], in[c], sizeof(double) * static_cast<std::size_t>(frames));
        else
            std::fill(out[c], out[c] + frames, 0.0);
    }
}

bool IPlugBase::GetMidiKeyName(int, char* name)
{
    if (name)
        name[0] = '\0';
    return false;
}

bool IPlugBase::SaveState(IChunk& chunk)
{
    return SaveParams(chunk);
}

int IPlugBase::LoadState(const IChunk& chunk, int pos)
{
    return LoadParams(chunk, pos);
}

void IPlugBase::BeginParamEdit(int)
{
    FinishWheelEdit();
}

void IPlugBase::BeginWheelEdit(int index)
{
    ILockGuard lock(objectLock);
    // A wheel gesture on the same parameter is still open; a new one ends the last first.
    // Telling the host is the adapter's part (it replaces this operation).
    if (index != wheelEditParam)
        FinishWheelEdit();
}

void IPlugBase::GetTimeSignature(int* num, int* den)
{
    if (num)
        *num = 0;
    if (den)
        *den = 0;
}

void IPlugBase::AttachEditor(IEditorSurface* graphics)
{
    if (!graphics)
        return;
    ILockGuard lock(objectLock);
    for (int i = 0; i < ParamCount(); ++i)
        graphics->ShowParamValue(i, params[i]->Normalised(), true);
    graphics->PrepareCanvas();
    editor = graphics;
}

void IPlugBase::SetBlockFrames(int frames)
{
    if (frames == blockFrames || frames < 0)
        return;
    // The pointer entries of disconnected channels must follow their buffers wherever
    // these move, also when growing them fails halfway.
    const auto repoint = [this] {
        for (std::vector<IChannel>* list : {&inputs, &outputs})
            for (IChannel& channel : *list)
                if (!channel.connected)
                    *channel.pointerSlot = channel.scratch.data();
    };
    const auto n = static_cast<std::size_t>(frames);
    // Room for every buffer first: should an allocation fail, each channel keeps its
    // length and contents, and the block length stays.
    try {
        for (std::vector<IChannel>* list : {&inputs, &outputs})
            for (IChannel& channel : *list)
                channel.scratch.reserve(n);
    } catch (...) {
        repoint();
        throw;
    }
    for (std::vector<IChannel>* list : {&inputs, &outputs})
        for (IChannel& channel : *list)
            channel.scratch.assign(n, 0.0);
    repoint();
    blockFrames = frames;
}

bool IPlugBase::SendMidiEvents(const std::vector<IMidiEvent>& events)
{
    bool all = true;
    for (const IMidiEvent& event : events)
        all = SendMidiEvent(event) && all;
    return all;
}

void IPlugBase::SetParamFromEditor(int index, double normalised)
{
    ILockGuard lock(objectLock);
    IParameter* param = GetParam(index);
    if (!param)
        return;
    param->SetNormalised(normalised);
    SendParamValue(index, normalised);
    ParamChanged(index);
}

void IPlugBase::PushParamsToEditor()
{
    ILockGuard lock(objectLock);
    if (!editor)
        return;
    for (int i = 0; i < ParamCount(); ++i)
        editor->ShowParamValue(i, params[i]->PlainValue(), false);
}

void IPlugBase::ResetAllParams()
{
    ILockGuard lock(objectLock);
    for (int i = 0; i < ParamCount(); ++i)
        ParamChanged(i);
}

void IPlugBase::ScheduleWheelEditEnd(int index)
{
    ILockGuard lock(objectLock);
    if (editor) {
        wheelEditParam = index;
        editor->SetWheelCountdown(std::max(1, editor->FrameRate() / 2));
    } else {
        EndParamEdit(index);
    }
}

void IPlugBase::FinishWheelEdit()
{
    ILockGuard lock(objectLock);
    if (editor)
        editor->SetWheelCountdown(0);
    if (wheelEditParam >= 0) {
        const int index = wheelEditParam;
        wheelEditParam = -1;
        EndParamEdit(index);
    }
}

char* IPlugBase::StateTextAt(int index)
{
    if (index < 0 || index >= StateTextCount())
        return nullptr;
    return stateStrings[static_cast<std::size_t>(index)].text;
}

void IPlugBase::CreateStateTexts(int count)
{
    ILockGuard lock(objectLock);
    stateStrings.assign(static_cast<std::size_t>(std::max(count, 0)), StateText{});
    for (StateText& entry : stateStrings)
        CopyText(entry.text, "0", sizeof entry.text);
}

int IPlugBase::DecimalVersion() const
{
    return (version >> 16) * 10000 + ((version >> 8) & 0xFF) * 100 + (version & 0xFF);
}

void IPlugBase::VersionText(char* out, int size) const
{
    if (out && size > 0)
        std::snprintf(out, static_cast<std::size_t>(size), "v%d.%02d", version >> 16,
                      (version >> 8) & 0xFF);
}

void IPlugBase::ConnectChannels(std::vector<IChannel>& list, int start, int count, bool connect)
{
    const int size = static_cast<int>(list.size());
    const int first = std::max(start, 0);
    const int end = std::min(size, start + std::max(count, 0));
    for (int i = first; i < end; ++i) {
        IChannel& channel = list[static_cast<std::size_t>(i)];
        channel.connected = connect;
        if (!connect)
            *channel.pointerSlot = channel.scratch.data();
    }
}

void IPlugBase::ConnectInputs(int start, int count, bool connect)
{
    ConnectChannels(inputs, start, count, connect);
}

void IPlugBase::ConnectOutputs(int start, int count, bool connect)
{
    ConnectChannels(outputs, start, count, connect);
}

IPlugBase::DeferredMessages::DeferredMessages(IPlugBase* owner) : plug(owner)
{
    ++deferredDepth;
}

IPlugBase::DeferredMessages::~DeferredMessages()
{
    try {
        if (--deferredDepth == 0 && plug)
            plug->DeliverDeferredMessages();
    } catch (...) {
        // A destructor may run while an exception unwinds; a second one would end the
        // process. Messages that cannot be shown are dropped.
    }
}

void IPlugBase::DeliverDeferredMessages()
{
    if (editor)
        editor->DeliverWarnings();
}
