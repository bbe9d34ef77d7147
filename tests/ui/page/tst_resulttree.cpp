#include "RowTrees.h"
#include "engine/UResultRow.h"
#include "jobs/PackedDateTime.h"
#include "ui/page/PageImages.h"
#include "ui/page/ResultLegend.h"
#include "ui/page/ResultTreeModel.h"
#include "ui/page/ResultTreeView.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The rows of a small job:
//   Job
//     docs (folder)
//       a.txt    only on the left
//       b.dat    right newer
//       sub (folder)
//         c.txt  left newer
//     top.bin    same on both sides
struct TSampleTree
{
    std::unique_ptr<TResultRow> Root = MakeRootRow(QStringLiteral("Job"));
    TResultRow* Docs;
    TResultRow* A;
    TResultRow* B;
    TResultRow* Sub;
    TResultRow* C;
    TResultRow* Top;

    TSampleTree()
    {
        Docs = AddFolderRow(*Root, QStringLiteral("docs"));
        A = File(*Docs, QStringLiteral("a.txt"), CompareState::LeftOnly);
        B = File(*Docs, QStringLiteral("b.dat"), CompareState::RightNewer);
        Sub = AddFolderRow(*Docs, QStringLiteral("sub"));
        C = File(*Sub, QStringLiteral("c.txt"), CompareState::LeftNewer);
        Top = File(*Root, QStringLiteral("top.bin"), CompareState::Same);
    }

    static TResultRow* File(TResultRow& parent, const QString& name, qint32 state)
    {
        TResultRow* row = AddFileRow(parent, state, name);
        row->LeftTime = PackedDateTime::FromFields(2024, 3, 5, 14, 7, 8);
        row->LeftSize = 2048;
        row->RightTime =
            state == CompareState::LeftOnly ? -1 : PackedDateTime::FromFields(2024, 3, 6, 0, 0, 0);
        row->RightSize = state == CompareState::LeftOnly ? 0 : 4096;
        return row;
    }
};

// An icon theme in a temporary folder with the given icons (name, colour).
bool MakeTheme(const QString& folder, const QList<QPair<QString, QColor>>& icons)
{
    const QString theme = folder + QStringLiteral("/brenvale-test");
    if (!QDir().mkpath(theme + QStringLiteral("/16x16/mimetypes")))
        return false;
    QFile index(theme + QStringLiteral("/index.theme"));
    if (!index.open(QIODevice::WriteOnly))
        return false;
    index.write("[Icon Theme]\nName=brenvale-test\nDirectories=16x16/mimetypes\n\n"
                "[16x16/mimetypes]\nSize=16\nContext=MimeTypes\nType=Fixed\n");
    for (const auto& [name, colour] : icons) {
        QImage picture(16, 16, QImage::Format_ARGB32);
        picture.fill(colour);
        if (!picture.save(theme + QStringLiteral("/16x16/mimetypes/") + name +
                          QStringLiteral(".png")))
            return false;
    }
    return true;
}

QColor PixelAt(QWidget* widget, const QPoint& point)
{
    return widget->grab().toImage().pixelColor(point);
}

// A point well inside a cell, away from its text and its grid lines.
QPoint InsideCell(const QTreeView& view, const QModelIndex& index)
{
    const QRect cell = view.visualRect(index);
    return QPoint(cell.right() - 3, cell.center().y());
}

} // namespace

