#include "tools/host/StateFile.h"

#include "tools/host/Text.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

constexpr std::int32_t Tag(const char (&text)[5])
{
    return static_cast<std::int32_t>(
        (static_cast<std::uint32_t>(text[0]) << 24) | (static_cast<std::uint32_t>(text[1]) << 16) |
        (static_cast<std::uint32_t>(text[2]) << 8) | static_cast<std::uint32_t>(text[3]));
}

constexpr std::int32_t kChunkMagic = Tag("CcnK");
constexpr std::int32_t kProgramChunkMagic = Tag("FPCh");
constexpr std::int32_t kBankChunkMagic = Tag("FBCh");
// The same files with parameter values instead of a chunk: real, but not what this reads.
constexpr std::int32_t kProgramValuesMagic = Tag("FxCk");
constexpr std::int32_t kBankValuesMagic = Tag("FxBk");

constexpr std::int32_t kProgramFormatVersion = 1;
constexpr std::int32_t kBankFormatVersion = 2;
constexpr std::size_t kCommonHeaderSize = 28; // up to and including the count

void PutInt32(std::vector<unsigned char>& out, std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<unsigned char>((bits >> shift) & 0xFFu));
    }
}

std::int32_t GetInt32(const std::vector<unsigned char>& bytes, std::size_t at)
{
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        bits = (bits << 8) | bytes[at + i];
    }
    return static_cast<std::int32_t>(bits);
}

StateError Fail(StateError error, std::string& message, const std::string& text)
{
    message = text;
    return error;
}

std::string Bytes(std::size_t count)
{
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

} // namespace

std::string StoredProgramName(const std::string& name)
{
    const std::string upToTerminator = name.substr(0, name.find('\0'));
    return upToTerminator.substr(0, StateFormat::kNameFieldSize - 1);
}

std::vector<unsigned char> EncodeState(const StateFile& state)
{
    const bool bank = state.kind == StateKind::Bank;
    const std::size_t total =
        (bank ? StateFormat::kBankHeaderSize : StateFormat::kProgramHeaderSize) +
        state.chunk.size();
    std::vector<unsigned char> out;
    out.reserve(total);
    PutInt32(out, kChunkMagic);
    PutInt32(out, static_cast<std::int32_t>(total - 8));
    PutInt32(out, bank ? kBankChunkMagic : kProgramChunkMagic);
    PutInt32(out, bank ? kBankFormatVersion : kProgramFormatVersion);
    PutInt32(out, state.pluginId);
    PutInt32(out, state.pluginVersion);
    PutInt32(out, state.count);
    if (bank) {
        PutInt32(out, state.currentProgram);
        out.insert(out.end(), StateFormat::kBankReservedSize, 0);
    } else {
        const std::string name = StoredProgramName(state.programName);
        out.insert(out.end(), name.begin(), name.end());
        out.insert(out.end(), StateFormat::kNameFieldSize - name.size(), 0);
    }
    PutInt32(out, static_cast<std::int32_t>(state.chunk.size()));
    out.insert(out.end(), state.chunk.begin(), state.chunk.end());
    return out;
}

