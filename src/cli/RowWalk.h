#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

class TResultRow;

// One row met by WalkRows.
struct TRowVisit
{
    const TResultRow& Row;
    // 0 for the children of the job's root row.
    int Depth;
    // From the job root, "/" between names.
    QString Path;
    // Folder rows: the comparison state of the folder itself (its two folders'
    // own times), as the folder row holds it.
    qint32 FolderState;
};

// Visits every row below the root row in tree order (a folder before its
// contents).
void WalkRows(const TResultRow& root, const std::function<void(const TRowVisit&)>& visit);
