// The dispatcher: every opcode the host sends through AEffect::dispatcher, under the
// object lock for the whole call.
#include "plugbase/IPlugVST.h"

#include "editor/IEditorSurface.h"
#include "plugbase/EditorPictureRequest.h"
#include "plugbase/VstKeyCode.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

constexpr VstIntPtr kIdentifyAnswer = 0x4E764566; // 'NvEf'
constexpr VstIntPtr kVendorHandled = 0xBEEF;
constexpr VstIntPtr kCockosAnswer = 0xBEEF0000;
constexpr VstInt32 kVendorSlotPath = 56;
constexpr VstInt32 kVendorSlotFailure = 57;
constexpr VstInt32 kVendorStateVersion = 58;
constexpr VstInt32 kVendorDisplayCount = 8;
constexpr VstInt32 kVendorWheelIndex = 0x73744341; // 'stCA'
constexpr VstIntPtr kVendorWheelValue = 0x57686565; // 'Whee'
// The display scale some hosts announce before opening the editor, carried in opt.
constexpr VstInt32 kVendorScaleIndex = 0x50726553; // 'PreS'
constexpr VstIntPtr kVendorScaleValue = 0x41654373; // 'AeCs'
// Larger blocks than this are a host bug, not a setting; they would cost gigabytes.
constexpr VstIntPtr kMaxBlockFrames = 1 << 22;

// Copies a whole text, terminator included: the interface gives us no buffer size.
void CopyWhole(void* ptr, const char* text)
{
    std::memcpy(ptr, text, std::strlen(text) + 1);
}

bool Matches(const char* a, const char* b)
{
    return std::strcmp(a, b) == 0;
}

} // namespace

