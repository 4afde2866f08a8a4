// Reads an SFZ instrument file into its first regions: for each, the sample it names and
// the values of the opcodes the sampler maps, resolved through the scopes (a region's own
// opcodes before its <group>'s, then <master>'s, then <global>'s). Opcodes that no scope
// gives stay unset; picking defaults for them is up to the caller. Opcodes before the first
// header make a region of their own; other opcodes and headers are passed over silently.
//
// Text is taken as the format has it: see SfzTokenizer for headers, opcodes and comments.
// Besides, "#define $NAME value" replaces $NAME in the lines that follow (names are "$"
// and letters, digits or "_"; the longest defined name wins), and "#include "file.sfz""
// reads that file in place, its path taken relative to the including file. Includes nest
// at most kMaxIncludeDepth deep, at most kMaxIncludes are read per instrument, and a file
// that is already being read is refused, so files that include each other end. Sample
// paths are relative to the instrument file's folder (after `default_path`) whichever file
// names them, as an include is read in place.
//
// Sample paths are composed with the platform's separator; the file's other separator is
// turned into it (SFZ files written on Windows use backslashes). Absolute sample values
// start with a drive letter on Windows and with "/" elsewhere. A region's sample is
// refused, with the reason, when it can't be opened, leads back to an SFZ file (which
// would start the reading again), is empty, or doesn't fit the 260-character buffers; the
// region keeps its place all the same.
//
// A short-lived object on the stack of the caller; not shared between threads. It reads
// files, so it runs on the user-interface thread (or the host thread that restores
// state), never on the audio thread. It depends on no engine header.
#pragma once

#include "samplefiles/LoadFailure.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One region of an instrument, its opcodes resolved through the scopes.
struct SfzRegion {
    static constexpr int kPathSize = 260;

    // The composed sample path. When `refusal` isn't kNone, the path that was refused (cut
    // to the buffer when it didn't fit), which is what the user is to be told.
    char samplePath[kPathSize] = "";
    LoadFailure refusal = LoadFailure::kNone;

    std::optional<std::int16_t> lokey; // MIDI notes; -1 in lokey or hikey: no key plays
    std::optional<std::int16_t> hikey;
    std::optional<std::int16_t> keycenter; // "sample" reads as 60, the format's default
    std::optional<std::int16_t> keytrack; // cents per key
    std::optional<std::int16_t> transpose; // semitones
    std::optional<std::int16_t> tune; // cents
    std::optional<float> attack; // seconds
    std::optional<float> release; // seconds
    std::optional<std::int16_t> pan; // -100 (left) to 100 (right)
    std::optional<std::int16_t> volume; // decibels
    std::optional<bool> panAlternate;
    std::optional<bool> reverse;
    std::optional<bool> loop;
};

struct SfzInstrument {
    std::vector<SfzRegion> regions; // in the order of the file, at most as many as asked
};

class SfzReader {
public:
    static constexpr int kPathSize = SfzRegion::kPathSize;
    static constexpr int kMaxIncludeDepth = 8;
    static constexpr int kMaxIncludes = 256;
    static constexpr std::size_t kMaxDefines = 256;
    static constexpr std::size_t kMaxDefineName = 64; // "$" included

    // Reads `sfzPath` until `maxRegions` regions are complete or the file ends. False when
    // the file can't be opened (or its path doesn't fit the buffers): then `out` is empty.
    bool Read(const char* sfzPath, std::size_t maxRegions, SfzInstrument& out);

    // A note value: a number, or a note name (c, C#, Db, eb, ...) with its octave (c4 is
    // 60, c-1 is 0). Empty when the value reads as neither.
    static std::optional<std::int16_t> ReadNote(std::string_view value);

private:
    // One scope's opcodes; the sample is composed when its opcode is read, with the
    // default path of that moment.
    struct Scope {
        SfzRegion values;
        bool hasSample = false;
    };

    enum class Header { kNone, kControl, kGlobal, kMaster, kGroup, kRegion, kOther };

    // False when the file can't be opened.
    bool ReadFile(const char* path, int depth);
    bool TakeDirective(std::string_view line, const char* path, int depth);
    void Substitute(std::string_view line, bool cut, std::string& out, bool& outCut) const;
    void TakeHeader(std::string_view name);
    void TakeOpcode(std::string_view name, std::string_view value, bool cut);
    void CompleteRegion();
    bool Done() const { return instrument->regions.size() >= maxRegions; }

    char folder[kPathSize] = "";
    char defaultPath[kPathSize] = "";
    bool defaultPathTooLong = false;
    SfzInstrument* instrument = nullptr;
    std::size_t maxRegions = 0;
    Header header = Header::kNone;
    Scope global;
    Scope master;
    Scope group;
    Scope region;
    std::map<std::string, std::string, std::less<>> defines;
    std::vector<std::string> openFiles; // the include chain being read, outermost first
    int includesRead = 0;
};
