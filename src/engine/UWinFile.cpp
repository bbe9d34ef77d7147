#include "engine/UWinFile.h"

#include "engine/FileNameText.h"
#include "engine/ScanTree.h"
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

#include <algorithm>
#include <condition_variable>
#include <limits>
#include <thread>
#include <utility>

namespace {

std::string Bytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace

bool TWinFile::IsReservedName(const char* name)
{
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
        return true;
    return std::strcmp(name, "__Save__") == 0 || std::strcmp(name, "__FileSync__") == 0 ||
           TWinFile::IsTemporaryName(name);
}

namespace {

// Decodes a name; false when its bytes are not valid UTF-8 (the name would be
// changed by a round trip, so it could not be found again).
bool DecodeName(const char* bytes, size_t length, QString& name)
{
    name = TFileNameText::Decode(std::string_view(bytes, length));
    if (!name.contains(QChar::ReplacementCharacter))
        return true;
    return name.toUtf8() == QByteArray::fromRawData(bytes, qsizetype(length));
}

// The name with every byte that is not part of valid UTF-8 written as \xNN, and
// backslashes doubled, so that the bytes can be told from the text.
QString EscapedName(const char* bytes, size_t length)
{
    QString out;
    size_t i = 0;
    while (i < length) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const size_t size = lead < 0x80         ? 1
                            : (lead >> 5) == 6  ? 2
                            : (lead >> 4) == 14 ? 3
                            : (lead >> 3) == 30 ? 4
                                                : 0;
        QString piece;
        if (size > 0 && i + size <= length && DecodeName(bytes + i, size, piece)) {
            out += piece == QStringLiteral("\\") ? QStringLiteral("\\\\") : piece;
            i += size;
            continue;
        }
        out += QStringLiteral("\\x%1").arg(lead, 2, 16, QLatin1Char('0'));
        ++i;
    }
    return out;
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

} // namespace

qint32 TWinFile::CheckFolder(const TFolderSource& side)
{
    struct stat st;
    const std::string path = Bytes(TrimBlanksAndControls(side.FolerAllName));
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return 1;
    return 0;
}

void TWinFile::ScanRoot(const TFolderSource& side, TScanTree& tree, const TBeenTortured& filter)
{
    ScanFolder(side.FolerAllName, tree, filter);
}

// The folders a scan has still to list, shared by its threads. A folder's
// listing is examined without the lock and added to the tree under it, all its
// children one after the other.
struct TWinFile::TScanWork
{
    TScanTree& Tree;
    const TBeenTortured& Filter;
    std::mutex Lock;
    std::condition_variable Ready;
    std::vector<TScanJob> Jobs;
    // Folders being listed; none, and no job left: the scan is complete.
    int Busy = 0;
    // The bytes of the root folder's path, "/" at its end included.
    size_t RootLength = 0;
};

qint32 TWinFile::ScanFolder(const QString& path, TScanTree& tree, const TBeenTortured& filter)
{
    TScanWork work{tree, filter, {}, {}, {}, 0, 0};
    work.Jobs.push_back(TScanJob{TScanTree::Root, Bytes(SyncPath::FolderPrefix(path))});
    work.RootLength = work.Jobs.back().Path.size();
    // A folder's items are examined one system call each, which waits for the
    // disk when the metadata is not cached: several folders listed at once keep
    // the disk busy.
    std::vector<std::thread> helpers;
    for (int i = 1; i < ScanThreads; ++i)
        helpers.emplace_back([this, &work] { ScanJobs(work); });
    ScanJobs(work);
    for (std::thread& helper : helpers)
        helper.join();
    // The threads list folders in no fixed order; the findings are told in one.
    UnreadableFolders.sort();
    BadNames.sort();
    FolderLinks.sort();
    SpecialFiles.sort();
    CountFiles(tree);
    tree.Finish();
    return tree.FileCount(TScanTree::Root);
}

// A folder's children come after it in the tree, so one pass from the end
// totals the files below every folder.
void TWinFile::CountFiles(TScanTree& tree)
{
    for (quint32 i = tree.ItemCount(); i-- > 0;) {
        if (!tree.IsFolder(i))
            continue;
        const TScanTree::TChildRange range = tree.Children(i);
        qint32 count = 0;
        for (quint32 child = range.First; child < range.First + range.Count; ++child)
            count += tree.IsFolder(child) ? tree.FileCount(child) : 1;
        tree.SetFileCount(i, count);
    }
}

bool TWinFile::Cancelled() const
{
    return CancelFlag != nullptr && CancelFlag->load(std::memory_order_relaxed);
}

// One thread of a scan: lists folders until none is left and none is being
// listed (which could find more).
void TWinFile::ScanJobs(TScanWork& work)
{
    std::vector<TScanFound> found;
    TLeftOut leftOut;
    std::unique_lock<std::mutex> hold(work.Lock);
    for (;;) {
        work.Ready.wait(hold, [&work] { return !work.Jobs.empty() || work.Busy == 0; });
        if (work.Jobs.empty())
            return;
        const TScanJob job = std::move(work.Jobs.back());
        work.Jobs.pop_back();
        ++work.Busy;
        hold.unlock();
        found.clear();
        leftOut.BadNames.clear();
        leftOut.SpecialFiles.clear();
        leftOut.Reason.clear();
        leftOut.NotInIncludeList = 0;
        const TListing listing =
            Cancelled() ? TListing::Complete
                        : ListFolder(job.Path, work.RootLength, work.Filter, found, leftOut);
        hold.lock();
        AddListing(work, job, listing, found, leftOut.Reason);
        BadNames += leftOut.BadNames;
        SpecialFiles += leftOut.SpecialFiles;
        NotInIncludeList += leftOut.NotInIncludeList;
        --work.Busy;
        if (!work.Jobs.empty() || work.Busy == 0)
            work.Ready.notify_all();
    }
}

// Lists one folder with one directory read and one fstatat per entry.
TWinFile::TListing TWinFile::ListFolder(const std::string& path, size_t rootLength,
                                        const TBeenTortured& filter, std::vector<TScanFound>& found,
                                        TLeftOut& leftOut) const
{
    // The folder below the root, for patterns that name paths.
    QString folder;
    if (filter.NeedsFolder() && path.size() > rootLength)
        folder = TFileNameText::Decode(
            std::string_view(path).substr(rootLength, path.size() - rootLength - 1)); // no last "/"
    const auto incomplete = [&leftOut] {
        leftOut.Reason = QString::fromLocal8Bit(std::strerror(errno));
        return TListing::Incomplete;
    };
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? TListing::Complete : incomplete();
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        const TListing failed = incomplete();
        ::close(fd);
        return failed;
    }
    TListing listing = TListing::Complete;
    QString name;
    while (!Cancelled()) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            // A failed read ends the listing; entries that could not be examined
            // have already marked it incomplete.
            if (errno != 0)
                listing = incomplete();
            break;
        }
        const char* raw = entry->d_name;
        if (TWinFile::IsReservedName(raw))
            continue;
        struct stat st;
        if (::fstatat(fd, raw, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT) // gone since it was listed: nothing to compare
                listing = incomplete();
            continue;
        }
        bool folderLink = false;
        // A link to a file stands for that file; a link to a folder is never
        // entered (it may loop) and nothing may be copied into it. A link that
        // leads nowhere is told like a FIFO, socket or device, which are never
        // read: a read could block forever.
        if (S_ISLNK(st.st_mode) && ::fstatat(fd, raw, &st, 0) == 0)
            folderLink = S_ISDIR(st.st_mode);
        const bool special = !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
        const size_t length = std::strlen(raw);
        if (!DecodeName(raw, length, name)) {
            leftOut.BadNames.append(QFile::decodeName(path.c_str()) + EscapedName(raw, length));
            continue;
        }
        const TItemRecord record = RecordOf(raw, st);
        const bool isFolder = S_ISDIR(st.st_mode);
        if (isFolder) {
            if (filter.IsFolderExcluded(record.Attr))
                continue;
        } else if (const TBeenTortured::TVerdict verdict =
                       filter.Judge(name, record.Time, record.Attr, record.Size, folder);
                   verdict != TBeenTortured::TVerdict::Kept) {
            if (verdict == TBeenTortured::TVerdict::NotInIncludeList)
                ++leftOut.NotInIncludeList;
            continue;
        }
        if (special) {
            leftOut.SpecialFiles.append(QFile::decodeName(path.c_str()) + name);
            continue;
        }
        found.push_back(TScanFound{std::string(raw, length), record, isFolder, folderLink});
    }
    ::closedir(dir);
    return listing;
}

