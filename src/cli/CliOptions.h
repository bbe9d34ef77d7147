#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <memory>

class QCommandLineParser;
class TSyncTask;

// What the command line of brenvale-cli asks for.
class TCliOptions
{
public:
    enum class Command
    {
        Help,
        Version,
        Jobs,
        Analyze,
        Sync,
        Watch
    };

    // Reads the arguments (without the program name). False with a one-line
    // reason in Error when they do not make a valid command.
    bool Parse(const QStringList& arguments);

    // The one-off job that --left and --right describe: a new job as the job
    // editor makes it (both sides local folders, both ways, no filters), changed
    // by the options. The folders are made absolute.
    std::unique_ptr<TSyncTask> MakeOneOffJob() const;

    static QString UsageText();

    Command Action = Command::Help;
    QString TaskListPath;
    QString Job;
    bool Json = false;
    bool All = false;
    // Copies are read back and compared (the job's Verified, for this run).
    bool Verify = false;

    // One-off job.
    bool OneOff = false;
    QString LeftFolder;
    QString RightFolder;
    qint32 Direction = 0;
    bool SaveOld = false;
    bool DecideByLastSync = false;
    bool PropagateDeletions = false;
    qint32 QuietSeconds = 5;
    QStringList Include;
    QStringList Exclude;
    bool ExcludeHidden = false;
    bool ExcludeSystem = false;

    QString Error;

private:
    bool ParseCommand(QStringList& positional);
    bool ParseJobsCommand(const QCommandLineParser& parser, const QStringList& positional);
    bool ParseNamedJob(const QCommandLineParser& parser, const QStringList& positional);
    bool ParseOneOffJob(const QCommandLineParser& parser, const QStringList& positional);
};
