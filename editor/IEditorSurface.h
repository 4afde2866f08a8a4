// The editor: a fixed-size surface holding the ordered list of controls (attach order is
// paint order), the off-screen canvas, and the paths between controls and parameters.
//
// One per plug-in object, created by its constructor and destroyed with it; the window
// that shows it comes and goes. The window layer derives from this class and supplies the
// operations marked "window layer"; this base has no window, so opening one fails.
// Threads: user-interface thread, except ShowParamValue/ApplyParamValue, which run inside
// the plug-in's object lock on whatever thread changed the parameter, and the warnings,
// which are queued under that lock and shown by the queuing thread once it has let go.
#pragma once

#include "editor/IGraphicsTypes.h"
#include "raster/IRaster.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
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
    // Returns how many controls are bound to the parameter and took the value.
    int ApplyParamValue(int index, double v);
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

    // A warning for the user, shown as a message box with an OK button by the window
    // layer. This base has no window: it records the warning (the last kMaxWarnings are
    // kept) and tells the listener, if one is set.
    virtual void ShowWarning(const char* caption, const char* text);

    // ---- warnings that wait for the plug-in's lock to be let go ------------------------
    // A message box waits for the user; shown while the plug-in's lock is held, it would
    // keep the audio thread waiting too. Code under the lock queues its warnings, and the
    // outermost holder shows them once it has let go (IPlugBase::DeliverDeferredMessages).
    // Each thread shows only the warnings it queued itself, so the audio thread, passing
    // through the dispatcher, never shows one of the loading thread's.
    struct Warning {
        std::string caption;
        std::string text;
    };
    static constexpr std::size_t kMaxWarnings = 64;
    void QueueWarning(const char* caption, const char* text);
    void DeliverWarnings();
    std::vector<Warning> ShownWarnings() const;
    // Called with each warning this base records, on the thread that shows it.
    void SetWarningListener(std::function<void(const Warning&)> listener);

    std::recursive_mutex& SurfaceLock() { return lock; }

protected:
    IPlugBase* plug;

private:
    std::recursive_mutex lock;
    mutable std::mutex warningLock; // guards the three warning fields below only
    struct PendingWarning {
        Warning warning;
        std::thread::id thread;
    };
    std::vector<PendingWarning> pendingWarnings;
    std::atomic<bool> warningsPending { false }; // set whenever pendingWarnings is not empty
    std::vector<Warning> shownWarnings;
    std::function<void(const Warning&)> warningListener;
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
