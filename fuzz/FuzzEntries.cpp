#include "fuzz/FuzzEntries.h"

#include "editor/MySample.h"
#include "engine/EngineConfig.h"
#include "engine/Quellorn.h"
#include "engine/SfzSlotPlan.h"
#include "fuzz/FuzzSupport.h"
#include "samplefiles/FileSystem.h"
#include "samplefiles/FlacReader.h"
#include "samplefiles/NameMatch.h"
#include "samplefiles/OggReader.h"
#include "samplefiles/SfzReader.h"
#include "samplefiles/WavReader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <fstream>

namespace QuellornFuzz {

namespace {

// Keys spread over the default ranges, so every slot that holds a sample sounds.
const std::vector<int> kChord = {12, 36, 48, 60, 61, 72, 84, 96, 108, 127};

// Planes the harness decodes itself to compare with a slot; larger files are only loaded.
constexpr std::uint64_t kMaxComparedValues = 1 << 22;

void WriteInput(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Nothing is clipped or limited on the way to the output, so a file whose values are
// finite but astronomically large (a float file of garbage) may sum past the largest
// double: only files of plausible audio levels are held to finite output.
bool Finite(const std::vector<double>& values)
{
    constexpr double kPlausibleLevel = 1e6;
    return AllFinite(values.data(), values.size())
        && std::all_of(values.begin(), values.end(),
                       [](double v) { return std::fabs(v) <= kPlausibleLevel; });
}

// Plays the chord for a block and releases it for another; "" when both blocks come out
// as finite numbers, or when `checkFinite` is false (a file may hold NaN and infinities).
std::string PlayChord(FuzzHost& host, bool checkFinite)
{
    host.Notes(kChord, 100);
    std::string report = host.RenderChecked(512);
    host.Notes(kChord, 0);
    const std::string second = host.RenderChecked(700);
    if (!checkFinite)
        return {};
    return report.empty() ? second : report;
}

// Saves the plug-in's state, restores it, and saves again: the two must be the same bytes.
std::string CheckStateRoundTrip(FuzzHost& host, bool bank)
{
    const std::vector<std::uint8_t> saved = host.GetChunk(bank);
    std::int32_t version = 0;
    if (saved.size() < sizeof version)
        return "the plug-in saved no state";
    std::memcpy(&version, saved.data(), sizeof version);
    if (version != host.Sampler()->DecimalVersion())
        return "the saved state starts with version " + std::to_string(version);
    if (host.SetChunk(bank, saved) != 1)
        return "the plug-in refused the state it had just saved";
    const std::vector<std::uint8_t> again = host.GetChunk(bank);
    if (again != saved)
        return "the state saved after restoring the plug-in's own state differs from it ("
            + std::to_string(saved.size()) + " and " + std::to_string(again.size()) + " bytes)";
    return {};
}

// What a file holds by the reader's account: the first two channels as planes.
struct Decoded {
    bool opened = false;
    std::uint32_t frames = 0;
    int channels = 0;
    bool compared = false; // planes were decoded (the file was small enough)
    std::vector<double> planes[2];
};

// A slot after its file was loaded: exactly the reader's planes (in reverse order when
// `reversed`), named by the state; or, for a file the reader refuses, empty and naming
// nothing.
std::string CheckSlot(CLS_QUELLORN& plug, int slot, const Decoded& file, const std::string& path,
                      bool reversed)
{
    const SampleData& sample = plug.slotSample[slot];
    const char* stored = plug.StateTextAt(slot);
    const std::string where = "slot " + std::to_string(slot) + ": ";
    if (!file.opened) {
        if (sample.frames != 0)
            return where + "holds " + std::to_string(sample.frames)
                + " frames of a file the reader refuses";
        if (sample.samples.empty())
            return where + "an empty slot lost its placeholder value";
        if (stored && stored[0] && std::strcmp(stored, "0") != 0)
            return where + "an empty slot still names \"" + stored + "\"";
        return {};
    }
    if (sample.frames != file.frames || sample.channels != file.channels)
        return where + "holds " + std::to_string(sample.frames) + " frames of "
            + std::to_string(sample.channels) + " channels; the reader counts "
            + std::to_string(file.frames) + " of " + std::to_string(file.channels);
    if (!stored || path != stored)
        return where + "the state names another file than the one loaded";
    const std::size_t frames = file.frames;
    const std::size_t planes = file.channels > 1 ? 2 : 1;
    if (sample.samples.size() < frames * planes)
        return where + "the buffer is smaller than its planes";
    if (!file.compared)
        return {};
    for (std::size_t p = 0; p < planes; ++p) {
        const double* plane = sample.Plane(static_cast<int>(p));
        for (std::size_t f = 0; f < frames; ++f) {
            const double expected = file.planes[p][reversed ? frames - 1 - f : f];
            if (!SameBits(plane[f], expected))
                return where + "plane " + std::to_string(p) + " frame " + std::to_string(f)
                    + " holds " + std::to_string(plane[f]) + ", the file "
                    + std::to_string(expected);
        }
    }
    return {};
}

// The whole loading path of a plug-in instance: the file into slot 0 as it is and into
// slot 1 reversed, each compared with the reader's account; the chord over both; then
// other files in their place while the chord still sounds.
std::string LoadAndPlay(const std::string& path, const Decoded& file)
{
    FuzzHost host;
    if (!host.Created())
        return "the plug-in could not be created";
    host.Start();
    CLS_QUELLORN& plug = *host.Sampler();
    AEffect* effect = host.Effect();
    effect->setParameter(effect, kParamsPerSlot + kParamReverse, 1.0f);
    host.LoadSlot(0, path);
    host.LoadSlot(1, path);
    std::string report;
    for (int slot = 0; slot < 2 && report.empty(); ++slot)
        report = CheckSlot(plug, slot, file, path, slot == 1);
    if (!report.empty())
        return report;

    const bool finite = file.compared && Finite(file.planes[0]) && Finite(file.planes[1]);
    report = PlayChord(host, finite);
    if (!report.empty())
        return report;

    host.Notes(kChord, 90);
    host.LoadSlot(1, "pcm16-stereo.wav");
    host.LoadSlot(0, "missing.wav");
    if (plug.slotSample[0].frames != 0)
        return "slot 0 kept its frames after a missing file was loaded into it";
    report = host.RenderChecked(256);
    if (!report.empty())
        return report;
    return host.HostReport();
}

// ---- WAV ------------------------------------------------------------------------------------

// Opens the file, checks the header against the file, and reads every value in steps of
// changing size, as callers that split a file into pieces do.
std::string ReadWav(const std::string& path, std::size_t fileSize, Decoded& file)
{
    WavReader reader;
    file.opened = reader.Open(path.c_str());
    if (!file.opened) {
        if (reader.Channels() != 0 || reader.Bits() != 0 || reader.Frames() != 0)
            return "WavReader refused the file but kept format fields";
        return {};
    }
    file.channels = reader.Channels();
    file.frames = reader.Frames();
    const int bits = reader.Bits();
    if (file.channels < 1 || file.channels > 32767)
        return "WavReader accepted " + std::to_string(file.channels) + " channels";
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32 && bits != 64)
        return "WavReader accepted " + std::to_string(bits) + " bits per value";
    if (file.frames == 0)
        return "WavReader accepted a file without frames";
    const std::uint64_t total = std::uint64_t(file.frames) * std::uint64_t(file.channels);
    if (total * std::uint64_t(bits / 8) > fileSize)
        return "WavReader counts " + std::to_string(total) + " values in a file of "
            + std::to_string(fileSize) + " bytes";
    // Too large to ever fit a slot: the loader refuses it, as it must.
    if (total > MySample::kMaxSampleValues)
        file.opened = false;

    std::vector<double> values(static_cast<std::size_t>(total));
    static const std::size_t kSteps[] = {1, 3, 4096, 65537, 7, 2};
    std::size_t got = 0;
    for (std::size_t step = 0; got < total; ++step) {
        const std::size_t want = std::min<std::size_t>(kSteps[step % 6], total - got);
        const std::size_t n = reader.Read(values.data() + got, want);
        if (n > want)
            return "WavReader stored more values than asked for";
        if (n == 0)
            break;
        got += n;
    }
    if (got != total)
        return "WavReader read " + std::to_string(got) + " of the " + std::to_string(total)
            + " values its header counts";
    double extra = 0.0;
    if (reader.Read(&extra, 1) != 0)
        return "WavReader read past the values its header counts";
    if (bits <= 24) {
        for (double v : values)
            if (!(v >= -1.0 && v < 1.0))
                return "WavReader converted an integer value to " + std::to_string(v);
    }

    const std::size_t channels = std::size_t(file.channels);
    for (std::size_t p = 0; p < std::min<std::size_t>(channels, 2); ++p)
        for (std::size_t f = 0; f < file.frames; ++f)
            file.planes[p].push_back(values[f * channels + p]);
    file.compared = true;
    return {};
}

// ---- Ogg Vorbis -------------------------------------------------------------------------------

std::uint32_t OggCrc(const std::uint8_t* data, std::size_t size)
{
    static const auto table = [] {
        std::vector<std::uint32_t> t(256);
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t r = i << 24;
            for (int b = 0; b < 8; ++b)
                r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
            t[i] = r;
        }
        return t;
    }();
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < size; ++i)
        crc = (crc << 8) ^ table[((crc >> 24) ^ data[i]) & 0xFF];
    return crc;
}

