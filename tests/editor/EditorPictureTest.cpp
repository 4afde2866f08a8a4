// The editor's images as the module carries them, the frame the layout puts around its
// controls, and the private request that paints the whole editor for a picture. Runs on
// every build: under Wine it reads the Windows resources of the test program.
#include "editor/IBackdrop.h"
#include "editor/IEditorSurface.h"
#include "engine/Quellorn.h"
#include "plugbase/EditorPictureRequest.h"
#include "raster/PngCodec.h"
#include "tests/plugbase/TestHost.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr VstIntPtr kVendorHandled = 0xBEEF;

IRaster ReadPng(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                           std::istreambuf_iterator<char>());
    return PngCodec::Decode(bytes.data(), bytes.size());
}

// Points outside every control's box of the layout (and of the status line, which spans the
// bottom rows), where the background shows whatever the controls draw.
const std::vector<std::pair<int, int>> kBackgroundPoints = {
    {0, 0}, {503, 0}, {250, 60}, {12, 150}, {495, 250}, {100, 270}, {170, 300}, {5, 488},
    {500, 470}};

TEST(EditorImages, EveryImageLoadsWithTheSizeTheLayoutExpects)
{
    struct Row {
        int id, width, height;
    } rows[] = {
        {100, 504, 492}, {101, 48, 48}, {102, 20, 20}, {103, 21, 16}, {104, 21, 16}, {105, 7, 5},
        {106, 7, 5}, {107, 28, 28}, {108, 48, 24}, {109, 47, 24}, {110, 16, 16}, {111, 16, 8},
    };
    IEditorSurface surface(nullptr, 504, 492, 0);
    for (const Row& r : rows) {
        const IImage image = surface.GetImage(r.id, "", 1);
        EXPECT_NE(image.raster, nullptr) << r.id;
        EXPECT_EQ(std::vector<int>({image.width, image.height}), std::vector<int>({r.width, r.height}))
            << r.id;
    }
    // Ids the module does not have, and ones no resource can have, give no image.
    for (int id : {99, 112, 0, -1, 0x10064})
        EXPECT_EQ(surface.GetImage(id, "", 1).raster, nullptr) << id;
}

class EditorPicture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(host.Create(), nullptr);
        plug = static_cast<CLS_QUELLORN*>(host.effect->object);
        host.Dispatch(effOpen);
    }

    TestHost host;
    CLS_QUELLORN* plug = nullptr;
};

TEST_F(EditorPicture, TheBackgroundLiesUnderEveryControlAndTheActivityRowIsLive)
{
    IEditorSurface* editor = plug->Editor();
    ASSERT_NE(editor, nullptr);
    const auto* backdrop = dynamic_cast<const IBackdrop*>(editor->ControlAt(0));
    ASSERT_NE(backdrop, nullptr);
    const IBox box = backdrop->Box();
    EXPECT_EQ(std::vector<int>({box.left, box.top, box.right, box.bottom}),
              std::vector<int>({0, 0, 504, 492}));
    EXPECT_TRUE(editor->AcceptDrops());
    const IBox live = editor->LiveBox();
    EXPECT_EQ(std::vector<int>({live.left, live.top, live.right, live.bottom}),
              std::vector<int>({26, 73, 784, 77}));
}

TEST_F(EditorPicture, TheRequestPaintsTheWholeEditorIntoTheCallersBuffer)
{
    const IRaster background = ReadPng(QUELLORN_RESOURCE_DIR "/img/bg.png");
    ASSERT_EQ(background.Width(), 504);
    const std::uint32_t kUnwritten = 0x12345678u;
    std::vector<std::uint32_t> pixels(504 * 492, kUnwritten);

    // A size other than the editor's, a missing buffer or record: refused, nothing written.
    struct Refused {
        int width, height;
        bool buffer;
    } refused[] = {{503, 492, true}, {504, 493, true}, {0, 0, true}, {-504, -492, true},
                   {504, 492, false}};
    for (const Refused& r : refused) {
        EditorPictureRequest request{r.width, r.height, r.buffer ? pixels.data() : nullptr};
        EXPECT_EQ(host.Dispatch(effVendorSpecific, kVendorEditorPicture, 0, &request), 0)
            << r.width << " x " << r.height;
    }
    EXPECT_EQ(host.Dispatch(effVendorSpecific, kVendorEditorPicture, 0, nullptr), 0);
    EXPECT_EQ(pixels.front(), kUnwritten);
    EXPECT_EQ(pixels.back(), kUnwritten);

    EditorPictureRequest request{504, 492, pixels.data()};
    ASSERT_EQ(host.Dispatch(effVendorSpecific, kVendorEditorPicture, 0, &request), kVendorHandled);
    for (const auto& [x, y] : kBackgroundPoints)
        EXPECT_EQ(pixels[y * 504 + x], background.Pixels()[y * 504 + x]) << x << ", " << y;
}

} // namespace
