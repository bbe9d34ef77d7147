#include "cli/CliOptions.h"

#include "jobs/UTSyncTask.h"

#include <QCommandLineParser>
#include <QDir>

namespace {

struct OptionNames
{
    static inline const QString TaskList = QStringLiteral("tasklist");
    static inline const QString Json = QStringLiteral("json");
    static inline const QString All = QStringLiteral("all");
    static inline const QString Left = QStringLiteral("left");
    static inline const QString Right = QStringLiteral("right");
    static inline const QString Direction = QStringLiteral("direction");
    static inline const QString SaveOld = QStringLiteral("save-old");
    static inline const QString DecideByLastSync = QStringLiteral("decide-by-last-sync");
    static inline const QString PropagateDeletions = QStringLiteral("propagate-deletions");
    static inline const QString Quiet = QStringLiteral("quiet");
    static inline const QString Verify = QStringLiteral("verify");
    static inline const QString Include = QStringLiteral("include");
    static inline const QString Exclude = QStringLiteral("exclude");
    static inline const QString ExcludeHidden = QStringLiteral("exclude-hidden");
    static inline const QString ExcludeSystem = QStringLiteral("exclude-system");
    static inline const QString Help = QStringLiteral("help");
    static inline const QString Version = QStringLiteral("version");
};

void AddOptions(QCommandLineParser& parser)
{
    using O = OptionNames;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions({
        {O::TaskList, QString(), QStringLiteral("FILE")},
        {O::Json, QString()},
        {O::All, QString()},
        {O::Left, QString(), QStringLiteral("DIR")},
        {O::Right, QString(), QStringLiteral("DIR")},
        {O::Direction, QString(), QStringLiteral("0|1|2")},
        {O::SaveOld, QString()},
        {O::DecideByLastSync, QString()},
        {O::PropagateDeletions, QString()},
        {O::Quiet, QString(), QStringLiteral("SECONDS")},
        {O::Verify, QString()},
        {O::Include, QString(), QStringLiteral("TEXT")},
        {O::Exclude, QString(), QStringLiteral("TEXT")},
        {O::ExcludeHidden, QString()},
        {O::ExcludeSystem, QString()},
        {{QStringLiteral("h"), O::Help}, QString()},
        {O::Version, QString()},
    });
}

// The options that describe a one-off job, which only analyze and sync take.
const QStringList& OneOffOptions()
{
    using O = OptionNames;
    static const QStringList names{O::Left,
                                   O::Right,
                                   O::Direction,
                                   O::SaveOld,
                                   O::DecideByLastSync,
                                   O::PropagateDeletions,
                                   O::Quiet,
                                   O::Include,
                                   O::Exclude,
                                   O::ExcludeHidden,
                                   O::ExcludeSystem};
    return names;
}

QString SingleValue(const QCommandLineParser& parser, const QString& name, QString& error)
{
    const QStringList values = parser.values(name);
    if (values.size() > 1)
        error = QStringLiteral("--%1 is given more than once").arg(name);
    return values.isEmpty() ? QString() : values.last();
}

} // namespace

bool TCliOptions::Parse(const QStringList& arguments)
{
    using O = OptionNames;
    QCommandLineParser parser;
    AddOptions(parser);
    if (!parser.parse(QStringList{QStringLiteral("brenvale-cli")} + arguments)) {
        Error = parser.errorText();
        return false;
    }
    if (parser.isSet(O::Help)) {
        Action = Command::Help;
        return true;
    }
    if (parser.isSet(O::Version)) {
        Action = Command::Version;
        return true;
    }

    QStringList positional = parser.positionalArguments();
    if (!ParseCommand(positional))
        return false;
    TaskListPath = SingleValue(parser, O::TaskList, Error);
    Json = parser.isSet(O::Json);
    All = parser.isSet(O::All);
    Verify = parser.isSet(O::Verify);
    if (!Error.isEmpty())
        return false;

    if (Action == Command::Jobs)
        return ParseJobsCommand(parser, positional);
    if (Action == Command::Watch && (Json || All)) {
        Error = QStringLiteral("watch takes neither --json nor --all");
        return false;
    }
    OneOff = parser.isSet(O::Left) || parser.isSet(O::Right);
    return OneOff ? ParseOneOffJob(parser, positional) : ParseNamedJob(parser, positional);
}

