#include "fuzz/FuzzSupport.h"

#include "engine/EngineConfig.h"
#include "engine/Quellorn.h"
#include "plugbase/IPlugVST.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <system_error>

namespace fs = std::filesystem;

// libvorbisfile 1.3.7 (Debian 12) leaks inside ov_open_callbacks for some damaged chained
// streams: its bisection of the links returns on an error without freeing the serial
// number list and the stream header it had read for a later link. Not ours to fix. The
// libraries are built without frame pointers, so the sanitizers' fast stacks end in
// libvorbis or libvorbisfile and only their names can match. A reader that is never
// cleared still shows: its libogg buffers leak too, and they are reported, as is every
// other leak, in the fuzzers and in the programs replaying their inputs.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libvorbisfile.so\nleak:libvorbis.so\n";
}

namespace QuellornFuzz {

// ---- ByteReader ---------------------------------------------------------------------------

std::uint8_t ByteReader::U8()
{
    return pos < size ? data[pos++] : 0;
}

std::uint16_t ByteReader::U16()
{
    const std::uint16_t low = U8();
    return static_cast<std::uint16_t>(low | U8() << 8);
}

std::uint32_t ByteReader::U32()
{
    const std::uint32_t low = U16();
    return low | static_cast<std::uint32_t>(U16()) << 16;
}

std::uint64_t ByteReader::U64()
{
    const std::uint64_t low = U32();
    return low | static_cast<std::uint64_t>(U32()) << 32;
}

float ByteReader::RawFloat()
{
    const std::uint32_t bits = U32();
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

double ByteReader::RawDouble()
{
    const std::uint64_t bits = U64();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

std::vector<std::uint8_t> ByteReader::Bytes(std::size_t count)
{
    const std::size_t n = std::min(count, size - std::min(pos, size));
    std::vector<std::uint8_t> out(data + pos, data + pos + n);
    pos += n;
    return out;
}

// ---- sample files ---------------------------------------------------------------------------

namespace {

std::string Le16(std::uint16_t v)
{
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

std::string Le32(std::uint32_t v)
{
    return Le16(static_cast<std::uint16_t>(v & 0xFFFF)) + Le16(static_cast<std::uint16_t>(v >> 16));
}

// A few periods of two mixed tones, the same on every run, as `bits`-bit values.
std::string ToneData(int frames, int channels, int bits, bool isFloat)
{
    std::string out;
    for (int f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            const double v = 0.6 * std::sin(0.05 * f * (c + 1)) + 0.3 * std::sin(0.31 * f);
            if (isFloat && bits == 32) {
                const float x = static_cast<float>(v);
                char bytes[4];
                std::memcpy(bytes, &x, 4);
                out.append(bytes, 4);
            } else if (isFloat) {
                char bytes[8];
                std::memcpy(bytes, &v, 8);
                out.append(bytes, 8);
            } else if (bits == 8) {
                out += static_cast<char>(static_cast<int>(std::lround(v * 127.0)) + 128);
            } else {
                const long scale = (1L << (bits - 1)) - 1;
                const auto x = static_cast<std::uint32_t>(std::lround(v * static_cast<double>(scale)));
                out += Le32(x).substr(0, static_cast<std::size_t>(bits / 8));
            }
        }
    }
    return out;
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

std::string MakeWav(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                    std::uint16_t bits, const std::string& data)
{
    const std::uint16_t align = static_cast<std::uint16_t>(channels * (bits / 8));
    const std::string fmt = Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * align)
        + Le16(align) + Le16(bits);
    const std::string chunks = "fmt " + Le32(16) + fmt + "data"
        + Le32(static_cast<std::uint32_t>(data.size())) + data;
    return "RIFF" + Le32(static_cast<std::uint32_t>(4 + chunks.size())) + "WAVE" + chunks;
}

const std::vector<std::string>& SampleFolder::Names()
{
    static const std::vector<std::string> names = {
        "pcm16-stereo.wav",      // 0
        "pcm8-mono.wav",         // 1
        "pcm24-mono.wav",        // 2
        "float32-stereo.wav",    // 3
        "float64-quad.wav",      // 4
        "short-data.wav",        // 5: the data chunk claims more than the file holds
        "truncated.wav",         // 6: cut inside the format chunk
        "extensible.wav",        // 7: a format tag the reader refuses
        "not-audio.wav",         // 8
        "empty.wav",             // 9
        "folder.wav",            // 10: a folder
        "missing.wav",           // 11: no such file
        "folder.wav/inside.wav", // 12
        "UPPER.WAV",             // 13
        std::string(300, 'x') + ".wav", // 14: longer than any path buffer
        "",                      // 15
        "0",                     // 16: the text a state stores for an empty slot
        "tone.ogg",              // 17: Ogg Vorbis, stereo
        "mono.ogg",              // 18: Ogg Vorbis, mono
        "cut.ogg",               // 19: an Ogg Vorbis file cut in its audio pages
        "instrument.sfz",        // 20: three regions over the WAV files
        "nested.sfz",            // 21: names an SFZ file as its sample
    };
    return names;
}

SampleFolder::SampleFolder()
{
    std::random_device random;
    const fs::path dir = fs::temp_directory_path()
        / ("quellorn-fuzz-" + std::to_string(random()) + "-" + std::to_string(random()));
    fs::create_directories(dir / "folder.wav");
    root = dir.string();

    const std::string pcm16 = MakeWav(1, 2, 44100, 16, ToneData(600, 2, 16, false));
    WriteFile(dir / "pcm16-stereo.wav", pcm16);
    WriteFile(dir / "pcm8-mono.wav", MakeWav(1, 1, 22050, 8, ToneData(900, 1, 8, false)));
    WriteFile(dir / "pcm24-mono.wav", MakeWav(1, 1, 48000, 24, ToneData(500, 1, 24, false)));
    WriteFile(dir / "float32-stereo.wav", MakeWav(3, 2, 96000, 32, ToneData(400, 2, 32, true)));
    WriteFile(dir / "float64-quad.wav", MakeWav(3, 4, 8000, 64, ToneData(200, 4, 64, true)));
    // Claims 10000 frames, holds 300 and half of one more.
    std::string shortData = MakeWav(1, 2, 44100, 16, ToneData(300, 2, 16, false) + "\x01\x02");
    shortData.replace(40, 4, Le32(40000));
    WriteFile(dir / "short-data.wav", shortData);
    WriteFile(dir / "truncated.wav", pcm16.substr(0, 30));
    WriteFile(dir / "extensible.wav", MakeWav(0xFFFE, 2, 44100, 16, ToneData(100, 2, 16, false)));
    WriteFile(dir / "not-audio.wav", "This is a text file with an audio file's name.\n");
    WriteFile(dir / "empty.wav", "");
    WriteFile(dir / "folder.wav" / "inside.wav", pcm16);
    WriteFile(dir / "UPPER.WAV", MakeWav(1, 1, 44100, 16, ToneData(700, 1, 16, false)));

    // No Ogg encoder here: the Ogg files are the test suite's fixtures (absent fixtures
    // leave the names missing, which loads handle as well).
    const fs::path ogg = fs::path(QUELLORN_TEST_DATA) / "ogg";
    std::error_code error;
    fs::copy_file(ogg / "stereo-44100.ogg", dir / "tone.ogg", error);
    fs::copy_file(ogg / "mono-22050.ogg", dir / "mono.ogg", error);
    const std::string stereo = ReadFile(ogg / "pages-stereo-44100.ogg");
    WriteFile(dir / "cut.ogg", stereo.substr(0, stereo.size() * 2 / 3));

    WriteFile(dir / "instrument.sfz",
              "<group>\npitch_keytrack=100\nloop_mode=no_loop\n"
              "<region>\nsample=pcm16-stereo.wav\nlokey=c1\nhikey=b2\npitch_keycenter=a2\n"
              "<region>\nsample=tone.ogg\nlokey=c3\nhikey=b4\npan=35\npan_alternate=yes\n"
              "<region>\nsample=folder.wav\\inside.wav\nlokey=c5\nvolume=-6\ndirection=reverse\n");
    WriteFile(dir / "nested.sfz", "<region>\nsample=instrument.sfz\n<region>\nsample=pcm8-mono.wav\n");
}

SampleFolder::~SampleFolder()
{
    std::error_code error;
    fs::remove_all(root, error);
}

const SampleFolder& SampleFolder::Get()
{
    static const SampleFolder folder;
    return folder;
}

std::string SampleFolder::PathOf(const std::string& name) const
{
    return (fs::path(root) / name).string();
}

FolderScope::FolderScope()
{
    std::error_code error;
    previous = fs::current_path(error).string();
    fs::current_path(SampleFolder::Get().Root(), error);
}

FolderScope::~FolderScope()
{
    std::error_code error;
    if (!previous.empty())
        fs::current_path(previous, error);
}

// ---- the host ---------------------------------------------------------------------------------

namespace {

// The plug-in calls back while it is being built, before its effect record says whose it is.
FuzzHost* constructingHost = nullptr;

std::uint32_t clockMs = 0;

std::int32_t FuzzClock()
{
    return static_cast<std::int32_t>(clockMs);
}

} // namespace

VstEvent** EventSlots(VstEvents* list)
{
    return reinterpret_cast<VstEvent**>(reinterpret_cast<char*>(list) + offsetof(VstEvents, events));
}

VstEvent* const* EventSlots(const VstEvents* list)
{
    return reinterpret_cast<VstEvent* const*>(reinterpret_cast<const char*>(list)
                                              + offsetof(VstEvents, events));
}

bool AllFinite(const float* values, std::size_t count)
{
    return std::all_of(values, values + count, [](float v) { return std::isfinite(v); });
}

bool AllFinite(const double* values, std::size_t count)
{
    return std::all_of(values, values + count, [](double v) { return std::isfinite(v); });
}

FuzzHost::FuzzHost(const char* product) : productName(product ? product : "")
{
    timeInfo.sampleRate = 44100.0;
    timeInfo.tempo = 120.0;
    timeInfo.timeSigNumerator = 4;
    timeInfo.timeSigDenominator = 4;
    timeInfo.flags = kVstTransportPlaying | kVstTempoValid | kVstTimeSigValid;
    openEdits.assign(kParamCount, 0);

    clockMs = 0;
    constructingHost = this;
    effect = CreateEffect(&FuzzHost::Callback);
    constructingHost = nullptr;
    if (!effect)
        return;
    effect->user = this;
    sampler = static_cast<CLS_QUELLORN*>(effect->object);
    sampler->SetClock(&FuzzClock);
    // The constructor read the real clock; from here on only this host's clock counts.
    sampler->lastBlockClock = FuzzClock();
}

FuzzHost::~FuzzHost()
{
    if (effect)
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
}

VstIntPtr FuzzHost::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                             float opt)
{
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void FuzzHost::Start(float rate, VstInt32 blockSize)
{
    Dispatch(effOpen);
    Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    Dispatch(effSetBlockSize, 0, blockSize);
    Dispatch(effMainsChanged, 0, 1);
}

VstIntPtr FuzzHost::LoadSlot(int slot, const std::string& path)
{
    std::vector<char> text(path.begin(), path.end());
    text.resize(std::max<std::size_t>(text.size() + 1, 4096), '\0');
    return Dispatch(effVendorSpecific, 56, slot, text.data());
}

void FuzzHost::Notes(const std::vector<int>& keys, int velocity)
{
    const std::size_t n = keys.size();
    std::vector<VstMidiEvent> midi(n);
    // VstEvents declares room for two entries; hosts allocate the list for as many as they send.
    std::vector<unsigned char> listBytes(sizeof(VstEvents) + n * sizeof(VstEvent*));
    auto* list = reinterpret_cast<VstEvents*>(listBytes.data());
    list->numEvents = static_cast<VstInt32>(n);
    for (std::size_t i = 0; i < n; ++i) {
        midi[i].type = kVstMidiType;
        midi[i].byteSize = sizeof(VstMidiEvent);
        midi[i].midiData[0] = static_cast<char>(velocity > 0 ? 0x90 : 0x80);
        midi[i].midiData[1] = static_cast<char>(keys[i]);
        midi[i].midiData[2] = static_cast<char>(velocity);
        EventSlots(list)[i] = reinterpret_cast<VstEvent*>(&midi[i]);
    }
    Dispatch(effProcessEvents, 0, 0, list);
}

std::string FuzzHost::RenderChecked(VstInt32 frames)
{
    const int outputs = std::max(effect->numOutputs, 0);
    const std::size_t n = static_cast<std::size_t>(std::max(frames, 0));
    // NaN where the plug-in must write, so a frame it leaves alone shows.
    std::vector<std::vector<float>> buffers(static_cast<std::size_t>(outputs),
                                            std::vector<float>(n, std::numeric_limits<float>::quiet_NaN()));
    std::vector<float*> pointers;
    for (auto& buffer : buffers)
        pointers.push_back(buffer.data());
    float* noInputs[1] = {nullptr};
    effect->processReplacing(effect, noInputs, pointers.data(), frames);
    for (int c = 0; c < outputs; ++c)
        if (!AllFinite(buffers[static_cast<std::size_t>(c)].data(), n))
            return "processReplacing left output " + std::to_string(c)
                + " with a frame that is not a finite number";
    return {};
}

std::vector<std::uint8_t> FuzzHost::GetChunk(bool bank)
{
    void* data = nullptr;
    const VstIntPtr size = Dispatch(effGetChunk, bank ? 1 : 0, 0, &data);
    if (size <= 0 || !data)
        return {};
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

VstIntPtr FuzzHost::SetChunk(bool bank, const std::vector<std::uint8_t>& bytes)
{
    // Exactly as many bytes as the call says, so a read past them is a sanitizer report.
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[bytes.size()]);
    if (!bytes.empty())
        std::memcpy(copy.get(), bytes.data(), bytes.size());
    return Dispatch(effSetChunk, bank ? 1 : 0, static_cast<VstIntPtr>(bytes.size()), copy.get());
}

void FuzzHost::Advance(std::uint32_t ms)
{
    clockMs += ms;
}

VstIntPtr FuzzHost::Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                             void* ptr, float opt)
{
    FuzzHost* host = effect && effect->user ? static_cast<FuzzHost*>(effect->user)
                                            : constructingHost;
    return host ? host->Answer(opcode, index, value, ptr, opt) : 0;
}

VstIntPtr FuzzHost::Answer(VstInt32 opcode, VstInt32 index, VstIntPtr, void* ptr, float opt)
{
    auto report = [this](const std::string& text) {
        if (hostReport.empty())
            hostReport = text;
    };
    switch (opcode) {
    case audioMasterVersion:
        return 2400;
    case audioMasterAutomate:
        if (index < 0 || index >= kParamCount)
            report("automation of parameter " + std::to_string(index) + ", which does not exist");
        if (!(opt >= 0.0f && opt <= 1.0f))
            report("automation of parameter " + std::to_string(index)
                   + " with a value outside 0..1");
        return 0;
    case audioMasterBeginEdit:
        if (index < 0 || index >= kParamCount)
            report("begin-edit of parameter " + std::to_string(index) + ", which does not exist");
        else
            ++openEdits[static_cast<std::size_t>(index)];
        return 0;
    case audioMasterEndEdit:
        if (index < 0 || index >= kParamCount || openEdits[static_cast<std::size_t>(index)] == 0)
            report("end-edit of parameter " + std::to_string(index) + " without a begin-edit");
        else
            --openEdits[static_cast<std::size_t>(index)];
        return 0;
    case audioMasterGetTime:
        return answerTime ? reinterpret_cast<VstIntPtr>(&timeInfo) : 0;
    case audioMasterGetProductString:
        if (!ptr)
            return 0;
        std::snprintf(static_cast<char*>(ptr), kVstMaxProductStrLen, "%s", productName.c_str());
        return 1;
    case audioMasterGetVendorString:
        if (!ptr)
            return 0;
        std::snprintf(static_cast<char*>(ptr), kVstMaxVendorStrLen, "%s", "Quellorn fuzzing");
        return 1;
    case audioMasterGetVendorVersion:
        return 1000;
    case audioMasterGetSampleRate:
        return static_cast<VstIntPtr>(timeInfo.sampleRate);
    case audioMasterProcessEvents: {
        // Read every byte the plug-in hands over, so a bad list is a sanitizer report.
        const auto* list = static_cast<const VstEvents*>(ptr);
        if (!list || list->numEvents < 0) {
            report("events sent to the host without a valid list");
            return 0;
        }
        unsigned sum = 0;
        for (VstInt32 i = 0; i < list->numEvents; ++i) {
            const VstEvent* event = EventSlots(list)[i];
            if (!event) {
                report("an event list sent to the host holds a null event");
                return 0;
            }
            const auto* bytes = reinterpret_cast<const unsigned char*>(event);
            for (std::size_t b = 0; b < sizeof(VstEvent); ++b)
                sum += bytes[b];
            if (event->type == kVstSysExType) {
                const auto* sysex = reinterpret_cast<const VstMidiSysexEvent*>(event);
                for (VstInt32 b = 0; b < sysex->dumpBytes; ++b)
                    sum += static_cast<unsigned char>(sysex->sysexDump[b]);
            }
        }
        return sum == 0xFFFFFFFFu ? 0 : 1; // never so; keeps the reads from being dropped
    }
    default:
        return 0;
    }
}

} // namespace QuellornFuzz
