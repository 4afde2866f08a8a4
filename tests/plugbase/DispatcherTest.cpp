// The VST 2 face of the plug-in: the effect record, the dispatcher's opcodes, processing
// and the parameter callbacks.
#include "editor/IEditorSurface.h"
#include "engine/Quellorn.h"
#include "tests/engine/SamplerFixture.h"
#include "tests/plugbase/TestHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

// The sampler with the base operations the dispatcher drives recorded.
class ProbeSampler : public CLS_QUELLORN {
public:
    using CLS_QUELLORN::CLS_QUELLORN;
    void ResetProcessing() override
    {
        events.push_back("reset");
        CLS_QUELLORN::ResetProcessing();
    }
    void SetActive(bool on) override { events.push_back(on ? "on" : "off"); }
    void HandleMidiEvent(const IMidiEvent& e) override
    {
        ThrowIfAsked();
        midi.push_back(e);
    }
    void ParamChanged(int index) override
    {
        ThrowIfAsked();
        CLS_QUELLORN::ParamChanged(index);
    }
    void RenderBlock(double** inputs, double** outputs, int frames) override
    {
        CLS_QUELLORN::RenderBlock(inputs, outputs, frames);
        ThrowIfAsked(); // after the outputs were written
    }
    void ThrowIfAsked() const
    {
        if (throwing)
            throw std::runtime_error("inside the plug-in");
    }
    void HandleSysEx(const ISysExEvent& e) override { sysex.push_back(e); }
    std::vector<double>& Scratch(int channel) { return outputs[channel].scratch; }
    const char* SlotLoadFailure(int slot) const override
    {
        return slot == 1 ? failure.c_str() : "";
    }

    std::string failure;

    std::vector<std::string> events;
    std::vector<IMidiEvent> midi;
    std::vector<ISysExEvent> sysex;
    bool throwing = false;
};

class Dispatcher : public ::testing::Test {
protected:
    void SetUp() override
    {
        e = host.Create();
        ASSERT_NE(e, nullptr);
        plug = static_cast<CLS_QUELLORN*>(e->object);
    }
    VstIntPtr Call(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                   float opt = 0.0f)
    {
        return host.Dispatch(opcode, index, value, ptr, opt);
    }

    TestHost host;
    AEffect* e = nullptr;
    CLS_QUELLORN* plug = nullptr;
};

class DispatcherProbe : public Dispatcher {
protected:
    void SetUp() override
    {
        probe = new ProbeSampler(&TestHost::Callback);
        e = host.effect = probe->Effect();
        e->user = &host;
        plug = probe;
    }
    ProbeSampler* probe = nullptr;
};

TEST_F(Dispatcher, EffectRecordDescribesTheSampler)
{
    EXPECT_EQ(e->magic, 0x56737450);
    EXPECT_EQ(e->numParams, 36);
    EXPECT_EQ(e->numPrograms, 10);
    EXPECT_EQ(e->numInputs, 0);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, 0x1131);
    EXPECT_EQ(e->uniqueID, 0x7A76746B);
    EXPECT_EQ(e->version, 10000);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_EQ(e->object, plug);
    EXPECT_TRUE(e->dispatcher && e->process && e->processReplacing && e->processDoubleReplacing &&
                e->setParameter && e->getParameter);
}

