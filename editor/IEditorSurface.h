// The editor: a fixed-size surface holding the ordered list of controls (attach order is
// paint order), the off-screen canvas the controls draw into, the mouse dispatch, and the
// paths between controls and parameters.
//
// One per plug-in object, created by its constructor and destroyed with it; the window
// that shows it comes and goes. The window layer derives from this class and supplies the
// operations marked "window layer"; this base has no window, so opening one fails, and it
// paints into the canvas without showing it anywhere.
// Threads: user-interface thread, except ShowParamValue/ApplyParamValue, which run inside
// the plug-in's object lock on whatever thread changed the parameter, and the warnings,
// which are queued under that lock and shown by the queuing thread once it has let go.
// The image and font caches are process-wide, shared by every surface, each behind its own
// lock; their entries live until the library unloads.
#pragma once

#include "editor/IGraphicsTypes.h"
#include "raster/IRaster.h"
#include "raster/RasterFont.h"

#include <atomic>
#include <cstdint>
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

    // ---- controls and images -------------------------------------------------------------
    // The surface owns the control from here on (a null one is refused with -1).
    int AttachControl(IControl* control);
    int ControlCount() const { return static_cast<int>(controls.size()); }
    IControl* ControlAt(int index) const;
    // Puts the image with resource `id` behind everything, as control 0; `name` is a label.
    void AttachBackground(int id, const char* name);
    // The image with resource `id`, loaded once per process. An id the window layer cannot
    // load gives an image without raster, 0 x 0, which draws nothing.
    IImage GetImage(int id, const char* name, int frames);
    // A copy of a part of an image, kept in the image cache with the loaded images.
    IImage CropImage(const IImage& image, const IBox& box);
    // Rasters held by the process-wide image cache, loaded and cropped.
    static int CachedImageCount();
    void PrepareCanvas();
    // New size; every control is destroyed, and the plug-in's editor rectangle follows.
    void ResizeSurface(int newWidth, int newHeight);

    // ---- drawing into the canvas (each returns true) ---------------------------------------
    // Only DrawImage is held to the box of the paint pass under way; everything is held to
    // the canvas. A null blend is method 0 at weight 1; frames count from 1.
    bool DrawImage(const IImage& image, const IBox& box, int frame, const IBlend* blend,
                   bool verticalFrames);
    bool DrawRaster(const IRaster& raster, int x, int y, const IBlend* blend);
    bool DrawRotated(const IImage& image, float cx, float cy, float angle, const IBlend* blend,
                     float srcX, float srcY);
    bool DrawLine(const IArgb& colour, float x1, float y1, float x2, float y2,
                  const IBlend* blend, bool antialias);
    bool FillBox(const IArgb& colour, const IBox& box, const IBlend* blend);
    // False only when the style's font cannot be had; stores the font in the style.
    bool PaintText(ITextStyle& style, const char* text, const IBox& box);

    // Where fonts come from: the process-wide font cache of the raster layer, looked up (and
    // filled on first use) by key. Tests put their own in its place. Returns the source it
    // replaces.
    using FontSource = RasterFont* (*)(const RasterFontKey& key);
    static FontSource SetFontSource(FontSource source);

    // ---- events delivered by the window layer ------------------------------------------
    bool PaintDirty(const IBox& box);
    bool CollectDirty(IBox& out);
    void MousePress(int x, int y, const IMouseKeys& keys);
    void MouseRelease(int x, int y, const IMouseKeys& keys);
    void FileDropped(int x, int y, const char* path);
    void MouseDrag(int x, int y, const IMouseKeys& keys);
    // True when the window must capture the mouse.
    bool MouseDoubleClick(int x, int y, const IMouseKeys& keys);
    void MouseWheel(int x, int y, const IMouseKeys& keys, double steps);
    bool MouseHover(int x, int y, const IMouseKeys& keys);
    void MouseLeave();
    void KeyDown(int x, int y, int key);
    void ApplyTypedText(IControl* control, IParameter* param, const char* text);
    // The control under the point (the captured one while the mouse is held), -1 for none.
    int HitTest(int x, int y) const;

    // ---- plug-in side -----------------------------------------------------------------
    void ShowParamValue(int index, double v, bool normalised);
    // Returns how many controls are bound to the parameter and took the value.
    int ApplyParamValue(int index, double v);
    void InvalidateAll();
    // The whole editor painted afresh (every control invalidated, one paint pass over the
    // whole box) and the canvas copied, row after row of 32-bit ARGB words, to `pixels`,
    // which holds width x height of them. False, and nothing painted, when the size asked
    // for is not the editor's or there is nowhere to copy to.
    bool PaintPicture(int pictureWidth, int pictureHeight, std::uint32_t* pixels);

    int Width() const { return width; }
    int Height() const { return height; }
    int FrameRate() const { return frameRate; }
    const IRaster& Canvas() const { return canvas; }
    const IRaster& SpareRaster() const { return spare; }
    const IBox& PaintBox() const { return paintBox; }
    const IBox& LiveBox() const { return liveBox; }
    void SetLiveBox(const IBox& box) { liveBox = box; }
    bool AcceptDrops() const { return acceptDrops; }
    void SetAcceptDrops(bool accept) { acceptDrops = accept; }
    int CapturedControl() const { return capturedControl; }
    int HoverControl() const { return hoverControl; }
    int MouseX() const { return mouseX; }
    int MouseY() const { return mouseY; }
    bool HoverTracking() const { return hoverTracking; }
    bool StrictPaint() const { return strictPaint; }
    void SetHoverTracking(bool track) { hoverTracking = track; }

    // Ticks left until an open wheel gesture is ended; 0 means none is pending. A window
    // layer replaces this to run its countdown on the frame timer.
    virtual void SetWheelCountdown(int ticks) { wheelCountdown = ticks; }
    int WheelCountdown() const { return wheelCountdown; }

    // ---- window layer ------------------------------------------------------------------
    virtual bool OpenWindow(void*) { return false; }
    virtual void CloseWindow() {}
    // The host's idle call (effEditIdle): window layers without a timer of their own serve
    // their events and frame ticks from here.
    virtual void Idle() {}
    virtual int HandleWheel(float) { return 0; }
    // The display scale the host announced (1 for none) before or while the editor opens.
    // A window layer that can draw at twice the size takes it into account at its next
    // open; this base has no window and ignores it.
    virtual void SetHostScale(float) {}
    // Screen pixels per canvas pixel, each way, of the window (1 when it draws 1:1); while
    // no window is open, the factor the next open would use as far as it is known now.
    virtual int WindowScale() const { return 1; }
    // Where the mouse pointer is, in window coordinates; false when that is not known. This
    // base knows only the last position its mouse entries were given.
    virtual bool PointerAt(int& x, int& y)
    {
        x = mouseX;
        y = mouseY;
        return true;
    }
    // Copies a box of the canvas to the screen; ends every paint pass. Without a window the
    // canvas is all there is, so there is nothing to copy and the pass succeeds.
    virtual bool ShowRect(const IBox&) { return true; }
    // The decoded PNG image of this module with this id; null when it has none or it does
    // not decode. Windows and headless pictures alike read the module's images, so this
    // base reads them; a window layer may still replace it. Runs under the image cache's
    // lock: it must not ask for images.
    virtual std::unique_ptr<IRaster> LoadResourceImage(int id);
    virtual void OpenTextEntry(IControl*) {}
    virtual void OpenParamEntry(IControl*, IParameter*, bool) {}
    // The mouse pointer's shape over the editor. Without a window there is no pointer.
    enum class Cursor { kArrow, kResizeHorizontal, kUpArrow };
    virtual void SetCursor(Cursor) { }
    // Places a copy of `text` on the system clipboard as plain text; true when it is there.
    // Without a window there is no clipboard to reach, and the answer is false.
    virtual bool CopyToClipboard(const char*) { return false; }
    // Opens a web address, first asking `question` when given; without a window nothing can
    // be opened, and the answer is false.
    virtual bool OpenWebPage(const char*, const char*, const char*, const char*)
    {
        return false;
    }
    // The system's file dialog (open, or save when `save`): on confirmation the chosen path
    // is written to `outPath` (`size` bytes) and true returned. With no window open the
    // out path becomes empty and the answer is false.
    virtual bool PromptForFile(char* outPath, int size, bool save, const char* startFolder,
                               const char* extensions);

    // A warning for the user, shown as a message box with an OK button by the window
    // layer. This base has no window: it records the warning (the last kMaxWarnings are
    // kept) and tells the listener, if one is set.
    virtual void ShowWarning(const char* caption, const char* text);

    // The editor's status line, for window layers with something to tell the user and no
    // box to tell it in (a desktop without dialog programs). The plug-in's layout sets it;
    // ShowStatus is called under the plug-in's object lock and does nothing until it is set.
    void SetStatusLine(std::function<void(const char*)> line) { statusLine = std::move(line); }
    void ShowStatus(const char* text)
    {
        if (statusLine)
            statusLine(text ? text : "");
    }

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
    // The pass target for `box` (see `part` below), and back to the canvas.
    void BeginPart(const IBox& box);
    void EndPart();
    // A box in editor pixels as a box of the pass target.
    IBox Moved(const IBox& box) const;

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
    std::function<void(const char*)> statusLine;
    std::vector<std::unique_ptr<IControl>> controls;
    IBox paintBox;
    IRaster canvas;
    IRaster spare;
    // Where drawing lands, and the editor point at its top-left. A pass over part of the
    // editor draws into `part`, a copy of that part of the canvas, and copies it back, so
    // controls that reach beyond the paint box change nothing outside it: every pixel the
    // pass leaves is then the one a full repaint would make.
    IRaster part;
    IRaster* target = &canvas;
    int originX = 0;
    int originY = 0;
    IBox liveBox;
    int width;
    int height;
    int frameRate;
    int capturedControl = -1;
    int hoverControl = -1;
    int mouseX = 0;
    int mouseY = 0;
    bool hoverTracking = false;
    bool strictPaint = true;
    bool acceptDrops = false;
    int wheelCountdown = 0;
};
