// A control for the editor tests: writes every operation the surface calls on it to a shared
// log as a short word ("press A", "drag A 3 4"), and lets a test run code from its Paint.
#pragma once

#include "editor/IControl.h"
#include "editor/IEditorSurface.h"

#include <functional>
#include <string>
#include <vector>

class ProbeControl : public IControl {
public:
    ProbeControl(IPlugBase* plug, const IBox& box, int param, std::vector<std::string>* log,
                 std::string name)
        : IControl(plug, box, param), log(log), name(std::move(name))
    {
    }

    void Press(int, int, const IMouseKeys&) override { Note("press"); }
    void Release(int, int, const IMouseKeys&) override { Note("release"); }
    void DropFile(int, int, const char* path) override { Note(std::string("drop ") + path); }
    void Drag(int, int, int dx, int dy, const IMouseKeys&) override
    {
        Note("drag " + std::to_string(dx) + " " + std::to_string(dy));
    }
    void DoubleClick(int, int, const IMouseKeys&) override { Note("double"); }
    void Wheel(int x, int y, const IMouseKeys& keys, double steps) override
    {
        Note("wheel");
        IControl::Wheel(x, y, keys, steps);
    }
    void KeyPress(int, int, int key) override { Note("key " + std::to_string(key)); }
    void Hover(int, int, const IMouseKeys&) override { Note("hover"); }
    void Leave() override { Note("leave"); }
    bool Paint(IEditorSurface& surface) override
    {
        Note("paint");
        if (onPaint)
            onPaint(surface);
        return true;
    }
    void ApplyValue(double v) override
    {
        Note("apply " + std::to_string(v));
        IControl::ApplyValue(v);
    }
    bool NeedsPaint() override
    {
        Note("needs");
        return IControl::NeedsPaint();
    }

    void SetHiddenFlag(bool h) { hidden = h; }
    void SetDoubleClickAsPress(bool on) { doubleClickAsPress = on; }

    std::function<void(IEditorSurface&)> onPaint;
    // Called with each log entry, so a test can interleave it with other records.
    std::function<void()> onNote;

private:
    void Note(const std::string& what)
    {
        log->push_back(what + " " + name);
        if (onNote)
            onNote();
    }

    std::vector<std::string>* log;
    std::string name;
};
