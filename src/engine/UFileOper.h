#pragma once

#include "engine/NamePatterns.h"

#include <QString>
#include <QtGlobal>

class TSyncTask;

// Evaluates a job's include and exclude filters for one file. The name lists are
// read once, when the filter is made (one filter serves one analysis); the other
// fields are read at every call. The name patterns are those of TNamePatterns;
// `folder` is the file's folder below the root (see there), needed only when
// NeedsFolder() says so.
class TBeenTortured
{
public:
    explicit TBeenTortured(const TSyncTask& task);

    // What the filters make of one file.
    enum class TVerdict
    {
        Kept,
        Dropped,
        // Dropped for matching no pattern of the include list only.
        NotInIncludeList
    };

    bool NeedsFolder() const { return Excluded.NeedsFolder() || Included.NeedsFolder(); }

    // True when the exclude filter drops the file: outside the exclude time or
    // size range, hidden (system) while such files are excluded, or matching an
    // exclude name pattern.
    bool IsExcluded(const QString& name, qint32 time, qint32 attributes, qint64 size,
                    QStringView folder = {}) const;
    // True when the include filter keeps the file: inside the include time and
    // size ranges and, when patterns are given, matching one of them.
    bool IsIncluded(const QString& name, qint32 time, qint64 size, QStringView folder = {}) const;
    // Both filters at once, telling a file that only the include list left out.
    TVerdict Judge(const QString& name, qint32 time, qint32 attributes, qint64 size,
                   QStringView folder = {}) const;
    // True when a folder is skipped with everything inside it: hidden or system
    // folders while such items are excluded. No other filter applies to folders.
    bool IsFolderExcluded(qint32 attributes) const;
    // True when the filters keep or drop a file by its name and place alone, as
    // they then do on both sides alike: a file that only one side lists is
    // absent from the other, not left out there for its time or size.
    bool JudgesByNameOnly() const;

    const TSyncTask& Task;

private:
    bool InIncludeRanges(qint32 time, qint64 size) const;

    TNamePatterns Excluded;
    TNamePatterns Included;
};

// Paths: roots and relative paths are joined with exactly one separator.
namespace SyncPath {
// Root ⊕ relative: one "/" between them, none added after a root that ends with one,
// a leading "/" of the relative path dropped.
QString Join(const QString& root, const QString& relative);
// The path below the root, without a leading separator; the root is trimmed of
// blanks first, as the scan trims it. Empty when the path does not lie below the root.
QString RelativeTo(const QString& fullPath, const QString& root);
// The folder prefix the scan uses: the trimmed path with exactly one "/" at its end.
QString FolderPrefix(const QString& path);
// The path without its closing "/" (a folder as the scan lists it, as the user
// reads it); "/" stays.
QString WithoutLastSeparator(const QString& path);
} // namespace SyncPath
