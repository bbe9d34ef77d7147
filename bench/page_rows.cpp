// Benchmark of the comparison page's result tree: builds file rows in folders of
// 100 below a root row, shows them in the model and the tree view, expands them
// all and draws the tree, with the time taken and the memory per row. Each size
// runs in a process of its own, so that its peak memory is its own.
//
//   brenvale-page-bench                 100,000 and 1,000,000 file rows
//   brenvale-page-bench --rows N [...]  the given sizes
//   brenvale-page-bench --runs LEFT RIGHT
//       a page bound to a job of the two folders analyses and syncs them; prints
//       the longest time its event loop went without turning during each run
//       (the longest the window leaves input unanswered). The data folder is a
//       temporary one; RIGHT receives the copies. BRENVALE_BENCH_WAITS=1 also
//       lists every wait over 50 ms, to find where they come from.
#include "BenchOutput.h"
#include "engine/UResultRow.h"
#include "jobs/UTSyncTask.h"
#include "ui/page/PageImages.h"
#include "ui/page/ResultTreeModel.h"
#include "ui/page/ResultTreeView.h"
#include "ui/page/UQuillonMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

namespace {

constexpr int FilesPerFolder = 100;

double Seconds(QElapsedTimer& timer)
{
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    timer.restart();
    return seconds;
}

// The names of the items of the comparison tree, which an analysis holds
// before any row is built and which the rows share.
struct TNames
{
    explicit TNames(int files)
    {
        Files.reserve(files);
        for (int i = 0; i < files; ++i)
            Files.append(QStringLiteral("file-%1.dat").arg(i, 7, 10, QLatin1Char('0')));
        for (int i = 0; i < files; i += FilesPerFolder)
            Folders.append(
                QStringLiteral("folder-%1").arg(i / FilesPerFolder, 5, 10, QLatin1Char('0')));
    }
    QStringList Files;
    QStringList Folders;
};

// Rows as an analysis of two trees makes them: folders of files in every state,
// with times and sizes.
std::unique_ptr<TResultRow> BuildRows(const TNames& names)
{
    auto root = MakeRootRow(QStringLiteral("Bench"));
    const int files = int(names.Files.size());
    TResultRow* folder = nullptr;
    for (int i = 0; i < files; ++i) {
        if (i % FilesPerFolder == 0) {
            if (folder != nullptr)
                folder->FitChildren();
            folder = root->AddChild();
            folder->Kind = ItemKind::Folder;
            folder->Name = names.Folders[i / FilesPerFolder];
            folder->ItemImage = RowImage::Folder;
            folder->LeftImage = RowImage::FolderLeft;
            folder->RightImage = RowImage::FolderRight;
            folder->DirectImage = RowImage::CanMove;
            folder->SetCounts(FilesPerFolder / 2, FilesPerFolder / 2);
        }
        TResultRow* row = folder->AddChild();
        row->Name = names.Files[i];
        row->ItemImage = RowImage::Document;
        // The four states of a change in turn.
        row->State = qint8(CompareState::LeftOnly + i % 4);
        row->OnLeft = row->State != CompareState::RightOnly;
        row->OnRight = row->State != CompareState::LeftOnly;
        // 2024-03-05 and 2024-03-04, with the minutes and seconds of the file.
        const qint32 clock = (i % 30) | ((i / 30 % 60) << 5);
        row->LeftTime = 0x58650000 | clock;
        row->RightTime = 0x58640000 | clock;
        row->LeftSize = 1000 + i;
        row->RightSize = 2000 + i;
        row->DirectImage = RowImage::CanMove;
        ApplyStateDefaults(*row);
    }
    if (folder != nullptr)
        folder->FitChildren();
    root->FitChildren();
    root->SetCounts(files / 2, files / 2);
    return root;
}

int RunSize(int files)
{
    TPageImages images;
    TResultTreeModel model(images);
    TResultTreeView view;
    view.setModel(&model);
    view.resize(1200, 800);
    view.show();
    QApplication::processEvents();
    const TNames names(files);
    const long baseKiB = PeakRssKiB();

    QElapsedTimer timer;
    timer.start();
    QElapsedTimer total;
    total.start();
    std::unique_ptr<TResultRow> root = BuildRows(names);
    const double build = Seconds(timer);
    const long rowsKiB = PeakRssKiB();
    model.SetRoot(root.get());
    const double set = Seconds(timer);
    view.ExpandAll();
    const double expand = Seconds(timer);
    view.viewport()->repaint();
    const double paint = Seconds(timer);
    const double shown = double(total.nsecsElapsed()) / 1e9;
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    view.viewport()->repaint();
    const double scroll = Seconds(timer);
    const long peakKiB = PeakRssKiB();
    // The view scrolls by rows: its range is the number of rows laid out.
    const int laidOut = view.verticalScrollBar()->maximum() + view.verticalScrollBar()->pageStep();

    // The page's way for large trees: the same rows shown anew and expanded a
    // slice at a time, each turn of the event loop painting what it laid out.
    model.SetRoot(root.get());
    view.ExpandInSlices();
    double longestTurn = 0;
    while (view.IsExpanding()) {
        QElapsedTimer turn;
        turn.start();
        QApplication::processEvents();
        longestTurn = std::max(longestTurn, double(turn.nsecsElapsed()) / 1e6);
    }
    const double sliced = Seconds(timer);

    const qint64 rows = qint64(files) + (files + FilesPerFolder - 1) / FilesPerFolder + 1;
    model.SetRoot(nullptr);
    root.reset();
    const double clear = Seconds(timer);

    Out() << QStringLiteral("%1 file rows (%2 rows): build %3 s, set %4 s, expand %5 s, "
                            "first paint %6 s; shown after %7 s\n")
                 .arg(files)
                 .arg(rows)
                 .arg(build, 0, 'f', 3)
                 .arg(set, 0, 'f', 3)
                 .arg(expand, 0, 'f', 3)
                 .arg(paint, 0, 'f', 3)
                 .arg(shown, 0, 'f', 3);
    const auto perRow = [&](long kib) { return double(kib) * 1024.0 / double(rows); };
    Out() << QStringLiteral("  %1 rows laid out; scroll to the end and paint %2 s, clear %3 s\n")
                 .arg(laidOut)
                 .arg(scroll, 0, 'f', 3)
                 .arg(clear, 0, 'f', 3);
    Out() << QStringLiteral("  expanded a slice at a time in %1 s, the longest turn of the "
                            "event loop %2 ms (target <= 100)\n")
                 .arg(sliced, 0, 'f', 3)
                 .arg(longestTurn, 0, 'f', 1);
    Out() << QStringLiteral("  peak memory %1 MiB more: %2 bytes per row, of which the rows "
                            "%3 and the view %4\n")
                 .arg(double(peakKiB - baseKiB) / 1024.0, 0, 'f', 1)
                 .arg(perRow(peakKiB - baseKiB), 0, 'f', 0)
                 .arg(perRow(rowsKiB - baseKiB), 0, 'f', 0)
                 .arg(perRow(peakKiB - rowsKiB), 0, 'f', 0);
    Out().flush();
    return 0;
}

// The file-type pictures of the rows of one build: a known type is looked up in
// the list, a type without an icon in the icon theme every time.
void FileTypeLookups()
{
    constexpr int Calls = 20000;
    TPageImages images;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Calls; ++i)
        images.FileTypeImage(QStringLiteral("file.no-such-type"));
    const double missing = Seconds(timer);
    const bool themed = images.FileTypeImage(QStringLiteral("notes.txt")) != RowImage::Document;
    timer.restart();
    for (int i = 0; i < Calls; ++i)
        images.FileTypeImage(QStringLiteral("notes.txt"));
    const double text = Seconds(timer);
    Out() << QStringLiteral("file-type picture: %1 us a file of a type without an icon, "
                            "%2 us a file of %3 type\n")
                 .arg(missing * 1e6 / Calls, 0, 'f', 2)
                 .arg(text * 1e6 / Calls, 0, 'f', 2)
                 .arg(themed ? QStringLiteral("a known") : QStringLiteral("another iconless"));
    Out().flush();
}

