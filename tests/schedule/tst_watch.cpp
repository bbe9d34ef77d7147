#include "TreeBuilder.h"
#include "schedule/ConnectTrigger.h"
#include "schedule/TreeWatch.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

bool Run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// An ext4 image holding the folder "data", mounted and unmounted on demand.
struct LoopDrive
{
    QTemporaryDir Dir;
    QString Image = Dir.path() + QStringLiteral("/drive.img");
    QString MountPoint = Dir.path() + QStringLiteral("/drive");
    bool IsMounted = false;

    // Empty when ready, else why not.
    QString Make()
    {
        if (::geteuid() != 0)
            return QStringLiteral("mounting needs root");
        QDir().mkpath(MountPoint);
        if (!Run(QStringLiteral("truncate"), {QStringLiteral("-s"), QStringLiteral("8M"), Image}) ||
            !Run(QStringLiteral("mkfs.ext4"), {QStringLiteral("-q"), QStringLiteral("-F"), Image}))
            return QStringLiteral("mkfs.ext4 failed or is missing");
        if (!Mount())
            return QStringLiteral("no loop device could be mounted");
        const bool made = QDir().mkpath(MountPoint + QStringLiteral("/data"));
        Unmount();
        return made ? QString() : QStringLiteral("cannot make a folder on the drive");
    }
    bool Mount()
    {
        IsMounted = Run(QStringLiteral("mount"),
                        {QStringLiteral("-o"), QStringLiteral("loop"), Image, MountPoint});
        return IsMounted;
    }
    bool Unmount()
    {
        IsMounted = IsMounted && !Run(QStringLiteral("umount"), {MountPoint});
        return !IsMounted;
    }
    ~LoopDrive()
    {
        if (IsMounted)
            Unmount();
    }
};

} // namespace

class TestWatch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A change in either tree, a burst of a thousand, a change in a folder
    // made since: each gives exactly one Quiet, once the trees are quiet.
    // Kept versions and the copies' temporary files are no change.
    void changesGiveOneQuietAfterTheQuietTime()
    {
        QTemporaryDir left, right;
        TreeBuilder l(left.path()), r(right.path());
        QVERIFY(l.file(QStringLiteral("a/b/f.txt"), "one"));
        QVERIFY(r.file(QStringLiteral("c/g.txt"), "two"));
        TTreeWatch watch;
        watch.QuietMs = 150;
        QVERIFY(watch.Start({left.path(), right.path()}));
        QCOMPARE(watch.WatchedFolders(), qint64(5));
        QSignalSpy quiet(&watch, &TTreeWatch::Quiet);

        QVERIFY(r.file(QStringLiteral("c/g.txt"), "changed"));
        QTRY_COMPARE(quiet.count(), 1);
        for (int i = 0; i < 1000; ++i)
            QVERIFY(l.file(QStringLiteral("a/b/burst%1.txt").arg(i % 50), QByteArray::number(i)));
        QTRY_COMPARE(quiet.count(), 2);
        QTest::qWait(400);
        QCOMPARE(quiet.count(), 2);

        QVERIFY(QDir().mkpath(l.path(QStringLiteral("new/deeper"))));
        QTRY_COMPARE(quiet.count(), 3);
        QVERIFY(l.file(QStringLiteral("new/deeper/h.txt"), "in a new folder"));
        QTRY_COMPARE(quiet.count(), 4);
        QCOMPARE(watch.WatchedFolders(), qint64(7));

        QVERIFY(r.file(QStringLiteral("__Save__/c/g.txt"), "kept"));
        QVERIFY(r.file(QStringLiteral("c/.__FileSync__AbCdEf"), "temporary"));
        QTest::qWait(400);
        QCOMPARE(quiet.count(), 4);
    }

    // Changes while paused (a run going on) give one Quiet after Resume.
    void changesDuringARunCountOnceAfterIt()
    {
        QTemporaryDir left;
        TreeBuilder l(left.path());
        TTreeWatch watch;
        watch.QuietMs = 100;
        QVERIFY(watch.Start({left.path()}));
        QSignalSpy quiet(&watch, &TTreeWatch::Quiet);
        watch.Pause();
        for (int i = 0; i < 20; ++i)
            QVERIFY(l.file(QStringLiteral("f%1").arg(i), "x"));
        QTest::qWait(300);
        QCOMPARE(quiet.count(), 0);
        watch.Resume();
        QTRY_COMPARE(quiet.count(), 1);
        watch.Pause();
        watch.Resume();
        QTest::qWait(300);
        QCOMPARE(quiet.count(), 1);
    }

    // A tree with more folders than may be watched is not watched at all,
    // and says so with the limit.
    void treeBeyondTheLimitIsToldAndNotWatched()
    {
        QTemporaryDir left;
        TreeBuilder l(left.path());
        for (int i = 0; i < 10; ++i)
            QVERIFY(l.file(QStringLiteral("d%1/f").arg(i), "x"));
        TTreeWatch watch;
        watch.WatchLimit = 4;
        QSignalSpy limit(&watch, &TTreeWatch::LimitReached);
        QVERIFY(!watch.Start({left.path()}));
        QCOMPARE(limit.count(), 1);
        QCOMPARE(limit.first().first().toLongLong(), qint64(4));
        QVERIFY(!watch.IsWatching());
        QVERIFY(TTreeWatch::LimitText(8192).contains(
            QStringLiteral("fs.inotify.max_user_watches = 8192")));
        QVERIFY(TTreeWatch::SystemLimit() > 0);
    }

    // A folder made where the job expects it connects the job, once.
    void folderMadeConnects()
    {
        QTemporaryDir dir;
        const QString left = dir.path() + QStringLiteral("/later/left");
        TConnectTrigger trigger;
        trigger.SettleMs = 100;
        trigger.Watch(left, dir.path());
        QSignalSpy connected(&trigger, &TConnectTrigger::Connected);
        QVERIFY(QDir().mkpath(left));
        QTRY_COMPARE(connected.count(), 1);
        QVERIFY(QDir().mkpath(dir.path() + QStringLiteral("/more")));
        QTest::qWait(300);
        QCOMPARE(connected.count(), 1);
    }

    // A drive mounted below a folder connects the job once, and not again
    // while it stays; unmounted and mounted again, it connects again.
    void mountedDriveConnectsOncePerMount()
    {
        LoopDrive drive;
        const QString why = drive.Make();
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        QTemporaryDir right;
        TConnectTrigger trigger;
        trigger.SettleMs = 200;
        trigger.Watch(drive.MountPoint + QStringLiteral("/data"), right.path());
        QSignalSpy connected(&trigger, &TConnectTrigger::Connected);
        QVERIFY(drive.Mount());
        QTRY_COMPARE_WITH_TIMEOUT(connected.count(), 1, 5000);
        QTemporaryDir other;
        QVERIFY(Run(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                              QStringLiteral("none"), other.path()}));
        QVERIFY(Run(QStringLiteral("umount"), {other.path()}));
        QTest::qWait(600);
        QCOMPARE(connected.count(), 1);

        QVERIFY(drive.Unmount());
        QTest::qWait(300);
        QVERIFY(drive.Mount());
        QTRY_COMPARE_WITH_TIMEOUT(connected.count(), 2, 5000);
    }
};

QTEST_GUILESS_MAIN(TestWatch)
#include "tst_watch.moc"