// Every whole page gets the checksum of its bytes. Without this nearly every change the
// fuzzer makes would only break a checksum, and the library would drop the page before
// the decoder or our reader ever saw it.
std::vector<std::uint8_t> WithPageChecksums(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> bytes(data, data + size);
    std::size_t pos = 0;
    while (pos + 27 <= bytes.size()) {
        std::uint8_t* page = bytes.data() + pos;
        if (std::memcmp(page, "OggS", 4) != 0) {
            ++pos;
            continue;
        }
        const std::size_t segments = page[26];
        std::size_t length = 27 + segments;
        if (pos + length > bytes.size())
            break;
        for (std::size_t s = 0; s < segments; ++s)
            length += page[27 + s];
        if (pos + length > bytes.size())
            break;
        std::memset(page + 22, 0, 4);
        const std::uint32_t crc = OggCrc(page, length);
        for (int b = 0; b < 4; ++b)
            page[22 + b] = static_cast<std::uint8_t>(crc >> (8 * b));
        pos += length;
    }
    return bytes;
}

std::string ReadOgg(const std::string& path, Decoded& file)
{
    OggReader reader;
    file.opened = reader.Open(path.c_str(), MySample::kMaxSampleValues);
    if (!file.opened) {
        if (reader.Channels() != 0 || reader.Rate() != 0 || reader.Frames() != 0)
            return "OggReader refused the file but kept format fields";
        return {};
    }
    file.frames = reader.Frames();
    file.channels = reader.Channels();
    if (file.frames == 0 || file.channels < 1 || reader.Rate() < 1)
        return "OggReader accepted " + std::to_string(file.frames) + " frames of "
            + std::to_string(file.channels) + " channels at " + std::to_string(reader.Rate())
            + " Hz";
    const std::size_t planes = file.channels > 1 ? 2 : 1;
    if (std::uint64_t(file.frames) * planes > kMaxComparedValues)
        return {};
    // Exactly the frames the header counts: a write past them is a sanitizer report.
    for (std::size_t p = 0; p < planes; ++p)
        file.planes[p].assign(file.frames, 0.0);
    const std::uint32_t got
        = reader.Read(file.planes[0].data(), planes > 1 ? file.planes[1].data() : nullptr,
                      file.frames);
    if (got > file.frames)
        return "OggReader decoded " + std::to_string(got) + " of " + std::to_string(file.frames)
            + " frames";
    // The decode pass starts afresh, as a load's second pass does.
    if (reader.Open(path.c_str(), MySample::kMaxSampleValues) != file.opened
        || reader.Frames() != file.frames)
        return "OggReader read another length the second time";
    file.compared = true;
    return {};
}

