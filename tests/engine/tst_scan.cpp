#include "EngineHelpers.h"
#include "RowTrees.h"
#include "TreeBuilder.h"
#include "engine/FileNameText.h"
#include "engine/ScanTree.h"
#include "engine/UFileOper.h"
#include "engine/UWinFile.h"
#include "jobs/PackedDateTime.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The names of the folder's children, sorted.
QStringList Names(const TScanTree& tree, quint32 folder = TScanTree::Root)
{
    QStringList names;
    const TScanTree::TChildRange children = tree.Children(folder);
    for (quint32 i = children.First; i < children.First + children.Count; ++i)
        names.append(tree.Name(i));
    names.sort();
    return names;
}

// The folder's child of that name; -1 when there is none.
qint64 Find(const TScanTree& tree, const QString& name, quint32 folder = TScanTree::Root)
{
    const TScanTree::TChildRange children = tree.Children(folder);
    for (quint32 i = children.First; i < children.First + children.Count; ++i) {
        if (tree.Name(i) == name)
            return i;
    }
    return -1;
}

// Every item below the folder as path ⊕ name, each folder's own items first.
void Paths(const TScanTree& tree, quint32 folder, const QString& path, QStringList& paths)
{
    const TScanTree::TChildRange children = tree.Children(folder);
    for (quint32 i = children.First; i < children.First + children.Count; ++i)
        paths.append(path + tree.Name(i));
    for (quint32 i = children.First; i < children.First + children.Count; ++i) {
        if (tree.IsFolder(i))
            Paths(tree, i, path + tree.Name(i) + QLatin1Char('/'), paths);
    }
}

