#include "engine/UFileSync.h"

#include "common/AsciiText.h"
#include "common/BackgroundPriority.h"
#include "engine/CaseTwins.h"
#include "engine/SyncStateFile.h"
#include "engine/UFileOper.h"
#include "engine/UResultRow.h"
#include "engine/UWinFile.h"
#include "engine/WorkerMessages.h"
#include "jobs/UTSyncTask.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

namespace {

// Copiers of a run with batched reports: four, whatever the processor. A copy
// of a file whose metadata and data are not cached waits for the disk most of
// its time, and four copies at once keep it busier than two, even on two cores;
// more wait for each other on the file system's locks.
int CopiersFor(int deliveryIntervalMs, const TSyncTask& job)
{
    if (deliveryIntervalMs <= 0)
        return 1;
    // A verified copy waits for its data to reach the disk and come back:
    // more copies at once keep the disk busy meanwhile.
    return (job.ForcedOrVerified & TSyncTask::VerifiedCopies) != 0 ? 12 : 4;
}

int OpenRoot(const QString& root)
{
    return ::open(QFile::encodeName(TrimBlanksAndControls(root)).constData(),
                  O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

} // namespace

TFileSync::TFileSync(TResultRow& resultTree, const TSyncTask& job, const std::atomic<bool>& cancel,
                     QObject* receiver, TRunProgress& progress, int deliveryIntervalMs)
    : Receiver(receiver), Task(job), CopierCount(CopiersFor(deliveryIntervalMs, job)),
      RootRow(resultTree), Cancel(cancel), Progress(progress),
      Window(deliveryIntervalMs > 0 ? 1024 : 1), DeliveryIntervalMs(deliveryIntervalMs)
{
}

TFileSync::~TFileSync()
{
    wait();
    // Roots handed over to a run that never started.
    for (int fd : {LeftRootFd, RightRootFd}) {
        if (fd >= 0)
            ::close(fd);
    }
}

void TFileSync::WaitForRows() const
{
    RowsTaken.wait(false, std::memory_order_acquire);
}

void TFileSync::UseRoots(int leftFd, int rightFd)
{
    LeftRootFd = leftFd;
    RightRootFd = rightFd;
    RootsGiven = true;
}

// Every file row, whatever its direction now: the user may give it one before
// the run reaches it. Folder rows are never copied themselves, whatever their
// direction; they only count as visited.
void TFileSync::CollectRows(TResultRow& row, qint32& visits)
{
    for (int i = 0; i < row.ChildCount(); ++i) {
        TResultRow* child = row.Child(i);
        ++visits;
        if (child->Kind == ItemKind::Folder) {
            CollectRows(*child, visits);
            continue;
        }
        const qint8 carried =
            CarriesDeletion(*child, child->Proposed) ? child->Proposed : qint8(-1);
        Work.push_back(WorkItem{child, child->LeftSize, child->RightSize, child->LeftTime,
                                child->RightTime, visits, child->OnLeft, child->OnRight,
                                child->SinceSync, carried});
        visits = 0;
    }
}

size_t TFileSync::FileRowsBelow(const TResultRow& row)
{
    size_t count = 0;
    for (int i = 0; i < row.ChildCount(); ++i) {
        const TResultRow* child = row.Child(i);
        count += child->Kind == ItemKind::Folder ? FileRowsBelow(*child) : 1;
    }
    return count;
}

void TFileSync::run()
{
    SinceDelivery.start();
    // The work list is made here, not by the thread that starts the run: a
    // million rows take a while to walk.
    Work.reserve(FileRowsBelow(RootRow));
    qint32 visits = 0;
    CollectRows(RootRow, visits);
    TrailingVisits = visits;
    RowsTaken.store(true, std::memory_order_release);
    RowsTaken.notify_all();
    OpenRoots();
    LeftPrefix = SyncPath::FolderPrefix(Task.LFolder.FolerAllName);
    RightPrefix = SyncPath::FolderPrefix(Task.RFolder.FolerAllName);
    FindCaseTwins();
    CleanSaveFolders();
    SyncRows();
    FlushWrittenRoots();
    ReportLostCopies();
    RecordCopies();
    if (LeftLosesTimes.load())
        TimesNotKept.append(TrimBlanksAndControls(Task.LFolder.FolerAllName));
    if (RightLosesTimes.load())
        TimesNotKept.append(TrimBlanksAndControls(Task.RFolder.FolerAllName));
    Deliver(true);
}

void TFileSync::OpenRoots()
{
    if (RootsGiven)
        return;
    LeftRootFd = OpenRoot(Task.LFolder.FolerAllName);
    RightRootFd = OpenRoot(Task.RFolder.FolerAllName);
}

bool TFileSync::SideIgnoresCase(const QString& root, int rootFd) const
{
    if (FolderIgnoresCase)
        return FolderIgnoresCase(root);
    return rootFd >= 0 && TCaseTwins::IgnoresCase(rootFd);
}

// The path of a file row below its side's root, made when needed rather than
// kept for every row. The rows' names do not change while a run holds them,
// so any thread of the run may read them.
QString TFileSync::RelativeOf(size_t index) const
{
    return Work[index].Row->RelativePath();
}

QString TFileSync::SidePath(size_t index, bool left) const
{
    const WorkItem& item = Work[index];
    if (!(left ? item.OnLeft : item.OnRight))
        return {};
    return PathOn(left, RelativeOf(index));
}

QString TFileSync::PathOn(bool left, const QString& relative) const
{
    // Joined into one text of its size (two texts of their own would be joined
    // by appending the second to a copy of the first).
    return QStringView(left ? LeftPrefix : RightPrefix) + relative;
}

// Temporary names in "__Save__" left by a copy that ended early (a crash, a
// kill) are removed before the copiers start: no copy of this run holds one
// yet, and another run is kept off the tree by its lock.
void TFileSync::CleanSaveFolders()
{
    std::vector<std::string> folders;
    const TResultRow* lastFolder = nullptr;
    for (const WorkItem& item : Work) {
        // Rows of one folder follow each other.
        if (item.Row->Parent() == lastFolder)
            continue;
        lastFolder = item.Row->Parent();
        folders.push_back(QFile::encodeName(lastFolder->RelativePath()).toStdString());
    }
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    for (int fd : {LeftRootFd, RightRootFd}) {
        if (fd >= 0)
            TWinFile::CleanSaveFolders(fd, folders);
    }
}

// A side that ignores letter case cannot keep two names that differ only in
// case: the rows of such names are not copied, in either direction, so that
// neither overwrites the other there, now or in a later run.
void TFileSync::FindCaseTwins()
{
    if (Work.empty())
        return;
    const QString& leftRoot = Task.LFolder.FolerAllName;
    const QString& rightRoot = Task.RFolder.FolerAllName;
    for (const auto& [root, fd] : {std::pair<QString, int>{leftRoot, LeftRootFd},
                                   std::pair<QString, int>{rightRoot, RightRootFd}}) {
        if (!SideIgnoresCase(root, fd))
            continue;
        // Kept only for a run with such a side: empty for every row else.
        CaseTwinPaths.resize(Work.size());
        TCaseTwins twins(root);
        for (size_t i = 0; i < Work.size(); ++i)
            twins.Add(RelativeOf(i));
        for (size_t i = 0; i < Work.size(); ++i) {
            const QString relative = RelativeOf(i);
            if (CaseTwinPaths[i].isEmpty() && twins.IsTwin(relative))
                CaseTwinPaths[i] = SyncPath::Join(TrimBlanksAndControls(root), relative);
        }
    }
}

// Before the run reports its end, what it wrote is on the disk: a backup drive
// may be unplugged once the page says the sync is done.
void TFileSync::FlushWrittenRoots()
{
    if (LeftWritten.load() && LeftRootFd >= 0)
        Flush(LeftRootFd, Task.LFolder.FolerAllName, LeftFlush);
    if (RightWritten.load() && RightRootFd >= 0)
        Flush(RightRootFd, Task.RFolder.FolerAllName, RightFlush);
    for (int fd : {LeftRootFd, RightRootFd}) {
        if (fd >= 0)
            ::close(fd);
    }
    LeftRootFd = RightRootFd = -1;
}

// A flush that fails may have lost the data of any file written before it
// ended, and the system reports each write error once: the files copied while
// it ran are counted lost with those before it.
void TFileSync::Flush(int rootFd, const QString& root, SideFlush& side)
{
    std::vector<size_t> batch;
    {
        const std::lock_guard<std::mutex> hold(side.Lock);
        batch.swap(side.Unflushed);
    }
    if (::syncfs(rootFd) == 0)
        return;
    const QString reason = QString::fromLocal8Bit(std::strerror(errno));
    const std::lock_guard<std::mutex> hold(side.Lock);
    side.Lost.insert(side.Lost.end(), batch.begin(), batch.end());
    side.Lost.insert(side.Lost.end(), side.Unflushed.begin(), side.Unflushed.end());
    side.Unflushed.clear();
    if (side.Error.isEmpty())
        side.Error = QStringLiteral("The target file system reported a write error: ") +
                     TrimBlanksAndControls(root) + QStringLiteral(": ") + reason;
}

// Files reported as copied whose data the disk then failed to write are told
// again, as failed, in row order, and counted as failed.
void TFileSync::ReportLostCopies()
{
    std::vector<std::pair<size_t, const QString*>> lost;
    for (SideFlush* side : {&LeftFlush, &RightFlush}) {
        for (size_t index : side->Lost)
            lost.emplace_back(index, &side->Error);
    }
    std::sort(lost.begin(), lost.end());
    for (const auto& [index, error] : lost) {
        Outcome& outcome = Outcomes[index];
        if (!outcome.Reported)
            continue;
        outcome.Reported = false;
        const bool toLeft = outcome.Direction == SyncDirection::RightToLeft;
        --SyncDoneCount;
        ++SyncErrorCount;
        Pending pending{{}, 0, {}, toLeft};
        TFileReport& report = pending.Report;
        report.Outcome = TFileReport::TOutcome::WriteFailed;
        report.Handled = HandledCount;
        report.Direction = outcome.Direction;
        const QString relative = RelativeOf(index);
        report.Source = SourceOf(index, relative);
        report.Error = *error;
        report.Row = Work[index].Row;
        FailedFiles.append(report.Source);
        // The copiers have ended: the pairs are this thread's alone.
        const QByteArray path = AsciiText::Utf8(relative);
        CopiedPairs.Remove(std::string_view(path.constData(), size_t(path.size())));
        Reports.push_back(std::move(pending));
    }
}

void TFileSync::GatherPair(const QString& relative, bool toLeft,
                           const TWinFile::TCopiedFiles& files)
{
    if (StateFile == nullptr)
        return;
    const TSyncState::TSides sides = toLeft
                                         ? TSyncState::TSides{files.TargetSize, files.TargetTime,
                                                              files.SourceSize, files.SourceTime}
                                         : TSyncState::TSides{files.SourceSize, files.SourceTime,
                                                              files.TargetSize, files.TargetTime};
    const QByteArray path = AsciiText::Utf8(relative);
    const std::lock_guard<std::mutex> hold(PairsLock);
    CopiedPairs.Add(std::string_view(path.constData(), size_t(path.size())), sides);
}

// The pairs copied, and not lost by the disk since, go into the record of the
// last sync, read anew: another run of the two folders may have written it
// since the analysis.
void TFileSync::RecordCopies()
{
    // Every row's outcome is in its report or in the pairs by now: the
    // outcomes' and the work list's room is given back before the record
    // takes its own.
    Outcomes.reset();
    std::vector<WorkItem>().swap(Work);
    if (StateFile == nullptr || CopiedPairs.IsEmpty())
        return;
    QString unreadable;
    TSyncState record = StateFile->Load(unreadable);
    record.Record(std::move(CopiedPairs));
    StateFile->Save(record, StateWriteError);
}

// The copiers take the rows; this thread takes their outcomes in row order and
// reports them, and lets the copiers start rows up to Window ahead of it.
void TFileSync::SyncRows()
{
    const size_t count = Work.size();
    Outcomes = std::make_unique<Outcome[]>(count);
    AllowUpTo(Window);
    std::vector<std::thread> copiers;
    for (int i = 0; i < CopierCount; ++i)
        copiers.emplace_back([this] { RunCopier(); });
    std::thread writeBehind([this] { WriteBehind(); });

    size_t row = 0;
    bool cancelled = false;
    for (; row < count; ++row) {
        const qint8 now = AwaitOutcome(row);
        UndeliveredVisits += Work[row].Visits;
        if (now == Outcome::NotStarted) {
            cancelled = true;
            break;
        }
        if (now == Outcome::Done) {
            Collect(row);
            Deliver(false);
        }
        AllowUpTo(row + 1 + Window);
    }
    // The copiers still waiting for their row see the cancel and start nothing.
    AllowUpTo(count);
    for (std::thread& copier : copiers)
        copier.join();
    {
        const std::lock_guard<std::mutex> hold(CopyingLock);
        Copying = false;
    }
    CopyingEnded.notify_all();
    writeBehind.join();
    if (!cancelled) {
        UndeliveredVisits += TrailingVisits;
        return;
    }
    // Rows after the one a copier left at the cancel were started by another
    // before it: their copies were made, so they are reported.
    for (++row; row < count; ++row) {
        const qint8 now = Outcomes[row].Status.load(std::memory_order_acquire);
        if (now == Outcome::Skipped || now == Outcome::Done)
            UndeliveredVisits += Work[row].Visits;
        if (now == Outcome::Done)
            Collect(row);
    }
}

// With batched reports, this thread looks again a little later rather than
// being woken by the copier: a copy of a small file is done sooner than one
// wake-up of a sleeping thread, and woken for each file, this thread took a
// sixth of the run's processor time in switches, and the copiers waited for
// it. It looks again after 1 ms, then less often while a large file is being
// copied; the reports wait for their batch anyway.
qint8 TFileSync::AwaitOutcome(size_t row) const
{
    const std::atomic<qint8>& status = Outcomes[row].Status;
    std::chrono::microseconds pause(1000);
    qint8 now;
    while ((now = status.load(std::memory_order_acquire)) == Outcome::Waiting) {
        if (DeliveryIntervalMs <= 0) {
            status.wait(Outcome::Waiting, std::memory_order_acquire);
            continue;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(8000));
    }
    return now;
}

// New files stay in the page cache until the kernel's write-back finds them, and
// the flush at the end would then write them all while the page waits. Flushed
// every second while the copiers go, they reach the disk while the next ones
// are copied.
void TFileSync::WriteBehind()
{
    std::unique_lock<std::mutex> hold(CopyingLock);
    while (!CopyingEnded.wait_for(hold, std::chrono::seconds(1), [this] { return !Copying; })) {
        hold.unlock();
        if (LeftWritten.load(std::memory_order_relaxed) && LeftRootFd >= 0)
            Flush(LeftRootFd, Task.LFolder.FolerAllName, LeftFlush);
        if (RightWritten.load(std::memory_order_relaxed) && RightRootFd >= 0)
            Flush(RightRootFd, Task.RFolder.FolerAllName, RightFlush);
        hold.lock();
    }
}

void TFileSync::AllowUpTo(size_t limit)
{
    if (limit <= StartLimit.load(std::memory_order_relaxed))
        return;
    StartLimit.store(limit, std::memory_order_release);
    StartLimit.notify_all();
}

// One copier: takes the next row, waits until it may start it, and copies it
// when it has a direction and the run was not cancelled.
void TFileSync::RunCopier()
{
    TBackgroundPriority::LowerThisThread();
    const size_t claim = CopierCount > 1 ? RowsPerClaim : 1;
    size_t row = 0;
    size_t claimEnd = 0;
    for (;; ++row) {
        if (row == claimEnd) {
            row = NextRow.fetch_add(claim, std::memory_order_relaxed);
            claimEnd = row + claim;
        }
        if (row >= Work.size())
            return;
        size_t limit;
        while (row >= (limit = StartLimit.load(std::memory_order_acquire)))
            StartLimit.wait(limit, std::memory_order_acquire);
        Outcome& outcome = Outcomes[row];
        qint8 status = Outcome::Done;
        // Tested before each file: the files in transfer when the user cancels
        // are finished, no further one is started.
        const bool cancelled = Cancel.load(std::memory_order_relaxed);
        const qint32 direction = cancelled ? SyncDirection::None : qint32(Work[row].Row->Direction);
        if (cancelled) {
            status = Outcome::NotStarted;
        } else if (direction != SyncDirection::RightToLeft &&
                   direction != SyncDirection::LeftToRight) {
            status = Outcome::Skipped;
        } else {
            outcome.Direction = qint8(direction);
            if (BeforeCopy)
                BeforeCopy(row);
            CopyOne(row, outcome);
        }
        outcome.Status.store(status, std::memory_order_release);
        outcome.Status.notify_one();
        if (cancelled)
            return;
    }
}

void TFileSync::CopyOne(size_t index, Outcome& outcome)
{
    const WorkItem& item = Work[index];
    const bool toLeft = outcome.Direction == SyncDirection::RightToLeft;
    const QString& targetRoot = toLeft ? Task.LFolder.FolerAllName : Task.RFolder.FolerAllName;
    // The same path below either root, made once for both.
    const QString relative = RelativeOf(index);
    // A deletion carried over has no source: the target goes into "__Save__".
    const bool sourcePresent = toLeft ? item.OnRight : item.OnLeft;
    const QString source = sourcePresent ? PathOn(!toLeft, relative) : QString();
    const QString target = PathOn(toLeft, relative);
    const bool targetPresent = toLeft ? item.OnLeft : item.OnRight;
    TWinFile::TCopyOrder order;
    order.Source = source;
    order.TargetRoot = targetRoot;
    order.Relative = relative;
    order.TargetRootFd = toLeft ? LeftRootFd : RightRootFd;
    // The other side's edit of a conflict is never lost.
    order.KeepOldVersion = Task.SaveOldFile == 1 || (item.SinceSync & SyncMark::Conflict) != 0;
    order.Verify = (Task.ForcedOrVerified & TSyncTask::VerifiedCopies) != 0;
    if (!targetPresent) {
        // Only on the source side: the same relative path below the target root.
        order.TargetWasAbsent = true;
    } else {
        order.TargetKnown = true;
        order.TargetSize = toLeft ? item.LeftSize : item.RightSize;
        order.TargetTime = toLeft ? item.LeftTime : item.RightTime;
    }
    order.Target = target;
    outcome.TargetIsNew = order.TargetWasAbsent;
    if (!CaseTwinPaths.empty() && !CaseTwinPaths[index].isEmpty()) {
        outcome.Result = TWinFile::Transfer::WriteFailed;
        KeepError(index, QStringLiteral("Two names differ only in case and the target folder "
                                        "cannot keep both: ") +
                             CaseTwinPaths[index]);
        return;
    }
    (toLeft ? LeftWritten : RightWritten).store(true, std::memory_order_relaxed);

    TWinFile file;
    file.CleanedFolders = &CleanedFolders;
    file.CrossDeviceSource = toLeft ? &LeftCrossDevice : &RightCrossDevice;
    outcome.SavedAway = outcome.Direction == item.CarriedDeletion;
    outcome.Result = outcome.SavedAway ? file.SaveAway(order) : file.TransferFile(order);
    if (outcome.Result != TWinFile::Transfer::Copied && !file.LastError.isEmpty())
        KeepError(index, file.LastError);
    if (outcome.Result == TWinFile::Transfer::Copied && !outcome.SavedAway && file.Copied.Known)
        GatherPair(relative, toLeft, file.Copied);
    if (file.TimeNotKept)
        (toLeft ? LeftLosesTimes : RightLosesTimes).store(true, std::memory_order_relaxed);
    if (outcome.Result == TWinFile::Transfer::Copied) {
        SideFlush& side = toLeft ? LeftFlush : RightFlush;
        const std::lock_guard<std::mutex> hold(side.Lock);
        side.Unflushed.push_back(index);
    }
}

void TFileSync::KeepError(size_t index, QString error)
{
    const std::lock_guard<std::mutex> hold(ErrorsLock);
    Errors.emplace(index, std::move(error));
}

// The reason of a failed row, given once: the run's thread reports it.
QString TFileSync::TakeError(size_t index)
{
    const std::lock_guard<std::mutex> hold(ErrorsLock);
    const auto found = Errors.find(index);
    if (found == Errors.end())
        return {};
    QString error = std::move(found->second);
    Errors.erase(found);
    return error;
}

// The file a row's copy reads; for a deletion carried over, the file it keeps.
QString TFileSync::SourceOf(size_t index, const QString& relative) const
{
    const Outcome& outcome = Outcomes[index];
    const bool toLeft = outcome.Direction == SyncDirection::RightToLeft;
    if (outcome.SavedAway)
        return PathOn(toLeft, relative);
    const WorkItem& item = Work[index];
    return (toLeft ? item.OnRight : item.OnLeft) ? PathOn(!toLeft, relative) : QString();
}

// The report of a row a copier handled, in row order.
void TFileSync::Collect(size_t index)
{
    const WorkItem& item = Work[index];
    const Outcome& outcome = Outcomes[index];
    const bool toLeft = outcome.Direction == SyncDirection::RightToLeft;
    ++HandledCount;
    Pending pending{{}, std::exchange(UndeliveredVisits, 0), false, toLeft};
    TFileReport& report = pending.Report;
    report.Handled = HandledCount;
    report.Direction = outcome.Direction;
    const QString relative = RelativeOf(index);
    const QString target = PathOn(toLeft, relative);
    report.Source = SourceOf(index, relative);
    report.Row = item.Row;
    if (outcome.Result == TWinFile::Transfer::Copied && outcome.SavedAway) {
        ++SyncDoneCount;
        Outcomes[index].Reported = true;
        report.Outcome = TFileReport::TOutcome::SavedAway;
        (toLeft ? report.LeftPath : report.RightPath) = TWinFile::BackupPath(
            target, toLeft ? Task.LFolder.FolerAllName : Task.RFolder.FolerAllName);
    } else if (outcome.Result == TWinFile::Transfer::Copied) {
        ++SyncDoneCount;
        Outcomes[index].Reported = true;
        report.LeftPath = toLeft ? target : report.Source;
        report.RightPath = toLeft ? report.Source : target;
        pending.TargetIsNew = outcome.TargetIsNew;
    } else {
        ++SyncErrorCount;
        FailedFiles.append(report.Source);
        report.Outcome = outcome.Result == TWinFile::Transfer::ReadFailed
                             ? TFileReport::TOutcome::ReadFailed
                             : TFileReport::TOutcome::WriteFailed;
        report.Error = TakeError(index);
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
    TResultRow* row = report.Row;
    if (report.Outcome == TFileReport::TOutcome::SavedAway) {
        // Gone from both sides now; the row keeps its place and stands still.
        row->SetOn(pending.ToLeft ? TRowSide::Left : TRowSide::Right, false);
        row->Direction = SyncDirection::None;
    } else if (report.Outcome != TFileReport::TOutcome::Copied) {
        return;
    }
    if (pending.TargetIsNew)
        row->SetOn(pending.ToLeft ? TRowSide::Left : TRowSide::Right, true);
    row->LeftImage = RowImage::Empty;
    row->RightImage = RowImage::Empty;
    row->DirectImage = RowImage::SameContent;
    Progress.RowCopied(*row);
}
