#include "EngineHelpers.h"
#include "TreeBuilder.h"
#include "engine/UFileAnalyze.h"
#include "engine/UFileOper.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QDateTime Old = LocalTime(2021, 1, 1);
const QDateTime New = LocalTime(2022, 1, 1);

// The pairing rule written the direct way: every left child walks the right
// children from the start, skipping the matched ones.
void DirectCompare(TFileAttri& l, TFileAttri& r, TFileAttri& c)
{
    auto addOneSided = [&](TFileAttri& item, bool left) {
        auto p = std::make_unique<TFileAttri>();
        p->State = left ? 1 : 2;
        p->Kind = item.IsFolder;
        p->ItemName = item.FileName;
        (left ? p->LeftTime : p->RightTime) = item.FileTime;
        if (item.IsFolder == 1) {
            TFileAttri empty;
            if (left)
                DirectCompare(item, empty, *p);
            else
                DirectCompare(empty, item, *p);
            (left ? c.LeftCount : c.RightCount) += left ? p->LeftCount : p->RightCount;
            c.FileCount += p->FileCount;
        } else {
            ++(left ? c.LeftCount : c.RightCount);
            ++c.FileCount;
        }
        c.AddChild(std::move(p));
    };
    for (auto& lc : l.Children) {
        bool paired = false;
        for (auto& rc : r.Children) {
            if (rc->Matched || lc->FileName != rc->FileName)
                continue;
            rc->Matched = true;
            auto p = std::make_unique<TFileAttri>();
            p->State = lc->FileTime > rc->FileTime ? 4 : lc->FileTime < rc->FileTime ? 3 : 0;
            p->Kind = lc->IsFolder;
            p->ItemName = lc->FileName;
            p->LeftTime = lc->FileTime;
            p->RightTime = rc->FileTime;
            if (lc->IsFolder == 1) {
                DirectCompare(*lc, *rc, *p);
                c.LeftCount += p->LeftCount;
                c.RightCount += p->RightCount;
                c.FileCount += p->FileCount;
            } else {
                c.LeftCount += p->State == 3;
                c.RightCount += p->State == 4;
                ++c.FileCount;
            }
            c.AddChild(std::move(p));
            paired = true;
            break;
        }
        if (!paired)
            addOneSided(*lc, true);
    }
    for (auto& rc : r.Children) {
        if (!rc->Matched)
            addOneSided(*rc, false);
    }
}

std::unique_ptr<TFileAttri> RandomScanTree(QRandomGenerator& random, int depth)
{
    static const QStringList names = {
        QStringLiteral("a"), QStringLiteral(" a"), QStringLiteral("a\t"), QStringLiteral("A"),
        QStringLiteral("b"), QStringLiteral("c"),  QStringLiteral("d ")};
    auto node = std::make_unique<TFileAttri>();
    const int count = int(random.bounded(0, 9));
    for (int i = 0; i < count; ++i) {
        auto child = std::make_unique<TFileAttri>();
        child->FileName = names.at(random.bounded(int(names.size())));
        child->FileTime = int(random.bounded(1, 4));
        child->IsFolder = depth > 0 && random.bounded(3) == 0 ? 1 : 0;
        if (child->IsFolder == 1) {
            auto inner = RandomScanTree(random, depth - 1);
            for (auto& grandChild : inner->Children)
                child->AddChild(std::move(grandChild));
        }
        node->AddChild(std::move(child));
    }
    return node;
}

QString Describe(const TFileAttri& node, int indent = 0)
{
    QString text;
    for (const auto& child : node.Children) {
        text += QString(indent, QLatin1Char(' ')) + QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8\n")
                                                        .arg(child->ItemName)
                                                        .arg(child->State)
                                                        .arg(child->Kind)
                                                        .arg(child->LeftTime)
                                                        .arg(child->RightTime)
                                                        .arg(child->LeftCount)
                                                        .arg(child->RightCount)
                                                        .arg(child->FileCount);
        text += Describe(*child, indent + 1);
    }
    return text;
}

