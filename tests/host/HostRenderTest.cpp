// `quellorn-host render` end to end: the fixture synth plays a known level for every held
// note, so the WAV file read back shows whether each note started and stopped on its frame,
// whatever the block size, format or precision.
#include "tests/host/HostProcess.h"
#include "tests/host/SmfBytes.h"
#include "tests/host/TestFiles.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace smf;

const std::string kGood = FIXTURE_GOOD;
constexpr double kTwoPi = 6.283185307179586;

struct Note {
    int key;
    int velocity;
    std::int64_t on;  // frame
    std::int64_t off; // frame
};

// One tick is one frame at 44100 Hz: 22050 ticks a quarter at 120 bpm.
constexpr unsigned kFrameTicks = 22050;

// Around the 512-frame block boundaries on purpose, and ended once by a velocity-0 note-on.
const std::vector<Note> kNotes = {
    {60, 64, 511, 1023},
    {64, 40, 512, 1500},
    {67, 20, 1024, 2048},
};
constexpr std::int64_t kSongEnd = 3000;

Bytes NotesFile()
{
    return Join({Header(0, 1, kFrameTicks),
                 Track({Tempo(0, 500000), Ev(511, {0x90, 60, 64}), Ev(1, {0x90, 64, 40}),
                        Ev(511, {0x80, 60, 0}), Ev(1, {0x90, 67, 20}), Ev(476, {0x80, 64, 0}),
                        Ev(548, {0x90, 67, 0}), EndOfTrack(952)})});
}

double ExpectedLevel(std::int64_t frame, double scale = 1.0)
{
    double level = 0.0;
    for (const Note& note : kNotes) {
        const std::int64_t on = std::llround(note.on * scale);
        const std::int64_t off = std::llround(note.off * scale);
        if (frame >= on && frame < off) {
            level += note.velocity / 127.0;
        }
    }
    return level;
}

// The first frame whose channel differs from the expected level by more than tolerance,
// or -1. Integer formats hold nothing beyond full scale: there the level is clipped.
std::int64_t FirstMismatch(const Wav& wav, int channel, double gain, double tolerance,
                           double scale = 1.0)
{
    const bool clips = (wav.info.format & SF_FORMAT_SUBMASK) != SF_FORMAT_FLOAT;
    for (std::int64_t frame = 0; frame < wav.info.frames; ++frame) {
        double expected = gain * ExpectedLevel(frame, scale);
        expected = clips ? std::min(expected, 1.0) : expected;
        if (std::fabs(wav.At(frame, channel) - expected) > tolerance) {
            return frame;
        }
    }
    return -1;
}

struct RenderCase {
    std::vector<std::string> options;
    int rate;
    double tailSeconds;
    int format;
    double tolerance; // a little over one step of the format
    double gain = 1.0;
};

