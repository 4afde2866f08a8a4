// The few operating-system services the host needs. Each OS has its own .cpp, chosen by
// CMake, so the rest of the host stays free of #ifdefs.
#pragma once

#include <string>

namespace Platform {

// A generic function pointer: converting a looked-up symbol to the real entry-point type
// through this one keeps the cast well defined on both OS loaders.
using ModuleSymbol = void (*)();

bool FileExists(const std::string& path);

// Returns nullptr on failure and puts the loader's own explanation into error.
void* LoadModule(const std::string& path, std::string& error);

ModuleSymbol FindSymbol(void* module, const char* name);

void UnloadModule(void* module);

// Progress lines are for people watching, not for logs or pipes.
bool StderrIsTerminal();

// Plug-in output is compared byte for byte across builds; a text-mode stdout on Windows
// would turn each "\n" into "\r\n".
void UseBinaryStdio();

} // namespace Platform