VstIntPtr IPlugVST::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                             float opt)
{
    // Opcodes that load sample files, or save what a load changes, wait here for loads in
    // progress on other threads, before the object lock: the order every load keeps.
    std::unique_lock<std::recursive_mutex> loads(LoadLock(), std::defer_lock);
    if (opcode == effSetProgram || opcode == effSetProgramName || opcode == effGetChunk
        || opcode == effSetChunk || (opcode == effVendorSpecific && index == kVendorSlotPath))
        loads.lock();
    std::unique_lock<std::recursive_mutex> lock(Lock());
    IParameter* param = GetParam(index);
    char* text = static_cast<char*>(ptr);

    switch (opcode) {
    case effOpen:
        HostSpecificSetup();
        ResetAllParams();
        return 0;
    case effClose:
        try {
            BeforeClose();
        } catch (...) {
            // The host lets go of the plug-in whatever happens; it must still be deleted.
        }
        lock.unlock();
        delete this;
        return 0;
    case effSetProgram: {
        std::vector<SlotFile> files;
        bool recalled = false;
        {
            SlotFileQueue queue(*this, files);
            StoreCurrentPreset(nullptr);
            recalled
                = RecallPreset(value >= 0 && value < PresetCount() ? static_cast<int>(value) : -1);
        }
        RestoreQueuedFiles(lock, files, recalled);
        return 0;
    }
    case effGetProgram:
        return CurrentPreset();
    case effSetProgramName:
        if (text)
            StoreCurrentPreset(text);
        return 0;
    case effGetProgramName:
        if (text)
            CopyWhole(text, PresetName(CurrentPreset()));
        return 0;
    case effGetParamLabel:
        if (param && text)
            CopyWhole(text, param->ParamLabel());
        return 0;
    case effGetParamDisplay:
        if (param && text)
            param->DisplayText(param->PlainValue(), false, text);
        return 0;
    case effGetParamName:
        if (param && text)
            CopyWhole(text, param->ParamName());
        return 0;
    case effGetParameterProperties:
        return param && ptr ? ParamProperties(index, static_cast<VstParameterProperties*>(ptr)) : 0;
    case effSetSampleRate:
        // A rate that is not a positive number would turn every step infinite; keep the old.
        if (std::isfinite(opt) && opt > 0.0f)
            sampleRate = opt;
        ResetProcessing();
        return 0;
    case effSetBlockSize:
        if (value >= 0 && value <= kMaxBlockFrames)
            SetBlockFrames(static_cast<int>(value));
        ResetProcessing();
        return 0;
    case effMainsChanged:
        if (value == 0) {
            SetActive(false);
            ResetProcessing();
        } else {
            SetActive(true);
            ProcessingSwitchedOn();
        }
        return 0;
    case effEditGetRect:
        if (text && editor) {
            // The window's size follows the scale it opened at, or will open at.
            UpdateEditRect();
            *static_cast<ERect**>(ptr) = &editRect;
            return 1;
        }
        return 0;
    case effEditOpen:
        if (editor && editor->OpenWindow(ptr)) {
            EditorOpened();
            return 1;
        }
        return 0;
    case effEditClose:
        if (!editor)
            return 0;
        EditorClosing();
        editor->CloseWindow();
        return 1;
    case effEditIdle:
        // A window layer paints from here; the controls take the lock for what they read
        // or change, so the audio thread never waits for a whole paint.
        lock.unlock();
        if (editor)
            editor->Idle();
        return 0;
    case effEditKeyDown: {
        // Hosts that keep the keyboard focus pass keys on; an answer of 0 tells them the
        // key is theirs to use.
        const int key = editor ? VstKeyCode(index, static_cast<int>(value)) : -1;
        int x = 0;
        int y = 0;
        if (key < 0 || !editor->PointerAt(x, y))
            return 0;
        editor->KeyDown(x, y, key);
        return 1;
    }
    case effIdentify:
        return kIdentifyAnswer;
    case effGetChunk:
        return GetChunk(index == 0, ptr);
    case effSetChunk:
        return SetChunk(index == 0, value, ptr, lock);
    case effProcessEvents:
        if (!ptr)
            return 0;
        ProcessEvents(static_cast<const VstEvents*>(ptr));
        return 1;
    case effCanBeAutomated:
        return 1;
    case effString2Parameter:
        if (!param)
            return 0;
        if (text) {
            const double v = param->TextToValue(text);
            if (editor)
                editor->ShowParamValue(index, v, false);
            param->SetClampedValue(v);
            ParamChanged(index);
        }
        return 1;
    case effGetProgramNameIndexed:
        if (!text)
            return 0;
        CopyWhole(text, PresetName(index));
        return text[0] ? 1 : 0;
    case effGetInputProperties:
        return PinProperties(true, index, ptr);
    case effGetOutputProperties:
        return PinProperties(false, index, ptr);
    case effGetPlugCategory:
        return IsInstrument() ? kPlugCategSynth : kPlugCategEffect;
    case effSetSpeakerArrangement:
        ConnectToArrangement(reinterpret_cast<const VstSpeakerArrangement*>(value), true);
        ConnectToArrangement(static_cast<const VstSpeakerArrangement*>(ptr), false);
        return 1;
    case effSetBypass:
        SetActive(value == 0);
        return 0;
    case effGetEffectName:
        if (!text)
            return 0;
        CopyWhole(text, EffectName());
        return 1;
    case effGetVendorString:
        if (!text)
            return 0;
        CopyWhole(text, VendorName());
        return 1;
    case effGetProductString:
        if (!text)
            return 0;
        CopyWhole(text, ProductName());
        return 1;
    case effGetVendorVersion:
        return DecimalVersion();
    case effVendorSpecific:
        // A file given to a slot is decoded without the object lock; the load takes it
        // only to swap the sample in.
        if (index == kVendorSlotPath && text && text[0])
            lock.unlock();
        return VendorSpecific(index, value, ptr, opt);
    case effCanDo:
        return CanDo(text);
    case effGetVstVersion:
        return 2400;
    case effGetMidiProgramName:
    case effGetCurrentMidiProgram:
    case effGetMidiProgramCategory:
    case effHasMidiProgramsChanged:
    case effBeginSetProgram:
    case effEndSetProgram:
    case effStartProcess:
        SetActive(true);
        return 0;
    case effGetMidiKeyName: {
        if (!ptr)
            return 0;
        auto* key = static_cast<MidiKeyName*>(ptr);
        key->keyName[0] = '\0';
        return GetMidiKeyName(key->thisKeyNumber, key->keyName) ? 1 : 0;
    }
    case effGetSpeakerArrangement:
        if (value)
            *reinterpret_cast<VstSpeakerArrangement**>(value) = &inputArrangement;
        if (ptr)
            *static_cast<VstSpeakerArrangement**>(ptr) = &outputArrangement;
        return 1;
    case effStopProcess:
        SetActive(false);
        return 0;
    default:
        return 0;
    }
}

