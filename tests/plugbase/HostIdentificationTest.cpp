// Which host the plug-in runs in (the product name table, asked once), and the
// vendor-specific requests one host family sends to the plug-in.
#include "editor/IEditorSurface.h"
#include "engine/Quellorn.h"
#include "tests/plugbase/TestHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

TEST(HostIdentification, LookUpHostFindsTheFirstFragmentInTheLowerCasedName)
{
    struct Case {
        const char* name;
        int hostId;
    };
    const Case cases[] = {
        {"REAPER", 1},
        {"Cakewalk by BandLab", 5},
        {"Cubase Nuendo", 3},            // "cubase" is tried before "nuendo"
        {"Reaper Nuendo", 1},            // "reaper" likewise
        {"BrainWaveProducer Cubase", 28},
        {"Samplitude Live", 8},          // before "live"
        {"Delivery", 9},                 // holds "live" inside a word
        {"Nuendo", 4},              {"FL Studio (Fruity)", 7}, {"Ableton Live", 9},
        {"Melodyne", 12},           {"VstManLib", 13},         {"AULab", 14},
        {"Forte", 15},              {"Chainer", 16},           {"Adobe Audition", 17},
        {"Orion", 18},              {"SAWStudio", 20},         {"Logic Pro", 21},
        {"Digital Performer", 22},  {"AudioMulch", 23},        {"PreSonus Studio One", 24},
        {"Acoustica Mixcraft", 25}, {"GarageBand", 26},        {"Ardour", 27},
        {"Bitwig Studio", 0},       {"Test Host", 0},          {"", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LookUpHost(c.name), c.hostId);
    }
}

TEST(HostIdentification, OpeningAsksForTheProductNameAndVersionOnce)
{
    TestHost host;
    host.productString = "REAPER";
    host.vendorVersion = 50020;
    ASSERT_NE(host.Create(), nullptr);
    auto* plug = static_cast<CLS_QUELLORN*>(host.effect->object);
    EXPECT_EQ(host.Count(audioMasterGetProductString), 0) << "not asked before opening";

    host.Dispatch(effOpen);
    EXPECT_EQ(host.Count(audioMasterGetProductString), 1);
    EXPECT_EQ(host.Count(audioMasterGetVendorVersion), 1);
    EXPECT_EQ(plug->GetHostId(), 1);
    EXPECT_EQ(plug->HostVersion(), (5 << 16) | (0 << 8) | 20);

    host.Dispatch(effOpen);
    EXPECT_EQ(plug->GetHostId(), 1);
    EXPECT_EQ(host.Count(audioMasterGetProductString), 1);
    EXPECT_EQ(host.Count(audioMasterGetVendorVersion), 1);
    EXPECT_EQ(host.effect->numInputs, 0);
    EXPECT_EQ(host.effect->numOutputs, 2);
}

TEST(HostIdentification, AnEmptyProductNameIsNotAskedForAVersionAndStaysUnknown)
{
    TestHost host;
    host.productString = "";
    host.vendorVersion = 10203;
    ASSERT_NE(host.Create(), nullptr);
    auto* plug = static_cast<CLS_QUELLORN*>(host.effect->object);
    host.Dispatch(effOpen);
    EXPECT_EQ(plug->GetHostId(), 0);
    EXPECT_EQ(plug->HostVersion(), 0);
    EXPECT_EQ(host.Count(audioMasterGetVendorVersion), 0);

    host.productString = "REAPER"; // a later answer changes nothing: 0 is kept
    host.Dispatch(effOpen);
    EXPECT_EQ(plug->GetHostId(), 0);
    EXPECT_EQ(host.Count(audioMasterGetProductString), 1);
}

TEST(HostIdentification, VendorVersionIsPackedAsMajorMinorPatch)
{
    struct Case {
        int vendorVersion;
        int packed;
    };
    const Case cases[] = {{7, 7},
                          {50020, (5 << 16) | (0 << 8) | 20},
                          {10203, (1 << 16) | (2 << 8) | 3},
                          {123456, (12 << 16) | (34 << 8) | 56},
                          {0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.vendorVersion);
        TestHost host;
        host.productString = "Some Host";
        host.vendorVersion = c.vendorVersion;
        ASSERT_NE(host.Create(), nullptr);
        auto* plug = static_cast<CLS_QUELLORN*>(host.effect->object);
        EXPECT_EQ(plug->GetHostId(), 0);
        EXPECT_EQ(plug->HostVersion(), c.packed);
    }
}

TEST(HostIdentification, HostsThatNeedTheChannelSetupKeepThisLayout)
{
    for (const char* name : {"Forte", "Adobe Audition", "Orion", "SAWStudio"}) {
        SCOPED_TRACE(name);
        TestHost host;
        host.productString = name;
        ASSERT_NE(host.Create(), nullptr);
        host.Dispatch(effOpen);
        EXPECT_EQ(host.effect->numInputs, 0);
        EXPECT_EQ(host.effect->numOutputs, 2);
        VstSpeakerArrangement* in = nullptr;
        VstSpeakerArrangement* out = nullptr;
        host.Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out);
        ASSERT_TRUE(in && out);
        EXPECT_EQ(in->numChannels, 0);
        EXPECT_EQ(out->numChannels, 2);
    }
}

