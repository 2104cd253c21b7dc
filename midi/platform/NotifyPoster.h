// Carries notices from a driver's thread to the thread that owns a device.
#pragma once

#include <functional>

class TNotifyPoster {
public:
    virtual ~TNotifyPoster() = default;
    // Called from any thread (the driver's callback); runs `notice` later on the owning thread, in order.
    virtual void Post(std::function<void()> notice) = 0;
};
