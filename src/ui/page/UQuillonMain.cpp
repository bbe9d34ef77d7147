#include "ui/page/UQuillonMain.h"

#include "common/PowerOff.h"
#include "engine/UFileOper.h"
#include "jobs/TaskListFile.h"
#include "jobs/UTSyncTask.h"
#include "rows/RowActions.h"
#include "run/FolderValidation.h"
#include "run/RunLogText.h"
#include "schedule/JobTriggers.h"
#include "ui/kit/DesktopOpener.h"
#include "ui/kit/ModalDialogs.h"
#include "ui/kit/UChooseRoForm.h"
#include "ui/page/PageImages.h"
#include "ui/page/ResultLegend.h"
#include "ui/page/ResultTreeModel.h"
#include "ui/page/ResultTreeView.h"
#include "ui/skin/ImageExButton.h"
#include "ui/skin/SkinResourceUnit.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <utility>

namespace {

constexpr int RepaintIntervalMs = 50;

const QString AnalyzeHint = QStringLiteral(
    "When you click on \"Analyze\", it will be connected \nto your FTP account, and all your files "
    "from left \nfolders and right folders will be displayed.");
const QString SyncHint = QStringLiteral(
    "When you click on \"Sync\", all changes of your files\nwill be synched from left "
    "to right, or from right to left.");
const QString CancelHint =
    QStringLiteral("When you click on \"Cancel\" , all your works will be canceled");
const QString BrowseHint = QStringLiteral(
    "Click on the \"Browse\" button to choose a local directory \nas your local sync Folder, where "
    "you can synch and \nback up your files");

// An image button with its normal, hover and disabled pictures: the hover
// picture shows while the pointer is over the enabled button.
TImageExButton* PictureButton(QWidget* parent, const QString& name, const QString& picture,
                              const QString& word, QSize size)
{
    auto* button = new TImageExButton(parent);
    button->setObjectName(name);
    button->setAccessibleName(word);
    button->setFixedSize(size);
    button->setCursor(Qt::PointingHandCursor);
    button->SetPicNormal(LoadJpgPicture(picture + QLatin1Char('1')));
    button->SetPicMouseMove(LoadJpgPicture(picture + QLatin1Char('2')));
    if (!FindSkinResource(picture + QLatin1Char('0'), QStringLiteral("JPG")).isEmpty())
        button->SetPicDisabled(LoadJpgPicture(picture + QLatin1Char('0')));
    button->SetPicAutoChange(true);
    button->SetPicState(TImageState::isNormal);
    return button;
}

QString TwoDigits(int value)
{
    return value < 10 ? QStringLiteral("0") + QString::number(value) : QString::number(value);
}

} // namespace

TQuillonMain::TQuillonMain(QWidget* parent)
    : QWidget(parent), Driver(static_cast<TRunProgress&>(*this)),
      Images(std::make_unique<TPageImages>()), Actions(std::make_unique<TRowActions>())
{
    setObjectName(QStringLiteral("QuillonMain"));
    setAccessibleName(QStringLiteral("Comparison page"));
    BuildControls();
    BuildMenu();
    ConnectTree();
    LogFlush.setSingleShot(true);
    LogFlush.setInterval(RepaintIntervalMs);
    connect(&LogFlush, &QTimer::timeout, this, &TQuillonMain::FlushLog);
}

// A running worker is stopped while the page is still whole: waiting for it lets
// events run, so the timers must not start anything and the tree must not draw
// rows that are about to go.
TQuillonMain::~TQuillonMain()
{
    PeriodTimer->stop();
    Timer1->stop();
    LogFlush.stop();
    Triggers->Stop();
    Model->SetRoot(nullptr);
    Driver.Stop();
}

void TQuillonMain::BuildControls()
{
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->setSpacing(0);

    auto* top = new QWidget(this);
    top->setFixedHeight(54);
    BuildTopBar(top);
    layout->addWidget(top);

    Model = new TResultTreeModel(*Images, this);
    VST1 = new TResultTreeView(this);
    VST1->setModel(Model);
    layout->addWidget(VST1, 1);

    auto* bottom = new QWidget(this);
    bottom->setFixedHeight(213);
    BuildBottomStrip(bottom);
    layout->addWidget(bottom);

    PeriodTimer = new QTimer(this);
    PeriodTimer->setObjectName(QStringLiteral("PeriodTimer"));
    PeriodTimer->setInterval(60000);
    connect(PeriodTimer, &QTimer::timeout, this, &TQuillonMain::PeriodTimerTimer);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TQuillonMain::Timer1Timer);
    Triggers = new TJobTriggers(this);
    connect(Triggers, &TJobTriggers::RunWanted, this, &TQuillonMain::TriggeredRun);
    connect(Triggers, &TJobTriggers::WatchFellBack, this, [this](const QString& text) {
        AddLog(text, true);
        FlushLog();
    });
}

