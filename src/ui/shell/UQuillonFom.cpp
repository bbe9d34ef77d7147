#include "ui/shell/UQuillonFom.h"

#include "common/HelpDocument.h"
#include "common/PublicFunctionUnit.h"
#include "jobs/UTSyncTask.h"
#include "ui/kit/DesktopOpener.h"
#include "ui/kit/UWindowMover.h"
#include "ui/kit/WindowPlacement.h"
#include "ui/page/UQuillonMain.h"
#include "ui/schedule/UOptionFrm.h"
#include "ui/shell/FAbout.h"
#include "ui/skin/ImageExButton.h"
#include "ui/skin/PressablePicture.h"
#include "ui/skin/SkinResourceUnit.h"
#include "update/DMUnit.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QSizeGrip>
#include <QStackedWidget>
#include <QThread>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <utility>

namespace {

constexpr int HeaderHeight = 111;
constexpr int TabRowHeight = 28;
constexpr int BottomHeight = 24;
constexpr int LeftFrameWidth = 10;
constexpr int RightFrameWidth = 19;
constexpr int EndPictureWidth = 23;
constexpr int AddButtonWidth = 40;
// One notch of a mouse wheel.
constexpr int WheelNotch = 120;

const QString TabHint = QStringLiteral(
    "The Job name you set up. Click on the job name, it will become the current\njob you are "
    "working. Click on the left button like a \"+\", you can add a new\njob, or go to the "
    "\"Job\" menu to add one.");

// The label of a tab keeps its 1-based position among the tab pictures.
const char TabPositionProperty[] = "TabPosition";

QWidget* Panel(QWidget* parent, const QString& name, const QString& accessibleName)
{
    auto* panel = new QWidget(parent);
    panel->setObjectName(name);
    panel->setAccessibleName(accessibleName);
    return panel;
}

// A picture of the skin; a stretched one fills whatever size it is given.
TImageEx* Picture(QWidget* parent, const QString& name, const QString& resource,
                  const QString& accessibleName, bool stretch = false)
{
    auto* picture = new TImageEx(parent);
    picture->setObjectName(name);
    picture->setAccessibleName(accessibleName);
    picture->SetStretch(stretch);
    LoadJpgResource(picture, resource);
    return picture;
}

// A picture that acts when clicked, with the pictures of the hover convention.
template <typename TPicture>
TPicture* Button(QWidget* parent, const QString& name, const QString& accessibleName,
                 const QRect& geometry)
{
    auto* button = new TPicture(parent);
    MakePressable(button);
    button->setObjectName(name);
    button->setAccessibleName(accessibleName);
    button->setCursor(Qt::PointingHandCursor);
    button->setGeometry(geometry);
    UseHoverPictures(button, name);
    return button;
}

QAction* Entry(QMenu* menu, const QString& name, const QString& caption)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

QMenu* Menu(QWidget* parent, const QString& name, const QString& accessibleName)
{
    auto* menu = new QMenu(parent);
    menu->setObjectName(name);
    menu->setAccessibleName(accessibleName);
    return menu;
}

// The bottom right corner resizes the window; its picture shows the grip.
class TCornerGrip : public QSizeGrip
{
public:
    using QSizeGrip::QSizeGrip;

protected:
    void paintEvent(QPaintEvent*) override {}
};

} // namespace

TQuillonFom::TQuillonFom(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("QuillonFom"));
    setWindowTitle(QStringLiteral("Brenvale"));
    setAccessibleName(QStringLiteral("Brenvale"));
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    // Small enough for the smallest screens; below the design width the menu
    // buttons come to lie on the header's artwork.
    setMinimumSize(640, 480);

    BuildHeader();
    BuildTabRow();
    BuildFrames();
    BuildMenus();

    resize(DesignSize);
    ArrangeRegions();
    CenterOnScreen(this);
}

TQuillonFom::~TQuillonFom()
{
    Closing = true;
    ReleasePages();
    JobCommands.SaveJobList();
}

// Building the window

