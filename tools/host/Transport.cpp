#include "tools/host/Transport.h"

#include <cmath>

void Transport::SetSampleRate(double value)
{
    if (value > 0.0) {
        sampleRate = value;
    }
}

void Transport::SetTempo(double beatsPerMinute)
{
    if (beatsPerMinute > 0.0) {
        tempo = beatsPerMinute;
    }
}

void Transport::SetTimeSignature(VstInt32 newNumerator, VstInt32 newDenominator)
{
    if (newNumerator > 0 && newDenominator > 0) {
        numerator = newNumerator;
        denominator = newDenominator;
    }
}

void Transport::SetPlaying(bool value)
{
    playing = value;
}

void Transport::SetSamplePosition(double value)
{
    samplePosition = value < 0.0 ? 0.0 : value;
    ppqPosition = samplePosition / sampleRate * tempo / 60.0;
}

void Transport::SetPosition(double value, double quarters)
{
    samplePosition = value < 0.0 ? 0.0 : value;
    ppqPosition = quarters < 0.0 ? 0.0 : quarters;
}

void Transport::Advance(VstInt32 frames)
{
    if (playing && frames > 0) {
        samplePosition += frames;
        ppqPosition += frames / sampleRate * tempo / 60.0;
    }
}

VstTimeInfo Transport::TimeInfo() const
{
    VstTimeInfo info{};
    info.samplePos = samplePosition;
    info.sampleRate = sampleRate;
    info.ppqPos = PpqPosition();
    info.tempo = tempo;
    // A bar holds numerator notes of 1/denominator, i.e. numerator * 4 / denominator quarters.
    const double quartersPerBar = numerator * 4.0 / denominator;
    info.barStartPos = std::floor(info.ppqPos / quartersPerBar) * quartersPerBar;
    info.timeSigNumerator = numerator;
    info.timeSigDenominator = denominator;
    info.flags = kVstTempoValid | kVstTimeSigValid | kVstPpqPosValid | kVstBarsValid;
    if (playing) {
        info.flags |= kVstTransportPlaying;
    }
    return info;
}
