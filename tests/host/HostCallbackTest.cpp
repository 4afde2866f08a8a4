// The host callback as a plug-in sees it: everything goes through HostCallback::Callback
// with an effect pointer, the way a module would call it.
#include "tools/host/HostCallback.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

VstIntPtr Call(AEffect* effect, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
               void* ptr = nullptr, float opt = 0.0f)
{
    return HostCallback::Callback(effect, opcode, index, value, ptr, opt);
}

// A stand-in for a module's entry point: asks the host for its product string while the
// host cannot yet know which effect is calling.
AEffect firstEffect{};
AEffect secondEffect{};
std::string productSeenDuringConstruction;
AEffect* nextEffect = nullptr;

AEffect* FakeEntryPoint(audioMasterCallback host)
{
    char product[64] = {};
    host(nextEffect, audioMasterGetProductString, 0, 0, product, 0.0f);
    productSeenDuringConstruction = product;
    return nextEffect;
}

class HostCallbackTest : public testing::Test {
protected:
    void SetUp() override
    {
        nextEffect = &effect;
        host.CreateEffect(&FakeEntryPoint);
    }

    AEffect effect{};
    HostCallback host;
};

TEST_F(HostCallbackTest, AnswersFixedQueries)
{
    host.SetVendorVersion(777);
    host.SetBlockSize(256);
    host.GetTransport().SetSampleRate(48000.0);
    char vendor[64] = {};
    const struct {
        VstInt32 opcode;
        void* ptr;
        VstIntPtr expected;
    } cases[] = {
        {audioMasterVersion, nullptr, 2400},
        {audioMasterCurrentId, nullptr, 0},
        {audioMasterIdle, nullptr, 0},
        {audioMasterGetSampleRate, nullptr, 48000},
        {audioMasterGetBlockSize, nullptr, 256},
        {audioMasterGetVendorVersion, nullptr, 777},
        {audioMasterGetVendorString, vendor, 1},
        {audioMasterGetProductString, nullptr, 0}, // no buffer: must not write through null
        {audioMasterGetLanguage, nullptr, 1},
        {audioMasterGetCurrentProcessLevel, nullptr, 0},
        {audioMasterOpenFileSelector, nullptr, 0},
        {9999, nullptr, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Call(&effect, c.opcode, 0, 0, c.ptr), c.expected) << "opcode " << c.opcode;
    }
    EXPECT_STREQ(vendor, "Tolvane");
    host.SetProcessing(true);
    EXPECT_EQ(Call(&effect, audioMasterGetCurrentProcessLevel), 4);
}

TEST_F(HostCallbackTest, CanDoOnlyTheEventAndTimeFeatures)
{
    const struct {
        const char* feature;
        VstIntPtr expected;
    } cases[] = {
        {"sendVstEvents", 1},       {"sendVstMidiEvent", 1},    {"sendVstTimeInfo", 1},
        {"receiveVstEvents", 1},    {"receiveVstMidiEvent", 1}, {"offline", 0},
        {"sendVstMidiEventFlagIsRealtime", 0}, {"sendVstEvent", 0}, {"", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Call(&effect, audioMasterCanDo, 0, 0, const_cast<char*>(c.feature)), c.expected)
            << c.feature;
    }
    EXPECT_EQ(Call(&effect, audioMasterCanDo), 0);
}

TEST_F(HostCallbackTest, ProductStringCopyNeverPassesSixtyFourBytes)
{
    for (const std::size_t length : {0u, 10u, 63u, 64u, 200u}) {
        SCOPED_TRACE(length);
        host.SetProductString(std::string(length, 'x'));
        unsigned char buffer[128];
        std::memset(buffer, 0xAB, sizeof(buffer));
        EXPECT_EQ(Call(&effect, audioMasterGetProductString, 0, 0, buffer), 1);
        const std::size_t kept = length < 63 ? length : 63;
        EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer)), std::string(kept, 'x'));
        for (std::size_t i = kept + 1; i < sizeof(buffer); ++i) {
            ASSERT_EQ(buffer[i], 0xAB) << "byte " << i << " overwritten";
        }
    }
}