void TQuillonFom::BuildHeader()
{
    TopPanel = Panel(this, QStringLiteral("TopPanel"), QStringLiteral("Header"));
    Panel3 = Panel(TopPanel, QStringLiteral("Panel3"), QStringLiteral("Header"));
    imgHeader = Picture(Panel3, QStringLiteral("imgHeader"), QStringLiteral("imgHeader"),
                        QStringLiteral("Brenvale"));
    Image8 = Picture(Panel3, QStringLiteral("Image8"), QStringLiteral("HeaderMiddle"),
                     QStringLiteral("Header"), true);
    Image4 = Picture(Panel3, QStringLiteral("Image4"), QStringLiteral("HeaderRight"),
                     QStringLiteral("Header"), true);
    for (TImageEx* handle : {imgHeader, Image8, Image4})
        TWindowMover::Attach(handle);

    // Positions for the design width (see ArrangeRegions).
    jobbutton = Button<TImageExButton>(Panel3, QStringLiteral("jobbutton"), QStringLiteral("Job"),
                                       {512, 39, 75, 35});
    actionbutton = Button<TImageExButton>(Panel3, QStringLiteral("actionbutton"),
                                          QStringLiteral("Action"), {587, 39, 77, 35});
    viewbutton = Button<TImageExButton>(Panel3, QStringLiteral("viewbutton"),
                                        QStringLiteral("View"), {664, 39, 69, 35});
    toolsbutton = Button<TImageExButton>(Panel3, QStringLiteral("toolsbutton"),
                                         QStringLiteral("Tools"), {733, 39, 70, 35});
    HelpButton = Button<TImageExButton>(Panel3, QStringLiteral("HelpButton"),
                                        QStringLiteral("Help"), {803, 39, 83, 35});
    MinBtn = Button<TImageEx>(Panel3, QStringLiteral("MinBtn"), QStringLiteral("Minimize"),
                              {820, 6, 22, 17});
    BigBtn = Button<TImageEx>(Panel3, QStringLiteral("BigBtn"), QStringLiteral("Maximize"),
                              {842, 6, 22, 17});
    CloseBtn = Button<TImageEx>(Panel3, QStringLiteral("CloseBtn"), QStringLiteral("Close"),
                                {864, 6, 22, 17});
    connect(MinBtn, &TImageEx::OnClick, this, &TQuillonFom::MinBtnClick);
    connect(BigBtn, &TImageEx::OnClick, this, &TQuillonFom::BigBtnClick);
    connect(CloseBtn, &TImageEx::OnClick, this, &TQuillonFom::CloseBtnClick);

    // The arrows keep their place from the left edge.
    moveLeftButton = Button<TImageExButton>(Panel3, QStringLiteral("moveLeftButton"),
                                            QStringLiteral("Scroll tabs left"), {863, 98, 5, 10});
    MoveRightButton = Button<TImageExButton>(Panel3, QStringLiteral("MoveRightButton"),
                                             QStringLiteral("Scroll tabs right"), {872, 98, 5, 10});
    moveLeftButton->hide();
    MoveRightButton->hide();
    connect(moveLeftButton, &TImageEx::OnClick, this, &TQuillonFom::moveLeftButtonClick);
    connect(MoveRightButton, &TImageEx::OnClick, this, &TQuillonFom::MoveRightButtonClick);
}

void TQuillonFom::BuildTabRow()
{
    Panel1 = Panel(this, QStringLiteral("Panel1"), QStringLiteral("Tab row"));
    bt_addtask =
        Button<TImageExButton>(Panel1, QStringLiteral("bt_addtask"), QStringLiteral("Add job"),
                               {0, 0, AddButtonWidth, TabRowHeight});
    connect(bt_addtask, &TImageEx::OnClick, this, &TQuillonFom::bt_addtaskClick);

    panel_tab = Panel(Panel1, QStringLiteral("panel_tab"), QStringLiteral("Job tabs"));
    Image11 = Picture(panel_tab, QStringLiteral("Image11"), QStringLiteral("TabRow"),
                      QStringLiteral("Tab row"), true);
    Pl_jobs = Panel(panel_tab, QStringLiteral("Pl_jobs"), QStringLiteral("Job tabs"));
    Pl_jobs->setGeometry(0, 0, 0, TabRowHeight);
    // The tabs pass under the row's right end.
    Image1 = Picture(panel_tab, QStringLiteral("Image1"), QStringLiteral("TabRowRight"),
                     QStringLiteral("Tab row"), true);
    // The wheel turned anywhere over the row scrolls the tabs (the tabs watch it too).
    for (QWidget* part : {Panel1, static_cast<QWidget*>(bt_addtask), panel_tab,
                          static_cast<QWidget*>(Image11), Pl_jobs, static_cast<QWidget*>(Image1)})
        part->installEventFilter(this);
}

