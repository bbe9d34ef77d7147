#include "jobs/UTFolderSource.h"
#include "ui/kit/UChooseRoForm.h"
#include "ui/skin/ImageExButton.h"

#include "AccessibleFace.h"
#include "ScriptedDialogs.h"
#include "TreeBuilder.h"

#include <QApplication>
#include <QDir>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <memory>
#include <optional>

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

const QString InvalidName = QStringLiteral("The name you entered does not meet the requirement!!");
const QString NoParent = QStringLiteral("Please choose the parent folder first.");

QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

class TestChooseFolder : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> Temp;
    QString Root;
    TFolderSource Side;
    std::unique_ptr<TChooseRoForm> Form;
    std::unique_ptr<TScriptedDialogs> Dialogs;

    QList<ModalDialogs::TRequest> Questions() const
    {
        return Dialogs->Of(ModalDialogs::TKind::Text);
    }
    QList<ModalDialogs::TRequest> Messages() const
    {
        return Dialogs->Of(ModalDialogs::TKind::Message);
    }

    void OpenOn(const QString& folder)
    {
        Side.DeviceType = SideDevice::LocalFolder;
        Side.FolerAllName = folder;
        Form = std::make_unique<TChooseRoForm>();
        Form->Source = &Side;
        Form->show();
    }

    void Press(QWidget* button) { QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(3, 3)); }

    QString TreePath() const { return Form->FolderModel->filePath(Form->strv1->currentIndex()); }

    // The input box answers `name`; no name: the user cancels it.
    void MakeFolder(const QString& address, const std::optional<QString>& name)
    {
        Form->Edit_Address->setText(address);
        if (name)
            Dialogs->Answer(*name);
        else
            Dialogs->Cancel();
        Press(Form->MakeFolderButton);
    }

