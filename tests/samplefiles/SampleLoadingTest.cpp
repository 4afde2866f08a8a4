// Loading a file into a slot: names, neighbours in the folder, the stored path, failures,
// reverse, routing, the rate ratio, and paths that don't fit the loading path's buffers.
#include "editor/MySample.h"
#include "editor/SampleRange.h"
#include "engine/Quellorn.h"
#include "samplefiles/FileSystem.h"
#include "tests/plugbase/TestHost.h"
#include "tests/samplefiles/WavTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace WavTestFiles;

namespace {

class SampleLoadingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(host.Create(), nullptr);
        plug = static_cast<CLS_QUELLORN*>(host.effect->object);
    }

    void Open(float rate = 44100.0f)
    {
        host.Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        host.Dispatch(effOpen);
    }

    MySample& Display(int slot = 0) { return *plug->sampleDisplay[slot]; }
    SampleData& Sample(int slot = 0) { return plug->slotSample[slot]; }
    std::string Stored(int slot = 0) { return plug->StateTextAt(slot); }

    // Plane `plane` of the slot as loaded.
    std::vector<double> PlaneOf(int slot, int plane)
    {
        const SampleData& sample = Sample(slot);
        const double* start = sample.Plane(plane);
        return std::vector<double>(start, start + sample.frames);
    }

    // Channel `channel` of a sox decoding with `channels` interleaved channels.
    static std::vector<double> ChannelOf(const std::string& fixture, int channels, int channel)
    {
        const std::vector<double> all = ExpectedValues(fixture + ".f64");
        std::vector<double> out;
        for (std::size_t i = std::size_t(channel); i < all.size(); i += std::size_t(channels))
            out.push_back(all[i]);
        return out;
    }

    TestHost host;
    CLS_QUELLORN* plug = nullptr;
    TempFolder folder;
};

TEST(MySampleNeighbours, PreviousAndNextAreTheAudioEntriesAroundTheCurrentName)
{
    const std::vector<std::string> names
        = { "b.wav", "A.OGG", "notes.txt", "c.sfz", "d.wav", "flac", "e.Flac", "f.flac.txt" };
    const std::string sep(1, FileSystem::kPathSeparator);
    struct Case {
        const char* current;
        std::string previous;
        std::string next;
    } cases[] = {
        { "d.wav", "f" + sep + "A.OGG", "f" + sep + "e.Flac" },
        { "b.wav", "", "f" + sep + "A.OGG" },
        { "A.OGG", "f" + sep + "b.wav", "f" + sep + "d.wav" },
        { "e.Flac", "f" + sep + "d.wav", "" },
        // The name must match exactly: in another case it isn't found, so the previous
        // path is the folder's last audio entry and there is no next one.
        { "B.wav", "f" + sep + "e.Flac", "" },
        { "c.sfz", "f" + sep + "e.Flac", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.current);
        char previous[MySample::kPathSize] = "stale";
        char next[MySample::kPathSize] = "stale";
        MySample::FindNeighbours(names, "f", c.current, previous, next);
        EXPECT_EQ(previous, c.previous);
        EXPECT_EQ(next, c.next);
    }
}

TEST_F(SampleLoadingTest, NeighboursFollowTheFolderListingOrder)
{
    Open();
    for (const char* name : { "b.wav", "d.wav" })
        folder.Copy("pcm16-stereo.wav", name);
    for (const char* name : { "A.OGG", "notes.txt", "c.sfz" })
        folder.Write(name, "not audio");
    std::vector<std::string> audio;
    for (const auto& entry : std::filesystem::directory_iterator(folder.root)) {
        const std::string name = entry.path().filename().string();
        if (name != "notes.txt" && name != "c.sfz")
            audio.push_back(name);
    }
    for (std::size_t i = 0; i < audio.size(); ++i) {
        if (audio[i] == "A.OGG")
            continue;
        SCOPED_TRACE(audio[i]);
        Display().LoadFile(folder.Path(audio[i]).c_str());
        EXPECT_EQ(Display().PreviousPath(), i > 0 ? folder.Path(audio[i - 1]) : "");
        EXPECT_EQ(Display().NextPath(), i + 1 < audio.size() ? folder.Path(audio[i + 1]) : "");
    }
}

