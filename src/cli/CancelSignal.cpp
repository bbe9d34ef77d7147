#include "cli/CancelSignal.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace CancelSignal {

namespace {

static_assert(std::atomic<bool>::is_always_lock_free,
              "the signal handler may only touch a lock-free flag");
static_assert(std::atomic<std::atomic<bool>*>::is_always_lock_free);

// The one thing the handler reaches; a signal handler gets no argument.
std::atomic<std::atomic<bool>*> Target{nullptr};

constexpr char Notice[] =
    "\nStopping: a file being copied is finished first (Ctrl+C again to quit at once)\n";

extern "C" void OnInterrupt(int)
{
    const int savedErrno = errno;
    if (std::atomic<bool>* flag = Target.load())
        flag->store(true);
    // write() is safe in a signal handler; a failed write changes nothing.
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, Notice, sizeof Notice - 1);
    errno = savedErrno;
}

} // namespace

void Install(std::atomic<bool>& cancelled)
{
    Target.store(&cancelled);
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // After the first Ctrl+C the default action is back: the second one ends the
    // program.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
}

void Release()
{
    signal(SIGINT, SIG_DFL);
    Target.store(nullptr);
}

} // namespace CancelSignal
