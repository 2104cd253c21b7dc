// Delivers driver notices through the Qt event loop of the thread that created the poster.
#pragma once

#include "midi/platform/NotifyPoster.h"

#include <QObject>

class TQtNotifyPoster : public TNotifyPoster {
public:
    // On the thread whose event loop is to run the notices (the window thread).
    TQtNotifyPoster() = default;

    // Any thread. Notices run in posting order; those still queued when the poster is
    // destroyed are dropped. Throws std::runtime_error when Qt refuses the notice.
    void Post(std::function<void()> notice) override;

private:
    QObject FReceiver;
};