void TQuillonFom::BuildFrames()
{
    panLeft = Panel(this, QStringLiteral("panLeft"), QStringLiteral("Left frame"));
    imgLeft_Center = Picture(panLeft, QStringLiteral("imgLeft_Center"), QStringLiteral("FrameLeft"),
                             QStringLiteral("Left frame"), true);
    panRight = Panel(this, QStringLiteral("panRight"), QStringLiteral("Right frame"));
    imgRight_Center = Picture(panRight, QStringLiteral("imgRight_Center"),
                              QStringLiteral("FrameRight"), QStringLiteral("Right frame"), true);
    PanelBottom = Panel(this, QStringLiteral("PanelBottom"), QStringLiteral("Bottom bar"));
    imgBottom = Picture(PanelBottom, QStringLiteral("imgBottom"), QStringLiteral("BottomLeft"),
                        QStringLiteral("Bottom bar"));
    Image3 = Picture(PanelBottom, QStringLiteral("Image3"), QStringLiteral("BottomMiddle"),
                     QStringLiteral("Bottom bar"), true);
    Image2 = Picture(PanelBottom, QStringLiteral("Image2"), QStringLiteral("BottomRight"),
                     QStringLiteral("Bottom bar"));
    SizeGrip = new TCornerGrip(PanelBottom);
    SizeGrip->setObjectName(QStringLiteral("SizeGrip"));
    SizeGrip->setAccessibleName(QStringLiteral("Resize"));

    pn_main = Panel(this, QStringLiteral("pn_main"), QStringLiteral("Job area"));
    Notebook1 = new QStackedWidget(pn_main);
    Notebook1->setObjectName(QStringLiteral("Notebook1"));
    Notebook1->setAccessibleName(QStringLiteral("Jobs"));
    auto* fill = new QVBoxLayout(pn_main);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(Notebook1);
    QWidget* empty = Panel(Notebook1, QStringLiteral("Default"), QStringLiteral("Default"));
    empty->setWindowTitle(QStringLiteral("Default"));
    // Shown while there is no job: how to make the first one.
    auto* hint = new QLabel(QStringLiteral("There is no job yet.\n\nPress \"+\" beside the tabs, "
                                           "or choose \"add new job\" in the Job menu,\nto "
                                           "choose a left and a right folder for your first job."),
                            empty);
    hint->setObjectName(QStringLiteral("FirstJobHint"));
    hint->setAlignment(Qt::AlignCenter);
    auto* centre = new QVBoxLayout(empty);
    centre->addWidget(hint);
    Notebook1->addWidget(empty);
}

void TQuillonFom::BuildMenus()
{
    BuildJobMenu();
    BuildActionMenu();
    BuildViewAndToolsMenus();
    BuildHelpMenu();
    const std::pair<TImageExButton*, QMenu*> opens[] = {{jobbutton, JobMenu},
                                                        {actionbutton, ActionMenu},
                                                        {viewbutton, ViewMenu},
                                                        {toolsbutton, ToolsMenu},
                                                        {HelpButton, HelpMenu}};
    for (const auto& [button, menu] : opens)
        connect(button, &TImageEx::OnClick, this,
                [this, button, menu] { MenuButtonClick(button, menu); });
}

void TQuillonFom::BuildJobMenu()
{
    JobMenu = Menu(this, QStringLiteral("JobMenu"), QStringLiteral("Job"));
    addnewjob1 = Entry(JobMenu, QStringLiteral("addnewjob1"), QStringLiteral(" add new job"));
    addnewjobFromTemplate1 =
        Entry(JobMenu, QStringLiteral("addnewjobFromTemplate1"), QStringLiteral(" Edit this job"));
    Delete1 = Entry(JobMenu, QStringLiteral("Delete1"), QStringLiteral(" Delete job"));
    JobMenu->addSeparator();
    Exit1 = Entry(JobMenu, QStringLiteral("Exit1"), QStringLiteral(" Exit"));
    connect(addnewjob1, &QAction::triggered, this, &TQuillonFom::addnewjob1Click);
    connect(addnewjobFromTemplate1, &QAction::triggered, this,
            &TQuillonFom::addnewjobFromTemplate1Click);
    connect(Delete1, &QAction::triggered, this, &TQuillonFom::Delete1Click);
    connect(Exit1, &QAction::triggered, this, &TQuillonFom::Exit1Click);
}

