// The program and bank file layout, checked against bytes put together by hand from the
// published layout, and the reader's refusal of every kind of damage.
#include "tools/host/StateFile.h"

#include "tests/host/SmfBytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using smf::Be32;
using smf::Bytes;
using smf::Join;

Bytes Text(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

constexpr std::int32_t kId = 0x51684678; // 'QhFx'

StateFile Program(const std::string& name, const Bytes& chunk)
{
    StateFile state;
    state.kind = StateKind::Program;
    state.pluginId = kId;
    state.pluginVersion = 1234;
    state.count = 4;
    state.programName = name;
    state.chunk = chunk;
    return state;
}

StateFile Bank(std::int32_t current, const Bytes& chunk)
{
    StateFile state;
    state.kind = StateKind::Bank;
    state.formatVersion = 2;
    state.pluginId = kId;
    state.pluginVersion = -2; // signed fields must survive as such
    state.count = 2;
    state.currentProgram = current;
    state.chunk = chunk;
    return state;
}

struct LayoutCase {
    const char* what;
    StateFile state;
    Bytes expected;
};

TEST(StateFile, WritesTheProgramAndBankLayoutsByteForByte)
{
    const LayoutCase cases[] = {
        // 60 header bytes + 3 chunk bytes, less the first 8: 55.
        {"program", Program("Init", {1, 2, 3}),
         Join({Text("CcnK"),
               Be32(55),
               Text("FPCh"),
               Be32(1),
               Text("QhFx"),
               Be32(1234),
               Be32(4),
               Text("Init"),
               Bytes(24, 0),
               Be32(3),
               {1, 2, 3}})},
        // 30 characters: 27 stay, and the field keeps its terminator. 60 - 8 = 52.
        {"long name", Program("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123", {}),
         Join({Text("CcnK"),
               Be32(52),
               Text("FPCh"),
               Be32(1),
               Text("QhFx"),
               Be32(1234),
               Be32(4),
               Text("ABCDEFGHIJKLMNOPQRSTUVWXYZ0"),
               {0},
               Be32(0)})},
        // 160 + 4 - 8 = 156.
        {"bank", Bank(1, {9, 8, 7, 6}),
         Join({Text("CcnK"),
               Be32(156),
               Text("FBCh"),
               Be32(2),
               Text("QhFx"),
               Be32(0xFFFFFFFE),
               Be32(2),
               Be32(1),
               Bytes(124, 0),
               Be32(4),
               {9, 8, 7, 6}})},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(EncodeState(c.state), c.expected);
    }
}

TEST(StateFile, ReadsBackWhatItWrites)
{
    const StateFile cases[] = {
        Program("Init", {1, 2, 3}),         Program("", {}),
        Program("Pad", Bytes(70000, 0xA5)), // longer than one read buffer
        Bank(7, {0, 0, 0, 0, 0}),           Bank(0, {}),
    };
    for (const StateFile& original : cases) {
        SCOPED_TRACE(original.programName + " " + std::to_string(original.chunk.size()));
        StateFile read;
        std::string message;
        ASSERT_EQ(DecodeState(EncodeState(original), read, message), StateError::None) << message;
        EXPECT_EQ(read.kind, original.kind);
        EXPECT_EQ(read.formatVersion, original.kind == StateKind::Bank ? 2 : 1);
        EXPECT_EQ(read.pluginId, original.pluginId);
        EXPECT_EQ(read.pluginVersion, original.pluginVersion);
        EXPECT_EQ(read.count, original.count);
        EXPECT_EQ(read.programName, original.programName);
        EXPECT_EQ(read.currentProgram,
                  original.kind == StateKind::Bank ? original.currentProgram : -1);
        EXPECT_EQ(read.chunk, original.chunk);
    }
}

// Version 1 banks keep 128 reserved bytes where version 2 keeps the current program.
TEST(StateFile, ReadsAVersionOneBankWithoutACurrentProgram)
{
    const Bytes file = Join({Text("CcnK"),
                             Be32(154),
                             Text("FBCh"),
                             Be32(1),
                             Text("QhFx"),
                             Be32(1),
                             Be32(3),
                             Be32(5),
                             Bytes(124, 0),
                             Be32(2),
                             {4, 2}});
    StateFile read;
    std::string message;
    ASSERT_EQ(DecodeState(file, read, message), StateError::None) << message;
    EXPECT_EQ(read.formatVersion, 1);
    EXPECT_EQ(read.count, 3);
    EXPECT_EQ(read.currentProgram, -1);
    EXPECT_EQ(read.chunk, (Bytes{4, 2}));
}

Bytes With(Bytes bytes, std::size_t at, const Bytes& replacement)
{
    std::copy(replacement.begin(), replacement.end(), bytes.begin() + static_cast<long>(at));
    return bytes;
}

Bytes Cut(const Bytes& bytes, std::size_t size)
{
    return Bytes(bytes.begin(), bytes.begin() + static_cast<long>(size));
}

struct DamageCase {
    const char* what;
    Bytes file;
    StateError error;
    std::string message; // expected part
};

TEST(StateFile, RefusesEachKindOfDamageWithItsOwnError)
{
    const Bytes program = EncodeState(Program("Init", {1, 2, 3})); // 63 bytes
    const Bytes bank = EncodeState(Bank(0, {1, 2, 3, 4})); // 164 bytes
    Bytes longer = program;
    longer.push_back(0);
    const DamageCase cases[] = {
        {"empty", {}, StateError::Truncated, "0 bytes"},
        {"three bytes", Text("Ccn"), StateError::Truncated, "3 bytes"},
        {"other magic", With(program, 0, Text("RIFF")), StateError::NotAStateFile, "'RIFF'"},
        {"header cut", Cut(program, 27), StateError::Truncated, "27 bytes"},
        {"unknown kind", With(program, 8, Text("FxZz")), StateError::NotAStateFile, "'FxZz'"},
        {"parameter program", With(program, 8, Text("FxCk")), StateError::Unsupported, "'FxCk'"},
        {"parameter bank", With(bank, 8, Text("FxBk")), StateError::Unsupported, "'FxBk'"},
        {"version 0", With(program, 12, Be32(0)), StateError::Unsupported, "version 0"},
        {"version 3", With(bank, 12, Be32(3)), StateError::Unsupported, "version 3"},
        {"program header cut", Cut(program, 59), StateError::Truncated, "59 bytes"},
        // A program file this long would be complete; as a bank its header is cut.
        {"bank header cut", Cut(bank, 100), StateError::Truncated, "100 bytes"},
        {"chunk cut", Cut(program, 62), StateError::SizeMismatch, "cut short"},
        {"byte added", longer, StateError::SizeMismatch, "added"},
        {"byte size too large", With(bank, 4, Be32(157)), StateError::SizeMismatch, "157"},
        {"byte size negative", With(program, 4, Be32(0xFFFFFFFF)), StateError::SizeMismatch, ""},
        {"chunk past the end", With(program, 56, Be32(4)), StateError::ChunkOutOfBounds,
         "past the end"},
        {"chunk far past the end", With(bank, 156, Be32(0x7FFFFFFF)), StateError::ChunkOutOfBounds,
         "past the end"},
        {"negative chunk", With(program, 56, Be32(0x80000000)), StateError::ChunkOutOfBounds,
         "-2147483648"},
        {"chunk short of the end", With(bank, 156, Be32(3)), StateError::ChunkOutOfBounds,
         "the chunk size 3 disagrees with the 4 bytes"},
    };
    for (const DamageCase& c : cases) {
        SCOPED_TRACE(c.what);
        StateFile read;
        std::string message;
        EXPECT_EQ(DecodeState(c.file, read, message), c.error);
        EXPECT_NE(message.find(c.message), std::string::npos) << message;
        EXPECT_FALSE(message.empty());
    }
}

// Every length short of the whole file must be refused, never read past.
TEST(StateFile, RefusesEveryTruncation)
{
    for (const Bytes& file :
         {EncodeState(Program("Init", {1, 2, 3})), EncodeState(Bank(0, {1, 2, 3, 4}))}) {
        for (std::size_t size = 0; size < file.size(); ++size) {
            SCOPED_TRACE(std::to_string(file.size()) + " cut to " + std::to_string(size));
            StateFile read;
            std::string message;
            EXPECT_NE(DecodeState(Cut(file, size), read, message), StateError::None);
        }
    }
}

} // namespace
