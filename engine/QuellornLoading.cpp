// The sampler's side of loading a file into a slot: rebuilding a slot from its sample
// display, and routing a path to the SFZ reader or to one slot. They run on the
// user-interface thread (or the host thread that restores state), take the load lock
// before anything else and leave the object lock to the steps that change the slots.
#include "editor/MySample.h"
#include "engine/Quellorn.h"
#include "engine/SfzSlotPlan.h"
#include "samplefiles/NameMatch.h"

#include <array>
#include <cstring>
#include <mutex>

void CLS_QUELLORN::ReloadSlot(int slot)
{
    if (slot < 0 || slot >= kSlotCount)
        return;
    // A slot that holds a file loads it again, as a load the user asked for: like every
    // load it takes the load lock, so a caller must not hold the object lock here.
    MySample* display = sampleDisplay[slot];
    if (display && slotSample[slot].frames != 0) {
        char path[MySample::kPathSize];
        std::memcpy(path, display->Path(), sizeof path);
        display->LoadFile(path);
        return;
    }
    std::vector<double> old; // freed after the lock is let go
    ILockGuard lock(Lock());
    slotLoader.Empty(slot, old);
}

void CLS_QUELLORN::LoadSlotFile(int slot, const char* path)
{
    RouteSlotFile(slot, path, false);
}

void CLS_QUELLORN::RestoreSlotFile(int slot, const char* path)
{
    RouteSlotFile(slot, path, true);
}

void CLS_QUELLORN::RouteSlotFile(int slot, const char* path, bool restoring)
{
    if (!path || std::strcmp(path, "0") == 0)
        return;
    // Declared before the locks, so it ends after them: the SFZ warnings are shown once
    // the locks are let go.
    DeferredMessages deferred(this);
    std::lock_guard<std::recursive_mutex> loads(LoadLock());
    const char* dot = std::strrchr(path, '.');
    if (NameMatches(dot ? dot + 1 : "", "sfz")) {
        // An instrument file fills all three slots, whichever slot it arrived at. It is
        // read once and the three slots' samples are decoded, all without the object
        // lock; then all three come in under one hold of it, so no note meets a
        // half-loaded instrument.
        std::array<SfzSlotPlan, kSlotCount> plans;
        if (!SfzSlotPlan::ReadAll(path, plans))
            return;
        std::array<MySample::PreparedLoad, kSlotCount> prepared; // end holding the old buffers
        std::vector<double> old[kSlotCount];
        for (int n = 0; n < kSlotCount; ++n)
            if (sampleDisplay[n])
                sampleDisplay[n]->PrepareSfzSlot(plans[std::size_t(n)], prepared[std::size_t(n)]);
        ILockGuard lock(Lock());
        for (int n = 0; n < kSlotCount; ++n)
            if (sampleDisplay[n])
                sampleDisplay[n]->ApplySfzSlot(
                    plans[std::size_t(n)], prepared[std::size_t(n)], old[n]);
        return;
    }
    if (slot >= 0 && slot < kSlotCount && sampleDisplay[slot])
        sampleDisplay[slot]->LoadFile(path, restoring);
}