// The three directions act on the current row of the current job's page, as the
// clicks on its pictures do: the way to them without a mouse.
void TQuillonFom::BuildActionMenu()
{
    ActionMenu = Menu(this, QStringLiteral("ActionMenu"), QStringLiteral("Action"));
    Donotcopy1 = Entry(ActionMenu, QStringLiteral("Donotcopy1"), QStringLiteral(" Do not copy"));
    RighttoLeft1 =
        Entry(ActionMenu, QStringLiteral("RighttoLeft1"), QStringLiteral(" Copy Left to Right"));
    ActionmoveRight1 = Entry(ActionMenu, QStringLiteral("ActionmoveRight1"),
                             QStringLiteral(" Copy Right to Left"));
    connect(Donotcopy1, &QAction::triggered, this, [this] {
        if (TQuillonMain* page = CurrentPage())
            page->DoNotCopyCurrentRow();
    });
    connect(RighttoLeft1, &QAction::triggered, this, [this] {
        if (TQuillonMain* page = CurrentPage())
            page->CopyCurrentRow(true);
    });
    connect(ActionmoveRight1, &QAction::triggered, this, [this] {
        if (TQuillonMain* page = CurrentPage())
            page->CopyCurrentRow(false);
    });
}

void TQuillonFom::BuildViewAndToolsMenus()
{
    ViewMenu = Menu(this, QStringLiteral("ViewMenu"), QStringLiteral("View"));
    Log1 = Entry(ViewMenu, QStringLiteral("Log1"), QStringLiteral(" Option"));
    connect(Log1, &QAction::triggered, this, &TQuillonFom::Log1Click);

    ToolsMenu = Menu(this, QStringLiteral("ToolsMenu"), QStringLiteral("Tools"));
    ExportTaskList1 =
        Entry(ToolsMenu, QStringLiteral("ExportTaskList1"), QStringLiteral("Export Task List"));
    ImportTaskList1 =
        Entry(ToolsMenu, QStringLiteral("ImportTaskList1"), QStringLiteral("Import Task List"));
    connect(ExportTaskList1, &QAction::triggered, this, &TQuillonFom::ExportTaskList1Click);
    connect(ImportTaskList1, &QAction::triggered, this, &TQuillonFom::ImportTaskList1Click);
}

void TQuillonFom::BuildHelpMenu()
{
    HelpMenu = Menu(this, QStringLiteral("HelpMenu"), QStringLiteral("Help"));
    QuickStart1 = Entry(HelpMenu, QStringLiteral("QuickStart1"), QStringLiteral(" Quick Start"));
    QuillonHome1 =
        Entry(HelpMenu, QStringLiteral("QuillonHome1"), QStringLiteral(" Brenvale Home"));
    checknewversion1 =
        Entry(HelpMenu, QStringLiteral("checknewversion1"), QStringLiteral(" Check new version"));
    checknewversion1->setVisible(false);
    About2 = Entry(HelpMenu, QStringLiteral("About2"), QStringLiteral(" About"));
    HelpMenu->addSeparator();
    Exit2 = Entry(HelpMenu, QStringLiteral("Exit2"), QStringLiteral(" Exit"));
    connect(QuickStart1, &QAction::triggered, this, &TQuillonFom::QuickStart1Click);
    connect(QuillonHome1, &QAction::triggered, this, &TQuillonFom::QuillonHome1Click);
    connect(checknewversion1, &QAction::triggered, this, &TQuillonFom::checknewversion1Click);
    connect(About2, &QAction::triggered, this, &TQuillonFom::About2Click);
    connect(Exit2, &QAction::triggered, this, &TQuillonFom::Exit2Click);
}

