// The millisecond tick count the player and the recorder time themselves by: a 32-bit counter
// from a monotonic clock that wraps at 2^32, behind a small interface so that tests can drive
// time by hand and never sleep.
#pragma once

#include <atomic>
#include <cstdint>

// Any thread may call Now() at any time.
class TTickClock {
public:
    virtual ~TTickClock() = default;
    virtual uint32_t Now() const = 0;
};

// Milliseconds of the system's monotonic clock, truncated to 32 bits (so it wraps after
// about 49.7 days; callers take unsigned differences). Any thread.
uint32_t GetTickCount();

// The clock every component uses unless it is handed another one. Any thread.
TTickClock& SystemTickClock();

// A clock that only moves when told to; for tests. Every member may be called from any
// thread (the value is one atomic).
class TManualTickClock final : public TTickClock {
public:
    explicit TManualTickClock(uint32_t start = 0) : FNow(start) {}
    uint32_t Now() const override { return FNow.load(std::memory_order_acquire); }
    void Set(uint32_t value) { FNow.store(value, std::memory_order_release); }
    // Wraps at 2^32 like the system's counter.
    void Advance(uint32_t milliseconds) { FNow.fetch_add(milliseconds, std::memory_order_acq_rel); }

private:
    std::atomic<uint32_t> FNow;
};
