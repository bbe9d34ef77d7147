#include "EngineHelpers.h"
#include "RowTrees.h"
#include "TreeBuilder.h"
#include "engine/SyncStateFile.h"
#include "engine/SyncStateFormat.h"
#include "rows/RowText.h"
#include "run/RunLogText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QDateTime Old = LocalTime(2021, 3, 4);
const QDateTime New = LocalTime(2023, 5, 6);

// A record of a few folders, with names beyond ASCII, times before 1970 and
// sides that differ.
TSyncState SampleRecord(const TSyncStateFile& file)
{
    TSyncState record = file.Empty();
    record.Record({{"a.txt", {1, 1'600'000'000'123'456'789, 1, 1'600'000'000'123'456'789}},
                   {"ab.txt", {0, -5'000'000'001, 7, 42}},
                   {"sub/deeper/\xc3\xa9t\xc3\xa9.odt", {1LL << 40, 3, 1LL << 40, 4}},
                   {"sub/x", {9, 9, 9, 9}}});
    return record;
}

bool SameEntries(const TSyncState& a, const TSyncState& b)
{
    if (a.EntryCount() != b.EntryCount() || a.Folders().size() != b.Folders().size())
        return false;
    for (const TSyncState::TFolder& folder : a.Folders()) {
        for (const TSyncState::TEntry& entry : folder.Entries()) {
            const std::string path = folder.Path.empty()
                                         ? std::string(folder.Name(entry))
                                         : folder.Path + '/' + std::string(folder.Name(entry));
            const TSyncState::TSides* other = b.Find(path);
            if (other == nullptr || !(*other == entry.Values))
                return false;
        }
    }
    return true;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Two folders, a job between them and the records of their syncs.
struct Pair
{
    QTemporaryDir LeftDir, RightDir;
    TreeBuilder L{LeftDir.path()}, R{RightDir.path()};
    std::unique_ptr<TSyncTask> Job = MakeJob(LeftDir.path(), RightDir.path());
    QTemporaryDir Records;

    // An analysis with the record of the last sync.
    std::unique_ptr<TestRun> Analyze()
    {
        auto run = std::make_unique<TestRun>();
        run->Driver.SyncStateFolder = Records.path();
        if (!run->Analyze(*Job, TRowBuilder::Mode::All))
            QTest::qFail("the analysis failed", __FILE__, __LINE__);
        return run;
    }
    void AnalyzeAndSync()
    {
        auto run = Analyze();
        run->Sync(*Job);
    }
    TSyncState Record() const
    {
        QString error;
        TSyncState record =
            TSyncStateFile(Records.path(), LeftDir.path(), RightDir.path()).Load(error);
        if (!error.isEmpty())
            QTest::qFail(qPrintable(error), __FILE__, __LINE__);
        return record;
    }
};

quint8 MarksOf(const TRunDriver& driver, const QString& path)
{
    const TFileAttri* node = driver.CompareTree.get();
    for (const QString& name : path.split(QLatin1Char('/'))) {
        node = node != nullptr ? ChildNamed(*node, name) : nullptr;
    }
    return node != nullptr ? node->SinceSync : quint8(0xFF);
}

TResultRow* RowNamed(TRunDriver& driver, const QString& name)
{
    for (TResultRow* row : FileRows(*driver.RootRow)) {
        if (row->Name == name)
            return row;
    }
    QTest::qFail(qPrintable(QStringLiteral("no row ") + name), __FILE__, __LINE__);
    return nullptr;
}

QStringList RowNames(TRunDriver& driver)
{
    QStringList names;
    for (const TResultRow* row : FileRows(*driver.RootRow))
        names.append(row->Name);
    return names;
}

} // namespace

class TestSyncState : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recordReadsBackAsWritten()
    {
        QTemporaryDir records, left, right;
        const TSyncStateFile file(records.path(), left.path(), right.path());
        const TSyncState record = SampleRecord(file);
        QString error;
        QVERIFY(file.Save(record, error));
        const TSyncState read = file.Load(error);
        QCOMPARE(error, QString());
        QCOMPARE(read.EntryCount(), qint64(4));
        QVERIFY(SameEntries(record, read));
        QVERIFY(read.Find("sub/nothing") == nullptr);
        // Pairs recorded again replace their entries; new ones join their
        // folders, also when a folder's pairs do not come one after the other.
        TSyncState more = read;
        more.Record({{"sub/x", {1, 2, 3, 4}}, {"new/b", {0, 0, 0, 0}}, {"sub/a", {5, 6, 7, 8}}});
        QCOMPARE(more.EntryCount(), qint64(6));
        QVERIFY(*more.Find("sub/x") == (TSyncState::TSides{1, 2, 3, 4}));
        QVERIFY(*more.Find("sub/a") == (TSyncState::TSides{5, 6, 7, 8}));
        QVERIFY(*more.Find("ab.txt") == read.Find("ab.txt")[0]);
        // Pairs of more folders than are kept at hand, taking turns as copiers
        // in different folders do, each land in their own folder.
        std::vector<TSyncState::TPair> turns;
        for (int round = 0; round < 3; ++round)
            for (int f = 0; f < 12; ++f)
                turns.push_back(
                    {"t" + std::to_string(f) + "/n" + std::to_string(round), {f, round, 0, 0}});
        TSyncState taken;
        taken.Record(turns);
        QCOMPARE(taken.EntryCount(), qint64(36));
        for (const TSyncState::TPair& pair : turns)
            QVERIFY(*taken.Find(pair.Path) == pair.Values);
        // Nothing is left beside the record.
        QCOMPARE(QDir(records.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    // Every cut and every flipped bit of a record is told and gives nothing.
    void damagedRecordsAreToldAndGiveNothing()
    {
        QTemporaryDir records, left, right;
        const TSyncStateFile file(records.path(), left.path(), right.path());
        QString error;
        QVERIFY(file.Save(SampleRecord(file), error));
        const QByteArray good = ReadAll(file.Path());
        for (qsizetype length = 0; length < good.size(); ++length) {
            WriteAll(file.Path(), good.left(length));
            QVERIFY(file.Load(error).IsEmpty());
            QCOMPARE(error, SyncStateFormat::DamagedText());
        }
        for (qsizetype at = 0; at < good.size(); ++at) {
            for (int bit = 0; bit < 8; ++bit) {
                QByteArray bad = good;
                bad[at] = char(bad[at] ^ (1 << bit));
                WriteAll(file.Path(), bad);
                QVERIFY(file.Load(error).IsEmpty());
                QVERIFY2(!error.isEmpty(), qPrintable(QString::number(at)));
            }
        }
    }

    // The file of one pair put in the place of another's is not taken.
    void recordOfOtherFoldersIsNotTaken()
    {
        QTemporaryDir records, left, right, other;
        const TSyncStateFile mine(records.path(), left.path(), right.path());
        const TSyncStateFile theirs(records.path(), other.path(), right.path());
        QString error;
        QVERIFY(theirs.Save(SampleRecord(theirs), error));
        QVERIFY(QFile::copy(theirs.Path(), mine.Path()));
        QVERIFY(mine.Load(error).IsEmpty());
        QCOMPARE(error, QStringLiteral("the file belongs to other folders"));
    }

    // A write killed between the temporary file and the rename leaves the old
    // record; the next write clears what the killed one left.
    void killDuringTheWriteLeavesTheOldRecord()
    {
        QTemporaryDir records, left, right;
        TSyncStateFile file(records.path(), left.path(), right.path());
        const TSyncState old = SampleRecord(file);
        QString error;
        QVERIFY(file.Save(old, error));
        TSyncState newer = file.Empty();
        newer.Record({{"a.txt", {2, 2, 2, 2}}});
        const pid_t child = ::fork();
        if (child == 0) {
            file.BeforeReplace = [] { ::raise(SIGKILL); };
            file.Save(newer, error);
            ::_exit(0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        QCOMPARE(QDir(records.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
        QVERIFY(SameEntries(old, file.Load(error)));
        QCOMPARE(error, QString());
        QVERIFY(file.Save(newer, error));
        QCOMPARE(QDir(records.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
        QVERIFY(SameEntries(newer, file.Load(error)));
    }

    void changesSinceTheLastSyncAreMarked()
    {
        Pair pair;
        for (const char* name : {"both", "left", "restored", "gone", "kept", "edited-gone"})
            QVERIFY(pair.L.file(QString::fromLatin1(name), "first", Old));
        pair.AnalyzeAndSync();
        QCOMPARE(pair.Record().EntryCount(), qint64(6));

        QVERIFY(pair.L.file(QStringLiteral("both"), "left edit", New));
        QVERIFY(pair.R.file(QStringLiteral("both"), "right's edit", New.addSecs(60)));
        QVERIFY(pair.L.file(QStringLiteral("left"), "left edit", New));
        // A copy of last year's put back on the left: older, yet the change.
        QVERIFY(pair.L.setTime(QStringLiteral("restored"), Old.addYears(-1)));
        QVERIFY(QFile::remove(pair.R.path(QStringLiteral("gone"))));
        QVERIFY(pair.L.file(QStringLiteral("edited-gone"), "left edit", New));
        QVERIFY(QFile::remove(pair.R.path(QStringLiteral("edited-gone"))));
        auto run = pair.Analyze();
        const TRunDriver& d = run->Driver;
        using namespace SyncMark;
        QCOMPARE(MarksOf(d, QStringLiteral("both")),
                 quint8(Recorded | ChangedLeft | ChangedRight | Conflict));
        QCOMPARE(MarksOf(d, QStringLiteral("left")), quint8(Recorded | ChangedLeft));
        QCOMPARE(MarksOf(d, QStringLiteral("restored")), quint8(Recorded | ChangedLeft));
        QCOMPARE(MarksOf(d, QStringLiteral("gone")), quint8(Recorded | DeletedRight));
        QCOMPARE(MarksOf(d, QStringLiteral("edited-gone")),
                 quint8(Recorded | ChangedLeft | DeletedRight | Conflict));
        QCOMPARE(MarksOf(d, QStringLiteral("kept")), quint8(Recorded));
        QCOMPARE(d.SinceSync.Conflicts, 2);
        QCOMPARE(d.SinceSync.DeletedRight, 2);
        QCOMPARE(d.SinceSync.ChangedLeft, 4);
        QVERIFY(run->Log.StateUnreadable.isEmpty());

        // The entries of the pairs out of step stay until a sync puts them in
        // step: the next analysis tells the same.
        run = pair.Analyze();
        QCOMPARE(MarksOf(run->Driver, QStringLiteral("restored")), quint8(Recorded | ChangedLeft));
        QCOMPARE(run->Driver.SinceSync.Conflicts, 2);
    }

    // A sync records both files as they are after the copy; a file that failed
    // gets no entry. A file gone from both sides loses its entry.
    void syncRecordsWhatItCopied()
    {
        Pair pair;
        QVERIFY(pair.L.file(QStringLiteral("d/copied"), "one", Old));
        QVERIFY(pair.L.file(QStringLiteral("d/failed"), "two", Old));
        auto run = pair.Analyze();
        QVERIFY(QFile::remove(pair.L.path(QStringLiteral("d/failed"))));
        run->Sync(*pair.Job);
        QCOMPARE(run->Driver.SyncErrorCount, 1);
        const TSyncState record = pair.Record();
        QCOMPARE(record.EntryCount(), qint64(1));
        const TSyncState::TSides* copied = record.Find("d/copied");
        QVERIFY(copied != nullptr);
        struct stat l, r;
        QCOMPARE(::stat(QFile::encodeName(pair.L.path(QStringLiteral("d/copied"))), &l), 0);
        QCOMPARE(::stat(QFile::encodeName(pair.R.path(QStringLiteral("d/copied"))), &r), 0);
        QCOMPARE(copied->LeftTime, qint64(l.st_mtim.tv_sec) * 1000000000 + l.st_mtim.tv_nsec);
        QCOMPARE(copied->RightTime, qint64(r.st_mtim.tv_sec) * 1000000000 + r.st_mtim.tv_nsec);
        QCOMPARE(copied->RightSize, qint64(3));

        QVERIFY(QDir(pair.L.path(QStringLiteral("d"))).removeRecursively());
        QVERIFY(QDir(pair.R.path(QStringLiteral("d"))).removeRecursively());
        pair.Analyze();
        QCOMPARE(pair.Record().EntryCount(), qint64(0));
    }

    // A folder renamed starts without a record; a link to a root finds it.
    void renamedFolderGetsNoOldRecord()
    {
        Pair pair;
        QVERIFY(pair.L.file(QStringLiteral("f"), "one", Old));
        pair.AnalyzeAndSync();
        QTemporaryDir links;
        const QString link = links.path() + QStringLiteral("/left");
        QVERIFY(QFile::link(pair.LeftDir.path(), link));
        pair.Job = MakeJob(link + QStringLiteral("/"), pair.RightDir.path());
        QCOMPARE(MarksOf(pair.Analyze()->Driver, QStringLiteral("f")), SyncMark::Recorded);

        const QString renamed = pair.LeftDir.path() + QStringLiteral("-renamed");
        QVERIFY(QDir().rename(pair.LeftDir.path(), renamed));
        QVERIFY(pair.R.file(QStringLiteral("f"), "right edit", New));
        pair.Job = MakeJob(renamed, pair.RightDir.path());
        auto run = pair.Analyze();
        QVERIFY(QDir(renamed).removeRecursively());
        QCOMPARE(MarksOf(run->Driver, QStringLiteral("f")), quint8(0));
        QCOMPARE(run->Driver.SyncStateError, QString());
    }

    // A damaged record is told once, and the analysis goes on as on first
    // contact.
    void damagedRecordIsToldOnceAndReplaced()
    {
        Pair pair;
        QVERIFY(pair.L.file(QStringLiteral("f"), "one", Old));
        pair.AnalyzeAndSync();
        const QString path =
            TSyncStateFile(pair.Records.path(), pair.LeftDir.path(), pair.RightDir.path()).Path();
        WriteAll(path, ReadAll(path).chopped(3));
        auto run = pair.Analyze();
        QCOMPARE(run->Log.StateUnreadable, QStringList{SyncStateFormat::DamagedText()});
        QCOMPARE(MarksOf(run->Driver, QStringLiteral("f")), quint8(0));
        run = pair.Analyze();
        QVERIFY(run->Log.StateUnreadable.isEmpty());
        QCOMPARE(MarksOf(run->Driver, QStringLiteral("f")), SyncMark::Recorded);
    }

    // Where a side may have left a file out (a size filter, a folder that is a
    // link there), its absence is no deletion, and the entries stay.
    void absenceThatProvesNothingIsNoDeletion()
    {
        Pair pair;
        QVERIFY(pair.L.file(QStringLiteral("small"), "one", Old));
        QVERIFY(pair.L.file(QStringLiteral("d/f"), "one", Old));
        pair.AnalyzeAndSync();
        QVERIFY(pair.R.file(QStringLiteral("small"), "grown far beyond the limit", New));
        QVERIFY(QDir(pair.R.path(QStringLiteral("d"))).removeRecursively());
        QTemporaryDir elsewhere;
        QVERIFY(QFile::link(elsewhere.path(), pair.R.path(QStringLiteral("d"))));
        pair.Job->ExcFileSizeMax = 10;
        auto run = pair.Analyze();
        QCOMPARE(MarksOf(run->Driver, QStringLiteral("small")), SyncMark::Recorded);
        QCOMPARE(MarksOf(run->Driver, QStringLiteral("d/f")), quint8(0));
        QVERIFY(pair.Record().Find("small") != nullptr);
        QVERIFY(pair.Record().Find("d/f") != nullptr);
    }
    // Both sides edited: told, listed as a conflict, and the edit that a copy
    // overwrites is kept although the job keeps no versions. The newer wins,
    // as without a record.
    void conflictKeepsTheOverwrittenEdit()
    {
        Pair pair;
        for (const char* name : {"report", "plain"})
            QVERIFY(pair.L.file(QString::fromLatin1(name), "first", Old));
        pair.AnalyzeAndSync();
        QVERIFY(pair.L.file(QStringLiteral("report"), "laptop's afternoon", New));
        QVERIFY(pair.R.file(QStringLiteral("report"), "stick's afternoon", New.addSecs(60)));
        QVERIFY(pair.L.file(QStringLiteral("plain"), "left edit", New));
        pair.Job->SaveOldFile = 0;

        auto run = pair.Analyze();
        TRunDriver& d = run->Driver;
        QCOMPARE(d.SinceSync.Conflicts, 1);
        QCOMPARE(RunLogText::SinceSyncLines(d.SinceSyncItems, 10),
                 QStringList{QStringLiteral("Changed on both sides since the last sync: report")});
        QVERIFY(d.BuildRows(TRowBuilder::Mode::Conflicts));
        QCOMPARE(RowNames(d), QStringList{QStringLiteral("report")});
        QVERIFY(d.BuildRows(TRowBuilder::Mode::Changes));
        TResultRow* report = RowNamed(d, QStringLiteral("report"));
        QCOMPARE(qint32(report->Direction), SyncDirection::RightToLeft);
        QCOMPARE(RowText::SinceSyncText(*report),
                 QStringLiteral("Changed on both sides since the last sync"));
        QCOMPARE(d.ConflictsLeft(), qint64(0));

        run->Sync(*pair.Job);
        QCOMPARE(run->Driver.SyncErrorCount, 0);
        QCOMPARE(pair.L.read(QStringLiteral("report")), QByteArray("stick's afternoon"));
        QCOMPARE(pair.L.read(QStringLiteral("__Save__/report")), QByteArray("laptop's afternoon"));
        // Versions are kept for conflicts only.
        QCOMPARE(pair.R.read(QStringLiteral("plain")), QByteArray("left edit"));
        QVERIFY(!QFile::exists(pair.R.path(QStringLiteral("__Save__/plain"))));
    }

    // Deciding by the last sync: the side that alone changed wins whatever the
    // times say, and a conflict waits for the user. Without it, the newer.
    void decidingByTheLastSync()
    {
        Pair pair;
        for (const char* name : {"restored", "both", "right"})
            QVERIFY(pair.L.file(QString::fromLatin1(name), "first", Old));
        pair.AnalyzeAndSync();
        QVERIFY(pair.L.file(QStringLiteral("restored"), "last week's", Old.addDays(-7)));
        QVERIFY(pair.L.file(QStringLiteral("both"), "left edit", New));
        QVERIFY(pair.R.file(QStringLiteral("both"), "right edit", New.addSecs(60)));
        QVERIFY(pair.R.file(QStringLiteral("right"), "right edit", New));

        auto run = pair.Analyze();
        QCOMPARE(qint32(RowNamed(run->Driver, QStringLiteral("restored"))->Direction),
                 SyncDirection::RightToLeft);

        pair.Job->Conflicts = 1;
        run = pair.Analyze();
        TRunDriver& d = run->Driver;
        QCOMPARE(qint32(RowNamed(d, QStringLiteral("restored"))->Direction),
                 SyncDirection::LeftToRight);
        QCOMPARE(qint32(RowNamed(d, QStringLiteral("right"))->Direction),
                 SyncDirection::RightToLeft);
        TResultRow* both = RowNamed(d, QStringLiteral("both"));
        QCOMPARE(qint32(both->Direction), SyncDirection::None);
        QCOMPARE(both->LeftImage, RowImage::CouldMoveLeft);
        QCOMPARE(both->RightImage, RowImage::CouldMoveRight);
        QCOMPARE(d.ConflictsLeft(), qint64(1));
        QCOMPARE(d.RowsToCopy(), qint64(2));

        run->Sync(*pair.Job);
        QCOMPARE(pair.R.read(QStringLiteral("restored")), QByteArray("last week's"));
        QCOMPARE(pair.L.read(QStringLiteral("both")), QByteArray("left edit"));
        QCOMPARE(pair.R.read(QStringLiteral("both")), QByteArray("right edit"));
        // The restored pair is in step again, with its old time.
        QVERIFY(MarksOf(pair.Analyze()->Driver, QStringLiteral("restored")) == SyncMark::Recorded);
    }

    // A file deleted on one side: copied back and told without carrying
    // deletions over; with it, the other side's copy goes into its
    // "__Save__", also for a one-way job. A copy changed since is a conflict
    // and comes back.
    void deletionsCopiedBackOrCarriedOver()
    {
        Pair pair;
        for (const char* name : {"old-draft", "edited"})
            QVERIFY(pair.L.file(QString::fromLatin1(name), "first", Old));
        pair.AnalyzeAndSync();
        QVERIFY(QFile::remove(pair.L.path(QStringLiteral("old-draft"))));
        QVERIFY(QFile::remove(pair.L.path(QStringLiteral("edited"))));
        QVERIFY(pair.R.file(QStringLiteral("edited"), "right edit", New));

        auto run = pair.Analyze();
        TResultRow* draft = RowNamed(run->Driver, QStringLiteral("old-draft"));
        QCOMPARE(qint32(draft->Direction), SyncDirection::RightToLeft);
        QCOMPARE(RowText::CellText(*draft, false, RowText::Column::LeftDate, QLocale::c()),
                 QStringLiteral("deleted since the last sync"));
        QStringList told = RunLogText::SinceSyncLines(run->Driver.SinceSyncItems, 5);
        told.sort();
        QCOMPARE(told, (QStringList{
                           QStringLiteral("Changed on both sides since the last sync: edited"),
                           QStringLiteral("Deleted on the left since the last sync: old-draft")}));
        QCOMPARE(RunLogText::SinceSyncLines(run->Driver.SinceSyncItems, 1).last(),
                 QStringLiteral("... and 1 more changed on both sides or deleted since the last "
                                "sync"));

        pair.Job->IsDeleteFile = 1;
        pair.Job->SyncDirection = 2;
        run = pair.Analyze();
        QCOMPARE(RowNames(run->Driver), QStringList{QStringLiteral("old-draft")});
        pair.Job->SyncDirection = 0;
        run = pair.Analyze();
        QCOMPARE(qint32(RowNamed(run->Driver, QStringLiteral("old-draft"))->Direction),
                 SyncDirection::LeftToRight);
        QCOMPARE(qint32(RowNamed(run->Driver, QStringLiteral("edited"))->Direction),
                 SyncDirection::RightToLeft);
        run->Sync(*pair.Job);
        QCOMPARE(run->Driver.SyncErrorCount, 0);
        QVERIFY(!QFile::exists(pair.R.path(QStringLiteral("old-draft"))));
        QVERIFY(!QFile::exists(pair.L.path(QStringLiteral("old-draft"))));
        QCOMPARE(pair.R.read(QStringLiteral("__Save__/old-draft")), QByteArray("first"));
        QCOMPARE(pair.L.read(QStringLiteral("edited")), QByteArray("right edit"));
        const auto saved = std::find_if(
            run->Log.Files.begin(), run->Log.Files.end(), [](const TFileReport& report) {
                return report.Outcome == TFileReport::TOutcome::SavedAway;
            });
        QVERIFY(saved != run->Log.Files.end());
        QCOMPARE(RunLogText::FileSavedAway(*saved),
                 QStringLiteral("Deleted on the left since the last sync, kept in __Save__: ") +
                     pair.R.path(QStringLiteral("old-draft")) + QStringLiteral(" -> ") +
                     pair.R.path(QStringLiteral("__Save__/old-draft")));
        run = pair.Analyze();
        QVERIFY(run->Driver.BuildRows(TRowBuilder::Mode::Changes));
        QVERIFY(RowNames(run->Driver).isEmpty());
    }

    // A file carried over only while it is the one the analysis saw: one
    // changed since stays where it is, and the run says why.
    void carriedDeletionRefusesAChangedFile()
    {
        Pair pair;
        QVERIFY(pair.L.file(QStringLiteral("f"), "first", Old));
        pair.AnalyzeAndSync();
        QVERIFY(QFile::remove(pair.L.path(QStringLiteral("f"))));
        pair.Job->IsDeleteFile = 1;
        auto run = pair.Analyze();
        QVERIFY(pair.R.file(QStringLiteral("f"), "edited meanwhile", New));
        run->Sync(*pair.Job);
        QCOMPARE(run->Driver.SyncErrorCount, 1);
        QCOMPARE(pair.R.read(QStringLiteral("f")), QByteArray("edited meanwhile"));
        QVERIFY(run->Log.Files.at(0).Error.startsWith(
            QStringLiteral("The target changed since the analysis: ")));
        // The failure names the file it kept, as the failed list does.
        QCOMPARE(run->Log.Files.at(0).Source, pair.R.path(QStringLiteral("f")));
        QCOMPARE(run->Driver.FailedFiles, QStringList{pair.R.path(QStringLiteral("f"))});
    }
};

QTEST_GUILESS_MAIN(TestSyncState)
#include "tst_syncstate.moc"
