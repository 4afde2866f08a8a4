// A headless plug-in whose editor is a surface that records what the controls ask of the
// window (value and text entries, web pages), with fonts that record what they draw, for the
// standard controls' tests. Controls are attached to it on their own, without the layout.
#pragma once

#include "editor/IEditorSurface.h"
#include "engine/Quellorn.h"
#include "plugbase/IParameter.h"
#include "raster/RasterFont.h"
#include "tests/plugbase/TestHost.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// Every font draws into one log: "text @left,top,right,bottom alpha flags".
inline std::vector<std::string>& DrawnTexts()
{
    static std::vector<std::string> drawn;
    return drawn;
}

class LoggingFont : public RasterFont {
public:
    explicit LoggingFont(const RasterFontKey& key) : RasterFont(key) {}
    bool DrawText(IRaster&, const char* text, int left, int top, int right, int bottom,
                  std::uint32_t colour, int flags) override
    {
        DrawnTexts().push_back(std::string(text) + " @" + std::to_string(left) + "," +
                               std::to_string(top) + "," + std::to_string(right) + "," +
                               std::to_string(bottom) + " " + std::to_string(colour >> 24) +
                               " " + std::to_string(flags & 3));
        return true;
    }
    int TextWidth(const char*) override { return 0; }
};

inline RasterFont* MakeLoggingFont(const RasterFontKey& key)
{
    static std::vector<std::unique_ptr<LoggingFont>> fonts;
    fonts.push_back(std::make_unique<LoggingFont>(key));
    return fonts.back().get();
}

class WindowLogSurface : public IEditorSurface {
public:
    using IEditorSurface::IEditorSurface;
    void OpenTextEntry(IControl*) override { opened.push_back("text entry"); }
    void OpenParamEntry(IControl*, IParameter* param, bool centred) override
    {
        opened.push_back(std::string("value entry ") + (param ? param->ParamName() : "none") +
                         (centred ? " centred" : ""));
    }
    bool OpenWebPage(const char* address, const char* title, const char* question,
                     const char* failure) override
    {
        opened.push_back(std::string("web ") + address + " " + (title ? title : "-") + " " +
                         (question ? question : "-") + " " + failure);
        return true;
    }
    std::vector<std::string> opened;
};

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousFonts = IEditorSurface::SetFontSource(&MakeLoggingFont);
        ASSERT_NE(host.Create(), nullptr);
        plug = static_cast<CLS_QUELLORN*>(host.effect->object);
        // The sampler's own editor goes; its slot controls with it, so the sampler must not
        // reach them any more.
        IEditorSurface* bare = plug->Editor();
        for (int s = 0; s < kSlotCount; ++s) {
            plug->sampleDisplay[s] = nullptr;
            plug->keyboardDisplay[s] = nullptr;
        }
        plug->infoLabel = nullptr;
        surface = new WindowLogSurface(plug, 504, 492, 0);
        plug->AttachEditor(surface);
        delete bare;
        DrawnTexts().clear();
        host.calls.clear();
    }
    void TearDown() override { IEditorSurface::SetFontSource(previousFonts); }

    template <typename Control> Control* Add(Control* control)
    {
        surface->AttachControl(control);
        return control;
    }

    // The host's edit gestures and automation, in order: "+5", "=5 0.7500", "-5".
    std::vector<std::string> HostEdits() const
    {
        std::vector<std::string> out;
        for (const HostCall& c : host.calls) {
            char text[48];
            if (c.opcode == audioMasterBeginEdit)
                std::snprintf(text, sizeof text, "+%d", c.index);
            else if (c.opcode == audioMasterEndEdit)
                std::snprintf(text, sizeof text, "-%d", c.index);
            else if (c.opcode == audioMasterAutomate)
                std::snprintf(text, sizeof text, "=%d %.4f", c.index, double(c.opt));
            else
                continue;
            out.push_back(text);
        }
        return out;
    }

    TestHost host;
    CLS_QUELLORN* plug = nullptr;
    WindowLogSurface* surface = nullptr; // owned by the plug-in
    IEditorSurface::FontSource previousFonts = nullptr;
};

using Texts = std::vector<std::string>;
