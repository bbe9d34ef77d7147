#pragma once

#include <QObject>

class QSocketNotifier;

// Turns the signals that ask a program to end (SIGTERM from the system or a
// session that ends, SIGINT from Ctrl+C, SIGHUP from a closed terminal) into
// QuitRequested on the thread that made the object, so that the program ends as
// when its user closes it and writes what it must. The signal handler only writes
// the signal's number into a pipe, which is all that is safe there; the pipe
// wakes the event loop. A second signal of the same kind ends the program at
// once. One object at a time; its destruction gives the signals their default
// actions back.
class TQuitSignals : public QObject
{
    Q_OBJECT

public:
    explicit TQuitSignals(QObject* parent = nullptr);
    ~TQuitSignals() override;

    // A signal arrived (also before the event loop ran).
    bool Requested() const { return WasRequested; }

Q_SIGNALS:
    void QuitRequested(int signalNumber);

private:
    void ReadPipe();

    QSocketNotifier* Notifier = nullptr;
    bool WasRequested = false;
};