VstIntPtr IPlugVST::VendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    char* text = static_cast<char*>(ptr);
    IParameter* param = (value >= 0 && value < ParamCount()) ? GetParam(static_cast<int>(value))
                                                             : nullptr;
    switch (index) {
    case effGetParamDisplay:
        if (!text)
            return 0;
        if (param)
            param->DisplayText(opt, true, text);
        return kVendorHandled;
    case kVendorDisplayCount:
        if (!param)
            return 0;
        if (param->Kind() == ParamKind::Integer || param->Kind() == ParamKind::Real)
            return 0;
        if (ptr) {
            const std::int32_t count = param->DisplayTextCount();
            std::memcpy(ptr, &count, sizeof count);
        }
        return kVendorHandled;
    case effString2Parameter:
        if (!param || !text)
            return 0;
        if (text[0]) {
            const double normalised = param->ToNormalised(param->TextToValue(text));
            // Always a point as separator, whatever locale the host runs under.
            char number[40];
            auto result = std::to_chars(number, number + sizeof number - 1, normalised,
                                        std::chars_format::fixed, 17);
            *result.ptr = '\0';
            CopyWhole(text, number);
        }
        return kVendorHandled;
    case kVendorSlotPath: {
        if (value < 0 || value >= StateTextCount() || !text)
            return 0;
        const int slot = static_cast<int>(value);
        if (text[0])
            LoadSlotFile(slot, text);
        else
            CopyWhole(text, StateTextAt(slot));
        return kVendorHandled;
    }
    case kVendorSlotFailure: {
        if (value < 0 || value >= StateTextCount() || !text)
            return 0;
        // The caller's buffer holds a stored path's worth; a longer reason is cut there.
        const char* reason = SlotLoadFailure(static_cast<int>(value));
        std::snprintf(text, kStateTextSize, "%s", reason ? reason : "");
        return kVendorHandled;
    }
    case kVendorStateVersion:
        StateVersionSeen(static_cast<int>(value));
        return 0;
    case kVendorEditorPicture: {
        // ptr: the caller's record of the editor's width and height and a buffer of width x
        // height ARGB words (plugbase/EditorPictureRequest.h); only quellorn-host sends it.
        const auto* request = static_cast<const EditorPictureRequest*>(ptr);
        if (!editor || !request)
            return 0;
        return editor->PaintPicture(request->width, request->height, request->pixels)
                   ? kVendorHandled
                   : 0;
    }
    case kVendorScaleIndex:
        if (value != kVendorScaleValue || !editor)
            return 0;
        editor->SetHostScale(opt);
        return 1;
    case kVendorWheelIndex:
        if (value != kVendorWheelValue || !editor)
            return 0;
        return editor->HandleWheel(opt);
    default:
        return 0;
    }
}

VstIntPtr IPlugVST::ParamProperties(VstInt32 index, VstParameterProperties* out)
{
    IParamPresentation presentation;
    if (!GetParamPresentation(index, presentation))
        return 0;
    *out = VstParameterProperties{};
    CopyText(out->label, presentation.label, sizeof out->label);
    CopyText(out->shortLabel, presentation.shortLabel, sizeof out->shortLabel);
    if (presentation.isSwitch)
        out->flags |= kVstParameterIsSwitch;
    if (presentation.category > 0) {
        out->flags |= kVstParameterSupportsDisplayCategory;
        out->category = static_cast<VstInt16>(presentation.category);
        out->numParametersInCategory = static_cast<VstInt16>(presentation.categoryCount);
        CopyText(out->categoryLabel, presentation.categoryLabel, sizeof out->categoryLabel);
    }
    return 1;
}

VstIntPtr IPlugVST::CanDo(const char* text) const
{
    if (!text)
        return 0;
    if (Matches(text, "receiveVstTimeInfo"))
        return 1;
    const int mode = MidiModeValue();
    if ((mode == kMidiInOut || mode == kMidiOutOnly) &&
        (Matches(text, "sendVstEvents") || Matches(text, "sendVstMidiEvent")))
        return 1;
    if ((mode == kMidiInOut || mode == kMidiInOnly) &&
        (Matches(text, "receiveVstEvents") || Matches(text, "receiveVstMidiEvent")))
        return 1;
    if (Matches(text, "hasCockosExtensions") || Matches(text, "hasCockosViewAsConfig"))
        return kCockosAnswer;
    return 0;
}

