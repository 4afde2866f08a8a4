#include "editor/IEditorSurface.h"

#include "editor/IBackdrop.h"
#include "editor/IControl.h"
#include "editor/IEditableText.h"
#include "plugbase/IParameter.h"
#include "plugbase/IPlugBase.h"
#include "plugbase/window/ResourceImages.h"
#include "raster/PngCodec.h"
#include "raster/RasterBlit.h"
#include "raster/RasterFill.h"
#include "raster/RasterFontCache.h"
#include "raster/RasterLine.h"
#include "raster/RasterRotate.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {
constexpr int kDefaultFrameRate = 24;
// A crop larger than any image the editor has is refused rather than allocated.
constexpr std::int64_t kMaxCropSide = 1 << 14;
constexpr std::int64_t kMaxCropPixels = std::int64_t { 1 } << 24;

// The images of every surface in the process: loaded once, kept until the library unloads.
// Crops are kept with id -1 so that they go with the cache too.
struct ImageCache {
    std::mutex lock;
    std::vector<std::pair<int, std::unique_ptr<IRaster>>> entries;
};

ImageCache& Images()
{
    static ImageCache cache;
    return cache;
}

std::atomic<IEditorSurface::FontSource> fontSource { &RasterFontCache::Get };

IBlend BlendOrDefault(const IBlend* blend) { return blend ? *blend : IBlend {}; }

// A float position as a whole pixel, rounded half away from zero; false for NaN, infinities
// and positions no raster reaches.
bool RoundToPixel(float v, int& out)
{
    if (!std::isfinite(v) || std::fabs(v) > static_cast<float>(RasterLine::kMaxCoordinate))
        return false;
    out = static_cast<int>(std::round(v));
    return true;
}

int ToInt(std::int64_t v) { return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX)); }

// right - left without overflowing, held to the int range.
int Span(int from, int to) { return ToInt(std::int64_t { to } - from); }

// The part of a box that can reach a raster of w x h: a box spanning more than the int range
// keeps its place instead of having its size cut short.
IBox CutToRaster(const IBox& box, int w, int h)
{
    return {std::max(box.left, 0), std::max(box.top, 0), std::min(box.right, w),
            std::min(box.bottom, h)};
}

// Keeps a warning list bounded: a host that loads broken instruments all day must not grow
// it without end.
template <typename Entry> void AppendBounded(std::vector<Entry>& list, Entry entry)
{
    if (list.size() >= IEditorSurface::kMaxWarnings)
        list.erase(list.begin());
    list.push_back(std::move(entry));
}
// A paint pass may attach controls while it walks the list; the list must not move under
// it, so it starts with room for far more controls than the editor has.
constexpr std::size_t kControlListCapacity = 500;
} // namespace

IEditorSurface::IEditorSurface(IPlugBase* owner, int newWidth, int newHeight, int newFrameRate)
    : plug(owner),
      width(newWidth),
      height(newHeight),
      frameRate(newFrameRate > 0 ? newFrameRate : kDefaultFrameRate)
{
    controls.reserve(kControlListCapacity);
}

IEditorSurface::~IEditorSurface()
{
    // Controls go last attached first: later controls may refer to earlier ones.
    while (!controls.empty())
        controls.pop_back();
}

int IEditorSurface::AttachControl(IControl* control)
{
    if (!control)
        return -1;
    controls.emplace_back(control);
    return ControlCount() - 1;
}

void IEditorSurface::AttachBackground(int id, const char* name)
{
    const IImage image = GetImage(id, name, 1);
    auto* backdrop = new IBackdrop(plug, IBox { 0, 0, image.width, image.height }, image, true);
    backdrop->SetBlend(IBlend { 1, 1.0f });
    controls.emplace(controls.begin(), backdrop);
    // Indices held by the surface move up with the controls they name.
    if (capturedControl >= 0)
        ++capturedControl;
    if (hoverControl >= 0)
        ++hoverControl;
}

