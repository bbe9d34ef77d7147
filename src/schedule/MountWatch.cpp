#include "schedule/MountWatch.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

TMountWatch::TMountWatch(QObject* parent) : QObject(parent)
{
    Fd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (Fd < 0)
        return;
    ReadToEnd();
    Notifier = new QSocketNotifier(Fd, QSocketNotifier::Exception, this);
    connect(Notifier, &QSocketNotifier::activated, this, &TMountWatch::TableChanged);
}

TMountWatch::~TMountWatch()
{
    delete Notifier;
    if (Fd >= 0)
        ::close(Fd);
}

void TMountWatch::TableChanged()
{
    ReadToEnd();
    Q_EMIT MountsChanged();
}

// The mark stays until the table is read again from its start.
void TMountWatch::ReadToEnd()
{
    char buffer[8192];
    if (::lseek(Fd, 0, SEEK_SET) != 0)
        return;
    while (::read(Fd, buffer, sizeof buffer) > 0) {
    }
}