// The longest wait between two turns of the event loop, seen by a timer that
// asks to run every millisecond.
class TLoopGaps
{
public:
    TLoopGaps()
    {
        Ticks.setInterval(1);
        QObject::connect(&Ticks, &QTimer::timeout, [this] {
            Longest = std::max(Longest, Clock.nsecsElapsed());
            if (ShowWaits && Clock.nsecsElapsed() > 50000000)
                Out() << QStringLiteral("  a wait of %1 ms, %2 ms into the run\n")
                             .arg(Clock.nsecsElapsed() / 1000000)
                             .arg(Since.elapsed());
            Clock.restart();
        });
    }
    void Start()
    {
        Longest = 0;
        Since.start();
        Clock.start();
        Ticks.start();
    }
    double LongestMs()
    {
        Ticks.stop();
        return double(std::max(Longest, Clock.nsecsElapsed())) / 1e6;
    }

private:
    QTimer Ticks;
    QElapsedTimer Clock;
    QElapsedTimer Since;
    qint64 Longest = 0;
    const bool ShowWaits = qEnvironmentVariableIsSet("BRENVALE_BENCH_WAITS");
};

double RunAndWatch(TQuillonMain& page, TLoopGaps& gaps, void (TQuillonMain::*click)(),
                   double& seconds)
{
    QElapsedTimer timer;
    timer.start();
    gaps.Start();
    (page.*click)();
    while (page.IsRunning())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    // The rows shown after the run are part of it.
    QApplication::processEvents();
    seconds = double(timer.nsecsElapsed()) / 1e9;
    return gaps.LongestMs();
}

