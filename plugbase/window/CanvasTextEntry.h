// The in-place text entry of a window layer that has no native edit field: the typed text,
// its box over the control, and for an enumerated parameter a drop-down list of its display
// texts. It draws itself into the surface's canvas, over the controls, after each paint.
//
// States follow the entry rules every window layer keeps: 0 idle, 1 typing, 2 cancel
// requested, 3 commit requested; the frame tick settles 2 and 3.
// Owned by the window layer; user-interface thread only.
#pragma once

#include "editor/IGraphicsTypes.h"

#include <string>
#include <vector>

class IControl;
class IEditorSurface;
class IParameter;

class CanvasTextEntry {
public:
    enum State { kIdle = 0, kTyping = 1, kCancel = 2, kCommit = 3 };
    static constexpr std::size_t kMaxLength = 1000;
    static constexpr int kItemHeight = 16;

    bool IsOpen() const { return control != nullptr; }
    void OpenForParam(IControl* control, IParameter* param, bool centred);
    void OpenForText(IControl* control);
    void Close();

    // Typing: a printable character replaces a whole selection or is appended.
    void TypeChar(char c);
    void Backspace();
    // The list item under the point, -1 for none (and always -1 without a list).
    int ItemAt(int x, int y) const;
    void ChooseItem(int item);
    bool Contains(int x, int y) const;
    void Draw(IEditorSurface& surface) const;

    IControl* Control() const { return control; }
    IParameter* Param() const { return param; }
    const std::string& Text() const { return text; }
    const IBox& Box() const { return box; }
    bool IsList() const { return !items.empty(); }
    State state = kIdle;

private:
    IControl* control = nullptr;
    IParameter* param = nullptr;
    IBox box;
    std::string text;
    std::vector<std::string> items;
    bool allSelected = false;
    bool masked = false;
};
