// Program (.fxp) and bank (.fxb) files in their opaque-chunk forms: the files VST 2 hosts
// exchange for plug-ins that save their state as one block of their own bytes. The layout
// is fixed by those hosts, not by us, so every field is written big-endian and in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class StateKind { Program, Bank };

struct StateFile {
    StateKind kind = StateKind::Program;
    std::int32_t formatVersion = 1; // as read; written as 1 for programs, 2 for banks
    std::int32_t pluginId = 0;
    std::int32_t pluginVersion = 0;
    // The plug-in's parameter count in a program file, its program count in a bank file.
    std::int32_t count = 0;
    std::string programName; // program files only
    // Bank files only; banks of format version 1 have no such field and read as -1.
    std::int32_t currentProgram = -1;
    std::vector<unsigned char> chunk;
};

// Each kind of damage has its own exit code, so the distinction must survive to the caller.
enum class StateError {
    None,
    NotAStateFile, // no "CcnK", or a kind of file this format does not have
    Unsupported, // a real kind or version this host does not read, or far too large
    Truncated, // ends before its fixed header does
    SizeMismatch, // the byte count in the header disagrees with the file's length
    ChunkOutOfBounds, // the chunk size disagrees with what follows it
    Unreadable // the operating system would not open or read it
};

namespace StateFormat {
constexpr std::size_t kNameFieldSize = 28;
constexpr std::size_t kProgramHeaderSize = 60; // up to and including the chunk size
constexpr std::size_t kBankHeaderSize = 160;
constexpr std::size_t kBankReservedSize = 124; // after the current program
// Far above any real plug-in's state; a bigger size field is damage, not data.
constexpr std::size_t kMaxFileSize = std::size_t(256) << 20;
constexpr std::size_t kMaxChunkSize = kMaxFileSize - kBankHeaderSize;
} // namespace StateFormat

// The name as a program file keeps it: cut to leave room for the terminator in its field.
std::string StoredProgramName(const std::string& name);

// The chunk must be at most StateFormat::kMaxChunkSize bytes.
std::vector<unsigned char> EncodeState(const StateFile& state);

// Never reads outside bytes; on failure message says what is wrong in words for a user.
StateError DecodeState(const std::vector<unsigned char>& bytes, StateFile& state,
                       std::string& message);

// Reads at most kMaxFileSize + 1 bytes, so a huge file is refused without being loaded.
StateError ReadStateFile(const std::string& path, StateFile& state, std::string& message);

bool WriteStateFile(const std::string& path, const StateFile& state, std::string& error);
