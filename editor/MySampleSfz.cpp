// The slot's side of SFZ instrument files: SfzSlotPlan says what the file gives the slot,
// and this applies it through the same paths as a file load and an editor change.
#include "editor/IEditorSurface.h"
#include "editor/MySample.h"
#include "engine/EngineConfig.h"
#include "engine/Quellorn.h"
#include "engine/SfzSlotPlan.h"

#include <cmath>
#include <cstdio>
#include <mutex>

namespace {

constexpr const char* kWrongSampleCaption = "Wrong Sample in SFZ file";

} // namespace

void MySample::ApplySfzSlot(const SfzSlotPlan& plan)
{
    std::lock_guard<std::recursive_mutex> loads(sampler->LoadLock());
    PreparedLoad load; // outlives the lock, with the old buffer
    std::vector<double> old;
    PrepareSfzSlot(plan, load);
    ILockGuard lock(sampler->Lock());
    ApplySfzSlot(plan, load, old);
}

void MySample::PrepareSfzSlot(const SfzSlotPlan& plan, PreparedLoad& load)
{
    if (plan.fill != SfzSlotPlan::Fill::kSample)
        return;
    const auto& reverse = plan.params[std::size_t(kParamReverse)];
    PrepareLoad(plan.samplePath, false, reverse ? (*reverse >= 0.5 ? 1 : 0) : -1, load);
}

void MySample::ApplySfzSlot(const SfzSlotPlan& plan, PreparedLoad& load, std::vector<double>& old)
{
    ILockGuard lock(sampler->Lock());
    switch (plan.fill) {
    case SfzSlotPlan::Fill::kEmpty:
        ShowLoadFailure("...");
        return;
    case SfzSlotPlan::Fill::kSample:
        // The slot is emptied before its parameters change, so a change of Reverse finds
        // no old data to turn round; the new sample, decoded the way round the region
        // leaves it, comes in after them.
        CommitPath(load, true, old);
        break;
    case SfzSlotPlan::Fill::kRefused:
        if (!warned) {
            warned = true;
            if (IEditorSurface* surface = sampler->Editor()) {
                char text[SfzRegion::kPathSize + 32];
                std::snprintf(text, sizeof text, "Wrong Sample in SFZ file: %s", plan.samplePath);
                surface->QueueWarning(kWrongSampleCaption, text);
            }
        }
        // The region keeps its slot: the slot shows that its sample is missing and takes
        // the region's settings, ready for the sample once it is given.
        sampler->Loader().NoteFailure(slotIndex, plan.refusal, "");
        EmptySlot("", "", old);
        break;
    }
    for (int offset = 0; offset < kParamsPerSlot; ++offset)
        if (plan.params[std::size_t(offset)])
            SetParameterFromFile(
                kParamsPerSlot * slotIndex + offset, *plan.params[std::size_t(offset)]);
    CommitSample(load);
}

void MySample::SetParameterFromFile(int index, double value)
{
    if (std::isnan(value))
        return;
    ILockGuard lock(sampler->Lock());
    IParameter* param = sampler->GetParam(index);
    if (!param)
        return;
    sampler->BeginParamEdit(index);
    param->SetClampedValue(value);
    const double normalised = param->Normalised();
    // The controls bound to the parameter (every parameter has one) pass the value on to
    // the plug-in and the host.
    if (IEditorSurface* surface = sampler->Editor())
        surface->ApplyParamValue(index, normalised);
    sampler->EndParamEdit(index);
}
