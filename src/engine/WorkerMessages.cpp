#include "engine/WorkerMessages.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>

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
    if (worker->isFinished() || !worker->isRunning()) {
        worker->wait();
        return;
    }
    QEventLoop loop;
    QObject::connect(worker, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    // The finished signal may have gone out between the test above and the
    // connection; a short poll covers that gap.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (worker->isFinished())
            loop.quit();
    });
    poll.start(20);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker->wait();
}
