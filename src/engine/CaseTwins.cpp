#include "engine/CaseTwins.h"

#include "engine/FileNameText.h"
#include "engine/UFileOper.h"
#include "jobs/UTSyncTask.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

// File systems whose every folder ignores case.
constexpr long MsdosMagic = 0x4d44;
constexpr long ExfatMagic = 0x2011BAB0;

QString Folded(const QString& text)
{
    return text.toCaseFolded();
}

// The name with the case of its letters swapped; equal to it when it has none.
std::string SwappedCase(const std::string& name)
{
    std::string swapped = name;
    for (char& c : swapped) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return swapped;
}

bool Listed(int folderFd, const std::string& name)
{
    const int fd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (dir == nullptr) {
        if (fd >= 0)
            ::close(fd);
        return true; // unknown: taken for a folder that keeps both
    }
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        if (name == entry->d_name) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

// The first name in the folder whose swapped form is another name.
bool FirstCasedName(int folderFd, std::string& name)
{
    const int fd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (dir == nullptr) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        if (SwappedCase(entry->d_name) != entry->d_name) {
            name = entry->d_name;
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

// Looks the name up with its case swapped: found, and not listed under that
// spelling, means the folder took one spelling for the other.
bool SwappedNameFindsIt(int folderFd, const std::string& name)
{
    struct stat st;
    struct stat swapped;
    const std::string other = SwappedCase(name);
    if (::fstatat(folderFd, other.c_str(), &swapped, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    if (::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        st.st_dev == swapped.st_dev && st.st_ino == swapped.st_ino && st.st_nlink == 1)
        return true;
    return !Listed(folderFd, other);
}

// A folder without a name to try gets a probe file for a moment; it has the
// form of the copy's temporary files, so a crash leaves nothing a later run
// keeps.
bool ProbeWithFile(int folderFd)
{
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyz";
    std::string name = ".__FileSync__";
    for (int i = 0; i < 6; ++i)
        name += Letters[QRandomGenerator::global()->bounded(int(sizeof(Letters) - 1))];
    const int fd = ::openat(folderFd, name.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false; // a side that cannot be written receives no copy either
    ::close(fd);
    const bool ignores = SwappedNameFindsIt(folderFd, name);
    ::unlinkat(folderFd, name.c_str(), 0);
    return ignores;
}

} // namespace

TCaseTwins::TCaseTwins(const QString& root) : Root(TrimBlanksAndControls(root)) {}

bool TCaseTwins::IgnoresCase(int folderFd)
{
    struct statfs fs;
    if (::fstatfs(folderFd, &fs) == 0 && (fs.f_type == MsdosMagic || fs.f_type == ExfatMagic))
        return true;
    int flags = 0;
    if (::ioctl(folderFd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_CASEFOLD_FL) != 0)
        return true;
    // Other file systems (a drive through FUSE, a network share) are asked by
    // looking a name up with its letters' case swapped.
    std::string name;
    if (FirstCasedName(folderFd, name))
        return SwappedNameFindsIt(folderFd, name);
    return ProbeWithFile(folderFd);
}

void TCaseTwins::Add(const QString& relative)
{
    const QStringList parts = relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString prefix;
    for (const QString& part : parts) {
        prefix += (prefix.isEmpty() ? QString() : QStringLiteral("/")) + part;
        AddSpelling(prefix);
    }
    AddSpellingsOnDisk(parts);
}

void TCaseTwins::AddSpelling(const QString& spelling)
{
    Spellings[Folded(spelling)].insert(spelling);
}

// Follows the path down the side's folders while they hold its spelling, and
// adds every name there that differs from it only in case.
void TCaseTwins::AddSpellingsOnDisk(const QStringList& parts)
{
    QString folder;
    for (const QString& part : parts) {
        const QString folded = Folded(part);
        bool exact = false;
        for (const QString& name : Listing(folder)) {
            if (Folded(name) != folded)
                continue;
            exact = exact || name == part;
            AddSpelling(folder.isEmpty() ? name : folder + QLatin1Char('/') + name);
        }
        if (!exact)
            return;
        folder = folder.isEmpty() ? part : folder + QLatin1Char('/') + part;
    }
}

const QStringList& TCaseTwins::Listing(const QString& folder)
{
    const auto known = Listings.constFind(folder);
    if (known != Listings.constEnd())
        return *known;
    QStringList names;
    const QByteArray path =
        QFile::encodeName(folder.isEmpty() ? Root : SyncPath::Join(Root, folder));
    if (DIR* dir = ::opendir(path.constData())) {
        while (const dirent* entry = ::readdir(dir))
            names.append(TFileNameText::Decode(entry->d_name));
        ::closedir(dir);
    }
    return *Listings.insert(folder, names);
}

bool TCaseTwins::IsTwin(const QString& relative) const
{
    const QStringList parts = relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString prefix;
    for (const QString& part : parts) {
        prefix += (prefix.isEmpty() ? QString() : QStringLiteral("/")) + part;
        if (Spellings.value(Folded(prefix)).size() > 1)
            return true;
    }
    return false;
}
