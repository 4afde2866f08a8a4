#include "editor/SampleRange.h"

#include "editor/IEditableTextControl.h"
#include "editor/IEditorSurface.h"
#include "editor/MySample.h"
#include "engine/EngineConfig.h"
#include "plugbase/IParameter.h"
#include "plugbase/IPlugBase.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kKeyOnImage = 105;
constexpr int kKeyOffImage = 106;
// The range bar and the root marker fill the upper band; a press below it opens an entry.
constexpr int kBandTop = 5;
constexpr int kBandBottom = 29;
// How near the pointer must come to a marker to grab it.
constexpr int kGrab = 5;
constexpr int kEntryHalfWidth = 16;
constexpr int kEntryWidth = 32;
constexpr IArgb kRangeColour { 100, 200, 200, 210 };
constexpr IArgb kRootColour { 100, 100, 255, 100 };
constexpr IArgb kKeyColour { 180, 255, 255, 255 };
constexpr IArgb kRootTextColour { 220, 180, 255, 180 };
constexpr const char* kKeyNames[12]
    = { "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B" };

void SetCursor(IPlugBase* plug, IEditorSurface::Cursor shape)
{
    if (plug && plug->Editor())
        plug->Editor()->SetCursor(shape);
}

int Round(double v)
{
    return static_cast<int>(std::round(v));
}

void KeyName(char* out, std::size_t size, const char* prefix, int key)
{
    std::snprintf(out, size, "%s%s%d", prefix, kKeyNames[key % 12], key / 12);
}

} // namespace

// The entry field: an editable text field that the strip moves over the key being typed.
class SampleRange::EntryControl : public IEditableTextControl {
public:
    EntryControl(IPlugBase* owner, const IBox& newBox, const ITextStyle& newStyle)
        : IEditableTextControl(owner, newBox, newStyle, "", IArgb { 0, 0, 0, 0 }, true, false)
    {
        doubleClickAsPress = true;
    }
    void MoveTo(int left, int right)
    {
        box.left = left;
        box.right = right;
        targetBox = box;
    }
};

SampleRange::SampleRange(IPlugBase* owner, const IBox& newBox, int newSlot, MySample* slotSample)
    : IControl(owner, newBox)
    , slot(newSlot)
    , sample(slotSample)
{
    dirty = false;
    keyText.size = 15;
}

IEditableTextControl* SampleRange::EntryField() const
{
    return entryField;
}

std::unique_lock<std::recursive_mutex> SampleRange::LockPlug() const
{
    if (!plug)
        return {};
    return std::unique_lock<std::recursive_mutex>(plug->Lock());
}

double SampleRange::KeyOffset(int key) const
{
    return static_cast<double>(key) * KeySpan() / kTopKey;
}

bool SampleRange::Paint(IEditorSurface& surface)
{
    if (!ready) {
        keyOnImage = surface.GetImage(kKeyOnImage, "img/note_on.png", 1);
        keyOffImage = surface.GetImage(kKeyOffImage, "img/note_off.png", 1);
        const ITextStyle style = MakeTextStyle("Arial", 15, IArgb { 200, 255, 255, 255 }, 1);
        const int c = (box.left + box.right) / 2;
        entryField = new EntryControl(plug,
            IBox { c - kEntryHalfWidth, box.top + 8, c + kEntryHalfWidth, box.top + 26 }, style);
        // Lands after every control attached so far, so it is first painted next pass.
        surface.AttachControl(entryField);
        entryField->SetHidden(true);
        ready = true;
    }
    // The engine changes the keys under the object lock, maybe on the audio thread; the
    // picture is drawn from one copy of them.
    Keys keys;
    {
        auto lock = LockPlug();
        keys.low = low;
        keys.high = high;
        keys.root = root;
        keys.heldCount = std::clamp<int>(heldCount, 0, kHeldKeySlots);
        std::copy(heldKeys, heldKeys + kHeldKeySlots, keys.held);
    }
    if (keys.low < 0 || keys.high < 0 || keys.root < 0 || KeySpan() <= 0)
        return true; // the key parameters have not been shown yet
    const int m = Round(KeyOffset(keys.low)) + 1;
    const int o = static_cast<int>(std::ceil(KeyOffset(keys.high))) + 10;
    surface.FillBox(kRangeColour,
        IBox { box.left + m, box.top + kBandTop, box.left + o, box.top + kBandBottom }, nullptr);
    surface.FillBox(kRootColour,
        IBox { box.left + Round(KeyOffset(keys.root)) + 1, box.top + kBandTop,
            box.left + static_cast<int>(std::ceil(KeyOffset(keys.root))) + 10,
            box.top + kBandBottom },
        nullptr);
    PaintHeldKeys(surface, keys, m, o);
    PaintKeyNames(surface, keys);
    return true;
}

