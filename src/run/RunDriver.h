#pragma once

#include "engine/RunProgress.h"
#include "engine/SyncStateFile.h"
#include "engine/SyncVerdicts.h"
#include "engine/UFileStructure.h"
#include "engine/WorkerHandle.h"
#include "jobs/UTSyncTask.h"
#include "rows/RowBuilder.h"
#include "run/RunLock.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QtGlobal>

#include <memory>

// Drives the runs of one job as the comparison page and the command-line runner
// both need them: checks the folders, analyses a copy of the job taken when the
// analysis starts, builds the result rows, and syncs them. Every report reaches
// the progress interface on the thread that made the driver.
//
// Both runs keep the record of the last sync of the job's two folders up to
// date, on the worker's thread: the analysis reads it, marks the comparison
// tree with it and writes back the pairs it found in step; the sync writes the
// pairs it copied.
//
// At most one run goes at a time. The runs are asynchronous (Start..., with the
// progress interface told when each ends); Analyze and Sync wait for their run
// with events flowing, for callers without a window. Destroying the driver
// cancels a running worker and waits for it; the progress interface then hears
// nothing more.
class TRunDriver
{
public:
    // StartAnalysis while a run goes on.
    static constexpr qint32 Busy = -1;
    // Another run of Brenvale writes into one of the trees (BusyFolder).
    static constexpr qint32 InUse = -2;

    explicit TRunDriver(TRunProgress& progress);
    ~TRunDriver();
    TRunDriver(const TRunDriver&) = delete;
    TRunDriver& operator=(const TRunDriver&) = delete;

    // Checks the job's folders and, when they pass, starts an analysis of a copy
    // of the job and returns 0. Otherwise returns the folder check's code and
    // starts nothing (see FolderValidation); Busy while a run goes on; InUse
    // when another run holds one of the trees. A refused start keeps the rows
    // and findings of the earlier analysis. An accepted one takes them away
    // from RootRow and CompareTree but keeps them alive until the analysis has
    // been reported, so that a window may let go of them in its own time.
    [[nodiscard]] qint32 StartAnalysis(const TSyncTask& job);
    // Builds the rows of the last analysis anew with the builder (made for Job(),
    // carrying the caller's hooks). False, with nothing changed, while a sync
    // runs or without a completed analysis.
    bool BuildRows(TRowBuilder& builder);
    bool BuildRows(TRowBuilder::Mode mode);
    // Starts a sync of the current rows, keeping old versions as the job says
    // now. False when a run goes on, there are no rows, or another run holds
    // one of the trees (BusyFolder names it).
    bool StartSync(const TSyncTask& job);
    // Asks the running worker to stop; the file in transfer is finished.
    void Cancel();
    // Cancels the running worker and waits for its end with events flowing; the
    // progress interface hears nothing more, also of later runs. For an owner
    // that is going away.
    void Stop();
    bool IsRunning() const { return Worker.IsRunning(); }
    // Returns once a sync that has just started has taken the rows' files: a
    // row's files are changed only after that.
    void WaitForSyncRows() const;
    // Waits until the running worker has ended and its end was reported.
    void Wait() { Worker.Wait(); }

    // For callers without a window: StartAnalysis, wait, and rows in the mode.
    // False when the folders were refused (Refusal) or a side could not be
    // reached (ConnectResult).
    bool Analyze(const TSyncTask& job, TRowBuilder::Mode mode);
    // StartSync and wait; false when it could not start.
    bool Sync(const TSyncTask& job);

    // The flag a signal handler may set to cancel the run in progress.
    std::atomic<bool>& CancelFlag() { return Cancelled; }
    bool WasCancelled() const { return Cancelled.load(); }
    // The copy of the job the last run worked on; null before the first.
    const TSyncTask* Job() const { return Snapshot.get(); }
    // The folders the rows lie below: those of the last run's copy of the job.
    TRowRoots Roots() const;
    // File rows that have a direction (1 or 2).
    qint64 RowsToCopy() const;

    // Workers hand their reports over at most this often (0: at once).
    int ReportIntervalMs = 50;
    // Where the records of the last syncs are kept; empty: the data folder's
    // (DataFolder::SyncStatePath), found when an analysis starts.
    QString SyncStateFolder;
    // False: the runs neither read nor write a record of the last sync.
    bool KeepSyncState = true;

