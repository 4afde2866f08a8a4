#include "tests/plugbase/TestHost.h"

#include "plugbase/IPlugVST.h"

#include <cstring>

namespace {
// The plug-in calls back during its construction, before the test knows its effect.
TestHost* constructingHost = nullptr;
}

TestHost::TestHost()
{
    timeInfo.sampleRate = 44100.0;
    timeInfo.tempo = 120.0;
    timeInfo.timeSigNumerator = 4;
    timeInfo.timeSigDenominator = 4;
    timeInfo.flags = kVstTempoValid | kVstTimeSigValid;
}

TestHost::~TestHost()
{
    if (effect)
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
}

AEffect* TestHost::Create()
{
    constructingHost = this;
    effect = CreateEffect(&TestHost::Callback);
    if (effect)
        effect->user = this;
    constructingHost = nullptr;
    return effect;
}

VstIntPtr TestHost::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                             float opt)
{
    const VstIntPtr result = effect->dispatcher(effect, opcode, index, value, ptr, opt);
    if (opcode == effClose)
        effect = nullptr;
    return result;
}

int TestHost::Count(VstInt32 opcode) const
{
    int n = 0;
    for (const HostCall& call : calls)
        n += call.opcode == opcode;
    return n;
}

std::vector<HostCall> TestHost::CallsOf(VstInt32 opcode) const
{
    std::vector<HostCall> result;
    for (const HostCall& call : calls)
        if (call.opcode == opcode)
            result.push_back(call);
    return result;
}

VstIntPtr TestHost::Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                             void* ptr, float opt)
{
    TestHost* host = effect && effect->user ? static_cast<TestHost*>(effect->user)
                                            : constructingHost;
    if (!host)
        return 0;
    host->calls.push_back({opcode, index, value, opt});
    switch (opcode) {
    case audioMasterGetProductString:
        std::strcpy(static_cast<char*>(ptr), host->productString.c_str());
        return 1;
    case audioMasterGetVendorVersion:
        return host->vendorVersion;
    case audioMasterGetCurrentProcessLevel:
        return host->processLevel;
    case audioMasterGetTime:
        return host->answerTime ? reinterpret_cast<VstIntPtr>(&host->timeInfo) : 0;
    case audioMasterProcessEvents: {
        const auto* events = static_cast<const VstEvents*>(ptr);
        for (int i = 0; host->recordMidi && i < events->numEvents; ++i) {
            const auto* midi = reinterpret_cast<const VstMidiEvent*>(events->events[i]);
            host->midiOut.push_back({static_cast<unsigned char>(midi->midiData[0]),
                                     static_cast<unsigned char>(midi->midiData[1]),
                                     static_cast<unsigned char>(midi->midiData[2])});
        }
        return host->processEventsAnswer;
    }
    default:
        return 0;
    }
}