TEST(HostRender, NotesLandOnTheirFramesWhateverTheFormatBlockRateAndTail)
{
    const Scratch scratch;
    const std::string midi = scratch.Write("notes.mid", NotesFile());
    const std::string out = scratch.Path("out.wav");
    const RenderCase cases[] = {
        {{}, 44100, 2.0, SF_FORMAT_PCM_24, 2.0 / (1 << 23)},
        {{"--format", "pcm16", "--block", "100", "--tail", "0.5"}, 44100, 0.5, SF_FORMAT_PCM_16,
         2.0 / (1 << 15)},
        {{"--format", "float", "--block", "1", "--tail", "0"}, 44100, 0.0, SF_FORMAT_FLOAT, 1e-6},
        {{"--format=float", "--double", "--block", "511", "--rate", "48000", "--tail", "0.25"},
         48000, 0.25, SF_FORMAT_FLOAT, 1e-6},
        {{"--double", "--block", "4096", "--rate=22050", "--tail=1.5"}, 22050, 1.5,
         SF_FORMAT_PCM_24, 2.0 / (1 << 23)},
        // Loud enough to pass full scale: integer data must clip there, not wrap round.
        {{"--format", "pcm16", "--gain", "+12", "--tail", "0"}, 44100, 0.0, SF_FORMAT_PCM_16,
         2.0 / (1 << 15), std::pow(10.0, 12.0 / 20.0)},
        {{"--double", "--gain=6", "--tail", "0"}, 44100, 0.0, SF_FORMAT_PCM_24, 2.0 / (1 << 23),
         std::pow(10.0, 6.0 / 20.0)},
        {{"--format", "float", "--gain", "-20.5", "--tail", "0"}, 44100, 0.0, SF_FORMAT_FLOAT,
         1e-6, std::pow(10.0, -20.5 / 20.0)},
        {{"--format", "float", "--gain", "12", "--tail", "0"}, 44100, 0.0, SF_FORMAT_FLOAT, 1e-6,
         std::pow(10.0, 12.0 / 20.0)},
    };
    for (const RenderCase& c : cases) {
        SCOPED_TRACE(Joined(c.options));
        std::vector<std::string> args{"render", kGood, midi, out};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const ProcessResult result = HostProcess::Run(args);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        // The fixture complains on stderr about events outside their block and about a
        // transport that does not follow the frames it was given.
        EXPECT_EQ(result.err.find("fixture: event"), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("fixture: transport"), std::string::npos) << result.err;

        const Wav wav = ReadWav(out);
        ASSERT_TRUE(wav.ok);
        EXPECT_EQ(wav.info.format, SF_FORMAT_WAV | c.format);
        EXPECT_EQ(wav.info.samplerate, c.rate);
        EXPECT_EQ(wav.info.channels, 2);
        // Song times stay put in seconds, so at another rate each lands on the nearest frame.
        const double scale = c.rate / 44100.0;
        EXPECT_EQ(wav.info.frames,
                  std::llround(kSongEnd * scale) + std::llround(c.tailSeconds * c.rate));
        EXPECT_EQ(FirstMismatch(wav, 0, c.gain, c.tolerance, scale), -1);
        EXPECT_EQ(FirstMismatch(wav, 1, c.gain, c.tolerance, scale), -1);
    }
}

// The host's calls in the order a sequencer makes them, and a transport whose tempo and
// musical position follow the song's tempo change.
TEST(HostRender, LifecycleAndTransportFollowTheSong)
{
    const Scratch scratch;
    // 120 bpm, then 60 bpm from the third quarter (frame 44100) on.
    const std::string midi = scratch.Write(
        "tempo.mid",
        Join({Header(1, 2, 480), Track({Tempo(0, 500000), Tempo(960, 1000000), EndOfTrack()}),
              Track({Ev(0, {0x90, 60, 100}), Ev(1920, {0x80, 60, 0}), EndOfTrack()})}));
    const std::string out = scratch.Path("out.wav");

    // The change shows in the first block that starts after it: block 87 of 512 frames.
    const int changeBlock = 44544;
    char changed[96];
    std::snprintf(changed, sizeof(changed), "fixture: tempo 60.000 at frame %d ppq %.6f",
                  changeBlock, 2.0 + (changeBlock - 44100) / 44100.0);
    for (const bool doubles : {false, true}) {
        SCOPED_TRACE(doubles ? "double" : "float");
        std::vector<std::string> args{"render", kGood, midi, out, "--tail", "0"};
        if (doubles) {
            args.push_back("--double");
        }
        const ProcessResult result = HostProcess::Run(args);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const std::vector<std::string> expected = {
            "fixture: effOpen",
            "fixture: sample rate 44100.0",
            "fixture: block size 512",
            doubles ? "fixture: precision 64" : "fixture: precision 32",
            "fixture: mains on",
            "fixture: start process",
            "fixture: tempo 120.000 at frame 0 ppq 0.000000",
            changed,
            "fixture: stop process",
            "fixture: mains off",
            "fixture: effClose",
            "fixture: unloaded",
        };
        EXPECT_EQ(LinesStartingWith(result.err, "fixture: "), expected);
        EXPECT_EQ(ReadWav(out).info.frames, 132300);
    }
}

