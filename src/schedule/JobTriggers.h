#pragma once

#include "schedule/ConnectTrigger.h"
#include "schedule/TreeWatch.h"

#include <QObject>
#include <QString>
#include <QTimer>

class TSyncTask;

// The runs a job starts by itself while its page is open (or the runner
// watches it), besides the page's start and period: when its two folders
// connect (ConnectAnalyze, ConnectSync) and when its files change
// (WatchSync, after WatchQuietSeconds of quiet). Where the system cannot
// watch every folder of the trees, the job runs every period instead (its
// own, or an hour), and that is told once. A watched folder that comes (a
// drive mounted) is watched from then on.
//
// A run of the job, whoever started it, pauses the file watch: changes made
// meanwhile, the run's own copies among them, start one more run after it.
class TJobTriggers : public QObject
{
    Q_OBJECT

public:
    explicit TJobTriggers(QObject* parent = nullptr);

    // Sets the triggers up for the job as it is now; again after an edit.
    void Apply(const TSyncTask& job);
    void Stop();

    void RunStarted();
    void RunEnded();

    TConnectTrigger Connect;
    TTreeWatch Watch;
    // Every period while the watch fell back; 0 when it did not.
    QTimer FallbackTimer;

    static QString ConnectedText();
    static QString ChangedText();
    static QString PeriodText();

Q_SIGNALS:
    // An analysis is due, and a sync after it when withSync; reason: what
    // the log says of it.
    void RunWanted(const QString& reason, bool withSync);
    // The watch could not cover the trees; text says why and what to do.
    void WatchFellBack(const QString& text);

private:
    void FoldersConnected();
    void ApplyConnect(const TSyncTask& job);
    void ApplyWatch(const TSyncTask& job);
    void FallBack(qint64 limit);

    bool RunOnConnect = false;
    bool SyncOnConnect = false;
    // Minutes of the period to fall back to.
    int FallbackMinutes = 60;
    // Folders watched, to see whether an edit changed them.
    QStringList WatchedRoots;
};
