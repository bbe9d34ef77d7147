// The real main window driven as an impatient user drives it: a seeded random
// sequence of a few hundred actions over real folders, the window painted after
// each. Run in the sanitizer build, any use of freed rows or a leak fails it. The
// seed is printed; BRENVALE_SOAK_SEED repeats a run, BRENVALE_SOAK_STEPS makes it
// longer.

#include "ScriptedDialogs.h"
#include "TreeBuilder.h"
#include "common/DataFolder.h"
#include "engine/UResultRow.h"
#include "jobs/TaskListFile.h"
#include "jobs/UTSyncTask.h"
#include "ui/editor/UCreatTaskForm.h"
#include "ui/page/ResultTreeModel.h"
#include "ui/page/ResultTreeView.h"
#include "ui/page/UQuillonMain.h"
#include "ui/shell/UQuillonFom.h"
#include "ui/skin/ImageExButton.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

constexpr int FilesPerSide = 1500;

// Files on both sides, a third changed on each, so that both directions copy.
void BuildTrees(const QString& left, const QString& right)
{
    TreeBuilder l(left), r(right);
    const QDateTime old = LocalTime(2021, 3, 4);
    const QDateTime newer = LocalTime(2023, 5, 6);
    for (int i = 0; i < FilesPerSide; ++i) {
        const QString name = QStringLiteral("d%1/s%2/f%3.txt").arg(i % 7).arg(i % 3).arg(i);
        QVERIFY(l.file(name, "left", i % 3 == 0 ? newer : old));
        if (i % 5 != 0)
            QVERIFY(r.file(name, "right", i % 3 == 1 ? newer : old));
    }
}

// Presses a picture button as a screen reader does.
void Press(QWidget* button)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(button);
    if (face != nullptr && face->actionInterface() != nullptr)
        face->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
}

} // namespace

