#include "midi/platform/PeriodicTimer.h"

#include <algorithm>
#include <pthread.h>
#include <sched.h>
#include <stdexcept>
#include <system_error>

std::thread TPeriodicTimer::StartSystemThread(std::function<void()> body) { return std::thread(std::move(body)); }

TPeriodicTimer::TPeriodicTimer(std::chrono::nanoseconds period, TThreadStarter startThread)
    : FPeriod(period), FStartThread(std::move(startThread))
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
    try {
        FThread = FStartThread([this, callback = std::move(callback), start = std::chrono::steady_clock::now()] {
            Run(callback, start);
        });
    } catch (const std::system_error& error) {
        MarkStopped();
        throw std::system_error(error.code(), "the timer's thread cannot be started");
    } catch (...) {
        MarkStopped();
        throw;
    }
}

namespace {

// Wake-ups stay punctual while the other cores are busy only at a real-time priority. The
// thread asks for it itself (so it can never be gone by then); where the system does not grant
// it (no privilege, or no such policy) the thread keeps the normal priority and still runs.
void AskForRealTimePriority()
{
    sched_param priority{};
    priority.sched_priority = std::min(sched_get_priority_max(SCHED_FIFO), 10);
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority);
}

} // namespace

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

void TPeriodicTimer::MarkStopped()
{
    std::lock_guard lock(FMutex);
    FStopRequested = true;
}

void TPeriodicTimer::Run(const TCallback& callback, std::chrono::steady_clock::time_point start)
{
    AskForRealTimePriority();
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