// Places the regions for the window's size: the header, the tab row and the
// bottom bar take the full width, the frames and the job area the height between.
void TQuillonFom::ArrangeRegions()
{
    const int w = width();
    const int h = height();
    const int middleTop = HeaderHeight + TabRowHeight;
    const int middleHeight = std::max(0, h - middleTop - BottomHeight);

    TopPanel->setGeometry(0, 0, w, HeaderHeight);
    Panel3->setGeometry(0, 0, w, HeaderHeight);
    imgHeader->setGeometry(0, 0, 436, HeaderHeight);
    Image8->setGeometry(436, 0, std::max(0, w - 436 - EndPictureWidth), HeaderHeight);
    Image4->setGeometry(w - EndPictureWidth, 0, EndPictureWidth, HeaderHeight);
    // The menu and window buttons keep their distance from the right edge.
    const auto anchorRight = [shift = w - DesignSize.width()](QWidget* button, int designX) {
        button->move(designX + shift, button->y());
    };
    anchorRight(jobbutton, 512);
    anchorRight(actionbutton, 587);
    anchorRight(viewbutton, 664);
    anchorRight(toolsbutton, 733);
    anchorRight(HelpButton, 803);
    anchorRight(MinBtn, 820);
    anchorRight(BigBtn, 842);
    anchorRight(CloseBtn, 864);

    Panel1->setGeometry(0, HeaderHeight, w, TabRowHeight);
    panel_tab->setGeometry(AddButtonWidth, 0, std::max(0, w - AddButtonWidth), TabRowHeight);
    Image11->setGeometry(0, 0, panel_tab->width(), TabRowHeight);
    Image1->setGeometry(panel_tab->width() - EndPictureWidth, 0, EndPictureWidth, TabRowHeight);

    panLeft->setGeometry(0, middleTop, LeftFrameWidth, middleHeight);
    imgLeft_Center->setGeometry(0, 0, LeftFrameWidth, middleHeight);
    panRight->setGeometry(w - RightFrameWidth, middleTop, RightFrameWidth, middleHeight);
    imgRight_Center->setGeometry(0, 0, RightFrameWidth, middleHeight);
    PanelBottom->setGeometry(0, h - BottomHeight, w, BottomHeight);
    imgBottom->setGeometry(0, 0, EndPictureWidth, BottomHeight);
    Image3->setGeometry(EndPictureWidth, 0, std::max(0, w - 2 * EndPictureWidth), BottomHeight);
    Image2->setGeometry(w - EndPictureWidth, 0, EndPictureWidth, BottomHeight);
    SizeGrip->setGeometry(Image2->geometry());
    pn_main->setGeometry(LeftFrameWidth, middleTop,
                         std::max(0, w - LeftFrameWidth - RightFrameWidth), middleHeight);

    UpdateTabArrows();
}

// Showing and closing

void TQuillonFom::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (Shown)
        return;
    Shown = true;
    FormShow();
}

void TQuillonFom::FormShow()
{
    NextTabCurrent = true;
    NextTabLeft = 0;
    BuildJobPages();
}

// The pages go with the window, once the event loop has ended: a page may be in
// the middle of a handler that lets events through (building many rows, a dialog)
// and must not find itself gone when it returns. Until then no page starts a timed
// run.
void TQuillonFom::closeEvent(QCloseEvent* event)
{
    Closing = true;
    for (const TJobTab& entry : JobTabs) {
        if (entry.Page) {
            entry.Page->PeriodTimer->stop();
            entry.Page->Timer1->stop();
        }
    }
    event->accept();
}

void TQuillonFom::RequestClose()
{
    if (Closing)
        return;
    if (QThread::currentThread()->loopLevel() <= 1)
        close();
    else
        QCoreApplication::exit(0);
}

// A page's destruction cancels its run and waits for the worker with events
// flowing (user input aside), and the page hears nothing more of the run. One
// page at a time: a worker cancelled before its page goes would end while another
// page is waited for, and its page would act on the end of the run (start the
// sync that follows an analysis, say).
void TQuillonFom::ReleasePages()
{
    for (const TJobTab& entry : JobTabs) {
        if (entry.Page)
            entry.Page->PeriodTimer->stop();
    }
    for (TJobTab& entry : JobTabs)
        delete entry.Page.data();
}

void TQuillonFom::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ArrangeRegions();
}

bool TQuillonFom::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Wheel:
        if (watched == Panel1 || Panel1->isAncestorOf(qobject_cast<QWidget*>(watched))) {
            const QPoint turn = static_cast<QWheelEvent*>(event)->angleDelta();
            WheelRest += turn.y() != 0 ? turn.y() : turn.x();
            // Turning down or right brings the later tabs in.
            const int tabs = WheelRest / WheelNotch;
            WheelRest -= tabs * WheelNotch;
            if (tabs != 0)
                ScrollTabs(-tabs);
            return true;
        }
        return false;
    case QEvent::MouseButtonRelease: {
        auto* label = qobject_cast<QLabel*>(watched);
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (label == nullptr || mouse->button() != Qt::LeftButton ||
            !label->rect().contains(mouse->position().toPoint()))
            return false;
        const int position = label->property(TabPositionProperty).toInt();
        if (position >= 1 && position <= JobTabs.size())
            SelectTab(JobTabs.at(position - 1).Picture);
        return true;
    }
    case QEvent::FocusIn:
        if (auto* tab = qobject_cast<TImageEx*>(watched); tab && TabIndex(tab) >= 0)
            EnsureTabVisible(tab);
        return false;
    default:
        return false;
    }
}