struct ParamCase {
    std::vector<std::string> options;
    double left;  // gain of the left output
    double right; // gain of the right output
    std::string out; // expected part of stdout
};

TEST(HostRender, ParametersChannelAndGainShapeTheOutput)
{
    const Scratch scratch;
    const std::string midi = scratch.Write("notes.mid", NotesFile());
    const std::string out = scratch.Path("out.wav");
    const ParamCase cases[] = {
        {{"--param", "Level@2=50"}, 1.0, 0.5,
         "parameter 3 \"Level\" = 50: normalised 0.500000, shown as \"50.0 %\"\n"},
        {{"--param", "2=25", "--param", "level@2=100"}, 0.25, 1.0,
         "parameter 2 \"Level\" = 25: normalised 0.250000"},
        {{"--param", "Level@1=0", "--param", "Level@1=75"}, 0.75, 1.0,
         "parameter 2 \"Level\" = 75:"},
        {{"--param", "Cutoff=10000"}, 1.0, 1.0,
         "parameter 0 \"Cutoff\" = 10000: normalised 0.500000, shown as \"10000 Hz\""},
        {{"--param", "Cutoff=5000 hz", "--param", "Level@1=25%"}, 0.25, 1.0,
         "parameter 0 \"Cutoff\" = 5000 hz: normalised 0.250000"},
        // The song plays on channel 1 only.
        {{"--channel", "2"}, 0.0, 0.0, ""},
        {{"--channel", "1", "--gain", "-6", "--param", "Level@2=50"}, std::pow(10.0, -0.3),
         0.5 * std::pow(10.0, -0.3), ""},
    };
    for (const ParamCase& c : cases) {
        SCOPED_TRACE(Joined(c.options));
        std::vector<std::string> args{"render", kGood, midi, out, "--tail", "0"};
        args.insert(args.end(), {"--format", "float"});
        args.insert(args.end(), c.options.begin(), c.options.end());
        const ProcessResult result = HostProcess::Run(args);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_NE(result.out.find(c.out), std::string::npos) << result.out;
        const Wav wav = ReadWav(out);
        ASSERT_TRUE(wav.ok);
        EXPECT_EQ(FirstMismatch(wav, 0, c.left, 1e-6), -1);
        EXPECT_EQ(FirstMismatch(wav, 1, c.right, 1e-6), -1);
    }
}

struct SlotCase {
    std::vector<std::string> slots;
    int exitCode;
    std::vector<std::string> out; // the slot report
    std::string err;              // expected part of stderr
};

TEST(HostRender, SlotsAreLoadedThroughThePluginAndFailuresReported)
{
    const Scratch scratch;
    const std::string midi = scratch.Write("notes.mid", NotesFile());
    const std::string sample = scratch.Write("sample.wav", {1, 2, 3});
    const std::string empty = scratch.Write("empty.wav", {});
    const std::string aif = scratch.Write("sample.aif", {1, 2, 3});
    const std::string missing = scratch.Path("missing.wav");
    const std::string out = scratch.Path("out.wav");
    const SlotCase cases[] = {
        {{"1=" + sample, "3=" + sample}, 0,
         {"slot 1: " + sample, "slot 2: (empty)", "slot 3: " + sample}, ""},
        {{}, 0, {"slot 1: (empty)", "slot 2: (empty)", "slot 3: (empty)"}, ""},
        {{"2=" + empty}, 17, {},
         "quellorn-host: slot 2: cannot load " + empty + ": no audio data\n"},
        {{"1=" + sample, "3=" + aif}, 17, {},
         "quellorn-host: slot 3: cannot load " + aif + ": unsupported format: .aif\n"},
        {{"1=" + sample, "4=" + sample}, 1, {},
         "quellorn-host: the plug-in has no sample slot 4\n"},
        {{"1=" + missing}, 3, {}, "quellorn-host: no such file: " + missing + "\n"},
    };
    for (const SlotCase& c : cases) {
        SCOPED_TRACE(Joined(c.slots));
        std::filesystem::remove(out);
        std::vector<std::string> args{"render", kGood, midi, out, "--tail", "0"};
        for (const std::string& slot : c.slots) {
            args.push_back("--slot");
            args.push_back(slot);
        }
        const ProcessResult result = HostProcess::Run(args);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_EQ(LinesStartingWith(result.out, "slot "), c.out);
        EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("warning"), std::string::npos) << result.err;
        // A failed setup writes no output at all, not an empty or partial file.
        EXPECT_EQ(std::filesystem::exists(out), c.exitCode == 0);
    }
}

