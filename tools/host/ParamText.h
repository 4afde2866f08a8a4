// Reading a --param value the way people write it: a number (optionally followed by the
// parameter's unit), a note name for a note parameter, a switch word for a two-state one.
// The host checks the value itself because plug-ins tend to read any text as some number
// ("loud" as 0) instead of refusing it. Pure functions, callable from any thread.
#pragma once

#include <string>

namespace ParamText {

// The whole text as a finite number, as strtod reads it in the "C" locale; "-3 dB" or
// "-3dB" also reads when unit is "dB" (in any case). No leading blanks, no "+". number
// receives the text without the unit.
bool ReadNumber(const std::string& text, const std::string& unit, std::string& number);

// "C4" is 60, "C-1" 0, "G9" 127; a sharp (#) or a flat (b) may follow the letter, and the
// letter may be in either case. Refuses anything outside 0..127.
bool ReadNoteName(const std::string& text, int& note);

// 1 for Yes, On, True or 1; 0 for No, Off, False or 0 (any case); -1 for anything else.
int ReadSwitchWord(const std::string& text);

// Parameters whose name ends in "Note" take note numbers, and so note names.
bool IsNoteParameter(const std::string& name);

bool SameText(const std::string& a, const std::string& b); // ASCII, without regard to case

} // namespace ParamText
