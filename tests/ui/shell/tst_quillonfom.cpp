#include "KeyboardUser.h"
#include "ScriptedDialogs.h"
#include "SkinTestHelpers.h"
#include "TreeBuilder.h"
#include "common/DataFolder.h"
#include "common/PublicFunctionUnit.h"
#include "jobs/TaskListFile.h"
#include "jobs/UTSyncTask.h"
#include "ui/editor/UCreatTaskForm.h"
#include "ui/kit/DesktopOpener.h"
#include "ui/page/UQuillonMain.h"
#include "ui/shell/UQuillonFom.h"
#include "ui/skin/ImageExButton.h"
#include "ui/skin/SkinResourceUnit.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <memory>

namespace {

bool Shows(const TImageEx* picture, const char* resource)
{
    return SameImage(picture->Picture(), LoadJpgPicture(QString::fromLatin1(resource)));
}

void Wheel(QWidget* over, int angle)
{
    const QPointF at(5, 5);
    QWheelEvent wheel(at, over->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(over, &wheel);
}

QAccessibleInterface* Accessible(QWidget* widget)
{
    return QAccessible::queryAccessibleInterface(widget);
}

// The entries of a menu as "name=caption", separators as "-".
QStringList Entries(const QMenu* menu)
{
    QStringList entries;
    for (const QAction* action : menu->actions())
        entries.append(action->isSeparator()
                           ? QStringLiteral("-")
                           : action->objectName() + QLatin1Char('=') + action->text());
    return entries;
}

// Plays the user of the job editor that a command is about to open modally.
template <typename TFill> void WhenEditorOpens(TFill fill)
{
    QTimer::singleShot(0, [fill] {
        if (auto* form = qobject_cast<TCreatTaskForm*>(QApplication::activeModalWidget()))
            fill(*form);
    });
}

QStringList JobNames()
{
    QStringList names;
    for (int i = 0; i < SyncTaskList->Count(); ++i)
        names.append(SyncTaskList->TaskByIndex(i)->SyncName);
    return names;
}

} // namespace

class TestQuillonFom : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Home;
    QTemporaryDir Left;
    QTemporaryDir Right;
    std::unique_ptr<TQuillonFom> Window;

    // The main window over a job list of these names, shown.
    TQuillonFom& Open(const QStringList& names)
    {
        CreateTaskList();
        for (const QString& name : names)
            SyncTaskList->AddToList(NewLocalJob(name, Left.path(), Right.path()));
        Window = std::make_unique<TQuillonFom>();
        Window->show();
        return *Window;
    }