// Job pages and tabs

void TQuillonFom::BuildJobPages()
{
    const qsizetype first = JobTabs.size();
    const int count = SyncTaskList ? SyncTaskList->Count() : 0;
    for (int i = 0; i < count; ++i)
        AddJobPage(i, SyncTaskList->TaskByIndex(i)->SyncName);
    AddJobTabs(first);
    if (count > 0)
        ShowPageByName(PageCaption(1));
}

TQuillonMain* TQuillonFom::AddJobPage(int index, const QString& name)
{
    QWidget* notebookPage = Panel(Notebook1, QStringLiteral("JobPage"), name);
    notebookPage->setWindowTitle(name);
    auto* pageLayout = new QVBoxLayout(notebookPage);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    QWidget* dock = Panel(notebookPage, QStringLiteral("JobPanel"), name);
    pageLayout->addWidget(dock);
    Notebook1->addWidget(notebookPage);

    auto* page = new TQuillonMain(dock);
    page->BindToJob(index);
    auto* fill = new QVBoxLayout(dock);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(page);
    JobTabs.append({.Name = name, .Page = page});
    page->show();
    page->FormShow();
    return page;
}

void TQuillonFom::AddJobTabs(qsizetype first)
{
    if (first >= JobTabs.size())
        return;
    for (qsizetype i = first; i < JobTabs.size(); ++i) {
        CreateJobTab(i, NextTabCurrent ? TabCurrent : TabNormal, NextTabLeft, TabWidth);
        NextTabLeft += TabWidth;
        NextTabCurrent = false;
        if (CurrentTab == nullptr)
            CurrentTab = JobTabs.first().Picture;
    }
    Pl_jobs->resize(NextTabLeft, TabRowHeight);
    UpdateTabArrows();
}

void TQuillonFom::CreateJobTab(qsizetype index, int state, int left, int width)
{
    TJobTab& entry = JobTabs[index];
    const QString& name = entry.Name;
    auto* tab = new TImageEx(Pl_jobs);
    MakePressable(tab, QAccessible::PageTab);
    tab->setObjectName(QStringLiteral("JobTab"));
    tab->setAccessibleName(name.isEmpty() ? QStringLiteral("Job") : name);
    tab->setGeometry(left, 0, width, TabRowHeight);
    tab->SetAutoSize(true);
    tab->setCursor(Qt::PointingHandCursor);
    tab->setToolTip(TabHint);
    tab->installEventFilter(this);
    connect(tab, &TImageEx::OnClick, this, [this, tab] { SelectTab(tab); });
    entry.Picture = tab;
    SetTabPicture(tab, state);
    ++TabsCreated;
    tab->show();
    if (!name.isEmpty())
        entry.Caption = CreateTabCaption(index, tab, left + width);
}

QLabel* TQuillonFom::CreateTabCaption(qsizetype index, const TImageEx* tab, int right)
{
    auto* label = new QLabel(JobTabs.at(index).Name, Pl_jobs);
    label->setObjectName(QStringLiteral("JobTabCaption"));
    label->setProperty(TabPositionProperty, static_cast<int>(index + 1));
    label->adjustSize();
    label->setGeometry(right - (label->width() + tab->width()) / 2, 10, label->width(), 20);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette caption = label->palette();
    caption.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(caption);
    label->setCursor(Qt::PointingHandCursor);
    label->setToolTip(TabHint);
    label->installEventFilter(this);
    label->show();
    return label;
}

void TQuillonFom::SetTabPicture(TImageEx* tab, int state)
{
    tab->ClearPicture();
    LoadJpgResource(tab, state == TabNormal ? QStringLiteral("ieb1") : QStringLiteral("ieb2"));
    SetPressableSelected(tab, state != TabNormal);
}

