// A slot's sample display and the slot's loading path: it keeps the file the slot holds
// (path, extension, shown name, length, the neighbouring audio files of its folder), takes
// files from the dialog, drops and the previous/next buttons, has the sampler's SlotLoader
// read and decode them, and empties the slot when a file can't be used. It draws the
// slot's waveform, its name, length and channel count, and the close, previous-file and
// next-file buttons; a right click copies the slot's path and shows it in the status line.
//
// Owned by the editor surface, one per slot, created by the sampler's constructor and
// destroyed with the surface; the sampler keeps a pointer to it (sampleDisplay). Loading
// runs on the user-interface thread (or the host thread that restores state) without the
// object lock: a load takes the plug-in's load lock first, decodes with no lock, and takes
// the object lock only to swap the new sample in. The engine may call SetPlayedMark,
// MarkRedraw and ReverseSampleData from either thread under the object lock. Painting
// runs on the user-interface thread and reads the slot's sample under the load lock, so no
// other thread's load swaps the buffer under it.
#pragma once

#include "editor/IControl.h"
#include "engine/SlotLoader.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class BarLabel;
class CLS_QUELLORN;
struct SampleData;
struct SfzSlotPlan;

class MySample : public IControl {
public:
    // Path buffers of the loading path: 259 characters and the terminator.
    static constexpr int kPathSize = 260;
    // A name longer than this is cut to one character less.
    static constexpr int kShownNameLength = 20;
    static constexpr std::uint64_t kMaxSampleValues = SlotLoader::kMaxSampleValues;

    // `statusLabel` is the editor's status line, shown a slot's path on a right click;
    // none: the path is only copied.
    MySample(CLS_QUELLORN* plug, const IBox& box, int slot, BarLabel* statusLabel = nullptr);

    void Press(int x, int y, const IMouseKeys& keys) override;
    void DropFile(int x, int y, const char* path) override;
    bool Paint(IEditorSurface& surface) override;
    bool NeedsPaint() override;

    // Takes a path (empty: asks through the file dialog), reads its header, decodes it and
    // swaps it into the slot; SFZ paths go to the sampler's LoadSlotFile. A load the user
    // asks for: a file that can't be used clears the slot's stored path.
    void LoadFile(const char* path);
    // The same for a file that a restored state or a recalled program names (`restoring`):
    // one that can't be loaded empties the slot but stays its stored path, so the next
    // save keeps it.
    void LoadFile(const char* path, bool restoring);
    // A load read and decoded without the object lock, waiting for its locked steps.
    struct PreparedLoad {
        enum class Step { kNothing, kRefuse, kSwap };
        Step step = Step::kNothing;
        // The decoded file; after the swap, the slot's old buffer, to be freed once the
        // object lock is let go.
        DecodedSample sample;
        std::string storedOnFailure; // the stored path a refused file leaves
    };
    // Without the object lock, holding the load lock: takes the path as LoadFile does,
    // reads the header, names the slot, finds the neighbours and decodes; reversed when
    // `reverse` is 1, not when 0, as the slot plays now when -1.
    void PrepareLoad(const char* path, bool restoring, int reverse, PreparedLoad& load);
    // Under the object lock: the outcome's stored path and failure text, or the refused
    // file's emptied slot. With `emptyFirst` a slot that takes a new sample is emptied
    // already, its old buffer moved to `old`, so that parameter changes before the swap
    // have no old data to touch.
    void CommitPath(PreparedLoad& load, bool emptyFirst, std::vector<double>& old);
    // Under the object lock, after CommitPath: swaps the new sample in, in the orientation
    // the slot's Reverse has now.
    void CommitSample(PreparedLoad& load);
    // Decodes the current file, whose header `sample` holds, into a new buffer of its own,
    // reversed when `reverse` is set. Holds no lock and leaves the slot as it is; false,
    // with the reason in `sample`, when the file can't be decoded.
    bool DecodeInto(DecodedSample& sample, bool reverse) const;
    // Empties the slot and shows `text`, or "wrong audio" when it is empty.
    void ShowLoadFailure(const char* text);
    void ReverseSampleData();
    // Fills the slot as an SFZ instrument file's plan for it says: loads the region's
    // sample (or shows "wrong audio" for a refused one) and sets the parameters the plan
    // gives, or empties the slot when the file has too few regions. A refused sample
    // queues a warning on the editor surface, once per slot until the next SFZ file is
    // given to this slot (MySampleSfz.cpp).
    void ApplySfzSlot(const SfzSlotPlan& plan);
    // ApplySfzSlot in its two steps, so that the sampler can decode all three slots'
    // samples before it applies any. Without the object lock, holding the load lock:
    // decodes the plan's sample, the way round the plan's Reverse will leave it.
    void PrepareSfzSlot(const SfzSlotPlan& plan, PreparedLoad& load);
    // Under the object lock: the warning, the sample and the parameters, as ApplySfzSlot
    // does; the slot's old buffer moves to `old`.
    void ApplySfzSlot(const SfzSlotPlan& plan, PreparedLoad& load, std::vector<double>& old);
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
    // The line under the waveform that carries the slot's name.
    const IBox& NameBox() const { return nameBox; }

    int Slot() const { return slotIndex; }
    const char* Path() const { return path; }
    const char* Extension() const { return extension; }
    const char* DisplayName() const { return displayName; }
    const char* PreviousPath() const { return previousPath; }
    const char* NextPath() const { return nextPath; }
    double Duration() const { return duration; }
    bool Warned() const { return warned; }
    void SetWarned(bool flag) { warned = flag; }

    // Where the buttons were last drawn; all 0 until painted.
    const IBox& CloseBox() const { return closeBox; }
    const IBox& PreviousBox() const { return previousBox; }
    const IBox& NextBox() const { return nextBox; }

private:
    SampleData& Sample() const;
    void PaintWaveform(IEditorSurface& surface);
    void PaintButtons(IEditorSurface& surface);
    // Under the object lock: empties the slot, shows `text` ("wrong audio" when empty) and
    // stores `storedPath`; the old buffer moves to `old`.
    void EmptySlot(const char* text, const char* storedPath, std::vector<double>& old);
    void SetDisplayName();
    void ScanFolder();
    void StoreStatePath(const char* text);

    CLS_QUELLORN* sampler;
    std::int16_t slotIndex;
    double duration = 0.0;
    // Set by loads and the engine on other threads, read and cleared by painting.
    std::atomic<bool> redraw { false };
    std::atomic<bool> playedMark { false };
    bool warned = false;
    IBox nameBox;
    IBox closeBox;
    IBox previousBox;
    IBox nextBox;
    IImage closeImage;
    IImage previousImage;
    IImage nextImage;
    BarLabel* statusLabel;
    ITextStyle smallText; // length and channel count
    ITextStyle nameText;
    char path[kPathSize] = "...";
    char extension[kPathSize] = "";
    char displayName[kPathSize] = "...";
    char previousPath[kPathSize] = "";
    char nextPath[kPathSize] = "";
};
