// The process-wide countdown that decides when a fresh plug-in object may render: every
// parameter must have been applied once with a new value. It is shared by every instance
// in the process and restarted by each construction.
//
// Thread-safe: instances on different threads may apply parameters at the same time, so
// the countdown has its own lock.
#pragma once

namespace ParamCountdown {

// Restarts the count for `paramCount` parameters and clears every mark.
void Restart(int paramCount);

// Marks `index` as applied when not marked yet. Returns true when every parameter has
// been seen, so the caller may raise its ready flag.
bool MarkApplied(int index);

} // namespace ParamCountdown