StateError DecodeState(const std::vector<unsigned char>& bytes, StateFile& state,
                       std::string& message)
{
    const std::size_t size = bytes.size();
    if (size > StateFormat::kMaxFileSize) {
        return Fail(StateError::Unsupported, message,
                    "larger than the " + Bytes(StateFormat::kMaxFileSize) +
                        " a state file may have");
    }
    if (size < 4) {
        return Fail(StateError::Truncated, message,
                    "truncated: " + Bytes(size) + ", too short for a program or bank file");
    }
    if (GetInt32(bytes, 0) != kChunkMagic) {
        return Fail(StateError::NotAStateFile, message,
                    "not a program or bank file: it starts with " +
                        FourCharacters(GetInt32(bytes, 0)) + ", not 'CcnK'");
    }
    if (size < kCommonHeaderSize) {
        return Fail(StateError::Truncated, message,
                    "truncated: " + Bytes(size) + " end the file inside its header");
    }
    const std::int32_t kind = GetInt32(bytes, 8);
    if (kind == kProgramValuesMagic || kind == kBankValuesMagic) {
        return Fail(StateError::Unsupported, message,
                    "a " + std::string(kind == kProgramValuesMagic ? "program" : "bank") +
                        " file of parameter values (" + FourCharacters(kind) +
                        "); only files with an opaque chunk ('FPCh', 'FBCh') are read");
    }
    if (kind != kProgramChunkMagic && kind != kBankChunkMagic) {
        return Fail(StateError::NotAStateFile, message,
                    "not a program or bank file: unknown kind " + FourCharacters(kind));
    }
    const bool bank = kind == kBankChunkMagic;
    const std::int32_t version = GetInt32(bytes, 12);
    if (version < 1 || version > 2) {
        return Fail(StateError::Unsupported, message,
                    "format version " + std::to_string(version) + " (1 and 2 are read)");
    }
    const std::size_t headerSize =
        bank ? StateFormat::kBankHeaderSize : StateFormat::kProgramHeaderSize;
    if (size < headerSize) {
        return Fail(StateError::Truncated, message,
                    "truncated: " + Bytes(size) + " end the file inside its header of " +
                        Bytes(headerSize));
    }
    const auto declared = static_cast<std::uint32_t>(GetInt32(bytes, 4));
    if (declared != size - 8) {
        const bool shorter = declared > size - 8;
        return Fail(StateError::SizeMismatch, message,
                    "the header says " + Bytes(declared) + " follow its first 8, but " +
                        Bytes(size - 8) + " do" +
                        (shorter ? " (the file was cut short)" : " (bytes were added)"));
    }
    const std::int32_t chunkSize = GetInt32(bytes, headerSize - 4);
    if (chunkSize < 0 || static_cast<std::size_t>(chunkSize) != size - headerSize) {
        return Fail(StateError::ChunkOutOfBounds, message,
                    "the chunk size " + std::to_string(chunkSize) + " disagrees with the " +
                        Bytes(size - headerSize) + " after the header" +
                        (chunkSize < 0 || static_cast<std::size_t>(chunkSize) > size - headerSize
                             ? " (it would run past the end)"
                             : ""));
    }

    state.kind = bank ? StateKind::Bank : StateKind::Program;
    state.formatVersion = version;
    state.pluginId = GetInt32(bytes, 16);
    state.pluginVersion = GetInt32(bytes, 20);
    state.count = GetInt32(bytes, 24);
    state.programName.clear();
    state.currentProgram = -1;
    if (bank) {
        if (version >= 2) {
            state.currentProgram = GetInt32(bytes, kCommonHeaderSize);
        }
    } else {
        state.programName = FixedString(reinterpret_cast<const char*>(&bytes[kCommonHeaderSize]),
                                        StateFormat::kNameFieldSize);
    }
    state.chunk.assign(bytes.begin() + static_cast<std::ptrdiff_t>(headerSize), bytes.end());
    message.clear();
    return StateError::None;
}

StateError ReadStateFile(const std::string& path, StateFile& state, std::string& message)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                               &std::fclose);
    if (!file) {
        return Fail(StateError::Unreadable, message, "cannot open the file");
    }
    std::vector<unsigned char> bytes;
    unsigned char buffer[65536];
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof(buffer), file.get());
        bytes.insert(bytes.end(), buffer, buffer + got);
        if (bytes.size() > StateFormat::kMaxFileSize) {
            bytes.resize(StateFormat::kMaxFileSize + 1);
            break;
        }
        if (got < sizeof(buffer)) {
            if (std::ferror(file.get()) != 0) {
                return Fail(StateError::Unreadable, message, "cannot read the file");
            }
            break;
        }
    }
    return DecodeState(bytes, state, message);
}

bool WriteStateFile(const std::string& path, const StateFile& state, std::string& error)
{
    const std::vector<unsigned char> bytes = EncodeState(state);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = "cannot write " + path;
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written) {
        std::remove(path.c_str());
        error = "cannot write " + path;
        return false;
    }
    return true;
}
