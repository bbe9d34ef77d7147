#include "schedule/TreeWatch.h"

#include "engine/UWinFile.h"

#include <QFile>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace {

// What counts as a change of a folder's entries or of a file's content, times
// or permissions; the folder itself going away ends its watch.
constexpr quint32 Events = IN_CREATE | IN_DELETE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_FROM |
                           IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;

} // namespace

TTreeWatch::TTreeWatch(QObject* parent) : QObject(parent)
{
    QuietTimer.setSingleShot(true);
    connect(&QuietTimer, &QTimer::timeout, this, &TTreeWatch::Quiet);
}

TTreeWatch::~TTreeWatch()
{
    Stop();
}

bool TTreeWatch::Start(const QStringList& roots)
{
    Stop();
    Error.clear();
    Fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (Fd < 0) {
        Fail(QStringLiteral("Cannot watch the folders for changes: ") +
             QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    for (const QString& root : roots) {
        const std::string path = QFile::encodeName(root).toStdString();
        if (!AddTree(path, -1, path.c_str()))
            return false;
    }
    Notifier = new QSocketNotifier(Fd, QSocketNotifier::Read, this);
    connect(Notifier, &QSocketNotifier::activated, this, &TTreeWatch::ReadEvents);
    return true;
}

void TTreeWatch::Stop()
{
    QuietTimer.stop();
    // Stop may come from the notifier's own call (the limit reached on a new
    // folder): it goes once that call has returned.
    if (Notifier != nullptr) {
        Notifier->setEnabled(false);
        Notifier->deleteLater();
    }
    Notifier = nullptr;
    if (Fd >= 0)
        ::close(Fd); // ends every watch of the instance
    Fd = -1;
    Folders.clear();
    Folders.shrink_to_fit();
    Names.clear();
    Names.shrink_to_fit();
    Watched = 0;
    Paused = false;
    ChangedWhilePaused = false;
}

void TTreeWatch::Pause()
{
    Paused = true;
    QuietTimer.stop();
}

void TTreeWatch::Resume()
{
    Paused = false;
    if (std::exchange(ChangedWhilePaused, false) && IsWatching())
        QuietTimer.start(QuietMs);
}

qint64 TTreeWatch::SystemLimit()
{
    QFile file(QStringLiteral("/proc/sys/fs/inotify/max_user_watches"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    bool ok = false;
    const qint64 limit = file.readAll().trimmed().toLongLong(&ok);
    return ok ? limit : -1;
}

QString TTreeWatch::LimitText(qint64 limit)
{
    const qint64 raised = std::max<qint64>(limit * 4, 1048576);
    return QStringLiteral("Watching the folders for changes needs more watches than the system "
                          "allows (fs.inotify.max_user_watches = %1): the job runs every period "
                          "instead. To allow more: sudo sysctl fs.inotify.max_user_watches=%2")
        .arg(limit)
        .arg(raised);
}

// The folder and every folder below it; false when the limit was reached.
bool TTreeWatch::AddTree(const std::string& path, int parent, const char* name)
{
    int wd = -1;
    if (!AddWatch(path, parent, name, wd))
        return false;
    if (wd < 0)
        return true; // gone, or not a folder: nothing to watch
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr)
        return true; // unreadable: its own entries are still watched
    bool ok = true;
    while (const dirent* entry = ::readdir(dir)) {
        if (TWinFile::IsReservedName(entry->d_name))
            continue;
        bool folder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st;
            folder = ::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                     S_ISDIR(st.st_mode);
        }
        if (folder && !AddTree(path + '/' + entry->d_name, wd, entry->d_name)) {
            ok = false;
            break;
        }
    }
    ::closedir(dir);
    return ok;
}

// One folder's watch; wd stays -1 for a path that is no folder (any more).
bool TTreeWatch::AddWatch(const std::string& path, int parent, const char* name, int& wd)
{
    if (WatchLimit > 0 && Watched >= WatchLimit)
        errno = ENOSPC;
    else
        wd = ::inotify_add_watch(Fd, path.c_str(), Events | IN_ONLYDIR | IN_DONT_FOLLOW);
    if (wd < 0) {
        if (errno != ENOSPC)
            return true;
        const qint64 limit = WatchLimit > 0 ? WatchLimit : SystemLimit();
        Stop();
        Q_EMIT LimitReached(limit);
        return false;
    }
    if (size_t(wd) >= Folders.size())
        Folders.resize(size_t(wd) + 1);
    TFolder& folder = Folders[size_t(wd)];
    if (folder.Live)
        return true; // the kernel's watch of a folder seen before (moved within the tree)
    folder.Parent = parent;
    folder.NameOffset = quint32(Names.size());
    folder.NameLength = quint32(std::strlen(name));
    folder.Live = true;
    Names.append(name);
    ++Watched;
    return true;
}

std::string TTreeWatch::PathOf(int wd) const
{
    std::vector<int> chain;
    for (int at = wd; at >= 0; at = Folders[size_t(at)].Parent)
        chain.push_back(at);
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const TFolder& folder = Folders[size_t(*it)];
        if (!path.empty())
            path += '/';
        path.append(Names, folder.NameOffset, folder.NameLength);
    }
    return path;
}

void TTreeWatch::ReadEvents()
{
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t length = ::read(Fd, buffer, sizeof buffer);
        if (length <= 0)
            return;
        bool changed = false;
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                changed = true;
                continue;
            }
            const bool known = event->wd >= 0 && size_t(event->wd) < Folders.size() &&
                               Folders[size_t(event->wd)].Live;
            if (!known)
                continue;
            if (event->mask & IN_IGNORED) {
                Folders[size_t(event->wd)].Live = false;
                --Watched;
                continue;
            }
            const char* name = event->len > 0 ? event->name : "";
            if (*name != 0 && TWinFile::IsReservedName(name))
                continue;
            changed = true;
            if ((event->mask & IN_ISDIR) && (event->mask & (IN_CREATE | IN_MOVED_TO)) &&
                !AddTree(PathOf(event->wd) + '/' + name, event->wd, name))
                return; // over the limit: the watch has ended
        }
        if (changed)
            Changed();
    }
}

void TTreeWatch::Changed()
{
    ++ChangeCount;
    if (Paused)
        ChangedWhilePaused = true;
    else
        QuietTimer.start(QuietMs);
}

void TTreeWatch::Fail(const QString& reason)
{
    Error = reason;
    Stop();
}