private Q_SLOTS:
    void init()
    {
        Temp = std::make_unique<QTemporaryDir>();
        QVERIFY(Temp->isValid());
        Root = Temp->path();
        Side = TFolderSource();
        Dialogs = std::make_unique<TScriptedDialogs>();
    }

    void cleanup()
    {
        Form.reset();
        Dialogs.reset();
        Temp.reset();
    }

    void opensOnTheSidesFolder_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::newRow("plain") << QString();
        QTest::newRow("trailing separator") << QStringLiteral("/");
    }

    void opensOnTheSidesFolder()
    {
        QFETCH(QString, suffix);
        TreeBuilder tree(Root);
        QVERIFY(tree.folder(QStringLiteral("photos/2024")));
        const QString folder = tree.path(QStringLiteral("photos/2024"));

        OpenOn(folder + suffix);
        QVERIFY(!Form->Chosen);
        QCOMPARE(Form->Edit_Address->text(), folder + suffix);
        QCOMPARE(TreePath(), folder);
        QCOMPARE(Form->focusWidget(), static_cast<QWidget*>(Form->strv1));
        QVERIFY(
            Form->strv1->isExpanded(Form->FolderModel->index(tree.path(QStringLiteral("photos")))));
    }

    void missingFolderLeavesTheTreeAlone()
    {
        OpenOn(Root + QStringLiteral("/gone"));
        QVERIFY(Form->Edit_Address->text().isEmpty());
        QVERIFY(!Form->strv1->currentIndex().isValid());
        // OK stores whatever the address field then holds.
        Press(Form->OkButton);
        QVERIFY(Form->Chosen);
        QCOMPARE(Side.FolerAllName, QString());
    }

    void selectingAFolderFillsTheAddress()
    {
        OpenOn(QString());
        TreeBuilder tree(Root);
        QVERIFY(tree.folder(QStringLiteral("music")));
        Form->strv1->setCurrentIndex(Form->FolderModel->index(tree.path(QStringLiteral("music"))));
        QCOMPARE(Form->Edit_Address->text(), tree.path(QStringLiteral("music")));
    }

    void okStoresTheAddressAsTyped()
    {
        OpenOn(Root);
        Side.DeviceType = SideDevice::LocalFolder;
        Form->Edit_Address->setText(QStringLiteral(" /no/such/place/ "));
        Press(Form->OkButton);
        QVERIFY(Form->Chosen);
        QCOMPARE(Form->result(), int(QDialog::Accepted));
        QVERIFY(!Form->isVisible());
        QCOMPARE(Side.FolerAllName, QStringLiteral(" /no/such/place/ "));
        QCOMPARE(Side.DeviceType, SideDevice::LocalFolder);
    }

    void buttonsAreReadAndReachedByTab()
    {
        OpenOn(QString());
        Form->MakeFolderButton->setEnabled(false);
        QCOMPARE(AccessibleFaces({Form->MakeFolderButton, Form->OkButton, Form->CancelButton,
                                  Form->SMCLoseBtn}),
                 QStringList({QStringLiteral("Button 'Make New Folder' [Press] focusable disabled"),
                              QStringLiteral("Button 'OK' [Press,SetFocus] focusable"),
                              QStringLiteral("Button 'Cancel' [Press,SetFocus] focusable"),
                              QStringLiteral("Button 'Close' [Press,SetFocus] focusable")}));
        Form->MakeFolderButton->setEnabled(true);
        QCOMPARE(AccessibleFace(Form.get()), QStringLiteral("Dialog 'Choose a folder' []"));
        QCOMPARE(TabOrder(Form.get()),
                 QStringList({QStringLiteral("Edit_Address"), QStringLiteral("strv1"),
                              QStringLiteral("MakeFolderButton"), QStringLiteral("OkButton"),
                              QStringLiteral("CancelButton"), QStringLiteral("SMCLoseBtn")}));
    }

    // Typed, then Tab into the tree (which makes its first folder current), then
    // Enter: the typed path is chosen. Tab on to OK and Space choose it as well.
    void typedAddressSurvivesTabAndEnterConfirms_data()
    {
        QTest::addColumn<bool>("byEnter");
        QTest::newRow("Enter in the tree") << true;
        QTest::newRow("Space on OK") << false;
    }
    void typedAddressSurvivesTabAndEnterConfirms()
    {
        QFETCH(bool, byEnter);
        TreeBuilder tree(Root);
        QVERIFY(tree.folder(QStringLiteral("typed")));
        const QString typed = tree.path(QStringLiteral("typed"));
        OpenOn(QString());
        QApplication::setActiveWindow(Form.get());
        QVERIFY(QTest::qWaitForWindowActive(Form.get()));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Form->Edit_Address));
        QTest::keyClicks(Form->Edit_Address, typed);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Form->strv1));
        QCOMPARE(Form->Edit_Address->text(), typed);
        if (!byEnter) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Form->OkButton));
        }
        QTest::keyClick(QApplication::focusWidget(), byEnter ? Qt::Key_Return : Qt::Key_Space);
        QVERIFY(Form->Chosen);
        QVERIFY(!Form->isVisible());
        QCOMPARE(Side.FolerAllName, typed);
    }

    void showingAgainClearsChosen()
    {
        OpenOn(Root);
        Press(Form->OkButton);
        QVERIFY(Form->Chosen);
        Form->show();
        QVERIFY(!Form->Chosen);
    }

    void cancelAndCloseLeaveTheSide_data()
    {
        QTest::addColumn<QString>("control");
        QTest::newRow("Cancel") << QStringLiteral("CancelButton");
        QTest::newRow("close picture") << QStringLiteral("SMCLoseBtn");
    }

    void cancelAndCloseLeaveTheSide()
    {
        QFETCH(QString, control);
        OpenOn(Root);
        Form->Edit_Address->setText(QStringLiteral("/elsewhere"));
        auto* button = Form->findChild<TImageEx*>(control);
        QVERIFY(button);
        Press(button);
        QVERIFY(!Form->Chosen);
        QCOMPARE(Form->result(), int(QDialog::Rejected));
        QVERIFY(!Form->isVisible());
        QCOMPARE(Side.FolerAllName, Root);
    }

    void makeFolderCreatesItBelowTheAddress_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("created");
        QTest::newRow("plain") << QStringLiteral("%1") << QStringLiteral("data")
                               << QStringLiteral("%1/data");
        QTest::newRow("parent ends with separator")
            << QStringLiteral("%1/") << QStringLiteral("data") << QStringLiteral("%1/data");
        QTest::newRow("blanks around the address")
            << QStringLiteral("  %1  ") << QStringLiteral("data") << QStringLiteral("%1/data");
        QTest::newRow("name kept as typed") << QStringLiteral("%1") << QStringLiteral(" my data ")
                                            << QStringLiteral("%1/ my data ");
        QTest::newRow("missing parents made too")
            << QStringLiteral("%1/a/b") << QStringLiteral("data") << QStringLiteral("%1/a/b/data");
        QTest::newRow("double quote allowed")
            << QStringLiteral("%1") << QStringLiteral("say \"hi\"")
            << QStringLiteral("%1/say \"hi\"");
    }

    void makeFolderCreatesItBelowTheAddress()
    {
        QFETCH(QString, address);
        QFETCH(QString, name);
        QFETCH(QString, created);
        OpenOn(Root);
        MakeFolder(address.arg(Root), name);

        const QString path = created.arg(Root);
        QVERIFY2(QFileInfo(path).isDir(), qPrintable(path));
        QVERIFY(Messages().isEmpty());
        QCOMPARE(Questions().size(), 1);
        QCOMPARE(Questions().at(0).Caption, QStringLiteral("Enter New Folder Name"));
        QCOMPARE(Questions().at(0).Text,
                 QStringLiteral("Create a new folder \n\n") + address.arg(Root).trimmed());
        QCOMPARE(Form->Edit_Address->text(), path);
        QCOMPARE(TreePath(), path);
        // Making a folder chooses nothing yet.
        QCOMPARE(Side.FolerAllName, Root);
    }

    void invalidNamesAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* name : {"a:b", "a/b", "a\\b", "a|b", "what?", "a*", "<a>", ".", ".."})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void invalidNamesAreRefused()
    {
        QFETCH(QString, name);
        TreeBuilder tree(Root);
        QVERIFY(tree.folder(QStringLiteral("parent")));
        const QString parent = tree.path(QStringLiteral("parent"));
        OpenOn(parent);
        MakeFolder(parent, name);
        QCOMPARE(Messages().size(), 1);
        QCOMPARE(Messages().at(0).Text, InvalidName);
        QCOMPARE(Messages().at(0).Icon, QMessageBox::Information);
        QVERIFY(Entries(parent).isEmpty());
        QCOMPARE(Entries(Root), QStringList{QStringLiteral("parent")});
        QCOMPARE(Form->Edit_Address->text(), parent);
    }

    void blankOrCancelledNameCreatesNothing_data()
    {
        QTest::addColumn<std::optional<QString>>("answer");
        QTest::newRow("empty") << std::optional<QString>(QString());
        QTest::newRow("blanks") << std::optional<QString>(QStringLiteral("   "));
        QTest::newRow("cancelled") << std::optional<QString>();
    }

    void blankOrCancelledNameCreatesNothing()
    {
        QFETCH(std::optional<QString>, answer);
        OpenOn(Root);
        MakeFolder(Root, answer);
        QCOMPARE(Questions().size(), 1);
        QVERIFY(Messages().isEmpty());
        QVERIFY(Entries(Root).isEmpty());
        QCOMPARE(Form->Edit_Address->text(), Root);
    }

    void makeFolderNeedsAnAbsoluteParent_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks") << QStringLiteral("   ");
        QTest::newRow("relative") << QStringLiteral("relative/dir");
    }

    void makeFolderNeedsAnAbsoluteParent()
    {
        QFETCH(QString, address);
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(Root));
        OpenOn(QString());
        MakeFolder(address, QStringLiteral("data"));
        QVERIFY(QDir::setCurrent(previous));

        QVERIFY(Questions().isEmpty());
        QCOMPARE(Messages().size(), 1);
        QCOMPARE(Messages().at(0).Text, NoParent);
        QCOMPARE(Messages().at(0).Caption, QStringLiteral("Brenvale"));
        QVERIFY(Entries(Root).isEmpty());
    }

    void folderThatCannotBeMadeIsReported()
    {
        TreeBuilder tree(Root);
        QVERIFY(tree.file(QStringLiteral("notes.txt"), "text"));
        const QString file = tree.path(QStringLiteral("notes.txt"));
        OpenOn(Root);
        MakeFolder(file, QStringLiteral("data"));
        QCOMPARE(Messages().size(), 1);
        QCOMPARE(Messages().at(0).Icon, QMessageBox::Warning);
        QVERIFY2(Messages().at(0).Text.contains(file + QStringLiteral("/data")),
                 qPrintable(Messages().at(0).Text));
        QCOMPARE(Form->Edit_Address->text(), file);
        QCOMPARE(tree.read(QStringLiteral("notes.txt")), QByteArray("text"));
    }

    void cancelAfterMakingAFolderKeepsIt()
    {
        OpenOn(Root);
        MakeFolder(Root, QStringLiteral("kept"));
        Press(Form->CancelButton);
        QVERIFY(QFileInfo(Root + QStringLiteral("/kept")).isDir());
        QCOMPARE(Side.FolerAllName, Root);
        QVERIFY(!Form->Chosen);
    }

    void okAfterMakingAFolderChoosesIt()
    {
        OpenOn(Root);
        MakeFolder(Root, QStringLiteral("new"));
        Press(Form->OkButton);
        QCOMPARE(Side.FolerAllName, Root + QStringLiteral("/new"));
        QVERIFY(Form->Chosen);
    }

    void browseIgnoresSidesThatAreNoFolders()
    {
        TFolderSource side;
        side.DeviceType = 2;
        side.FolerAllName = QStringLiteral("ftp://example");
        QVERIFY(!TChooseRoForm::Browse(side));
        QCOMPARE(side.FolerAllName, QStringLiteral("ftp://example"));
        QCOMPARE(side.DeviceType, 2);
        for (QWidget* window : QApplication::topLevelWidgets())
            QVERIFY(!window->isVisible());
    }

    void treeListsFoldersFromTheRoot()
    {
        TreeBuilder tree(Root);
        QVERIFY(tree.file(QStringLiteral("notes.txt"), "text"));
        QVERIFY(tree.folder(QStringLiteral(".hidden")));
        OpenOn(Root);
        QCOMPARE(Form->FolderModel->filePath(Form->FolderModel->index(0, 0, QModelIndex())),
                 QStringLiteral("/"));
        // Below a folder only its folders are listed, hidden ones included.
        const QModelIndex folder = Form->FolderModel->index(Root);
        Form->FolderModel->fetchMore(folder);
        QTRY_COMPARE(Form->FolderModel->rowCount(folder), 1);
        QCOMPARE(Form->FolderModel->fileName(Form->FolderModel->index(0, 0, folder)),
                 QStringLiteral(".hidden"));
        QCOMPARE(Form->Image2->Picture().size(), QSize(640, 440));
    }
};

QTEST_MAIN(TestChooseFolder)
#include "tst_choosefolder.moc"
