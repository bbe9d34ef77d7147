#include "CliRunner.h"
#include "TreeBuilder.h"
#include "jobs/TaskListFile.h"
#include "jobs/UTSyncTask.h"
#include "run/RunLock.h"

#include <QDate>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QDateTime Old = LocalTime(2021, 3, 4, 10, 20, 30);
const QDateTime New = LocalTime(2023, 5, 6, 7, 8, 10);
const QDateTime Midnight = LocalTime(2022, 1, 2, 0, 0, 0);

QStringList Texts(std::initializer_list<const char*> texts)
{
    QStringList list;
    for (const char* text : texts)
        list.append(QString::fromUtf8(text));
    return list;
}

// Two side folders in one temporary folder.
struct Sides
{
    QTemporaryDir Dir;
    QString LeftPath = Dir.path() + QStringLiteral("/left");
    QString RightPath = Dir.path() + QStringLiteral("/right");
    TreeBuilder Left{LeftPath};
    TreeBuilder Right{RightPath};

    Sides()
    {
        QDir().mkpath(LeftPath);
        QDir().mkpath(RightPath);
    }

    QStringList Args(const QString& command, const QStringList& more = {}) const
    {
        return QStringList{command, QStringLiteral("--left"), LeftPath, QStringLiteral("--right"),
                           RightPath} +
               more;
    }
};

// The rows of a JSON result by path.
QMap<QString, QJsonObject> RowsByPath(const QJsonObject& result)
{
    QMap<QString, QJsonObject> rows;
    for (const QJsonValue& row : result.value(QStringLiteral("rows")).toArray())
        rows.insert(row[QStringLiteral("path")].toString(), row.toObject());
    return rows;
}

QStringList Paths(const QJsonObject& result)
{
    QStringList paths;
    for (const QJsonValue& row : result.value(QStringLiteral("rows")).toArray())
        paths.append(row[QStringLiteral("path")].toString());
    return paths;
}

QJsonObject Side(const QDateTime& time, qint64 size)
{
    return QJsonObject{
        {QStringLiteral("time"), time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))},
        {QStringLiteral("size"), size}};
}