void SampleRange::PaintHeldKeys(IEditorSurface& surface, const Keys& keys, int m, int o) const
{
    const long long w = box.Width();
    const long long lowKey = keys.low;
    const long long highKey = keys.high;
    for (int entry = 0; entry < keys.heldCount; ++entry) {
        const long long k = keys.held[entry];
        const IImage* image = &keyOnImage;
        long long x = 0;
        // Integer divisions where the positions are whole pixels already.
        if (k < lowKey) {
            image = &keyOffImage;
            if (k < 0)
                continue; // keys below the lowest never reach the list
            x = box.left + k * m / lowKey - 2;
        } else if (k > highKey) {
            image = &keyOffImage;
            if (highKey >= kTopKey)
                continue; // no key lies above the top one
            x = box.left + o
                + Round(static_cast<double>((w - o) * (k - highKey)) / (kTopKey - highKey)) - 2;
        } else if (lowKey == highKey) {
            x = Round((m + o) * 0.5 + box.left - 3);
        } else {
            x = box.left + m + (k - lowKey) * (o - m) / (highKey - lowKey) - 3;
        }
        if (image->raster)
            surface.DrawRaster(*image->raster, static_cast<int>(x), box.top, nullptr);
    }
}

void SampleRange::PaintKeyNames(IEditorSurface& surface, const Keys& keys)
{
    char text[32];
    const int top = box.bottom - 20;
    keyText.colour = kKeyColour;
    keyText.alignment = 0;
    KeyName(text, sizeof text, "", keys.low);
    surface.PaintText(keyText, text, IBox { box.left + 4, top, box.left + 50, box.bottom });
    keyText.colour = kRootTextColour;
    keyText.alignment = 1;
    KeyName(text, sizeof text, "root: ", keys.root);
    surface.PaintText(keyText, text, IBox { box.left + 50, top, box.right - 50, box.bottom });
    keyText.colour = kKeyColour;
    keyText.alignment = 2;
    KeyName(text, sizeof text, "", keys.high);
    surface.PaintText(keyText, text, IBox { box.right - 50, top, box.right - 4, box.bottom });
}

bool SampleRange::NeedsPaint()
{
    return changed.exchange(false);
}

void SampleRange::Press(int x, int y, const IMouseKeys& keys)
{
    if (!entryOpen && (keys.right || (keys.left && y > box.top + kBandBottom))) {
        OpenEntry(x);
        return;
    }
    if (keys.left && Contains(x, y) && y <= box.top + kBandBottom) {
        auto lock = LockPlug();
        editField = kEditNone;
        PickNote(x, y, true);
    }
}

void SampleRange::OpenEntry(int x)
{
    if (!entryField)
        return; // made at the first paint: nothing can be typed into a strip never shown
    const int w = box.Width();
    const int c = (box.left + box.right) / 2;
    int key = 0;
    {
        auto lock = LockPlug();
        if (x < box.left + Round(w / 3.0)) {
            editField = kEditLow;
            key = low;
            entryField->MoveTo(box.left, box.left + kEntryWidth);
        } else if (x > box.left + Round(w * 2 / 3.0)) {
            editField = kEditHigh;
            key = high;
            entryField->MoveTo(box.right - kEntryWidth, box.right);
        } else {
            editField = kEditRoot;
            key = root;
            entryField->MoveTo(c - kEntryHalfWidth, c + kEntryHalfWidth);
        }
    }
    entryField->SetText(std::to_string(key + kLowestKey).c_str());
    if (plug && plug->Editor())
        plug->Editor()->OpenTextEntry(entryField);
    entryOpen = true;
}

void SampleRange::Drag(int x, int y, int, int, const IMouseKeys& keys)
{
    if (keys.right || x < box.left || x > box.right || y < box.top || y > box.bottom)
        return;
    if (y < box.top + kBandBottom) {
        SetCursor(plug, IEditorSurface::Cursor::kResizeHorizontal);
        auto lock = LockPlug();
        PickNote(x, y, false);
    }
}

void SampleRange::Release(int, int, const IMouseKeys&)
{
    SetCursor(plug, IEditorSurface::Cursor::kArrow);
}

