#include "schedule/JobTriggers.h"

#include "jobs/UTSyncTask.h"

#include <algorithm>

TJobTriggers::TJobTriggers(QObject* parent) : QObject(parent)
{
    connect(&Connect, &TConnectTrigger::Connected, this, &TJobTriggers::FoldersConnected);
    connect(&Watch, &TTreeWatch::Quiet, this, [this] { Q_EMIT RunWanted(ChangedText(), true); });
    connect(&Watch, &TTreeWatch::LimitReached, this, &TJobTriggers::FallBack);
    connect(&FallbackTimer, &QTimer::timeout, this,
            [this] { Q_EMIT RunWanted(PeriodText(), true); });
}

QString TJobTriggers::ConnectedText()
{
    return QStringLiteral("Started: the folders are connected");
}

QString TJobTriggers::ChangedText()
{
    return QStringLiteral("Started: files changed");
}

QString TJobTriggers::PeriodText()
{
    return QStringLiteral("Started: the period came (the folders are not watched)");
}

void TJobTriggers::Apply(const TSyncTask& job)
{
    ApplyConnect(job);
    ApplyWatch(job);
}

void TJobTriggers::Stop()
{
    Connect.Stop();
    Watch.Stop();
    FallbackTimer.stop();
    WatchedRoots.clear();
}

// Both folders reachable again: a run when the job asks for one, and a new
// watch of the trees, which may not have been there to watch before.
void TJobTriggers::FoldersConnected()
{
    if (!WatchedRoots.isEmpty() && !FallbackTimer.isActive())
        Watch.Start(WatchedRoots);
    if (RunOnConnect || !WatchedRoots.isEmpty())
        Q_EMIT RunWanted(ConnectedText(), SyncOnConnect || !WatchedRoots.isEmpty());
}

void TJobTriggers::ApplyConnect(const TSyncTask& job)
{
    RunOnConnect = job.ConnectAnalyze == 1 || job.ConnectSync == 1;
    SyncOnConnect = job.ConnectSync == 1;
    if (RunOnConnect || job.WatchSync == 1)
        Connect.Watch(job.LFolder.FolerAllName, job.RFolder.FolerAllName);
    else
        Connect.Stop();
}

void TJobTriggers::ApplyWatch(const TSyncTask& job)
{
    const QStringList roots{TrimBlanksAndControls(job.LFolder.FolerAllName),
                            TrimBlanksAndControls(job.RFolder.FolerAllName)};
    Watch.QuietMs = std::clamp(job.WatchQuietSeconds, 1, 3600) * 1000;
    const int period = job.Hours * 60 + job.minutes;
    FallbackMinutes = period > 0 ? period : 60;
    if (job.WatchSync != 1) {
        Watch.Stop();
        FallbackTimer.stop();
        WatchedRoots.clear();
        return;
    }
    // An edit that left the folders as they were keeps the watch and its
    // changes.
    if (roots == WatchedRoots && (Watch.IsWatching() || FallbackTimer.isActive()))
        return;
    WatchedRoots = roots;
    FallbackTimer.stop();
    Watch.Start(roots);
}

void TJobTriggers::FallBack(qint64 limit)
{
    FallbackTimer.start(FallbackMinutes * 60000);
    Q_EMIT WatchFellBack(TTreeWatch::LimitText(limit));
}

void TJobTriggers::RunStarted()
{
    Watch.Pause();
}

void TJobTriggers::RunEnded()
{
    Watch.Resume();
}
