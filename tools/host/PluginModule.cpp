#include "tools/host/PluginModule.h"

#include "tools/host/HostCallback.h"
#include "tools/host/Platform.h"

#include <cstdio>

PluginModule::PluginModule(HostCallback& hostCallback) : host(hostCallback)
{
}

PluginModule::~PluginModule()
{
    Close();
}

LoadResult PluginModule::Load(const std::string& path)
{
    Close();
    errorMessage.clear();
    if (!Platform::FileExists(path)) {
        return Fail(LoadResult::FileMissing, "no such file: " + path);
    }
    std::string loaderError;
    module = Platform::LoadModule(path, loaderError);
    if (module == nullptr) {
        return Fail(LoadResult::LoadFailed, "cannot load module: " + loaderError);
    }

    Platform::ModuleSymbol symbol = Platform::FindSymbol(module, "VSTPluginMain");
    if (symbol == nullptr) {
        // Modules built for old hosts export only this name.
        symbol = Platform::FindSymbol(module, "main");
    }
    if (symbol == nullptr) {
        return Fail(LoadResult::NoEntryPoint, "no entry point: module exports neither "
                                              "VSTPluginMain nor main");
    }

    AEffect* created = host.CreateEffect(reinterpret_cast<VstPluginMainProc>(symbol));
    if (created == nullptr) {
        return Fail(LoadResult::NullEffect, "entry point returned no effect");
    }
    if (created->magic != kEffectMagic) {
        // Not an AEffect we understand: calling its dispatcher, even for effClose, is unsafe.
        char text[96];
        std::snprintf(text, sizeof(text), "bad magic: 0x%08X (expected 0x%08X)",
                      static_cast<unsigned>(created->magic), static_cast<unsigned>(kEffectMagic));
        return Fail(LoadResult::BadMagic, text);
    }
    effect = created;
    return LoadResult::Ok;
}

LoadResult PluginModule::Fail(LoadResult result, const std::string& message)
{
    errorMessage = message;
    Unload();
    return result;
}

void PluginModule::Close()
{
    if (effect != nullptr) {
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
        effect = nullptr;
    }
    Unload();
}

void PluginModule::Unload()
{
    host.Detach();
    Platform::UnloadModule(module);
    module = nullptr;
}

VstIntPtr PluginModule::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt) const
{
    if (effect == nullptr) {
        return 0;
    }
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

std::string PluginModule::DispatchString(VstInt32 opcode, VstInt32 index) const
{
    char buffer[kStringBufferSize] = {};
    Dispatch(opcode, index, 0, buffer);
    buffer[kStringBufferSize - 1] = '\0';
    return buffer;
}

float PluginModule::GetParameter(VstInt32 index) const
{
    return effect != nullptr ? effect->getParameter(effect, index) : 0.0f;
}

void PluginModule::SetParameter(VstInt32 index, float value) const
{
    if (effect != nullptr) {
        effect->setParameter(effect, index, value);
    }
}
