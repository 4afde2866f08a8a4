// The editor the sampler builds: every control's index, class, box and parameter, as the
// layout fixes them (attach order is paint order, and clicks search it from the end).
#include "editor/BarLabel.h"
#include "editor/IBackdrop.h"
#include "editor/IButton.h"
#include "editor/IEditableTextControl.h"
#include "editor/IEditorSurface.h"
#include "editor/IEmpty.h"
#include "editor/IInputPrm.h"
#include "editor/IKnobRotVal.h"
#include "editor/ISlider.h"
#include "editor/ITextControl.h"
#include "editor/IURLOpen.h"
#include "editor/MySample.h"
#include "editor/SampleActivity.h"
#include "editor/SampleRange.h"
#include "engine/Quellorn.h"
#include "tests/plugbase/TestHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <typeindex>
#include <vector>

namespace {

struct Expected {
    std::type_index type;
    std::array<int, 4> box;
    int param; // offset within the slot for slot controls, -1 for none
};

// Slot 0's column; the others lie 152 and 304 pixels to the right.
const std::vector<Expected> kSlotColumn = {
    {typeid(SampleActivity), {26, 73, 176, 77}, -1},
    {typeid(MySample), {26, 78, 176, 198}, -1},
    {typeid(SampleRange), {25, 201, 175, 256}, -1},
    {typeid(IEmpty), {0, 0, 0, 0}, 0},
    {typeid(IEmpty), {0, 0, 0, 0}, 1},
    {typeid(IEmpty), {0, 0, 0, 0}, 2},
    {typeid(IEmpty), {0, 0, 0, 0}, 3},
    {typeid(IKnobRotVal), {45, 286, 93, 334}, 5},
    {typeid(IKnobRotVal), {107, 286, 155, 334}, 6},
    {typeid(IKnobRotVal), {107, 362, 155, 410}, 9},
    {typeid(IButton), {56, 339, 84, 367}, 0},
    {typeid(IInputPrm), {61, 377, 90, 393}, 4},
    {typeid(ISlider), {52, 416, 144, 432}, 7},
    {typeid(IButton), {92, 433, 108, 441}, 8},
    {typeid(IButton), {46, 441, 93, 465}, 10},
    {typeid(IButton), {106, 441, 154, 465}, 11},
};

std::vector<Expected> WholeLayout()
{
    std::vector<Expected> all = {
        {typeid(IBackdrop), {0, 0, 504, 492}, -1},
        {typeid(ITextControl), {313, 8, 348, 26}, -1},
        {typeid(IURLOpen), {156, 6, 348, 53}, -1},
    };
    for (int slot = 0; slot < kSlotCount; ++slot)
        for (Expected e : kSlotColumn) {
            const bool placed = e.box != std::array<int, 4>{0, 0, 0, 0};
            if (placed) {
                e.box[0] += 152 * slot;
                e.box[2] += 152 * slot;
            }
            if (e.param >= 0)
                e.param += kParamsPerSlot * slot;
            all.push_back(e);
        }
    all.push_back({typeid(BarLabel), {10, 476, 800, 492}, -1});
    return all;
}

TEST(EditorLayout, EveryControlHasItsIndexClassBoxAndParameter)
{
    TestHost host;
    ASSERT_NE(host.Create(), nullptr);
    auto* plug = static_cast<CLS_QUELLORN*>(host.effect->object);
    IEditorSurface* editor = plug->Editor();
    ASSERT_NE(editor, nullptr);

    const std::vector<Expected> layout = WholeLayout();
    ASSERT_EQ(editor->ControlCount(), static_cast<int>(layout.size()));
    for (int i = 0; i < editor->ControlCount(); ++i) {
        SCOPED_TRACE(i);
        IControl* control = editor->ControlAt(i);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(std::type_index(typeid(*control)), layout[std::size_t(i)].type);
        const IBox& box = control->Box();
        EXPECT_EQ((std::array<int, 4>{box.left, box.top, box.right, box.bottom}),
                  layout[std::size_t(i)].box);
        EXPECT_EQ(control->Param(), layout[std::size_t(i)].param);
    }
    // The sampler reaches its slot displays and the status line through the same controls.
    for (int slot = 0; slot < kSlotCount; ++slot) {
        EXPECT_EQ(editor->ControlAt(4 + 16 * slot), plug->sampleDisplay[slot]);
        EXPECT_EQ(editor->ControlAt(5 + 16 * slot), plug->keyboardDisplay[slot]);
    }
    EXPECT_EQ(editor->ControlAt(51), plug->infoLabel);

    // The keyboards' entry fields come with the first paint, after everything else, hidden.
    editor->PaintDirty(IBox{0, 0, kEditorWidth, kEditorHeight});
    ASSERT_EQ(editor->ControlCount(), 55);
    for (int i = 52; i < 55; ++i) {
        auto* field = dynamic_cast<IEditableTextControl*>(editor->ControlAt(i));
        ASSERT_NE(field, nullptr) << i;
        EXPECT_TRUE(field->Hidden()) << i;
        EXPECT_EQ(plug->keyboardDisplay[i - 52]->EntryField(), field) << i;
    }
}

} // namespace

namespace {

// Every control repainted on its own (as a timer tick repaints what changed), and a few boxes
// that cut through controls and texts, leave the canvas as the full repaint made it.
TEST(EditorLayout, RepaintingAnyPartLeavesTheCanvasAsAFullRepaint)
{
    TestHost host;
    ASSERT_NE(host.Create(), nullptr);
    host.Dispatch(effOpen);
    IEditorSurface* editor = static_cast<CLS_QUELLORN*>(host.effect->object)->Editor();
    const IBox whole {0, 0, kEditorWidth, kEditorHeight};
    editor->PaintDirty(whole);
    const IRaster& canvas = editor->Canvas();
    const std::vector<std::uint32_t> full(canvas.Pixels(),
                                          canvas.Pixels() + kEditorWidth * kEditorHeight);
    std::vector<IBox> parts = {{60, 300, 140, 330}, {0, 240, 504, 260}, {120, 370, 240, 400},
                               {26, 73, 784, 77}};
    for (int i = 0; i < editor->ControlCount(); ++i)
        parts.push_back(editor->ControlAt(i)->Box());
    for (const IBox& part : parts)
        editor->PaintDirty(part);
    EXPECT_TRUE(std::equal(full.begin(), full.end(), canvas.Pixels()));
}

} // namespace
