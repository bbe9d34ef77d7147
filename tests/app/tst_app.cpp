// Starts the real brenvale executable on the offscreen platform with its own data
// and settings folders.

#include "jobs/TaskListFile.h"
#include "jobs/UTSyncTask.h"

#include <QDir>
#include <QDomDocument>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <sys/stat.h>

namespace {

// A file's content and identity: a file written anew is another file (the list
// is replaced in one step).
struct TFileState
{
    QByteArray Content;
    ino_t Inode = 0;
    bool operator==(const TFileState&) const = default;
};

TFileState State(const QString& path)
{
    TFileState state;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        state.Content = file.readAll();
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0)
        state.Inode = st.st_ino;
    return state;
}

// Every element below the root as "path=text" for leaves, in document order.
void Flatten(const QDomElement& element, const QString& path, QStringList& lines)
{
    const QString here = path + QLatin1Char('/') + element.tagName();
    if (element.firstChildElement().isNull())
        lines.append(here + QLatin1Char('=') + element.text());
    for (QDomElement child = element.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement())
        Flatten(child, here, lines);
}

QStringList Elements(const QByteArray& xml)
{
    QDomDocument document;
    if (!document.setContent(xml))
        return {};
    QStringList lines;
    Flatten(document.documentElement(), QString(), lines);
    return lines;
}

// True once the process holds the data folder's lock (read from /proc/locks, so
// that looking takes no lock of its own).
bool HoldsLock(qint64 pid, const QString& lockFile)
{
    struct stat st;
    if (::stat(QFile::encodeName(lockFile).constData(), &st) != 0)
        return false;
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    const QString inode = QLatin1Char(':') + QString::number(st.st_ino) + QLatin1Char(' ');
    const QString holder = QLatin1Char(' ') + QString::number(pid) + QLatin1Char(' ');
    const QStringList lines = QString::fromLatin1(locks.readAll()).split(QLatin1Char('\n'));
    return std::any_of(lines.cbegin(), lines.cend(), [&](const QString& line) {
        return line.contains(QStringLiteral("FLOCK")) && line.contains(holder) &&
               line.contains(inode);
    });
}

} // namespace

class TestApp : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Home;
    QTemporaryDir Config;
    QTemporaryDir Folders;

    QProcess Xvfb;

    // A display of its own for the test, or none (with the reason printed) when
    // the machine has no virtual X server.
    QString StartDisplay()
    {
        const QString server = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (server.isEmpty()) {
            qInfo("no Xvfb: the box of a second start on a display is not tried");
            return QString();
        }
        const int number = 100 + int(QCoreApplication::applicationPid() % 400);
        Xvfb.start(server, {QStringLiteral(":%1").arg(number), QStringLiteral("-nolisten"),
                            QStringLiteral("tcp")});
        Xvfb.waitForStarted();
        const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(number);
        QElapsedTimer waited;
        waited.start();
        while (!QFile::exists(socket) && waited.elapsed() < 10000 &&
               Xvfb.state() == QProcess::Running)
            QTest::qWait(50);
        if (!QFile::exists(socket)) {
            qInfo("Xvfb did not start (%s): the box of a second start on a display is not tried",
                  Xvfb.readAllStandardError().constData());
            return QString();
        }
        return QStringLiteral(":%1").arg(number);
    }

    QString TaskList() const { return Home.filePath(QStringLiteral("tasklist.qn")); }

    void Start(QProcess& process, const QString& display = QString())
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("BRENVALE_HOME"), Home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), Config.path());
        environment.insert(QStringLiteral("XDG_DATA_HOME"),
                           Config.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"),
                           display.isEmpty() ? QStringLiteral("offscreen") : QStringLiteral("xcb"));
        if (!display.isEmpty())
            environment.insert(QStringLiteral("DISPLAY"), display);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(BRENVALE_PATH), {QStringLiteral("-Scan")});
        QVERIFY(process.waitForStarted());
    }

    // Started, with its signal handlers in place and the data folder held.
    void StartAndWait(QProcess& process)
    {
        Start(process);
        const QString lockFile = Home.filePath(QStringLiteral("brenvale.lock"));
        QTRY_VERIFY_WITH_TIMEOUT(HoldsLock(process.processId(), lockFile), 30000);
        // Time for the window and its pages to come up.
        QTest::qWait(1500);
        QCOMPARE(process.state(), QProcess::Running);
    }

