#include "engine/UWinFile.h"

#include "engine/UFileOper.h"
#include "engine/UFileStructure.h"
#include "jobs/PackedDateTime.h"
#include "jobs/UTFolderSource.h"
#include "jobs/UTSyncTask.h"

#include <QFile>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace {

std::string Bytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString ErrnoText(const char* what, const std::string& path)
{
    return QString::fromUtf8(what) + QStringLiteral(" ") + QFile::decodeName(path.c_str()) +
           QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

bool IsReserved(const char* name)
{
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
        return true;
    return std::strcmp(name, "__Save__") == 0 || std::strcmp(name, "__FileSync__") == 0 ||
           TWinFile::IsTemporaryName(name);
}

// Decodes a name; false when its bytes are not valid UTF-8 (the name would be
// changed by a round trip, so it could not be found again).
bool DecodeName(const char* bytes, size_t length, QString& name)
{
    name = QString::fromUtf8(bytes, qsizetype(length));
    if (!name.contains(QChar::ReplacementCharacter))
        return true;
    return name.toUtf8() == QByteArray::fromRawData(bytes, qsizetype(length));
}

qint32 Attributes(const char* name, const struct stat& st)
{
    qint32 attr = S_ISDIR(st.st_mode) ? FileAttribute::Directory : FileAttribute::Archive;
    if (!(st.st_mode & S_IWUSR))
        attr |= FileAttribute::ReadOnly;
    if (name[0] == '.')
        attr |= FileAttribute::Hidden;
    return attr;
}

bool WriteAll(int fd, const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

bool ReadAll(int fd, char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::read(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO; // the file became shorter than it was when the copy began
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// Opens the source and moves to the start of the piece: in steps of at most 2000
// pieces, so that files of any size are reached with moves that fit a signed
// 32-bit count. -1 on failure.
int OpenAtPiece(const std::string& source, qint64 pieceNo)
{
    const int fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const qint64 index = pieceNo - 1;
    bool ok = true;
    if (index < 2000) {
        ok = ::lseek(fd, off_t(index * TWinFile::PieceBytes), SEEK_SET) >= 0;
    } else {
        ok = ::lseek(fd, 0, SEEK_SET) >= 0;
        for (qint64 step = 0; ok && step < index / 2000; ++step)
            ok = ::lseek(fd, off_t(TWinFile::LargestMove), SEEK_CUR) >= 0;
        ok = ok && ::lseek(fd, off_t((index % 2000) * TWinFile::PieceBytes), SEEK_CUR) >= 0;
    }
    if (!ok) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}

} // namespace

qint32 TWinFile::CheckFolder(const TFolderSource& side)
{
    struct stat st;
    const std::string path = Bytes(TrimBlanksAndControls(side.FolerAllName));
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return 1;
    return 0;
}

void TWinFile::ScanRoot(const TFolderSource& side, TFileAttri& root, const TBeenTortured& filter)
{
    root.FileCount = ScanFolder(side.FolerAllName, root, filter);
}

qint32 TWinFile::ScanFolder(const QString& path, TFileAttri& node, const TBeenTortured& filter)
{
    const QString prefix = SyncPath::FolderPrefix(path);
    std::string bytes = Bytes(prefix);
    return ScanInto(bytes, prefix, node, filter);
}

bool TWinFile::Cancelled() const
{
    return CancelFlag != nullptr && CancelFlag->load(std::memory_order_relaxed);
}

// Lists one folder with one directory read and one fstatat per entry. Sub-folders
// are scanned after the listing is closed, so a deep tree holds one descriptor.
qint32 TWinFile::ScanInto(std::string& pathBytes, const QString& prefix, TFileAttri& node,
                          const TBeenTortured& filter)
{
    node.FileCount = 0;
    const int fd = ::open(pathBytes.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) {
            node.Unreadable = true;
            UnreadableFolders.append(prefix);
        }
        return 0;
    }
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        node.Unreadable = true;
        UnreadableFolders.append(prefix);
        return 0;
    }

    struct PendingFolder
    {
        TFileAttri* Node;
        std::string Name;
    };
    std::vector<PendingFolder> folders;
    bool incomplete = false;
    QString name;
    while (!Cancelled()) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            // A failed read ends the listing; entries that could not be examined
            // have already marked it incomplete.
            if (errno != 0)
                incomplete = true;
            break;
        }
        const char* raw = entry->d_name;
        if (IsReserved(raw))
            continue;
        struct stat st;
        if (::fstatat(fd, raw, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT) // gone since it was listed: nothing to compare
                incomplete = true;
            continue;
        }
        bool folderLink = false;
        if (S_ISLNK(st.st_mode)) {
            // A link to a file stands for that file; a link to a folder is never
            // entered (it may loop) and nothing may be copied into it.
            if (::fstatat(fd, raw, &st, 0) != 0)
                continue;
            folderLink = S_ISDIR(st.st_mode);
        }
        if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
            continue; // FIFOs, sockets and devices could block a read forever
        const size_t length = std::strlen(raw);
        if (!DecodeName(raw, length, name)) {
            BadNames.append(prefix + name);
            continue;
        }
        const qint32 attr = Attributes(raw, st);
        const qint32 time = PackedDateTime::FromPosixTime(st.st_mtim.tv_sec);
        const bool isFolder = S_ISDIR(st.st_mode);
        const qint64 size = isFolder ? 0 : qint64(st.st_size);
        if (isFolder) {
            if (filter.IsFolderExcluded(attr))
                continue;
        } else if (filter.IsExcluded(name, time, attr, size) ||
                   !filter.IsIncluded(name, time, size)) {
            continue;
        }

        auto child = std::make_unique<TFileAttri>();
        child->FileName = name;
        child->FullPath = prefix + name;
        child->FileTime = time;
        child->FileSize = size;
        child->FileAttr = attr;
        child->IsFolder = isFolder ? 1 : 0;
        child->Unreadable = folderLink;
        TFileAttri* added = node.AddChild(std::move(child));
        if (!isFolder)
            ++node.FileCount;
        else if (!folderLink)
            folders.push_back(PendingFolder{added, std::string(raw, length)});
    }
    ::closedir(dir);
    if (incomplete) {
        node.Unreadable = true;
        UnreadableFolders.append(prefix);
    }

    const size_t base = pathBytes.size();
    for (const PendingFolder& folder : folders) {
        if (Cancelled())
            break;
        pathBytes.append(folder.Name).push_back('/');
        const QString childPrefix = folder.Node->FullPath + QLatin1Char('/');
        node.FileCount += ScanInto(pathBytes, childPrefix, *folder.Node, filter);
        pathBytes.resize(base);
    }
    return node.FileCount;
}

