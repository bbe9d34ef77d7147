#pragma once

#include "engine/UFileAnalyze.h"
#include "engine/UFileSync.h"
#include "jobs/UTSyncTask.h"
#include "ui/page/UResultRow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QObject>
#include <QStringList>

#include <memory>
#include <vector>

struct Message
{
    int Id;
    qint64 WParam;
    qint64 LParam;
    bool operator==(const Message&) const = default;
};

// What one analysis delivered.
struct AnalysisOutcome
{
    std::vector<Message> Messages;
    std::unique_ptr<TFileAttri> Tree;
    QStringList Unreadable;
    qint32 ConnectResult = 0;
};

// Makes a two-way job between two local folders.
inline std::unique_ptr<TSyncTask> MakeJob(const QString& left, const QString& right)
{
    auto job = std::make_unique<TSyncTask>();
    job->SyncName = QStringLiteral("Test job");
    job->LFolder.DeviceType = 1;
    job->LFolder.FolerAllName = left;
    job->RFolder.DeviceType = 1;
    job->RFolder.FolerAllName = right;
    return job;
}

// Runs an analysis to its end, handling its messages on this thread. onMessage
// runs inside each message's delivery (the worker waits meanwhile).
template <typename OnMessage>
AnalysisOutcome RunAnalysis(TSyncTask& job, OnMessage onMessage, int progressIntervalMs = 0)
{
    AnalysisOutcome outcome;
    QObject receiver;
    QEventLoop loop;
    new TFileAnalyze(
        job, &receiver,
        [&](int id, qint64 w, qint64 l) {
            outcome.Messages.push_back(Message{id, w, l});
            onMessage(id, w, l);
        },
        [&](TFileAnalyze& analysis) {
            outcome.Tree = analysis.TakeCompareTree();
            outcome.Unreadable = analysis.UnreadableFolders;
            outcome.ConnectResult = analysis.ConnectResult;
            loop.quit();
        },
        progressIntervalMs);
    loop.exec();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return outcome;
}

inline AnalysisOutcome RunAnalysis(TSyncTask& job)
{
    return RunAnalysis(job, [](int, qint64, qint64) {});
}

// What one sync run delivered.
struct SyncOutcome
{
    std::vector<Message> Messages;
    QStringList CurrentFiles;
    qint32 Errors = 0;
    qint32 Done = 0;
    qint32 Handled = 0;
};

// Runs a sync to its end; deliveryIntervalMs 0 hands over every file at once.
template <typename OnMessage>
SyncOutcome RunSync(TSyncTask& job, TResultRow& root, OnMessage onMessage,
                    int deliveryIntervalMs = 0)
{
    SyncOutcome outcome;
    QObject receiver;
    QEventLoop loop;
    TFileSync* run = nullptr;
    run = new TFileSync(
        root, &receiver, job,
        [&](int id, qint64 w, qint64 l) {
            outcome.Messages.push_back(Message{id, w, l});
            if (id == WM_COPY_RESULT)
                outcome.CurrentFiles.append(run->CurrentFile);
            onMessage(id, w, l);
        },
        [&](TFileSync& finished) {
            outcome.Errors = finished.SyncErrorCount;
            outcome.Done = finished.SyncDoneCount;
            outcome.Handled = finished.HandledCount;
            loop.quit();
        },
        deliveryIntervalMs);
    loop.exec();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return outcome;
}

inline SyncOutcome RunSync(TSyncTask& job, TResultRow& root)
{
    return RunSync(job, root, [](int, qint64, qint64) {});
}

// Builds the rows of a comparison tree below a fresh root row.
inline std::unique_ptr<TResultRow> BuildRowsOf(const TSyncTask& job, const TFileAttri& tree,
                                               TRowBuilder::Mode mode)
{
    auto root = MakeRootRow(job.SyncName);
    TRowBuilder builder(job, mode);
    builder.BuildRows(*root, tree);
    return root;
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
