#pragma once

#include "engine/WorkerMessages.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QThread>

#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

class TResultRow;
class TSyncTask;

// A sync run in its own thread: copies every file row of a result tree that has a
// direction, in tree order, and reports each file to the page window with
// WM_PROGRESS and WM_COPY_RESULT.
//
// Rows and threads: the run never touches a row from its own thread. Its
// constructor, on the page's thread, takes what it needs of every file row (kind,
// direction, paths, times, attributes) in tree order; the thread works from that.
// The updates of a copied row (a new target path, the "copied" pictures) are made
// on the page's thread while the run waits, so the page never paints a row while
// it changes. The page must keep the rows in place until the completion has run.
//
// Messages: a copy of a small file takes less time than one round trip between
// two threads, so the run collects the messages of the files it handled and hands
// them over together, at most every deliveryIntervalMs (0: after every file), and
// waits until the page has handled them all. The page sees every message, in
// order; while it handles one, CurrentFile, LastLeftPath, LastRightPath and
// CurrentRow hold that message's texts and row, set on the page's thread.
class TFileSync : public QThread
{
    Q_OBJECT

public:
    using Completion = std::function<void(TFileSync& run)>;

    // Starts at once. resultTree is the job's root row.
    TFileSync(TResultRow& resultTree, QObject* pageWindow, TSyncTask& task, TMessageHandler handler,
              Completion completion, int deliveryIntervalMs = 50);
    ~TFileSync() override;

    QObject* const PageWindow;
    qint32 HandledCount = 0;
    TSyncTask& Task;
    TResultRow* const ResultTree;

    // Run results; read by the page while it handles the run's messages and after
    // the run has ended.
    qint32 SyncErrorCount = 0;
    qint32 SyncDoneCount = 0;
    QString CurrentFile;
    QString LastLeftPath;
    QString LastRightPath;
    // The row the message being handled is about.
    TResultRow* CurrentRow = nullptr;
    // Why the last failed file failed, and every file that failed (source paths).
    QString LastError;
    QStringList FailedFiles;

protected:
    void run() override;

private:
    struct WorkItem
    {
        TResultRow* Row;
        qint32 Direction;
        QString LeftPath;
        QString RightPath;
        qint32 LeftTime;
        qint32 LeftAttr;
        qint32 RightTime;
        qint32 RightAttr;
    };
    // One handled file, as the page will be told of it.
    struct Report
    {
        TResultRow* Row;
        qint32 Handled;
        qint64 Result; // CopyResult
        qint32 Direction;
        QString Source;
        QString LeftPath;
        QString RightPath;
        QString NewTargetPath; // set when the row had no target path yet
        bool ToLeft;
        QString Error;
    };

    void CollectRows(TResultRow& row);
    void SyncRows();
    void SyncOne(const WorkItem& item);
    void Deliver(bool force);
    void Replay(const Report& report);

    std::vector<WorkItem> Work;
    std::vector<Report> Pending;
    TMessageHandler Handler;
    Completion OnFinished;
    int DeliveryIntervalMs;
    QElapsedTimer SinceDelivery;
    // Target folders already cleared of stale temporary files in this run.
    std::unordered_set<std::string> CleanedFolders;
    // Target folders known to exist (made or met) in this run.
    std::unordered_set<QString> KnownFolders;
};