// The sampler with its slot-file loads recorded; the base loads nothing.
class RecordingSampler : public CLS_QUELLORN {
public:
    using CLS_QUELLORN::CLS_QUELLORN;
    void LoadSlotFile(int slot, const char* text) override { loads.emplace_back(slot, text); }
    std::vector<std::pair<int, std::string>> loads;
};

class WheelSurface : public IEditorSurface {
public:
    using IEditorSurface::IEditorSurface;
    int HandleWheel(float movement) override
    {
        moves.push_back(movement);
        return 7;
    }
    std::vector<float> moves;
};

class VendorRequests : public ::testing::Test {
protected:
    void SetUp() override
    {
        plug = new RecordingSampler(&TestHost::Callback);
        host.effect = plug->Effect();
        host.effect->user = &host;
    }
    VstIntPtr Call(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                   void* ptr = nullptr, float opt = 0.0f)
    {
        return host.Dispatch(opcode, index, value, ptr, opt);
    }

    TestHost host;
    RecordingSampler* plug = nullptr; // owned by the host's effect, closed by the host
};

TEST_F(VendorRequests, ConvertTextsAndCopyStatePaths)
{
    const float unused = 0.0f;
    // text null: no buffer; after null: nothing to compare.
    struct Case {
        VstInt32 index;
        VstIntPtr value;
        const char* text;
        float opt;
        VstIntPtr result;
        const char* after;
    };
    const Case cases[] = {
        {7, 5, "", 0.5f, 0xBEEF, "4.00"},
        {7, 1, "", 0.5f, 0xBEEF, "69"}, // 69.5 shown truncated
        {7, 0, "", 1.0f, 0xBEEF, "Yes"},
        {7, 36, "unchanged", 0.5f, 0xBEEF, "unchanged"},
        {7, 5, nullptr, 0.5f, 0, nullptr},
        {27, 5, "4", unused, 0xBEEF, "0.50000000000000000"},
        {27, 1, "69.5", unused, 0xBEEF, "0.50000000000000000"},
        {27, 0, "Yes", unused, 0xBEEF, "1.00000000000000000"},
        {27, 9, "100", unused, 0xBEEF, "1.00000000000000000"}, // clamped to 24 dB
        {27, 5, "", unused, 0xBEEF, ""},
        {27, 36, "4", unused, 0, "4"},
        {27, 5, nullptr, unused, 0, nullptr},
        {56, 0, "", unused, 0xBEEF, "0"},
        {56, 3, "", unused, 0, ""},
        {56, -1, "", unused, 0, ""},
        {56, 0, nullptr, unused, 0, nullptr},
        {58, 10000, nullptr, unused, 0, nullptr},
        {99, 0, nullptr, unused, 0, nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.index << " value " << c.value);
        char text[64] = {};
        if (c.text)
            std::strcpy(text, c.text);
        EXPECT_EQ(Call(effVendorSpecific, c.index, c.value, c.text ? text : nullptr, c.opt),
                  c.result);
        if (c.after) {
            EXPECT_STREQ(text, c.after);
        }
    }
    EXPECT_EQ(plug->GetParam(5)->PlainValue(), 0.8) << "conversions change no value";
    EXPECT_TRUE(plug->loads.empty());

    char path[] = "kick.wav";
    EXPECT_EQ(Call(effVendorSpecific, 56, 2, path), 0xBEEF);
    ASSERT_EQ(plug->loads.size(), 1u);
    EXPECT_EQ(plug->loads[0], std::make_pair(2, std::string("kick.wav")));
}

TEST_F(VendorRequests, DisplayTextCountOnlyForEnumeratedParameters)
{
    struct Case {
        VstIntPtr value;
        VstIntPtr result;
        std::int32_t count;
    };
    const Case cases[] = {{0, 0xBEEF, 2}, {11, 0xBEEF, 2}, {1, 0, -1}, {5, 0, -1}, {36, 0, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        std::int32_t count = -1;
        EXPECT_EQ(Call(effVendorSpecific, 8, c.value, &count), c.result);
        EXPECT_EQ(count, c.count);
    }
    EXPECT_EQ(Call(effVendorSpecific, 8, 0, nullptr), 0xBEEF);
}

TEST_F(VendorRequests, WheelRequestGoesToTheEditor)
{
    IEditorSurface* bare = plug->Editor();
    auto* surface = new WheelSurface(plug, 504, 492, 0);
    plug->AttachEditor(surface);
    delete bare;
    EXPECT_EQ(Call(effVendorSpecific, 0x73744341, 0x57686565, nullptr, 2.5f), 7);
    EXPECT_EQ(Call(effVendorSpecific, 0x73744341, 0x57686566, nullptr, 1.0f), 0);
    EXPECT_EQ(surface->moves, std::vector<float>{2.5f});
}

} // namespace
