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

void WaitWithEvents(const std::function<bool()>& done)
{
    if (done())
        return;
    QEventLoop loop;
    // A queued completion or a worker's call ends the wait at the next look.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(5);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}
