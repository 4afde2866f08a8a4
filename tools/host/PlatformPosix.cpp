#include "tools/host/Platform.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

bool FileExists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

void* LoadModule(const std::string& path, std::string& error)
{
    // Without a slash dlopen searches the library path instead of the current directory,
    // which could pick up a different module of the same name.
    const std::string loadPath = path.find('/') == std::string::npos ? "./" + path : path;
    ::dlerror();
    // RTLD_NOW: unresolved symbols should fail here, with a message, not mid-call later.
    void* module = ::dlopen(loadPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* text = ::dlerror();
        error = text != nullptr ? text : "unknown dlopen error";
    }
    return module;
}

ModuleSymbol FindSymbol(void* module, const char* name)
{
    return reinterpret_cast<ModuleSymbol>(::dlsym(module, name));
}

void UnloadModule(void* module)
{
    if (module != nullptr) {
        ::dlclose(module);
    }
}

bool StderrIsTerminal()
{
    return ::isatty(2) != 0;
}

void UseBinaryStdio()
{
}

} // namespace Platform
