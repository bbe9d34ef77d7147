#include "engine/UFileSync.h"

#include "engine/UFileOper.h"
#include "engine/UWinFile.h"
#include "jobs/UTSyncTask.h"
#include "ui/page/UResultRow.h"

#include <string>
#include <unordered_set>

TFileSync::TFileSync(TResultRow& resultTree, QObject* pageWindow, TSyncTask& task,
                     TMessageHandler handler, Completion completion)
    : PageWindow(pageWindow), Task(task), ResultTree(&resultTree), Handler(std::move(handler)),
      OnFinished(std::move(completion))
{
    CollectRows(resultTree);
    connect(
        this, &QThread::finished, pageWindow,
        [this] {
            wait();
            if (OnFinished)
                OnFinished(*this);
            deleteLater();
        },
        Qt::QueuedConnection);
    start();
}

TFileSync::~TFileSync()
{
    wait();
}

// Folder rows are never copied themselves, whatever their direction; their
// children count by their own directions.
void TFileSync::CollectRows(TResultRow& row)
{
    for (int i = 0; i < row.ChildCount(); ++i) {
        TResultRow* child = row.Child(i);
        if (child->Kind == 1) {
            CollectRows(*child);
            continue;
        }
        Work.push_back(WorkItem{child, child->Direction, child->LeftPath, child->RightPath,
                                child->LeftTime, child->LeftAttr, child->RightTime,
                                child->RightAttr});
    }
}

void TFileSync::run()
{
    SyncErrorCount = 0;
    SyncDoneCount = 0;
    SyncRows();
}

void TFileSync::SyncRows()
{
    for (const WorkItem& item : Work) {
        if (Task.Cancelled.load(std::memory_order_relaxed))
            return;
        if (item.Direction != SyncDirection::RightToLeft &&
            item.Direction != SyncDirection::LeftToRight)
            continue;
        SyncOne(item);
    }
}

void TFileSync::SyncOne(const WorkItem& item)
{
    const bool toLeft = item.Direction == SyncDirection::RightToLeft;
    const QString sourceRoot = toLeft ? Task.RFolder.FolerAllName : Task.LFolder.FolerAllName;
    const QString targetRoot = toLeft ? Task.LFolder.FolerAllName : Task.RFolder.FolerAllName;
    const QString source = toLeft ? item.RightPath : item.LeftPath;
    QString target = toLeft ? item.LeftPath : item.RightPath;
    const bool newTarget = target.isEmpty();
    if (newTarget) {
        const QString relative = SyncPath::RelativeTo(source, sourceRoot);
        TWinFile::MakeFolders(relative, targetRoot);
        target = SyncPath::Join(TrimBlanksAndControls(targetRoot), relative);
    }

    TWinFile file;
    file.CleanedFolders = &CleanedFolders;
    const TWinFile::Transfer result =
        file.TransferFile(source, target, targetRoot, toLeft ? item.RightTime : item.LeftTime,
                          toLeft ? item.RightAttr : item.LeftAttr, Task.SaveOldFile == 1);

    ++HandledCount;
    CurrentFile = source;
    CurrentRow = item.Row;
    if (result != TWinFile::Transfer::Copied) {
        ++SyncErrorCount;
        LastError = file.LastError;
        FailedFiles.append(source);
        const qint64 kind = result == TWinFile::Transfer::ReadFailed ? CopyResult::ReadFailed
                                                                     : CopyResult::WriteFailed;
        RunOnReceiverThread(PageWindow, [&] {
            if (Handler) {
                Handler(WM_COPY_RESULT, kind, 0);
                Handler(WM_PROGRESS, 0, HandledCount);
            }
        });
        return;
    }
    ++SyncDoneCount;
    LastLeftPath = toLeft ? target : item.LeftPath;
    LastRightPath = toLeft ? item.RightPath : target;
    RunOnReceiverThread(PageWindow, [&] {
        if (Handler) {
            Handler(WM_PROGRESS, 0, HandledCount);
            Handler(WM_COPY_RESULT, CopyResult::Copied, item.Direction);
        }
        TResultRow* row = item.Row;
        if (newTarget)
            (toLeft ? row->LeftPath : row->RightPath) = target;
        row->LeftImage = RowImage::Empty;
        row->RightImage = RowImage::Empty;
        row->DirectImage = RowImage::SameContent;
    });
}