// Takes the command off the front of the positional arguments.
bool TCliOptions::ParseCommand(QStringList& positional)
{
    if (positional.isEmpty()) {
        Error = QStringLiteral("no command given (jobs, analyze, sync or watch)");
        return false;
    }
    const QString command = positional.takeFirst();
    if (command == QLatin1String("jobs")) {
        Action = Command::Jobs;
    } else if (command == QLatin1String("analyze")) {
        Action = Command::Analyze;
    } else if (command == QLatin1String("sync")) {
        Action = Command::Sync;
    } else if (command == QLatin1String("watch")) {
        Action = Command::Watch;
    } else {
        Error = QStringLiteral("unknown command \"%1\"").arg(command);
        return false;
    }
    return true;
}

bool TCliOptions::ParseJobsCommand(const QCommandLineParser& parser, const QStringList& positional)
{
    if (!positional.isEmpty()) {
        Error = QStringLiteral("jobs takes no job");
        return false;
    }
    for (const QString& name :
         OneOffOptions() + QStringList{OptionNames::All, OptionNames::Verify}) {
        if (parser.isSet(name)) {
            Error = QStringLiteral("jobs does not take --%1").arg(name);
            return false;
        }
    }
    return true;
}

// A job of the task list, by its name.
bool TCliOptions::ParseNamedJob(const QCommandLineParser& parser, const QStringList& positional)
{
    for (const QString& name : OneOffOptions()) {
        if (parser.isSet(name)) {
            Error = QStringLiteral("--%1 needs --left and --right").arg(name);
            return false;
        }
    }
    if (positional.size() != 1) {
        Error = positional.isEmpty() ? QStringLiteral("no job given")
                                     : QStringLiteral("more than one job given");
        return false;
    }
    Job = positional.first();
    return true;
}

// A job made of --left, --right and the options after them.
bool TCliOptions::ParseOneOffJob(const QCommandLineParser& parser, const QStringList& positional)
{
    using O = OptionNames;
    if (!positional.isEmpty()) {
        Error = QStringLiteral("give either a job or --left and --right, not both");
        return false;
    }
    if (!parser.isSet(O::Left) || !parser.isSet(O::Right)) {
        Error = QStringLiteral("a one-off job needs both --left and --right");
        return false;
    }
    if (!TaskListPath.isEmpty()) {
        Error = QStringLiteral("a one-off job reads no task list");
        return false;
    }
    LeftFolder = SingleValue(parser, O::Left, Error);
    RightFolder = SingleValue(parser, O::Right, Error);
    const QString direction = SingleValue(parser, O::Direction, Error);
    const QString quiet = SingleValue(parser, O::Quiet, Error);
    if (!Error.isEmpty())
        return false;
    if (!quiet.isEmpty()) {
        bool ok = false;
        QuietSeconds = quiet.toInt(&ok);
        if (!ok || QuietSeconds < 1 || QuietSeconds > 3600) {
            Error = QStringLiteral("--quiet takes 1 to 3600 seconds");
            return false;
        }
    }
    if (!direction.isEmpty()) {
        if (direction != QLatin1String("0") && direction != QLatin1String("1") &&
            direction != QLatin1String("2")) {
            Error = QStringLiteral("--direction takes 0, 1 or 2");
            return false;
        }
        Direction = direction.toInt();
    }
    SaveOld = parser.isSet(O::SaveOld);
    DecideByLastSync = parser.isSet(O::DecideByLastSync);
    PropagateDeletions = parser.isSet(O::PropagateDeletions);
    Include = parser.values(O::Include);
    Exclude = parser.values(O::Exclude);
    ExcludeHidden = parser.isSet(O::ExcludeHidden);
    ExcludeSystem = parser.isSet(O::ExcludeSystem);
    return true;
}

