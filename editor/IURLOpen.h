// An invisible link over the title plate: any click opens the product's web page (the base
// address followed by the plug-in's effect name) in the user's browser.
//
// Owned by the editor surface; used on the user-interface thread.
#pragma once

#include "editor/IControl.h"

#include <string>

class IURLOpen : public IControl {
public:
    static constexpr const char* kProductPageBase = "https://quellorn.example/";
    static constexpr const char* kOpenFailureText = "Cannot open url. Check your default browser.";

    IURLOpen(IPlugBase* plug, const IBox& box, int param = -1) : IControl(plug, box, param) {}

    void Press(int x, int y, const IMouseKeys& keys) override;
    bool Paint(IEditorSurface&) override { return true; }

    std::string Address() const;
};
