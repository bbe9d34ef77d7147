#include "EngineHelpers.h"
#include "TreeBuilder.h"
#include "engine/UFileOper.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QDateTime Old = LocalTime(2021, 3, 4);
const QDateTime New = LocalTime(2023, 5, 6);

// Every file row below the row, in tree order.
void FileRows(TResultRow& row, std::vector<TResultRow*>& rows)
{
    for (int i = 0; i < row.ChildCount(); ++i) {
        TResultRow* child = row.Child(i);
        if (child->Kind == 1)
            FileRows(*child, rows);
        else
            rows.push_back(child);
    }
}

std::vector<TResultRow*> FileRows(TResultRow& root)
{
    std::vector<TResultRow*> rows;
    FileRows(root, rows);
    return rows;
}

QStringList Describe(const TResultRow& row, const QString& indent = QString())
{
    QStringList lines;
    for (int i = 0; i < row.ChildCount(); ++i) {
        const TResultRow* child = row.Child(i);
        lines.append(indent + child->Name +
                     (child->Kind == 1
                          ? QStringLiteral("/")
                          : QStringLiteral(" %1>%2").arg(child->State).arg(child->Direction)));
        lines += Describe(*child, indent + QStringLiteral("  "));
    }
    return lines;
}

} // namespace

class TestSync : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tenRowsOfWhichTheThirdCannotBeRead()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path());
        for (int i = 1; i <= 10; ++i)
            QVERIFY(l.file(QStringLiteral("f%1").arg(i), QByteArray::number(i)));
        auto job = MakeJob(left.path(), right.path());
        AnalysisOutcome analysis = RunAnalysis(*job);
        auto root = BuildRowsOf(*job, *analysis.Tree, TRowBuilder::Mode::Changes);
        const std::vector<TResultRow*> rows = FileRows(*root);
        QCOMPARE(rows.size(), size_t(10));
        QVERIFY(QFile::remove(rows[2]->LeftPath));

        SyncOutcome sync = RunSync(*job, *root);
        QCOMPARE(sync.Errors, 1);
        QCOMPARE(sync.Done, 9);
        QCOMPARE(sync.Handled, 10);
        std::vector<Message> expected;
        for (int i = 1; i <= 10; ++i) {
            if (i == 3) {
                expected.push_back({WM_COPY_RESULT, 0, 0});
                expected.push_back({WM_PROGRESS, 0, i});
            } else {
                expected.push_back({WM_PROGRESS, 0, i});
                expected.push_back({WM_COPY_RESULT, 4, 2});
            }
        }
        QCOMPARE(sync.Messages, expected);
        QCOMPARE(sync.CurrentFiles.at(2), rows[2]->LeftPath);
        // The failed row is left as it was; the copied ones carry their new paths
        // and the "copied" pictures.
        QVERIFY(rows[2]->RightPath.isEmpty());
        QCOMPARE(rows[2]->DirectImage, RowImage::CanMove);
        QCOMPARE(rows[0]->RightPath, SyncPath::Join(right.path(), rows[0]->Name));
        QCOMPARE(rows[0]->DirectImage, RowImage::SameContent);
        QCOMPARE(rows[0]->LeftImage, RowImage::Empty);
        QCOMPARE(rows[0]->Direction, SyncDirection::LeftToRight);
    }

    // Handing over many files at once changes nothing the page sees.
    void batchedDeliveryKeepsEveryMessageInOrder()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path());
        for (int i = 0; i < 200; ++i)
            QVERIFY(l.file(QStringLiteral("d%1/f%2").arg(i % 7).arg(i), QByteArray::number(i)));
        auto job = MakeJob(left.path(), right.path());
        AnalysisOutcome analysis = RunAnalysis(*job);
        auto root = BuildRowsOf(*job, *analysis.Tree, TRowBuilder::Mode::Changes);
        const std::vector<TResultRow*> rows = FileRows(*root);
        QCOMPARE(rows.size(), size_t(200));
        QStringList pathsSeen;
        TFileSync* current = nullptr;
        SyncOutcome sync;
        {
            QObject receiver;
            QEventLoop loop;
            current = new TFileSync(
                *root, &receiver, *job,
                [&](int id, qint64 w, qint64 l) {
                    sync.Messages.push_back(Message{id, w, l});
                    if (id == WM_COPY_RESULT)
                        pathsSeen.append(current->LastRightPath);
                },
                [&](TFileSync& finished) {
                    sync.Done = finished.SyncDoneCount;
                    loop.quit();
                },
                10000);
            loop.exec();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        QCOMPARE(sync.Done, 200);
        QCOMPARE(sync.Messages.size(), size_t(400));
        for (int i = 0; i < 200; ++i) {
            QCOMPARE(sync.Messages[size_t(2 * i)], (Message{WM_PROGRESS, 0, i + 1}));
            QCOMPARE(sync.Messages[size_t(2 * i + 1)], (Message{WM_COPY_RESULT, 4, 2}));
            QCOMPARE(pathsSeen.at(i), rows[size_t(i)]->RightPath);
        }
    }

    void copiesBothWaysIntoMissingFoldersAndEndEqual()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        QVERIFY(l.file(QStringLiteral("a/b/new.txt"), "left only", Old));
        QVERIFY(r.file(QStringLiteral("c/from-right.txt"), "right only", Old));
        QVERIFY(l.file(QStringLiteral("both.txt"), "older", Old));
        QVERIFY(r.file(QStringLiteral("both.txt"), "newer", New));
        auto job = MakeJob(left.path(), right.path());
        AnalysisOutcome first = RunAnalysis(*job);
        auto root = BuildRowsOf(*job, *first.Tree, TRowBuilder::Mode::Changes);
        SyncOutcome sync = RunSync(*job, *root);
        QCOMPARE(sync.Done, 3);
        QCOMPARE(r.read(QStringLiteral("a/b/new.txt")), QByteArray("left only"));
        QCOMPARE(l.read(QStringLiteral("c/from-right.txt")), QByteArray("right only"));
        QCOMPARE(l.read(QStringLiteral("both.txt")), QByteArray("newer"));

        AnalysisOutcome second = RunAnalysis(*job);
        QCOMPARE(second.Tree->LeftCount + second.Tree->RightCount, 0);
        QCOMPARE(second.Tree->FileCount, 3);
    }

    void folderRowsAndRowsWithoutDirectionAreNotCopied()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path());
        QVERIFY(l.file(QStringLiteral("folder/file"), "1"));
        QVERIFY(l.file(QStringLiteral("skip"), "1"));
        auto job = MakeJob(left.path(), right.path());
        AnalysisOutcome analysis = RunAnalysis(*job);
        auto root = BuildRowsOf(*job, *analysis.Tree, TRowBuilder::Mode::All);
        for (int i = 0; i < root->ChildCount(); ++i) {
            TResultRow* row = root->Child(i);
            row->Direction = row->Kind == 1 ? SyncDirection::LeftToRight : SyncDirection::None;
            for (TResultRow* file : FileRows(*row))
                file->Direction = SyncDirection::None;
        }
        SyncOutcome sync = RunSync(*job, *root);
        QVERIFY(sync.Messages.empty());
        QCOMPARE(sync.Handled, 0);
        QVERIFY(QDir(right.path()).isEmpty());
    }

    void writeFailureIsCountedAndTheRunGoesOn()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        QVERIFY(l.file(QStringLiteral("1-blocked"), "new", New));
        QVERIFY(r.file(QStringLiteral("1-blocked"), "old", Old));
        QVERIFY(r.setMode(QStringLiteral("1-blocked"), 0444));
        QVERIFY(l.file(QStringLiteral("2-fine"), "fine", New));
        auto job = MakeJob(left.path(), right.path());
        AnalysisOutcome analysis = RunAnalysis(*job);
        auto root = BuildRowsOf(*job, *analysis.Tree, TRowBuilder::Mode::Changes);
        SyncOutcome sync = RunSync(*job, *root);
        QCOMPARE(sync.Errors, 1);
        QCOMPARE(sync.Done, 1);
        QCOMPARE(r.read(QStringLiteral("1-blocked")), QByteArray("old"));
        QCOMPARE(r.read(QStringLiteral("2-fine")), QByteArray("fine"));
        const bool writeReported = std::find(sync.Messages.begin(), sync.Messages.end(),
                                             Message{WM_COPY_RESULT, 1, 0}) != sync.Messages.end();
        QVERIFY(writeReported);
    }

    // A file the filters left out on the other side was never compared: a copy of
    // its one-sided namesake does not overwrite it, unless its version is kept.
    void oneSidedCopyNeverOverwritesAFileItDidNotCompare()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        QVERIFY(l.file(QStringLiteral("a.txt"), "small", Old));
        QVERIFY(r.file(QStringLiteral("a.txt"), "a much larger and newer file", New));
        auto job = MakeJob(left.path(), right.path());
        job->IncFileSizeMax = 10;
        AnalysisOutcome analysis = RunAnalysis(*job);
        QCOMPARE(analysis.Tree->LeftCount, 1);
        auto root = BuildRowsOf(*job, *analysis.Tree, TRowBuilder::Mode::Changes);
        SyncOutcome refused = RunSync(*job, *root);
        QCOMPARE(refused.Errors, 1);
        QCOMPARE(refused.Messages.front(), (Message{WM_COPY_RESULT, 1, 0}));
        QCOMPARE(r.read(QStringLiteral("a.txt")), QByteArray("a much larger and newer file"));

        job->SaveOldFile = 1;
        auto again = BuildRowsOf(*job, *analysis.Tree, TRowBuilder::Mode::Changes);
        QCOMPARE(RunSync(*job, *again).Done, 1);
        QCOMPARE(r.read(QStringLiteral("a.txt")), QByteArray("small"));
        QCOMPARE(r.read(QStringLiteral("__Save__/a.txt")),
                 QByteArray("a much larger and newer file"));
    }

    void cancelLetsTheCurrentFileFinish()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path());
        for (int i = 0; i < 5; ++i)
            QVERIFY(l.file(QStringLiteral("f%1").arg(i), "1"));
        auto job = MakeJob(left.path(), right.path());
        AnalysisOutcome analysis = RunAnalysis(*job);
        auto root = BuildRowsOf(*job, *analysis.Tree, TRowBuilder::Mode::Changes);
        SyncOutcome sync = RunSync(*job, *root, [&](int id, qint64, qint64) {
            if (id == WM_COPY_RESULT)
                job->Cancelled = true;
        });
        QCOMPARE(sync.Done, 1);
        QCOMPARE(QDir(right.path()).entryList(QDir::Files).size(), 1);
    }

    void savedVersionsThroughARun()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        QVERIFY(l.file(QStringLiteral("d/doc"), "version 2", New));
        QVERIFY(r.file(QStringLiteral("d/doc"), "version 1", Old));
        auto job = MakeJob(left.path(), right.path());
        job->SaveOldFile = 1;
        AnalysisOutcome analysis = RunAnalysis(*job);
        auto root = BuildRowsOf(*job, *analysis.Tree, TRowBuilder::Mode::Changes);
        QCOMPARE(RunSync(*job, *root).Done, 1);
        QCOMPARE(r.read(QStringLiteral("__Save__/d/doc")), QByteArray("version 1"));
        QCOMPARE(r.read(QStringLiteral("d/doc")), QByteArray("version 2"));
        // The kept version is invisible to the next analysis.
        AnalysisOutcome again = RunAnalysis(*job);
        QCOMPARE(again.Tree->FileCount, 1);
    }

    void rowsOfBothModesAndOneWayJobs()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        QVERIFY(l.file(QStringLiteral("same"), "1", Old));
        QVERIFY(r.file(QStringLiteral("same"), "1", Old));
        QVERIFY(l.file(QStringLiteral("lonly"), "1", Old));
        QVERIFY(r.file(QStringLiteral("ronly"), "1", Old));
        QVERIFY(l.file(QStringLiteral("lnewer"), "1", New));
        QVERIFY(r.file(QStringLiteral("lnewer"), "1", Old));
        QVERIFY(l.file(QStringLiteral("rnewer"), "1", Old));
        QVERIFY(r.file(QStringLiteral("rnewer"), "1", New));
        QVERIFY(l.file(QStringLiteral("quiet/x"), "1", Old));
        QVERIFY(r.file(QStringLiteral("quiet/x"), "1", Old));
        QVERIFY(r.file(QStringLiteral("fromright/y"), "1", Old));
        auto job = MakeJob(left.path(), right.path());
        AnalysisOutcome analysis = RunAnalysis(*job);
        const TFileAttri& tree = *analysis.Tree;

        auto lines = [&](TRowBuilder::Mode mode) {
            QStringList described = Describe(*BuildRowsOf(*job, tree, mode));
            described.sort();
            return described;
        };
        QCOMPARE(lines(TRowBuilder::Mode::Changes),
                 (QStringList{QStringLiteral("  y 2>1"), QStringLiteral("fromright/"),
                              QStringLiteral("lnewer 4>2"), QStringLiteral("lonly 1>2"),
                              QStringLiteral("rnewer 3>1"), QStringLiteral("ronly 2>1")}));
        QCOMPARE(lines(TRowBuilder::Mode::All).size(), 9);
        QVERIFY(lines(TRowBuilder::Mode::All).contains(QStringLiteral("same 0>0")));

        job->SyncDirection = 2;
        QCOMPARE(lines(TRowBuilder::Mode::Changes),
                 (QStringList{QStringLiteral("lnewer 4>2"), QStringLiteral("lonly 1>2")}));
        QCOMPARE(lines(TRowBuilder::Mode::All),
                 (QStringList{QStringLiteral("  x 0>0"), QStringLiteral("lnewer 4>2"),
                              QStringLiteral("lonly 1>2"), QStringLiteral("quiet/"),
                              QStringLiteral("same 0>0")}));
        job->SyncDirection = 1;
        QCOMPARE(lines(TRowBuilder::Mode::Changes),
                 (QStringList{QStringLiteral("  y 2>1"), QStringLiteral("fromright/"),
                              QStringLiteral("rnewer 3>1"), QStringLiteral("ronly 2>1")}));
    }

    void stateDefaultsAndFolderRows()
    {
        struct Expected
        {
            qint32 Left, Right, Direction, Direct;
        };
        const Expected table[] = {
            {0, 0, 0, 16}, {20, 8, 2, 6}, {12, 20, 1, 6}, {12, 10, 1, 6}, {14, 8, 2, 6}};
        for (qint32 state = 0; state <= 4; ++state) {
            TResultRow row;
            row.State = state;
            ApplyStateDefaults(row);
            QCOMPARE(row.LeftImage, table[state].Left);
            QCOMPARE(row.RightImage, table[state].Right);
            QCOMPARE(row.Direction, table[state].Direction);
            QCOMPARE(row.DirectImage, table[state].Direct);
        }
        auto root = MakeRootRow(QStringLiteral("Job"));
        QCOMPARE(root->Kind, 1);
        QCOMPARE(root->ItemImage, 6);
        QCOMPARE(root->LeftImage, 24);
        QCOMPARE(root->RightImage, 22);
        QCOMPARE(root->Direction, 0);
    }

    void filesUnderAnUnreadableFolderGetNoDirection()
    {
        TFileAttri tree;
        auto folder = std::make_unique<TFileAttri>();
        folder->Kind = 1;
        folder->ItemName = QStringLiteral("locked");
        folder->State = 0;
        folder->SideUnreadable = true;
        folder->RightCount = 1;
        folder->FileCount = 1;
        auto file = std::make_unique<TFileAttri>();
        file->ItemName = QStringLiteral("seen-on-the-right");
        file->State = 2;
        file->SideUnreadable = true;
        folder->AddChild(std::move(file));
        tree.AddChild(std::move(folder));
        TSyncTask job;
        auto root = BuildRowsOf(job, tree, TRowBuilder::Mode::Changes);
        TResultRow* row = root->Child(0)->Child(0);
        QCOMPARE(row->Direction, 0);
        QCOMPARE(row->DirectImage, RowImage::DontMove);
    }

    void cancelledBuildAddsNoRows()
    {
        TFileAttri tree;
        auto file = std::make_unique<TFileAttri>();
        file->State = 1;
        tree.AddChild(std::move(file));
        TSyncTask job;
        job.Cancelled = true;
        QCOMPARE(BuildRowsOf(job, tree, TRowBuilder::Mode::All)->ChildCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSync)
#include "tst_sync.moc"
