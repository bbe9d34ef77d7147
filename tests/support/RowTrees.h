#pragma once

#include "engine/UResultRow.h"
#include "jobs/UTSyncTask.h"

#include <QString>

#include <algorithm>
#include <iterator>
#include <vector>

// Rows of a comparison page's result tree, put together by hand for the tests.

// Appends a folder row to the parent, with the pictures the row builder gives a
// folder.
inline TResultRow* AddFolderRow(TResultRow& parent, const QString& name = QString())
{
    TResultRow* row = parent.AddChild();
    row->Kind = ItemKind::Folder;
    row->Name = name;
    row->ItemImage = RowImage::Folder;
    row->LeftImage = RowImage::FolderLeft;
    row->RightImage = RowImage::FolderRight;
    row->DirectImage = RowImage::CanMove;
    return row;
}

// Appends a file row in the comparison state to the parent, with the document
// picture and the pictures and direction of its state.
inline TResultRow* AddFileRow(TResultRow& parent, qint32 state, const QString& name = QString())
{
    TResultRow* row = parent.AddChild();
    row->Name = name;
    row->State = state;
    row->ItemImage = RowImage::Document;
    ApplyStateDefaults(*row);
    return row;
}

// A row's path on a side below the job's folders; empty where it is absent.
inline QString LeftPathOf(const TResultRow& row, const TSyncTask& job)
{
    return row.PathOn(TRowSide::Left, {job.LFolder.FolerAllName, job.RFolder.FolerAllName});
}
inline QString RightPathOf(const TResultRow& row, const TSyncTask& job)
{
    return row.PathOn(TRowSide::Right, {job.LFolder.FolerAllName, job.RFolder.FolerAllName});
}

// Every file row below the row, in tree order.
inline std::vector<TResultRow*> FileRows(TResultRow& row)
{
    std::vector<TResultRow*> rows;
    for (int i = 0; i < row.ChildCount(); ++i) {
        TResultRow* child = row.Child(i);
        if (child->Kind == ItemKind::Folder)
            std::ranges::copy(FileRows(*child), std::back_inserter(rows));
        else
            rows.push_back(child);
    }
    return rows;
}
