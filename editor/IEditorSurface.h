// The editor: a fixed-size surface holding the ordered list of controls (attach order is
// paint order), the off-screen canvas, and the paths between controls and parameters.
//
// One per plug-in object, created by its constructor and destroyed with it; the window
// that shows it comes and goes. The window layer derives from this class and supplies the
// operations marked "window layer"; this base has no window, so opening one fails.
// Threads: user-interface thread, except ShowParamValue/ApplyParamValue, which run inside
// the plug-in's object lock on whatever thread changed the parameter.
#pragma once

#include "editor/IGraphicsTypes.h"
#include "raster/IRaster.h"

#include <memory>
#include <mutex>
#include <vector>

class IControl;
class IParameter;
class IPlugBase;

class IEditorSurface {
public:
    IEditorSurface(IPlugBase* plug, int width, int height, int frameRate);
    virtual ~IEditorSurface();
    IEditorSurface(const IEditorSurface&) = delete;
    IEditorSurface& operator=(const IEditorSurface&) = delete;

    int AttachControl(IControl* control);
    int ControlCount() const { return static_cast<int>(controls.size()); }
    IControl* ControlAt(int index) const;

    void ShowParamValue(int index, double v, bool normalised);
    void ApplyParamValue(int index, double v);
    void InvalidateAll();
    void PrepareCanvas();

    int Width() const { return width; }
    int Height() const { return height; }
    int FrameRate() const { return frameRate; }
    const IRaster& Canvas() const { return canvas; }

    // Ticks left until an open wheel gesture is ended; 0 means none is pending.
    void SetWheelCountdown(int ticks) { wheelCountdown = ticks; }
    int WheelCountdown() const { return wheelCountdown; }

    // ---- window layer ------------------------------------------------------------------
    virtual bool OpenWindow(void*) { return false; }
    virtual void CloseWindow() {}
    virtual int HandleWheel(float) { return 0; }
    virtual void OpenParamEntry(IControl*, IParameter*, bool) {}
    // The system's file dialog (open, or save when `save`): on confirmation the chosen path
    // is written to `outPath` (`size` bytes) and true returned. With no window open the
    // out path becomes empty and the answer is false.
    virtual bool PromptForFile(char* outPath, int size, bool save, const char* startFolder,
                               const char* extensions);

    std::recursive_mutex& SurfaceLock() { return lock; }

protected:
    IPlugBase* plug;

private:
    std::recursive_mutex lock;
    std::vector<std::unique_ptr<IControl>> controls;
    IBox paintBox;
    IRaster canvas;
    IRaster spare;
    IBox liveBox;
    int width;
    int height;
    int frameRate;
    int wheelCountdown = 0;
};