// ---- FLAC -----------------------------------------------------------------------------------

std::string ReadFlac(const std::string& path, Decoded& file)
{
    FlacReader reader;
    file.opened = reader.Open(path.c_str(), MySample::kMaxSampleValues);
    if (!file.opened) {
        if (reader.Channels() != 0 || reader.Rate() != 0 || reader.Frames() != 0)
            return "FlacReader refused the file but kept format fields";
        if (reader.Failure() == LoadFailure::kNone)
            return "FlacReader refused the file without a reason";
        return {};
    }
    file.frames = reader.Frames();
    file.channels = reader.Channels();
    if (file.frames == 0 || file.channels < 1 || file.channels > 8 || reader.Rate() < 1)
        return "FlacReader accepted " + std::to_string(file.frames) + " frames of "
            + std::to_string(file.channels) + " channels at " + std::to_string(reader.Rate())
            + " Hz";
    const std::size_t planes = file.channels > 1 ? 2 : 1;
    if (std::uint64_t(file.frames) * planes > kMaxComparedValues)
        return {};
    // Exactly the frames the header counts: a write past them is a sanitizer report.
    for (std::size_t p = 0; p < planes; ++p)
        file.planes[p].assign(file.frames, 0.0);
    const std::uint32_t got
        = reader.Read(file.planes[0].data(), planes > 1 ? file.planes[1].data() : nullptr,
                      file.frames);
    if (got > file.frames)
        return "FlacReader decoded " + std::to_string(got) + " of " + std::to_string(file.frames)
            + " frames";
    for (std::size_t p = 0; p < planes; ++p)
        for (double v : file.planes[p])
            if (!(v >= -1.0 && v < 1.0))
                return "FlacReader converted an integer value to " + std::to_string(v);
    if (reader.Open(path.c_str(), MySample::kMaxSampleValues) != file.opened
        || reader.Frames() != file.frames)
        return "FlacReader read another length the second time";
    file.compared = true;
    return {};
}

// ---- SFZ ------------------------------------------------------------------------------------