TEST_F(HostCallbackTest, TimeInfoFollowsTheTransport)
{
    Transport& transport = host.GetTransport();
    const auto* time = reinterpret_cast<const VstTimeInfo*>(Call(&effect, audioMasterGetTime));
    ASSERT_NE(time, nullptr);
    const VstInt32 valid = kVstTempoValid | kVstTimeSigValid | kVstPpqPosValid;
    EXPECT_EQ(time->flags & valid, valid);
    EXPECT_EQ(time->flags & kVstTransportPlaying, 0);
    EXPECT_EQ(time->tempo, 120.0);
    EXPECT_EQ(time->timeSigNumerator, 4);
    EXPECT_EQ(time->timeSigDenominator, 4);

    // Stopped transports do not move; playing ones do, and say so.
    transport.Advance(1000);
    EXPECT_EQ(transport.SamplePosition(), 0.0);
    transport.SetPlaying(true);
    transport.Advance(44100);
    transport.Advance(44100);
    time = reinterpret_cast<const VstTimeInfo*>(Call(&effect, audioMasterGetTime, 0, valid));
    EXPECT_NE(time->flags & kVstTransportPlaying, 0);
    EXPECT_EQ(time->samplePos, 88200.0);
    EXPECT_EQ(time->sampleRate, 44100.0);
    EXPECT_DOUBLE_EQ(time->ppqPos, 4.0); // two seconds at 120 bpm
    transport.SetPlaying(false);
    time = reinterpret_cast<const VstTimeInfo*>(Call(&effect, audioMasterGetTime));
    EXPECT_EQ(time->flags & kVstTransportPlaying, 0);
}

TEST(Transport, PositionsInQuartersAndBars)
{
    const struct {
        double sampleRate;
        double tempo;
        VstInt32 numerator;
        VstInt32 denominator;
        double samplePos;
        double ppq;
        double barStart;
    } cases[] = {
        {44100.0, 120.0, 4, 4, 0.0, 0.0, 0.0},
        {44100.0, 120.0, 4, 4, 22050.0, 1.0, 0.0},
        {48000.0, 90.0, 4, 4, 48000.0 * 4.0, 6.0, 4.0},
        {48000.0, 120.0, 3, 4, 48000.0 * 4.0, 8.0, 6.0},
        {48000.0, 120.0, 6, 8, 48000.0 * 4.0, 8.0, 6.0},
        {48000.0, 120.0, 7, 8, 48000.0 * 4.0, 8.0, 7.0},
    };
    for (const auto& c : cases) {
        Transport transport;
        transport.SetSampleRate(c.sampleRate);
        transport.SetTempo(c.tempo);
        transport.SetTimeSignature(c.numerator, c.denominator);
        transport.SetSamplePosition(c.samplePos);
        const VstTimeInfo info = transport.TimeInfo();
        SCOPED_TRACE(testing::Message() << c.numerator << "/" << c.denominator << " at " << c.samplePos);
        EXPECT_DOUBLE_EQ(info.ppqPos, c.ppq);
        EXPECT_DOUBLE_EQ(info.barStartPos, c.barStart);
        EXPECT_EQ(info.timeSigNumerator, c.numerator);
        EXPECT_EQ(info.timeSigDenominator, c.denominator);
    }
}

TEST_F(HostCallbackTest, CopiesMidiAndSysexEvents)
{
    VstMidiEvent noteOn{};
    noteOn.type = kVstMidiType;
    noteOn.byteSize = sizeof(VstMidiEvent);
    noteOn.deltaFrames = 17;
    noteOn.midiData[0] = static_cast<char>(0x90);
    noteOn.midiData[1] = 60;
    noteOn.midiData[2] = 100;

    std::vector<char> dump = {static_cast<char>(0xF0), 0x7D, 0x01, static_cast<char>(0xF7)};
    VstMidiSysexEvent sysex{};
    sysex.type = kVstSysExType;
    sysex.byteSize = sizeof(VstMidiSysexEvent);
    sysex.deltaFrames = 3;
    sysex.dumpBytes = static_cast<VstInt32>(dump.size());
    sysex.sysexDump = dump.data();

    struct {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[3];
    } list{3, 0,
           {reinterpret_cast<VstEvent*>(&noteOn), nullptr, reinterpret_cast<VstEvent*>(&sysex)}};

    EXPECT_EQ(Call(&effect, audioMasterProcessEvents, 0, 0, &list), 1);
    // The plug-in may reuse its buffers as soon as the call returns.
    noteOn.midiData[1] = 0;
    dump.assign(4, 0);

    const std::vector<HostEvent>& events = host.Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].type, kVstMidiType);
    EXPECT_EQ(events[0].deltaFrames, 17);
    EXPECT_EQ(events[0].bytes, (std::vector<unsigned char>{0x90, 60, 100}));
    EXPECT_EQ(events[1].type, kVstSysExType);
    EXPECT_EQ(events[1].deltaFrames, 3);
    EXPECT_EQ(events[1].bytes, (std::vector<unsigned char>{0xF0, 0x7D, 0x01, 0xF7}));

    EXPECT_EQ(Call(&effect, audioMasterProcessEvents), 0);
    host.ClearEvents();
    EXPECT_TRUE(host.Events().empty());
}