IImage IEditorSurface::GetImage(int id, const char*, int frames)
{
    IImage image;
    image.frames = std::max(frames, 1);
    ImageCache& cache = Images();
    std::lock_guard<std::mutex> guard(cache.lock);
    IRaster* raster = nullptr;
    for (const auto& entry : cache.entries)
        if (entry.first == id && id != -1) {
            raster = entry.second.get();
            break;
        }
    if (!raster) {
        // Loaded under the cache's lock, so two editors opening at once load it once.
        std::unique_ptr<IRaster> loaded = LoadResourceImage(id);
        if (!loaded)
            return image;
        raster = loaded.get();
        cache.entries.emplace_back(id, std::move(loaded));
    }
    image.raster = raster;
    image.width = raster->Width();
    image.height = raster->Height();
    return image;
}

int IEditorSurface::CachedImageCount()
{
    ImageCache& cache = Images();
    std::lock_guard<std::mutex> guard(cache.lock);
    return static_cast<int>(cache.entries.size());
}

IImage IEditorSurface::CropImage(const IImage& source, const IBox& box)
{
    IImage crop;
    crop.frames = std::max(source.frames, 1);
    const std::int64_t w = std::int64_t { box.right } - box.left;
    const std::int64_t h = std::int64_t { box.bottom } - box.top;
    if (!source.raster || w <= 0 || h <= 0 || w > kMaxCropSide || h > kMaxCropSide ||
        w * h > kMaxCropPixels)
        return crop;
    auto raster = std::make_unique<IRaster>(static_cast<int>(w), static_cast<int>(h));
    RasterBlit::Blit(*raster, *source.raster, 0, 0, box.left, box.top, raster->Width(),
                     raster->Height(), 1.0f, BlendMethod::Replace);
    crop.raster = raster.get();
    crop.width = raster->Width();
    crop.height = raster->Height();
    ImageCache& cache = Images();
    std::lock_guard<std::mutex> guard(cache.lock);
    cache.entries.emplace_back(-1, std::move(raster));
    return crop;
}

void IEditorSurface::ResizeSurface(int newWidth, int newHeight)
{
    width = std::max(newWidth, 0);
    height = std::max(newHeight, 0);
    capturedControl = -1;
    hoverControl = -1;
    mouseX = -1;
    mouseY = -1;
    while (!controls.empty())
        controls.pop_back();
    if (plug)
        plug->UpdateEditRect();
}

// ---- drawing ----------------------------------------------------------------------------

bool IEditorSurface::DrawImage(const IImage& image, const IBox& box, int frame,
                               const IBlend* blend, bool verticalFrames)
{
    if (!image.raster)
        return true;
    int srcX = 0;
    int srcY = 0;
    if (image.frames >= 2 && frame >= 2) {
        const int size = verticalFrames ? image.height : image.width;
        const int offset =
            static_cast<int>(static_cast<double>(size) * (frame - 1) / image.frames + 0.5);
        (verticalFrames ? srcY : srcX) = offset;
    }
    const IBox clipped = box.Intersect(paintBox);
    if (clipped.Empty())
        return true;
    const IBox cut = CutToRaster(Moved(clipped), target->Width(), target->Height());
    const IBlend b = BlendOrDefault(blend);
    RasterBlit::Blit(*target, *image.raster, cut.left, cut.top,
                     ToInt(std::int64_t { srcX } + cut.left + originX - box.left),
                     ToInt(std::int64_t { srcY } + cut.top + originY - box.top),
                     Span(cut.left, cut.right), Span(cut.top, cut.bottom),
                     b.weight, RasterBlend::MethodFromInt(b.method));
    return true;
}

bool IEditorSurface::DrawRaster(const IRaster& raster, int x, int y, const IBlend* blend)
{
    const IBlend b = BlendOrDefault(blend);
    RasterBlit::Blit(*target, raster, ToInt(std::int64_t { x } - originX),
                     ToInt(std::int64_t { y } - originY), 0, 0, raster.Width(), raster.Height(), b.weight,
                     RasterBlend::MethodFromInt(b.method));
    return true;
}

