#include "engine/WorkerHandle.h"

#include <QEventLoop>

TWorkerHandle::~TWorkerHandle()
{
    Stop();
}

void TWorkerHandle::Start(std::unique_ptr<QThread> worker, std::atomic<bool>& cancel,
                          QObject* context, std::function<void()> completion)
{
    Q_ASSERT(!Running);
    if (Worker) {
        // The previous worker has ended; its completion may be what starts this
        // one, so it is released once control is back in the event loop.
        Worker->wait();
        Worker.release()->deleteLater();
    }
    Worker = std::move(worker);
    Cancel = &cancel;
    Running = true;
    QThread* thread = Worker.get();
    const quint64 generation = ++Generation;
    Finished = QObject::connect(
        thread, &QThread::finished, context,
        [this, thread, generation, completion = std::move(completion)] {
            if (generation != Generation)
                return;
            thread->wait(); // finished goes out just before the thread really ends
            QObject::disconnect(Finished);
            Running = false;
            if (completion)
                completion();
            if (Waiting != nullptr)
                Waiting->quit();
        },
        Qt::QueuedConnection);
    Worker->start();
}

// Events other than the user's keep flowing: a worker waiting on a call to this
// thread goes on, and the completion arrives as one of them.
void TWorkerHandle::Wait()
{
    if (!Running)
        return;
    QEventLoop loop;
    Waiting = &loop;
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    Waiting = nullptr;
}

void TWorkerHandle::Stop()
{
    if (!Worker)
        return;
    QObject::disconnect(Finished);
    ++Generation;
    if (Running) {
        Cancel->store(true);
        QThread* thread = Worker.get();
        QEventLoop loop;
        QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit,
                         Qt::QueuedConnection);
        if (!thread->isFinished())
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        thread->wait();
        Running = false;
    }
    Worker.reset();
}
