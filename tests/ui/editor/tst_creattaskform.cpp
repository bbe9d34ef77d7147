#include "AccessibleFace.h"
#include "KeyboardUser.h"
#include "ScriptedDialogs.h"
#include "SkinTestHelpers.h"
#include "jobs/PackedDateTime.h"
#include "jobs/UTSyncTask.h"
#include "ui/editor/UCreatTaskForm.h"
#include "ui/kit/UChooseRoForm.h"
#include "ui/skin/ImageExButton.h"
#include "ui/skin/SkinResourceUnit.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

constexpr qint64 MB = 1048576;

QStringList Rows(const QTableWidget* grid)
{
    QStringList rows;
    for (int row = 0; row < grid->rowCount(); ++row)
        rows.append(grid->item(row, 0)->text() + QLatin1Char('=') + grid->item(row, 1)->text());
    return rows;
}

QString Size(const QLineEdit* number, const QComboBox* unit)
{
    return number->text() + QLatin1Char(' ') + unit->currentText();
}

// 15 March 2007, 14:30, packed.
constexpr qint32 March15 = (27 << 25) | (3 << 21) | (15 << 16) | (14 << 11) | (30 << 5);

} // namespace

class TestCreatTaskForm : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TCreatTaskForm> Form;

    TCreatTaskForm& Open(int index)
    {
        Form = std::make_unique<TCreatTaskForm>();
        Form->TaskIndex = index;
        Form->show();
        return *Form;
    }

    // A job of the list, as read from a task list file; its position.
    static int Loaded(const QString& name)
    {
        auto job = NewLocalJob(name, QStringLiteral("/l"), QStringLiteral("/r"));
        job->ListState = JobListState::Loaded;
        SyncTaskList->AppendLoaded(std::move(job));
        return SyncTaskList->Count() - 1;
    }

