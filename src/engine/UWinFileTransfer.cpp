// The copy of one file by TWinFile: the source read through one descriptor, the
// target written below its root without following links, into a locked
// temporary file that replaces the target only when complete.

#include "common/AsciiText.h"
#include "common/WholeIo.h"
#include "engine/TargetFolder.h"
#include "engine/UFileOper.h"
#include "engine/UWinFile.h"
#include "jobs/PackedDateTime.h"
#include "jobs/UTSyncTask.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <utility>

namespace {

// A path as the file system takes it: the UTF-8 bytes that the scan decodes
// names from (the system's encoding on Linux), made without the detour through
// the locale's converter, twice for every copied file.
QByteArray NameBytes(const QString& path)
{
    return AsciiText::Utf8(path);
}

// The target's path below its root: the order's own where it has one.
QString TargetBelowRoot(const TWinFile::TCopyOrder& order, const QString& root)
{
    return order.Relative.isEmpty() ? SyncPath::RelativeTo(order.Target, root) : order.Relative;
}

QString ErrnoText(const char* what, const QString& path)
{
    return QString::fromUtf8(what) + QStringLiteral(" ") + path + QStringLiteral(": ") +
           QString::fromLocal8Bit(std::strerror(errno));
}

// The same file in the same state: same inode, size, modification and change time.
bool SameState(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// The file system refused the name itself: FAT and exFAT hold no ":", "?",
// "*" and the like, and say so with EINVAL, or through FUSE with ENOENT while
// the folder is there.
bool NameRefused(int error, int folderFd)
{
    if (error == EINVAL || error == EILSEQ)
        return true;
    struct stat st;
    return error == ENOENT && ::fstat(folderFd, &st) == 0 && st.st_nlink > 0;
}

// Why a name could not be made in the folder: the name, or errno's reason.
QString PlaceErrorText(const char* what, const QString& target, int folderFd)
{
    const int error = errno;
    if (NameRefused(error, folderFd))
        return QStringLiteral("The name is not allowed on the target: ") + target;
    errno = error;
    return ErrnoText(what, target);
}

// Within two seconds of each other: the resolution of the coarsest drives.
bool CloseTimes(const struct timespec& a, const struct timespec& b)
{
    const qint64 ms =
        (qint64(a.tv_sec) - qint64(b.tv_sec)) * 1000 + (a.tv_nsec - b.tv_nsec) / 1000000;
    return ms > -2000 && ms < 2000;
}

// Splits a relative path into its folder part and its last component, as the
// file system takes them.
void SplitRelative(const QString& relative, std::string& folder, std::string& name)
{
    const QByteArray bytes = NameBytes(relative);
    const qsizetype slash = bytes.lastIndexOf('/');
    folder.assign(bytes.constData(), size_t(std::max<qsizetype>(slash, 0)));
    name.assign(bytes.constData() + slash + 1, size_t(bytes.size() - slash - 1));
}

// The file system offers no hard links here (or not across these folders).
bool NoHardLinks(int error)
{
    return error == EPERM || error == EXDEV || error == EMLINK || error == ENOTSUP ||
           error == EOPNOTSUPP || error == ENOSYS;
}

// Descriptors of one copy, closed when it ends whatever happens.
struct Descriptor
{
    int Fd = -1;
    Descriptor() = default;
    explicit Descriptor(int fd) : Fd(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor()
    {
        if (Fd >= 0)
            ::close(Fd);
    }
};

// The target's root, opened here unless the caller gives it (-1 then).
int OpenUnlessGiven(int givenFd, const QString& root)
{
    return givenFd >= 0
               ? -1
               : ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

} // namespace

void TWinFile::MakeFolders(const QString& relative, const QString& root)
{
    const Descriptor rootFd(::open(QFile::encodeName(TrimBlanksAndControls(root)).constData(),
                                   O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (rootFd.Fd < 0)
        return;
    std::string folder;
    std::string name;
    SplitRelative(relative, folder, name);
    TTargetFolder made;
    (void)made.Open(rootFd.Fd, folder, true); // the copy that follows reports a failure
}

bool TWinFile::TCleanedFolders::Claim(const QString& root, const std::string& folder)
{
    const std::lock_guard<std::mutex> hold(Lock);
    std::unordered_set<std::string>& claimed = Names[root];
    if (claimed.find(folder) != claimed.end())
        return false;
    claimed.insert(folder);
    return true;
}

bool TWinFile::IsTemporaryName(const char* name)
{
    constexpr size_t prefix = sizeof(TempPrefix) - 1;
    if (std::strncmp(name, TempPrefix, prefix) != 0)
        return false;
    // The six letters and digits that stand in for the template's XXXXXX.
    size_t i = prefix;
    for (; name[i] != 0; ++i) {
        const char c = name[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return i == prefix + 6;
}

// A temporary file is stale when no copy holds its lock: the copy that made it
// ended without renaming it into place (a crash, a power cut).
void TWinFile::RemoveStaleTemporaries(int folderFd)
{
    const int listFd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = listFd < 0 ? nullptr : ::fdopendir(listFd);
    if (dir == nullptr) {
        if (listFd >= 0)
            ::close(listFd);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsTemporaryName(entry->d_name))
            continue;
        const Descriptor fd(
            ::openat(folderFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (fd.Fd < 0)
            continue;
        struct stat held;
        struct stat named;
        // Still the file of that name once the lock is ours: nobody renamed it
        // into place meanwhile.
        if (::flock(fd.Fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd.Fd, &held) == 0 &&
            ::fstatat(folderFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            held.st_ino == named.st_ino && held.st_dev == named.st_dev && S_ISREG(held.st_mode))
            ::unlinkat(folderFd, entry->d_name, 0);
    }
    ::closedir(dir);
}

void TWinFile::CleanSaveFolders(int rootFd, const std::vector<std::string>& folders)
{
    struct stat st;
    if (::fstatat(rootFd, "__Save__", &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode))
        return;
    for (const std::string& folder : folders) {
        TTargetFolder save;
        if (save.Open(rootFd, folder.empty() ? "__Save__" : "__Save__/" + folder, false))
            RemoveStaleTemporaries(save.Fd());
    }
}

std::string TWinFile::TemporaryName()
{
    static constexpr char Letters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = TempPrefix;
    for (int i = 0; i < 6; ++i)
        name += Letters[QRandomGenerator::global()->bounded(int(sizeof(Letters) - 1))];
    return name;
}

// Makes the temporary file and takes its lock, which holds until it is closed.
// The clean-up of another run may take the file for stale between the two
// steps: it is then gone, and another is made.
int TWinFile::CreateTemporary(int folderFd, std::string& name)
{
    for (int attempt = 0; attempt < 64; ++attempt) {
        name = TemporaryName();
        const int fd = ::openat(folderFd, name.c_str(),
                                O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return -1;
        }
        struct stat st;
        if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &st) == 0 && st.st_nlink > 0)
            return fd;
        ::close(fd);
    }
    errno = EEXIST;
    return -1;
}

bool TWinFile::ReadPiece(std::vector<char>& buffer, int sourceFd)
{
    if (FailReadAtPiece > 0 && PieceNo == FailReadAtPiece) {
        errno = EIO;
        return false;
    }
    buffer.resize(size_t(PieceSize));
    return WholeIo::ReadAll(sourceFd, buffer.data(), PieceSize);
}

bool TWinFile::WritePiece(const std::vector<char>& buffer)
{
    return WholeIo::WriteAll(TempFd, buffer.data(), PieceSize);
}

bool TWinFile::CopyPiece(int sourceFd)
{
    if (!KernelCopy || (FailReadAtPiece > 0 && PieceNo == FailReadAtPiece))
        return false;
    const off_t start = off_t((PieceNo - 1) * PieceBytes);
    qint64 left = PieceSize;
    ssize_t n = 0;
    while (left > 0) {
        n = ::copy_file_range(sourceFd, nullptr, TempFd, nullptr, size_t(left), 0);
        if (n <= 0)
            break;
        left -= n;
    }
    if (left == 0)
        return true;
    // Nothing copied: the kernel cannot copy between these two files (two file
    // systems, mostly), and will not for the file's other pieces either. Nothing
    // to undo: a truncation would also make some file systems write the file
    // out when it is closed, at a high cost per file.
    if (left == PieceSize) {
        if (n < 0 && errno == EXDEV && CrossDeviceSource != nullptr)
            CrossDeviceSource->store(SourceDevice, std::memory_order_relaxed);
        KernelCopy = false;
        return false;
    }
    // Undo the part of the piece that was copied; the buffered path redoes it.
    if (::ftruncate(TempFd, start) != 0 || ::lseek(TempFd, start, SEEK_SET) != start ||
        ::lseek(sourceFd, start, SEEK_SET) != start)
        TempBroken = true;
    return false;
}

bool TWinFile::SkipHole(int sourceFd)
{
    const off_t start = off_t((PieceNo - 1) * PieceBytes);
    const off_t data = ::lseek(sourceFd, start, SEEK_DATA);
    // No data in the piece (ENXIO: none up to the end of the file).
    const bool hole = (data < 0 && errno == ENXIO) || (data >= 0 && data >= start + PieceSize);
    const off_t next = hole ? start + off_t(PieceSize) : start;
    return ::lseek(sourceFd, next, SEEK_SET) == next && hole &&
           ::lseek(TempFd, next, SEEK_SET) == next;
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
    TCopyOrder order;
    order.Source = sourcePath;
    order.Target = targetPath;
    order.TargetRoot = targetRoot;
    order.KeepOldVersion = keepOldVersion;
    order.TargetWasAbsent = targetWasAbsent;
    return TransferFile(order);
}

// The source of a copy, open; its name as the file system takes it, to see at
// the end that the name still leads to the file read.
struct TWinFile::TOpenSource
{
    QByteArray Name;
    int Fd = -1;
    struct stat Stat
    {
    };
};

TWinFile::Transfer TWinFile::TransferFile(const TCopyOrder& order)
{
    LastError.clear();
    TempBroken = false;
    TempStatKnown = false;
    TimeNotKept = false;
    Copied = TCopiedFiles();
    TOpenSource source;
    source.Name = NameBytes(order.Source);
    // Opened without waiting: a source replaced by a FIFO or a device since the
    // analysis would otherwise block the copier for good.
    const Descriptor sourceFd(
        ::open(source.Name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    source.Fd = sourceFd.Fd;
    if (source.Fd < 0 || ::fstat(source.Fd, &source.Stat) != 0)
        return Fail(Transfer::ReadFailed, ErrnoText("Cannot find", order.Source));
    if (!S_ISREG(source.Stat.st_mode))
        return Fail(Transfer::ReadFailed, QStringLiteral("Not a regular file: ") + order.Source);
    // Blocking from here on; the other flags of the descriptor are its opening's.
    ::fcntl(source.Fd, F_SETFL, 0);
    SourceDevice = quint64(source.Stat.st_dev);
    if (CrossDeviceSource != nullptr &&
        CrossDeviceSource->load(std::memory_order_relaxed) == SourceDevice)
        KernelCopy = false;
    const qint64 size = qint64(source.Stat.st_size);
    PieceCount = qint32((size + PieceBytes - 1) / PieceBytes);
    // Read from start to end: the kernel reads further ahead.
    if (PieceCount > 1)
        ::posix_fadvise(source.Fd, 0, 0, POSIX_FADV_SEQUENTIAL);

    const QString root = TrimBlanksAndControls(order.TargetRoot);
    const Descriptor ownRoot(OpenUnlessGiven(order.TargetRootFd, root));
    const int rootFd = order.TargetRootFd >= 0 ? order.TargetRootFd : ownRoot.Fd;
    if (rootFd < 0)
        return Fail(Transfer::WriteFailed, ErrnoText("Cannot open the folder", root));
    std::string folderPart;
    std::string name;
    SplitRelative(TargetBelowRoot(order, root), folderPart, name);
    if (name.empty() || name == "." || name == "..")
        return Fail(Transfer::WriteFailed,
                    QStringLiteral("The target lies outside its folder: ") + order.Target);
    TTargetFolder folder;
    if (!folder.Open(rootFd, folderPart, true))
        return FolderFailure(order.Target, rootFd);

    if (CleanedFolders == nullptr || CleanedFolders->Claim(root, folderPart))
        RemoveStaleTemporaries(folder.Fd());
    // Where the analysis saw no target, the new file is written without a name
    // and linked in at the end: nothing is left behind by a crash, and there is
    // no temporary name to make and rename.
    std::string temp;
    // It has no name to be opened by while it is written: it takes the
    // source's read, write and execute bits at once.
    TempFd = order.TargetWasAbsent ? ::openat(folder.Fd(), ".", O_TMPFILE | O_RDWR | O_CLOEXEC,
                                              source.Stat.st_mode & 0777)
                                   : -1;
    if (TempFd < 0)
        TempFd = CreateTemporary(folder.Fd(), temp);
    if (TempFd < 0)
        return Fail(Transfer::WriteFailed, ErrnoText("Cannot create a file beside", order.Target));
    const Transfer result =
        WriteTemporary(order, source, folder.Fd(), temp, name, rootFd, folderPart);
    if (result != Transfer::Copied && !temp.empty())
        ::unlinkat(folder.Fd(), temp.c_str(), 0);
    if (result == Transfer::Copied)
        ReadBack(folder.Fd(), name, source.Stat, temp.empty());
    const int closed = ::close(std::exchange(TempFd, -1));
    if (result == Transfer::Copied && closed != 0) {
        Copied = TCopiedFiles();
        return Fail(Transfer::WriteFailed, ErrnoText("Cannot write", order.Target));
    }
    return result;
}

TWinFile::Transfer TWinFile::SaveAway(const TCopyOrder& order)
{
    LastError.clear();
    Copied = TCopiedFiles();
    const QString root = TrimBlanksAndControls(order.TargetRoot);
    const Descriptor ownRoot(OpenUnlessGiven(order.TargetRootFd, root));
    const int rootFd = order.TargetRootFd >= 0 ? order.TargetRootFd : ownRoot.Fd;
    if (rootFd < 0)
        return Fail(Transfer::WriteFailed, ErrnoText("Cannot open the folder", root));
    std::string folderPart;
    std::string name;
    SplitRelative(TargetBelowRoot(order, root), folderPart, name);
    if (name.empty() || name == "." || name == "..")
        return Fail(Transfer::WriteFailed,
                    QStringLiteral("The target lies outside its folder: ") + order.Target);
    TTargetFolder folder;
    if (!folder.Open(rootFd, folderPart, false))
        return FolderFailure(order.Target, rootFd);
    // The file goes into "__Save__" whatever its permission bits.
    TCopyOrder check = order;
    check.KeepOldVersion = true;
    bool exists = false;
    const Transfer checked = CheckTarget(check, folder.Fd(), name, exists);
    if (checked != Transfer::Copied)
        return checked;
    if (!exists)
        return Fail(Transfer::WriteFailed,
                    QStringLiteral("The file is gone since the analysis: ") + order.Target);
    const QString backup = BackupPath(order.Target, order.TargetRoot);
    TTargetFolder save;
    if (!save.Open(rootFd, folderPart.empty() ? std::string("__Save__") : "__Save__/" + folderPart,
                   true))
        return FolderFailure(backup, rootFd);
    struct stat old;
    if (::fstatat(save.Fd(), name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(old.st_mode))
        return Fail(Transfer::WriteFailed, QStringLiteral("A folder is in the way: ") + backup);
    if (::renameat(folder.Fd(), name.c_str(), save.Fd(), name.c_str()) != 0)
        return Fail(Transfer::WriteFailed, ErrnoText("Cannot keep the old version as", backup));
    return Transfer::Copied;
}

// What the two files of a copy are now, for the record of the last sync. The
// source did not change during the copy (WriteTemporary made sure). A file
// written without a name was linked in where no file was, which changes
// neither its size nor its time; a renamed one is read back by its name, and
// taken only while the name leads to the file just written.
void TWinFile::ReadBack(int folderFd, const std::string& name, const struct stat& source,
                        bool linkedIn)
{
    // The written file's identity does not change when it gets its name.
    struct stat placed = TempStat;
    if (!TempStatKnown ||
        (!linkedIn && (::fstatat(folderFd, name.c_str(), &placed, AT_SYMLINK_NOFOLLOW) != 0 ||
                       TempStat.st_dev != placed.st_dev || TempStat.st_ino != placed.st_ino)))
        return;
    Copied.Known = true;
    Copied.SourceSize = qint64(source.st_size);
    Copied.SourceTime = NanosecondsOf(source.st_mtim);
    Copied.TargetSize = qint64(placed.st_size);
    Copied.TargetTime = NanosecondsOf(placed.st_mtim);
}

TWinFile::Transfer TWinFile::FolderFailure(const QString& target, int rootFd)
{
    if (errno == ELOOP)
        return Fail(Transfer::WriteFailed, QStringLiteral("A link is in the way: ") + target);
    return Fail(Transfer::WriteFailed, PlaceErrorText("Cannot make the folder of", target, rootFd));
}

// Copies the pieces into the open temporary file, gives it the source's time
// and permission bits, and puts it in place of the target.
TWinFile::Transfer TWinFile::WriteTemporary(const TCopyOrder& order, const TOpenSource& source,
                                            int folderFd, std::string& temp,
                                            const std::string& name, int rootFd,
                                            const std::string& folderPart)
{
    const int sourceFd = source.Fd;
    const struct stat& sourceStat = source.Stat;
    const qint64 size = qint64(sourceStat.st_size);
    // Fewer blocks than its size needs: the source has holes, which the copy
    // keeps, a piece at a time, instead of filling them with zeros on the disk.
    const bool sparse = qint64(sourceStat.st_blocks) * 512 < size;
    std::vector<char> buffer;
    for (qint64 k = 1; k <= PieceCount; ++k) {
        PieceNo = k;
        PieceSize = k < PieceCount ? PieceBytes : size - (k - 1) * PieceBytes;
        if (sparse && SkipHole(sourceFd)) {
            if (AfterPiece)
                AfterPiece(k);
            continue;
        }
        if (!CopyPiece(sourceFd)) {
            if (TempBroken)
                return Fail(Transfer::WriteFailed, ErrnoText("Cannot write beside", order.Target));
            if (!ReadPiece(buffer, sourceFd))
                return Fail(Transfer::ReadFailed, ErrnoText("Cannot read", order.Source));
            if (!WritePiece(buffer))
                return Fail(Transfer::WriteFailed, ErrnoText("Cannot write beside", order.Target));
        }
        if (AfterPiece)
            AfterPiece(k);
    }
    // A hole at the end has no data that would give the file its length.
    if (sparse && ::ftruncate(TempFd, off_t(size)) != 0)
        return Fail(Transfer::WriteFailed, ErrnoText("Cannot write beside", order.Target));

    // What was read is one state of the source: the path still leads to the
    // file behind the descriptor, and it did not change. (The descriptor keeps
    // its file's number from being given to another, so the path's state is
    // the descriptor's.)
    struct stat named;
    if (::stat(source.Name.constData(), &named) != 0 || !SameState(sourceStat, named))
        return Fail(Transfer::ReadFailed,
                    QStringLiteral("The source changed during the copy: ") + order.Source);
    if (order.Verify) {
        const Transfer verified = VerifyTemporary(order, sourceFd, size);
        if (verified != Transfer::Copied)
            return verified;
    }

    // The target takes the source's exact time, so that other tools see the two
    // files as equal, and its read, write and execute bits: never setuid, setgid
    // or sticky, which would hand the source's owner new powers.
    // Both times are given: some drives (exFAT through FUSE) take a time left
    // out for "now" and set the modification time with it.
    const struct timespec times[2] = {sourceStat.st_atim, sourceStat.st_mtim};
    if (::futimens(TempFd, times) != 0)
        return Fail(Transfer::WriteFailed, ErrnoText("Cannot set the time of", order.Target));
    TempStatKnown = ::fstat(TempFd, &TempStat) == 0;
    // A file made without a name has its bits from the start, unless the
    // umask took some away.
    const mode_t bits = sourceStat.st_mode & 0777;
    if (!TempStatKnown || (TempStat.st_mode & 07777) != bits) {
        if (::fchmod(TempFd, bits) != 0)
            return Fail(Transfer::WriteFailed, ErrnoText("Cannot set the time of", order.Target));
        TempStat.st_mode = (TempStat.st_mode & ~mode_t(07777)) | bits;
    }
    TimeNotKept = TempStatKnown && !CloseTimes(TempStat.st_mtim, sourceStat.st_mtim);
    return PutInPlace(order, folderFd, temp, name, rootFd, folderPart);
}

// The new file as the disk holds it, read back past the page cache (O_DIRECT,
// which first writes out what is cached; where the file system has no direct
// reads, the data is written out and dropped from the cache first) and
// compared with the source, piece by piece. It has not taken the target's
// place yet, so a difference leaves the old target.
TWinFile::Transfer TWinFile::VerifyTemporary(const TCopyOrder& order, int sourceFd, qint64 size)
{
    const QString differs = QStringLiteral("The copy differs from its source: ") + order.Target;
    const std::string self = "/proc/self/fd/" + std::to_string(TempFd);
    const Descriptor direct(::open(self.c_str(), O_RDONLY | O_DIRECT | O_CLOEXEC));
    if (direct.Fd < 0) {
        constexpr unsigned Flush =
            SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
        if (::sync_file_range(TempFd, 0, 0, Flush) != 0 && ::fdatasync(TempFd) != 0)
            return Fail(Transfer::WriteFailed, ErrnoText("Cannot write", order.Target));
        ::posix_fadvise(TempFd, 0, 0, POSIX_FADV_DONTNEED);
    }
    if (BeforeVerify)
        BeforeVerify(TempFd);
    struct stat written;
    if (::fstat(TempFd, &written) != 0 || qint64(written.st_size) != size)
        return Fail(Transfer::WriteFailed, differs);
    // Direct reads want a buffer, offset and length aligned to the disk's
    // blocks; the pieces are.
    constexpr qint64 Block = 4096;
    const qint64 capacity = std::min<qint64>(PieceBytes, (size + Block - 1) / Block * Block);
    const std::unique_ptr<char, decltype(&std::free)> back(
        static_cast<char*>(std::aligned_alloc(size_t(Block), size_t(std::max(capacity, Block)))),
        &std::free);
    std::vector<char> source(static_cast<size_t>(capacity));
    const int readFd = direct.Fd >= 0 ? direct.Fd : TempFd;
    for (qint64 at = 0; at < size;) {
        const qint64 length = std::min<qint64>(capacity, size - at);
        const qint64 asked = (length + Block - 1) / Block * Block;
        const ssize_t got = ::pread(readFd, back.get(), size_t(asked), off_t(at));
        if (got < 0)
            return Fail(Transfer::WriteFailed, ErrnoText("Cannot read back", order.Target));
        if (got != length)
            return Fail(Transfer::WriteFailed, differs);
        if (::pread(sourceFd, source.data(), size_t(length), off_t(at)) != got)
            return Fail(Transfer::ReadFailed, ErrnoText("Cannot read", order.Source));
        if (std::memcmp(back.get(), source.data(), size_t(length)) != 0)
            return Fail(Transfer::WriteFailed, differs);
        at += length;
    }
    return Transfer::Copied;
}

// Just before the old target gives way, it must still be the file the analysis
// saw: one saved since is newer than what the analysis compared, a file where
// the analysis saw none was never compared, and a read-only one is protected
// even from root unless its version is kept (which frees the path).
TWinFile::Transfer TWinFile::CheckTarget(const TCopyOrder& order, int folderFd,
                                         const std::string& name, bool& exists)
{
    struct stat st;
    exists = ::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists)
        return Transfer::Copied;
    if (S_ISDIR(st.st_mode))
        return Fail(Transfer::WriteFailed,
                    QStringLiteral("A folder is in the way: ") + order.Target);
    if (order.TargetWasAbsent && !order.KeepOldVersion)
        return Fail(Transfer::WriteFailed,
                    QStringLiteral("A file that was not compared is in the way: ") + order.Target);
    const bool link = S_ISLNK(st.st_mode);
    if (!link && !(st.st_mode & S_IWUSR) && !order.KeepOldVersion)
        return Fail(Transfer::WriteFailed,
                    QStringLiteral("The target is read-only: ") + order.Target);
    if (!order.TargetKnown)
        return Transfer::Copied;
    // The analysis took a link to a file for that file.
    const bool same = (!link || ::fstatat(folderFd, name.c_str(), &st, 0) == 0) &&
                      qint64(st.st_size) == order.TargetSize &&
                      PackedDateTime::FromPosixTime(st.st_mtim.tv_sec) == order.TargetTime;
    if (!same)
        return Fail(Transfer::WriteFailed,
                    QStringLiteral("The target changed since the analysis: ") + order.Target);
    return Transfer::Copied;
}

// Renames the temporary file to the name only while no file has it. Where the
// file system cannot rename so, the file is linked there (which never replaces
// either); where it has no links, it is renamed after a last look.
bool TWinFile::PlaceWithoutReplacing(int folderFd, const std::string& temp, const std::string& name)
{
    if (::renameat2(folderFd, temp.c_str(), folderFd, name.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL)
        return false;
    if (::linkat(folderFd, temp.c_str(), folderFd, name.c_str(), 0) == 0) {
        ::unlinkat(folderFd, temp.c_str(), 0);
        return true;
    }
    if (!NoHardLinks(errno))
        return false;
    struct stat st;
    if (::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::renameat(folderFd, temp.c_str(), folderFd, name.c_str()) == 0;
}

// Links the file without a name in at the name; never replaces a file there.
bool TWinFile::LinkUnnamed(int folderFd, const std::string& name)
{
    if (::linkat(TempFd, "", folderFd, name.c_str(), AT_EMPTY_PATH) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    // Without the right to link by descriptor, through its name in /proc.
    const std::string self = "/proc/self/fd/" + std::to_string(TempFd);
    return ::linkat(AT_FDCWD, self.c_str(), folderFd, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

TWinFile::Transfer TWinFile::PutInPlace(const TCopyOrder& order, int folderFd, std::string& temp,
                                        const std::string& name, int rootFd,
                                        const std::string& folderPart)
{
    // A file written without a name is linked in at once where nothing stands:
    // the link never replaces, so the target needs a look only when it is there.
    if (temp.empty()) {
        if (LinkUnnamed(folderFd, name))
            return Transfer::Copied;
        if (errno != EEXIST)
            return Fail(Transfer::WriteFailed,
                        PlaceErrorText("Cannot write", order.Target, folderFd));
    }
    bool targetExists = false;
    const Transfer checked = CheckTarget(order, folderFd, name, targetExists);
    if (checked != Transfer::Copied)
        return checked;
    if (temp.empty()) {
        if (!targetExists) { // gone again since the link was refused
            if (LinkUnnamed(folderFd, name))
                return Transfer::Copied;
            return Fail(Transfer::WriteFailed,
                        errno == EEXIST
                            ? QStringLiteral("A file that was not compared is in the way: ") +
                                  order.Target
                            : PlaceErrorText("Cannot write", order.Target, folderFd));
        }
        // A file came to be where the analysis saw none and its version is kept:
        // the new file takes a temporary name and replaces it as any target.
        // Locked like every temporary file, so that no clean-up takes it for stale.
        temp = TemporaryName();
        if (::flock(TempFd, LOCK_EX) != 0 || !LinkUnnamed(folderFd, temp)) {
            const QString reason = ErrnoText("Cannot write beside", order.Target);
            temp.clear();
            return Fail(Transfer::WriteFailed, reason);
        }
    }

    bool movedAside = false;
    TTargetFolder save;
    if (order.KeepOldVersion && targetExists) {
        const std::string saveFolder =
            folderPart.empty() ? std::string("__Save__") : "__Save__/" + folderPart;
        if (!save.Open(rootFd, saveFolder, true))
            return FolderFailure(BackupPath(order.Target, order.TargetRoot), rootFd);
        const Transfer kept = KeepOldVersion(order, folderFd, save.Fd(), name, movedAside);
        if (kept != Transfer::Copied)
            return kept;
    }

    // A target that is not there now takes the new file only while it stays
    // absent: a file created meanwhile is never replaced unseen.
    if (!targetExists || movedAside) {
        if (PlaceWithoutReplacing(folderFd, temp, name))
            return Transfer::Copied;
        const QString reason =
            errno == EEXIST
                ? QStringLiteral("A file that was not compared is in the way: ") + order.Target
                : PlaceErrorText("Cannot replace", order.Target, folderFd);
        if (movedAside)
            ::renameat(save.Fd(), name.c_str(), folderFd, name.c_str());
        return Fail(Transfer::WriteFailed, reason);
    }
    if (::renameat(folderFd, temp.c_str(), folderFd, name.c_str()) != 0)
        return Fail(Transfer::WriteFailed,
                    PlaceErrorText("Cannot replace", order.Target, folderFd));
    return Transfer::Copied;
}

// The old target becomes the kept version in "__Save__", in place of an older
// one. It is linked there under a temporary name and then renamed over the older
// version, which so gives way only once the newer one is kept, and the target's
// path never stands empty. Where the file system has no hard links, the old
// target is moved there instead (movedAside).
TWinFile::Transfer TWinFile::KeepOldVersion(const TCopyOrder& order, int folderFd, int saveFd,
                                            const std::string& name, bool& movedAside)
{
    const QString backup = BackupPath(order.Target, order.TargetRoot);
    struct stat old;
    const bool kept = ::fstatat(saveFd, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (kept && S_ISDIR(old.st_mode))
        return Fail(Transfer::WriteFailed, QStringLiteral("A folder is in the way: ") + backup);
    // A copy ended between keeping the old version and putting the new file in
    // place leaves the kept version as a second name of the target; a rename
    // between two names of one file does nothing, and would leave its
    // temporary name behind.
    struct stat current;
    if (kept && ::fstatat(folderFd, name.c_str(), &current, AT_SYMLINK_NOFOLLOW) == 0 &&
        current.st_dev == old.st_dev && current.st_ino == old.st_ino)
        return Transfer::Copied;
    for (int attempt = 0; attempt < 64; ++attempt) {
        const std::string link = TemporaryName();
        if (::linkat(folderFd, name.c_str(), saveFd, link.c_str(), 0) == 0) {
            if (::renameat(saveFd, link.c_str(), saveFd, name.c_str()) == 0)
                return Transfer::Copied;
            const QString reason = ErrnoText("Cannot keep the old version as", backup);
            ::unlinkat(saveFd, link.c_str(), 0);
            return Fail(Transfer::WriteFailed, reason);
        }
        if (errno != EEXIST)
            break;
    }
    if (!NoHardLinks(errno))
        return Fail(Transfer::WriteFailed, ErrnoText("Cannot keep the old version as", backup));
    if (::renameat(folderFd, name.c_str(), saveFd, name.c_str()) != 0)
        return Fail(Transfer::WriteFailed, ErrnoText("Cannot keep the old version as", backup));
    movedAside = true;
    return Transfer::Copied;
}