class TestSoak : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Home;
    QTemporaryDir Folders;
    std::unique_ptr<TQuillonFom> Window;
    QRandomGenerator Random;
    int JobsMade = 0;

    int Pick(int count) { return int(Random.bounded(quint32(count))); }

    QString FolderOf(int job, const char* side) const
    {
        return Folders.filePath(QStringLiteral("job%1-%2").arg(job % 2).arg(QLatin1String(side)));
    }

    // The page of the current tab; null when every job was deleted.
    TQuillonMain* CurrentPage() const
    {
        const int index = Window->CurrentJobIndex();
        if (index < 0 || index >= Window->JobTabs.size())
            return nullptr;
        return Window->JobTabs.at(index).Page;
    }

    // A place over the tree's rows, often over the three arrow cells.
    QPoint PlaceOverRows(TResultTreeView* tree)
    {
        const int y = Pick(std::max(1, tree->viewport()->height()));
        int x = Pick(std::max(1, tree->viewport()->width()));
        if (Pick(2) == 0) {
            const int column = 4 + Pick(3);
            x = tree->header()->sectionViewportPosition(column) +
                tree->header()->sectionSize(column) / 2;
        }
        return QPoint(x, y);
    }

    void HoverAndClick(TQuillonMain& page)
    {
        QWidget* viewport = page.VST1->viewport();
        for (int i = 0; i < 4; ++i) {
            const QPoint at = PlaceOverRows(page.VST1);
            QTest::mouseMove(viewport, at);
            if (Pick(3) == 0)
                QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
        }
    }

    // The row menu by the right button, with one of its entries chosen at times;
    // the questions it asks get a random answer.
    void RowMenu(TQuillonMain& page, TScriptedDialogs& dialogs)
    {
        const QPoint at = PlaceOverRows(page.VST1);
        QTest::mouseClick(page.VST1->viewport(), Qt::RightButton, Qt::NoModifier, at);
        if (!page.pop_direction->isVisible())
            return;
        const QList<QAction*> entries = page.pop_direction->actions();
        QAction* chosen = entries.at(Pick(int(entries.size())));
        page.pop_direction->hide();
        // Opening files would start other programs; deleting and restoring is
        // what may lose rows under the user's hands.
        const bool opens = chosen == page.CopyTimeLtoR1 || chosen == page.LeftToRight1 ||
                           chosen == page.DonotCopy1 || chosen == page.N1 ||
                           chosen == page.Openthepreviousfileofleft1 ||
                           chosen == page.Openthepreviousfileofright1;
        if (chosen->isSeparator() || opens || !chosen->isEnabled() || Pick(2) == 0)
            return;
        dialogs.Answer(Pick(2) == 0 ? QMessageBox::Yes : QMessageBox::No);
        // A timed analysis may start while the question is open.
        if (Pick(2) == 0)
            QTimer::singleShot(0, &page, [&page] { page.BitBtn_AnalyzeClick(); });
        chosen->trigger();
    }

    // Plays the user of the job editor once it is open: fills it and confirms;
    // an editor that refuses the answer is cancelled.
    void WhenEditorOpens(std::function<void(TCreatTaskForm&)> fill, int triesLeft = 200)
    {
        QTimer::singleShot(5, this, [this, fill, triesLeft] {
            QPointer<TCreatTaskForm> form =
                qobject_cast<TCreatTaskForm*>(QApplication::activeModalWidget());
            if (form == nullptr) {
                if (triesLeft > 0)
                    WhenEditorOpens(fill, triesLeft - 1);
                return;
            }
            fill(*form);
            if (form && form->isVisible())
                form->CancelButtonClick();
        });
    }

    void AddJob()
    {
        const int made = JobsMade++;
        WhenEditorOpens([made](TCreatTaskForm& form) {
            form.edit_taskname->setText(QStringLiteral("Soak %1").arg(made));
            form.OkButtonClick();
        });
        Press(Window->bt_addtask);
        QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
        // A new job has no folders: give it the trees of an existing one.
        const int last = SyncTaskList->Count() - 1;
        TSyncTask* job = SyncTaskList->TaskByIndex(last);
        if (job != nullptr && job->LFolder.FolerAllName.isEmpty()) {
            job->LFolder.FolerAllName = FolderOf(made, "left");
            job->RFolder.FolerAllName = FolderOf(made, "right");
            Window->JobTabs.at(last).Page->BindToJob(last);
        }
    }

    void EditJob()
    {
        const bool analyzeAtStart = Pick(2) == 0;
        WhenEditorOpens([analyzeAtStart](TCreatTaskForm& form) {
            form.cb_anaitstart->setChecked(analyzeAtStart);
            form.OkButtonClick();
        });
        Window->addnewjobFromTemplate1->trigger();
        QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
    }

    void DeleteJob(TScriptedDialogs& dialogs)
    {
        // Keep one job, so that most actions have a page to act on.
        int shown = 0;
        for (const auto& entry : std::as_const(Window->JobTabs))
            shown += entry.Picture->isHidden() ? 0 : 1;
        if (shown <= 1)
            return;
        dialogs.Answer(QMessageBox::Yes);
        Window->Delete1->trigger();
    }

    void SelectAnyTab()
    {
        QList<TImageEx*> shown;
        for (const auto& entry : std::as_const(Window->JobTabs)) {
            if (!entry.Picture->isHidden())
                shown.append(entry.Picture);
        }
        if (!shown.isEmpty())
            Press(shown.at(Pick(int(shown.size()))));
    }

    void Act(int action, TScriptedDialogs& dialogs)
    {
        TQuillonMain* page = CurrentPage();
        if (page == nullptr) {
            AddJob();
            return;
        }
        switch (action) {
        case 0:
        case 1:
            Press(page->BitBtn_Analyze);
            break;
        case 2:
            Press(page->BitBtn_cancel);
            break;
        case 3:
            Press(page->BitBtn_Sync);
            break;
        case 4:
        case 5:
        case 6:
            HoverAndClick(*page);
            break;
        case 7:
            RowMenu(*page, dialogs);
            break;
        case 8: {
            QRadioButton* filters[] = {page->rb_all, page->rb_changed, page->rb_conflicts,
                                       page->rb_errors};
            filters[Pick(4)]->setChecked(true);
            break;
        }
        case 9:
            SelectAnyTab();
            break;
        case 10:
            if (Pick(4) == 0)
                AddJob();
            else if (Pick(3) == 0)
                DeleteJob(dialogs);
            else
                EditJob();
            break;
        default:
            // A timed analysis comes due.
            page->PeriodMinutes = 0;
            page->PeriodTicks = 0;
            page->PeriodTimerTimer();
            break;
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("BRENVALE_HOME", Home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", Home.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", Home.filePath(QStringLiteral("data")).toUtf8());
        for (int job = 0; job < 2; ++job)
            BuildTrees(FolderOf(job, "left"), FolderOf(job, "right"));
    }

    void aFewHundredActionsOfAnImpatientUser()
    {
        const quint32 seed = qEnvironmentVariableIsSet("BRENVALE_SOAK_SEED")
                                 ? quint32(qEnvironmentVariableIntValue("BRENVALE_SOAK_SEED"))
                                 : quint32(QDateTime::currentMSecsSinceEpoch());
        const int steps = qEnvironmentVariableIsSet("BRENVALE_SOAK_STEPS")
                              ? qEnvironmentVariableIntValue("BRENVALE_SOAK_STEPS")
                              : 300;
        qInfo("soak seed %u (BRENVALE_SOAK_SEED=%u repeats this run), %d actions", seed, seed,
              steps);
        Random.seed(seed);

        TScriptedDialogs dialogs;
        CreateTaskList();
        for (int job = 0; job < 2; ++job) {
            SyncTaskList->AddToList(NewLocalJob(QStringLiteral("Job %1").arg(job),
                                                FolderOf(job, "left"), FolderOf(job, "right")));
            ++JobsMade;
        }
        Window = std::make_unique<TQuillonFom>();
        Window->resize(1000, 700);
        Window->show();

        for (int step = 0; step < steps; ++step) {
            Act(Pick(12), dialogs);
            QTest::qWait(Pick(4) == 0 ? 40 : 2);
            Window->grab();
        }

        // Whatever ran comes to its end, and the window still makes sense.
        for (const auto& entry : std::as_const(Window->JobTabs)) {
            if (entry.Page)
                QTRY_VERIFY_WITH_TIMEOUT(!entry.Page->IsRunning(), 60000);
        }
        QCoreApplication::processEvents();
        TQuillonMain* page = CurrentPage();
        // Never stuck: with no run going, Analyze works, or Cancel (after a
        // refused start) brings it back.
        if (page != nullptr) {
            QVERIFY(page->BitBtn_Analyze->isEnabled() || page->BitBtn_cancel->isEnabled());
            Press(page->BitBtn_cancel);
            QTRY_VERIFY(page->BitBtn_Analyze->isEnabled());
        }
        Window->grab();

        // Every job made and not deleted is in the job list's file already.
        int kept = 0;
        for (int i = 0; i < SyncTaskList->Count(); ++i)
            kept += SyncTaskList->TaskByIndex(i)->ListState == JobListState::Deleted ? 0 : 1;
        TSyncTaskList written;
        QCOMPARE(LoadTaskList(DataFolder::TaskListPath(), written).Result,
                 TTaskListLoad::Outcome::Loaded);
        QCOMPARE(written.Count(), kept);

        // Closed in the middle of a run, as the impatient user finally does.
        if (page != nullptr)
            page->BitBtn_AnalyzeClick();
        QTest::qWait(Pick(30));
        Window->close();
        Window.reset();
    }
};

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
