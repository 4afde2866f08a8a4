#include "engine/Quellorn.h"

#include "editor/IEditorSurface.h"
#include "engine/MathTables.h"
#include "engine/ParamCountdown.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace {

// Every byte 0x9B: a whole number no parameter value rounds to, so the first change of
// every parameter is applied.
constexpr std::int32_t kNeverApplied = static_cast<std::int32_t>(0x9B9B9B9Bu);

} // namespace

int WholeNumberForParam(int offset, double value)
{
    const double x = (offset == kParamAttack || offset == kParamRelease) ? value * 100.0 : value;
    // Values come clamped to their ranges, but a host can still push a normalised value
    // below 0; keep the conversion defined whatever arrives.
    const double rounded = x >= 0.0 ? x + 0.5 : x - 0.5;
    if (!(rounded > INT_MIN) || !(rounded < INT_MAX))
        return rounded > 0.0 ? INT_MAX : INT_MIN + 1;
    return static_cast<int>(rounded);
}

CLS_QUELLORN::CLS_QUELLORN(audioMasterCallback host)
    : IPlugVST(host, kParamCount, kChannelConfig, kPresetCount, kPluginName, "", kPluginVendor,
               kPluginVersion, kPluginUniqueId, 0, kMidiInOut, true, true)
{
    lastBlockClock = readClock();
    lastApplied.reset(new std::int32_t[kParamCount]);
    std::fill(lastApplied.get(), lastApplied.get() + kParamCount, kNeverApplied);
    ParamCountdown::Restart(kParamCount);

    DeclareParameters();
    CreateStateTexts(kSlotCount);

    // The editor's controls come later; until then the surface is bare but attached, so
    // hosts already see an editor of the final size.
    AttachEditor(new IEditorSurface(this, kEditorWidth, kEditorHeight, 0));
}

CLS_QUELLORN::~CLS_QUELLORN() = default;

void CLS_QUELLORN::DeclareParameters()
{
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const int base = kParamsPerSlot * slot;
        auto enumerated = [&](int offset, const char* name, int defaultValue) {
            IParameter* param = GetParam(base + offset);
            param->InitEnumerated(name, defaultValue, 2, "");
            param->AddDisplayText(0, "No");
            param->AddDisplayText(1, "Yes");
        };
        auto integer = [&](int offset, const char* name, int defaultValue, int min, int max,
                           const char* label) {
            GetParam(base + offset)->InitInteger(name, defaultValue, min, max, label);
        };
        auto seconds = [&](int offset, const char* name, double defaultValue) {
            IParameter* param = GetParam(base + offset);
            param->InitReal(name, defaultValue, 0.0, 16.0, 0.01, "s");
            param->SetCurve(2.0); // finer control over short times
        };

        enumerated(kParamActive, "Active", 1);
        integer(kParamLowNote, "Low Note", 36, 12, 127, "");
        integer(kParamHighNote, "High Note", 127, 12, 127, "");
        integer(kParamRootNote, "Root Note", 41, 12, 127, "");
        integer(kParamSemitones, "Semitones Multiply", 1, 1, 48, "");
        seconds(kParamAttack, "Attack", 0.8);
        seconds(kParamRelease, "Release", 1.5);
        integer(kParamPan, "Pan", 0, -100, 100, "");
        enumerated(kParamAltPan, "Alternate Pan", 0);
        integer(kParamVolume, "Volume", 0, -48, 24, "dB");
        enumerated(kParamReverse, "Reverse", 0);
        enumerated(kParamLoop, "Loop", 1);
    }
}

void CLS_QUELLORN::ParamChanged(int index)
{
    ILockGuard lock(Lock());
    if (index < 0 || index >= kParamCount)
        return;
    const int offset = index % kParamsPerSlot;
    const int r = WholeNumberForParam(offset, GetParam(index)->PlainValue());
    if (r == lastApplied[index])
        return;
    lastApplied[index] = r;
    ApplySlotParam(index / kParamsPerSlot, offset, r);

    if (!paramsReady && ParamCountdown::MarkApplied(index))
        paramsReady = true;
}

void CLS_QUELLORN::ApplySlotParam(int slot, int offset, int r)
{
    switch (offset) {
    case kParamActive:
        slotActive[slot] = r > 0.5;
        if (!slotActive[slot])
            StopSlotVoices(slot);
        break;
    case kParamLowNote:
        lowNote[slot] = static_cast<std::int16_t>(r);
        break;
    case kParamHighNote:
        highNote[slot] = static_cast<std::int16_t>(r);
        break;
    case kParamRootNote:
        rootNote[slot] = static_cast<std::int16_t>(r);
        break;
    case kParamSemitones:
        semitoneMultiply[slot] = static_cast<std::int16_t>(r);
        break;
    case kParamAttack:
        attackStep[slot] = (1.0 / r) / engineRate * 100.0;
        break;
    case kParamRelease:
        releaseStep[slot] = (1.0 / r) / engineRate * 100.0;
        break;
    case kParamPan: {
        // Single precision on purpose: the gains are stored and used as floats.
        const float e = static_cast<float>(r) * 0.01f + 1.0f;
        float right = e;
        float left = 2.0f - e;
        if (right > 1.0f)
            right = (right + 1.0f) * 0.5f;
        if (left > 1.0f)
            left = (left + 1.0f) * 0.5f;
        panLeft[slot] = left;
        panRight[slot] = right;
        break;
    }
    case kParamAltPan:
        slotAltPan[slot] = r > 0.5;
        slotAltToggle[slot] = !slotAltPan[slot];
        break;
    case kParamVolume:
        volumeGain[slot] = static_cast<float>(MathTables::VolumeGain(r));
        break;
    case kParamReverse:
        slotReverse[slot] = r > 0.5;
        break;
    case kParamLoop:
        slotLoop[slot] = r > 0.5;
        break;
    default:
        break;
    }
}

void CLS_QUELLORN::ResetProcessing()
{
    ILockGuard lock(Lock());
    const double newRate = SampleRate();
    if (newRate != engineRate) {
        for (int v = 0; v < voicesInUse; ++v)
            voiceStep[v] = (1.0 / newRate) * voiceStep[v] * engineRate;
        for (SampleData& sample : slotSample)
            sample.rateRatio = (1.0 / newRate) * sample.rateRatio * engineRate;
        engineRate = newRate;
        for (int slot = 0; slot < kSlotCount; ++slot) {
            for (int offset : {kParamAttack, kParamRelease}) {
                const int index = kParamsPerSlot * slot + offset;
                lastApplied[index] = -1; // no time rounds to -1, so the step is recomputed
                ParamChanged(index);
            }
        }
    }
    std::fill(std::begin(slotAltToggle), std::end(slotAltToggle), false);
}

void CLS_QUELLORN::StopSlotVoices(int slot)
{
    ILockGuard lock(Lock());
    for (int v = voicesInUse - 1; v >= 0; --v) {
        if (voiceSlot[v] != slot + 1)
            continue;
        voiceGain[v] = 0.0;
        voicePos[v] = 0.0;
        voiceEnv[v] = 0.0;
        voiceNote[v] = 0;
        voiceStage[v] = 0;
        voiceSlot[v] = 0;
        if (v == voicesInUse - 1)
            --voicesInUse;
    }
}
