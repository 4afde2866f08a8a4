#include "editor/IEditorSurface.h"

#include "editor/IControl.h"
#include "plugbase/IPlugBase.h"

#include <algorithm>
#include <utility>

namespace {
constexpr int kDefaultFrameRate = 24;

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
    controls.emplace_back(control);
    return ControlCount() - 1;
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