class TestResultTree : public QObject
{
    Q_OBJECT

private:
    // Loads the same solid icon for every extension and counts the calls.
    int IconLoads = 0;
    TPageImages::IconLoader CountingLoader(bool found)
    {
        return [this, found](const QString&) {
            ++IconLoads;
            QPixmap icon(16, 16);
            icon.fill(Qt::red);
            return found ? QIcon(icon) : QIcon();
        };
    }

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void modelPassesTheTesterThroughEveryChange()
    {
        TSampleTree tree;
        TPageImages images;
        TResultTreeModel model(images);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.rowCount(), 0);
        model.SetRoot(tree.Root.get(), false);
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.rowCount(model.IndexOf(tree.Root.get())), 0);
        model.SetRoot(tree.Root.get());
        QCOMPARE(model.rowCount(model.IndexOf(tree.Root.get())), 2);

        // Rows and indexes map onto each other, whatever the column.
        for (TResultRow* row : {tree.Root.get(), tree.Docs, tree.B, tree.C, tree.Top}) {
            const QModelIndex index = model.IndexOf(row, 8);
            QCOMPARE(model.RowOf(index), row);
            QCOMPARE(model.RowOf(model.parent(index)), row->Parent());
        }
        QCOMPARE(model.flags(model.IndexOf(tree.A)) & Qt::ItemNeverHasChildren,
                 Qt::ItemNeverHasChildren);

        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        model.RowChanged(tree.B);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed[0][0].toModelIndex(), model.IndexOf(tree.B, 0));
        QCOMPARE(changed[0][1].toModelIndex(), model.IndexOf(tree.B, 9));
        model.SubtreeChanged(tree.Docs);
        QCOMPARE(changed.size(), 3); // the rows of docs, then those of sub

        // A removed row takes its subtree along; the rows after it move up.
        QVERIFY(model.RemoveRow(tree.A));
        QCOMPARE(tree.Docs->ChildCount(), 2);
        QCOMPARE(model.IndexOf(tree.Sub).row(), 1);
        QCOMPARE(model.index(1, 0, model.IndexOf(tree.Docs)), model.IndexOf(tree.Sub));
        QVERIFY(model.RemoveRow(tree.Sub));
        QVERIFY(!model.RemoveRow(tree.Root.get()));
        QVERIFY(!model.RemoveRow(nullptr));
        QCOMPARE(tree.Docs->ChildCount(), 1);

        model.SetRoot(nullptr);
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), 10);
    }

    void headersPicturesAndColours()
    {
        TSampleTree tree;
        TPageImages images;
        TResultTreeModel model(images);
        model.SetRoot(tree.Root.get());

        const QStringList headers{u"Item"_s,    u"L Date"_s, u"L Size"_s,  u"RtoL Count"_s,
                                  u"L attri"_s, u"Direct"_s, u"R attri"_s, u"LtoR Count"_s,
                                  u"R Date"_s,  u"R Szie"_s};
        for (int column = 0; column < headers.size(); ++column)
            QCOMPARE(model.headerData(column, Qt::Horizontal).toString(), headers[column]);
        QCOMPARE(
            model.headerData(2, Qt::Horizontal, Qt::ToolTipRole).toString(),
            QStringLiteral("The size of files in the left folders, if the file doesn't exit in "
                           "the left folders, it will be displayed as \" not present\"."));
        QVERIFY(!model.headerData(5, Qt::Horizontal, Qt::ToolTipRole).isValid());

        // Texts: the root row shows no dates, a folder "folder", a file its values.
        QCOMPARE(model.IndexOf(tree.Root.get(), 1).data().toString(), QString());
        QCOMPARE(model.IndexOf(tree.Docs, 1).data().toString(), QStringLiteral("folder"));
        QCOMPARE(model.IndexOf(tree.A, 9).data().toString(), QStringLiteral("not present"));
        QCOMPARE(model.IndexOf(tree.B, 8).data().toString(), QStringLiteral("6 Mar 2024"));

        // Pictures of the Item, L attri, Direct and R attri cells; the hover look
        // is the picture before; 0 and -1 are none.
        const auto picture = [&](const TResultRow* row, int column) {
            return model.IndexOf(row, column).data(Qt::DecorationRole).value<QIcon>().cacheKey();
        };
        QCOMPARE(picture(tree.A, 0), images.Icon(RowImage::Document).cacheKey());
        QCOMPARE(picture(tree.A, 4), images.Icon(RowImage::CannotMove).cacheKey());
        QCOMPARE(picture(tree.A, 5), images.Icon(RowImage::CanMove).cacheKey());
        QCOMPARE(picture(tree.A, 6), images.Icon(RowImage::MovesRight).cacheKey());
        QVERIFY(!model.IndexOf(tree.A, 1).data(Qt::DecorationRole).isValid());
        tree.A->RightImage -= 1;
        QCOMPARE(picture(tree.A, 6), images.Icon(RowImage::MovesRight - 1).cacheKey());
        QVERIFY(images.Icon(RowImage::MovesRight - 1).cacheKey() !=
                images.Icon(RowImage::MovesRight).cacheKey());
        tree.Top->LeftImage = -1;
        QVERIFY(!model.IndexOf(tree.Top, 4).data(Qt::DecorationRole).isValid());
        QVERIFY(!model.IndexOf(tree.Top, 6).data(Qt::DecorationRole).isValid());

        // Backgrounds: white, light green, none for the pictures, light yellow.
        const QList<QColor> colours{QColor(255, 255, 255),
                                    QColor(240, 255, 240),
                                    QColor(240, 255, 240),
                                    QColor(240, 255, 240),
                                    QColor(),
                                    QColor(),
                                    QColor(),
                                    QColor(255, 255, 240),
                                    QColor(255, 255, 240),
                                    QColor(255, 255, 240)};
        for (int column = 0; column < colours.size(); ++column) {
            const QVariant background = model.IndexOf(tree.C, column).data(Qt::BackgroundRole);
            QCOMPARE(background.isValid(), colours[column].isValid());
            if (background.isValid())
                QCOMPARE(background.value<QBrush>().color(), colours[column]);
        }
    }

    void fileTypePictures()
    {
        TPageImages images(CountingLoader(true));
        IconLoads = 0;
        QCOMPARE(images.Count(), TPageImages::BuiltInCount);
        QCOMPARE(images.FileTypeImage(QStringLiteral("a.txt")), 25);
        QCOMPARE(images.FileTypeImage(QStringLiteral("other.txt")), 25);
        QCOMPARE(IconLoads, 1);
        // Extensions are compared exactly; a name without a dot is its own key,
        // and only the part after the last dot counts.
        QCOMPARE(images.FileTypeImage(QStringLiteral("A.TXT")), 26);
        QCOMPARE(images.FileTypeImage(QStringLiteral("Makefile")), 27);
        QCOMPARE(images.FileTypeImage(QStringLiteral("archive.tar.gz")), 28);
        QCOMPARE(images.FileTypeImage(QStringLiteral("b.txt")), 25);
        QCOMPARE(images.FileTypeExtensions(),
                 QStringList({u".txt"_s, u".TXT"_s, u"Makefile"_s, u".gz"_s}));

        // 75 file types fill the list; later types get the plain document and are
        // not looked up, known ones keep their pictures.
        for (int i = images.Count(); i < TPageImages::MaxCount; ++i)
            QCOMPARE(images.FileTypeImage(QStringLiteral("f.x%1").arg(i)), i);
        const int loads = IconLoads;
        QCOMPARE(images.FileTypeImage(QStringLiteral("one.more")), RowImage::Document);
        QCOMPARE(IconLoads, loads);
        QCOMPARE(images.FileTypeImage(QStringLiteral("A.TXT")), 26);
        QCOMPARE(images.Count(), TPageImages::MaxCount);
        QCOMPARE(images.FileTypeExtensions().size(), 75);
        QVERIFY(images.Icon(99).cacheKey() != images.Icon(98).cacheKey());
        QVERIFY(images.Icon(100).isNull());

        // A type without an icon gets the document, and is not looked up again
        // for the next file of that type.
        TPageImages without(CountingLoader(false));
        IconLoads = 0;
        QCOMPARE(without.FileTypeImage(QStringLiteral("a.odd")), RowImage::Document);
        QCOMPARE(without.FileTypeImage(QStringLiteral("b.odd")), RowImage::Document);
        QCOMPARE(IconLoads, 1);
        QVERIFY(without.FileTypeExtensions().isEmpty());
    }

    void fileTypeIconsComeFromTheTheme()
    {
        QTemporaryDir themes;
        QVERIFY(MakeTheme(themes.path(), {{u"text-plain"_s, QColor(Qt::blue)},
                                          {u"image-x-generic"_s, QColor(Qt::green)}}));
        const QStringList searchPaths = QIcon::themeSearchPaths();
        const QString themeName = QIcon::themeName();
        QIcon::setThemeSearchPaths({themes.path()});
        QIcon::setThemeName(QStringLiteral("brenvale-test"));

        const auto colour = [](const QIcon& icon) {
            return icon.pixmap(16, 16).toImage().pixelColor(8, 8);
        };
        // The type's own icon; else its generic one; else none.
        QCOMPARE(colour(TPageImages::LoadFileTypeIcon(QStringLiteral(".txt"))), QColor(Qt::blue));
        QCOMPARE(colour(TPageImages::LoadFileTypeIcon(QStringLiteral(" .png "))),
                 QColor(Qt::green));
        QVERIFY(TPageImages::LoadFileTypeIcon(QStringLiteral(".pdf")).isNull());
        QVERIFY(TPageImages::LoadFileTypeIcon(QStringLiteral(".no-such-type")).isNull());

        TPageImages images;
        QCOMPARE(images.FileTypeImage(QStringLiteral("notes.txt")), 25);
        QCOMPARE(images.FileTypeImage(QStringLiteral("paper.pdf")), RowImage::Document);
        QCOMPARE(images.Pixmap(25).toImage().pixelColor(8, 8), QColor(Qt::blue));

        QIcon::setThemeName(themeName);
        QIcon::setThemeSearchPaths(searchPaths);
    }

    void viewLooks()
    {
        TSampleTree tree;
        TPageImages images;
        TResultTreeModel model(images);
        model.SetRoot(tree.Root.get());
        TResultTreeView view;
        view.setModel(&model);
        view.resize(1100, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.ExpandAll();
        QVERIFY(view.isExpanded(model.IndexOf(tree.Sub)));

        QCOMPARE(view.objectName(), QStringLiteral("VST1"));
        const QList<int> widths{240, 115, 70, 80, 20, 20, 20, 80, 115, 70};
        for (int column = 0; column < widths.size(); ++column)
            QCOMPARE(view.header()->sectionSize(column), widths[column]);

        // The colour goes with its column when the user drags the column.
        QHeaderView* header = view.header();
        header->moveSection(header->visualIndex(7), 1);
        QCOMPARE(header->visualIndex(7), 1);
        const QModelIndex leftDate = model.IndexOf(tree.C, 1);
        const QModelIndex rightCount = model.IndexOf(tree.C, 7);
        QVERIFY(view.visualRect(rightCount).left() < view.visualRect(leftDate).left());
        QCOMPARE(PixelAt(view.viewport(), InsideCell(view, rightCount)), QColor(255, 255, 240));
        QCOMPARE(PixelAt(view.viewport(), InsideCell(view, leftDate)), QColor(240, 255, 240));

        // The selection shows only while the tree has the focus.
        view.activateWindow();
        view.setFocus();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        QTRY_VERIFY(view.hasFocus());
        view.setCurrentIndex(leftDate);
        const QColor green(240, 255, 240);
        // The indentation left of the Item cell, clear of the tree's lines.
        const QPoint indentation(view.header()->sectionViewportPosition(0) + 2,
                                 InsideCell(view, leftDate).y());
        QVERIFY(PixelAt(view.viewport(), InsideCell(view, leftDate)) != green);
        QVERIFY(PixelAt(view.viewport(), indentation) != QColor(Qt::white));
        view.clearFocus();
        QCOMPARE(PixelAt(view.viewport(), InsideCell(view, leftDate)), green);
        QCOMPARE(PixelAt(view.viewport(), indentation), QColor(Qt::white));
    }

    // A large tree is expanded over several turns, the rows shown first
    // first, down to the deepest folder; rows shown anew stop it.
    void expandingInSlices()
    {
        std::unique_ptr<TResultRow> root = MakeRootRow(QStringLiteral("Job"));
        std::vector<TResultRow*> deepest;
        for (int i = 0; i < 3000; ++i) {
            TResultRow* folder = AddFolderRow(*root, QStringLiteral("f%1").arg(i));
            AddFileRow(*folder, CompareState::LeftOnly, QStringLiteral("a"));
            deepest.push_back(AddFolderRow(*folder, QStringLiteral("sub")));
            AddFileRow(*deepest.back(), CompareState::LeftOnly, QStringLiteral("b"));
        }
        TSampleTree other;
        TPageImages images;
        TResultTreeModel model(images);
        TResultTreeView view;
        view.setModel(&model);
        view.resize(600, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        model.SetRoot(root.get());
        view.ExpandInSlices();
        QVERIFY(view.IsExpanding());
        QApplication::processEvents();
        QVERIFY(view.isExpanded(model.IndexOf(root->Child(0)->Child(1))));
        QTRY_VERIFY(!view.IsExpanding());
        for (TResultRow* folder : deepest)
            QVERIFY(view.isExpanded(model.IndexOf(folder)));
        // Every row is laid out: the last one is one below the rows above it.
        const QModelIndex last = model.IndexOf(deepest.back()->Child(0));
        QCOMPARE(view.visualRect(last).top() - view.visualRect(model.index(0, 0)).top(),
                 3000 * 4 * view.visualRect(last).height());

        view.ExpandInSlices();
        model.SetRoot(other.Root.get());
        QVERIFY(!view.IsExpanding());
        QApplication::processEvents();
        QVERIFY(!view.isExpanded(model.IndexOf(other.Docs)));
    }

    void pointerSignals()
    {
        TSampleTree tree;
        TPageImages images;
        TResultTreeModel model(images);
        model.SetRoot(tree.Root.get());
        TResultTreeView view;
        view.setModel(&model);
        view.resize(1100, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.ExpandAll();
        QWidget* viewport = view.viewport();
        const auto centre = [&](const TResultRow* row, int column) {
            return view.visualRect(model.IndexOf(row, column)).center();
        };

        QSignalSpy hovered(&view, &TResultTreeView::ImageCellHovered);
        QSignalSpy pressed(&view, &TResultTreeView::ImageCellPressed);
        QSignalSpy menu(&view, &TResultTreeView::ContextMenuRequested);

        // Column 4 is cell 1, 5 is 2, 6 is 3, wherever the row.
        for (const auto& [column, code] : {std::pair{4, 1}, {5, 2}, {6, 3}}) {
            QTest::mouseMove(viewport, centre(tree.B, column));
            QCOMPARE(hovered.last()[0].value<TResultRow*>(), tree.B);
            QCOMPARE(hovered.last()[1].toInt(), code);
            QCOMPARE(viewport->cursor().shape(), Qt::PointingHandCursor);
            QTest::mouseClick(viewport, Qt::LeftButton, {}, centre(tree.Docs, column));
            QCOMPARE(pressed.last()[0].value<TResultRow*>(), tree.Docs);
            QCOMPARE(pressed.last()[1].toInt(), code);
            QCOMPARE(pressed.last()[2].value<Qt::MouseButton>(), Qt::LeftButton);
        }
        QCOMPARE(pressed.size(), 3);
        QTest::mouseMove(viewport, centre(tree.B, 1));
        QCOMPARE(hovered.last()[0].value<TResultRow*>(), nullptr);
        QCOMPARE(hovered.last()[1].toInt(), 0);
        QCOMPARE(viewport->cursor().shape(), Qt::ArrowCursor);
        QTest::mouseClick(viewport, Qt::LeftButton, {}, centre(tree.B, 1));
        QCOMPARE(pressed.size(), 3);
        QVERIFY(menu.isEmpty());

        // A right click on a picture cell: the row is selected, the cell pressed,
        // and the menu asked for on release.
        QTest::mouseClick(viewport, Qt::RightButton, {}, centre(tree.C, 5));
        QCOMPARE(pressed.size(), 4);
        QCOMPARE(pressed.last()[0].value<TResultRow*>(), tree.C);
        QCOMPARE(pressed.last()[2].value<Qt::MouseButton>(), Qt::RightButton);
        QCOMPARE(model.RowOf(view.selectionModel()->selectedRows().value(0)), tree.C);
        QCOMPARE(menu.size(), 1);
        QCOMPARE(menu.last()[0].value<TResultRow*>(), tree.C);
        QCOMPARE(menu.last()[1].toPoint(), viewport->mapToGlobal(centre(tree.C, 5)));
        // Elsewhere in a row: only the menu, for that row.
        QTest::mouseClick(viewport, Qt::RightButton, {}, centre(tree.Top, 8));
        QCOMPARE(pressed.size(), 4);
        QCOMPARE(menu.last()[0].value<TResultRow*>(), tree.Top);
    }

    void accessibleCells()
    {
        TSampleTree tree;
        TPageImages images;
        TResultTreeModel model(images);
        model.SetRoot(tree.Root.get());
        TResultTreeView view;
        view.setModel(&model);
        view.show();
        view.ExpandAll();

        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&view);
        QVERIFY(accessible != nullptr);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Result tree"));
        QAccessibleTableInterface* table = accessible->tableInterface();
        QVERIFY(table != nullptr);
        QCOMPARE(table->columnCount(), 10);
        QCOMPARE(table->rowCount(), 7);
        // Row 2 is a.txt, below the root row and docs.
        const auto cell = [&](int row, int column) {
            QAccessibleInterface* item = table->cellAt(row, column);
            return item != nullptr ? item->text(QAccessible::Name) : QStringLiteral("(none)");
        };
        QCOMPARE(cell(0, 0), QStringLiteral("Job"));
        QCOMPARE(cell(1, 8), QStringLiteral("folder"));
        QCOMPARE(cell(2, 0), QStringLiteral("a.txt"));
        QCOMPARE(cell(2, 2), QStringLiteral("2,048"));
        QCOMPARE(cell(2, 4), QStringLiteral("cannot move"));
        QCOMPARE(cell(2, 6), QStringLiteral("moves to the right"));
        QCOMPARE(cell(6, 5), QStringLiteral("same content"));
        QCOMPARE(cell(6, 4), QStringLiteral("no picture"));
    }

    void legend()
    {
        TPageImages images;
        TResultLegend panel(images);
        QCOMPARE(panel.objectName(), QStringLiteral("Panel8"));
        QCOMPARE(panel.height(), 22);
        const QList<QPair<int, QString>> labels{{48, u"Move To Left(Right) "_s},
                                                {192, u"Can Move To Left(Right)"_s},
                                                {338, u"Can't Move To Left(Right)"_s},
                                                {484, u"Don't Move"_s},
                                                {560, u"Can Move"_s},
                                                {634, u"The Same Comtent"_s}};
        const QList<int> pictures{12, 30, 150, 168, 320, 467, 544, 615};
        QList<QPair<int, QString>> texts;
        QList<int> pictureXs;
        for (const QLabel* label : panel.findChildren<QLabel*>()) {
            QVERIFY(!label->accessibleName().isEmpty());
            if (label->pixmap().isNull()) {
                QCOMPARE(label->accessibleName(), label->text());
                texts.append({label->x(), label->text()});
            } else {
                pictureXs.append(label->x());
            }
        }
        QCOMPARE(texts, labels);
        QCOMPARE(pictureXs, pictures);
    }
};

QTEST_MAIN(TestResultTree)
#include "tst_resulttree.moc"
