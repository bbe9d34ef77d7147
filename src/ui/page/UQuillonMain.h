#pragma once

#include "common/DayText.h"
#include "engine/RunProgress.h"
#include "run/RunDriver.h"

#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPlainTextEdit;
class QProgressBar;
class QRadioButton;
class QWidget;
class TImageEx;
class TImageExButton;
class TPageImages;
class TResultLegend;
class TResultRow;
class TResultTreeModel;
class TResultTreeView;
class TRowActions;
class TSyncTask;

// The comparison page of one job: its two folders, the runs of its analysis and
// sync with their log, status line, gauge and elapsed clock, the result tree with
// its filters and per-row actions, and the job's timed and automatic runs.
//
// The runs go through the core's run driver. The page turns the driver's reports
// into the handlers of the three worker messages, in the order the messages come
// (a failed file: its result, then the progress; a copied file: the progress,
// then its result), and writes the log from them.
class TJobTriggers;

class TQuillonMain : public QWidget, private TRunProgress
{
    Q_OBJECT

public:
    explicit TQuillonMain(QWidget* parent = nullptr);
    ~TQuillonMain() override;

    // Attaches the page to the job at the position and applies its automatic
    // triggers; again after the job was edited.
    void BindToJob(int index);
    void FormShow();

    // The three action buttons; the first two also run without a click.
    void BitBtn_AnalyzeClick();
    void BitBtn_SyncClick();
    void BitBtn_cancelClick();
    void bt_LBrowseClick();
    void bt_RBrowseClick();
    void rb_allClick();
    void rb_changedClick();

    // Timers: the period timer's minute and the elapsed clock's second.
    void PeriodTimerTimer();
    void TriggeredRun(const QString& reason, bool withSync);
    void Timer1Timer();

    // The main window's Action menu: the tree's current row copies to the right
    // or to the left, as a click on its arrow, or stops copying.
    void CopyCurrentRow(bool toRight);
    void DoNotCopyCurrentRow();

    // 0 when the folders may be analysed, else the number of the failed test.
    qint32 ValidateFolders() const;

    // The job the page shows; null before BindToJob.
    TSyncTask* Job() const { return CurrentJob; }
    // The run driver, whose rows the tree shows.
    TRunDriver& Runs() { return Driver; }
    bool IsRunning() const { return Driver.IsRunning(); }

    // Controls, named as the page's design names them.
    TImageEx* Image1;
    TImageEx* Image2;
    QLineEdit* Edit_LFolder;
    QLineEdit* Edit_RFolder;
    TImageExButton* bt_LBrowse;
    TImageExButton* bt_RBrowse;
    TImageEx* bt_taskconfig;
    TResultTreeView* VST1;
    TResultLegend* Panel8;
    QGroupBox* GroupBox_ResultsFilter;
    QRadioButton* rb_all;
    QRadioButton* rb_changed;
    QRadioButton* rb_conflicts;
    QRadioButton* rb_errors;
    QGroupBox* GroupBox_Action;
    TImageExButton* BitBtn_cancel;
    TImageExButton* BitBtn_Sync;
    TImageExButton* BitBtn_Analyze;
    QWidget* Panel7;
    QLabel* Label_ActionStatus;
    QLabel* Label_lasttime;
    QProgressBar* pb_action;
    QWidget* Panel3;
    TImageEx* GIFIMG;
    QPlainTextEdit* memo1;
    QMenu* pop_direction;
    QTimer* PeriodTimer;
    QTimer* Timer1;

    // The menu's entries, named as designed (the names do not match the captions).
    QAction* CopyTimeLtoR1;
    QAction* LeftToRight1;
    QAction* DonotCopy1;
    QAction* N1;
    QAction* OpenLeftFolder1;
    QAction* OpenRightFile1;
    QAction* Restoretheleftfile1;
    QAction* Restoretherightfile1;
    QAction* Openthepreviousfileofleft1;
    QAction* Openthepreviousfileofright1;

