// The surface's images and drawing: the process-wide image cache, crops, the background,
// resizing, and every drawing operation's clipping, probed pixel by pixel on the canvas.
#include "ProbeControl.h"

#include "editor/IBackdrop.h"
#include "engine/Quellorn.h"
#include "tests/plugbase/TestHost.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <climits>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <string>

namespace {

// Pixel (x, y) of a test image: opaque, position in the colour, so any misplaced copy shows.
std::uint32_t Marked(int x, int y) { return 0xFF000000u | std::uint32_t(y) << 8 | std::uint32_t(x); }

IRaster MarkedRaster(int w, int h)
{
    IRaster raster(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            raster.Pixels()[y * w + x] = Marked(x, y);
    return raster;
}

std::uint32_t At(const IRaster& r, int x, int y) { return r.Pixels()[y * r.Width() + x]; }

// Resource ids from 91000 are this file's: width = id - 91000 (+1), height 6. 91999 is missing.
class ResourceSurface : public IEditorSurface {
public:
    using IEditorSurface::IEditorSurface;
    std::unique_ptr<IRaster> LoadResourceImage(int id) override
    {
        ++loads[id];
        if (id == 91999)
            return nullptr;
        return std::make_unique<IRaster>(MarkedRaster(id - 91000 + 1, 6));
    }
    static std::map<int, int> loads;
};
std::map<int, int> ResourceSurface::loads;

class EditorDrawing : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Table rows start afresh: the previous row's surface and plug-in go first.
        surface.reset();
        if (host.effect)
            host.Dispatch(effClose);
        ASSERT_NE(host.Create(), nullptr);
        plug = static_cast<CLS_QUELLORN*>(host.effect->object);
        surface = std::make_unique<ResourceSurface>(plug, 40, 30, 0);
        surface->PrepareCanvas();
    }
    // Paints one control of box `box` whose Paint runs `draw`, in a pass over `paintBox`.
    void PaintWith(const IBox& box, const IBox& paintBox, std::function<void(IEditorSurface&)> draw)
    {
        auto* control = new ProbeControl(plug, box, -1, &log, "draw");
        control->onPaint = std::move(draw);
        surface->AttachControl(control);
        surface->PaintDirty(paintBox);
    }

    TestHost host;
    CLS_QUELLORN* plug = nullptr;
    std::vector<std::string> log;
    std::unique_ptr<ResourceSurface> surface;
};

TEST_F(EditorDrawing, ImagesAreLoadedOncePerProcessAndCropsJoinTheCache)
{
    const int cached = IEditorSurface::CachedImageCount();
    ResourceSurface other(plug, 10, 10, 0);
    const IImage a = surface->GetImage(91003, "a", 0);
    const IImage b = other.GetImage(91003, "b", 3);
    EXPECT_EQ(ResourceSurface::loads[91003], 1);
    ASSERT_NE(a.raster, nullptr);
    EXPECT_EQ(a.raster, b.raster);
    EXPECT_EQ(std::vector<int>({a.width, a.height, a.frames, b.frames}),
              std::vector<int>({4, 6, 1, 3}));
    // A missing image is not remembered as loaded, and draws nothing.
    EXPECT_EQ(surface->GetImage(91999, "x", 1).raster, nullptr);
    EXPECT_EQ(other.GetImage(91999, "x", 1).width, 0);
    EXPECT_EQ(ResourceSurface::loads[91999], 2);
    EXPECT_EQ(IEditorSurface::CachedImageCount(), cached + 1);

    const IImage crop = surface->CropImage(b, {1, 2, 3, 5});
    ASSERT_NE(crop.raster, nullptr);
    EXPECT_EQ(std::vector<int>({crop.width, crop.height, crop.frames}), std::vector<int>({2, 3, 3}));
    EXPECT_EQ(At(*crop.raster, 0, 0), Marked(1, 2));
    EXPECT_EQ(At(*crop.raster, 1, 2), Marked(2, 4));
    EXPECT_EQ(IEditorSurface::CachedImageCount(), cached + 2);
    // Nothing to crop, or more than any image could need: refused, nothing cached.
    for (const IBox& box : {IBox {0, 0, 0, 5}, IBox {5, 5, 1, 1}, IBox {0, 0, 1 << 20, 1 << 20}})
        EXPECT_EQ(surface->CropImage(b, box).raster, nullptr);
    EXPECT_EQ(surface->CropImage(IImage {}, {0, 0, 2, 2}).raster, nullptr);
    EXPECT_EQ(IEditorSurface::CachedImageCount(), cached + 2);
}

