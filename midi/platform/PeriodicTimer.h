// A periodic timer thread of our own: calls its callback once per period, sleeping to absolute
// deadlines on the monotonic clock so that late wake-ups never add up to drift. The thread runs
// at a modest real-time priority (SCHED_FIFO 10) where the system grants one.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class TPeriodicTimer {
public:
    using TCallback = std::function<void()>;

    // Any thread.
    explicit TPeriodicTimer(std::chrono::nanoseconds period);
    // Stops and joins the thread. Must not run on the timer's own thread (inside the callback).
    ~TPeriodicTimer();
    TPeriodicTimer(const TPeriodicTimer&) = delete;
    TPeriodicTimer& operator=(const TPeriodicTimer&) = delete;

    // Owner's thread, while stopped (raises std::logic_error when running or when called from
    // the callback). The first call of `callback` comes one period after Start.
    void Start(TCallback callback);
    // Any thread. From outside the callback it returns once the thread has ended, so no call
    // is under way afterwards. From inside the callback it only asks the thread to end after
    // that call returns (joining itself would deadlock).
    void Stop();
    // Any thread: true from Start until Stop.
    bool Running() const;

private:
    void Run(TCallback callback, std::chrono::steady_clock::time_point start);
    bool OnTimerThread() const;
    void JoinFinishedThread();

    const std::chrono::nanoseconds FPeriod;
    mutable std::mutex FMutex;
    std::condition_variable FWake;
    bool FStopRequested = true;
    std::thread::id FWorkerId;
    std::thread FThread;
};
