// The sampler's side of loading a file into a slot: rebuilding the slot's buffer from its
// sample display, and routing a path to the SFZ reader or to one slot. Both run on the
// user-interface thread (or the host thread that restores state) under the object lock.
#include "editor/MySample.h"
#include "editor/SampleRange.h"
#include "engine/Quellorn.h"
#include "engine/SfzSlotPlan.h"
#include "samplefiles/NameMatch.h"

#include <array>
#include <cstring>
#include <new>

void CLS_QUELLORN::ReloadSlot(int slot)
{
    if (slot < 0 || slot >= kSlotCount)
        return;
    ILockGuard lock(Lock());
    StopSlotVoices(slot);
    if (keyboardDisplay[slot])
        keyboardDisplay[slot]->ClearHeldKeys();

    SampleData& sample = slotSample[slot];
    MySample* display = sampleDisplay[slot];
    std::vector<double>().swap(sample.samples); // the old buffer goes before the new comes
    if (sample.frames != 0 && !display)
        sample.frames = 0;

    if (sample.frames != 0) {
        const std::uint64_t values = std::uint64_t(sample.frames)
            * std::uint64_t(sample.channels > 0 ? sample.channels : 0);
        bool allocated = values != 0 && values <= MySample::kMaxSampleValues;
        if (allocated) {
            try {
                sample.samples.assign(static_cast<std::size_t>(values), 0.0);
            } catch (const std::bad_alloc&) {
                allocated = false;
            }
        }
        if (!allocated) {
            // Out of memory (or a size no slot takes) is one more file the slot can't hold.
            sample.frames = 0;
            sample.samples.assign(1, 0.0);
            display->ShowLoadFailure("");
            return;
        }
        if (slotReverse[slot]) {
            display->DecodeInto(sample.samples, false);
            if (sample.frames != 0)
                display->ReverseSampleData();
        } else {
            display->DecodeInto(sample.samples, true);
        }
    }
    if (sample.frames == 0)
        sample.samples.assign(1, 0.0);
}

void CLS_QUELLORN::LoadSlotFile(int slot, const char* path)
{
    if (!path || std::strcmp(path, "0") == 0)
        return;
    // Declared before the lock, so it ends after it: the SFZ warnings are shown once the
    // lock is let go.
    DeferredMessages deferred(this);
    const char* dot = std::strrchr(path, '.');
    if (NameMatches(dot ? dot + 1 : "", "sfz")) {
        // An instrument file fills all three slots, whichever slot it arrived at. It is
        // read once, before the lock: reading needs none and would hold up the audio.
        std::array<SfzSlotPlan, kSlotCount> plans;
        if (!SfzSlotPlan::ReadAll(path, plans))
            return;
        ILockGuard lock(Lock());
        for (int n = 0; n < kSlotCount; ++n)
            if (sampleDisplay[n])
                sampleDisplay[n]->ApplySfzSlot(plans[std::size_t(n)]);
        return;
    }
    ILockGuard lock(Lock());
    if (slot >= 0 && slot < kSlotCount && sampleDisplay[slot])
        sampleDisplay[slot]->LoadFile(path);
}
