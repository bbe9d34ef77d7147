#include "AccessibleFace.h"
#include "MemoryCrontab.h"
#include "ScriptedDialogs.h"

#include "common/PublicFunctionUnit.h"
#include "schedule/AutostartEntry.h"
#include "schedule/ScheduleTaskUnit.h"
#include "ui/schedule/ScheduleManagerUnit.h"
#include "ui/schedule/UOptionFrm.h"
#include "ui/shell/UpdateMessages.h"
#include "ui/skin/ImageExButton.h"
#include "update/DMUnit.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QSettings>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>
#include <QTreeWidget>

namespace {

void Click(TImageEx* control)
{
    QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(5, 5));
}

// Every control a user can reach has an accessible name.
void CheckAccessibleNames(QWidget* window)
{
    const QList<QWidget*> controls = window->findChildren<QWidget*>();
    for (QWidget* control : controls) {
        if (qobject_cast<QCheckBox*>(control) || qobject_cast<QComboBox*>(control) ||
            qobject_cast<QAbstractSpinBox*>(control) || qobject_cast<QGroupBox*>(control) ||
            qobject_cast<QTreeWidget*>(control) || qobject_cast<TImageEx*>(control))
            QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
    }
}

} // namespace

class TestOptionFrm : public QObject
{
    Q_OBJECT

