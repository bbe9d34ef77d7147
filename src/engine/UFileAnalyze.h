#pragma once

#include "engine/UFileStructure.h"
#include "engine/WorkerMessages.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QThread>

#include <functional>
#include <memory>

class TBeenTortured;
class TSyncTask;

// An analysis of one job in its own thread: checks both folders, scans both sides
// (at the same time, one thread each) with the job's filters and merges the scan
// trees into a comparison tree. Progress goes to the page window as WM_PROGRESS,
// an unreachable side as WM_CONNECT_FAILED. When the thread has ended, the
// completion runs on the page window's thread; it may take the comparison tree,
// and the analysis object deletes itself afterwards with whatever it still owns.
class TFileAnalyze : public QThread
{
    Q_OBJECT

public:
    using Completion = std::function<void(TFileAnalyze& analysis)>;

    // Starts at once. Comparison progress is sent at most every progressIntervalMs
    // (0: after every pair of folders).
    TFileAnalyze(TSyncTask& task, QObject* pageWindow, TMessageHandler handler,
                 Completion completion, int progressIntervalMs = 50);
    ~TFileAnalyze() override;

    // 0 when both sides can be reached, 1 when the left cannot, 2 when the right
    // cannot (also when neither can).
    qint32 CheckFolders() const;
    void BuildTrees();
    // Merges the children of a left and a right scan node into the comparison node.
    // The scan nodes' children are consumed: each item's scan node (the left one
    // of a pair) becomes its comparison node, the rest is released, and the
    // analysis holds about one tree, not three.
    void CompareFolders(TFileAttri* left, TFileAttri* right, TFileAttri* compare);

    // The comparison tree; null after WM_CONNECT_FAILED. The caller owns it.
    std::unique_ptr<TFileAttri> TakeCompareTree() { return std::move(CompareTree); }

    QObject* const PageWindow;
    qint32 ComparedCount = 0;
    TSyncTask& Task;
    std::unique_ptr<TBeenTortured> Filter;

    std::unique_ptr<TFileAttri> LeftTree;
    std::unique_ptr<TFileAttri> RightTree;
    std::unique_ptr<TFileAttri> CompareTree;
    // Result of CheckFolders; the analysis has a result only when it is 0.
    qint32 ConnectResult = 0;
    // Folders that could not be listed; what lies below them is never copied.
    QStringList UnreadableFolders;
    // Items left out because their names are not valid UTF-8.
    QStringList BadNames;

protected:
    void run() override;

private:
    bool IsCancelled() const;
    void Send(int message, qint64 wParam, qint64 lParam);
    void Pair(std::unique_ptr<TFileAttri>& leftSlot, TFileAttri* r, TFileAttri* compare);
    void AddOneSided(std::unique_ptr<TFileAttri>& slot, bool left, TFileAttri* compare);
    void PairChildren(TFileAttri* left, TFileAttri* right, TFileAttri* compare);
    void ReportComparedCount();

    TMessageHandler Handler;
    Completion OnFinished;
    int ProgressIntervalMs;
    qint64 LastProgressMs = -1;
    QElapsedTimer Clock;
};
