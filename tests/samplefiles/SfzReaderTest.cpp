// SFZ instrument files through the plug-in: texts as libraries write them, opcodes and their
// scopes and defaults, note values, defines and includes, sample paths, region counting,
// emptied and refused slots, the sample warning and when it is shown, and files that refer
// to themselves, have huge lines or are not text at all.
#include "samplefiles/SfzReader.h"
#include "editor/IEditorSurface.h"
#include "engine/SfzSlotPlan.h"
#include "editor/MySample.h"
#include "editor/SampleRange.h"
#include "engine/Quellorn.h"
#include "samplefiles/FileSystem.h"
#include "tests/plugbase/TestHost.h"
#include "tests/samplefiles/WavTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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
    // What the slot shows: the name of the file it holds, else "..." or "wrong audio".
    std::string Shows(int slot)
    {
        const std::string held = Holds(slot);
        return held.empty() ? plug->sampleDisplay[slot]->DisplayName() : held;
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
    constexpr int kNone = 999; // the value doesn't read as a note
    struct Case {
        const char* value;
        int note;
    } cases[] = { { "60", 60 }, { "12", 12 }, { "+60", 60 }, { " 60 ", 60 }, { "0", 0 },
        { "11", 11 }, { "-1", -1 }, { "1000", 1000 }, { "c4", 60 }, { "C#4", 61 }, { "a4", 69 },
        { "c#3", 49 }, { "a 4", 69 }, { "b9", 131 }, { "c-1", 0 }, { "G-1", 7 }, { "c10", 132 },
        { "c#10", 133 }, { "eb4", 63 }, { "Bb3", 58 }, { "db3", 49 }, { "cb4", 59 },
        { "B#3", 60 }, { "e", kNone }, { "f#", kNone }, { "x4", kNone }, { "h4", kNone },
        { "", kNone }, { "sample", kNone } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(SfzReader::ReadNote(c.value).value_or(kNone), c.note);
    }
}

