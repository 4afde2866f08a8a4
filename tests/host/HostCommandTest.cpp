// End-to-end checks of quellorn-host: exit codes and messages a script relies on, and the
// exact `info` report for a known module.
#include "tests/host/HostProcess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kGood = FIXTURE_GOOD;

const std::string kGoodInfo =
    "effect name: \"Fixture Synth With A Name Longer Than Thirty-Two Bytes\"\n"
    "vendor: \"Quellorn \\x22Tests\\x22\"\n"
    "product: \"fixture for Quellorn Host\"\n"
    "vendor version: 10000\n"
    "unique id: 0x51684678 'QhFx'\n"
    "version: 1234\n"
    "vst version: 2400\n"
    "category: 2 (synth)\n"
    "flags: 0x00001134 (CanReplacing ProgramChunks IsSynth CanDoubleReplacing 0x00000004)\n"
    "inputs: 0\n"
    "outputs: 2\n"
    "output 0: label \"Fixture Out L\" short \"FxL\" flags 0x00000003 (IsActive IsStereo)\n"
    "output 1: label \"Fixture Out R\" short \"FxR\" flags 0x00000003 (IsActive IsStereo)\n"
    "parameters: 4\n"
    "parameter 0: name \"Cutoff\" label \"Hz\" display \"5000\" value 0.250000\n"
    "parameter 1: name \"Host Tempo\" label \"bpm\" display \"120.0\" value 0.750000\n"
    "parameter 2: name \"Level\" label \"%\" display \"100.0\" value 1.000000\n"
    "parameter 3: name \"Level\" label \"%\" display \"100.0\" value 1.000000\n"
    "programs: 2\n"
    "program 0: \"Init\"\n"
    "program 1: \"A Rather Long Program Name That Overruns The Twenty-Four Byte Limit, As Host "
    "Buffers Allow\"\n"
    "current program: 1\n";

// effOpen before the sample rate, effClose before the module goes away, nothing else.
const std::string kGoodLifecycle = "fixture: effOpen\n"
                                   "fixture: sample rate 44100.0\n"
                                   "fixture: block size 512\n"
                                   "fixture: effClose\n"
                                   "fixture: unloaded\n";

std::string Line(const std::string& text, const std::string& prefix)
{
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            return line;
        }
    }
    return "";
}

TEST(HostInfo, ReportsGoodModuleExactly)
{
    const ProcessResult result = HostProcess::Run({"info", kGood});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, kGoodInfo);
    EXPECT_EQ(result.err, kGoodLifecycle);
}

TEST(HostInfo, FallsBackToLegacyMainEntryPoint)
{
    const ProcessResult result = HostProcess::Run({"info", FIXTURE_LEGACY_MAIN});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, kGoodInfo);
}

// The fixture reports the product string and vendor version it asked for while it was
// still being constructed, so this also covers callbacks made before the effect is known.
TEST(HostInfo, HostOptionsReachThePluginFromEitherSideOfTheCommand)
{
    const std::vector<std::vector<std::string>> placements = {
        {"--host-product", "Test Rig", "--host-version", "4242", "info", kGood},
        {"info", "--host-product=Test Rig", kGood, "--host-version=4242"},
    };
    for (const auto& args : placements) {
        const ProcessResult result = HostProcess::Run(args);
        SCOPED_TRACE(args.front());
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(Line(result.out, "product:"), "product: \"fixture for Test Rig\"");
        EXPECT_EQ(Line(result.out, "vendor version:"), "vendor version: 4242");
    }
}

TEST(HostInfo, LongHostProductIsCutToFitTheHostBuffer)
{
    const std::string longProduct(100, 'p');
    const ProcessResult result = HostProcess::Run({"--host-product", longProduct, "info", kGood});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Line(result.out, "product:"),
              "product: \"fixture for " + std::string(63, 'p') + "\"");
}

struct LoadFailureCase {
    const char* name;
    std::string path;
    int exitCode;
    std::string message;
};

