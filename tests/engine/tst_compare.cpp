#include "EngineHelpers.h"
#include "RowTrees.h"
#include "TreeBuilder.h"
#include "engine/ScanTree.h"
#include "engine/UFileAnalyze.h"
#include "engine/UFileOper.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <deque>
#include <map>
#include <string>
#include <tuple>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

const QDateTime Old = LocalTime(2021, 1, 1);
const QDateTime New = LocalTime(2022, 1, 1);

// The pairing rule written the direct way: every left child walks the right
// children from the start, skipping the matched ones, and names are compared as
// texts. An absent folder is one of no children.
void DirectCompare(const TScanTree& lt, TScanTree::TChildRange l, const TScanTree& rt,
                   TScanTree::TChildRange r, TFileAttri& c)
{
    const TScanTree::TChildRange none{0, 0};
    auto addOneSided = [&](const TScanTree& tree, quint32 item, bool left) {
        auto p = std::make_unique<TFileAttri>();
        p->State = left ? CompareState::LeftOnly : CompareState::RightOnly;
        p->Kind = tree.IsFolder(item) ? ItemKind::Folder : ItemKind::File;
        p->ItemName = tree.Name(item);
        (left ? p->LeftTime : p->RightTime) = tree.Item(item).Time;
        if (tree.IsFolder(item)) {
            if (left)
                DirectCompare(tree, tree.Children(item), rt, none, *p);
            else
                DirectCompare(lt, none, tree, tree.Children(item), *p);
            (left ? c.LeftCount : c.RightCount) += left ? p->LeftCount : p->RightCount;
            c.FileCount += p->FileCount;
        } else {
            ++(left ? c.LeftCount : c.RightCount);
            ++c.FileCount;
        }
        c.AddChild(std::move(p));
    };
    std::vector<bool> matched(r.Count, false);
    for (quint32 li = l.First; li < l.First + l.Count; ++li) {
        bool paired = false;
        for (quint32 k = 0; k < r.Count; ++k) {
            const quint32 ri = r.First + k;
            if (matched[k] || lt.Name(li) != rt.Name(ri))
                continue;
            matched[k] = true;
            const qint32 lTime = lt.Item(li).Time;
            const qint32 rTime = rt.Item(ri).Time;
            auto p = std::make_unique<TFileAttri>();
            p->State = lTime > rTime   ? CompareState::LeftNewer
                       : lTime < rTime ? CompareState::RightNewer
                                       : CompareState::Same;
            p->Kind = lt.IsFolder(li) ? ItemKind::Folder : ItemKind::File;
            p->ItemName = lt.Name(li);
            p->LeftTime = lTime;
            p->RightTime = rTime;
            if (lt.IsFolder(li)) {
                DirectCompare(lt, lt.Children(li), rt, rt.Children(ri), *p);
                c.LeftCount += p->LeftCount;
                c.RightCount += p->RightCount;
                c.FileCount += p->FileCount;
            } else {
                c.LeftCount += p->State == CompareState::RightNewer;
                c.RightCount += p->State == CompareState::LeftNewer;
                ++c.FileCount;
            }
            c.AddChild(std::move(p));
            paired = true;
            break;
        }
        if (!paired)
            addOneSided(lt, li, true);
    }
    for (quint32 k = 0; k < r.Count; ++k) {
        if (!matched[k])
            addOneSided(rt, r.First + k, false);
    }
}

// Fills the folder with random children, then each of its subfolders in turn (a
// folder's children are added together, as the scan adds them). The names are
// equal ones, ones that differ by blanks or case, and ones that differ only in
// bytes beyond ASCII: "é" written as one character or as "e" and an accent.
void FillRandomFolder(TScanTree& tree, quint32 folder, QRandomGenerator& random, int depth)
{
    static const QStringList names = {QStringLiteral("a"),       QStringLiteral(" a"),
                                      QStringLiteral("a\t"),     QStringLiteral("A"),
                                      QStringLiteral("b"),       QStringLiteral("c"),
                                      QStringLiteral("d "),      QStringLiteral("\u00e9"),
                                      QStringLiteral("e\u0301"), QStringLiteral("\u00e8")};
    const int count = int(random.bounded(0, 9));
    std::vector<quint32> folders;
    for (int i = 0; i < count; ++i) {
        const QByteArray name = names.at(random.bounded(int(names.size()))).toUtf8();
        const bool isFolder = depth > 0 && random.bounded(3) == 0;
        const quint32 added =
            tree.AddChild(folder, std::string_view(name.constData(), size_t(name.size())), isFolder,
                          int(random.bounded(1, 4)), 0, FileAttribute::Archive);
        if (isFolder)
            folders.push_back(added);
    }
    for (const quint32 child : folders)
        FillRandomFolder(tree, child, random, depth - 1);
}

