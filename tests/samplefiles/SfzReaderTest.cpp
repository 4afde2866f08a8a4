// SFZ instrument files through the plug-in: opcodes and their scopes, note values, sample
// paths, region counting, emptied slots, the sample warning and when it is shown, and
// files that refer to themselves, have huge lines or are not text at all.
#include "samplefiles/SfzReader.h"
#include "editor/IEditorSurface.h"
#include "editor/MySample.h"
#include "editor/SampleRange.h"
#include "engine/Quellorn.h"
#include "samplefiles/FileSystem.h"
#include "tests/plugbase/TestHost.h"
#include "tests/samplefiles/WavTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <thread>

using namespace WavTestFiles;

namespace {

const std::string kSep(1, FileSystem::kPathSeparator);
constexpr VstInt32 kVendorSlotPath = 56; // the plug-in's own request: load a path into a slot
// What every parameter holds before a file is read; a value that stays means "not set".
constexpr double kBefore[kParamsPerSlot] = { 0, 50, 100, 55, 3, 2.0, 3.0, 10, 0, 5, 0, 1 };

class SfzTest : public ::testing::Test {
protected:
    void SetUp() override { Restart(); }

    // A fresh plug-in whose three slots hold x.wav, y.wav and z.wav, next to the samples
    // a.wav, b.wav and c.wav.
    void Restart()
    {
        for (const char* name : { "a.wav", "b.wav", "c.wav" })
            folder.Copy("pcm16-stereo.wav", name);
        host = std::make_unique<TestHost>();
        ASSERT_NE(host->Create(), nullptr);
        plug = static_cast<CLS_QUELLORN*>(host->effect->object);
        host->Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        host->Dispatch(effOpen);
        for (int slot = 0; slot < kSlotCount; ++slot) {
            for (int k = 0; k < kParamsPerSlot; ++k)
                SetParam(slot, k, kBefore[k]);
            const std::string name = std::string(1, char('x' + slot)) + ".wav";
            plug->LoadSlotFile(slot, folder.Copy("pcm8-mono.wav", name).c_str());
        }
        host->calls.clear();
    }

    void SetParam(int slot, int offset, double value)
    {
        plug->GetParam(kParamsPerSlot * slot + offset)->SetClampedValue(value);
        plug->ParamChanged(kParamsPerSlot * slot + offset);
    }
    double Param(int slot, int offset)
    {
        return plug->GetParam(kParamsPerSlot * slot + offset)->PlainValue();
    }
    // The name of the file the slot holds; "" for an emptied slot.
    std::string Holds(int slot)
    {
        const std::string stored = plug->StateTextAt(slot);
        return stored.empty() ? "" : std::filesystem::path(stored).filename().string();
    }
    std::vector<std::string> Warnings()
    {
        std::vector<std::string> texts;
        for (const auto& warning : plug->Editor()->ShownWarnings()) {
            EXPECT_EQ(warning.caption, "Wrong Sample in SFZ file");
            texts.push_back(warning.text);
        }
        return texts;
    }
    std::string Sfz(const std::string& text, const std::string& name = "i.sfz")
    {
        return folder.Write(name, text);
    }
    void Read(const std::string& text) { plug->LoadSlotFile(0, Sfz(text).c_str()); }

