// Splits the lines of an SFZ instrument file into headers and opcodes by the format's
// rules: several opcodes and headers may share a line, blanks may stand around "=", "//"
// starts a comment that runs to the end of the line, and "/* ... */" a comment that may
// run over several lines. An opcode's value runs to the end of the line, to a comment, to
// a header, or to the blanks before the next "name=" on the line, whichever comes first;
// so sample names with blanks in them stay whole, as instrument libraries write them.
//
// Directives (#define, #include) are the reader's business: the tokenizer sees only the
// lines the reader passes on. A short-lived object owned by one SfzReader::Read per file
// read (a block comment never reaches into another file); not shared between threads.
#pragma once

#include <string_view>
#include <vector>

class SfzTokenizer {
public:
    struct Token {
        bool header = false; // a header: `name` is the text between "<" and ">"
        std::string_view name; // the opcode's name, possibly empty ("=5")
        std::string_view value; // the opcode's value, blanks around it cut
        bool cut = false; // the value reaches the end of a line that was cut short
    };

    // Appends the tokens of `line` to `out`. `cut` says that the line went on beyond
    // `line`, so its last value may be incomplete. The views point into `line`.
    void Split(std::string_view line, bool cut, std::vector<Token>& out);

    // A "/*" comment is open: the next line starts inside it.
    bool InBlockComment() const { return inBlockComment; }

private:
    bool inBlockComment = false;
};
