#include "TreeBuilder.h"
#include "jobs/UTFolderSource.h"
#include "ui/shell/FAbout.h"
#include "ui/shell/StartUnit.h"
#include "ui/shell/UChooseRoForm.h"
#include "ui/skin/ImageEx.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

namespace {

// Opens the dialog modally and runs the action once it is shown.
template <typename Action> int RunModal(QDialog& dialog, Action action)
{
    QTimer::singleShot(0, &dialog, [&] {
        action();
        if (dialog.isVisible())
            dialog.reject();
    });
    return dialog.exec();
}

} // namespace

class TestWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void chooserOkStoresTheAddress()
    {
        QTemporaryDir dir;
        TFolderSource side;
        side.DeviceType = 1;
        side.FolerAllName = dir.path();
        TChooseRoForm chooser;
        chooser.Source = &side;
        QString shown;
        RunModal(chooser, [&] {
            shown = chooser.Edit_Address->text();
            chooser.Edit_Address->setText(QStringLiteral("/typed/and/unchecked"));
            chooser.OkButtonClick();
        });
        QCOMPARE(shown, dir.path());
        QVERIFY(chooser.Chosen);
        QCOMPARE(side.FolerAllName, QStringLiteral("/typed/and/unchecked"));
        QCOMPARE(side.DeviceType, 1);
    }

    void chooserOpensOnTheSidesFolder()
    {
        QTemporaryDir dir;
        TreeBuilder(dir.path()).folder(QStringLiteral("deep/er"));
        TFolderSource side;
        side.DeviceType = 1;
        side.FolerAllName = dir.path() + QStringLiteral("/deep/er");
        TChooseRoForm chooser;
        chooser.Source = &side;
        QString selected;
        RunModal(chooser, [&] {
            auto* model = static_cast<QFileSystemModel*>(chooser.strv1->model());
            selected = model->filePath(chooser.strv1->currentIndex());
        });
        QCOMPARE(selected, side.FolerAllName);
        QVERIFY(!chooser.Chosen);
    }

    void chooserCancelChangesNothing()
    {
        TFolderSource side;
        side.DeviceType = 1;
        side.FolerAllName = QStringLiteral("/no/longer/there");
        TChooseRoForm chooser;
        chooser.Source = &side;
        QString shown = QStringLiteral("unset");
        const int result = RunModal(chooser, [&] {
            shown = chooser.Edit_Address->text();
            chooser.Edit_Address->setText(QStringLiteral("/tmp"));
            QTest::mouseClick(chooser.CancelButton, Qt::LeftButton);
        });
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(shown.isEmpty());
        QVERIFY(!chooser.Chosen);
        QCOMPARE(side.FolerAllName, QStringLiteral("/no/longer/there"));
    }

    void makeFolder()
    {
        QTemporaryDir dir;
        TFolderSource side;
        side.DeviceType = 1;
        side.FolerAllName = dir.path();
        TChooseRoForm chooser;
        chooser.Source = &side;
        QStringList asked, told;
        QString answer;
        chooser.AskFolderName = [&](const QString& caption, const QString& prompt) {
            asked << caption << prompt;
            return std::optional<QString>(answer);
        };
        chooser.ShowMessage = [&](const QString& text) { told << text; };
        RunModal(chooser, [&] {
            chooser.Edit_Address->setText(dir.path() + QStringLiteral("/"));
            answer = QStringLiteral("new one");
            chooser.MakeFolderButtonClick();
            QCOMPARE(chooser.Edit_Address->text(), dir.path() + QStringLiteral("/new one"));
            chooser.Edit_Address->setText(dir.path());
            answer = QStringLiteral("bad:name");
            chooser.MakeFolderButtonClick();
            answer = QStringLiteral("   ");
            chooser.MakeFolderButtonClick();
            chooser.Edit_Address->setText(QStringLiteral("  "));
            chooser.MakeFolderButtonClick();
            chooser.CancelButtonClick();
        });
        QVERIFY(QFileInfo(dir.path() + QStringLiteral("/new one")).isDir());
        QCOMPARE(asked.at(0), QStringLiteral("Enter New Folder Name"));
        QCOMPARE(asked.at(1),
                 QStringLiteral("Create a new folder \n\n") + dir.path() + QStringLiteral("/"));
        QCOMPARE(told, (QStringList{
                           QStringLiteral("The name you entered does not meet the requirement!!"),
                           QStringLiteral("Please choose the parent folder first.")}));
        // Only the one folder was made, and the cancelled dialog left the side alone.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("new one")});
        QCOMPARE(side.FolerAllName, dir.path());
    }

    void aboutBoxClosesByItsButtons()
    {
        TAboutBox about;
        QCOMPARE(about.size(), QSize(490, 349));
        QCOMPARE(RunModal(about, [&] { QTest::mouseClick(about.OKButton, Qt::LeftButton); }),
                 int(QDialog::Accepted));
        TAboutBox again;
        QCOMPARE(RunModal(again, [&] { QTest::mouseClick(again.SMCLoseBtn, Qt::LeftButton); }),
                 int(QDialog::Rejected));
        QVERIFY(!again.isVisible());
    }

    void splashIsBorderlessAndOnTop()
    {
        TStartForm splash;
        splash.ShowNow();
        QCOMPARE(splash.size(), QSize(450, 250));
        QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(splash.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(splash.isVisible());
        QVERIFY(!splash.Image1->pixmap().isNull());
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
