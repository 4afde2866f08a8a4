// What the fuzz entries share: a reader that turns the fuzzer's bytes into values, the
// folder of sample files that loads and saved states name, and a plug-in instance behind
// a minimal host. Compiled into the libFuzzer targets and into the regression test that
// replays their saved inputs, so a saved input takes exactly the same road in both.
//
// Single-threaded: one entry runs at a time, and the plug-in never starts a thread.
#pragma once

#include "plugbase/Vst2Interface.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CLS_QUELLORN;

namespace QuellornFuzz {

// Reads the input front to back. Past its end every value reads as zero, so a decoder
// never has to check for the end in the middle of a structure.
class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

    bool Empty() const { return pos >= size; }
    std::uint8_t U8();
    std::uint16_t U16();
    std::uint32_t U32();
    std::uint64_t U64();
    float RawFloat();
    double RawDouble();
    // Up to `count` bytes; fewer at the end of the input.
    std::vector<std::uint8_t> Bytes(std::size_t count);

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos = 0;
};

// A folder of sample files written once per process into the temporary folder and
// removed at exit: WAV files in every format the reader takes, two Ogg Vorbis files (the
// test fixtures), two SFZ files, and files that must fail (cut short, wrong format, not
// audio, empty, a folder with an audio name, a missing name). Names are relative to the
// folder; entries run with it as the working folder (FolderScope), so saved states in the
// corpora can name these files on any machine.
class SampleFolder {
public:
    static const SampleFolder& Get();

    const std::string& Root() const { return root; }
    // The file names the host sequences choose from, by index; new names go at the end
    // so the saved sequences keep their meaning.
    static const std::vector<std::string>& Names();
    // An absolute path inside the folder.
    std::string PathOf(const std::string& name) const;

    ~SampleFolder();
    SampleFolder(const SampleFolder&) = delete;
    SampleFolder& operator=(const SampleFolder&) = delete;

private:
    SampleFolder();
    std::string root;
};

// Makes the sample folder the working folder for the scope of one input. The fuzzer
// writes its crash files to an absolute -artifact_prefix, so nothing of its lands here.
class FolderScope {
public:
    FolderScope();
    ~FolderScope();
    FolderScope(const FolderScope&) = delete;
    FolderScope& operator=(const FolderScope&) = delete;

private:
    std::string previous;
};

// The bytes of a WAV file: a plain 16-byte format chunk and the given data bytes.
std::string MakeWav(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                    std::uint16_t bits, const std::string& data);

// Whether `text` has anything to report; the fuzz targets abort on a report, the
// regression test fails with it.
inline bool Failed(const std::string& report)
{
    return !report.empty();
}

// One plug-in instance, created through the entry point's path with this object as the
// host, and closed through effClose when it goes. The time the renderer reads is this
// host's clock, moved only by Advance, so a replayed input renders the same way however
// fast the machine runs it.
class FuzzHost {
public:
    explicit FuzzHost(const char* productName = "Quellorn Fuzz Host");
    ~FuzzHost();
    FuzzHost(const FuzzHost&) = delete;
    FuzzHost& operator=(const FuzzHost&) = delete;

    bool Created() const { return effect != nullptr; }
    AEffect* Effect() const { return effect; }
    CLS_QUELLORN* Sampler() const { return sampler; }

    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    // What a host does before it plays: open, rate, block size, resume.
    void Start(float rate = 44100.0f, VstInt32 blockSize = 512);
    // Loads `path` into `slot` the way the command-line host does (vendor call 56).
    VstIntPtr LoadSlot(int slot, const std::string& path);
    // Note on (velocity > 0) or off for each key, all at frame 0 of the next block.
    void Notes(const std::vector<int>& keys, int velocity);
    // One processReplacing block into fresh buffers; "" when every frame of every output
    // is a finite number, a report otherwise.
    std::string RenderChecked(VstInt32 frames);
    // The plug-in's state chunk (bank when `bank`), copied out of the plug-in's buffer.
    std::vector<std::uint8_t> GetChunk(bool bank);
    VstIntPtr SetChunk(bool bank, const std::vector<std::uint8_t>& bytes);

    // A report of anything the plug-in asked of the host that a host would refuse;
    // "" while nothing was wrong.
    const std::string& HostReport() const { return hostReport; }

    void Advance(std::uint32_t ms);

    // Answers the host gives.
    VstTimeInfo timeInfo{};
    bool answerTime = true;

private:
    static VstIntPtr Callback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                              VstIntPtr value, void* ptr, float opt);
    VstIntPtr Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

    AEffect* effect = nullptr;
    CLS_QUELLORN* sampler = nullptr;
    std::string productName;
    std::string hostReport;
    std::vector<int> openEdits; // begin-edit calls not yet ended, per parameter
};

// The entries of an event list. VstEvents declares two; a list holds as many as its
// count, so they are reached from the list's address rather than through the array.
VstEvent** EventSlots(VstEvents* list);
VstEvent* const* EventSlots(const VstEvents* list);

// True when every value is a finite number.
bool AllFinite(const float* values, std::size_t count);
bool AllFinite(const double* values, std::size_t count);

} // namespace QuellornFuzz