std::string CheckSfzReader(const std::string& path)
{
    SfzInstrument instrument;
    SfzReader reader;
    if (!reader.Read(path.c_str(), kSlotCount, instrument))
        return "SfzReader could not read the file";
    if (instrument.regions.size() > std::size_t(kSlotCount))
        return "SfzReader gave " + std::to_string(instrument.regions.size()) + " regions";
    for (std::size_t n = 0; n < instrument.regions.size(); ++n) {
        const SfzRegion& region = instrument.regions[n];
        const std::string where = "SfzReader, region " + std::to_string(n) + ": ";
        if (!std::memchr(region.samplePath, '\0', SfzRegion::kPathSize))
            return where + "a path without terminator";
        if (region.refusal != LoadFailure::kNone)
            continue;
        const char* dot = std::strrchr(region.samplePath, '.');
        if (NameMatches(dot ? dot + 1 : "", "sfz"))
            return where + "an SFZ file as the sample: " + region.samplePath;
        if (!FileSystem::IsRegularFile(region.samplePath))
            return where + "a sample that is no file: " + region.samplePath;
    }
    std::array<SfzSlotPlan, kSlotCount> plans;
    if (SfzSlotPlan::ReadAll(path.c_str(), plans) != !instrument.regions.empty())
        return "SfzSlotPlan read the file differently";
    for (std::size_t slot = 0; slot < plans.size(); ++slot)
        for (std::size_t offset = 0; offset < plans[slot].params.size(); ++offset)
            if (plans[slot].params[offset] && std::isnan(*plans[slot].params[offset]))
                return "SfzSlotPlan, slot " + std::to_string(slot) + ": parameter "
                    + std::to_string(offset) + " is " + std::to_string(*plans[slot].params[offset]);
    return {};
}

} // namespace

std::string RunWav(const std::uint8_t* data, std::size_t size)
{
    const SampleFolder& folder = SampleFolder::Get();
    FolderScope scope;
    const std::string path = folder.PathOf("input.wav");
    WriteInput(path, data, size);
    Decoded file;
    const std::string report = ReadWav(path, size, file);
    return report.empty() ? LoadAndPlay(path, file) : report;
}

std::string RunOgg(const std::uint8_t* data, std::size_t size)
{
    const SampleFolder& folder = SampleFolder::Get();
    FolderScope scope;
    const std::string path = folder.PathOf("input.ogg");
    const std::vector<std::uint8_t> bytes = WithPageChecksums(data, size);
    WriteInput(path, bytes.data(), bytes.size());
    Decoded file;
    const std::string report = ReadOgg(path, file);
    return report.empty() ? LoadAndPlay(path, file) : report;
}

std::string RunFlac(const std::uint8_t* data, std::size_t size)
{
    const SampleFolder& folder = SampleFolder::Get();
    FolderScope scope;
    const std::string path = folder.PathOf("input.flac");
    WriteInput(path, data, size);
    Decoded file;
    const std::string report = ReadFlac(path, file);
    return report.empty() ? LoadAndPlay(path, file) : report;
}

std::string RunSfz(const std::uint8_t* data, std::size_t size)
{
    const SampleFolder& folder = SampleFolder::Get();
    FolderScope scope;
    const std::string path = folder.PathOf("input.sfz");
    WriteInput(path, data, size);
    if (const std::string report = CheckSfzReader(path); !report.empty())
        return report;

    FuzzHost host;
    if (!host.Created())
        return "the plug-in could not be created";
    host.Start();
    // Given to one slot, an instrument file fills all three.
    host.LoadSlot(2, path);
    AEffect* effect = host.Effect();
    for (VstInt32 i = 0; i < effect->numParams; ++i) {
        const float v = effect->getParameter(effect, i);
        if (!(v >= 0.0f && v <= 1.0f))
            return "after the SFZ file, parameter " + std::to_string(i) + " is "
                + std::to_string(v);
    }
    std::string report = PlayChord(host, true);
    if (report.empty())
        report = CheckStateRoundTrip(host, false);
    if (report.empty())
        report = host.RenderChecked(128);
    return report.empty() ? host.HostReport() : report;
}

std::string RunState(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return {};
    SampleFolder::Get();
    FolderScope scope;
    FuzzHost host;
    if (!host.Created())
        return "the plug-in could not be created";
    host.Start();
    const bool bank = (data[0] & 1) != 0;
    host.SetChunk(bank, std::vector<std::uint8_t>(data + 1, data + size));
    std::string report = PlayChord(host, true);
    if (report.empty())
        report = CheckStateRoundTrip(host, bank);
    if (report.empty())
        report = host.RenderChecked(300);
    return report.empty() ? host.HostReport() : report;
}

const std::vector<Target>& Targets()
{
    static const std::vector<Target> targets = {
        {"wav", &RunWav},
        {"state", &RunState},
        {"host_sequence", &RunHostSequence},
        {"ogg", &RunOgg},
        {"flac", &RunFlac},
        {"sfz", &RunSfz},
    };
    return targets;
}

} // namespace QuellornFuzz
