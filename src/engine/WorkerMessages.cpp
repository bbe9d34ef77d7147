#include "engine/WorkerMessages.h"

#include <QMetaObject>

void RunOnReceiverThread(QObject* receiver, const std::function<void()>& work)
{
    if (receiver->thread() == QThread::currentThread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(receiver, work, Qt::BlockingQueuedConnection);
}