VstIntPtr IPlugVST::GetChunk(bool bank, void* ptr)
{
    if (!ptr)
        return 0;
    IChunk& chunk = bank ? bankChunk : programChunk;
    chunk.Clear();
    chunk.AppendInt32(DecimalVersion());
    if (bank)
        StoreCurrentPreset(nullptr);
    if (SaveState(chunk) && chunk.Size() > 0) {
        *static_cast<void**>(ptr) = chunk.Data();
        return chunk.Size();
    }
    return 0;
}

VstIntPtr IPlugVST::SetChunk(bool bank, VstIntPtr size, const void* data,
                             std::unique_lock<std::recursive_mutex>& lock)
{
    // A negative or absurd size cannot describe a chunk we wrote; take nothing from it.
    if (!data || size < 0 || size > 0x7FFFFFFF)
        return 0;
    IChunk& chunk = bank ? bankChunk : programChunk;
    chunk.Resize(static_cast<int>(size));
    if (size > 0)
        std::memcpy(chunk.Data(), data, static_cast<std::size_t>(size));

    std::int32_t version = 0;
    int pos = -1;
    if (chunk.ReadInt32(0, &version))
        pos = 4;
    else
        version = 0;
    StateVersionSeen(version);
    std::vector<SlotFile> files;
    int result = -1;
    {
        SlotFileQueue queue(*this, files);
        result = LoadState(chunk, pos);
    }
    RestoreQueuedFiles(lock, files, false);
    if (result >= 0) {
        PushParamsToEditor();
        return 1;
    }
    return 0;
}

void IPlugVST::RestoreQueuedFiles(std::unique_lock<std::recursive_mutex>& lock,
                                  const std::vector<SlotFile>& files, bool showParams)
{
    if (files.empty())
        return;
    // The values are applied; the files are decoded with the object lock let go, so the
    // audio thread waits only while each sample is swapped in. The load lock, held since
    // the dispatcher took it, keeps other loads out meanwhile.
    lock.unlock();
    RestoreSlotFiles(files);
    lock.lock();
    // An instrument file among them may have set parameters.
    if (showParams)
        PushParamsToEditor();
}

void IPlugVST::ProcessEvents(const VstEvents* events)
{
    VstEvent* const* entries = EventEntries(events);
    for (VstInt32 i = 0; i < events->numEvents; ++i) {
        const VstEvent* event = entries[i];
        if (!event)
            continue;
        if (event->type == kVstMidiType) {
            const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
            IMidiEvent message;
            message.offset = midi->deltaFrames;
            message.status = static_cast<unsigned char>(midi->midiData[0]);
            message.data1 = static_cast<unsigned char>(midi->midiData[1]);
            message.data2 = static_cast<unsigned char>(midi->midiData[2]);
            HandleMidiEvent(message);
        } else if (event->type == kVstSysExType) {
            const auto* sysex = reinterpret_cast<const VstMidiSysexEvent*>(event);
            ISysExEvent message;
            message.offset = sysex->deltaFrames;
            message.size = sysex->dumpBytes;
            message.data = reinterpret_cast<const unsigned char*>(sysex->sysexDump);
            HandleSysEx(message);
        }
    }
}

VstIntPtr IPlugVST::PinProperties(bool input, VstInt32 index, void* ptr)
{
    const int count = input ? InputCount() : OutputCount();
    if (index < 0 || index >= count || !ptr)
        return 0;
    auto* pin = static_cast<VstPinProperties*>(ptr);
    pin->flags = kVstPinIsActive;
    if (index % 2 == 0 && index < count - 1)
        pin->flags |= kVstPinIsStereo;
    std::snprintf(pin->label, sizeof pin->label, input ? "Input %d" : "Output %d", index + 1);
    return 1;
}

void IPlugVST::ConnectToArrangement(const VstSpeakerArrangement* arrangement, bool input)
{
    if (!arrangement)
        return;
    const int n = std::max(0, arrangement->numChannels);
    if (input) {
        ConnectInputs(0, n, true);
        ConnectInputs(n, InputCount() - n, false);
    } else {
        ConnectOutputs(0, n, true);
        ConnectOutputs(n, OutputCount() - n, false);
    }
}