void TQuillonFom::SelectTab(TImageEx* tab)
{
    if (tab == nullptr || tab == CurrentTab)
        return;
    SetTabPicture(tab, TabCurrent);
    if (CurrentTab != nullptr)
        SetTabPicture(CurrentTab, TabNormal);
    CurrentTab = tab;
    const qsizetype i = TabIndex(tab);
    if (i >= 0)
        ShowPageByName(JobTabs.at(i).Caption ? JobTabs.at(i).Caption->text() : QString());
    EnsureTabVisible(tab);
}

qsizetype TQuillonFom::TabIndex(const TImageEx* tab) const
{
    for (qsizetype i = 0; i < JobTabs.size(); ++i) {
        if (JobTabs.at(i).Picture == tab)
            return i;
    }
    return -1;
}

void TQuillonFom::ShowPageByName(const QString& name)
{
    for (int i = 1; i < Notebook1->count(); ++i) {
        if (PageCaption(i) == name) {
            Notebook1->setCurrentIndex(i);
            return;
        }
    }
}

QString TQuillonFom::PageCaption(int index) const
{
    const QWidget* page = Notebook1->widget(index);
    return page ? page->windowTitle() : QString();
}

TQuillonMain* TQuillonFom::CurrentPage() const
{
    const int index = CurrentJobIndex();
    return index >= 0 && index < JobTabs.size() ? JobTabs.at(index).Page.data() : nullptr;
}

int TQuillonFom::CurrentJobIndex() const
{
    return Notebook1->currentIndex() - 1;
}

// Scrolling the tab strip

void TQuillonFom::ScrollTabs(int tabs)
{
    MoveStrip(Pl_jobs->x() - tabs * TabWidth);
}

void TQuillonFom::MoveStrip(int left)
{
    const int visible = panel_tab->width() - Image1->width();
    const int leftmost = std::min(0, visible - Pl_jobs->width());
    Pl_jobs->move(std::clamp(left, leftmost, 0), 0);
}

void TQuillonFom::EnsureTabVisible(TImageEx* tab)
{
    const int visible = panel_tab->width() - Image1->width();
    int left = Pl_jobs->x();
    if (tab->x() + left < 0)
        left = -tab->x();
    else if (tab->x() + TabWidth + left > visible)
        left = visible - tab->x() - TabWidth;
    MoveStrip(left);
}

// The arrows show while some tab lies beyond the row's right edge, or before its
// left edge.
void TQuillonFom::UpdateTabArrows()
{
    const int visible = panel_tab->width() - Image1->width();
    const bool beyond = Pl_jobs->width() > visible;
    moveLeftButton->setVisible(beyond);
    MoveRightButton->setVisible(beyond);
    MoveStrip(Pl_jobs->x());
}

void TQuillonFom::moveLeftButtonClick()
{
    ScrollTabs(-1);
}

void TQuillonFom::MoveRightButtonClick()
{
    ScrollTabs(1);
}

// Header buttons

void TQuillonFom::MenuButtonClick(TImageExButton* button, QMenu* menu)
{
    menu->popup(button->mapToGlobal(QPoint(0, button->height())));
    // The menu takes the pointer away from the button.
    LoadJpgResource(button, button->objectName() + QLatin1Char('1'));
}

void TQuillonFom::MinBtnClick()
{
    showMinimized();
}

bool TQuillonFom::IsMaximized() const
{
    return BigBtn->Tag == 1;
}

// Maximised, the window fills the screen from its top left corner, less the
// height of the desktop's panels (the part of the screen outside its available
// area), taken off at the bottom. Restored, it takes the normal size, centred.
void TQuillonFom::BigBtnClick()
{
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect full = screen->geometry();
    if (!IsMaximized()) {
        const int panels = full.height() - screen->availableGeometry().height();
        setGeometry(full.x(), full.y(), full.width(), full.height() - panels);
        BigBtn->Tag = 1;
    } else {
        BigBtn->Tag = 0;
        setGeometry(full.x() + (full.width() - NormalSize.width()) / 2,
                    full.y() + (full.height() - NormalSize.height()) / 2, NormalSize.width(),
                    NormalSize.height());
    }
}

void TQuillonFom::CloseBtnClick()
{
    close();
}

// Menus

void TQuillonFom::Exit1Click()
{
    close();
}

void TQuillonFom::Exit2Click()
{
    close();
}

void TQuillonFom::QuickStart1Click()
{
    DesktopOpener::Open(HelpDocumentPath());
}

