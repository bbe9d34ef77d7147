#include "engine/UWinFile.h"

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

#include <utility>

namespace {

std::string Bytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
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

qint32 TWinFile::ScanFolder(const QString& path, TScanTree& tree, const TBeenTortured& filter)
{
    const QString prefix = SyncPath::FolderPrefix(path);
    std::string bytes = Bytes(prefix);
    const qint32 count = ScanInto(bytes, prefix, tree, TScanTree::Root, filter);
    tree.Finish();
    return count;
}

bool TWinFile::Cancelled() const
{
    return CancelFlag != nullptr && CancelFlag->load(std::memory_order_relaxed);
}

// Lists one folder with one directory read and one fstatat per entry, and
// appends its items to the tree as the folder's children. Sub-folders are
// scanned after the listing is closed, so a deep tree holds one descriptor and
// the children of every folder lie together in the tree.
qint32 TWinFile::ScanInto(std::string& pathBytes, const QString& prefix, TScanTree& tree,
                          quint32 folder, const TBeenTortured& filter)
{
    const int fd = ::open(pathBytes.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) {
            tree.SetUnreadable(folder);
            UnreadableFolders.append(prefix);
        }
        return 0;
    }
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        tree.SetUnreadable(folder);
        UnreadableFolders.append(prefix);
        return 0;
    }

    std::vector<quint32> folders;
    qint32 fileCount = 0;
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
            BadNames.append(prefix + EscapedName(raw, length));
            continue;
        }
        const TItemRecord record = RecordOf(raw, st);
        const bool isFolder = S_ISDIR(st.st_mode);
        if (isFolder) {
            if (filter.IsFolderExcluded(record.Attr))
                continue;
        } else if (filter.IsExcluded(name, record.Time, record.Attr, record.Size) ||
                   !filter.IsIncluded(name, record.Time, record.Size)) {
            continue;
        }

        const quint32 added = tree.AddChild(folder, std::string_view(raw, length), isFolder,
                                            record.Time, record.Size, record.Attr);
        if (folderLink) {
            tree.SetUnreadable(added);
            FolderLinks.append(prefix + name);
        }
        if (!isFolder)
            ++fileCount;
        else if (!folderLink)
            folders.push_back(added);
    }
    ::closedir(dir);
    if (incomplete) {
        tree.SetUnreadable(folder);
        UnreadableFolders.append(prefix);
    }

    const size_t base = pathBytes.size();
    for (const quint32 child : folders) {
        if (Cancelled())
            break;
        pathBytes.append(tree.NameBytes(child)).push_back('/');
        const QString childPrefix = prefix + tree.Name(child) + QLatin1Char('/');
        fileCount += ScanInto(pathBytes, childPrefix, tree, child, filter);
        pathBytes.resize(base);
    }
    tree.SetFileCount(folder, fileCount);
    return fileCount;
}

TWinFile::TItemRecord TWinFile::RecordOf(const char* name, const struct stat& st)
{
    TItemRecord record;
    record.Time = PackedDateTime::FromPosixTime(st.st_mtim.tv_sec);
    record.Size = S_ISDIR(st.st_mode) ? 0 : qint64(st.st_size);
    record.Attr = Attributes(name, st);
    return record;
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