void TQuillonMain::BuildTopBar(QWidget* bar)
{
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 12, 0, 12);
    const auto folderBox = [&](const QString& imageName, const QString& editName,
                               const QString& label) {
        auto* image = new TImageEx(bar);
        image->setObjectName(imageName);
        image->setFixedSize(279, 30);
        image->SetStretch(true);
        LoadJpgResource(image, QStringLiteral("FolderBox"));
        auto* edit = new QLineEdit(image);
        edit->setObjectName(editName);
        edit->setAccessibleName(label);
        edit->setReadOnly(true);
        edit->setFrame(false);
        edit->setGeometry(7, 7, 265, 16);
        row->addWidget(image);
        return std::pair{image, edit};
    };
    std::tie(Image1, Edit_LFolder) = folderBox(
        QStringLiteral("Image1"), QStringLiteral("Edit_LFolder"), QStringLiteral("Left folder"));
    row->addStretch(1);
    bt_LBrowse = PictureButton(bar, QStringLiteral("bt_LBrowse"), QStringLiteral("Browse"),
                               QStringLiteral("Browse left"), QSize(66, 25));
    bt_LBrowse->setToolTip(BrowseHint);
    row->addWidget(bt_LBrowse);
    bt_taskconfig = new TImageEx(bar);
    bt_taskconfig->setObjectName(QStringLiteral("bt_taskconfig"));
    bt_taskconfig->setAccessibleName(QStringLiteral("Direction"));
    bt_taskconfig->setFixedSize(55, 16);
    row->addWidget(bt_taskconfig);
    bt_RBrowse = PictureButton(bar, QStringLiteral("bt_RBrowse"), QStringLiteral("Browse"),
                               QStringLiteral("Browse right"), QSize(66, 25));
    bt_RBrowse->setToolTip(BrowseHint);
    row->addWidget(bt_RBrowse);
    row->addStretch(1);
    std::tie(Image2, Edit_RFolder) = folderBox(
        QStringLiteral("Image2"), QStringLiteral("Edit_RFolder"), QStringLiteral("Right folder"));
    connect(bt_LBrowse, &TImageEx::OnClick, this, &TQuillonMain::bt_LBrowseClick);
    connect(bt_RBrowse, &TImageEx::OnClick, this, &TQuillonMain::bt_RBrowseClick);
}

void TQuillonMain::BuildBottomStrip(QWidget* strip)
{
    auto* column = new QVBoxLayout(strip);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    Panel8 = new TResultLegend(*Images, strip);
    column->addWidget(Panel8);

    auto* boxes = new QHBoxLayout;
    boxes->addWidget(BuildResultsFilter(strip));
    boxes->addStretch(1);
    boxes->addWidget(BuildActionButtons(strip));
    column->addLayout(boxes, 1);
    column->addWidget(BuildStatus(strip));
    column->addWidget(BuildLog(strip));
    SetButtons(true, false, false);
}

// The four result filters, two rows of two.
QGroupBox* TQuillonMain::BuildResultsFilter(QWidget* strip)
{
    GroupBox_ResultsFilter = new QGroupBox(QStringLiteral("Results Filter"), strip);
    GroupBox_ResultsFilter->setObjectName(QStringLiteral("GroupBox_ResultsFilter"));
    GroupBox_ResultsFilter->setFixedWidth(381);
    GroupBox_ResultsFilter->setEnabled(false);
    // Two rows of two, so that counts of seven digits show whole in the box.
    auto* filters = new QGridLayout(GroupBox_ResultsFilter);
    filters->setContentsMargins(8, 0, 8, 0);
    filters->setVerticalSpacing(0);
    const auto radio = [&](const QString& name, const QString& caption, const QString& hint) {
        auto* button = new QRadioButton(caption, GroupBox_ResultsFilter);
        button->setObjectName(name);
        button->setToolTip(hint);
        const int at = filters->count();
        filters->addWidget(button, at / 2, at % 2, Qt::AlignLeft);
        return button;
    };
    rb_all = radio(QStringLiteral("rb_all"), QStringLiteral("All(0)"),
                   QStringLiteral("When you choose it, it will display all items in the left "
                                  "folders and the right \nfolders, including changed files, "
                                  "conflict files, error files."));
    rb_changed =
        radio(QStringLiteral("rb_changed"), QStringLiteral("Changes(0)"),
              QStringLiteral("When you choose it, it will only display the changed items"));
    rb_conflicts =
        radio(QStringLiteral("rb_conflicts"), QStringLiteral("conflicts(0)"),
              QStringLiteral("When you choose it, it will only display the conflict files."));
    rb_errors = radio(QStringLiteral("rb_errors"), QStringLiteral("Errors(0)"),
                      QStringLiteral("When you choose it, it will only display the error files."));
    rb_changed->setChecked(true);
    // The choice counts however it was made: a click, the keyboard or a screen reader.
    connect(rb_all, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            rb_allClick();
    });
    connect(rb_changed, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            rb_changedClick();
    });
    connect(rb_conflicts, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            Refilter(TRowBuilder::Mode::Conflicts);
    });
    connect(rb_errors, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            Refilter(TRowBuilder::Mode::Errors);
    });
    return GroupBox_ResultsFilter;
}

// Cancel, Sync and Analyze.
QGroupBox* TQuillonMain::BuildActionButtons(QWidget* strip)
{
    GroupBox_Action = new QGroupBox(QStringLiteral("Actions"), strip);
    GroupBox_Action->setObjectName(QStringLiteral("GroupBox_Action"));
    GroupBox_Action->setFixedWidth(373);
    auto* actions = new QHBoxLayout(GroupBox_Action);
    actions->setContentsMargins(10, 2, 10, 2);
    BitBtn_cancel =
        PictureButton(GroupBox_Action, QStringLiteral("BitBtn_cancel"),
                      QStringLiteral("BitBtn_cancel"), QStringLiteral("Cancel"), QSize(95, 35));
    BitBtn_Sync =
        PictureButton(GroupBox_Action, QStringLiteral("BitBtn_Sync"), QStringLiteral("BitBtn_Sync"),
                      QStringLiteral("Sync"), QSize(95, 35));
    BitBtn_Analyze =
        PictureButton(GroupBox_Action, QStringLiteral("BitBtn_Analyze"),
                      QStringLiteral("BitBtn_Analyze"), QStringLiteral("Analyze"), QSize(95, 35));
    BitBtn_cancel->setToolTip(CancelHint);
    BitBtn_Sync->setToolTip(SyncHint);
    BitBtn_Analyze->setToolTip(AnalyzeHint);
    actions->addWidget(BitBtn_cancel);
    actions->addWidget(BitBtn_Sync);
    actions->addWidget(BitBtn_Analyze);
    connect(BitBtn_cancel, &TImageEx::OnClick, this, &TQuillonMain::BitBtn_cancelClick);
    connect(BitBtn_Sync, &TImageEx::OnClick, this, &TQuillonMain::BitBtn_SyncClick);
    connect(BitBtn_Analyze, &TImageEx::OnClick, this, &TQuillonMain::BitBtn_AnalyzeClick);
    return GroupBox_Action;
}

