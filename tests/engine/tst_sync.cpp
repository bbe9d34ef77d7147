#include "EngineHelpers.h"
#include "RowTrees.h"
#include "ScratchFileSystem.h"
#include "TreeBuilder.h"
#include "engine/SyncStateFile.h"
#include "engine/UFileOper.h"
#include "engine/UFileSync.h"
#include "run/RunLock.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <map>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QDateTime Old = LocalTime(2021, 3, 4);
const QDateTime New = LocalTime(2023, 5, 6);

// Rows of a comparison tree built for the job as it is now.
std::unique_ptr<TResultRow> BuildRowsOf(const TSyncTask& job, const TFileAttri& tree,
                                        TRowBuilder::Mode mode)
{
    auto root = MakeRootRow(job.SyncName);
    TRowBuilder builder(job, mode);
    builder.BuildRows(*root, tree);
    return root;
}

QStringList Describe(const TResultRow& row, const QString& indent = QString())
{
    QStringList lines;
    for (int i = 0; i < row.ChildCount(); ++i) {
        const TResultRow* child = row.Child(i);
        lines.append(indent + child->Name +
                     (child->Kind == ItemKind::Folder
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
        TestRun run;
        QVERIFY(run.Analyze(*job));
        const std::vector<TResultRow*> rows = FileRows(run.Root());
        QCOMPARE(rows.size(), size_t(10));
        QVERIFY(QFile::remove(LeftPathOf(*rows[2], *job)));

        run.Sync(*job);
        QCOMPARE(run.Driver.SyncErrorCount, 1);
        QCOMPARE(run.Driver.SyncDoneCount, 9);
        QCOMPARE(run.Driver.FailedFiles, QStringList{LeftPathOf(*rows[2], *job)});
        std::vector<Message> expected;
        for (int i = 1; i <= 10; ++i) {
            if (i == 3) {
                expected.push_back({Report::Progress, i});
                expected.push_back({Report::ReadFailed});
            } else {
                expected.push_back({Report::Progress, i});
                expected.push_back({Report::Copied, SyncDirection::LeftToRight});
            }
        }
        QCOMPARE(run.Log.Messages, expected);
        const TFileReport& failed = run.Log.Files[2];
        QCOMPARE(failed.Source, LeftPathOf(*rows[2], *job));
        QCOMPARE(failed.Row, rows[2]);
        QVERIFY(!failed.Error.isEmpty());
        // The failed row is left as it was; the copied ones carry their new paths
        // and the "copied" pictures, and were handed over for repainting.
        QVERIFY(RightPathOf(*rows[2], *job).isEmpty());
        QCOMPARE(rows[2]->DirectImage, RowImage::CanMove);
        QCOMPARE(RightPathOf(*rows[0], *job), SyncPath::Join(right.path(), rows[0]->Name));
        QCOMPARE(run.Log.Files[0].RightPath, RightPathOf(*rows[0], *job));
        QCOMPARE(rows[0]->DirectImage, RowImage::SameContent);
        QCOMPARE(rows[0]->LeftImage, RowImage::Empty);
        QCOMPARE(qint32(rows[0]->Direction), SyncDirection::LeftToRight);
        QCOMPARE(run.Log.Copied.size(), size_t(9));
        QCOMPARE(run.Log.Visited, 10);
        QCOMPARE(run.Log.Finished, 1);
    }

    // Handing over many files at once changes nothing the page sees.
    void batchedDeliveryKeepsEveryMessageInOrder()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path());
        for (int i = 0; i < 200; ++i)
            QVERIFY(l.file(QStringLiteral("d%1/f%2").arg(i % 7).arg(i), QByteArray::number(i)));
        auto job = MakeJob(left.path(), right.path());
        TestRun run;
        QVERIFY(run.Analyze(*job));
        run.Driver.ReportIntervalMs = 10000;
        run.Sync(*job);
        const std::vector<TResultRow*> rows = FileRows(run.Root());
        QCOMPARE(run.Driver.SyncDoneCount, 200);
        QCOMPARE(run.Log.Messages.size(), size_t(400));
        for (int i = 0; i < 200; ++i) {
            QCOMPARE(run.Log.Messages[size_t(2 * i)], (Message{Report::Progress, i + 1}));
            QCOMPARE(run.Log.Messages[size_t(2 * i + 1)],
                     (Message{Report::Copied, SyncDirection::LeftToRight}));
            QCOMPARE(run.Log.Files[size_t(i)].RightPath, RightPathOf(*rows[size_t(i)], *job));
        }
        // Seven folder rows and 200 file rows.
        QCOMPARE(run.Log.Visited, 207);
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
        TestRun run;
        QVERIFY(run.Analyze(*job));
        run.Sync(*job);
        QCOMPARE(run.Driver.SyncDoneCount, 3);
        QCOMPARE(r.read(QStringLiteral("a/b/new.txt")), QByteArray("left only"));
        QCOMPARE(l.read(QStringLiteral("c/from-right.txt")), QByteArray("right only"));
        QCOMPARE(l.read(QStringLiteral("both.txt")), QByteArray("newer"));

        AnalysisOutcome second = RunAnalysis(*job);
        QCOMPARE(second.Tree->LeftCount + second.Tree->RightCount, 0);
        QCOMPARE(second.Tree->FileCount, 3);
    }

    // A name that begins with a byte-order mark (U+FEFF) names its own file,
    // also in a folder of that name, beside the names without it.
    void namesThatBeginWithAByteOrderMark()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        const QString mark(QChar(0xFEFF));
        QVERIFY(l.file(mark + QStringLiteral("x.txt"), "marked", Old));
        QVERIFY(l.file(QStringLiteral("x.txt"), "plain", Old));
        QVERIFY(l.file(mark + QStringLiteral("d/y.txt"), "in a marked folder", Old));
        QVERIFY(r.file(QStringLiteral("x.txt"), "older", Old.addYears(-1)));
        auto job = MakeJob(left.path(), right.path());
        TestRun run;
        QVERIFY(run.Analyze(*job));
        run.Sync(*job);
        QCOMPARE(run.Driver.SyncErrorCount, 0);
        QCOMPARE(run.Driver.SyncDoneCount, 3);
        QCOMPARE(r.read(mark + QStringLiteral("x.txt")), QByteArray("marked"));
        QCOMPARE(r.read(QStringLiteral("x.txt")), QByteArray("plain"));
        QCOMPARE(r.read(mark + QStringLiteral("d/y.txt")), QByteArray("in a marked folder"));
    }

    // A side that ignores case would hold twins in one file: they are copied in
    // neither direction, the other files are, and a twin already on that side
    // counts too.
    void namesThatDifferOnlyInCaseAreNotCopiedToACaseBlindSide()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        for (const char* name : {"Dir/x", "dir/x", "A.txt", "a.txt", "q.txt", "plain.txt"})
            QVERIFY(l.file(QString::fromLatin1(name), name, Old));
        QVERIFY(r.file(QStringLiteral("Q.txt"), "right", Old));
        auto job = MakeJob(left.path(), right.path());
        TestRun run;
        QVERIFY(run.Analyze(*job));
        TRecorder log;
        QObject receiver;
        std::atomic<bool> cancel{false};
        TFileSync sync(run.Root(), *run.Driver.Job(), cancel, &receiver, log, 50);
        sync.FolderIgnoresCase = [&](const QString& root) { return root == right.path(); };
        sync.start();
        QTRY_VERIFY_WITH_TIMEOUT(sync.isFinished(), 60000);
        QCOMPARE(sync.SyncDoneCount, 1);
        QCOMPARE(sync.SyncErrorCount, 6);
        QStringList told;
        for (const TFileReport& file : log.Files) {
            if (file.Outcome != TFileReport::TOutcome::Copied)
                told.append(file.Error);
        }
        const QString text = QStringLiteral(
            "Two names differ only in case and the target folder cannot keep both: ");
        for (const char* name : {"Dir/x", "dir/x", "A.txt", "a.txt", "q.txt", "Q.txt"})
            QVERIFY2(told.contains(text + r.path(QString::fromLatin1(name))), name);
        QStringList onRight = QDir(right.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        onRight.sort(Qt::CaseSensitive);
        QCOMPARE(onRight, (QStringList{QStringLiteral("Q.txt"), QStringLiteral("plain.txt")}));
        QVERIFY(!l.exists(QStringLiteral("Q.txt")));
    }

    // The same on a real exFAT drive, which the run recognises by itself.
    void twinNamesOnAnExfatDrive()
    {
        ScratchFileSystem drive;
        const QString why = drive.Mount(ScratchFileSystem::Kind::ExfatFuse, 32);
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        QTemporaryDir left;
        TreeBuilder l(left.path()), r(drive.Path());
        for (const char* name : {"Dir/x", "dir/x", "A.txt", "a.txt", "plain.txt"})
            QVERIFY(l.file(QString::fromLatin1(name), name, Old));
        auto job = MakeJob(left.path(), drive.Path());
        TestRun run;
        QVERIFY(run.Analyze(*job));
        run.Sync(*job);
        QCOMPARE(run.Driver.SyncErrorCount, 4);
        QCOMPARE(
            QDir(drive.Path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList{QStringLiteral("plain.txt")});
    }

    // A drive whose write-back fails (an ext4 image on a tmpfs too small for
    // it): the files the failed flush covered are failed, not done, and the
    // record of the last sync keeps none of them as in step.
    void writeBackErrorFailsTheFilesItCovers()
    {
        ScratchFileSystem small;
        QString why = small.Mount(ScratchFileSystem::Kind::Tmpfs, 8);
        ScratchFileSystem drive;
        if (why.isEmpty())
            why = drive.Mount(ScratchFileSystem::Kind::Ext4, 64, small.Path());
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        QTemporaryDir left;
        TreeBuilder l(left.path());
        for (int i = 0; i < 4; ++i) {
            QByteArray data(3 * 1024 * 1024, 0);
            for (char& c : data)
                c = char(QRandomGenerator::global()->generate());
            QVERIFY(l.file(QStringLiteral("f%1").arg(i), data));
        }
        auto job = MakeJob(left.path(), drive.Path());
        QTemporaryDir records;
        TestRun run;
        run.Driver.SyncStateFolder = records.path();
        QVERIFY(run.Analyze(*job));
        run.Sync(*job);
        QCOMPARE(run.Driver.SyncDoneCount, 0);
        QCOMPARE(run.Driver.SyncErrorCount, 4);
        QString unreadable;
        QCOMPARE(
            TSyncStateFile(records.path(), left.path(), drive.Path()).Load(unreadable).EntryCount(),
            qint64(0));
        QCOMPARE(run.Driver.FailedFiles.size(), 4);
        const QString text =
            QStringLiteral("The target file system reported a write error: ") + drive.Path();
        int told = 0;
        for (const TFileReport& file : run.Log.Files)
            told +=
                file.Outcome == TFileReport::TOutcome::WriteFailed && file.Error.startsWith(text);
        QCOMPARE(told, 4);
    }

    // A source that became a FIFO after the analysis is not opened for reading
    // (which would wait for a writer for ever): it fails, the rest is copied.
    void sourceReplacedByAFifoFailsAtOnce()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        QVERIFY(l.file(QStringLiteral("a.txt"), "a"));
        QVERIFY(l.file(QStringLiteral("b.txt"), "b"));
        auto job = MakeJob(left.path(), right.path());
        TestRun run;
        QVERIFY(run.Analyze(*job));
        const QByteArray fifo = QFile::encodeName(l.path(QStringLiteral("a.txt")));
        QVERIFY(::unlink(fifo.constData()) == 0 && ::mkfifo(fifo.constData(), 0600) == 0);
        run.Sync(*job);
        QCOMPARE(run.Driver.SyncDoneCount, 1);
        QCOMPARE(run.Driver.SyncErrorCount, 1);
        const auto failed =
            std::find_if(run.Log.Files.begin(), run.Log.Files.end(), [](const TFileReport& f) {
                return f.Outcome == TFileReport::TOutcome::ReadFailed;
            });
        QVERIFY(failed != run.Log.Files.end());
        QCOMPARE(failed->Error,
                 QStringLiteral("Not a regular file: ") + l.path(QStringLiteral("a.txt")));
        QVERIFY(!r.exists(QStringLiteral("a.txt")));
    }

    // A root moved away after the analysis, with a link to another folder in
    // its place, is not written through: the sync is refused.
    void rootSwappedForALinkAfterTheAnalysisIsRefused()
    {
        QTemporaryDir base;
        TreeBuilder b(base.path());
        QVERIFY(b.file(QStringLiteral("left/a.txt"), "a"));
        QVERIFY(b.folder(QStringLiteral("right")));
        QVERIFY(b.folder(QStringLiteral("elsewhere")));
        const QString right = b.path(QStringLiteral("right"));
        auto job = MakeJob(b.path(QStringLiteral("left")), right);
        TestRun run;
        QVERIFY(run.Analyze(*job));
        QVERIFY(QDir(base.path()).rename(QStringLiteral("right"), QStringLiteral("moved")));
        QVERIFY(QFile::link(b.path(QStringLiteral("elsewhere")), right));
        QVERIFY(!run.Driver.StartSync(*job));
        QCOMPARE(run.Driver.SyncRefusalText(),
                 QStringLiteral("The folder changed since the analysis: ") + right);
        QVERIFY(!b.exists(QStringLiteral("elsewhere/a.txt")));
        QVERIFY(!b.exists(QStringLiteral("moved/a.txt")));

        // Put back, the same folder is synced.
        QVERIFY(QFile::remove(right));
        QVERIFY(QDir(base.path()).rename(QStringLiteral("moved"), QStringLiteral("right")));
        run.Sync(*job);
        QCOMPARE(run.Driver.SyncDoneCount, 1);
    }

    // Copies on an exFAT drive keep their time, so the next analysis finds them
    // equal; a drive that cannot hold a time (ext4 with small inodes ends in
    // 2038) is told once for its root, and its copies still count as made.
    void timesOnDrivesThatKeepThemAndOnOnesThatDoNot()
    {
        ScratchFileSystem exfat;
        ScratchFileSystem ext4;
        QString why = exfat.Mount(ScratchFileSystem::Kind::ExfatFuse, 32);
        if (why.isEmpty())
            why = ext4.Mount(ScratchFileSystem::Kind::Ext4SmallInodes, 16);
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        QTemporaryDir left;
        TreeBuilder l(left.path());
        QVERIFY(l.file(QStringLiteral("a.txt"), "a", Old));
        QVERIFY(l.file(QStringLiteral("b.txt"), "b", New));
        auto toExfat = MakeJob(left.path(), exfat.Path());
        TestRun run;
        QVERIFY(run.Analyze(*toExfat));
        run.Sync(*toExfat);
        QCOMPARE(run.Driver.SyncDoneCount, 2);
        QVERIFY(run.Driver.TimesNotKept.isEmpty());
        QVERIFY(run.Analyze(*toExfat));
        QCOMPARE(run.Driver.CompareTree->LeftCount + run.Driver.CompareTree->RightCount, 0);

        QVERIFY(l.setTime(QStringLiteral("a.txt"), LocalTime(2040, 1, 1)));
        QVERIFY(l.setTime(QStringLiteral("b.txt"), LocalTime(2041, 1, 1)));
        auto toExt4 = MakeJob(left.path(), ext4.Path());
        QVERIFY(run.Analyze(*toExt4));
        run.Sync(*toExt4);
        QCOMPARE(run.Driver.SyncDoneCount, 2);
        QCOMPARE(run.Driver.TimesNotKept, QStringList{ext4.Path()});
    }

    // Names an exFAT drive cannot hold are told as such, not as missing files.
    void namesTheDriveDoesNotAllow()
    {
        ScratchFileSystem drive;
        const QString why = drive.Mount(ScratchFileSystem::Kind::ExfatFuse, 32);
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        QTemporaryDir left;
        TreeBuilder l(left.path()), r(drive.Path());
        for (const char* name : {"c:d", "q?/x", "ok"})
            QVERIFY(l.file(QString::fromLatin1(name), name, Old));
        auto job = MakeJob(left.path(), drive.Path());
        TestRun run;
        QVERIFY(run.Analyze(*job));
        run.Sync(*job);
        QCOMPARE(run.Driver.SyncDoneCount, 1);
        QStringList told;
        for (const TFileReport& file : run.Log.Files)
            told.append(file.Error);
        told.sort();
        const QString text = QStringLiteral("The name is not allowed on the target: ");
        QCOMPARE(told, (QStringList{QString(), text + r.path(QStringLiteral("c:d")),
                                    text + r.path(QStringLiteral("q?/x"))}));
    }

    // A direction is read when the run reaches its row: the user may change the
    // rows still ahead while the run goes on.
    void directionsChangedDuringARunAreHonoured()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        for (int i = 0; i < 6; ++i)
            QVERIFY(l.file(QStringLiteral("f%1").arg(i), "new", New));
        QVERIFY(r.file(QStringLiteral("f4"), "kept", Old));
        QVERIFY(l.file(QStringLiteral("g/keep-out"), "1", Old));
        QVERIFY(r.file(QStringLiteral("g/keep-out"), "1", Old));
        auto job = MakeJob(left.path(), right.path());
        TestRun run;
        QVERIFY(run.Analyze(*job, TRowBuilder::Mode::All));
        std::map<QString, TResultRow*> rows;
        for (TResultRow* row : FileRows(run.Root()))
            rows[row->Name] = row;
        QCOMPARE(rows.size(), size_t(7));
        // At the first file: the other files but one are set not to copy, and the
        // equal file to copy left to right.
        QString first;
        run.OnSyncMessage = [&](const Message& m) {
            if (!m.IsFileResult() || !first.isEmpty())
                return;
            first = run.Log.Files.front().Row->Name;
            for (auto& [name, row] : rows) {
                if (name != first && name != QStringLiteral("f5"))
                    row->Direction = SyncDirection::None;
            }
            rows[QStringLiteral("keep-out")]->Direction = SyncDirection::LeftToRight;
        };
        run.Sync(*job);
        QCOMPARE(run.Driver.SyncDoneCount, first == QStringLiteral("f5") ? 2 : 3);
        QCOMPARE(r.read(QStringLiteral("f4")),
                 QByteArray(first == QStringLiteral("f4") ? "new" : "kept"));
        QCOMPARE(r.read(QStringLiteral("f5")), QByteArray("new"));
        for (const QString& name : {QStringLiteral("f0"), QStringLiteral("f1"),
                                    QStringLiteral("f2"), QStringLiteral("f3")})
            QCOMPARE(r.exists(name), name == first);
        QVERIFY(std::any_of(run.Log.Files.begin(), run.Log.Files.end(), [&](const TFileReport& f) {
            return f.Row == rows[QStringLiteral("keep-out")];
        }));
    }

    // A run works on the job as it was when the analysis started: an edit made
    // meanwhile changes nothing in it.
    void editingTheJobDuringARunChangesNothingInIt()
    {
        QTemporaryDir left, right, elsewhere;
        TreeBuilder l(left.path());
        QVERIFY(l.file(QStringLiteral("a.txt"), "1"));
        QVERIFY(l.file(QStringLiteral("b.log"), "1"));
        auto job = MakeJob(left.path() + QStringLiteral("/./"), right.path());
        TestRun run;
        run.Log.OnMessage = [&](const Message& m) {
            if (m.Kind != Report::ComparingStarted)
                return;
            job->LFolder.FolerAllName = elsewhere.path();
            job->RFolder.FolerAllName = elsewhere.path();
            job->ExcludeFilterr = QStringList{QStringLiteral(".log")};
        };
        QVERIFY(run.Analyze(*job));
        QCOMPARE(run.Driver.Job()->LFolder.FolerAllName, left.path());
        QCOMPARE(run.Driver.CompareTree->FileCount, 2);
        run.Sync(*job);
        QCOMPARE(run.Driver.SyncDoneCount, 2);
        QVERIFY(QFile::exists(right.path() + QStringLiteral("/b.log")));
        QVERIFY(QDir(elsewhere.path()).isEmpty());
    }

    void folderRowsAndRowsWithoutDirectionAreNotCopied()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path());
        QVERIFY(l.file(QStringLiteral("folder/file"), "1"));
        QVERIFY(l.file(QStringLiteral("skip"), "1"));
        auto job = MakeJob(left.path(), right.path());
        TestRun run;
        QVERIFY(run.Analyze(*job, TRowBuilder::Mode::All));
        for (int i = 0; i < run.Root().ChildCount(); ++i) {
            TResultRow* row = run.Root().Child(i);
            row->Direction =
                row->Kind == ItemKind::Folder ? SyncDirection::LeftToRight : SyncDirection::None;
            for (TResultRow* file : FileRows(*row))
                file->Direction = SyncDirection::None;
        }
        run.Sync(*job);
        QVERIFY(run.Log.Messages.empty());
        QCOMPARE(run.Driver.SyncDoneCount + run.Driver.SyncErrorCount, 0);
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
        TestRun run;
        QVERIFY(run.Analyze(*job));
        run.Sync(*job);
        QCOMPARE(run.Driver.SyncErrorCount, 1);
        QCOMPARE(run.Driver.SyncDoneCount, 1);
        QCOMPARE(r.read(QStringLiteral("1-blocked")), QByteArray("old"));
        QCOMPARE(r.read(QStringLiteral("2-fine")), QByteArray("fine"));
        const auto failed =
            std::find_if(run.Log.Files.begin(), run.Log.Files.end(), [](const TFileReport& f) {
                return f.Outcome == TFileReport::TOutcome::WriteFailed;
            });
        QVERIFY(failed != run.Log.Files.end());
        QVERIFY(failed->Source.endsWith(QStringLiteral("1-blocked")));
        QVERIFY(failed->Error.contains(QStringLiteral("read-only")));
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
        TestRun run;
        QVERIFY(run.Analyze(*job));
        QCOMPARE(run.Driver.CompareTree->LeftCount, 1);
        run.Sync(*job);
        QCOMPARE(run.Driver.SyncErrorCount, 1);
        QCOMPARE(run.Log.Messages.at(1), (Message{Report::WriteFailed}));
        QCOMPARE(r.read(QStringLiteral("a.txt")), QByteArray("a much larger and newer file"));

        // Keeping old versions, chosen after the analysis, counts for the sync.
        job->SaveOldFile = 1;
        QVERIFY(run.Driver.BuildRows(TRowBuilder::Mode::Changes));
        run.Sync(*job);
        QCOMPARE(run.Driver.SyncDoneCount, 1);
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
        TestRun run;
        QVERIFY(run.Analyze(*job));
        run.OnSyncMessage = [&](const Message& m) {
            if (m.IsFileResult())
                run.Driver.Cancel();
        };
        run.Sync(*job);
        QVERIFY(run.Driver.WasCancelled());
        QCOMPARE(run.Driver.SyncDoneCount, 1);
        QCOMPARE(run.Log.Finished, 1);
        QCOMPARE(QDir(right.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    // With several copiers, a cancel in the middle lets the copies under way
    // finish and starts no other; every copy made is whole and reported, in row
    // order. The copiers run below the priority of the thread that started them.
    void cancelWithSeveralCopiersStartsNoFurtherCopy()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        for (int i = 0; i < 400; ++i)
            QVERIFY(l.file(QStringLiteral("d%1/f%2").arg(i % 4).arg(i),
                           QByteArray(3000 + i, char('a' + i % 26))));
        auto job = MakeJob(left.path(), right.path());
        TestRun run;
        QVERIFY(run.Analyze(*job));
        const std::vector<TResultRow*> rows = FileRows(run.Root());
        std::atomic<bool> cancel{false};
        std::atomic<int> starts{0};
        std::atomic<int> startsAfterCancel{0};
        std::atomic<int> copierNice{-100};
        TRecorder log;
        QObject receiver;
        TFileSync sync(run.Root(), *run.Driver.Job(), cancel, &receiver, log, 50);
        QVERIFY(sync.CopierCount >= 2);
        sync.BeforeCopy = [&](size_t row) {
            ++starts;
            if (row == 0)
                copierNice = ::getpriority(PRIO_PROCESS, id_t(::gettid()));
            if (cancel.load())
                ++startsAfterCancel;
            if (row == 200)
                cancel = true;
        };
        sync.start();
        QTRY_VERIFY_WITH_TIMEOUT(sync.isFinished(), 60000);

        // A copier that had tested the flag just before it was set may still
        // start its row; no copier starts one after that.
        QVERIFY(startsAfterCancel.load() < sync.CopierCount);
        const int ownNice = ::getpriority(PRIO_PROCESS, id_t(::gettid()));
        QCOMPARE(copierNice.load(), std::min(ownNice + 5, 19));
        QVERIFY(sync.SyncDoneCount < 400);
        QCOMPARE(int(log.Files.size()), starts.load());
        QCOMPARE(sync.SyncDoneCount, starts.load());
        QStringList made;
        for (int i = 0; i < 4; ++i) {
            const QString folder = QStringLiteral("d%1/").arg(i);
            for (const QString& name : QDir(r.path(folder)).entryList(QDir::Files | QDir::Hidden))
                made.append(folder + name);
        }
        QCOMPARE(made.size(), starts.load());
        for (const QString& name : made)
            QCOMPARE(r.read(name), l.read(name));
        size_t next = 0;
        for (size_t i = 0; i < log.Files.size(); ++i) {
            QCOMPARE(log.Files[i].Handled, qint32(i + 1));
            while (next < rows.size() && rows[next] != log.Files[i].Row)
                ++next;
            QVERIFY2(next < rows.size(), "reports out of row order");
            ++next;
        }
        // The row in transfer at the cancel was finished.
        QVERIFY(!RightPathOf(*rows[200], *job).isEmpty() &&
                QFile::exists(RightPathOf(*rows[200], *job)));
    }

    // An unreadable folder is reported by the analysis and nothing below it is
    // copied, either way.
    void unreadableFolderIsReportedAndLeftAlone()
    {
        if (::geteuid() == 0) {
            // Root reads every folder: the case runs again as nobody.
            if (!CanDropPrivileges())
                QSKIP("needs setpriv to run as an unprivileged user");
            QProcess child;
            child.setProcessChannelMode(QProcess::MergedChannels);
            child.start(QStringLiteral("setpriv"),
                        {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                         QStringLiteral("--clear-groups"), QCoreApplication::applicationFilePath(),
                         QString::fromLatin1(QTest::currentTestFunction())});
            QVERIFY(child.waitForFinished(60000));
            QVERIFY2(child.exitCode() == 0, child.readAll().constData());
            return;
        }
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        QVERIFY(l.file(QStringLiteral("closed/inside.txt"), "left", Old));
        QVERIFY(r.file(QStringLiteral("closed/inside.txt"), "right", New));
        QVERIFY(r.file(QStringLiteral("closed/other.txt"), "other", New));
        QVERIFY(l.file(QStringLiteral("fine.txt"), "fine", New));
        // Names can be listed, entries cannot be examined.
        QVERIFY(l.setMode(QStringLiteral("closed"), 0600));
        auto job = MakeJob(left.path(), right.path());
        TestRun run;
        QVERIFY(run.Analyze(*job, TRowBuilder::Mode::All));
        QCOMPARE(run.Log.Unreadable, QStringList{l.path(QStringLiteral("closed/"))});
        run.Sync(*job);
        QVERIFY(l.setMode(QStringLiteral("closed"), 0700));
        QCOMPARE(run.Driver.SyncDoneCount, 1);
        QCOMPARE(r.read(QStringLiteral("fine.txt")), QByteArray("fine"));
        QCOMPARE(l.read(QStringLiteral("closed/inside.txt")), QByteArray("left"));
        QVERIFY(!l.exists(QStringLiteral("closed/other.txt")));
    }

    // Two runs never write into one tree at once: a run is refused while another
    // holds a tree that is the same, inside or around one of its own. A lock
    // left by a run that crashed holds nothing.
    void runsOnOneTreeAtOnceAreRefused()
    {
        QTemporaryDir base;
        TreeBuilder b(base.path());
        QVERIFY(b.file(QStringLiteral("left/a"), "1"));
        QVERIFY(b.folder(QStringLiteral("right/inner")));
        auto job = MakeJob(b.path(QStringLiteral("left")), b.path(QStringLiteral("right")));
        TestRun run;
        TRunLock other;
        QVERIFY(other.Take({b.path(QStringLiteral("right/inner"))}));
        QVERIFY(!run.Analyze(*job));
        QCOMPARE(run.Driver.Refusal, TRunDriver::InUse);
        QCOMPARE(run.Driver.BusyFolder, b.path(QStringLiteral("right")));
        QVERIFY(run.Log.Messages.empty());
        other.Release();

        QFile crashed(TRunLock::LockFolder() + QStringLiteral("/run-999999-1.roots"));
        QVERIFY(crashed.open(QIODevice::WriteOnly));
        crashed.write(QFile::encodeName(base.path()) + '\n');
        crashed.close();
        QVERIFY(run.Analyze(*job));
        QVERIFY(!crashed.exists());

        QVERIFY(other.Take({base.path()}));
        QVERIFY(!run.Driver.StartSync(*job));
        QCOMPARE(run.Driver.BusyFolder, b.path(QStringLiteral("left")));
        other.Release();
        run.Sync(*job);
        QCOMPARE(run.Driver.SyncDoneCount, 1);
    }

    // The lock lies on the tree, not in the user's runtime folder: a run of
    // another user or login (another runtime folder) is refused as well.
    void runsWithAnotherRuntimeFolderAreRefusedToo()
    {
        QTemporaryDir base, otherRuntime;
        TreeBuilder b(base.path());
        QVERIFY(b.file(QStringLiteral("left/a"), "1"));
        QVERIFY(b.folder(QStringLiteral("right/inner")));
        auto job = MakeJob(b.path(QStringLiteral("left")), b.path(QStringLiteral("right")));
        TRunLock other;
        QVERIFY(other.Take({b.path(QStringLiteral("right/inner"))}));
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(otherRuntime.path()));
        TestRun run;
        const bool analysed = run.Analyze(*job);
        const QString busy = run.Driver.BusyFolder;
        other.Release();
        TRunLock around;
        const bool aroundTaken = around.Take({base.path()});
        qputenv("XDG_RUNTIME_DIR", runtime);
        QVERIFY(!analysed);
        QCOMPARE(busy, b.path(QStringLiteral("right")));
        QVERIFY(aroundTaken);
    }

    void savedVersionsThroughARun()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        QVERIFY(l.file(QStringLiteral("d/doc"), "version 2", New));
        QVERIFY(r.file(QStringLiteral("d/doc"), "version 1", Old));
        auto job = MakeJob(left.path(), right.path());
        job->SaveOldFile = 1;
        TestRun run;
        QVERIFY(run.Analyze(*job));
        run.Sync(*job);
        QCOMPARE(run.Driver.SyncDoneCount, 1);
        QCOMPARE(r.read(QStringLiteral("__Save__/d/doc")), QByteArray("version 1"));
        QCOMPARE(r.read(QStringLiteral("d/doc")), QByteArray("version 2"));
        // The kept version is invisible to the next analysis.
        AnalysisOutcome again = RunAnalysis(*job);
        QCOMPARE(again.Tree->FileCount, 1);
    }

    // A kill between keeping the old version and putting the new file in place
    // leaves the kept version as a second name of the target, and perhaps a
    // temporary name in "__Save__": the next run leaves neither behind.
    void savedVersionLeftAsASecondNameOfTheTarget()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        QVERIFY(l.file(QStringLiteral("d/doc"), "version 2", New));
        QVERIFY(r.file(QStringLiteral("d/doc"), "version 1", Old));
        QVERIFY(r.folder(QStringLiteral("__Save__/d")));
        for (const char* name : {"__Save__/d/doc", "__Save__/d/.__FileSync__Ab12Cd"})
            QVERIFY(::link(QFile::encodeName(r.path(QStringLiteral("d/doc"))).constData(),
                           QFile::encodeName(r.path(QString::fromLatin1(name))).constData()) == 0);
        auto job = MakeJob(left.path(), right.path());
        job->SaveOldFile = 1;
        TestRun run;
        QVERIFY(run.Analyze(*job));
        run.Sync(*job);
        QCOMPARE(run.Driver.SyncDoneCount, 1);
        QCOMPARE(r.read(QStringLiteral("d/doc")), QByteArray("version 2"));
        QCOMPARE(r.read(QStringLiteral("__Save__/d/doc")), QByteArray("version 1"));
        QCOMPARE(QDir(r.path(QStringLiteral("__Save__/d"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("doc")});
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
        for (qint32 state = CompareState::Same; state <= CompareState::LeftNewer; ++state) {
            TResultRow row;
            row.State = state;
            ApplyStateDefaults(row);
            QCOMPARE(row.LeftImage, table[state].Left);
            QCOMPARE(row.RightImage, table[state].Right);
            QCOMPARE(row.Direction, table[state].Direction);
            QCOMPARE(row.DirectImage, table[state].Direct);
        }
        auto root = MakeRootRow(QStringLiteral("Job"));
        QCOMPARE(root->Kind, ItemKind::Folder);
        QCOMPARE(root->ItemImage, 6);
        QCOMPARE(root->LeftImage, 24);
        QCOMPARE(root->RightImage, 22);
        QCOMPARE(root->Direction, 0);
    }

    void filesUnderAnUnreadableFolderGetNoDirection()
    {
        TFileAttri tree;
        auto folder = std::make_unique<TFileAttri>();
        folder->Kind = ItemKind::Folder;
        folder->ItemName = QStringLiteral("locked");
        folder->State = CompareState::Same;
        folder->SideUnreadable = true;
        folder->RightCount = 1;
        folder->FileCount = 1;
        auto file = std::make_unique<TFileAttri>();
        file->ItemName = QStringLiteral("seen-on-the-right");
        file->State = CompareState::RightOnly;
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
        file->State = CompareState::LeftOnly;
        tree.AddChild(std::move(file));
        TSyncTask job;
        job.Cancelled = true;
        QCOMPARE(BuildRowsOf(job, tree, TRowBuilder::Mode::All)->ChildCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSync)
#include "tst_sync.moc"
