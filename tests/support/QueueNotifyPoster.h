// A notice poster for tests: keeps posted notices in a queue that the test drains itself,
// standing in for the owning thread's event loop.
#pragma once

#include "midi/platform/NotifyPoster.h"

#include <deque>
#include <functional>
#include <mutex>

class TQueueNotifyPoster : public TNotifyPoster {
public:
    // Any thread.
    void Post(std::function<void()> notice) override
    {
        std::lock_guard guard(FLock);
        FQueue.push_back(std::move(notice));
    }

    // The test's thread: runs every queued notice in order, those posted meanwhile included.
    // Returns how many ran.
    int Drain()
    {
        int count = 0;
        for (;;) {
            std::function<void()> notice;
            {
                std::lock_guard guard(FLock);
                if (FQueue.empty())
                    return count;
                notice = std::move(FQueue.front());
                FQueue.pop_front();
            }
            notice();
            ++count;
        }
    }

private:
    std::mutex FLock;
    std::deque<std::function<void()>> FQueue;
};
