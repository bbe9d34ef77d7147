// Shows the job editor on a filled-in job and writes its three pages as PNG files
// into the folder given as the first argument. Run it on a display, for example:
//
//     xvfb-run -a -s "-screen 0 1280x800x24" build/tests/ui/editor/editor_screenshots
//     docs/screenshots

#include "Screenshots.h"
#include "jobs/UTSyncTask.h"
#include "ui/editor/UCreatTaskForm.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();

    CreateTaskList();
    auto job = NewLocalJob(QStringLiteral("Photos"), QStringLiteral("/home/ann/Pictures"),
                           QStringLiteral("/media/backup/Pictures"));
    job->SyncDirection = 2;
    job->SaveOldFile = 1;
    job->ExcludeFilterr = {QStringLiteral("*.tmp"), QStringLiteral("/cache")};
    job->ExcFileSizeMin = 3000LL * 1048576;
    job->IncFileSizeMax = 512 * 1024;
    job->ExcFileTimeMax = (27 << 25) | (3 << 21) | (15 << 16) | (14 << 11) | (30 << 5);
    job->ExcludeHiddenFile = 1;
    job->StartAnalyze = 1;
    job->PeriodSync = 1;
    job->PeriodAnalyze = 1;
    job->Hours = 6;
    job->minutes = 30;
    SyncTaskList->AppendLoaded(std::move(job));

    TCreatTaskForm form;
    form.TaskIndex = 0;
    form.show();
    bool written = true;
    const char* names[] = {"editor-general.png", "editor-filter.png", "editor-scheduling.png"};
    for (int page = 0; page < 3; ++page) {
        form.ShowPage(page);
        Settle(300);
        const QString path = QDir(folder).filePath(QString::fromLatin1(names[page]));
        if (!form.grab().save(path, "PNG")) {
            QTextStream(stderr) << "cannot write " << path << '\n';
            written = false;
            continue;
        }
        QTextStream(stdout) << path << '\n';
    }
    return written ? 0 : 1;
}
