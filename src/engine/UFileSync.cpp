#include "engine/UFileSync.h"

#include "engine/UFileOper.h"
#include "engine/UWinFile.h"
#include "jobs/UTSyncTask.h"
#include "ui/page/UResultRow.h"

TFileSync::TFileSync(TResultRow& resultTree, QObject* pageWindow, TSyncTask& task,
                     TMessageHandler handler, Completion completion, int deliveryIntervalMs)
    : PageWindow(pageWindow), Task(task), ResultTree(&resultTree), Handler(std::move(handler)),
      OnFinished(std::move(completion)), DeliveryIntervalMs(deliveryIntervalMs)
{
    CollectRows(resultTree);
    StartSelfDeletingWorker(this, pageWindow, [this] {
        if (OnFinished)
            OnFinished(*this);
    });
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
    SinceDelivery.start();
    SyncRows();
    Deliver(true);
}

void TFileSync::SyncRows()
{
    for (const WorkItem& item : Work) {
        // Tested before each file: the file in transfer when the user cancels is
        // finished, no further one is started.
        if (Task.Cancelled.load(std::memory_order_relaxed))
            return;
        if (item.Direction != SyncDirection::RightToLeft &&
            item.Direction != SyncDirection::LeftToRight)
            continue;
        SyncOne(item);
        Deliver(false);
    }
}

void TFileSync::SyncOne(const WorkItem& item)
{
    const bool toLeft = item.Direction == SyncDirection::RightToLeft;
    const QString sourceRoot = toLeft ? Task.RFolder.FolerAllName : Task.LFolder.FolerAllName;
    const QString targetRoot = toLeft ? Task.LFolder.FolerAllName : Task.RFolder.FolerAllName;
    const QString source = toLeft ? item.RightPath : item.LeftPath;
    QString target = toLeft ? item.LeftPath : item.RightPath;
    QString newTarget;
    if (target.isEmpty()) {
        // Only on the source side: the same relative path below the target root,
        // with the folders on the way made first.
        const QString relative = SyncPath::RelativeTo(source, sourceRoot);
        target = SyncPath::Join(TrimBlanksAndControls(targetRoot), relative);
        const QString folder = target.left(target.lastIndexOf(QLatin1Char('/')));
        if (KnownFolders.insert(folder).second)
            TWinFile::MakeFolders(relative, targetRoot);
        newTarget = target;
    }

    TWinFile file;
    file.CleanedFolders = &CleanedFolders;
    const TWinFile::Transfer result = file.TransferFile(
        source, target, targetRoot, toLeft ? item.RightTime : item.LeftTime,
        toLeft ? item.RightAttr : item.LeftAttr, Task.SaveOldFile == 1, !newTarget.isEmpty());

    ++HandledCount;
    Report report{
        item.Row, HandledCount, CopyResult::Copied, item.Direction, source, {}, {}, {}, toLeft, {}};
    if (result == TWinFile::Transfer::Copied) {
        ++SyncDoneCount;
        report.LeftPath = toLeft ? target : item.LeftPath;
        report.RightPath = toLeft ? item.RightPath : target;
        report.NewTargetPath = newTarget;
    } else {
        ++SyncErrorCount;
        report.Result = result == TWinFile::Transfer::ReadFailed ? CopyResult::ReadFailed
                                                                 : CopyResult::WriteFailed;
        report.Error = file.LastError;
    }
    Pending.push_back(std::move(report));
}

void TFileSync::Deliver(bool force)
{
    if (Pending.empty())
        return;
    if (!force && DeliveryIntervalMs > 0 && SinceDelivery.elapsed() < DeliveryIntervalMs)
        return;
    RunOnReceiverThread(PageWindow, [this] {
        for (const Report& report : Pending)
            Replay(report);
    });
    Pending.clear();
    SinceDelivery.restart();
}

// Runs on the page's thread while the run waits.
void TFileSync::Replay(const Report& report)
{
    CurrentFile = report.Source;
    CurrentRow = report.Row;
    if (report.Result != CopyResult::Copied) {
        LastError = report.Error;
        FailedFiles.append(report.Source);
        if (Handler) {
            Handler(WM_COPY_RESULT, report.Result, 0);
            Handler(WM_PROGRESS, 0, report.Handled);
        }
        return;
    }
    LastLeftPath = report.LeftPath;
    LastRightPath = report.RightPath;
    if (Handler) {
        Handler(WM_PROGRESS, 0, report.Handled);
        Handler(WM_COPY_RESULT, CopyResult::Copied, report.Direction);
    }
    TResultRow* row = report.Row;
    if (!report.NewTargetPath.isEmpty())
        (report.ToLeft ? row->LeftPath : row->RightPath) = report.NewTargetPath;
    row->LeftImage = RowImage::Empty;
    row->RightImage = RowImage::Empty;
    row->DirectImage = RowImage::SameContent;
}