    TImageEx* Tab(int i) const { return Window->JobTabs.at(i).Picture; }
    QLabel* Caption(int i) const { return Window->JobTabs.at(i).Caption; }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("BRENVALE_HOME", Home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (Home.path() + QStringLiteral("/config")).toUtf8());
    }

    void cleanup() { Window.reset(); }

    void threeJobsGiveThreeTabsAndShowTheFirstJob()
    {
        TQuillonFom& window = Open({QStringLiteral("Photos"), QStringLiteral("Mail"),
                                    QStringLiteral("A much longer name of a job")});
        QCOMPARE(window.size(), TQuillonFom::DesignSize);
        QCOMPARE(window.JobTabs.size(), 3);
        QCOMPARE(window.Notebook1->count(), 4);
        QCOMPARE(window.PageCaption(0), QStringLiteral("Default"));
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(Tab(i)->geometry(), QRect(126 * i, 0, 126, 28));
            QVERIFY(Shows(Tab(i), i == 0 ? "ieb2" : "ieb1"));
            // Each caption is centred on its tab, a long one beyond it.
            QVERIFY(qAbs(Caption(i)->geometry().center().x() - Tab(i)->geometry().center().x()) <=
                    1);
            QCOMPARE(Caption(i)->y(), 10);
            QCOMPARE(window.JobTabs.at(i).Page->Job(), SyncTaskList->TaskByIndex(i));
            QCOMPARE(window.PageCaption(i + 1), window.JobTabs.at(i).Name);
        }
        QVERIFY(Caption(2)->width() > 126);
        QCOMPARE(window.Pl_jobs->width(), 378);
        QCOMPARE(window.NextTabLeft, 378);
        QCOMPARE(window.TabsCreated, 3);
        QCOMPARE(window.CurrentTab, Tab(0));
        QCOMPARE(window.CurrentJobIndex(), 0);
        QVERIFY(window.Notebook1->currentWidget()->isAncestorOf(window.JobTabs.at(0).Page));
        QVERIFY(!window.MoveRightButton->isVisible());
        const QString hint = QStringLiteral(
            "The Job name you set up. Click on the job name, it will become the current\njob you "
            "are working. Click on the left button like a \"+\", you can add a new\njob, or go "
            "to the \"Job\" menu to add one.");
        QCOMPARE(Tab(1)->toolTip(), hint);
        QCOMPARE(Caption(1)->toolTip(), hint);
    }

    void withoutJobsTheDefaultPageShows()
    {
        TQuillonFom& window = Open({});
        QVERIFY(window.JobTabs.isEmpty());
        QCOMPARE(window.CurrentTab, nullptr);
        QCOMPARE(window.Notebook1->currentIndex(), 0);
        QCOMPARE(window.CurrentJobIndex(), -1);
        // Not a blank page: it says how to make the first job.
        auto* hint = window.Notebook1->currentWidget()->findChild<QLabel*>();
        QVERIFY(hint != nullptr && hint->isVisible());
        QVERIFY(hint->text().contains(QStringLiteral("add new job")));
    }

    void tabsAreSelectedByPictureCaptionKeyAndScreenReader()
    {
        TQuillonFom& window =
            Open({QStringLiteral("Photos"), QStringLiteral("Mail"), QStringLiteral("Music")});
        QTest::mouseClick(Tab(1), Qt::LeftButton);
        QCOMPARE(window.CurrentTab, Tab(1));
        QCOMPARE(window.Notebook1->currentIndex(), 2);
        QVERIFY(Shows(Tab(1), "ieb2"));
        QVERIFY(Shows(Tab(0), "ieb1"));

        QTest::mouseClick(Caption(2), Qt::LeftButton);
        QCOMPARE(window.CurrentTab, Tab(2));
        QCOMPARE(window.Notebook1->currentIndex(), 3);
        QVERIFY(Shows(Tab(1), "ieb1"));

        // The current tab again changes nothing.
        QTest::mouseClick(Caption(2), Qt::LeftButton);
        QCOMPARE(window.Notebook1->currentIndex(), 3);
        QVERIFY(Shows(Tab(2), "ieb2"));

        QAccessibleInterface* first = Accessible(Tab(0));
        QCOMPARE(first->role(), QAccessible::PageTab);
        QCOMPARE(first->text(QAccessible::Name), QStringLiteral("Photos"));
        QVERIFY(!first->state().selected);
        // The press returns before the click, which follows from the event loop.
        first->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(window.Notebook1->currentIndex(), 3);
        QTRY_COMPARE(window.Notebook1->currentIndex(), 1);
        QVERIFY(first->state().selected);

        QVERIFY(Tab(1)->focusPolicy() & Qt::TabFocus);
        QTest::keyClick(Tab(1), Qt::Key_Space);
        QCOMPARE(window.CurrentTab, Tab(1));
    }

    void jobsOfOneNameShowTheFirstPage()
    {
        TQuillonFom& window =
            Open({QStringLiteral("Twin"), QStringLiteral("Other"), QStringLiteral("Twin")});
        QTest::mouseClick(Tab(2), Qt::LeftButton);
        QCOMPARE(window.CurrentTab, Tab(2));
        QCOMPARE(window.Notebook1->currentIndex(), 1);
        QTest::mouseClick(Tab(1), Qt::LeftButton);
        QTest::mouseClick(Caption(0), Qt::LeftButton);
        QCOMPARE(window.Notebook1->currentIndex(), 1);
        // A name that no page has changes nothing.
        window.ShowPageByName(QStringLiteral("twin"));
        QCOMPARE(window.Notebook1->currentIndex(), 1);
    }

    void tabsBeyondTheRowScrollIntoView()
    {
        QStringList names;
        for (int i = 0; i < 12; ++i)
            names.append(QStringLiteral("Job %1").arg(i));
        TQuillonFom& window = Open(names);
        const int visible = window.panel_tab->width() - window.Image1->width();
        QCOMPARE(window.Pl_jobs->width(), 12 * 126);
        QVERIFY(window.MoveRightButton->isVisible() && window.moveLeftButton->isVisible());

        QTest::mouseClick(window.MoveRightButton, Qt::LeftButton);
        QCOMPARE(window.Pl_jobs->x(), -126);
        Wheel(Tab(3), -120);
        QCOMPARE(window.Pl_jobs->x(), -252);
        Wheel(window.bt_addtask, 120);
        QCOMPARE(window.Pl_jobs->x(), -126);
        QTest::mouseClick(window.moveLeftButton, Qt::LeftButton);
        QTest::mouseClick(window.moveLeftButton, Qt::LeftButton);
        QCOMPARE(window.Pl_jobs->x(), 0);
        window.ScrollTabs(100);
        QCOMPARE(window.Pl_jobs->x(), visible - 12 * 126);

        // A tab chosen out of sight comes into sight.
        window.SelectTab(Tab(1));
        QCOMPARE(window.Pl_jobs->x(), -126);
        Accessible(Tab(11))->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(window.CurrentJobIndex(), 11);
        QCOMPARE(window.Pl_jobs->x(), visible - 12 * 126);

        // Wide enough for every tab: no arrows and no gap at the right.
        window.resize(1800, 700);
        QCOMPARE(window.Pl_jobs->x(), 0);
        QVERIFY(!window.MoveRightButton->isVisible());
    }

    void maximiseFillsTheScreenAndRestoreCentresTheNormalSize()
    {
        TQuillonFom& window = Open({QStringLiteral("Photos")});
        const QRect full = window.screen()->geometry();
        const QRect available = window.screen()->availableGeometry();

        QTest::mouseClick(window.BigBtn, Qt::LeftButton);
        QVERIFY(window.IsMaximized());
        QCOMPARE(window.geometry(), QRect(full.x(), full.y(), full.width(),
                                          full.height() - (full.height() - available.height())));
        QCOMPARE(window.CloseBtn->x(), window.width() - 28);
        QCOMPARE(window.moveLeftButton->x(), 863);
        // Maximised, the button keeps its picture under the pointer.
        SendEnter(window.BigBtn);
        const QPixmap kept = window.BigBtn->Picture();
        SendLeave(window.BigBtn);
        QVERIFY(SameImage(window.BigBtn->Picture(), kept));

        QTest::mouseClick(window.BigBtn, Qt::LeftButton);
        QVERIFY(!window.IsMaximized());
        QCOMPARE(window.geometry(), QRect(full.x() + (full.width() - 1004) / 2,
                                          full.y() + (full.height() - 743) / 2, 1004, 743));
        QCOMPARE(window.jobbutton->x(), 1004 - 892 + 512);
        SendLeave(window.BigBtn);
        QVERIFY(Shows(window.BigBtn, "BigBtn1"));
    }

    void headerControlsShowTheirHoverPictures()
    {
        TQuillonFom& window = Open({});
        for (const char* name : {"jobbutton", "actionbutton", "viewbutton", "toolsbutton",
                                 "HelpButton", "MinBtn", "BigBtn", "CloseBtn", "bt_addtask"}) {
            auto* control = window.findChild<TImageEx*>(QString::fromLatin1(name));
            QVERIFY2(control, name);
            QVERIFY2(Shows(control, qPrintable(QString::fromLatin1(name) + QLatin1Char('1'))),
                     name);
            SendEnter(control);
            QVERIFY2(Shows(control, qPrintable(QString::fromLatin1(name) + QLatin1Char('2'))),
                     name);
            SendLeave(control);
            QVERIFY2(Shows(control, qPrintable(QString::fromLatin1(name) + QLatin1Char('1'))),
                     name);
        }
    }

    void menuButtonsOpenTheirMenusBelowThemselves()
    {
        TQuillonFom& window = Open({});
        window.move(0, 0);
        const std::pair<TImageExButton*, QMenu*> opens[] = {
            {window.jobbutton, window.JobMenu},
            {window.actionbutton, window.ActionMenu},
            {window.viewbutton, window.ViewMenu},
            {window.toolsbutton, window.ToolsMenu},
            {window.HelpButton, window.HelpMenu}};
        for (const auto& [button, menu] : opens) {
            SendEnter(button);
            QTest::mouseClick(button, Qt::LeftButton);
            QVERIFY(menu->isVisible());
            const QPoint below = button->mapToGlobal(QPoint(0, button->height()));
            QCOMPARE(menu->y(), below.y());
            // Moved left only where the screen ends.
            QVERIFY(menu->x() == below.x() ||
                    menu->geometry().right() == menu->screen()->geometry().right());
            QVERIFY(Shows(button, qPrintable(button->objectName() + QLatin1Char('1'))));
            menu->hide();
        }

        QCOMPARE(Entries(window.JobMenu),
                 QStringList({QStringLiteral("addnewjob1= add new job"),
                              QStringLiteral("addnewjobFromTemplate1= Edit this job"),
                              QStringLiteral("Delete1= Delete job"), QStringLiteral("-"),
                              QStringLiteral("Exit1= Exit")}));
        QCOMPARE(Entries(window.ActionMenu),
                 QStringList({QStringLiteral("Donotcopy1= Do not copy"),
                              QStringLiteral("RighttoLeft1= Copy Left to Right"),
                              QStringLiteral("ActionmoveRight1= Copy Right to Left")}));
        QCOMPARE(Entries(window.ViewMenu), QStringList({QStringLiteral("Log1= Option")}));
        QCOMPARE(Entries(window.ToolsMenu),
                 QStringList({QStringLiteral("ExportTaskList1=Export Task List"),
                              QStringLiteral("ImportTaskList1=Import Task List")}));
        QCOMPARE(Entries(window.HelpMenu),
                 QStringList({QStringLiteral("QuickStart1= Quick Start"),
                              QStringLiteral("QuillonHome1= Brenvale Home"),
                              QStringLiteral("checknewversion1= Check new version"),
                              QStringLiteral("About2= About"), QStringLiteral("-"),
                              QStringLiteral("Exit2= Exit")}));
        QVERIFY(!window.checknewversion1->isVisible());
    }

    void helpAndHomePageOpenOnTheDesktop()
    {
        TQuillonFom& window = Open({});
        QList<QUrl> opened;
        DesktopOpener::Install([&opened](const QUrl& url) {
            opened.append(url);
            return true;
        });
        TreeBuilder data(DataFolder::Path());
        QVERIFY(data.file(QStringLiteral("help/index.html"), "<html></html>"));
        MyRegistryInfo.HomePage = QStringLiteral("https://brenvale.example/");
        window.QuickStart1->trigger();
        window.QuillonHome1->trigger();
        DesktopOpener::Install(nullptr);
        QCOMPARE(opened,
                 QList<QUrl>({QUrl::fromLocalFile(data.path(QStringLiteral("help/index.html"))),
                              QUrl(QStringLiteral("https://brenvale.example/"))}));
    }

    void aboutOpensTheAboutBoxModally()
    {
        TQuillonFom& window = Open({});
        QString shown;
        QTimer::singleShot(0, this, [&shown] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                shown = box->objectName();
                box->close();
            }
        });
        window.About2->trigger();
        QCOMPARE(shown, QStringLiteral("AboutBox"));
        QVERIFY(window.isVisible());
    }

    void exitEntriesAndTheCloseButtonClose_data()
    {
        QTest::addColumn<QString>("control");
        QTest::newRow("Job menu") << QStringLiteral("Exit1");
        QTest::newRow("Help menu") << QStringLiteral("Exit2");
        QTest::newRow("close button") << QStringLiteral("CloseBtn");
    }

    void exitEntriesAndTheCloseButtonClose()
    {
        QFETCH(QString, control);
        TQuillonFom& window = Open({QStringLiteral("Photos")});
        if (auto* action = window.findChild<QAction*>(control))
            action->trigger();
        else
            QTest::mouseClick(window.findChild<TImageEx*>(control), Qt::LeftButton);
        QVERIFY(!window.isVisible());
    }

    // The window's destruction stops the run and waits for its worker before the
    // job list is written: nothing of the page is used after it is gone.
    void closingDuringASyncCancelsItAndWritesTheList()
    {
        TreeBuilder left(Left.path());
        for (int i = 0; i < 1500; ++i)
            QVERIFY(left.file(QStringLiteral("f%1.bin").arg(i), QByteArray(8192, 'x')));
        QFile::remove(DataFolder::TaskListPath());
        TQuillonFom& window = Open({QStringLiteral("Big")});
        QPointer<TQuillonMain> page = window.JobTabs.at(0).Page;
        page->BitBtn_AnalyzeClick();
        QTRY_VERIFY_WITH_TIMEOUT(!page->IsRunning(), 30000);
        page->BitBtn_SyncClick();
        QVERIFY(page->IsRunning());

        window.close();
        Window.reset();
        QVERIFY(page.isNull());
        QVERIFY(QDir(Right.path()).entryList(QDir::Files).size() < 1500);
        TSyncTaskList written;
        QCOMPARE(LoadTaskList(DataFolder::TaskListPath(), written).Result,
                 TTaskListLoad::Outcome::Loaded);
        QCOMPARE(written.Count(), 1);
        QCOMPARE(written.TaskByIndex(0)->SyncName, QStringLiteral("Big"));
        QDir(Left.path()).removeRecursively();
        QDir(Right.path()).removeRecursively();
    }

    void addedJobsGetATabAndAPageAndBecomeCurrent()
    {
        TQuillonFom& window = Open({});
        WhenEditorOpens([](TCreatTaskForm& form) { form.CancelButtonClick(); });
        QTest::mouseClick(window.bt_addtask, Qt::LeftButton);
        QVERIFY(window.JobTabs.isEmpty());
        QCOMPARE(SyncTaskList->Count(), 0);

        const char* names[] = {"Docs", "Mail"};
        for (int i = 0; i < 2; ++i) {
            WhenEditorOpens([name = QString::fromLatin1(names[i])](TCreatTaskForm& form) {
                QCOMPARE(form.TaskIndex, -1);
                form.edit_taskname->setText(name);
                form.OkButtonClick();
            });
            if (i == 0)
                QTest::mouseClick(window.bt_addtask, Qt::LeftButton);
            else
                window.addnewjob1->trigger();
            QCOMPARE(window.JobTabs.size(), i + 1);
            QCOMPARE(Caption(i)->text(), QString::fromLatin1(names[i]));
            QCOMPARE(Tab(i)->x(), 126 * i);
            QVERIFY(Shows(Tab(i), "ieb2"));
            QCOMPARE(window.CurrentTab, Tab(i));
            QCOMPARE(window.CurrentJobIndex(), i);
            QCOMPARE(window.JobTabs.at(i).Page->Job(), SyncTaskList->TaskByIndex(i));
            QVERIFY(window.Notebook1->currentWidget()->isAncestorOf(window.JobTabs.at(i).Page));
        }
        QVERIFY(Shows(Tab(0), "ieb1"));
        QCOMPARE(window.NextTabLeft, 252);
        // Written at once: a crash now loses neither job.
        TSyncTaskList written;
        QCOMPARE(LoadTaskList(DataFolder::TaskListPath(), written).Result,
                 TTaskListLoad::Outcome::Loaded);
        QCOMPARE(written.Count(), 2);
        QCOMPARE(written.TaskByIndex(1)->SyncName, QStringLiteral("Mail"));
    }

    // Without a mouse from the first start: "+" makes a job whose folders are
    // typed into the folder chooser, Analyze and Sync run it, the close button
    // ends the program.
    void keyboardMakesAJobRunsItAndCloses()
    {
        TreeBuilder left(Left.path());
        QVERIFY(left.file(QStringLiteral("a.txt"), "a"));
        QVERIFY(QDir().mkpath(Right.path()));
        TQuillonFom& window = Open({});
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTimer::singleShot(10, this, [this] {
            auto* form = qobject_cast<TCreatTaskForm*>(QApplication::activeModalWidget());
            QVERIFY(form != nullptr);
            QApplication::setActiveWindow(form);
            QVERIFY(QTest::qWaitForWindowActive(form));
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Keys"));
            for (const QString& folder : {Left.path(), Right.path()}) {
                PressKey(Qt::Key_Tab);
                PressKey(Qt::Key_Tab);
                AnswerChooser(folder);
                PressKey(Qt::Key_Space);
                QApplication::setActiveWindow(form); // as the desktop does
            }
            for (int step = 0; step < 60 && QApplication::focusWidget() != form->OkButton; ++step)
                PressKey(Qt::Key_Tab);
            PressKey(Qt::Key_Space);
        });
        window.bt_addtask->setFocus();
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(window.bt_addtask));
        PressKey(Qt::Key_Space);
        QCOMPARE(window.JobTabs.size(), 1);
        QCOMPARE(SyncTaskList->TaskByIndex(0)->RFolder.FolerAllName, Right.path());
        QApplication::setActiveWindow(&window); // as the desktop does when a dialog closes

        TQuillonMain* page = window.JobTabs.at(0).Page;
        page->BitBtn_Analyze->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(page->BitBtn_Analyze));
        PressKey(Qt::Key_Space);
        QTRY_VERIFY2_WITH_TIMEOUT(page->BitBtn_Sync->isEnabled(),
                                  qPrintable(page->memo1->toPlainText()), 20000);
        page->BitBtn_Sync->setFocus();
        PressKey(Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(Right.path() + QStringLiteral("/a.txt")), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!page->IsRunning(), 20000);

        window.CloseBtn->setFocus();
        PressKey(Qt::Key_Space);
        QTRY_VERIFY(!window.isVisible());
        QDir(Left.path()).removeRecursively();
        QDir(Right.path()).removeRecursively();
    }

    void editingTheCurrentJobRebindsItsPage()
    {
        TQuillonFom& window = Open({QStringLiteral("Photos"), QStringLiteral("Mail")});
        window.SelectTab(Tab(1));
        WhenEditorOpens([](TCreatTaskForm& form) {
            QCOMPARE(form.TaskIndex, 1);
            form.cb_anaperiod->setChecked(true);
            form.edit_hours->setValue(0);
            form.edit_minutes->setValue(3);
            form.applyButtonClick();
        });
        window.addnewjobFromTemplate1->trigger();
        TQuillonMain* page = window.JobTabs.at(1).Page;
        QCOMPARE(SyncTaskList->TaskByIndex(1)->PeriodAnalyze, 1);
        TSyncTaskList written;
        (void)LoadTaskList(DataFolder::TaskListPath(), written);
        QCOMPARE(written.TaskByIndex(1)->PeriodAnalyze, 1);
        QCOMPARE(page->PeriodMinutes, 3);
        QVERIFY(page->PeriodTimer->isActive());
        QCOMPARE(Caption(1)->text(), QStringLiteral("Mail"));
        QVERIFY(!window.JobTabs.at(0).Page->PeriodTimer->isActive());
    }

    void deletingATabClosesTheGapAndSelectsTheFirstTab()
    {
        TScriptedDialogs dialogs;
        TQuillonFom& window =
            Open({QStringLiteral("Photos"), QStringLiteral("Mail"), QStringLiteral("Music")});
        window.SelectTab(Tab(1));
        dialogs.Answer(QMessageBox::No);
        window.Delete1->trigger();
        QCOMPARE(dialogs.Asked.last().Text, QStringLiteral("Are you going to delete Mail ? "));
        QCOMPARE(dialogs.Asked.last().Caption, QStringLiteral("Brenvale"));
        QCOMPARE(dialogs.Asked.last().Icon, QMessageBox::NoIcon);
        QVERIFY(Tab(1)->isVisible());

        const int captionX = Caption(2)->x();
        dialogs.Answer(QMessageBox::Yes);
        window.Delete1->trigger();
        QCOMPARE(SyncTaskList->TaskByIndex(1)->ListState, JobListState::Deleted);
        QVERIFY(!Tab(1)->isVisible() && !Caption(1)->isVisible());
        QVERIFY(Caption(1)->text().isEmpty());
        QCOMPARE(Tab(2)->x(), 126);
        QCOMPARE(Caption(2)->x(), captionX - 126);
        QCOMPARE(window.Pl_jobs->width(), 252);
        QCOMPARE(window.Pl_jobs->x(), 0);
        QCOMPARE(window.CurrentTab, Tab(0));
        QVERIFY(Shows(Tab(0), "ieb2"));
        QCOMPARE(window.CurrentJobIndex(), 0);

        for (int i : {0, 2}) {
            window.SelectTab(Tab(i));
            dialogs.Answer(QMessageBox::Yes);
            window.Delete1->trigger();
        }
        QCOMPARE(window.CurrentTab, nullptr);
        QCOMPARE(window.Notebook1->currentIndex(), 0);
        // Without a current job, edit, delete and export do nothing.
        const qsizetype asked = dialogs.Asked.size();
        bool edited = false;
        WhenEditorOpens([&edited](TCreatTaskForm& form) {
            edited = true;
            form.CancelButtonClick();
        });
        window.addnewjobFromTemplate1->trigger();
        window.Delete1->trigger();
        window.ExportTaskList1->trigger();
        QCoreApplication::processEvents();
        QVERIFY(!edited);
        QCOMPARE(dialogs.Asked.size(), asked);

        // A job added after every other was deleted becomes current.
        WhenEditorOpens([](TCreatTaskForm& form) {
            form.edit_taskname->setText(QStringLiteral("Fresh"));
            form.OkButtonClick();
        });
        QTest::mouseClick(window.bt_addtask, Qt::LeftButton);
        QCOMPARE(window.CurrentTab, Tab(3));
        QCOMPARE(Tab(3)->x(), 0);
        QVERIFY(Shows(Tab(3), "ieb2"));
        QCOMPARE(window.CurrentJobIndex(), 3);
    }

    void exportWritesTheJobListAsItIsNow()
    {
        TScriptedDialogs dialogs;
        TQuillonFom& window = Open({QStringLiteral("Photos"), QStringLiteral("Mail")});
        window.SelectTab(Tab(1));
        dialogs.Answer(QMessageBox::Yes);
        window.Delete1->trigger();
        const QDir folder(Home.path());
        for (const char* name : {"backup", "list.QN"}) {
            dialogs.Answer(folder.filePath(QString::fromLatin1(name)));
            window.ExportTaskList1->trigger();
            QCOMPARE(dialogs.Asked.last().Kind, ModalDialogs::TKind::SaveFile);
            QCOMPARE(dialogs.Asked.last().Filter, QStringLiteral("qn (*.qn)"));
        }
        for (const char* file : {"backup.qn", "list.QN"}) {
            TSyncTaskList written;
            QCOMPARE(LoadTaskList(folder.filePath(QString::fromLatin1(file)), written).Result,
                     TTaskListLoad::Outcome::Loaded);
            QCOMPARE(written.Count(), 1);
            QCOMPARE(written.TaskByIndex(0)->SyncName, QStringLiteral("Photos"));
        }
        QVERIFY(!folder.exists(QStringLiteral("list.QN.qn")));
    }

    void importReplacesEveryJobOrRefusesAFileThatIsNone()
    {
        const QDir folder(Home.path());
        const QString garbage = folder.filePath(QStringLiteral("garbage.qn"));
        QFile file(garbage);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("no list");
        file.close();
        TSyncTaskList three;
        for (const char* name : {"A", "B", "C"})
            three.AddToList(NewLocalJob(QString::fromLatin1(name), Left.path(), Right.path()));
        const QString imported = folder.filePath(QStringLiteral("three.qn"));
        QVERIFY(SaveTaskList(three, imported));

        TScriptedDialogs dialogs;
        TQuillonFom& window = Open({QStringLiteral("Photos"), QStringLiteral("Mail")});
        window.SelectTab(Tab(1));
        dialogs.Answer(QMessageBox::Yes);
        window.Delete1->trigger();
        for (const QString& bad : {garbage, folder.filePath(QStringLiteral("missing.qn"))}) {
            dialogs.Answer(bad);
            window.ImportTaskList1->trigger();
            QCOMPARE(dialogs.Asked.last().Text,
                     QStringLiteral("The file is not a valid task list!"));
            QCOMPARE(dialogs.Asked.last().Caption, QStringLiteral("Brenvale"));
            QCOMPARE(JobNames(), (QStringList{QStringLiteral("Photos"), QStringLiteral("Mail")}));
            QCOMPARE(window.JobTabs.size(), 2);
        }

        const QPointer<TQuillonMain> old = window.JobTabs.at(1).Page;
        dialogs.Answer(imported);
        window.ImportTaskList1->trigger();
        QCOMPARE(dialogs.Asked.last().Kind, ModalDialogs::TKind::OpenFile);
        QVERIFY(old.isNull());
        QCOMPARE(JobNames(),
                 (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
        QCOMPARE(window.JobTabs.size(), 3);
        QCOMPARE(window.Notebook1->count(), 4);
        QCOMPARE(window.Pl_jobs->width(), 378);
        QCOMPARE(Tab(2)->x(), 252);
        QCOMPARE(window.CurrentTab, Tab(0));
        QVERIFY(Shows(Tab(0), "ieb2"));
        QCOMPARE(window.CurrentJobIndex(), 0);
        QCOMPARE(window.JobTabs.at(2).Page->Job(), SyncTaskList->TaskByIndex(2));
    }

    void everyControlHasAnAccessibleName()
    {
        TQuillonFom& window = Open({QStringLiteral("Photos"), QStringLiteral("Mail")});
        for (QWidget* control : window.findChildren<QWidget*>()) {
            bool onPage = false;
            for (QWidget* up = control; up && !onPage; up = up->parentWidget())
                onPage = qobject_cast<TQuillonMain*>(up) != nullptr;
            if (onPage)
                continue;
            QVERIFY2(!Accessible(control)->text(QAccessible::Name).isEmpty(),
                     qPrintable(control->objectName()));
        }
        for (TImageEx* button : {static_cast<TImageEx*>(window.jobbutton), window.CloseBtn,
                                 static_cast<TImageEx*>(window.bt_addtask)}) {
            QCOMPARE(Accessible(button)->role(), QAccessible::Button);
            QVERIFY(Accessible(button)->actionInterface()->actionNames().contains(
                QAccessibleActionInterface::pressAction()));
        }
        QCOMPARE(Accessible(window.HelpButton)->text(QAccessible::Name), QStringLiteral("Help"));
    }

    void dragsOnTheHeaderPicturesMoveTheWindow()
    {
        TQuillonFom& window = Open({});
        for (TImageEx* handle : {window.imgHeader, window.Image8, window.Image4}) {
            const QPoint start = window.pos();
            const QPoint from = handle->mapToGlobal(QPoint(5, 5));
            // The pointer's screen positions, fixed before the window moves.
            const auto send = [handle](QEvent::Type type, QPoint at, Qt::MouseButton button,
                                       Qt::MouseButtons held) {
                const QPointF local = handle->mapFromGlobal(QPointF(at));
                QMouseEvent event(type, local, local, QPointF(at), button, held, Qt::NoModifier);
                QCoreApplication::sendEvent(handle, &event);
            };
            send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
            send(QEvent::MouseMove, from + QPoint(15, 10), Qt::NoButton, Qt::LeftButton);
            send(QEvent::MouseMove, from + QPoint(30, 20), Qt::NoButton, Qt::LeftButton);
            send(QEvent::MouseButtonRelease, from + QPoint(30, 20), Qt::LeftButton, Qt::NoButton);
            QCOMPARE(window.pos(), start + QPoint(30, 20));
        }
    }
};

QTEST_MAIN(TestQuillonFom)
#include "tst_quillonfom.moc"
