#pragma once

#include "ui/shell/JobListCommands.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

class QAction;
class QLabel;
class QMenu;
class QStackedWidget;
class TImageEx;
class TImageExButton;
class TQuillonMain;

// Brenvale's main window: a borderless, skinned window with a header of menu and
// window buttons, a row of job tabs with an add button, and a notebook that holds
// one comparison page per job. Closing it ends the program; its destruction writes
// the job list to "tasklist.qn". The commands that change the job list are done by
// its TJobListCommands; the window shows what they changed.
//
// Tabs, notebook pages and jobs go together by position: entry i of JobTabs,
// notebook page i + 1 and job i of SyncTaskList belong to the same job, and a
// deleted job keeps its entry, hidden, so positions never shift. Notebook page 0,
// "Default", is shown when there is no current job.
class TQuillonFom : public QWidget
{
    Q_OBJECT

public:
    explicit TQuillonFom(QWidget* parent = nullptr);
    // Stops every page's run, then writes the job list.
    ~TQuillonFom() override;

    // The window's size at first; a restore gives it the normal size instead.
    static constexpr QSize DesignSize{892, 759};
    static constexpr QSize NormalSize{1004, 743};
    // Tabs are this wide and follow each other at this distance.
    static constexpr int TabWidth = 126;
    // Picture states of a tab: "ieb1" for TabNormal, "ieb2" for any other.
    static constexpr int TabNormal = 1;
    static constexpr int TabCurrent = 2;

    // Makes a notebook page with a comparison page and a tab for every job of the
    // job list, and shows the first job's page.
    void BuildJobPages();
    // Gives the entries from `first` on their tabs, one after the other from
    // NextTabLeft on.
    void AddJobTabs(qsizetype first);
    // The tab picture of entry `index` at `left`, with a caption label for a
    // non-empty name.
    void CreateJobTab(qsizetype index, int state, int left, int width);
    // The caption of entry `index`, centred on its tab that ends at `right` (a long
    // one reaches beyond it); a click on it selects the tab.
    QLabel* CreateTabCaption(qsizetype index, const TImageEx* tab, int right);
    void SetTabPicture(TImageEx* tab, int state);
    // Makes the tab current and shows its job's page; nothing for the current tab.
    void SelectTab(TImageEx* tab);
    // Shows the first notebook page, from page 1 on, whose caption is the name.
    void ShowPageByName(const QString& name);
    // The caption of a notebook page.
    QString PageCaption(int index) const;

    // The current job's position in the job list; -1 on the page "Default".
    int CurrentJobIndex() const;
    // The page of the current tab; null without one.
    TQuillonMain* CurrentPage() const;
    bool IsMaximized() const;
    // From the start of the window's close or destruction on.
    bool IsClosing() const { return Closing; }

    // Showing what the job list commands changed. A job added at the end of the
    // list gets its page and tab, and becomes current.
    void ShowAddedJob(const QString& name);
    // The page of an edited job takes the job's settings again.
    void RebindJobPage(int index);
    // A deleted job's tab goes out of the strip and its page stops; the first tab
    // left becomes current, or the page "Default" shows.
    void HideDeletedJob(int index);
    // Every page (its run stopped and its worker waited for) and tab goes, before
    // the job list is replaced...
    void RemoveJobPages();
    // ...and the replaced list gets its pages and tabs, the first one current.
    void ShowJobPages();
    // The text on a job's tab; empty for a job without a name and a deleted job.
    QString TabCaption(int index) const;

    // Ends the program from outside the window (a signal, the end of the
    // session) as the close button does. Inside a nested event loop (a dialog
    // that a page shows, say), which would keep the program going after the
    // window closed, every event loop ends instead.
    void RequestClose();

    // Moves the strip by whole tabs: positive towards the later tabs. The strip
    // stays within the row: no gap opens at either end.
    void ScrollTabs(int tabs);

    // Handlers of the header and tab row.
    void MenuButtonClick(TImageExButton* button, QMenu* menu);
    void MinBtnClick();
    void BigBtnClick();
    void CloseBtnClick();
    void moveLeftButtonClick();
    void MoveRightButtonClick();
    // Handlers of the menus.
    void Exit1Click();
    void Exit2Click();
    void QuickStart1Click();
    void QuillonHome1Click();
    void About2Click();

