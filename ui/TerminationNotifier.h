// Carries the termination signals (SIGTERM, SIGINT, SIGHUP) to the window thread: when one
// arrives, the given function runs there from the event loop, never inside the signal handler.
// TTerminationSignals::QuitRequested tells the window, from then on, to ask the user nothing.
//
// Threads: created, used and destroyed on the window thread, after the application object.
#pragma once

#include "midi/platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <functional>

class TTerminationNotifier {
public:
    // `onSignal` gets the signal's number. Raises as TTerminationSignals does.
    explicit TTerminationNotifier(std::function<void(int signal)> onSignal);

    // Closes every open modal dialog (a message box or a dialog waiting for the user), so that
    // closing the main window next really ends the program.
    static void CloseModalDialogs();

private:
    TTerminationSignals FSignals;
    QSocketNotifier FNotifier;
    std::function<void(int signal)> FOnSignal;
};
