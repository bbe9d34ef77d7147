#pragma once

#include "ui/kit/SkinnedWindow.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTableWidget;
class TImageEx;
class TImageExButton;
class TSyncTask;

// The job editor: a modal, borderless dialog that shows one job on three pages,
// General, Filter and Scheduling, and stores the controls back into the job when
// the user confirms. The caller sets TaskIndex (-1 for a new job), shows the
// dialog and reads Confirmed afterwards. An existing job is edited in place; a new
// job belongs to the dialog until OK hands it to the job list.
class TCreatTaskForm : public QDialog
{
    Q_OBJECT

public:
    explicit TCreatTaskForm(QWidget* parent = nullptr);
    ~TCreatTaskForm() override;

    // The job's position in the job list, or -1 for a new job. Set before showing.
    int TaskIndex = -1;
    // The job shown: the job list's own object, or the new job (in the job list
    // once OK confirmed it).
    TSyncTask* Task = nullptr;
    // Set by OK after a successful store and by Apply.
    bool Confirmed = false;

    // The pages of Notebook1, in order.
    enum TPage
    {
        GeneralPage = 0,
        FilterPage = 1,
        SchedulingPage = 2
    };

    // Opening: makes the new job or fills the controls from the edited one.
    void FormShow();
    void ShowPage(int page);
    void OkButtonClick();
    void applyButtonClick();
    void CancelButtonClick();
    void lbrowseButtonClick();
    void RFolderImageClick();
    void reject() override;

private:
    TSkinnedWindow Skin;
    std::unique_ptr<TSyncTask> NewTask;
    bool Opened = false;

public:
    TImageEx* Image1;
    TImageEx* SMCLoseBtn;
    TImageExButton* select1Button;
    TImageExButton* select2Button;
    TImageExButton* select3Button;
    QLabel* select1Label;
    QLabel* select2Label;
    QLabel* select3Label;
    QStackedWidget* Notebook1;
    TImageExButton* OkButton;
    TImageExButton* applyButton;
    TImageExButton* CancelButton;

    // General page.
    QLabel* lb_taskname;
    QLineEdit* edit_taskname;
    QLabel* lb_lfolder;
    QLineEdit* edit_lfolder;
    TImageExButton* lbrowseButton;
    QLabel* lb_rfolder;
    QLineEdit* edit_rfolder;
    TImageExButton* RFolderImage;
    QLabel* lb_syncdirect;
    QRadioButton* rb_sync;
    QLabel* Label1;
    QRadioButton* rb_backup;
    QComboBox* cb_syncdirect;
    QLabel* Label_sync;
    QCheckBox* rb_forcedcopy;
    QCheckBox* rb_Verified;
    QCheckBox* cb_usetasktags;
    QCheckBox* cb_savepv;
    QCheckBox* cb_estimatedisk;
    QCheckBox* cb_userTemp;
    QCheckBox* cb_prodelete;

    // Filter page: the excluded group, the included group, then the flags.
    QGroupBox* lb_exclude;
    QLabel* Label11;
    QCheckBox* cb_exfilesizemin;
    QLineEdit* Edit_exfilesizemin;
    QComboBox* Edit_exfilesizemin_b;
    QCheckBox* cb_filesizemax;
    QLineEdit* Edit_exfilesizemax;
    QComboBox* Edit_exfilesizemax_b;
    QLabel* Label14;
    QCheckBox* cb_exfiletimemin;
    QLineEdit* edit_exfiletimemin;
    QCheckBox* cb_exfiletimemax;
    QLineEdit* edit_exfiletimemax;
    QLabel* ExFileNameFilter;
    QTableWidget* vedit_exclude;
    QPushButton* bt_addexclude;
    QPushButton* bt_delexclude;

    QGroupBox* lb_include;
    QLabel* Label17;
    QCheckBox* cb_infilesizemin;
    QLineEdit* Edit_infilesizemin;
    QComboBox* Edit_infilesizemin_b;
    QCheckBox* cb_infilesizemax;
    QLineEdit* Edit_infilesizemax;
    QComboBox* Edit_infilesizemax_b;
    QLabel* Label19;
    QCheckBox* cb_infiletimemin;
    QLineEdit* edit_infiletimemin;
    QCheckBox* cb_infiletimemax;
    QLineEdit* edit_infiletimemax;
    QLabel* INFileNameFilter;
    QTableWidget* vedit_include;
    QPushButton* bt_addinclude;
    QPushButton* bt_delinclude;

    QCheckBox* cb_excludeempty;
    QCheckBox* cb_excludesystem;
    QCheckBox* cb_excludehidden;

    // Scheduling page.
    QGroupBox* gb_atuocondition;
    QCheckBox* cb_syncitstart;
    QCheckBox* cb_anaitstart;
    QCheckBox* cb_syncconn;
    QCheckBox* cb_anaconn;
    QCheckBox* cb_synclogoff;
    QCheckBox* cb_anslogoff;
    QCheckBox* cb_syncperiod;
    QCheckBox* cb_anaperiod;
    QLabel* lb_every;
    QSpinBox* edit_hours;
    QLabel* lb_hours;
    QSpinBox* edit_minutes;
    QLabel* lb_Minutes;
    // Kept hidden: scheduled runs are set up in the options dialog.
    QCheckBox* cb_synctaskscheduler;
    QCheckBox* cb_anataskschedule;
    QLineEdit* Edit_task;
    QPushButton* bt_taskconfig;
    QCheckBox* cb_resolveconflicts;
    QLabel* Label_conflicts;
    QCheckBox* cb_watchsync;
    QSpinBox* edit_quiet;
    QLabel* lb_quiet;
    QCheckBox* cb_coflicts;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildFrame();
    void BuildPageButtons();
    QWidget* BuildGeneralPage();
    void BuildNameAndFolders(QWidget* page);
    void BuildSyncDirection(QWidget* page);
    void BuildCopyOptions(QWidget* page);
    QWidget* BuildFilterPage();
    QWidget* BuildSchedulingPage();
    void BuildAutoConditions(QWidget* page);
    void BuildSchedulerChoices(QWidget* page);
    void BuildConflictChoice(QWidget* page);
    void BuildWatchChoice(QWidget* page);
    void FillFromTask();
    void FillFilters(const TSyncTask& job);
    void FillSchedule(const TSyncTask& job);
    void StoreToTask();
    void StoreFilters(TSyncTask& job);
    void StoreSchedule(TSyncTask& job);
    // Refuses texts the job cannot keep and dates that are no dates: shows the
    // message and the page of the field; false then.
    bool CheckFields();
};