TEST(HostInfo, LoadFailuresHaveDistinctExitCodesAndMessages)
{
    const std::string notAModule = testing::TempDir() + "quellorn-not-a-module.so";
    std::ofstream(notAModule) << "this is text, not a shared library\n";
    const std::string missing = testing::TempDir() + "quellorn-missing-module.so";

    const LoadFailureCase cases[] = {
        {"missing", missing, 3, "quellorn-host: no such file: " + missing + "\n"},
        {"not a module", notAModule, 4, "quellorn-host: cannot load module: "},
        {"no entry", FIXTURE_NO_ENTRY, 5,
         "quellorn-host: no entry point: module exports neither VSTPluginMain nor main\n"},
        {"null effect", FIXTURE_NULL_EFFECT, 6, "quellorn-host: entry point returned no effect\n"},
        {"bad magic", FIXTURE_BAD_MAGIC, 7,
         "quellorn-host: bad magic: 0x12345678 (expected 0x56737450)\n"},
    };
    for (const LoadFailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ProcessResult result = HostProcess::Run({"info", c.path});
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_EQ(result.err.substr(0, c.message.size()), c.message);
        EXPECT_EQ(result.out, "");
    }
    // The loader's own reason must follow, not just our prefix.
    const ProcessResult unloadable = HostProcess::Run({"info", notAModule});
    EXPECT_GT(unloadable.err.size(), std::string("quellorn-host: cannot load module: \n").size());
    std::remove(notAModule.c_str());
}

struct CommandLineCase {
    std::vector<std::string> args;
    int exitCode;
    std::string out; // expected substring of stdout ("" = must be empty)
    std::string err; // expected substring of stderr ("" = must be empty)
};

TEST(HostCommandLine, HelpVersionAndUsageErrors)
{
    const CommandLineCase cases[] = {
        {{"--help"}, 0, "Usage: quellorn-host [options] COMMAND", ""},
        {{"-h"}, 0, "  info ", ""},
        {{"info", "--help"}, 0, "Usage: quellorn-host info [options] PLUGIN", ""},
        {{"render", "--help"}, 0, "17 a --slot file the plug-in could not load", ""},
        {{"render", "--help"}, 0, "18 the output could not be written", ""},
        {{"render", "--help"}, 0, "--gain DB", ""},
        {{"--host-version", "5", "info", "-h"}, 0, "--host-product TEXT", ""},
        {{"--version"}, 0, "quellorn-host ", ""},
        {{}, 2, "", "quellorn-host: no command given\n"},
        {{"render-everything"}, 2, "", "unknown command 'render-everything'"},
        {{"--bogus", "info", kGood}, 2, "", "unknown option '--bogus'\nTry 'quellorn-host --help'."},
        {{"info", "--bogus", kGood}, 2, "", "unknown option '--bogus' for 'info'"},
        {{"info"}, 2, "", "missing PLUGIN\nTry 'quellorn-host info --help'."},
        {{"info", kGood, "extra"}, 2, "", "unexpected argument 'extra'"},
        {{"info", kGood, "--host-product"}, 2, "", "option '--host-product' requires a value"},
        {{"--host-version", "ten", "info", kGood}, 2, "", "invalid value for '--host-version': 'ten'"},
        {{"--host-version", "-1", "info", kGood}, 2, "", "invalid value for '--host-version'"},
        {{"--host-version", "4294967296", "info", kGood}, 2, "", "invalid value"},
        {{"--version=3"}, 2, "", "option '--version' takes no value"},
    };
    for (const CommandLineCase& c : cases) {
        std::string joined;
        for (const std::string& arg : c.args) {
            joined += arg + " ";
        }
        SCOPED_TRACE(joined);
        const ProcessResult result = HostProcess::Run(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode);
        if (c.out.empty()) {
            EXPECT_EQ(result.out, "");
        } else {
            EXPECT_NE(result.out.find(c.out), std::string::npos) << result.out;
        }
        if (c.err.empty()) {
            EXPECT_EQ(result.err, "");
        } else {
            EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
        }
    }
}

// Each parameter's range as the plug-in shows its lowest and highest value, and the named
// values of its switches.
TEST(HostInfoQuellorn, ShowsEachParametersRange)
{
    const ProcessResult result = HostProcess::Run({"info", QUELLORN_MODULE});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::pair<const char*, const char*> cases[] = {
        {"parameter 0: ", "value 1.000000 values No|Yes"},
        {"parameter 13: ", "range 12..127"},
        {"parameter 16: ", "range 1..48"},
        {"parameter 29: ", "range 0..16.00 s"},
        {"parameter 31: ", "range -100..100"},
        {"parameter 33: ", "range -48..24 dB"},
        {"parameter 35: ", "values No|Yes"},
    };
    for (const auto& [prefix, end] : cases) {
        SCOPED_TRACE(prefix);
        const std::string line = Line(result.out, prefix);
        const std::string expected = end;
        ASSERT_GE(line.size(), expected.size()) << line;
        EXPECT_EQ(line.substr(line.size() - expected.size()), expected);
    }
}

} // namespace
