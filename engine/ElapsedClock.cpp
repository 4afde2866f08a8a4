#include "engine/ElapsedClock.h"

#include <chrono>

namespace {
const auto kProcessStart = std::chrono::steady_clock::now();
}

std::int32_t ProcessElapsedMs()
{
    const auto elapsed = std::chrono::steady_clock::now() - kProcessStart;
    // Only differences are used, so wrapping after 24 days does no harm.
    return static_cast<std::int32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}
