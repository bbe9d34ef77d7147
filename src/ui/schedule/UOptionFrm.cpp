#include "ui/schedule/UOptionFrm.h"

#include "common/PublicFunctionUnit.h"
#include "schedule/AutostartEntry.h"
#include "schedule/ScheduleSentence.h"
#include "schedule/ScheduleTaskUnit.h"
#include "ui/kit/ModalDialogs.h"
#include "ui/schedule/ScheduleManagerUnit.h"
#include "ui/skin/ImageExButton.h"
#include "ui/skin/PressablePicture.h"
#include "ui/skin/SkinResourceUnit.h"
#include "update/DMUnit.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QSettings>
#include <QStackedWidget>
#include <QTreeWidget>

namespace {

TImageExButton* PictureButton(QWidget* owner, const QString& name, const QString& text,
                              const QRect& place)
{
    auto* picture = new TImageExButton(owner);
    picture->setObjectName(name);
    picture->setAccessibleName(text);
    picture->setGeometry(place);
    picture->setCursor(Qt::PointingHandCursor);
    return picture;
}

// The caption on a page button; the click goes to the button under it.
QLabel* PageLabel(QWidget* owner, const QString& name, const QString& text, const QRect& place)
{
    auto* label = new QLabel(text, owner);
    label->setObjectName(name);
    label->setAccessibleName(text);
    label->setAlignment(Qt::AlignCenter);
    // Readable on the picture of the page shown and on the other one.
    label->setStyleSheet(QStringLiteral("color: white; font-weight: bold;"));
    label->setGeometry(place);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

} // namespace

TOptionFrm::TOptionFrm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      Skin(this, {.Name = QStringLiteral("OptionFrm"),
                  .Size = {500, 385},
                  .Picture = QStringLiteral("OptionFrm"),
                  .PictureName = QStringLiteral("Image1"),
                  .PictureText = QStringLiteral("Options"),
                  .MoveByPicture = true,
                  .Caption = QStringLiteral("Options")}),
      Image1(Skin.Background()), SMCLoseBtn(Skin.AddCloseButton({470, 7}))
{
    UseHoverPictures(SMCLoseBtn, QStringLiteral("OSMCLoseBtn"));
    ShowScheduleDialog = [](TScheduleManagerForm& form) {
        return form.exec() == QDialog::Accepted;
    };

    // Made in this order, which is also the order of the keyboard focus.
    BuildPageButtons();
    BuildPages();
    BuildGeneralPage();
    BuildSchedulingPage();
    BuildCommandButtons();
    connect(select1Button, &TImageEx::OnClick, this, &TOptionFrm::select1ButtonClick);
    connect(select2Button, &TImageEx::OnClick, this, &TOptionFrm::select2ButtonClick);
    connect(ApplyBtn, &TImageEx::OnClick, this, &TOptionFrm::ApplyBtnClick);
    connect(CheckUpdateBtn, &TImageEx::OnClick, this, &TOptionFrm::CheckUpdateBtnClick);
    connect(AddScheduleBtn, &TImageEx::OnClick, this, &TOptionFrm::AddScheduleBtnClick);
    connect(RemoveScheduleBtn, &TImageEx::OnClick, this, &TOptionFrm::RemoveScheduleBtnClick);
    connect(ClearAllBtn, &TImageEx::OnClick, this, &TOptionFrm::ClearAllBtnClick);

    Skin.EndTabOrderWith(
        {select1Button, select2Button, AddScheduleBtn, RemoveScheduleBtn, ApplyBtn, ClearAllBtn});
    select1ButtonClick();
}

void TOptionFrm::BuildPageButtons()
{
    select1Button = PictureButton(this, QStringLiteral("select1Button"),
                                  QStringLiteral("General Settings"), {12, 40, 126, 28});
    MakePressable(select1Button, QAccessible::PageTab);
    Label1 = PageLabel(this, QStringLiteral("Label1"), QStringLiteral("General Settings"),
                       {12, 40, 126, 28});
    select2Button = PictureButton(this, QStringLiteral("select2Button"),
                                  QStringLiteral("Scheduling"), {140, 40, 126, 28});
    MakePressable(select2Button, QAccessible::PageTab);
    Label2 =
        PageLabel(this, QStringLiteral("Label2"), QStringLiteral("Scheduling"), {140, 40, 126, 28});
}

void TOptionFrm::BuildPages()
{
    Notebook1 = new QStackedWidget(this);
    Notebook1->setObjectName(QStringLiteral("Notebook1"));
    Notebook1->setGeometry(12, 70, 476, 268);
    GeneralSettings = new QWidget(Notebook1);
    GeneralSettings->setObjectName(QStringLiteral("GeneralSettings"));
    Scheduling = new QWidget(Notebook1);
    Scheduling->setObjectName(QStringLiteral("Scheduling"));
    Notebook1->addWidget(GeneralSettings);
    Notebook1->addWidget(Scheduling);
}

void TOptionFrm::BuildGeneralPage()
{
    GroupBox1 = new QGroupBox(QStringLiteral("Schedule Option"), GeneralSettings);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setAccessibleName(GroupBox1->title());
    GroupBox1->setGeometry(8, 10, 460, 70);
    ChkRun = new QCheckBox(QStringLiteral("Run when I log in"), GroupBox1);
    ChkRun->setObjectName(QStringLiteral("ChkRun"));
    ChkRun->setAccessibleName(ChkRun->text());
    ChkRun->setGeometry(16, 30, 420, 24);

    GroupBox2 = new QGroupBox(QStringLiteral("Check Update"), GeneralSettings);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setAccessibleName(GroupBox2->title());
    GroupBox2->setGeometry(8, 92, 460, 100);
    cbCheckUpdate =
        new QCheckBox(QStringLiteral("Check for Brenvale update automatically"), GroupBox2);
    cbCheckUpdate->setObjectName(QStringLiteral("cbCheckUpdate"));
    cbCheckUpdate->setAccessibleName(cbCheckUpdate->text());
    cbCheckUpdate->setGeometry(16, 32, 330, 24);
    CheckUpdateBtn = PictureButton(GroupBox2, QStringLiteral("CheckUpdateBtn"),
                                   QStringLiteral("Check now"), {360, 31, 84, 25});
    UseHoverPictures(CheckUpdateBtn, QStringLiteral("CheckUpdateBtn"));
    LabelVer = new QLabel(GroupBox2);
    LabelVer->setObjectName(QStringLiteral("LabelVer"));
    LabelVer->setGeometry(16, 66, 330, 20);
}

void TOptionFrm::BuildSchedulingPage()
{
    ScheduleListView = new QTreeWidget(Scheduling);
    ScheduleListView->setObjectName(QStringLiteral("ScheduleListView"));
    ScheduleListView->setAccessibleName(QStringLiteral("Scheduling"));
    ScheduleListView->setGeometry(0, 0, 476, 268);
    ScheduleListView->setHeaderLabels(
        {QStringLiteral("Schedule"), QStringLiteral("Trigger Type"), QStringLiteral("Start Time")});
    ScheduleListView->setColumnWidth(0, 175);
    ScheduleListView->setColumnWidth(1, 100);
    ScheduleListView->setColumnWidth(2, 180);
    ScheduleListView->setRootIsDecorated(false);
    ScheduleListView->setSortingEnabled(false);
    ScheduleListView->header()->setSectionsClickable(false);
    ScheduleListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ScheduleListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ScheduleListView->setSelectionMode(QAbstractItemView::SingleSelection);
    // Grid lines between the cells, as a report list has them.
    ScheduleListView->setStyleSheet(QStringLiteral(
        "QTreeView::item { border: 1px solid #d8dde6; border-left: none; border-top: none; }"
        "QTreeView::item:selected { background: #3d6fb6; color: white; }"));
}

void TOptionFrm::BuildCommandButtons()
{
    AddScheduleBtn = PictureButton(this, QStringLiteral("AddScheduleBtn"), QStringLiteral("Add"),
                                   {276, 348, 66, 25});
    UseHoverPictures(AddScheduleBtn, QStringLiteral("AddScheduleBtn"));
    RemoveScheduleBtn = PictureButton(this, QStringLiteral("RemoveScheduleBtn"),
                                      QStringLiteral("Remove"), {348, 348, 66, 25});
    UseHoverPictures(RemoveScheduleBtn, QStringLiteral("RemoveScheduleBtn"));
    ApplyBtn = PictureButton(this, QStringLiteral("ApplyBtn"), QStringLiteral("Apply"),
                             {420, 348, 66, 25});
    UseHoverPictures(ApplyBtn, QStringLiteral("apply"));
    ClearAllBtn = PictureButton(this, QStringLiteral("ClearAllBtn"), QStringLiteral("Clear All"),
                                {420, 348, 66, 25});
    UseHoverPictures(ClearAllBtn, QStringLiteral("ClearAllBtn"));
}

void TOptionFrm::ShowModal(QWidget* parent)
{
    TOptionFrm OptionFrm(parent);
    OptionFrm.exec();
}

void TOptionFrm::select1ButtonClick()
{
    LoadJpgResource(select1Button, QStringLiteral("ieb2"));
    LoadJpgResource(select2Button, QStringLiteral("ieb1"));
    SetPressableSelected(select1Button, true);
    SetPressableSelected(select2Button, false);
    AddScheduleBtn->hide();
    RemoveScheduleBtn->hide();
    ClearAllBtn->hide();
    ApplyBtn->show();
    Notebook1->setCurrentWidget(GeneralSettings);
    LoadSettings();
}

void TOptionFrm::select2ButtonClick()
{
    LoadJpgResource(select1Button, QStringLiteral("ieb1"));
    LoadJpgResource(select2Button, QStringLiteral("ieb2"));
    SetPressableSelected(select1Button, false);
    SetPressableSelected(select2Button, true);
    AddScheduleBtn->show();
    RemoveScheduleBtn->show();
    ClearAllBtn->show();
    ApplyBtn->hide();
    Notebook1->setCurrentWidget(Scheduling);
    LoadScheduleList();
}

void TOptionFrm::LoadSettings()
{
    ChkRun->setChecked(AutostartEntry::IsOn(ScheduleExecutablePath()));
    QString version;
    if (QFileInfo::exists(SettingsFilePath())) {
        const QSettings settings(SettingsFilePath(), QSettings::IniFormat);
        cbCheckUpdate->setChecked(
            settings.value(QStringLiteral("CheckUpdate")).toString().trimmed().toInt() != 0);
        version = settings.value(QStringLiteral("Version")).toString();
    }
    if (version.trimmed().isEmpty())
        version = QString::fromLatin1(BuiltInVersion);
    LabelVer->setText(QStringLiteral("Version: ") + version);
    LabelVer->setAccessibleName(LabelVer->text());
}

void TOptionFrm::ApplyBtnClick()
{
    (void)AutostartEntry::Set(ScheduleExecutablePath(), ChkRun->isChecked());
    QSettings settings(SettingsFilePath(), QSettings::IniFormat);
    MyRegistryInfo.CheckUpdate = cbCheckUpdate->isChecked();
    settings.setValue(QStringLiteral("CheckUpdate"), MyRegistryInfo.CheckUpdate ? 1 : 0);
    settings.sync();
    accept();
}

// The user asked: the check tells what it found, a failed download included.
void TOptionFrm::CheckUpdateBtnClick()
{
    if (DM)
        DM->CheckForUpdate(true);
}

bool TOptionFrm::Reachable(const TScheduleResult& result)
{
    if (result.Code != TScheduleResult::Unavailable)
        return true;
    ModalDialogs::Message(this, QMessageBox::Warning,
                          QStringLiteral("The task scheduler is not available: ") + result.Error);
    return false;
}

void TOptionFrm::LoadScheduleList()
{
    ScheduleListView->clear();
    QList<TScheduleItem> items;
    if (!Reachable(::LoadScheduleList(items)))
        return;
    const QIcon icon(QStringLiteral(":/skin/icon/brenvale.png"));
    for (const TScheduleItem& item : items) {
        auto* row = new QTreeWidgetItem(
            ScheduleListView,
            {item.Name, TriggerTypeText(item.Trigger.TriggerType),
             LongTimeText(QTime(item.Trigger.StartHour, item.Trigger.StartMinute, 0))});
        row->setIcon(0, icon);
    }
}

void TOptionFrm::AddScheduleBtnClick()
{
    TScheduleManagerForm ScheduleManagerForm(this);
    if (!ShowScheduleDialog(ScheduleManagerForm))
        return;
    const QDateTime now = Now();
    const QString name = now.toString(QStringLiteral("MM-dd-yyyy_HHmmss"));
    const TScheduleChoice choice = ScheduleManagerForm.Choice();
    if (choice.Kind == skWeekly)
        std::copy(std::begin(choice.WeekDays), std::end(choice.WeekDays), ScheduleWeekDays);
    const TScheduleResult result =
        CreateScheduleTask(name, choice.Kind, ScheduleManagerForm.KindValue(),
                           QDateTime(now.date(), choice.StartTime));
    if (Reachable(result))
        LoadScheduleList();
}

void TOptionFrm::RemoveScheduleBtnClick()
{
    // The selected row, however it was selected: by mouse, by keys or by a screen
    // reader, which selects without moving the current row.
    const QList<QTreeWidgetItem*> rows = ScheduleListView->selectedItems();
    QTreeWidgetItem* selected = rows.isEmpty() ? nullptr : rows.constFirst();
    if (selected == nullptr) {
        ModalDialogs::Message(
            this, QMessageBox::Warning,
            QStringLiteral("Please select the specific item for this operation!"));
        return;
    }
    const TScheduleResult result = DeleteScheduleTask(selected->text(0));
    if (result.Succeeded())
        delete selected;
    else
        (void)Reachable(result);
}

void TOptionFrm::ClearAllBtnClick()
{
    const int count = ScheduleListView->topLevelItemCount();
    int deleted = 0;
    for (int at = 0; at < count; ++at) {
        const TScheduleResult result =
            DeleteScheduleTask(ScheduleListView->topLevelItem(at)->text(0));
        if (result.Succeeded())
            ++deleted;
        else if (!Reachable(result))
            break;
    }
    // Only when every task went is the list emptied; else it stays until filled again.
    if (deleted == count)
        ScheduleListView->clear();
}