    TempFolder folder;
    std::unique_ptr<TestHost> host;
    CLS_QUELLORN* plug = nullptr;
};

TEST(SfzNotes, NamesNumbersAndWhatTheyFallBackTo)
{
    struct Case {
        const char* value;
        int note; // 999: ignored
    } cases[] = { { "60", 60 }, { "12", 12 }, { "+60", 60 }, { " 60", 60 }, { "c4", 60 },
        { "C#4", 61 }, { "a4", 69 }, { "c#3", 49 }, { "a 4", 69 }, { "b9", 131 }, { "G-1", -1 },
        { "e", 4 }, { "f#", 5 }, { "db3", -1 }, { "c10", -1 }, { "11", -1 }, { "0", -1 },
        { "x4", -1 }, { "c#10", 999 }, { "1000", 999 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        std::int16_t note = 999;
        EXPECT_EQ(SfzReader::ReadNote(c.value, note), c.note != 999);
        EXPECT_EQ(note, c.note);
    }
}

TEST_F(SfzTest, EachOpcodeSetsItsParameterByTheNameRule)
{
    struct Case {
        const char* line;
        int offset;
        double before;
        double expected;
    } cases[] = {
        { "lokey=c#3", kParamLowNote, 50, 49 },
        { "lokey=db3", kParamLowNote, 50, 12 },
        { "lokey =60", kParamLowNote, 50, 50 },
        { "hikey=b9", kParamHighNote, 100, 127 },
        { "p=70", kParamRootNote, 55, 70 },
        { "pitch_keytrack=200", kParamSemitones, 3, 2 },
        { "pitch_keytrack=0", kParamSemitones, 3, 1 },
        { "pitch_keytrack=-5", kParamSemitones, 3, 3 },
        { "ampeg_attack=0.25", kParamAttack, 2, 0.25 },
        { "=0.25", kParamAttack, 2, 0.25 },
        { "ampeg_attack=-1", kParamAttack, 2, 2 },
        { "ampeg_attack=-0.5", kParamAttack, 2, 0 },
        { "ampeg_attack=soon", kParamAttack, 2, 2 },
        { "ampeg_r=20", kParamRelease, 3, 16 },
        { "PAN=-6.5", kParamPan, 10, -6 },
        { "pan=-101", kParamPan, 10, 10 },
        { "pan_alternate=Y", kParamAltPan, 0, 1 },
        { "pan_alternate=yesterday", kParamAltPan, 1, 0 },
        { "vol=6", kParamVolume, 5, 6 },
        { "volume=-60", kParamVolume, 5, 5 },
        { "direction=rev", kParamReverse, 0, 1 },
        { "direction=forward", kParamReverse, 1, 0 },
        { "loop_mode=no_loop", kParamLoop, 1, 0 },
        { "loop_mode=loop_sustain", kParamLoop, 0, 1 },
        { "loop_mode=one_shot", kParamLoop, 1, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        SetParam(0, c.offset, c.before);
        Read(std::string("<region>\nsample=a.wav\n") + c.line + "\n");
        ASSERT_EQ(Holds(0), "a.wav");
        EXPECT_NEAR(Param(0, c.offset), c.expected, 1e-9);
    }
}

TEST_F(SfzTest, ValuesReachTheEngineAndTheHost)
{
    Read("<region>\nsample=a.wav\nlokey=c2\ndirection=reverse\n");
    EXPECT_EQ(plug->lowNote[0], 36);
    EXPECT_EQ(plug->keyboardDisplay[0]->LowKey(), 36 - kLowestKey);
    EXPECT_TRUE(plug->slotReverse[0]);
    for (int opcode : { audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit }) {
        const auto calls = host->CallsOf(opcode);
        EXPECT_TRUE(std::any_of(calls.begin(), calls.end(), [](const HostCall& call) {
            return call.index == kParamLowNote;
        })) << opcode;
    }
    // Active is never set from a file.
    EXPECT_EQ(Param(0, kParamActive), kBefore[kParamActive]);
}

TEST_F(SfzTest, RegionsFillTheSlotsInOrderAndTooFewEmptyTheRest)
{
    const std::string r = "<region>\nsample=";
    struct Case {
        std::string text;
        const char* holds[3]; // "" emptied
    } cases[] = {
        { r + "a.wav\n", { "a.wav", "", "" } },
        { r + "a.wav\n" + r + "b.wav\n", { "a.wav", "b.wav", "" } },
        { r + "a.wav\n" + r + "b.wav\n" + r + "c.wav\n" + r + "gone.wav\n",
            { "a.wav", "b.wav", "c.wav" } },
        // The sample path carries over into a region without one.
        { r + "a.wav\n<region>\nlokey=40\n", { "a.wav", "a.wav", "" } },
        // A region whose sample can't be opened doesn't count.
        { r + "gone.wav\n" + r + "b.wav\n", { "b.wav", "", "" } },
        // No region at all, or a last one that ends on a comment: that slot stays as it was.
        { "// nothing here\n", { "x.wav", "", "" } },
        { r + "a.wav\n// end\n", { "a.wav", "y.wav", "" } },
        // A header and an opcode on one line make a line with "=" whose key matches nothing.
        { r + "a.wav\n<region> sample=b.wav\n", { "a.wav", "", "" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Restart();
        Read(c.text);
        for (int slot = 0; slot < kSlotCount; ++slot) {
            EXPECT_EQ(Holds(slot), c.holds[slot]) << slot;
            if (!c.holds[slot][0]) {
                EXPECT_STREQ(plug->sampleDisplay[slot]->DisplayName(), "...");
                EXPECT_EQ(plug->slotSample[slot].frames, 0u);
            }
        }
    }
    EXPECT_TRUE(Warnings().empty()) << "the fourth region is never read";
}

TEST_F(SfzTest, RegionScopeBeatsGlobalAndHeadersDecideTheScope)
{
    struct Case {
        std::string text;
        int slot;
        int offset;
        double expected;
    } cases[] = {
        { "lokey=40\nsample=a.wav\n", 0, kParamLowNote, 40 }, // before any header: region
        { "<group>\nlokey=40\nhikey=90\n<region>\nsample=a.wav\nlokey=50\n", 0, kParamLowNote, 50 },
        { "<group>\nlokey=40\nhikey=90\n<region>\nsample=a.wav\nlokey=50\n", 0, kParamHighNote,
            90 },
        { "<global>\nvolume=-6\n<region>\nsample=a.wav\n<region>\nsample=b.wav\n", 1, kParamVolume,
            -6 },
        { "<region>\nsample=a.wav\nlokey=40\n<region>\nsample=b.wav\n", 1, kParamLowNote, 50 },
        { "<region>\nsample=gone.wav\nlokey=40\n<region>\nsample=b.wav\n", 0, kParamLowNote, 40 },
        { "<REGION>\nsample=a.wav\nlokey=40\n", 0, kParamLowNote, 40 },
        { "<reg\nsample=a.wav\nlokey=40\n", 0, kParamLowNote, 40 },
        // A comment line completes the region: slot 0 never reads what follows it.
        { "<region>\nsample=a.wav\n// note\nlokey=40\n", 0, kParamLowNote, 50 },
        // A line of blanks is an empty header, which counts as "<region>".
        { "<region>\nsample=a.wav\n  \t\nlokey=40\n<region>\nsample=b.wav\n", 0, kParamLowNote,
            50 },
        { "<region>\nsample=a.wav\n  \t\nlokey=40\n<region>\nsample=b.wav\n", 1, kParamLowNote,
            40 },
        { "<region>\nsample=a.wav\n<group>\ndirection=reverse\n<region>\nsample=b.wav\n"
          "<region>\nsample=c.wav\ndirection=forward\n<group>\ndirection=reverse\n",
            0, kParamReverse, 0 },
        { "<region>\nsample=a.wav\n<group>\ndirection=reverse\n<region>\nsample=b.wav\n", 1,
            kParamReverse, 1 },
        { "<region>\nsample=a.wav\n<group>\ndirection=reverse\n<region>\nsample=b.wav\n"
          "<region>\nsample=c.wav\ndirection=forward\n",
            2, kParamReverse, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Restart();
        Read(c.text);
        ASSERT_NE(Holds(c.slot), "") << c.slot;
        EXPECT_EQ(Param(c.slot, c.offset), c.expected);
    }
}

TEST_F(SfzTest, SamplePathsAreComposedWithThePlatformSeparator)
{
    std::filesystem::create_directories(folder.root / "samples" / "a");
    folder.Copy("pcm16-stereo.wav", "samples" + kSep + "a" + kSep + "b.wav");
    const std::string expected = folder.Path("samples" + kSep + "a" + kSep + "b.wav");
    TempFolder elsewhere;
    std::string absolute = elsewhere.Copy("pcm8-mono.wav", "far.wav");
#ifdef _WIN32
    std::replace(absolute.begin(), absolute.end(), '\\', '/'); // drive letter, other slashes
    const std::string wrongAbsolute = "/x/far.wav";
#else
    const std::string wrongAbsolute = "D:/x/far.wav";
#endif
    struct Case {
        std::string lines;
        std::string stored; // "": refused
    } cases[] = {
        { "default_path=samples/\nsample=a/b.wav\n", expected },
        { "default_path=samples\\\nsample=a\\b.wav\n", expected },
        { "sample=samples\\a/b.wav\n", expected },
        { "default_path=nowhere/\nsample=" + absolute + "\n", elsewhere.Path("far.wav") },
        { "sample=" + wrongAbsolute + "\n", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        Restart();
        Read("<region>\n" + c.lines);
        EXPECT_EQ(plug->StateTextAt(0), c.stored.empty() ? folder.Path("x.wav") : c.stored);
    }
}

TEST_F(SfzTest, AnSfzNamedWithoutAFolderFindsItsSamplesInTheCurrentOne)
{
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder.root);
    Sfz("<region>\nsample=a.wav\n", "here.sfz");
    plug->LoadSlotFile(0, "here.sfz");
    std::filesystem::current_path(before);
    EXPECT_EQ(std::string(plug->StateTextAt(0)), "a.wav");
    EXPECT_GT(plug->slotSample[0].frames, 0u);
}

TEST_F(SfzTest, CrLfLinesEndWithoutTheirCr)
{
    // An empty CR LF line is no header: lokey still belongs to the first region.
    Read("<region>\r\nsample=a.wav\r\n\r\nlokey=c4\r\npan_alternate=yes  \r\n<region>\r\n");
    EXPECT_EQ(Holds(0), "a.wav");
    EXPECT_EQ(Param(0, kParamLowNote), 60);
    EXPECT_EQ(Param(0, kParamAltPan), 1);
    EXPECT_EQ(Holds(1), "a.wav");
}

TEST_F(SfzTest, AMissingSampleWarnsOncePerSlotAfterTheLockIsReleased)
{
    const std::string path = Sfz("<region>\nsample=gone0.wav\n<region>\nsample=gone00.wav\n"
                                 "sample=a.wav\n<region>\nsample=gone1.wav\n<region>\n"
                                 "sample=b.wav\n");
    int heldWhenShown = 0;
    plug->Editor()->SetWarningListener([&](const IEditorSurface::Warning&) {
        std::thread other([&] {
            if (plug->Lock().try_lock())
                plug->Lock().unlock();
            else
                ++heldWhenShown;
        });
        other.join();
    });
    const std::string gone0 = "Wrong Sample in SFZ file: " + folder.Path("gone0.wav");
    const std::string gone1 = "Wrong Sample in SFZ file: " + folder.Path("gone1.wav");
    plug->LoadSlotFile(2, path.c_str());
    EXPECT_EQ(Warnings(), (std::vector<std::string> { gone0, gone1 }));
    EXPECT_EQ(Holds(0), "a.wav");
    EXPECT_EQ(Holds(1), "b.wav");
    EXPECT_EQ(Holds(2), "");

    // Read again: every slot has warned already.
    plug->LoadSlotFile(0, path.c_str());
    EXPECT_EQ(Warnings().size(), 2u);
    // Given to slot 1 as a file, the same path lets slot 1 warn again, through the
    // dispatcher as well.
    const IBox box = plug->sampleDisplay[1]->Box();
    plug->sampleDisplay[1]->DropFile(box.left, box.top, path.c_str());
    EXPECT_EQ(Warnings(), (std::vector<std::string> { gone0, gone1, gone1 }));
    plug->sampleDisplay[0]->SetWarned(false);
    std::vector<char> text(path.c_str(), path.c_str() + path.size() + 1);
    host->Dispatch(effVendorSpecific, kVendorSlotPath, 0, text.data());
    EXPECT_EQ(Warnings().size(), 4u);
    EXPECT_EQ(heldWhenShown, 0);
}

TEST_F(SfzTest, AWarningIsShownOnlyByTheThreadThatQueuedIt)
{
    const std::string path = Sfz("<region>\nsample=gone.wav\n");
    // Read outside LoadSlotFile on another thread: queued there, and nobody shows it yet.
    std::thread loader([&] { plug->sampleDisplay[0]->ReadSfz(path.c_str()); });
    loader.join();
    // The audio thread passes through the dispatcher; it must not show the loader's box.
    VstEvents events {};
    host->Dispatch(effProcessEvents, 0, 0, &events);
    EXPECT_TRUE(Warnings().empty());
    plug->DeliverDeferredMessages();
    EXPECT_TRUE(Warnings().empty());
}

TEST_F(SfzTest, SamplesLeadingBackToTheReaderOrTooLongAreRefused)
{
    folder.Write("noext", "x");
    folder.Write("other.SF", "<region>\nsample=i.sfz\n");
    folder.Write("j.sfz", "<region>\nsample=i.sfz\n");
    const std::string tooLong(300, 'n');
    for (const std::string& value : { std::string("i.sfz"), std::string("j.sfz"),
             std::string("noext"), std::string("other.SF"), tooLong + ".wav", std::string() }) {
        SCOPED_TRACE(value);
        Restart();
        Read("<region>\nsample=" + value + "\n");
        ASSERT_EQ(Warnings().size(), 1u);
        EXPECT_EQ(
            Warnings()[0].rfind("Wrong Sample in SFZ file: " + folder.Path(value.substr(0, 8)), 0),
            0u);
        EXPECT_EQ(Holds(0), "x.wav");
        EXPECT_EQ(Holds(1), "");
    }
}

TEST_F(SfzTest, HugeLinesAndBinaryFilesAreReadSafely)
{
    const std::string mega(1 << 20, 'm');
    const std::string blanks(1 << 20, ' ');
    Read("<region>\nsample=a.wav\n//" + mega + "\n<region>" + blanks + "\nsample=b.wav\nlokey=70\n"
        + mega + "=1\n");
    EXPECT_EQ(Holds(0), "a.wav");
    EXPECT_EQ(Holds(1), "b.wav");
    EXPECT_EQ(Param(1, kParamLowNote), 70);

    Restart();
    Read("<region>\nsample=" + mega + ".wav\n");
    EXPECT_EQ(Warnings().size(), 1u);
    EXPECT_EQ(Holds(0), "x.wav");

    // Bytes of every value but 's' and 'S', so that no line can name a sample: nothing is
    // applied, and the slots past the first are emptied.
    std::string binary;
    std::uint32_t state = 12345;
    for (int i = 0; i < 200000; ++i) {
        state = state * 1103515245u + 12345u;
        const char byte = static_cast<char>(state >> 24);
        binary += byte == 's' || byte == 'S' ? '=' : byte;
    }
    Restart();
    Read(binary);
    EXPECT_EQ(Holds(0), "x.wav");
    EXPECT_EQ(Holds(1), "");
    EXPECT_EQ(Param(0, kParamLowNote), kBefore[kParamLowNote]);
    EXPECT_TRUE(Warnings().empty());
}

TEST_F(SfzTest, AnSfzFileThatCantBeReadChangesNothing)
{
    std::filesystem::create_directories(folder.root / "dir.sfz");
    for (const std::string& path : { folder.Path("gone.sfz"), folder.Path("dir.sfz"),
             std::string("..."), folder.Path(std::string(300, 'l') + ".sfz") }) {
        SCOPED_TRACE(path);
        plug->LoadSlotFile(1, path.c_str());
        for (int slot = 0; slot < kSlotCount; ++slot)
            EXPECT_EQ(Holds(slot), std::string(1, char('x' + slot)) + ".wav");
    }
    EXPECT_TRUE(Warnings().empty());
}

} // namespace
