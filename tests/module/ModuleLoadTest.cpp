// The built module, opened the way a Linux host opens it: by path, through its exported
// entry points, with nothing else visible.
#include "plugbase/Vst2Interface.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

VstIntPtr SilentHost(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float)
{
    return 0;
}

class ModuleLoadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        handle = dlopen(QUELLORN_MODULE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << dlerror();
    }
    void TearDown() override
    {
        if (handle)
            dlclose(handle);
    }

    VstPluginMainProc Entry(const char* name)
    {
        return reinterpret_cast<VstPluginMainProc>(dlsym(handle, name));
    }

    void* handle = nullptr;
};

std::string Text(AEffect* e, VstInt32 opcode, VstInt32 index = 0)
{
    char buffer[256] = {};
    e->dispatcher(e, opcode, index, 0, buffer, 0.0f);
    return buffer;
}

TEST_F(ModuleLoadTest, ExportsBothEntryPointsAndHidesEverythingElse)
{
    EXPECT_NE(Entry("VSTPluginMain"), nullptr);
    EXPECT_NE(Entry("main"), nullptr);
    // Internal functions, under their C++ names, must not leak into the host's namespace.
    EXPECT_EQ(dlsym(handle, "_Z10LookUpHostPKc"), nullptr);
    EXPECT_EQ(dlsym(handle, "CreateEffect"), nullptr);
}

TEST_F(ModuleLoadTest, EachEntryPointCreatesAnIndependentInstance)
{
    AEffect* a = Entry("VSTPluginMain")(SilentHost);
    AEffect* b = Entry("main")(SilentHost);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_NE(a->object, b->object);

    for (AEffect* e : {a, b}) {
        EXPECT_EQ(e->magic, kEffectMagic);
        EXPECT_EQ(e->flags, 0x1131);
        EXPECT_EQ(e->numParams, 36);
        EXPECT_EQ(e->numPrograms, 10);
        EXPECT_EQ(e->numInputs, 0);
        EXPECT_EQ(e->numOutputs, 2);
        EXPECT_EQ(e->uniqueID, 0x7A76746B);
        EXPECT_EQ(e->version, 10000);
    }

    // A change in one instance stays in that instance.
    a->setParameter(a, 7, 1.0f);
    EXPECT_EQ(a->getParameter(a, 7), 1.0f);
    EXPECT_EQ(b->getParameter(b, 7), 0.5f);

    a->dispatcher(a, effClose, 0, 0, nullptr, 0.0f);
    b->dispatcher(b, effClose, 0, 0, nullptr, 0.0f);
}

// With a sample in slot 1: silence until a note comes, then its sound, through both
// processing functions.
TEST_F(ModuleLoadTest, AnswersAHostsOpeningSequenceAndPlaysANote)
{
    AEffect* e = Entry("VSTPluginMain")(SilentHost);
    ASSERT_NE(e, nullptr);
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    e->dispatcher(e, effSetBlockSize, 0, 256, nullptr, 0.0f);
    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);

    EXPECT_EQ(Text(e, effGetEffectName), "Quellorn");
    EXPECT_EQ(Text(e, effGetVendorString), "Tolvane");
    EXPECT_EQ(Text(e, effGetParamName, 5), "Attack");
    EXPECT_EQ(Text(e, effGetParamDisplay, 5), "0.80");
    EXPECT_EQ(Text(e, effGetParamLabel, 5), "s");
    EXPECT_EQ(Text(e, effGetParamDisplay, 0), "Yes");
    EXPECT_EQ(Text(e, effGetParamLabel, 33), "dB");
    EXPECT_EQ(Text(e, effGetProgramNameIndexed, 9), "- 10 -");

    char path[] = QUELLORN_EXAMPLES "/bass.wav";
    constexpr VstInt32 kSlotPathRequest = 56;
    ASSERT_NE(e->dispatcher(e, effVendorSpecific, kSlotPathRequest, 0, path, 0.0f), 0);

    std::vector<float> left(256, 1.0f), right(256, 1.0f);
    float* outs[] = {left.data(), right.data()};
    e->processReplacing(e, nullptr, outs, 256);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(left[i], 0.0f) << i;
        ASSERT_EQ(right[i], 0.0f) << i;
    }

    VstMidiEvent on{};
    on.type = kVstMidiType;
    on.byteSize = sizeof on;
    on.midiData[0] = static_cast<char>(0x90);
    on.midiData[1] = 45;
    on.midiData[2] = 127;
    VstEvents list{1, 0, {reinterpret_cast<VstEvent*>(&on), nullptr}};
    EXPECT_EQ(e->dispatcher(e, effProcessEvents, 0, 0, &list, 0.0f), 1);
    e->processReplacing(e, nullptr, outs, 256);
    EXPECT_NE(left[255], 0.0f);
    EXPECT_NE(right[255], 0.0f);
    std::vector<double> dl(256, 0.0), dr(256, 0.0);
    double* douts[] = {dl.data(), dr.data()};
    e->processDoubleReplacing(e, nullptr, douts, 256);
    EXPECT_NE(dl[0], 0.0);
    EXPECT_NE(dr[255], 0.0);

    e->dispatcher(e, effMainsChanged, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
}

} // namespace
