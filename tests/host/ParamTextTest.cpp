// How the host reads --param values before the plug-in sees them.
#include "tools/host/ParamText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ParamText, NoteNamesWithSharpsFlatsAndOctaves)
{
    struct Case {
        const char* text;
        int note; // -1: refused
    };
    const Case cases[] = {
        {"C4", 60},  {"c4", 60},  {"F#3", 54}, {"Eb2", 39},  {"Bb3", 58}, {"bb3", 58},
        {"A4", 69},  {"B3", 59},  {"Cb4", 59}, {"B#3", 60},  {"C-1", 0},  {"G9", 127},
        {"G#9", -1}, {"Cb-1", -1}, {"H4", -1}, {"C", -1},    {"C10", -1}, {"C#", -1},
        {"4C", -1},  {"C 4", -1}, {"", -1},    {"C4 ", -1},  {"E#x", -1}, {"D-2", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        int note = -1;
        EXPECT_EQ(ParamText::ReadNoteName(c.text, note), c.note >= 0);
        EXPECT_EQ(note, c.note);
    }
}

TEST(ParamText, SwitchWordsInAnyCase)
{
    const std::pair<const char*, int> cases[] = {
        {"Yes", 1}, {"YES", 1}, {"on", 1},   {"True", 1},  {"1", 1},   {"no", 0},
        {"Off", 0}, {"FALSE", 0}, {"0", 0},  {"y", -1},    {"2", -1},  {"", -1},
        {"yes ", -1}, {"enable", -1},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ParamText::ReadSwitchWord(text), expected);
    }
}

TEST(ParamText, NumbersWithOrWithoutTheUnitAndNothingElse)
{
    struct Case {
        const char* text;
        const char* unit;
        const char* number; // nullptr: refused
    };
    const Case cases[] = {
        {"0.4", "s", "0.4"},     {"-6", "dB", "-6"},      {"-6 dB", "dB", "-6"},
        {"-6db", "dB", "-6"},    {"1e1", "", "1e1"},      {"0x20", "", "0x20"},
        {"loud", "dB", nullptr}, {"-6 dB", "", nullptr},  {"6  dB", "dB", nullptr},
        {"dB", "dB", nullptr},   {"+6", "", nullptr},     {" 6", "", nullptr},
        {"6x", "", nullptr},     {"nan", "", nullptr},    {"inf", "", nullptr},
        {"", "", nullptr},       {"1e999", "", nullptr},  {"0.4 s", "dB", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.unit);
        std::string number = "unset";
        EXPECT_EQ(ParamText::ReadNumber(c.text, c.unit, number), c.number != nullptr);
        EXPECT_EQ(number, c.number ? c.number : "unset");
    }
}

TEST(ParamText, NoteParametersAreKnownByName)
{
    EXPECT_TRUE(ParamText::IsNoteParameter("Low Note"));
    EXPECT_TRUE(ParamText::IsNoteParameter("root note"));
    EXPECT_FALSE(ParamText::IsNoteParameter("Notes"));
    EXPECT_FALSE(ParamText::IsNoteParameter("Attack"));
}

} // namespace
