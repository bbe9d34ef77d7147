#include "common/DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace DataFolder {

QString Path()
{
    const QString home = qEnvironmentVariable("BRENVALE_HOME");
    if (!home.isEmpty())
        return QDir::cleanPath(home);
    const QString executableFolder = QCoreApplication::applicationDirPath();
    if (!executableFolder.isEmpty() && QFileInfo(executableFolder).isWritable())
        return executableFolder;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                         QStringLiteral("/Brenvale");
    QDir().mkpath(data);
    return data;
}

QString TaskListPath()
{
    return Path() + QStringLiteral("/tasklist.qn");
}

QString SyncStatePath()
{
    return Path() + QStringLiteral("/syncstate");
}

} // namespace DataFolder
