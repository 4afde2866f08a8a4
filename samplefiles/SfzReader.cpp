#include "samplefiles/SfzReader.h"

#include "samplefiles/FileSystem.h"
#include "samplefiles/NameMatch.h"
#include "samplefiles/SfzLineReader.h"
#include "samplefiles/SfzTokenizer.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <iterator>
#include <memory>
#include <system_error>

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
    kKey,
    kTranspose,
    kTune,
    kIgnored,
    kUnknown,
};

// In the order keys are tried. A key may be the start of one of these names ("vol" is
// volume, "ampeg_r" ampeg_release); the first such name counts.
constexpr const char* kAbbreviable[] = { "ampeg_attack", "ampeg_release", "volume", "lokey",
    "hikey", "pitch_keycenter", "pitch_keytrack", "pan", "direction", "loop_mode", "pan_alternate",
    "default_path", "sample" };

// Known only by their whole names; an exact name is looked up before any abbreviation,
// so real opcodes that happen to start a name above ("pitch") mean themselves.
struct ExactName {
    const char* name;
    Opcode opcode;
};
constexpr ExactName kExactNames[] = { { "key", kKey }, { "transpose", kTranspose },
    { "tune", kTune }, { "loopmode", kLoopMode }, { "pitch", kIgnored } };

bool EqualsIgnoringCase(std::string_view text, const char* name)
{
    std::size_t i = 0;
    for (; i < text.size() && name[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != name[i])
            return false;
    return i == text.size() && name[i] == '\0';
}

// NameMatches for a view: the text, lower-cased, starts the name.
bool Abbreviates(std::string_view text, const char* name)
{
    const std::size_t length = std::strlen(name);
    return text.size() <= length && std::equal(text.begin(), text.end(), name, [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

Opcode FindOpcode(std::string_view key)
{
    if (key.empty())
        return kUnknown;
    for (const ExactName& exact : kExactNames)
        if (EqualsIgnoringCase(key, exact.name))
            return exact.opcode;
    for (int i = 0; i < int(std::size(kAbbreviable)); ++i)
        if (Abbreviates(key, kAbbreviable[i]))
            return static_cast<Opcode>(i);
    return kUnknown;
}

bool IsBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Reads a decimal integer as "%d" does (a sign, digits, anything after them ignored), so
// -6.5 gives -6. Larger values saturate instead of overflowing.
bool ScanInt(std::string_view text, int& out)
{
    text = Trim(text);
    std::size_t i = 0;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    if (i >= text.size() || text[i] < '0' || text[i] > '9')
        return false;
    long long v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        if (v <= INT_MAX)
            v = v * 10 + (text[i] - '0');
    out = static_cast<int>(std::clamp<long long>(negative ? -v : v, INT_MIN, INT_MAX));
    return true;
}

// Reads a floating-point number as "%f" does, but with a point as decimal separator
// whatever the host's locale, overflow giving an infinity, and no NaN.
bool ScanFloat(std::string_view text, float& out)
{
    text = Trim(text);
    std::size_t i = 0;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        return false; // from_chars would take a second sign that "%f" refuses
    const char* p = text.data() + i;
    const char* end = text.data() + text.size();
    float v = 0.0f;
    const auto result = std::from_chars(p, end, v, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        const char* e = std::find_if(p, result.ptr, [](char c) { return c == 'e' || c == 'E'; });
        v = e + 1 < result.ptr && e[1] == '-' ? 0.0f : HUGE_VALF;
    } else if (result.ec != std::errc() || std::isnan(v)) {
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

std::optional<std::int16_t> ReadInt16(std::string_view value)
{
    int whole = 0;
    if (!ScanInt(value, whole))
        return std::nullopt;
    return ToInt16(whole);
}

// The first scope that gives a value: the region's, then its group's, master's, global's.
template <typename T>
std::optional<T> Resolve(std::optional<T> SfzRegion::*field, const SfzRegion& region,
    const SfzRegion& group, const SfzRegion& master, const SfzRegion& global)
{
    for (const SfzRegion* scope : { &region, &group, &master, &global })
        if (scope->*field)
            return scope->*field;
    return std::nullopt;
}

void ConvertSeparators(char* path)
{
    std::replace(path, path + std::strlen(path), kForeignSeparator, FileSystem::kPathSeparator);
}

bool IsAbsolute(const char* path)
{
    return FileSystem::kPathSeparator == '/' ? path[0] == '/' : path[0] && path[1] == ':';
}

// `base`, the separator (when `base` isn't empty) and `tail` into `out` of kPathSize; on
// overflow, as much as fits and false.
bool Compose(char* out, const char* base, std::string_view middle, std::string_view tail)
{
    char* p = out;
    char* const end = out + SfzReader::kPathSize - 1;
    bool fits = true;
    auto append = [&](std::string_view text) {
        for (char c : text) {
            if (p == end) {
                fits = false;
                break;
            }
            *p++ = c;
        }
    };
    if (base[0]) {
        append(base);
        append(std::string_view(&FileSystem::kPathSeparator, 1));
    }
    append(middle);
    append(tail);
    *p = '\0';
    ConvertSeparators(out);
    return fits;
}

void FolderOf(const char* path, char* folder)
{
    const char* last = std::strrchr(path, FileSystem::kPathSeparator);
    const std::size_t length = last ? std::size_t(last - path) : 0;
    std::memcpy(folder, path, length);
    folder[length] = '\0';
}

// The length of the define name ("$" and up to kMaxDefineName - 1 name characters) that
// `text` starts with; 0 when it starts with none.
std::size_t DefineNameLength(std::string_view text)
{
    if (text.empty() || text[0] != '$')
        return 0;
    std::size_t length = 1;
    while (length < text.size() && length < SfzReader::kMaxDefineName
        && (std::isalnum(static_cast<unsigned char>(text[length])) || text[length] == '_'))
        ++length;
    return length > 1 ? length : 0;
}

bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    const bool same = std::filesystem::equivalent(a, b, error);
    return error ? a == b : same;
}

} // namespace

bool SfzReader::Read(const char* sfzPath, std::size_t regionLimit, SfzInstrument& out)
{
    out.regions.clear();
    if (!sfzPath || !std::memchr(sfzPath, '\0', kPathSize))
        return false;
    *this = SfzReader {};
    instrument = &out;
    maxRegions = regionLimit;
    FolderOf(sfzPath, folder);
    const bool opened = ReadFile(sfzPath, 0);
    if (opened && !Done())
        CompleteRegion();
    instrument = nullptr;
    return opened;
}

bool SfzReader::ReadFile(const char* path, int depth)
{
    std::FILE* file = FileSystem::OpenRegularFile(path);
    if (!file)
        return false;
    openFiles.emplace_back(path);
    // On the heap: includes nest, and the reader's buffers would crowd a host's stack.
    const auto lines = std::make_unique<SfzLineReader>(file);
    SfzTokenizer tokenizer;
    std::vector<SfzTokenizer::Token> tokens;
    std::string expanded;
    while (!Done() && lines->Next()) {
        const std::string_view line(lines->Text());
        if (!tokenizer.InBlockComment() && TakeDirective(line, path, depth))
            continue;
        bool cut = false;
        Substitute(line, lines->Cut(), expanded, cut);
        tokens.clear();
        tokenizer.Split(expanded, cut, tokens);
        for (const SfzTokenizer::Token& token : tokens) {
            if (Done())
                break;
            if (token.header)
                TakeHeader(token.name);
            else
                TakeOpcode(token.name, token.value, token.cut);
        }
    }
    std::fclose(file);
    openFiles.pop_back();
    return true;
}

bool SfzReader::TakeDirective(std::string_view line, const char* path, int depth)
{
    line = Trim(line);
    if (line.empty() || line[0] != '#')
        return false;
    if (line.substr(0, 7) == "#define") {
        const std::string_view rest = Trim(line.substr(7));
        const std::size_t nameLength = DefineNameLength(rest);
        if (nameLength == 0 || (nameLength < rest.size() && !IsBlank(rest[nameLength])))
            return true;
        std::string_view value = rest.substr(nameLength);
        value = Trim(value.substr(0, value.find("//")));
        std::string expanded;
        bool cut = false;
        Substitute(value, false, expanded, cut);
        const std::string_view name = rest.substr(0, nameLength);
        const auto known = defines.find(name);
        if (known != defines.end())
            known->second = std::move(expanded);
        else if (defines.size() < kMaxDefines)
            defines.emplace(std::string(name), std::move(expanded));
        return true;
    }
    if (line.substr(0, 8) == "#include") {
        std::string_view name = Trim(line.substr(8));
        if (!name.empty() && name[0] == '"') {
            const std::size_t close = name.find('"', 1);
            if (close == std::string_view::npos)
                return true;
            name = name.substr(1, close - 1);
        } else {
            name = name.substr(0, std::find_if(name.begin(), name.end(), IsBlank) - name.begin());
        }
        if (name.empty() || depth >= kMaxIncludeDepth || includesRead >= kMaxIncludes)
            return true;
        char includeFolder[kPathSize];
        FolderOf(path, includeFolder);
        char included[kPathSize];
        const std::string nameText(name);
        if (!Compose(included, IsAbsolute(nameText.c_str()) ? "" : includeFolder, {}, name))
            return true;
        // A file that is being read already would be read again without end.
        for (const std::string& open : openFiles)
            if (SameFile(open, included))
                return true;
        ++includesRead;
        ReadFile(included, depth + 1);
        return true;
    }
    return true; // other directives are passed over
}

void SfzReader::Substitute(std::string_view line, bool cut, std::string& out, bool& outCut) const
{
    out.clear();
    outCut = cut;
    for (std::size_t i = 0; i < line.size();) {
        std::string_view piece = line.substr(i, 1);
        std::size_t taken = 1;
        if (line[i] == '$' && !defines.empty()) {
            // The longest defined name that starts here. Names are short and runs of name
            // characters don't overlap, so a line costs time linear in its length.
            for (std::size_t length = DefineNameLength(line.substr(i)); length > 1; --length) {
                const auto define = defines.find(line.substr(i, length));
                if (define != defines.end()) {
                    piece = define->second;
                    taken = length;
                    break;
                }
            }
        }
        i += taken;
        // A line that grows past the line size is cut there, like a long line of the file.
        const std::size_t room = SfzLineReader::kLineSize - 1 - out.size();
        if (piece.size() > room) {
            out.append(piece.substr(0, room));
            outCut = true;
            return;
        }
        out.append(piece);
    }
}

void SfzReader::TakeHeader(std::string_view name)
{
    CompleteRegion();
    if (Done())
        return;
    // A header clears its own scope and those it holds, so a new <group> doesn't inherit
    // the previous group's opcodes.
    struct Kind {
        const char* name;
        Header header;
    };
    static constexpr Kind kKinds[] = { { "control", Header::kControl },
        { "global", Header::kGlobal }, { "master", Header::kMaster }, { "group", Header::kGroup },
        { "region", Header::kRegion } };
    header = Header::kOther;
    for (const Kind& kind : kKinds)
        if (EqualsIgnoringCase(Trim(name), kind.name))
            header = kind.header;
    switch (header) {
    case Header::kGlobal:
        global = Scope {};
        [[fallthrough]];
    case Header::kMaster:
        master = Scope {};
        [[fallthrough]];
    case Header::kGroup:
        group = Scope {};
        [[fallthrough]];
    case Header::kRegion:
        region = Scope {};
        break;
    default:
        break;
    }
}

void SfzReader::TakeOpcode(std::string_view name, std::string_view value, bool cut)
{
    const Opcode opcode = FindOpcode(name);
    if (opcode == kDefaultPath) {
        // Kept cut for the warning's text, but no path composed with it is ever opened.
        const std::size_t length = std::min(value.size(), std::size_t(kPathSize - 1));
        defaultPathTooLong = cut || value.size() > length;
        std::memcpy(defaultPath, value.data(), length);
        defaultPath[length] = '\0';
        ConvertSeparators(defaultPath);
        return;
    }
    Scope* scope = nullptr;
    switch (header) {
    case Header::kNone: // before any header: a region of its own
    case Header::kRegion:
        scope = &region;
        break;
    case Header::kGroup:
        scope = &group;
        break;
    case Header::kMaster:
        scope = &master;
        break;
    case Header::kGlobal:
        scope = &global;
        break;
    default:
        return; // <control>, <effect>, <curve> and the like set nothing the slots take
    }
    // A value cut short by a huge line is no value; the sample's is kept to be refused.
    if (cut && opcode != kSample)
        return;
    SfzRegion& v = scope->values;
    float seconds = 0.0f;
    switch (opcode) {
    case kAmpegAttack:
        if (ScanFloat(value, seconds))
            v.attack = seconds;
        break;
    case kAmpegRelease:
        if (ScanFloat(value, seconds))
            v.release = seconds;
        break;
    case kVolume:
        if (auto n = ReadInt16(value))
            v.volume = n;
        break;
    case kLokey:
        if (auto note = ReadNote(value))
            v.lokey = note;
        break;
    case kHikey:
        if (auto note = ReadNote(value))
            v.hikey = note;
        break;
    case kKey:
        if (auto note = ReadNote(value))
            v.lokey = v.hikey = v.keycenter = note;
        break;
    case kPitchKeycenter:
        // The sample's own root isn't read from its file, so "sample" means the default.
        if (EqualsIgnoringCase(value, "sample"))
            v.keycenter = std::int16_t(60);
        else if (auto note = ReadNote(value))
            v.keycenter = note;
        break;
    case kPitchKeytrack:
        if (auto n = ReadInt16(value))
            v.keytrack = n;
        break;
    case kTranspose:
        if (auto n = ReadInt16(value))
            v.transpose = n;
        break;
    case kTune:
        if (auto n = ReadInt16(value))
            v.tune = n;
        break;
    case kPan:
        if (auto n = ReadInt16(value))
            v.pan = n;
        break;
    case kDirection:
        v.reverse = Abbreviates(value, "reverse");
        break;
    case kLoopMode:
        if (Abbreviates(value, "no_loop") || Abbreviates(value, "one_shot"))
            v.loop = false;
        else if (Abbreviates(value, "loop_continuous") || Abbreviates(value, "loop_sustain"))
            v.loop = true;
        break;
    case kPanAlternate:
        v.panAlternate = Abbreviates(value, "yes");
        break;
    case kSample: {
        scope->hasSample = true;
        v.refusal = LoadFailure::kNone;
        const std::string text(value);
        const bool absolute = IsAbsolute(text.c_str());
        const bool fits = Compose(v.samplePath, absolute ? "" : folder,
            absolute ? std::string_view() : std::string_view(defaultPath), value);
        if (value.empty())
            v.refusal = LoadFailure::kNotFound;
        else if (!fits || cut || (!absolute && defaultPathTooLong))
            v.refusal = LoadFailure::kUnreadable;
        break;
    }
    default:
        break;
    }
}

void SfzReader::CompleteRegion()
{
    if (header != Header::kRegion && header != Header::kNone)
        return;
    // A region names its sample itself or through a scope above it; one without any
    // plays nothing and takes no place.
    const Scope* withSample = nullptr;
    for (const Scope* scope : { &region, &group, &master, &global })
        if (!withSample && scope->hasSample)
            withSample = scope;
    if (!withSample)
        return;
    SfzRegion out;
    std::memcpy(out.samplePath, withSample->values.samplePath, sizeof out.samplePath);
    out.refusal = withSample->values.refusal;
    if (out.refusal == LoadFailure::kNone) {
        // LoadFile would hand such a path back to the SFZ reader: files that name each
        // other (or themselves) would be read again without end.
        const char* dot = std::strrchr(out.samplePath, '.');
        const char* separator = std::strrchr(out.samplePath, FileSystem::kPathSeparator);
        if (!dot || (separator && separator > dot) || NameMatches(dot + 1, "sfz"))
            out.refusal = LoadFailure::kUnsupported;
        else
            out.refusal = OpenFailureOf(out.samplePath);
    }
    const SfzRegion& r = region.values;
    const SfzRegion& g = group.values;
    const SfzRegion& m = master.values;
    const SfzRegion& a = global.values;
    out.lokey = Resolve(&SfzRegion::lokey, r, g, m, a);
    out.hikey = Resolve(&SfzRegion::hikey, r, g, m, a);
    out.keycenter = Resolve(&SfzRegion::keycenter, r, g, m, a);
    out.keytrack = Resolve(&SfzRegion::keytrack, r, g, m, a);
    out.transpose = Resolve(&SfzRegion::transpose, r, g, m, a);
    out.tune = Resolve(&SfzRegion::tune, r, g, m, a);
    out.attack = Resolve(&SfzRegion::attack, r, g, m, a);
    out.release = Resolve(&SfzRegion::release, r, g, m, a);
    out.pan = Resolve(&SfzRegion::pan, r, g, m, a);
    out.volume = Resolve(&SfzRegion::volume, r, g, m, a);
    out.panAlternate = Resolve(&SfzRegion::panAlternate, r, g, m, a);
    out.reverse = Resolve(&SfzRegion::reverse, r, g, m, a);
    out.loop = Resolve(&SfzRegion::loop, r, g, m, a);
    instrument->regions.push_back(out);
}

std::optional<std::int16_t> SfzReader::ReadNote(std::string_view value)
{
    value = Trim(value);
    int number = 0;
    if (ScanInt(value, number))
        return ToInt16(number);
    static constexpr int kSemitone[7] = { 9, 11, 0, 2, 4, 5, 7 }; // a b c d e f g
    if (value.empty())
        return std::nullopt;
    const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(value[0])));
    if (letter < 'a' || letter > 'g')
        return std::nullopt;
    int note = kSemitone[letter - 'a'];
    std::size_t i = 1;
    if (i < value.size() && value[i] == '#') {
        ++note;
        ++i;
    } else if (i < value.size() && (value[i] == 'b' || value[i] == 'B')) {
        --note;
        ++i;
    }
    int octave = 0;
    if (!ScanInt(value.substr(i), octave))
        return std::nullopt;
    return ToInt16((octave + 1LL) * 12 + note);
}