TEST_F(EditorDrawing, ImagesAreDrawnOnlyInsideThePaintBoxFromTheirFrame)
{
    struct Row {
        int id, frames, frame;
        bool vertical;
        IBox box, paintBox;
        IBox drawn; // where the image lands
        int srcX, srcY; // the image pixel that lands on drawn's top-left
    } rows[] = {
        {91003, 1, 1, true, {10, 10, 14, 16}, {0, 0, 40, 30}, {10, 10, 14, 16}, 0, 0},
        {91003, 2, 2, true, {10, 10, 14, 13}, {0, 0, 40, 30}, {10, 10, 14, 13}, 0, 3},
        {91003, 2, 2, true, {10, 10, 14, 13}, {12, 11, 30, 30}, {12, 11, 14, 13}, 2, 4},
        {91003, 2, 2, false, {10, 10, 12, 16}, {0, 0, 40, 30}, {10, 10, 12, 16}, 2, 0},
        {91003, 2, 1, false, {10, 10, 12, 16}, {0, 0, 11, 11}, {10, 10, 11, 11}, 0, 0},
        // Three frames of six rows: frame 3 starts at int(6 x 2 / 3 + 0.5) = 4; frame 2 of
        // five columns at int(5 / 3 + 0.5) = 2.
        {91001, 3, 3, true, {0, 0, 2, 2}, {0, 0, 40, 30}, {0, 0, 2, 2}, 0, 4},
        {91004, 3, 2, false, {3, 3, 4, 9}, {0, 0, 40, 30}, {3, 3, 4, 9}, 2, 0},
        // Partly off the canvas; boxes that only touch the paint box are not drawn.
        {91003, 1, 1, true, {-2, 27, 2, 33}, {0, 0, 40, 30}, {0, 27, 2, 30}, 2, 0},
        {91003, 1, 1, true, {10, 10, 14, 16}, {14, 0, 40, 30}, {}, 0, 0},
        // A box wider than the int range: its image starts far left of the canvas.
        {91003, 1, 1, true, {INT_MIN, 0, INT_MAX, 30}, {0, 0, 40, 30}, {}, 0, 0},
    };
    for (const Row& r : rows) {
        SetUp();
        const IImage image = surface->GetImage(r.id, "", r.frames);
        const IBlend replace {1, 1.0f};
        PaintWith(r.box, r.paintBox, [&](IEditorSurface& s) {
            s.DrawImage(image, r.box, r.frame, &replace, r.vertical);
        });
        const IRaster& canvas = surface->Canvas();
        int wrong = 0;
        for (int y = 0; y < canvas.Height(); ++y)
            for (int x = 0; x < canvas.Width(); ++x) {
                const bool inside = !r.drawn.Empty() && x >= r.drawn.left && x < r.drawn.right &&
                                    y >= r.drawn.top && y < r.drawn.bottom;
                const std::uint32_t want =
                    inside ? Marked(r.srcX + x - r.drawn.left, r.srcY + y - r.drawn.top) : 0u;
                wrong += At(canvas, x, y) != want;
            }
        EXPECT_EQ(wrong, 0) << "image " << r.id << " frame " << r.frame << " box left "
                            << r.box.left << " paint left " << r.paintBox.left;
    }
}