TEST_F(SampleLoadingTest, LoadsEveryEncodingIntoPlanesAndRecordsThePath)
{
    Open();
    struct Case {
        const char* fixture;
        int channels;
        const char* name; // the FLAC file of the fixture when it ends in .Flac
    } cases[] = { { "pcm8-mono", 1, "x.Wav" }, { "pcm24-stereo", 2, "x.Wav" },
        { "float64-stereo", 2, "x.Wav" }, { "pcm16-quad", 4, "x.Wav" },
        { "extensible24-stereo", 2, "x.Wav" }, { "pcm8-mono", 1, "x.Flac" },
        { "pcm24-six", 6, "x.Flac" } };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fixture) + " as " + c.name);
        const std::string flac = FlacFile(std::string(c.fixture) + ".flac").string();
        const std::string path = std::string(c.name) == "x.Flac"
            ? folder.CopyFile(flac, c.name)
            : folder.Copy(std::string(c.fixture) + ".wav", c.name);
        Display().LoadFile(path.c_str());
        EXPECT_EQ(Sample().channels, c.channels);
        EXPECT_EQ(PlaneOf(0, 0), ChannelOf(c.fixture, c.channels, 0));
        // Further channels are dropped: the buffer holds frames x channels, planes 0 and 1
        // filled, the rest zero.
        EXPECT_EQ(Sample().samples.size(), std::size_t(Sample().frames) * std::size_t(c.channels));
        if (c.channels > 1) {
            EXPECT_EQ(PlaneOf(0, 1), ChannelOf(c.fixture, c.channels, 1));
        }
        EXPECT_EQ(Stored(), path);
        EXPECT_STREQ(Display().DisplayName(), c.name);
        EXPECT_TRUE(Display().NeedsPaint());
        EXPECT_FALSE(Display().NeedsPaint());
    }
}

TEST_F(SampleLoadingTest, AnSfzRegionTakesAFlacSample)
{
    Open();
    const std::string flac = folder.CopyFile(FlacFile("pcm16-stereo.flac"), "tone.flac");
    Display().LoadFile(folder.Write("one.sfz", "<region>\nsample=tone.flac\n").c_str());
    EXPECT_EQ(Stored(), flac);
    EXPECT_EQ(PlaneOf(0, 1), ChannelOf("pcm16-stereo", 2, 1));
}

