#include "midi/MidiTimer.h"

TMidiTimer::TMidiTimer(TPeriodicTimer::TThreadStarter startThread) : FTimer(Period, std::move(startThread)) {}

TMidiTimer::~TMidiTimer() = default;

void TMidiTimer::Start()
{
    // Identities only tell one run from the next; 0 is kept for "stopped".
    uint32_t id = FLastId + 1;
    if (id == 0)
        id = 1;
    FTimer.Start([this] { Tick(); });
    FLastId = id;
    FTimerId.store(id, std::memory_order_release);
}

void TMidiTimer::Stop()
{
    FTimer.Stop();
    FTimerId.store(0, std::memory_order_release);
}

void TMidiTimer::Tick()
{
    if (OnTimer)
        OnTimer(this);
}
