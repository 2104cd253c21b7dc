#include "midi/platform/TickCount.h"

#include <chrono>

uint32_t GetTickCount()
{
    const auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
    // Truncation to 32 bits is the wrap-around callers expect.
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count());
}

namespace {
class TSystemTickClock final : public TTickClock {
public:
    uint32_t Now() const override { return GetTickCount(); }
};
}

TTickClock& SystemTickClock()
{
    static TSystemTickClock clock;
    return clock;
}