TEST_F(SfzTest, EachOpcodeSetsItsParameterByTheNameRule)
{
    struct Case {
        const char* lines;
        int offset;
        double before;
        double expected;
    } cases[] = {
        { "lokey=c#3", kParamLowNote, 50, 49 },
        { "lokey=db3", kParamLowNote, 50, 49 },
        { "lokey =60", kParamLowNote, 50, 60 },
        { "hikey=b9", kParamHighNote, 100, 127 },
        { "key=eb4", kParamLowNote, 50, 63 },
        { "key=eb4", kParamHighNote, 100, 63 },
        { "key=eb4", kParamRootNote, 55, 63 },
        { "key=60\nhikey=72", kParamHighNote, 100, 72 },
        { "p=70", kParamRootNote, 55, 70 },
        { "pitch_keycenter=sample", kParamRootNote, 55, 60 },
        { "pitch=50", kParamRootNote, 55, 60 }, // a real opcode, not an abbreviation
        { "transpose=12", kParamRootNote, 55, 48 },
        { "pitch_keycenter=70\ntranspose=-3", kParamRootNote, 55, 73 },
        { "tune=-150", kParamRootNote, 55, 62 },
        { "transpose=1\ntune=-49", kParamRootNote, 55, 59 },
        { "pitch_keytrack=200\ntranspose=12", kParamRootNote, 55, 54 },
        { "pitch_keytrack=200", kParamSemitones, 3, 2 },
        { "pitch_keytrack=0", kParamSemitones, 3, 1 },
        { "pitch_keytrack=-5", kParamSemitones, 3, 1 },
        { "ampeg_attack=0.25", kParamAttack, 2, 0.25 },
        { "=0.25", kParamAttack, 2, 0 },
        { "ampeg_attack=-1", kParamAttack, 2, 0 },
        { "ampeg_attack=soon", kParamAttack, 2, 0 },
        { "ampeg_attack=nan", kParamAttack, 2, 0 },
        { "ampeg_r=20", kParamRelease, 3, 16 },
        { "PAN=-6.5", kParamPan, 10, -6 },
        { "pan=-101", kParamPan, 10, -100 },
        { "pan_alternate=Y", kParamAltPan, 0, 1 },
        { "pan_alternate=yesterday", kParamAltPan, 1, 0 },
        { "vol=6", kParamVolume, 5, 6 },
        { "volume=-60", kParamVolume, 5, -48 },
        { "direction=rev", kParamReverse, 0, 1 },
        { "direction=forward", kParamReverse, 1, 0 },
        { "loop_mode=no_loop", kParamLoop, 1, 0 },
        { "loop_mode=one_shot", kParamLoop, 1, 0 },
        { "loop_mode=loop_sustain", kParamLoop, 0, 1 },
        { "loopmode=loop_continuous", kParamLoop, 0, 1 },
        { "loop_mode=sideways", kParamLoop, 1, 0 },
        // A region that plays no key is loaded but switched off; otherwise Active stays.
        { "hikey=-1", kParamActive, 1, 0 },
        { "lokey=-1", kParamActive, 1, 0 },
        { "lokey=0\nhikey=0", kParamActive, 1, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        SetParam(0, c.offset, c.before);
        Read(std::string("<region>\nsample=a.wav\n") + c.lines + "\n");
        ASSERT_EQ(Holds(0), "a.wav");
        EXPECT_NEAR(Param(0, c.offset), c.expected, 1e-9);
    }
}

TEST_F(SfzTest, OpcodesARegionLeavesOutTakeTheFormatsDefaultsNotTheProgramsValues)
{
    // Active is the user's; the rest are the format's defaults within the parameters'
    // ranges, whatever the program held (kBefore and the two switches set on).
    const double expected[kParamsPerSlot] = { kBefore[kParamActive], 12, 127, 60, 1, 0, 0, 0, 0,
        0, 0, 0 };
    SetParam(0, kParamAltPan, 1);
    SetParam(0, kParamReverse, 1);
    Read("<region>\nsample=a.wav\n");
    for (int offset = 0; offset < kParamsPerSlot; ++offset)
        EXPECT_EQ(Param(0, offset), expected[offset]) << offset;
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
    // Active is never set from a file that plays its keys.
    EXPECT_EQ(Param(0, kParamActive), kBefore[kParamActive]);
}

TEST_F(SfzTest, RegionsFillTheSlotsInOrderAndTooFewEmptyTheRest)
{
    const std::string r = "<region>\nsample=";
    struct Case {
        std::string text;
        const char* shows[3];
    } cases[] = {
        { r + "a.wav\n", { "a.wav", "...", "..." } },
        { r + "a.wav\n" + r + "b.wav\n", { "a.wav", "b.wav", "..." } },
        { r + "a.wav\n" + r + "b.wav\n" + r + "c.wav\n" + r + "gone.wav\n",
            { "a.wav", "b.wav", "c.wav" } },
        // A region without a sample plays nothing and takes no slot.
        { r + "a.wav\n<region>\nlokey=40\n" + r + "b.wav\n", { "a.wav", "b.wav", "..." } },
        // A region whose sample can't be opened keeps its slot.
        { r + "gone.wav\n" + r + "b.wav\n", { "wrong audio", "b.wav", "..." } },
        // No region at all: the file is no instrument, and no slot changes.
        { "// nothing here\n", { "x.wav", "y.wav", "z.wav" } },
        { r + "a.wav\n// end\n", { "a.wav", "...", "..." } },
        { r + "a.wav\n<region> sample=b.wav\n", { "a.wav", "b.wav", "..." } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Restart();
        Read(c.text);
        for (int slot = 0; slot < kSlotCount; ++slot)
            EXPECT_EQ(Shows(slot), c.shows[slot]) << slot;
    }
}

TEST_F(SfzTest, TextsWrittenAsLibrariesWriteThemGiveEachSlotItsRegion)
{
    folder.Copy("pcm16-stereo.wav", "my sample.wav");
    struct Expect {
        int slot;
        int offset;
        double value;
    };
    struct Case {
        std::string text;
        const char* shows[3];
        std::vector<Expect> expect;
    } cases[] = {
        { "<region> sample=a.wav lokey=60 hikey=70 pitch_keycenter=65\n"
          "<region>sample=b.wav key=Bb3",
            { "a.wav", "b.wav", "..." },
            { { 0, kParamLowNote, 60 }, { 0, kParamHighNote, 70 }, { 0, kParamRootNote, 65 },
                { 1, kParamLowNote, 58 }, { 1, kParamRootNote, 58 } } },
        { "<group>\n  lokey = 40 // low\n<region>\n  // the first\n  sample = a.wav   // end\n"
          "  hikey=90\n\t<region> sample=b.wav\n",
            { "a.wav", "b.wav", "..." },
            { { 0, kParamLowNote, 40 }, { 0, kParamHighNote, 90 }, { 1, kParamLowNote, 40 },
                { 1, kParamHighNote, 127 } } },
        { "<region> sample=a.wav /* lokey=50\n<region> sample=c.wav\n hikey=50 */ hikey=80\n"
          "<region>/**/sample=b.wav\n",
            { "a.wav", "b.wav", "..." }, { { 0, kParamLowNote, 12 }, { 0, kParamHighNote, 80 } } },
        { "#define $LOW 40\n#define $LOWER 30\n#define $KEY lokey // which\n#define $S b\n"
          "<region> sample=a.wav $KEY=$LOWER hikey=$LOW\n<region> sample=$S.wav",
            { "a.wav", "b.wav", "..." }, { { 0, kParamLowNote, 30 }, { 0, kParamHighNote, 40 } } },
        { "<region> sample=my sample.wav lokey=50\n<region>\nsample=my sample.wav   \n",
            { "my sample.wav", "my sample.wav", "..." }, { { 0, kParamLowNote, 50 } } },
        { "<REGION> sample=a.wav pan=20\n", { "a.wav", "...", "..." }, { { 0, kParamPan, 20 } } },
        // Inheritance: region over group over master over global; a new header clears its
        // own scope and those below it.
        { "<global> volume=-6 pan=10 ampeg_attack=1\n<master> pan=20\n<group> pan=30 lokey=40\n"
          "<region> sample=a.wav pan=-5\n<region> sample=b.wav\n<group> hikey=90\n"
          "<region> sample=c.wav\n",
            { "a.wav", "b.wav", "c.wav" },
            { { 0, kParamPan, -5 }, { 0, kParamVolume, -6 }, { 0, kParamLowNote, 40 },
                { 1, kParamPan, 30 }, { 2, kParamPan, 20 }, { 2, kParamLowNote, 12 },
                { 2, kParamHighNote, 90 }, { 2, kParamAttack, 1 }, { 2, kParamVolume, -6 } } },
        { "<global> pan=10\n<master> pan=20\n<group> pan=30\n<master>\n<region> sample=a.wav\n"
          "<global>\n<region> sample=b.wav\n",
            { "a.wav", "b.wav", "..." }, { { 0, kParamPan, 10 }, { 1, kParamPan, 0 } } },
        { "<group> sample=a.wav\n<region> lokey=50\n<region> sample=b.wav\n",
            { "a.wav", "b.wav", "..." }, { { 0, kParamLowNote, 50 } } },
        // Opcodes before any header make a region; <control> and other headers take none
        // of the slots' opcodes; unknown opcodes pass unnoticed.
        { "lokey=40\nsample=a.wav\n<control> hikey=50\n<curve> pan=30\n<region> sample=b.wav "
          "amp_veltrack=100 foo=bar pan=7\n",
            { "a.wav", "b.wav", "..." },
            { { 0, kParamLowNote, 40 }, { 1, kParamHighNote, 127 }, { 1, kParamPan, 7 } } },
        { "<region>\nsample=gone.wav\nlokey=40\n<region>\nsample=b.wav\n",
            { "wrong audio", "b.wav", "..." },
            { { 0, kParamLowNote, 40 }, { 1, kParamLowNote, 12 } } },
        { "<region> sample=a.wav\n<region> sample=a.wav hikey=-1\n", { "a.wav", "a.wav", "..." },
            { { 0, kParamActive, 1 }, { 1, kParamActive, 0 } } },
        // One opcode per line, comments and blank lines between: a comment or a blank line
        // no longer ends a region.
        { "<region>\nsample=a.wav\n// note\nlokey=40\n  \t\nhikey=50\n<region>\nsample=b.wav\n",
            { "a.wav", "b.wav", "..." },
            { { 0, kParamLowNote, 40 }, { 0, kParamHighNote, 50 }, { 1, kParamLowNote, 12 } } },
        { "<reg\nsample=a.wav\nlokey=40\n", { "a.wav", "...", "..." },
            { { 0, kParamLowNote, 40 } } },
        { "<region>\nsample=a.wav\n<group>\ndirection=reverse\n<region>\nsample=b.wav\n"
          "<region>\nsample=c.wav\ndirection=forward\n<group>\ndirection=reverse\n",
            { "a.wav", "b.wav", "c.wav" },
            { { 0, kParamReverse, 0 }, { 1, kParamReverse, 1 }, { 2, kParamReverse, 0 } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Restart();
        for (int slot = 0; slot < kSlotCount; ++slot)
            SetParam(slot, kParamActive, 1);
        Read(c.text);
        for (int slot = 0; slot < kSlotCount; ++slot)
            EXPECT_EQ(Shows(slot), c.shows[slot]) << slot;
        for (const Expect& e : c.expect)
            EXPECT_EQ(Param(e.slot, e.offset), e.value) << e.slot << " " << e.offset;
    }
}

TEST_F(SfzTest, IncludesAreReadInPlaceRelativeToTheIncludingFileWithinLimits)
{
    std::filesystem::create_directories(folder.root / "inc");
    folder.Write("inc" + kSep + "regions.sfz",
        "#define $LOW 50\n<region> sample=a.wav\n#include \"more.sfz\"\n#include \"none.sfz\"\n");
    folder.Write("inc" + kSep + "more.sfz", "<region> sample=b.wav lokey=$LOW\n");
    folder.Write("j.sfz", "<region> sample=a.wav\n#include \"i.sfz\"\n");
    // A chain of includes as deep as allowed, one too deep at its end.
    for (int depth = 1; depth <= SfzReader::kMaxIncludeDepth + 1; ++depth)
        folder.Write("d" + std::to_string(depth) + ".sfz",
            depth == SfzReader::kMaxIncludeDepth     ? "<region> sample=a.wav\n#include \"d"
                    + std::to_string(depth + 1) + ".sfz\"\n"
                : depth > SfzReader::kMaxIncludeDepth ? "<region> sample=b.wav\n"
                                                      : "#include \"d" + std::to_string(depth + 1)
                    + ".sfz\"\n");
    struct Case {
        std::string text; // of i.sfz
        const char* shows[3];
    } cases[] = {
        { "#include \"inc/regions.sfz\"\n<region> sample=c.wav lokey=$LOW\n",
            { "a.wav", "b.wav", "c.wav" } },
        { "<region> sample=a.wav\n#include \"i.sfz\"\n<region> sample=b.wav\n",
            { "a.wav", "b.wav", "..." } },
        { "#include \"j.sfz\"\n<region> sample=c.wav\n", { "a.wav", "c.wav", "..." } },
        { "#include \"d1.sfz\"\n", { "a.wav", "...", "..." } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Restart();
        Read(c.text);
        for (int slot = 0; slot < kSlotCount; ++slot)
            EXPECT_EQ(Shows(slot), c.shows[slot]) << slot;
    }
    EXPECT_EQ(Param(0, kParamLowNote), 12);
    Restart();
    Read(cases[0].text);
    EXPECT_EQ(Param(1, kParamLowNote), 50);
    EXPECT_EQ(Param(2, kParamLowNote), 50);
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
        std::string stored; // "": refused, the slot holds nothing
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
        EXPECT_EQ(plug->StateTextAt(0), c.stored);
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
    Read("<region>\r\nsample=a.wav\r\n\r\nlokey=c4\r\npan_alternate=yes  \r\n"
         "<region> sample=b.wav\r\n");
    EXPECT_EQ(Holds(0), "a.wav");
    EXPECT_EQ(Param(0, kParamLowNote), 60);
    EXPECT_EQ(Param(0, kParamAltPan), 1);
    EXPECT_EQ(Holds(1), "b.wav");
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
    EXPECT_EQ(Shows(0), "wrong audio");
    EXPECT_EQ(Shows(1), "a.wav"); // its last sample opcode counts
    EXPECT_EQ(Shows(2), "wrong audio");

    // Read again: every slot has warned already.
    plug->LoadSlotFile(0, path.c_str());
    EXPECT_EQ(Warnings().size(), 2u);
    // Given to slot 2 as a file, the same path lets slot 2 warn again, through the
    // dispatcher as well.
    const IBox box = plug->sampleDisplay[2]->Box();
    plug->sampleDisplay[2]->DropFile(box.left, box.top, path.c_str());
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
    // Applied outside LoadSlotFile on another thread: queued there, and nobody shows it yet.
    std::thread loader([&] {
        std::array<SfzSlotPlan, kSlotCount> plans;
        ASSERT_TRUE(SfzSlotPlan::ReadAll(path.c_str(), plans));
        plug->sampleDisplay[0]->ApplySfzSlot(plans[0]);
    });
    loader.join();
    // The audio thread passes through the dispatcher; it must not show the loader's box.
    VstEvents events {};
    host->Dispatch(effProcessEvents, 0, 0, &events);
    EXPECT_TRUE(Warnings().empty());
    plug->DeliverDeferredMessages();
    EXPECT_TRUE(Warnings().empty());
}

TEST_F(SfzTest, SamplesLeadingBackToTheReaderMissingOrTooLongAreRefused)
{
    folder.Write("noext", "x");
    folder.Write("other.SF", "<region>\nsample=i.sfz\n");
    folder.Write("j.sfz", "<region>\nsample=i.sfz\n");
    std::filesystem::create_directories(folder.root / "dir.wav");
    const std::string tooLong(300, 'n');
    struct Case {
        std::string value;
        LoadFailure refusal;
    } cases[] = { { "i.sfz", LoadFailure::kUnsupported }, { "j.sfz", LoadFailure::kUnsupported },
        { "noext", LoadFailure::kUnsupported }, { "other.SF", LoadFailure::kUnsupported },
        { tooLong + ".wav", LoadFailure::kUnreadable }, { "", LoadFailure::kNotFound },
        { "gone.wav", LoadFailure::kNotFound }, { "dir.wav", LoadFailure::kUnreadable } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        Restart();
        Read("<region>\nsample=" + c.value + "\n");
        ASSERT_EQ(Warnings().size(), 1u);
        EXPECT_EQ(Warnings()[0].rfind(
                      "Wrong Sample in SFZ file: " + folder.Path(c.value.substr(0, 8)), 0),
            0u);
        EXPECT_EQ(Shows(0), "wrong audio");
        EXPECT_EQ(Shows(1), "...");
        std::array<SfzSlotPlan, kSlotCount> plans;
        ASSERT_TRUE(SfzSlotPlan::ReadAll(folder.Path("i.sfz").c_str(), plans));
        EXPECT_EQ(plans[0].refusal, c.refusal);
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
    EXPECT_EQ(Shows(0), "wrong audio");

    // Bytes of every value but 's' and 'S', so that no line can name a sample: no region,
    // so no slot changes.
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
    EXPECT_EQ(Holds(1), "y.wav");
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
