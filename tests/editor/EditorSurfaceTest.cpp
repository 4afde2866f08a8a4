// The surface's control model: boxes, the paint pass, dirty collection, the hit test, the
// mouse entries with the host's edit gestures, and typed text.
#include "ProbeControl.h"

#include "editor/IEditableText.h"
#include "engine/Quellorn.h"
#include "plugbase/IParameter.h"
#include "tests/plugbase/TestHost.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

namespace {

constexpr VstInt32 kMarker = -1; // a control's log entry, interleaved with the host's calls

// A text control the user may type over when it is editable.
class ProbeText : public ProbeControl, public IEditableText {
public:
    using ProbeControl::ProbeControl;
    bool IsEditable() const override { return editable; }
    void ReplaceText(const char* newText) override { text = newText; }
    bool editable = true;
    std::string text = "before";
};

class EditorSurface : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Table rows start afresh: the previous row's surface and plug-in go first.
        surface.reset();
        if (host.effect)
            host.Dispatch(effClose);
        ASSERT_NE(host.Create(), nullptr);
        plug = static_cast<CLS_QUELLORN*>(host.effect->object);
        surface = std::make_unique<IEditorSurface>(plug, 504, 492, 0);
        host.calls.clear();
    }

    template <typename Control = ProbeControl>
    Control* Add(const IBox& box, int param, const std::string& name)
    {
        auto* control = new Control(plug, box, param, &log, name);
        control->onNote = [this] {
            host.calls.push_back({kMarker, static_cast<VstInt32>(log.size() - 1), 0, 0.0f});
        };
        surface->AttachControl(control);
        return control;
    }

    // Control log entries and the host's begin/end edits ("+5", "-5"), in the order made.
    std::vector<std::string> Sequence() const
    {
        std::vector<std::string> out;
        for (const HostCall& c : host.calls) {
            if (c.opcode == kMarker)
                out.push_back(log[static_cast<std::size_t>(c.index)]);
            else if (c.opcode == audioMasterBeginEdit || c.opcode == audioMasterEndEdit)
                out.push_back((c.opcode == audioMasterBeginEdit ? "+" : "-") +
                              std::to_string(c.index));
        }
        return out;
    }

    TestHost host;
    CLS_QUELLORN* plug = nullptr;
    std::vector<std::string> log; // outlives the surface, whose controls write to it
    std::unique_ptr<IEditorSurface> surface;
};

using Lines = std::vector<std::string>;

TEST(EditorBox, UnionAndIntersection)
{
    const IBox none {};
    struct Row {
        IBox a, b, united, common;
    } rows[] = {
        {none, {1, 2, 3, 4}, {1, 2, 3, 4}, none},
        {{1, 2, 3, 4}, none, {1, 2, 3, 4}, none},
        {{0, 0, 10, 10}, {5, 5, 20, 20}, {0, 0, 20, 20}, {5, 5, 10, 10}},
        // Touching edges do not overlap (right and bottom are exclusive).
        {{0, 0, 10, 10}, {10, 0, 20, 10}, {0, 0, 20, 10}, none},
        // Inverted boxes are not empty: they take part in a union as they are.
        {{5, 5, 2, 2}, {0, 0, 1, 1}, {0, 0, 2, 2}, none},
        {{-5, -5, 0, 3}, {-2, -9, 8, 1}, {-5, -9, 8, 3}, {-2, -5, 0, 1}},
    };
    for (const Row& r : rows) {
        const IBox u = r.a.Union(r.b), i = r.a.Intersect(r.b);
        EXPECT_EQ(Lines({std::to_string(u.left), std::to_string(u.top), std::to_string(u.right),
                         std::to_string(u.bottom), std::to_string(i.left), std::to_string(i.top),
                         std::to_string(i.right), std::to_string(i.bottom)}),
                  Lines({std::to_string(r.united.left), std::to_string(r.united.top),
                         std::to_string(r.united.right), std::to_string(r.united.bottom),
                         std::to_string(r.common.left), std::to_string(r.common.top),
                         std::to_string(r.common.right), std::to_string(r.common.bottom)}));
    }
}

