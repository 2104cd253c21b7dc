#include "ui/TerminationNotifier.h"

#include <QApplication>
#include <QWidget>

TTerminationNotifier::TTerminationNotifier(std::function<void(int signal)> onSignal)
    : FNotifier(FSignals.ReadFd(), QSocketNotifier::Read), FOnSignal(std::move(onSignal))
{
    QObject::connect(&FNotifier, &QSocketNotifier::activated, [this] {
        if (const int signal = FSignals.TakeSignal(); signal != 0 && FOnSignal)
            FOnSignal(signal);
    });
}

void TTerminationNotifier::CloseModalDialogs()
{
    // A dialog that refuses to close stays; it must not keep this loop going.
    for (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr;) {
        modal->close();
        QWidget* next = QApplication::activeModalWidget();
        if (next == modal)
            break;
        modal = next;
    }
}