// Each item but the root is the child of exactly one folder reached from the root.
bool EveryItemHasOneFolder(const TScanTree& tree)
{
    std::vector<int> seen(tree.ItemCount(), 0);
    std::vector<quint32> folders{TScanTree::Root};
    while (!folders.empty()) {
        const TScanTree::TChildRange children = tree.Children(folders.back());
        folders.pop_back();
        for (quint32 i = children.First; i < children.First + children.Count; ++i) {
            if (i == TScanTree::Root || i >= tree.ItemCount() || ++seen[i] > 1)
                return false;
            if (tree.IsFolder(i))
                folders.push_back(i);
        }
    }
    return std::count(seen.begin(), seen.end(), 1) == qsizetype(tree.ItemCount()) - 1;
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

    // Pieces of the name as they always were; "*" and "?" on the whole name; a "/"
    // first names a path below the root, a folder's with everything in it.
    void namePatternsOfThreeKinds()
    {
        const auto included = [](const QStringList& patterns, const char* name,
                                 const char* folder = "") {
            TSyncTask job;
            job.IncludeFilterr = patterns;
            return TBeenTortured(job).IsIncluded(QString::fromUtf8(name), 0, 1,
                                                 QString::fromUtf8(folder));
        };
        const auto excluded = [](const QStringList& patterns, const char* name,
                                 const char* folder = "") {
            TSyncTask job;
            job.ExcludeFilterr = patterns;
            return TBeenTortured(job).IsExcluded(QString::fromUtf8(name), 0, 32, 1,
                                                 QString::fromUtf8(folder));
        };
        const QStringList doc{QStringLiteral("doc")};
        QVERIFY(included(doc, "mydocument.txt") && !included(doc, "MyDOCument.txt"));
        QVERIFY(!included({QString()}, "a.txt"));
        QVERIFY(excluded({QString(), QStringLiteral(" b")}, "a b"));
        QVERIFY(!excluded({QString(), QStringLiteral(" b")}, "ab"));

        const QStringList wild{QStringLiteral("*.txt"), QStringLiteral("f?le")};
        QVERIFY(included(wild, "a.txt") && included(wild, ".txt") && included(wild, "file"));
        QVERIFY(!included(wild, "a.txt.bak") && !included(wild, "A.TXT") && !included(wild, "fle"));
        QVERIFY(included({QStringLiteral("a*b*c")}, "aXbYbZc"));
        QVERIFY(!included({QStringLiteral("a*b*c")}, "aXbYcZ"));

        const QStringList paths{QStringLiteral("/file1.txt"),
                                QStringLiteral("/My Document/works/")};
        QVERIFY(excluded(paths, "file1.txt") && !excluded(paths, "file1.txt", "sub"));
        QVERIFY(excluded(paths, "a.txt", "My Document/works"));
        QVERIFY(excluded(paths, "b.txt", "My Document/works/deep"));
        QVERIFY(excluded(paths, "works", "My Document"));
        QVERIFY(!excluded(paths, "a.txt", "My Document/workshop"));
        QVERIFY(!excluded(paths, "a.txt", "My Document") && !excluded(paths, "works"));
        QVERIFY(included({QStringLiteral("/*/old")}, "a", "2024/old/x"));
        QVERIFY(!included({QStringLiteral("/*/old")}, "a", "2024/x/old"));
    }

    void pathPatternsLeaveOutFilesBelowTheRoot()
    {
        QTemporaryDir dir;
        TreeBuilder tree(dir.path());
        for (const char* file : {"file1.txt", "sub/file1.txt", "My Document/works/a.txt",
                                 "My Document/works/deep/b.txt", "My Document/other.txt"})
            QVERIFY(tree.file(QString::fromUtf8(file), "1"));
        TSyncTask job;
        job.ExcludeFilterr = {QStringLiteral("/file1.txt"), QStringLiteral("/My Document/works")};
        TBeenTortured filter(job);
        TWinFile scanner;
        TScanTree scanned;
        QCOMPARE(scanner.ScanFolder(dir.path() + QLatin1Char('/'), scanned, filter), 2);
        QCOMPARE(scanner.NotInIncludeList, 0);
        QStringList paths;
        Paths(scanned, TScanTree::Root, QString(), paths);
        QVERIFY(paths.contains(QStringLiteral("sub/file1.txt")));
        QVERIFY(paths.contains(QStringLiteral("My Document/other.txt")));

        // Files only the include list leaves out are counted.
        TSyncTask only;
        only.IncludeFilterr = {QStringLiteral("*.none")};
        only.ExcFileSizeMax = 0; // every file has one byte: the exclude filter takes them
        TWinFile excludedScan;
        TScanTree none;
        QCOMPARE(excludedScan.ScanFolder(dir.path(), none, TBeenTortured(only)), 0);
        QCOMPARE(excludedScan.NotInIncludeList, 0);
        only.ExcFileSizeMax = -1;
        TWinFile notListedScan;
        TScanTree alsoNone;
        QCOMPARE(notListedScan.ScanFolder(dir.path(), alsoNone, TBeenTortured(only)), 0);
        QCOMPARE(notListedScan.NotInIncludeList, 5);
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
        TScanTree scanned;
        QCOMPARE(scanner.ScanFolder(dir.path(), scanned, filter), 4);
        QCOMPARE(scanned.FileCount(TScanTree::Root), 4);
        QCOMPARE(Names(scanned), (QStringList{QStringLiteral(".hidden"), QStringLiteral("__save__"),
                                              QStringLiteral("a.txt"), QStringLiteral("empty"),
                                              QStringLiteral("sub")}));
        const qint64 a = Find(scanned, QStringLiteral("a.txt"));
        QVERIFY(a > 0);
        QCOMPARE(scanned.Size(a), qint64(5));
        QCOMPARE(scanned.Item(a).Attr, FileAttribute::Archive | FileAttribute::ReadOnly);
        QCOMPARE(scanned.Item(a).Time,
                 PackedDateTime::FromDateTime(LocalTime(2020, 5, 6, 7, 8, 10)));
        QVERIFY(!scanned.IsFolder(a));
        QCOMPARE(scanned.Item(Find(scanned, QStringLiteral(".hidden"))).Attr,
                 FileAttribute::Archive | FileAttribute::Hidden);
        const qint64 empty = Find(scanned, QStringLiteral("empty"));
        QVERIFY(scanned.IsFolder(empty));
        QCOMPARE(scanned.Size(empty), qint64(0));
        QCOMPARE(scanned.Children(empty).Count, 0u);
        QCOMPARE(scanned.FileCount(empty), 0);
        const qint64 sub = Find(scanned, QStringLiteral("sub"));
        QCOMPARE(Names(scanned, sub), QStringList{QStringLiteral("b.txt")});
        QCOMPARE(scanned.FileCount(sub), 1);
        QStringList paths;
        Paths(scanned, TScanTree::Root, dir.path() + QLatin1Char('/'), paths);
        QVERIFY(paths.contains(dir.path() + QStringLiteral("/sub/b.txt")));
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
        QVERIFY(::symlink(".", QFile::encodeName(tree.path(QStringLiteral("link"))).constData()) ==
                0);
        TFileAttri compared;
        auto file = std::make_unique<TFileAttri>();
        file->ItemName = QStringLiteral("f");
        file->State = CompareState::Same;
        compared.AddChild(std::move(file));
        for (const QString& form : forms) {
            // The scan's own paths (those of its lists) and the rows' paths alike.
            TWinFile scanner;
            TScanTree scanned;
            QCOMPARE(scanner.ScanFolder(form, scanned, filter), 1);
            QCOMPARE(scanner.FolderLinks, QStringList{dir.path() + QStringLiteral("/link")});
            auto sides = MakeJob(form, form);
            QCOMPARE(LeftPathOf(*AllRowsOf(*sides, compared)->Child(0), *sides),
                     dir.path() + QStringLiteral("/f"));
        }
        auto rootSides = MakeJob(QStringLiteral("/"), QStringLiteral("/ "));
        auto rows = AllRowsOf(*rootSides, compared);
        QCOMPARE(LeftPathOf(*rows->Child(0), *rootSides), QStringLiteral("/f"));
        QCOMPARE(RightPathOf(*rows->Child(0), *rootSides), QStringLiteral("/f"));
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
            TScanTree scanned;
            QCOMPARE(scanner.ScanFolder(dir.path(), scanned, filter), 3);
        }
        job.ExcludeHiddenFile = 1;
        TWinFile scanner;
        TScanTree scanned;
        QCOMPARE(scanner.ScanFolder(dir.path(), scanned, filter), 1);
        QCOMPARE(Names(scanned), QStringList{QStringLiteral("visible")});
        QCOMPARE(Names(scanned, Find(scanned, QStringLiteral("visible"))),
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
        TScanTree scanned;
        QCOMPARE(scanner.ScanFolder(dir.path(), scanned, filter), 1);
        QCOMPARE(Names(scanned, Find(scanned, QStringLiteral("photos"))),
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
        TScanTree scanned;
        scanner.ScanFolder(dir.path(), scanned, filter);
        QCOMPARE(Names(scanned),
                 (QStringList{QStringLiteral("filelink"), QStringLiteral("folderlink"),
                              QStringLiteral("real")}));
        const qint64 fileLink = Find(scanned, QStringLiteral("filelink"));
        QVERIFY(!scanned.IsFolder(fileLink));
        QCOMPARE(scanned.Size(fileLink), qint64(5));
        const qint64 folderLink = Find(scanned, QStringLiteral("folderlink"));
        QVERIFY(scanned.IsFolder(folderLink));
        QCOMPARE(scanned.Children(folderLink).Count, 0u);
        QVERIFY(scanned.IsUnreadable(folderLink));
        QVERIFY(!scanned.IsUnreadable(Find(scanned, QStringLiteral("real"))));
        QCOMPARE(scanner.FolderLinks, QStringList{dir.path() + QStringLiteral("/folderlink")});
        QCOMPARE(scanned.FileCount(TScanTree::Root), 2);
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
        TScanTree scanned;
        scanner.ScanFolder(dir.path(), scanned, filter);
        QCOMPARE(scanned.Size(1), size);
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
        TScanTree scanned;
        QCOMPARE(scanner.ScanFolder(dir.path(), scanned, filter), 1);
        QCOMPARE(Names(scanned), QStringList{QStringLiteral("café.txt")});
        QCOMPARE(scanner.BadNames, QStringList{dir.path() + QStringLiteral("/caf\\xe9.txt")});
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
            TScanTree scanned;
            scanner.ScanFolder(dir.path(), scanned, filter);
            const qint64 locked = Find(scanned, QStringLiteral("locked"));
            const qint64 open = Find(scanned, QStringLiteral("open"));
            const bool ok =
                locked > 0 && scanned.IsUnreadable(locked) && scanned.Children(locked).Count == 0 &&
                open > 0 && !scanned.IsUnreadable(open) && scanned.Children(open).Count == 1 &&
                !scanned.IsUnreadable(TScanTree::Root) &&
                scanner.UnreadableFolders == QStringList{dir.path() + QStringLiteral("/locked/")};
            ::_exit(ok ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(::waitpid(pid, &status, 0), pid);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QVERIFY(tree.setMode(QStringLiteral("locked"), 0755));
    }

    // Every folder's children lie together whatever the depth, and names beyond
    // ASCII come back as they were written.
    void treeHoldsEachFolderTogetherAndNamesExactly()
    {
        QTemporaryDir dir;
        TreeBuilder tree(dir.path());
        const QStringList files = {QStringLiteral("a/é/1"), QStringLiteral("a/e\u0301/2"),
                                   QStringLiteral("a/b/c/日本語.txt"), QStringLiteral("z/ß"),
                                   QStringLiteral("top")};
        for (const QString& file : files)
            QVERIFY(tree.file(file, "1"));
        TSyncTask job;
        TBeenTortured filter(job);
        TWinFile scanner;
        TScanTree scanned;
        QCOMPARE(scanner.ScanFolder(dir.path(), scanned, filter), 5);
        QVERIFY(EveryItemHasOneFolder(scanned));
        QCOMPARE(scanned.ItemCount(), 12u);
        QStringList paths;
        Paths(scanned, TScanTree::Root, QString(), paths);
        for (const QString& file : files)
            QVERIFY2(paths.contains(file), qPrintable(file));
        const qint64 japanese =
            Find(scanned, QStringLiteral("日本語.txt"),
                 Find(scanned, QStringLiteral("c"),
                      Find(scanned, QStringLiteral("b"), Find(scanned, QStringLiteral("a")))));
        QVERIFY(japanese > 0);
        QCOMPARE(QByteArray(scanned.NameBytes(japanese).data(),
                            qsizetype(scanned.NameBytes(japanese).size())),
                 QStringLiteral("日本語.txt").toUtf8());
    }

    // A wide tree's items, read at random by the pairing, lie on the bounds
    // of huge pages (a small tree's on their own 32-byte bounds), and each
    // reads back as it was added, through the tree's growth and its fit.
    void wideTreeKeepsItsItemsOnHugePageBounds()
    {
        TScanTree small;
        small.AddChild(TScanTree::Root, "a", false, 1, 1, 0);
        small.Finish();
        QCOMPARE(reinterpret_cast<quintptr>(&small.Item(0)) % 32, quintptr(0));
        TScanTree wide;
        const quint32 count = 100000; // 3.2 MB of items
        for (quint32 i = 0; i < count; ++i)
            wide.AddChild(TScanTree::Root, std::to_string(i), false, qint32(i), i, 0);
        wide.Finish();
        QCOMPARE(reinterpret_cast<quintptr>(&wide.Item(0)) % HugePages::Size, quintptr(0));
        QCOMPARE(wide.ItemCount(), count + 1);
        for (quint32 i = 0; i < count; i += 997) {
            QCOMPARE(wide.Item(i + 1).Time, qint32(i));
            QCOMPARE(wide.Size(i + 1), qint64(i));
        }
    }

    // A folder's names share one block of text: each reads exactly as its
    // bytes (a leading U+FEFF, letters of several bytes, one letter alone),
    // ends in a zero, and stays whole when the others change or go.
    void namesSharingOneBlockAreEachTheirOwn()
    {
        const QStringList expected = {QString(QChar(0xFEFF)) + QStringLiteral("x"),
                                      QStringLiteral("日本語.txt"), QStringLiteral("é"),
                                      QStringLiteral("a"), QStringLiteral("Straße")};
        std::vector<QByteArray> bytes;
        for (const QString& name : expected)
            bytes.push_back(name.toUtf8());
        std::vector<std::string_view> names;
        for (const QByteArray& name : bytes)
            names.emplace_back(name.constData(), size_t(name.size()));
        std::vector<QString> texts;
        TFileNameText::DecodeSharing(names, texts);
        QCOMPARE(texts.size(), size_t(expected.size()));
        for (size_t i = 0; i < texts.size(); ++i) {
            QCOMPARE(texts[i], expected[qsizetype(i)]);
            QCOMPARE(texts[i].utf16()[texts[i].size()], char16_t(0));
        }
        QString kept = texts[2];
        texts[1].append(QStringLiteral("-longer than the names after it"));
        texts[3][0] = QLatin1Char('b');
        texts.erase(texts.begin(), texts.begin() + 2);
        QCOMPARE(kept, QStringLiteral("é"));
        QCOMPARE(texts[0], QStringLiteral("é"));
        QCOMPARE(texts[1], QStringLiteral("b"));
        QCOMPARE(texts[2], QStringLiteral("Straße"));
        texts.clear();
        kept.append(QStringLiteral(" alone"));
        QCOMPARE(kept, QStringLiteral("é alone"));
    }

    // Folders listed by several threads at once make the same tree as one
    // thread: every item once, under its own folder, with the files counted
    // below every folder.
    void severalThreadsMakeTheSameTree()
    {
        QTemporaryDir dir;
        TreeBuilder tree(dir.path());
        for (int i = 0; i < 600; ++i)
            QVERIFY(tree.file(QStringLiteral("d%1/e%2/f%3").arg(i % 7).arg(i % 13).arg(i),
                              QByteArray(i % 50, 'x')));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("d1/empty/deeper")));
        TSyncTask job;
        TBeenTortured filter(job);
        auto describe = [&](int threads) {
            TWinFile scanner;
            scanner.ScanThreads = threads;
            TScanTree scanned;
            const qint32 files = scanner.ScanFolder(dir.path(), scanned, filter);
            QStringList lines{QString::number(files)};
            if (!EveryItemHasOneFolder(scanned))
                lines.append(QStringLiteral("an item outside its folder"));
            std::vector<std::pair<quint32, QString>> folders{{TScanTree::Root, QString()}};
            while (!folders.empty()) {
                const auto [folder, path] = folders.back();
                folders.pop_back();
                lines.append(path + QStringLiteral(": %1").arg(scanned.FileCount(folder)));
                const TScanTree::TChildRange children = scanned.Children(folder);
                for (quint32 i = children.First; i < children.First + children.Count; ++i) {
                    if (scanned.IsFolder(i))
                        folders.emplace_back(i, path + scanned.Name(i) + QLatin1Char('/'));
                    else
                        lines.append(path + scanned.Name(i) +
                                     QStringLiteral(" %1").arg(scanned.Size(i)));
                }
            }
            lines.sort();
            return lines;
        };
        const QStringList one = describe(1);
        QCOMPARE(one.size(), 1 + 1 + 7 + 7 * 13 + 2 + 600);
        QVERIFY(one.contains(QStringLiteral("600")));
        QVERIFY(one.contains(QStringLiteral("d1/: %1").arg(600 / 7 + 1)));
        QCOMPARE(describe(8), one);
    }

    // A side larger than the tree holds: what does not fit is left out, and its
    // folder is told as one that could not be listed completely.
    void sideBeyondWhatTheTreeHoldsIsToldAndLeftAlone()
    {
        QTemporaryDir dir;
        TreeBuilder tree(dir.path());
        for (int i = 0; i < 10; ++i)
            QVERIFY(tree.file(QStringLiteral("a/f%1").arg(i), "1"));
        TSyncTask job;
        TBeenTortured filter(job);
        TWinFile scanner;
        TScanTree scanned(6);
        scanner.ScanFolder(dir.path(), scanned, filter);
        QCOMPARE(scanned.ItemCount(), 6u);
        const qint64 folder = Find(scanned, QStringLiteral("a"));
        QVERIFY(folder > 0 && scanned.IsUnreadable(quint32(folder)));
        QCOMPARE(scanner.UnreadableFolders, QStringList{dir.path() + QStringLiteral("/a/")});
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
        TScanTree scanned;
        QCOMPARE(scanner.ScanFolder(dir.path(), scanned, filter), 0);
        QCOMPARE(scanned.ItemCount(), 1u);
    }
};

QTEST_GUILESS_MAIN(TestScan)
#include "tst_scan.moc"
