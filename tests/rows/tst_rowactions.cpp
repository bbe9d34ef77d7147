#include "rows/RowActions.h"

#include "RowTrees.h"
#include "TreeBuilder.h"
#include "engine/UFileStructure.h"
#include "engine/UResultRow.h"
#include "jobs/PackedDateTime.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A file row at the path below the parent, with a folder row for each folder on
// the way, present on the sides of its state.
TResultRow* AddFile(TResultRow& parent, qint32 state, const QString& path = {})
{
    TResultRow* folder = &parent;
    const QStringList names = path.split(QLatin1Char('/'));
    for (qsizetype i = 0; i + 1 < names.size(); ++i)
        folder = AddFolderRow(*folder, names[i]);
    TResultRow* row = AddFileRow(*folder, state, names.last());
    row->OnLeft = state != CompareState::RightOnly;
    row->OnRight = state != CompareState::LeftOnly;
    return row;
}

// LeftImage, RightImage, Direction, DirectImage.
QList<qint32> Look(const TResultRow& row)
{
    return {row.LeftImage, row.RightImage, qint32(row.Direction), row.DirectImage};
}

} // namespace

class TestRowActions : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Home;
    QString Data;

private Q_SLOTS:
    void initTestCase()
    {
        // The desktop's trash of these tests: below a home of their own, on the
        // same file system as the job folders.
        QVERIFY(Home.isValid());
        Data = Home.filePath(QStringLiteral("data"));
        qputenv("HOME", QFile::encodeName(Home.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(Data));
    }

    void init() { qputenv("XDG_DATA_HOME", QFile::encodeName(Data)); }

    void hoverMovesBetweenCellsAndRows()
    {
        TResultRow root;
        TResultRow* a = AddFile(root, CompareState::RightNewer); // 12, 10, 1, 6
        TResultRow* b = AddFile(root, CompareState::Same);       // 0, 0, 0, 16
        TRowActions actions;
        QVERIFY(actions.Hover(a, ImageCell::Left));
        QVERIFY(!actions.Hover(a, ImageCell::Left));
        QCOMPARE(Look(*a), (QList<qint32>{11, 10, 1, 6}));
        QVERIFY(actions.Hover(a, ImageCell::Direct));
        QCOMPARE(Look(*a), (QList<qint32>{12, 10, 1, 5}));
        QVERIFY(actions.Hover(b, ImageCell::Right));
        QCOMPARE(Look(*a), (QList<qint32>{12, 10, 1, 6}));
        QCOMPARE(Look(*b), (QList<qint32>{0, -1, 0, 16}));
        QVERIFY(actions.Hover(nullptr, ImageCell::None));
        QVERIFY(!actions.Hover(b, ImageCell::None));
        QCOMPARE(Look(*b), (QList<qint32>{0, 0, 0, 16}));
        QCOMPARE(actions.HoverRow(), nullptr);

        // A sync that copied the hovered row sets its pictures anew.
        actions.Hover(a, ImageCell::Direct);
        a->LeftImage = a->RightImage = RowImage::Empty;
        a->DirectImage = RowImage::SameContent;
        actions.Release(*a);
        actions.Hover(a, ImageCell::Direct);
        actions.Hover(nullptr, ImageCell::None);
        QCOMPARE(Look(*a), (QList<qint32>{0, 0, 1, 16}));

        actions.Hover(a, ImageCell::Right);
        actions.Forget();
        QCOMPARE(actions.HoverRow(), nullptr);
        QCOMPARE(a->RightImage, -1);
    }

    void clicksOnFileRows()
    {
        TResultRow root;
        TResultRow* same = AddFile(root, CompareState::Same);
        TResultRow* leftOnly = AddFile(root, CompareState::LeftOnly);
        TResultRow* newer = AddFile(root, CompareState::RightNewer);
        TRowActions actions;
        for (qint32 cell : {ImageCell::Left, ImageCell::Direct, ImageCell::Right})
            QVERIFY(!actions.Click(*same, cell));
        QCOMPARE(Look(*same), (QList<qint32>{0, 0, 0, 16}));
        QVERIFY(!actions.Click(*leftOnly, ImageCell::Left));
        QVERIFY(!actions.Click(*leftOnly, ImageCell::Right)); // already so
        QCOMPARE(Look(*leftOnly), (QList<qint32>{20, 8, 2, 6}));

        actions.Hover(newer, ImageCell::Direct); // a press may come without a move
        QVERIFY(actions.Click(*newer, ImageCell::Right));
        QCOMPARE(Look(*newer), (QList<qint32>{14, 8, 2, 6}));
        QCOMPARE(actions.HoverRow(), nullptr);
        QVERIFY(actions.Click(*newer, ImageCell::Direct));
        QCOMPARE(Look(*newer), (QList<qint32>{0, 0, 0, 18}));
        QVERIFY(actions.Click(*newer, ImageCell::Direct));
        QCOMPARE(Look(*newer), (QList<qint32>{12, 10, 1, 6}));
        actions.Click(*newer, ImageCell::Direct);
        QVERIFY(actions.Click(*newer, ImageCell::Left));
        QCOMPARE(Look(*newer), (QList<qint32>{12, 10, 1, 18}));
    }

    // A file deleted on the left since the last sync, whose deletion the row
    // carries over: its right picture can be chosen, unlike a plain one-sided
    // row's.
    void clicksOnARowCarryingADeletion()
    {
        TResultRow root;
        TResultRow* plain = AddFile(root, CompareState::RightOnly);
        TResultRow* carried = AddFile(root, CompareState::RightOnly);
        carried->SinceSync = SyncMark::Recorded | SyncMark::DeletedLeft;
        carried->Proposed = SyncDirection::LeftToRight;
        ApplyStateDefaults(*carried);
        QCOMPARE(Look(*carried), (QList<qint32>{14, 8, 2, 6}));
        TRowActions actions;
        QVERIFY(!actions.Click(*plain, ImageCell::Right));
        QVERIFY(actions.Click(*carried, ImageCell::Left));
        QCOMPARE(Look(*carried), (QList<qint32>{12, 10, 1, 6}));
        QVERIFY(actions.Click(*carried, ImageCell::Right));
        QCOMPARE(Look(*carried), (QList<qint32>{14, 8, 2, 6}));
        // A proposal to copy from a side without the file is not followed.
        plain->Proposed = SyncDirection::LeftToRight;
        ApplyStateDefaults(*plain);
        QCOMPARE(Look(*plain), (QList<qint32>{12, 20, 1, 6}));
    }

    void folderClicksReachEveryFileBelow()
    {
        TResultRow root;
        TResultRow* folder = AddFolderRow(root);
        TResultRow* newer = AddFile(*folder, CompareState::LeftNewer);
        TResultRow* same = AddFile(*folder, CompareState::Same);
        TResultRow* sub = AddFolderRow(*folder);
        TResultRow* leftOnly = AddFile(*sub, CompareState::LeftOnly);
        TResultRow* rightOnly = AddFile(*sub, CompareState::RightOnly);
        TRowActions actions;
        actions.Hover(folder, ImageCell::Left);
        QVERIFY(actions.Click(*folder, ImageCell::Left));
        QCOMPARE(Look(*folder), (QList<qint32>{23, 22, 0, 6}));
        QCOMPARE(actions.HoverRow(), folder);
        QCOMPARE(Look(*newer), (QList<qint32>{12, 10, 1, 6}));
        QCOMPARE(Look(*same), (QList<qint32>{0, 0, 0, 16}));
        QCOMPARE(Look(*leftOnly), (QList<qint32>{20, 8, 2, 6}));
        QCOMPARE(Look(*rightOnly), (QList<qint32>{12, 20, 1, 6}));

        leftOnly->Direction = SyncDirection::None;
        QVERIFY(actions.ApplyToFolder(root, ImageCell::Direct));
        QCOMPARE(Look(*newer), (QList<qint32>{0, 0, 0, 18}));
        QCOMPARE(Look(*leftOnly), (QList<qint32>{20, 8, 2, 6}));
        QCOMPARE(Look(*same), (QList<qint32>{0, 0, 0, 16}));
        QVERIFY(!actions.ApplyToFolder(*sub, ImageCell::Right));
        QCOMPARE(Look(*rightOnly), (QList<qint32>{0, 0, 0, 18}));
    }

    void menuEntries()
    {
        QTemporaryDir dir;
        TreeBuilder tree(dir.path());
        const QString l = tree.path(QStringLiteral("L")), r = tree.path(QStringLiteral("R"));
        TResultRow root;
        TResultRow* both = AddFile(root, CompareState::LeftNewer, QStringLiteral("s/a.txt"));
        TResultRow* top = AddFile(root, CompareState::Same, QStringLiteral("b.txt"));
        QVERIFY(tree.file(QStringLiteral("L/__Save__/s/a.txt"), "old"));
        QVERIFY(tree.file(QStringLiteral("R/__Save__/b.txt"), "old"));
        QVERIFY(tree.folder(QStringLiteral("L/__Save__/b.txt"))); // not a file

        TRowActions actions;
        const auto entries = [&](const TResultRow& row) {
            const TRowMenu m = actions.MenuFor(row, {l, r});
            return QList<bool>{m.LeftFile, m.RightFile, m.LeftBackup, m.RightBackup};
        };
        QCOMPARE(entries(*AddFolderRow(root)), (QList<bool>{false, false, false, false}));
        QCOMPARE(entries(*AddFile(root, CompareState::LeftOnly, QStringLiteral("c"))),
                 (QList<bool>{true, false, false, false}));
        QCOMPARE(entries(*AddFile(root, CompareState::RightOnly, QStringLiteral("c"))),
                 (QList<bool>{false, true, false, false}));
        QCOMPARE(entries(*both), (QList<bool>{true, true, true, false}));
        QCOMPARE(actions.LeftBackupPath, l + QStringLiteral("/__Save__/s/a.txt"));
        QCOMPARE(actions.RightBackupPath, r + QStringLiteral("/__Save__/s/a.txt"));
        QCOMPARE(entries(*top), (QList<bool>{true, true, false, true}));
        QCOMPARE(actions.RightBackupPath, r + QStringLiteral("/__Save__/b.txt"));
    }

    void deleteMovesTheFileToTheTrash()
    {
        QTemporaryDir dir;
        TreeBuilder tree(dir.path());
        const QString l = tree.path(QStringLiteral("L")), r = tree.path(QStringLiteral("R"));
        QVERIFY(tree.file(QStringLiteral("L/a.txt"), "left"));
        QVERIFY(tree.file(QStringLiteral("R/a.txt"), "right"));
        TResultRow root;
        TResultRow* first = AddFile(root, CompareState::Same);
        TResultRow* row = AddFile(root, CompareState::RightNewer, QStringLiteral("a.txt"));
        TResultRow* last = AddFile(root, CompareState::Same);
        row->LeftTime = row->RightTime = 1000000;
        row->LeftSize = 4;
        // What the last sync proposed for the pair no longer holds.
        row->SinceSync = SyncMark::Recorded | SyncMark::ChangedLeft;
        row->Proposed = SyncDirection::LeftToRight;

        TRowActions actions;
        QCOMPARE(actions.DeleteFile(*row, TRowSide::Left, {l, r}), TRowActions::Deletion::Deleted);
        QVERIFY(!tree.exists(QStringLiteral("L/a.txt")));
        QCOMPARE(TreeBuilder(Data).read(QStringLiteral("Trash/files/a.txt")), QByteArray("left"));
        QCOMPARE(row->State, CompareState::RightOnly);
        QCOMPARE(Look(*row), (QList<qint32>{12, 20, 1, 6}));
        QCOMPARE((QList<qint64>{row->LeftSize, row->LeftTime, row->RightTime}),
                 (QList<qint64>{0, 0, 1000000}));
        QVERIFY(!row->OnLeft && row->PathOn(TRowSide::Left, {l, r}).isEmpty());
        QCOMPARE(row->PathOn(TRowSide::Right, {l, r}), r + QStringLiteral("/a.txt"));

        QCOMPARE(actions.DeleteFile(*row, TRowSide::Right, {l, r}),
                 TRowActions::Deletion::DeletedRowEmpty);
        QCOMPARE(qint32(row->Direction), SyncDirection::None);
        root.RemoveChild(row->Row());
        QCOMPARE(root.ChildCount(), 2);
        QCOMPARE(last->Row(), 1);
        QCOMPARE(first->NextSibling(), last);
    }

    void failedDeleteChangesNothing()
    {
        QTemporaryDir dir;
        TreeBuilder tree(dir.path());
        const QString l = tree.path(QStringLiteral("L"));
        QVERIFY(tree.file(QStringLiteral("L/a.txt"), "a"));
        QVERIFY(tree.file(QStringLiteral("out/b.txt"), "b"));
        QVERIFY(QFile::link(tree.path(QStringLiteral("out")), tree.path(QStringLiteral("L/link"))));
        // A link on the way below the root, and a file that is gone.
        TResultRow root;
        TRowActions actions;
        for (const char* path : {"link/b.txt", "missing.txt"}) {
            TResultRow* row = AddFile(root, CompareState::LeftOnly, QLatin1String(path));
            QCOMPARE(actions.DeleteFile(*row, TRowSide::Left, {l, {}}),
                     TRowActions::Deletion::Failed);
            QVERIFY(row->OnLeft);
        }
        QVERIFY(tree.exists(QStringLiteral("out/b.txt")));

        // A trash that cannot be set up: Qt would fall back to the current folder.
        QVERIFY(tree.file(QStringLiteral("data/Trash"), "not a folder"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(tree.path(QStringLiteral("data"))));
        QVERIFY(tree.folder(QStringLiteral("cwd")));
        const QString cwd = QDir::currentPath();
        QDir::setCurrent(tree.path(QStringLiteral("cwd")));
        TResultRow* row = AddFile(root, CompareState::LeftOnly, QStringLiteral("a.txt"));
        const auto result = actions.DeleteFile(*row, TRowSide::Left, {l, {}});
        QDir::setCurrent(cwd);
        QCOMPARE(result, TRowActions::Deletion::Failed);
        QCOMPARE(tree.read(QStringLiteral("L/a.txt")), QByteArray("a"));
        QVERIFY(QDir(tree.path(QStringLiteral("cwd"))).isEmpty());
        QCOMPARE(Look(*row), (QList<qint32>{20, 8, 2, 6}));
    }

    void restoreBringsBackTheKeptVersion()
    {
        QTemporaryDir dir;
        TreeBuilder tree(dir.path());
        const QDateTime older = LocalTime(2021, 5, 6, 7, 8, 10);
        QVERIFY(tree.file(QStringLiteral("L/s/a.txt"), "newer", LocalTime(2024, 1, 2)));
        QVERIFY(tree.file(QStringLiteral("L/__Save__/s/a.txt"), "old", older));
        QVERIFY(tree.file(QStringLiteral("R/s/a.txt"), "right", older));
        TResultRow root;
        TResultRow* row = AddFile(root, CompareState::LeftNewer, QStringLiteral("s/a.txt"));

        TRowActions actions;
        const TRowRoots roots{tree.path(QStringLiteral("L")), tree.path(QStringLiteral("R"))};
        QVERIFY(actions.RestoreFile(*row, TRowSide::Left, roots));
        QCOMPARE(tree.read(QStringLiteral("L/s/a.txt")), QByteArray("old"));
        QVERIFY(!tree.exists(QStringLiteral("L/__Save__/s/a.txt")));
        QVERIFY(!tree.exists(QStringLiteral("L/s/a.txt.p")));
        QCOMPARE(TreeBuilder(Data).read(QStringLiteral("Trash/files/a.txt.p")),
                 QByteArray("newer"));
        QCOMPARE(row->LeftTime, PackedDateTime::FromDateTime(older));
        QCOMPARE((QList<qint64>{row->LeftSize, row->LeftAttr, row->RightSize}),
                 (QList<qint64>{3, FileAttribute::Archive, 5}));
        QCOMPARE(row->State, CompareState::Same);
        QCOMPARE(Look(*row), (QList<qint32>{0, 0, 0, 16}));
    }

    void failedRestoreChangesNothing()
    {
        QTemporaryDir dir;
        TreeBuilder tree(dir.path());
        QVERIFY(tree.file(QStringLiteral("L/a.txt"), "newer"));
        QVERIFY(tree.file(QStringLiteral("L/__Save__/a.txt"), "old"));
        QVERIFY(tree.file(QStringLiteral("L/a.txt.p"), "taken"));
        TResultRow root;
        TResultRow* row = AddFile(root, CompareState::LeftNewer, QStringLiteral("a.txt"));
        row->LeftTime = 1000000;
        TRowActions actions;
        const TRowRoots roots{tree.path(QStringLiteral("L")), tree.path(QStringLiteral("R"))};
        QVERIFY(!actions.RestoreFile(*row, TRowSide::Left, roots));
        QCOMPARE(tree.read(QStringLiteral("L/a.txt.p")), QByteArray("taken"));

        // The trash cannot take the replaced version: the restore is undone.
        QVERIFY(QFile::remove(tree.path(QStringLiteral("L/a.txt.p"))));
        QVERIFY(tree.file(QStringLiteral("data/Trash"), "not a folder"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(tree.path(QStringLiteral("data"))));
        QVERIFY(!actions.RestoreFile(*row, TRowSide::Left, roots));

        QCOMPARE(tree.read(QStringLiteral("L/a.txt")), QByteArray("newer"));
        QCOMPARE(tree.read(QStringLiteral("L/__Save__/a.txt")), QByteArray("old"));
        QVERIFY(!tree.exists(QStringLiteral("L/a.txt.p")));
        QCOMPARE(row->LeftTime, 1000000);
        QCOMPARE(Look(*row), (QList<qint32>{14, 8, 2, 6}));
    }
};

QTEST_GUILESS_MAIN(TestRowActions)
#include "tst_rowactions.moc"