    // Header.
    QWidget* TopPanel;
    QWidget* Panel3;
    TImageEx* imgHeader;
    TImageEx* Image8;
    TImageEx* Image4;
    TImageExButton* jobbutton;
    TImageExButton* actionbutton;
    TImageExButton* viewbutton;
    TImageExButton* toolsbutton;
    TImageExButton* HelpButton;
    TImageEx* MinBtn;
    TImageEx* BigBtn;
    TImageEx* CloseBtn;
    TImageExButton* moveLeftButton;
    TImageExButton* MoveRightButton;
    // Tab row.
    QWidget* Panel1;
    TImageExButton* bt_addtask;
    QWidget* panel_tab;
    TImageEx* Image11;
    QWidget* Pl_jobs;
    TImageEx* Image1;
    // Frames and bottom bar.
    QWidget* panLeft;
    TImageEx* imgLeft_Center;
    QWidget* panRight;
    TImageEx* imgRight_Center;
    QWidget* PanelBottom;
    TImageEx* imgBottom;
    TImageEx* Image3;
    TImageEx* Image2;
    QWidget* SizeGrip;
    // Job area.
    QWidget* pn_main;
    QStackedWidget* Notebook1;

    // Menus and their entries, named as designed (the names do not all match the
    // captions).
    QMenu* JobMenu;
    QMenu* ActionMenu;
    QMenu* ViewMenu;
    QMenu* ToolsMenu;
    QMenu* HelpMenu;
    QAction* addnewjob1;
    QAction* addnewjobFromTemplate1;
    QAction* Delete1;
    QAction* Exit1;
    QAction* Donotcopy1;
    QAction* RighttoLeft1;
    QAction* ActionmoveRight1;
    QAction* Log1;
    QAction* ExportTaskList1;
    QAction* ImportTaskList1;
    QAction* QuickStart1;
    QAction* QuillonHome1;
    QAction* checknewversion1;
    QAction* About2;
    QAction* Exit2;

    // The tab model: one entry per job of the job list, deleted ones included.
    struct TJobTab
    {
        QString Name;
        // The page comes first; the tab follows once every new page is made.
        QPointer<TQuillonMain> Page;
        TImageEx* Picture = nullptr;
        // None for a job without a name.
        QLabel* Caption = nullptr;
    };
    QList<TJobTab> JobTabs;
    bool NextTabCurrent = false;
    // Left edge of the next tab on the strip, and the strip's width.
    int NextTabLeft = 0;
    TImageEx* CurrentTab = nullptr;
    int TabsCreated = 0;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private Q_SLOTS:
    // The job list commands, passed on to JobCommands: add a job, edit the current
    // job (its entry is named after a template), delete the current job, export and
    // import the job list. The options dialog (Log1Click).
    void addnewjob1Click();
    void bt_addtaskClick();
    void addnewjobFromTemplate1Click();
    void Delete1Click();
    void Log1Click();
    void ExportTaskList1Click();
    void ImportTaskList1Click();
    // The update check with its report; the entry is not visible.
    void checknewversion1Click();

private:
    void FormShow();
    void BuildHeader();
    void BuildTabRow();
    void BuildFrames();
    // The five menus, each opened by its button in the header.
    void BuildMenus();
    void BuildJobMenu();
    void BuildActionMenu();
    void BuildViewAndToolsMenus();
    void BuildHelpMenu();
    void ArrangeRegions();
    void UpdateTabArrows();
    void MoveStrip(int left);
    void EnsureTabVisible(TImageEx* tab);
    // Moves the tabs after a hidden one left by its width.
    void CloseGapAfter(int index, int width);
    // The first tab not hidden; null when every job was deleted.
    TImageEx* FirstShownTab() const;
    TQuillonMain* AddJobPage(int index, const QString& name);
    // The position of the entry whose tab picture this is; -1 for none.
    qsizetype TabIndex(const TImageEx* tab) const;
    // Stops every page's run, waiting for its worker, and destroys the pages.
    void ReleasePages();

    TJobListCommands JobCommands{*this};
    bool Shown = false;
    bool Closing = false;
    // Wheel turns over the tab row not yet spent on whole tabs.
    int WheelRest = 0;
};
