// The host-sequence entry: a plug-in instance driven by host calls decoded from the input,
// one after the other, as a host that does everything the interface allows might send
// them. Pointers are always valid: zeroed buffers of kBufferBytes, or structures built
// from the input, or null where the interface allows null. effClose comes only at the
// end, effEditOpen only with a null window.
//
// The input: one byte of setup (bit 0 set: no opening calls; bits 1-3: which product the
// host names), then operations, each an operation byte and its own fields. Fields past
// the input's end read as zero.
#include "engine/EngineConfig.h"
#include "engine/Quellorn.h"
#include "fuzz/FuzzEntries.h"
#include "fuzz/FuzzSupport.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

namespace QuellornFuzz {

namespace {

constexpr std::size_t kBufferBytes = 4096;
// Longest block the host plays, whatever block size it announced; keeps one input fast.
constexpr VstInt32 kMaxFrames = 16384;
constexpr int kMaxOperations = 4000;
constexpr VstInt32 kVendorSlotPath = 56;
constexpr VstInt32 kVendorStateVersion = 58;
constexpr VstInt32 kVendorDisplayCount = 8;
constexpr VstInt32 kVendorWheelIndex = 0x73744341; // 'stCA'
constexpr VstIntPtr kVendorWheelValue = 0x57686565; // 'Whee'
constexpr VstIntPtr kLargestBlockSize = 1 << 22;

const char* const kProducts[8] = {
    "Quellorn Fuzz Host", "REAPER", "Forte", "Adobe Audition",
    "Orion", "SAWStudio", "Cubase", "",
};

enum Operation : std::uint8_t {
    kOpDispatch,
    kOpDispatchToo,
    kOpSetParameter,
    kOpGetParameter,
    kOpEvents,
    kOpProgram,
    kOpLoadSlot,
    kOpProcess,
    kOpProcessToo,
    kOpClock,
    kOpTimeInfo,
    kOpSetChunk,
    kOpGetChunk,
    kOpRateOrBlock,
    kOpArrangement,
    kOpVendor,
    kOpCount,
};

class Sequence {
public:
    Sequence(const std::uint8_t* data, std::size_t size) : in(data, size) {}
    std::string Run();

private:
    // ---- values -------------------------------------------------------------------------
    // Mostly small numbers around the valid indices; 0xFF brings any 32-bit number.
    VstInt32 Index();
    VstIntPtr Value();
    float Float();
    double StateDouble();
    VstInt32 Offset();
    std::string Text();
    const std::string& FileName();
    char* Buffer();
    char* TextBuffer(const std::string& text);

