#include "plugbase/window/FrameClock.h"

FrameClock::FrameClock(int ticksPerSecond)
    : period(std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(1))
             / (ticksPerSecond > 0 ? ticksPerSecond : 1))
{
}

void FrameClock::Restart(Clock::time_point now)
{
    next = now;
}

bool FrameClock::TickDue(Clock::time_point now)
{
    if (now < next)
        return false;
    next += period;
    if (now - next > period)
        next = now + period;
    return true;
}
