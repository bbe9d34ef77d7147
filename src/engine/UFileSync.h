#pragma once

#include "engine/RunProgress.h"
#include "engine/SyncState.h"
#include "engine/UWinFile.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

class TResultRow;
class TSyncStateFile;
class TSyncTask;

// A sync run in its own thread: copies every file row of a result tree that has
// a direction, in tree order, and reports each file to the progress interface.
//
// Rows and threads: the run's thread first takes what the run needs of every
// file row (which sides have it, sizes, times) in tree order (WaitForRows).
// Besides the names, the one thing the run reads from a row while it goes is
// its direction, when a copier takes the row, so a direction the user changes
// meanwhile counts for the rows not yet taken. The updates of a copied row
// (which sides have it, the "copied" pictures) are made on the receiver's
// thread while the run waits, so a view never paints a row while it changes.
// The rows must stay in place until the thread has ended.
//
// Copiers: most of the time of a small file's copy is spent in the kernel
// making its inode, so a few copier threads take the rows in order, a run of
// RowsPerClaim rows at a time (making a file locks its folder, and copiers in
// the same folder spin on that lock: with runs of rows they mostly work in
// different folders), and the run's thread puts their results back in row
// order before they are reported. Every report, count and message is therefore
// the same as if one thread had copied the rows one after the other. Cancel: a
// copier tests the flag before it starts a row; the copies already started are
// finished, none is started after, and every copy made is reported.
//
// Disk: a thread flushes the target file systems every second while the
// copiers go, and the run flushes them once more before it reports its end. A
// flush that reports a write error fails every file copied to that side since
// the last flush that reported none: those reported as copied are reported
// again, as failed, before the run ends.
//
// Last sync: a row whose pair changed on both sides since the last sync always
// keeps the version it overwrites, whatever the job says; a row that carries
// a deletion over moves the file of its target side into "__Save__" there.
//
// Record: given the record's file of the two folders, the run writes into it,
// before it reports its end, every pair it copied, with both files as they
// are after the copy; a file that failed keeps its entry as it was.
//
// Reports: a copy of a small file takes less time than one round trip between
// two threads, so the run collects the reports of the files it handled and hands
// them over together, at most every deliveryIntervalMs, and waits until they
// were all handled, in order. With 0, each file is handed over alone, and no
// copier takes the next row before the report of the one before was handled.
class TFileSync : public QThread
{
    Q_OBJECT

public:
    // resultTree is the job's root row; job is the run's own copy of the job. The
    // thread starts with start().
    TFileSync(TResultRow& resultTree, const TSyncTask& job, const std::atomic<bool>& cancel,
              QObject* receiver, TRunProgress& progress, int deliveryIntervalMs = 50);
    ~TFileSync() override;

    // The two roots, opened by the caller, who checked that they are still the
    // folders the analysis read; the run writes through these and closes them.
    // Without them, the run opens the roots by their paths.
    void UseRoots(int leftFd, int rightFd);
    // Waits until the run has taken what it needs of the rows (which files are
    // on each side, their sizes and times); from then on they may change. The
    // thread must have been started.
    void WaitForRows() const;

    QObject* const Receiver;
    const TSyncTask& Task;

    // Run results, complete once the thread has ended.
    qint32 HandledCount = 0;
    qint32 SyncErrorCount = 0;
    qint32 SyncDoneCount = 0;
    // Source paths of the files that failed.
    QStringList FailedFiles;
    // Roots whose file system did not keep the time given to a copy.
    QStringList TimesNotKept;
    // The record of the last sync of the two folders; null: none is kept. Not
    // owned; set before the thread starts.
    const TSyncStateFile* StateFile = nullptr;
    // Why the record could not be written; empty when it was.
    QString StateWriteError;

    // Copier threads: four with batched reports, one without.
    int CopierCount;
    // Test seam: runs on a copier's thread just before it starts the copy of the
    // file row at this index of the run's work list (tree order).
    std::function<void(size_t index)> BeforeCopy;
    // Test seam: answers whether the folders below a side's root find names
    // whatever their letter case; unset: the root's file system is asked.
    std::function<bool(const QString& root)> FolderIgnoresCase;

protected:
    void run() override;

private:
    // A million of them, in one list: the fields are in the order that leaves
    // no padding.
    struct WorkItem
    {
        TResultRow* Row;
        qint64 LeftSize;
        qint64 RightSize;
        qint32 LeftTime;
        qint32 RightTime;
        // Rows visited on the way to this one, folders included, this one too.
        qint32 Visits;
        // The file is on the side as the rows knew it when the run began.
        bool OnLeft;
        bool OnRight;
        // SyncMark bits of the pair.
        quint8 SinceSync;
        // The direction in which the row carries a deletion over (see
        // CarriesDeletion); -1 for none.
        qint8 CarriedDeletion;
    };
    static_assert(sizeof(void*) != 8 || sizeof(WorkItem) == 40);
    // What a copier did with a row; written by the copier, read by the run's
    // thread once Status says the copier is done with it. Six bytes a row:
    // why a copy failed is kept apart (Errors), few rows have a reason.
    struct Outcome
    {
        enum : qint8
        {
            Waiting,    // no copier has finished with the row
            Skipped,    // the row had no direction when it was taken
            NotStarted, // the run was cancelled when the row was taken
            Done        // copied, or failed
        };
        std::atomic<qint8> Status{Waiting};
        qint8 Direction = 0;
        TWinFile::Transfer Result = TWinFile::Transfer::Copied;
        bool TargetIsNew = false;
        // Told to the receiver's side as copied.
        bool Reported = false;
        // The target went into "__Save__" instead of taking a copy.
        bool SavedAway = false;
    };
    // The flushes of one side's file system.
    struct SideFlush
    {
        std::mutex Lock;
        // Rows copied to the side since the last flush that reported no error began.
        std::vector<size_t> Unflushed;
        // Rows whose data a flush reported it could not write, and why.
        std::vector<size_t> Lost;
        QString Error;
    };
    struct Pending
    {
        TFileReport Report;
        qint32 Visits;
        // The copy made the row's file on a side where it had none.
        bool TargetIsNew;
        bool ToLeft;
    };