std::unique_ptr<TScanTree> RandomScanTree(QRandomGenerator& random, int depth)
{
    auto tree = std::make_unique<TScanTree>();
    FillRandomFolder(*tree, TScanTree::Root, random, depth);
    tree->Finish();
    return tree;
}

QString Describe(const TFileAttri& node, int indent = 0)
{
    QString text;
    for (const auto& child : node.Children) {
        text += QString(indent, QLatin1Char(' ')) + QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8\n")
                                                        .arg(child->ItemName)
                                                        .arg(int(child->State))
                                                        .arg(int(child->Kind))
                                                        .arg(child->LeftTime)
                                                        .arg(child->RightTime)
                                                        .arg(child->LeftCount)
                                                        .arg(child->RightCount)
                                                        .arg(child->FileCount);
        text += Describe(*child, indent + 1);
    }
    return text;
}

// Adds a child to the tree's folder.
quint32 Add(TScanTree& tree, quint32 folder, const char* name, bool isFolder, qint32 time = 1)
{
    return tree.AddChild(folder, name, isFolder, time, 0,
                         isFolder ? FileAttribute::Directory : FileAttribute::Archive);
}

// The comparison of the two roots' children, made on this thread: the analysis
// object only holds it.
std::unique_ptr<TFileAttri> Compared(const TScanTree& left, const TScanTree& right)
{
    TSyncTask job;
    QObject receiver;
    TRunProgress silent;
    TFileAnalyze analysis(job, job.Cancelled, &receiver, silent);
    auto compare = std::make_unique<TFileAttri>();
    analysis.CompareFolders(left, TScanTree::Root, right, TScanTree::Root, compare.get());
    return compare;
}

} // namespace

// Each row below the parent, in order: its path, kind, state, direction, its
// files' sides and its counters.
QStringList DescribeRows(const TResultRow& parent)
{
    QStringList lines;
    for (int i = 0; i < parent.ChildCount(); ++i) {
        const TResultRow& row = *parent.Child(i);
        lines.append(QStringLiteral("%1 %2 %3 %4 %5%6 %7 %8")
                         .arg(row.RelativePath())
                         .arg(row.Kind)
                         .arg(row.State)
                         .arg(int(row.Direction))
                         .arg(row.OnLeft)
                         .arg(row.OnRight)
                         .arg(row.RtoLCount())
                         .arg(row.LtoRCount()));
        lines += DescribeRows(row);
    }
    return lines;
}