bool IEditorSurface::DrawRotated(const IImage& image, float cx, float cy, float angle,
                                 const IBlend* blend, float srcX, float srcY)
{
    if (!image.raster)
        return true;
    const int w = image.width;
    const int h = image.height;
    // Half sizes in whole pixels, the subtraction in float, the result truncated.
    const float left = cx - static_cast<float>(w / 2);
    const float top = cy - static_cast<float>(h / 2);
    const float limit = static_cast<float>(RasterLine::kMaxCoordinate);
    if (!(std::fabs(left) <= limit) || !(std::fabs(top) <= limit))
        return true;
    const IBlend b = BlendOrDefault(blend);
    RasterRotate::BlitRotated(*target, *image.raster, static_cast<int>(left) - originX,
                              static_cast<int>(top) - originY, w, h, srcX, srcY, static_cast<float>(w),
                              static_cast<float>(h), angle, b.weight,
                              RasterBlend::MethodFromInt(b.method));
    return true;
}

bool IEditorSurface::DrawLine(const IArgb& colour, float x1, float y1, float x2, float y2,
                              const IBlend* blend, bool antialias)
{
    int ix1 = 0, iy1 = 0, ix2 = 0, iy2 = 0;
    if (!RoundToPixel(x1, ix1) || !RoundToPixel(y1, iy1) || !RoundToPixel(x2, ix2) ||
        !RoundToPixel(y2, iy2))
        return true;
    const std::uint32_t packed = colour.Packed();
    const float opacity = static_cast<float>(packed >> 24) / 255.0f;
    RasterLine::DrawLine(*target, ix1 - originX, iy1 - originY, ix2 - originX, iy2 - originY,
                         packed, opacity,
                         RasterBlend::MethodFromInt(blend ? blend->method : 0), antialias);
    return true;
}

bool IEditorSurface::FillBox(const IArgb& colour, const IBox& box, const IBlend* blend)
{
    const IBlend b = BlendOrDefault(blend);
    const IBox cut = CutToRaster(Moved(box), target->Width(), target->Height());
    RasterFill::FillRect(*target, cut.left, cut.top, Span(cut.left, cut.right),
                         Span(cut.top, cut.bottom), colour.Packed(), b.weight,
                         RasterBlend::MethodFromInt(b.method));
    return true;
}

IEditorSurface::FontSource IEditorSurface::SetFontSource(FontSource source)
{
    return fontSource.exchange(source);
}

bool IEditorSurface::PaintText(ITextStyle& style, const char* text, const IBox& box)
{
    if (!text || !*text)
        return true;
    if (!style.cachedFont) {
        const FontSource source = fontSource.load();
        if (!source)
            return false;
        RasterFontKey key;
        // The style's face may lack its terminator; the key always has one.
        for (int i = 0; i < RasterFontKey::kFaceSize - 1 && i < ITextStyle::kFaceSize &&
                        style.face[i];
             ++i)
            key.face[i] = style.face[i];
        key.pixelHeight = style.size;
        key.bold = (style.style & 1) != 0;
        key.italic = (style.style & 2) != 0;
        key.orientation = style.orientation;
        key.quality = style.quality;
        style.cachedFont = source(key);
        if (!style.cachedFont)
            return false;
    }
    int flags = RasterText::kNoClip;
    if (style.alignment == 1)
        flags |= RasterText::kCentre;
    else if (style.alignment == 2)
        flags |= RasterText::kRight;
    const std::uint32_t packed = style.colour.Packed();
    if ((packed >> 24) != 255)
        flags |= RasterText::kUseColourAlpha;
    const IBox moved = Moved(box);
    style.cachedFont->DrawText(*target, text, moved.left, moved.top, moved.right, moved.bottom,
                               packed, flags);
    return true;
}

// ---- events -------------------------------------------------------------------------------