    // The work list takes its exact room at once: growing it would copy it
    // and hold two of it for a while.
    static size_t FileRowsBelow(const TResultRow& row);
    void CollectRows(TResultRow& row, qint32& visits);
    void SyncRows();
    qint8 AwaitOutcome(size_t row) const;
    void RunCopier();
    void WriteBehind();
    void CopyOne(size_t index, Outcome& outcome);
    void KeepError(size_t index, QString error);
    QString TakeError(size_t index);
    void Collect(size_t index);
    QString SourceOf(size_t index, const QString& relative) const;
    // The path of a work item's file on a side, or empty where it was absent.
    QString SidePath(size_t index, bool left) const;
    // The path of a work item's file on a side, whether it was there or not.
    QString PathOn(bool left, const QString& relative) const;
    void AllowUpTo(size_t limit);
    void OpenRoots();
    QString RelativeOf(size_t index) const;
    void FindCaseTwins();
    void CleanSaveFolders();
    bool SideIgnoresCase(const QString& root, int rootFd) const;
    void FlushWrittenRoots();
    void Flush(int rootFd, const QString& root, SideFlush& side);
    void ReportLostCopies();
    void GatherPair(const QString& relative, bool toLeft, const TWinFile::TCopiedFiles& files);
    void RecordCopies();
    void Deliver(bool force);
    void Replay(Pending& pending);

    // The rows the run walks; their folders and files stay while it runs.
    TResultRow& RootRow;
    const std::atomic<bool>& Cancel;
    TRunProgress& Progress;
    std::vector<WorkItem> Work;
    // The roots' folder prefixes, which make a row's relative path a full path.
    QString LeftPrefix;
    QString RightPrefix;
    // Per row of Work: the path on a side that ignores case where a name that
    // differs from the row's only in case stands or will stand; empty for most,
    // and for every row of a run without such a side.
    std::vector<QString> CaseTwinPaths;
    std::unique_ptr<Outcome[]> Outcomes;
    // Why the copies failed that the run's thread has not reported yet, by
    // row of Work. The target is not kept: it is the row's path on the side
    // copied to.
    std::map<size_t, QString> Errors;
    std::mutex ErrorsLock;
    // The pairs copied, with both files as the copy left them, for the record:
    // gathered by the copiers as they go, so that no row keeps its files'
    // sizes and times until the end. Empty without a record.
    TSyncState::TPairs CopiedPairs;
    std::mutex PairsLock;
    // The next row a copier takes, and the first row it may not start yet.
    // With several copiers, each takes the rows a run at a time.
    static constexpr size_t RowsPerClaim = 32;
    std::atomic<size_t> NextRow{0};
    std::atomic<size_t> StartLimit{0};
    // Rows a copier may run ahead of the row being reported: with batched
    // reports, about what the copiers make while a batch is handed over; so
    // little that a receiver that stops taking reports soon stops the copies.
    size_t Window = 1;
    // Rows visited after the last file row.
    qint32 TrailingVisits = 0;
    std::atomic<bool> RowsTaken{false};
    std::vector<Pending> Reports;
    qint32 UndeliveredVisits = 0;
    int DeliveryIntervalMs;
    QElapsedTimer SinceDelivery;
    // Target folders already cleared of stale temporary files in this run.
    TWinFile::TCleanedFolders CleanedFolders;
    // Per target side, the device of the sources the kernel would not copy
    // onto it (none yet: all ones).
    std::atomic<quint64> LeftCrossDevice{~quint64(0)};
    std::atomic<quint64> RightCrossDevice{~quint64(0)};
    // The two roots, opened once for all the copies below them (-1 when they
    // could not be), and whether the run wrote below them.
    int LeftRootFd = -1;
    int RightRootFd = -1;
    bool RootsGiven = false;
    std::atomic<bool> LeftWritten{false};
    std::atomic<bool> RightWritten{false};
    SideFlush LeftFlush;
    SideFlush RightFlush;
    std::atomic<bool> LeftLosesTimes{false};
    std::atomic<bool> RightLosesTimes{false};
    // Set while the copiers run; its end wakes the write-behind thread.
    bool Copying = true;
    std::mutex CopyingLock;
    std::condition_variable CopyingEnded;
};