struct ErrorCase {
    std::vector<std::string> options;
    int exitCode;
    std::string err;
};

TEST(HostRender, RefusesBadOptionsAndInputsWithAReason)
{
    const Scratch scratch;
    const std::string midi = scratch.Write("notes.mid", NotesFile());
    const std::string text = scratch.Write("notes.txt", {'M', 'T', 'h', 'd', 0, 0});
    const std::string out = scratch.Path("out.wav");
    const std::string slotFile = scratch.Write("s.wav", {1});
    const std::string tooLong(261, 'x');
    const ErrorCase cases[] = {
        {{"--rate", "0"}, 2, "invalid value for '--rate': '0' (whole Hz from 1000 to 768000)"},
        {{"--block", "0"}, 2, "invalid value for '--block': '0'"},
        {{"--block", "65537"}, 2, "invalid value for '--block'"},
        {{"--tail", "-1"}, 2, "invalid value for '--tail'"},
        {{"--tail", "nan"}, 2, "invalid value for '--tail'"},
        {{"--format", "mp3"}, 2, "invalid value for '--format': 'mp3' (pcm16, pcm24 or float)"},
        {{"--slot", "1"}, 2, "invalid value for '--slot': '1'"},
        {{"--slot", "0=" + slotFile}, 2, "invalid value for '--slot'"},
        {{"--slot", "1=" + slotFile, "--slot", "1=" + slotFile}, 2, "slot 1 given twice"},
        {{"--slot", "1=" + tooLong}, 2, "at most 260 bytes"},
        {{"--param", "Level="}, 2, "invalid value for '--param'"},
        {{"--param", "Level=50"}, 1,
         "'Level' names 2 parameters; pick one with Level@1 to Level@2"},
        {{"--param", "Level@3=50"}, 1, "no parameter 'Level@3': only 2 are named 'Level'"},
        {{"--param", "Resonance=1"}, 1, "no parameter named 'Resonance'"},
        {{"--param", "4=1"}, 1, "no parameter 4: the plug-in has 4"},
        {{"--param", "Host Tempo=100"}, 1,
         "the plug-in did not convert '100' for parameter 1 ('Host Tempo')"},
        {{"--param", "Level@1=loud"}, 1, "'loud' is not a number for parameter 2 \"Level\""},
        {{"--param", "Level@1=50 dB"}, 1, "'50 dB' is not a number"},
        {{"--channel", "0"}, 2, "invalid value for '--channel': '0' (a MIDI channel from 1 to 16)"},
        {{"--channel", "17"}, 2, "invalid value for '--channel'"},
        {{"--gain", "loud"}, 2, "invalid value for '--gain': 'loud' (dB from -120 to 40)"},
        {{"--gain", "41"}, 2, "invalid value for '--gain'"},
        {{"--gain", "nan"}, 2, "invalid value for '--gain'"},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(Joined(c.options));
        std::vector<std::string> args{"render", kGood, midi, out};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const ProcessResult result = HostProcess::Run(args);
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }

    const std::string missing = scratch.Path("none.mid");
    const std::string unwritable = scratch.Path("no/such/dir.wav");
    const ErrorCase inputs[] = {
        {{"render", kGood, midi}, 2, "missing PLUGIN MIDIFILE OUTPUT.wav"},
        {{"render", kGood, missing, out}, 3, "no such file: " + missing},
        {{"render", kGood, text, out}, 8,
         "quellorn-host: " + text + ": truncated or malformed MThd header"},
        {{"render", scratch.Path("none.so"), midi, out}, 3, "no such file"},
        {{"render", kGood, midi, unwritable}, 1, "cannot write " + unwritable},
    };
    for (const ErrorCase& c : inputs) {
        SCOPED_TRACE(Joined(c.options));
        const ProcessResult result = HostProcess::Run(c.options);
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
    }
}

