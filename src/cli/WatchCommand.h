#pragma once

#include "cli/ProgressBar.h"
#include "cli/RunReport.h"
#include "run/RunDriver.h"
#include "schedule/JobTriggers.h"

#include <QEventLoop>
#include <QObject>
#include <QString>

class TSyncTask;

// brenvale-cli watch: keeps the job's two folders in step until Ctrl+C or
// SIGTERM. It runs an analysis and a sync at once, then again each time the
// trees have been quiet for the job's seconds after a change, and when a
// folder comes back (a drive mounted); past the system's watch limit, every
// period instead. Each run prints one line; failures are told on standard
// error as the sync command tells them. A conflict is left for the user, so
// that it is never copied back and forth. The first signal lets the file in
// transfer finish and ends the watch after the run; a second ends it at once.
class TWatchCommand : public QObject
{
    Q_OBJECT

public:
    explicit TWatchCommand(TSyncTask& job);

    // Runs until asked to stop; the exit status of the sync command for the
    // last run.
    int Exec();

private:
    // What the runs tell: one line per run on standard output, failures on
    // standard error.
    class TWatchReport : public TRunReport
    {
    public:
        using TRunReport::TRunReport;
        void Refused(const TSyncTask& job, const QString& text) override;
        void Analysed(const TRunDriver&) override {}
        void Synced(const TRunDriver&) override {}
        void Close(const TRunDriver*) override {}
        void FolderUnreadable(const QString& path, const QString& reason) override;
        void FileHandled(const TFileReport& report) override;
    };

    void Wanted(const QString& reason);
    void RunNow();
    void QuitAsked();
    QString RunLine(const QString& reason) const;

    TSyncTask& Job;
    TProgressBar Bar;
    TWatchReport Report;
    TRunDriver Driver;
    TJobTriggers Triggers;
    QEventLoop Loop;
    // Why the next run is due; empty when none is.
    QString Pending;
    bool Running = false;
    bool Stopping = false;
    int LastCode = 0;
};
