#pragma once

#include "jobs/UTFolderSource.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <atomic>
#include <memory>
#include <vector>

// A cancel request, polled by workers without a lock. A copy of a flag starts
// clear: a copied job has no run to cancel.
class TCancelFlag : public std::atomic<bool>
{
public:
    TCancelFlag() : std::atomic<bool>(false) {}
    TCancelFlag(const TCancelFlag&) : std::atomic<bool>(false) {}
    TCancelFlag& operator=(const TCancelFlag&)
    {
        store(false);
        return *this;
    }
    using std::atomic<bool>::operator=;
};

// Where a job of the list stands against the task list file it was read from
// (TSyncTask::ListState).
namespace JobListState {
// Read from the file.
constexpr qint32 Loaded = 0;
// Deleted since: kept in the list, left out of the next save.
constexpr qint32 Deleted = 1;
// Added since.
constexpr qint32 Added = 2;
} // namespace JobListState

// One sync job: two sides, the way they are compared and synchronised, the
// filters and the triggers of automatic runs. Yes/no fields hold 1 or 0 and every
// reader tests for exactly 1; a bound of -1 means "no bound".
class TSyncTask
{
public:
    TSyncTask() = default;
    TSyncTask& operator=(const TSyncTask&) = delete;

    // A copy of the job as a run uses it: both roots trimmed, made absolute and
    // clean once, so that editing the job while the run goes on changes nothing
    // in that run. Its Cancelled flag is the run's own.
    std::unique_ptr<TSyncTask> Snapshot() const;

    QString SyncName;
    QString SyncID;
    TFolderSource LFolder;
    TFolderSource RFolder;
    // 0 = both ways; 1 = one way, right to left; 2 = one way, left to right.
    qint32 SyncDirection = 0;
    // Bit flags; VerifiedCopies (2): every copy is read back from the disk and
    // compared with its source before it takes the target's place. Other bits
    // are kept as they were read.
    qint32 ForcedOrVerified = 0;
    static constexpr qint32 VerifiedCopies = 2;
    qint32 IsDeleteFile = 0;
    qint32 SaveOldFile = 0;
    qint32 UseTempFile = 0;
    qint32 CheckNoChange = 0;
    qint32 EstimateDiskSpace = 0;
    QStringList IncludeFilterr;
    QStringList ExcludeFilterr;
    qint32 ExcludeEmtpyFolder = 0;
    qint32 ExcludeHiddenFile = 0;
    qint32 ExcludeSystemFile = 0;
    // Time bounds are packed local date-times (see PackedDateTime.h).
    qint32 IncFileTimeMin = -1;
    qint32 IncFileTimeMax = -1;
    qint32 ExcFileTimeMin = -1;
    qint32 ExcFileTimeMax = -1;
    qint64 IncFileSizeMin = -1;
    qint64 IncFileSizeMax = -1;
    qint64 ExcFileSizeMin = -1;
    qint64 ExcFileSizeMax = -1;
    qint32 StartAnalyze = 0;
    qint32 StartSync = 0;
    qint32 ConnectAnalyze = 0;
    qint32 ConnectSync = 0;
    qint32 LogoffAnalyze = 0;
    qint32 LogoffSync = 0;
    qint32 PeriodAnalyze = 0;
    qint32 PeriodSync = 0;
    qint32 Hours = 0;
    qint32 minutes = 0;
    qint32 TSsync = 0;
    qint32 TSanalyze = 0;
    QString TaskScheduler;
    qint32 Conflicts = 0;
    qint32 EnsureFolderTags = 0;
    // 1: while the job's page is open (or the runner watches), a change in
    // either tree starts an analysis and a sync once the trees have been
    // quiet for WatchQuietSeconds. Stored after every older element, so that
    // older files read as 0 and 5.
    qint32 WatchSync = 0;
    qint32 WatchQuietSeconds = 5;
    // A JobListState code. Not stored.
    qint32 ListState = JobListState::Loaded;
    // Cancel request for the run in progress: written by the user-interface thread,
    // polled by the workers. Not stored.
    TCancelFlag Cancelled;

private:
    // Jobs are not copied by accident: the job list owns them, and pages and runs
    // refer to them. Snapshot() is the one copy.
    TSyncTask(const TSyncTask&) = default;
};

// A new job between two local folders, as the job editor and the runner's
// one-off jobs make it: both sides local, both ways, no filters, added since the
// program started.
std::unique_ptr<TSyncTask> NewLocalJob(const QString& name, const QString& leftFolder,
                                       const QString& rightFolder);

// The ordered list of jobs, addressed by position. Positions never shift while
// the program runs: a deleted job stays in the list, marked, until the next load.
class TSyncTaskList
{
public:
    int Count() const { return static_cast<int>(Items.size()); }
    // The job at the position, or nullptr outside 0 .. Count() - 1.
    TSyncTask* TaskByIndex(int position) const;
    // The key text of the job at the position (its SyncID when it was added).
    QString KeyByIndex(int position) const;
    // Appends a job made by the job editor: ListState becomes Added.
    void AddToList(std::unique_ptr<TSyncTask> job);
    // Appends a job as read from a task list file: ListState stays as it is.
    void AppendLoaded(std::unique_ptr<TSyncTask> job);
    // Marks the job at the position deleted; nothing happens outside the list.
    void MarkDeleted(int position);
    // True when a job, deleted ones included, has this name; both sides are trimmed
    // of blanks and control characters, the comparison is exact.
    bool TaskNameExists(const QString& name) const;
    // Empties the list, the kept elements of unloaded jobs included.
    void Clear()
    {
        Items.clear();
        Unloaded.clear();
    }
    // Jobs of the last load that could not be read, as the file held them; a save
    // writes them back after the loaded jobs, so that no job is lost.
    void KeepUnloaded(const QString& element) { Unloaded.append(element); }
    const QStringList& UnloadedJobs() const { return Unloaded; }

private:
    struct Entry
    {
        QString Key;
        std::unique_ptr<TSyncTask> Task;
    };
    std::vector<Entry> Items;
    QStringList Unloaded;
};

// Trims leading and trailing blanks and control characters (every code below 33),
// the trimming rule used for job names, folder paths and item names.
QString TrimBlanksAndControls(const QString& text);

// The one process-wide job list. Created by CreateTaskList at start-up.
extern std::unique_ptr<TSyncTaskList> SyncTaskList;

// Creates the empty process-wide job list (replacing any earlier one).
void CreateTaskList();