class TestCompare : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyStateAndItsCounts()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        QVERIFY(l.file(QStringLiteral("same.txt"), "left", Old));
        QVERIFY(r.file(QStringLiteral("same.txt"), "right side, other size", Old));
        QVERIFY(l.file(QStringLiteral("leftonly.txt"), "1", Old));
        QVERIFY(r.file(QStringLiteral("rightonly.txt"), "1", Old));
        QVERIFY(l.file(QStringLiteral("rnewer.txt"), "1", Old));
        QVERIFY(r.file(QStringLiteral("rnewer.txt"), "1", New));
        QVERIFY(l.file(QStringLiteral("lnewer.txt"), "1", New));
        QVERIFY(r.file(QStringLiteral("lnewer.txt"), "1", Old));
        QVERIFY(l.file(QStringLiteral("sub/deep/x"), "1", Old));
        QVERIFY(r.file(QStringLiteral("sub/deep/x"), "1", Old));
        QVERIFY(r.file(QStringLiteral("sub/y"), "1", New));
        QVERIFY(l.file(QStringLiteral("Case.txt"), "1", Old));
        QVERIFY(r.file(QStringLiteral("case.txt"), "1", Old));

        auto job = MakeJob(left.path(), right.path());
        AnalysisOutcome outcome = RunAnalysis(*job);
        QVERIFY(outcome.Tree);
        const TFileAttri& root = *outcome.Tree;
        QCOMPARE(root.State, CompareState::NotCompared);
        QVERIFY(root.ItemName.isEmpty());
        auto state = [&](const QString& name) { return ChildNamed(root, name)->State; };
        QCOMPARE(state(QStringLiteral("same.txt")), CompareState::Same);
        QCOMPARE(state(QStringLiteral("leftonly.txt")), CompareState::LeftOnly);
        QCOMPARE(state(QStringLiteral("rightonly.txt")), CompareState::RightOnly);
        QCOMPARE(state(QStringLiteral("rnewer.txt")), CompareState::RightNewer);
        QCOMPARE(state(QStringLiteral("lnewer.txt")), CompareState::LeftNewer);
        QCOMPARE(state(QStringLiteral("Case.txt")), CompareState::LeftOnly);
        QCOMPARE(state(QStringLiteral("case.txt")), CompareState::RightOnly);

        const TFileAttri* same = ChildNamed(root, QStringLiteral("same.txt"));
        QCOMPARE(same->LeftSize, qint64(4));
        QCOMPARE(same->RightSize, qint64(22));
        QCOMPARE(same->LeftAttr, FileAttribute::Archive);
        const TFileAttri* leftOnly = ChildNamed(root, QStringLiteral("leftonly.txt"));
        QCOMPARE(leftOnly->RightTime, -1);
        QCOMPARE(leftOnly->RightAttr, -1);
        QCOMPARE(leftOnly->RightSize, qint64(0));

        // The rows' paths: the roots' paths and the names on the way down, none on
        // a side where the item is absent (also below a one-sided folder).
        const auto rows = AllRowsOf(*job, root);
        const TResultRow* sameRow = RowNamed(*rows, QStringLiteral("same.txt"));
        QCOMPARE(LeftPathOf(*sameRow, *job), left.path() + QStringLiteral("/same.txt"));
        QCOMPARE(RightPathOf(*sameRow, *job), right.path() + QStringLiteral("/same.txt"));
        const TResultRow* leftOnlyRow = RowNamed(*rows, QStringLiteral("leftonly.txt"));
        QCOMPARE(LeftPathOf(*leftOnlyRow, *job), left.path() + QStringLiteral("/leftonly.txt"));
        QVERIFY(RightPathOf(*leftOnlyRow, *job).isEmpty());
        const TResultRow* rightOnlyRow = RowNamed(*rows, QStringLiteral("rightonly.txt"));
        QVERIFY(LeftPathOf(*rightOnlyRow, *job).isEmpty());
        QCOMPARE(RightPathOf(*rightOnlyRow, *job), right.path() + QStringLiteral("/rightonly.txt"));
        const TResultRow* deep =
            RowNamed(*RowNamed(*RowNamed(*rows, QStringLiteral("sub")), QStringLiteral("deep")),
                     QStringLiteral("x"));
        QCOMPARE(LeftPathOf(*deep, *job), left.path() + QStringLiteral("/sub/deep/x"));
        QCOMPARE(RightPathOf(*deep, *job), right.path() + QStringLiteral("/sub/deep/x"));

        const TFileAttri* sub = ChildNamed(root, QStringLiteral("sub"));
        QCOMPARE(sub->Kind, ItemKind::Folder);
        QCOMPARE(sub->FileCount, 2);
        QCOMPARE(sub->RightCount, 1);
        QCOMPARE(sub->LeftCount, 0);
        // Files 1 (left only, Case.txt), 3 and the left-only file count left; 2, 4,
        // case.txt and sub/y count right.
        QCOMPARE(root.LeftCount, 3);
        QCOMPARE(root.RightCount, 4);
        QCOMPARE(root.FileCount, 9);
        // Left listing order first, then the unpaired right children.
        QCOMPARE(root.Children.back()->State, CompareState::RightOnly);

        // Rows built as the tree is given up are the same rows; the tree keeps
        // only its root's counts.
        const QStringList described = DescribeRows(*rows);
        auto givenUp = MakeRootRow(job->SyncName);
        TRowBuilder(*job, TRowBuilder::Mode::All).BuildRowsGivingUp(*givenUp, *outcome.Tree);
        QCOMPARE(DescribeRows(*givenUp), described);
        QVERIFY(outcome.Tree->Children.empty());
        QCOMPARE(outcome.Tree->FileCount, 9);
    }

    void folderMeetsFile()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        QVERIFY(l.file(QStringLiteral("x/inner1"), "1"));
        QVERIFY(l.file(QStringLiteral("x/inner2"), "1"));
        QVERIFY(r.file(QStringLiteral("x"), "file", New));
        QVERIFY(l.file(QStringLiteral("y"), "file", New));
        QVERIFY(r.file(QStringLiteral("y/inner"), "1"));
        auto job = MakeJob(left.path(), right.path());
        AnalysisOutcome outcome = RunAnalysis(*job);
        const TFileAttri* x = ChildNamed(*outcome.Tree, QStringLiteral("x"));
        QCOMPARE(x->Kind, ItemKind::Folder);
        QCOMPARE(x->ChildCount, 2);
        QCOMPARE(x->Children[0]->State, CompareState::LeftOnly);
        QCOMPARE(x->LeftCount, 2);
        const TFileAttri* y = ChildNamed(*outcome.Tree, QStringLiteral("y"));
        QCOMPARE(y->Kind, ItemKind::File);
        QCOMPARE(y->ChildCount, 0);
        // Below a folder that meets a file, the folder's side alone has paths.
        const auto rows = AllRowsOf(*job, *outcome.Tree);
        const TResultRow* inner =
            RowNamed(*RowNamed(*rows, QStringLiteral("x")), QStringLiteral("inner1"));
        QCOMPARE(LeftPathOf(*inner, *job), left.path() + QStringLiteral("/x/inner1"));
        QVERIFY(RightPathOf(*inner, *job).isEmpty());
    }

    void messagesOfEmptyAndOneSidedRuns()
    {
        QTemporaryDir left, right;
        auto job = MakeJob(left.path(), right.path());
        AnalysisOutcome empty = RunAnalysis(*job);
        QCOMPARE(empty.Messages, (std::vector<Message>{{Report::ComparingStarted, 0}}));
        QCOMPARE(empty.Tree->ChildCount, 0);
        QCOMPARE(empty.Tree->FileCount, 0);

        TreeBuilder r(right.path());
        for (int i = 0; i < 3; ++i)
            QVERIFY(r.file(QStringLiteral("f%1").arg(i), "1"));
        AnalysisOutcome oneSided = RunAnalysis(*job);
        QCOMPARE(oneSided.Messages, (std::vector<Message>{{Report::ComparingStarted, 3}}));
        QCOMPARE(oneSided.Tree->RightCount, 3);
        QCOMPARE(oneSided.Tree->FileCount, 3);

        TreeBuilder l(left.path());
        QVERIFY(l.file(QStringLiteral("f0"), "1"));
        QVERIFY(l.file(QStringLiteral("sub/a"), "1"));
        QVERIFY(r.file(QStringLiteral("sub/a"), "1"));
        AnalysisOutcome both = RunAnalysis(*job);
        // One report per pair of folders that both have entries: sub, then the root.
        // What sub reports depends on whether f0 was listed before it.
        QCOMPARE(both.Messages.size(), size_t(3));
        QCOMPARE(both.Messages[0], (Message{Report::ComparingStarted, 6}));
        QCOMPARE(both.Messages[1].Kind, Report::Progress);
        QVERIFY(both.Messages[1].Value == 1 || both.Messages[1].Value == 2);
        QCOMPARE(both.Messages[2], (Message{Report::Progress, 4}));
    }

    // Told when the include list, and nothing else, leaves every file out.
    void includeListThatLeavesOutEveryFileIsTold()
    {
        QTemporaryDir left, right;
        auto job = MakeJob(left.path(), right.path());
        job->IncludeFilterr = {QStringLiteral("*.none")};
        TestRun empty;
        QVERIFY(empty.Analyze(*job));
        QCOMPARE(empty.Log.LeftOutByIncludeList, 0); // nothing there to leave out

        TreeBuilder l(left.path());
        QVERIFY(l.file(QStringLiteral("a.txt"), "1"));
        QVERIFY(l.file(QStringLiteral("sub/b.md"), "1"));
        const std::pair<QStringList, bool> cases[] = {
            {{QStringLiteral("*.none")}, true},
            {{QStringLiteral("*.txt")}, false},
            {{}, false},
        };
        for (const auto& [patterns, told] : cases) {
            job->IncludeFilterr = patterns;
            TestRun run;
            QVERIFY(run.Analyze(*job));
            QCOMPARE(run.Log.LeftOutByIncludeList, told ? 1 : 0);
            QCOMPARE(run.Driver.IncludeListLeftOutAll, told);
            QCOMPARE(run.Log.Finished, 1);
        }
    }

    void unreachableSides()
    {
        QTemporaryDir dir, other;
        auto job = MakeJob(dir.path() + QStringLiteral("/nope"), other.path());
        AnalysisOutcome left = RunAnalysis(*job);
        QCOMPARE(left.Messages, (std::vector<Message>{{Report::ConnectFailed, 1}}));
        QVERIFY(!left.Tree);
        job->RFolder.FolerAllName = other.path() + QStringLiteral("/gone");
        AnalysisOutcome both = RunAnalysis(*job);
        QCOMPARE(both.Messages, (std::vector<Message>{{Report::ConnectFailed, 2}}));
        // A side that is no folder of the file system is neither checked nor scanned.
        job->RFolder.DeviceType = SideDevice::None;
        job->LFolder.FolerAllName = dir.path();
        job->RFolder.FolerAllName = other.path();
        TreeBuilder(dir.path()).file(QStringLiteral("a"), "1");
        AnalysisOutcome oneSide = RunAnalysis(*job);
        QCOMPARE(oneSide.Tree->LeftCount, 1);
    }

    void cancelDuringComparisonKeepsWhatWasBuilt()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        for (int i = 0; i < 20; ++i) {
            QVERIFY(l.file(QStringLiteral("d%1/a/f").arg(i, 2, 10, QLatin1Char('0')), "1"));
            QVERIFY(r.file(QStringLiteral("d%1/a/f").arg(i, 2, 10, QLatin1Char('0')), "1"));
        }
        auto job = MakeJob(left.path(), right.path());
        TestRun run;
        int reports = 0;
        run.Log.OnMessage = [&](const Message& m) {
            // Cancel at the third comparison report, while the worker waits.
            if (m.Kind == Report::Progress && ++reports == 3)
                run.Driver.Cancel();
        };
        QVERIFY(run.Analyze(*job));
        QVERIFY(run.Driver.WasCancelled());
        const TFileAttri& tree = *run.Driver.CompareTree;
        QVERIFY(tree.ChildCount >= 1);
        QVERIFY(tree.ChildCount < 20);
        QVERIFY(tree.FileCount < 20);
        // No further report after the cancel, and no rows below the root.
        QCOMPARE(reports, 3);
        QCOMPARE(run.Root().ChildCount(), 0);
        QCOMPARE(run.Log.Finished, 1);
    }

    // A driver destroyed while its worker is blocked on a report to this very
    // thread cancels the worker and waits for it without a deadlock; its owner
    // hears nothing more.
    void destroyingTheDriverStopsABlockedWorker()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        for (int i = 0; i < 30; ++i) {
            QVERIFY(l.file(QStringLiteral("d%1/f").arg(i), "1"));
            QVERIFY(r.file(QStringLiteral("d%1/f").arg(i), "1"));
        }
        auto job = MakeJob(left.path(), right.path());
        TRecorder log;
        {
            TRunDriver driver(log);
            driver.ReportIntervalMs = 0;
            QCOMPARE(driver.StartAnalysis(*job), 0);
            QCOMPARE(driver.StartAnalysis(*job), TRunDriver::Busy);
            // No event loop runs meanwhile: the worker is stuck on its first report.
            QTest::qSleep(100);
            QVERIFY(driver.IsRunning());
        }
        QVERIFY(log.Messages.empty());
        QCOMPARE(log.Finished, 0);
    }

    void cancelBeforeTheScanDeliversAnEmptyResult()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path());
        for (int i = 0; i < 100; ++i)
            QVERIFY(l.file(QStringLiteral("d%1/f").arg(i), "1"));
        auto job = MakeJob(left.path(), right.path());
        // Cancelled as the scan starts, before the worker thread runs.
        struct CancelAtStart : TRecorder
        {
            TRunDriver* Driver = nullptr;
            void PhaseStarted(TRunPhase phase, qint64 total) override
            {
                if (phase == TRunPhase::Scanning)
                    Driver->Cancel();
                TRecorder::PhaseStarted(phase, total);
            }
        } log;
        TRunDriver driver(log);
        log.Driver = &driver;
        QVERIFY(driver.Analyze(*job, TRowBuilder::Mode::All));
        QCOMPARE(driver.CompareTree->ChildCount, 0);
        QCOMPARE(driver.RootRow->ChildCount(), 0);
    }

    // Blanks belong to a name: "d" and " d" are two files, each on its own side.
    void namesWithBlanksAreNotPaired()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        QVERIFY(l.file(QStringLiteral("d"), "left new", New));
        QVERIFY(r.file(QStringLiteral(" d"), "right, blank", Old));
        QVERIFY(r.file(QStringLiteral("d"), "right old", Old));
        auto job = MakeJob(left.path(), right.path());
        AnalysisOutcome outcome = RunAnalysis(*job);
        QCOMPARE(outcome.Tree->ChildCount, 2);
        const TFileAttri* d = ChildNamed(*outcome.Tree, QStringLiteral("d"));
        QCOMPARE(d->State, CompareState::LeftNewer);
        QCOMPARE(RightPathOf(*RowNamed(*AllRowsOf(*job, *outcome.Tree), QStringLiteral("d")), *job),
                 right.path() + QStringLiteral("/d"));
        QCOMPARE(ChildNamed(*outcome.Tree, QStringLiteral(" d"))->State, CompareState::RightOnly);
    }

    // The exact times reach both sides of the node; the comparison still goes by
    // the packed times, which do not tell these two apart.
    void exactTimesReachTheComparison()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        QVERIFY(l.file(QStringLiteral("f"), "same"));
        QVERIFY(r.file(QStringLiteral("f"), "same"));
        const qint64 second = Old.toSecsSinceEpoch();
        for (const auto& [root, nanoseconds] :
             {std::pair{left.path(), 123456789L}, std::pair{right.path(), 987654321L}}) {
            const struct timespec times[2] = {{second, nanoseconds}, {second, nanoseconds}};
            QCOMPARE(
                ::utimensat(AT_FDCWD, QFile::encodeName(root + QStringLiteral("/f")), times, 0), 0);
        }
        AnalysisOutcome outcome = RunAnalysis(*MakeJob(left.path(), right.path()));
        const TFileAttri* f = ChildNamed(*outcome.Tree, QStringLiteral("f"));
        QCOMPARE(f->State, CompareState::Same);
        QCOMPARE(f->LeftExactTime, second * 1000000000 + 123456789);
        QCOMPARE(f->RightExactTime, second * 1000000000 + 987654321);
    }

    // "é" as one character and as "e" with a combining accent look alike but are
    // other bytes, hence other files; equal bytes pair whatever their characters.
    void namesBeyondAsciiPairByTheirBytes()
    {
        TScanTree left, right;
        Add(left, TScanTree::Root, "caf\xc3\xa9", false, 2);
        Add(left, TScanTree::Root, "\xe6\x97\xa5", false, 1);
        Add(right, TScanTree::Root, "cafe\xcc\x81", false, 1);
        Add(right, TScanTree::Root, "\xe6\x97\xa5", false, 3);
        Add(right, TScanTree::Root, "caf\xc3\xa8", false, 1);
        const auto compare = Compared(left, right);
        QCOMPARE(compare->ChildCount, 4);
        QCOMPARE(ChildNamed(*compare, QStringLiteral("caf\u00e9"))->State, CompareState::LeftOnly);
        QCOMPARE(ChildNamed(*compare, QStringLiteral("\u65e5"))->State, CompareState::RightNewer);
        QCOMPARE(ChildNamed(*compare, QStringLiteral("cafe\u0301"))->State,
                 CompareState::RightOnly);
        QCOMPARE(ChildNamed(*compare, QStringLiteral("caf\u00e8"))->State, CompareState::RightOnly);
        QCOMPARE(compare->LeftCount, 2);
        QCOMPARE(compare->RightCount, 2);
    }

    void unreadableSideIsCarriedDown()
    {
        TScanTree left, right;
        left.SetUnreadable(Add(left, TScanTree::Root, "locked", true));
        const quint32 rightFolder = Add(right, TScanTree::Root, "locked", true);
        Add(right, TScanTree::Root, "fine", false);
        Add(right, rightFolder, "only-right", false);

        const auto compare = Compared(left, right);
        const TFileAttri* locked = ChildNamed(*compare, QStringLiteral("locked"));
        QVERIFY(locked->SideUnreadable);
        QVERIFY(locked->Children[0]->SideUnreadable);
        QVERIFY(!ChildNamed(*compare, QStringLiteral("fine"))->SideUnreadable);
    }

    // The hashed pairing gives the very tree of the direct rule, on random folders
    // full of equal names, names with blanks, case-different names and names that
    // differ only beyond ASCII.
    void linearPairingMatchesTheDirectRule()
    {
        QRandomGenerator random(20261209);
        TSyncTask job;
        QObject receiver;
        TRunProgress silent;
        TFileAnalyze analysis(job, job.Cancelled, &receiver, silent);
        for (int round = 0; round < 300; ++round) {
            auto left = RandomScanTree(random, 3);
            auto right = RandomScanTree(random, 3);
            TFileAttri expected;
            DirectCompare(*left, left->Children(TScanTree::Root), *right,
                          right->Children(TScanTree::Root), expected);
            TFileAttri actual;
            analysis.CompareFolders(*left, TScanTree::Root, *right, TScanTree::Root, &actual);
            QCOMPARE(Describe(actual), Describe(expected));
            QCOMPARE(actual.FileCount, expected.FileCount);
            QCOMPARE(actual.LeftCount, expected.LeftCount);
            QCOMPARE(actual.RightCount, expected.RightCount);
        }
    }

    // Folders wide enough to be paired in groups by the names' hashes pair as
    // the rule says: each left child in left order takes the first right child of
    // its name not yet taken, then the right children left over follow in order.
    void wideFoldersArePairedInGroupsByTheRule()
    {
        QRandomGenerator random(91226);
        TScanTree left, right;
        std::vector<std::pair<std::string, qint32>> lefts, rights;
        for (auto [tree, items, count] :
             {std::tuple{&left, &lefts, 9000}, std::tuple{&right, &rights, 11000}}) {
            for (int i = 0; i < count; ++i) {
                const std::string name = "n" + std::to_string(random.bounded(7000));
                const qint32 time = qint32(random.bounded(1, 4));
                tree->AddChild(TScanTree::Root, name, false, time, 0, FileAttribute::Archive);
                items->emplace_back(name, time);
            }
        }
        std::map<std::string, std::deque<size_t>> unpaired;
        for (size_t k = 0; k < rights.size(); ++k)
            unpaired[rights[k].first].push_back(k);
        std::vector<bool> taken(rights.size(), false);
        QStringList expected;
        for (const auto& [name, time] : lefts) {
            std::deque<size_t>& candidates = unpaired[name];
            qint32 state = CompareState::LeftOnly;
            if (!candidates.empty()) {
                const qint32 other = rights[candidates.front()].second;
                state = time > other   ? CompareState::LeftNewer
                        : time < other ? CompareState::RightNewer
                                       : CompareState::Same;
                taken[candidates.front()] = true;
                candidates.pop_front();
            }
            expected.append(QStringLiteral("%1|%2").arg(QString::fromStdString(name)).arg(state));
        }
        for (size_t k = 0; k < rights.size(); ++k) {
            if (!taken[k])
                expected.append(QStringLiteral("%1|%2")
                                    .arg(QString::fromStdString(rights[k].first))
                                    .arg(CompareState::RightOnly));
        }
        const auto actual = Compared(left, right);
        QStringList got;
        for (const auto& child : actual->Children)
            got.append(QStringLiteral("%1|%2").arg(child->ItemName).arg(int(child->State)));
        QCOMPARE(got, expected);
    }
};

QTEST_GUILESS_MAIN(TestCompare)
#include "tst_compare.moc"
