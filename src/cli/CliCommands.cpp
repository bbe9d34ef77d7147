#include "cli/CliCommands.h"

#include "cli/CancelSignal.h"
#include "cli/CliJobList.h"
#include "cli/CliOptions.h"
#include "cli/JsonReport.h"
#include "cli/JsonText.h"
#include "cli/ProgressBar.h"
#include "cli/TextReport.h"
#include "cli/WatchCommand.h"
#include "jobs/UTSyncTask.h"
#include "run/FolderValidation.h"
#include "run/RunDriver.h"
#include "run/RunLogText.h"

#include <QTextStream>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

int UsageError(const QString& reason)
{
    QTextStream(stderr) << "brenvale-cli: " << reason << "\n"
                        << "Try 'brenvale-cli --help' for more information.\n";
    return ExitCode::Usage;
}

// Analyses the job (and syncs it for the sync command) as the comparison page
// does, reporting as the options ask.
int RunJob(const TCliOptions& options, TSyncTask& job)
{
    // The runner never writes the task list: the job changes for this run only.
    if (options.Verify)
        job.ForcedOrVerified |= TSyncTask::VerifiedCopies;
    if (options.Action == TCliOptions::Command::Watch)
        return TWatchCommand(job).Exec();
    const bool sync = options.Action == TCliOptions::Command::Sync;
    TProgressBar progress;
    std::unique_ptr<TRunReport> report;
    if (options.Json)
        report = std::make_unique<TJsonReport>(sync, progress);
    else
        report = std::make_unique<TTextReport>(!sync, progress);

    TRunDriver run(*report);
    // The runner builds its rows once: the comparison tree makes room for them.
    run.GiveUpTreeForRows = true;
    CancelSignal::Install(run.CancelFlag());
    const auto mode = options.All ? TRowBuilder::Mode::All : TRowBuilder::Mode::Changes;
    const bool analysed = run.Analyze(job, mode);
    if (!analysed) {
        CancelSignal::Release();
        report->Refused(job, RefusalText(run));
        report->Close(nullptr);
        return ExitCode::Refused;
    }
    report->Analysed(run);
    // A run stopped during the analysis copies nothing.
    if (sync && !run.WasCancelled()) {
        if (!run.Sync(job)) {
            CancelSignal::Release();
            report->Refused(job, run.SyncRefusalText());
            report->Close(nullptr);
            return ExitCode::Refused;
        }
        report->Synced(run);
    }
    CancelSignal::Release();
    report->Close(&run);
    return RunOutcome(run);
}

// One line per job: position, name, direction, left and right folder.
int ListJobs(bool json)
{
    QTextStream out(stdout);
    if (json)
        out << "{\n  \"jobs\": [";
    struct Line
    {
        QString Position, Name, Direction, Left, Right;
    };
    std::vector<Line> lines;
    bool first = true;
    for (int i = 0; i < SyncTaskList->Count(); ++i) {
        const TSyncTask& job = *SyncTaskList->TaskByIndex(i);
        if (job.ListState == JobListState::Deleted)
            continue;
        if (json) {
            out << (first ? "\n    " : ",\n    ") << "{\"position\": " << i
                << ", \"name\": " << JsonText::Quote(job.SyncName)
                << ", \"direction\": " << job.SyncDirection
                << ", \"left\": " << JsonText::Quote(job.LFolder.FolerAllName)
                << ", \"right\": " << JsonText::Quote(job.RFolder.FolerAllName) << '}';
            first = false;
            continue;
        }
        lines.push_back(Line{QString::number(i), job.SyncName,
                             CliJobList::DirectionText(job.SyncDirection), job.LFolder.FolerAllName,
                             job.RFolder.FolerAllName});
    }
    if (json) {
        out << (first ? "]\n}\n" : "\n  ]\n}\n");
        return ExitCode::Done;
    }
    qsizetype widths[4] = {0, 0, 0, 0};
    for (const Line& line : lines) {
        widths[0] = qMax(widths[0], line.Position.size());
        widths[1] = qMax(widths[1], line.Name.size());
        widths[2] = qMax(widths[2], line.Direction.size());
        widths[3] = qMax(widths[3], line.Left.size());
    }
    for (const Line& line : lines) {
        out << line.Position.rightJustified(widths[0]) << "  " << line.Name.leftJustified(widths[1])
            << "  " << line.Direction.leftJustified(widths[2]) << "  "
            << line.Left.leftJustified(widths[3]) << "  " << line.Right << '\n';
    }
    return ExitCode::Done;
}

int RunCommand(const QStringList& arguments)
{
    TCliOptions options;
    if (!options.Parse(arguments))
        return UsageError(options.Error);
    switch (options.Action) {
    case TCliOptions::Command::Help:
        QTextStream(stdout) << TCliOptions::UsageText();
        return ExitCode::Done;
    case TCliOptions::Command::Version:
        QTextStream(stdout) << "brenvale-cli " << BRENVALE_VERSION << '\n';
        return ExitCode::Done;
    case TCliOptions::Command::Jobs:
    case TCliOptions::Command::Analyze:
    case TCliOptions::Command::Sync:
    case TCliOptions::Command::Watch:
        break;
    }
    if (options.OneOff) {
        const std::unique_ptr<TSyncTask> job = options.MakeOneOffJob();
        return RunJob(options, *job);
    }

    QString error;
    QString warning;
    const bool loaded = CliJobList::Load(options.TaskListPath, error, warning);
    if (!warning.isEmpty())
        QTextStream(stderr) << "brenvale-cli: " << warning << '\n';
    if (!loaded)
        return UsageError(error);
    if (options.Action == TCliOptions::Command::Jobs)
        return ListJobs(options.Json);
    TSyncTask* job = CliJobList::Find(options.Job, error);
    if (job == nullptr)
        return UsageError(error);
    return RunJob(options, *job);
}

} // namespace

QString RefusalText(const TRunDriver& run)
{
    if (run.Refusal == TRunDriver::InUse)
        return run.BusyText();
    if (run.Refusal != FolderValidation::Valid)
        return FolderValidation::ValidationText(run.Refusal);
    return RunLogText::ConnectFailed(run.ConnectResult);
}

int RunOutcome(const TRunDriver& run)
{
    if (run.WasCancelled())
        return ExitCode::Interrupted;
    if (run.SyncErrorCount > 0 || !run.UnreadableFolders.isEmpty() || !run.BadNames.isEmpty() ||
        !run.FolderLinks.isEmpty())
        return ExitCode::Failures;
    // Conflicts that no side won were not copied: the folders are not in step.
    if (run.Synced && run.ConflictsLeft() > 0)
        return ExitCode::Failures;
    return ExitCode::Done;
}

int RunCli(const QStringList& arguments)
{
    const int code = RunCommand(arguments);
    // Output that could not be written (a full disk, a file system gone) is a
    // report lost: it is told, and the command does not end as done.
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return code;
    // The reason is known when the last write failed, not when an earlier one did.
    QTextStream(stderr) << "brenvale-cli: cannot write standard output"
                        << (errno != 0 ? QStringLiteral(": ") +
                                             QString::fromLocal8Bit(std::strerror(errno))
                                       : QString())
                        << '\n';
    return code == ExitCode::Done ? ExitCode::Failures : code;
}