bool IEditorSurface::PaintDirty(const IBox& box)
{
    // The count is taken now: a control attached by a Paint below waits for the next pass.
    // Controls are reached by index, so the list may grow meanwhile.
    const std::size_t count = controls.size();
    if (count == 0)
        return true;
    paintBox = box;
    {
        struct Part {
            IEditorSurface& surface;
            ~Part() { surface.EndPart(); }
        } part { *this };
        BeginPart(box);
        for (std::size_t i = 0; i < count; ++i) {
            IControl& control = *controls[i];
            if (!control.Hidden() && control.Box().Overlaps(box))
                control.Paint(*this);
        }
    }
    for (std::size_t i = 0; i < count; ++i)
        controls[i]->Validate();
    return ShowRect(box);
}

IBox IEditorSurface::Moved(const IBox& box) const
{
    const auto move = [](int v, int by) { return ToInt(std::int64_t { v } - by); };
    return {move(box.left, originX), move(box.top, originY), move(box.right, originX),
            move(box.bottom, originY)};
}

void IEditorSurface::BeginPart(const IBox& box)
{
    const IBox whole {0, 0, canvas.Width(), canvas.Height()};
    const IBox shown = box.Intersect(whole);
    if (!whole.Empty() && box.left <= 0 && box.top <= 0 && box.right >= whole.right &&
        box.bottom >= whole.bottom)
        return; // the whole canvas: draw straight into it
    // A box off the canvas still gets a pass (controls may overlap it), into nothing.
    part.Resize(shown.Width(), shown.Height());
    RasterBlit::Blit(part, canvas, 0, 0, shown.left, shown.top, part.Width(), part.Height(),
                     1.0f, BlendMethod::Replace);
    target = &part;
    originX = shown.left;
    originY = shown.top;
}

void IEditorSurface::EndPart()
{
    if (target != &part)
        return;
    RasterBlit::Blit(canvas, part, originX, originY, 0, 0, part.Width(), part.Height(), 1.0f,
                     BlendMethod::Replace);
    target = &canvas;
    originX = 0;
    originY = 0;
}

bool IEditorSurface::CollectDirty(IBox& out)
{
    IBox result;
    bool any = false;
    const std::size_t count = controls.size();
    for (std::size_t i = 0; i < count; ++i) {
        // Called once per control and tick: some controls count ticks with it.
        if (controls[i]->NeedsPaint()) {
            result = result.Union(controls[i]->Box());
            any = true;
        }
    }
    out = result;
    return any;
}

int IEditorSurface::HitTest(int x, int y) const
{
    if (capturedControl >= 0 && capturedControl < ControlCount())
        return capturedControl;
    for (int i = ControlCount() - 1; i >= 0; --i) {
        const IControl& control = *controls[static_cast<std::size_t>(i)];
        if (!control.Hidden() && !control.Dimmed() && control.Contains(x, y))
            return i;
    }
    return -1;
}

void IEditorSurface::MousePress(int x, int y, const IMouseKeys& keys)
{
    capturedControl = -1;
    mouseX = -1;
    mouseY = -1;
    const int hit = HitTest(x, y);
    if (hit < 0)
        return;
    capturedControl = hit;
    mouseX = x;
    mouseY = y;
    IControl* control = ControlAt(hit);
    if (control->Param() >= 0 && plug)
        plug->BeginParamEdit(control->Param());
    control->Press(x, y, keys);
}

void IEditorSurface::MouseRelease(int x, int y, const IMouseKeys& keys)
{
    const int hit = HitTest(x, y);
    capturedControl = -1;
    mouseX = -1;
    mouseY = -1;
    IControl* control = ControlAt(hit);
    if (!control)
        return;
    control->Release(x, y, keys);
    if (control->Param() >= 0 && plug)
        plug->EndParamEdit(control->Param());
}

