#include "editor/MySample.h"

#include "editor/BarLabel.h"
#include "editor/IEditorSurface.h"
#include "engine/EngineConfig.h"
#include "engine/Quellorn.h"
#include "samplefiles/FileSystem.h"
#include "samplefiles/NameMatch.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

namespace {

constexpr const char* kWrongAudio = "wrong audio";
constexpr const char* kEmptyName = "...";
constexpr const char* kDialogExtensions = "wav ogg flac sfz";

constexpr int kCloseImage = 102;
constexpr int kNextImage = 103;
constexpr int kPreviousImage = 104;
constexpr IArgb kWaveColour { 130, 200, 200, 210 };
// The name is bright once the slot has sounded (and while it shows no file), dim until then.
constexpr int kPlayedNameAlpha = 230;
constexpr int kUnplayedNameAlpha = 130;

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

MySample::MySample(CLS_QUELLORN* plug, const IBox& newBox, int slot, BarLabel* label)
    : IControl(plug, newBox)
    , sampler(plug)
    , slotIndex(static_cast<std::int16_t>(std::clamp(slot, 0, kSlotCount - 1)))
    , nameBox { newBox.left, newBox.bottom - 48, newBox.right, newBox.bottom - 24 }
    , statusLabel(label)
    , smallText(MakeTextStyle("Arial", 14, IArgb { 180, 255, 255, 255 }))
    , nameText(MakeTextStyle("Arial", 16, IArgb { kPlayedNameAlpha, 255, 255, 255 }, 1))
{
    dirty = false;
}

SampleData& MySample::Sample() const
{
    return sampler->slotSample[slotIndex];
}

void MySample::Press(int x, int y, const IMouseKeys& keys)
{
    if (keys.right) {
        if (IEditorSurface* surface = sampler->Editor())
            surface->CopyToClipboard(path);
        if (statusLabel)
            statusLabel->ShowMessage(path);
        return;
    }
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

bool MySample::Paint(IEditorSurface& surface)
{
    // Another thread's load may be naming the slot and swapping its buffer; the picture
    // waits for the next tick rather than the user-interface thread for the decode.
    std::unique_lock<std::recursive_mutex> loads(sampler->LoadLock(), std::try_to_lock);
    if (!loads.owns_lock()) {
        redraw = true;
        return true;
    }
    // Only the buttons this paint draws can be hit until the next one: an emptied slot
    // keeps its neighbours' paths but shows no buttons for them.
    closeBox = previousBox = nextBox = IBox {};
    if (Sample().frames != 0) {
        PaintWaveform(surface);
        char length[32];
        if (duration > 1.0)
            std::snprintf(length, sizeof length, "%.2f sec", duration);
        else
            std::snprintf(length, sizeof length, "%d msec",
                duration > 0.0 ? static_cast<int>(std::round(duration * 1000.0)) : 0);
        smallText.alignment = 0;
        surface.PaintText(
            smallText, length, IBox { box.left + 2, box.bottom - 18, box.left + 80, box.bottom });
        smallText.alignment = 2;
        surface.PaintText(smallText, Sample().channels < 2 ? "1chn" : "2chn",
            IBox { box.right - 30, box.bottom - 18, box.right - 4, box.bottom });
        PaintButtons(surface);
    }
    if (displayName[0]) {
        const bool bright = playedMark || std::strcmp(displayName, kEmptyName) == 0;
        nameText.colour.alpha = bright ? kPlayedNameAlpha : kUnplayedNameAlpha;
        IBox lowered = nameBox;
        lowered.top += 4;
        lowered.bottom += 4;
        surface.PaintText(nameText, displayName, lowered);
    }
    return true;
}

void MySample::PaintWaveform(IEditorSurface& surface)
{
    const int columns = box.Width() - 2;
    if (columns < 1)
        return;
    const SampleData& sample = Sample();
    const std::uint32_t frames = sample.frames;
    const bool stereo = sample.channels >= 2;
    if (frames == 0 || sample.samples.size() < std::size_t(frames) * (stereo ? 2 : 1))
        return;
    const double* samples = sample.samples.data();
    const double mid = std::round((box.top + nameBox.top) * 0.5);
    const double span = nameBox.top - box.top;
    const double e = static_cast<double>(frames) / columns;
    double p = 0.0;
    for (int i = 1; i <= columns; ++i) {
        float top[2] = { 0.0f, 0.0f };
        float bottom[2] = { 0.0f, 0.0f };
        if (e > 0.0) {
            // Every frame of the column's window counts, the last frame of the sample at most.
            const std::uint64_t start = static_cast<std::uint64_t>(std::round(p));
            for (std::uint64_t j = 0; start + j < frames; ++j) {
                for (int channel = 0; channel < (stereo ? 2 : 1); ++channel) {
                    const float s
                        = static_cast<float>(samples[std::size_t(channel) * frames + start + j]);
                    top[channel] = std::max(top[channel], s);
                    bottom[channel] = std::min(bottom[channel], s);
                }
                if (!(static_cast<double>(j + 1) < e))
                    break;
            }
        }
        for (int channel = 0; channel < (stereo ? 2 : 1); ++channel) {
            const double high = std::min(top[channel], 1.0f);
            const double low = std::max(bottom[channel], -1.0f);
            const float x = static_cast<float>(box.left + i);
            surface.DrawLine(kWaveColour, x, static_cast<float>(mid - high * span * 0.5), x,
                static_cast<float>(mid - low * span * 0.5), nullptr, false);
        }
        p = std::min(p + e, frames - e);
    }
}

void MySample::PaintButtons(IEditorSurface& surface)
{
    closeImage = surface.GetImage(kCloseImage, "img/close_spl.png", 1);
    closeBox
        = IBox { box.right - closeImage.width, box.top, box.right, box.top + closeImage.height };
    surface.DrawImage(closeImage, closeBox, 1, nullptr, true);
    if (previousPath[0]) {
        previousImage = surface.GetImage(kPreviousImage, "img/prev.png", 1);
        previousBox = IBox { box.left, nameBox.top - previousImage.height,
            box.left + previousImage.width, nameBox.top };
        surface.DrawImage(previousImage, previousBox, 1, nullptr, true);
    }
    if (nextPath[0]) {
        nextImage = surface.GetImage(kNextImage, "img/next.png", 1);
        nextBox = IBox { box.right - nextImage.width, nameBox.top - nextImage.height, box.right,
            nameBox.top };
        surface.DrawImage(nextImage, nextBox, 1, nullptr, true);
    }
}

bool MySample::NeedsPaint()
{
    const bool result = redraw;
    redraw = false;
    return result;
}

void MySample::LoadFile(const char* newPath)
{
    LoadFile(newPath, false);
}

void MySample::LoadFile(const char* newPath, bool restoring)
{
    // Before the object lock, as every load takes it; the thread may hold it already (an
    // instrument file or a restore that loads through here).
    std::lock_guard<std::recursive_mutex> loads(sampler->LoadLock());
    PreparedLoad load; // outlives the lock: it ends holding the old buffer
    PrepareLoad(newPath, restoring, -1, load);
    if (load.step == PreparedLoad::Step::kNothing)
        return;
    std::vector<double> old;
    ILockGuard lock(sampler->Lock());
    CommitPath(load, false, old);
    CommitSample(load);
}

void MySample::PrepareLoad(const char* newPath, bool restoring, int reverse, PreparedLoad& load)
{
    load = PreparedLoad();
    std::lock_guard<std::recursive_mutex> loads(sampler->LoadLock());
    auto refuse = [&](const char* storedPath) {
        load.step = PreparedLoad::Step::kRefuse;
        load.storedOnFailure = restoring ? storedPath : "";
    };
    if (newPath && newPath[0]) {
        // A path that doesn't fit the buffer is refused rather than cut, since a cut path
        // names another file (or none).
        if (!FileSystem::CopyPath(path, sizeof path, newPath)) {
            load.sample.failure = LoadFailure::kUnreadable;
            refuse(newPath);
            return;
        }
    } else {
        char chosen[kPathSize];
        std::memcpy(chosen, path, sizeof chosen);
        IEditorSurface* surface = sampler->Editor();
        // A cancelled dialog changes nothing: reloading the last path would bring back a
        // sample the user has just closed.
        if (!surface || !surface->PromptForFile(chosen, kPathSize, false, "", kDialogExtensions)
            || !chosen[0] || !std::memchr(chosen, '\0', sizeof chosen))
            return;
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
    if (!SlotLoader::ReadHeader(path, extension, load.sample)) {
        refuse(path);
        return;
    }
    SetDisplayName();
    duration = load.sample.fileRate > 0.0 ? load.sample.frames / load.sample.fileRate : 0.0;

    previousPath[0] = '\0';
    nextPath[0] = '\0';
    ScanFolder();

    if (reverse < 0)
        reverse = sampler->Loader().ReverseHint(slotIndex) ? 1 : 0;
    if (!DecodeInto(load.sample, reverse > 0)) {
        refuse(path);
        return;
    }
    load.step = PreparedLoad::Step::kSwap;
}

void MySample::CommitPath(PreparedLoad& load, bool emptyFirst, std::vector<double>& old)
{
    ILockGuard lock(sampler->Lock());
    SlotLoader& loader = sampler->Loader();
    if (load.step == PreparedLoad::Step::kRefuse) {
        loader.NoteFailure(slotIndex, load.sample);
        EmptySlot("", load.storedOnFailure.c_str(), old);
        return;
    }
    if (load.step != PreparedLoad::Step::kSwap)
        return;
    if (emptyFirst)
        loader.Empty(slotIndex, old);
    if (load.sample.frames == 0) {
        // A header without a whole frame names the slot but leaves it empty, its stored
        // path as it was.
        loader.NoteFailure(slotIndex, LoadFailure::kNoAudio, "");
        return;
    }
    loader.NoteFailure(slotIndex, LoadFailure::kNone, "");
    StoreStatePath(path);
}

void MySample::CommitSample(PreparedLoad& load)
{
    if (load.step != PreparedLoad::Step::kSwap)
        return;
    ILockGuard lock(sampler->Lock());
    DecodedSample& sample = load.sample;
    // Reverse may have been switched since the file was decoded; the planes follow it.
    if (sample.reversed != sampler->slotReverse[slotIndex]) {
        SlotLoader::ReversePlanes(sample.samples, sample.frames, sample.channels);
        sample.reversed = !sample.reversed;
    }
    sampler->Loader().SwapIn(slotIndex, sample);
    if (sample.frames != 0)
        redraw = true;
    load.step = PreparedLoad::Step::kNothing;
}

bool MySample::DecodeInto(DecodedSample& sample, bool reverse) const
{
    return SlotLoader::Decode(path, extension, reverse, sample);
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

void MySample::ShowLoadFailure(const char* text)
{
    std::vector<double> old;
    ILockGuard lock(sampler->Lock());
    EmptySlot(text, "", old);
}

void MySample::EmptySlot(const char* text, const char* storedPath, std::vector<double>& old)
{
    if (Sample().frames != 0)
        sampler->Loader().Empty(slotIndex, old);
    std::snprintf(displayName, sizeof displayName, "%s", text && text[0] ? text : kWrongAudio);
    StoreStatePath(storedPath);
    redraw = true;
}

void MySample::ReverseSampleData()
{
    SampleData& sample = Sample();
    const std::size_t planes = sample.channels > 1 ? 2 : 1;
    if (sample.frames == 0 || sample.samples.size() < std::size_t(sample.frames) * planes)
        return;
    SlotLoader::ReversePlanes(sample.samples, sample.frames, sample.channels);
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
