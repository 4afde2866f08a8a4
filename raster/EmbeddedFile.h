// A data file compiled into the module as bytes (scripts/embed-files.py writes the tables at
// build time): the editor's fonts, and on builds without Windows resources its images.
// Read-only data, any thread.
#pragma once

#include <cstddef>

struct EmbeddedFile {
    int key;
    const unsigned char* data;
    std::size_t size;
};

// The entry with `key` among the `count` at `files`, or null.
inline const EmbeddedFile* FindEmbeddedFile(const EmbeddedFile* files, std::size_t count, int key)
{
    for (std::size_t i = 0; i < count; ++i)
        if (files[i].key == key)
            return &files[i];
    return nullptr;
}
