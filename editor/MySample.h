// A slot's sample display and the slot's loading path: it keeps the file the slot holds
// (path, extension, shown name, length, the neighbouring audio files of its folder), takes
// files from the dialog, drops and the previous/next buttons, reads their headers, decodes
// them into the slot's SampleData and empties the slot when a file can't be used.
//
// Owned by the editor surface, one per slot, created by the sampler's constructor and
// destroyed with the surface; the sampler keeps a pointer to it (sampleDisplay). Loading
// runs on the user-interface thread (or the host thread that restores state); the part
// that changes the slot's SampleData runs under the plug-in's object lock. The engine may
// call SetPlayedMark, MarkRedraw and ReverseSampleData from either thread under that lock.
#pragma once

#include "editor/IControl.h"

#include <cstdint>
#include <string>
#include <vector>

class CLS_QUELLORN;
struct SampleData;
struct SfzSlotPlan;

class MySample : public IControl {
public:
    // Path buffers of the loading path: 259 characters and the terminator.
    static constexpr int kPathSize = 260;
    // A name longer than this is cut to one character less.
    static constexpr int kShownNameLength = 20;
    // Most values (frames x channels) a slot takes: 4 GiB of samples. Larger files are
    // refused like unreadable ones instead of exhausting memory.
    static constexpr std::uint64_t kMaxSampleValues = std::uint64_t(1) << 29;

    MySample(CLS_QUELLORN* plug, const IBox& box, int slot);

    void Press(int x, int y, const IMouseKeys& keys) override;
    void DropFile(int x, int y, const char* path) override;
    bool Paint(IEditorSurface& surface) override;
    bool NeedsPaint() override;

    // Takes a path (empty: asks through the file dialog), reads its header and rebuilds
    // the slot; SFZ paths go to the sampler's LoadSlotFile.
    void LoadFile(const char* path);
    // Decodes the current file into `buffer`, which holds frames x channels zeros, then
    // records the path as the slot's stored path. On failure the slot is emptied.
    void DecodeInto(std::vector<double>& buffer, bool redraw);
    // Empties the slot and shows `text`, or "wrong audio" when it is empty.
    void ShowLoadFailure(const char* text);
    void ReverseSampleData();
    // Fills the slot as an SFZ instrument file's plan for it says: loads the region's
    // sample (or shows "wrong audio" for a refused one) and sets the parameters the plan
    // gives, or empties the slot when the file has too few regions. A refused sample
    // queues a warning on the editor surface, once per slot until the next SFZ file is
    // given to this slot (MySampleSfz.cpp).
    void ApplySfzSlot(const SfzSlotPlan& plan);
    // Stores a value read from a file in parameter `index`, clamped to its range, and
    // passes it on as the editor does; a NaN is ignored.
    void SetParameterFromFile(int index, double value);

    // The audio files before and after `current` among a folder's entry names, in the
    // order given, joined to `folder`; empty where there is none. Both buffers hold
    // kPathSize characters.
    static void FindNeighbours(const std::vector<std::string>& names, const char* folder,
        const char* current, char* previous, char* next);

    bool PlayedMark() const { return playedMark; }
    void SetPlayedMark(bool mark) { playedMark = mark; }
    void MarkRedraw() { redraw = true; }

    int Slot() const { return slotIndex; }
    const char* Path() const { return path; }
    const char* Extension() const { return extension; }
    const char* DisplayName() const { return displayName; }
    const char* PreviousPath() const { return previousPath; }
    const char* NextPath() const { return nextPath; }
    double Duration() const { return duration; }
    bool Warned() const { return warned; }
    void SetWarned(bool flag) { warned = flag; }

protected:
    // Where the buttons were last drawn; all 0 until painted.
    IBox closeBox;
    IBox previousBox;
    IBox nextBox;

private:
    SampleData& Sample() const;
    bool ReadHeader();
    bool DecodeWav(std::vector<double>& buffer);
    bool DecodeFlac(std::vector<double>& buffer);
    void SetDisplayName();
    void ScanFolder();
    void StoreStatePath(const char* text);

    CLS_QUELLORN* sampler;
    std::int16_t slotIndex;
    double duration = 0.0;
    bool redraw = false;
    bool playedMark = false;
    bool warned = false;
    char path[kPathSize] = "...";
    char extension[kPathSize] = "";
    char displayName[kPathSize] = "...";
    char previousPath[kPathSize] = "";
    char nextPath[kPathSize] = "";
    // The file's header values, held from the header read until the locked section that
    // rebuilds the buffer publishes them to the slot.
    std::uint32_t headerFrames = 0;
    std::int16_t headerChannels = 0;
    double headerRate = 0.0;
};
