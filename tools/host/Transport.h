// The musical clock the host shows a plug-in through audioMasterGetTime. The host owns it
// and moves it; a render loop calls Advance after each block, or SetPosition when it knows
// the musical position better (a song with tempo changes).
#pragma once

#include "plugbase/Vst2Interface.h"

class Transport {
public:
    static constexpr double kDefaultSampleRate = 44100.0;
    static constexpr double kDefaultTempo = 120.0;

    void SetSampleRate(double sampleRate);
    void SetTempo(double beatsPerMinute);
    void SetTimeSignature(VstInt32 numerator, VstInt32 denominator);
    void SetPlaying(bool playing);
    // Also moves the musical position, as if the current tempo had held from the start.
    void SetSamplePosition(double samplePosition);
    void SetPosition(double samplePosition, double quarters);
    void Advance(VstInt32 frames);

    double SampleRate() const { return sampleRate; }
    double Tempo() const { return tempo; }
    double SamplePosition() const { return samplePosition; }
    bool Playing() const { return playing; }

    // Quarter notes since the start, the unit plug-ins use for tempo-synced behaviour.
    double PpqPosition() const { return ppqPosition; }

    VstTimeInfo TimeInfo() const;

private:
    double sampleRate = kDefaultSampleRate;
    double tempo = kDefaultTempo;
    double samplePosition = 0.0;
    // Kept rather than derived from the sample position: after a tempo change the two are
    // no longer proportional.
    double ppqPosition = 0.0;
    VstInt32 numerator = 4;
    VstInt32 denominator = 4;
    bool playing = false;
};
