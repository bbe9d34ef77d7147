#include "run/RunLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A root as the locks compare it: links resolved where it exists.
QString Canonical(const QString& root)
{
    const QString resolved = QFileInfo(root).canonicalFilePath();
    return resolved.isEmpty() ? QDir::cleanPath(QDir(root).absolutePath()) : resolved;
}

// Holds a file lock on a descriptor until destroyed.
struct FileLock
{
    int Fd;
    explicit FileLock(const QString& path)
        : Fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600))
    {
        if (Fd >= 0 && ::flock(Fd, LOCK_EX) != 0) {
            ::close(Fd);
            Fd = -1;
        }
    }
    ~FileLock()
    {
        if (Fd >= 0)
            ::close(Fd);
    }
};

// The roots a live run holds in the lock file; none when its run has ended (the
// file is then removed).
QStringList LiveRoots(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    QStringList roots;
    if (::flock(fd, LOCK_SH | LOCK_NB) == 0) {
        ::unlink(QFile::encodeName(path).constData());
    } else {
        QFile file;
        if (file.open(fd, QIODevice::ReadOnly))
            roots = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    ::close(fd);
    return roots;
}

} // namespace

QString TRunLock::LockFolder()
{
    // The runtime folder only when it is this user's own: a program started with
    // another user's environment must not share (or fail on) that user's locks.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    struct stat st;
    if (!runtime.isEmpty() && ::stat(QFile::encodeName(runtime).constData(), &st) == 0 &&
        S_ISDIR(st.st_mode) && st.st_uid == ::getuid())
        return runtime + QStringLiteral("/brenvale");
    return QDir::tempPath() + QStringLiteral("/brenvale-") + QString::number(::getuid());
}

bool TRunLock::SameTree(const QString& a, const QString& b)
{
    const auto inside = [](const QString& inner, const QString& outer) {
        return inner == outer || outer == QStringLiteral("/") ||
               (inner.startsWith(outer) && inner.at(outer.size()) == QLatin1Char('/'));
    };
    return inside(a, b) || inside(b, a);
}

// Each root exclusively, each folder above it shared: a run on a folder inside
// or around a held root then asks for a lock that the holder's excludes.
bool TRunLock::LockFolders(const QStringList& roots, const QStringList& canonical)
{
    const auto lock = [this](const QString& folder, int kind) {
        const int fd =
            ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return true; // a folder that cannot be opened is told by the run itself
        FolderFds.push_back(fd);
        return ::flock(fd, kind | LOCK_NB) == 0 || errno != EWOULDBLOCK;
    };
    for (qsizetype i = 0; i < canonical.size(); ++i) {
        QString above = canonical.at(i);
        while (above != QStringLiteral("/")) {
            above = QFileInfo(above).path();
            if (!lock(above, LOCK_SH)) {
                BusyPath = roots.at(i);
                return false;
            }
        }
        if (!lock(canonical.at(i), LOCK_EX)) {
            BusyPath = roots.at(i);
            return false;
        }
    }
    return true;
}

bool TRunLock::Take(const QStringList& roots)
{
    Release();
    BusyPath.clear();
    const QString folder = LockFolder();
    const QByteArray folderBytes = QFile::encodeName(folder);
    ::mkdir(folderBytes.constData(), 0700);
    struct stat st;
    if (::lstat(folderBytes.constData(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        st.st_uid != ::getuid()) {
        BusyPath = folder; // someone else's folder: no lock can be trusted there
        return false;
    }

    QStringList ours;
    for (const QString& root : roots)
        ours.append(Canonical(root));
    // One run at a time looks at the locks and adds its own.
    const FileLock guard(folder + QStringLiteral("/registry.lock"));
    if (guard.Fd < 0) {
        BusyPath = folder;
        return false;
    }
    if (!LockFolders(roots, ours)) {
        Release();
        return false;
    }
    const QStringList files =
        QDir(folder).entryList({QStringLiteral("run-*.roots")}, QDir::Files | QDir::Hidden);
    for (const QString& name : files) {
        for (const QString& held : LiveRoots(folder + QLatin1Char('/') + name)) {
            for (qsizetype i = 0; i < ours.size(); ++i) {
                if (SameTree(ours.at(i), held)) {
                    Release();
                    BusyPath = roots.at(i);
                    return false;
                }
            }
        }
    }

    static std::atomic<int> counter{0};
    FilePath = folder + QStringLiteral("/run-%1-%2.roots").arg(::getpid()).arg(++counter);
    Fd = ::open(QFile::encodeName(FilePath).constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC,
                0600);
    const QByteArray text = ours.join(QLatin1Char('\n')).toUtf8() + '\n';
    if (Fd < 0 || ::flock(Fd, LOCK_EX) != 0 ||
        ::write(Fd, text.constData(), size_t(text.size())) != ssize_t(text.size())) {
        Release();
        BusyPath = folder;
        return false;
    }
    return true;
}

void TRunLock::Release()
{
    for (int fd : FolderFds)
        ::close(fd);
    FolderFds.clear();
    if (Fd < 0)
        return;
    ::unlink(QFile::encodeName(FilePath).constData());
    ::close(Fd);
    Fd = -1;
    FilePath.clear();
}
