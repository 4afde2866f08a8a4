// The parameter object: range and precision rules of the initialisers, the normalised
// form the host and the controls use, display text and text entry; and the change paths
// from the editor with the begin/end edit gestures they send to the host.
#include "plugbase/IParameter.h"
#include "editor/IEditorSurface.h"
#include "engine/Quellorn.h"
#include "tests/plugbase/TestHost.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

std::string Shown(const IParameter& param, double v, bool normalised = false)
{
    char out[kParamTextSize] = {};
    param.DisplayText(v, normalised, out);
    return out;
}

// The sampler's own kinds of parameter, declared as its constructor does.
IParameter Switch() // Active, Loop, ...
{
    IParameter p;
    p.InitEnumerated("Active", 1, 2, "");
    p.AddDisplayText(0, "No");
    p.AddDisplayText(1, "Yes");
    return p;
}

IParameter Seconds() // Attack and Release
{
    IParameter p;
    p.InitReal("Attack", 0.8, 0.0, 16.0, 0.01, "s");
    p.SetCurve(2.0);
    return p;
}

IParameter Whole(int min, int max)
{
    IParameter p;
    const std::string name = "Whole " + std::to_string(min) + ".." + std::to_string(max);
    p.InitInteger(name.c_str(), min, min, max, "");
    return p;
}

TEST(IParameter, InitialisersSetKindRangeNameAndUnclampedDefault)
{
    IParameter integer;
    integer.InitInteger("Low Note", 36, 12, 127, "");
    EXPECT_EQ(integer.Kind(), ParamKind::Integer);
    EXPECT_STREQ(integer.ParamName(), "Low Note");
    EXPECT_EQ(integer.Min(), 12.0);
    EXPECT_EQ(integer.Max(), 127.0);
    EXPECT_EQ(integer.Step(), 1.0);
    EXPECT_EQ(integer.PlainValue(), 36.0);

    IParameter enumerated;
    enumerated.InitEnumerated("Mode", 2, 3, "");
    EXPECT_EQ(enumerated.Kind(), ParamKind::Enumerated);
    EXPECT_EQ(enumerated.Min(), 0.0);
    EXPECT_EQ(enumerated.Max(), 2.0);

    IParameter real;
    real.InitReal("Gain", 50.0, 0.0, 10.0, 0.5, "dB");
    EXPECT_EQ(real.Kind(), ParamKind::Real);
    EXPECT_STREQ(real.ParamLabel(), "dB");
    EXPECT_EQ(real.PlainValue(), 50.0) << "the default is stored as given, not clamped";

    // A kind once set stays: an integer re-initialised as real still snaps to its step.
    IParameter stays;
    stays.InitInteger("Stays", 0, 0, 10, "");
    stays.InitReal("Stays", 0.0, 0.0, 10.0, 0.5, "");
    EXPECT_EQ(stays.Kind(), ParamKind::Integer);
    stays.SetNormalised(0.33); // 3.3 -> nearest half step
    EXPECT_EQ(stays.PlainValue(), 3.5);
}

TEST(IParameter, MaxIsRaisedToOneStepAboveMin)
{
    struct Case {
        double min, max, step, expectedMax;
    };
    const Case cases[] = {{0.0, 0.0, 1.0, 1.0}, {0.0, 10.0, 1.0, 10.0}, {5.0, 5.5, 1.0, 6.0},
                          {0.0, 0.5, 0.5, 0.5}, {0.0, 0.4, 0.5, 0.5},   {-3.0, -10.0, 2.0, -1.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "min " << c.min << " max " << c.max << " step " << c.step);
        IParameter p;
        p.InitReal("p", c.min, c.min, c.max, c.step, "");
        EXPECT_EQ(p.Max(), c.expectedMax);
        EXPECT_EQ(p.Step(), c.step);
    }
}

TEST(IParameter, PrecisionCountsTheDecimalsOfTheStepUpToSix)
{
    struct Case {
        double step;
        int precision;
    };
    const Case cases[] = {{0.001, 3}, {0.5, 1},  {1.0, 0}, {0.01, 2},
                          {0.1, 1},   {0.25, 2}, {2.0, 0}, {1e-7, 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "step " << c.step);
        IParameter p;
        p.InitReal("p", 0.0, 0.0, 100.0, c.step, "");
        EXPECT_EQ(p.Precision(), c.precision);
    }
}

TEST(IParameter, CurveExponentIgnoresZero)
{
    IParameter p;
    p.InitReal("p", 0.0, 0.0, 1.0, 0.01, "");
    EXPECT_EQ(p.Curve(), 1.0);
    p.SetCurve(3.0);
    EXPECT_EQ(p.Curve(), 3.0);
    p.SetCurve(0.0);
    EXPECT_EQ(p.Curve(), 3.0);
}

