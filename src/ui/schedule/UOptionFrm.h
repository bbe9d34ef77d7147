#pragma once

#include "ui/kit/SkinnedWindow.h"

#include <QDateTime>
#include <QDialog>

#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QStackedWidget;
class QTreeWidget;
class QWidget;
class TImageEx;
class TImageExButton;
class TScheduleManagerForm;
struct TScheduleResult;

// The options dialog. General Settings: run at start-up (an autostart entry), the
// automatic update check, the version and a check now. Scheduling: the scheduled
// starts of this executable in the user's crontab, with Add, Remove and Clear all.
class TOptionFrm : public QDialog
{
    Q_OBJECT

public:
    explicit TOptionFrm(QWidget* parent = nullptr);

    // What the main window's " Option" command does: the dialog, modal, for one use.
    static void ShowModal(QWidget* parent);

    void select1ButtonClick();
    void select2ButtonClick();
    void ApplyBtnClick();
    void CheckUpdateBtnClick();
    void AddScheduleBtnClick();
    void RemoveScheduleBtnClick();
    void ClearAllBtnClick();
    // Fills ScheduleListView with the scheduled starts of this executable.
    void LoadScheduleList();

    // Shows the schedule dialog modally and says whether it was accepted. Tests put
    // their own answer here.
    std::function<bool(TScheduleManagerForm& form)> ShowScheduleDialog;
    // The clock whose second names a new scheduled start; tests move their own.
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };

private:
    void BuildPageButtons();
    void BuildPages();
    void BuildGeneralPage();
    void BuildSchedulingPage();
    void BuildCommandButtons();
    void LoadSettings();
    // Tells the user when the task scheduler could not be reached.
    bool Reachable(const TScheduleResult& result);

    TSkinnedWindow Skin;

public:
    TImageEx* Image1;
    TImageEx* SMCLoseBtn;
    TImageExButton* select1Button;
    QLabel* Label1;
    TImageExButton* select2Button;
    QLabel* Label2;
    QStackedWidget* Notebook1;
    QWidget* GeneralSettings;
    QWidget* Scheduling;
    QGroupBox* GroupBox1;
    QCheckBox* ChkRun;
    QGroupBox* GroupBox2;
    QCheckBox* cbCheckUpdate;
    TImageExButton* CheckUpdateBtn;
    QLabel* LabelVer;
    QTreeWidget* ScheduleListView;
    TImageExButton* AddScheduleBtn;
    TImageExButton* RemoveScheduleBtn;
    TImageExButton* ApplyBtn;
    TImageExButton* ClearAllBtn;
};
