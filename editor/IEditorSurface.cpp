#include "editor/IEditorSurface.h"

#include "editor/IControl.h"
#include "plugbase/IPlugBase.h"

namespace {
constexpr int kDefaultFrameRate = 24;
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

void IEditorSurface::ApplyParamValue(int index, double v)
{
    for (auto& control : controls)
        if (control->Param() == index)
            control->ApplyValue(v);
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
