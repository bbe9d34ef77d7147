#include "rows/RowActions.h"

#include "engine/TargetFolder.h"
#include "engine/UFileOper.h"
#include "engine/UFileStructure.h"
#include "engine/UResultRow.h"
#include "engine/UWinFile.h"
#include "jobs/UTSyncTask.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

qint8* CellImage(TResultRow& row, qint32 cell)
{
    switch (cell) {
    case ImageCell::Left:
        return &row.LeftImage;
    case ImageCell::Direct:
        return &row.DirectImage;
    case ImageCell::Right:
        return &row.RightImage;
    default:
        return nullptr;
    }
}

// The fields a click may change, to tell whether it changed anything.
struct TLook
{
    explicit TLook(const TResultRow& row)
        : Left(row.LeftImage), Right(row.RightImage), Direct(row.DirectImage),
          Direction(row.Direction)
    {
    }
    bool operator==(const TLook&) const = default;
    qint32 Left, Right, Direct, Direction;
};

// A file's folder, opened below its side's root without following any link on
// the way, and the file's name in that folder.
struct TFileSpot
{
    // below: "" for the file's own place, "__Save__" for its kept version.
    bool Open(const QString& path, const QString& root, const char* below)
    {
        const QString relative = SyncPath::RelativeTo(path, root);
        const qsizetype slash = relative.lastIndexOf(QLatin1Char('/'));
        const QString name = relative.mid(slash + 1);
        if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
            return false;
        Name = QFile::encodeName(name).toStdString();
        std::string folder = *below != 0 ? std::string(below) : std::string();
        if (slash > 0) {
            if (!folder.empty())
                folder += '/';
            folder += QFile::encodeName(relative.left(slash)).toStdString();
        }
        // The root is the user's choice and may itself be a link, as for a copy.
        const int rootFd = ::open(QFile::encodeName(TrimBlanksAndControls(root)).constData(),
                                  O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (rootFd < 0)
            return false;
        const bool opened = Folder.Open(rootFd, folder, false);
        ::close(rootFd);
        return opened;
    }

    int Fd() const { return Folder.Fd(); }

    TTargetFolder Folder;
    std::string Name;
};

// A rename that never replaces a file already at the new name.
bool RenameNoReplace(int fromFd, const std::string& from, int toFd, const std::string& to)
{
    if (::renameat2(fromFd, from.c_str(), toFd, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL)
        return false;
    // A file system without the flag: the name is checked just before the rename.
    struct stat st;
    if (::fstatat(toFd, to.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT)
        return false;
    return ::renameat(fromFd, from.c_str(), toFd, to.c_str()) == 0;
}

// Moves a file to the desktop's trash. Qt's own call, when it cannot set up the
// user's trash folder, moves the file into "files" below the current folder and
// reports success; so that folder is made sure of first (Qt's last resort for
// every file), and a file that did not land in an absolute trash folder is put
// back and counts as not trashed.
bool MoveToTrash(const QString& path)
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!QDir::isAbsolutePath(data) || !QDir().mkpath(data))
        return false;
    const QByteArray trash = QFile::encodeName(QDir(data).filePath(QStringLiteral("Trash")));
    struct stat st;
    if (::mkdir(trash.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    if (::lstat(trash.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;

    QString inTrash;
    if (!QFile::moveToTrash(path, &inTrash))
        return false;
    if (QDir::isAbsolutePath(inTrash))
        return true;
    QFile::rename(inTrash, path);
    return false;
}

// A side as the scan would record it now: true when its file is there.
bool ReadSide(const QString& path, TWinFile::TItemRecord& record, bool& absent)
{
    absent = false;
    struct stat st;
    const QByteArray bytes = QFile::encodeName(path);
    // A link to a file stands for that file, as in the scan.
    if (::stat(bytes.constData(), &st) != 0) {
        absent = errno == ENOENT || errno == ENOTDIR;
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        absent = true;
        return false;
    }
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    record = TWinFile::RecordOf(QFile::encodeName(path.mid(slash + 1)).constData(), st);
    return true;
}

void ClearSide(TResultRow& row, TRowSide side, qint32 time)
{
    const bool left = side == TRowSide::Left;
    (left ? row.LeftSize : row.RightSize) = 0;
    (left ? row.LeftTime : row.RightTime) = time;
    (left ? row.LeftAttr : row.RightAttr) = -1;
    row.SetOn(side, false);
}

void SetSide(TResultRow& row, TRowSide side, const TWinFile::TItemRecord& record)
{
    const bool left = side == TRowSide::Left;
    (left ? row.LeftSize : row.RightSize) = record.Size;
    (left ? row.LeftTime : row.RightTime) = record.Time;
    (left ? row.LeftAttr : row.RightAttr) = record.Attr;
}

// The comparison state of a file row from what it holds of the two sides, as the
// analysis compares them.
qint32 StateOf(const TResultRow& row)
{
    if (!row.OnRight)
        return CompareState::LeftOnly;
    if (!row.OnLeft)
        return CompareState::RightOnly;
    return row.LeftTime > row.RightTime   ? CompareState::LeftNewer
           : row.LeftTime < row.RightTime ? CompareState::RightNewer
                                          : CompareState::Same;
}

// What the analysis concluded from the last sync no longer holds for a row
// whose files the user changed on the page.
void ForgetLastSync(TResultRow& row)
{
    row.SinceSync = 0;
    row.Proposed = TResultRow::NoProposal;
}

QString BackupOf(const QString& path, const QString& root)
{
    if (path.isEmpty() || SyncPath::RelativeTo(path, root).isEmpty())
        return {};
    return TWinFile::BackupPath(path, root);
}

bool IsRegularFile(const QString& path)
{
    struct stat st;
    return !path.isEmpty() && ::lstat(QFile::encodeName(path).constData(), &st) == 0 &&
           S_ISREG(st.st_mode);
}

} // namespace

bool TRowActions::Hover(TResultRow* row, qint32 cell)
{
    if (row == nullptr || CellImage(*row, cell) == nullptr) {
        if (Hovered == nullptr)
            return false;
        Unhover(*Hovered);
        return true;
    }
    if (Hovered == row && row->HoverCell == cell)
        return false;
    if (Hovered != nullptr)
        Unhover(*Hovered);
    Hovered = row;
    row->HoverCell = cell;
    --*CellImage(*row, cell);
    return true;
}

void TRowActions::Unhover(TResultRow& row)
{
    if (Hovered != &row)
        return;
    if (qint8* image = CellImage(row, row.HoverCell))
        ++*image;
    Hovered = nullptr;
}

void TRowActions::Release(const TResultRow& row)
{
    if (Hovered == &row)
        Hovered = nullptr;
}

bool TRowActions::Click(TResultRow& row, qint32 cell)
{
    if (CellImage(row, cell) == nullptr)
        return false;
    if (row.Kind == ItemKind::Folder)
        return ApplyToFolder(row, cell);
    return ActOnFile(row, cell);
}

bool TRowActions::ApplyToFolder(TResultRow& folder, qint32 action)
{
    bool changed = false;
    for (int i = 0; i < folder.ChildCount(); ++i) {
        TResultRow& child = *folder.Child(i);
        if (child.Kind == ItemKind::Folder)
            changed = ApplyToFolder(child, action) || changed;
        else
            changed = ActOnFile(child, action) || changed;
    }
    return changed;
}

bool TRowActions::ActOnFile(TResultRow& row, qint32 cell)
{
    if (row.State == CompareState::Same)
        return false;
    // A side without the file takes nothing, unless the row carries over its
    // deletion on the other side.
    if (cell == ImageCell::Left && row.State == CompareState::LeftOnly &&
        !CarriesDeletion(row, SyncDirection::RightToLeft))
        return false;
    if (cell == ImageCell::Right && row.State == CompareState::RightOnly &&
        !CarriesDeletion(row, SyncDirection::LeftToRight))
        return false;
    const TLook before(row);
    Unhover(row);
    const qint32 direct = row.DirectImage;
    switch (cell) {
    case ImageCell::Left:
        ShowDirection(row, SyncDirection::RightToLeft);
        row.DirectImage = direct;
        break;
    case ImageCell::Right:
        ShowDirection(row, SyncDirection::LeftToRight);
        row.DirectImage = direct;
        break;
    case ImageCell::Direct:
        if (row.Direction == SyncDirection::RightToLeft ||
            row.Direction == SyncDirection::LeftToRight) {
            row.Direction = SyncDirection::None;
            row.LeftImage = RowImage::Empty;
            row.RightImage = RowImage::Empty;
            row.DirectImage = RowImage::DontMove;
        } else {
            row.DirectImage = RowImage::CanMove;
            ApplyStateDefaults(row);
        }
        break;
    default:
        return false;
    }
    return TLook(row) != before;
}

TRowMenu TRowActions::MenuFor(const TResultRow& row, const TRowRoots& roots)
{
    TRowMenu menu;
    if (row.Kind != ItemKind::File)
        return menu;
    switch (row.State) {
    case CompareState::LeftOnly:
        menu.LeftFile = true;
        break;
    case CompareState::RightOnly:
        menu.RightFile = true;
        break;
    case CompareState::Same:
    case CompareState::RightNewer:
    case CompareState::LeftNewer:
        menu.LeftFile = true;
        menu.RightFile = true;
        LeftBackupPath = BackupOf(row.PathOn(TRowSide::Left, roots), roots.Left);
        RightBackupPath = BackupOf(row.PathOn(TRowSide::Right, roots), roots.Right);
        menu.LeftBackup = IsRegularFile(LeftBackupPath);
        menu.RightBackup = IsRegularFile(RightBackupPath);
        break;
    default:
        break;
    }
    return menu;
}

TRowActions::Deletion TRowActions::DeleteFile(TResultRow& row, TRowSide side,
                                              const TRowRoots& roots)
{
    const bool left = side == TRowSide::Left;
    const QString& root = left ? roots.Left : roots.Right;
    const QString path = row.PathOn(side, roots);
    if (row.Kind != ItemKind::File || path.isEmpty())
        return Deletion::Failed;
    TFileSpot spot;
    struct stat st;
    if (!spot.Open(path, root, "") ||
        ::fstatat(spot.Fd(), spot.Name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        S_ISDIR(st.st_mode))
        return Deletion::Failed;
    if (!MoveToTrash(path))
        return Deletion::Failed;

    Unhover(row);
    // The side of a deleted file: no path, size 0 and time 0 ("not seen before").
    ClearSide(row, side, 0);
    if (!row.IsOn(left ? TRowSide::Right : TRowSide::Left)) {
        row.Direction = SyncDirection::None;
        return Deletion::DeletedRowEmpty;
    }
    row.State = left ? CompareState::RightOnly : CompareState::LeftOnly;
    ForgetLastSync(row);
    ApplyStateDefaults(row);
    return Deletion::Deleted;
}

bool TRowActions::RestoreFile(TResultRow& row, TRowSide side, const TRowRoots& roots)
{
    const bool left = side == TRowSide::Left;
    const QString& root = left ? roots.Left : roots.Right;
    const QString path = row.PathOn(side, roots);
    if (row.Kind != ItemKind::File || path.isEmpty())
        return false;
    TFileSpot file;
    TFileSpot backup;
    struct stat st;
    if (!file.Open(path, root, "") || !backup.Open(path, root, "__Save__") ||
        ::fstatat(backup.Fd(), backup.Name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(st.st_mode))
        return false;

    // The current version steps aside under the ".p" name (never over a file that
    // has it), the kept version takes its place, and the current one goes to the
    // trash; any step that fails undoes the ones before it.
    const std::string& name = file.Name;
    const std::string aside = name + ".p";
    if (!RenameNoReplace(file.Fd(), name, file.Fd(), aside))
        return false;
    if (!RenameNoReplace(backup.Fd(), name, file.Fd(), name)) {
        RenameNoReplace(file.Fd(), aside, file.Fd(), name);
        return false;
    }
    if (!MoveToTrash(path + QStringLiteral(".p"))) {
        if (RenameNoReplace(file.Fd(), name, backup.Fd(), name))
            RenameNoReplace(file.Fd(), aside, file.Fd(), name);
        return false;
    }

    Unhover(row);
    if (::fstatat(file.Fd(), name.c_str(), &st, 0) == 0)
        SetSide(row, side, TWinFile::RecordOf(name.c_str(), st));
    const TRowSide other = left ? TRowSide::Right : TRowSide::Left;
    const QString otherPath = row.PathOn(other, roots);
    TWinFile::TItemRecord record;
    bool absent = false;
    if (!otherPath.isEmpty()) {
        if (ReadSide(otherPath, record, absent))
            SetSide(row, other, record);
        else if (absent)
            ClearSide(row, other, -1);
    }
    row.State = StateOf(row);
    ForgetLastSync(row);
    ApplyStateDefaults(row);
    return true;
}
