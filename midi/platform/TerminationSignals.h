// The termination signals (SIGTERM, SIGINT and SIGHUP: kill, Ctrl+C, logout) turned into a
// byte on a pipe, so that the program quits through its ordinary close path on its own thread
// instead of dying where the signal struck. The handler only writes that byte and sets the
// flag QuitRequested reads. It is installed with SA_RESETHAND: a second signal of the same
// kind ends the program at once, for when the orderly quit hangs.
//
// Threads: one instance per process, created and destroyed on the thread that watches ReadFd
// (the window thread). QuitRequested may be called from any thread.
#pragma once

#include <csignal>

class TTerminationSignals {
public:
    // Creates the pipe and installs the handlers. Raises std::system_error when either fails,
    // and std::logic_error when another instance exists.
    TTerminationSignals();
    // Puts the handlers that were there before back and closes the pipe.
    ~TTerminationSignals();
    TTerminationSignals(const TTerminationSignals&) = delete;
    TTerminationSignals& operator=(const TTerminationSignals&) = delete;

    static constexpr int Handled[] = {SIGTERM, SIGINT, SIGHUP};

    // Readable once a signal has arrived (non-blocking, close-on-exec).
    int ReadFd() const { return FReadFd; }
    // Empties the pipe; returns the last signal that arrived since the previous call, 0 if none.
    int TakeSignal();
    // True once any of the signals has arrived in this process: the program is quitting and
    // must ask the user nothing on its way out.
    static bool QuitRequested();

private:
    int FReadFd = -1;
    struct sigaction FPrevious[3] = {};
};