void SampleRange::PickNote(int x, int, bool starting)
{
    auto lock = LockPlug();
    const int d = KeySpan();
    if (d <= 0 || low < 0 || high < 0 || root < 0)
        return;
    const int rootMarker = box.left + Round(KeyOffset(root)) + 5;
    if (editField == kEditRootDrag || (starting && std::abs(x - rootMarker) <= kGrab)) {
        if (starting)
            SetCursor(plug, IEditorSurface::Cursor::kUpArrow);
        root = static_cast<std::int16_t>(
            std::clamp(Round(static_cast<double>(x - box.left - 5) * kTopKey / d), 0, kTopKey));
        SetNoteParam(slot * kParamsPerSlot + kParamRootNote, root + kLowestKey);
        editField = kEditRootDrag;
        changed = true;
        return;
    }
    const int lowMarker = box.left + Round(KeyOffset(low));
    const int highMarker = box.left + Round(KeyOffset(high)) + 10;
    const int t = Round((lowMarker + highMarker) / 2.0);
    // Narrowing the range takes back the mark that the slot has sounded: the notes that
    // set it may now lie outside.
    auto narrowed = [this] {
        if (sample && sample->PlayedMark()) {
            sample->SetPlayedMark(false);
            sample->MarkRedraw();
        }
    };
    if (x > t) {
        if (starting && std::abs(x - highMarker) <= kGrab)
            SetCursor(plug, IEditorSurface::Cursor::kResizeHorizontal);
        const int key = std::max<int>(
            low, static_cast<int>(std::ceil(static_cast<double>(x - box.left - 10) * kTopKey / d)));
        if (key < high)
            narrowed();
        high = static_cast<std::int16_t>(key);
        SetNoteParam(slot * kParamsPerSlot + kParamHighNote, key + kLowestKey);
    } else {
        if (starting && std::abs(x - lowMarker) <= kGrab)
            SetCursor(plug, IEditorSurface::Cursor::kResizeHorizontal);
        const int key = std::min<int>(
            high, static_cast<int>(std::trunc(static_cast<double>(x - box.left) * kTopKey / d)));
        if (key > low)
            narrowed();
        low = static_cast<std::int16_t>(key);
        SetNoteParam(slot * kParamsPerSlot + kParamLowNote, key + kLowestKey);
    }
    changed = true;
}

void SampleRange::SetNoteParam(int index, int value)
{
    if (!plug)
        return;
    auto lock = LockPlug();
    plug->BeginParamEdit(index);
    if (IParameter* param = plug->GetParam(index))
        param->SetClampedValue(value);
    plug->EndParamEdit(index);
    plug->ParamChanged(index);
}

void SampleRange::ApplyValue(double)
{
    if (!entryOpen)
        return;
    entryOpen = false;
    if (!entryField || entryField->Text().empty())
        return;
    const char* text = entryField->Text().c_str();
    char* end = nullptr;
    errno = 0;
    const long read = std::strtol(text, &end, 10);
    if (end != text) {
        // Far out of range typing lands on the nearest end, as any too large key does.
        const int n = static_cast<int>(std::clamp<long>(read, INT_MIN / 2, INT_MAX / 2));
        auto lock = LockPlug();
        if (editField == kEditHigh) {
            high = static_cast<std::int16_t>(std::max<int>(low, std::min(n - kLowestKey, kTopKey)));
            SetNoteParam(slot * kParamsPerSlot + kParamHighNote, high + kLowestKey);
        } else if (editField == kEditRoot) {
            root = static_cast<std::int16_t>(std::clamp(n - kLowestKey, 0, kTopKey));
            SetNoteParam(slot * kParamsPerSlot + kParamRootNote, root + kLowestKey);
        } else if (editField == kEditLow) {
            const int key = std::min<int>(high, n - kLowestKey);
            low = static_cast<std::int16_t>(key < 1 ? 0 : key);
            SetNoteParam(slot * kParamsPerSlot + kParamLowNote, low + kLowestKey);
        }
    }
    entryField->SetText("");
    changed = true;
}

void SampleRange::NoteHeld(int key, bool on)
{
    const std::int16_t e = static_cast<std::int16_t>(key - kLowestKey);
    if (on) {
        for (int j = 0; j < heldCount; ++j)
            if (heldKeys[j] == e)
                return;
        for (int j = 0; j < kHeldKeySlots; ++j) {
            if (heldKeys[j] == 0) {
                heldKeys[j] = e;
                if (heldCount < j + 1)
                    heldCount = static_cast<std::int16_t>(j + 1);
                break;
            }
        }
        changed = true;
        return;
    }
    for (int j = 0; j < heldCount; ++j) {
        if (heldKeys[j] != e)
            continue;
        --heldCount;
        // Keep the filled entries packed: the last one moves into the gap.
        if (j < heldCount) {
            heldKeys[j] = heldKeys[heldCount];
            heldKeys[heldCount] = 0;
        } else {
            heldKeys[j] = 0;
        }
        break;
    }
    changed = true;
}

void SampleRange::ClearHeldKeys()
{
    for (int j = 0; j < heldCount; ++j)
        heldKeys[j] = 0;
    heldCount = 0;
    changed = true;
}

void SampleRange::SetLowKey(int key)
{
    low = static_cast<std::int16_t>(key);
    changed = true;
}

void SampleRange::SetHighKey(int key)
{
    high = static_cast<std::int16_t>(key);
    changed = true;
}

void SampleRange::SetRootKey(int key)
{
    root = static_cast<std::int16_t>(key);
    changed = true;
}
