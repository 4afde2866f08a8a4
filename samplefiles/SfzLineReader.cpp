#include "samplefiles/SfzLineReader.h"

SfzLineReader::SfzLineReader(std::FILE* source)
    : file(source)
    , ended(source == nullptr)
{
}

int SfzLineReader::NextByte()
{
    if (chunkPos == chunkLength) {
        if (ended)
            return -1;
        chunkLength = std::fread(chunk, 1, sizeof chunk, file);
        chunkPos = 0;
        if (chunkLength == 0) {
            ended = true;
            return -1;
        }
    }
    return chunk[chunkPos++];
}

bool SfzLineReader::Next()
{
    for (;;) {
        int byte = NextByte();
        if (byte < 0)
            return false;

        // Counted over the whole line, not just the kept part, so that a line of a few
        // characters followed by a megabyte of blanks is still those few characters.
        std::size_t length = 0;
        std::size_t lastNonBlank = 0; // one past the last character that isn't a blank
        std::size_t lastNonBlankBeforeLatest = 0;
        bool stopped = false; // a NUL byte ended the text; the rest of the line is dropped
        int previous = -1;
        for (; byte >= 0 && byte != '\n'; previous = byte, byte = NextByte()) {
            if (stopped)
                continue;
            if (byte == 0) {
                stopped = true;
                continue;
            }
            if (length < kLineSize - 1)
                text[length] = static_cast<char>(byte);
            ++length;
            lastNonBlankBeforeLatest = lastNonBlank;
            if (byte != ' ' && byte != '\t')
                lastNonBlank = length;
        }
        // A CR right before the LF is part of the line end (files written on Windows), not
        // of the text; one anywhere else stays a character of the line.
        if (byte == '\n' && previous == '\r' && !stopped) {
            --length;
            lastNonBlank = lastNonBlankBeforeLatest;
        }
        if (length == 0) {
            if (byte < 0)
                return false;
            continue;
        }
        cut = lastNonBlank > kLineSize - 1;
        text[cut ? kLineSize - 1 : lastNonBlank] = '\0';
        return true;
    }
}