private Q_SLOTS:
    void initTestCase()
    {
        TSyncTaskList jobs;
        for (const QString& name : {QStringLiteral("Photos"), QStringLiteral("Mail & notes <2>"),
                                    QStringLiteral("  Büro  ")}) {
            const QString left = Folders.filePath(name.trimmed() + QStringLiteral("-left"));
            const QString right = Folders.filePath(name.trimmed() + QStringLiteral("-right"));
            QVERIFY(QDir().mkpath(left) && QDir().mkpath(right));
            auto job = NewLocalJob(name, left, right);
            job->IncludeFilterr = {QStringLiteral(".jpg"), QStringLiteral(" raw ")};
            job->SaveOldFile = 1;
            job->SyncDirection = 2;
            jobs.AddToList(std::move(job));
        }
        QVERIFY(SaveTaskList(jobs, TaskList()));
    }

    void theListIsReadAtStartAndWrittenBackWhenAskedToEnd_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
    }

    void theListIsReadAtStartAndWrittenBackWhenAskedToEnd()
    {
        QFETCH(int, signalNumber);
        const TFileState before = State(TaskList());
        const QStringList elements = Elements(before.Content);
        QCOMPARE(elements.filter(QStringLiteral("/SyncName=")).size(), 3);

        QProcess brenvale;
        StartAndWait(brenvale);
        ::kill(brenvale.processId(), signalNumber);
        QVERIFY(brenvale.waitForFinished(30000));
        QCOMPARE(brenvale.exitStatus(), QProcess::NormalExit);
        QCOMPARE(brenvale.exitCode(), 0);

        const TFileState after = State(TaskList());
        QVERIFY(after.Inode != before.Inode);
        QCOMPARE(Elements(after.Content), elements);
    }

    void aSecondStartEndsWithoutWritingAnything()
    {
        QProcess first;
        StartAndWait(first);
        const TFileState list = State(TaskList());
        const QString settingsFile = Config.filePath(QStringLiteral("Brenvale/Brenvale.conf"));
        const TFileState settings = State(settingsFile);
        QVERIFY(!settings.Content.isEmpty());

        QProcess second;
        Start(second);
        QElapsedTimer took;
        took.start();
        QVERIFY(second.waitForFinished(15000));
        QVERIFY(took.elapsed() < 15000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QVERIFY(second.exitCode() != 0);
        QVERIFY(second.readAllStandardError().contains("Brenvale is already running."));
        QVERIFY(State(TaskList()) == list);
        QVERIFY(State(settingsFile) == settings);

        // On a display the second start says so in a box, which a request to end
        // closes like its user would, writing nothing.
        const QString display = StartDisplay();
        if (!display.isEmpty()) {
            for (const int signalNumber : {SIGTERM, SIGHUP}) {
                QProcess boxed;
                Start(boxed, display);
                QByteArray told;
                QTRY_VERIFY2_WITH_TIMEOUT(
                    (told += boxed.readAllStandardError()).contains("Brenvale is already running."),
                    told.constData(), 15000);
                QTest::qWait(500);
                QCOMPARE(boxed.state(), QProcess::Running);
                ::kill(boxed.processId(), signalNumber);
                QVERIFY(boxed.waitForFinished(10000));
                QCOMPARE(boxed.exitStatus(), QProcess::NormalExit);
                QCOMPARE(boxed.exitCode(), 1);
            }
            QVERIFY(State(TaskList()) == list);
        }

        ::kill(first.processId(), SIGTERM);
        QVERIFY(first.waitForFinished(30000));
        QCOMPARE(first.exitCode(), 0);
    }

    void cleanupTestCase()
    {
        if (Xvfb.state() != QProcess::NotRunning) {
            Xvfb.terminate();
            Xvfb.waitForFinished(5000);
        }
    }
};

QTEST_GUILESS_MAIN(TestApp)
#include "tst_app.moc"