// What the run does, the elapsed time, the gauge and the busy picture.
QWidget* TQuillonMain::BuildStatus(QWidget* strip)
{
    Panel7 = new QWidget(strip);
    Panel7->setObjectName(QStringLiteral("Panel7"));
    Panel7->setFixedHeight(45);
    auto* status = new QGridLayout(Panel7);
    status->setContentsMargins(0, 2, 0, 2);
    status->setVerticalSpacing(2);
    Label_ActionStatus = new QLabel(QStringLiteral("Click Analyze to start"), Panel7);
    Label_ActionStatus->setObjectName(QStringLiteral("Label_ActionStatus"));
    Label_ActionStatus->setFont(QFont(QStringLiteral("Arial"), 8, QFont::Bold));
    Label_ActionStatus->setMinimumWidth(646);
    Label_lasttime = new QLabel(QStringLiteral("00:00:00"), Panel7);
    Label_lasttime->setObjectName(QStringLiteral("Label_lasttime"));
    Label_lasttime->setAccessibleName(QStringLiteral("Elapsed time 00:00:00"));
    QFont bold = Label_lasttime->font();
    bold.setBold(true);
    Label_lasttime->setFont(bold);
    Label_lasttime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    pb_action = new QProgressBar(Panel7);
    pb_action->setObjectName(QStringLiteral("pb_action"));
    pb_action->setAccessibleName(QStringLiteral("Progress"));
    pb_action->setTextVisible(false);
    pb_action->setFixedHeight(16);
    pb_action->setMinimumWidth(400);
    pb_action->setStyleSheet(
        QStringLiteral("QProgressBar { border: 1px solid #a0a0a0; background: white; }"
                       "QProgressBar::chunk { background-color: rgb(46, 86, 146); }"));
    Panel3 = new QWidget(Panel7);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setFixedWidth(42);
    GIFIMG = new TImageEx(Panel3);
    GIFIMG->setObjectName(QStringLiteral("GIFIMG"));
    GIFIMG->setAccessibleName(QStringLiteral("Busy"));
    GIFIMG->setGeometry(5, 6, 32, 32);
    Panel3->hide();
    status->addWidget(Label_ActionStatus, 0, 0);
    status->addWidget(Label_lasttime, 0, 1);
    status->addWidget(pb_action, 1, 0, 1, 2);
    status->addWidget(Panel3, 0, 2, 2, 1);
    return Panel7;
}

QPlainTextEdit* TQuillonMain::BuildLog(QWidget* strip)
{
    memo1 = new QPlainTextEdit(strip);
    memo1->setObjectName(QStringLiteral("memo1"));
    memo1->setAccessibleName(QStringLiteral("Log"));
    memo1->setReadOnly(true);
    // A log that only grows keeps no history of its insertions.
    memo1->setUndoRedoEnabled(false);
    memo1->setFrameShape(QFrame::NoFrame);
    memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo1->setFont(QFont(QStringLiteral("Arial"), 8));
    memo1->setFixedHeight(83);
    return memo1;
}