void IEditorSurface::FileDropped(int x, int y, const char* path)
{
    const int hit = HitTest(x, y);
    capturedControl = -1;
    mouseX = -1;
    mouseY = -1;
    IControl* control = ControlAt(hit);
    if (!control)
        return;
    control->DropFile(x, y, path ? path : "");
    if (control->Param() >= 0 && plug)
        plug->EndParamEdit(control->Param());
}

void IEditorSurface::MouseDrag(int x, int y, const IMouseKeys& keys)
{
    IControl* control = ControlAt(capturedControl);
    if (!control || (x == mouseX && y == mouseY))
        return;
    const int dx = Span(mouseX, x);
    const int dy = Span(mouseY, y);
    mouseX = x;
    mouseY = y;
    control->Drag(x, y, dx, dy, keys);
}

bool IEditorSurface::MouseDoubleClick(int x, int y, const IMouseKeys& keys)
{
    capturedControl = -1;
    mouseX = -1;
    mouseY = -1;
    const int hit = HitTest(x, y);
    IControl* control = ControlAt(hit);
    if (!control)
        return false;
    if (control->Param() >= 0 && plug)
        plug->BeginParamEdit(control->Param());
    if (!control->DoubleClickAsPress()) {
        // The release that follows ends the edit.
        control->DoubleClick(x, y, keys);
        return false;
    }
    capturedControl = hit;
    mouseX = x;
    mouseY = y;
    control->Press(x, y, keys);
    return true;
}

void IEditorSurface::MouseWheel(int x, int y, const IMouseKeys& keys, double steps)
{
    IControl* control = ControlAt(HitTest(x, y));
    if (!control)
        return;
    const int param = control->Param();
    if (param >= 0 && plug)
        plug->BeginWheelEdit(param);
    control->Wheel(x, y, keys, steps);
    if (param >= 0 && plug)
        plug->ScheduleWheelEditEnd(param);
}

bool IEditorSurface::MouseHover(int x, int y, const IMouseKeys& keys)
{
    if (!hoverTracking)
        return false;
    const int hit = HitTest(x, y);
    IControl* control = ControlAt(hit);
    if (!control)
        return hoverTracking;
    mouseX = x;
    mouseY = y;
    control->Hover(x, y, keys);
    if (hoverControl != hit)
        if (IControl* previous = ControlAt(hoverControl))
            previous->Leave();
    hoverControl = hit;
    return hoverTracking;
}

void IEditorSurface::MouseLeave()
{
    for (auto& control : controls)
        control->Leave();
    hoverControl = -1;
}

void IEditorSurface::KeyDown(int x, int y, int key)
{
    if (IControl* control = ControlAt(HitTest(x, y)))
        control->KeyPress(x, y, key);
}

void IEditorSurface::ApplyTypedText(IControl* control, IParameter* param, const char* text)
{
    if (!text)
        text = "";
    if (param) {
        if (!control)
            return;
        const double v = param->TextToValue(text);
        const int index = control->Param();
        if (index >= 0 && plug)
            plug->BeginParamEdit(index);
        control->ApplyValue(param->ToNormalised(v));
        if (index >= 0 && plug)
            plug->EndParamEdit(index);
        return;
    }
    if (!control)
        return;
    if (auto* editable = dynamic_cast<IEditableText*>(control))
        if (editable->IsEditable())
            editable->ReplaceText(text);
    // The number is for the parameterless controls; one that finds no integer in the text
    // gets 0 (the only one that cares reads the text itself).
    const long number = std::strtol(text, nullptr, 10);
    const double value = static_cast<double>(std::clamp<long>(number, INT_MIN, INT_MAX));
    const std::size_t count = controls.size();
    for (std::size_t i = 0; i < count; ++i)
        if (controls[i]->Param() == -1)
            controls[i]->ApplyValue(value);
}

IControl* IEditorSurface::ControlAt(int index) const
{
    if (index < 0 || index >= ControlCount())
        return nullptr;
    return controls[static_cast<std::size_t>(index)].get();
}

