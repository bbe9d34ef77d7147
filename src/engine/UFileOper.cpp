#include "engine/UFileOper.h"

#include "engine/UFileStructure.h"
#include "jobs/UTSyncTask.h"

TBeenTortured::TBeenTortured(const TSyncTask& task)
    : Task(task), Excluded(task.ExcludeFilterr), Included(task.IncludeFilterr)
{
}

bool TBeenTortured::IsExcluded(const QString& name, qint32 time, qint32 attributes, qint64 size,
                               QStringView folder) const
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
    return Excluded.Matches(name, folder);
}

bool TBeenTortured::InIncludeRanges(qint32 time, qint64 size) const
{
    return !(Task.IncFileTimeMin != -1 && time < Task.IncFileTimeMin) &&
           !(Task.IncFileTimeMax != -1 && time > Task.IncFileTimeMax) &&
           !(Task.IncFileSizeMin != -1 && size < Task.IncFileSizeMin) &&
           !(Task.IncFileSizeMax != -1 && size > Task.IncFileSizeMax);
}

bool TBeenTortured::IsIncluded(const QString& name, qint32 time, qint64 size,
                               QStringView folder) const
{
    if (!InIncludeRanges(time, size))
        return false;
    return Task.IncludeFilterr.isEmpty() || Included.Matches(name, folder);
}

TBeenTortured::TVerdict TBeenTortured::Judge(const QString& name, qint32 time, qint32 attributes,
                                             qint64 size, QStringView folder) const
{
    if (IsExcluded(name, time, attributes, size, folder) || !InIncludeRanges(time, size))
        return TVerdict::Dropped;
    if (Task.IncludeFilterr.isEmpty() || Included.Matches(name, folder))
        return TVerdict::Kept;
    return TVerdict::NotInIncludeList;
}

bool TBeenTortured::IsFolderExcluded(qint32 attributes) const
{
    return (Task.ExcludeHiddenFile == 1 && (attributes & FileAttribute::Hidden)) ||
           (Task.ExcludeSystemFile == 1 && (attributes & FileAttribute::System));
}

bool TBeenTortured::JudgesByNameOnly() const
{
    for (const qint64 bound :
         {qint64(Task.ExcFileTimeMin), qint64(Task.ExcFileTimeMax), qint64(Task.ExcFileSizeMin),
          qint64(Task.ExcFileSizeMax), qint64(Task.IncFileTimeMin), qint64(Task.IncFileTimeMax),
          qint64(Task.IncFileSizeMin), qint64(Task.IncFileSizeMax)}) {
        if (bound != -1)
            return false;
    }
    return true;
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