void TQuillonMain::BuildMenu()
{
    pop_direction = new QMenu(this);
    pop_direction->setObjectName(QStringLiteral("pop_direction"));
    const auto entry = [&](const QString& name, const QString& caption, bool enabled) {
        QAction* action = pop_direction->addAction(caption);
        action->setObjectName(name);
        action->setEnabled(enabled);
        return action;
    };
    CopyTimeLtoR1 = entry(QStringLiteral("CopyTimeLtoR1"), QStringLiteral("Open Left File"), true);
    LeftToRight1 = entry(QStringLiteral("LeftToRight1"), QStringLiteral("Open Right File"), true);
    DonotCopy1 = entry(QStringLiteral("DonotCopy1"), QStringLiteral("Open Left Folder"), true);
    N1 = entry(QStringLiteral("N1"), QStringLiteral("Open Right Folder"), true);
    pop_direction->addSeparator()->setObjectName(QStringLiteral("OpenLeftFile1"));
    OpenLeftFolder1 =
        entry(QStringLiteral("OpenLeftFolder1"), QStringLiteral("Delete Left File"), true);
    OpenRightFile1 =
        entry(QStringLiteral("OpenRightFile1"), QStringLiteral("Delete Right File"), true);
    pop_direction->addSeparator()->setObjectName(QStringLiteral("N2"));
    Restoretheleftfile1 = entry(QStringLiteral("Restoretheleftfile1"),
                                QStringLiteral("Restore the left file"), false);
    Restoretherightfile1 = entry(QStringLiteral("Restoretherightfile1"),
                                 QStringLiteral("Restore the right file"), false);
    Openthepreviousfileofleft1 = entry(QStringLiteral("Openthepreviousfileofleft1"),
                                       QStringLiteral("Open the previous file of left"), false);
    Openthepreviousfileofright1 = entry(QStringLiteral("Openthepreviousfileofright1"),
                                        QStringLiteral("Open the previous file of right"), false);

    const auto open = [this](bool left, bool folder) {
        const TResultRow* row = MenuRow();
        if (row == nullptr)
            return;
        QString path = row->PathOn(left ? TRowSide::Left : TRowSide::Right, Driver.Roots());
        if (folder)
            path = path.left(path.lastIndexOf(QLatin1Char('/')));
        if (!path.isEmpty())
            DesktopOpener::Open(path);
    };
    connect(CopyTimeLtoR1, &QAction::triggered, this, [open] { open(true, false); });
    connect(LeftToRight1, &QAction::triggered, this, [open] { open(false, false); });
    connect(DonotCopy1, &QAction::triggered, this, [open] { open(true, true); });
    connect(N1, &QAction::triggered, this, [open] { open(false, true); });
    connect(OpenLeftFolder1, &QAction::triggered, this, [this] { DeleteSide(true); });
    connect(OpenRightFile1, &QAction::triggered, this, [this] { DeleteSide(false); });
    connect(Restoretheleftfile1, &QAction::triggered, this, [this] { RestoreSide(true); });
    connect(Restoretherightfile1, &QAction::triggered, this, [this] { RestoreSide(false); });
    connect(Openthepreviousfileofleft1, &QAction::triggered, this,
            [this] { DesktopOpener::Open(LeftBackupPath); });
    connect(Openthepreviousfileofright1, &QAction::triggered, this,
            [this] { DesktopOpener::Open(RightBackupPath); });
}

// The job as the page is attached to it

void TQuillonMain::BindToJob(int index)
{
    SyncAfterAnalysis = false;
    JobIndex = index;
    CurrentJob = SyncTaskList ? SyncTaskList->TaskByIndex(index) : nullptr;
    if (CurrentJob == nullptr)
        return;
    Edit_LFolder->setText(CurrentJob->LFolder.FolerAllName);
    Edit_RFolder->setText(CurrentJob->RFolder.FolerAllName);
    ApplyTriggers();
}

void TQuillonMain::ApplyTriggers()
{
    if (CurrentJob->StartAnalyze == 1 && !JobDeleted())
        BitBtn_AnalyzeClick();
    if (CurrentJob->StartSync == 1)
        SyncAfterAnalysis = true;
    SyncAfterPeriodicAnalysis = false;
    if (CurrentJob->PeriodAnalyze == 1) {
        PeriodMinutes = CurrentJob->Hours * 60 + CurrentJob->minutes;
        PeriodTicks = 0;
        PeriodTimer->start();
    } else {
        PeriodTimer->stop();
    }
    Triggers->Apply(*CurrentJob);
}

// A run the job started by itself; a page that is busy runs it afterwards.
void TQuillonMain::TriggeredRun(const QString& reason, bool withSync)
{
    if (JobDeleted())
        return;
    AddLog(reason);
    FlushLog();
    if (withSync)
        SyncAfterTriggeredAnalysis = true;
    BitBtn_AnalyzeClick();
}

void TQuillonMain::FormShow()
{
    ResetTree();
    if (CurrentJob == nullptr)
        return;
    // The indicator keeps the direction the job had when the page was shown.
    const int image = CurrentJob->SyncDirection == 0   ? 1
                      : CurrentJob->SyncDirection == 2 ? 2
                      : CurrentJob->SyncDirection == 1 ? 3
                                                       : -1;
    const QList<QPixmap> indicators = LoadImageListResource(QStringLiteral("iml_button"));
    if (image >= 0 && image < indicators.size()) {
        bt_taskconfig->SetPicture(indicators.at(image));
        bt_taskconfig->setAccessibleName(image == 1   ? QStringLiteral("Both ways")
                                         : image == 2 ? QStringLiteral("Left to right")
                                                      : QStringLiteral("Right to left"));
    }
}

bool TQuillonMain::JobDeleted() const
{
    return CurrentJob == nullptr || CurrentJob->ListState == JobListState::Deleted;
}

qint32 TQuillonMain::ValidateFolders() const
{
    if (CurrentJob == nullptr)
        return FolderValidation::EmptyFolder;
    return FolderValidation::ValidateFolders(CurrentJob->LFolder.FolerAllName,
                                             CurrentJob->RFolder.FolerAllName);
}

// The tree

void TQuillonMain::ResetTree()
{
    if (CurrentJob == nullptr || CurrentJob->SyncName.isEmpty())
        return;
    ShowRoot(nullptr);
    IdleRoot = MakeRootRow(CurrentJob->SyncName);
    ShowRoot(IdleRoot.get());
}

// Every change of the shown rows goes through here: the hover and the menu's
// row let go of the rows before they may go.
void TQuillonMain::ShowRoot(TResultRow* root)
{
    Actions->Forget();
    MenuTarget = nullptr;
    PendingVisits = 0;
    Model->SetRoot(root);
}

