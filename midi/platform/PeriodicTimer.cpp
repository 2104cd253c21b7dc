#include "midi/platform/PeriodicTimer.h"

#include <algorithm>
#include <cerrno>
#include <pthread.h>
#include <sched.h>
#include <stdexcept>
#include <system_error>

TPeriodicTimer::TPeriodicTimer(std::chrono::nanoseconds period) : FPeriod(period)
{
    if (period <= std::chrono::nanoseconds::zero())
        throw std::invalid_argument("timer period must be positive");
}

TPeriodicTimer::~TPeriodicTimer()
{
    Stop();
    JoinFinishedThread();
}

bool TPeriodicTimer::OnTimerThread() const
{
    std::lock_guard lock(FMutex);
    return FWorkerId == std::this_thread::get_id();
}

void TPeriodicTimer::JoinFinishedThread()
{
    // A thread stopped from its own callback is ending, or has ended, by itself.
    if (FThread.joinable())
        FThread.join();
}

void TPeriodicTimer::Start(TCallback callback)
{
    if (OnTimerThread())
        throw std::logic_error("the periodic timer cannot be started from its own callback");
    if (Running())
        throw std::logic_error("the periodic timer is already running");
    JoinFinishedThread();
    {
        std::lock_guard lock(FMutex);
        FStopRequested = false;
    }
    std::thread worker(&TPeriodicTimer::Run, this, std::move(callback), std::chrono::steady_clock::now());
    // Wake-ups stay punctual while the other cores are busy only at a real-time priority.
    // Where the system does not grant it (no privilege) the thread keeps the normal one.
    sched_param priority{};
    priority.sched_priority = std::min(sched_get_priority_max(SCHED_FIFO), 10);
    const int result = pthread_setschedparam(worker.native_handle(), SCHED_FIFO, &priority);
    FThread = std::move(worker);
    if (result != 0 && result != EPERM)
        throw std::system_error(result, std::generic_category(), "cannot set the timer thread's priority");
}

void TPeriodicTimer::Stop()
{
    {
        std::lock_guard lock(FMutex);
        FStopRequested = true;
        if (FWorkerId == std::this_thread::get_id())
            return;
    }
    FWake.notify_all();
    JoinFinishedThread();
}

bool TPeriodicTimer::Running() const
{
    std::lock_guard lock(FMutex);
    return !FStopRequested;
}

void TPeriodicTimer::Run(TCallback callback, std::chrono::steady_clock::time_point start)
{
    std::unique_lock lock(FMutex);
    FWorkerId = std::this_thread::get_id();
    auto deadline = start + FPeriod;
    while (!FWake.wait_until(lock, deadline, [this] { return FStopRequested; })) {
        lock.unlock();
        callback();
        lock.lock();
        // Deadlines stay on the grid start + k * period. A callback or wake-up that overran
        // whole periods skips them instead of firing a burst of catch-up calls.
        deadline += FPeriod;
        const auto now = std::chrono::steady_clock::now();
        if (deadline <= now)
            deadline += (now - deadline) / FPeriod * FPeriod + FPeriod;
    }
    FWorkerId = std::thread::id();
}