// A tree with every comparison state:
//   same.txt (0), only-left.txt (1), only-right.txt (2), right-newer.txt (3),
//   left-newer.txt (4), docs/ holding one change below a folder, quiet/ holding
//   only an unchanged file, new-folder/ on the left only.
void BuildEveryState(Sides& s)
{
    QVERIFY(s.Left.file(QStringLiteral("same.txt"), "same", Old));
    QVERIFY(s.Right.file(QStringLiteral("same.txt"), "same but longer", Old));
    QVERIFY(s.Left.file(QStringLiteral("only-left.txt"), QByteArray(1234, 'l'), Old));
    QVERIFY(s.Right.file(QStringLiteral("only-right.txt"), "r", Midnight));
    QVERIFY(s.Left.file(QStringLiteral("right-newer.txt"), "old left", Old));
    QVERIFY(s.Right.file(QStringLiteral("right-newer.txt"), "new right", New));
    QVERIFY(s.Left.file(QStringLiteral("left-newer.txt"), "new left", New));
    QVERIFY(s.Right.file(QStringLiteral("left-newer.txt"), "old right", Old));
    QVERIFY(s.Left.file(QStringLiteral("docs/deep/a.txt"), "new a", New));
    QVERIFY(s.Right.file(QStringLiteral("docs/deep/a.txt"), "old a", Old));
    QVERIFY(s.Left.file(QStringLiteral("quiet/q.txt"), "q", Old));
    QVERIFY(s.Right.file(QStringLiteral("quiet/q.txt"), "q", Old));
    QVERIFY(s.Left.file(QStringLiteral("new-folder/n.txt"), "", Old));
    // Folder times are set last: writing a file changes its folder's time.
    for (const QString& folder :
         {QStringLiteral("docs/deep"), QStringLiteral("docs"), QStringLiteral("quiet")}) {
        QVERIFY(s.Left.setTime(folder, Old));
        QVERIFY(s.Right.setTime(folder, Old));
    }
    QVERIFY(s.Left.setTime(QStringLiteral("new-folder"), Old));
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyStateInJson()
    {
        Sides s;
        BuildEveryState(s);
        const CliResult result = CliRunner::Run(
            s.Args(QStringLiteral("analyze"), {QStringLiteral("--all"), QStringLiteral("--json")}));
        QCOMPARE(result.Code, 0);
        QCOMPARE(result.Err, QString());
        const QJsonObject json = result.Json();
        QCOMPARE(json[QStringLiteral("job")].toString(), QStringLiteral("One-off job"));
        QCOMPARE(json[QStringLiteral("left")].toString(), s.LeftPath);
        QCOMPARE(json[QStringLiteral("right")].toString(), s.RightPath);
        QCOMPARE(json[QStringLiteral("totals")].toObject(),
                 (QJsonObject{{QStringLiteral("files"), 8},
                              {QStringLiteral("left_count"), 3},
                              {QStringLiteral("right_count"), 3},
                              {QStringLiteral("conflicts"), 0}}));
        QVERIFY(!json.contains(QStringLiteral("sync")));

        const auto rows = RowsByPath(json);
        const auto file = [&](const QString& path, int state, int direction) {
            const QJsonObject row = rows.value(path);
            QCOMPARE(row[QStringLiteral("state")].toInt(-1), state);
            QCOMPARE(row[QStringLiteral("direction")].toInt(-1), direction);
            QVERIFY(!row.contains(QStringLiteral("folder")));
        };
        file(QStringLiteral("same.txt"), 0, 0);
        file(QStringLiteral("only-left.txt"), 1, 2);
        file(QStringLiteral("only-right.txt"), 2, 1);
        file(QStringLiteral("right-newer.txt"), 3, 1);
        file(QStringLiteral("left-newer.txt"), 4, 2);
        file(QStringLiteral("docs/deep/a.txt"), 4, 2);

        const QJsonObject same = rows.value(QStringLiteral("same.txt"));
        QCOMPARE(same[QStringLiteral("left")].toObject(), Side(Old, 4));
        QCOMPARE(same[QStringLiteral("right")].toObject(), Side(Old, 15));
        const QJsonObject onlyRight = rows.value(QStringLiteral("only-right.txt"));
        QVERIFY(onlyRight[QStringLiteral("left")].isNull());
        QCOMPARE(onlyRight[QStringLiteral("right")].toObject(), Side(Midnight, 1));
        QVERIFY(rows.value(QStringLiteral("only-left.txt"))[QStringLiteral("right")].isNull());

        const QJsonObject docs = rows.value(QStringLiteral("docs"));
        QCOMPARE(docs[QStringLiteral("folder")].toBool(), true);
        QCOMPARE(docs[QStringLiteral("state")].toInt(-2), 0);
        QCOMPARE(docs[QStringLiteral("left_count")].toInt(-1), 0);
        QCOMPARE(docs[QStringLiteral("right_count")].toInt(-1), 1);
        const QJsonObject newFolder = rows.value(QStringLiteral("new-folder"));
        QCOMPARE(newFolder[QStringLiteral("state")].toInt(-2), 1);
        // A folder counts its rows by the way they copy: n.txt goes to the right.
        QCOMPARE(newFolder[QStringLiteral("left_count")].toInt(-1), 0);
        QCOMPARE(newFolder[QStringLiteral("right_count")].toInt(-1), 1);
        file(QStringLiteral("new-folder/n.txt"), 1, 2);
        QVERIFY(rows.contains(QStringLiteral("quiet")));
        // Tree order: each folder before its contents, left listing order first.
        const QStringList paths = Paths(json);
        QVERIFY(paths.indexOf(QStringLiteral("docs")) < paths.indexOf(QStringLiteral("docs/deep")));
        QVERIFY(paths.indexOf(QStringLiteral("docs/deep")) <
                paths.indexOf(QStringLiteral("docs/deep/a.txt")));
        QCOMPARE(paths.last(), QStringLiteral("only-right.txt"));
    }

    void changesLeaveOutWhatIsEqual()
    {
        Sides s;
        BuildEveryState(s);
        const CliResult result =
            CliRunner::Run(s.Args(QStringLiteral("analyze"), {QStringLiteral("--json")}));
        QCOMPARE(result.Code, 0);
        QStringList paths = Paths(result.Json());
        paths.sort();
        QCOMPARE(paths, (Texts({"docs", "docs/deep", "docs/deep/a.txt", "left-newer.txt",
                                "new-folder", "new-folder/n.txt", "only-left.txt", "only-right.txt",
                                "right-newer.txt"})));
    }

    void textShowsThePageCells()
    {
        Sides s;
        BuildEveryState(s);
        const CliResult result =
            CliRunner::Run(s.Args(QStringLiteral("analyze"), {QStringLiteral("--all")}));
        QCOMPARE(result.Code, 0);
        QCOMPARE(result.Err, QString());
        const QStringList lines = result.OutLines();
        const auto lineOf = [&](const QString& name) {
            for (const QString& line : lines) {
                if (line.trimmed().startsWith(name + QLatin1Char(' ')))
                    return line.simplified();
            }
            return QString();
        };
        QCOMPARE(lineOf(QStringLiteral("only-left.txt")),
                 QStringLiteral("only-left.txt left only 4 Mar 2021 10:20:30 1,234 -> "
                                "not seen before not present"));
        QCOMPARE(lineOf(QStringLiteral("only-right.txt")),
                 QStringLiteral("only-right.txt right only not seen before not present <- "
                                "2 Jan 2022 1"));
        QCOMPARE(lineOf(QStringLiteral("same.txt")),
                 QStringLiteral("same.txt same 4 Mar 2021 10:20:30 4 == 4 Mar 2021 10:20:30 15"));
        // An empty file shows "not present" as on the page.
        QVERIFY(lineOf(QStringLiteral("n.txt")).contains(QStringLiteral("not present ->")));
        QCOMPARE(lineOf(QStringLiteral("docs/")),
                 QStringLiteral("docs/ same folder folder 1 folder folder"));
        QVERIFY(lines.first().startsWith(QStringLiteral("Item")));
        QCOMPARE(lines.at(1).simplified(), QStringLiteral("One-off job 2 4"));
        QVERIFY(lines.indexOf(QStringLiteral("    deep/")) < 0); // indentation shows depth
        QVERIFY(lineOf(QStringLiteral("deep/")).size() > 0);
        QCOMPARE(lines.mid(lines.size() - 3),
                 (Texts({"Files compared: 8", "Changed files in the left folders: 3",
                         "Changed files in the right folders: 3"})));
    }

    void syncCopiesTheListedRows()
    {
        Sides s;
        BuildEveryState(s);
        const CliResult result = CliRunner::Run(s.Args(QStringLiteral("sync")));
        QCOMPARE(result.Code, 0);
        QCOMPARE(result.Err, QString());
        const QString today = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
        const QString left = s.LeftPath + QLatin1Char('/');
        const QString right = s.RightPath + QLatin1Char('/');
        const QStringList lines = result.OutLines();
        QVERIFY(lines.contains(QStringLiteral("Move the file ") + left +
                               QStringLiteral("only-left.txt : ") + left +
                               QStringLiteral("only-left.txt -> ") + right +
                               QStringLiteral("only-left.txt Succeeded,time: ") + today));
        QVERIFY(lines.contains(QStringLiteral("Move the file ") + right +
                               QStringLiteral("right-newer.txt : ") + right +
                               QStringLiteral("right-newer.txt -> ") + left +
                               QStringLiteral("right-newer.txt Succeeded,time: ") + today));
        QCOMPARE(lines.size(), 6 + 2);
        QCOMPARE(lines.at(6), QStringLiteral("Sync Done!"));
        QCOMPARE(lines.at(7), QStringLiteral("Total numbers of error files : 0 ; "
                                             "Total numbers of synched files : 6"));

        QCOMPARE(s.Right.read(QStringLiteral("only-left.txt")), QByteArray(1234, 'l'));
        QCOMPARE(s.Left.read(QStringLiteral("only-right.txt")), QByteArray("r"));
        QCOMPARE(s.Left.read(QStringLiteral("right-newer.txt")), QByteArray("new right"));
        QCOMPARE(s.Right.read(QStringLiteral("left-newer.txt")), QByteArray("new left"));
        QCOMPARE(s.Right.read(QStringLiteral("docs/deep/a.txt")), QByteArray("new a"));
        QVERIFY(s.Right.exists(QStringLiteral("new-folder/n.txt")));
        // Equal times are not copied, whatever the sizes.
        QCOMPARE(s.Right.read(QStringLiteral("same.txt")), QByteArray("same but longer"));

        const CliResult again =
            CliRunner::Run(s.Args(QStringLiteral("sync"), {QStringLiteral("--json")}));
        QCOMPARE(again.Code, 0);
        const QJsonObject json = again.Json();
        QVERIFY(json[QStringLiteral("rows")].toArray().isEmpty());
        QCOMPARE(json[QStringLiteral("sync")].toObject(),
                 (QJsonObject{{QStringLiteral("done"), 0},
                              {QStringLiteral("errors"), 0},
                              {QStringLiteral("failed"), QJsonArray()},
                              {QStringLiteral("conflicts_left"), 0}}));
    }

    void syncJsonTellsEachRowsResult()
    {
        Sides s;
        QVERIFY(s.Left.file(QStringLiteral("a.txt"), "a", New));
        QVERIFY(s.Right.file(QStringLiteral("b.txt"), "b", Old));
        QVERIFY(s.Left.file(QStringLiteral("d/c.txt"), "c", Old));
        const CliResult result =
            CliRunner::Run(s.Args(QStringLiteral("sync"), {QStringLiteral("--json")}));
        QCOMPARE(result.Code, 0);
        const QJsonObject json = result.Json();
        const auto rows = RowsByPath(json);
        // The analysis's counts and the folders' own states, told after the sync.
        QCOMPARE(json[QStringLiteral("totals")].toObject(),
                 (QJsonObject{{QStringLiteral("files"), 3},
                              {QStringLiteral("left_count"), 2},
                              {QStringLiteral("right_count"), 1},
                              {QStringLiteral("conflicts"), 0}}));
        QCOMPARE(rows.value(QStringLiteral("d"))[QStringLiteral("state")].toInt(-2), 1);
        QCOMPARE(rows.value(QStringLiteral("a.txt"))[QStringLiteral("result")].toString(),
                 QStringLiteral("copied"));
        QCOMPARE(rows.value(QStringLiteral("b.txt"))[QStringLiteral("result")].toString(),
                 QStringLiteral("copied"));
        QCOMPARE(json[QStringLiteral("sync")][QStringLiteral("done")].toInt(), 3);
        QCOMPARE(s.Left.read(QStringLiteral("b.txt")), QByteArray("b"));
    }

    void oneWayJobs()
    {
        Sides s;
        BuildEveryState(s);
        const CliResult listed = CliRunner::Run(
            s.Args(QStringLiteral("analyze"),
                   {QStringLiteral("--direction"), QStringLiteral("2"), QStringLiteral("--json")}));
        QCOMPARE(listed.Code, 0);
        QStringList paths = Paths(listed.Json());
        paths.sort();
        QCOMPARE(paths, (Texts({"docs", "docs/deep", "docs/deep/a.txt", "left-newer.txt",
                                "new-folder", "new-folder/n.txt", "only-left.txt"})));

        const CliResult synced = CliRunner::Run(
            s.Args(QStringLiteral("sync"), {QStringLiteral("--direction"), QStringLiteral("2")}));
        QCOMPARE(synced.Code, 0);
        QVERIFY(synced.Out.contains(QStringLiteral("Total numbers of synched files : 4")));
        QVERIFY(!s.Left.exists(QStringLiteral("only-right.txt")));
        QCOMPARE(s.Left.read(QStringLiteral("right-newer.txt")), QByteArray("old left"));
        QCOMPARE(s.Right.read(QStringLiteral("left-newer.txt")), QByteArray("new left"));

        const CliResult back = CliRunner::Run(
            s.Args(QStringLiteral("sync"),
                   {QStringLiteral("--direction"), QStringLiteral("1"), QStringLiteral("--json")}));
        QCOMPARE(back.Code, 0);
        QCOMPARE(back.Json()[QStringLiteral("sync")][QStringLiteral("done")].toInt(), 2);
        QCOMPARE(s.Left.read(QStringLiteral("right-newer.txt")), QByteArray("new right"));
        QCOMPARE(s.Left.read(QStringLiteral("only-right.txt")), QByteArray("r"));
    }

    void filters()
    {
        Sides s;
        QVERIFY(s.Left.file(QStringLiteral("report.txt"), "r"));
        QVERIFY(s.Left.file(QStringLiteral("notes.md"), "n"));
        QVERIFY(s.Left.file(QStringLiteral("build.tmp"), "t"));
        QVERIFY(s.Left.file(QStringLiteral("report.tmp.txt"), "t"));
        QVERIFY(s.Left.file(QStringLiteral(".hidden.txt"), "h"));
        QVERIFY(s.Left.file(QStringLiteral(".git/config.txt"), "c"));
        QVERIFY(s.Left.file(QStringLiteral("sub/REPORT.TXT"), "R"));

        const auto listed = [&](const QStringList& options) {
            const CliResult result = CliRunner::Run(
                s.Args(QStringLiteral("analyze"), options + QStringList{QStringLiteral("--json")}));
            QStringList files;
            for (const QJsonValue& row : result.Json()[QStringLiteral("rows")].toArray()) {
                if (!row[QStringLiteral("folder")].toBool())
                    files.append(row[QStringLiteral("path")].toString());
            }
            files.sort();
            return files;
        };
        QCOMPARE(listed({QStringLiteral("--include"), QStringLiteral(".txt")}),
                 (Texts({".git/config.txt", ".hidden.txt", "report.tmp.txt", "report.txt"})));
        QCOMPARE(listed({QStringLiteral("--include"), QStringLiteral(".txt"),
                         QStringLiteral("--include"), QStringLiteral(".md")}),
                 (Texts({".git/config.txt", ".hidden.txt", "notes.md", "report.tmp.txt",
                         "report.txt"})));
        QCOMPARE(listed({QStringLiteral("--exclude"), QStringLiteral(".tmp"),
                         QStringLiteral("--exclude"), QStringLiteral("config")}),
                 (Texts({".hidden.txt", "notes.md", "report.txt", "sub/REPORT.TXT"})));
        QCOMPARE(listed({QStringLiteral("--exclude-hidden"), QStringLiteral("--include"),
                         QStringLiteral("report")}),
                 (Texts({"report.tmp.txt", "report.txt"})));
        // Wildcards on the whole name, paths below the folder.
        QCOMPARE(listed({QStringLiteral("--include"), QStringLiteral("*.txt")}),
                 (Texts({".git/config.txt", ".hidden.txt", "report.tmp.txt", "report.txt"})));
        QCOMPARE(listed({QStringLiteral("--exclude"), QStringLiteral("/sub"),
                         QStringLiteral("--exclude"), QStringLiteral("/.git/"),
                         QStringLiteral("--exclude"), QStringLiteral("*.tmp")}),
                 (Texts({".hidden.txt", "notes.md", "report.tmp.txt", "report.txt"})));
        const CliResult none = CliRunner::Run(s.Args(
            QStringLiteral("analyze"), {QStringLiteral("--include"), QStringLiteral("*.none")}));
        QCOMPARE(none.Code, 0);
        QVERIFY2(none.Err.contains(
                     QStringLiteral("No file matches the include list: every file is left out")),
                 qPrintable(none.Err));

        const CliResult synced = CliRunner::Run(
            s.Args(QStringLiteral("sync"), {QStringLiteral("--exclude-hidden"),
                                            QStringLiteral("--exclude"), QStringLiteral("tmp")}));
        QCOMPARE(synced.Code, 0);
        QVERIFY(s.Right.exists(QStringLiteral("report.txt")));
        QVERIFY(s.Right.exists(QStringLiteral("sub/REPORT.TXT")));
        QVERIFY(!s.Right.exists(QStringLiteral("build.tmp")));
        QVERIFY(!s.Right.exists(QStringLiteral(".hidden.txt")));
        QVERIFY(!s.Right.exists(QStringLiteral(".git")));
    }

    void keepsOverwrittenVersions()
    {
        Sides s;
        QVERIFY(s.Left.file(QStringLiteral("sub/doc.txt"), "version 2", New));
        QVERIFY(s.Right.file(QStringLiteral("sub/doc.txt"), "version 1", Old));
        const CliResult result = CliRunner::Run(s.Args(
            QStringLiteral("sync"), {QStringLiteral("--save-old"), QStringLiteral("--verify")}));
        QCOMPARE(result.Code, 0);
        QCOMPARE(s.Right.read(QStringLiteral("sub/doc.txt")), QByteArray("version 2"));
        QCOMPARE(s.Right.read(QStringLiteral("__Save__/sub/doc.txt")), QByteArray("version 1"));
    }

    // What was synced is remembered: an edit on both sides is a conflict,
    // listed in both reports and left alone when deciding by the last sync,
    // with exit status 1; a deletion is carried over into __Save__.
    void lastSyncDecides()
    {
        Sides s;
        QVERIFY(s.Left.file(QStringLiteral("report.odt"), "first", Old));
        QVERIFY(s.Left.file(QStringLiteral("old-draft.txt"), "draft", Old));
        QCOMPARE(CliRunner::Run(s.Args(QStringLiteral("sync"))).Code, 0);
        QVERIFY(s.Left.file(QStringLiteral("report.odt"), "laptop", New));
        QVERIFY(s.Right.file(QStringLiteral("report.odt"), "stick", New.addSecs(60)));
        QVERIFY(QFile::remove(s.Left.path(QStringLiteral("old-draft.txt"))));

        const CliResult json =
            CliRunner::Run(s.Args(QStringLiteral("analyze"), {QStringLiteral("--json")}));
        QCOMPARE(json.Code, 0);
        const auto rows = RowsByPath(json.Json());
        QCOMPARE(rows.value(QStringLiteral("report.odt"))[QStringLiteral("conflict")],
                 QJsonValue(true));
        QCOMPARE(rows.value(QStringLiteral("report.odt"))[QStringLiteral("deleted_on")],
                 QJsonValue());
        QCOMPARE(rows.value(QStringLiteral("old-draft.txt"))[QStringLiteral("conflict")],
                 QJsonValue(false));
        QCOMPARE(
            rows.value(QStringLiteral("old-draft.txt"))[QStringLiteral("deleted_on")].toString(),
            QStringLiteral("left"));
        QCOMPARE(json.Json()[QStringLiteral("totals")][QStringLiteral("conflicts")].toInt(), 1);

        const CliResult sync = CliRunner::Run(
            s.Args(QStringLiteral("sync"), {QStringLiteral("--decide-by-last-sync"),
                                            QStringLiteral("--propagate-deletions")}));
        QCOMPARE(sync.Code, 1);
        QVERIFY(sync.OutLines().contains(
            QStringLiteral("Changed on both sides since the last sync: report.odt")));
        QVERIFY(sync.OutLines().contains(
            QStringLiteral("Deleted on the left since the last sync: old-draft.txt")));
        QCOMPARE(sync.Err.trimmed(), QStringLiteral("Conflicts left for you to decide: 1"));
        QCOMPARE(s.Left.read(QStringLiteral("report.odt")), QByteArray("laptop"));
        QCOMPARE(s.Right.read(QStringLiteral("report.odt")), QByteArray("stick"));
        QVERIFY(!s.Right.exists(QStringLiteral("old-draft.txt")));
        QCOMPARE(s.Right.read(QStringLiteral("__Save__/old-draft.txt")), QByteArray("draft"));
    }

    // A record that cannot be read or written is told on standard error; the
    // run goes on as on first contact.
    void recordProblemsAreTold()
    {
        Sides s;
        QVERIFY(s.Left.file(QStringLiteral("a.txt"), "a", Old));
        const QString home = s.Dir.path() + QStringLiteral("/home");
        QVERIFY(TreeBuilder(home).file(QStringLiteral("syncstate"), "not a folder"));
        const CliResult result = CliRunner::Run(s.Args(QStringLiteral("sync")), false,
                                                {QStringLiteral("BRENVALE_HOME=") + home});
        QCOMPARE(result.Code, 0);
        QCOMPARE(s.Right.read(QStringLiteral("a.txt")), QByteArray("a"));
        QCOMPARE(result.Err.split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                 (QStringList{QStringLiteral("The record of the last sync could not be read: the "
                                             "file cannot be opened: Not a directory"),
                              QStringLiteral("The record of the last sync could not be written: "
                                             "cannot make the folder ") +
                                  home + QStringLiteral("/syncstate")}));
    }

    // watch: a run at once, then one per burst of changes after the quiet
    // time; the run's own copies copy nothing more; SIGTERM ends it with the
    // last run's status.
    void watchSyncsWhenFilesChange()
    {
        Sides s;
        QVERIFY(s.Left.file(QStringLiteral("a.txt"), "a", Old));
        QProcess watch;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("BRENVALE_HOME"), s.Dir.path());
        watch.setProcessEnvironment(environment);
        watch.start(CliRunner::Program(), s.Args(QStringLiteral("watch"),
                                                 {QStringLiteral("--quiet"), QStringLiteral("1")}));
        QString out;
        const auto lines = [&] {
            out += QString::fromUtf8(watch.readAllStandardOutput());
            return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        };
        QTRY_VERIFY_WITH_TIMEOUT(lines().size() == 1, 10000);
        QVERIFY(lines().first().endsWith(
            QStringLiteral("Started: the watch began: 1 copied, 0 failed")));
        QVERIFY(s.Right.exists(QStringLiteral("a.txt")));
        // The first run's own copy: one more run, which copies nothing.
        QTRY_VERIFY_WITH_TIMEOUT(lines().size() == 2, 10000);
        QVERIFY(lines().last().endsWith(QStringLiteral("Started: files changed: nothing to copy")));

        for (int i = 0; i < 1000; ++i)
            QVERIFY(
                s.Right.file(QStringLiteral("burst/f%1.txt").arg(i % 100), QByteArray::number(i)));
        QTRY_VERIFY_WITH_TIMEOUT(lines().size() == 4, 15000);
        QVERIFY(
            lines().at(2).endsWith(QStringLiteral("Started: files changed: 100 copied, 0 failed")));
        QVERIFY(lines().at(3).endsWith(QStringLiteral("nothing to copy")));
        QTest::qWait(1500);
        QCOMPARE(lines().size(), 4);
        QCOMPARE(s.Left.read(QStringLiteral("burst/f99.txt")), QByteArray("999"));

        watch.terminate();
        QVERIFY(watch.waitForFinished(10000));
        QCOMPARE(watch.exitStatus(), QProcess::NormalExit);
        QCOMPARE(watch.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(watch.readAllStandardError()), QString());
    }

    void refusedFolders_data()
    {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("right");
        QTest::addColumn<QString>("text");
        QTest::newRow("same") << QStringLiteral("left") << QStringLiteral("left")
                              << QStringLiteral("Left and right folders are the same");
        QTest::newRow("nested") << QStringLiteral("left") << QStringLiteral("left/inner")
                                << QStringLiteral("Cannot Analyze nested folders.");
        QTest::newRow("empty") << QStringLiteral("") << QStringLiteral("right")
                               << QStringLiteral("Folders is empty.");
        QTest::newRow("blank") << QStringLiteral("left") << QStringLiteral("   ")
                               << QStringLiteral("Folders is empty.");
        QTest::newRow("left missing") << QStringLiteral("missing") << QStringLiteral("right")
                                      << QStringLiteral("Cann't connect the left folder!");
        QTest::newRow("right missing") << QStringLiteral("left") << QStringLiteral("missing")
                                       << QStringLiteral("Cann't connect the right folder!");
        QTest::newRow("right is a file") << QStringLiteral("left") << QStringLiteral("file")
                                         << QStringLiteral("Cann't connect the right folder!");
        QTest::newRow("both missing") << QStringLiteral("gone") << QStringLiteral("missing")
                                      << QStringLiteral("Cann't connect the right folder!");
    }

    void refusedFolders()
    {
        QFETCH(QString, left);
        QFETCH(QString, right);
        QFETCH(QString, text);
        QTemporaryDir dir;
        TreeBuilder tree(dir.path());
        QVERIFY(tree.file(QStringLiteral("left/inner/x"), "x"));
        QVERIFY(tree.file(QStringLiteral("right/y"), "y"));
        QVERIFY(tree.file(QStringLiteral("file"), "f"));
        const auto path = [&](const QString& name) {
            return name.trimmed().isEmpty() ? name : tree.path(name);
        };
        for (const QString& command : {QStringLiteral("analyze"), QStringLiteral("sync")}) {
            const QStringList args{command, QStringLiteral("--left"), path(left),
                                   QStringLiteral("--right"), path(right)};
            const CliResult result = CliRunner::Run(args);
            QCOMPARE(result.Code, 3);
            QCOMPARE(result.Out, QString());
            QCOMPARE(result.Err, text + QLatin1Char('\n'));

            const CliResult json = CliRunner::Run(args + QStringList{QStringLiteral("--json")});
            QCOMPARE(json.Code, 3);
            QCOMPARE(json.Json()[QStringLiteral("error")].toString(), text);
        }
        // Nothing was copied.
        QVERIFY(!tree.exists(QStringLiteral("right/x")));
        QVERIFY(!tree.exists(QStringLiteral("left/y")));
    }

    // Another run writing into one of the trees (here a page of this process,
    // stood in for by its lock) refuses the run before it analyses.
    void treeInUseByAnotherRun()
    {
        Sides s;
        QVERIFY(s.Left.file(QStringLiteral("a.txt"), "a"));
        TRunLock page;
        QVERIFY(page.Take({s.RightPath}));
        const CliResult result = CliRunner::Run(s.Args(QStringLiteral("sync")));
        QCOMPARE(result.Code, 3);
        QCOMPARE(result.Err, QStringLiteral("The folder is in use by another Brenvale run: ") +
                                 s.RightPath + QLatin1Char('\n'));
        QVERIFY(!s.Right.exists(QStringLiteral("a.txt")));
        page.Release();
        QCOMPARE(CliRunner::Run(s.Args(QStringLiteral("sync"))).Code, 0);
    }

    void badUsage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("nothing") << QStringList();
        QTest::newRow("unknown command") << Texts({"copy", "0"});
        QTest::newRow("no job") << Texts({"analyze"});
        QTest::newRow("two jobs") << Texts({"sync", "a", "b"});
        QTest::newRow("left alone") << Texts({"analyze", "--left", "/tmp"});
        QTest::newRow("job and folders")
            << Texts({"analyze", "0", "--left", "/tmp", "--right", "/var"});
        QTest::newRow("bad direction")
            << Texts({"analyze", "--left", "/a", "--right", "/b", "--direction", "3"});
        QTest::newRow("filter without folders") << Texts({"analyze", "0", "--include", "x"});
        QTest::newRow("unknown option") << Texts({"analyze", "0", "--fast"});
        QTest::newRow("missing value") << Texts({"analyze", "--left"});
        QTest::newRow("jobs with a job") << Texts({"jobs", "0"});
        QTest::newRow("jobs --all") << Texts({"jobs", "--all"});
    }

    void badUsage()
    {
        QFETCH(QStringList, args);
        const CliResult result = CliRunner::Run(args);
        QCOMPARE(result.Code, 2);
        QCOMPARE(result.Out, QString());
        QVERIFY2(result.Err.startsWith(QStringLiteral("brenvale-cli: ")), qPrintable(result.Err));
    }

    void failedReadIsCountedAndTheRunGoesOn()
    {
        if (!CliRunner::IsRoot())
            QSKIP("needs root to make a file that nobody cannot read");
        Sides s;
        QVERIFY(s.Left.file(QStringLiteral("a.txt"), "a", New));
        QVERIFY(s.Left.file(QStringLiteral("locked.txt"), "secret", New));
        QVERIFY(s.Left.file(QStringLiteral("z.txt"), "z", New));
        QVERIFY(CliRunner::GiveToNobody(s.Dir.path()));
        // Root's file, closed to others: listed (its folder is readable), but
        // nobody's run cannot open it.
        const QString locked = s.Left.path(QStringLiteral("locked.txt"));
        QVERIFY(::chown(QFile::encodeName(locked).constData(), 0, 0) == 0);
        QVERIFY(s.Left.setMode(QStringLiteral("locked.txt"), 0600));

        const CliResult result = CliRunner::Run(s.Args(QStringLiteral("sync")), true);
        QCOMPARE(result.Code, 1);
        const QStringList lines = result.OutLines();
        QCOMPARE(lines.size(), 2 + 2);
        // The failed file's line goes to standard error, the copied ones' to the output.
        QVERIFY2(QRegularExpression(QStringLiteral("^") + QRegularExpression::escape(locked) +
                                    QStringLiteral(" File reading error!! .+\n$"))
                     .match(result.Err)
                     .hasMatch(),
                 qPrintable(result.Err));
        QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^Move the file "))).size(), 2);
        QCOMPARE(lines.at(3), QStringLiteral("Total numbers of error files : 1 ; "
                                             "Total numbers of synched files : 2"));
        QVERIFY(s.Right.exists(QStringLiteral("z.txt")));
        QVERIFY(!s.Right.exists(QStringLiteral("locked.txt")));

        const CliResult json =
            CliRunner::Run(s.Args(QStringLiteral("sync"), {QStringLiteral("--json")}), true);
        QCOMPARE(json.Code, 1);
        const QJsonObject document = json.Json();
        QCOMPARE(document[QStringLiteral("sync")].toObject(),
                 (QJsonObject{{QStringLiteral("done"), 0},
                              {QStringLiteral("errors"), 1},
                              {QStringLiteral("failed"), QJsonArray{locked}},
                              {QStringLiteral("conflicts_left"), 0}}));
        const QJsonObject row = RowsByPath(document).value(QStringLiteral("locked.txt"));
        QCOMPARE(row[QStringLiteral("result")].toString(), QStringLiteral("read_error"));
        QVERIFY(!row[QStringLiteral("error")].toString().isEmpty());
    }

    void failedWriteIsReported()
    {
        if (!CliRunner::IsRoot())
            QSKIP("needs root to make a folder that nobody cannot write");
        Sides s;
        QVERIFY(s.Left.file(QStringLiteral("shut/a.txt"), "a", New));
        QVERIFY(s.Left.file(QStringLiteral("open.txt"), "o", New));
        QVERIFY(s.Right.folder(QStringLiteral("shut")));
        QVERIFY(CliRunner::GiveToNobody(s.Dir.path()));
        const QString shut = s.Right.path(QStringLiteral("shut"));
        QVERIFY(::chown(QFile::encodeName(shut).constData(), 0, 0) == 0);
        QVERIFY(s.Right.setMode(QStringLiteral("shut"), 0755));

        const CliResult result = CliRunner::Run(s.Args(QStringLiteral("sync")), true);
        QCOMPARE(result.Code, 1);
        QVERIFY2(result.Err.contains(s.Left.path(QStringLiteral("shut/a.txt")) +
                                     QStringLiteral(" File writing error!! ")),
                 qPrintable(result.Err));
        QVERIFY(result.Out.contains(QStringLiteral("Total numbers of error files : 1 ; ")));
        QCOMPARE(s.Right.read(QStringLiteral("open.txt")), QByteArray("o"));
    }

    // A report that cannot be written (standard output on a full disk) is told,
    // and the command does not end as done; the copies themselves are made.
    void outputThatCannotBeWrittenIsTold()
    {
        if (!QFileInfo::exists(QStringLiteral("/dev/full")))
            QSKIP("needs /dev/full");
        const QStringList json{QStringLiteral("--json")};
        for (const QStringList& more : {QStringList(), json}) {
            Sides s;
            QVERIFY(s.Left.file(QStringLiteral("a.txt"), "a"));
            QProcess process;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("BRENVALE_HOME"), s.Dir.path());
            process.setProcessEnvironment(environment);
            process.setStandardOutputFile(QStringLiteral("/dev/full"));
            process.start(CliRunner::Program(), s.Args(QStringLiteral("sync"), more));
            QVERIFY(process.waitForFinished(60000));
            QCOMPARE(process.exitStatus(), QProcess::NormalExit);
            QCOMPARE(process.exitCode(), 1);
            QVERIFY(QString::fromUtf8(process.readAllStandardError())
                        .contains(QStringLiteral("brenvale-cli: cannot write standard output")));
            QCOMPARE(s.Right.read(QStringLiteral("a.txt")), QByteArray("a"));
        }
    }

    void unreadableFolderIsToldAndLeftAlone()
    {
        if (!CliRunner::IsRoot())
            QSKIP("needs root to make a folder that nobody cannot read");
        Sides s;
        QVERIFY(s.Left.file(QStringLiteral("closed/inside.txt"), "left", Old));
        QVERIFY(s.Right.file(QStringLiteral("closed/inside.txt"), "right", New));
        QVERIFY(s.Right.file(QStringLiteral("closed/other.txt"), "other", New));
        QVERIFY(s.Left.file(QStringLiteral("fine.txt"), "fine", New));
        QVERIFY(CliRunner::GiveToNobody(s.Dir.path()));
        const QString closed = s.Left.path(QStringLiteral("closed"));
        QVERIFY(::chown(QFile::encodeName(closed).constData(), 0, 0) == 0);
        QVERIFY(s.Left.setMode(QStringLiteral("closed"), 0700));

        const CliResult json = CliRunner::Run(
            s.Args(QStringLiteral("analyze"), {QStringLiteral("--all"), QStringLiteral("--json")}),
            true);
        QCOMPARE(json.Code, 1);
        QCOMPARE(json.Err, QStringLiteral("Cannot read the folder ") + closed +
                               QStringLiteral(": Permission denied\n"));
        const QJsonObject document = json.Json();
        QCOMPARE(document[QStringLiteral("unreadable")].toArray(), QJsonArray{closed});
        const auto rows = RowsByPath(document);
        // What the right side holds there shows, but nothing is copied either way.
        QCOMPARE(
            rows.value(QStringLiteral("closed/other.txt"))[QStringLiteral("direction")].toInt(-1),
            0);
        QCOMPARE(rows.value(QStringLiteral("fine.txt"))[QStringLiteral("direction")].toInt(-1), 2);

        const CliResult sync = CliRunner::Run(s.Args(QStringLiteral("sync")), true);
        QCOMPARE(sync.Code, 1);
        QCOMPARE(sync.Err, QStringLiteral("Cannot read the folder ") + closed +
                               QStringLiteral(": Permission denied\n"));
        QVERIFY(sync.Out.contains(QStringLiteral("Total numbers of synched files : 1")));
        QVERIFY(s.Right.exists(QStringLiteral("fine.txt")));
        QVERIFY(::chown(QFile::encodeName(closed).constData(), 65534, 65534) == 0);
        QVERIFY(!s.Left.exists(QStringLiteral("closed/other.txt")));
        QCOMPARE(s.Left.read(QStringLiteral("closed/inside.txt")), QByteArray("left"));
    }

    void namesThatAreNoTextAreToldAndLeftOut()
    {
        Sides s;
        QVERIFY(s.Left.file(QStringLiteral("good.txt"), "g"));
        // A name that is not valid UTF-8, made with the bytes themselves.
        const QByteArray bad = QFile::encodeName(s.LeftPath) + "/caf\xe9.txt";
        FILE* file = std::fopen(bad.constData(), "w");
        QVERIFY(file != nullptr);
        std::fclose(file);

        const CliResult json =
            CliRunner::Run(s.Args(QStringLiteral("sync"), {QStringLiteral("--json")}));
        QCOMPARE(json.Code, 1);
        const QJsonObject document = json.Json();
        // The bytes that are no text are written out, so the file can be found.
        QCOMPARE(document[QStringLiteral("bad_names")].toArray(),
                 QJsonArray{QString(s.LeftPath + QStringLiteral("/caf\\xe9.txt"))});
        QCOMPARE(Paths(document), QStringList{QStringLiteral("good.txt")});
        QCOMPARE(document[QStringLiteral("sync")][QStringLiteral("done")].toInt(), 1);

        // Control characters in names are shown escaped, never sent to the terminal.
        QVERIFY(s.Left.file(QStringLiteral("two\nlines\x1b[2J.txt"), "t"));
        QVERIFY(s.Left.file(QStringLiteral("only\x7f.txt"), "d"));
        const CliResult text = CliRunner::Run(s.Args(QStringLiteral("analyze")));
        QCOMPARE(text.Code, 1);
        QCOMPARE(text.Err, QStringLiteral("Left out, the name is not valid UTF-8: ") + s.LeftPath +
                               QStringLiteral("/caf\\xe9.txt\n"));
        QVERIFY2(text.Out.contains(QStringLiteral("two\\nlines\\x1b[2J.txt ")),
                 qPrintable(text.Out));
        QVERIFY(text.Out.contains(QStringLiteral("only\\x7f.txt ")));
        QVERIFY(!text.Out.contains(QChar(0x1b)) && !text.Out.contains(QChar(0x7f)));

        // So are they in the lines of the files copied, and names beyond ASCII
        // come out as they are.
        QVERIFY(s.Left.file(QStringLiteral("caf\u00e9 \u65e5\u672c.txt"), "u"));
        const CliResult sync = CliRunner::Run(s.Args(QStringLiteral("sync")));
        const QString copied = QStringLiteral("Move the file ") + s.LeftPath + QLatin1Char('/');
        QVERIFY2(sync.Out.contains(copied + QStringLiteral("two\\nlines\\x1b[2J.txt : ")),
                 qPrintable(sync.Out));
        QVERIFY(sync.Out.contains(QStringLiteral("/only\\x7f.txt Succeeded,time: ")));
        QVERIFY(sync.Out.contains(copied + QStringLiteral("caf\u00e9 \u65e5\u672c.txt : ")));
        QVERIFY(!sync.Out.contains(QChar(0x1b)) && !sync.Out.contains(QChar(0x7f)));
    }

    // A folder whose path is longer than the system takes is told with the
    // system's reason.
    void folderBeyondThePathLimitIsToldWithItsReason()
    {
        Sides s;
        QVERIFY(s.Left.file(QStringLiteral("a.txt"), "a"));
        const QByteArray name(250, 'd');
        QString deep = s.LeftPath;
        int fd = ::open(QFile::encodeName(s.LeftPath).constData(), O_RDONLY | O_DIRECTORY);
        while (QFile::encodeName(deep).size() < 4096) {
            QVERIFY(::mkdirat(fd, name.constData(), 0700) == 0);
            const int next = ::openat(fd, name.constData(), O_RDONLY | O_DIRECTORY);
            ::close(fd);
            fd = next;
            deep += QLatin1Char('/') + QString::fromLatin1(name);
        }
        ::close(fd);
        const CliResult text = CliRunner::Run(s.Args(QStringLiteral("analyze")));
        QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), s.LeftPath});
        QCOMPARE(text.Code, 1);
        QCOMPARE(text.Err, QStringLiteral("Cannot read the folder ") + deep +
                               QStringLiteral(": File name too long\n"));
    }

    // A link to a folder is not followed: what lies behind it is not backed up,
    // which the run tells and counts as a failure.
    void folderLinksAreToldAndCountAsFailures()
    {
        Sides s;
        QVERIFY(s.Left.file(QStringLiteral("real/a.txt"), "a"));
        QVERIFY(s.Right.file(QStringLiteral("linked/b.txt"), "b"));
        QVERIFY(QFile::link(s.Left.path(QStringLiteral("real")),
                            s.Left.path(QStringLiteral("linked"))));
        const CliResult text = CliRunner::Run(s.Args(QStringLiteral("sync")));
        QCOMPARE(text.Code, 1);
        QCOMPARE(text.Err, QStringLiteral("Not followed: folder link ") +
                               s.Left.path(QStringLiteral("linked")) + QLatin1Char('\n'));
        QVERIFY(s.Right.exists(QStringLiteral("real/a.txt")));
        QVERIFY(!s.Left.exists(QStringLiteral("real/b.txt")));
        const CliResult json =
            CliRunner::Run(s.Args(QStringLiteral("analyze"), {QStringLiteral("--json")}));
        QCOMPARE(json.Code, 1);
        QCOMPARE(json.Json()[QStringLiteral("folder_links")].toArray(),
                 QJsonArray{s.Left.path(QStringLiteral("linked"))});
    }

    // FIFOs and links that lead nowhere are told, never read; that is no
    // failure of the run.
    void specialFilesAreToldNotCopied()
    {
        Sides s;
        QVERIFY(s.Left.file(QStringLiteral("a.txt"), "a"));
        QCOMPARE(::mkfifo(QFile::encodeName(s.Left.path(QStringLiteral("pipe"))).constData(), 0600),
                 0);
        QVERIFY(QFile::link(s.Left.path(QStringLiteral("gone")),
                            s.Left.path(QStringLiteral("nowhere"))));
        const CliResult text = CliRunner::Run(s.Args(QStringLiteral("sync")));
        QCOMPARE(text.Code, 0);
        const QString told = QStringLiteral("Not copied, not a regular file: ");
        QCOMPARE(text.Err, told + s.Left.path(QStringLiteral("nowhere")) + QLatin1Char('\n') +
                               told + s.Left.path(QStringLiteral("pipe")) + QLatin1Char('\n'));
        QCOMPARE(
            QDir(s.RightPath).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
            QStringList{QStringLiteral("a.txt")});
        const CliResult json =
            CliRunner::Run(s.Args(QStringLiteral("analyze"), {QStringLiteral("--json")}));
        QCOMPARE(json.Code, 0);
        QCOMPARE(json.Json()[QStringLiteral("special_files")].toArray(),
                 (QJsonArray{s.Left.path(QStringLiteral("nowhere")),
                             s.Left.path(QStringLiteral("pipe"))}));
    }

    void ctrlCStopsAfterTheCurrentFile()
    {
        Sides s;
        // Once the pipe is full the copiers still finish the batch of reports
        // being handed over and a window of 1,024 rows beyond it (about 2,500
        // files here): far more files than that, so that the stop always comes
        // with files still to copy, however fast the machine.
        const int files = 10000;
        for (int i = 0; i < files; ++i)
            QVERIFY(s.Left.file(QStringLiteral("f%1.dat").arg(i, 5, 10, QLatin1Char('0')),
                                QByteArray(512, char('a' + i % 26))));
        QProcess process;
        process.start(CliRunner::Program(), s.Args(QStringLiteral("sync")));
        QVERIFY(process.waitForStarted());
        // Nothing reads the runner's output meanwhile: once the pipe is full the
        // run waits on its next report, with most files still to copy.
        QThread::sleep(2);
        QVERIFY(::kill(pid_t(process.processId()), SIGINT) == 0);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 130);

        const QStringList lines = QString::fromUtf8(process.readAllStandardOutput())
                                      .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(lines.size() >= 3);
        QCOMPARE(lines.at(lines.size() - 2), QStringLiteral("Sync Done!"));
        const qsizetype copied = lines.size() - 2;
        QVERIFY2(copied < files, qPrintable(QString::number(copied)));
        QCOMPARE(lines.last(), QStringLiteral("Total numbers of error files : 0 ; "
                                              "Total numbers of synched files : ") +
                                   QString::number(copied));
        // Every file reported is complete, no other file was made, nothing is half
        // written.
        const QStringList made = QDir(s.RightPath).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(made.size(), copied);
        for (const QString& name : made)
            QCOMPARE(QFileInfo(s.Right.path(name)).size(), 512);
        QVERIFY(QString::fromUtf8(process.readAllStandardError())
                    .contains(QStringLiteral("Stopped by Ctrl+C.")));
    }

    void progressOnlyOnATerminal()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty())
            QSKIP("needs script(1) for a terminal");
        Sides s;
        QVERIFY(s.Left.file(QStringLiteral("a.txt"), "a"));
        // script gives the runner a terminal and copies what it shows to stdout.
        QProcess process;
        QStringList command{CliRunner::Program()};
        command += s.Args(QStringLiteral("sync"));
        for (QString& part : command)
            part = QLatin1Char('\'') + part + QLatin1Char('\'');
        process.start(
            QStringLiteral("script"),
            {QStringLiteral("-qec"), command.join(QLatin1Char(' ')), QStringLiteral("/dev/null")});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        const QByteArray shown = process.readAllStandardOutput();
        QVERIFY2(shown.contains("Syncing ["), shown.constData());
        QVERIFY(shown.contains("\r\033[K"));
        QVERIFY(shown.contains("Sync Done!"));

        // Without a terminal (every other test) standard error stays empty.
        const CliResult plain = CliRunner::Run(s.Args(QStringLiteral("sync")));
        QCOMPARE(plain.Code, 0);
        QCOMPARE(plain.Err, QString());
    }

    void jobsOfTheTaskList()
    {
        Sides s;
        TSyncTaskList list;
        list.AppendLoaded(NewLocalJob(QStringLiteral("1"), s.LeftPath, s.RightPath));
        auto backup = NewLocalJob(QStringLiteral("Docs backup"), s.LeftPath, s.RightPath);
        backup->SyncDirection = 2;
        list.AppendLoaded(std::move(backup));
        const QString path = s.Dir.filePath(QStringLiteral("jobs.qn"));
        QVERIFY(SaveTaskList(list, path));

        const CliResult text =
            CliRunner::Run({QStringLiteral("--tasklist"), path, QStringLiteral("jobs")});
        QCOMPARE(text.Code, 0);
        const QStringList lines = text.OutLines();
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.at(0).simplified(),
                 QStringLiteral("0 1 both ways ") + s.LeftPath + QLatin1Char(' ') + s.RightPath);
        QCOMPARE(lines.at(1).simplified(), QStringLiteral("1 Docs backup left to right ") +
                                               s.LeftPath + QLatin1Char(' ') + s.RightPath);

        const CliResult json = CliRunner::Run(
            {QStringLiteral("jobs"), QStringLiteral("--json"), QStringLiteral("--tasklist"), path});
        QCOMPARE(json.Code, 0);
        const QJsonArray jobs = json.Json()[QStringLiteral("jobs")].toArray();
        QCOMPARE(jobs.size(), 2);
        QCOMPARE(jobs.at(1).toObject(),
                 (QJsonObject{{QStringLiteral("position"), 1},
                              {QStringLiteral("name"), QStringLiteral("Docs backup")},
                              {QStringLiteral("direction"), 2},
                              {QStringLiteral("left"), s.LeftPath},
                              {QStringLiteral("right"), s.RightPath}}));
    }

    void jobsByPositionOrName()
    {
        Sides s;
        QVERIFY(s.Left.file(QStringLiteral("report.txt"), "new", New));
        QVERIFY(s.Right.file(QStringLiteral("report.txt"), "old", Old));
        QVERIFY(s.Right.file(QStringLiteral("only-right.txt"), "r", Old));
        TSyncTaskList list;
        // A job whose name is a number: the number names a position first.
        list.AppendLoaded(NewLocalJob(QStringLiteral("1"), s.LeftPath, s.RightPath));
        auto backup = NewLocalJob(QStringLiteral("Docs"), s.LeftPath, s.RightPath);
        backup->SyncDirection = 2;
        backup->IncludeFilterr = QStringList{QStringLiteral(".txt")};
        list.AppendLoaded(std::move(backup));
        list.AppendLoaded(NewLocalJob(QStringLiteral("twin"), s.LeftPath, s.RightPath));
        list.AppendLoaded(NewLocalJob(QStringLiteral("twin"), s.LeftPath, s.RightPath));
        QVERIFY(SaveTaskList(list, s.Dir.filePath(QStringLiteral("tasklist.qn"))));
        const QByteArray saved = TreeBuilder(s.Dir.path()).read(QStringLiteral("tasklist.qn"));
        // Without --tasklist the runner reads the data folder's task list.
        const QStringList home{QStringLiteral("BRENVALE_HOME=") + s.Dir.path()};

        const auto jobName = [&](const QString& which) {
            const CliResult result = CliRunner::Run(
                {QStringLiteral("analyze"), which, QStringLiteral("--json")}, false, home);
            return result.Json()[QStringLiteral("job")].toString();
        };
        QCOMPARE(jobName(QStringLiteral("1")), QStringLiteral("Docs"));
        QCOMPARE(jobName(QStringLiteral("0")), QStringLiteral("1"));
        QCOMPARE(jobName(QStringLiteral("Docs")), QStringLiteral("Docs"));

        // The job's own settings apply: one way, left to right.
        const CliResult sync = CliRunner::Run(
            {QStringLiteral("sync"), QStringLiteral("Docs"), QStringLiteral("--json")}, false,
            home);
        QCOMPARE(sync.Code, 0);
        QCOMPARE(Paths(sync.Json()), QStringList{QStringLiteral("report.txt")});
        QCOMPARE(s.Right.read(QStringLiteral("report.txt")), QByteArray("new"));
        QVERIFY(!s.Left.exists(QStringLiteral("only-right.txt")));

        for (const QString& unknown : {QStringLiteral("4"), QStringLiteral("docs"),
                                       QStringLiteral("twin"), QStringLiteral("-1")}) {
            const CliResult result = CliRunner::Run(
                {QStringLiteral("analyze"), QStringLiteral("--"), unknown}, false, home);
            QCOMPARE(result.Code, 2);
            QVERIFY2(result.Err.startsWith(QStringLiteral("brenvale-cli: ")),
                     qPrintable(result.Err));
        }
        // The runner never writes the task list.
        QCOMPARE(TreeBuilder(s.Dir.path()).read(QStringLiteral("tasklist.qn")), saved);
    }

    void unreadableTaskLists()
    {
        QTemporaryDir dir;
        TreeBuilder tree(dir.path());
        QVERIFY(tree.file(QStringLiteral("broken.qn"), "<TaskList><Tast>"));
        QByteArray deep = "<TaskList><Task>";
        for (int i = 0; i < 100000; ++i)
            deep += "<a>";
        QVERIFY(tree.file(QStringLiteral("deep.qn"), deep));
        const auto run = [&](const QStringList& args, const QStringList& environment = {}) {
            const CliResult result = CliRunner::Run(args, false, environment);
            QCOMPARE(result.Code, 2);
            QCOMPARE(result.Out, QString());
            QVERIFY2(result.Err.startsWith(QStringLiteral("brenvale-cli: ")),
                     qPrintable(result.Err));
        };
        run({QStringLiteral("--tasklist"), tree.path(QStringLiteral("broken.qn")),
             QStringLiteral("jobs")});
        run({QStringLiteral("--tasklist"), tree.path(QStringLiteral("deep.qn")),
             QStringLiteral("jobs")});
        run({QStringLiteral("--tasklist"), tree.path(QStringLiteral("missing.qn")),
             QStringLiteral("analyze"), QStringLiteral("0")});
        run({QStringLiteral("sync"), QStringLiteral("0")},
            {QStringLiteral("BRENVALE_HOME=") + dir.path()});
    }

    void helpAndVersion()
    {
        const CliResult help = CliRunner::Run({QStringLiteral("--help")});
        QCOMPARE(help.Code, 0);
        QVERIFY(help.Out.contains(QStringLiteral("brenvale-cli [--tasklist FILE] sync JOB")));
        const CliResult version = CliRunner::Run({QStringLiteral("--version")});
        QCOMPARE(version.Code, 0);
        QCOMPARE(version.Out, QStringLiteral("brenvale-cli " BRENVALE_VERSION "\n"));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
