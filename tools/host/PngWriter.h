// Writes a picture as a PNG file through libpng. The same library code runs in the Linux
// and the Windows host, so both builds write the same bytes for the same pixels. Used by
// one command on one thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The picture, `width` x `height` pixels given row by row from the top as 32-bit words
// alpha << 24 | red << 16 | green << 8 | blue, as an 8-bit RGBA PNG without interlacing or
// extra chunks. Empty (and error says why) when libpng fails or memory runs out.
std::vector<unsigned char> EncodePng(int width, int height, const std::uint32_t* argb,
                                     std::string& error);

// Writes the bytes as the file at path, replacing it. A file written only in part (the disk
// is full) is removed again. Returns false and says why in error.
bool WriteWholeFile(const std::string& path, const std::vector<unsigned char>& bytes,
                    std::string& error);
