#include "EngineHelpers.h"
#include "TreeBuilder.h"
#include "engine/UWinFile.h"
#include "jobs/PackedDateTime.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray RandomBytes(qint64 size, quint32 seed)
{
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator random(seed);
    for (qint64 i = 0; i < size; ++i)
        data[i] = char(random.bounded(256));
    return data;
}

unsigned ModeOf(const QString& path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return 0xFFFF;
    return st.st_mode & 07777;
}

// The modification time in nanoseconds.
qint64 MTimeOf(const QString& path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

bool SetNanoTime(const QString& path, qint64 seconds, long nanoseconds)
{
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = time_t(seconds);
    times[0].tv_nsec = times[1].tv_nsec = nanoseconds;
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

// Files in a folder whose names show a copy in progress.
QStringList Temporaries(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral(".__FileSync__*")}, QDir::Files | QDir::Hidden);
}

} // namespace

class TestTransfer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void piecesAreCopiedWhole_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<int>("pieces");
        QTest::addColumn<bool>("kernelCopy");
        for (bool kernel : {true, false}) {
            const char* how = kernel ? "in the kernel" : "through the buffer";
            QTest::addRow("empty, %s", how) << qint64(0) << 0 << kernel;
            QTest::addRow("one piece, %s", how) << qint64(1048576) << 1 << kernel;
            QTest::addRow("a piece and a byte, %s", how) << qint64(1048577) << 2 << kernel;
            QTest::addRow("two pieces, %s", how) << qint64(2097152) << 2 << kernel;
        }
    }

    void piecesAreCopiedWhole()
    {
        QFETCH(qint64, size);
        QFETCH(int, pieces);
        QFETCH(bool, kernelCopy);
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        const QByteArray data = RandomBytes(size, quint32(size));
        QVERIFY(l.file(QStringLiteral("f.bin"), data));
        const qint64 seconds = LocalTime(2019, 2, 3, 4, 5, 7).toSecsSinceEpoch();
        QVERIFY(SetNanoTime(l.path(QStringLiteral("f.bin")), seconds, 123456789));
        // Setuid and setgid would give the source's owner the powers of the one
        // who syncs: the target takes the permission bits only.
        QVERIFY(l.setMode(QStringLiteral("f.bin"), 06750));
        // An older, longer target must end up exactly the source's length.
        QVERIFY(r.file(QStringLiteral("f.bin"), RandomBytes(size + 5000, 1)));
        const qint32 time = PackedDateTime::FromDateTime(LocalTime(2019, 2, 3, 4, 5, 7));
        TWinFile file;
        file.KernelCopy = kernelCopy;
        QCOMPARE(file.TransferFile(l.path(QStringLiteral("f.bin")), r.path(QStringLiteral("f.bin")),
                                   right.path(), time, 32, false),
                 TWinFile::Transfer::Copied);
        QCOMPARE(file.PieceCount, pieces);
        QCOMPARE(r.read(QStringLiteral("f.bin")), data);
        QCOMPARE(ModeOf(r.path(QStringLiteral("f.bin"))), 0750u);
        QCOMPARE(MTimeOf(r.path(QStringLiteral("f.bin"))), seconds * 1000000000 + 123456789);
        QVERIFY(Temporaries(right.path()).isEmpty());
        // A new file, made without a name, has the source's bits too, also
        // those that the umask takes away from a file made.
        QVERIFY(l.setMode(QStringLiteral("f.bin"), 06776));
        const mode_t umask = ::umask(022);
        const TWinFile::Transfer made =
            file.TransferFile(l.path(QStringLiteral("f.bin")), r.path(QStringLiteral("new.bin")),
                              right.path(), time, 32, false, true);
        ::umask(umask);
        QCOMPARE(made, TWinFile::Transfer::Copied);
        QCOMPARE(r.read(QStringLiteral("new.bin")), data);
        QCOMPARE(ModeOf(r.path(QStringLiteral("new.bin"))), 0776u);
    }

    // Between two file systems the kernel copies nothing: the copy goes through
    // the buffer from its first piece on, whole, and stops asking the kernel.
    void copyBetweenTwoFileSystems()
    {
        QTemporaryDir other(QStringLiteral("/dev/shm/brenvale-XXXXXX"));
        QTemporaryDir right;
        struct stat a, b;
        if (!other.isValid() || ::stat("/dev/shm", &a) != 0 ||
            ::stat(QFile::encodeName(right.path()).constData(), &b) != 0 || a.st_dev == b.st_dev)
            QSKIP("no second file system beside the temporary folder");
        TreeBuilder l(other.path()), r(right.path());
        const QByteArray data = RandomBytes(3 * TWinFile::PieceBytes + 1234, 11);
        QVERIFY(l.file(QStringLiteral("f.bin"), data));
        TWinFile file;
        QCOMPARE(file.TransferFile(l.path(QStringLiteral("f.bin")), r.path(QStringLiteral("f.bin")),
                                   right.path(), 0, 32, false, true),
                 TWinFile::Transfer::Copied);
        QVERIFY(!file.KernelCopy);
        QCOMPARE(file.PieceCount, 4);
        QCOMPARE(r.read(QStringLiteral("f.bin")), data);
    }

    // The holes of a sparse file stay holes in the copy, by the kernel's copy
    // and through the buffer alike, also a hole at its end.
    void sparseFileKeepsItsHoles()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        const QString source = l.path(QStringLiteral("sparse"));
        const QByteArray data = RandomBytes(1048576, 7);
        {
            QFile file(source);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.seek(10 * 1048576));
            QCOMPARE(file.write(data), qint64(data.size()));
            QVERIFY(file.resize(64 * 1048576));
        }
        struct stat st;
        QVERIFY(::stat(QFile::encodeName(source).constData(), &st) == 0);
        if (qint64(st.st_blocks) * 512 > 4 * 1048576)
            QSKIP("the temporary folder's file system keeps no holes");
        for (bool kernelCopy : {true, false}) {
            TWinFile file;
            file.KernelCopy = kernelCopy;
            QCOMPARE(file.TransferFile(source, r.path(QStringLiteral("sparse")), right.path(), 0,
                                       32, false),
                     TWinFile::Transfer::Copied);
            QVERIFY(::stat(QFile::encodeName(r.path(QStringLiteral("sparse"))).constData(), &st) ==
                    0);
            QCOMPARE(qint64(st.st_size), qint64(64 * 1048576));
            QVERIFY2(qint64(st.st_blocks) * 512 <= 4 * 1048576,
                     qPrintable(QString::number(st.st_blocks)));
            QVERIFY(r.read(QStringLiteral("sparse")) == l.read(QStringLiteral("sparse")));
        }
    }

    void failedReadLeavesTheTargetUntouched()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        QVERIFY(l.file(QStringLiteral("big"), RandomBytes(3 * 1048576 + 10, 5)));
        const QByteArray old = RandomBytes(1000, 6);
        QVERIFY(r.file(QStringLiteral("big"), old, LocalTime(2018, 1, 1)));
        for (bool keep : {false, true}) {
            TWinFile file;
            file.FailReadAtPiece = 2;
            QCOMPARE(file.TransferFile(l.path(QStringLiteral("big")), r.path(QStringLiteral("big")),
                                       right.path(), 0, 32, keep),
                     TWinFile::Transfer::ReadFailed);
            QCOMPARE(r.read(QStringLiteral("big")), old);
            QCOMPARE(MTimeOf(r.path(QStringLiteral("big"))),
                     LocalTime(2018, 1, 1).toSecsSinceEpoch() * 1000000000);
            QVERIFY(Temporaries(right.path()).isEmpty());
            QVERIFY(!r.exists(QStringLiteral("__Save__/big")));
        }
        TWinFile gone;
        QCOMPARE(gone.TransferFile(l.path(QStringLiteral("missing")), r.path(QStringLiteral("big")),
                                   right.path(), 0, 32, false),
                 TWinFile::Transfer::ReadFailed);
        QCOMPARE(r.read(QStringLiteral("big")), old);
    }

    void keptVersionsGoToSaveAndGiveWay()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        const QString source = l.path(QStringLiteral("docs/a.txt"));
        const QString target = r.path(QStringLiteral("docs/a.txt"));
        QVERIFY(r.file(QStringLiteral("docs/a.txt"), RandomBytes(3 * 1048576 - 7, 1)));
        const QByteArray first = r.read(QStringLiteral("docs/a.txt"));
        QVERIFY(l.file(QStringLiteral("docs/a.txt"), RandomBytes(3 * 1048576, 2)));
        TWinFile copy1;
        QCOMPARE(copy1.TransferFile(source, target, right.path(), 0, 32, true),
                 TWinFile::Transfer::Copied);
        QCOMPARE(r.read(QStringLiteral("__Save__/docs/a.txt")), first);
        QCOMPARE(r.read(QStringLiteral("docs/a.txt")), l.read(QStringLiteral("docs/a.txt")));

        const QByteArray second = r.read(QStringLiteral("docs/a.txt"));
        QVERIFY(l.file(QStringLiteral("docs/a.txt"), "third"));
        TWinFile copy2;
        QCOMPARE(
            copy2.TransferFile(source, target, right.path() + QStringLiteral("/"), 0, 32, true),
            TWinFile::Transfer::Copied);
        QCOMPARE(r.read(QStringLiteral("__Save__/docs/a.txt")), second);
        QCOMPARE(r.read(QStringLiteral("docs/a.txt")), QByteArray("third"));
    }

    // Nothing at the target: nothing is moved, and an older kept version stays,
    // since no newer one takes its place.
    void keptVersionStaysWhenNothingIsOverwritten()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        QVERIFY(l.file(QStringLiteral("a"), "new"));
        QVERIFY(r.file(QStringLiteral("__Save__/a"), "kept"));
        TWinFile file;
        QCOMPARE(file.TransferFile(l.path(QStringLiteral("a")), r.path(QStringLiteral("a")),
                                   right.path(), 0, 32, true),
                 TWinFile::Transfer::Copied);
        QCOMPARE(r.read(QStringLiteral("__Save__/a")), QByteArray("kept"));
        QCOMPARE(r.read(QStringLiteral("a")), QByteArray("new"));
    }

    void readOnlyTargetIsReplacedOnlyWhenItsVersionIsKept()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        QVERIFY(l.file(QStringLiteral("ro"), "source"));
        QVERIFY(l.setMode(QStringLiteral("ro"), 0444));
        QVERIFY(r.file(QStringLiteral("other"), "content"));
        TWinFile first;
        QCOMPARE(first.TransferFile(l.path(QStringLiteral("ro")), r.path(QStringLiteral("ro")),
                                    right.path(), 0, 32, false),
                 TWinFile::Transfer::Copied);
        QCOMPARE(ModeOf(r.path(QStringLiteral("ro"))), 0444u);

        QVERIFY(l.setMode(QStringLiteral("ro"), 0644));
        QVERIFY(l.file(QStringLiteral("ro"), "changed"));
        TWinFile refused;
        QCOMPARE(refused.TransferFile(l.path(QStringLiteral("ro")), r.path(QStringLiteral("ro")),
                                      right.path(), 0, 32, false),
                 TWinFile::Transfer::WriteFailed);
        QCOMPARE(r.read(QStringLiteral("ro")), QByteArray("source"));
        QVERIFY(!refused.LastError.isEmpty());

        TWinFile kept;
        QCOMPARE(kept.TransferFile(l.path(QStringLiteral("ro")), r.path(QStringLiteral("ro")),
                                   right.path(), 0, 32, true),
                 TWinFile::Transfer::Copied);
        QCOMPARE(r.read(QStringLiteral("ro")), QByteArray("changed"));
        QCOMPARE(r.read(QStringLiteral("__Save__/ro")), QByteArray("source"));
    }

    void folderInTheWayIsAWriteError()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        QVERIFY(l.file(QStringLiteral("x"), "1"));
        QVERIFY(r.file(QStringLiteral("x/inside"), "keep me"));
        TWinFile file;
        QCOMPARE(file.TransferFile(l.path(QStringLiteral("x")), r.path(QStringLiteral("x")),
                                   right.path(), 0, 32, true),
                 TWinFile::Transfer::WriteFailed);
        QCOMPARE(r.read(QStringLiteral("x/inside")), QByteArray("keep me"));
    }

    // Only temporary files of exactly the copy's form that no copy holds are
    // removed: a user's file of a similar name and the file of a copy still
    // going on stay.
    void staleTemporariesAreRemovedByTheNextCopy()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        QVERIFY(l.file(QStringLiteral("a"), "1"));
        QVERIFY(r.file(QStringLiteral(".__FileSync__Ab12Cd"), "left by a crash"));
        QVERIFY(r.file(QStringLiteral(".__FileSync__notes"), "a user's own"));
        QVERIFY(r.file(QStringLiteral(".__FileSync__Busy99"), "in transfer"));
        const int held = ::open(QFile::encodeName(r.path(QStringLiteral(".__FileSync__Busy99"))),
                                O_RDONLY | O_CLOEXEC);
        QVERIFY(held >= 0);
        QCOMPARE(::flock(held, LOCK_EX), 0);
        TWinFile file;
        QCOMPARE(file.TransferFile(l.path(QStringLiteral("a")), r.path(QStringLiteral("a")),
                                   right.path(), 0, 32, false),
                 TWinFile::Transfer::Copied);
        ::close(held);
        QCOMPARE(Temporaries(right.path()), (QStringList{QStringLiteral(".__FileSync__Busy99"),
                                                         QStringLiteral(".__FileSync__notes")}));
        QVERIFY(TWinFile::IsTemporaryName(".__FileSync__Ab12Cd"));
        QVERIFY(!TWinFile::IsTemporaryName(".__FileSync__Ab12C"));
        QVERIFY(!TWinFile::IsTemporaryName(".__FileSync__Ab-2Cd"));
    }

    // A second copy into the same folder, started while the first one writes,
    // cleans the folder of stale files but leaves the first one's file alone.
    void twoCopiesIntoOneFolderAtOnceLoseNothing()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        const QByteArray big = RandomBytes(3 * 1048576, 7);
        QVERIFY(l.file(QStringLiteral("big"), big));
        QVERIFY(l.file(QStringLiteral("small"), "small"));
        TWinFile first;
        bool secondCopied = false;
        first.AfterPiece = [&](qint64 piece) {
            if (piece != 1)
                return;
            TWinFile second;
            secondCopied = second.TransferFile(l.path(QStringLiteral("small")),
                                               r.path(QStringLiteral("small")), right.path(), 0, 32,
                                               false) == TWinFile::Transfer::Copied;
        };
        QCOMPARE(first.TransferFile(l.path(QStringLiteral("big")), r.path(QStringLiteral("big")),
                                    right.path(), 0, 32, false),
                 TWinFile::Transfer::Copied);
        QVERIFY(secondCopied);
        QCOMPARE(r.read(QStringLiteral("big")), big);
        QCOMPARE(r.read(QStringLiteral("small")), QByteArray("small"));
        QVERIFY(Temporaries(right.path()).isEmpty());
    }

    // No link on the target's path is followed: not "__Save__" or a folder in it
    // made a link, not a target folder swapped for a link after the analysis.
    // The file fails, and nothing outside the root changes.
    void linksOnTheTargetSideAreNeverFollowed_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("keep");
        QTest::addRow("__Save__") << QStringLiteral("__Save__") << true;
        QTest::addRow("folder in __Save__") << QStringLiteral("__Save__/d") << true;
        QTest::addRow("target folder") << QStringLiteral("d") << false;
        QTest::addRow("target folder, kept versions") << QStringLiteral("d") << true;
    }

    void linksOnTheTargetSideAreNeverFollowed()
    {
        QFETCH(QString, link);
        QFETCH(bool, keep);
        QTemporaryDir left, right, outside;
        TreeBuilder l(left.path()), r(right.path()), o(outside.path());
        QVERIFY(l.file(QStringLiteral("d/a.txt"), "new", LocalTime(2024, 1, 2)));
        QVERIFY(r.file(QStringLiteral("d/a.txt"), "old", LocalTime(2023, 1, 2)));
        QVERIFY(o.file(QStringLiteral("a.txt"), "outside"));
        QVERIFY(o.file(QStringLiteral("d/a.txt"), "outside"));
        if (link == QStringLiteral("d"))
            QVERIFY(QDir(r.path(QStringLiteral("d"))).removeRecursively());
        else
            QVERIFY(QDir().mkpath(QFileInfo(r.path(link)).path()));
        QVERIFY(
            QFile::link(outside.path() + (link.endsWith(QStringLiteral("/d")) ? QStringLiteral("/d")
                                                                              : QString()),
                        r.path(link)));
        TWinFile file;
        QCOMPARE(file.TransferFile(l.path(QStringLiteral("d/a.txt")),
                                   r.path(QStringLiteral("d/a.txt")), right.path(), 0, 32, keep),
                 TWinFile::Transfer::WriteFailed);
        QVERIFY2(file.LastError.startsWith(QStringLiteral("A link is in the way: ")),
                 qPrintable(file.LastError));
        QCOMPARE(o.read(QStringLiteral("a.txt")), QByteArray("outside"));
        QCOMPARE(o.read(QStringLiteral("d/a.txt")), QByteArray("outside"));
        QCOMPARE(QDir(outside.path())
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                     .size(),
                 2);
        if (link != QStringLiteral("d"))
            QCOMPARE(r.read(QStringLiteral("d/a.txt")), QByteArray("old"));
    }

    // The source is read as one state: rewritten in place or replaced by another
    // file during the copy, it fails as a read error and the target stays.
    void sourceChangedDuringTheCopyFails()
    {
        for (bool replaced : {false, true}) {
            QTemporaryDir left, right;
            TreeBuilder l(left.path()), r(right.path());
            QVERIFY(l.file(QStringLiteral("f"), RandomBytes(2 * 1048576 + 3, 3)));
            QVERIFY(l.file(QStringLiteral("other"), RandomBytes(2 * 1048576 + 3, 4)));
            QVERIFY(r.file(QStringLiteral("f"), "old"));
            TWinFile file;
            file.AfterPiece = [&](qint64 piece) {
                if (piece != 1)
                    return;
                if (replaced) {
                    QVERIFY(::rename(QFile::encodeName(l.path(QStringLiteral("other"))).constData(),
                                     QFile::encodeName(l.path(QStringLiteral("f"))).constData()) ==
                            0);
                } else {
                    QFile f(l.path(QStringLiteral("f")));
                    QVERIFY(f.open(QIODevice::ReadWrite));
                    QVERIFY(f.seek(10));
                    QCOMPARE(f.write("changed"), qint64(7));
                }
            };
            QCOMPARE(file.TransferFile(l.path(QStringLiteral("f")), r.path(QStringLiteral("f")),
                                       right.path(), 0, 32, false),
                     TWinFile::Transfer::ReadFailed);
            QCOMPARE(file.LastError, QStringLiteral("The source changed during the copy: ") +
                                         l.path(QStringLiteral("f")));
            QCOMPARE(r.read(QStringLiteral("f")), QByteArray("old"));
            QVERIFY(Temporaries(right.path()).isEmpty());
        }
    }

    // The target is replaced only while it is the file the analysis saw; one
    // saved since, or one made where the analysis saw none, stays untouched.
    // A verified copy is read back from the disk: one that differs there
    // from its source fails, and the old target stays; the same copy with the
    // disk holding what was written succeeds, large or empty.
    void verifiedCopyThatDiffersFails()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        const QByteArray data = RandomBytes(2 * 1048576 + 7, 9);
        QVERIFY(l.file(QStringLiteral("f"), data, LocalTime(2024, 5, 1)));
        QVERIFY(l.file(QStringLiteral("empty"), QByteArray(), LocalTime(2024, 5, 1)));
        QVERIFY(r.file(QStringLiteral("f"), "old target", LocalTime(2024, 1, 1)));
        TWinFile::TCopyOrder order;
        order.Source = l.path(QStringLiteral("f"));
        order.Target = r.path(QStringLiteral("f"));
        order.TargetRoot = right.path();
        order.Verify = true;
        for (qint64 at : {qint64(0), qint64(1048576 + 3), qint64(data.size() - 1)}) {
            TWinFile file;
            bool readBack = false;
            file.BeforeVerify = [&](int fd) {
                readBack = true;
                const char flipped = char(data.at(at) ^ 0x20);
                QCOMPARE(::pwrite(fd, &flipped, 1, off_t(at)), ssize_t(1));
            };
            QCOMPARE(file.TransferFile(order), TWinFile::Transfer::WriteFailed);
            QVERIFY(readBack);
            QCOMPARE(file.LastError,
                     QStringLiteral("The copy differs from its source: ") + order.Target);
            QCOMPARE(r.read(QStringLiteral("f")), QByteArray("old target"));
            QVERIFY(Temporaries(right.path()).isEmpty());
        }
        TWinFile file;
        QCOMPARE(file.TransferFile(order), TWinFile::Transfer::Copied);
        QCOMPARE(r.read(QStringLiteral("f")), data);
        order.Source = l.path(QStringLiteral("empty"));
        order.Target = r.path(QStringLiteral("empty"));
        order.TargetWasAbsent = true;
        QCOMPARE(file.TransferFile(order), TWinFile::Transfer::Copied);
        QVERIFY(r.exists(QStringLiteral("empty")));
    }

    void targetChangedSinceTheAnalysisStays()
    {
        for (bool keep : {false, true}) {
            QTemporaryDir left, right;
            TreeBuilder l(left.path()), r(right.path());
            QVERIFY(
                l.file(QStringLiteral("f"), RandomBytes(1048576 + 1, 5), LocalTime(2024, 5, 1)));
            QVERIFY(r.file(QStringLiteral("f"), "as analysed", LocalTime(2024, 1, 1)));
            TWinFile::TCopyOrder order;
            order.Source = l.path(QStringLiteral("f"));
            order.Target = r.path(QStringLiteral("f"));
            order.TargetRoot = right.path();
            order.KeepOldVersion = keep;
            order.TargetKnown = true;
            order.TargetSize = 11;
            order.TargetTime = PackedDateTime::FromDateTime(LocalTime(2024, 1, 1));
            TWinFile file;
            file.AfterPiece = [&](qint64) {
                QVERIFY(r.file(QStringLiteral("f"), "a newer edit", LocalTime(2024, 6, 1)));
            };
            QCOMPARE(file.TransferFile(order), TWinFile::Transfer::WriteFailed);
            QCOMPARE(file.LastError,
                     QStringLiteral("The target changed since the analysis: ") + order.Target);
            QCOMPARE(r.read(QStringLiteral("f")), QByteArray("a newer edit"));
            QVERIFY(!r.exists(QStringLiteral("__Save__/f")));

            order.Target = r.path(QStringLiteral("g"));
            order.TargetKnown = false;
            order.TargetWasAbsent = true;
            order.KeepOldVersion = false;
            file.AfterPiece = [&](qint64) {
                QVERIFY(r.file(QStringLiteral("g"), "made meanwhile"));
            };
            QCOMPARE(file.TransferFile(order), TWinFile::Transfer::WriteFailed);
            QCOMPARE(r.read(QStringLiteral("g")), QByteArray("made meanwhile"));
            QVERIFY(Temporaries(right.path()).isEmpty());
        }
    }

    // The kept version is the old target's own file, linked into "__Save__":
    // the target's path holds a complete file at every moment.
    void keptVersionIsTheOldFileItself()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        QVERIFY(l.file(QStringLiteral("f"), "new"));
        QVERIFY(r.file(QStringLiteral("f"), "old"));
        struct stat before;
        QCOMPARE(::stat(QFile::encodeName(r.path(QStringLiteral("f"))).constData(), &before), 0);
        TWinFile file;
        file.AfterPiece = [&](qint64) { QCOMPARE(r.read(QStringLiteral("f")), QByteArray("old")); };
        QCOMPARE(file.TransferFile(l.path(QStringLiteral("f")), r.path(QStringLiteral("f")),
                                   right.path(), 0, 32, true),
                 TWinFile::Transfer::Copied);
        struct stat kept;
        QCOMPARE(::stat(QFile::encodeName(r.path(QStringLiteral("__Save__/f"))).constData(), &kept),
                 0);
        QCOMPARE(kept.st_ino, before.st_ino);
        QCOMPARE(kept.st_nlink, nlink_t(1));
        QCOMPARE(r.read(QStringLiteral("f")), QByteArray("new"));
    }

    void missingFoldersAreMadeAndBackupPathsJoinOnce()
    {
        QTemporaryDir dir;
        TWinFile::MakeFolders(QStringLiteral("a/b/c.txt"), dir.path() + QStringLiteral("/"));
        QVERIFY(QFileInfo(dir.path() + QStringLiteral("/a/b")).isDir());
        QVERIFY(!QFileInfo::exists(dir.path() + QStringLiteral("/a/b/c.txt")));
        QCOMPARE(TWinFile::BackupPath(QStringLiteral("/srv/x/a/b.txt"), QStringLiteral("/srv/x/")),
                 QStringLiteral("/srv/x/__Save__/a/b.txt"));
        QCOMPARE(TWinFile::BackupPath(QStringLiteral("/a/b.txt"), QStringLiteral("/")),
                 QStringLiteral("/__Save__/a/b.txt"));
    }
};

QTEST_GUILESS_MAIN(TestTransfer)
#include "tst_transfer.moc"
