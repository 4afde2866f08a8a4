// The sampler's side of loading a file into a slot: rebuilding a slot from its sample
// display, and routing a path to the SFZ reader or to one slot. They run on the
// user-interface thread (or the host thread that restores state), take the load lock
// before anything else and leave the object lock to the steps that change the slots.
#include "editor/MySample.h"
#include "engine/Quellorn.h"
#include "samplefiles/NameMatch.h"
#include "samplefiles/SfzReader.h"

#include <cstring>
#include <memory>
#include <mutex>

void CLS_QUELLORN::ReloadSlot(int slot)
{
    if (slot < 0 || slot >= kSlotCount)
        return;
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
    if (!path)
        return;
    // Declared before the lock, so it ends after it: the SFZ reader's warnings are shown
    // once the lock is let go.
    DeferredMessages deferred(this);
    std::lock_guard<std::recursive_mutex> loads(LoadLock());
    if (std::strcmp(path, "0") == 0)
        return;
    const char* dot = std::strrchr(path, '.');
    if (NameMatches(dot ? dot + 1 : "", "sfz")) {
        // An instrument file fills all three slots, whichever slot it arrived at. Their
        // samples are decoded first; then all three come in under one hold of the object
        // lock, so no note meets a half-loaded instrument.
        struct Region {
            SfzReader reader;
            MySample::PreparedLoad load;
            bool read = false;
        };
        auto regions = std::make_unique<Region[]>(kSlotCount); // the readers' paths are large
        std::vector<double> old[kSlotCount];
        for (int s = 0; s < kSlotCount; ++s)
            if (sampleDisplay[s])
                regions[s].read = sampleDisplay[s]->PrepareSfz(path, regions[s].reader, regions[s].load);
        ILockGuard lock(Lock());
        for (int s = 0; s < kSlotCount; ++s)
            if (regions[s].read)
                sampleDisplay[s]->ApplySfz(regions[s].reader, regions[s].load, old[s]);
        return;
    }
    if (slot >= 0 && slot < kSlotCount && sampleDisplay[slot])
        sampleDisplay[slot]->LoadFile(path, restoring);
}
