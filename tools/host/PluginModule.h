// One VST 2 module loaded from a file, with the effect its entry point created. Commands
// talk to the plug-in through this and never see the OS loader.
#pragma once

#include "plugbase/Vst2Interface.h"

#include <string>

class HostCallback;

enum class LoadResult { Ok, FileMissing, LoadFailed, NoEntryPoint, NullEffect, BadMagic };

class PluginModule {
public:
    // Plug-ins write past the interface's nominal string lengths (names up to 128 bytes are
    // common), so every string request gets a buffer this large, zeroed.
    static constexpr std::size_t kStringBufferSize = 256;

    // The host must outlive the module: effClose may still call back into it.
    explicit PluginModule(HostCallback& host);
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    LoadResult Load(const std::string& path);
    const std::string& ErrorMessage() const { return errorMessage; }

    // Sends effClose (which frees the plug-in's object) and unloads the module. Safe to call
    // more than once; the destructor calls it too.
    void Close();

    AEffect* Effect() const { return effect; }
    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f) const;
    std::string DispatchString(VstInt32 opcode, VstInt32 index = 0) const;
    float GetParameter(VstInt32 index) const;
    void SetParameter(VstInt32 index, float value) const;

private:
    LoadResult Fail(LoadResult result, const std::string& message);
    void Unload();

    HostCallback& host;
    void* module = nullptr;
    AEffect* effect = nullptr;
    std::string errorMessage;
};
