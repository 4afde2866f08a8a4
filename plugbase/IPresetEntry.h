// One of the host's programs: a name and the state stored into it. Owned by IPlugBase's
// preset list for the life of the plug-in; used under the plug-in's object lock.
#pragma once

#include "plugbase/IChunk.h"

constexpr int kPresetNameSize = 256;

struct IPresetEntry {
    bool initialised = false;
    char name[kPresetNameSize] = {};
    IChunk values;
};