void IEditorSurface::ShowParamValue(int index, double v, bool normalised)
{
    if (!normalised) {
        IParameter* param = plug ? plug->GetParam(index) : nullptr;
        if (!param)
            return;
        v = param->ToNormalised(v);
    }
    for (auto& control : controls)
        if (control->Param() == index)
            control->ShowValue(v);
}

int IEditorSurface::ApplyParamValue(int index, double v)
{
    int reached = 0;
    for (auto& control : controls) {
        if (control->Param() == index) {
            control->ApplyValue(v);
            ++reached;
        }
    }
    return reached;
}

void IEditorSurface::InvalidateAll()
{
    for (auto& control : controls)
        control->Invalidate(false);
}

bool IEditorSurface::PaintPicture(int pictureWidth, int pictureHeight, std::uint32_t* pixels)
{
    if (!pixels || pictureWidth != width || pictureHeight != height ||
        canvas.Width() != width || canvas.Height() != height || width <= 0 || height <= 0)
        return false;
    InvalidateAll();
    PaintDirty(IBox { 0, 0, width, height });
    std::memcpy(pixels, canvas.Pixels(),
                static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                    sizeof(std::uint32_t));
    return true;
}

std::unique_ptr<IRaster> IEditorSurface::LoadResourceImage(int id)
{
    const unsigned char* bytes = nullptr;
    std::size_t size = 0;
    if (!FindImageResource(id, bytes, size))
        return nullptr;
    auto raster = std::make_unique<IRaster>(PngCodec::Decode(bytes, size));
    if (raster->Width() == 0)
        return nullptr;
    return raster;
}

void IEditorSurface::PrepareCanvas()
{
    canvas.Resize(width, height);
    spare.Resize(0, 0);
}

bool IEditorSurface::PromptForFile(char* outPath, int size, bool, const char*, const char*)
{
    if (outPath && size > 0)
        outPath[0] = '\0';
    return false;
}

void IEditorSurface::ShowWarning(const char* caption, const char* text)
{
    Warning warning { caption ? caption : "", text ? text : "" };
    std::function<void(const Warning&)> listener;
    {
        std::lock_guard<std::mutex> guard(warningLock);
        AppendBounded(shownWarnings, warning);
        listener = warningListener;
    }
    if (listener)
        listener(warning);
}

void IEditorSurface::QueueWarning(const char* caption, const char* text)
{
    std::lock_guard<std::mutex> guard(warningLock);
    AppendBounded(pendingWarnings,
        PendingWarning { Warning { caption ? caption : "", text ? text : "" },
            std::this_thread::get_id() });
    warningsPending.store(true, std::memory_order_release);
}

void IEditorSurface::DeliverWarnings()
{
    // Every dispatcher call ends here, the audio thread's effProcessEvents too: with nothing
    // queued it must not take the warnings' lock.
    if (!warningsPending.load(std::memory_order_acquire))
        return;
    const std::thread::id self = std::this_thread::get_id();
    std::vector<Warning> due;
    {
        std::lock_guard<std::mutex> guard(warningLock);
        if (pendingWarnings.empty())
            return;
        const auto others = std::stable_partition(pendingWarnings.begin(), pendingWarnings.end(),
            [&](const PendingWarning& entry) { return entry.thread != self; });
        for (auto it = others; it != pendingWarnings.end(); ++it)
            due.push_back(std::move(it->warning));
        pendingWarnings.erase(others, pendingWarnings.end());
        warningsPending.store(!pendingWarnings.empty(), std::memory_order_release);
    }
    for (const Warning& warning : due)
        ShowWarning(warning.caption.c_str(), warning.text.c_str());
}

std::vector<IEditorSurface::Warning> IEditorSurface::ShownWarnings() const
{
    std::lock_guard<std::mutex> guard(warningLock);
    return shownWarnings;
}

void IEditorSurface::SetWarningListener(std::function<void(const Warning&)> listener)
{
    std::lock_guard<std::mutex> guard(warningLock);
    warningListener = std::move(listener);
}
