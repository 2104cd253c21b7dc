#include "midi/platform/TerminationSignals.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace {

// Used by the handler, so lock-free atomics only (they are also read from other threads).
static_assert(std::atomic<int>::is_always_lock_free);
std::atomic<int> WriteFd{-1};
std::atomic<int> Quitting{0};
bool Installed = false;

extern "C" void OnTerminationSignal(int signal)
{
    const int savedErrno = errno;
    Quitting.store(1);
    const unsigned char byte = static_cast<unsigned char>(signal);
    // A full pipe already holds a byte that will wake the reader; nothing is lost.
    [[maybe_unused]] const ssize_t written = ::write(WriteFd.load(), &byte, 1);
    errno = savedErrno;
}

[[noreturn]] void RaiseSystemError(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

} // namespace

TTerminationSignals::TTerminationSignals()
{
    if (Installed)
        throw std::logic_error("the termination signals are already handled");
    int fds[2];
    if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0)
        RaiseSystemError("cannot create the pipe for termination signals");
    FReadFd = fds[0];
    WriteFd = fds[1];

    struct sigaction action{};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (size_t i = 0; i < std::size(Handled); ++i) {
        if (::sigaction(Handled[i], &action, &FPrevious[i]) != 0) {
            const int error = errno;
            for (size_t j = 0; j < i; ++j) // handlers that were in place a moment ago
                ::sigaction(Handled[j], &FPrevious[j], nullptr);
            ::close(FReadFd);
            ::close(WriteFd.exchange(-1));
            errno = error;
            RaiseSystemError("cannot handle the termination signals");
        }
    }
    Installed = true;
}

TTerminationSignals::~TTerminationSignals()
{
    // Putting back handlers that were in place a moment ago and closing our own descriptors
    // cannot fail in a way anything could be done about here.
    for (size_t i = 0; i < std::size(Handled); ++i)
        ::sigaction(Handled[i], &FPrevious[i], nullptr);
    ::close(WriteFd.exchange(-1));
    ::close(FReadFd);
    Installed = false;
}

int TTerminationSignals::TakeSignal()
{
    int last = 0;
    unsigned char bytes[16];
    for (ssize_t got; (got = ::read(FReadFd, bytes, sizeof bytes)) > 0;)
        last = bytes[got - 1];
    return last;
}

bool TTerminationSignals::QuitRequested() { return Quitting.load() != 0; }
