#include "common/QuitSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int Signals[] = {SIGTERM, SIGINT, SIGHUP};

// The pipe's ends; the handler reaches the write end, which is set before the
// handlers are installed and cleared after they are removed.
int ReadEnd = -1;
volatile sig_atomic_t WriteEnd = -1;

extern "C" void OnQuitSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(signalNumber);
    // A full pipe already holds a request; a failed write changes nothing.
    if (WriteEnd >= 0) [[maybe_unused]]
        const ssize_t written = ::write(WriteEnd, &number, 1);
    errno = savedErrno;
}

} // namespace

TQuitSignals::TQuitSignals(QObject* parent) : QObject(parent)
{
    Q_ASSERT(WriteEnd < 0);
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    ReadEnd = ends[0];
    WriteEnd = ends[1];
    Notifier = new QSocketNotifier(ReadEnd, QSocketNotifier::Read, this);
    connect(Notifier, &QSocketNotifier::activated, this, &TQuitSignals::ReadPipe);

    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    // The first signal of a kind asks; a second one ends the program at once, as
    // the system's default does (a run that will not stop, a user who will not wait).
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int signalNumber : Signals)
        sigaction(signalNumber, &action, nullptr);
}

TQuitSignals::~TQuitSignals()
{
    if (ReadEnd < 0)
        return;
    for (const int signalNumber : Signals)
        signal(signalNumber, SIG_DFL);
    const int writeEnd = WriteEnd;
    WriteEnd = -1;
    delete Notifier;
    ::close(writeEnd);
    ::close(ReadEnd);
    ReadEnd = -1;
}

void TQuitSignals::ReadPipe()
{
    // Signals that came together make one request.
    unsigned char numbers[16];
    int last = 0;
    ssize_t count;
    while ((count = ::read(ReadEnd, numbers, sizeof numbers)) > 0)
        last = numbers[count - 1];
    if (last == 0)
        return;
    WasRequested = true;
    Q_EMIT QuitRequested(last);
}
