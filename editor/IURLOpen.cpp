#include "editor/IURLOpen.h"

#include "editor/IEditorSurface.h"
#include "plugbase/IPlugBase.h"

std::string IURLOpen::Address() const
{
    return std::string(kProductPageBase) + (plug ? plug->EffectName() : "");
}

void IURLOpen::Press(int, int, const IMouseKeys&)
{
    if (plug && plug->Editor())
        plug->Editor()->OpenWebPage(Address().c_str(), nullptr, nullptr, kOpenFailureText);
}
