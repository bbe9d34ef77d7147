#include "run/RunDriver.h"

#include "common/DataFolder.h"
#include "engine/UFileAnalyze.h"
#include "engine/UFileSync.h"
#include "run/FolderValidation.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <tuple>
#include <utility>

void TRunDriver::Relay::PhaseStarted(TRunPhase phase, qint64 total)
{
    if (Target)
        Target->PhaseStarted(phase, total);
}

void TRunDriver::Relay::Progressed(qint64 done)
{
    if (Target)
        Target->Progressed(done);
}

void TRunDriver::Relay::ConnectFailed(qint32 side)
{
    if (Target)
        Target->ConnectFailed(side);
}

void TRunDriver::Relay::FileHandled(const TFileReport& report)
{
    if (Target)
        Target->FileHandled(report);
}

void TRunDriver::Relay::RowsVisited(qint32 count)
{
    if (Target)
        Target->RowsVisited(count);
}

void TRunDriver::Relay::RowCopied(TResultRow& row)
{
    if (Target)
        Target->RowCopied(row);
}

namespace {

int OpenFolder(const QString& root)
{
    return ::open(QFile::encodeName(TrimBlanksAndControls(root)).constData(),
                  O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

void ForEachFileRow(const TResultRow& folder, const std::function<void(const TResultRow&)>& visit)
{
    for (int i = 0; i < folder.ChildCount(); ++i) {
        const TResultRow& child = *folder.Child(i);
        if (child.Kind == ItemKind::Folder)
            ForEachFileRow(child, visit);
        else
            visit(child);
    }
}

} // namespace

TRunDriver::TRunDriver(TRunProgress& progress) : Progress(progress), Reports(progress) {}

TRunDriver::~TRunDriver()
{
    Stop();
}

void TRunDriver::Stop()
{
    // The owner is going away: its interface hears nothing more while the
    // worker is stopped.
    Reports.Target = nullptr;
    Worker.Stop();
    SyncRun = nullptr;
}

void TRunDriver::WaitForSyncRows() const
{
    if (SyncRun != nullptr)
        SyncRun->WaitForRows();
}

qint32 TRunDriver::StartAnalysis(const TSyncTask& job)
{
    if (IsRunning())
        return Busy;
    // A refused start changes nothing: the rows of the last analysis stay, and
    // so does the copy of the job they were made from.
    Refusal = FolderValidation::ValidateFolders(job.LFolder.FolerAllName, job.RFolder.FolerAllName);
    if (Refusal != FolderValidation::Valid)
        return Refusal;
    if (!LockTrees(job))
        return Refusal = InUse;
    // A window may still show the old rows; they live until this analysis has
    // been reported, so nothing the window holds points into freed rows.
    Retired = {std::move(RootRow), std::move(CompareTree), std::move(Snapshot)};
    UnreadableFolders.clear();
    UnreadableReasons.clear();
    BadNames.clear();
    FolderLinks.clear();
    SpecialFiles.clear();
    IncludeListLeftOutAll = false;
    ConnectResult = 0;
    Synced = false;
    SyncStateError.clear();
    SyncStateWriteError.clear();
    SinceSync = {};
    SinceSyncItems.clear();
    StateFile.reset();
    Snapshot = job.Snapshot();
    RecordRoots();
    Cancelled = false;
    Reports.PhaseStarted(TRunPhase::Scanning, 0);
    auto worker =
        std::make_unique<TFileAnalyze>(*Snapshot, Cancelled, &Receiver, Reports, ReportIntervalMs);
    TFileAnalyze* analysis = worker.get();
    if (KeepSyncState)
        analysis->SyncStateFolder =
            SyncStateFolder.isEmpty() ? DataFolder::SyncStatePath() : SyncStateFolder;
    Worker.Start(std::move(worker), Cancelled, &Receiver,
                 [this, analysis] { AnalysisEnded(*analysis); });
    return FolderValidation::Valid;
}

QString TRunDriver::BusyText() const
{
    return QStringLiteral("The folder is in use by another Brenvale run: ") + BusyFolder;
}

QString TRunDriver::SyncRefusalText() const
{
    if (!ChangedFolder.isEmpty())
        return QStringLiteral("The folder changed since the analysis: ") + ChangedFolder;
    return BusyText();
}

// The roots' identities when the analysis begins, for OpenAnalysedRoots.
void TRunDriver::RecordRoots()
{
    for (auto [root, id] : {std::pair{&Snapshot->LFolder.FolerAllName, &LeftRootId},
                            std::pair{&Snapshot->RFolder.FolerAllName, &RightRootId}}) {
        struct stat st;
        const int fd = OpenFolder(*root);
        id->Known = fd >= 0 && ::fstat(fd, &st) == 0;
        id->Device = id->Known ? quint64(st.st_dev) : 0;
        id->Inode = id->Known ? quint64(st.st_ino) : 0;
        if (fd >= 0)
            ::close(fd);
    }
}

// The rows name the items below the roots the analysis read: a root moved away
// since, with another folder or a link in its place, is not written through.
bool TRunDriver::OpenAnalysedRoots(int& leftFd, int& rightFd)
{
    leftFd = rightFd = -1;
    for (auto [root, id, fd] :
         {std::tuple{&Snapshot->LFolder.FolerAllName, &LeftRootId, &leftFd},
          std::tuple{&Snapshot->RFolder.FolerAllName, &RightRootId, &rightFd}}) {
        struct stat st;
        *fd = OpenFolder(*root);
        if (*fd >= 0 && ::fstat(*fd, &st) == 0 && id->Known && quint64(st.st_dev) == id->Device &&
            quint64(st.st_ino) == id->Inode)
            continue;
        ChangedFolder = *root;
        for (int open : {leftFd, rightFd}) {
            if (open >= 0)
                ::close(open);
        }
        leftFd = rightFd = -1;
        return false;
    }
    return true;
}

bool TRunDriver::LockTrees(const TSyncTask& job)
{
    const bool taken = TreeLock.Take({job.LFolder.FolerAllName, job.RFolder.FolerAllName});
    BusyFolder = taken ? QString() : TreeLock.BusyPath;
    return taken;
}

void TRunDriver::AnalysisEnded(TFileAnalyze& analysis)
{
    // Freed when the report below is done, also when it starts the next run.
    const TRetired shownBefore = std::move(Retired);
    TreeLock.Release();
    ConnectResult = analysis.ConnectResult;
    CompareTree = analysis.TakeCompareTree();
    Totals = CompareTree
                 ? TTotals{CompareTree->FileCount, CompareTree->LeftCount, CompareTree->RightCount}
                 : TTotals{};
    UnreadableFolders = analysis.UnreadableFolders;
    UnreadableReasons = analysis.UnreadableReasons;
    BadNames = analysis.BadNames;
    FolderLinks = analysis.FolderLinks;
    SpecialFiles = analysis.SpecialFiles;
    for (const QString& folder : UnreadableFolders)
        Progress.FolderUnreadable(folder, UnreadableReasons.value(folder));
    for (const QString& name : BadNames)
        Progress.NameUnreadable(name);
    for (const QString& link : FolderLinks)
        Progress.FolderLinkSkipped(link);
    IncludeListLeftOutAll = analysis.IncludeListLeftOutAll;
    if (IncludeListLeftOutAll)
        Progress.IncludeListLeftOutAll();
    for (const QString& item : SpecialFiles)
        Progress.SpecialFileSkipped(item);
    StateFile = std::move(analysis.StateFile);
    SyncStateError = analysis.StateReadError;
    SyncStateWriteError = analysis.StateWriteError;
    SinceSync = analysis.SinceSync;
    SinceSyncItems = std::move(analysis.SinceSyncItems);
    if (!SyncStateError.isEmpty())
        Progress.SyncStateUnreadable(SyncStateError);
    if (!SyncStateWriteError.isEmpty())
        Progress.SyncStateUnwritable(SyncStateWriteError);
    Progress.AnalysisFinished();
}

bool TRunDriver::BuildRows(TRowBuilder& builder)
{
    if (IsRunning() || !CompareTree)
        return false;
    RootRow = MakeRootRow(Snapshot->SyncName);
    if (!GiveUpTreeForRows) {
        builder.BuildRows(*RootRow, *CompareTree);
        return true;
    }
    builder.BuildRowsGivingUp(*RootRow, *CompareTree);
    ReleaseCompareTree();
    return true;
}

bool TRunDriver::BuildRows(TRowBuilder::Mode mode)
{
    if (!Snapshot)
        return false;
    TRowBuilder builder(*Snapshot, mode, &Cancelled);
    return BuildRows(builder);
}

qint64 TRunDriver::RowsToCopy() const
{
    qint64 count = 0;
    if (RootRow)
        ForEachFileRow(*RootRow, [&count](const TResultRow& row) {
            count += row.Direction == SyncDirection::LeftToRight ||
                     row.Direction == SyncDirection::RightToLeft;
        });
    return count;
}

qint64 TRunDriver::ConflictsLeft() const
{
    qint64 count = 0;
    if (RootRow)
        ForEachFileRow(*RootRow, [&count](const TResultRow& row) {
            count += (row.SinceSync & SyncMark::Conflict) && row.Direction == SyncDirection::None;
        });
    return count;
}

TRowRoots TRunDriver::Roots() const
{
    if (!Snapshot)
        return {};
    return TRowRoots{Snapshot->LFolder.FolerAllName, Snapshot->RFolder.FolerAllName};
}

bool TRunDriver::StartSync(const TSyncTask& job)
{
    if (IsRunning() || !RootRow)
        return false;
    // The rows name the folders and files of the analysis, so roots and filters
    // stay those of the analysis; keeping old versions may only have been
    // chosen since.
    Snapshot->SaveOldFile = job.SaveOldFile;
    ChangedFolder.clear();
    if (!LockTrees(*Snapshot))
        return false;
    int leftFd = -1;
    int rightFd = -1;
    if (!OpenAnalysedRoots(leftFd, rightFd)) {
        TreeLock.Release();
        return false;
    }
    Cancelled = false;
    Synced = false;
    SyncStateWriteError.clear();
    SyncDoneCount = 0;
    SyncErrorCount = 0;
    FailedFiles.clear();
    FailedPaths.clear();
    SyncListed = RowsToCopy();
    Reports.PhaseStarted(TRunPhase::Syncing, SyncListed);
    auto worker = std::make_unique<TFileSync>(*RootRow, *Snapshot, Cancelled, &Receiver, Reports,
                                              ReportIntervalMs);
    worker->UseRoots(leftFd, rightFd);
    worker->StateFile = StateFile.get();
    TFileSync* run = worker.get();
    SyncRun = run;
    Worker.Start(std::move(worker), Cancelled, &Receiver, [this, run] { SyncEnded(*run); });
    return true;
}

void TRunDriver::SyncEnded(TFileSync& run)
{
    SyncRun = nullptr;
    TreeLock.Release();
    Synced = true;
    SyncDoneCount = run.SyncDoneCount;
    SyncErrorCount = run.SyncErrorCount;
    FailedFiles = run.FailedFiles;
    FailedPaths = QSet<QString>(FailedFiles.cbegin(), FailedFiles.cend());
    TimesNotKept = run.TimesNotKept;
    SyncStateWriteError = run.StateWriteError;
    for (const QString& root : TimesNotKept)
        Progress.TimesNotKept(root);
    if (!SyncStateWriteError.isEmpty())
        Progress.SyncStateUnwritable(SyncStateWriteError);
    Progress.SyncFinished();
}

void TRunDriver::Cancel()
{
    Cancelled = true;
}

bool TRunDriver::Analyze(const TSyncTask& job, TRowBuilder::Mode mode)
{
    if (StartAnalysis(job) != FolderValidation::Valid)
        return false;
    Wait();
    if (ConnectResult != 0 || !CompareTree)
        return false;
    BuildRows(mode);
    return true;
}

bool TRunDriver::Sync(const TSyncTask& job)
{
    if (!StartSync(job))
        return false;
    Wait();
    return true;
}