TEST_F(EditorSurface, PaintsOverlappingVisibleControlsInOrderAndValidatesAll)
{
    Add({0, 0, 100, 100}, -1, "A");
    Add({50, 50, 150, 150}, -1, "B");
    Add({0, 0, 100, 100}, -1, "C")->SetHiddenFlag(true);
    Add({120, 0, 200, 50}, -1, "D"); // touches the paint box's right edge only
    Add({0, 0, 0, 0}, -1, "Z"); // empty
    ProbeControl* late = nullptr;
    ProbeControl* e = Add({0, 0, 10, 10}, -1, "E");
    e->onPaint = [&](IEditorSurface&) {
        if (!late)
            late = Add({0, 0, 10, 10}, -1, "F");
    };

    EXPECT_TRUE(surface->PaintDirty({0, 0, 120, 120}));
    EXPECT_EQ(log, Lines({"paint A", "paint B", "paint E"}));
    // Every control present at the start is validated, the hidden one too; the one attached
    // during the pass keeps its dirty flag for the next.
    log.clear();
    IBox dirty;
    EXPECT_TRUE(surface->CollectDirty(dirty));
    EXPECT_EQ(log, Lines({"needs A", "needs B", "needs C", "needs D", "needs Z", "needs E",
                          "needs F"}));
    EXPECT_EQ(dirty.right, 10);
    EXPECT_EQ(dirty.bottom, 10);
    EXPECT_TRUE(late->NeedsPaint());

    log.clear();
    surface->PaintDirty({0, 0, 120, 120});
    EXPECT_EQ(log, Lines({"paint A", "paint B", "paint E", "paint F"}));
    log.clear();
    surface->PaintDirty({}); // an empty box paints nothing
    EXPECT_TRUE(log.empty());
}

TEST_F(EditorSurface, CollectsTheUnionOfDirtyBoxesAskingEachControlOnce)
{
    Add({10, 10, 20, 20}, -1, "A");
    Add({30, 5, 40, 15}, -1, "B")->Validate();
    Add({0, 50, 5, 60}, -1, "C");
    IBox dirty;
    EXPECT_TRUE(surface->CollectDirty(dirty));
    EXPECT_EQ(log, Lines({"needs A", "needs B", "needs C"}));
    EXPECT_EQ(std::vector<int>({dirty.left, dirty.top, dirty.right, dirty.bottom}),
              std::vector<int>({0, 10, 20, 60}));

    for (int i = 0; i < surface->ControlCount(); ++i)
        surface->ControlAt(i)->Validate();
    EXPECT_FALSE(surface->CollectDirty(dirty));
    EXPECT_TRUE(dirty.Empty());
}

TEST_F(EditorSurface, HitTestsFromTheLastControlDownPastHiddenAndDimmedOnes)
{
    Add({0, 0, 504, 492}, -1, "bg");
    Add({10, 10, 50, 50}, 5, "K");
    Add({10, 10, 50, 50}, 6, "D")->SetDimmed(true);
    Add({10, 10, 50, 50}, 7, "H")->SetHidden(true);
    Add({100, 100, 150, 150}, 7, "P");
    struct Row {
        int x, y, hit;
    } rows[] = {{30, 30, 1}, {10, 10, 1}, {50, 50, 1}, {51, 50, 0}, {150, 150, 4},
                {504, 492, 0}, {505, 0, -1}, {-1, 0, -1}};
    for (const Row& r : rows)
        EXPECT_EQ(surface->HitTest(r.x, r.y), r.hit) << r.x << "," << r.y;
    // While the mouse is held the pressed control answers for every point.
    surface->MousePress(30, 30, {});
    EXPECT_EQ(surface->HitTest(600, 600), 1);
}

TEST_F(EditorSurface, MouseEntriesCallControlsAndHostEditsInOrder)
{
    struct Row {
        const char* script;
        Lines expected;
    } rows[] = {
        {"press 15 15; drag 15 15; drag 18 19; release 400 400",
         {"+5", "press K", "drag 3 4 K", "release K", "-5"}},
        {"press 300 300; release 300 300", {"press bg", "release bg"}},
        {"double 30 30; release 30 30", {"+5", "double K", "release K", "-5"}},
        {"double 120 120; drag 121 121; release 0 0", {"+7", "press P", "drag 1 1 P",
                                                      "release P", "-7"}},
        {"wheel 30 30; wheel 30 30; finish 0 0", {"+5", "wheel K", "wheel K", "-5"}},
        {"wheel 30 30; press 120 120", {"+5", "wheel K", "-5", "+7", "press P"}},
        {"drop 30 30", {"drop a.wav K", "-5"}},
        {"key 30 30", {"key 65 K"}},
        {"press 600 600; drag 601 601; release 600 600; double 600 600", {}},
        {"drag 30 30; release 30 30", {"release K", "-5"}},
    };
    for (const Row& r : rows) {
        SetUp();
        log.clear();
        Add({0, 0, 504, 492}, -1, "bg");
        Add({10, 10, 50, 50}, 5, "K");
        Add({10, 10, 50, 50}, 6, "D")->SetDimmed(true);
        Add({100, 100, 150, 150}, 7, "P")->SetDoubleClickAsPress(true);
        log.clear();
        host.calls.clear();
        std::istringstream script(r.script);
        std::string step;
        while (std::getline(script, step, ';')) {
            std::istringstream words(step);
            std::string verb;
            int x = 0, y = 0;
            words >> verb >> x >> y;
            if (verb == "press")
                surface->MousePress(x, y, {});
            else if (verb == "release")
                surface->MouseRelease(x, y, {});
            else if (verb == "drag")
                surface->MouseDrag(x, y, {});
            else if (verb == "double")
                surface->MouseDoubleClick(x, y, {});
            else if (verb == "wheel")
                surface->MouseWheel(x, y, {}, 1.0);
            else if (verb == "drop")
                surface->FileDropped(x, y, "a.wav");
            else if (verb == "key")
                surface->KeyDown(x, y, 65);
            else if (verb == "finish")
                plug->FinishWheelEdit();
        }
        EXPECT_EQ(Sequence(), r.expected) << r.script;
        plug->FinishWheelEdit();
    }
}

