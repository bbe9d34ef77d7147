#include "engine/SyncStateFile.h"
#include "engine/SyncStateFormat.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

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
        // Pairs recorded again replace their entries; new ones join their folders.
        TSyncState more = read;
        more.Record({{"sub/x", {1, 2, 3, 4}}, {"sub/a", {5, 6, 7, 8}}, {"new/b", {0, 0, 0, 0}}});
        QCOMPARE(more.EntryCount(), qint64(6));
        QVERIFY(*more.Find("sub/x") == (TSyncState::TSides{1, 2, 3, 4}));
        QVERIFY(*more.Find("sub/a") == (TSyncState::TSides{5, 6, 7, 8}));
        QVERIFY(*more.Find("ab.txt") == read.Find("ab.txt")[0]);
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
};

QTEST_GUILESS_MAIN(TestSyncState)
#include "tst_syncstate.moc"
