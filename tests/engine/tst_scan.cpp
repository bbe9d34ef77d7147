#include "EngineHelpers.h"
#include "TreeBuilder.h"
#include "engine/UFileOper.h"
#include "engine/UWinFile.h"
#include "jobs/PackedDateTime.h"

#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QStringList Names(const TFileAttri& node)
{
    QStringList names;
    for (const auto& child : node.Children)
        names.append(child->FileName);
    names.sort();
    return names;
}

const TFileAttri* Find(const TFileAttri& node, const QString& name)
{
    for (const auto& child : node.Children) {
        if (child->FileName == name)
            return child.get();
    }
    return nullptr;
}

} // namespace

class TestScan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaultFilterKeepsEverything()
    {
        TSyncTask job;
        TBeenTortured filter(job);
        QVERIFY(!filter.IsExcluded(QStringLiteral("a.txt"), 1234, 34, 99));
        QVERIFY(filter.IsIncluded(QStringLiteral("a.txt"), 1234, 99));
        QVERIFY(!filter.IsFolderExcluded(FileAttribute::Directory | FileAttribute::Hidden));
    }

    void boundsAreInclusive()
    {
        TSyncTask job;
        TBeenTortured filter(job);
        job.IncFileSizeMax = 100;
        QVERIFY(filter.IsIncluded(QStringLiteral("f"), 0, 100));
        QVERIFY(!filter.IsIncluded(QStringLiteral("f"), 0, 101));
        job.IncFileSizeMax = -1;
        job.IncFileSizeMin = 0;
        QVERIFY(filter.IsIncluded(QStringLiteral("f"), 0, 0));
        job.IncFileSizeMin = qint64(3000) * 1048576; // above 2^31
        QVERIFY(!filter.IsIncluded(QStringLiteral("f"), 0, qint64(3000) * 1048576 - 1));
        QVERIFY(filter.IsIncluded(QStringLiteral("f"), 0, qint64(3000) * 1048576));
        job.IncFileSizeMin = -1;
        job.IncFileTimeMin = 5000;
        job.IncFileTimeMax = 6000;
        QVERIFY(filter.IsIncluded(QStringLiteral("f"), 5000, 1));
        QVERIFY(filter.IsIncluded(QStringLiteral("f"), 6000, 1));
        QVERIFY(!filter.IsIncluded(QStringLiteral("f"), 4999, 1));
        QVERIFY(!filter.IsIncluded(QStringLiteral("f"), 6001, 1));

        // The exclude ranges drop what lies outside them.
        job.ExcFileTimeMin = 5000;
        QVERIFY(filter.IsExcluded(QStringLiteral("f"), 4999, 32, 1));
        QVERIFY(!filter.IsExcluded(QStringLiteral("f"), 5000, 32, 1));
        job.ExcFileSizeMax = 10;
        QVERIFY(filter.IsExcluded(QStringLiteral("f"), 5000, 32, 11));
        QVERIFY(!filter.IsExcluded(QStringLiteral("f"), 5000, 32, 10));
    }

    void fragmentsAreLiteralAndCaseSensitive()
    {
        TSyncTask job;
        TBeenTortured filter(job);
        job.IncludeFilterr = {QStringLiteral("doc")};
        QVERIFY(filter.IsIncluded(QStringLiteral("mydocument.txt"), 0, 1));
        QVERIFY(!filter.IsIncluded(QStringLiteral("MyDOCument.txt"), 0, 1));
        job.IncludeFilterr = {QStringLiteral("*.txt")};
        QVERIFY(!filter.IsIncluded(QStringLiteral("a.txt"), 0, 1));
        job.IncludeFilterr = {QString()};
        QVERIFY(!filter.IsIncluded(QStringLiteral("a.txt"), 0, 1));
        job.ExcludeFilterr = {QString(), QStringLiteral(" b")};
        QVERIFY(filter.IsExcluded(QStringLiteral("a b"), 0, 32, 1));
        QVERIFY(!filter.IsExcluded(QStringLiteral("ab"), 0, 32, 1));
    }

    // Each flag drops items with its own bit set, whatever other bits they carry.
    void hiddenAndSystemFlagsTestTheirOwnBit()
    {
        TSyncTask job;
        TBeenTortured filter(job);
        job.ExcludeHiddenFile = 1;
        QVERIFY(filter.IsExcluded(QStringLiteral(".a"), 0, 2, 1));
        QVERIFY(filter.IsExcluded(QStringLiteral(".a"), 0, 34, 1));
        QVERIFY(filter.IsExcluded(QStringLiteral(".a"), 0, 3, 1));
        QVERIFY(!filter.IsExcluded(QStringLiteral("a"), 0, 4, 1));
        QVERIFY(filter.IsFolderExcluded(18));
        job.ExcludeHiddenFile = 0;
        job.ExcludeSystemFile = 1;
        QVERIFY(!filter.IsExcluded(QStringLiteral(".a"), 0, 2, 1));
        QVERIFY(filter.IsExcluded(QStringLiteral("a"), 0, 36, 1));
        QVERIFY(filter.IsFolderExcluded(20));
        QVERIFY(!filter.IsFolderExcluded(18));
    }

    void scanRecordsItemsAndSkipsReservedNames()
    {
        QTemporaryDir dir;
        TreeBuilder tree(dir.path());
        QVERIFY(tree.file(QStringLiteral("a.txt"), "hello", LocalTime(2020, 5, 6, 7, 8, 10)));
        QVERIFY(tree.file(QStringLiteral("sub/b.txt"), "x"));
        QVERIFY(tree.folder(QStringLiteral("empty")));
        QVERIFY(tree.file(QStringLiteral("__Save__/kept.txt"), "old"));
        QVERIFY(tree.file(QStringLiteral("sub/__FileSync__"), "reserved file"));
        QVERIFY(tree.file(QStringLiteral("__save__/scanned.txt"), "other case"));
        QVERIFY(tree.file(QStringLiteral("sub/.__FileSync__abc123"), "left by a crash"));
        QVERIFY(tree.file(QStringLiteral(".hidden"), ""));
        QVERIFY(tree.setMode(QStringLiteral("a.txt"), 0444));
        QVERIFY(::mkfifo(QFile::encodeName(tree.path(QStringLiteral("fifo"))).constData(), 0644) ==
                0);

        TSyncTask job;
        TBeenTortured filter(job);
        TWinFile scanner;
        TFileAttri root;
        QCOMPARE(scanner.ScanFolder(dir.path(), root, filter), 4);
        QCOMPARE(root.FileCount, 4);
        QCOMPARE(Names(root), (QStringList{QStringLiteral(".hidden"), QStringLiteral("__save__"),
                                           QStringLiteral("a.txt"), QStringLiteral("empty"),
                                           QStringLiteral("sub")}));
        const TFileAttri* a = Find(root, QStringLiteral("a.txt"));
        QCOMPARE(a->FullPath, dir.path() + QStringLiteral("/a.txt"));
        QCOMPARE(a->FileSize, qint64(5));
        QCOMPARE(a->FileAttr, FileAttribute::Archive | FileAttribute::ReadOnly);
        QCOMPARE(a->FileTime, PackedDateTime::FromDateTime(LocalTime(2020, 5, 6, 7, 8, 10)));
        QCOMPARE(a->IsFolder, 0);
        QCOMPARE(Find(root, QStringLiteral(".hidden"))->FileAttr,
                 FileAttribute::Archive | FileAttribute::Hidden);
        const TFileAttri* empty = Find(root, QStringLiteral("empty"));
        QCOMPARE(empty->IsFolder, 1);
        QCOMPARE(empty->FileSize, qint64(0));
        QCOMPARE(empty->ChildCount, 0);
        QCOMPARE(empty->FileCount, 0);
        const TFileAttri* sub = Find(root, QStringLiteral("sub"));
        QCOMPARE(Names(*sub), QStringList{QStringLiteral("b.txt")});
        QCOMPARE(sub->Children[0]->FullPath, dir.path() + QStringLiteral("/sub/b.txt"));
        QVERIFY(scanner.UnreadableFolders.isEmpty());
    }

    void rootPathFormsGiveTheSamePaths()
    {
        QTemporaryDir dir;
        TreeBuilder tree(dir.path());
        QVERIFY(tree.file(QStringLiteral("f"), "1"));
        TSyncTask job;
        TBeenTortured filter(job);
        const QStringList forms = {dir.path(), dir.path() + QStringLiteral("/"),
                                   dir.path() + QStringLiteral("  "),
                                   dir.path() + QStringLiteral("/ \t")};
        for (const QString& form : forms) {
            TWinFile scanner;
            TFileAttri root;
            scanner.ScanFolder(form, root, filter);
            QCOMPARE(root.ChildCount, 1);
            QCOMPARE(root.Children[0]->FullPath, dir.path() + QStringLiteral("/f"));
        }
        TWinFile scanner;
        TFileAttri root;
        scanner.ScanFolder(QStringLiteral("/"), root, filter);
        for (const auto& child : root.Children)
            QVERIFY(!child->FullPath.startsWith(QStringLiteral("//")));
    }

    void hiddenFoldersAreSkippedWholeOnlyWhenAsked()
    {
        QTemporaryDir dir;
        TreeBuilder tree(dir.path());
        QVERIFY(tree.file(QStringLiteral(".cache/inside.txt"), "1"));
        QVERIFY(tree.file(QStringLiteral("visible/.dotfile"), "1"));
        QVERIFY(tree.file(QStringLiteral("visible/plain"), "1"));
        TSyncTask job;
        TBeenTortured filter(job);
        {
            TWinFile scanner;
            TFileAttri root;
            QCOMPARE(scanner.ScanFolder(dir.path(), root, filter), 3);
        }
        job.ExcludeHiddenFile = 1;
        TWinFile scanner;
        TFileAttri root;
        QCOMPARE(scanner.ScanFolder(dir.path(), root, filter), 1);
        QCOMPARE(Names(root), QStringList{QStringLiteral("visible")});
        QCOMPARE(Names(*Find(root, QStringLiteral("visible"))),
                 QStringList{QStringLiteral("plain")});
    }

    void filtersApplyToFilesOnly()
    {
        QTemporaryDir dir;
        TreeBuilder tree(dir.path());
        QVERIFY(tree.file(QStringLiteral("photos/a.jpg"), "1"));
        QVERIFY(tree.file(QStringLiteral("photos/b.txt"), "1"));
        TSyncTask job;
        job.IncludeFilterr = {QStringLiteral(".jpg")};
        TBeenTortured filter(job);
        TWinFile scanner;
        TFileAttri root;
        QCOMPARE(scanner.ScanFolder(dir.path(), root, filter), 1);
        QCOMPARE(Names(*Find(root, QStringLiteral("photos"))),
                 QStringList{QStringLiteral("a.jpg")});
    }

    void linksAndSpecialFiles()
    {
        QTemporaryDir dir;
        TreeBuilder tree(dir.path());
        QVERIFY(tree.file(QStringLiteral("real/data.bin"), "12345"));
        const QByteArray base = QFile::encodeName(dir.path());
        QVERIFY(::symlink("real/data.bin", QByteArray(base + "/filelink").constData()) == 0);
        QVERIFY(::symlink("real", QByteArray(base + "/folderlink").constData()) == 0);
        QVERIFY(::symlink("missing", QByteArray(base + "/dangling").constData()) == 0);
        TSyncTask job;
        TBeenTortured filter(job);
        TWinFile scanner;
        TFileAttri root;
        scanner.ScanFolder(dir.path(), root, filter);
        QCOMPARE(Names(root), (QStringList{QStringLiteral("filelink"), QStringLiteral("folderlink"),
                                           QStringLiteral("real")}));
        const TFileAttri* fileLink = Find(root, QStringLiteral("filelink"));
        QCOMPARE(fileLink->IsFolder, 0);
        QCOMPARE(fileLink->FileSize, qint64(5));
        const TFileAttri* folderLink = Find(root, QStringLiteral("folderlink"));
        QCOMPARE(folderLink->IsFolder, 1);
        QCOMPARE(folderLink->ChildCount, 0);
        QVERIFY(folderLink->Unreadable);
        QCOMPARE(root.FileCount, 2);
    }

    void fileAbove4GiBKeepsItsSize()
    {
        QTemporaryDir dir;
        const qint64 size = (qint64(5) << 30) + 3;
        const QByteArray path = QFile::encodeName(dir.path() + QStringLiteral("/sparse"));
        const int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0644);
        QVERIFY(fd >= 0);
        QVERIFY(::ftruncate(fd, off_t(size)) == 0);
        ::close(fd);
        TSyncTask job;
        TBeenTortured filter(job);
        TWinFile scanner;
        TFileAttri root;
        scanner.ScanFolder(dir.path(), root, filter);
        QCOMPARE(root.Children[0]->FileSize, size);
        QCOMPARE(TWinFile::QueryFileSize(dir.path() + QStringLiteral("/sparse")), size);
    }

    void checkFolderTellsFoldersFromFiles()
    {
        QTemporaryDir dir;
        TreeBuilder tree(dir.path());
        QVERIFY(tree.file(QStringLiteral("file"), "1"));
        TFolderSource side;
        side.FolerAllName = dir.path();
        QCOMPARE(TWinFile::CheckFolder(side), 0);
        side.FolerAllName = tree.path(QStringLiteral("file"));
        QCOMPARE(TWinFile::CheckFolder(side), 1);
        side.FolerAllName = tree.path(QStringLiteral("missing"));
        QCOMPARE(TWinFile::CheckFolder(side), 1);
    }

    void namesThatAreNotUtf8AreLeftOutAndReported()
    {
        QTemporaryDir dir;
        const QByteArray bad = QFile::encodeName(dir.path()) + "/caf\xe9.txt";
        const int fd = ::open(bad.constData(), O_CREAT | O_WRONLY, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
        TreeBuilder tree(dir.path());
        QVERIFY(tree.file(QStringLiteral("café.txt"), "1"));
        TSyncTask job;
        TBeenTortured filter(job);
        TWinFile scanner;
        TFileAttri root;
        QCOMPARE(scanner.ScanFolder(dir.path(), root, filter), 1);
        QCOMPARE(root.Children[0]->FileName, QStringLiteral("café.txt"));
        QCOMPARE(scanner.BadNames.size(), 1);
        // Qt cannot name this file to remove it with the folder.
        QCOMPARE(::unlink(bad.constData()), 0);
    }

    // Root reads every folder; the scan runs in a child process as nobody.
    void folderThatCannotBeListedIsMarked()
    {
        QTemporaryDir dir;
        TreeBuilder tree(dir.path());
        QVERIFY(tree.file(QStringLiteral("open/a"), "1"));
        QVERIFY(tree.file(QStringLiteral("locked/b"), "1"));
        QVERIFY(tree.setMode(QStringLiteral("locked"), 0));
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
        const pid_t pid = ::fork();
        QVERIFY(pid >= 0);
        if (pid == 0) {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(10);
            TSyncTask job;
            TBeenTortured filter(job);
            TWinFile scanner;
            TFileAttri root;
            scanner.ScanFolder(dir.path(), root, filter);
            const TFileAttri* locked = Find(root, QStringLiteral("locked"));
            const TFileAttri* open = Find(root, QStringLiteral("open"));
            const bool ok =
                locked && locked->Unreadable && locked->ChildCount == 0 && open &&
                !open->Unreadable && open->ChildCount == 1 && !root.Unreadable &&
                scanner.UnreadableFolders == QStringList{dir.path() + QStringLiteral("/locked/")};
            ::_exit(ok ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(::waitpid(pid, &status, 0), pid);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QVERIFY(tree.setMode(QStringLiteral("locked"), 0755));
    }

    void cancelStopsTheScan()
    {
        QTemporaryDir dir;
        TreeBuilder tree(dir.path());
        for (int i = 0; i < 50; ++i)
            QVERIFY(tree.file(QStringLiteral("d%1/f").arg(i), "1"));
        TSyncTask job;
        job.Cancelled = true;
        TBeenTortured filter(job);
        TWinFile scanner;
        scanner.CancelFlag = &job.Cancelled;
        TFileAttri root;
        QCOMPARE(scanner.ScanFolder(dir.path(), root, filter), 0);
        QCOMPARE(root.ChildCount, 0);
    }
};

QTEST_GUILESS_MAIN(TestScan)
#include "tst_scan.moc"
