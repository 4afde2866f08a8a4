#include "engine/ParamCountdown.h"

#include "engine/EngineConfig.h"

#include <cstdint>
#include <mutex>

namespace {

std::mutex countdownLock;
std::int16_t paramCountdown = kParamCount;
std::int16_t paramSeen[kParamCount] = {};

} // namespace

namespace ParamCountdown {

void Restart(int paramCount)
{
    std::lock_guard<std::mutex> guard(countdownLock);
    paramCountdown = static_cast<std::int16_t>(paramCount);
    for (std::int16_t& seen : paramSeen)
        seen = 0;
}

bool MarkApplied(int index)
{
    std::lock_guard<std::mutex> guard(countdownLock);
    if (index >= 0 && index < kParamCount && paramSeen[index] == 0) {
        paramSeen[index] = 1;
        --paramCountdown;
    }
    return paramCountdown <= 0;
}

} // namespace ParamCountdown
