#include "jobs/DataFolder.h"
#include "jobs/TaskListFile.h"
#include "jobs/UTSyncTask.h"
#include "common/PublicFunctionUnit.h"
#include "ui/shell/StartUnit.h"

#include <QApplication>
#include <QTextStream>

#include <memory>

// Start-up: settings, the job list from "tasklist.qn", then the main window.
// Command-line arguments (a scheduled start passes "-Scan") change nothing.
int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brenvale"));
    QApplication::setApplicationDisplayName(QStringLiteral("Brenvale"));
    LoadRegistrySettings();
    auto splash = std::make_unique<TStartForm>();
    splash->ShowNow();
    CreateTaskList();
    const TTaskListLoad load = LoadTaskList(DataFolder::TaskListPath());
    splash.reset();

    QTextStream out(stdout);
    out << "Brenvale " << BuiltInVersion << ": read " << SyncTaskList->Count() << " job(s) from "
        << DataFolder::TaskListPath();
    if (load.Result == TTaskListLoad::Outcome::Unparsable)
        out << " (the file cannot be read: " << load.Error << ")";
    out << ".\nThe main window is not built yet: this build runs the start-up sequence only.\n"
           "Use brenvale-cli to analyse and synchronise jobs.\n";
    return 0;
}
