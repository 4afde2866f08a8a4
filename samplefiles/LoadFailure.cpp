#include "samplefiles/LoadFailure.h"

#include "samplefiles/FileSystem.h"

#include <cstdio>

void DescribeLoadFailure(LoadFailure failure, const char* detail, char* out, std::size_t size)
{
    if (!out || size == 0)
        return;
    const char* text = "";
    switch (failure) {
    case LoadFailure::kNone:
        break;
    case LoadFailure::kNotFound:
        text = "not found";
        break;
    case LoadFailure::kUnreadable:
        text = "unreadable";
        break;
    case LoadFailure::kUnsupported:
        if (detail && detail[0]) {
            std::snprintf(out, size, "unsupported format: %s", detail);
            return;
        }
        text = "unsupported format";
        break;
    case LoadFailure::kDamaged:
        text = "damaged";
        break;
    case LoadFailure::kNoAudio:
        text = "no audio data";
        break;
    case LoadFailure::kTooLarge:
        text = "too large";
        break;
    }
    std::snprintf(out, size, "%s", text);
}

LoadFailure OpenFailureOf(const char* path)
{
    if (!path || !path[0])
        return LoadFailure::kNotFound;
    if (std::FILE* file = FileSystem::OpenRegularFile(path)) {
        std::fclose(file);
        return LoadFailure::kNone;
    }
    return FileSystem::EntryExists(path) ? LoadFailure::kUnreadable : LoadFailure::kNotFound;
}
