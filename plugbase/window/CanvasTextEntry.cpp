#include "plugbase/window/CanvasTextEntry.h"

#include "editor/IControl.h"
#include "editor/IEditorSurface.h"
#include "editor/IEditableTextControl.h"
#include "plugbase/IParameter.h"

#include <algorithm>

namespace {

const IArgb kFieldColour { 255, 255, 255, 255 };
const IArgb kBorderColour { 255, 0, 0, 0 };
const IArgb kSelectionColour { 255, 51, 102, 204 };

} // namespace

void CanvasTextEntry::OpenForParam(IControl* newControl, IParameter* newParam, bool centred)
{
    if (IsOpen() || !newControl || !newParam)
        return;
    control = newControl;
    param = newParam;
    char current[kParamTextSize];
    param->DisplayText(param->PlainValue(), false, current);
    text = current;
    items.clear();
    const IBox& c = control->Box();
    const int cx = (c.left + c.right) / 2;
    const int cy = (c.top + c.bottom) / 2;
    const ParamKind kind = param->Kind();
    if (param->DisplayTextCount() > 0 && (kind == ParamKind::Enumerated || kind == ParamKind::Legacy)) {
        int width = 24;
        for (int i = 0; i < param->DisplayTextCount(); ++i) {
            const char* item = param->DisplayTextFor(i);
            items.emplace_back(item);
            width = std::max(width, 8 * static_cast<int>(items.back().size()) + 24);
        }
        const int height = kItemHeight * (static_cast<int>(items.size()) + 1);
        box = centred ? IBox { cx - width / 2, cy, cx - width / 2 + width, cy + height }
                      : IBox { c.left, cy, c.right, cy + height };
    } else if (centred) {
        char widest[kParamTextSize];
        param->DisplayText(1.0, true, widest);
        const int width = std::max(32, 7 * static_cast<int>(std::char_traits<char>::length(widest)) + 6);
        box = IBox { cx - width / 2, cy - 8, cx - width / 2 + width, cy + 8 };
    } else {
        box = c;
    }
    allSelected = true;
    masked = false;
    state = kIdle;
}

void CanvasTextEntry::OpenForText(IControl* newControl)
{
    if (IsOpen() || !newControl)
        return;
    control = newControl;
    param = nullptr;
    items.clear();
    box = control->Box();
    auto* field = dynamic_cast<IEditableTextControl*>(control);
    auto* plain = dynamic_cast<ITextControl*>(control);
    text = plain ? plain->Text() : std::string();
    masked = field && field->Masked();
    allSelected = true;
    state = kIdle;
}

void CanvasTextEntry::Close()
{
    control = nullptr;
    param = nullptr;
    items.clear();
    text.clear();
    box = IBox {};
    state = kIdle;
}

void CanvasTextEntry::TypeChar(char c)
{
    if (!IsOpen() || IsList() || static_cast<unsigned char>(c) < 0x20)
        return;
    if (allSelected)
        text.clear();
    allSelected = false;
    if (text.size() < kMaxLength)
        text.push_back(c);
    state = kTyping;
}

void CanvasTextEntry::Backspace()
{
    if (!IsOpen() || IsList())
        return;
    if (allSelected)
        text.clear();
    else if (!text.empty())
        text.pop_back();
    allSelected = false;
    state = kTyping;
}

bool CanvasTextEntry::Contains(int x, int y) const
{
    return IsOpen() && x >= box.left && x < box.right && y >= box.top && y < box.bottom;
}

int CanvasTextEntry::ItemAt(int x, int y) const
{
    if (!IsList() || !Contains(x, y))
        return -1;
    // The first row shows the current choice; the items follow it.
    const int row = (y - box.top) / kItemHeight - 1;
    return row >= 0 && row < static_cast<int>(items.size()) ? row : -1;
}

void CanvasTextEntry::ChooseItem(int item)
{
    if (item < 0 || item >= static_cast<int>(items.size()))
        return;
    text = items[static_cast<std::size_t>(item)];
    state = kCommit;
}

void CanvasTextEntry::Draw(IEditorSurface& surface) const
{
    if (!IsOpen())
        return;
    surface.FillBox(kBorderColour, box, nullptr);
    const IBox inner { box.left + 1, box.top + 1, box.right - 1, box.bottom - 1 };
    surface.FillBox(kFieldColour, inner, nullptr);
    ITextStyle style;
    style.size = 13;
    style.alignment = 1;
    auto row = [&](int index) {
        return IBox { inner.left + 2, box.top + index * kItemHeight, inner.right - 2,
                      box.top + (index + 1) * kItemHeight };
    };
    if (IsList()) {
        surface.PaintText(style, text.c_str(), row(0));
        for (std::size_t i = 0; i < items.size(); ++i) {
            const IBox r = row(static_cast<int>(i) + 1);
            if (items[i] == text) {
                surface.FillBox(kSelectionColour, r, nullptr);
                ITextStyle lit = style;
                lit.colour = kFieldColour;
                surface.PaintText(lit, items[i].c_str(), r);
            } else {
                surface.PaintText(style, items[i].c_str(), r);
            }
        }
        return;
    }
    const std::string shown = masked ? std::string(text.size(), '*') : text;
    if (allSelected && !shown.empty()) {
        surface.FillBox(kSelectionColour, inner, nullptr);
        style.colour = kFieldColour;
    }
    surface.PaintText(style, shown.c_str(), inner);
}
