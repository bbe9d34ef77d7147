#include "engine/WorkerMessages.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>

namespace {

bool SelfDeleting(const QThread* worker)
{
    return worker->property(SelfDeletingProperty).toBool();
}

} // namespace

void StartSelfDeletingWorker(QThread* worker, QObject* pageWindow, std::function<void()> completion)
{
    worker->setProperty(SelfDeletingProperty, true);
    QObject::connect(
        worker, &QThread::finished, pageWindow,
        [worker, completion = std::move(completion)] {
            worker->wait(); // finished goes out just before the thread really ends
            if (completion)
                completion();
            worker->deleteLater();
        },
        Qt::QueuedConnection);
    worker->start();
}

void RunOnReceiverThread(QObject* receiver, const std::function<void()>& work)
{
    if (receiver->thread() == QThread::currentThread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(receiver, work, Qt::BlockingQueuedConnection);
}

void SendWorkerMessage(QObject* receiver, const TMessageHandler& handler, int message,
                       qint64 wParam, qint64 lParam)
{
    if (!handler)
        return;
    RunOnReceiverThread(receiver, [&] { handler(message, wParam, lParam); });
}

void WaitWithEvents(QThread* worker)
{
    QPointer<QThread> guard(worker);
    QEventLoop loop;
    QObject::connect(worker, &QObject::destroyed, &loop, &QEventLoop::quit);
    // Workers that delete themselves do so once their completion has run, inside
    // this loop; others are done when their thread has finished.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!guard || (!guard->isRunning() && !SelfDeleting(guard)))
            loop.quit();
    });
    poll.start(10);
    if (guard && (guard->isRunning() || SelfDeleting(guard)))
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (guard)
        guard->wait();
}
