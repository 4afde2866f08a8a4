#include "samplefiles/SfzReader.h"

#include "engine/EngineConfig.h"
#include "samplefiles/FileSystem.h"
#include "samplefiles/NameMatch.h"
#include "samplefiles/SfzLineReader.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>

namespace {

// Written on Windows or elsewhere, an SFZ file's paths may use either separator.
constexpr char kForeignSeparator = FileSystem::kPathSeparator == '/' ? '\\' : '/';

enum Opcode : int {
    kAmpegAttack,
    kAmpegRelease,
    kVolume,
    kLokey,
    kHikey,
    kPitchKeycenter,
    kPitchKeytrack,
    kPan,
    kDirection,
    kLoopMode,
    kPanAlternate,
    kDefaultPath,
    kSample,
    kOpcodeCount,
};

// In the order keys are tried: a key that is the start of several names means the first.
constexpr const char* kOpcodeNames[kOpcodeCount] = { "ampeg_attack", "ampeg_release", "volume",
    "lokey", "hikey", "pitch_keycenter", "pitch_keytrack", "pan", "direction", "loop_mode",
    "pan_alternate", "default_path", "sample" };

// No name is longer: a longer key can't match any.
constexpr std::size_t kKeySize = 16;

constexpr const char* kNoteNames[12]
    = { "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B" };

// The blanks that the standard formatted input skips before a number.
bool IsScanBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

const char* SkipBlanks(const char* text)
{
    while (IsScanBlank(*text))
        ++text;
    return text;
}

// Reads a decimal integer as "%d" does. Where "%d" would overflow (which the language
// leaves undefined) the value saturates instead.
bool ScanInt(const char* text, int& out)
{
    const char* p = SkipBlanks(text);
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-')
        ++p;
    if (*p < '0' || *p > '9')
        return false;
    long long v = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        if (v <= INT_MAX)
            v = v * 10 + (*p - '0');
    out = static_cast<int>(std::clamp<long long>(negative ? -v : v, INT_MIN, INT_MAX));
    return true;
}

// Reads a floating-point number as "%f" does, but with a point as decimal separator
// whatever the host's locale, and with overflow giving an infinity.
bool ScanFloat(const char* text, float& out)
{
    const char* p = SkipBlanks(text);
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-')
        ++p;
    if (*p == '+' || *p == '-')
        return false; // from_chars would take a second sign that "%f" refuses
    float v = 0.0f;
    const auto result = std::from_chars(p, p + std::strlen(p), v, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        const char* e = std::find_if(p, result.ptr, [](char c) { return c == 'e' || c == 'E'; });
        v = e + 1 < result.ptr && e[1] == '-' ? 0.0f : HUGE_VALF;
    } else if (result.ec != std::errc()) {
        return false;
    }
    out = negative ? -v : v;
    return true;
}

// Integer and note values are kept in 16 bits; larger ones stay at the nearest end.
std::int16_t ToInt16(long long v)
{
    return static_cast<std::int16_t>(std::clamp<long long>(v, INT16_MIN, INT16_MAX));
}

// The first value that is present, region scope before global; kAbsent when neither is.
template <typename T, typename Present>
double Pick(T regionValue, T globalValue, Present present, double scale = 1.0)
{
    if (present(regionValue))
        return double(regionValue) * scale;
    if (present(globalValue))
        return double(globalValue) * scale;
    return SfzReader::kAbsent;
}

} // namespace

bool SfzReader::Read(const char* sfzPath, int slot)
{
    *this = SfzReader {};
    if (!sfzPath || slot < 0 || slot >= kSlotCount || !std::memchr(sfzPath, '\0', kPathSize))
        return false;
    slotIndex = slot;
    const char* last = std::strrchr(sfzPath, FileSystem::kPathSeparator);
    const std::size_t folderLength = last ? std::size_t(last - sfzPath) : 0;
    std::memcpy(folder, sfzPath, folderLength);
    folder[folderLength] = '\0';

    std::FILE* file = FileSystem::OpenRegularFile(sfzPath);
    if (!file)
        return false;
    SfzLineReader lines(file);
    while (lines.Next()) {
        if (!lines.HasEquals()) {
            if (TakeHeader(lines.Text()))
                break;
        } else {
            TakeOpcode(lines.Text(), lines.Cut());
        }
    }
    std::fclose(file);

    found = ordinal == slotIndex && samplePath[0] && inRegion;
    emptiesSlot = slotIndex > ordinal;
    return true;
}

bool SfzReader::TakeHeader(const char* line)
{
    // A region counts as complete only once it has a sample; without one its values carry
    // over into the next region.
    if (samplePath[0] && inRegion) {
        if (ordinal == slotIndex)
            return true;
        region = OpcodeValues {};
        if (++ordinal >= kSlotCount)
            return true;
    }
    inRegion = NameMatches(line, "<region>");
    return false;
}

