#include "engine/SfzSlotPlan.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int kDefaultRoot = 60;
constexpr int kDefaultKeytrack = 100; // cents per key: one semitone
constexpr int kHighestKey = 127;
constexpr int kMaxSemitonesMultiply = 48;

} // namespace

SfzSlotPlan SfzSlotPlan::FromRegion(const SfzRegion& region)
{
    SfzSlotPlan plan;
    plan.fill = region.refusal == LoadFailure::kNone ? Fill::kSample : Fill::kRefused;
    plan.refusal = region.refusal;
    std::memcpy(plan.samplePath, region.samplePath, sizeof plan.samplePath);

    const int lokey = region.lokey.value_or(0);
    const int hikey = region.hikey.value_or(kHighestKey);
    if (lokey == -1 || hikey == -1)
        plan.params[kParamActive] = 0.0;
    plan.params[kParamLowNote] = lokey;
    plan.params[kParamHighNote] = hikey;

    const double semitones = region.keytrack.value_or(kDefaultKeytrack) * 0.01;
    plan.params[kParamSemitones] = semitones;
    // Sounding `shift` semitones higher at every key means a root that far lower, in keys
    // of the slot's transposition (the whole number the parameter will hold).
    const double multiply
        = std::clamp(std::floor(semitones + 0.5), 1.0, double(kMaxSemitonesMultiply));
    const double shift = region.transpose.value_or(0) + region.tune.value_or(0) * 0.01;
    plan.params[kParamRootNote]
        = region.keycenter.value_or(kDefaultRoot) - std::round(shift / multiply);

    plan.params[kParamAttack] = region.attack.value_or(0.0f);
    plan.params[kParamRelease] = region.release.value_or(0.0f);
    plan.params[kParamPan] = region.pan.value_or(0);
    plan.params[kParamAltPan] = region.panAlternate.value_or(false) ? 1.0 : 0.0;
    plan.params[kParamVolume] = region.volume.value_or(0);
    plan.params[kParamReverse] = region.reverse.value_or(false) ? 1.0 : 0.0;
    plan.params[kParamLoop] = region.loop.value_or(false) ? 1.0 : 0.0;
    return plan;
}

bool SfzSlotPlan::ReadAll(const char* sfzPath, std::array<SfzSlotPlan, kSlotCount>& plans)
{
    SfzInstrument instrument;
    SfzReader reader;
    if (!reader.Read(sfzPath, kSlotCount, instrument) || instrument.regions.empty())
        return false;
    for (std::size_t slot = 0; slot < plans.size(); ++slot)
        plans[slot] = slot < instrument.regions.size() ? FromRegion(instrument.regions[slot])
                                                       : SfzSlotPlan {};
    return true;
}
