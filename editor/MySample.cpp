#include "editor/MySample.h"

#include "editor/IEditorSurface.h"
#include "engine/EngineConfig.h"
#include "engine/Quellorn.h"
#include "samplefiles/FileSystem.h"
#include "samplefiles/FlacReader.h"
#include "samplefiles/NameMatch.h"
#include "samplefiles/OggReader.h"
#include "samplefiles/WavReader.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr const char* kWrongAudio = "wrong audio";
constexpr const char* kDialogExtensions = "wav ogg flac sfz";
// Interleaved values decoded per step of a multi-channel file before they are split into
// the two planes; keeps the temporary buffer small whatever the file's length.
constexpr std::size_t kSplitValues = 64 * 1024;

bool Inside(const IBox& box, int x, int y)
{
    return x >= box.left && x <= box.right && y >= box.top && y <= box.bottom;
}

// True when `name` ends in `suffix` (given in lower case), in any case.
bool EndsWith(const std::string& name, const char* suffix)
{
    const std::size_t length = std::strlen(suffix);
    if (name.size() < length)
        return false;
    for (std::size_t i = 0; i < length; ++i)
        if (std::tolower(static_cast<unsigned char>(name[name.size() - length + i])) != suffix[i])
            return false;
    return true;
}

// Audio entries of a folder: ending in .wav, .ogg or .flac in any case.
bool IsAudioEntry(const std::string& name)
{
    return EndsWith(name, ".wav") || EndsWith(name, ".ogg") || EndsWith(name, ".flac");
}

const char* AfterLast(const char* text, char mark)
{
    const char* at = std::strrchr(text, mark);
    return at ? at + 1 : nullptr;
}

} // namespace

MySample::MySample(CLS_QUELLORN* plug, const IBox& newBox, int slot)
    : IControl(plug, newBox),
      sampler(plug),
      slotIndex(static_cast<std::int16_t>(std::clamp(slot, 0, kSlotCount - 1)))
{
    dirty = false;
}

SampleData& MySample::Sample() const
{
    return sampler->slotSample[slotIndex];
}

void MySample::Press(int x, int y, const IMouseKeys& keys)
{
    if (keys.right)
        return; // copying the path to the clipboard belongs to the editor window
    // A button that has never been drawn can't be hit: its box is still all 0.
    if (path[0] && !closeBox.Empty() && Inside(closeBox, x, y)) {
        ShowLoadFailure("...");
    } else if (previousPath[0] && !previousBox.Empty() && Inside(previousBox, x, y)) {
        LoadFile(previousPath);
    } else if (nextPath[0] && !nextBox.Empty() && Inside(nextBox, x, y)) {
        LoadFile(nextPath);
    } else if (Inside(box, x, y)) {
        LoadFile("");
    }
}

void MySample::DropFile(int x, int y, const char* dropped)
{
    if (dropped && Inside(box, x, y))
        LoadFile(dropped);
}

bool MySample::Paint(IEditorSurface&)
{
    return true;
}

bool MySample::NeedsPaint()
{
    const bool result = redraw;
    redraw = false;
    return result;
}

