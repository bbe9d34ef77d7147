#include "RowTrees.h"
#include "ScriptedDialogs.h"
#include "TreeBuilder.h"
#include "common/PowerOff.h"
#include "engine/UResultRow.h"
#include "jobs/UTSyncTask.h"
#include "schedule/JobTriggers.h"
#include "ui/page/ResultTreeModel.h"
#include "ui/page/ResultTreeView.h"
#include "ui/page/UQuillonMain.h"
#include "ui/skin/ImageExButton.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QApplication>
#include <QDate>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

namespace {

const QDateTime Old = LocalTime(2021, 3, 4);
const QDateTime New = LocalTime(2023, 5, 6);

TResultRow* RowNamed(TResultRow& root, const QString& name)
{
    for (TResultRow* row : FileRows(root)) {
        if (row->Name == name)
            return row;
    }
    return nullptr;
}

} // namespace

class TestQuillonMain : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Home;
    QTemporaryDir Left;
    QTemporaryDir Right;
    std::unique_ptr<TQuillonMain> Page;
    int PowerOffs = 0;

    // A page bound to a job of the process-wide list between the two folders.
    TSyncTask& Bind(const QString& left, const QString& right)
    {
        CreateTaskList();
        SyncTaskList->AddToList(NewLocalJob(QStringLiteral("Photos"), left, right));
        Page = std::make_unique<TQuillonMain>();
        Page->resize(1000, 700);
        Page->BindToJob(0);
        Page->FormShow();
        Page->show();
        return *SyncTaskList->TaskByIndex(0);
    }

    QStringList Log() const { return Page->memo1->toPlainText().split(QLatin1Char('\n')); }
    TResultRow& Root() { return *Page->Runs().RootRow; }

    void Analyze()
    {
        Page->BitBtn_AnalyzeClick();
        QTRY_VERIFY_WITH_TIMEOUT(!Page->IsRunning(), 20000);
    }

    void Sync()
    {
        Page->BitBtn_SyncClick();
        QTRY_VERIFY_WITH_TIMEOUT(!Page->IsRunning(), 20000);
    }

    void CompareButtons(bool analyze, bool sync, bool cancel)
    {
        QCOMPARE(Page->BitBtn_Analyze->isEnabled(), analyze);
        QCOMPARE(Page->BitBtn_Sync->isEnabled(), sync);
        QCOMPARE(Page->BitBtn_cancel->isEnabled(), cancel);
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("BRENVALE_HOME", Home.path().toUtf8());
        qputenv("XDG_DATA_HOME", (Home.path() + QStringLiteral("/data")).toUtf8());
        PowerOff::Install([this] {
            ++PowerOffs;
            return true;
        });
    }

    void cleanup()
    {
        Page.reset();
        QDir(Left.path()).removeRecursively();
        QDir(Right.path()).removeRecursively();
        // Each test's folders are met for the first time.
        QDir(Home.path() + QStringLiteral("/syncstate")).removeRecursively();
        QDir().mkpath(Left.path());
        QDir().mkpath(Right.path());
    }

    // An analysis and a sync as the user sees them: log lines, counts, captions,
    // buttons, the rows in both filters, a direction click, and the copies.
    void analyseChooseAndSync()
    {
        TreeBuilder l(Left.path()), r(Right.path());
        QVERIFY(l.file(QStringLiteral("docs/new.txt"), "left only", Old));
        QVERIFY(l.file(QStringLiteral("same.txt"), "same", Old));
        QVERIFY(r.file(QStringLiteral("same.txt"), "same", Old));
        QVERIFY(l.file(QStringLiteral("keep.txt"), "left", Old));
        QVERIFY(r.file(QStringLiteral("keep.txt"), "right, newer", New));
        QVERIFY(l.file(QStringLiteral("skip.txt"), "not copied", New));
        Bind(Left.path(), Right.path());
        QAbstractItemModelTester tester(Page->VST1->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        CompareButtons(true, false, false);
        QVERIFY(!Page->GroupBox_ResultsFilter->isEnabled());

        Analyze();
        CompareButtons(true, true, false);
        QCOMPARE(Log(), (QStringList{QStringLiteral("Loading Files: "),
                                     QStringLiteral("Start to analyze files, files total: 6"),
                                     QStringLiteral("Files loading done"),
                                     QStringLiteral("Changed files in the left folders: 3"),
                                     QStringLiteral("Changed files in the right folders: 0")}));
        QCOMPARE(Page->rb_all->text(), QStringLiteral("All(4)"));
        QCOMPARE(Page->rb_changed->text(), QStringLiteral("Changes(3)"));
        QCOMPARE(Page->Label_ActionStatus->text(), QStringLiteral("Files loading done:"));
        QVERIFY(Page->GroupBox_ResultsFilter->isEnabled());
        QVERIFY(RowNamed(Root(), QStringLiteral("same.txt")) == nullptr);

        QTest::mouseClick(Page->rb_all, Qt::LeftButton);
        QVERIFY(RowNamed(Root(), QStringLiteral("same.txt")) != nullptr);
        QTest::mouseClick(Page->rb_changed, Qt::LeftButton);
        TResultRow* skip = RowNamed(Root(), QStringLiteral("skip.txt"));
        QVERIFY(skip != nullptr);
        // Direct on a copying row: the bars, and no copy.
        Q_EMIT Page->VST1->ImageCellPressed(skip, 2, Qt::LeftButton);
        QCOMPARE(qint32(skip->Direction), SyncDirection::None);
        QCOMPARE(skip->DirectImage, RowImage::DontMove);

        Sync();
        CompareButtons(true, false, false);
        QCOMPARE(r.read(QStringLiteral("docs/new.txt")), QByteArray("left only"));
        QCOMPARE(l.read(QStringLiteral("keep.txt")), QByteArray("right, newer"));
        QVERIFY(!r.exists(QStringLiteral("skip.txt")));
        const QStringList log = Log();
        const QString date = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
        const QString copied = QStringLiteral("Move the file ") +
                               l.path(QStringLiteral("docs/new.txt")) + QStringLiteral(" : ") +
                               l.path(QStringLiteral("docs/new.txt")) + QStringLiteral(" -> ") +
                               r.path(QStringLiteral("docs/new.txt")) +
                               QStringLiteral(" Succeeded,time: ") + date;
        QVERIFY2(log.contains(copied), qPrintable(log.join(QLatin1Char('\n'))));
        QCOMPARE(log.at(log.size() - 2), QStringLiteral("Sync Done!"));
        QCOMPARE(log.last(), QStringLiteral("Total numbers of error files : 0 ; Total numbers of "
                                            "synched files : 2"));
        QCOMPARE(Page->pb_action->value(), Page->pb_action->maximum());
    }

    // Folder checks that fail and a side that cannot be reached.
    void refusedAndUnreachableFolders()
    {
        Bind(Left.path(), Left.path());
        Analyze();
        QCOMPARE(Log(), QStringList{QStringLiteral("Left and right folders are the same")});
        QCOMPARE(Page->memo1->document()
                     ->firstBlock()
                     .begin()
                     .fragment()
                     .charFormat()
                     .foreground()
                     .color(),
                 QColor(255, 0, 0));
        CompareButtons(false, false, true);
        Page->BitBtn_cancelClick();
        CompareButtons(true, false, false);

        // An include list that leaves out every file says so.
        TreeBuilder(Left.path()).file(QStringLiteral("a.txt"), "a");
        SyncTaskList->TaskByIndex(0)->IncludeFilterr = {QStringLiteral("*.jpg")};
        SyncTaskList->TaskByIndex(0)->RFolder.FolerAllName = Right.path();
        Analyze();
        QVERIFY(Log().contains(
            QStringLiteral("No file matches the include list: every file is left out")));

        SyncTaskList->TaskByIndex(0)->LFolder.FolerAllName = Left.path() + QStringLiteral("/gone");
        SyncTaskList->TaskByIndex(0)->RFolder.FolerAllName = Right.path();
        Analyze();
        QVERIFY(Log().contains(QStringLiteral("Cann't connect the left folder!")));
        CompareButtons(true, false, false);
        QCOMPARE(Page->rb_all->text(), QStringLiteral("All(0)"));
        QCOMPARE(Page->rb_changed->text(), QStringLiteral("Changes(0)"));
    }

    // A second analysis over a shown tree, with the pointer moving over it and the
    // tree painted throughout; a refused start keeps the rows and counts on show.
    void analyseAgainOverAShownTree()
    {
        TreeBuilder l(Left.path());
        for (int i = 0; i < 200; ++i)
            QVERIFY(l.file(QStringLiteral("d%1/f%2").arg(i % 10).arg(i), "x"));
        TSyncTask& job = Bind(Left.path(), Right.path());
        Analyze();
        QWidget* viewport = Page->VST1->viewport();
        for (int round = 0; round < 3; ++round) {
            Page->BitBtn_AnalyzeClick();
            for (int y = 5; y < 200 && Page->IsRunning(); y += 7) {
                QTest::mouseMove(viewport, QPoint(20 + y, y));
                Page->VST1->grab();
                QCoreApplication::processEvents();
            }
            QTRY_VERIFY_WITH_TIMEOUT(!Page->IsRunning(), 20000);
            QTest::mouseMove(viewport, QPoint(300, 40));
            Page->VST1->grab();
        }
        QCOMPARE(Page->pb_action->value(), Page->pb_action->maximum());

        const TResultRow* shown = Page->VST1->ResultModel()->Root();
        QCOMPARE(shown->ChildCount(), 10);
        job.RFolder.FolerAllName = Left.path();
        Page->BitBtn_AnalyzeClick();
        QCOMPARE(Page->VST1->ResultModel()->Root(), shown);
        QCOMPARE(Page->rb_changed->text(), QStringLiteral("Changes(200)"));
        QTest::mouseMove(viewport, QPoint(100, 30));
        Page->VST1->grab();

        // Rows come by name as a file manager lists them: folders, then files.
        QStringList names;
        for (int i = 0; i < shown->ChildCount(); ++i)
            names.append(shown->Child(i)->Name);
        QCOMPARE(names.mid(0, 3),
                 (QStringList{QStringLiteral("d0"), QStringLiteral("d1"), QStringLiteral("d2")}));
        const TResultRow& d0 = *shown->Child(0);
        QCOMPARE(d0.Child(0)->Name, QStringLiteral("f0"));
        QCOMPARE(d0.Child(1)->Name, QStringLiteral("f10"));
        QCOMPARE(d0.Child(2)->Name, QStringLiteral("f20"));
    }

    // A one-way job: counters and captions count the rows shown, by their arrows;
    // an analysis of empty folders leaves a full gauge, not a busy one.
    void oneWayCountsAgreeWithTheRows()
    {
        TSyncTask& job = Bind(Left.path(), Right.path());
        Analyze();
        QCOMPARE(Page->pb_action->maximum(), 1);
        QCOMPARE(Page->pb_action->value(), 1);

        TreeBuilder l(Left.path()), r(Right.path());
        QVERIFY(l.file(QStringLiteral("to-right.txt"), "l", Old));
        QVERIFY(l.file(QStringLiteral("newer-left.txt"), "l", New));
        QVERIFY(r.file(QStringLiteral("newer-left.txt"), "r", Old));
        QVERIFY(r.file(QStringLiteral("only-right.txt"), "r", Old));
        QVERIFY(l.file(QStringLiteral("newer-right.txt"), "l", Old));
        QVERIFY(r.file(QStringLiteral("newer-right.txt"), "r", New));
        job.SyncDirection = 2;
        Analyze();
        QCOMPARE(Root().ChildCount(), 2);
        QCOMPARE(Page->rb_changed->text(), QStringLiteral("Changes(2)"));
        QCOMPARE(Root().LtoRCount(), 2);
        QCOMPARE(Root().RtoLCount(), 0);
    }

    // Cancel during an analysis leaves the root row alone; during a sync the file
    // in transfer is finished and no other is started.
    void cancelDuringARun()
    {
        TreeBuilder l(Left.path());
        for (int i = 0; i < 300; ++i)
            QVERIFY(l.file(QStringLiteral("d%1/f%2").arg(i % 30).arg(i), QByteArray(20000, 'x')));
        Bind(Left.path(), Right.path());
        Page->BitBtn_AnalyzeClick();
        Page->BitBtn_cancelClick();
        CompareButtons(true, false, false);
        QTRY_VERIFY_WITH_TIMEOUT(!Page->IsRunning(), 20000);
        QCOMPARE(Root().ChildCount(), 0);

        Analyze();
        QCOMPARE(Page->rb_changed->text(), QStringLiteral("Changes(300)"));
        Page->BitBtn_SyncClick();
        Page->BitBtn_cancelClick();
        QTRY_VERIFY_WITH_TIMEOUT(!Page->IsRunning(), 20000);
        const qint32 done = Page->Runs().SyncDoneCount;
        QVERIFY(done < 300);
        // Told as cancelled first, with the gauge left where the run stopped.
        const QStringList log = Log();
        QCOMPARE(log.at(log.size() - 3),
                 QStringLiteral("The sync was cancelled: %1 of the 300 listed files were not "
                                "copied.")
                     .arg(300 - done));
        QCOMPARE(log.at(log.size() - 2), QStringLiteral("Sync Done!"));
        QVERIFY(Page->pb_action->value() < Page->pb_action->maximum());
    }

    // The tree follows a sync to its last rows, though it scrolls once per batch
    // of reports, and rows built anew start from the top again.
    void treeFollowsTheSync()
    {
        TreeBuilder l(Left.path());
        for (int i = 0; i < 300; ++i)
            QVERIFY(l.file(QStringLiteral("d%1/f%2").arg(i % 3).arg(i), "x", Old));
        Bind(Left.path(), Right.path());
        Analyze();
        // The view lays its rows out in a later turn of the event loop.
        QScrollBar* bar = Page->VST1->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), 0);
        Sync();
        QCOMPARE(Page->Runs().SyncDoneCount, 300);
        QCOMPARE(bar->value(), bar->maximum());
        // Nothing is left to copy; every file, listed anew, starts at the top.
        Analyze();
        QTest::mouseClick(Page->rb_all, Qt::LeftButton);
        QTRY_VERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), 0);
    }

    // A direction set during a sync counts for the rows the sync has not reached.
    void directionChangedDuringASync()
    {
        TreeBuilder l(Left.path());
        QVERIFY(l.file(QStringLiteral("a-big"), QByteArray(64 << 20, 'b')));
        QVERIFY(l.file(QStringLiteral("z-late"), "late"));
        Bind(Left.path(), Right.path());
        Analyze();
        TResultRow* late = RowNamed(Root(), QStringLiteral("z-late"));
        QVERIFY(late != nullptr);
        Page->BitBtn_SyncClick();
        Q_EMIT Page->VST1->ImageCellPressed(late, 2, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!Page->IsRunning(), 20000);
        QVERIFY(!QFile::exists(Right.path() + QStringLiteral("/z-late")));
    }

    // The restore question is open while a timed analysis replaces the rows: the
    // answer then restores nothing, and no freed row is touched.
    void restoreAnsweredAfterTheRowsWereReplaced()
    {
        TreeBuilder l(Left.path()), r(Right.path());
        QVERIFY(l.file(QStringLiteral("doc.txt"), "current", New));
        QVERIFY(r.file(QStringLiteral("doc.txt"), "current", New));
        QVERIFY(l.file(QStringLiteral("__Save__/doc.txt"), "previous", Old));
        Bind(Left.path(), Right.path());
        Analyze();
        Page->rb_all->setChecked(true);
        TResultRow* doc = RowNamed(Root(), QStringLiteral("doc.txt"));
        Q_EMIT Page->VST1->ContextMenuRequested(doc, QPoint(10, 10));
        Page->pop_direction->hide();
        QTimer::singleShot(0, Page.get(), [this] {
            Page->BitBtn_AnalyzeClick();
            QTRY_VERIFY_WITH_TIMEOUT(!Page->IsRunning(), 20000);
            // The rows the menu was opened on are gone by now.
            QCoreApplication::processEvents();
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->button(QMessageBox::Yes)->click();
        });
        Page->Restoretheleftfile1->trigger();
        QCOMPARE(l.read(QStringLiteral("doc.txt")), QByteArray("current"));
        QVERIFY(l.exists(QStringLiteral("__Save__/doc.txt")));
    }

    // Delete moves the file to the trash; restore brings the kept version back.
    void deleteAndRestore()
    {
        TreeBuilder l(Left.path()), r(Right.path());
        QVERIFY(l.file(QStringLiteral("gone.txt"), "left", New));
        QVERIFY(r.file(QStringLiteral("gone.txt"), "right", Old));
        QVERIFY(l.file(QStringLiteral("doc.txt"), "current", New));
        QVERIFY(r.file(QStringLiteral("doc.txt"), "current", New));
        QVERIFY(l.file(QStringLiteral("__Save__/doc.txt"), "previous", Old));
        Bind(Left.path(), Right.path());
        Analyze();
        QTest::mouseClick(Page->rb_all, Qt::LeftButton);

        TResultRow* gone = RowNamed(Root(), QStringLiteral("gone.txt"));
        Q_EMIT Page->VST1->ContextMenuRequested(gone, QPoint(10, 10));
        Page->pop_direction->hide();
        QVERIFY(!Page->Restoretheleftfile1->isEnabled());
        Page->OpenLeftFolder1->trigger();
        QVERIFY(!l.exists(QStringLiteral("gone.txt")));
        QCOMPARE(QDir(Home.path() + QStringLiteral("/data/Trash/files")).entryList(QDir::Files),
                 QStringList{QStringLiteral("gone.txt")});
        QCOMPARE(gone->State, CompareState::RightOnly);

        TScriptedDialogs dialogs;
        TResultRow* doc = RowNamed(Root(), QStringLiteral("doc.txt"));
        Q_EMIT Page->VST1->ContextMenuRequested(doc, QPoint(10, 10));
        Page->pop_direction->hide();
        QVERIFY(Page->Restoretheleftfile1->isEnabled());
        dialogs.Answer(QMessageBox::Yes);
        Page->Restoretheleftfile1->trigger();
        QCOMPARE(l.read(QStringLiteral("doc.txt")), QByteArray("previous"));
        QVERIFY(!l.exists(QStringLiteral("__Save__/doc.txt")));
        QCOMPARE(Log().last(), QStringLiteral("Restoring the left file succeeded!"));
        QCOMPARE(dialogs.Asked.last().Text,
                 QStringLiteral("Are your still want to restore this file?"));
    }

    // The period timer counts before it tests; the clock's hours have no limit;
    // a run asks for the power-off when its job says so, not when the job is gone.
    void timedRunsClockAndShutdown()
    {
        TreeBuilder l(Left.path());
        QVERIFY(l.file(QStringLiteral("a"), "1"));
        CreateTaskList();
        auto job = NewLocalJob(QStringLiteral("Timed"), Left.path(), Right.path());
        job->PeriodAnalyze = 1;
        job->minutes = 2;
        job->PeriodSync = 1;
        job->LogoffAnalyze = 1;
        job->LogoffSync = 1;
        SyncTaskList->AddToList(std::move(job));
        Page = std::make_unique<TQuillonMain>();
        Page->BindToJob(0);
        Page->FormShow();
        QVERIFY(Page->PeriodTimer->isActive());
        Page->PeriodTimerTimer();
        Page->PeriodTimerTimer();
        QVERIFY(!Page->IsRunning());
        const int before = PowerOffs;
        Page->PeriodTimerTimer();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(Right.path() + QStringLiteral("/a")), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!Page->IsRunning(), 20000);
        // Once after the analysis, once after the sync that followed it.
        QCOMPARE(PowerOffs, before + 2);
        // The job list was written before the power-off was asked for.
        QVERIFY(QFile::exists(Home.path() + QStringLiteral("/tasklist.qn")));

        Page->ElapsedSeconds = 100 * 3600 + 59;
        Page->Timer1Timer();
        QCOMPARE(Page->Label_lasttime->text(), QStringLiteral("100:01:00"));

        SyncTaskList->MarkDeleted(0);
        Page->PeriodTimerTimer();
        QVERIFY(!Page->PeriodTimer->isActive());
        QVERIFY(!Page->IsRunning());
    }

    // Closing a page while it syncs stops the run: the file in transfer is
    // finished and no other is started.
    // The rows of a large analysis are laid out expanded after a turn of the
    // event loop; Analyze pressed again before that turn starts a new analysis
    // over them, whose rows end up expanded.
    void analyzeAgainBeforeTheRowsAreLaidOut()
    {
        TreeBuilder l(Left.path());
        for (int i = 0; i < 30; ++i)
            QVERIFY(l.file(QStringLiteral("d%1/f%2").arg(i % 3).arg(i), "x", Old));
        Bind(Left.path(), Right.path());
        Page->ExpandLaterFrom = 1;
        QAbstractItemModel* model = Page->VST1->model();
        const auto firstFolder = [model] { return model->index(0, 0, model->index(0, 0)); };
        int finished = 0;
        bool expandedAtOnce = true;
        connect(Page.get(), &TQuillonMain::RunStateChanged, this, [&] {
            if (Page->IsRunning() || finished++ > 0)
                return;
            expandedAtOnce = Page->VST1->isExpanded(firstFolder());
            Page->BitBtn_AnalyzeClick();
        });
        Page->BitBtn_AnalyzeClick();
        QTRY_VERIFY_WITH_TIMEOUT(finished == 2 && !Page->IsRunning(), 20000);
        QVERIFY(!expandedAtOnce);
        QCOMPARE(model->rowCount(model->index(0, 0)), 3);
        QTRY_VERIFY(Page->VST1->isExpanded(firstFolder()));
        Page->VST1->viewport()->repaint();
    }

    void closingAPageDuringASync()
    {
        TreeBuilder l(Left.path());
        for (int i = 0; i < 50; ++i)
            QVERIFY(l.file(QStringLiteral("f%1").arg(i), QByteArray(1 << 20, 'c')));
        Bind(Left.path(), Right.path());
        Analyze();
        Page->BitBtn_SyncClick();
        Page.reset();
        QVERIFY(QDir(Right.path()).entryList(QDir::Files).size() < 50);
        QCOMPARE(QDir(Right.path()).entryList(QDir::Hidden | QDir::Files).size(),
                 QDir(Right.path()).entryList(QDir::Files).size());
    }

    // Every picture button is a push button for screen readers and the keyboard:
    // named, focusable, pressed without blocking the caller, disabled when it is.
    void pictureButtonsArePushButtons()
    {
        Bind(Left.path(), Right.path());
        const QList<TImageExButton*> buttons = Page->findChildren<TImageExButton*>();
        QCOMPARE(buttons.size(), 5);
        for (TImageExButton* button : buttons) {
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(button);
            QCOMPARE(face->role(), QAccessible::PushButton);
            QVERIFY2(!face->text(QAccessible::Name).isEmpty(), qPrintable(button->objectName()));
            QVERIFY(face->state().focusable);
            QCOMPARE(bool(face->state().disabled), !button->isEnabled());
            QVERIFY(face->actionInterface()->actionNames().contains(
                QAccessibleActionInterface::pressAction()));
        }
        QCOMPARE(Page->bt_LBrowse->accessibleName(), QStringLiteral("Browse left"));
        QCOMPARE(Page->bt_RBrowse->accessibleName(), QStringLiteral("Browse right"));
        QAccessibleInterface* indicator =
            QAccessible::queryAccessibleInterface(Page->bt_taskconfig);
        QCOMPARE(indicator->role(), QAccessible::Graphic);
        QCOMPARE(indicator->text(QAccessible::Name), QStringLiteral("Both ways"));

        QAccessibleInterface* analyze = QAccessible::queryAccessibleInterface(Page->BitBtn_Analyze);
        analyze->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(!Page->IsRunning());
        QTRY_VERIFY(!Page->BitBtn_Analyze->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!Page->IsRunning(), 20000);
        QTRY_VERIFY(Page->BitBtn_Sync->isEnabled());

        // Space and Enter press the focused button.
        Page->BitBtn_Sync->setFocus();
        QTest::keyClick(Page->BitBtn_Sync, Qt::Key_Space);
        QTRY_VERIFY_WITH_TIMEOUT(!Page->IsRunning(), 20000);
        QVERIFY(Log().contains(QStringLiteral("Sync Done!")));
    }

    // The result filters and the arrow cells answer the keyboard as they answer
    // the mouse.
    // What changed since the last sync, as the page shows it: conflicts counted,
    // listed alone by their filter, marked, told; a conflict waits and takes
    // the direction chosen by its arrows or the Action menu; the files that
    // failed come back under Errors.
    void conflictsAndErrorsOfTheLastSync()
    {
        TreeBuilder l(Left.path()), r(Right.path());
        for (const char* name : {"report.odt", "plain.txt", "gone.txt"})
            QVERIFY(l.file(QString::fromLatin1(name), "first", Old));
        TSyncTask& job = Bind(Left.path(), Right.path());
        Analyze();
        Sync();
        QVERIFY(l.file(QStringLiteral("report.odt"), "laptop", New));
        QVERIFY(r.file(QStringLiteral("report.odt"), "stick", New.addSecs(60)));
        QVERIFY(l.file(QStringLiteral("plain.txt"), "left edit", New));
        QVERIFY(QFile::remove(l.path(QStringLiteral("gone.txt"))));
        job.Conflicts = 1;

        Analyze();
        const QStringList log = Log();
        for (const char* line : {"Changed on both sides since the last sync: report.odt",
                                 "Deleted on the left since the last sync: gone.txt",
                                 "Conflicts left for you to decide: 1"})
            QVERIFY2(log.contains(QString::fromLatin1(line)), line);
        QCOMPARE(Page->rb_conflicts->text(), QStringLiteral("conflicts(1)"));
        QCOMPARE(Page->rb_changed->text(), QStringLiteral("Changes(3)"));
        QTest::mouseClick(Page->rb_conflicts, Qt::LeftButton);
        QCOMPARE(FileRows(Root()).size(), size_t(1));
        TResultRow* report = RowNamed(Root(), QStringLiteral("report.odt"));
        QVERIFY(report != nullptr);
        QCOMPARE(qint32(report->Direction), SyncDirection::None);
        const QModelIndex index = Page->VST1->ResultModel()->IndexOf(report);
        QCOMPARE(index.data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
        QCOMPARE(index.data(Qt::ToolTipRole).toString(),
                 QStringLiteral("Changed on both sides since the last sync"));

        Q_EMIT Page->VST1->ImageCellPressed(report, TResultTreeView::RightCell, Qt::LeftButton);
        QCOMPARE(qint32(report->Direction), SyncDirection::LeftToRight);
        Page->VST1->setCurrentIndex(index);
        Page->CopyCurrentRow(false);
        QCOMPARE(qint32(report->Direction), SyncDirection::RightToLeft);

        // A file that fails: its source is gone before the sync reaches it.
        QTest::mouseClick(Page->rb_changed, Qt::LeftButton);
        report = RowNamed(Root(), QStringLiteral("report.odt"));
        QCOMPARE(qint32(report->Direction), SyncDirection::None);
        Q_EMIT Page->VST1->ImageCellPressed(report, TResultTreeView::LeftCell, Qt::LeftButton);
        QVERIFY(QFile::remove(l.path(QStringLiteral("plain.txt"))));
        Sync();
        QCOMPARE(l.read(QStringLiteral("report.odt")), QByteArray("stick"));
        QCOMPARE(l.read(QStringLiteral("__Save__/report.odt")), QByteArray("laptop"));
        QCOMPARE(l.read(QStringLiteral("gone.txt")), QByteArray("first"));
        QCOMPARE(Page->rb_errors->text(), QStringLiteral("Errors(1)"));
        QTest::mouseClick(Page->rb_errors, Qt::LeftButton);
        QCOMPARE(FileRows(Root()).size(), size_t(1));
        QVERIFY(RowNamed(Root(), QStringLiteral("plain.txt")) != nullptr);

        // A damaged record is told in red, and nothing is marked.
        const QDir records(Home.path() + QStringLiteral("/syncstate"));
        const QStringList files = records.entryList({QStringLiteral("*.state")}, QDir::Files);
        QCOMPARE(files.size(), 1);
        QVERIFY(TreeBuilder(records.path()).file(files.first(), "damaged"));
        Analyze();
        QVERIFY(Log().contains(
            QStringLiteral("The record of the last sync could not be read: the file is damaged")));
        QCOMPARE(Page->rb_conflicts->text(), QStringLiteral("conflicts(0)"));
    }

    // Runs the job starts by itself: folders connected, then files changed.
    // A change starts one analysis and one sync; the sync's own copies start
    // an analysis that copies nothing; the log says why each run started.
    void runsThatStartThemselves()
    {
        TreeBuilder l(Left.path()), r(Right.path());
        const QString later = Left.path() + QStringLiteral("/later");
        TSyncTask& job = Bind(later, Right.path());
        job.ConnectSync = 1;
        job.WatchSync = 1;
        Page->BindToJob(0);
        Page->Triggers->Connect.SettleMs = 100;
        Page->Triggers->Watch.QuietMs = 200;
        QVERIFY(l.file(QStringLiteral("later/first.txt"), "made with the folder", Old));
        QTRY_VERIFY_WITH_TIMEOUT(r.exists(QStringLiteral("first.txt")), 10000);
        QVERIFY(Log().contains(QStringLiteral("Started: the folders are connected")));

        // The folder came after the watch began; it is watched since.
        QTRY_VERIFY(!Page->IsRunning());
        QTest::qWait(500);
        const auto count = [this](const QString& line) { return Log().count(line); };
        const qsizetype syncsBefore = count(QStringLiteral("Sync Done!"));
        QVERIFY(l.file(QStringLiteral("later/edited.txt"), "left edit", New));
        QTRY_VERIFY_WITH_TIMEOUT(r.exists(QStringLiteral("edited.txt")), 10000);
        QTest::qWait(1000);
        QTRY_VERIFY(!Page->IsRunning());
        QCOMPARE(count(QStringLiteral("Sync Done!")), syncsBefore + 1);
        QVERIFY(count(QStringLiteral("Started: files changed")) >= 1);
    }

    // An impatient user and the job's own triggers at once: a trigger that
    // comes during a sync waits for it; hovering, the row menu and a click on
    // a conflict go on during the run; the page closes mid-sync of the run
    // the trigger started.
    void triggersAndClicksDuringARun()
    {
        TreeBuilder l(Left.path()), r(Right.path());
        // The conflict sorts after the 40 MiB of other files: the copiers reach
        // it only after the click below has chosen its direction, which counts
        // for the rows not yet taken.
        QVERIFY(l.file(QStringLiteral("z-both.txt"), "first", Old));
        for (int i = 0; i < 40; ++i)
            QVERIFY(l.file(QStringLiteral("f%1").arg(i), QByteArray(1 << 20, 'c')));
        TSyncTask& job = Bind(Left.path(), Right.path());
        Analyze();
        Sync();
        QVERIFY(l.file(QStringLiteral("z-both.txt"), "left", New));
        QVERIFY(r.file(QStringLiteral("z-both.txt"), "right", New.addSecs(60)));
        for (int i = 0; i < 40; ++i)
            QVERIFY(l.file(QStringLiteral("f%1").arg(i), QByteArray(1 << 20, 'd'), New));
        job.Conflicts = 1;
        Analyze();
        TResultRow* both = RowNamed(Root(), QStringLiteral("z-both.txt"));
        QVERIFY(both != nullptr);

        Page->BitBtn_SyncClick();
        QVERIFY(Page->IsRunning());
        Q_EMIT Page->Triggers->RunWanted(QStringLiteral("Started: files changed"), true);
        Q_EMIT Page->VST1->ImageCellHovered(both, TResultTreeView::LeftCell);
        Q_EMIT Page->VST1->ImageCellPressed(both, TResultTreeView::RightCell, Qt::LeftButton);
        Q_EMIT Page->VST1->ContextMenuRequested(both, QPoint(10, 10));
        QTRY_VERIFY(Page->pop_direction->isVisible());
        Page->pop_direction->hide();
        QCOMPARE(Log().count(QStringLiteral("Started: files changed")), 1);
        // The sync ends, then the trigger's analysis finds nothing more to copy.
        const auto analyses = [this] { return Log().count(QStringLiteral("Files loading done")); };
        QTRY_VERIFY_WITH_TIMEOUT(analyses() == 3 && !Page->IsRunning(), 20000);
        QCOMPARE(Log().count(QStringLiteral("Sync Done!")), 2);
        QCOMPARE(r.read(QStringLiteral("z-both.txt")), QByteArray("left"));
        QCOMPARE(r.read(QStringLiteral("__Save__/z-both.txt")), QByteArray("right"));

        for (int i = 0; i < 40; ++i)
            QVERIFY(l.file(QStringLiteral("f%1").arg(i), QByteArray(1 << 20, 'e'), New.addDays(1)));
        Q_EMIT Page->Triggers->RunWanted(QStringLiteral("Started: files changed"), true);
        // Its analysis found the changes and its sync began: the page closes.
        QTRY_VERIFY_WITH_TIMEOUT(analyses() == 4, 20000);
        Page.reset();
        QCOMPARE(QDir(Right.path()).entryList(QDir::Hidden | QDir::Files).size(),
                 QDir(Right.path()).entryList(QDir::Files).size());
    }

    void filtersAndDirectionsByKeyboard()
    {
        TreeBuilder l(Left.path()), r(Right.path());
        QVERIFY(l.file(QStringLiteral("same.txt"), "same", Old));
        QVERIFY(r.file(QStringLiteral("same.txt"), "same", Old));
        QVERIFY(l.file(QStringLiteral("new.txt"), "new", New));
        Bind(Left.path(), Right.path());
        Analyze();
        QVERIFY(RowNamed(Root(), QStringLiteral("same.txt")) == nullptr);
        Page->rb_all->setFocus();
        Page->rb_all->setChecked(true);
        QVERIFY(RowNamed(Root(), QStringLiteral("same.txt")) != nullptr);
        Page->rb_changed->setChecked(true);
        QVERIFY(RowNamed(Root(), QStringLiteral("same.txt")) == nullptr);

        TResultRow* row = RowNamed(Root(), QStringLiteral("new.txt"));
        QCOMPARE(qint32(row->Direction), SyncDirection::LeftToRight);
        const QModelIndex index = Page->VST1->ResultModel()->IndexOf(row);
        Page->VST1->setFocus();
        Page->VST1->setCurrentIndex(index);
        QTest::keyClick(Page->VST1, Qt::Key_Space);
        QCOMPARE(qint32(row->Direction), SyncDirection::None);
        QTest::keyClick(Page->VST1, Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(qint32(row->Direction), SyncDirection::LeftToRight);
        // The Action menu's commands act on the current row; a file only on the
        // left cannot be copied to the left.
        Page->CopyCurrentRow(false);
        QCOMPARE(qint32(row->Direction), SyncDirection::LeftToRight);
        Page->DoNotCopyCurrentRow();
        Page->DoNotCopyCurrentRow();
        QCOMPARE(qint32(row->Direction), SyncDirection::None);
        QTest::keyClick(Page->VST1, Qt::Key_Menu);
        QTRY_VERIFY(Page->pop_direction->isVisible());
        Page->pop_direction->hide();
    }
};

QTEST_MAIN(TestQuillonMain)
#include "tst_quillonmain.moc"
