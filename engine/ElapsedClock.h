// Milliseconds of real (wall) time since the process started. The renderer reads it once
// per block to notice stalls; tests replace it to drive time by hand.
#pragma once

#include <cstdint>

using MillisecondClock = std::int32_t (*)();

std::int32_t ProcessElapsedMs();
