#include "cli/JobRun.h"

#include "engine/UFileAnalyze.h"
#include "engine/UFileSync.h"
#include "engine/WorkerMessages.h"
#include "jobs/UTSyncTask.h"

TJobRun::TJobRun(TSyncTask& job, Hooks hooks) : Job(job), Report(std::move(hooks)) {}

TJobRun::~TJobRun() = default;

bool TJobRun::WasCancelled() const
{
    return Job.Cancelled.load(std::memory_order_relaxed);
}

bool TJobRun::Analyze(TRowBuilder::Mode mode)
{
    if (Report.PhaseStarted)
        Report.PhaseStarted(QStringLiteral("Scanning"), 0);
    const auto onMessage = [this](int message, qint64 wParam, qint64 lParam) {
        if (message != WM_PROGRESS)
            return;
        // As on the page: a non-zero wParam starts the comparison with its total,
        // zero reports progress (also the start message of two empty trees).
        if (wParam != 0 && Report.PhaseStarted)
            Report.PhaseStarted(QStringLiteral("Comparing"), wParam);
        else if (wParam == 0 && Report.Progress)
            Report.Progress(lParam);
    };
    auto* analysis = new TFileAnalyze(Job, &Receiver, onMessage, [this](TFileAnalyze& done) {
        ConnectResult = done.ConnectResult;
        CompareTree = done.TakeCompareTree();
        UnreadableFolders = done.UnreadableFolders;
        BadNames = done.BadNames;
    });
    WaitWithEvents(analysis);
    if (ConnectResult != 0 || !CompareTree)
        return false;

    RootRow = MakeRootRow(Job.SyncName);
    TRowBuilder builder(Job, mode);
    builder.BuildRows(*RootRow, *CompareTree);
    RootRow->RtoLCount = CompareTree->LeftCount;
    RootRow->LtoRCount = CompareTree->RightCount;
    return true;
}

qint64 TJobRun::RowsToCopy() const
{
    qint64 count = 0;
    const std::function<void(const TResultRow&)> walk = [&](const TResultRow& row) {
        for (int i = 0; i < row.ChildCount(); ++i) {
            const TResultRow& child = *row.Child(i);
            if (child.Kind == 1)
                walk(child);
            else if (child.Direction == SyncDirection::LeftToRight ||
                     child.Direction == SyncDirection::RightToLeft)
                ++count;
        }
    };
    if (RootRow)
        walk(*RootRow);
    return count;
}

void TJobRun::Sync()
{
    if (!RootRow)
        return;
    if (Report.PhaseStarted)
        Report.PhaseStarted(QStringLiteral("Syncing"), RowsToCopy());
    TFileSync* run = nullptr;
    const auto onMessage = [this, &run](int message, qint64 wParam, qint64 lParam) {
        if (message == WM_PROGRESS && Report.Progress)
            Report.Progress(lParam);
        else if (message == WM_COPY_RESULT && Report.FileHandled)
            Report.FileHandled(*run, wParam, lParam);
    };
    // Messages arrive only while the event loop below runs, after run is set.
    run = new TFileSync(*RootRow, &Receiver, Job, onMessage, [this](TFileSync& done) {
        SyncDoneCount = done.SyncDoneCount;
        SyncErrorCount = done.SyncErrorCount;
        FailedFiles = done.FailedFiles;
    });
    WaitWithEvents(run);
    Synced = true;
}