// A disk that fills up: before the header (a full device) or in the middle of the data
// (a file-size limit). Neither may pass for a render, nor leave a damaged file behind.
TEST(HostRender, AFullDiskFailsTheRenderAndLeavesNoDamagedFile)
{
    const Scratch scratch;
    const std::string midi = scratch.Write("notes.mid", NotesFile());
    const std::string out = scratch.Path("out.wav");

    const ProcessResult full = HostProcess::Run({"render", kGood, midi, "/dev/full"});
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_NE(full.err.find("cannot write /dev/full: System error : No space left on device"),
              std::string::npos)
        << full.err;

    for (const char* format : {"pcm24", "float"}) {
        SCOPED_TRACE(format);
        const ProcessResult limited =
            HostProcess::RunWithFileLimit({"render", kGood, midi, out, "--format", format}, 64);
        EXPECT_EQ(limited.exitCode, 18);
        EXPECT_NE(limited.err.find("writing the output failed"), std::string::npos)
            << limited.err;
        EXPECT_NE(limited.err.find(out + " is incomplete"), std::string::npos) << limited.err;
        EXPECT_EQ(limited.out.find("rendered"), std::string::npos) << limited.out;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    // The limit alone does not fail a render that fits it.
    const ProcessResult small = HostProcess::RunWithFileLimit(
        {"render", kGood, midi, out, "--tail", "0", "--format", "pcm16"}, 64);
    EXPECT_EQ(small.exitCode, 0) << small.err;
    EXPECT_TRUE(ReadWav(out).ok);
}

// The real plug-in with a generated sample in slot 1: silent until the note, sounding after.
TEST(HostRenderQuellorn, PlaysASampleFromSlotOne)
{
    const Scratch scratch;
    const std::string sample = scratch.Path("sine.wav");
    {
        SF_INFO info{};
        info.samplerate = 44100;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* file = sf_open(sample.c_str(), SFM_WRITE, &info);
        ASSERT_NE(file, nullptr);
        std::vector<float> tone(22050);
        for (std::size_t i = 0; i < tone.size(); ++i) {
            tone[i] = 0.5f * static_cast<float>(std::sin(kTwoPi * 441.0 * i / 44100.0));
        }
        ASSERT_EQ(sf_writef_float(file, tone.data(), 22050), 22050);
        sf_close(file);
    }
    // Note 60 from a quarter to three quarters of a second (120 bpm, 480 ticks a quarter).
    const std::string midi = scratch.Write(
        "note.mid",
        Join({Header(0, 1, 480),
              Track({Ev(240, {0x90, 60, 100}), Ev(480, {0x80, 60, 0}), EndOfTrack()})}));
    const std::string out = scratch.Path("out.wav");
    const ProcessResult result =
        HostProcess::Run({"render", QUELLORN_MODULE, midi, out, "--tail", "0.5", "--format",
                          "float", "--slot", "1=" + sample, "--param", "Attack@1=0.01", "--param",
                          "Root Note@1=60"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("slot 1: " + sample + "\n"), std::string::npos) << result.out;

    const Wav wav = ReadWav(out);
    ASSERT_TRUE(wav.ok);
    EXPECT_EQ(wav.info.channels, 2);
    EXPECT_EQ(wav.info.frames, 33075 + 22050);
    double peakBefore = 0.0;
    double peakAfter = 0.0;
    for (std::int64_t frame = 0; frame < wav.info.frames; ++frame) {
        const double magnitude = std::max(std::fabs(wav.At(frame, 0)), std::fabs(wav.At(frame, 1)));
        double& peak = frame < 11025 ? peakBefore : peakAfter;
        peak = std::max(peak, magnitude);
    }
    EXPECT_EQ(peakBefore, 0.0);
    EXPECT_GT(peakAfter, 0.01);
}

} // namespace