void TQuillonMain::BuildRows(TRowBuilder::Mode mode)
{
    if (Driver.Job() == nullptr || !Driver.CompareTree)
        return;
    ShowRoot(nullptr);
    TRowBuilder builder(*Driver.Job(), mode, &Driver.CancelFlag());
    builder.FailedPaths = &Driver.FailedPaths;
    // The page stays usable while many rows are added, without paying for a pass
    // of the event loop per row.
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    qint64 added = 0;
    builder.ProcessEvents = [&] {
        if (sinceEvents.elapsed() < RepaintIntervalMs)
            return;
        pb_action->setValue(int(std::min<qint64>(added, pb_action->maximum())));
        QCoreApplication::processEvents();
        sinceEvents.restart();
    };
    builder.FileRowAdded = [&] { ++added; };
    builder.SortByName = true;
    builder.FileTypeImage = [this](const QString& name) { return Images->FileTypeImage(name); };
    if (!Driver.BuildRows(builder))
        return;
    pb_action->setValue(int(std::min<qint64>(added, pb_action->maximum())));
    ListedFiles = added;
    ShowRoot(Driver.RootRow.get());
    IdleRoot.reset();
    // Laying out hundreds of thousands of expanded rows in one go would hold
    // the window: they are laid out a slice at a time, the first rows first.
    if (added < ExpandLaterFrom)
        VST1->ExpandAll();
    else
        VST1->ExpandInSlices();
}

void TQuillonMain::rb_allClick()
{
    Refilter(TRowBuilder::Mode::All);
}

void TQuillonMain::rb_changedClick()
{
    Refilter(TRowBuilder::Mode::Changes);
}

// The rows of the last analysis anew, with every item, the changes, the
// conflicts or the files that failed in the last sync.
void TQuillonMain::Refilter(TRowBuilder::Mode mode)
{
    if (!Driver.CompareTree || Driver.IsRunning())
        return;
    Label_ActionStatus->setText(QStringLiteral("Loading Files:"));
    SetGaugeRange(Driver.CompareTree->LeftCount + Driver.CompareTree->RightCount);
    BuildRows(mode);
    pb_action->setValue(pb_action->maximum());
    Label_ActionStatus->setText(QStringLiteral("Files loading done:"));
}

// The runs

// A gauge from 0 to total, empty. A gauge whose range is empty would show the
// busy animation of its style instead, so it counts to at least one.
void TQuillonMain::SetGaugeRange(qint64 total)
{
    pb_action->setRange(0, int(std::clamp<qint64>(total, 1, INT_MAX)));
    pb_action->setValue(0);
}

void TQuillonMain::SetButtons(bool analyze, bool sync, bool cancel)
{
    BitBtn_Analyze->setEnabled(analyze);
    BitBtn_Sync->setEnabled(sync);
    BitBtn_cancel->setEnabled(cancel);
}

void TQuillonMain::ShowRunning(bool running)
{
    if (running) {
        Panel3->show();
        LoadGifResource(QStringLiteral("Loding"), GIFIMG);
        ElapsedSeconds = 0;
        Timer1->start();
    } else {
        GIFIMG->ClearPicture();
        Panel3->hide();
        Timer1->stop();
    }
}

void TQuillonMain::BitBtn_AnalyzeClick()
{
    if (CurrentJob == nullptr)
        return;
    // One run at a time: a run still going (a cancelled one ends at its next
    // look at the flag) is followed by this analysis.
    if (Driver.IsRunning()) {
        AnalysisDeferred = true;
        return;
    }
    SetButtons(false, false, true);
    ShowRunning(true);
    pb_action->setValue(0);
    StartAnalysis();
    Q_EMIT RunStateChanged();
}

void TQuillonMain::StartAnalysis()
{
    UnreadableCount = 0;
    const qint32 result = Driver.StartAnalysis(*CurrentJob);
    ValidationFailed = result != FolderValidation::Valid;
    if (!ValidationFailed) {
        // The driver keeps the old rows alive until the analysis is reported;
        // the tree lets go of them now.
        ResetTree();
        AddLog(RunLogText::AnalysisStarted());
        Label_ActionStatus->setText(QStringLiteral("Extracting file information:"));
        Triggers->RunStarted();
        return;
    }
    const QString text =
        result == TRunDriver::InUse ? Driver.BusyText() : FolderValidation::ValidationText(result);
    AddLog(text, true);
    FlushLog();
    ShowRunning(false);
}

void TQuillonMain::AnalysisFinished()
{
    ResetTree();
    const TFileAttri* root = Driver.CompareTree.get();
    const qint32 left = root ? root->LeftCount : 0;
    const qint32 right = root ? root->RightCount : 0;
    Label_ActionStatus->setText(QStringLiteral("Loading Files:"));
    SetGaugeRange(left + right);
    ListedFiles = 0;
    if (root != nullptr)
        BuildRows(TRowBuilder::Mode::Changes);
    // The rows are all there: a full gauge, unless the analysis was cancelled.
    if (!Driver.WasCancelled())
        pb_action->setValue(pb_action->maximum());
    GroupBox_ResultsFilter->setEnabled(true);
    rb_all->setText(QStringLiteral("All(%1)").arg(root ? root->FileCount : 0));
    // The changes listed; a cancelled analysis lists none and shows what it counted.
    const qint64 changes = Driver.WasCancelled() || root == nullptr ? left + right : ListedFiles;
    rb_changed->setText(QStringLiteral("Changes(%1)").arg(changes));
    QString status = QStringLiteral("Files loading done:");
    if (UnreadableCount > 0)
        status += QStringLiteral(" %1 folder(s) could not be read").arg(UnreadableCount);
    Label_ActionStatus->setText(status);
    ShowSinceSync();
    AddLog(RunLogText::AnalysisDone());
    AddLog(RunLogText::ChangedOnLeft(left));
    AddLog(RunLogText::ChangedOnRight(right));
    FlushLog();
    // After an unreachable side there is nothing to copy.
    SetButtons(true, root != nullptr, false);
    ShowRunning(false);
    Q_EMIT RunStateChanged();
    if (CurrentJob != nullptr && CurrentJob->LogoffAnalyze == 1)
        ShutDownComputer();
    // A job deleted during the analysis syncs nothing more.
    if (SyncAfterAnalysis) {
        SyncAfterAnalysis = false;
        if (!JobDeleted())
            BitBtn_SyncClick();
    }
    if (SyncAfterPeriodicAnalysis) {
        SyncAfterPeriodicAnalysis = false;
        if (!JobDeleted())
            BitBtn_SyncClick();
    }
    // Nothing to copy (the run's own copies seen again, a conflict left to
    // the user): no sync.
    if (std::exchange(SyncAfterTriggeredAnalysis, false) && !JobDeleted() &&
        Driver.RowsToCopy() > 0)
        BitBtn_SyncClick();
    StartDeferredRun();
    if (!Driver.IsRunning())
        Triggers->RunEnded();
}