TEST(IParameter, ToNormalisedClampsThenAppliesTheInverseCurve)
{
    const IParameter attack = Seconds();
    const IParameter pan = Whole(-100, 100);
    struct Case {
        const IParameter& param;
        double v, expected;
    };
    const Case cases[] = {{attack, 0.0, 0.0},  {attack, 4.0, 0.5},  {attack, 1.0, 0.25},
                          {attack, 16.0, 1.0}, {attack, -5.0, 0.0}, {attack, 99.0, 1.0},
                          {pan, 50.0, 0.75},   {pan, -100.0, 0.0},  {pan, 300.0, 1.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.param.ParamName() << " " << c.v);
        EXPECT_DOUBLE_EQ(c.param.ToNormalised(c.v), c.expected);
    }
}

TEST(IParameter, SetNormalisedFollowsTheCurveSnapsIntegralKindsAndClampsOnlyAtMax)
{
    const IParameter attack = Seconds();
    const IParameter zeroToTen = Whole(0, 10);
    const IParameter symmetric = Whole(-10, 10);
    const IParameter lowNote = Whole(12, 127);
    IParameter three;
    three.InitEnumerated("three", 0, 3, "");
    IParameter quarters;
    quarters.InitReal("quarters", 0.0, 0.0, 1.0, 0.25, "");
    const double nan = std::numeric_limits<double>::quiet_NaN();

    struct Case {
        const IParameter& param;
        double x, expected;
    };
    const Case cases[] = {
        {attack, 0.0, 0.0},  {attack, 0.25, 1.0}, // 16 * 0.25^2
        {attack, 0.5, 4.0},  {attack, 1.0, 16.0}, // 16 * 0.5^2, 16 * 1^2
        {attack, 0.123, 16.0 * 0.123 * 0.123}, // real: not snapped to 0.01
        {quarters, 0.3, 0.3},                  // real: not snapped to its step
        {zeroToTen, 0.47, 5.0},                // 4.7 snapped
        {zeroToTen, 0.44, 4.0},                // 4.4 snapped
        {zeroToTen, 1.0, 10.0}, {zeroToTen, 1.5, 10.0}, // clamped at max
        {zeroToTen, -0.5, -5.0}, // no clamp at min
        {zeroToTen, nan, 0.0},   // NaN is taken as 0
        {lowNote, nan, 12.0},
        {lowNote, 0.5, 70.0},     // 69.5 rounds up
        {symmetric, 0.225, -5.0}, // -5.5 rounds up, toward +inf
        {three, 0.3, 1.0},        // 0.6
        {three, 0.2, 0.0}};       // 0.4
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.param.ParamName() << " x " << c.x);
        IParameter p = c.param;
        p.SetNormalised(c.x);
        EXPECT_NEAR(p.PlainValue(), c.expected, 1e-12);
    }
}

