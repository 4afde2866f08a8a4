// A scripted VST 2 host for tests: records every callback the plug-in makes and answers
// with values the test sets (product string, vendor version, time info).
#pragma once

#include "plugbase/Vst2Interface.h"

#include <string>
#include <vector>

struct HostCall {
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    float opt;
};

class TestHost {
public:
    TestHost();
    ~TestHost();

    // Creates the plug-in through the same path as the exported entry point.
    AEffect* Create();
    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);
    int Count(VstInt32 opcode) const;
    std::vector<HostCall> CallsOf(VstInt32 opcode) const;

    static VstIntPtr Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                              void* ptr, float opt);

    AEffect* effect = nullptr;
    std::string productString = "Test Host";
    VstIntPtr vendorVersion = 10000;
    VstTimeInfo timeInfo{};
    bool answerTime = true;
    VstIntPtr processEventsAnswer = 1;
    VstIntPtr processLevel = 0; // kVstProcessLevel…; 0 is a host that does not say
    bool recordMidi = true; // off where the host's own bookkeeping must not allocate
    std::vector<HostCall> calls;
    std::vector<std::vector<unsigned char>> midiOut;
};
