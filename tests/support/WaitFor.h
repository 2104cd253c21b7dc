// Waits, at most 10 s, until `done` holds: for tests whose work runs on another thread.
#pragma once

#include <chrono>
#include <thread>

template <typename F> bool WaitFor(F done)
{
    using namespace std::chrono_literals;
    const auto limit = std::chrono::steady_clock::now() + 10s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}
