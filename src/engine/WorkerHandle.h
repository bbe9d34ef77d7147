#pragma once

#include <QMetaObject>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

// Owns one worker thread. The worker is made first and started by Start; once
// its thread has ended, the completion runs on the context's thread. Destroying
// the handle (or Stop) cancels a running worker and waits for its end with
// events flowing, so a worker waiting on a call to this thread never deadlocks
// it and never outlives its owner; the completion then does not run.
class TWorkerHandle
{
public:
    TWorkerHandle() = default;
    TWorkerHandle(const TWorkerHandle&) = delete;
    TWorkerHandle& operator=(const TWorkerHandle&) = delete;
    ~TWorkerHandle();

    // Starts the worker in place of the previous one, which must have ended.
    void Start(std::unique_ptr<QThread> worker, std::atomic<bool>& cancel, QObject* context,
               std::function<void()> completion);
    // From Start until the completion has run (or Stop).
    bool IsRunning() const { return Running; }
    // Waits, with this thread's events flowing, until the completion has run.
    void Wait();
    // Cancels the worker and waits for its thread to end; the completion is
    // dropped. The worker is released.
    void Stop();

private:
    std::unique_ptr<QThread> Worker;
    std::atomic<bool>* Cancel = nullptr;
    QMetaObject::Connection Finished;
    // The event loop of a Wait in progress.
    class QEventLoop* Waiting = nullptr;
    bool Running = false;
    // Counts starts and stops, so that a completion queued before a Stop is dropped.
    quint64 Generation = 0;
};