TEST_F(HostCallbackTest, RecordsEditsDisplayUpdatesAndMidiWish)
{
    EXPECT_EQ(Call(&effect, audioMasterBeginEdit, 4), 1);
    EXPECT_EQ(Call(&effect, audioMasterAutomate, 4, 0, nullptr, 0.25f), 1);
    EXPECT_EQ(Call(&effect, audioMasterAutomate, 4, 0, nullptr, 0.5f), 1);
    EXPECT_EQ(Call(&effect, audioMasterEndEdit, 4), 1);
    EXPECT_EQ(Call(&effect, audioMasterUpdateDisplay), 1);
    EXPECT_EQ(Call(&effect, audioMasterUpdateDisplay), 1);
    EXPECT_FALSE(host.MidiWanted());
    EXPECT_EQ(Call(&effect, audioMasterWantMidi), 1);

    const std::vector<EditRecord>& edits = host.Edits();
    ASSERT_EQ(edits.size(), 4u);
    const EditKind kinds[] = {EditKind::BeginEdit, EditKind::Automate, EditKind::Automate,
                              EditKind::EndEdit};
    for (std::size_t i = 0; i < edits.size(); ++i) {
        EXPECT_EQ(edits[i].kind, kinds[i]) << i;
        EXPECT_EQ(edits[i].index, 4) << i;
    }
    EXPECT_EQ(edits[1].value, 0.25f);
    EXPECT_EQ(edits[2].value, 0.5f);
    EXPECT_EQ(host.DisplayUpdates(), 2);
    EXPECT_TRUE(host.MidiWanted());
}

TEST(HostCallbackRouting, EachEffectReachesItsOwnHost)
{
    HostCallback first;
    HostCallback second;
    first.SetProductString("first");
    second.SetProductString("second");

    nextEffect = &firstEffect;
    EXPECT_EQ(first.CreateEffect(&FakeEntryPoint), &firstEffect);
    EXPECT_EQ(productSeenDuringConstruction, "first");
    nextEffect = &secondEffect;
    EXPECT_EQ(second.CreateEffect(&FakeEntryPoint), &secondEffect);
    EXPECT_EQ(productSeenDuringConstruction, "second");

    char product[64] = {};
    Call(&firstEffect, audioMasterGetProductString, 0, 0, product);
    EXPECT_STREQ(product, "first");
    Call(&secondEffect, audioMasterGetProductString, 0, 0, product);
    EXPECT_STREQ(product, "second");

    // Once detached, the effect belongs to nobody: only the version question is answered.
    first.Detach();
    std::strcpy(product, "untouched");
    EXPECT_EQ(Call(&firstEffect, audioMasterGetProductString, 0, 0, product), 0);
    EXPECT_STREQ(product, "untouched");
    EXPECT_EQ(Call(&firstEffect, audioMasterVersion), 2400);
    Call(&secondEffect, audioMasterGetProductString, 0, 0, product);
    EXPECT_STREQ(product, "second");
}

TEST(HostCallbackRouting, NullEffectFromEntryPointLeavesNothingAttached)
{
    HostCallback host;
    host.SetProductString("constructing");
    nextEffect = nullptr;
    EXPECT_EQ(host.CreateEffect(&FakeEntryPoint), nullptr);
    EXPECT_EQ(productSeenDuringConstruction, "constructing");
    EXPECT_EQ(host.Effect(), nullptr);
    // Construction is over, so a later stray call must not land in this host.
    EXPECT_EQ(Call(nullptr, audioMasterWantMidi), 0);
    EXPECT_FALSE(host.MidiWanted());
}

} // namespace