    // ---- operations ---------------------------------------------------------------------
    void Dispatch();
    VstIntPtr Call(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    void SetParameter();
    void GetParameter();
    void Events();
    void LoadSlot();
    void Process();
    void Clock();
    void TimeInfo();
    void SetChunk();
    void GetChunk();
    void RateOrBlock();
    void SetArrangement();
    void GetArrangement();
    void EditRect();
    void KeyName();
    void Vendor();

    void Fail(const std::string& text)
    {
        if (report.empty())
            report = text;
    }

    ByteReader in;
    FuzzHost* host = nullptr;
    AEffect* effect = nullptr;
    VstInt32 blockSize = 1024; // what the plug-in makes room for before a host says
    int connectedOutputs = 2;
    std::vector<char> buffer;
    std::string report;
};

// ---- values ---------------------------------------------------------------------------------

VstInt32 Sequence::Index()
{
    const std::uint8_t b = in.U8();
    if (b == 0xFF)
        return static_cast<VstInt32>(in.U32());
    return static_cast<VstInt32>(b) - 16;
}

VstIntPtr Sequence::Value()
{
    const std::uint8_t b = in.U8();
    if (b == 0xFF)
        return static_cast<VstIntPtr>(in.U64());
    if (b == 0xFE)
        return static_cast<VstIntPtr>(static_cast<VstInt32>(in.U32()));
    return static_cast<VstIntPtr>(b) - 16;
}

float Sequence::Float()
{
    static const float kSpecial[] = {
        0.0f, 1.0f, 0.5f, -1.0f, 2.0f,
        std::numeric_limits<float>::quiet_NaN(),
        std::numeric_limits<float>::infinity(),
        -std::numeric_limits<float>::infinity(),
        std::numeric_limits<float>::denorm_min(),
        1e30f, -0.0f, 0.999999f, 1e-7f, 44100.0f, -1e30f, 0.25f,
    };
    const std::uint8_t b = in.U8();
    if (b < 16)
        return kSpecial[b];
    if (b >= 0xF0)
        return in.RawFloat();
    return static_cast<float>(b - 16) / 200.0f;
}

double Sequence::StateDouble()
{
    static const double kSpecial[] = {
        0.0, 1.0, 0.5, -1.0, 12.0, 60.0, 127.0, 16.0, 1e300,
        std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(),
        -0.0, 48.0, 24.0, -48.0,
    };
    const std::uint8_t b = in.U8();
    if (b < 16)
        return kSpecial[b];
    if (b == 0xFF)
        return in.RawDouble();
    return static_cast<double>(b) - 100.0;
}

VstInt32 Sequence::Offset()
{
    const std::uint8_t b = in.U8();
    if (b == 0xFF)
        return static_cast<VstInt32>(in.U32());
    return static_cast<VstInt32>(b) * 2;
}

std::string Sequence::Text()
{
    const std::vector<std::uint8_t> bytes = in.Bytes(in.U8());
    return std::string(bytes.begin(), bytes.end());
}

const std::string& Sequence::FileName()
{
    const std::vector<std::string>& names = SampleFolder::Names();
    return names[in.U8() % names.size()];
}

char* Sequence::Buffer()
{
    std::fill(buffer.begin(), buffer.end(), '\0');
    return buffer.data();
}

// The text and its terminator at the start of a zeroed buffer; a text with a zero byte
// inside ends there, as it would for the plug-in.
char* Sequence::TextBuffer(const std::string& text)
{
    char* out = Buffer();
    std::memcpy(out, text.data(), std::min(text.size(), kBufferBytes - 1));
    return out;
}

// ---- operations -----------------------------------------------------------------------------

VstIntPtr Sequence::Call(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    const VstIntPtr result = host->Dispatch(opcode, index, value, ptr, opt);
    if (opcode == effSetBlockSize && value >= 0 && value <= kLargestBlockSize)
        blockSize = static_cast<VstInt32>(value);
    return result;
}

void Sequence::Dispatch()
{
    const VstInt32 opcode = in.U8() % 80;
    switch (opcode) {
    case effClose:
        return; // only at the end
    case effEditGetRect:
        return EditRect();
    case effGetChunk:
        return GetChunk();
    case effSetChunk:
        return SetChunk();
    case effProcessEvents:
        return Events();
    case effSetSpeakerArrangement:
        return SetArrangement();
    case effVendorSpecific:
        return Vendor();
    case effGetMidiKeyName:
        return KeyName();
    case effGetSpeakerArrangement:
        return GetArrangement();
    default:
        break;
    }
    const VstInt32 index = Index();
    const VstIntPtr value = Value();
    const float opt = Float();
    void* ptr = nullptr;
    switch (in.U8() % 3) {
    case 1:
        ptr = Buffer();
        break;
    case 2:
        ptr = TextBuffer(Text());
        break;
    default:
        break;
    }
    if (opcode == effEditOpen)
        ptr = nullptr; // no window to open in
    Call(opcode, index, value, ptr, opt);
    if (ptr && static_cast<char*>(ptr)[kBufferBytes - 1] != '\0')
        Fail("opcode " + std::to_string(opcode) + " wrote to the end of a " +
             std::to_string(kBufferBytes) + "-byte buffer");
}

void Sequence::SetParameter()
{
    const VstInt32 index = Index();
    effect->setParameter(effect, index, Float());
}

void Sequence::GetParameter()
{
    const VstInt32 index = Index();
    const float v = effect->getParameter(effect, index);
    if (!(v >= 0.0f && v <= 1.0f))
        Fail("getParameter(" + std::to_string(index) + ") gave " + std::to_string(v));
}

void Sequence::Events()
{
    const int n = in.U8() % 9;
    std::vector<VstMidiEvent> midi(static_cast<std::size_t>(n));
    std::vector<VstMidiSysexEvent> sysex(static_cast<std::size_t>(n));
    std::vector<VstEvent> other(static_cast<std::size_t>(n));
    std::vector<std::vector<char>> dumps(static_cast<std::size_t>(n));
    std::vector<unsigned char> listBytes(sizeof(VstEvents) + std::size_t(n) * sizeof(VstEvent*));
    auto* list = reinterpret_cast<VstEvents*>(listBytes.data());
    list->numEvents = n;
    for (std::size_t i = 0; i < std::size_t(n); ++i) {
        switch (in.U8() % 4) {
        case 0:
        case 1: {
            const bool note = in.U8() % 4 != 0;
            const std::uint8_t status = in.U8();
            midi[i].type = kVstMidiType;
            midi[i].byteSize = sizeof(VstMidiEvent);
            midi[i].midiData[0] = static_cast<char>(note ? 0x80 | (status & 0x1F) : status);
            midi[i].midiData[1] = static_cast<char>(in.U8());
            midi[i].midiData[2] = static_cast<char>(in.U8());
            midi[i].midiData[3] = static_cast<char>(in.U8());
            midi[i].deltaFrames = Offset();
            EventSlots(list)[i] = reinterpret_cast<VstEvent*>(&midi[i]);
            break;
        }
        case 2: {
            const std::vector<std::uint8_t> bytes = in.Bytes(in.U8() % 64);
            dumps[i].assign(bytes.begin(), bytes.end());
            dumps[i].push_back('\0'); // so an empty dump still has an address
            sysex[i].type = kVstSysExType;
            sysex[i].byteSize = sizeof(VstMidiSysexEvent);
            sysex[i].deltaFrames = Offset();
            sysex[i].dumpBytes = static_cast<VstInt32>(bytes.size());
            sysex[i].sysexDump = dumps[i].data();
            EventSlots(list)[i] = reinterpret_cast<VstEvent*>(&sysex[i]);
            break;
        }
        default: {
            // Any type but SysEx, whose record is longer than this one.
            const VstInt32 type = in.U8();
            other[i].type = type == kVstSysExType ? type + 1 : type;
            other[i].byteSize = sizeof(VstEvent);
            other[i].deltaFrames = Offset();
            const std::vector<std::uint8_t> bytes = in.Bytes(sizeof other[i].data);
            std::copy(bytes.begin(), bytes.end(), other[i].data);
            EventSlots(list)[i] = &other[i];
            break;
        }
        }
    }
    Call(effProcessEvents, 0, 0, list, 0.0f);
}

void Sequence::LoadSlot()
{
    const VstInt32 slot = Index();
    const std::string& name = FileName();
    Call(effVendorSpecific, kVendorSlotPath, slot, TextBuffer(name), 0.0f);
}

void Sequence::Process()
{
    const int mode = in.U8() % 3;
    const VstInt32 limit = std::min(blockSize, kMaxFrames);
    const VstInt32 frames = static_cast<VstInt32>(in.U16() % (std::uint32_t(limit) + 1));
    // Accumulating adds to what the host's buffers hold; the replacing calls must
    // overwrite it, so there it is NaN, which shows any frame left alone.
    const float held = static_cast<float>(static_cast<std::int8_t>(in.U8())) / 64.0f;
    const int outputs = std::max(effect->numOutputs, 0);
    const int inputs = std::max(effect->numInputs, 0);
    const std::size_t n = static_cast<std::size_t>(frames);
    const bool accumulate = mode == 1;
    const float fill = accumulate ? held : std::numeric_limits<float>::quiet_NaN();

    std::vector<std::vector<float>> inFloat(std::size_t(inputs), std::vector<float>(n, held));
    std::vector<std::vector<float>> outFloat;
    std::vector<std::vector<double>> inDouble;
    std::vector<std::vector<double>> outDouble;
    std::vector<float*> inPtrs;
    std::vector<float*> outPtrs;
    std::vector<double*> inDoublePtrs;
    std::vector<double*> outDoublePtrs;
    for (auto& channel : inFloat)
        inPtrs.push_back(channel.data());
    // An array even without inputs: hosts pass one.
    inPtrs.push_back(nullptr);
    inDoublePtrs.push_back(nullptr);

    if (mode == 2) {
        inDouble.assign(std::size_t(inputs), std::vector<double>(n, double(held)));
        outDouble.assign(std::size_t(outputs),
                         std::vector<double>(n, std::numeric_limits<double>::quiet_NaN()));
        inDoublePtrs.clear();
        for (auto& channel : inDouble)
            inDoublePtrs.push_back(channel.data());
        inDoublePtrs.push_back(nullptr);
        for (auto& channel : outDouble)
            outDoublePtrs.push_back(channel.data());
        outDoublePtrs.push_back(nullptr);
        effect->processDoubleReplacing(effect, inDoublePtrs.data(), outDoublePtrs.data(), frames);
    } else {
        outFloat.assign(std::size_t(outputs), std::vector<float>(n, fill));
        for (auto& channel : outFloat)
            outPtrs.push_back(channel.data());
        outPtrs.push_back(nullptr);
        if (accumulate)
            effect->process(effect, inPtrs.data(), outPtrs.data(), frames);
        else
            effect->processReplacing(effect, inPtrs.data(), outPtrs.data(), frames);
    }

    // Disconnected outputs are the host's business; the connected ones must all be
    // written, and with finite numbers: every file the sequence can load holds only those.
    const int checked = std::min(connectedOutputs, outputs);
    for (int c = 0; c < checked; ++c) {
        const bool finite = mode == 2 ? AllFinite(outDouble[std::size_t(c)].data(), n)
                                      : AllFinite(outFloat[std::size_t(c)].data(), n);
        if (!finite) {
            static const char* const kNames[] = {"processReplacing", "process",
                                                 "processDoubleReplacing"};
            Fail(std::string(kNames[mode]) + " of " + std::to_string(frames)
                 + " frames left output " + std::to_string(c)
                 + " with a frame that is not a finite number");
        }
    }
}

void Sequence::Clock()
{
    static const std::uint32_t kSteps[] = {0, 1, 100, 499, 500, 501, 1000, 100000,
                                           0x7FFFFFFFu, 0xFFFFFFFFu};
    const std::uint8_t b = in.U8();
    host->Advance(b < 10 ? kSteps[b] : b);
}

void Sequence::TimeInfo()
{
    static const VstInt32 kFlags[] = {
        kVstTransportPlaying | kVstTempoValid | kVstTimeSigValid,
        0,
        kVstTransportRecording,
        kVstTransportPlaying | kVstTransportChanged,
        kVstTempoValid,
        kVstTimeSigValid,
    };
    const std::uint8_t b = in.U8();
    VstTimeInfo& info = host->timeInfo;
    info.flags = b < 6 ? kFlags[b] : static_cast<VstInt32>(in.U32());
    host->answerTime = in.U8() != 0xFF;
    const std::uint8_t what = in.U8();
    if (what & 1)
        info.samplePos = (what & 2) ? in.RawDouble() : double(in.U32());
    if (what & 4)
        info.tempo = (what & 8) ? in.RawDouble() : double(in.U8());
    if (what & 16) {
        info.timeSigNumerator = Index();
        info.timeSigDenominator = Index();
    }
}

void Sequence::SetChunk()
{
    const VstInt32 index = in.U8() & 1;
    std::vector<std::uint8_t> bytes;
    auto appendInt = [&bytes](std::int32_t v) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(&v);
        bytes.insert(bytes.end(), p, p + sizeof v);
    };
    switch (in.U8() % 3) {
    case 0:
        bytes = in.Bytes(in.U16() % 4096);
        break;
    case 1: {
        static const std::int32_t kVersions[] = {10000, 0, -1, 9999, 20000, 10001};
        const std::uint8_t v = in.U8();
        appendInt(v < 6 ? kVersions[v] : static_cast<std::int32_t>(in.U32()));
        const int params = in.U8() % 40;
        for (int i = 0; i < params; ++i) {
            const double d = StateDouble();
            const auto* p = reinterpret_cast<const std::uint8_t*>(&d);
            bytes.insert(bytes.end(), p, p + sizeof d);
        }
        const int texts = in.U8() % 5;
        for (int i = 0; i < texts; ++i) {
            const std::uint8_t kind = in.U8();
            std::string text;
            if (kind == 0xFF) {
                // A length that need not match the characters after it.
                appendInt(static_cast<std::int32_t>(in.U32()));
                const std::vector<std::uint8_t> raw = in.Bytes(in.U8());
                bytes.insert(bytes.end(), raw.begin(), raw.end());
                continue;
            }
            text = kind == 0xFE ? Text() : SampleFolder::Names()[kind % SampleFolder::Names().size()];
            appendInt(static_cast<std::int32_t>(text.size()));
            bytes.insert(bytes.end(), text.begin(), text.end());
        }
        break;
    }
    default:
        break; // an empty chunk
    }
    host->SetChunk(index != 0, bytes);
}

void Sequence::GetChunk()
{
    const VstInt32 index = Index();
    if (in.U8() % 8 == 0) {
        Call(effGetChunk, index, 0, nullptr, 0.0f);
        return;
    }
    void* data = nullptr;
    const VstIntPtr size = Call(effGetChunk, index, 0, &data, 0.0f);
    if (size < 0 || (size > 0 && !data)) {
        Fail("effGetChunk answered " + std::to_string(size) + " bytes without a chunk");
        return;
    }
    // Read it all, as a host saving it would; a short buffer is a sanitizer report.
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    unsigned sum = 0;
    for (VstIntPtr i = 0; i < size; ++i)
        sum += bytes[i];
    if (size > 0 && sum == 0)
        Fail("effGetChunk gave a chunk of zeros"); // it starts with the version, never 0
}

void Sequence::RateOrBlock()
{
    if (in.U8() & 1) {
        static const float kRates[] = {44100.0f, 48000.0f, 96000.0f, 22050.0f, 8000.0f,
                                       192000.0f, 1.0f, 1e-30f, 3e38f, 11025.0f};
        const std::uint8_t b = in.U8();
        const float rate = b < 10 ? kRates[b] : Float();
        Call(effSetSampleRate, 0, 0, nullptr, rate);
        host->timeInfo.sampleRate = rate;
    } else {
        static const VstIntPtr kSizes[] = {0, 1, 2, 64, 512, 1024, 4096, 8192, 16384,
                                           -1, kLargestBlockSize + 1, kLargestBlockSize};
        const std::uint8_t b = in.U8();
        const VstIntPtr size = b < 12 ? kSizes[b] : Value();
        Call(effSetBlockSize, 0, size, nullptr, 0.0f);
    }
}

void Sequence::SetArrangement()
{
    VstSpeakerArrangement input{};
    VstSpeakerArrangement output{};
    const std::uint8_t which = in.U8();
    input.type = Index();
    input.numChannels = Index();
    output.type = Index();
    output.numChannels = Index();
    VstSpeakerArrangement* inPtr = (which & 1) ? &input : nullptr;
    VstSpeakerArrangement* outPtr = (which & 2) ? &output : nullptr;
    Call(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(inPtr), outPtr, 0.0f);
    if (outPtr)
        connectedOutputs = std::clamp(output.numChannels, 0, 2);
}

void Sequence::GetArrangement()
{
    const std::uint8_t which = in.U8();
    VstSpeakerArrangement* input = nullptr;
    VstSpeakerArrangement* output = nullptr;
    Call(effGetSpeakerArrangement, 0, (which & 1) ? reinterpret_cast<VstIntPtr>(&input) : 0,
         (which & 2) ? &output : nullptr, 0.0f);
    for (const VstSpeakerArrangement* arrangement : {input, output})
        if (arrangement && arrangement->numChannels < 0)
            Fail("effGetSpeakerArrangement gave a negative channel count");
}

void Sequence::EditRect()
{
    const bool withPtr = in.U8() % 4 != 0;
    ERect* rect = nullptr;
    const VstIntPtr result = Call(effEditGetRect, 0, 0, withPtr ? &rect : nullptr, 0.0f);
    if (result && withPtr) {
        if (!rect)
            Fail("effEditGetRect answered 1 without a rectangle");
        else if (rect->right <= rect->left || rect->bottom <= rect->top)
            Fail("effEditGetRect gave an empty rectangle");
    }
}

void Sequence::KeyName()
{
    if (in.U8() % 4 == 0) {
        Call(effGetMidiKeyName, Index(), 0, nullptr, 0.0f);
        return;
    }
    MidiKeyName key{};
    key.thisProgramIndex = Index();
    key.thisKeyNumber = Index();
    std::memset(key.keyName, 'k', sizeof key.keyName);
    Call(effGetMidiKeyName, 0, 0, &key, 0.0f);
    if (!std::memchr(key.keyName, '\0', sizeof key.keyName))
        Fail("effGetMidiKeyName left a key name without terminator");
}

void Sequence::Vendor()
{
    static const char* const kNumbers[] = {"0.5", "-3", "1e999", "nan", "Yes", "No", "12",
                                           "  7.25 s", "-0", "0x10", "", "inf"};
    const std::uint8_t kind = in.U8() % 8;
    const VstIntPtr value = Value();
    // Every field is read in its own statement: the order of a call's arguments is the
    // compiler's choice, and the fuzzer and the regression test use different compilers.
    switch (kind) {
    case 0: { // a parameter's display text for a normalised value
        const bool withBuffer = in.U8() & 1;
        const float opt = Float();
        Call(effVendorSpecific, effGetParamDisplay, value, withBuffer ? Buffer() : nullptr, opt);
        break;
    }
    case 1: {
        const bool withBuffer = in.U8() & 1;
        Call(effVendorSpecific, kVendorDisplayCount, value, withBuffer ? Buffer() : nullptr, 0.0f);
        break;
    }
    case 2: { // a text turned into a normalised value, written back as text
        const std::uint8_t b = in.U8();
        const std::string text = b < 12 ? kNumbers[b] : Text();
        Call(effVendorSpecific, effString2Parameter, value, b == 0xFF ? nullptr : TextBuffer(text),
             0.0f);
        break;
    }
    case 3:
    case 4: { // a slot's path: a load, or the stored path read back into an empty buffer
        const std::uint8_t b = in.U8();
        void* ptr = b == 0xFF ? nullptr : b == 0xFE ? Buffer() : TextBuffer(FileName());
        Call(effVendorSpecific, kVendorSlotPath, value, ptr, 0.0f);
        break;
    }
    case 5:
        Call(effVendorSpecific, kVendorStateVersion, value, nullptr, 0.0f);
        break;
    case 6: {
        const bool wheel = in.U8() & 1;
        const float opt = Float();
        Call(effVendorSpecific, kVendorWheelIndex, wheel ? kVendorWheelValue : value, nullptr, opt);
        break;
    }
    default: {
        const VstInt32 index = Index();
        const bool withBuffer = in.U8() & 1;
        const float opt = Float();
        Call(effVendorSpecific, index, value, withBuffer ? Buffer() : nullptr, opt);
        break;
    }
    }
    if (buffer[kBufferBytes - 1] != '\0')
        Fail("a vendor call wrote to the end of a buffer");
}

std::string Sequence::Run()
{
    SampleFolder::Get();
    FolderScope scope;
    buffer.assign(kBufferBytes, '\0');
    const std::uint8_t setup = in.U8();
    FuzzHost fuzzHost(kProducts[(setup >> 1) & 7]);
    if (!fuzzHost.Created())
        return "the plug-in could not be created";
    host = &fuzzHost;
    effect = fuzzHost.Effect();
    if (!(setup & 1)) {
        fuzzHost.Start();
        blockSize = 512;
    }

    for (int step = 0; step < kMaxOperations && !in.Empty() && report.empty(); ++step) {
        switch (in.U8() % kOpCount) {
        case kOpDispatch:
        case kOpDispatchToo:
            Dispatch();
            break;
        case kOpSetParameter:
            SetParameter();
            break;
        case kOpGetParameter:
            GetParameter();
            break;
        case kOpEvents:
            Events();
            break;
        case kOpProgram:
            Call(effSetProgram, 0, Value(), nullptr, 0.0f);
            break;
        case kOpLoadSlot:
            LoadSlot();
            break;
        case kOpProcess:
        case kOpProcessToo:
            Process();
            break;
        case kOpClock:
            Clock();
            break;
        case kOpTimeInfo:
            TimeInfo();
            break;
        case kOpSetChunk:
            SetChunk();
            break;
        case kOpGetChunk:
            GetChunk();
            break;
        case kOpRateOrBlock:
            RateOrBlock();
            break;
        case kOpArrangement:
            SetArrangement();
            break;
        default:
            Vendor();
            break;
        }
    }
    if (report.empty())
        report = fuzzHost.HostReport();
    return report;
}

} // namespace

std::string RunHostSequence(const std::uint8_t* data, std::size_t size)
{
    return Sequence(data, size).Run();
}

} // namespace QuellornFuzz