qint64 TWinFile::QueryFileSize(const QString& path)
{
    struct stat st;
    if (::stat(Bytes(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return qint64(st.st_size);
}

void TWinFile::MakeFolders(const QString& relative, const QString& root)
{
    const QStringList parts = relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString folder = TrimBlanksAndControls(root);
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        folder = SyncPath::Join(folder, parts.at(i));
        ::mkdir(Bytes(folder).c_str(), 0777); // an existing folder is fine
    }
}

QString TWinFile::BackupPath(const QString& targetPath, const QString& targetRoot)
{
    const QString root = TrimBlanksAndControls(targetRoot);
    return SyncPath::Join(SyncPath::Join(root, QStringLiteral("__Save__")),
                          SyncPath::RelativeTo(targetPath, root));
}

bool TWinFile::ReadPiece(std::vector<char>& buffer, const QString& sourcePath)
{
    if (FailReadAtPiece > 0 && PieceNo == FailReadAtPiece) {
        errno = EIO;
        return false;
    }
    const int fd = OpenAtPiece(Bytes(sourcePath), PieceNo);
    if (fd < 0)
        return false;
    buffer.resize(size_t(PieceSize));
    const bool ok = ReadAll(fd, buffer.data(), PieceSize);
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return ok;
}

bool TWinFile::CopyPiece(const QString& sourcePath)
{
    if (!KernelCopy || (FailReadAtPiece > 0 && PieceNo == FailReadAtPiece))
        return false;
    const int fd = OpenAtPiece(Bytes(sourcePath), PieceNo);
    if (fd < 0)
        return false;
    const off_t start = ::lseek(TempFd, 0, SEEK_CUR);
    qint64 left = PieceSize;
    while (left > 0) {
        const ssize_t n = ::copy_file_range(fd, nullptr, TempFd, nullptr, size_t(left), 0);
        if (n <= 0)
            break;
        left -= n;
    }
    ::close(fd);
    if (left == 0)
        return true;
    // Undo the part of the piece that was copied; the buffered path redoes it.
    if (::ftruncate(TempFd, start) != 0 || ::lseek(TempFd, start, SEEK_SET) != start)
        TempBroken = true;
    return false;
}

bool TWinFile::WritePiece(const std::vector<char>& buffer)
{
    return WriteAll(TempFd, buffer.data(), PieceSize);
}

bool TWinFile::IsTemporaryName(const char* name)
{
    constexpr size_t prefix = sizeof(TempPrefix) - 1;
    if (std::strncmp(name, TempPrefix, prefix) != 0)
        return false;
    // The six characters the system puts in place of the template's XXXXXX.
    size_t i = prefix;
    for (; name[i] != 0; ++i) {
        if (!std::isalnum(static_cast<unsigned char>(name[i])))
            return false;
    }
    return i == prefix + 6;
}

// A temporary file is stale when no copy holds its lock: the copy that made it
// ended without renaming it into place (a crash, a power cut).
void TWinFile::RemoveStaleTemporaries(const std::string& folder)
{
    if (CleanedFolders != nullptr && !CleanedFolders->insert(folder).second)
        return;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsTemporaryName(entry->d_name))
            continue;
        const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat held;
        struct stat named;
        // Still the file of that name once the lock is ours: nobody renamed it
        // into place meanwhile.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 &&
            ::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            held.st_ino == named.st_ino && held.st_dev == named.st_dev && S_ISREG(held.st_mode))
            ::unlinkat(dirFd, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(dir);
}

// Makes the temporary file and takes its lock, which it holds until closed. A
// clean-up of another run may have taken the file for stale between the two
// steps: then it is gone, and another is made.
int TWinFile::CreateTemporary(const std::string& folder, std::string& path)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        path = folder + "/" + TempPrefix + "XXXXXX";
        const int fd = ::mkostemp(path.data(), O_CLOEXEC);
        if (fd < 0)
            return -1;
        struct stat st;
        if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &st) == 0 && st.st_nlink > 0)
            return fd;
        ::close(fd);
    }
    errno = EAGAIN;
    return -1;
}

