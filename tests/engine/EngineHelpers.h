#pragma once

#include "engine/RunProgress.h"
#include "jobs/UTSyncTask.h"
#include "rows/RowBuilder.h"
#include "run/RunDriver.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <vector>

// One report of a run, in the order the page receives them.
enum class Report
{
    ComparingStarted, // Value: the number of items to compare
    Progress,         // Value: items (or file rows of a sync) done so far
    ConnectFailed,    // Value: 1 the left side, 2 the right
    Copied,           // Value: the direction the file was copied in
    ReadFailed,
    WriteFailed
};

struct Message
{
    Report Kind;
    qint64 Value = 0;
    bool operator==(const Message&) const = default;
    bool IsFileResult() const { return Kind >= Report::Copied; }
};

// Records a run's reports in order: the start of the comparison with its total,
// progress counts, an unreachable side, and per file its result and the progress.
class TRecorder : public TRunProgress
{
public:
    void PhaseStarted(TRunPhase phase, qint64 total) override
    {
        if (phase == TRunPhase::Comparing)
            Add({Report::ComparingStarted, total});
    }
    void Progressed(qint64 done) override { Add({Report::Progress, done}); }
    void ConnectFailed(qint32 side) override { Add({Report::ConnectFailed, side}); }
    void FolderUnreadable(const QString& path, const QString&) override { Unreadable.append(path); }
    void FileHandled(const TFileReport& report) override
    {
        Files.push_back(report);
        Add({Report::Progress, report.Handled});
        if (report.Outcome == TFileReport::TOutcome::Copied)
            Add({Report::Copied, report.Direction});
        else if (report.Outcome == TFileReport::TOutcome::ReadFailed)
            Add({Report::ReadFailed});
        else
            Add({Report::WriteFailed});
    }
    void RowsVisited(qint32 count) override { Visited += count; }
    void RowCopied(TResultRow& row) override { Copied.push_back(&row); }
    void IncludeListLeftOutAll() override { ++LeftOutByIncludeList; }
    void SyncStateUnreadable(const QString& reason) override { StateUnreadable.append(reason); }
    void AnalysisFinished() override { ++Finished; }
    void SyncFinished() override { ++Finished; }

    std::vector<Message> Messages;
    std::vector<TFileReport> Files;
    QStringList Unreadable;
    QStringList StateUnreadable;
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

// A run driver with its recorder; reports come at once, not in batches. The
// records of the last syncs lie in a folder of the run's own, unless a test
// names another.
struct TestRun
{
    TestRun()
    {
        Driver.ReportIntervalMs = 0;
        Driver.SyncStateFolder = Records.path();
    }

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

    QTemporaryDir Records;
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
