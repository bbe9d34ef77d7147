#include "engine/UFileOper.h"

#include "engine/UFileStructure.h"
#include "jobs/UTSyncTask.h"

namespace {

bool MatchesFragment(const QStringList& fragments, const QString& name)
{
    for (const QString& fragment : fragments) {
        // An empty fragment matches nothing; every character stands for itself.
        if (!fragment.isEmpty() && name.contains(fragment, Qt::CaseSensitive))
            return true;
    }
    return false;
}

} // namespace

bool TBeenTortured::IsExcluded(const QString& name, qint32 time, qint32 attributes,
                               qint64 size) const
{
    if (Task.ExcFileTimeMin != -1 && time < Task.ExcFileTimeMin)
        return true;
    if (Task.ExcFileTimeMax != -1 && time > Task.ExcFileTimeMax)
        return true;
    if (Task.ExcFileSizeMin != -1 && size < Task.ExcFileSizeMin)
        return true;
    if (Task.ExcFileSizeMax != -1 && size > Task.ExcFileSizeMax)
        return true;
    if (Task.ExcludeHiddenFile == 1 && (attributes & FileAttribute::Hidden))
        return true;
    if (Task.ExcludeSystemFile == 1 && (attributes & FileAttribute::System))
        return true;
    return MatchesFragment(Task.ExcludeFilterr, name);
}

bool TBeenTortured::IsIncluded(const QString& name, qint32 time, qint64 size) const
{
    if (Task.IncFileTimeMin != -1 && time < Task.IncFileTimeMin)
        return false;
    if (Task.IncFileTimeMax != -1 && time > Task.IncFileTimeMax)
        return false;
    if (Task.IncFileSizeMin != -1 && size < Task.IncFileSizeMin)
        return false;
    if (Task.IncFileSizeMax != -1 && size > Task.IncFileSizeMax)
        return false;
    if (Task.IncludeFilterr.isEmpty())
        return true;
    return MatchesFragment(Task.IncludeFilterr, name);
}

bool TBeenTortured::IsFolderExcluded(qint32 attributes) const
{
    return (Task.ExcludeHiddenFile == 1 && (attributes & FileAttribute::Hidden)) ||
           (Task.ExcludeSystemFile == 1 && (attributes & FileAttribute::System));
}

namespace SyncPath {

QString Join(const QString& root, const QString& relative)
{
    QString rel = relative;
    while (rel.startsWith(QLatin1Char('/')))
        rel.remove(0, 1);
    if (root.endsWith(QLatin1Char('/')))
        return root + rel;
    return root + QLatin1Char('/') + rel;
}

QString FolderPrefix(const QString& path)
{
    QString prefix = TrimBlanksAndControls(path);
    if (!prefix.endsWith(QLatin1Char('/')))
        prefix += QLatin1Char('/');
    return prefix;
}

QString RelativeTo(const QString& fullPath, const QString& root)
{
    const QString prefix = FolderPrefix(root);
    if (!fullPath.startsWith(prefix))
        return {};
    return fullPath.mid(prefix.size());
}

} // namespace SyncPath

QString SyncPath::WithoutLastSeparator(const QString& path)
{
    return path.size() > 1 && path.endsWith(QLatin1Char('/')) ? path.chopped(1) : path;
}
