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
    // Creates the thread that runs `body`, or raises std::system_error as std::thread does when
    // the system has no thread to give. Tests hand in one that refuses.
    using TThreadStarter = std::function<std::thread(std::function<void()> body)>;
    static std::thread StartSystemThread(std::function<void()> body);

    // Any thread.
    explicit TPeriodicTimer(std::chrono::nanoseconds period, TThreadStarter startThread = StartSystemThread);
    // Stops and joins the thread. Must not run on the timer's own thread (inside the callback).
    ~TPeriodicTimer();
    TPeriodicTimer(const TPeriodicTimer&) = delete;
    TPeriodicTimer& operator=(const TPeriodicTimer&) = delete;

    // Owner's thread, while stopped (raises std::logic_error when running or when called from
    // the callback). The first call of `callback` comes one period after Start. When the thread
    // cannot be created, raises std::system_error saying so and stays stopped: no call comes,
    // and a later Start may succeed.
    void Start(TCallback callback);
    // Any thread. From outside the callback it returns once the thread has ended, so no call
    // is under way afterwards. From inside the callback it only asks the thread to end after
    // that call returns (joining itself would deadlock).
    void Stop();
    // Any thread: true from Start until Stop.
    bool Running() const;

private:
    void Run(const TCallback& callback, std::chrono::steady_clock::time_point start);
    void MarkStopped();
    bool OnTimerThread() const;
    void JoinFinishedThread();

    const std::chrono::nanoseconds FPeriod;
    const TThreadStarter FStartThread;
    mutable std::mutex FMutex;
    std::condition_variable FWake;
    bool FStopRequested = true;
    std::thread::id FWorkerId;
    std::thread FThread;
};
