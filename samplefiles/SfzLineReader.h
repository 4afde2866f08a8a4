// Splits an SFZ instrument file into the lines its reader works on: LF and CR LF both end
// a line, a line's text stops at its first NUL byte, trailing spaces and tabs are cut, and
// lines empty before the cut are passed over. The file is read in binary mode on every
// platform, so both builds see the same lines (text mode on Windows would end the file at
// a Ctrl-Z byte and keep a lone CR differently).
//
// However long a line is, only its first kLineSize - 1 characters are kept; the reader
// is told when the rest was dropped, so a cut value is never taken for a whole one.
//
// A short-lived object on the stack of one SfzReader::Read call; it borrows the open file
// and never closes it. Not shared between threads; it reads files, so never on the audio
// thread.
#pragma once

#include <cstddef>
#include <cstdio>

class SfzLineReader {
public:
    // Room for a path of 259 characters and a dozen opcodes beside it on one line, as
    // instrument libraries write them.
    static constexpr std::size_t kLineSize = 4096;

    explicit SfzLineReader(std::FILE* file);
    SfzLineReader(const SfzLineReader&) = delete;
    SfzLineReader& operator=(const SfzLineReader&) = delete;

    // Moves to the next line that is not empty before the cut; false at the end of the
    // file (or on a read error, which ends the file early).
    bool Next();

    // The line after the cut, or its first kLineSize - 1 characters when Cut().
    const char* Text() const { return text; }
    // The line goes on beyond Text().
    bool Cut() const { return cut; }

private:
    // The next byte of the file, or -1 at its end.
    int NextByte();

    std::FILE* file;
    unsigned char chunk[4096];
    std::size_t chunkLength = 0;
    std::size_t chunkPos = 0;
    bool ended = false;
    char text[kLineSize] = {};
    bool cut = false;
};
