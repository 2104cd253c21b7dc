#include "midi/platform/TerminationSignals.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <stdexcept>

namespace {

bool Readable(int fd)
{
    pollfd watch{fd, POLLIN, 0};
    return ::poll(&watch, 1, 0) == 1 && (watch.revents & POLLIN);
}

void (*HandlerOf(int signal))(int)
{
    struct sigaction current{};
    ::sigaction(signal, nullptr, &current);
    return current.sa_handler;
}

extern "C" void Earlier(int) {}

} // namespace

TEST(TerminationSignals, EachSignalBecomesAByteAndTheEarlierHandlersReturn)
{
    std::signal(SIGHUP, Earlier);
    {
        TTerminationSignals signals;
        EXPECT_THROW(TTerminationSignals(), std::logic_error) << "one instance per process";
        EXPECT_FALSE(Readable(signals.ReadFd()));
        EXPECT_EQ(signals.TakeSignal(), 0);
        EXPECT_FALSE(TTerminationSignals::QuitRequested());

        for (int signal : TTerminationSignals::Handled) {
            ASSERT_EQ(std::raise(signal), 0);
            EXPECT_TRUE(Readable(signals.ReadFd())) << "signal " << signal;
            EXPECT_EQ(signals.TakeSignal(), signal);
            EXPECT_FALSE(Readable(signals.ReadFd())) << "the pipe is emptied";
            EXPECT_EQ(HandlerOf(signal), SIG_DFL) << "a second signal " << signal << " ends the program";
        }
        EXPECT_TRUE(TTerminationSignals::QuitRequested());
    }
    EXPECT_EQ(HandlerOf(SIGHUP), Earlier);
    EXPECT_EQ(HandlerOf(SIGTERM), SIG_DFL);
    std::signal(SIGHUP, SIG_DFL);

    TTerminationSignals again; // a new instance after the first is gone
    EXPECT_NE(HandlerOf(SIGINT), SIG_DFL);
}
