#include "run/FolderValidation.h"

#include "jobs/UTSyncTask.h"

#include <QDir>
#include <QFileInfo>

namespace FolderValidation {

namespace {

// The path made absolute and clean ("." and repeated separators gone), with
// exactly one "/" at its end, so that a folder contains another exactly when its
// form is a leading part of the other's.
QString FolderForm(const QString& path)
{
    QString clean = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    if (!clean.endsWith(QLatin1Char('/')))
        clean += QLatin1Char('/');
    return clean;
}

// The form of the folder a path leads to, symbolic links resolved; empty when the
// path leads nowhere yet.
QString ResolvedForm(const QString& path)
{
    const QString resolved = QFileInfo(path).canonicalFilePath();
    return resolved.isEmpty() ? QString() : FolderForm(resolved);
}

// Same or nested, as folder forms.
qint32 Relation(const QString& left, const QString& right)
{
    if (left == right)
        return SameFolders;
    // Whole path components only: "/data" does not contain "/data2" nor
    // "/backup/data".
    if (left.startsWith(right) || right.startsWith(left))
        return NestedFolders;
    return Valid;
}

} // namespace

qint32 ValidateFolders(const QString& leftPath, const QString& rightPath)
{
    if (TrimBlanksAndControls(leftPath).isEmpty() || TrimBlanksAndControls(rightPath).isEmpty())
        return EmptyFolder;
    if (leftPath == rightPath)
        return SameFolders;
    // Trimmed as the scan trims a root, so that the check sees the folders the
    // analysis will read.
    const QString left = TrimBlanksAndControls(leftPath);
    const QString right = TrimBlanksAndControls(rightPath);
    if (const qint32 relation = Relation(FolderForm(left), FolderForm(right)))
        return relation;
    // A link may lead one side into the other, or both to one folder: a sync
    // would then copy a tree into itself.
    const QString leftResolved = ResolvedForm(left);
    const QString rightResolved = ResolvedForm(right);
    if (leftResolved.isEmpty() || rightResolved.isEmpty())
        return Valid;
    return Relation(leftResolved, rightResolved);
}

QString ValidationText(qint32 result)
{
    switch (result) {
    case SameFolders:
        return QStringLiteral("Left and right folders are the same");
    case NestedFolders:
        return QStringLiteral("Cannot Analyze nested folders.");
    case EmptyFolder:
        return QStringLiteral("Folders is empty.");
    default:
        return {};
    }
}

} // namespace FolderValidation