TEST_F(EditorDrawing, OtherOperationsStayOnTheCanvas)
{
    const IRaster dot = MarkedRaster(2, 2);
    const IImage square = surface->GetImage(91003, "", 1); // 4 x 6
    const float nan = std::numeric_limits<float>::quiet_NaN();
    PaintWith({0, 0, 2, 2}, {0, 0, 40, 30}, [&](IEditorSurface& s) {
        s.DrawRaster(dot, 30, 20, nullptr);
        s.FillBox({255, 0, 0, 9}, {20, 0, 22, 1}, nullptr);
        s.FillBox({255, 0, 0, 7}, {INT_MIN, 28, INT_MAX, INT_MAX}, nullptr);
        // Fractional ends round half away from zero; unusable ones draw nothing.
        s.DrawLine({255, 0, 0, 5}, 2.5f, 5.0f, 2.5f, 5.0f, nullptr, false);
        s.DrawLine({255, 0, 0, 6}, -0.5f, 6.0f, 0.4f, 6.0f, nullptr, false);
        s.DrawLine({255, 0, 0, 5}, nan, 1.0f, 3.0f, 1.0f, nullptr, false);
        s.DrawLine({255, 0, 0, 5}, 1e30f, 1.0f, 3.0f, 1.0f, nullptr, false);
        // The top-left is int(cx - w / 2): truncated, so -0.5 - 2 lands at -2, not -3.
        s.DrawRotated(square, -0.5f, 13.0f, 0.0f, nullptr, 0.0f, 0.0f);
        s.DrawRotated(square, nan, 13.0f, 0.0f, nullptr, 0.0f, 0.0f);
    });
    const IRaster& c = surface->Canvas();
    EXPECT_EQ(At(c, 31, 21), Marked(1, 1));
    EXPECT_EQ(At(c, 29, 20), 0u);
    EXPECT_EQ(At(c, 21, 0), 0xFF000009u);
    EXPECT_EQ(At(c, 22, 0), 0u);
    EXPECT_EQ(At(c, 0, 29), 0xFF000007u);
    EXPECT_EQ(At(c, 39, 28), 0xFF000007u);
    EXPECT_EQ(At(c, 3, 5) & 0xFFu, 5u);
    EXPECT_EQ(At(c, 2, 5), 0u);
    EXPECT_EQ(At(c, 0, 6), 0xFF000006u); // -0.5 became -1, off the canvas; 0.4 became 0
    EXPECT_EQ(At(c, 1, 1), 0u);
    EXPECT_EQ(At(c, 0, 10), Marked(2, 0)); // 13 - 3 = 10
    EXPECT_EQ(At(c, 1, 15), Marked(3, 5));
    EXPECT_EQ(At(c, 2, 10), 0u);
}

// A pass over part of the editor leaves every pixel as a full repaint makes it, even where a
// control draws beyond the paint box: half-transparent strokes there would otherwise pile up
// pass after pass, and the screen (which gets only the box) would fall behind the canvas.
TEST_F(EditorDrawing, APassOverPartOfTheEditorChangesNothingOutsideIt)
{
    const IRaster dot = MarkedRaster(5, 5);
    const IImage square = surface->GetImage(91003, "", 1);
    // The background, drawn as the editor's is: an image, which keeps to the paint box.
    IRaster backdrop(40, 30);
    std::fill(backdrop.Pixels(), backdrop.Pixels() + 40 * 30, 0xFF0A141Eu);
    const IImage backdropImage {&backdrop, 40, 30, 1};
    PaintWith({0, 0, 40, 30}, {0, 0, 40, 30}, [&](IEditorSurface& s) {
        const IBlend replace {1, 1.0f};
        s.DrawImage(backdropImage, {0, 0, 40, 30}, 1, &replace, true);
    });
    ProbeControl* strokes = new ProbeControl(plug, {0, 0, 40, 30}, -1, &log, "strokes");
    strokes->onPaint = [&](IEditorSurface& s) {
        const IBlend half {0, 0.5f};
        s.FillBox({128, 200, 0, 0}, {5, 5, 35, 25}, nullptr);
        s.DrawLine({128, 0, 200, 0}, 0.0f, 0.0f, 39.0f, 29.0f, nullptr, true);
        s.DrawRaster(dot, 8, 16, &half);
        s.DrawRotated(square, 21.0f, 15.0f, 0.7f, &half, 0.0f, 0.0f);
    };
    surface->AttachControl(strokes);
    surface->PaintDirty({0, 0, 40, 30});
    const std::vector<std::uint32_t> full(surface->Canvas().Pixels(),
                                          surface->Canvas().Pixels() + 40 * 30);
    for (const IBox& part : {IBox {10, 10, 20, 20}, IBox {-5, 12, 22, 40}, IBox {30, 0, 90, 9},
                             IBox {50, 50, 60, 60}}) {
        surface->PaintDirty(part);
        const std::vector<std::uint32_t> now(surface->Canvas().Pixels(),
                                             surface->Canvas().Pixels() + 40 * 30);
        EXPECT_EQ(now, full) << part.left << "," << part.top << "," << part.right << ","
                             << part.bottom;
    }
}