    QTemporaryDir Config;

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", Config.path().toUtf8());
        qputenv("BRENVALE_HOME", Config.path().toUtf8());
        InstallUpdateMessages();
        SetScheduleExecutablePath(QStringLiteral("/opt/brenvale/brenvale"));
    }

    void scheduleDialogFollowsKindAndClampsValues()
    {
        TScheduleManagerForm form;
        CheckAccessibleNames(&form);
        QCOMPARE(form.comScheduleTask->currentIndex(), 0);
        QVERIFY(!form.DailyGroup->isHidden() && form.WeeklyGroup->isHidden());
        QVERIFY(form.abScheduleTaskName->text().contains(QStringLiteral(" every day, starting ")));

        form.seEveryOfDaily->setValue(400);
        QCOMPARE(form.seEveryOfDaily->value(), 365);
        form.seEveryOfDaily->setValue(0);
        QCOMPARE(form.seEveryOfDaily->value(), 1);
        form.seEveryOfDaily->setValue(3);
        QVERIFY(form.abScheduleTaskName->text().contains(QStringLiteral(" every 3 days, ")));

        form.dtpStartTime->setTime(QTime(1, 2, 3));
        form.comScheduleTask->setCurrentIndex(1);
        QVERIFY(form.dtpStartTime->time() != QTime(1, 2, 3)); // back to now
        QVERIFY(form.CheckBoxMon->isChecked() && !form.CheckBoxFri->isChecked());
        QVERIFY(!form.WeeklyGroup->isHidden() && form.DailyGroup->isHidden());
        form.CheckBoxFri->setChecked(true);
        QVERIFY(form.abScheduleTaskName->text().contains(
            QStringLiteral(" every Mon,Fri of every week")));
        form.seEveryOfWeekly->setValue(57);
        QCOMPARE(form.KindValue(), 56);

        form.comScheduleTask->setCurrentIndex(2);
        form.seEveryOfMonthly->setValue(32);
        QCOMPARE(form.KindValue(), 31);
        QVERIFY(
            form.abScheduleTaskName->text().contains(QStringLiteral(" on day 31 of every month")));
        Click(form.OkButton);
        QVERIFY(form.Accepted());
    }

    void scheduleDialogIsReadAndReachedByTab()
    {
        TScheduleManagerForm form;
        QCOMPARE(AccessibleFaces(
                     {form.comScheduleTask, form.OkButton, form.CancelButton, form.SMCLoseBtn}),
                 QStringList({QStringLiteral("ComboBox 'Schedule Task:' [ShowMenu,SetFocus] "
                                             "focusable"),
                              QStringLiteral("Button 'OK' [Press,SetFocus] focusable"),
                              QStringLiteral("Button 'Cancel' [Press,SetFocus] focusable"),
                              QStringLiteral("Button 'Close' [Press,SetFocus] focusable")}));
        QCOMPARE(AccessibleFace(&form), QStringLiteral("Dialog 'Schedlueing' []"));
        QCOMPARE(TabOrder(&form),
                 QStringList({QStringLiteral("comScheduleTask"), QStringLiteral("dtpStartTime"),
                              QStringLiteral("seEveryOfDaily"), QStringLiteral("OkButton"),
                              QStringLiteral("CancelButton"), QStringLiteral("SMCLoseBtn")}));
        QVERIFY(form.lb_startjobs->text().contains(QStringLiteral("Sync On Brenvale start")));
    }

    void optionsAreReadAndReachedByTab()
    {
        TOptionFrm form;
        QCOMPARE(form.ChkRun->text(), QStringLiteral("Run when I log in"));
        const QString button = QStringLiteral("Button '%1' [Press,SetFocus] focusable");
        const QString tab = QStringLiteral("PageTab '%1' [Press,SetFocus] focusable");
        QCOMPARE(
            AccessibleFaces({form.select1Button, form.select2Button, form.CheckUpdateBtn,
                             form.ApplyBtn, form.AddScheduleBtn, form.RemoveScheduleBtn,
                             form.ClearAllBtn, form.SMCLoseBtn}),
            QStringList(
                {tab.arg(QStringLiteral("General Settings")), tab.arg(QStringLiteral("Scheduling")),
                 button.arg(QStringLiteral("Check now")), button.arg(QStringLiteral("Apply")),
                 button.arg(QStringLiteral("Add")), button.arg(QStringLiteral("Remove")),
                 button.arg(QStringLiteral("Clear All")), button.arg(QStringLiteral("Close"))}));
        QVERIFY(QAccessible::queryAccessibleInterface(form.select1Button)->state().selected);
        QCOMPARE(AccessibleFace(&form), QStringLiteral("Dialog 'Options' []"));
        QCOMPARE(TabOrder(&form),
                 QStringList({QStringLiteral("ChkRun"), QStringLiteral("cbCheckUpdate"),
                              QStringLiteral("CheckUpdateBtn"), QStringLiteral("select1Button"),
                              QStringLiteral("select2Button"), QStringLiteral("ApplyBtn"),
                              QStringLiteral("SMCLoseBtn")}));
        Click(form.select2Button);
        QCOMPARE(TabOrder(&form),
                 QStringList({QStringLiteral("ScheduleListView"), QStringLiteral("select1Button"),
                              QStringLiteral("select2Button"), QStringLiteral("AddScheduleBtn"),
                              QStringLiteral("RemoveScheduleBtn"), QStringLiteral("ClearAllBtn"),
                              QStringLiteral("SMCLoseBtn")}));
    }

    // The user asked for the check: a server that cannot be reached is told, and
    // no empty description file is left behind.
    void checkNowTellsThatTheServerCannotBeReached()
    {
        QSettings(SettingsFilePath(), QSettings::IniFormat)
            .setValue(QStringLiteral("UpdateServer"), QStringLiteral("http://127.0.0.1:1"));
        MyRegistryInfo.CheckUpdate = false;
        TDM dm;
        TScriptedDialogs dialogs;
        TOptionFrm form;
        Click(form.CheckUpdateBtn);
        QCOMPARE(dialogs.Asked.size(), 1);
        QCOMPARE(dialogs.Asked[0].Text,
                 QStringLiteral("Can not download the new version.\nBecause Can not connect "
                                "Brenvale,Please check the network."));
        QVERIFY(!QFile::exists(Config.path() + QStringLiteral("/Update.ini")));
    }

    void generalSettingsLoadAndApply()
    {
        QSettings(SettingsFilePath(), QSettings::IniFormat)
            .setValue(QStringLiteral("Version"), QStringLiteral("  "));
        TOptionFrm form;
        CheckAccessibleNames(&form);
        QCOMPARE(form.Notebook1->currentWidget(), form.GeneralSettings);
        QVERIFY(!form.ApplyBtn->isHidden() && form.AddScheduleBtn->isHidden());
        QCOMPARE(form.LabelVer->text(), QStringLiteral("Version: 3.1.125"));
        QVERIFY(!form.ChkRun->isChecked() && !form.cbCheckUpdate->isChecked());

        // Not applied: switching pages loads the stored state again.
        form.ChkRun->setChecked(true);
        Click(form.select2Button);
        Click(form.select1Button);
        QVERIFY(!form.ChkRun->isChecked());

        form.ChkRun->setChecked(true);
        form.cbCheckUpdate->setChecked(true);
        Click(form.ApplyBtn);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QVERIFY(AutostartEntry::IsOn(QStringLiteral("/opt/brenvale/brenvale")));
        QVERIFY(MyRegistryInfo.CheckUpdate);
        QCOMPARE(QSettings(SettingsFilePath(), QSettings::IniFormat)
                     .value(QStringLiteral("CheckUpdate"))
                     .toInt(),
                 1);

        TOptionFrm again;
        QVERIFY(again.ChkRun->isChecked() && again.cbCheckUpdate->isChecked());
        again.ChkRun->setChecked(false);
        Click(again.ApplyBtn);
        QVERIFY(!AutostartEntry::IsOn(QStringLiteral("/opt/brenvale/brenvale")));
    }

    void schedulesAddRemoveAndClear()
    {
        TMemoryCrontab crontab;
        TScriptedDialogs dialogs;
        TOptionFrm form;
        QDateTime clock = QDateTime::currentDateTime();
        form.Now = [&clock] { return clock; };
        form.ShowScheduleDialog = [](TScheduleManagerForm& dialog) {
            dialog.comScheduleTask->setCurrentIndex(1);
            dialog.CheckBoxTue->setChecked(true);
            dialog.dtpStartTime->setTime(QTime(14, 30, 5));
            return true;
        };
        Click(form.select2Button);
        QVERIFY(!form.ClearAllBtn->isHidden() && form.ApplyBtn->isHidden());
        QCOMPARE(form.ScheduleListView->topLevelItemCount(), 0);

        Click(form.AddScheduleBtn);
        QCOMPARE(form.ScheduleListView->topLevelItemCount(), 1);
        QTreeWidgetItem* row = form.ScheduleListView->topLevelItem(0);
        QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d-\\d\\d-\\d{4}_\\d{6}$"))
                    .match(row->text(0))
                    .hasMatch());
        QCOMPARE(row->text(1), QStringLiteral("Weekly"));
        QVERIFY(row->text(2).contains(QStringLiteral("30")));
        QVERIFY(crontab.Text.contains(QStringLiteral("\n30 14 * * 1,2 ")));

        // Names come from the second of the click: the next click is a second later.
        clock = clock.addSecs(1);
        Click(form.AddScheduleBtn);
        QCOMPARE(form.ScheduleListView->topLevelItemCount(), 2);

        form.ScheduleListView->clearSelection();
        form.ScheduleListView->setCurrentItem(nullptr);
        Click(form.RemoveScheduleBtn);
        QCOMPARE(dialogs.Asked.size(), 1);
        QCOMPARE(dialogs.Asked[0].Text,
                 QStringLiteral("Please select the specific item for this operation!"));
        QCOMPARE(dialogs.Asked[0].Icon, QMessageBox::Warning);

        form.ScheduleListView->setCurrentItem(form.ScheduleListView->topLevelItem(1));
        Click(form.RemoveScheduleBtn);
        QCOMPARE(form.ScheduleListView->topLevelItemCount(), 1);

        // One task that cannot be deleted (it is gone already): the list stays whole
        // until it is filled again.
        clock = clock.addSecs(1);
        Click(form.AddScheduleBtn);
        clock = clock.addSecs(1);
        Click(form.AddScheduleBtn);
        QCOMPARE(form.ScheduleListView->topLevelItemCount(), 3);
        QVERIFY(DeleteScheduleTask(form.ScheduleListView->topLevelItem(1)->text(0)).Succeeded());
        Click(form.ClearAllBtn);
        QCOMPARE(form.ScheduleListView->topLevelItemCount(), 3);
        Click(form.select1Button);
        Click(form.select2Button);
        QCOMPARE(form.ScheduleListView->topLevelItemCount(), 0);
        QCOMPARE(dialogs.Asked.size(), 1);

        // A row a screen reader selects, without moving the current row, is removed.
        clock = clock.addSecs(1);
        Click(form.AddScheduleBtn);
        form.show(); // a tree lists its rows to screen readers once it is laid out
        form.ScheduleListView->setCurrentItem(nullptr);
        QAccessible::queryAccessibleInterface(form.ScheduleListView)
            ->tableInterface()
            ->selectRow(0);
        Click(form.RemoveScheduleBtn);
        QCOMPARE(form.ScheduleListView->topLevelItemCount(), 0);
        QCOMPARE(dialogs.Asked.size(), 1);

        crontab.Fail = QStringLiteral("crontab: No such file or directory");
        Click(form.select1Button);
        Click(form.select2Button);
        QCOMPARE(dialogs.Asked.last().Text,
                 QStringLiteral(
                     "The task scheduler is not available: crontab: No such file or directory"));
        QCOMPARE(dialogs.Asked.last().Caption, QStringLiteral("Brenvale"));
    }
};

QTEST_MAIN(TestOptionFrm)
#include "tst_optionfrm.moc"