// What the record of the last sync told: the conflicts counted on their
// filter and each of them and of the deletions in the log. The rows shown
// are the changes, so a filter of conflicts or errors gives way to Changes.
void TQuillonMain::ShowSinceSync()
{
    rb_conflicts->setText(QStringLiteral("conflicts(%1)").arg(Driver.SinceSync.Conflicts));
    if (rb_conflicts->isChecked() || rb_errors->isChecked()) {
        const QSignalBlocker quiet(rb_changed);
        rb_changed->setChecked(true);
    }
    constexpr qsizetype MostLines = 1000;
    for (const QString& line : RunLogText::SinceSyncLines(Driver.SinceSyncItems, MostLines))
        AddLog(line, true);
    if (const qint64 left = Driver.ConflictsLeft(); left > 0)
        AddLog(RunLogText::ConflictsLeft(left), true);
}

void TQuillonMain::BitBtn_SyncClick()
{
    if (CurrentJob == nullptr || Driver.IsRunning() || !Driver.RootRow)
        return;
    ShowRunning(true);
    SetButtons(false, false, true);
    SetGaugeRange(Driver.RootRow->RtoLCount() + Driver.RootRow->LtoRCount());
    // A filter change would rebuild the rows the run walks.
    GroupBox_ResultsFilter->setEnabled(false);
    Triggers->RunStarted();
    if (!Driver.StartSync(*CurrentJob)) {
        AddLog(Driver.SyncRefusalText(), true);
        FlushLog();
        ShowRunning(false);
        SetButtons(true, true, false);
        GroupBox_ResultsFilter->setEnabled(true);
        Triggers->RunEnded();
        return;
    }
    Q_EMIT RunStateChanged();
}

void TQuillonMain::SyncFinished()
{
    SetButtons(true, false, false);
    // A cancelled run leaves the gauge where it stopped and says so first.
    if (Driver.WasCancelled()) {
        const qint64 notCopied = Driver.SyncListed - Driver.SyncDoneCount;
        AddLog(RunLogText::SyncCancelled(notCopied, Driver.SyncListed), true);
    } else {
        pb_action->setValue(pb_action->maximum());
    }
    AddLog(RunLogText::SyncDone());
    AddLog(RunLogText::SyncTotals(Driver.SyncErrorCount, Driver.SyncDoneCount));
    rb_errors->setText(QStringLiteral("Errors(%1)").arg(Driver.FailedFiles.size()));
    FlushLog();
    GroupBox_ResultsFilter->setEnabled(true);
    ShowRunning(false);
    Q_EMIT RunStateChanged();
    if (CurrentJob != nullptr && CurrentJob->LogoffSync == 1)
        ShutDownComputer();
    StartDeferredRun();
    if (!Driver.IsRunning())
        Triggers->RunEnded();
}

void TQuillonMain::BitBtn_cancelClick()
{
    SetButtons(true, false, false);
    Driver.Cancel();
    ShowRunning(false);
    if (!Driver.IsRunning())
        AnalysisDeferred = false;
}

void TQuillonMain::StartDeferredRun()
{
    if (!AnalysisDeferred || Driver.IsRunning())
        return;
    AnalysisDeferred = false;
    if (!JobDeleted())
        BitBtn_AnalyzeClick();
}

void TQuillonMain::bt_LBrowseClick()
{
    BrowseSide(true);
}

void TQuillonMain::bt_RBrowseClick()
{
    BrowseSide(false);
}

// A chosen folder changes the job, which goes to the job list's file at once.
void TQuillonMain::BrowseSide(bool left)
{
    if (CurrentJob == nullptr)
        return;
    TFolderSource& side = left ? CurrentJob->LFolder : CurrentJob->RFolder;
    if (!TChooseRoForm::Browse(side, this))
        return;
    (left ? Edit_LFolder : Edit_RFolder)->setText(side.FolerAllName);
    (void)SaveTaskList();
}

// Reports of the run driver

void TQuillonMain::PhaseStarted(TRunPhase phase, qint64 total)
{
    if (phase != TRunPhase::Comparing)
        return;
    SetGaugeRange(total);
    Label_ActionStatus->setText(QStringLiteral("Start to analyze files:"));
    AddLog(RunLogText::ComparingStarted(total));
    ScrollLogToEnd();
}

void TQuillonMain::Progressed(qint64 done)
{
    // The gauge holds values above its maximum at the maximum.
    pb_action->setValue(int(std::min<qint64>(done, pb_action->maximum())));
}

void TQuillonMain::ConnectFailed(qint32 side)
{
    AddLog(RunLogText::ConnectFailed(side));
    ScrollLogToEnd();
}