TWinFile::Transfer TWinFile::Fail(Transfer kind, const QString& reason)
{
    LastError = reason;
    return kind;
}

TWinFile::Transfer TWinFile::TransferFile(const QString& sourcePath, const QString& targetPath,
                                          const QString& targetRoot, qint32 sourceTime,
                                          qint32 sourceAttr, bool keepOldVersion,
                                          bool targetWasAbsent)
{
    // The time and permission bits are taken from the source itself.
    Q_UNUSED(sourceTime);
    Q_UNUSED(sourceAttr);
    LastError.clear();
    const std::string source = Bytes(sourcePath);
    const std::string target = Bytes(targetPath);
    struct stat sourceStat;
    if (::stat(source.c_str(), &sourceStat) != 0 || !S_ISREG(sourceStat.st_mode))
        return Fail(Transfer::ReadFailed, ErrnoText("Cannot find", source));
    const qint64 size = qint64(sourceStat.st_size);
    PieceCount = qint32((size + PieceBytes - 1) / PieceBytes);

    // A read-only target is protected even from root, unless its version is kept:
    // moving it into "__Save__" frees the path.
    struct stat targetStat;
    const bool targetExists = ::lstat(target.c_str(), &targetStat) == 0;
    if (targetExists && S_ISDIR(targetStat.st_mode))
        return Fail(Transfer::WriteFailed, QStringLiteral("A folder is in the way: ") + targetPath);
    if (targetExists && targetWasAbsent && !keepOldVersion)
        return Fail(Transfer::WriteFailed,
                    QStringLiteral("A file that was not compared is in the way: ") + targetPath);
    if (targetExists && !S_ISLNK(targetStat.st_mode) && !(targetStat.st_mode & S_IWUSR) &&
        !keepOldVersion)
        return Fail(Transfer::WriteFailed,
                    QStringLiteral("The target is read-only: ") + targetPath);

    const std::string folder = FolderOf(target);
    RemoveStaleTemporaries(folder);
    std::string temp;
    TempFd = CreateTemporary(folder, temp);
    if (TempFd < 0)
        return Fail(Transfer::WriteFailed, ErrnoText("Cannot create a file in", folder));

    auto abandon = [&](Transfer kind, const QString& reason) {
        ::close(TempFd);
        TempFd = -1;
        ::unlink(temp.c_str());
        return Fail(kind, reason);
    };

    std::vector<char> buffer;
    for (qint64 k = 1; k <= PieceCount; ++k) {
        PieceNo = k;
        PieceSize = k < PieceCount ? PieceBytes : size - (k - 1) * PieceBytes;
        if (!CopyPiece(sourcePath)) {
            if (TempBroken)
                return abandon(Transfer::WriteFailed, ErrnoText("Cannot write", temp));
            if (!ReadPiece(buffer, sourcePath))
                return abandon(Transfer::ReadFailed, ErrnoText("Cannot read", source));
            if (!WritePiece(buffer))
                return abandon(Transfer::WriteFailed, ErrnoText("Cannot write", temp));
        }
        if (AfterPiece)
            AfterPiece(k);
    }

    // The target takes the source's exact time, so that other tools see the two
    // files as equal, and its read, write and execute bits: never setuid, setgid
    // or sticky, which would hand the source's owner new powers.
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1] = sourceStat.st_mtim;
    if (::futimens(TempFd, times) != 0 || ::fchmod(TempFd, sourceStat.st_mode & 0777) != 0)
        return abandon(Transfer::WriteFailed, ErrnoText("Cannot set the time of", temp));

    // Only now, with the new content complete, does the old version move aside.
    // The temporary file stays open, and so locked, until it has its name.
    std::string backup;
    if (keepOldVersion && targetExists) {
        const QString relative = SyncPath::RelativeTo(targetPath, targetRoot);
        MakeFolders(QStringLiteral("__Save__/") + relative, targetRoot);
        backup = Bytes(BackupPath(targetPath, targetRoot));
        if (::rename(target.c_str(), backup.c_str()) != 0)
            return abandon(Transfer::WriteFailed,
                           ErrnoText("Cannot keep the old version as", backup));
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const QString reason = ErrnoText("Cannot replace", target);
        if (!backup.empty())
            ::rename(backup.c_str(), target.c_str());
        return abandon(Transfer::WriteFailed, reason);
    }
    const int closed = ::close(std::exchange(TempFd, -1));
    if (closed != 0)
        return Fail(Transfer::WriteFailed, ErrnoText("Cannot write", target));
    return Transfer::Copied;
}