TEST(IParameter, SetClampedValueClampsBothEndsAndTakesNaNAsMin)
{
    IParameter p = Whole(12, 127);
    p.SetClampedValue(500.0);
    EXPECT_EQ(p.PlainValue(), 127.0);
    p.SetClampedValue(-3.0);
    EXPECT_EQ(p.PlainValue(), 12.0);
    p.SetClampedValue(60.5);
    EXPECT_EQ(p.PlainValue(), 60.5) << "no snapping on this path";
    p.SetClampedValue(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(p.PlainValue(), 12.0);
}

TEST(IParameter, DisplayTextFollowsItsRules)
{
    const IParameter active = Switch();
    const IParameter attack = Seconds();
    const IParameter zeroToTen = Whole(0, 10);
    const IParameter lowNote = Whole(12, 127);
    IParameter wholeReal; // a real parameter with step 1 shows whole numbers
    wholeReal.InitReal("wholeReal", 0.0, -10.0, 10.0, 1.0, "");
    IParameter tenths;
    tenths.InitReal("tenths", 0.0, -10.0, 10.0, 0.1, "");
    tenths.SetNegateDisplay(true);
    IParameter negated = Whole(-10, 10);
    negated.SetNegateDisplay(true);
    negated.AddDisplayText(5, "Five");
    IParameter gaps = Whole(0, 10);
    gaps.AddDisplayText(2, "");
    gaps.AddDisplayText(3, "Three");

    struct Case {
        const IParameter& param;
        double v;
        bool normalised;
        const char* expected;
    };
    const Case cases[] = {
        {active, 0.0, false, "No"},       {active, 1.0, false, "Yes"},
        {active, 0.6, false, "Yes"}, // nearest entry
        {active, 0.4, false, "No"},       {active, -0.4, false, "No"},
        {active, 0.5, false, "Yes"}, // half rounds away from zero
        {active, 1.5, false, "1"}, // rounds to 2: no entry, whole number truncated
        {gaps, 2.0, false, "2"},   // empty entry falls through to the number
        {gaps, 3.0, false, "Three"},
        {attack, 0.0, false, "0"}, // exactly 0, whatever the precision
        {attack, -0.0, false, "0"},       {attack, 0.8, false, "0.80"},
        {attack, 1.5, false, "1.50"},     {attack, 16.0, false, "16.00"},
        {attack, 0.5, true, "4.00"},  // normalised through the curve
        {wholeReal, 2.7, false, "2"}, // truncated toward zero
        {wholeReal, -2.7, false, "-2"},   {wholeReal, -0.3, false, "0"},
        {zeroToTen, 0.47, true, "4"}, // 4.7: neither snapped nor rounded
        {zeroToTen, 1.5, true, "15"}, // no clamp
        {lowNote, 0.5, true, "69"},
        {negated, 3.0, false, "-3"},      {negated, -7.0, false, "7"},
        {negated, 0.0, false, "0"},
        {negated, 5.0, false, "Five"}, // texts are looked up before negation
        {negated, -5.0, false, "5"},
        {tenths, 2.26, false, "-2.3"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.param.ParamName() << " v " << c.v << (c.normalised ? " normalised" : ""));
        EXPECT_EQ(Shown(c.param, c.v, c.normalised), c.expected);
    }
}

TEST(IParameter, TextToValueMatchesDisplayTextsFirstThenReadsTheLeadingNumber)
{
    const IParameter active = Switch();
    IParameter numbered = Whole(0, 10);
    numbered.AddDisplayText(7, "2");
    IParameter negated = Whole(-10, 10);
    negated.SetNegateDisplay(true);
    negated.AddDisplayText(4, "Four");
    const IParameter plain = Whole(-100, 100);

    struct Case {
        const IParameter& param;
        const char* text;
        double expected;
    };
    const Case cases[] = {
        {active, "Yes", 1.0},    {active, "No", 0.0},      {active, "1", 1.0},
        {active, "yes", 0.0},    // exact match only, and no number in it
        {numbered, "2", 7.0},    // the display text wins over the number it reads as
        {numbered, "3", 3.0},    {plain, "12abc", 12.0},   {plain, "  3.5 s", 3.5},
        {plain, "-4dB", -4.0},   {plain, "+2", 2.0},       {plain, ".5", 0.5},
        {plain, "1e2", 100.0},   {plain, "abc", 0.0},      {plain, "", 0.0},
        {plain, "nan", 0.0},     {plain, "NaN", 0.0},      {negated, "5", -5.0},
        {negated, "-2.5", 2.5},  {negated, "Four", 4.0},   // an entry's value is not negated
        // Hexadecimal as strtod reads it; without a digit after "0x", only its 0.
        {plain, "0x20", 32.0},   {plain, "-0X1a", -26.0},  {plain, "0x1.8p1 s", 3.0},
        {plain, "0x.8", 0.5},    {plain, "0x1p-2", 0.25},  {plain, "0x", 0.0},
        {plain, "0xg", 0.0},     {plain, "0x-5", 0.0},     {plain, "0x.p1", 0.0},
        {plain, "0xinf", 0.0},   {plain, "0x1p-99999", 0.0}, {negated, "0x10", -16.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.param.ParamName() << " \"" << c.text << "\"");
        EXPECT_EQ(c.param.TextToValue(c.text), c.expected);
    }
}

// from_chars reads a sign of its own: after the one sign a number may have, another must
// end the reading, or "--5" would give 5 where the text holds no number at all.
TEST(IParameter, TextToValueFindsNoNumberAfterTwoSigns)
{
    const IParameter plain = Whole(-100, 100);
    for (const char* text : {"--5", "+-5", "-+5", "++5"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(plain.TextToValue(text), 0.0);
    }
}

TEST(IParameter, AddDisplayTextKeepsTheFirstEntryForAValue)
{
    IParameter p = Switch();
    p.AddDisplayText(1, "On");
    EXPECT_EQ(p.DisplayTextCount(), 3);
    EXPECT_STREQ(p.DisplayTextFor(1), "Yes");
    EXPECT_STREQ(p.DisplayTextFor(7), "");
    EXPECT_EQ(Shown(p, 1.0), "Yes");

    double value = -1.0;
    EXPECT_TRUE(p.ValueForDisplayText("On", &value)) << "the later entry is still there";
    EXPECT_EQ(value, 1.0);
    EXPECT_FALSE(p.ValueForDisplayText("Off", &value));
    EXPECT_EQ(p.TextToValue("On"), 1.0);
}

TEST(IParameter, TextsUseAPointWhateverTheNumericLocale)
{
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    bool comma = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8"})
        if (std::setlocale(LC_NUMERIC, name) && std::localeconv()->decimal_point[0] == ',') {
            comma = true;
            break;
        }
    if (!comma) {
        std::setlocale(LC_NUMERIC, saved.c_str());
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    const IParameter attack = Seconds();
    const std::string shown = Shown(attack, 1.5);
    const double read = attack.TextToValue("2.25");
    const double readHex = attack.TextToValue("0x1.8");
    std::setlocale(LC_NUMERIC, saved.c_str());

    EXPECT_EQ(shown, "1.50");
    EXPECT_EQ(read, 2.25);
    EXPECT_EQ(readHex, 1.5);
}

// The paths by which editor changes and their begin/end gestures reach the host.
class ParamEditGestures : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(host.Create(), nullptr);
        plug = static_cast<CLS_QUELLORN*>(host.effect->object);
    }
    // The begin/end edit calls sent so far, in order, as "+index" and "-index".
    std::vector<std::string> Gestures() const
    {
        std::vector<std::string> out;
        for (const HostCall& c : host.calls)
            if (c.opcode == audioMasterBeginEdit || c.opcode == audioMasterEndEdit)
                out.push_back((c.opcode == audioMasterBeginEdit ? "+" : "-") +
                              std::to_string(c.index));
        return out;
    }

    TestHost host;
    CLS_QUELLORN* plug = nullptr;
};

TEST_F(ParamEditGestures, WheelMovementsShareOneGestureUntilTheCountdownEnds)
{
    for (int move = 0; move < 2; ++move) {
        plug->BeginWheelEdit(3);
        plug->ScheduleWheelEditEnd(3);
    }
    EXPECT_EQ(Gestures(), std::vector<std::string>{"+3"});
    EXPECT_EQ(plug->WheelEditParam(), 3);
    EXPECT_EQ(plug->Editor()->WheelCountdown(), 12) << "half a second at 24 ticks";
    plug->FinishWheelEdit();
    plug->FinishWheelEdit();
    EXPECT_EQ(Gestures(), (std::vector<std::string>{"+3", "-3"}));
    EXPECT_EQ(plug->WheelEditParam(), -1);
    EXPECT_EQ(plug->Editor()->WheelCountdown(), 0);
}

TEST_F(ParamEditGestures, ANewGestureEndsAnOpenWheelGestureFirst)
{
    plug->BeginParamEdit(5);
    plug->EndParamEdit(5);
    plug->BeginWheelEdit(3);
    plug->ScheduleWheelEditEnd(3);
    plug->BeginParamEdit(7);
    plug->EndParamEdit(7);
    plug->BeginWheelEdit(3);
    plug->ScheduleWheelEditEnd(3);
    plug->BeginWheelEdit(4);
    EXPECT_EQ(Gestures(),
              (std::vector<std::string>{"+5", "-5", "+3", "-3", "+7", "-7", "+3", "-3", "+4"}));
}

TEST(ParamEditGesturesWithoutEditor, WheelGestureEndsAtOnce)
{
    TestHost host;
    IPlugVST bare(&TestHost::Callback, 2, "0-2", 1, "Bare", "", "V", 0x10000, 1, 0, kMidiInOut,
                  false, false);
    bare.Effect()->user = &host;
    bare.BeginWheelEdit(1);
    bare.ScheduleWheelEditEnd(1);
    EXPECT_EQ(bare.WheelEditParam(), -1);
    ASSERT_EQ(host.Count(audioMasterEndEdit), 1);
    EXPECT_EQ(host.CallsOf(audioMasterEndEdit)[0].index, 1);
}

TEST_F(ParamEditGestures, EditorChangesAreSentToTheHostAndApplied)
{
    host.Dispatch(effOpen);
    plug->SetParamFromEditor(7, 1.0);
    ASSERT_EQ(host.Count(audioMasterAutomate), 1);
    EXPECT_EQ(host.CallsOf(audioMasterAutomate)[0].index, 7);
    EXPECT_EQ(host.CallsOf(audioMasterAutomate)[0].opt, 1.0f);
    EXPECT_EQ(plug->GetParam(7)->PlainValue(), 100.0);
    EXPECT_EQ(plug->panRight[0], 1.5f);
    plug->SetParamFromEditor(36, 0.5);
    EXPECT_EQ(host.Count(audioMasterAutomate), 1);
}

} // namespace
