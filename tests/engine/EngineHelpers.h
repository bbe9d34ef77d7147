#pragma once

#include "engine/RunProgress.h"
#include "engine/WorkerMessages.h"
#include "jobs/UTSyncTask.h"
#include "rows/RowBuilder.h"
#include "run/RunDriver.h"

#include <QStringList>
#include <QTest>

#include <functional>
#include <memory>
#include <vector>

// A report of a run in the page's terms: the message number and its two values.
struct Message
{
    int Id;
    qint64 WParam;
    qint64 LParam;
    bool operator==(const Message&) const = default;
};

// Records a run's reports in the order the comparison page receives them as
// messages: the start of the comparison with its total, progress counts, an
// unreachable side, and per file the copy result and the progress, a failed file
// with the result first, a copied one with the progress first.
class TRecorder : public TRunProgress
{
public:
    void PhaseStarted(TRunPhase phase, qint64 total) override
    {
        if (phase == TRunPhase::Comparing)
            Add({WM_PROGRESS, total, 0});
    }
    void Progressed(qint64 done) override { Add({WM_PROGRESS, 0, done}); }
    void ConnectFailed(qint32 side) override { Add({WM_CONNECT_FAILED, side, 0}); }
    void FolderUnreadable(const QString& path, const QString&) override { Unreadable.append(path); }
    void FileHandled(const TFileReport& report) override
    {
        Files.push_back(report);
        const Message progress{WM_PROGRESS, 0, report.Handled};
        if (report.Outcome == TFileReport::TOutcome::Copied) {
            Add(progress);
            Add({WM_COPY_RESULT, 4, report.Direction});
            return;
        }
        Add({WM_COPY_RESULT, report.Outcome == TFileReport::TOutcome::ReadFailed ? 0 : 1, 0});
        Add(progress);
    }
    void RowsVisited(qint32 count) override { Visited += count; }
    void RowCopied(TResultRow& row) override { Copied.push_back(&row); }
    void IncludeListLeftOutAll() override { ++LeftOutByIncludeList; }
    void AnalysisFinished() override { ++Finished; }
    void SyncFinished() override { ++Finished; }

    std::vector<Message> Messages;
    std::vector<TFileReport> Files;
    QStringList Unreadable;
    std::vector<TResultRow*> Copied;
    qint64 Visited = 0;
    int Finished = 0;
    int LeftOutByIncludeList = 0;
    // Runs inside each message's delivery, while the worker waits.
    std::function<void(const Message&)> OnMessage;

private:
    void Add(const Message& message)
    {
        Messages.push_back(message);
        if (OnMessage)
            OnMessage(message);
    }
};

// A run driver with its recorder; reports come at once, not in batches.
struct TestRun
{
    TestRun() { Driver.ReportIntervalMs = 0; }

    bool Analyze(const TSyncTask& job, TRowBuilder::Mode mode = TRowBuilder::Mode::Changes)
    {
        return Driver.Analyze(job, mode);
    }
    // Syncs the rows of the last analysis; a fresh recording.
    void Sync(const TSyncTask& job)
    {
        Log = TRecorder{};
        Log.OnMessage = OnSyncMessage;
        QVERIFY(Driver.Sync(job));
    }
    TResultRow& Root() { return *Driver.RootRow; }

    TRecorder Log;
    std::function<void(const Message&)> OnSyncMessage;
    TRunDriver Driver{Log};
};

// What one analysis delivered.
struct AnalysisOutcome
{
    std::vector<Message> Messages;
    std::unique_ptr<TFileAttri> Tree;
    QStringList Unreadable;
    qint32 ConnectResult = 0;
};

// Runs an analysis of the job to its end through a run driver. onMessage runs
// inside each message's delivery (the worker waits meanwhile).
inline AnalysisOutcome RunAnalysis(const TSyncTask& job,
                                   const std::function<void(const Message&)>& onMessage = {})
{
    TestRun run;
    run.Log.OnMessage = onMessage;
    AnalysisOutcome outcome;
    if (run.Driver.StartAnalysis(job) == 0)
        run.Driver.Wait();
    outcome.Messages = run.Log.Messages;
    outcome.Tree = std::move(run.Driver.CompareTree);
    outcome.Unreadable = run.Log.Unreadable;
    outcome.ConnectResult = run.Driver.ConnectResult;
    return outcome;
}

// Makes a two-way job between two local folders.
inline std::unique_ptr<TSyncTask> MakeJob(const QString& left, const QString& right)
{
    return NewLocalJob(QStringLiteral("Test job"), left, right);
}

// The child of a comparison node with the given name, or nullptr.
inline const TFileAttri* ChildNamed(const TFileAttri& node, const QString& name)
{
    for (const auto& child : node.Children) {
        if (child->ItemName == name)
            return child.get();
    }
    return nullptr;
}

// Every row of a comparison tree, as the page lists them with "All".
inline std::unique_ptr<TResultRow> AllRowsOf(const TSyncTask& job, const TFileAttri& tree)
{
    auto root = MakeRootRow(job.SyncName);
    TRowBuilder builder(job, TRowBuilder::Mode::All);
    builder.BuildRows(*root, tree);
    return root;
}

// The child row with the given name, or nullptr.
inline const TResultRow* RowNamed(const TResultRow& parent, const QString& name)
{
    for (int i = 0; i < parent.ChildCount(); ++i) {
        if (parent.Child(i)->Name == name)
            return parent.Child(i);
    }
    return nullptr;
}