TEST_F(EditorSurface, HoverIsTrackedOnlyWhenAskedAndLeavesThePreviousControl)
{
    Add({0, 0, 504, 492}, -1, "bg");
    Add({10, 10, 50, 50}, 5, "K");
    EXPECT_FALSE(surface->MouseHover(30, 30, {}));
    EXPECT_TRUE(log.empty());
    surface->SetHoverTracking(true);
    EXPECT_TRUE(surface->MouseHover(30, 30, {}));
    EXPECT_TRUE(surface->MouseHover(31, 30, {}));
    EXPECT_TRUE(surface->MouseHover(300, 30, {}));
    surface->MouseLeave();
    EXPECT_EQ(log, Lines({"hover K", "hover K", "hover bg", "leave K", "leave bg", "leave K"}));
    EXPECT_EQ(surface->HoverControl(), -1);
}

TEST_F(EditorSurface, TypedTextReachesTheControlOrEveryParameterlessControl)
{
    const IParameter& attack = *plug->GetParam(5);
    struct Row {
        int paramObject; // -1: none
        int controlParam;
        const char* text;
        Lines expected;
    } rows[] = {
        {0, 0, "Yes", {"+0", "apply 1.000000 K", "-0"}},
        {0, 0, "No", {"+0", "apply 0.000000 K", "-0"}},
        {5, 5, "0.5", {"+5", "apply " + std::to_string(attack.ToNormalised(0.5)) + " K", "-5"}},
        {5, 5, "many", {"+5", "apply 0.000000 K", "-5"}},
        {5, -1, "99", {"apply 1.000000 K"}},
        {-1, 5, "64 keys", {"apply 64.000000 bg", "apply 64.000000 T"}},
        {-1, 5, "none", {"apply 0.000000 bg", "apply 0.000000 T"}},
    };
    for (const Row& r : rows) {
        SetUp();
        log.clear();
        Add({0, 0, 504, 492}, -1, "bg");
        ProbeControl* k = Add({10, 10, 50, 50}, r.controlParam, "K");
        auto* t = Add<ProbeText>({60, 10, 90, 50}, -1, "T");
        host.calls.clear();
        log.clear();
        IControl* target = r.paramObject >= 0 ? static_cast<IControl*>(k) : t;
        surface->ApplyTypedText(target, plug->GetParam(r.paramObject), r.text);
        EXPECT_EQ(Sequence(), r.expected) << r.text;
        EXPECT_EQ(t->text, r.paramObject >= 0 ? "before" : r.text);
    }
    // A text control that is not editable keeps its text.
    log.clear();
    auto* fixed = Add<ProbeText>({0, 0, 5, 5}, -1, "X");
    fixed->editable = false;
    surface->ApplyTypedText(fixed, nullptr, "12");
    EXPECT_EQ(fixed->text, "before");
}

TEST_F(EditorSurface, ParameterValuesReachOnlyTheControlsBoundToThem)
{
    Add({0, 0, 10, 10}, 5, "A");
    Add({0, 0, 10, 10}, 6, "B");
    Add({0, 0, 10, 10}, 5, "C");
    EXPECT_EQ(surface->ApplyParamValue(5, 0.25), 2);
    EXPECT_EQ(log, Lines({"apply 0.250000 A", "apply 0.250000 C"}));
    // A plain value is normalised by the parameter first; the first value shown becomes the
    // default too.
    surface->ShowParamValue(6, 8.0, false);
    EXPECT_DOUBLE_EQ(surface->ControlAt(1)->Value(), plug->GetParam(6)->ToNormalised(8.0));
    EXPECT_DOUBLE_EQ(surface->ControlAt(1)->DefaultValue(), surface->ControlAt(1)->Value());
    for (int i = 0; i < 3; ++i)
        surface->ControlAt(i)->Validate();
    surface->InvalidateAll();
    IBox dirty;
    log.clear();
    EXPECT_TRUE(surface->CollectDirty(dirty));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(surface->ControlAt(i)->NeedsPaint());
}

} // namespace
