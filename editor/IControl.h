// The base of every editor control: a box on the surface, an optional link to one
// parameter, a normalised value, and the dirty flags that drive repainting.
//
// Owned by the editor surface (attached once, destroyed with it). Mouse, key and paint
// operations run on the user-interface thread; ShowValue may run on any thread inside the
// plug-in's object lock and only stores the value and sets flags.
#pragma once

#include "editor/IGraphicsTypes.h"

class IPlugBase;
class IEditorSurface;

class IControl {
public:
    IControl(IPlugBase* plug, const IBox& box, int param = -1);
    virtual ~IControl() = default;
    IControl(const IControl&) = delete;
    IControl& operator=(const IControl&) = delete;

    virtual void Press(int x, int y, const IMouseKeys& keys);
    virtual void Release(int, int, const IMouseKeys&) {}
    virtual void DropFile(int, int, const char*) {}
    virtual void Drag(int, int, int, int, const IMouseKeys&) {}
    virtual void DoubleClick(int x, int y, const IMouseKeys& keys);
    virtual void Wheel(int x, int y, const IMouseKeys& keys, double steps);
    virtual void KeyPress(int, int, int) {}
    virtual void Hover(int, int, const IMouseKeys&) {}
    virtual void Leave() {}
    virtual bool Paint(IEditorSurface& surface) = 0;
    virtual void ShowValue(double v);
    virtual void ApplyValue(double v);
    virtual void SetHidden(bool h);
    virtual void SetDimmed(bool d);
    virtual bool Contains(int x, int y) const;
    virtual void Invalidate(bool push);
    virtual void Validate();
    virtual bool NeedsPaint() { return dirty; }
    virtual void IdleHook() {}

    void PromptForValue();
    void TextEntryDone();

    int Param() const { return param; }
    double Value() const { return value; }
    double DefaultValue() const { return defaultValue; }
    const IBox& Box() const { return box; }
    const IBox& TargetBox() const { return targetBox; }
    bool Hidden() const { return hidden; }
    bool Dimmed() const { return dimmed; }
    bool DoubleClickAsPress() const { return doubleClickAsPress; }
    const IBlend& Blend() const { return blend; }
    void SetBlend(const IBlend& newBlend) { blend = newBlend; }

protected:
    IPlugBase* plug;
    IBox box;
    IBox targetBox;
    IImage image;
    int param = -1;
    double value = 0.0;
    double defaultValue = -1.0;
    double lowClamp = 0.0;
    double highClamp = 1.0;
    bool dirty = true;
    bool hidden = false;
    bool dimmed = false;
    bool repaintAgain = false;
    bool noPrompt = false;
    bool doubleClickAsPress = false;
    IBlend blend;
};
