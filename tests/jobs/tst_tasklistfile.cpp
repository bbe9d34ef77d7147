#include "TreeBuilder.h"
#include "common/DataFolder.h"
#include "jobs/TaskListFile.h"
#include "jobs/UTSyncTask.h"

#include <QDir>
#include <QDomDocument>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

// A job with every field away from its default.
std::unique_ptr<TSyncTask> FullJob()
{
    auto job = std::make_unique<TSyncTask>();
    job->SyncName = QStringLiteral("Photos <& \"all\">");
    job->SyncID = QStringLiteral("{id-1}");
    job->SyncDirection = 2;
    job->ForcedOrVerified = 1;
    job->IsDeleteFile = 1;
    job->SaveOldFile = 1;
    job->UseTempFile = 1;
    job->CheckNoChange = 1;
    job->EstimateDiskSpace = 1;
    for (TFolderSource* side : {&job->LFolder, &job->RFolder}) {
        side->DeviceType = SideDevice::LocalFolder;
        side->FolerAllName = side == &job->LFolder ? QStringLiteral("/home/a/Photos ")
                                                   : QStringLiteral("/media/ünï/b/");
        side->validate = 3;
        side->UserName = QStringLiteral("user");
        side->PWD = QStringLiteral("secret\tword");
        side->ActiveMode = 4;
        side->FactTime = -7;
        side->PrivateKey = QStringLiteral("key");
    }
    job->IncludeFilterr = {QStringLiteral(".jpg"), QString(), QStringLiteral(" raw ")};
    job->ExcludeFilterr = {QStringLiteral("tmp")};
    job->ExcludeEmtpyFolder = 1;
    job->ExcludeHiddenFile = 1;
    job->ExcludeSystemFile = 0;
    job->IncFileTimeMin = (28 << 25) | (1 << 21) | (1 << 16);
    job->IncFileTimeMax = 1000000000;
    job->ExcFileTimeMin = 5;
    job->ExcFileTimeMax = 6;
    job->IncFileSizeMin = 0;
    job->IncFileSizeMax = qint64(3000) * 1048576;
    job->ExcFileSizeMin = 7;
    job->ExcFileSizeMax = std::numeric_limits<qint64>::max();
    job->StartAnalyze = 1;
    job->StartSync = 1;
    job->ConnectAnalyze = 1;
    job->ConnectSync = 1;
    job->LogoffAnalyze = 1;
    job->LogoffSync = 1;
    job->PeriodAnalyze = 1;
    job->PeriodSync = 1;
    job->Hours = -1;
    job->minutes = 45;
    job->TSsync = 1;
    job->TSanalyze = 1;
    job->TaskScheduler = QStringLiteral("12-01-2026_101500");
    job->Conflicts = 1;
    job->EnsureFolderTags = 1;
    job->WatchSync = 1;
    job->WatchQuietSeconds = 12;
    return job;
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// A task list file in a temporary folder of its own, the list to save into it and
// the list it is read into.
struct TListFile
{
    QTemporaryDir Dir;
    QString Path = Dir.filePath(QStringLiteral("tasklist.qn"));
    TSyncTaskList Saved;
    TSyncTaskList Loaded;

    // Saves Saved into the file and reads the file back into Loaded; an edit, when
    // given, changes the saved bytes in between. Empty, or the step that failed.
    QString SaveAndLoad(const std::function<void(QByteArray&)>& edit = nullptr)
    {
        QString error;
        if (!SaveTaskList(Saved, Path, &error))
            return QStringLiteral("save: ") + error;
        QByteArray bytes = ReadFile(Path);
        if (edit && (edit(bytes), !WriteFile(Path, bytes)))
            return QStringLiteral("edit: not written");
        const TTaskListLoad load = LoadTaskList(Path, Loaded);
        return load.Result == TTaskListLoad::Outcome::Loaded
                   ? QString()
                   : QStringLiteral("load: ") + load.Error;
    }
};

// Element paths and texts of a file, in document order.
QStringList Outline(const QString& path)
{
    QDomDocument document;
    if (!document.setContent(ReadFile(path)))
        return {QStringLiteral("unparsable")};
    QStringList lines;
    std::function<void(const QDomElement&, const QString&)> walk = [&](const QDomElement& e,
                                                                       const QString& prefix) {
        const QString here = prefix + QLatin1Char('/') + e.tagName();
        if (e.firstChildElement().isNull())
            lines.append(here + QLatin1Char('=') + e.text());
        for (QDomElement c = e.firstChildElement(); !c.isNull(); c = c.nextSiblingElement())
            walk(c, here);
    };
    walk(document.documentElement(), QString());
    return lines;
}

} // namespace

class TestTaskListFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fullJobRoundTrips()
    {
        TListFile file;
        file.Saved.AppendLoaded(FullJob());
        file.Saved.AppendLoaded(std::make_unique<TSyncTask>());
        QCOMPARE(file.SaveAndLoad(), QString());

        const QByteArray bytes = ReadFile(file.Path);
        QVERIFY(bytes.startsWith("<?xml version=\"1.0\" encoding=\"utf-8\"?>"));
        QVERIFY(bytes.contains("<IncludeFilterr>.jpg&#xd;\n&#xd;\n raw &#xd;\n</IncludeFilterr>"));
        QVERIFY(bytes.contains("<FileSizeMax>3145728000</FileSizeMax>"));
        QVERIFY(bytes.contains("<FileTimeMin>-1</FileTimeMin>"));
        const QStringList outline = Outline(file.Path);
        QCOMPARE(outline.at(0), QStringLiteral("/TaskList/Tast/SyncName=Photos <& \"all\">"));
        QCOMPARE(outline.at(9), QStringLiteral("/TaskList/Tast/LFolder/DeviceType=1"));
        QCOMPARE(outline.at(16), QStringLiteral("/TaskList/Tast/LFolder/PrivateKey=key"));
        QVERIFY(outline.contains(QStringLiteral("/TaskList/Tast/Auto/minutes=45")));
        QCOMPARE(outline.size(), 2 * 55);
        // The newer elements close the job.
        QCOMPARE(outline.mid(53, 2),
                 (QStringList{QStringLiteral("/TaskList/Tast/WatchSync=1"),
                              QStringLiteral("/TaskList/Tast/WatchQuietSeconds=12")}));

        QCOMPARE(file.Loaded.Count(), 2);
        const TSyncTask* job = file.Loaded.TaskByIndex(0);
        QCOMPARE(job->ListState, JobListState::Loaded);
        QCOMPARE(job->IncludeFilterr, FullJob()->IncludeFilterr);
        QCOMPARE(job->IncFileSizeMax, qint64(3000) * 1048576);
        QCOMPARE(job->ExcFileSizeMax, std::numeric_limits<qint64>::max());
        QCOMPARE(job->RFolder.FolerAllName, QStringLiteral("/media/ünï/b/"));
        QCOMPARE(job->LFolder.PWD, QStringLiteral("secret\tword"));
        QCOMPARE(job->Hours, -1);
        QCOMPARE(job->WatchQuietSeconds, 12);
        QCOMPARE(file.Loaded.KeyByIndex(0), QStringLiteral("{id-1}"));

        // Writing what was read gives the same elements with the same texts.
        const QString again = file.Dir.filePath(QStringLiteral("again.qn"));
        QVERIFY(SaveTaskList(file.Loaded, again));
        QCOMPARE(Outline(again), outline);
        QCOMPARE(ReadFile(again), bytes);
    }

    // A file written before the newer elements reads as ever, with their
    // defaults; one with a bad value in them is refused like any bad job.
    void olderFilesLackTheNewerElements()
    {
        TListFile file;
        file.Saved.AppendLoaded(FullJob());
        const auto drop = [](QByteArray& bytes) {
            bytes.replace("<WatchSync>1</WatchSync>", "");
            bytes.replace("<WatchQuietSeconds>12</WatchQuietSeconds>", "");
        };
        QCOMPARE(file.SaveAndLoad(drop), QString());
        const TSyncTask* job = file.Loaded.TaskByIndex(0);
        QCOMPARE(job->WatchSync, 0);
        QCOMPARE(job->WatchQuietSeconds, 5);
        QCOMPARE(job->EnsureFolderTags, 1);
        const auto spoil = [](QByteArray& bytes) {
            bytes.replace("<WatchQuietSeconds>12<", "<WatchQuietSeconds>soon<");
        };
        QVERIFY(file.SaveAndLoad(spoil).startsWith(QStringLiteral("load: ")));
    }

    void listTextsSplitAtEveryLineBreak()
    {
        TListFile file;
        file.Saved.AppendLoaded(FullJob());
        const auto breakLines = [](QByteArray& bytes) {
            bytes.replace("<ExcludeFilterr>tmp&#xd;\n</ExcludeFilterr>",
                          "<ExcludeFilterr>a&#xd;b\nc&#xd;\n&#xd;\nd</ExcludeFilterr>");
        };
        QCOMPARE(file.SaveAndLoad(breakLines), QString());
        QCOMPARE(file.Loaded.TaskByIndex(0)->ExcludeFilterr,
                 (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                              QString(), QStringLiteral("d")}));
    }

    void loadStopsAtTheFirstBadJob_data()
    {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::newRow("not a number") << QByteArray("<SyncDirection>2</SyncDirection>")
                                      << QByteArray("<SyncDirection>two</SyncDirection>");
        QTest::newRow("above 32 bits") << QByteArray("<SyncDirection>2</SyncDirection>")
                                       << QByteArray("<SyncDirection>2147483648</SyncDirection>");
        QTest::newRow("empty integer")
            << QByteArray("<SyncDirection>2</SyncDirection>") << QByteArray("<SyncDirection/>");
        QTest::newRow("size above 64 bits")
            << QByteArray("<FileSizeMax>3145728000</FileSizeMax>")
            << QByteArray("<FileSizeMax>9223372036854775808</FileSizeMax>");
        QTest::newRow("no Auto") << QByteArray("Auto>") << QByteArray("Other>");
    }

    void loadStopsAtTheFirstBadJob()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.qn"));
        TSyncTaskList list;
        for (int i = 0; i < 4; ++i) {
            auto job = FullJob();
            job->SyncName = QStringLiteral("job %1").arg(i);
            list.AppendLoaded(std::move(job));
        }
        QVERIFY(SaveTaskList(list, path));
        QByteArray bytes = ReadFile(path);
        // Spoil the second job only.
        const qsizetype second = bytes.indexOf("<Tast>", bytes.indexOf("<Tast>") + 1);
        const qsizetype third = bytes.indexOf("<Tast>", second + 1);
        QByteArray job = bytes.mid(second, third - second);
        QVERIFY(job.contains(from));
        job.replace(from, to);
        bytes.replace(second, third - second, job);
        QVERIFY(WriteFile(path, bytes));

        TSyncTaskList loaded;
        const TTaskListLoad load = LoadTaskList(path, loaded);
        QCOMPARE(load.Result, TTaskListLoad::Outcome::StoppedAtBadJob);
        QCOMPARE(load.BadJob, 1);
        QCOMPARE(loaded.Count(), 1);
        QCOMPARE(loaded.TaskByIndex(0)->SyncName, QStringLiteral("job 0"));

        // A save loses no job: the unread ones go back as they were, after the
        // loaded ones, and a second save does not write them twice.
        loaded.AddToList(std::make_unique<TSyncTask>());
        QVERIFY(SaveTaskList(loaded, path));
        QVERIFY(SaveTaskList(loaded, path));
        const QByteArray saved = ReadFile(path);
        QCOMPARE(saved.count("<SyncName>job "), 4);
        QVERIFY(saved.contains(to));
        QVERIFY(saved.indexOf("<SyncName>job 0") < saved.indexOf("<SyncName/>"));
        QVERIFY(saved.indexOf("<SyncName/>") < saved.indexOf("<SyncName>job 1"));

        // Once another file is loaded, the kept jobs belong to the old one.
        const QString other = dir.filePath(QStringLiteral("other.qn"));
        QVERIFY(WriteFile(other, "<TaskList/>"));
        QCOMPARE(LoadTaskList(other, loaded).Result, TTaskListLoad::Outcome::Loaded);
        QVERIFY(loaded.UnloadedJobs().isEmpty());
    }

    void blankAndLineBreakTextsRoundTrip()
    {
        TListFile file;
        auto job = FullJob();
        job->SyncName = QStringLiteral("  ");
        job->LFolder.FolerAllName = QStringLiteral(" ");
        job->RFolder.FolerAllName = QStringLiteral("\t");
        job->LFolder.PWD = QStringLiteral(" \r\n ");
        job->RFolder.PWD = QStringLiteral("a\rb\r");
        job->IncludeFilterr = {QStringLiteral(" ")};
        job->ExcludeFilterr = {QStringLiteral("  "), QStringLiteral("\t")};
        file.Saved.AppendLoaded(std::move(job));
        QCOMPARE(file.SaveAndLoad(), QString());

        const TSyncTask* read = file.Loaded.TaskByIndex(0);
        QCOMPARE(read->SyncName, QStringLiteral("  "));
        QCOMPARE(read->LFolder.FolerAllName, QStringLiteral(" "));
        QCOMPARE(read->RFolder.FolerAllName, QStringLiteral("\t"));
        QCOMPARE(read->LFolder.PWD, QStringLiteral(" \r\n "));
        QCOMPARE(read->RFolder.PWD, QStringLiteral("a\rb\r"));
        QCOMPARE(read->IncludeFilterr, QStringList{QStringLiteral(" ")});
        QCOMPARE(read->ExcludeFilterr, (QStringList{QStringLiteral("  "), QStringLiteral("\t")}));
    }

    void unwritableCharactersAreSavedAsReplacements()
    {
        TListFile file;
        auto bad = FullJob();
        bad->SyncName = QStringLiteral("a\u0001b");
        bad->IncludeFilterr = {QStringLiteral("x\x1fy")};
        bad->LFolder.PWD =
            QStringLiteral("p") + QChar(0xD800) + QChar(0xFFFF) + QStringLiteral("\U0001F600");
        file.Saved.AppendLoaded(std::move(bad));
        file.Saved.AppendLoaded(FullJob());
        // One line for the job, however many of its texts were changed; none for the other.
        QTest::ignoreMessage(QtWarningMsg,
                             "Brenvale: the job \"a\uFFFDb\" holds characters that a task list "
                             "cannot hold; they are saved as U+FFFD");
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        QCOMPARE(file.SaveAndLoad(), QString());

        QCOMPARE(file.Loaded.Count(), 2);
        const TSyncTask* read = file.Loaded.TaskByIndex(0);
        QCOMPARE(read->SyncName, QStringLiteral("a\uFFFDb"));
        QCOMPARE(read->IncludeFilterr, QStringList{QStringLiteral("x\uFFFDy")});
        QCOMPARE(read->LFolder.PWD, QStringLiteral("p\uFFFD\uFFFD\U0001F600"));
    }

    void deepNestingIsRefused()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tasklist.qn"));
        TSyncTaskList list;
        list.AppendLoaded(FullJob());
        QVERIFY(SaveTaskList(list, path));
        const QByteArray plain = ReadFile(path);
        const auto nested = [&](int depth) {
            const QByteArray chain =
                "<Tast>" + QByteArray("<x>").repeated(depth) + QByteArray("</x>").repeated(depth);
            return QByteArray(plain).replace("<Tast>", chain);
        };

        // The root, the job and 62 more levels are read; the unknown child is dropped.
        TSyncTaskList loaded;
        QVERIFY(WriteFile(path, nested(62)));
        QCOMPARE(LoadTaskList(path, loaded).Result, TTaskListLoad::Outcome::Loaded);
        QCOMPARE(loaded.Count(), 1);

        QVERIFY(WriteFile(path, nested(63)));
        TTaskListLoad load = LoadTaskList(path, loaded);
        QCOMPARE(load.Result, TTaskListLoad::Outcome::Unparsable);
        QVERIFY2(load.Error.contains(QStringLiteral("deeper than 64 levels")),
                 qPrintable(load.Error));

        const QByteArray deep = nested(100000);
        QVERIFY(WriteFile(path, deep));
        QElapsedTimer timer;
        timer.start();
        load = LoadTaskList(path, loaded);
        QVERIFY(timer.elapsed() < 1000);
        QCOMPARE(load.Result, TTaskListLoad::Outcome::Unparsable);
        QVERIFY(load.Error.contains(QStringLiteral("deeper than 64 levels")));
        QCOMPARE(loaded.Count(), 0);
        // A save keeps such a file aside, like any file that cannot be read.
        loaded.AddToList(FullJob());
        QVERIFY(SaveTaskList(loaded, path));
        QCOMPARE(ReadFile(path + QStringLiteral(".bad")), deep);
        QCOMPARE(LoadTaskList(path, loaded).Result, TTaskListLoad::Outcome::Loaded);
    }

    // Files that would cost far more to read than any job list are refused as
    // unreadable, at once: many attributes, a long text, a long list, a big file.
    void costlyFilesAreRefused()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tasklist.qn"));
        TSyncTaskList list;
        list.AppendLoaded(FullJob());
        TSyncTask& job = *list.TaskByIndex(0);
        const auto refusal = [&](const QByteArray& content) {
            TSyncTaskList loaded;
            if (!content.isEmpty() && !WriteFile(path, content))
                return QStringLiteral("not written");
            const TTaskListLoad load = LoadTaskList(path, loaded);
            return load.Result == TTaskListLoad::Outcome::Loaded ? QString() : load.Error;
        };

        job.IncludeFilterr = QStringList(10000, QStringLiteral("*.p"));
        QVERIFY(SaveTaskList(list, path));
        const QByteArray plain = ReadFile(path);
        QCOMPARE(refusal({}), QString());
        const auto inserted = [&](const char* before, const QByteArray& text) {
            return QByteArray(plain).insert(plain.indexOf(before), text);
        };
        QVERIFY(refusal(inserted("*.p", "*.q\n"))
                    .startsWith(
                        QStringLiteral("The task list holds a list of more than 10000 entries.")));
        QVERIFY(refusal(inserted("Photos", QByteArray(1024 * 1024 + 1, 'n')))
                    .startsWith(QStringLiteral(
                        "The task list holds a text longer than 1048576 characters.")));
        // Nothing is saved that would not read back.
        job.IncludeFilterr.append(QStringLiteral("*.q"));
        QString error;
        QVERIFY(!SaveTaskList(list, path, &error));
        QVERIFY2(error.contains(QStringLiteral("more than 10000 entries")), qPrintable(error));

        const auto attributes = [&](int count) {
            QByteArray names;
            for (int i = 0; i < count; ++i)
                names += " a" + QByteArray::number(i) + "=\"1\"";
            return QByteArray(plain).replace("<TaskList", QByteArray("<TaskList" + names));
        };
        QCOMPARE(refusal(attributes(1000)), QString());
        QVERIFY(refusal(attributes(200000))
                    .startsWith(QStringLiteral(
                        "The task list has an element with more than 1000 attributes.")));

        const QByteArray padded = QByteArray(plain).append(
            QByteArray("<!--" + QByteArray(16 * 1024 * 1024, ' ') + "-->"));
        QCOMPARE(refusal(padded), QStringLiteral("The task list is larger than 16 MiB."));
    }

    void unloadedJobsAreWrittenBackAsRead()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.qn"));
        TSyncTaskList list;
        auto first = FullJob();
        first->SyncName = QStringLiteral("\u00e9\U0001F600");
        list.AppendLoaded(std::move(first));
        QVERIFY(SaveTaskList(list, path));
        const QByteArray saved = ReadFile(path);
        // Spacing, quoting, a comment, a CDATA section, references and CR LF line ends
        // that a rebuilt element would not keep.
        const QByteArray bad = "<Tast  kind='x' ><SyncName>b&#x41;d <![CDATA[<&>]]></SyncName>\r\n"
                               "  <!-- c --><SyncDirection>two</SyncDirection><Hours></Hours>"
                               "<Other a=\"&quot;\"/></Tast>";
        const QByteArray after = "<Tast><SyncName>\xc3\xa9</SyncName></Tast >";
        const qsizetype end = saved.indexOf("</TaskList>");
        QVERIFY(WriteFile(path,
                          saved.left(end) + "\n  " + bad + "\n  " + after + "\n" + saved.mid(end)));

        TSyncTaskList loaded;
        QCOMPARE(LoadTaskList(path, loaded).Result, TTaskListLoad::Outcome::StoppedAtBadJob);
        QCOMPARE(loaded.UnloadedJobs(),
                 (QStringList{QString::fromUtf8(bad), QString::fromUtf8(after)}));
        QVERIFY(SaveTaskList(loaded, path));
        QCOMPARE(ReadFile(path), saved.left(end) + bad + after + saved.mid(end));

        // A kept job that leans on a declaration the save does not keep would make the
        // file unreadable: the save is refused and the file stays as it was.
        const QByteArray declared = "<!DOCTYPE TaskList [<!ENTITY e \"1\">]><TaskList><Tast>"
                                    "<SyncDirection>&e;x</SyncDirection></Tast></TaskList>";
        QVERIFY(WriteFile(path, declared));
        QCOMPARE(LoadTaskList(path, loaded).Result, TTaskListLoad::Outcome::StoppedAtBadJob);
        QString error;
        QVERIFY(!SaveTaskList(loaded, path, &error));
        QVERIFY2(error.contains(QStringLiteral("would not read back")), qPrintable(error));
        QCOMPARE(ReadFile(path), declared);
    }

    void foreignRootAndChildNames()
    {
        TListFile file;
        file.Saved.AppendLoaded(FullJob());
        const auto rename = [](QByteArray& bytes) {
            bytes.replace("<TaskList>", "<!-- kept --><Jobs>").replace("</TaskList>", "</Jobs>");
            bytes.replace("<Tast>", "<Job>").replace("</Tast>", "</Job>");
        };
        QCOMPARE(file.SaveAndLoad(rename), QString());
        QCOMPARE(file.Loaded.Count(), 1);
        QCOMPARE(file.Loaded.TaskByIndex(0)->SyncDirection, 2);
        QVERIFY(SaveTaskList(file.Loaded, file.Path));
        const QByteArray saved = ReadFile(file.Path);
        QVERIFY(saved.contains("<Jobs><Tast>"));
        QVERIFY(saved.contains("<!-- kept -->"));
        QVERIFY(!saved.contains("<Job>"));
    }

    void deletedJobsAreLeftOutAndAddedOnesComeLast()
    {
        TListFile file;
        for (int i = 0; i < 3; ++i) {
            auto job = std::make_unique<TSyncTask>();
            job->SyncName = QStringLiteral("n%1").arg(i);
            file.Saved.AppendLoaded(std::move(job));
        }
        file.Saved.MarkDeleted(1);
        auto added = std::make_unique<TSyncTask>();
        added->SyncName = QStringLiteral("added");
        file.Saved.AddToList(std::move(added));
        QCOMPARE(file.SaveAndLoad(), QString());
        QCOMPARE(file.Loaded.Count(), 3);
        QCOMPARE(file.Loaded.TaskByIndex(0)->SyncName, QStringLiteral("n0"));
        QCOMPARE(file.Loaded.TaskByIndex(1)->SyncName, QStringLiteral("n2"));
        QCOMPARE(file.Loaded.TaskByIndex(2)->SyncName, QStringLiteral("added"));
    }

    void unparsableFileIsKeptAside()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tasklist.qn"));
        QVERIFY(WriteFile(path, "<TaskList><Tast>broken"));
        QVERIFY(WriteFile(path + QStringLiteral(".bad"), "an older one"));
        TSyncTaskList list;
        QCOMPARE(LoadTaskList(path, list).Result, TTaskListLoad::Outcome::Unparsable);
        QCOMPARE(list.Count(), 0);
        list.AddToList(FullJob());
        QVERIFY(SaveTaskList(list, path));
        QCOMPARE(ReadFile(path + QStringLiteral(".bad2")), QByteArray("<TaskList><Tast>broken"));
        QCOMPARE(ReadFile(path + QStringLiteral(".bad")), QByteArray("an older one"));
        TSyncTaskList loaded;
        QCOMPARE(LoadTaskList(path, loaded).Result, TTaskListLoad::Outcome::Loaded);
        QCOMPARE(loaded.Count(), 1);

        // An empty file cannot be parsed either.
        QVERIFY(WriteFile(path, ""));
        QCOMPARE(LoadTaskList(path, loaded).Result, TTaskListLoad::Outcome::Unparsable);
        QCOMPARE(LoadTaskList(dir.filePath(QStringLiteral("none.qn")), loaded).Result,
                 TTaskListLoad::Outcome::Missing);
    }

    void fileIsPrivateAndReplacedWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tasklist.qn"));
        TSyncTaskList list;
        list.AppendLoaded(FullJob());
        QVERIFY(SaveTaskList(list, path));
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0600u);
        // The save writes a new file and renames it over the old one.
        const ino_t before = st.st_ino;
        QVERIFY(SaveTaskList(list, path));
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QVERIFY(st.st_ino != before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    void processWideListUsesTheDataFolder()
    {
        QTemporaryDir dir;
        qputenv("BRENVALE_HOME", dir.path().toUtf8());
        QCOMPARE(DataFolder::TaskListPath(), dir.filePath(QStringLiteral("tasklist.qn")));
        CreateTaskList();
        SyncTaskList->AddToList(FullJob());
        QVERIFY(SaveTaskList());
        QCOMPARE(LoadTaskList(DataFolder::TaskListPath()).Result, TTaskListLoad::Outcome::Loaded);
        QCOMPARE(SyncTaskList->Count(), 1);
        qunsetenv("BRENVALE_HOME");
    }
};

QTEST_GUILESS_MAIN(TestTaskListFile)
#include "tst_tasklistfile.moc"