private Q_SLOTS:
    void init() { CreateTaskList(); }
    void cleanup() { Form.reset(); }

    void newJobOpensWithTheFormDefaultsAndOkAddsIt()
    {
        TCreatTaskForm& form = Open(-1);
        QCOMPARE(form.size(), QSize(570, 550));
        QVERIFY(form.OkButton->isVisible() && !form.applyButton->isVisible());
        QVERIFY(form.edit_taskname->isEnabled());
        QCOMPARE(form.edit_taskname->maxLength(), 50);
        QVERIFY(form.rb_sync->isChecked());
        QCOMPARE(form.cb_syncdirect->currentText(), QStringLiteral("Left to Right"));
        QCOMPARE(form.edit_exfiletimemin->text(), QStringLiteral("01-01-1980 00:00"));
        QVERIFY(!form.edit_exfiletimemin->isEnabled());
        QCOMPARE(form.Edit_infilesizemax_b->currentText(), QStringLiteral("B"));
        QCOMPARE(Rows(form.vedit_exclude), QStringList{QStringLiteral("0=")});
        QCOMPARE(form.edit_hours->value(), 2);
        QCOMPARE(form.edit_minutes->value(), 0);
        QVERIFY(form.edit_hours->isEnabled() && form.edit_minutes->isEnabled());
        for (QCheckBox* off : {form.rb_forcedcopy, form.cb_usetasktags})
            QVERIFY(!off->isEnabled());
        QVERIFY(form.rb_Verified->isEnabled() && !form.rb_Verified->isChecked());
        QVERIFY(!form.cb_excludeempty->isVisibleTo(&form));
        QVERIFY(form.cb_prodelete->isVisibleTo(&form) && !form.cb_prodelete->isChecked());
        form.ShowPage(TCreatTaskForm::SchedulingPage);
        QVERIFY(form.cb_resolveconflicts->isVisibleTo(&form) &&
                form.cb_resolveconflicts->isChecked());
        form.ShowPage(TCreatTaskForm::GeneralPage);
        QCOMPARE(form.Notebook1->currentIndex(), 0);
        QVERIFY(SameImage(form.select1Button->Picture(), LoadJpgPicture(QStringLiteral("ieb2"))));
        QVERIFY(SameImage(form.select2Button->Picture(), LoadJpgPicture(QStringLiteral("ieb1"))));

        // An empty name: nothing happens, nothing is said.
        TScriptedDialogs dialogs;
        form.OkButtonClick();
        QVERIFY(form.isVisible());
        QVERIFY(dialogs.Asked.isEmpty());

        form.edit_taskname->setText(QStringLiteral("  "));
        form.OkButtonClick();
        QVERIFY(form.Confirmed);
        QVERIFY(!form.isVisible());
        QCOMPARE(SyncTaskList->Count(), 1);
        TSyncTask* job = SyncTaskList->TaskByIndex(0);
        QCOMPARE(form.Task, job);
        QCOMPARE(job->SyncName, QStringLiteral("  "));
        QCOMPARE(job->ListState, JobListState::Added);
        QCOMPARE(job->LFolder.DeviceType, SideDevice::LocalFolder);
        QCOMPARE(job->RFolder.DeviceType, SideDevice::LocalFolder);
        QVERIFY(job->SyncID.isEmpty());
        QCOMPARE(job->ExcFileSizeMin, -1);
        QCOMPARE(job->IncFileTimeMax, -1);
        QCOMPARE(job->Hours, 2);
        // New jobs decide by the last sync and carry no deletions over.
        QCOMPARE(job->Conflicts, 1);
        QCOMPARE(job->IsDeleteFile, 0);
    }

    void aUsedNameIsRefusedRespectingLetterCase()
    {
        Loaded(QStringLiteral(" Docs "));
        SyncTaskList->MarkDeleted(Loaded(QStringLiteral("Old")));
        TScriptedDialogs dialogs;
        TCreatTaskForm& form = Open(-1);
        for (const char* used : {"Docs", "Old"}) {
            form.ShowPage(TCreatTaskForm::SchedulingPage);
            form.edit_taskname->setText(QString::fromLatin1(used));
            form.OkButtonClick();
            QVERIFY(form.isVisible());
            QCOMPARE(dialogs.Asked.last().Text,
                     QStringLiteral("The Job name exists, please rename the new job!"));
            QCOMPARE(form.Notebook1->currentIndex(), 0);
        }
        QCOMPARE(SyncTaskList->Count(), 2);
        form.edit_taskname->setText(QStringLiteral("docs"));
        form.OkButtonClick();
        QVERIFY(form.Confirmed);
        QCOMPARE(SyncTaskList->Count(), 3);
    }

    void cancelAndClosePictureDropTheNewJob()
    {
        for (int way = 0; way < 2; ++way) {
            TCreatTaskForm& form = Open(-1);
            form.edit_taskname->setText(QStringLiteral("Docs"));
            if (way == 0)
                form.CancelButtonClick();
            else
                QTest::mouseClick(form.SMCLoseBtn, Qt::LeftButton);
            QVERIFY(!form.isVisible());
            QVERIFY(!form.Confirmed);
            QVERIFY(form.Task == nullptr);
            QCOMPARE(SyncTaskList->Count(), 0);
        }
    }

    // Every field shown by the editor comes back as it was after Apply.
    void applyStoresBackWhatWasFilled()
    {
        TSyncTask& job = *SyncTaskList->TaskByIndex(Loaded(QStringLiteral("Photos")));
        job.SyncDirection = 1;
        job.SaveOldFile = job.EstimateDiskSpace = job.UseTempFile = job.IsDeleteFile = 1;
        job.Conflicts = 1;
        job.WatchSync = 1;
        job.WatchQuietSeconds = 12;
        // Verified is bit 2; the other bits stay as they were read.
        job.ForcedOrVerified = 3;
        job.ExcludeFilterr = {QStringLiteral(" *.tmp"), QStringLiteral("/cache")};
        job.IncludeFilterr = {QStringLiteral("*.jpg")};
        job.ExcFileSizeMin = 1000;
        job.ExcFileSizeMax = 20 * 1024;
        job.IncFileSizeMin = 3000 * MB;
        job.IncFileSizeMax = 9999 * MB;
        job.ExcFileTimeMin = March15;
        job.ExcFileTimeMax = March15 + (1 << 25);
        job.IncFileTimeMin = March15 + (1 << 16);
        job.IncFileTimeMax = March15 + (1 << 11);
        job.ExcludeEmtpyFolder = job.ExcludeSystemFile = job.ExcludeHiddenFile = 1;
        job.StartSync = job.StartAnalyze = job.ConnectSync = job.ConnectAnalyze = 1;
        job.LogoffSync = job.LogoffAnalyze = job.PeriodAnalyze = 1;
        job.Hours = 12;
        job.minutes = 45;

        TCreatTaskForm& form = Open(0);
        QVERIFY(form.applyButton->isVisible() && !form.OkButton->isVisible());
        QVERIFY(!form.edit_taskname->isEnabled());
        QCOMPARE(form.edit_lfolder->text(), QStringLiteral("/l"));
        QVERIFY(form.rb_backup->isChecked());
        QCOMPARE(form.cb_syncdirect->currentText(), QStringLiteral("Right to Left"));
        QCOMPARE(form.edit_exfiletimemin->text(), QStringLiteral("03-15-2007 14:30"));
        QCOMPARE(Size(form.Edit_infilesizemin, form.Edit_infilesizemin_b),
                 QStringLiteral("3000 MB"));
        QCOMPARE(Rows(form.vedit_exclude),
                 (QStringList{QStringLiteral("0= *.tmp"), QStringLiteral("1=/cache")}));
        QVERIFY(form.edit_hours->isEnabled());

        const auto stored = [](const TSyncTask& t) {
            return QVariantList{t.SyncName,
                                t.SyncDirection,
                                t.SaveOldFile,
                                t.EstimateDiskSpace,
                                t.UseTempFile,
                                t.IsDeleteFile,
                                t.Conflicts,
                                t.ExcludeFilterr,
                                t.IncludeFilterr,
                                t.ExcFileSizeMin,
                                t.ExcFileSizeMax,
                                t.IncFileSizeMin,
                                t.IncFileSizeMax,
                                t.ExcFileTimeMin,
                                t.ExcFileTimeMax,
                                t.IncFileTimeMin,
                                t.IncFileTimeMax,
                                t.ExcludeEmtpyFolder,
                                t.ExcludeSystemFile,
                                t.ExcludeHiddenFile,
                                t.StartSync,
                                t.StartAnalyze,
                                t.ConnectSync,
                                t.ConnectAnalyze,
                                t.LogoffSync,
                                t.LogoffAnalyze,
                                t.PeriodSync,
                                t.PeriodAnalyze,
                                t.Hours,
                                t.minutes,
                                t.WatchSync,
                                t.WatchQuietSeconds,
                                t.ForcedOrVerified};
        };
        const QVariantList before = stored(job);
        form.applyButtonClick();
        QVERIFY(form.Confirmed);
        QCOMPARE(stored(job), before);

        // And every field the other way round.
        Open(0);
        for (QCheckBox* box : Form->findChildren<QCheckBox*>())
            box->setChecked(false);
        Form->rb_sync->setChecked(true);
        Form->vedit_exclude->item(0, 1)->setText(QString());
        Form->vedit_include->item(0, 1)->setText(QStringLiteral("  "));
        Form->applyButtonClick();
        QCOMPARE(stored(job), (QVariantList{QStringLiteral("Photos"),
                                            0,
                                            0,
                                            0,
                                            0,
                                            0,
                                            0,
                                            QStringList{QStringLiteral("/cache")},
                                            QStringList{},
                                            -1,
                                            -1,
                                            -1,
                                            -1,
                                            -1,
                                            -1,
                                            -1,
                                            -1,
                                            0,
                                            0,
                                            0,
                                            0,
                                            0,
                                            0,
                                            0,
                                            0,
                                            0,
                                            0,
                                            0,
                                            0,
                                            0,
                                            0,
                                            12,
                                            1}));
    }

    void sizesShowInTheLargestUnitUpTo1024_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<qint64>("storedBack");
        QTest::newRow("1024 B") << qint64(1024) << "1024 B" << qint64(1024);
        QTest::newRow("1 KB") << qint64(1025) << "1 KB" << qint64(1024);
        QTest::newRow("1536 B") << qint64(1536) << "1 KB" << qint64(1024);
        QTest::newRow("1024 KB") << qint64(1048577) << "1024 KB" << qint64(1048576);
        QTest::newRow("1 MB") << qint64(1025 * 1024) << "1 MB" << MB;
        QTest::newRow("3000 MB") << 3000 * MB << "3000 MB" << 3000 * MB;
    }

    void sizesShowInTheLargestUnitUpTo1024()
    {
        QFETCH(qint64, bytes);
        TSyncTask& job = *SyncTaskList->TaskByIndex(Loaded(QStringLiteral("Sizes")));
        job.ExcFileSizeMax = bytes;
        TCreatTaskForm& form = Open(0);
        QFETCH(QString, shown);
        QFETCH(qint64, storedBack);
        QCOMPARE(Size(form.Edit_exfilesizemax, form.Edit_exfilesizemax_b), shown);
        form.applyButtonClick();
        QCOMPARE(job.ExcFileSizeMax, storedBack);
    }

    void sizesAreTypedInDigitsAndUnits()
    {
        TSyncTask& job = *SyncTaskList->TaskByIndex(Loaded(QStringLiteral("Sizes")));
        job.IncFileSizeMax = 77;
        TCreatTaskForm& form = Open(0);
        form.cb_infilesizemin->setChecked(true);
        QTest::keyClicks(form.Edit_infilesizemin, QStringLiteral("3x0a00-9"));
        QCOMPARE(form.Edit_infilesizemin->text(), QStringLiteral("3000"));
        form.Edit_infilesizemin_b->setCurrentIndex(2);
        // Ticked but blank: the limit stays as it was.
        form.Edit_infilesizemax->clear();
        form.cb_exfilesizemin->setChecked(true);
        form.applyButtonClick();
        QCOMPARE(job.IncFileSizeMin, 3000 * MB);
        QCOMPARE(job.IncFileSizeMax, 77);
        QCOMPARE(job.ExcFileSizeMin, -1);
    }

    void everyFilterBoxEnablesItsFields()
    {
        TCreatTaskForm& form = Open(-1);
        const QList<std::pair<QCheckBox*, QList<QWidget*>>> boxes = {
            {form.cb_exfilesizemin, {form.Edit_exfilesizemin, form.Edit_exfilesizemin_b}},
            {form.cb_filesizemax, {form.Edit_exfilesizemax, form.Edit_exfilesizemax_b}},
            {form.cb_infilesizemin, {form.Edit_infilesizemin, form.Edit_infilesizemin_b}},
            {form.cb_infilesizemax, {form.Edit_infilesizemax, form.Edit_infilesizemax_b}},
            {form.cb_exfiletimemin, {form.edit_exfiletimemin}},
            {form.cb_exfiletimemax, {form.edit_exfiletimemax}},
            {form.cb_infiletimemin, {form.edit_infiletimemin}},
            {form.cb_infiletimemax, {form.edit_infiletimemax}}};
        for (const auto& [box, fields] : boxes) {
            for (bool on : {true, false}) {
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
                QCOMPARE(box->isChecked(), on);
                for (QWidget* field : fields)
                    QCOMPARE(field->isEnabled(), on);
            }
        }
    }

    void periodBoxesFollowEachOther()
    {
        TCreatTaskForm& form = Open(-1);
        form.edit_taskname->setText(QStringLiteral("Timed"));
        form.cb_syncperiod->setChecked(true);
        QVERIFY(form.cb_anaperiod->isChecked());
        QVERIFY(!form.cb_anaperiod->isEnabled());
        form.cb_syncperiod->setChecked(false);
        QVERIFY(form.cb_anaperiod->isEnabled() && form.cb_anaperiod->isChecked());
        form.cb_anaperiod->setChecked(false);
        QVERIFY(!form.edit_hours->isEnabled() && !form.edit_minutes->isEnabled());
        QCOMPARE(form.edit_hours->value(), 0);
        form.OkButtonClick();
        const TSyncTask& timed = *form.Task;
        QCOMPARE(timed.Hours, 0);
        QCOMPARE(timed.minutes, 0);
        QCOMPARE(timed.PeriodAnalyze, 0);

        // Sync ticked, analysis not: the stored period shows in locked boxes.
        TSyncTask& job = *SyncTaskList->TaskByIndex(Loaded(QStringLiteral("Odd")));
        job.PeriodSync = 1;
        job.Hours = 5;
        job.minutes = 7;
        Open(1);
        QVERIFY(Form->cb_syncperiod->isChecked());
        QVERIFY(!Form->cb_anaperiod->isChecked() && !Form->cb_anaperiod->isEnabled());
        QVERIFY(!Form->edit_hours->isEnabled() && !Form->edit_minutes->isEnabled());
        QCOMPARE(Form->edit_hours->value(), 5);
        QCOMPARE(Form->edit_minutes->value(), 7);
        // A period left empty is stored as none.
        Form->edit_minutes->findChild<QLineEdit*>()->clear();
        Form->applyButtonClick();
        QCOMPARE(job.minutes, -1);
        QCOMPARE(job.Hours, 5);
    }

    void patternGridsGrowShrinkAndSkipBlankRows()
    {
        TCreatTaskForm& form = Open(-1);
        form.edit_taskname->setText(QStringLiteral("Patterns"));
        form.vedit_include->item(0, 1)->setText(QStringLiteral("a"));
        for (const char* value : {"b", "c"}) {
            form.bt_addinclude->click();
            form.vedit_include->item(form.vedit_include->rowCount() - 1, 1)
                ->setText(QString::fromLatin1(value));
        }
        form.vedit_include->setCurrentCell(1, 1);
        // Enter in a field is no click on a row button.
        QTest::keyClick(form.edit_taskname, Qt::Key_Return);
        QCOMPARE(form.vedit_include->rowCount(), 3);
        form.bt_delinclude->click();
        QCOMPARE(Rows(form.vedit_include),
                 (QStringList{QStringLiteral("0=a"), QStringLiteral("1=c")}));
        form.bt_addexclude->click();
        form.vedit_exclude->item(1, 1)->setText(QStringLiteral("*.o"));
        form.OkButtonClick();
        QCOMPARE(form.Task->IncludeFilterr,
                 (QStringList{QStringLiteral("a"), QStringLiteral("c")}));
        QCOMPARE(form.Task->ExcludeFilterr, QStringList{QStringLiteral("*.o")});
    }

    void badDatesAndControlCharactersAreRefusedOnTheirPage_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("message");
        const QString date =
            QStringLiteral("Please enter a valid date and time (MM-DD-YYYY hh:mm).");
        const QString control = QStringLiteral("The text may not contain control characters.");
        QTest::newRow("month 13") << "edit_exfiletimemin"
                                  << "13-01-2007 10:00" << 1 << date;
        QTest::newRow("empty hour") << "edit_infiletimemax"
                                    << "01-01-2007 __:00" << 1 << date;
        QTest::newRow("1979") << "edit_infiletimemin"
                              << "12-31-1979 23:59" << 1 << date;
        QTest::newRow("2108") << "edit_exfiletimemax"
                              << "01-01-2108 00:00" << 1 << date;
        QTest::newRow("name") << "edit_taskname"
                              << "Do\x01cs" << 0 << control;
        QTest::newRow("pattern") << "vedit_include"
                                 << "*.t\txt" << 1 << control;
    }

    void badDatesAndControlCharactersAreRefusedOnTheirPage()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        TScriptedDialogs dialogs;
        TCreatTaskForm& form = Open(-1);
        form.edit_taskname->setText(QStringLiteral("Docs"));
        for (QCheckBox* box : {form.cb_exfiletimemin, form.cb_exfiletimemax, form.cb_infiletimemin,
                               form.cb_infiletimemax})
            box->setChecked(true);
        if (auto* grid = form.findChild<QTableWidget*>(field))
            grid->item(0, 1)->setText(text);
        else
            form.findChild<QLineEdit*>(field)->setText(text);
        form.ShowPage(TCreatTaskForm::SchedulingPage);
        form.OkButtonClick();
        QVERIFY(form.isVisible());
        QCOMPARE(SyncTaskList->Count(), 0);
        QCOMPARE(dialogs.Asked.size(), 1);
        QFETCH(QString, message);
        QFETCH(int, page);
        QCOMPARE(dialogs.Asked.last().Text, message);
        QCOMPARE(form.Notebook1->currentIndex(), page);

        // A year the packed time cannot compare (from 2044 on) keeps its last moment.
        if (field == QLatin1String("edit_exfiletimemax")) {
            form.edit_exfiletimemax->setText(QStringLiteral("06-30-2050 12:00"));
            form.OkButtonClick();
            QVERIFY(form.Confirmed);
            QCOMPARE(form.Task->ExcFileTimeMax, PackedDateTime::Latest);
            QCOMPARE(form.Task->ExcFileTimeMin, PackedDateTime::Earliest);
        }
    }

    void browseKeepsTheChosenFolderAfterCancel()
    {
        QTemporaryDir chosen;
        TSyncTask& job = *SyncTaskList->TaskByIndex(Loaded(QStringLiteral("Docs")));
        TCreatTaskForm& form = Open(0);
        QTimer::singleShot(0, [&chosen] {
            auto* chooser = qobject_cast<TChooseRoForm*>(QApplication::activeModalWidget());
            if (chooser == nullptr)
                return;
            chooser->Edit_Address->setText(chosen.path());
            chooser->OkButtonClick();
        });
        QTest::mouseClick(form.lbrowseButton, Qt::LeftButton);
        QCOMPARE(form.edit_lfolder->text(), chosen.path());
        form.CancelButtonClick();
        QVERIFY(!form.Confirmed);
        QCOMPARE(job.LFolder.FolerAllName, chosen.path());

        // A side that is no local folder has nothing to browse.
        job.RFolder.DeviceType = SideDevice::None;
        Open(0);
        QTest::mouseClick(Form->RFolderImage, Qt::LeftButton);
        QCOMPARE(job.RFolder.FolerAllName, QStringLiteral("/r"));
    }

    void editorIsReadAndReachedByTab()
    {
        TCreatTaskForm& form = Open(-1);
        QCOMPARE(AccessibleFace(&form), QStringLiteral("Dialog 'Sync job' []"));
        const QString button = QStringLiteral("Button '%1' [Press,SetFocus] focusable");
        const QString tab = QStringLiteral("PageTab '%1' [Press,SetFocus] focusable");
        QCOMPARE(AccessibleFaces({form.lbrowseButton, form.RFolderImage, form.cb_syncdirect,
                                  form.select1Button, form.select2Button, form.select3Button,
                                  form.OkButton, form.CancelButton, form.SMCLoseBtn}),
                 QStringList(
                     {button.arg(QStringLiteral("Browse Left Folder")),
                      button.arg(QStringLiteral("Browse Right Folder")),
                      QStringLiteral("ComboBox 'Backup direction' [ShowMenu,SetFocus] "
                                     "focusable"),
                      tab.arg(QStringLiteral("General")), tab.arg(QStringLiteral("Filter")),
                      tab.arg(QStringLiteral("Scheduling")), button.arg(QStringLiteral("OK")),
                      button.arg(QStringLiteral("Cancel")), button.arg(QStringLiteral("Close"))}));
        QCOMPARE(
            QAccessible::queryAccessibleInterface(form.cb_syncdirect)->text(QAccessible::Value),
            QStringLiteral("Left to Right"));

        for (const QAbstractButton* box : form.findChildren<QAbstractButton*>())
            QVERIFY2(!box->text().contains(QStringLiteral("Quillon")), qPrintable(box->text()));
        QVERIFY(form.Label1->text().contains(QStringLiteral("Brenvale will propagate")));

        // The fields first, then the page buttons, OK, Cancel and the close picture.
        const QStringList order = TabOrder(&form);
        QCOMPARE(order.first(), QStringLiteral("edit_taskname"));
        QCOMPARE(order.mid(order.size() - 6),
                 QStringList({QStringLiteral("select1Button"), QStringLiteral("select2Button"),
                              QStringLiteral("select3Button"), QStringLiteral("OkButton"),
                              QStringLiteral("CancelButton"), QStringLiteral("SMCLoseBtn")}));

        // Tab and Shift+Tab pass through the pattern grid.
        form.ShowPage(TCreatTaskForm::FilterPage);
        QApplication::setActiveWindow(&form);
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.vedit_exclude->setFocus();
        QTest::keyClick(form.vedit_exclude, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form.bt_addexclude));
        form.vedit_exclude->setFocus();
        QTest::keyClick(form.vedit_exclude, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form.cb_exfiletimemax));
    }

    // The choices of the last sync, the watch and verified copies: check boxes
    // and a spin box a screen reader names, each reached by Tab on its page.
    void newChoicesAreReadAndReachedByTab()
    {
        TCreatTaskForm& form = Open(-1);
        const QString box = QStringLiteral("CheckBox '%1' [Toggle,SetFocus] focusable");
        QCOMPARE(AccessibleFaces({form.cb_prodelete, form.rb_Verified}),
                 (QStringList{box.arg(QStringLiteral("Propagate Deletions")),
                              box.arg(QStringLiteral("Verified"))}));
        QStringList order = TabOrder(&form);
        for (const char* name : {"rb_Verified", "cb_prodelete"})
            QVERIFY2(order.contains(QString::fromLatin1(name)), name);
        form.ShowPage(TCreatTaskForm::SchedulingPage);
        QCOMPARE(AccessibleFace(form.cb_resolveconflicts),
                 box.arg(QStringLiteral("Decide by the last sync")));
        QCOMPARE(AccessibleFace(form.cb_watchsync),
                 box.arg(QStringLiteral("Sync when files change, after")));
        QVERIFY(AccessibleFace(form.edit_quiet)
                    .startsWith(QStringLiteral("SpinBox 'Seconds of quiet'")));
        order = TabOrder(&form);
        for (const char* name : {"cb_resolveconflicts", "cb_watchsync"})
            QVERIFY2(order.contains(QString::fromLatin1(name)), name);
        // The spin box takes Tab once the watch is chosen.
        QVERIFY(!order.contains(QStringLiteral("edit_quiet")));
        QTest::mouseClick(form.cb_watchsync, Qt::LeftButton);
        QVERIFY(TabOrder(&form).contains(QStringLiteral("edit_quiet")));
        QAccessible::queryAccessibleInterface(form.cb_resolveconflicts)
            ->actionInterface()
            ->doAction(QAccessibleActionInterface::toggleAction());
        QVERIFY(!form.cb_resolveconflicts->isChecked());
    }

    // A new job made with the keyboard alone, its folders typed in the chooser.
    void keyboardMakesAJobWithTypedFolders()
    {
        QTemporaryDir left;
        QTemporaryDir right;
        TCreatTaskForm& form = Open(-1);
        QApplication::setActiveWindow(&form);
        QVERIFY(QTest::qWaitForWindowActive(&form));
        const auto key = [](int code) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(code));
        };
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Typed"));
        key(Qt::Key_Tab); // the left folder
        key(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form.lbrowseButton));
        AnswerChooser(left.path());
        key(Qt::Key_Space);
        QCOMPARE(form.edit_lfolder->text(), left.path());
        QApplication::setActiveWindow(&form); // as the desktop does when a dialog closes
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form.lbrowseButton));
        key(Qt::Key_Tab); // the right folder
        key(Qt::Key_Tab);
        AnswerChooser(right.path());
        key(Qt::Key_Return);
        QCOMPARE(form.edit_rfolder->text(), right.path());
        QApplication::setActiveWindow(&form); // as the desktop does when a dialog closes
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form.RFolderImage));
        for (int step = 0; step < 60 && QApplication::focusWidget() != form.OkButton; ++step)
            key(Qt::Key_Tab);
        key(Qt::Key_Space);
        QVERIFY(form.Confirmed);
        QCOMPARE(SyncTaskList->Count(), 1);
        QCOMPARE(SyncTaskList->TaskByIndex(0)->LFolder.FolerAllName, left.path());
        QCOMPARE(SyncTaskList->TaskByIndex(0)->RFolder.FolerAllName, right.path());
    }

    void everyControlHasAnAccessibleName()
    {
        TCreatTaskForm& form = Open(-1);
        for (QWidget* control : form.findChildren<QWidget*>()) {
            if (control->parentWidget() != nullptr &&
                qobject_cast<QTableWidget*>(control->parentWidget()->parentWidget()))
                continue;
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
            if (accessible == nullptr || control->objectName().startsWith(QLatin1String("qt_")) ||
                control->objectName().isEmpty())
                continue;
            QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(),
                     qPrintable(control->objectName()));
        }
        QCOMPARE(QAccessible::queryAccessibleInterface(form.edit_hours)->text(QAccessible::Name),
                 QStringLiteral("Hours"));
    }
};

QTEST_MAIN(TestCreatTaskForm)
#include "tst_creattaskform.moc"
