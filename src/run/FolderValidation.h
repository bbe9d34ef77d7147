#pragma once

#include <QString>
#include <QtGlobal>

// The check of a job's two folder paths before an analysis starts.
namespace FolderValidation {

constexpr qint32 Valid = 0;
constexpr qint32 SameFolders = 1;
constexpr qint32 NestedFolders = 2;
constexpr qint32 EmptyFolder = 3;

// 0 when the two paths may be analysed, else the number of the first failed test:
// 3 when a path is empty (blanks and control characters trimmed), 1 when both name
// the same folder, 2 when one folder lies inside the other. Case-sensitive; the
// paths are compared as text, made absolute against the current folder, and when
// both folders exist, also with their symbolic links resolved.
[[nodiscard]] qint32 ValidateFolders(const QString& leftPath, const QString& rightPath);

// The log text for a failed test; empty for Valid.
QString ValidationText(qint32 result);

} // namespace FolderValidation