    // The seconds of the run shown by the clock.
    int ElapsedSeconds = 0;
    int PeriodMinutes = 0;
    int PeriodTicks = 0;
    bool SyncAfterAnalysis = false;
    bool SyncAfterPeriodicAnalysis = false;
    // A trigger of the job (folders connected, files changed) asked for a sync
    // after the analysis: it follows when there is something to copy.
    bool SyncAfterTriggeredAnalysis = false;
    // The job's own triggers beyond the start and the period.
    TJobTriggers* Triggers;
    // Rows built from this many file rows on are expanded a slice at a time
    // from the next turn of the event loop on, not at once (laying out a
    // million rows takes a while of its own); a test may lower it.
    qint64 ExpandLaterFrom = 100000;

Q_SIGNALS:
    // A run started or ended (the main window's tab may show it).
    void RunStateChanged();

private:
    // Reports of the run driver.
    void PhaseStarted(TRunPhase phase, qint64 total) override;
    void Progressed(qint64 done) override;
    void ConnectFailed(qint32 side) override;
    void FolderUnreadable(const QString& path, const QString& reason) override;
    void NameUnreadable(const QString& path) override;
    void FolderLinkSkipped(const QString& path) override;
    void IncludeListLeftOutAll() override;
    void SpecialFileSkipped(const QString& path) override;
    void TimesNotKept(const QString& root) override;
    void SyncStateUnreadable(const QString& reason) override;
    void SyncStateUnwritable(const QString& reason) override;
    void FileHandled(const TFileReport& report) override;
    void RowsVisited(qint32 count) override;
    void RowCopied(TResultRow& row) override;
    void AnalysisFinished() override;
    void SyncFinished() override;

    void BuildControls();
    void BuildTopBar(QWidget* bar);
    void BuildBottomStrip(QWidget* strip);
    QGroupBox* BuildResultsFilter(QWidget* strip);
    QGroupBox* BuildActionButtons(QWidget* strip);
    QWidget* BuildStatus(QWidget* strip);
    QPlainTextEdit* BuildLog(QWidget* strip);
    void BuildMenu();
    void ConnectTree();
    void StartAnalysis();
    void ResetTree();
    void ShowRoot(TResultRow* root);
    void BuildRows(TRowBuilder::Mode mode);
    void Refilter(TRowBuilder::Mode mode);
    void ShowSinceSync();
    void ShowRunning(bool running);
    void SetButtons(bool analyze, bool sync, bool cancel);
    void SetGaugeRange(qint64 total);
    void AddLog(const QString& line, bool red = false);
    void FlushLog();
    void ScrollLogToEnd();
    void FollowVisitedRows();
    void ShutDownComputer();
    bool JobDeleted() const;
    void StartDeferredRun();
    void ApplyTriggers();
    void ShowMenu(TResultRow* row, const QPoint& globalPos);
    void DeleteSide(bool left);
    void BrowseSide(bool left);
    void RestoreSide(bool left);
    TResultRow* MenuRow() const;
    TResultRow* CurrentRow() const;
    void ClickCell(TResultRow* row, int cell);

    TRunDriver Driver;
    TSyncTask* CurrentJob = nullptr;
    int JobIndex = -1;
    std::unique_ptr<TPageImages> Images;
    std::unique_ptr<TRowActions> Actions;
    TResultTreeModel* Model;
    // The row that the menu was opened on.
    TResultRow* MenuTarget = nullptr;
    QString LeftBackupPath;
    QString RightBackupPath;
    // A trigger met a run in progress: the analysis starts when it ends.
    bool AnalysisDeferred = false;
    // The failed folder check left the run as it was.
    bool ValidationFailed = false;
    // The tree's root row before the first analysis.
    std::unique_ptr<TResultRow> IdleRoot;
    // Log lines not yet shown, in their order.
    QStringList PendingLog;
    bool ScrollPending = false;
    // Rows the sync visited that the tree has not yet scrolled by: it follows
    // the run together with the log, not per file.
    qint64 PendingVisits = 0;
    QTimer LogFlush;
    TDayText Today;
    int UnreadableCount = 0;
    // File rows of the last build of the rows.
    qint64 ListedFiles = 0;
};