std::unique_ptr<TSyncTask> TCliOptions::MakeOneOffJob() const
{
    // An empty path stays empty so that the folder check refuses it; a path of
    // blanks too.
    const auto absolute = [](const QString& path) {
        return TrimBlanksAndControls(path).isEmpty() ? path
                                                     : QDir::current().absoluteFilePath(path);
    };
    auto job =
        NewLocalJob(QStringLiteral("One-off job"), absolute(LeftFolder), absolute(RightFolder));
    job->SyncDirection = Direction;
    job->SaveOldFile = SaveOld ? 1 : 0;
    job->Conflicts = DecideByLastSync ? 1 : 0;
    job->IsDeleteFile = PropagateDeletions ? 1 : 0;
    job->WatchQuietSeconds = QuietSeconds;
    job->IncludeFilterr = Include;
    job->ExcludeFilterr = Exclude;
    job->ExcludeHiddenFile = ExcludeHidden ? 1 : 0;
    job->ExcludeSystemFile = ExcludeSystem ? 1 : 0;
    return job;
}

QString TCliOptions::UsageText()
{
    return QStringLiteral(
        "Usage:\n"
        "  brenvale-cli [--tasklist FILE] jobs [--json]\n"
        "  brenvale-cli [--tasklist FILE] analyze JOB [--all] [--json]\n"
        "  brenvale-cli [--tasklist FILE] sync JOB [--all] [--json]\n"
        "  brenvale-cli analyze|sync --left DIR --right DIR [one-off options] [--all] [--json]\n"
        "  brenvale-cli [--tasklist FILE] watch JOB\n"
        "  brenvale-cli watch --left DIR --right DIR [one-off options]\n"
        "\n"
        "JOB is a job's position in the task list (0, 1, ...) or its exact name (put --\n"
        "before a name that starts with a dash).\n"
        "The task list is tasklist.qn in the data folder unless --tasklist names one;\n"
        "it is only read, never written.\n"
        "\n"
        "analyze  compares the two folders and lists the changes (--all: every file)\n"
        "sync     does the same analysis, then copies every listed file in its direction\n"
        "jobs     lists the jobs: position, name, direction, left and right folder\n"
        "watch    syncs at once, then whenever files change (after the job's seconds of\n"
        "         quiet) or a folder comes back, one line per run, until Ctrl+C or\n"
        "         SIGTERM; conflicts are left for you\n"
        "\n"
        "One-off job options (a new job: both ways, no filters, unless changed):\n"
        "  --direction 0|1|2   0 both ways, 1 right to left only, 2 left to right only\n"
        "  --save-old          keep overwritten versions in __Save__\n"
        "  --decide-by-last-sync  a side that alone changed since the last sync wins;\n"
        "                      files changed on both sides are left for you to decide\n"
        "  --propagate-deletions  a file deleted on one side since the last sync goes\n"
        "                      into __Save__ on the other instead of coming back\n"
        "  --quiet SECONDS     watch: the quiet after a change before a run (default 5)\n"
        "  --include TEXT      only files that TEXT matches (repeatable)\n"
        "  --exclude TEXT      leave out files that TEXT matches (repeatable)\n"
        "  --exclude-hidden    leave out hidden files and folders\n"
        "  --exclude-system    leave out system files and folders\n"
        "  TEXT is a piece of the file name (.txt), a whole name with * and ? (*.txt),\n"
        "  or a path below the folder that starts with / (/docs/old: all files in it).\n"
        "\n"
        "  --json              one JSON document on standard output instead of text\n"
        "  --verify            read every copy back from the disk and compare it with its\n"
        "                      source before it replaces the target (any job)\n"
        "\n"
        "A file changed on both sides since the last sync is a conflict: it is listed,\n"
        "and the version a copy overwrites is always kept in __Save__.\n"
        "\n"
        "Exit status: 0 done; 1 some files or folders could not be read or copied,\n"
        "or a sync left conflicts for you to decide, or the output could not be\n"
        "written; 2 bad usage, unknown job or unreadable task list; 3 folders refused\n"
        "or not reachable; 130 stopped by Ctrl+C.\n");
}