void MySample::LoadFile(const char* newPath)
{
    if (newPath && newPath[0]) {
        // A path that doesn't fit the buffer is refused rather than cut, since a cut path
        // names another file (or none).
        if (!FileSystem::CopyPath(path, sizeof path, newPath)) {
            ShowLoadFailure("");
            return;
        }
    } else {
        char chosen[kPathSize];
        std::memcpy(chosen, path, sizeof chosen);
        IEditorSurface* surface = sampler->Editor();
        if (surface && surface->PromptForFile(chosen, kPathSize, false, "", kDialogExtensions)
            && chosen[0] && std::memchr(chosen, '\0', sizeof chosen))
            std::memcpy(path, chosen, sizeof path);
    }
    if (!path[0])
        return;

    const char* dot = AfterLast(path, '.');
    std::strcpy(extension, dot ? dot : "");

    if (NameMatches(extension, "sfz")) {
        warned = false;
        sampler->LoadSlotFile(slotIndex, path);
        return;
    }
    if (NameMatches(extension, "wav")) {
        if (!ReadHeader()) {
            ShowLoadFailure("");
            return;
        }
    } else if (NameMatches(extension, "ogg")) {
        OggReader reader;
        if (!reader.Open(path, kMaxSampleValues)) {
            ShowLoadFailure("");
            return;
        }
        headerFrames = reader.Frames();
        headerChannels = reader.Channels();
        headerRate = reader.Rate();
    } else if (NameMatches(extension, "flac")) {
        FlacReader reader;
        if (!reader.Open(path, kMaxSampleValues)) {
            ShowLoadFailure("");
            return;
        }
        headerFrames = reader.Frames();
        headerChannels = reader.Channels();
        headerRate = reader.Rate();
    } else {
        ShowLoadFailure("");
        return;
    }
    SetDisplayName();
    duration = headerRate > 0.0 ? headerFrames / headerRate : 0.0;

    previousPath[0] = '\0';
    nextPath[0] = '\0';
    ScanFolder();

    // The header's values reach the slot in the same locked section that rebuilds its
    // buffer, so the renderer never sees a frame count without the buffer it belongs to.
    ILockGuard lock(sampler->Lock());
    SampleData& sample = Sample();
    sample.frames = headerFrames;
    sample.channels = headerChannels;
    sample.fileRate = headerRate;
    sample.singlePrecisionRatio = NameMatches(extension, "ogg");
    sample.rateRatio = RateRatioFor(headerRate, sampler->engineRate, sample.singlePrecisionRatio);
    sampler->ReloadSlot(slotIndex);
}

bool MySample::ReadHeader()
{
    WavReader reader;
    if (!reader.Open(path, kMaxSampleValues))
        return false;
    headerFrames = reader.Frames();
    headerChannels = static_cast<std::int16_t>(reader.Channels());
    headerRate = reader.Rate();
    reader.Close();
    return true;
}

void MySample::SetDisplayName()
{
    const char* name = AfterLast(path, FileSystem::kPathSeparator);
    std::snprintf(displayName, sizeof displayName, "%s", name ? name : path);
    if (std::strlen(displayName) > std::size_t(kShownNameLength))
        displayName[kShownNameLength - 1] = '\0';
}

void MySample::ScanFolder()
{
    const char* nameStart = AfterLast(path, FileSystem::kPathSeparator);
    const std::string folder
        = nameStart ? std::string(path, std::size_t(nameStart - 1 - path)) : std::string();
    std::vector<std::string> names;
    if (FileSystem::ListFolder(folder.c_str(), names))
        FindNeighbours(names, folder.c_str(), nameStart ? nameStart : path, previousPath, nextPath);
}

void MySample::FindNeighbours(const std::vector<std::string>& names, const char* folder,
    const char* current, char* previous, char* next)
{
    previous[0] = '\0';
    next[0] = '\0';
    bool seen = false;
    for (const std::string& name : names) {
        if (!IsAudioEntry(name))
            continue;
        if (seen) {
            // A neighbour whose path can't be held has no button rather than a wrong one.
            if (!FileSystem::JoinPath(next, kPathSize, folder, name.c_str()))
                next[0] = '\0';
            return;
        }
        if (name == current)
            seen = true;
        else if (!FileSystem::JoinPath(previous, kPathSize, folder, name.c_str()))
            previous[0] = '\0';
    }
}

void MySample::DecodeInto(std::vector<double>& buffer, bool redrawAfter)
{
    if (NameMatches(extension, "wav")) {
        if (!DecodeWav(buffer))
            return;
    } else if (NameMatches(extension, "ogg")) {
        const SampleData& sample = Sample();
        const std::size_t planes = sample.channels > 1 ? 2 : 1;
        OggReader reader;
        // The buffer comes sized from the same frames and channels; a mismatch would be a
        // write past its end, so it counts as a failed file.
        if (sample.channels < 1 || buffer.size() < std::size_t(sample.frames) * planes
            || !reader.Open(path, kMaxSampleValues)) {
            ShowLoadFailure("");
            return;
        }
        reader.Read(
            buffer.data(), planes > 1 ? buffer.data() + sample.frames : nullptr, sample.frames);
    } else if (NameMatches(extension, "flac")) {
        if (!DecodeFlac(buffer))
            return;
    } else {
        ShowLoadFailure("");
        return;
    }
    StoreStatePath(path);
    if (redrawAfter)
        redraw = true;
}

