// Shows the main window over the job list of the data folder, analyses the first
// job, and writes the window restored and maximised as main-window.png and
// main-window-maximised.png into the folder given as the first argument. Jobs
// given as NAME=LEFT:RIGHT after it are written to the data folder's task list
// first. Run it on a display, for example:
//
//     BRENVALE_HOME=/tmp/demo xvfb-run -a -s "-screen 0 1280x800x24"
//         build/tests/ui/shell/mainwindow_screenshots docs/screenshots
//         Photos=/tmp/demo/photos:/tmp/demo/backup Mail=/tmp/demo/mail:/tmp/demo/mail-copy
//
// (one command line).

#include "Screenshots.h"
#include "common/DataFolder.h"
#include "jobs/TaskListFile.h"
#include "jobs/UTSyncTask.h"
#include "ui/page/UQuillonMain.h"
#include "ui/shell/UQuillonFom.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2) {
        QTextStream(stderr) << "usage: mainwindow_screenshots FOLDER [NAME=LEFT:RIGHT]...\n";
        return 2;
    }
    if (arguments.size() > 2) {
        TSyncTaskList jobs;
        for (const QString& job : arguments.mid(2)) {
            const QStringList sides = job.section(QLatin1Char('='), 1).split(QLatin1Char(':'));
            jobs.AddToList(
                NewLocalJob(job.section(QLatin1Char('='), 0, 0), sides.value(0), sides.value(1)));
        }
        if (!SaveTaskList(jobs, DataFolder::TaskListPath()))
            return 1;
    }
    CreateTaskList();
    (void)LoadTaskList(DataFolder::TaskListPath());

    auto window = std::make_unique<TQuillonFom>();
    window->show();
    if (!window->JobTabs.isEmpty()) {
        TQuillonMain* page = window->JobTabs.first().Page;
        page->BitBtn_AnalyzeClick();
        while (page->IsRunning())
            Settle(50);
    }
    bool saved =
        SaveScreenshot(window.get(), arguments.at(1), QStringLiteral("main-window.png"), 500);
    window->BigBtnClick();
    saved = SaveScreenshot(window.get(), arguments.at(1),
                           QStringLiteral("main-window-maximised.png"), 500) &&
            saved;
    // The window writes the job list as it goes, as at every exit.
    window.reset();
    return saved ? 0 : 1;
}