void SfzReader::TakeOpcode(const char* line, bool cut)
{
    // Without an "=" in the kept part, the key is longer than any name.
    const char* equals = std::strchr(line, '=');
    if (!equals || std::size_t(equals - line) >= kKeySize)
        return;
    char key[kKeySize];
    std::memcpy(key, line, std::size_t(equals - line));
    key[equals - line] = '\0';
    const char* value = equals + 1;

    int opcode = 0;
    while (opcode < kOpcodeCount && !NameMatches(key, kOpcodeNames[opcode]))
        ++opcode;
    OpcodeValues& scope = inRegion ? region : global;
    int whole = 0;
    switch (opcode) {
    case kAmpegAttack:
        ScanFloat(value, scope.attack);
        break;
    case kAmpegRelease:
        ScanFloat(value, scope.release);
        break;
    case kVolume:
        if (ScanInt(value, whole))
            scope.volume = ToInt16(whole);
        break;
    case kLokey:
        ReadNote(value, scope.lokey);
        break;
    case kHikey:
        ReadNote(value, scope.hikey);
        break;
    case kPitchKeycenter:
        ReadNote(value, scope.keycenter);
        break;
    case kPitchKeytrack:
        if (ScanInt(value, whole))
            scope.keytrack = ToInt16(whole);
        break;
    case kPan:
        if (ScanInt(value, whole))
            scope.pan = ToInt16(whole);
        break;
    case kDirection:
        scope.direction = NameMatches(value, "reverse") ? 1 : 0;
        break;
    case kLoopMode:
        if (NameMatches(value, "no_loop"))
            scope.loopMode = 0;
        else if (NameMatches(value, "loop_continuous") || NameMatches(value, "loop_sustain"))
            scope.loopMode = 1;
        break;
    case kPanAlternate:
        scope.panAlternate = NameMatches(value, "yes") ? 1 : 0;
        break;
    case kDefaultPath: {
        // Kept cut for the warning's text, but no path composed with it is ever opened.
        const std::size_t length = std::min(std::strlen(value), std::size_t(kPathSize - 1));
        defaultPathTooLong = cut || value[length] != '\0';
        std::replace_copy(
            value, value + length, defaultPath, kForeignSeparator, FileSystem::kPathSeparator);
        defaultPath[length] = '\0';
        break;
    }
    case kSample:
        TakeSample(value, cut);
        break;
    default:
        break;
    }
}

void SfzReader::TakeSample(const char* value, bool cut)
{
    char composed[kPathSize];
    bool usable = ComposeSamplePath(value, composed) && !cut;
    if (usable) {
        // LoadFile would hand such a path back to the SFZ reader: files that name each
        // other (or themselves) would be read again without end.
        const char* dot = std::strrchr(composed, '.');
        usable = !NameMatches(dot ? dot + 1 : "", "sfz");
    }
    if (usable) {
        std::FILE* sample = FileSystem::OpenRegularFile(composed);
        usable = sample != nullptr;
        if (sample)
            std::fclose(sample);
    }
    if (usable) {
        std::memcpy(samplePath, composed, sizeof samplePath);
        return;
    }
    if (ordinal == slotIndex && !refusedSample[0])
        std::memcpy(refusedSample, composed, sizeof refusedSample);
    samplePath[0] = '\0';
}

bool SfzReader::ComposeSamplePath(const char* value, char* out) const
{
    const bool absolute
        = FileSystem::kPathSeparator == '/' ? value[0] == '/' : value[0] && value[1] == ':';
    char* p = out;
    char* const end = out + kPathSize - 1;
    bool fits = true;
    auto append = [&](const char* text) {
        for (; *text; ++text) {
            if (p == end) {
                fits = false;
                return;
            }
            *p++ = *text == kForeignSeparator ? FileSystem::kPathSeparator : *text;
        }
    };
    if (!absolute) {
        // An SFZ file named without a folder lies in the current one; joining the empty
        // folder would root the sample at the top of the drive instead.
        if (folder[0]) {
            const char separator[] = { FileSystem::kPathSeparator, '\0' };
            append(folder);
            append(separator);
        }
        append(defaultPath);
        fits = fits && !defaultPathTooLong;
    }
    append(value);
    *p = '\0';
    return fits;
}

double SfzReader::ParamValue(int offset) const
{
    const auto note = [](std::int16_t v) { return v != 0; };
    const auto counted = [](std::int16_t v) { return v >= 0; };
    const auto seconds = [](float v) { return v > -1.0f; };
    switch (offset) {
    case kParamLowNote:
        return Pick(region.lokey, global.lokey, note);
    case kParamHighNote:
        return Pick(region.hikey, global.hikey, note);
    case kParamRootNote:
        return Pick(region.keycenter, global.keycenter, note);
    case kParamSemitones:
        return Pick(region.keytrack, global.keytrack, counted, 0.01);
    case kParamAttack:
        return Pick(region.attack, global.attack, seconds);
    case kParamRelease:
        return Pick(region.release, global.release, seconds);
    case kParamPan:
        return Pick(region.pan, global.pan, [](std::int16_t v) { return v > -101; });
    case kParamAltPan:
        return Pick(region.panAlternate, global.panAlternate, counted);
    case kParamVolume:
        return Pick(region.volume, global.volume, [](std::int16_t v) { return v > -50; });
    case kParamReverse:
        return Pick(region.direction, global.direction, counted);
    case kParamLoop:
        return Pick(region.loopMode, global.loopMode, counted);
    default:
        return kAbsent;
    }
}

bool SfzReader::ReadNote(const char* value, std::int16_t& note)
{
    const std::size_t length = std::strlen(value);
    if (length > 3)
        return false;
    int number = -1;
    if (!ScanInt(value, number))
        number = -1;
    if (number >= 12) {
        note = ToInt16(number);
        return true;
    }
    // A name of up to two characters ("%2s") in a value of three, of one ("%1s") in a
    // shorter one, then an octave; without an octave, the number read above stands in.
    const std::size_t nameWidth = length == 3 ? 2 : 1;
    const char* p = SkipBlanks(value);
    char name[3] = "";
    std::size_t taken = 0;
    for (; taken < nameWidth && *p && !IsScanBlank(*p); ++taken, ++p)
        name[taken] = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
    name[taken] = '\0';
    int octave = number;
    if (taken > 0)
        ScanInt(p, octave);
    int index = -1;
    for (int i = 0; i < 12 && index < 0; ++i)
        if (std::strncmp(kNoteNames[i], name, taken) == 0)
            index = i;
    note = index < 0 ? std::int16_t(-1) : ToInt16((octave + 1LL) * 12 + index);
    return true;
}
