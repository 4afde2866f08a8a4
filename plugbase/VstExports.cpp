// The module's only exported functions. Hosts look for "VSTPluginMain"; older ones for
// "main". Both are plain C names; everything else in the module stays hidden.
#include "plugbase/IPlugVST.h"

#if defined(_WIN32)
#define QUELLORN_EXPORT __declspec(dllexport)
#else
#define QUELLORN_EXPORT __attribute__((visibility("default")))
#endif

extern "C" QUELLORN_EXPORT AEffect* VSTPluginMain(audioMasterCallback host)
{
    return CreateEffect(host);
}

// A function may not be called main in C++ without being the program's main, so it gets
// another name here and the symbol name "main" through the assembler label.
extern "C" QUELLORN_EXPORT AEffect* QuellornLegacyMain(audioMasterCallback host) __asm__("main");

extern "C" AEffect* QuellornLegacyMain(audioMasterCallback host)
{
    return CreateEffect(host);
}