// Copies a scan tree (the comparison consumes the one it is given).
std::unique_ptr<TFileAttri> Clone(const TFileAttri& node)
{
    auto copy = std::make_unique<TFileAttri>();
    copy->FileName = node.FileName;
    copy->FileTime = node.FileTime;
    copy->IsFolder = node.IsFolder;
    for (const auto& child : node.Children)
        copy->AddChild(Clone(*child));
    return copy;
}

} // namespace

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
        QCOMPARE(root.State, -1);
        QVERIFY(root.ItemName.isEmpty());
        auto state = [&](const QString& name) { return ChildNamed(root, name)->State; };
        QCOMPARE(state(QStringLiteral("same.txt")), 0);
        QCOMPARE(state(QStringLiteral("leftonly.txt")), 1);
        QCOMPARE(state(QStringLiteral("rightonly.txt")), 2);
        QCOMPARE(state(QStringLiteral("rnewer.txt")), 3);
        QCOMPARE(state(QStringLiteral("lnewer.txt")), 4);
        QCOMPARE(state(QStringLiteral("Case.txt")), 1);
        QCOMPARE(state(QStringLiteral("case.txt")), 2);

        const TFileAttri* same = ChildNamed(root, QStringLiteral("same.txt"));
        QCOMPARE(same->LeftSize, qint64(4));
        QCOMPARE(same->RightSize, qint64(22));
        QCOMPARE(same->LeftPath, left.path() + QStringLiteral("/same.txt"));
        QCOMPARE(same->RightPath, right.path() + QStringLiteral("/same.txt"));
        const TFileAttri* leftOnly = ChildNamed(root, QStringLiteral("leftonly.txt"));
        QCOMPARE(leftOnly->RightTime, -1);
        QCOMPARE(leftOnly->RightAttr, -1);
        QVERIFY(leftOnly->RightPath.isEmpty());

        const TFileAttri* sub = ChildNamed(root, QStringLiteral("sub"));
        QCOMPARE(sub->Kind, 1);
        QCOMPARE(sub->FileCount, 2);
        QCOMPARE(sub->RightCount, 1);
        QCOMPARE(sub->LeftCount, 0);
        // Files 1 (left only, Case.txt), 3 and the left-only file count left; 2, 4,
        // case.txt and sub/y count right.
        QCOMPARE(root.LeftCount, 3);
        QCOMPARE(root.RightCount, 4);
        QCOMPARE(root.FileCount, 9);
        // Left listing order first, then the unpaired right children.
        QCOMPARE(root.Children.back()->State, 2);
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
        QCOMPARE(x->Kind, 1);
        QCOMPARE(x->ChildCount, 2);
        QCOMPARE(x->Children[0]->State, 1);
        QCOMPARE(x->LeftCount, 2);
        const TFileAttri* y = ChildNamed(*outcome.Tree, QStringLiteral("y"));
        QCOMPARE(y->Kind, 0);
        QCOMPARE(y->ChildCount, 0);
    }

    void messagesOfEmptyAndOneSidedRuns()
    {
        QTemporaryDir left, right;
        auto job = MakeJob(left.path(), right.path());
        AnalysisOutcome empty = RunAnalysis(*job);
        QCOMPARE(empty.Messages, (std::vector<Message>{{WM_PROGRESS, 0, 0}}));
        QCOMPARE(empty.Tree->ChildCount, 0);
        QCOMPARE(empty.Tree->FileCount, 0);

        TreeBuilder r(right.path());
        for (int i = 0; i < 3; ++i)
            QVERIFY(r.file(QStringLiteral("f%1").arg(i), "1"));
        AnalysisOutcome oneSided = RunAnalysis(*job);
        QCOMPARE(oneSided.Messages, (std::vector<Message>{{WM_PROGRESS, 3, 0}}));
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
        QCOMPARE(both.Messages[0], (Message{WM_PROGRESS, 6, 0}));
        QCOMPARE(both.Messages[1].WParam, 0);
        QVERIFY(both.Messages[1].LParam == 1 || both.Messages[1].LParam == 2);
        QCOMPARE(both.Messages[2], (Message{WM_PROGRESS, 0, 4}));
    }

    void unreachableSides()
    {
        QTemporaryDir dir, other;
        auto job = MakeJob(dir.path() + QStringLiteral("/nope"), other.path());
        AnalysisOutcome left = RunAnalysis(*job);
        QCOMPARE(left.Messages, (std::vector<Message>{{WM_CONNECT_FAILED, 1, 0}}));
        QVERIFY(!left.Tree);
        job->RFolder.FolerAllName = other.path() + QStringLiteral("/gone");
        AnalysisOutcome both = RunAnalysis(*job);
        QCOMPARE(both.Messages, (std::vector<Message>{{WM_CONNECT_FAILED, 2, 0}}));
        // A side that is no folder of the file system is neither checked nor scanned.
        job->RFolder.DeviceType = 0;
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
            if (m.Id == WM_PROGRESS && m.WParam == 0 && ++reports == 3)
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
        QCOMPARE(d->State, 4);
        QCOMPARE(d->RightPath, right.path() + QStringLiteral("/d"));
        QCOMPARE(ChildNamed(*outcome.Tree, QStringLiteral(" d"))->State, 2);
    }

    void unreadableSideIsCarriedDown()
    {
        TFileAttri left, right;
        auto folder = std::make_unique<TFileAttri>();
        folder->FileName = QStringLiteral("locked");
        folder->IsFolder = 1;
        folder->Unreadable = true;
        left.AddChild(std::move(folder));
        auto rightFolder = std::make_unique<TFileAttri>();
        rightFolder->FileName = QStringLiteral("locked");
        rightFolder->IsFolder = 1;
        auto file = std::make_unique<TFileAttri>();
        file->FileName = QStringLiteral("only-right");
        rightFolder->AddChild(std::move(file));
        right.AddChild(std::move(rightFolder));
        auto other = std::make_unique<TFileAttri>();
        other->FileName = QStringLiteral("fine");
        right.AddChild(std::move(other));

        TSyncTask job;
        QObject receiver;
        TRunProgress silent;
        // Compare directly on this thread: the worker object is only a holder here.
        TFileAnalyze analysis(job, job.Cancelled, &receiver, silent);
        TFileAttri compare;
        analysis.CompareFolders(&left, &right, &compare);
        const TFileAttri* locked = ChildNamed(compare, QStringLiteral("locked"));
        QVERIFY(locked->SideUnreadable);
        QVERIFY(locked->Children[0]->SideUnreadable);
        QVERIFY(!ChildNamed(compare, QStringLiteral("fine"))->SideUnreadable);
    }

    // The hashed pairing gives the very tree of the direct rule, on random folders
    // full of equal names, names with blanks and case-different names.
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
            auto leftCopy = Clone(*left);
            auto rightCopy = Clone(*right);
            TFileAttri expected;
            DirectCompare(*leftCopy, *rightCopy, expected);
            TFileAttri actual;
            analysis.CompareFolders(left.get(), right.get(), &actual);
            QCOMPARE(Describe(actual), Describe(expected));
            QCOMPARE(actual.FileCount, expected.FileCount);
            QCOMPARE(actual.LeftCount, expected.LeftCount);
            QCOMPARE(actual.RightCount, expected.RightCount);
        }
    }
};

QTEST_GUILESS_MAIN(TestCompare)
#include "tst_compare.moc"
