// Presets (the host's programs) and the state body that both presets and the host's
// chunks carry: the parameter values, then the state text entries.
#include "plugbase/IPlugBase.h"

#include <cstdio>
#include <cstring>

namespace {
constexpr const char* kUserPresetStem = "user preset";
}

const char* IPlugBase::PresetName(int index) const
{
    if (index < 0 || index >= PresetCount())
        return "";
    return presets[static_cast<std::size_t>(index)]->name;
}

void IPlugBase::EnsureOnePreset()
{
    ILockGuard lock(objectLock);
    if (!presets.empty())
        return;
    auto preset = std::make_unique<IPresetEntry>();
    CopyText(preset->name, "Default", sizeof preset->name);
    preset->initialised = true;
    presets.push_back(std::move(preset));
}

void IPlugBase::ClaimPresets(const char* name, int count)
{
    ILockGuard lock(objectLock);
    for (int n = 0; n < count; ++n) {
        for (auto& preset : presets) {
            if (!preset->initialised) {
                preset->initialised = true;
                CopyText(preset->name, name && name[0] ? name : "Default", sizeof preset->name);
                break;
            }
        }
    }
}

void IPlugBase::MakeFactoryPreset(const char* name, const double* values, int count)
{
    ILockGuard lock(objectLock);
    for (auto& preset : presets) {
        if (preset->initialised)
            continue;
        preset->initialised = true;
        CopyText(preset->name, name, sizeof preset->name);
        for (int i = 0; i < ParamCount(); ++i) {
            double v = i < count ? values[i] : 0.0;
            // Integral parameters take their factory value as a whole number.
            if (params[static_cast<std::size_t>(i)]->Kind() != ParamKind::Real)
                v = static_cast<double>(static_cast<int>(v));
            preset->values.AppendDouble(v);
        }
        return;
    }
}

void IPlugBase::NextUserPresetName(char* out, int size) const
{
    int count = 0;
    for (const auto& preset : presets)
        if (std::strstr(preset->name, kUserPresetStem))
            ++count;
    std::snprintf(out, static_cast<std::size_t>(size), "%s %d", kUserPresetStem, count + 1);
}

void IPlugBase::StoreCurrentPreset(const char* name)
{
    ILockGuard lock(objectLock);
    if (currentPreset < 0 || currentPreset >= PresetCount())
        return;
    IPresetEntry& preset = *presets[static_cast<std::size_t>(currentPreset)];
    preset.values.Clear();
    SaveParams(preset.values);
    if (name && name[0])
        CopyText(preset.name, name, sizeof preset.name);
}

bool IPlugBase::RecallPreset(int index)
{
    ILockGuard lock(objectLock);
    if (index < 0 || index >= PresetCount())
        return false;
    IPresetEntry& preset = *presets[static_cast<std::size_t>(index)];
    if (preset.initialised) {
        if (LoadParams(preset.values, 0) < 1)
            return false;
    } else {
        preset.initialised = true;
        NextUserPresetName(preset.name, sizeof preset.name);
    }
    currentPreset = index;
    PushParamsToEditor();
    return true;
}

bool IPlugBase::SaveParams(IChunk& chunk)
{
    ILockGuard lock(objectLock);
    for (const auto& param : params)
        chunk.AppendDouble(param->PlainValue());
    for (StateText& entry : stateStrings) {
        // An empty entry is stored as "0" so every stored text has at least one character.
        if (!entry.text[0])
            CopyText(entry.text, "0", sizeof entry.text);
        chunk.AppendText(entry.text);
    }
    return true;
}

int IPlugBase::LoadParams(const IChunk& chunk, int pos)
{
    ILockGuard lock(objectLock);
    for (int i = 0; i < ParamCount() && pos >= 0; ++i) {
        double v = 0.0;
        if (chunk.ReadDouble(pos, &v)) {
            pos += 8;
        } else {
            v = 0.0;
            pos = -1;
        }
        if (AcceptsStateValue(i)) {
            params[static_cast<std::size_t>(i)]->SetClampedValue(v);
            ParamChanged(i);
        }
    }
    const int result = pos;

    char text[kStateTextSize];
    for (int i = 0; i < StateTextCount() && pos >= 0; ++i) {
        std::int32_t n = 0;
        if (!chunk.ReadInt32(pos, &n)) {
            pos = -1;
            break;
        }
        const long long textEnd = static_cast<long long>(pos) + 4 + n;
        if (n < 0 || textEnd > chunk.Size()) {
            pos = -1;
            continue;
        }
        pos = static_cast<int>(textEnd);
        // A text that cannot be a path we could have saved would not fit the entry: it is
        // skipped rather than cut into the name of some other file.
        if (n == 0 || n >= kStateTextSize)
            continue;
        std::memcpy(text, chunk.Data() + textEnd - n, static_cast<std::size_t>(n));
        text[n] = '\0';
        if (text[0] && std::strcmp(text, "0") != 0) {
            if (slotFileQueue)
                slotFileQueue->push_back(SlotFile{i, text});
            else
                RestoreSlotFile(i, text);
        }
    }
    return result;
}

void IPlugBase::RestoreSlotFiles(const std::vector<SlotFile>& files)
{
    for (const SlotFile& file : files)
        RestoreSlotFile(file.index, file.text.c_str());
}

bool IPlugBase::SavePresets(IChunk& chunk)
{
    ILockGuard lock(objectLock);
    for (const auto& preset : presets) {
        chunk.AppendText(preset->name);
        const std::uint8_t initialised = preset->initialised ? 1 : 0;
        chunk.AppendBytes(&initialised, 1);
        if (preset->initialised)
            chunk.AppendBytes(preset->values.Data(), preset->values.Size());
    }
    return true;
}

int IPlugBase::LoadPresets(const IChunk& chunk, int pos)
{
    ILockGuard lock(objectLock);
    for (auto& preset : presets) {
        if (pos < 0)
            break;
        std::int32_t n = 0;
        if (!chunk.ReadInt32(pos, &n) || n < 0 || n >= kPresetNameSize ||
            static_cast<long long>(pos) + 4 + n + 1 > chunk.Size()) {
            pos = -1;
            break;
        }
        std::memcpy(preset->name, chunk.Data() + pos + 4, static_cast<std::size_t>(n));
        preset->name[n] = '\0';
        pos += 4 + n;
        const bool initialised = chunk.Data()[pos] != 0;
        pos += 1;
        if (initialised) {
            preset->initialised = true;
            pos = LoadParams(chunk, pos);
            if (pos >= 0) {
                preset->values.Clear();
                SaveParams(preset->values);
            }
        }
    }
    RecallPreset(currentPreset);
    return pos;
}