void TQuillonFom::QuillonHome1Click()
{
    DesktopOpener::Open(MyRegistryInfo.HomePage);
}

void TQuillonFom::About2Click()
{
    TAboutBox AboutBox(this);
    AboutBox.exec();
}

// The job list commands

void TQuillonFom::addnewjob1Click()
{
    JobCommands.AddJob();
}

void TQuillonFom::bt_addtaskClick()
{
    addnewjob1Click();
}

void TQuillonFom::addnewjobFromTemplate1Click()
{
    JobCommands.EditCurrentJob();
}

void TQuillonFom::Delete1Click()
{
    JobCommands.DeleteCurrentJob();
}

void TQuillonFom::Log1Click()
{
    TOptionFrm::ShowModal(this);
}

void TQuillonFom::ExportTaskList1Click()
{
    JobCommands.ExportJobList();
}

void TQuillonFom::ImportTaskList1Click()
{
    JobCommands.ImportJobList();
}

// Showing what the job list commands changed

void TQuillonFom::ShowAddedJob(const QString& name)
{
    const qsizetype index = JobTabs.size();
    AddJobPage(static_cast<int>(index), name);
    AddJobTabs(index);
    // The new tab becomes current, also when it is the only one: then AddJobTabs
    // has already taken it as current, with the picture of a tab that is not.
    TImageEx* tab = JobTabs.last().Picture;
    if (CurrentTab == tab)
        CurrentTab = nullptr;
    SelectTab(tab);
}

void TQuillonFom::RebindJobPage(int index)
{
    if (JobTabs.at(index).Page)
        JobTabs.at(index).Page->BindToJob(index);
}

QString TQuillonFom::TabCaption(int index) const
{
    const QLabel* caption = JobTabs.at(index).Caption;
    return caption ? caption->text() : QString();
}

void TQuillonFom::HideDeletedJob(int index)
{
    TImageEx* deleted = JobTabs.at(index).Picture;
    deleted->hide();
    if (QLabel* caption = JobTabs.at(index).Caption) {
        caption->hide();
        caption->clear();
    }
    // The page stays, hidden, so that positions hold; it runs nothing more.
    if (TQuillonMain* page = JobTabs.at(index).Page.data()) {
        page->PeriodTimer->stop();
        if (page->IsRunning())
            page->BitBtn_cancelClick();
    }
    CloseGapAfter(index, deleted->width());

    if (TImageEx* first = FirstShownTab()) {
        SelectTab(first);
        MoveStrip(0);
    } else {
        SetTabPicture(deleted, TabNormal);
        CurrentTab = nullptr;
        Notebook1->setCurrentIndex(0);
    }
    UpdateTabArrows();
}

// A job without a name has a tab but no caption.
void TQuillonFom::CloseGapAfter(int index, int width)
{
    for (qsizetype k = index + 1; k < JobTabs.size(); ++k) {
        TImageEx* tab = JobTabs.at(k).Picture;
        if (tab->isHidden())
            continue;
        tab->move(tab->x() - width, 0);
        if (QLabel* label = JobTabs.at(k).Caption)
            label->move(label->x() - width, label->y());
    }
    NextTabLeft -= width;
    Pl_jobs->resize(NextTabLeft, Pl_jobs->height());
}

TImageEx* TQuillonFom::FirstShownTab() const
{
    for (const TJobTab& entry : JobTabs) {
        if (!entry.Picture->isHidden())
            return entry.Picture;
    }
    return nullptr;
}

void TQuillonFom::RemoveJobPages()
{
    ReleasePages();
    while (Notebook1->count() > 1) {
        QWidget* page = Notebook1->widget(Notebook1->count() - 1);
        Notebook1->removeWidget(page);
        delete page;
    }
    Notebook1->setCurrentIndex(0);
    for (const TJobTab& entry : std::as_const(JobTabs)) {
        delete entry.Picture;
        delete entry.Caption;
    }
    JobTabs.clear();
    CurrentTab = nullptr;
    Pl_jobs->setGeometry(0, 0, 0, TabRowHeight);
}

void TQuillonFom::ShowJobPages()
{
    NextTabCurrent = true;
    NextTabLeft = 0;
    BuildJobPages();
    UpdateTabArrows();
}

// The entry is not shown; the check reports what it finds.
void TQuillonFom::checknewversion1Click()
{
    if (DM)
        DM->CheckForUpdate(true);
}
