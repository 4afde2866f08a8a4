// The slot's side of SFZ instrument files: SfzReader works out what the slot's region
// says, and this applies it through the same paths as a file load and an editor change.
#include "editor/IEditorSurface.h"
#include "editor/MySample.h"
#include "engine/EngineConfig.h"
#include "engine/Quellorn.h"
#include "samplefiles/SfzReader.h"

#include <cstdio>
#include <mutex>

namespace {

constexpr const char* kWrongSampleCaption = "Wrong Sample in SFZ file";
// Below this, a value read from a file stands for "not given".
constexpr double kLowestFileValue = -100.0;

} // namespace

void MySample::ReadSfz(const char* sfzPath)
{
    std::lock_guard<std::recursive_mutex> loads(sampler->LoadLock());
    SfzReader reader;
    PreparedLoad load; // outlives the lock, with the old buffer
    std::vector<double> old;
    if (!PrepareSfz(sfzPath, reader, load))
        return;
    ILockGuard lock(sampler->Lock());
    ApplySfz(reader, load, old);
}

bool MySample::PrepareSfz(const char* sfzPath, SfzReader& reader, PreparedLoad& load)
{
    if (!reader.Read(sfzPath, slotIndex))
        return false;
    if (reader.RegionFound()) {
        const double reverse = reader.ParamValue(kParamReverse);
        PrepareLoad(reader.SamplePath(), false,
            reverse >= kLowestFileValue ? (reverse >= 0.5 ? 1 : 0) : -1, load);
    }
    return true;
}

void MySample::ApplySfz(const SfzReader& reader, PreparedLoad& load, std::vector<double>& old)
{
    ILockGuard lock(sampler->Lock());
    if (reader.RefusedSample()[0] && !warned) {
        warned = true;
        IEditorSurface* surface = sampler->Editor();
        if (surface) {
            char text[SfzReader::kPathSize + 32];
            std::snprintf(
                text, sizeof text, "Wrong Sample in SFZ file: %s", reader.RefusedSample());
            surface->QueueWarning(kWrongSampleCaption, text);
        }
    }
    if (reader.RegionFound()) {
        // The slot is emptied before its parameters change, so a change of Reverse finds
        // no old data to turn round; the new sample, decoded the way round the region
        // leaves it, comes in after them.
        CommitPath(load, true, old);
        // Active (offset 0) is the user's to set, never a file's.
        for (int offset = kParamLowNote; offset <= kParamLoop; ++offset)
            SetParameterFromFile(kParamsPerSlot * slotIndex + offset, reader.ParamValue(offset));
        CommitSample(load);
    }
    if (reader.EmptiesSlot())
        ShowLoadFailure("...");
}

void MySample::SetParameterFromFile(int index, double value)
{
    // Written so that a NaN counts as not given too.
    if (!(value >= kLowestFileValue))
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
