// Reads an SFZ instrument file for one sample slot: finds the region whose ordinal equals
// the slot (regions count only once they have a sample that can be opened), and works out
// the sample path and the eleven parameter values that region gives the slot, region-scope
// opcodes before global ones. It changes nothing itself: MySample::ReadSfz loads the sample
// and sets the parameters from what it finds.
//
// Sample paths are composed with the platform's separator; the file's other separator is
// turned into it (SFZ files written on Windows use backslashes). Absolute sample values
// start with a drive letter on Windows and with "/" elsewhere. A sample that would lead
// back to an SFZ file, or whose path doesn't fit the 260-character buffers, is refused
// like one that can't be opened, so reading never starts again from within itself.
//
// A short-lived object on the stack of one ReadSfz call; not shared between threads. It
// reads files, so it runs on the user-interface thread (or the host thread that restores
// state), never on the audio thread.
#pragma once

#include <cstdint>

class SfzReader {
public:
    // Path buffers: 259 characters and the terminator.
    static constexpr int kPathSize = 260;
    // A parameter value that SetParameterFromFile ignores: no scope gave the opcode.
    static constexpr double kAbsent = -101.0;

    // Reads `sfzPath` for slot `slot` (0 to 2). False when the file can't be opened (or its
    // path doesn't fit): then nothing is to change and nothing to be shown.
    bool Read(const char* sfzPath, int slot);

    // The slot's region was found and is to be applied.
    bool RegionFound() const { return found; }
    // The file has too few regions to reach the slot: the slot is to be emptied.
    bool EmptiesSlot() const { return emptiesSlot; }
    // The applied region's sample.
    const char* SamplePath() const { return samplePath; }
    // The value for the slot's parameter at `offset` (1 to 11), or kAbsent.
    double ParamValue(int offset) const;
    // The first sample path that was refused while the slot's region was being read; empty
    // when none was. This is what the user is warned about.
    const char* RefusedSample() const { return refusedSample; }

    // A note value: a number from 12 up, or a note name with sharps and an octave (c4 is
    // 60, c#4 61), or -1 when neither reads. False when the value is to be ignored (longer
    // than 3 characters).
    static bool ReadNote(const char* value, std::int16_t& note);

private:
    // One scope's opcode values; the start values mark each one as absent.
    struct OpcodeValues {
        std::int16_t lokey = 0;
        std::int16_t hikey = 0;
        std::int16_t keycenter = 0;
        std::int16_t keytrack = -1;
        float attack = -1.0f;
        float release = -1.0f;
        std::int16_t pan = -101;
        std::int16_t panAlternate = -1;
        std::int16_t volume = -50;
        std::int16_t direction = -1;
        std::int16_t loopMode = -1;
    };

    // True when reading is to stop before this header line.
    bool TakeHeader(const char* line);
    void TakeOpcode(const char* line, bool cut);
    void TakeSample(const char* value, bool cut);
    bool ComposeSamplePath(const char* value, char* out) const;

    int slotIndex = 0;
    char folder[kPathSize] = "";
    char defaultPath[kPathSize] = "";
    bool defaultPathTooLong = false;
    char samplePath[kPathSize] = "";
    char refusedSample[kPathSize] = "";
    bool inRegion = true; // the current header matches "<region>"; the empty start one does
    std::int16_t ordinal = 0;
    OpcodeValues region;
    OpcodeValues global;
    bool found = false;
    bool emptiesSlot = false;
};
