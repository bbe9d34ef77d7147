#include "cli/WatchCommand.h"

#include "cli/CliCommands.h"
#include "common/QuitSignals.h"
#include "jobs/UTSyncTask.h"
#include "run/RunLogText.h"

#include <QDateTime>
#include <QTextStream>

void TWatchCommand::TWatchReport::Refused(const TSyncTask&, const QString& text)
{
    Bar.Clear();
    QTextStream(stderr) << text << '\n';
}

void TWatchCommand::TWatchReport::FolderUnreadable(const QString& path, const QString& reason)
{
    Bar.Clear();
    QTextStream(stderr) << RunLogText::UnreadableFolder(path, reason) << '\n';
}

void TWatchCommand::TWatchReport::FileHandled(const TFileReport& report)
{
    if (report.Outcome == TFileReport::TOutcome::ReadFailed ||
        report.Outcome == TFileReport::TOutcome::WriteFailed) {
        Bar.Clear();
        QTextStream(stderr) << RunLogText::FileFailed(report, true) << '\n';
    }
}

TWatchCommand::TWatchCommand(TSyncTask& job) : Job(job), Report(Bar), Driver(Report)
{
    // A watched job leaves conflicts to the user.
    Job.WatchSync = 1;
    connect(&Triggers, &TJobTriggers::RunWanted, this,
            [this](const QString& reason, bool) { Wanted(reason); });
    connect(&Triggers, &TJobTriggers::WatchFellBack, this,
            [](const QString& text) { QTextStream(stderr) << text << '\n'; });
}

int TWatchCommand::Exec()
{
    TQuitSignals quit;
    connect(&quit, &TQuitSignals::QuitRequested, this, &TWatchCommand::QuitAsked);
    Triggers.Apply(Job);
    Wanted(QStringLiteral("Started: the watch began"));
    if (!Stopping)
        Loop.exec();
    Triggers.Stop();
    return LastCode;
}

void TWatchCommand::Wanted(const QString& reason)
{
    Pending = reason;
    if (!Running)
        RunNow();
}

// One analysis, and a sync when there is something to copy; then the runs
// that came due meanwhile.
void TWatchCommand::RunNow()
{
    Running = true;
    while (!Pending.isEmpty() && !Stopping) {
        const QString reason = std::exchange(Pending, QString());
        Triggers.RunStarted();
        if (!Driver.Analyze(Job, TRowBuilder::Mode::Changes)) {
            Bar.Clear();
            QTextStream(stderr) << RefusalText(Driver) << '\n';
            LastCode = ExitCode::Refused;
        } else {
            if (!Driver.WasCancelled() && Driver.RowsToCopy() > 0 && !Driver.Sync(Job))
                QTextStream(stderr) << Driver.SyncRefusalText() << '\n';
            Bar.Clear();
            QTextStream(stdout) << RunLine(reason) << Qt::endl;
            LastCode = RunOutcome(Driver);
        }
        Triggers.RunEnded();
    }
    Running = false;
    if (Stopping)
        Loop.quit();
}

QString TWatchCommand::RunLine(const QString& reason) const
{
    const QString when =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    QString line = when + QLatin1Char(' ') + reason + QStringLiteral(": ");
    if (!Driver.Synced)
        line += QStringLiteral("nothing to copy");
    else
        line += QStringLiteral("%1 copied, %2 failed")
                    .arg(Driver.SyncDoneCount)
                    .arg(Driver.SyncErrorCount);
    if (const qint64 left = Driver.ConflictsLeft(); left > 0)
        line += QStringLiteral(", ") + RunLogText::ConflictsLeft(left);
    return line;
}

void TWatchCommand::QuitAsked()
{
    Stopping = true;
    if (Running) {
        Driver.Cancel();
        return;
    }
    Loop.quit();
}
