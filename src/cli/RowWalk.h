#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

class TFileAttri;
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
    // own times); the rows hold 0 for folders. -1 when it cannot be told.
    qint32 FolderState;
};

// Visits every row below the root row in tree order (a folder before its
// contents). The comparison tree the rows were built from gives the folders'
// states: the rows of a folder are its listed items, in the tree's order, so
// each row is found by walking that folder's items forward.
void WalkRows(const TResultRow& root, const TFileAttri* compareRoot,
              const std::function<void(const TRowVisit&)>& visit);
