#include "engine/Quellorn.h"

#include "editor/IEditorSurface.h"
#include "editor/MySample.h"
#include "editor/SampleRange.h"
#include "engine/MathTables.h"
#include "engine/ParamCountdown.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Each parameter's short name for hosts' narrow displays, by offset within its slot; the
// slot's number follows it.
constexpr const char* kShortParamNames[kParamsPerSlot] = {
    "Act", "Low", "High", "Root", "Semi", "Att", "Rel", "Pan", "AltP", "Vol", "Rev", "Loop"};

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
    std::fill(std::begin(voiceReleaseFrame), std::end(voiceReleaseFrame), kNoPendingRelease);
    ParamCountdown::Restart(kParamCount);

    DeclareParameters();
    CreateStateTexts(kSlotCount);

    BuildEditor();
    FillPresets();
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

bool CLS_QUELLORN::GetParamPresentation(int index, IParamPresentation& out)
{
    ILockGuard lock(Lock());
    const IParameter* param = GetParam(index);
    if (!param)
        return false;
    // Three slots have the same twelve parameters: hosts that list parameters by name
    // alone would show three of each, so every text names the slot.
    const int slot = index / kParamsPerSlot;
    std::snprintf(out.label, sizeof out.label, "Slot %d %s", slot + 1, param->ParamName());
    std::snprintf(out.shortLabel, sizeof out.shortLabel, "%s %c",
                  kShortParamNames[index % kParamsPerSlot], static_cast<char>('1' + slot));
    out.isSwitch = param->Kind() == ParamKind::Enumerated && param->Max() - param->Min() == 1.0;
    out.category = slot + 1;
    out.categoryCount = kParamsPerSlot;
    std::snprintf(out.categoryLabel, sizeof out.categoryLabel, "Slot %d", slot + 1);
    return true;
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
    // The keyboards show the stored key, the one the engine plays by: r itself can be
    // near INT_MIN (a host's normalised value far below 0), where r - kLowestKey overflows.
    case kParamLowNote:
        lowNote[slot] = static_cast<std::int16_t>(r);
        if (keyboardDisplay[slot])
            keyboardDisplay[slot]->SetLowKey(lowNote[slot] - kLowestKey);
        break;
    case kParamHighNote:
        highNote[slot] = static_cast<std::int16_t>(r);
        if (keyboardDisplay[slot])
            keyboardDisplay[slot]->SetHighKey(highNote[slot] - kLowestKey);
        break;
    case kParamRootNote:
        rootNote[slot] = static_cast<std::int16_t>(r);
        if (keyboardDisplay[slot])
            keyboardDisplay[slot]->SetRootKey(rootNote[slot] - kLowestKey);
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
        slotLoader.SetReverseHint(slot, slotReverse[slot]);
        // Applied only when the whole number changes, so the planes are held reversed
        // exactly while Reverse is on.
        if (sampleDisplay[slot])
            sampleDisplay[slot]->ReverseSampleData();
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
        // Sounding voices were started at the old rate; rescale them so their pitch holds.
        if (engineRate > 0.0)
            for (int v = 0; v < voicesInUse; ++v)
                voiceStep[v] = (1.0 / newRate) * voiceStep[v] * engineRate;
        engineRate = newRate;
        // Each slot keeps its file's rate, so its ratio is derived afresh: a slot restored
        // before the host told us the rate still plays at its true pitch.
        for (SampleData& sample : slotSample)
            sample.rateRatio
                = RateRatioFor(sample.fileRate, engineRate, sample.singlePrecisionRatio);
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