    // Findings of the last analysis.
    qint32 Refusal = 0;
    qint32 ConnectResult = 0;
    std::unique_ptr<TFileAttri> CompareTree;
    // The counts of its root (TFileAttri's FileCount, LeftCount, RightCount),
    // kept also once the tree is let go.
    struct TTotals
    {
        qint32 Files = 0;
        qint32 LeftCount = 0;
        qint32 RightCount = 0;
    };
    TTotals Totals;
    // For a caller that builds no more rows from the last analysis (the runner,
    // once it has reported it): the comparison tree's memory goes before a
    // sync; the rows keep all they show, and BuildRows refuses until the next
    // analysis.
    void ReleaseCompareTree() { CompareTree.reset(); }
    // For the same caller: rows are built from the comparison tree as it gives
    // the tree up (TRowBuilder::BuildRowsGivingUp), and the tree is let go.
    bool GiveUpTreeForRows = false;
    std::unique_ptr<TResultRow> RootRow;
    QStringList UnreadableFolders;
    QHash<QString, QString> UnreadableReasons;
    QStringList BadNames;
    QStringList FolderLinks;
    // The include list left out every file (see TRunProgress::IncludeListLeftOutAll).
    bool IncludeListLeftOutAll = false;
    QStringList SpecialFiles;
    // The folder another run holds, when a run could not start for it.
    QString BusyFolder;
    // What the page and the runner tell of it.
    QString BusyText() const;
    // A root that is no longer the folder the analysis read (moved away, a link
    // put in its place), when a sync could not start for it.
    QString ChangedFolder;
    // Why the last StartSync refused: a changed root or a tree in use.
    QString SyncRefusalText() const;

    // Why the record of the last sync could not be read when the last
    // analysis began (the analysis then took the folders as met for the first
    // time), for the log (RunLogText::SyncStateUnreadable). Empty when it
    // could, or when there was none.
    QString SyncStateError;
    // Why the record could not be written after the last run; empty when it was.
    QString SyncStateWriteError;
    // What the last analysis marked of the changes since the last sync.
    TSyncVerdicts::TCounts SinceSync;
    // Its conflicts and deletions, for the logs (RunLogText::SinceSyncLines).
    std::vector<TSyncVerdicts::TMarked> SinceSyncItems;
    // File rows of a conflict that have no direction: the sync leaves them.
    qint64 ConflictsLeft() const;

    // Findings of the last sync.
    bool Synced = false;
    qint32 SyncDoneCount = 0;
    qint32 SyncErrorCount = 0;
    // File rows the last sync was started with (RowsToCopy).
    qint64 SyncListed = 0;
    QStringList FailedFiles;
    // The same, for looking up (TRowBuilder::FailedPaths); kept until the
    // next sync starts.
    QSet<QString> FailedPaths;
    // Roots that did not keep the times given to the copies.
    QStringList TimesNotKept;

private:
    // Passes the workers' reports on unless the driver is going away.
    class Relay : public TRunProgress
    {
    public:
        explicit Relay(TRunProgress& target) : Target(&target) {}
        void PhaseStarted(TRunPhase phase, qint64 total) override;
        void Progressed(qint64 done) override;
        void ConnectFailed(qint32 side) override;
        void FileHandled(const TFileReport& report) override;
        void RowsVisited(qint32 count) override;
        void RowCopied(TResultRow& row) override;

        TRunProgress* Target;
    };

    void AnalysisEnded(class TFileAnalyze& analysis);
    void SyncEnded(class TFileSync& run);
    bool LockTrees(const TSyncTask& job);
    bool OpenAnalysedRoots(int& leftFd, int& rightFd);
    void RecordRoots();

    // What the analysis in progress replaces.
    struct TRetired
    {
        std::unique_ptr<TResultRow> Rows;
        std::unique_ptr<TFileAttri> Tree;
        std::unique_ptr<TSyncTask> Job;
    };

    // Device and inode of the two roots when the analysis began.
    struct TRootIdentity
    {
        quint64 Device = 0;
        quint64 Inode = 0;
        bool Known = false;
    };
    TRootIdentity LeftRootId;
    TRootIdentity RightRootId;

    // The record of the last analysis's two folders; null when none is kept.
    std::unique_ptr<TSyncStateFile> StateFile;
    TRunProgress& Progress;
    Relay Reports;
    TCancelFlag Cancelled;
    std::unique_ptr<TSyncTask> Snapshot;
    TRetired Retired;
    // Held while a worker runs.
    TRunLock TreeLock;
    // Receives the workers' calls on this thread.
    QObject Receiver;
    // Last member: destroyed first, while everything the worker uses still exists.
    TWorkerHandle Worker;
    // The sync in progress, owned by Worker; null when none runs.
    TFileSync* SyncRun = nullptr;
};