TEST_F(SampleLoadingTest, AFailedLoadEmptiesTheSlotClearsTheStoredPathAndKeepsTheReason)
{
    Open();
    std::filesystem::create_directory(folder.root / "folder.wav");
    struct Case {
        const char* name;
        const char* bytes; // null: no such file
        const char* reason;
    } cases[] = {
        { "sound.aif", "FORM", "unsupported format: .aif" },
        // No Ogg Vorbis stream behind the pattern.
        { "sound.ogg", "OggS", "unsupported format: not Ogg Vorbis" },
        { "gone.wav", nullptr, "not found" },
        { "gone.ogg", nullptr, "not found" },
        { "folder.wav", nullptr, "unreadable" },
        { "sound.flac", "fLaC", "damaged" },
        { "gone.flac", nullptr, "not found" },
        { "broken.wav", "", "unsupported format: WAV 12-bit PCM" },
    };
    const std::string broken = Riff(Fmt(1, 1, 8000, 12) + Chunk("data", "abcd"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Display().LoadFile(folder.Copy("pcm16-stereo.wav", "good.wav").c_str());
        ASSERT_GT(Sample().frames, 0u);
        // A load that works forgets the reason of the one before.
        EXPECT_STREQ(plug->SlotLoadFailure(0), "");
        const std::string path = !c.bytes ? folder.Path(c.name)
            : folder.Write(c.name, c.bytes[0] ? std::string(c.bytes) : broken);
        Display().LoadFile(path.c_str());
        EXPECT_EQ(Sample().frames, 0u);
        EXPECT_EQ(Sample().samples.size(), 1u);
        EXPECT_STREQ(Display().DisplayName(), "wrong audio");
        EXPECT_EQ(Stored(), "");
        EXPECT_STREQ(plug->SlotLoadFailure(0), c.reason);
        EXPECT_STREQ(plug->SlotLoadFailure(1), "");
    }
}

TEST_F(SampleLoadingTest, CloseButtonStopsTheSlotsVoicesAndEmptiesIt)
{
    Open();
    const std::string path = folder.Copy("pcm16-stereo.wav", "tone.wav");
    Display().LoadFile(path.c_str());
    IMidiEvent note;
    note.status = 0x90;
    note.data1 = 60;
    note.data2 = 100;
    plug->HandleMidiEvent(note);
    ASSERT_EQ(std::count(plug->voiceSlot, plug->voiceSlot + kVoiceCount, 1), 1);
    ASSERT_EQ(plug->keyboardDisplay[0]->HeldCount(), 1);

    // Reloading the file ends the slot's voices and its held keys too.
    Display().LoadFile(path.c_str());
    EXPECT_EQ(std::count(plug->voiceSlot, plug->voiceSlot + kVoiceCount, 1), 0);
    EXPECT_EQ(plug->keyboardDisplay[0]->HeldCount(), 0);

    plug->HandleMidiEvent(note);
    Display().ShowLoadFailure("...");
    EXPECT_EQ(std::count(plug->voiceSlot, plug->voiceSlot + kVoiceCount, 1), 0);
    EXPECT_EQ(Sample().frames, 0u);
    EXPECT_STREQ(Display().DisplayName(), "...");
    EXPECT_EQ(Stored(), "");
    // The buttons still step from the file the slot last held.
    EXPECT_STREQ(Display().Path(), path.c_str());
}

TEST_F(SampleLoadingTest, ShowsNamesUpToTwentyCharactersWhole)
{
    Open();
    struct Case {
        const char* file;
        const char* shown;
    } cases[] = {
        { "abcdefghijklmnop.wav", "abcdefghijklmnop.wav" }, // 20
        { "abcdefghijklmnopq.wav", "abcdefghijklmnopq.w" }, // 21
    };
    for (const Case& c : cases) {
        Display().LoadFile(folder.Copy("pcm8-mono.wav", c.file).c_str());
        EXPECT_STREQ(Display().DisplayName(), c.shown);
    }
}

TEST_F(SampleLoadingTest, ReverseHoldsThePlanesReversedWhileOn)
{
    Open();
    const std::vector<double> forward = ChannelOf("pcm16-stereo", 2, 1);
    std::vector<double> backward(forward.rbegin(), forward.rend());
    plug->GetParam(kParamReverse)->SetClampedValue(1.0);
    plug->ParamChanged(kParamReverse);
    Display().LoadFile(folder.Copy("pcm16-stereo.wav", "r.wav").c_str());
    EXPECT_EQ(PlaneOf(0, 1), backward);
    plug->GetParam(kParamReverse)->SetClampedValue(0.0);
    plug->ParamChanged(kParamReverse);
    EXPECT_EQ(PlaneOf(0, 1), forward);
}

TEST_F(SampleLoadingTest, RoutesAPathToItsSlotAndTakesZeroAsNoFile)
{
    Open();
    const std::string path = folder.Copy("pcm8-mono.wav", "one.wav");
    plug->LoadSlotFile(2, path.c_str());
    EXPECT_EQ(Stored(2), path);
    EXPECT_EQ(Stored(0), "0");
    EXPECT_EQ(Sample(0).frames, 0u);

    const std::uint32_t frames = Sample(2).frames;
    plug->LoadSlotFile(2, "0");
    EXPECT_EQ(Stored(2), path);
    EXPECT_EQ(Sample(2).frames, frames);
    EXPECT_STREQ(Display(2).DisplayName(), "one.wav");
}

TEST_F(SampleLoadingTest, ACancelledDialogKeepsTheSlotAsItWasAndADropLoadsInsideOnly)
{
    Open();
    // No editor window: the dialog answers nothing, so an empty slot stays as it was...
    Display().LoadFile("");
    EXPECT_STREQ(Display().Path(), "...");
    EXPECT_EQ(Stored(), "0");
    const std::string path = folder.Copy("pcm8-mono.wav", "drop.wav");
    const IBox box = Display().Box();
    Display().DropFile(box.left - 1, box.top, path.c_str());
    EXPECT_EQ(Sample().frames, 0u);
    Display().DropFile(box.right, box.bottom, path.c_str());
    const std::uint32_t frames = Sample().frames;
    EXPECT_GT(frames, 0u);
    // ...and so does a loaded one, which is not decoded again...
    plug->slotSample[0].samples[0] = 2.0;
    Display().Press(box.left, box.top, IMouseKeys { true });
    EXPECT_EQ(Sample().frames, frames);
    EXPECT_EQ(Sample().samples[0], 2.0);
    EXPECT_EQ(Stored(), path);
    // ...nor brought back once closed.
    Display().ShowLoadFailure("...");
    Display().LoadFile("");
    EXPECT_EQ(Sample().frames, 0u);
    EXPECT_EQ(Stored(), "");
}

TEST_F(SampleLoadingTest, RateRatioComesFromTheFileRateOnceTheEngineRateIsKnown)
{
    // Restored before the host has told the rate: plays at its own pitch once it does.
    Display().LoadFile(folder.Copy("pcm8-mono.wav", "early.wav").c_str());
    EXPECT_EQ(Sample().fileRate, 11025.0);
    Open(44100.0f);
    EXPECT_EQ(Sample().rateRatio, 11025.0 / 44100.0);

    Display().LoadFile(folder.Copy("pcm16-stereo.wav", "late.wav").c_str());
    EXPECT_EQ(Sample().rateRatio, 8000.0 / 44100.0);
    host.Dispatch(effSetSampleRate, 0, 0, nullptr, 32000.0f);
    EXPECT_EQ(Sample().rateRatio, 8000.0 / 32000.0);
    EXPECT_EQ(Display().Duration(), Sample().frames / 8000.0);
}

TEST_F(SampleLoadingTest, PathsThatDontFitAreRefusedNeverCut)
{
    Open();
    // Build a folder so that folder + separator + name is exactly 259 characters.
    const std::string base = folder.root.string();
    std::filesystem::path deep = folder.root;
    std::size_t length = base.size();
    while (259 - length > 60 + 1 + 12) {
        deep /= std::string(50, 'd');
        length += 51;
    }
    std::filesystem::create_directories(deep);
    const std::string name(259 - length - 1 - 4, 'n');
    const std::string fits = (deep / (name + ".wav")).string();
    ASSERT_EQ(fits.size(), 259u);
    std::filesystem::copy_file(DataFile("pcm8-mono.wav"), fits);
    Display().LoadFile(fits.c_str());
    EXPECT_GT(Sample().frames, 0u);
    EXPECT_EQ(Stored(), fits);

    // Each longer path starts with a real file's path; cutting it would load that file.
    for (std::size_t size : { 260u, 261u, 4096u }) {
        SCOPED_TRACE(size);
        const std::string tooLong = fits + std::string(size - fits.size(), 'x');
        Display().LoadFile(tooLong.c_str());
        EXPECT_EQ(Sample().frames, 0u);
        EXPECT_STREQ(Display().DisplayName(), "wrong audio");
        EXPECT_STREQ(Display().Path(), fits.c_str());
        EXPECT_EQ(Stored(), "");
        Display().LoadFile(fits.c_str());
    }
}

} // namespace
