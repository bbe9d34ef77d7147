#include "ui/page/FolderValidation.h"

#include "jobs/UTSyncTask.h"

#include <QDir>

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

} // namespace

qint32 ValidateFolders(const QString& leftPath, const QString& rightPath)
{
    if (TrimBlanksAndControls(leftPath).isEmpty() || TrimBlanksAndControls(rightPath).isEmpty())
        return EmptyFolder;
    if (leftPath == rightPath)
        return SameFolders;
    // Trimmed as the scan trims a root, so that the check sees the folders the
    // analysis will read.
    const QString left = FolderForm(TrimBlanksAndControls(leftPath));
    const QString right = FolderForm(TrimBlanksAndControls(rightPath));
    if (left == right)
        return SameFolders;
    // Whole path components only: "/data" does not contain "/data2" nor
    // "/backup/data".
    if (left.startsWith(right) || right.startsWith(left))
        return NestedFolders;
    return Valid;
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
