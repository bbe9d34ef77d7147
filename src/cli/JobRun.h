#pragma once

#include "engine/UFileStructure.h"
#include "ui/page/UResultRow.h"

#include <QObject>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <memory>

class TFileSync;
class TSyncTask;

// One analysis and, on request, one sync run of a job, driven as the comparison
// page drives them: the workers report to an object of this (the main) thread,
// whose event loop runs until each worker's completion has run; rows are built
// from the comparison tree with the page's row builder, and the sync copies
// exactly those rows.
class TJobRun
{
public:
    // What the run tells its reporter; every call comes on the main thread, the
    // worker waiting meanwhile.
    struct Hooks
    {
        // A phase starts: "Scanning", "Comparing", "Syncing"; total 0 when unknown.
        std::function<void(const QString& phase, qint64 total)> PhaseStarted;
        std::function<void(qint64 done)> Progress;
        // A file of the sync was handled (CopyResult code); the run's CurrentFile,
        // LastLeftPath, LastRightPath, LastError and CurrentRow describe it.
        std::function<void(const TFileSync& run, qint64 result, qint64 direction)> FileHandled;
    };

    TJobRun(TSyncTask& job, Hooks hooks);
    ~TJobRun();

    // Analyses the job and builds the rows in the mode. False when a side could
    // not be reached (ConnectResult tells which); no tree and no rows then.
    bool Analyze(TRowBuilder::Mode mode);
    // Copies the file rows that have a direction. Needs a completed Analyze.
    void Sync();

    bool WasCancelled() const;
    // File rows the sync will copy (direction 1 or 2).
    qint64 RowsToCopy() const;

    TSyncTask& Job;
    qint32 ConnectResult = 0;
    std::unique_ptr<TFileAttri> CompareTree;
    std::unique_ptr<TResultRow> RootRow;
    QStringList UnreadableFolders;
    QStringList BadNames;

    bool Synced = false;
    qint32 SyncDoneCount = 0;
    qint32 SyncErrorCount = 0;
    QStringList FailedFiles;

private:
    Hooks Report;
    // Receives the workers' messages and completions on the main thread.
    QObject Receiver;
};
