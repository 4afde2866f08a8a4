// `quellorn-host snapshot` end to end with the real plug-in: the picture shows the editor's
// background where no control draws, an enlargement repeats every pixel, and every bad
// argument or output is refused with the exit code scripts rely on.
#include "tests/host/HostProcess.h"
#include "tests/host/TestFiles.h"

#include "raster/PngCodec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kModule = QUELLORN_MODULE;

IRaster ReadPng(const std::string& path)
{
    const smf::Bytes bytes = ReadBytes(path);
    return PngCodec::Decode(bytes.data(), bytes.size());
}

std::uint32_t At(const IRaster& r, int x, int y)
{
    return r.Pixels()[static_cast<std::size_t>(y) * static_cast<std::size_t>(r.Width()) +
                      static_cast<std::size_t>(x)];
}

TEST(HostSnapshot, ShowsTheBackgroundWhereNoControlDrawsAndEnlargesPixelByPixel)
{
    Scratch scratch;
    const std::string plain = scratch.Path("editor.png");
    const std::string large = scratch.Path("editor-x2.png");
    const ProcessResult one = HostProcess::Run({"snapshot", kModule, plain});
    ASSERT_EQ(one.exitCode, 0) << one.err;
    EXPECT_NE(one.out.find("snapshot 504x492, 0 notes held: " + plain), std::string::npos)
        << one.out;
    const ProcessResult two = HostProcess::Run({"snapshot", "--scale", "2", kModule, large});
    ASSERT_EQ(two.exitCode, 0) << two.err;

    const IRaster background = ReadPng(QUELLORN_RESOURCE_DIR "/img/bg.png");
    const IRaster picture = ReadPng(plain);
    const IRaster enlarged = ReadPng(large);
    ASSERT_EQ(std::vector<int>({picture.Width(), picture.Height(), enlarged.Width(),
                                enlarged.Height()}),
              std::vector<int>({504, 492, 1008, 984}));
    ASSERT_EQ(background.Width(), 504);
    // Inside boxes of the layout that only the background covers: the title plate's margins,
    // the gaps between the slot columns, below the keyboards, the corners.
    const std::vector<std::pair<int, int>> points = {
        {0, 0}, {503, 0}, {250, 60}, {12, 150}, {177, 150}, {495, 250}, {100, 270}, {170, 300},
        {5, 488}, {500, 470}};
    for (const auto& [x, y] : points)
        EXPECT_EQ(At(picture, x, y), At(background, x, y)) << x << ", " << y;
    int mismatches = 0;
    for (int y = 0; y < 984; ++y)
        for (int x = 0; x < 1008; ++x)
            mismatches += At(enlarged, x, y) != At(picture, x / 2, y / 2);
    EXPECT_EQ(mismatches, 0);
}

TEST(HostSnapshot, RefusesBadArgumentsAndUnwritableOutput)
{
    Scratch scratch;
    const std::string out = scratch.Path("out.png");
    const std::string notAudio = scratch.Path("not-audio.wav");
    std::ofstream(notAudio) << "not a wave file";
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string message; // expected in stderr
    } cases[] = {
        {{"--scale", "0", kModule, out}, 2, "invalid value for '--scale': '0'"},
        {{"--scale", "9", kModule, out}, 2, "invalid value for '--scale': '9'"},
        {{"--scale", "2x", kModule, out}, 2, "invalid value for '--scale'"},
        {{"--notes", "", kModule, out}, 2, "invalid value for '--notes'"},
        {{"--notes", "C4,,E4", kModule, out}, 2, "invalid value for '--notes'"},
        {{"--notes", "60,128", kModule, out}, 2, "invalid value for '--notes'"},
        {{"--notes", "H4", kModule, out}, 2, "invalid value for '--notes'"},
        {{"--frames", "2", kModule, out}, 2, "--frames"},
        {{kModule}, 2, ""},
        {{"--slot", "1=" + notAudio, kModule, out}, 17, "slot 1: cannot load"},
        {{"--slot", "1=" + scratch.Path("missing.wav"), kModule, out}, 3, "no such file"},
        {{FIXTURE_GOOD, out}, 1, "no editor"},
        {{kModule, scratch.Path("no-such-folder/out.png")}, 18, "cannot write"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"snapshot"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE(Joined(args));
        const ProcessResult result = HostProcess::Run(args);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    // A disk that fills up part way: no half picture is left behind.
    const ProcessResult full = HostProcess::RunWithFileLimit({"snapshot", kModule, out}, 1);
    EXPECT_EQ(full.exitCode, 18) << full.err;
    EXPECT_FALSE(std::filesystem::exists(out));
}

} // namespace
