// Shows a comparison page after the analysis of a tree that has every state
// (left only, right only, left newer, right newer, the same, a kept version, an
// unreadable name), during a sync of it, and after edits since that sync (a
// conflict, a deletion), and then a large tree right after its analysis,
// while its rows are still being expanded a slice at a time; writes the four
// as PNG files into the folder given as the first argument. Run it on a display, for example:
//
//     xvfb-run -a -s "-screen 0 1280x800x24" build/tests/ui/page/page_screenshots docs/screenshots

#include "Screenshots.h"
#include "TreeBuilder.h"
#include "jobs/UTSyncTask.h"
#include "run/RunDriver.h"
#include "ui/page/UQuillonMain.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressBar>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

void MakeTrees(const QString& left, const QString& right)
{
    TreeBuilder l(left), r(right);
    const QDateTime old = LocalTime(2024, 3, 1, 9, 30);
    const QDateTime newer = LocalTime(2024, 6, 12, 17, 45, 10);
    l.file(QStringLiteral("Holiday/beach.jpg"), QByteArray(812301, 'j'), newer);
    l.file(QStringLiteral("Holiday/notes.txt"), QByteArray(1204, 't'), newer);
    r.file(QStringLiteral("Holiday/notes.txt"), QByteArray(1180, 't'), old);
    r.file(QStringLiteral("Holiday/map.pdf"), QByteArray(220512, 'p'), old);
    l.file(QStringLiteral("Work/report.odt"), QByteArray(48213, 'o'), old);
    r.file(QStringLiteral("Work/report.odt"), QByteArray(49102, 'o'), newer);
    l.file(QStringLiteral("Work/budget.ods"), QByteArray(17000, 's'), old);
    r.file(QStringLiteral("Work/budget.ods"), QByteArray(17000, 's'), old);
    l.file(QStringLiteral("list.txt"), QByteArray(4096, 'l'), LocalTime(2024, 1, 2));
    r.file(QStringLiteral("list.txt"), QByteArray(4120, 'l'), LocalTime(2024, 1, 7, 8, 15));
    l.file(QStringLiteral("empty.log"), QByteArray(), old);
    for (int i = 0; i < 120; ++i)
        l.file(QStringLiteral("Music/track%1.ogg").arg(i, 3, 10, QLatin1Char('0')),
               QByteArray(4 << 20, 'm'), old);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        QTextStream(stderr) << "usage: page_screenshots FOLDER\n";
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir home, left, right;
    qputenv("BRENVALE_HOME", home.path().toUtf8());
    MakeTrees(left.path(), right.path());
    CreateTaskList();
    SyncTaskList->AddToList(
        NewLocalJob(QStringLiteral("Photos and work"), left.path(), right.path()));

    TQuillonMain page;
    page.resize(1004, 660);
    page.BindToJob(0);
    page.FormShow();
    page.show();
    Settle(300);
    page.BitBtn_AnalyzeClick();
    while (page.IsRunning())
        Settle(50);
    page.rb_all->click();
    Settle(300);
    bool ok = SaveScreenshot(&page, folder, QStringLiteral("page-analysed.png"), 0);

    page.rb_changed->click();
    Settle(100);
    // Many files of 4 MB keep the sync on show long enough to be caught in the
    // middle, once a third of them are copied.
    page.BitBtn_SyncClick();
    while (page.IsRunning() && page.pb_action->value() < page.pb_action->maximum() / 3)
        Settle(5);
    Settle(60);
    ok = SaveScreenshot(&page, folder, QStringLiteral("page-syncing.png"), 0) && ok;
    while (page.IsRunning())
        Settle(50);

    // Since that sync: the report edited on both sides, the photo deleted on
    // the left, and the job deciding by the last sync.
    TreeBuilder l(left.path()), r(right.path());
    l.file(QStringLiteral("Work/report.odt"), QByteArray(48400, 'o'), LocalTime(2024, 7, 1, 10));
    r.file(QStringLiteral("Work/report.odt"), QByteArray(49300, 'o'), LocalTime(2024, 7, 1, 16));
    QFile::remove(l.path(QStringLiteral("Holiday/beach.jpg")));
    SyncTaskList->TaskByIndex(0)->Conflicts = 1;
    page.BitBtn_AnalyzeClick();
    while (page.IsRunning())
        Settle(50);
    Settle(300);
    ok = SaveScreenshot(&page, folder, QStringLiteral("page-last-sync.png"), 0) && ok;

    // A large tree: the rows at the top are expanded first, the rest a slice
    // at a time while the window goes on answering.
    TreeBuilder wide(left.path());
    for (int i = 0; i < 6000; ++i)
        wide.file(QStringLiteral("Archive/box%1/item%2.dat")
                      .arg(i / 50, 3, 10, QLatin1Char('0'))
                      .arg(i, 4, 10, QLatin1Char('0')),
                  QByteArray(100 + i % 900, 'a'), LocalTime(2024, 8, 2, 11));
    page.ExpandLaterFrom = 1;
    page.rb_all->click();
    page.BitBtn_AnalyzeClick();
    while (page.IsRunning())
        Settle(5);
    Settle(40);
    ok = SaveScreenshot(&page, folder, QStringLiteral("page-large-tree.png"), 0) && ok;
    return ok ? 0 : 1;
}