int RunPage(const QString& left, const QString& right)
{
    QTemporaryDir home;
    qputenv("BRENVALE_HOME", QFile::encodeName(home.path()));
    CreateTaskList();
    SyncTaskList->AddToList(NewLocalJob(QStringLiteral("Bench"), left, right));
    TQuillonMain page;
    page.resize(1000, 700);
    page.BindToJob(0);
    page.FormShow();
    page.show();
    QApplication::processEvents();
    TLoopGaps gaps;
    double analysis = 0;
    const double analysisGap =
        RunAndWatch(page, gaps, &TQuillonMain::BitBtn_AnalyzeClick, analysis);
    const qint64 rows = page.Runs().RowsToCopy();
    double sync = 0;
    const double syncGap = RunAndWatch(page, gaps, &TQuillonMain::BitBtn_SyncClick, sync);
    Out() << QStringLiteral("page runs: analysis %1 s (%2 files to copy), longest wait of the "
                            "event loop %3 ms; sync %4 s, longest wait %5 ms\n")
                 .arg(analysis, 0, 'f', 2)
                 .arg(rows)
                 .arg(analysisGap, 0, 'f', 1)
                 .arg(sync, 0, 'f', 2)
                 .arg(syncGap, 0, 'f', 1);
    Out().flush();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList arguments = QApplication::arguments().mid(1);
    if (arguments.size() == 2 && arguments[0] == QStringLiteral("--one"))
        return RunSize(arguments[1].toInt());
    if (arguments.size() == 3 && arguments[0] == QStringLiteral("--runs"))
        return RunPage(arguments[1], arguments[2]);

    QList<int> sizes{100000, 1000000};
    if (arguments.size() >= 2 && arguments[0] == QStringLiteral("--rows")) {
        sizes.clear();
        for (const QString& size : arguments.mid(1))
            sizes.append(size.toInt());
    }
    for (const int size : sizes) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QApplication::applicationFilePath(),
                    {QStringLiteral("--one"), QString::number(size)});
        if (!child.waitForFinished(-1) || child.exitCode() != 0)
            return 1;
    }
    FileTypeLookups();
    return 0;
}
