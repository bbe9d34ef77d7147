#include "common/InstanceLock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

QString TInstanceLock::LockFilePath(const QString& folder)
{
    return folder + QStringLiteral("/brenvale.lock");
}

TInstanceLock::TResult TInstanceLock::Take(const QString& folder)
{
    Release();
    const QByteArray path = QFile::encodeName(LockFilePath(folder));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return TResult::Unavailable;
    int result;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) {
        Fd = fd;
        return TResult::Taken;
    }
    const bool busy = errno == EWOULDBLOCK;
    ::close(fd);
    return busy ? TResult::Busy : TResult::Unavailable;
}

void TInstanceLock::Release()
{
    if (Fd < 0)
        return;
    // Closing the last descriptor drops the lock; the file stays for the next start.
    ::close(Fd);
    Fd = -1;
}
