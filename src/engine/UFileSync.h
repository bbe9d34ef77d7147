#pragma once

#include "engine/WorkerMessages.h"

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
// on the page's thread inside the blocking delivery of the file's messages, so the
// page never paints a row while it changes. The page must keep the rows in place
// until the completion has run; CurrentRow names the row a message is about.
class TFileSync : public QThread
{
    Q_OBJECT

public:
    using Completion = std::function<void(TFileSync& run)>;

    // Starts at once. resultTree is the job's root row.
    TFileSync(TResultRow& resultTree, QObject* pageWindow, TSyncTask& task, TMessageHandler handler,
              Completion completion);
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
    // Why the last file failed, and every file that failed (source paths).
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

    void CollectRows(TResultRow& row);
    void SyncRows();
    void SyncOne(const WorkItem& item);

    std::vector<WorkItem> Work;
    // Target folders already cleared of stale temporary files in this run.
    std::unordered_set<std::string> CleanedFolders;
    TMessageHandler Handler;
    Completion OnFinished;
};