// Adds a folder's listing to the tree as the folder's children, and its
// sub-folders to the folders still to list. Runs under the scan's lock.
void TWinFile::AddListing(TScanWork& work, const TScanJob& job, TListing listing,
                          const std::vector<TScanFound>& found, QString reason)
{
    const size_t firstJob = work.Jobs.size();
    for (const TScanFound& item : found) {
        const TItemRecord& record = item.Record;
        const quint32 added = work.Tree.AddChild(job.Folder, item.Name, item.IsFolder, record.Time,
                                                 record.Size, record.Attr, record.ExactTime);
        if (added == TScanTree::Full) {
            // A side of some hundred million items: what does not fit is not
            // compared, and its folder, like one that cannot be listed, is told
            // and left alone.
            listing = TListing::Incomplete;
            reason = QStringLiteral("more items than an analysis can hold");
            break;
        }
        if (item.FolderLink) {
            work.Tree.SetUnreadable(added);
            FolderLinks.append(QFile::decodeName((job.Path + item.Name).c_str()));
        } else if (item.IsFolder) {
            work.Jobs.push_back(TScanJob{added, job.Path + item.Name + '/'});
        }
    }
    // Taken from the end: the first sub-folder is listed first.
    std::reverse(work.Jobs.begin() + std::ptrdiff_t(firstJob), work.Jobs.end());
    if (listing == TListing::Incomplete) {
        work.Tree.SetUnreadable(job.Folder);
        const QString folder = QFile::decodeName(job.Path.c_str());
        UnreadableFolders.append(folder);
        UnreadableReasons.insert(folder, reason);
    }
}