// A font that records what it is asked to draw.
class RecordingFont : public RasterFont {
public:
    explicit RecordingFont(const RasterFontKey& key) : RasterFont(key) {}
    bool DrawText(IRaster&, const char* text, int left, int top, int right, int bottom,
                  std::uint32_t colour, int flags) override
    {
        drawn.push_back(std::string(text) + " " + std::to_string(left) + "," + std::to_string(top) +
                        "," + std::to_string(right) + "," + std::to_string(bottom) + " " +
                        std::to_string(colour >> 24) + " " + std::to_string(flags));
        return true;
    }
    int TextWidth(const char*) override { return 0; }
    std::vector<std::string> drawn;
};

std::vector<std::unique_ptr<RecordingFont>> fontsMade;
RasterFont* MakeFont(const RasterFontKey& key)
{
    if (std::string(key.face) == "Missing")
        return nullptr;
    fontsMade.push_back(std::make_unique<RecordingFont>(key));
    return fontsMade.back().get();
}

TEST_F(EditorDrawing, TextIsDrawnOnceWithTheStylesFontAlignmentAndAlpha)
{
    const IEditorSurface::FontSource before = IEditorSurface::SetFontSource(&MakeFont);
    fontsMade.clear();
    struct Row {
        int alignment, alpha, style;
        const char* text;
        bool result;
        std::string drawn;
    } rows[] = {
        {0, 255, 0, "Vol", true, "Vol 1,2,30,9 255 256"},
        {1, 255, 1, "Vol", true, "Vol 1,2,30,9 255 257"},
        {2, 128, 2, "Vol", true, "Vol 1,2,30,9 128 1073742082"},
        {0, 255, 3, "", true, ""},
    };
    for (const Row& r : rows) {
        ITextStyle style;
        style.alignment = r.alignment;
        style.colour.alpha = r.alpha;
        style.style = r.style;
        style.size = 11;
        const std::size_t made = fontsMade.size();
        EXPECT_EQ(surface->PaintText(style, r.text, {1, 2, 30, 9}), r.result);
        if (r.drawn.empty()) {
            EXPECT_EQ(fontsMade.size(), made);
            continue;
        }
        ASSERT_EQ(fontsMade.size(), made + 1);
        RecordingFont& font = *fontsMade.back();
        EXPECT_EQ(style.cachedFont, &font);
        EXPECT_EQ(font.drawn, std::vector<std::string>({r.drawn}));
        EXPECT_EQ(std::vector<int>({font.Key().pixelHeight, font.Key().bold, font.Key().italic}),
                  std::vector<int>({11, r.style & 1, (r.style & 2) >> 1}));
        EXPECT_EQ(std::string(font.Key().face), "Arial");
        // The style keeps its font: no second lookup.
        surface->PaintText(style, r.text, {1, 2, 30, 9});
        EXPECT_EQ(fontsMade.size(), made + 1);
    }
    ITextStyle missing;
    std::snprintf(missing.face, sizeof missing.face, "Missing");
    EXPECT_FALSE(surface->PaintText(missing, "Vol", {0, 0, 10, 10}));
    EXPECT_EQ(missing.cachedFont, nullptr);
    IEditorSurface::SetFontSource(before);

    // The module's own fonts: text lands on the canvas; a font of no height cannot be made.
    ITextStyle real;
    real.colour = {255, 255, 255, 255};
    ASSERT_TRUE(surface->PaintText(real, "Vol", {2, 2, 38, 28}));
    EXPECT_NE(real.cachedFont, nullptr);
    int lit = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            lit += At(surface->Canvas(), x, y) != 0;
    EXPECT_GT(lit, 10);
    ITextStyle flat;
    flat.size = 0;
    EXPECT_FALSE(surface->PaintText(flat, "Vol", {2, 2, 38, 28}));
}