void TQuillonMain::FileHandled(const TFileReport& report)
{
    Progressed(report.Handled);
    switch (report.Outcome) {
    case TFileReport::TOutcome::Copied:
        AddLog(RunLogText::FileCopied(report, Today.Text()));
        break;
    case TFileReport::TOutcome::ReadFailed:
        AddLog(RunLogText::FileFailed(report, false));
        break;
    case TFileReport::TOutcome::WriteFailed:
        AddLog(RunLogText::FileFailed(report, false), true);
        break;
    case TFileReport::TOutcome::SavedAway:
        AddLog(RunLogText::FileSavedAway(report));
        break;
    }
    ScrollLogToEnd();
}

void TQuillonMain::FolderUnreadable(const QString& path, const QString& reason)
{
    ++UnreadableCount;
    AddLog(RunLogText::UnreadableFolder(path, reason), true);
}

void TQuillonMain::NameUnreadable(const QString& path)
{
    AddLog(RunLogText::NameUnreadable(path), true);
}

void TQuillonMain::FolderLinkSkipped(const QString& path)
{
    AddLog(RunLogText::FolderLinkSkipped(path), true);
}

void TQuillonMain::IncludeListLeftOutAll()
{
    AddLog(RunLogText::IncludeListLeftOutAll(), true);
}

void TQuillonMain::SpecialFileSkipped(const QString& path)
{
    AddLog(RunLogText::SpecialFileSkipped(path), true);
}

void TQuillonMain::TimesNotKept(const QString& root)
{
    AddLog(RunLogText::TimesNotKept(root), true);
}

void TQuillonMain::SyncStateUnreadable(const QString& reason)
{
    AddLog(RunLogText::SyncStateUnreadable(reason), true);
}

void TQuillonMain::SyncStateUnwritable(const QString& reason)
{
    AddLog(RunLogText::SyncStateUnwritable(reason), true);
}

void TQuillonMain::RowsVisited(qint32 count)
{
    // Each scroll moves the whole picture of the tree: the view follows once
    // per batch of reports.
    PendingVisits += count;
    if (!LogFlush.isActive())
        LogFlush.start();
}

void TQuillonMain::FollowVisitedRows()
{
    if (PendingVisits == 0)
        return;
    QScrollBar* bar = VST1->verticalScrollBar();
    const qint64 step = qint64(bar->singleStep()) * std::exchange(PendingVisits, 0);
    bar->setValue(int(std::min<qint64>(qint64(bar->value()) + step, bar->maximum())));
}

void TQuillonMain::RowCopied(TResultRow& row)
{
    Actions->Release(row);
    Model->RowChanged(&row);
}

// The log: lines gather and are shown together, at most every 50 ms, so that a
// run of many small files does not redraw the page per file.

void TQuillonMain::AddLog(const QString& line, bool red)
{
    PendingLog.append(red ? QStringLiteral("\x01") + line : line);
    if (!LogFlush.isActive())
        LogFlush.start();
}