TWinFile::TItemRecord TWinFile::RecordOf(const char* name, const struct stat& st)
{
    TItemRecord record;
    record.Time = PackedDateTime::FromPosixTime(st.st_mtim.tv_sec);
    record.Size = S_ISDIR(st.st_mode) ? 0 : qint64(st.st_size);
    record.Attr = Attributes(name, st);
    record.ExactTime = NanosecondsOf(st.st_mtim);
    return record;
}

qint64 TWinFile::NanosecondsOf(const struct timespec& time)
{
    constexpr qint64 PerSecond = 1000000000;
    constexpr qint64 Latest = std::numeric_limits<qint64>::max() / PerSecond - 1;
    const qint64 seconds = std::clamp(qint64(time.tv_sec), -Latest, Latest);
    return seconds * PerSecond + qint64(time.tv_nsec);
}

qint64 TWinFile::QueryFileSize(const QString& path)
{
    struct stat st;
    if (::stat(Bytes(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return qint64(st.st_size);
}

QString TWinFile::BackupPath(const QString& targetPath, const QString& targetRoot)
{
    const QString root = TrimBlanksAndControls(targetRoot);
    return SyncPath::Join(SyncPath::Join(root, QStringLiteral("__Save__")),
                          SyncPath::RelativeTo(targetPath, root));
}
