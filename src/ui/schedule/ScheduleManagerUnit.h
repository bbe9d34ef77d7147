#pragma once

#include "schedule/ScheduleSentence.h"
#include "ui/kit/SkinnedWindow.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QSpinBox;
class QTimeEdit;
class TImageEx;
class TImageExButton;

// The schedule dialog: one daily, weekly or monthly schedule with its start time,
// and a sentence at the top that says when it runs. It only collects the values;
// the options dialog turns them into a scheduled task.
class TScheduleManagerForm : public QDialog
{
    Q_OBJECT

public:
    explicit TScheduleManagerForm(QWidget* parent = nullptr);

    // True after OK, false after Cancel or the close picture.
    bool Accepted() const { return result() == QDialog::Accepted; }
    // The dialog's values as one record (weekday boxes Monday first).
    TScheduleChoice Choice() const;
    // The value a new task takes: day interval, week interval or day of the month.
    int KindValue() const;

    void comScheduleTaskChange();
    void SpinBoxChange(QSpinBox* box);
    void BuildDescription();

private:
    TSkinnedWindow Skin;

public:
    TImageEx* Image1;
    TImageEx* SMCLoseBtn;
    QLabel* Label9;
    QLabel* abScheduleTaskName;
    QLabel* Label1;
    QComboBox* comScheduleTask;
    QLabel* Label2;
    QTimeEdit* dtpStartTime;
    QGroupBox* DailyGroup;
    QSpinBox* seEveryOfDaily;
    QGroupBox* WeeklyGroup;
    QSpinBox* seEveryOfWeekly;
    QCheckBox* CheckBoxMon;
    QCheckBox* CheckBoxTue;
    QCheckBox* CheckBoxWed;
    QCheckBox* CheckBoxThu;
    QCheckBox* CheckBoxFri;
    QCheckBox* CheckBoxSat;
    QCheckBox* CheckBoxSun;
    QGroupBox* MonthlyGroup;
    QSpinBox* seEveryOfMonthly;
    TImageExButton* OkButton;
    TImageExButton* CancelButton;
    // Says which jobs a scheduled start runs.
    QLabel* lb_startjobs;

private:
    void BuildKindAndTime(QWidget* panel);
    void BuildDailyGroup(QWidget* panel);
    void BuildWeeklyGroup(QWidget* panel);
    void BuildMonthlyGroup(QWidget* panel);
    void BuildButtons();
    std::array<QCheckBox*, 7> WeekBoxes() const
    {
        return {CheckBoxMon, CheckBoxTue, CheckBoxWed, CheckBoxThu,
                CheckBoxFri, CheckBoxSat, CheckBoxSun};
    }
};
