// The playback timer: a periodic 10 ms callback on a thread of its own that drives a song's
// TimerTick. It can be stopped from inside its own callback (the end-of-song stop does that).
#pragma once

#include "midi/platform/PeriodicTimer.h"

#include <atomic>
#include <cstdint>
#include <functional>

// A notification handler: one argument, the sender.
using TNotifyEvent = std::function<void(void* sender)>;

class TMidiTimer {
public:
    static constexpr std::chrono::milliseconds Period{10};

    // Window thread. Stopped, OnTimer unassigned. Tests may hand in a thread starter that fails.
    explicit TMidiTimer(TPeriodicTimer::TThreadStarter startThread = TPeriodicTimer::StartSystemThread);
    // Window thread (never inside OnTimer): stops the ticks and waits for a running one.
    ~TMidiTimer();
    TMidiTimer(const TMidiTimer&) = delete;
    TMidiTimer& operator=(const TMidiTimer&) = delete;

    // Called once per period on the timer thread with this timer as sender. Assign it on the
    // window thread while the timer is stopped.
    TNotifyEvent OnTimer;

    // Window thread, while stopped: ticks begin one period later. TimerId becomes non-zero.
    // When the timer's thread cannot be created, raises std::system_error and stays stopped
    // (TimerId 0, no ticks); Stop and a later Start work as usual.
    void Start();
    // Any thread, inside OnTimer included. From the window thread it returns after any tick
    // under way has finished; from inside OnTimer that tick is the last one. TimerId becomes 0.
    void Stop();
    // One period's work: calls OnTimer if assigned. The timer thread calls it.
    void Tick();
    // Any thread: identity of the running timer, 0 when stopped.
    uint32_t TimerId() const { return FTimerId.load(std::memory_order_acquire); }

private:
    TPeriodicTimer FTimer;
    std::atomic<uint32_t> FTimerId{0};
    uint32_t FLastId = 0;
};
