// The fuzz targets' entries: each takes one input and returns "" when the plug-in came
// through it as it must, or a report of what went wrong that no sanitizer sees (a slot
// that holds other values than its file, a state that does not survive its own restore,
// a parameter outside 0..1). Memory errors and undefined behaviour end the program
// through the sanitizers instead.
//
// Shared by the libFuzzer targets (FuzzTarget.cpp aborts on a report) and by the
// regression test, which replays every saved input through the same entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace QuellornFuzz {

using Entry = std::string (*)(const std::uint8_t* data, std::size_t size);

struct Target {
    const char* name; // the fuzzer is fuzz_<name>; its seeds are in fuzz/corpus/fuzz_<name>
    Entry entry;
};

// The input as a .wav file: WavReader's header and every value, then the whole loading
// path of a plug-in instance into a plain and a reversed slot, and a rendered block.
std::string RunWav(const std::uint8_t* data, std::size_t size);

// A plug-in restores the input as its state chunk (bank or program by the first byte's
// lowest bit), saves it, plays, and must save the same chunk again after restoring it.
std::string RunState(const std::uint8_t* data, std::size_t size);

// A plug-in driven by a sequence of host calls decoded from the input.
std::string RunHostSequence(const std::uint8_t* data, std::size_t size);

// The input as an .ogg file (every whole page with a correct checksum): OggReader's header
// and decode passes, then the same loading path and playing as for a WAV file.
std::string RunOgg(const std::uint8_t* data, std::size_t size);

// The input as a .flac file: FlacReader's header and decode passes, then the same loading
// path and playing as for a WAV file.
std::string RunFlac(const std::uint8_t* data, std::size_t size);

// The input as an .sfz file among the sample files: SfzReader and the slots' plans, then a
// plug-in instance that loads it into all three slots, plays, and saves and restores its
// state.
std::string RunSfz(const std::uint8_t* data, std::size_t size);

const std::vector<Target>& Targets();

} // namespace QuellornFuzz
