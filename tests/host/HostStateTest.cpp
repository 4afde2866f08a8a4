// `programs`, `render --program/--state` and `state save|load|show` end to end: with the
// fixture synth, whose chunk and levels are known byte for byte, and with the real plug-in,
// whose restored state must render exactly as the options that made it.
#include "tests/host/HostProcess.h"
#include "tests/host/SmfBytes.h"
#include "tests/host/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace smf;

const std::string kGood = FIXTURE_GOOD;
const std::string kQuellorn = QUELLORN_MODULE;
const std::string kExamples = QUELLORN_EXAMPLES;
// The fixture's program 1, where it starts. Its chunk holds 12 bytes of tag and levels, then
// this name and its terminator.
const std::string kLongName =
    "A Rather Long Program Name That Overruns The Twenty-Four Byte Limit, As Host Buffers Allow";
const std::string kLongChunkSize = std::to_string(12 + kLongName.size() + 1);

Bytes Text(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

Bytes With(Bytes bytes, std::size_t at, const Bytes& replacement)
{
    std::copy(replacement.begin(), replacement.end(), bytes.begin() + static_cast<long>(at));
    return bytes;
}

// The fixture's chunk in program 0 ("Init", levels 0.5 and 0.25 as little-endian floats).
Bytes FixtureChunk(const char* tag)
{
    return Join({Text(tag), {0x00, 0x00, 0x00, 0x3F}, {0x00, 0x00, 0x80, 0x3E}, Text("Init"), {0}});
}

// 60 + 17 bytes, less the first 8.
const Bytes kInitProgram =
    Join({Text("CcnK"), Be32(69), Text("FPCh"), Be32(1), Text("QhFx"), Be32(1234), Be32(4),
          Text("Init"), Bytes(24, 0), Be32(17), FixtureChunk("QhPg")});
// 160 + 17 bytes, less the first 8; 2 programs, program 0 current.
const Bytes kInitBank =
    Join({Text("CcnK"), Be32(169), Text("FBCh"), Be32(2), Text("QhFx"), Be32(1234), Be32(2),
          Be32(0), Bytes(124, 0), Be32(17), FixtureChunk("QhBk")});

std::vector<std::string> Plus(std::vector<std::string> args, const std::vector<std::string>& more)
{
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

struct SaveCase {
    std::string file;
    std::vector<std::string> options;
    Bytes expected;
    std::string summary;
    std::string shown; // what `state show` prints after the magic and kind
};

TEST(HostState, SavesTheChunkInProgramAndBankFilesAndShowsThem)
{
    const Scratch scratch;
    const std::string programShown = "format version: 1\nplug-in id: 0x51684678 'QhFx'\n"
                                     "plug-in version: 1234\nparameters: 4\nname: \"Init\"\n"
                                     "chunk size: 17\n";
    const std::string bankShown = "format version: 2\nplug-in id: 0x51684678 'QhFx'\n"
                                  "plug-in version: 1234\nprograms: 2\ncurrent program: 0\n"
                                  "chunk size: 17\n";
    const SaveCase cases[] = {
        {"init.fxp", {}, kInitProgram, "saved program \"Init\", chunk of 17 bytes", programShown},
        {"init.fxb", {}, kInitBank, "saved bank of 2 programs, chunk of 17 bytes", bankShown},
        {"INIT.FXB", {}, kInitBank, "saved bank of 2 programs, chunk of 17 bytes", bankShown},
        {"init.state",
         {"--bank"},
         kInitBank,
         "saved bank of 2 programs, chunk of 17 bytes",
         bankShown},
    };
    for (const SaveCase& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = scratch.Path(c.file);
        const ProcessResult saved =
            HostProcess::Run(Plus({"state", "save", kGood, path, "--program", "0"}, c.options));
        ASSERT_EQ(saved.exitCode, 0) << saved.err;
        EXPECT_EQ(saved.out, "program 0: \"Init\"\n"
                             "slot 1: (empty)\nslot 2: (empty)\nslot 3: (empty)\n" +
                                 c.summary + ": " + path + "\n");
        EXPECT_EQ(ReadBytes(path), c.expected);

        const ProcessResult shown = HostProcess::Run({"state", "show", path});
        EXPECT_EQ(shown.exitCode, 0) << shown.err;
        const bool bank = c.expected == kInitBank;
        EXPECT_EQ(shown.out, std::string("magic: 'CcnK'\nkind: ") +
                                 (bank ? "'FBCh' (bank, opaque chunk)\n"
                                       : "'FPCh' (program, opaque chunk)\n") +
                                 c.shown);
        std::filesystem::remove(path);
    }
}

// The fixture starts in program 1, whose name does not fit a program file's name field:
// the chunk brings the whole name back.
TEST(HostState, LoadRestoresTheStateInAFreshProcessAndSavesTheSameFileAgain)
{
    const Scratch scratch;
    for (const std::string name : {"levels.fxp", "levels.fxb"}) {
        SCOPED_TRACE(name);
        const bool bank = name == "levels.fxb";
        const std::string path = scratch.Path(name);
        const ProcessResult saved = HostProcess::Run(
            {"state", "save", kGood, path, "--param", "Level@1=30", "--param", "Level@2=60"});
        ASSERT_EQ(saved.exitCode, 0) << saved.err;

        const ProcessResult loaded = HostProcess::Run({"state", "load", kGood, path});
        ASSERT_EQ(loaded.exitCode, 0) << loaded.err;
        const std::string& chunkSize = kLongChunkSize;
        EXPECT_EQ(loaded.out,
                  (bank ? "state: bank of 2 programs, at program 1, chunk of " + chunkSize +
                              " bytes, accepted\n"
                        : "state: program \"A Rather Long Program Name \", chunk of " + chunkSize +
                              " bytes, accepted\n") +
                      "current program: 1 \"" + kLongName +
                      "\"\n"
                      "parameters: 4\n"
                      "parameter 0: name \"Cutoff\" label \"Hz\" display \"5000\" value 0.250000\n"
                      "parameter 1: name \"Host Tempo\" label \"bpm\" display \"120.0\" value "
                      "0.750000\n"
                      "parameter 2: name \"Level\" label \"%\" display \"30.0\" value 0.300000\n"
                      "parameter 3: name \"Level\" label \"%\" display \"60.0\" value 0.600000\n"
                      "slot 1: (empty)\nslot 2: (empty)\nslot 3: (empty)\n");
        EXPECT_EQ(LinesStartingWith(loaded.err, "fixture: set"),
                  std::vector<std::string>{"fixture: set " +
                                           std::string(bank ? "bank" : "program") + " chunk of " +
                                           chunkSize + " bytes"});
        EXPECT_EQ(LinesStartingWith(loaded.err, "fixture: program").size(), bank ? 1u : 0u);

        const std::string again = scratch.Path("again-" + name);
        const ProcessResult resaved =
            HostProcess::Run({"state", "save", kGood, again, "--state", path});
        ASSERT_EQ(resaved.exitCode, 0) << resaved.err;
        EXPECT_EQ(ReadBytes(again), ReadBytes(path));
    }
}

// A state names its samples by path. One that has gone missing since is a warning, not a
// failure: the rest of the state is still worth having, and the path is kept for the
// next save, so putting the file back brings the sample back.
TEST(HostState, ARestoredStateWithAMissingSampleWarnsAndKeepsItsPath)
{
    const Scratch scratch;
    const std::string sample = scratch.Write("pad.wav", {1, 2, 3});
    const std::string kept = scratch.Write("bass.wav", {4, 5});
    const std::string midi = scratch.Write(
        "note.mid", Join({Header(0, 1, 480), Track({Ev(0, {0x90, 60, 127}), EndOfTrack(48)})}));
    const std::string state = scratch.Path("set.fxp");
    ASSERT_EQ(HostProcess::Run({"state", "save", kGood, state, "--slot", "1=" + kept, "--slot",
                                "2=" + sample})
                  .exitCode,
              0);
    std::filesystem::rename(sample, sample + ".away");

    const std::string resaved = scratch.Path("again.fxp");
    const std::string warning =
        "quellorn-host: warning: slot 2: cannot load " + sample + ": not found\n";
    const std::vector<std::string> missingReport = {"slot 1: " + kept,
                                                    "slot 2: (empty; keeps " + sample + ")",
                                                    "slot 3: (empty)"};
    const std::vector<std::vector<std::string>> commands = {
        {"state", "load", kGood, state},
        {"render", kGood, midi, scratch.Path("out.wav"), "--state", state},
        {"state", "save", kGood, resaved, "--state", state},
    };
    for (const std::vector<std::string>& command : commands) {
        SCOPED_TRACE(command[0] + " " + command[1]);
        const ProcessResult result = HostProcess::Run(command);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(LinesStartingWith(result.out, "slot "), missingReport);
        EXPECT_NE(result.err.find(warning), std::string::npos) << result.err;
    }
    EXPECT_EQ(ReadBytes(resaved), ReadBytes(state));

    std::filesystem::rename(sample + ".away", sample);
    const ProcessResult back = HostProcess::Run({"state", "load", kGood, resaved});
    EXPECT_EQ(back.exitCode, 0) << back.err;
    EXPECT_EQ(LinesStartingWith(back.out, "slot "),
              (std::vector<std::string>{"slot 1: " + kept, "slot 2: " + sample,
                                        "slot 3: (empty)"}));
    EXPECT_EQ(back.err.find("warning"), std::string::npos) << back.err;
}

struct OrderCase {
    std::vector<std::string> options;
    float left;
    float right;
    std::vector<std::string> calls; // the fixture's program and chunk calls, in order
};

TEST(HostState, RenderAppliesBankProgramProgramFileSlotsAndParametersInThatOrder)
{
    const Scratch scratch;
    const std::string program = scratch.Path("p.fxp");
    const std::string bank = scratch.Path("b.fxb");
    for (const std::string& path : {program, bank}) {
        ASSERT_EQ(HostProcess::Run({"state", "save", kGood, path, "--param", "Level@1=30",
                                    "--param", "Level@2=60"})
                      .exitCode,
                  0);
    }
    // Full velocity from the first frame: the outputs are the two levels themselves.
    const std::string midi = scratch.Write(
        "note.mid", Join({Header(0, 1, 480),
                          Track({Ev(0, {0x90, 60, 127}), Ev(480, {0x80, 60, 0}), EndOfTrack()})}));
    const std::string out = scratch.Path("out.wav");
    const std::string setProgram = "fixture: set program chunk of " + kLongChunkSize + " bytes";
    const std::string setBank = "fixture: set bank chunk of " + kLongChunkSize + " bytes";
    const OrderCase cases[] = {
        {{}, 1.0f, 1.0f, {}},
        {{"--program", "0"}, 0.5f, 0.25f, {"fixture: program 0"}},
        {{"--state", program}, 0.3f, 0.6f, {setProgram}},
        {{"--state", bank}, 0.3f, 0.6f, {"fixture: program 1", setBank}},
        {{"--state", program, "--program", "0"}, 0.3f, 0.6f, {"fixture: program 0", setProgram}},
        {{"--program", "0", "--state", bank},
         0.5f,
         0.25f,
         {"fixture: program 1", setBank, "fixture: program 0"}},
        {{"--param", "Level@2=100", "--state", program}, 0.3f, 1.0f, {setProgram}},
    };
    for (const OrderCase& c : cases) {
        SCOPED_TRACE(Joined(c.options));
        const ProcessResult result = HostProcess::Run(
            Plus({"render", kGood, midi, out, "--tail", "0", "--format", "float"}, c.options));
        ASSERT_EQ(result.exitCode, 0) << result.err;
        std::vector<std::string> calls;
        for (const std::string& line : LinesStartingWith(result.err, "fixture: ")) {
            if (line.find("fixture: program") == 0 || line.find("fixture: set") == 0) {
                calls.push_back(line);
            }
        }
        EXPECT_EQ(calls, c.calls);
        const Wav wav = ReadWav(out);
        ASSERT_TRUE(wav.ok);
        ASSERT_EQ(wav.info.frames, 22050);
        for (std::int64_t frame = 0; frame < wav.info.frames; frame += 441) {
            ASSERT_EQ(wav.At(frame, 0), c.left) << frame;
            ASSERT_EQ(wav.At(frame, 1), c.right) << frame;
        }
    }
}

struct RefusalCase {
    const char* what;
    Bytes file;
    std::string plugin;
    int exitCode;
    std::string message;
    int showExitCode; // `state show` does not look at the plug-in
};

TEST(HostState, RefusesStatesItCannotUseWithDistinctExitCodes)
{
    const Scratch scratch;
    const std::string midi = scratch.Write(
        "note.mid", Join({Header(0, 1, 480), Track({Ev(0, {0x90, 60, 127}), EndOfTrack(48)})}));
    Bytes longer = kInitProgram;
    longer.push_back(0);
    const RefusalCase cases[] = {
        {"not a state file", Text("RIFF....WAVEfmt "), kGood, 9, "not a program or bank file", 9},
        {"parameter values", With(kInitProgram, 8, Text("FxCk")), kGood, 10, "'FxCk'", 10},
        {"cut in the header", Bytes(kInitProgram.begin(), kInitProgram.begin() + 20), kGood, 11,
         "truncated", 11},
        {"cut in the chunk", Bytes(kInitProgram.begin(), kInitProgram.end() - 1), kGood, 12,
         "cut short", 12},
        {"byte added", longer, kGood, 12, "added", 12},
        {"chunk past the end", With(kInitProgram, 56, Be32(18)), kGood, 13, "past the end", 13},
        {"other plug-in", With(kInitProgram, 16, Text("zvtk")), kGood, 14,
         "the state is for the plug-in with id 0x7A76746B 'zvtk', not for this one (0x51684678 "
         "'QhFx')",
         0},
        {"no chunks", kInitProgram, FIXTURE_NO_CHUNKS, 15, "no ProgramChunks flag", 0},
        {"level out of range", With(kInitProgram, 64, {0x00, 0x00, 0x00, 0x40}), kGood, 16,
         "the plug-in refused the program state (effSetChunk returned 0)", 0},
        {"program chunk in a bank", With(kInitBank, 160, Text("QhPg")), kGood, 16,
         "the plug-in refused the bank state", 0},
    };
    const std::string out = scratch.Path("out.wav");
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = scratch.Write("state.fxp", c.file);
        const std::string saved = scratch.Path("saved.fxp");
        const std::vector<std::vector<std::string>> commands = {
            {"state", "load", c.plugin, path},
            {"render", c.plugin, midi, out, "--state", path},
            {"state", "save", c.plugin, saved, "--state", path},
        };
        for (const std::vector<std::string>& command : commands) {
            SCOPED_TRACE(command[0] + " " + command[1]);
            const ProcessResult result = HostProcess::Run(command);
            EXPECT_EQ(result.exitCode, c.exitCode);
            EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
            EXPECT_FALSE(std::filesystem::exists(out));
            EXPECT_FALSE(std::filesystem::exists(saved));
        }
        EXPECT_EQ(HostProcess::Run({"state", "show", path}).exitCode, c.showExitCode);
    }
}

struct CommandCase {
    std::vector<std::string> args;
    int exitCode;
    std::string message;
};

TEST(HostState, RefusesMistakenCommandsBeforeWritingAnything)
{
    const Scratch scratch;
    const std::string midi = scratch.Write(
        "note.mid", Join({Header(0, 1, 480), Track({Ev(0, {0x90, 60, 127}), EndOfTrack(48)})}));
    const std::string valid = scratch.Write("valid.fxp", kInitProgram);
    const std::string missing = scratch.Path("missing.fxp");
    const std::string saved = scratch.Path("saved.fxp");
    const std::string out = scratch.Path("out.wav");
    const CommandCase cases[] = {
        {{"state", "save", FIXTURE_NO_CHUNKS, saved}, 15, "no ProgramChunks flag"},
        {{"state", "save", kGood, saved, "--program", "2"}, 1, "no program 2: the plug-in has 2"},
        {{"state", "save", kGood, saved, "--bank"}, 2, "named as a program file"},
        {{"state", "save", kGood, scratch.Path("no/dir.fxp")}, 1, "cannot write"},
        {{"state", "load", kGood, missing}, 3, "no such file: " + missing},
        {{"state", "frob", kGood}, 2, "unknown state action 'frob'"},
        {{"state", "show", valid, valid}, 2, "'state show' takes only FILE"},
        {{"state", "load", kGood, valid, "--bank"}, 2, "'--bank' goes only with 'state save'"},
        {{"render", kGood, midi, out, "--program", "first"}, 2, "invalid value for '--program'"},
        {{"render", kGood, midi, out, "--program", "2"}, 1, "no program 2"},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(Joined(c.args));
        const ProcessResult result = HostProcess::Run(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_FALSE(std::filesystem::exists(saved));
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

TEST(HostPrograms, ListsTheFixturesProgramsAndTheCurrentOne)
{
    const ProcessResult result = HostProcess::Run({"programs", kGood});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "programs: 2\nprogram 0: \"Init\"\nprogram 1: \"" + kLongName +
                              "\"\ncurrent program: 1\n");
}

TEST(HostProgramsQuellorn, ListsTheFactoryPrograms)
{
    const ProcessResult result = HostProcess::Run({"programs", kQuellorn});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "programs: 10\n"
                          "program 0: \"---- default ----\"\n"
                          "program 1: \"Pluck\"\n"
                          "program 2: \"Lead\"\n"
                          "program 3: \"Pad\"\n"
                          "program 4: \"Release Long\"\n"
                          "program 5: \"Drum\"\n"
                          "program 6: \"Drum Next Octaves\"\n"
                          "program 7: \"- 8 -\"\n"
                          "program 8: \"- 9 -\"\n"
                          "program 9: \"- 10 -\"\n"
                          "current program: 0\n");
}

// A chord over five octaves, long enough for attacks and releases to matter. It starts
// after the first block: Quellorn starts its engine afresh in its first block.
Bytes ChordSong()
{
    return Join({Header(0, 1, 480),
                 Track({Ev(240, {0x90, 36, 100}), Ev(0, {0x90, 48, 100}), Ev(0, {0x90, 60, 100}),
                        Ev(0, {0x90, 72, 100}), Ev(0, {0x90, 84, 100}), Ev(960, {0x80, 36, 0}),
                        Ev(0, {0x80, 48, 0}), Ev(0, {0x80, 60, 0}), Ev(0, {0x80, 72, 0}),
                        Ev(0, {0x80, 84, 0}), EndOfTrack()})});
}

const std::vector<std::string> kDemoSlots = {"--slot", "1=" + kExamples + "/bass.wav",
                                             "--slot", "2=" + kExamples + "/pad.wav",
                                             "--slot", "3=" + kExamples + "/lead.wav"};

bool Audible(const Wav& wav)
{
    return std::any_of(wav.samples.begin(), wav.samples.end(),
                       [](double sample) { return std::fabs(sample) > 1e-3; });
}

TEST(HostProgramsQuellorn, ProgramFiveSoundsDifferentFromProgramZero)
{
    const Scratch scratch;
    const std::string midi = scratch.Write("chord.mid", ChordSong());
    std::vector<Wav> renders;
    for (const std::vector<std::string>& program :
         std::vector<std::vector<std::string>>{{}, {"--program", "0"}, {"--program", "5"}}) {
        const std::string out = scratch.Path("out" + std::to_string(renders.size()) + ".wav");
        const ProcessResult result = HostProcess::Run(Plus(
            Plus({"render", kQuellorn, midi, out, "--tail", "1", "--format", "float"}, program),
            kDemoSlots));
        ASSERT_EQ(result.exitCode, 0) << result.err;
        renders.push_back(ReadWav(out));
        ASSERT_TRUE(renders.back().ok);
        EXPECT_TRUE(Audible(renders.back()));
    }
    EXPECT_EQ(renders[0].samples, renders[1].samples); // program 0 is where the plug-in starts
    EXPECT_NE(renders[1].samples, renders[2].samples);
}

TEST(HostStateQuellorn, RestoredStateRendersBitForBitAsTheOptionsThatMadeIt)
{
    const Scratch scratch;
    const std::string midi = scratch.Write("chord.mid", ChordSong());
    const std::vector<std::string> options =
        Plus(Plus({"--program", "2"}, kDemoSlots),
             {"--param", "Low Note@1=24", "--param", "High Note@1=47", "--param", "Root Note@1=45",
              "--param", "Loop@1=No", "--param", "Attack@2=0.4", "--param", "Alternate Pan@2=Yes",
              "--param", "Volume@3=-6", "--param", "Pan@3=-20"});
    const std::vector<std::string> render = {"render", kQuellorn, midi};
    const std::vector<std::string> format = {"--tail", "1", "--format", "float"};

    const std::string fromOptions = scratch.Path("options.wav");
    ASSERT_EQ(HostProcess::Run(Plus(Plus(Plus(render, {fromOptions}), format), options)).exitCode,
              0);
    const Wav expected = ReadWav(fromOptions);
    ASSERT_TRUE(expected.ok);
    ASSERT_TRUE(Audible(expected));

    for (const std::string name : {"demo.fxp", "demo.fxb"}) {
        SCOPED_TRACE(name);
        const std::string path = scratch.Path(name);
        const ProcessResult saved =
            HostProcess::Run(Plus({"state", "save", kQuellorn, path}, options));
        ASSERT_EQ(saved.exitCode, 0) << saved.err;

        const std::string fromState = scratch.Path("state.wav");
        const ProcessResult rendered =
            HostProcess::Run(Plus(Plus(render, {fromState, "--state", path}), format));
        ASSERT_EQ(rendered.exitCode, 0) << rendered.err;
        const Wav restored = ReadWav(fromState);
        ASSERT_TRUE(restored.ok);
        EXPECT_EQ(restored.info.frames, expected.info.frames);
        EXPECT_TRUE(restored.samples == expected.samples);

        const ProcessResult loaded = HostProcess::Run({"state", "load", kQuellorn, path});
        ASSERT_EQ(loaded.exitCode, 0) << loaded.err;
        EXPECT_EQ(LinesStartingWith(loaded.out, "slot "),
                  (std::vector<std::string>{"slot 1: " + kExamples + "/bass.wav",
                                            "slot 2: " + kExamples + "/pad.wav",
                                            "slot 3: " + kExamples + "/lead.wav"}));
        // Attack of slot 2: 12 parameters a slot.
        EXPECT_EQ(
            LinesStartingWith(loaded.out, "parameter 17: name \"Attack\" label \"s\" display \"0.40\" value ")
                .size(),
            1u)
            << loaded.out;

        const std::string again = scratch.Path("again-" + name);
        ASSERT_EQ(HostProcess::Run({"state", "save", kQuellorn, again, "--state", path}).exitCode,
                  0);
        EXPECT_TRUE(ReadBytes(again) == ReadBytes(path));
    }
}

struct ValueCase {
    std::string param;
    int exitCode;
    std::string message; // the parameter line's end on stdout, or part of stderr
};

// The host refuses what Quellorn would read as some other number, and reads switch words
// and note names the way people write them.
TEST(HostSetupQuellorn, ParameterValuesAreReadAsPeopleWriteThem)
{
    const Scratch scratch;
    const std::string saved = scratch.Path("p.fxp");
    const ValueCase cases[] = {
        {"Loop@1=on", 0, "shown as \"Yes\""},
        {"Loop@1=OFF", 0, "shown as \"No\""},
        {"Reverse@2=True", 0, "shown as \"Yes\""},
        {"Active@3=0", 0, "shown as \"No\""},
        {"Alternate Pan@1=yes", 0, "shown as \"Yes\""},
        {"Root Note@1=C4", 0, "shown as \"60\""},
        {"Low Note@2=F#3", 0, "shown as \"54\""},
        {"High Note@3=Eb2", 0, "shown as \"39\""},
        {"Root Note@1=bb3", 0, "shown as \"58\""},
        {"Root Note@1=61", 0, "shown as \"61\""},
        {"Volume@1=-6 dB", 0, "shown as \"-6 dB\""},
        {"Attack@2=0.5s", 0, "shown as \"0.50 s\""},
        {"Loop@1=maybe", 1,
         "'maybe' is not a value of parameter 11 \"Loop\" (No, Yes; or On/Off, True/False, 1/0)"},
        {"Loop@1=2", 1, "'2' is not a value of parameter 11"},
        {"Attack@1=slow", 1, "'slow' is not a number for parameter 5 \"Attack\""},
        {"Volume@1=-6 s", 1, "'-6 s' is not a number for parameter 9"},
        {"Root Note@1=H4", 1, "'H4' is not a number or a note name (C4 = 60) for parameter 3"},
        {"Pan@1=C4", 1, "'C4' is not a number for parameter 7 \"Pan\""},
    };
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(c.param);
        const ProcessResult result =
            HostProcess::Run({"state", "save", kQuellorn, saved, "--param", c.param});
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        if (c.exitCode == 0) {
            const std::vector<std::string> lines = LinesStartingWith(result.out, "parameter ");
            ASSERT_EQ(lines.size(), 1u) << result.out;
            const std::size_t tail = std::min(lines[0].size(), c.message.size());
            EXPECT_EQ(lines[0].substr(lines[0].size() - tail), c.message);
        } else {
            EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        }
        std::filesystem::remove(saved);
    }
}

struct SlotReportCase {
    std::vector<std::string> slots;
    int exitCode;
    std::vector<std::string> report; // stdout's slot lines
    std::string err;                 // expected part of stderr
};

TEST(HostSetupQuellorn, SlotReportShowsWhatEachSlotReallyHolds)
{
    const Scratch scratch;
    const std::string aif = scratch.Write("tone.aif", Text("FORM....AIFF"));
    const std::string junk = scratch.Write("junk.wav", Text("RIFF"));
    const std::string pad = kExamples + "/pad.wav";
    const SlotReportCase cases[] = {
        // An instrument file fills all three slots, whichever slot it is given to.
        {{"2=" + kExamples + "/demo.sfz"}, 0,
         {"slot 1: " + kExamples + "/bass.wav", "slot 2: " + pad,
          "slot 3: " + kExamples + "/lead.wav"},
         ""},
        {{"2=" + pad}, 0, {"slot 1: (empty)", "slot 2: " + pad, "slot 3: (empty)"}, ""},
        {{"1=" + pad, "3=" + aif}, 17, {}, "quellorn-host: slot 3: cannot load " + aif},
        {{"2=" + junk}, 17, {}, "quellorn-host: slot 2: cannot load " + junk},
    };
    const std::string saved = scratch.Path("p.fxp");
    for (const SlotReportCase& c : cases) {
        SCOPED_TRACE(Joined(c.slots));
        std::vector<std::string> args = {"state", "save", kQuellorn, saved};
        for (const std::string& slot : c.slots) {
            args.insert(args.end(), {"--slot", slot});
        }
        const ProcessResult result = HostProcess::Run(args);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_EQ(LinesStartingWith(result.out, "slot "), c.report);
        EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
        EXPECT_EQ(std::filesystem::exists(saved), c.exitCode == 0);
        std::filesystem::remove(saved);
    }
}

// The plug-in keeps the path of a sample that a restore could not load, and gives the reason.
TEST(HostSetupQuellorn, ARestoredStateWithAMissingSampleWarns)
{
    const Scratch scratch;
    const std::string sample = scratch.Path("pad.wav");
    std::filesystem::copy_file(kExamples + "/pad.wav", sample);
    const std::string state = scratch.Path("set.fxp");
    ASSERT_EQ(
        HostProcess::Run({"state", "save", kQuellorn, state, "--slot", "2=" + sample}).exitCode, 0);
    std::filesystem::remove(sample);
    const ProcessResult loaded = HostProcess::Run({"state", "load", kQuellorn, state});
    EXPECT_EQ(loaded.exitCode, 0) << loaded.err;
    EXPECT_EQ(LinesStartingWith(loaded.out, "slot 2: "),
              std::vector<std::string>{"slot 2: (empty; keeps " + sample + ")"});
    const std::string warning =
        "quellorn-host: warning: slot 2: cannot load " + sample + ": not found\n";
    EXPECT_NE(loaded.err.find(warning), std::string::npos) << loaded.err;
}

} // namespace
