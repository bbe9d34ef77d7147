#pragma once

#include "engine/RunProgress.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class TResultRow;
class TSyncTask;

// A sync run in its own thread: copies every file row of a result tree that has
// a direction, in tree order, and reports each file to the progress interface.
//
// Rows and threads: the constructor, on the receiver's thread, takes what the run
// needs of every file row (paths, sizes, times) in tree order. The one thing
// the run reads from a row while it goes is its direction, when it reaches the
// row, so a direction the user changes meanwhile counts for the rows not yet
// reached. The updates of a copied row (a new target path, the "copied"
// pictures) are made on the receiver's thread while the run waits, so a view
// never paints a row while it changes. The rows must stay in place until the
// thread has ended.
//
// Reports: a copy of a small file takes less time than one round trip between
// two threads, so the run collects the reports of the files it handled and hands
// them over together, at most every deliveryIntervalMs (0: after every file),
// and waits until they were all handled, in order.
class TFileSync : public QThread
{
    Q_OBJECT

public:
    // resultTree is the job's root row; job is the run's own copy of the job. The
    // thread starts with start().
    TFileSync(TResultRow& resultTree, const TSyncTask& job, const std::atomic<bool>& cancel,
              QObject* receiver, TRunProgress& progress, int deliveryIntervalMs = 50);
    ~TFileSync() override;

    QObject* const Receiver;
    const TSyncTask& Task;

    // Run results, complete once the thread has ended.
    qint32 HandledCount = 0;
    qint32 SyncErrorCount = 0;
    qint32 SyncDoneCount = 0;
    // Source paths of the files that failed.
    QStringList FailedFiles;

protected:
    void run() override;

private:
    struct WorkItem
    {
        TResultRow* Row;
        // Rows visited on the way to this one, folders included, this one too.
        qint32 Visits;
        QString LeftPath;
        QString RightPath;
        qint64 LeftSize;
        qint64 RightSize;
        qint32 LeftTime;
        qint32 RightTime;
    };
    struct Pending
    {
        TFileReport Report;
        qint32 Visits;
        QString NewTargetPath; // set when the row had no target path yet
        bool ToLeft;
    };

    void CollectRows(TResultRow& row, qint32& visits);
    void SyncRows();
    void SyncOne(const WorkItem& item, qint32 direction, qint32 visits);
    void FlushWrittenRoots();
    int RootFd(const QString& root);
    void Deliver(bool force);
    void Replay(Pending& pending);

    const std::atomic<bool>& Cancel;
    TRunProgress& Progress;
    std::vector<WorkItem> Work;
    // Rows visited after the last file row.
    qint32 TrailingVisits = 0;
    std::vector<Pending> Reports;
    qint32 UndeliveredVisits = 0;
    int DeliveryIntervalMs;
    QElapsedTimer SinceDelivery;
    // Target folders already cleared of stale temporary files in this run.
    std::unordered_set<std::string> CleanedFolders;
    // The roots this run wrote below, opened (-1 when they could not be).
    std::unordered_map<QString, int> RootFds;
};
