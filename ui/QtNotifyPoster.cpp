#include "ui/QtNotifyPoster.h"

#include <QMetaObject>

#include <stdexcept>

void TQtNotifyPoster::Post(std::function<void()> notice)
{
    if (!QMetaObject::invokeMethod(&FReceiver, std::move(notice), Qt::QueuedConnection))
        throw std::runtime_error("Qt refused to queue a MIDI driver notice");
}
