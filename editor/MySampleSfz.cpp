// The slot's side of SFZ instrument files: SfzSlotPlan says what the file gives the slot,
// and this applies it through the same paths as a file load and an editor change.
#include "editor/IEditorSurface.h"
#include "editor/MySample.h"
#include "engine/EngineConfig.h"
#include "engine/Quellorn.h"
#include "engine/SfzSlotPlan.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr const char* kWrongSampleCaption = "Wrong Sample in SFZ file";

} // namespace

void MySample::ApplySfzSlot(const SfzSlotPlan& plan)
{
    ILockGuard lock(sampler->Lock());
    switch (plan.fill) {
    case SfzSlotPlan::Fill::kEmpty:
        ShowLoadFailure("...");
        return;
    case SfzSlotPlan::Fill::kSample:
        LoadFile(plan.samplePath);
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
        ShowLoadFailure("");
        break;
    }
    for (int offset = 0; offset < kParamsPerSlot; ++offset)
        if (plan.params[std::size_t(offset)])
            SetParameterFromFile(
                kParamsPerSlot * slotIndex + offset, *plan.params[std::size_t(offset)]);
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
    // The bound controls pass the value on to the plug-in and the host. A parameter that no
    // control shows yet gets the same treatment directly, so a file's value is never left
    // stored but unapplied.
    IEditorSurface* surface = sampler->Editor();
    if (!surface || surface->ApplyParamValue(index, normalised) == 0)
        sampler->SetParamFromEditor(index, normalised);
    sampler->EndParamEdit(index);
}