TEST_F(Dispatcher, NullObjectAnswersZero)
{
    AEffect orphan = *e;
    orphan.object = nullptr;
    char text[] = "receiveVstTimeInfo";
    EXPECT_EQ(orphan.dispatcher(&orphan, effCanDo, 0, 0, text, 0.0f), 0);
    EXPECT_EQ(orphan.dispatcher(&orphan, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(orphan.getParameter(&orphan, 0), 0.0f);
    float left[4] = {7, 7, 7, 7};
    float* outs[] = {left, left};
    orphan.processReplacing(&orphan, nullptr, outs, 4);
    EXPECT_EQ(left[0], 7.0f);
}

TEST_F(Dispatcher, FixedAnswersAndNames)
{
    const std::pair<VstInt32, VstIntPtr> answers[] = {
        {effGetVendorVersion, 10000}, {effGetVstVersion, 2400}, {effIdentify, 0x4E764566},
        {effGetPlugCategory, 2},      {effCanBeAutomated, 1},   {effEditIdle, 0},
        {effIdle, 0},                 {effProcessVarIo, 0}};
    for (const auto& [opcode, expected] : answers) {
        SCOPED_TRACE(opcode);
        EXPECT_EQ(Call(opcode, 5), expected);
    }
    const std::pair<VstInt32, const char*> names[] = {
        {effGetEffectName, "Quellorn"}, {effGetVendorString, "Tolvane"}, {effGetProductString, ""}};
    for (const auto& [opcode, expected] : names) {
        SCOPED_TRACE(opcode);
        char text[128] = "unchanged";
        EXPECT_EQ(Call(opcode, 0, 0, text), 1);
        EXPECT_STREQ(text, expected);
        EXPECT_EQ(Call(opcode), 0);
    }
}

TEST_F(Dispatcher, CanDoAnswersByWholeString)
{
    const std::pair<const char*, VstIntPtr> cases[] = {
        {"receiveVstTimeInfo", 1},             {"sendVstEvents", 1},
        {"sendVstMidiEvent", 1},               {"receiveVstEvents", 1},
        {"receiveVstMidiEvent", 1},            {"hasCockosExtensions", 0xBEEF0000},
        {"hasCockosViewAsConfig", 0xBEEF0000}, {"receiveVstTimeInfoX", 0},
        {"sendVst", 0},                        {"", 0}};
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        std::string copy = text;
        EXPECT_EQ(Call(effCanDo, 0, 0, copy.data()), expected);
    }
    EXPECT_EQ(Call(effCanDo), 0);
}

TEST_F(Dispatcher, PinPropertiesDescribeTheTwoOutputs)
{
    VstPinProperties pin{};
    for (int index : {-1, 0, 1})
        EXPECT_EQ(Call(effGetInputProperties, index, 0, &pin), 0) << index;
    for (int index : {0, 1}) {
        ASSERT_EQ(Call(effGetOutputProperties, index, 0, &pin), 1);
        EXPECT_EQ(pin.flags, index == 0 ? 3 : 1); // the first of a pair is stereo
        EXPECT_EQ(std::string(pin.label), "Output " + std::to_string(index + 1));
    }
    for (int index : {-1, 2})
        EXPECT_EQ(Call(effGetOutputProperties, index, 0, &pin), 0) << index;
    EXPECT_EQ(Call(effGetOutputProperties), 0);

    // With three outputs the last one has no partner and is not stereo.
    IPlugVST three(&TestHost::Callback, 1, "0-3", 1, "Three", "", "V", 0x10000, 1, 0, kMidiNone,
                   false, false);
    AEffect* fx = three.Effect();
    for (int index : {0, 1, 2}) {
        ASSERT_EQ(fx->dispatcher(fx, effGetOutputProperties, index, 0, &pin, 0.0f), 1);
        EXPECT_EQ(pin.flags, index == 0 ? 3 : 1) << index;
    }
}

TEST_F(Dispatcher, ParameterNamesLabelsAndDisplays)
{
    struct Case {
        VstInt32 opcode, index;
        const char* expected;
    };
    const Case cases[] = {
        {effGetParamName, 13, "Low Note"}, {effGetParamName, 35, "Loop"},
        {effGetParamLabel, 5, "s"},        {effGetParamLabel, 9, "dB"},
        {effGetParamLabel, 7, ""},         {effGetParamDisplay, 0, "Yes"},
        {effGetParamDisplay, 5, "0.80"},   {effGetParamDisplay, 1, "36"},
        {effGetParamDisplay, 9, "0"},      {effGetParamName, 36, "unchanged"},
        {effGetParamDisplay, -1, "unchanged"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.opcode << " " << c.index);
        char text[64] = "unchanged";
        EXPECT_EQ(Call(c.opcode, c.index, 0, text), 0);
        EXPECT_STREQ(text, c.expected);
    }
}

// Hosts' own parameter lists: each text names the slot, Yes/No parameters are switches,
// and the slots are the display categories. Integer ranges are never claimed.
TEST_F(Dispatcher, ParameterPropertiesNameTheSlotAndMarkSwitches)
{
    struct Case {
        VstInt32 index;
        const char* label;
        const char* shortLabel;
        bool isSwitch;
        const char* category;
    };
    const Case cases[] = {
        {0, "Slot 1 Active", "Act 1", true, "Slot 1"},
        {13, "Slot 2 Low Note", "Low 2", false, "Slot 2"},
        {4, "Slot 1 Semitones Multiply", "Semi 1", false, "Slot 1"},
        {20, "Slot 2 Alternate Pan", "AltP 2", true, "Slot 2"},
        {29, "Slot 3 Attack", "Att 3", false, "Slot 3"},
        {35, "Slot 3 Loop", "Loop 3", true, "Slot 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        VstParameterProperties p;
        std::memset(&p, 0x5A, sizeof p); // what the host's memory held before
        ASSERT_EQ(Call(effGetParameterProperties, c.index, 0, &p), 1);
        EXPECT_STREQ(p.label, c.label);
        EXPECT_STREQ(p.shortLabel, c.shortLabel);
        EXPECT_STREQ(p.categoryLabel, c.category);
        EXPECT_EQ(p.flags, kVstParameterSupportsDisplayCategory | (c.isSwitch ? kVstParameterIsSwitch : 0));
        EXPECT_EQ(p.category, c.category[5] - '0');
        EXPECT_EQ(p.numParametersInCategory, 12);
        EXPECT_EQ(p.minInteger, 0);
        EXPECT_EQ(p.future[15], 0);
    }
    // Every parameter has texts of its own that fit, and the names stay as they were.
    std::vector<std::string> labels, shortLabels;
    for (VstInt32 i = 0; i < kParamCount; ++i) {
        VstParameterProperties p{};
        ASSERT_EQ(Call(effGetParameterProperties, i, 0, &p), 1) << i;
        EXPECT_LE(std::strlen(p.label), 63u);
        EXPECT_LE(std::strlen(p.shortLabel), 7u) << p.shortLabel;
        labels.emplace_back(p.label);
        shortLabels.emplace_back(p.shortLabel);
    }
    std::sort(labels.begin(), labels.end());
    std::sort(shortLabels.begin(), shortLabels.end());
    EXPECT_EQ(std::unique(labels.begin(), labels.end()), labels.end());
    EXPECT_EQ(std::unique(shortLabels.begin(), shortLabels.end()), shortLabels.end());
    char name[64];
    Call(effGetParamName, 12, 0, name);
    EXPECT_STREQ(name, "Active");

    VstParameterProperties untouched{};
    EXPECT_EQ(Call(effGetParameterProperties, kParamCount, 0, &untouched), 0);
    EXPECT_EQ(Call(effGetParameterProperties, -1, 0, &untouched), 0);
    EXPECT_EQ(Call(effGetParameterProperties, 0, 0, nullptr), 0);
    EXPECT_EQ(untouched.label[0], '\0');
}

TEST_F(Dispatcher, String2ParameterClampsStoresAndApplies)
{
    Call(effOpen);
    EXPECT_EQ(Call(effString2Parameter, 5), 1) << "in range, no text";
    EXPECT_EQ(plug->GetParam(5)->PlainValue(), 0.8);
    char text[] = "3";
    EXPECT_EQ(Call(effString2Parameter, 36, 0, text), 0);
    EXPECT_EQ(Call(effString2Parameter, -1, 0, text), 0);

    struct Case {
        int index;
        const char* text;
        double expected;
    };
    const Case cases[] = {{0, "No", 0.0},    {0, "Yes", 1.0},   {5, "0.5", 0.5},
                          {5, "40", 16.0},   {1, "500", 127.0}, {1, "abc", 12.0},
                          {1, "60.4", 60.4}, {9, "-3dB", -3.0}, {7, "100", 100.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.index << " \"" << c.text << "\"");
        std::string t = c.text;
        EXPECT_EQ(Call(effString2Parameter, c.index, 0, t.data()), 1);
        EXPECT_EQ(plug->GetParam(c.index)->PlainValue(), c.expected);
    }
    EXPECT_EQ(plug->lowNote[0], 60);
    EXPECT_EQ(plug->panLeft[0], 0.0f);
    EXPECT_EQ(plug->panRight[0], 1.5f);
}

TEST_F(Dispatcher, EditorRectAndBareWindow)
{
    ERect* rect = nullptr;
    ASSERT_EQ(Call(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(std::vector<int>({rect->top, rect->left, rect->bottom, rect->right}),
              std::vector<int>({0, 0, 492, 504}));
    EXPECT_EQ(Call(effEditGetRect), 0);
    EXPECT_EQ(Call(effEditOpen), 0) << "the bare surface has no window";
    EXPECT_EQ(Call(effEditClose), 1);
}

// Runs one float block into buffers prefilled with 7, so untouched samples stand out.
std::vector<std::vector<float>> FloatBlock(AEffect* fx, int frames, bool accumulate = false)
{
    std::vector<std::vector<float>> out(2,
                                        std::vector<float>(static_cast<std::size_t>(frames), 7.0f));
    float* outs[] = {out[0].data(), out[1].data()};
    (accumulate ? fx->process : fx->processReplacing)(fx, nullptr, outs, frames);
    return out;
}

// What a block gives before every parameter is applied is the countdown's test.
TEST_F(Dispatcher, EveryBlockAsksForMidi)
{
    ASSERT_FALSE(plug->ParamsReady());
    FloatBlock(e, 32);
    EXPECT_EQ(host.Count(audioMasterWantMidi), 1);
    FloatBlock(e, 32, true);
    std::vector<double> left(48, 7.0), right(48, 7.0);
    double* outs[] = {left.data(), right.data()};
    e->processDoubleReplacing(e, nullptr, outs, 48);
    EXPECT_EQ(host.Count(audioMasterWantMidi), 3);
}

TEST_F(Dispatcher, ABlockLongerThanTheBlockSizeGrowsTheBuffers)
{
    Call(effSetBlockSize, 0, 16);
    EXPECT_EQ(FloatBlock(e, 64)[1], std::vector<float>(64, 0.0f));
    EXPECT_EQ(plug->BlockFrames(), 64);
    Call(effOpen);
    plug->HandleMidiEvent(HoldConstantSample(*plug, 4096));
    const auto out = FloatBlock(e, 100); // rendered to its last frame
    EXPECT_NE(out[0][99], 0.0f);
    EXPECT_NE(out[1][99], 7.0f);
    EXPECT_EQ(plug->BlockFrames(), 100);
}

TEST_F(Dispatcher, SpeakerArrangements)
{
    VstSpeakerArrangement* in = nullptr;
    VstSpeakerArrangement* out = nullptr;
    EXPECT_EQ(Call(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 1);
    ASSERT_TRUE(in && out);
    EXPECT_EQ(std::make_pair(in->type, in->numChannels), std::make_pair(-1, 0));
    EXPECT_EQ(std::make_pair(out->type, out->numChannels), std::make_pair(1, 2));

    // One output channel given: the second is disconnected and its buffer left alone.
    VstSpeakerArrangement mono{};
    mono.numChannels = 1;
    EXPECT_EQ(Call(effSetSpeakerArrangement, 0, 0, &mono), 1);
    auto block = FloatBlock(e, 8);
    EXPECT_EQ(block[0], std::vector<float>(8, 0.0f));
    EXPECT_EQ(block[1], std::vector<float>(8, 7.0f));
    VstSpeakerArrangement stereo{};
    stereo.numChannels = 2;
    EXPECT_EQ(Call(effSetSpeakerArrangement, 0, 0, &stereo), 1);
    EXPECT_EQ(FloatBlock(e, 8)[1], std::vector<float>(8, 0.0f));
}

TEST_F(DispatcherProbe, BlockSizeAndSampleRateAreCheckedAndResetProcessing)
{
    std::vector<double>& scratch = probe->Scratch(0);
    scratch[0] = 0.25;
    const double* data = scratch.data();
    Call(effSetBlockSize, 0, 1024);
    EXPECT_EQ(probe->Scratch(0).data(), data);
    EXPECT_EQ(probe->Scratch(0)[0], 0.25) << "same size keeps the buffers";
    for (VstIntPtr bad : {VstIntPtr(-1), VstIntPtr(4194305)})
        Call(effSetBlockSize, 0, bad);
    EXPECT_EQ(plug->BlockFrames(), 1024);
    Call(effSetBlockSize, 0, 512);
    EXPECT_EQ(plug->BlockFrames(), 512);
    EXPECT_EQ(probe->Scratch(0)[0], 0.0);
    EXPECT_EQ(probe->events, std::vector<std::string>(4, "reset"));

    probe->events.clear();
    Call(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    EXPECT_EQ(plug->SampleRate(), 48000.0);
    EXPECT_EQ(plug->engineRate, 48000.0);
    const float inf = std::numeric_limits<float>::infinity();
    for (float bad : {0.0f, -44100.0f, std::numeric_limits<float>::quiet_NaN(), inf})
        Call(effSetSampleRate, 0, 0, nullptr, bad);
    EXPECT_EQ(plug->SampleRate(), 48000.0);
    EXPECT_EQ(probe->events, std::vector<std::string>(5, "reset"));
}

TEST_F(DispatcherProbe, SlotFailureReasonFitsAStoredPathBuffer)
{
    const std::string longReason = "unsupported format: " + std::string(300, 'x');
    struct Case {
        VstIntPtr slot;
        std::string failure;
        bool withBuffer;
        VstIntPtr answer;
        std::string text;
    };
    const Case cases[] = {
        {1, "unsupported format: .aif", true, 0xBEEF, "unsupported format: .aif"},
        {0, "not found", true, 0xBEEF, ""},
        {2, "", true, 0xBEEF, ""},
        {1, longReason, true, 0xBEEF, longReason.substr(0, 260)},
        {3, "not found", true, 0, "unchanged"},
        {-1, "not found", true, 0, "unchanged"},
        {1, "not found", false, 0, "unchanged"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.slot << " " << c.failure.substr(0, 30));
        probe->failure = c.failure;
        // One byte past what the request may fill, to catch a write beyond it.
        char text[kStateTextSize + 1];
        std::memset(text, '#', sizeof text);
        std::strcpy(text, "unchanged");
        EXPECT_EQ(Call(effVendorSpecific, 57, c.slot, c.withBuffer ? text : nullptr), c.answer);
        EXPECT_EQ(std::string(text), c.withBuffer ? c.text : "unchanged");
        EXPECT_EQ(text[kStateTextSize], '#');
    }
}

TEST_F(DispatcherProbe, ActivityOpcodes)
{
    struct Case {
        VstInt32 opcode;
        VstIntPtr value;
        std::vector<std::string> events;
    };
    const Case cases[] = {{effMainsChanged, 0, {"off", "reset"}},
                          {effMainsChanged, 1, {"on"}},
                          {effSetBypass, 1, {"off"}},
                          {effSetBypass, 0, {"on"}},
                          {effStartProcess, 0, {"on"}},
                          {effStopProcess, 0, {"off"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.opcode << " " << c.value);
        probe->events.clear();
        EXPECT_EQ(Call(c.opcode, 0, c.value), 0);
        EXPECT_EQ(probe->events, c.events);
    }
}

TEST_F(DispatcherProbe, ProcessEventsHandsOverMidiAndSysExInOrder)
{
    EXPECT_EQ(Call(effProcessEvents), 0);
    auto midi = [](VstInt32 type, VstInt32 offset, const char* bytes) {
        VstMidiEvent m{};
        m.type = type;
        m.deltaFrames = offset;
        std::memcpy(m.midiData, bytes, 3);
        return m;
    };
    VstMidiEvent on = midi(kVstMidiType, 5, "\x90\x3C\x64");
    VstMidiEvent off = midi(kVstMidiType, 9, "\x80\x3C\x00");
    VstMidiEvent other = midi(3, 1, "\x90\x3D\x64"); // neither MIDI nor SysEx: ignored
    const unsigned char dump[] = {0xF0, 0x7E, 0xF7};
    VstMidiSysexEvent sysex{};
    sysex.type = kVstSysExType;
    sysex.deltaFrames = 2;
    sysex.dumpBytes = 3;
    sysex.sysexDump = const_cast<char*>(reinterpret_cast<const char*>(dump));
    struct {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[5];
    } list{5,
           0,
           {reinterpret_cast<VstEvent*>(&on), nullptr, reinterpret_cast<VstEvent*>(&sysex),
            reinterpret_cast<VstEvent*>(&other), reinterpret_cast<VstEvent*>(&off)}};
    EXPECT_EQ(Call(effProcessEvents, 0, 0, &list), 1);

    ASSERT_EQ(probe->midi.size(), 2u);
    const IMidiEvent& first = probe->midi[0];
    EXPECT_EQ(std::vector<int>({first.offset, first.status, first.data1, first.data2}),
              std::vector<int>({5, 0x90, 0x3C, 0x64}));
    EXPECT_EQ(probe->midi[1].offset, 9);
    EXPECT_EQ(probe->midi[1].status, 0x80);
    ASSERT_EQ(probe->sysex.size(), 1u);
    EXPECT_EQ(probe->sysex[0].offset, 2);
    EXPECT_EQ(probe->sysex[0].size, 3);
    EXPECT_EQ(probe->sysex[0].data, dump);
}

TEST_F(Dispatcher, ParameterCallbacksUseTheNormalisedForm)
{
    Call(effOpen);
    EXPECT_FLOAT_EQ(e->getParameter(e, 5), std::sqrt(0.8f / 16.0f)); // Attack, shape 2
    e->setParameter(e, 1, 0.5f);                                     // Low Note 69.5 snaps to 70
    EXPECT_EQ(plug->GetParam(1)->PlainValue(), 70.0);
    EXPECT_FLOAT_EQ(e->getParameter(e, 1), 58.0f / 115.0f);
    e->setParameter(e, 7, 1.0f);
    EXPECT_EQ(plug->panLeft[0], 0.0f) << "setParameter applies the change";
    EXPECT_EQ(plug->panRight[0], 1.5f);

    e->setParameter(e, 36, 0.5f);
    e->setParameter(e, -1, 0.5f);
    EXPECT_EQ(e->getParameter(e, 36), 0.0f);
    EXPECT_EQ(e->getParameter(e, -1), 0.0f);
}

// Whatever throws inside, the host gets 0, silence or an unchanged parameter, and the
// object lock is free again.
TEST_F(DispatcherProbe, NoExceptionReachesTheHost)
{
    Call(effOpen);
    ASSERT_TRUE(plug->ParamsReady());
    plug->CLS_QUELLORN::HandleMidiEvent(HoldConstantSample(*plug, 64)); // a voice, so a rendered block is not silent
    probe->throwing = true;

    VstMidiEvent midi{};
    midi.type = kVstMidiType;
    VstEvents list{1, 0, {reinterpret_cast<VstEvent*>(&midi), nullptr}};
    EXPECT_EQ(Call(effProcessEvents, 0, 0, &list), 0);
    char text[] = "100";
    EXPECT_EQ(Call(effString2Parameter, 1, 0, text), 0);

    EXPECT_EQ(FloatBlock(e, 16)[0], std::vector<float>(16, 0.0f));
    EXPECT_EQ(FloatBlock(e, 16, true)[0], std::vector<float>(16, 7.0f));
    std::vector<double> left(16, 7.0), right(16, 7.0);
    double* outs[] = {left.data(), right.data()};
    e->processDoubleReplacing(e, nullptr, outs, 16);
    EXPECT_EQ(left, std::vector<double>(16, 0.0));

    const double before = plug->GetParam(1)->PlainValue();
    e->setParameter(e, 1, 0.9f);
    EXPECT_EQ(plug->GetParam(1)->PlainValue(), before);

    bool lockFree = false;
    std::thread other([&] {
        lockFree = plug->Lock().try_lock();
        if (lockFree)
            plug->Lock().unlock();
    });
    other.join();
    EXPECT_TRUE(lockFree);
    probe->throwing = false;
    EXPECT_NE(FloatBlock(e, 16)[0], std::vector<float>(16, 0.0f)) << "and it plays on";
}

TEST_F(Dispatcher, CloseDeletesThePlugIn)
{
    Call(effOpen);
    EXPECT_EQ(Call(effClose), 0);
    EXPECT_EQ(host.effect, nullptr);
}

} // namespace

namespace {

// Records whether another thread could take the plug-in's lock while the host's idle call
// was being served.
class IdleProbeSurface : public IEditorSurface {
public:
    using IEditorSurface::IEditorSurface;
    void Idle() override
    {
        std::thread other([this] {
            std::unique_lock<std::recursive_mutex> lock(plug->Lock(), std::try_to_lock);
            lockFree = lock.owns_lock();
        });
        other.join();
        ++idles;
    }
    bool lockFree = false;
    int idles = 0;
};

// A window layer that paints from the host's idle call must not keep the audio thread
// waiting for the paint: the call is served without the plug-in's lock.
TEST(DispatcherIdle, TheEditorIdlesWithoutThePlugInsLock)
{
    TestHost host;
    ASSERT_NE(host.Create(), nullptr);
    auto* plug = static_cast<CLS_QUELLORN*>(host.effect->object);
    IEditorSurface* own = plug->Editor();
    for (int s = 0; s < kSlotCount; ++s) {
        plug->sampleDisplay[s] = nullptr;
        plug->keyboardDisplay[s] = nullptr;
    }
    plug->infoLabel = nullptr;
    auto* probe = new IdleProbeSurface(plug, 504, 492, 0);
    plug->AttachEditor(probe);
    delete own;
    host.Dispatch(effEditIdle);
    EXPECT_EQ(probe->idles, 1);
    EXPECT_TRUE(probe->lockFree);
}

} // namespace
