#include "TreeBuilder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString TreeBuilder::path(const QString& relative) const
{
    return Root + QLatin1Char('/') + relative;
}

bool TreeBuilder::file(const QString& relative, const QByteArray& content,
                       const QDateTime& modified)
{
    const QString full = path(relative);
    if (!QDir().mkpath(QFileInfo(full).absolutePath()))
        return false;
    QFile out(full);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    if (out.write(content) != content.size())
        return false;
    out.close();
    return !modified.isValid() || setTime(relative, modified);
}

bool TreeBuilder::folder(const QString& relative)
{
    return QDir().mkpath(path(relative));
}

bool TreeBuilder::setTime(const QString& relative, const QDateTime& modified)
{
    struct timespec times[2];
    times[0].tv_sec = modified.toSecsSinceEpoch();
    times[0].tv_nsec = 0;
    times[1] = times[0];
    return utimensat(AT_FDCWD, QFile::encodeName(path(relative)).constData(), times,
                     AT_SYMLINK_NOFOLLOW) == 0;
}

bool TreeBuilder::setMode(const QString& relative, unsigned mode)
{
    return chmod(QFile::encodeName(path(relative)).constData(), mode) == 0;
}

QByteArray TreeBuilder::read(const QString& relative) const
{
    QFile in(path(relative));
    if (!in.open(QIODevice::ReadOnly))
        return {};
    return in.readAll();
}

bool TreeBuilder::exists(const QString& relative) const
{
    return QFileInfo::exists(path(relative));
}

QDateTime LocalTime(int year, int month, int day, int hour, int minute, int second)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}

bool CanDropPrivileges()
{
    return !QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty();
}
