#include "engine/UFileSync.h"

#include "engine/UFileOper.h"
#include "engine/UWinFile.h"
#include "engine/WorkerMessages.h"
#include "jobs/UTSyncTask.h"
#include "rows/UResultRow.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#include <utility>

TFileSync::TFileSync(TResultRow& resultTree, const TSyncTask& job, const std::atomic<bool>& cancel,
                     QObject* receiver, TRunProgress& progress, int deliveryIntervalMs)
    : Receiver(receiver), Task(job), Cancel(cancel), Progress(progress),
      DeliveryIntervalMs(deliveryIntervalMs)
{
    qint32 visits = 0;
    CollectRows(resultTree, visits);
    TrailingVisits = visits;
}

TFileSync::~TFileSync()
{
    wait();
}

// Every file row, whatever its direction now: the user may give it one before
// the run reaches it. Folder rows are never copied themselves, whatever their
// direction; they only count as visited.
void TFileSync::CollectRows(TResultRow& row, qint32& visits)
{
    for (int i = 0; i < row.ChildCount(); ++i) {
        TResultRow* child = row.Child(i);
        ++visits;
        if (child->Kind == 1) {
            CollectRows(*child, visits);
            continue;
        }
        Work.push_back(WorkItem{child, visits, child->LeftPath, child->RightPath, child->LeftSize,
                                child->RightSize, child->LeftTime, child->RightTime});
        visits = 0;
    }
}

void TFileSync::run()
{
    SinceDelivery.start();
    SyncRows();
    FlushWrittenRoots();
    Deliver(true);
}

// Before the run reports its end, what it wrote is on the disk: a backup drive
// may be unplugged once the page says the sync is done.
void TFileSync::FlushWrittenRoots()
{
    for (const auto& [root, fd] : RootFds) {
        if (fd >= 0) {
            ::syncfs(fd);
            ::close(fd);
        }
    }
    RootFds.clear();
}

// The root opened once for all the copies below it.
int TFileSync::RootFd(const QString& root)
{
    const auto found = RootFds.find(root);
    if (found != RootFds.end())
        return found->second;
    const int fd = ::open(QFile::encodeName(TrimBlanksAndControls(root)).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    RootFds.emplace(root, fd);
    return fd;
}

void TFileSync::SyncRows()
{
    for (const WorkItem& item : Work) {
        UndeliveredVisits += item.Visits;
        // Tested before each file: the file in transfer when the user cancels is
        // finished, no further one is started.
        if (Cancel.load(std::memory_order_relaxed))
            return;
        const qint32 direction = item.Row->Direction;
        if (direction != SyncDirection::RightToLeft && direction != SyncDirection::LeftToRight)
            continue;
        SyncOne(item, direction, std::exchange(UndeliveredVisits, 0));
        Deliver(false);
    }
    UndeliveredVisits += TrailingVisits;
}

void TFileSync::SyncOne(const WorkItem& item, qint32 direction, qint32 visits)
{
    const bool toLeft = direction == SyncDirection::RightToLeft;
    const QString& sourceRoot = toLeft ? Task.RFolder.FolerAllName : Task.LFolder.FolerAllName;
    const QString& targetRoot = toLeft ? Task.LFolder.FolerAllName : Task.RFolder.FolerAllName;
    const QString& source = toLeft ? item.RightPath : item.LeftPath;
    QString target = toLeft ? item.LeftPath : item.RightPath;
    TWinFile::TCopyOrder order;
    order.Source = source;
    order.TargetRoot = targetRoot;
    order.TargetRootFd = RootFd(targetRoot);
    order.KeepOldVersion = Task.SaveOldFile == 1;
    QString newTarget;
    if (target.isEmpty()) {
        // Only on the source side: the same relative path below the target root.
        target = SyncPath::Join(targetRoot, SyncPath::RelativeTo(source, sourceRoot));
        newTarget = target;
        order.TargetWasAbsent = true;
    } else {
        order.TargetKnown = true;
        order.TargetSize = toLeft ? item.LeftSize : item.RightSize;
        order.TargetTime = toLeft ? item.LeftTime : item.RightTime;
    }
    order.Target = target;

    TWinFile file;
    file.CleanedFolders = &CleanedFolders;
    const TWinFile::Transfer result = file.TransferFile(order);

    ++HandledCount;
    Pending pending{{}, visits, {}, toLeft};
    TFileReport& report = pending.Report;
    report.Handled = HandledCount;
    report.Direction = direction;
    report.Source = source;
    report.Row = item.Row;
    if (result == TWinFile::Transfer::Copied) {
        ++SyncDoneCount;
        report.LeftPath = toLeft ? target : item.LeftPath;
        report.RightPath = toLeft ? item.RightPath : target;
        pending.NewTargetPath = newTarget;
    } else {
        ++SyncErrorCount;
        FailedFiles.append(source);
        report.Outcome = result == TWinFile::Transfer::ReadFailed
                             ? TFileReport::TOutcome::ReadFailed
                             : TFileReport::TOutcome::WriteFailed;
        report.Error = file.LastError;
    }
    Reports.push_back(std::move(pending));
}

void TFileSync::Deliver(bool force)
{
    if (Reports.empty() && (!force || UndeliveredVisits == 0))
        return;
    if (!force && DeliveryIntervalMs > 0 && SinceDelivery.elapsed() < DeliveryIntervalMs)
        return;
    const qint32 trailing = force ? std::exchange(UndeliveredVisits, 0) : 0;
    RunOnReceiverThread(Receiver, [this, trailing] {
        for (Pending& pending : Reports)
            Replay(pending);
        if (trailing > 0)
            Progress.RowsVisited(trailing);
    });
    Reports.clear();
    SinceDelivery.restart();
}

// Runs on the receiver's thread while the run waits.
void TFileSync::Replay(Pending& pending)
{
    TFileReport& report = pending.Report;
    if (pending.Visits > 0)
        Progress.RowsVisited(pending.Visits);
    Progress.FileHandled(report);
    if (report.Outcome != TFileReport::TOutcome::Copied)
        return;
    TResultRow* row = report.Row;
    if (!pending.NewTargetPath.isEmpty())
        (pending.ToLeft ? row->LeftPath : row->RightPath) = pending.NewTargetPath;
    row->LeftImage = RowImage::Empty;
    row->RightImage = RowImage::Empty;
    row->DirectImage = RowImage::SameContent;
    Progress.RowCopied(*row);
}
