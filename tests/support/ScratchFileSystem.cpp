#include "ScratchFileSystem.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <unistd.h>

ScratchFileSystem::~ScratchFileSystem()
{
    if (Mounted)
        Run(QStringLiteral("umount"), {QStringLiteral("-l"), MountPoint.path()});
    if (!Loop.isEmpty())
        Run(QStringLiteral("losetup"), {QStringLiteral("-d"), Loop});
    if (!Image.isEmpty())
        QFile::remove(Image);
}

bool ScratchFileSystem::Run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

QString ScratchFileSystem::Mount(Kind kind, int sizeMb, const QString& imageFolder)
{
    FsKind = kind;
    if (::geteuid() != 0)
        return QStringLiteral("mounting a file system needs root");
    if (kind == Kind::Tmpfs) {
        Mounted = Run(QStringLiteral("mount"),
                      {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                       QStringLiteral("size=%1m").arg(sizeMb), QStringLiteral("tmpfs"),
                       MountPoint.path()});
        return Mounted ? QString() : QStringLiteral("cannot mount a tmpfs");
    }
    const bool ext4 = kind != Kind::ExfatFuse;
    const QString maker = ext4 ? QStringLiteral("mkfs.ext4") : QStringLiteral("mkfs.exfat");
    QStringList tools{maker, QStringLiteral("losetup")};
    if (kind == Kind::ExfatFuse)
        tools.append(QStringLiteral("mount.exfat-fuse"));
    for (const QString& tool : tools) {
        if (QStandardPaths::findExecutable(tool).isEmpty() &&
            QStandardPaths::findExecutable(tool,
                                           {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")})
                .isEmpty())
            return tool + QStringLiteral(" is not installed (scripts/install-deps.sh)");
    }
    if (kind == Kind::ExfatFuse && !QFile::exists(QStringLiteral("/dev/fuse")))
        return QStringLiteral("the machine has no /dev/fuse");
    Image = (imageFolder.isEmpty() ? ImageFolder.path() : imageFolder) + QStringLiteral("/fs.img");
    QFile image(Image);
    if (!image.open(QIODevice::WriteOnly) || !image.resize(qint64(sizeMb) * 1024 * 1024))
        return QStringLiteral("cannot make the image file");
    image.close();
    QStringList makeArgs{Image};
    if (ext4)
        makeArgs = QStringList{QStringLiteral("-q"), QStringLiteral("-F"), Image};
    if (kind == Kind::Ext4SmallInodes)
        makeArgs.prepend(QStringLiteral("-I128"));
    if (!Run(maker, makeArgs))
        return maker + QStringLiteral(" failed");
    QProcess losetup;
    losetup.start(QStringLiteral("losetup"),
                  {QStringLiteral("-f"), QStringLiteral("--show"), Image});
    if (!losetup.waitForFinished(30000) || losetup.exitCode() != 0)
        return QStringLiteral("no free loop device");
    Loop = QString::fromLocal8Bit(losetup.readAllStandardOutput()).trimmed();
    if (!MountDevice())
        return QStringLiteral("cannot mount ") + Loop;
    return QString();
}

bool ScratchFileSystem::MountDevice()
{
    Mounted = FsKind != Kind::ExfatFuse
                  ? Run(QStringLiteral("mount"),
                        {QStringLiteral("-t"), QStringLiteral("ext4"), Loop, MountPoint.path()})
                  : Run(QStringLiteral("mount.exfat-fuse"), {Loop, MountPoint.path()});
    return Mounted;
}
