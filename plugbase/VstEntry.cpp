#include "plugbase/IPlugVST.h"

#include <algorithm>
#include <mutex>

namespace {

// Creations are serialised process-wide: the sampler's constructor restarts a countdown
// that every instance of the process shares.
std::mutex& CreationLock()
{
    static std::mutex lock;
    return lock;
}

} // namespace

AEffect* CreateEffect(audioMasterCallback host)
{
    std::lock_guard<std::mutex> guard(CreationLock());
    IPlugVST* plug = nullptr;
    try {
        plug = MakePluginInstance(host);
    } catch (...) {
        // No exception may cross into the host; a failed creation is a null effect.
        plug = nullptr;
    }
    if (!plug)
        return nullptr;
    plug->EnsureOnePreset();
    AEffect* effect = plug->Effect();
    effect->numPrograms = std::max(effect->numPrograms, 1);
    return effect;
}
