// The editor's frame timer for hosts that only call us back through effEditIdle: each
// call asks whether a tick is due by a monotonic clock, so the tick rate stays the same
// whether idle comes at 15 or 100 calls a second.
//
// Owned by the window layer; user-interface thread only.
#pragma once

#include <chrono>

class FrameClock {
public:
    using Clock = std::chrono::steady_clock;

    explicit FrameClock(int ticksPerSecond);
    // The first tick is due at once.
    void Restart(Clock::time_point now);
    // True when a tick is due at `now`; at most one per call. A caller that fell behind by
    // more than one period starts a fresh schedule instead of running a burst of ticks.
    bool TickDue(Clock::time_point now);
    Clock::duration Period() const { return period; }

private:
    Clock::duration period;
    Clock::time_point next;
};