bool MySample::DecodeFlac(std::vector<double>& buffer)
{
    const SampleData& sample = Sample();
    const std::size_t planes = sample.channels > 1 ? 2 : 1;
    FlacReader reader;
    // The buffer comes sized from the same frames and channels; a mismatch would be a write
    // past its end, so it counts as a failed file.
    if (sample.channels < 1 || buffer.size() < std::size_t(sample.frames) * planes
        || !reader.Open(path, kMaxSampleValues)) {
        ShowLoadFailure("");
        return false;
    }
    reader.Read(buffer.data(), planes > 1 ? buffer.data() + sample.frames : nullptr, sample.frames);
    return true;
}

bool MySample::DecodeWav(std::vector<double>& buffer)
{
    WavReader reader;
    if (!reader.Open(path)) {
        ShowLoadFailure("");
        return false;
    }
    const SampleData& sample = Sample();
    const std::size_t frames = sample.frames;
    const std::size_t channels = sample.channels > 0 ? std::size_t(sample.channels) : 0;
    // The buffer comes sized from the same frames and channels; a mismatch would be a
    // write past its end, so it counts as a failed file.
    if (channels == 0 || buffer.size() < frames * std::min<std::size_t>(channels, 2)) {
        reader.Close();
        ShowLoadFailure("");
        return false;
    }
    if (channels < 2) {
        reader.Read(buffer.data(), frames);
        return true;
    }
    const std::size_t stepFrames = std::max<std::size_t>(1, kSplitValues / channels);
    std::vector<double> interleaved(stepFrames * channels);
    double* plane0 = buffer.data();
    double* plane1 = buffer.data() + frames;
    for (std::size_t start = 0; start < frames; start += stepFrames) {
        const std::size_t count = std::min(stepFrames, frames - start);
        const std::size_t wanted = count * channels;
        const std::size_t got = reader.Read(interleaved.data(), wanted);
        // Values the file didn't hold read as 0, as in a buffer cleared before decoding.
        std::fill(interleaved.begin() + std::ptrdiff_t(got),
            interleaved.begin() + std::ptrdiff_t(wanted), 0.0);
        for (std::size_t f = 0; f < count; ++f) {
            plane0[start + f] = interleaved[f * channels];
            plane1[start + f] = interleaved[f * channels + 1];
        }
        if (got < wanted)
            break;
    }
    return true;
}

void MySample::ShowLoadFailure(const char* text)
{
    ILockGuard lock(sampler->Lock());
    SampleData& sample = Sample();
    const std::uint32_t before = sample.frames;
    sample.frames = 0;
    if (before != 0)
        sampler->ReloadSlot(slotIndex);
    std::snprintf(displayName, sizeof displayName, "%s", text && text[0] ? text : kWrongAudio);
    StoreStatePath("");
    redraw = true;
}

void MySample::ReverseSampleData()
{
    SampleData& sample = Sample();
    const std::size_t frames = sample.frames;
    if (frames == 0)
        return;
    const std::size_t planes = sample.channels > 1 ? 2 : 1;
    if (sample.samples.size() < frames * planes)
        return;
    std::reverse(sample.samples.begin(), sample.samples.begin() + std::ptrdiff_t(frames));
    if (planes == 2)
        std::reverse(sample.samples.begin() + std::ptrdiff_t(frames),
            sample.samples.begin() + std::ptrdiff_t(2 * frames));
    redraw = true;
}

void MySample::StoreStatePath(const char* text)
{
    sampler->BeginParamEdit(0);
    if (char* stored = sampler->StateTextAt(slotIndex)) {
        if (!FileSystem::CopyPath(stored, kStateTextSize, text))
            stored[0] = '\0';
    }
    sampler->EndParamEdit(0);
}