void TQuillonMain::FlushLog()
{
    LogFlush.stop();
    FollowVisitedRows();
    if (PendingLog.isEmpty())
        return;
    QTextCursor cursor(memo1->document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    QTextCharFormat black;
    black.setForeground(Qt::black);
    QTextCharFormat red;
    red.setForeground(QColor(255, 0, 0));
    // Lines of one colour go in as one text, a line each: a sync of a million
    // files writes a million lines, and each insertion costs more than a line.
    QString run;
    bool runIsRed = false;
    bool inRun = false;
    const auto insertRun = [&] {
        if (!inRun)
            return;
        if (!memo1->document()->isEmpty())
            cursor.insertBlock();
        cursor.insertText(run, runIsRed ? red : black);
        run.clear();
        inRun = false;
    };
    for (const QString& line : std::as_const(PendingLog)) {
        const bool isRed = line.startsWith(QLatin1Char('\x01'));
        if (isRed != runIsRed)
            insertRun();
        else if (inRun)
            run += QLatin1Char('\n');
        runIsRed = isRed;
        inRun = true;
        run += isRed ? QStringView(line).mid(1) : QStringView(line);
    }
    insertRun();
    cursor.endEditBlock();
    PendingLog.clear();
    if (ScrollPending) {
        ScrollPending = false;
        memo1->verticalScrollBar()->setValue(memo1->verticalScrollBar()->maximum());
    }
}

void TQuillonMain::ScrollLogToEnd()
{
    ScrollPending = true;
}

// Timed and automatic runs

void TQuillonMain::PeriodTimerTimer()
{
    if (JobDeleted()) {
        PeriodTimer->stop();
        return;
    }
    if (PeriodTicks == PeriodMinutes) {
        PeriodTicks = 0;
        BitBtn_AnalyzeClick();
        if (CurrentJob->PeriodSync == 1)
            SyncAfterPeriodicAnalysis = true;
        return;
    }
    ++PeriodTicks;
}

void TQuillonMain::Timer1Timer()
{
    ++ElapsedSeconds;
    const QString elapsed =
        QString::number(ElapsedSeconds / 3600).rightJustified(2, QLatin1Char('0')) +
        QLatin1Char(':') + TwoDigits((ElapsedSeconds % 3600) / 60) + QLatin1Char(':') +
        TwoDigits(ElapsedSeconds % 60);
    Label_lasttime->setText(elapsed);
    // A screen reader reads the label's name, so the name carries the time.
    Label_lasttime->setAccessibleName(QStringLiteral("Elapsed time ") + elapsed);
}

// The system ends the program without asking it when it powers off, so the job
// list is written first; a page whose job was deleted never shuts down.
void TQuillonMain::ShutDownComputer()
{
    if (JobDeleted())
        return;
    (void)SaveTaskList();
    PowerOff::Request();
}

// Actions on single rows

void TQuillonMain::ConnectTree()
{
    connect(VST1, &TResultTreeView::ImageCellHovered, this, [this](TResultRow* row, int cell) {
        TResultRow* before = Actions->HoverRow();
        if (!Actions->Hover(row, cell))
            return;
        Model->RowChanged(before);
        Model->RowChanged(Actions->HoverRow());
    });
    connect(VST1, &TResultTreeView::ImageCellPressed, this,
            [this](TResultRow* row, int cell, Qt::MouseButton) { ClickCell(row, cell); });
    connect(VST1, &TResultTreeView::ContextMenuRequested, this, &TQuillonMain::ShowMenu);
}

void TQuillonMain::ClickCell(TResultRow* row, int cell)
{
    // Before the first analysis there is nothing to choose.
    const TResultRow* root = Model->Root();
    if (row == nullptr || root == nullptr || root->ChildCount() == 0)
        return;
    if (!Actions->Click(*row, cell))
        return;
    if (row->Kind == ItemKind::Folder)
        Model->SubtreeChanged(row);
    else
        Model->RowChanged(row);
}

TResultRow* TQuillonMain::CurrentRow() const
{
    return Model->RowOf(VST1->currentIndex());
}

void TQuillonMain::CopyCurrentRow(bool toRight)
{
    ClickCell(CurrentRow(), toRight ? TResultTreeView::RightCell : TResultTreeView::LeftCell);
}

// The middle picture's click on every file of the row that copies, so that
// nothing that stood still starts to copy.
void TQuillonMain::DoNotCopyCurrentRow()
{
    TResultRow* row = CurrentRow();
    if (row == nullptr || Model->Root() == nullptr || Model->Root()->ChildCount() == 0)
        return;
    const std::function<void(TResultRow&)> stop = [&](TResultRow& item) {
        if (item.Kind == ItemKind::Folder) {
            for (int i = 0; i < item.ChildCount(); ++i)
                stop(*item.Child(i));
        } else if (item.Direction != SyncDirection::None) {
            Actions->Click(item, TResultTreeView::DirectCell);
        }
    };
    stop(*row);
    if (row->Kind == ItemKind::Folder)
        Model->SubtreeChanged(row);
    else
        Model->RowChanged(row);
}

TResultRow* TQuillonMain::MenuRow() const
{
    return MenuTarget;
}

void TQuillonMain::ShowMenu(TResultRow* row, const QPoint& globalPos)
{
    const TResultRow* root = Model->Root();
    if (row == nullptr || root == nullptr || root->ChildCount() == 0 || Driver.Job() == nullptr)
        return;
    const TRowMenu menu = Actions->MenuFor(*row, Driver.Roots());
    LeftBackupPath = Actions->LeftBackupPath;
    RightBackupPath = Actions->RightBackupPath;
    for (QAction* action : {CopyTimeLtoR1, DonotCopy1, OpenLeftFolder1})
        action->setEnabled(menu.LeftFile);
    for (QAction* action : {LeftToRight1, N1, OpenRightFile1})
        action->setEnabled(menu.RightFile);
    Restoretheleftfile1->setEnabled(menu.LeftBackup);
    Openthepreviousfileofleft1->setEnabled(menu.LeftBackup);
    Restoretherightfile1->setEnabled(menu.RightBackup);
    Openthepreviousfileofright1->setEnabled(menu.RightBackup);
    MenuTarget = row;
    pop_direction->popup(globalPos);
}

void TQuillonMain::DeleteSide(bool left)
{
    TResultRow* row = MenuRow();
    if (row == nullptr || Driver.Job() == nullptr)
        return;
    const TRowSide side = left ? TRowSide::Left : TRowSide::Right;
    const QString path = row->PathOn(side, Driver.Roots());
    Driver.WaitForSyncRows();
    const TRowActions::Deletion result = Actions->DeleteFile(*row, side, Driver.Roots());
    if (result == TRowActions::Deletion::Failed) {
        ModalDialogs::Question(
            this, QStringLiteral("Deleting the file ") + path + QStringLiteral(" failed!!"),
            QMessageBox::Ok | QMessageBox::Cancel);
        return;
    }
    // A row with no file left leaves the tree, unless a sync walks the rows now:
    // it has no direction, so the sync passes it by.
    if (result == TRowActions::Deletion::DeletedRowEmpty && !Driver.IsRunning()) {
        MenuTarget = nullptr;
        Model->RemoveRow(row);
        return;
    }
    Model->RowChanged(row);
}

void TQuillonMain::RestoreSide(bool left)
{
    TResultRow* row = MenuRow();
    if (row == nullptr || Driver.Job() == nullptr)
        return;
    if (ModalDialogs::Question(this, QStringLiteral("Are your still want to restore this file?")) !=
        QMessageBox::Yes)
        return;
    // While the question was open a run may have replaced the rows.
    if (row != MenuRow() || Driver.Job() == nullptr)
        return;
    Driver.WaitForSyncRows();
    const bool restored =
        Actions->RestoreFile(*row, left ? TRowSide::Left : TRowSide::Right, Driver.Roots());
    const QString side = left ? QStringLiteral("left") : QStringLiteral("right");
    AddLog(QStringLiteral("Restoring the ") + side +
           (restored ? QStringLiteral(" file succeeded!") : QStringLiteral(" file failed!")));
    FlushLog();
    Model->RowChanged(row);
}