TEST_F(EditorDrawing, TheBackgroundGoesBehindEverythingAndShowsTheFrameOfItsValue)
{
    surface->AttachControl(new ProbeControl(plug, {0, 0, 5, 5}, -1, &log, "A"));
    surface->AttachBackground(91039, "background");
    ASSERT_EQ(surface->ControlCount(), 2);
    const IControl& back = *surface->ControlAt(0);
    EXPECT_NE(dynamic_cast<const IBackdrop*>(&back), nullptr);
    EXPECT_EQ(std::vector<int>({back.Box().left, back.Box().top, back.Box().right,
                                back.Box().bottom, back.TargetBox().right, back.Param(),
                                back.Blend().method}),
              std::vector<int>({0, 0, 40, 6, 40, -1, 1}));
    surface->PaintDirty({0, 0, 40, 30});
    EXPECT_EQ(At(surface->Canvas(), 39, 5), Marked(39, 5));
    EXPECT_EQ(log, std::vector<std::string>({"paint A"}));

    IImage three = surface->GetImage(91003, "", 3);
    struct Row {
        double value;
        int frame;
    } rows[] = {{0.0, 1}, {0.24, 1}, {0.26, 2}, {0.74, 2}, {0.76, 3}, {1.0, 3}, {-5.0, 1}, {9.0, 3}};
    for (const Row& r : rows) {
        IBackdrop backdrop(plug, {0, 0, 4, 2}, three, true);
        backdrop.ShowValue(0.0);
        backdrop.ShowValue(r.value);
        EXPECT_EQ(backdrop.Frame(), r.frame) << r.value;
    }
    three.frames = 1;
    IBackdrop single(plug, {0, 0, 4, 2}, three, true);
    single.ShowValue(0.0);
    single.ShowValue(1.0);
    EXPECT_EQ(single.Frame(), 1);
}

// A control that notes when it is destroyed.
class MortalControl : public ProbeControl {
public:
    using ProbeControl::ProbeControl;
    ~MortalControl() override { gone->push_back(Box().left); }
    std::vector<int>* gone = nullptr;
};

class EditRectSampler : public CLS_QUELLORN {
public:
    using CLS_QUELLORN::CLS_QUELLORN;
    void UpdateEditRect() override { ++updates; }
    int updates = 0;
};

TEST(EditorResize, DestroysEveryControlLastFirstAndUpdatesTheEditorRectangle)
{
    TestHost host;
    auto* plug = new EditRectSampler(&TestHost::Callback);
    host.effect = plug->Effect();
    host.effect->user = &host;
    // The plug-in's own surface got its canvas when it was attached.
    EXPECT_EQ(std::vector<int>({plug->Editor()->Canvas().Width(), plug->Editor()->Canvas().Height(),
                                plug->Editor()->SpareRaster().Width()}),
              std::vector<int>({504, 492, 0}));
    IEditorSurface surface(plug, 504, 492, 0);
    std::vector<std::string> log;
    std::vector<int> gone;
    for (int left : {1, 2, 3}) {
        auto* control = new MortalControl(plug, {left, 0, 50, 50}, -1, &log, "M");
        control->gone = &gone;
        surface.AttachControl(control);
    }
    surface.MousePress(10, 10, {});
    ASSERT_EQ(surface.CapturedControl(), 2);
    surface.ResizeSurface(300, 200);
    EXPECT_EQ(gone, std::vector<int>({3, 2, 1}));
    EXPECT_EQ(std::vector<int>({surface.ControlCount(), surface.CapturedControl(), surface.MouseX(),
                                surface.MouseY(), surface.Width(), surface.Height(), plug->updates}),
              std::vector<int>({0, -1, -1, -1, 300, 200, 1}));
    surface.MouseRelease(10, 10, {}); // nothing left to receive it
}

} // namespace
