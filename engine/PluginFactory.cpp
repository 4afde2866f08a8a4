#include "engine/Quellorn.h"

IPlugVST* MakePluginInstance(audioMasterCallback host)
{
    return new CLS_QUELLORN(host);
}
