#include "ui/editor/UCreatTaskForm.h"

#include "jobs/JobEditorRules.h"
#include "jobs/UTSyncTask.h"
#include "ui/kit/ModalDialogs.h"
#include "ui/kit/UChooseRoForm.h"
#include "ui/skin/ImageExButton.h"
#include "ui/skin/NamedList.h"
#include "ui/skin/PressablePicture.h"
#include "ui/skin/SkinResourceUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>

using namespace JobEditorRules;

namespace {

const QString SizeHint =
    QStringLiteral("Specify the range of the file size.  B: Byte,KB: kilobyte,MB: megabyte. ");
const QString TimeHint =
    QStringLiteral("Select file modification time range. Time format: MM-DD-YYYY hh:mm.");
const QString IncludeHint = QStringLiteral(
    "If the list has been done, the files will be synced meeting the two requirements as "
    "follows: matching the included list; mismatching the Excluded list.");
const QString ExcludeHint =
    QStringLiteral("The files matching the list will not be synced. For example:\n"
                   "/file1.txt: the file file1.txt in the root of the synchronized folder;\n"
                   "*.txt: all text files;\n"
                   "/My Document/works: the whole content of the folder works.");
const QString FirstDateText = QStringLiteral("01-01-1980 00:00");
const QString DateMessage =
    QStringLiteral("Please enter a valid date and time (MM-DD-YYYY hh:mm).");
const QString ControlMessage = QStringLiteral("The text may not contain control characters.");
const QString NameExistsMessage = QStringLiteral("The Job name exists, please rename the new job!");

int Flag(const QCheckBox* box)
{
    return box->isChecked() ? 1 : 0;
}

void SetFlag(QCheckBox* box, qint32 value)
{
    box->setChecked(value == 1);
}

template <typename TControl>
TControl* Control(QWidget* parent, const char* name, const QRect& place)
{
    auto* control = new TControl(parent);
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(place);
    return control;
}

// A control with a text, as large as its text needs.
template <typename TControl>
TControl* Captioned(QWidget* parent, const char* name, const QString& text, const QPoint& at)
{
    auto* control = new TControl(text, parent);
    control->setObjectName(QString::fromLatin1(name));
    control->move(at);
    control->adjustSize();
    return control;
}

QLabel* Label(QWidget* parent, const char* name, const QString& text, const QPoint& at)
{
    return Captioned<QLabel>(parent, name, text, at);
}

QCheckBox* Check(QWidget* parent, const char* name, const QString& caption, const QPoint& at)
{
    return Captioned<QCheckBox>(parent, name, caption, at);
}

// A grey note in small print under a choice.
QLabel* Note(QWidget* parent, const char* name, const QString& text, const QRect& place)
{
    auto* note = Control<QLabel>(parent, name, place);
    note->setText(text);
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette grey = note->palette();
    grey.setColor(QPalette::WindowText, QColor(128, 128, 128));
    note->setPalette(grey);
    QFont small = note->font();
    small.setPixelSize(11);
    note->setFont(small);
    return note;
}

TImageExButton* PictureButton(QWidget* parent, const char* name, const QString& pictures,
                              const QString& caption, const QRect& place)
{
    auto* button = new TImageExButton(parent);
    MakePressable(button);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(caption);
    button->setGeometry(place);
    button->setCursor(Qt::PointingHandCursor);
    UseHoverPictures(button, pictures);
    return button;
}

// A size limit: its number edit takes up to four digits, its list the unit.
void MakeSizeFields(QLineEdit* number, QComboBox* unit, const QString& caption)
{
    number->setMaxLength(4);
    number->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), number));
    number->setAccessibleName(caption);
    number->setToolTip(SizeHint);
    number->setEnabled(false);
    NameList(unit, caption + QStringLiteral(" unit"));
    unit->addItems({QStringLiteral("B"), QStringLiteral("KB"), QStringLiteral("MB")});
    unit->setToolTip(SizeHint);
    unit->setEnabled(false);
}

void MakeDateField(QLineEdit* date, const QString& caption)
{
    // The year's four digits are required, the other digit places optional.
    date->setInputMask(QStringLiteral("00-00-9999 00:00;_"));
    date->setText(FirstDateText);
    date->setAccessibleName(caption.trimmed());
    date->setToolTip(TimeHint);
    date->setEnabled(false);
}

void MakePatternGrid(QTableWidget* grid, const QString& caption)
{
    grid->setColumnCount(2);
    grid->setRowCount(1);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->setColumnWidth(0, 24);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->verticalHeader()->setDefaultSectionSize(20);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    // Tab and Shift+Tab leave the grid for the next or previous field; the arrow
    // keys move between its cells.
    grid->setTabKeyNavigation(false);
    grid->setAccessibleName(caption);
}

// The key column counts the rows from 0.
void NumberRows(QTableWidget* grid)
{
    for (int row = 0; row < grid->rowCount(); ++row) {
        auto* key = new QTableWidgetItem(QString::number(row));
        key->setFlags(Qt::ItemIsEnabled);
        grid->setItem(row, 0, key);
        if (grid->item(row, 1) == nullptr)
            grid->setItem(row, 1, new QTableWidgetItem());
    }
}

void AddPatternRow(QTableWidget* grid)
{
    grid->setRowCount(grid->rowCount() + 1);
    NumberRows(grid);
    grid->setCurrentCell(grid->rowCount() - 1, 1);
}

void DeletePatternRow(QTableWidget* grid)
{
    const int row = grid->currentRow();
    if (row < 0)
        return;
    grid->removeRow(row);
    NumberRows(grid);
}

void FillPatterns(QTableWidget* grid, const QStringList& patterns)
{
    grid->setRowCount(std::max<int>(1, static_cast<int>(patterns.size())));
    NumberRows(grid);
    for (int i = 0; i < patterns.size(); ++i)
        grid->item(i, 1)->setText(patterns.at(i));
}

QStringList Patterns(QTableWidget* grid)
{
    // An edit still open in a cell goes into the grid first.
    grid->setCurrentIndex(QModelIndex());
    QStringList patterns;
    for (int row = 0; row < grid->rowCount(); ++row) {
        const QTableWidgetItem* value = grid->item(row, 1);
        if (value && !value->text().trimmed().isEmpty())
            patterns.append(value->text());
    }
    return patterns;
}

void FillSize(QCheckBox* box, QLineEdit* number, QComboBox* unit, qint64 bytes)
{
    if (bytes == -1) {
        box->setChecked(false);
        return;
    }
    box->setChecked(true);
    const TSizeShown shown = ShowSize(bytes);
    const QString text = QString::number(shown.Number);
    // A limit written by hand into the file may need more digits than one types.
    number->setMaxLength(std::max<int>(4, static_cast<int>(text.size())));
    number->setText(text);
    unit->setCurrentIndex(static_cast<int>(shown.Unit));
}

qint64 StoredSize(const QCheckBox* box, const QLineEdit* number, const QComboBox* unit,
                  qint64 stored)
{
    if (!box->isChecked())
        return -1;
    const QString text = number->text().trimmed();
    if (text.isEmpty())
        return stored;
    return SizeInBytes(text.toLongLong(), static_cast<TSizeUnit>(unit->currentIndex()));
}

void FillTime(QCheckBox* box, QLineEdit* date, qint32 packed)
{
    if (packed == -1) {
        box->setChecked(false);
        return;
    }
    box->setChecked(true);
    date->setText(TimeLimitText(packed));
}

qint32 StoredTime(const QCheckBox* box, const QLineEdit* date)
{
    if (!box->isChecked())
        return -1;
    return TimeLimitFromText(date->displayText()).value_or(-1);
}

int SpinValue(const QSpinBox* spin)
{
    const QString text = spin->cleanText().trimmed();
    return text.isEmpty() ? -1 : text.toInt();
}

// A member of the form that a builder fills, and the object name of the control.
template <typename TControl> struct TNamedControl
{
    TControl*& Control;
    const char* Name;
};

// A limit of a filter group: the box that switches it on, and its fields.
struct TSizeLimitControls
{
    TNamedControl<QCheckBox> Box;
    TNamedControl<QLineEdit> Number;
    TNamedControl<QComboBox> Unit;
};

struct TTimeLimitControls
{
    TNamedControl<QCheckBox> Box;
    TNamedControl<QLineEdit> Date;
};

// The file name patterns of a filter group, with the buttons that add and delete
// rows.
struct TPatternListControls
{
    TNamedControl<QLabel> Caption;
    TNamedControl<QTableWidget> Grid;
    TNamedControl<QPushButton> Add;
    TNamedControl<QPushButton> Delete;
};

// One of the filter page's two groups, the excluded and the included files: they
// differ only in their controls' names, title, place and hint.
struct TFilterGroupControls
{
    TNamedControl<QGroupBox> Box;
    QString Title;
    int Top;
    TNamedControl<QLabel> SizeCaption;
    TSizeLimitControls AtLeast;
    TSizeLimitControls AtMost;
    TNamedControl<QLabel> TimeCaption;
    TTimeLimitControls After;
    TTimeLimitControls Before;
    TPatternListControls Patterns;
    QString PatternHint;
    bool HintOnGrid;
};

// The check box at the left of a row whose fields start at `top`.
QCheckBox* LimitBox(QWidget* box, const TNamedControl<QCheckBox>& control, const QString& caption,
                    int top)
{
    return control.Control = Check(box, control.Name, caption, {20, top + 2});
}

void BuildSizeLimit(QObject* owner, QWidget* box, const TSizeLimitControls& controls,
                    const QString& caption, int top)
{
    QCheckBox* check = LimitBox(box, controls.Box, caption, top);
    auto* edit = controls.Number.Control =
        Control<QLineEdit>(box, controls.Number.Name, {180, top, 48, 22});
    auto* unit = controls.Unit.Control =
        Control<QComboBox>(box, controls.Unit.Name, {232, top, 52, 22});
    MakeSizeFields(edit, unit, check->text());
    check->setToolTip(SizeHint);
    QObject::connect(check, &QCheckBox::toggled, owner, [edit, unit](bool on) {
        edit->setEnabled(on);
        unit->setEnabled(on);
    });
}

void BuildTimeLimit(QWidget* box, const TTimeLimitControls& controls, const QString& caption,
                    int top)
{
    QCheckBox* check = LimitBox(box, controls.Box, caption, top);
    auto* date = controls.Date.Control =
        Control<QLineEdit>(box, controls.Date.Name, {180, top, 124, 22});
    MakeDateField(date, check->text());
    check->setToolTip(TimeHint);
    QObject::connect(check, &QCheckBox::toggled, date, &QWidget::setEnabled);
}

// A flat button beside the grid that Enter in the dialog's fields does not press.
QPushButton* RowButton(QWidget* box, const TNamedControl<QPushButton>& control, const QString& text,
                       int top, const QString& accessibleName)
{
    auto* button = control.Control = Control<QPushButton>(box, control.Name, {504, top, 26, 22});
    button->setText(text);
    button->setFlat(true);
    button->setAutoDefault(false);
    button->setAccessibleName(accessibleName);
    return button;
}

void BuildPatternList(QObject* owner, QWidget* box, const TFilterGroupControls& group)
{
    const TPatternListControls& controls = group.Patterns;
    const QString title = group.Title.trimmed();
    controls.Caption.Control =
        Label(box, controls.Caption.Name, QStringLiteral("File Name Filter"), {314, 20});
    controls.Caption.Control->setToolTip(group.PatternHint);
    QTableWidget* grid = controls.Grid.Control =
        Control<QTableWidget>(box, controls.Grid.Name, {314, 40, 184, 120});
    MakePatternGrid(grid, title + QStringLiteral(" File Name Filter"));
    NumberRows(grid);
    if (group.HintOnGrid)
        grid->setToolTip(group.PatternHint);
    QPushButton* add =
        RowButton(box, controls.Add, QStringLiteral("+"), 40,
                  QStringLiteral("Add a row to the ") + title + QStringLiteral(" list"));
    QPushButton* del = RowButton(box, controls.Delete, QStringLiteral("-"), 66,
                                 QStringLiteral("Delete the selected row of the ") + title +
                                     QStringLiteral(" list"));
    QObject::connect(add, &QPushButton::clicked, owner, [grid] { AddPatternRow(grid); });
    QObject::connect(del, &QPushButton::clicked, owner, [grid] { DeletePatternRow(grid); });
}

// A group of the filter page: limits on the size and on the modification time at
// the left, the file name patterns at the right.
void BuildFilterGroup(QObject* owner, QWidget* page, const TFilterGroupControls& group)
{
    QWidget* box = group.Box.Control =
        Control<QGroupBox>(page, group.Box.Name, {0, group.Top, 540, 170});
    group.Box.Control->setTitle(group.Title);

    group.SizeCaption.Control =
        Label(box, group.SizeCaption.Name, QStringLiteral("File Size"), {10, 20});
    group.SizeCaption.Control->setToolTip(SizeHint);
    BuildSizeLimit(owner, box, group.AtLeast, QStringLiteral("Size is at least"), 38);
    BuildSizeLimit(owner, box, group.AtMost, QStringLiteral("Size is not more than"), 64);

    group.TimeCaption.Control =
        Label(box, group.TimeCaption.Name, QStringLiteral("File modification time"), {10, 94});
    group.TimeCaption.Control->setToolTip(TimeHint);
    BuildTimeLimit(box, group.After, QStringLiteral("modified after "), 112);
    BuildTimeLimit(box, group.Before, QStringLiteral("modified before"), 138);

    BuildPatternList(owner, box, group);
}

} // namespace

TCreatTaskForm::TCreatTaskForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      Skin(this, {.Name = QStringLiteral("CreatTaskForm"),
                  .Size = {570, 550},
                  .Picture = QStringLiteral("CreatTaskForm"),
                  .PictureName = QStringLiteral("Image1"),
                  .PictureText = QStringLiteral("Job"),
                  .MoveByPicture = true,
                  .Caption = QStringLiteral("Sync job")}),
      Image1(Skin.Background()), SMCLoseBtn(Skin.AddCloseButton({540, 6}))
{
    BuildFrame();
    Notebook1->addWidget(BuildGeneralPage());
    Notebook1->addWidget(BuildFilterPage());
    Notebook1->addWidget(BuildSchedulingPage());
    // The pages come into the window last: Tab runs through their fields, then
    // the page buttons, OK or Apply, Cancel and the close picture.
    Skin.EndTabOrderWith(
        {select1Button, select2Button, select3Button, OkButton, applyButton, CancelButton});
}

TCreatTaskForm::~TCreatTaskForm() = default;

// The buttons of the three pages, each with its caption over it.
void TCreatTaskForm::BuildPageButtons()
{
    const struct
    {
        TImageExButton*& button;
        QLabel*& label;
        const char* buttonName;
        const char* labelName;
        const char* caption;
    } pages[] = {
        {select1Button, select1Label, "select1Button", "select1Label", "General"},
        {select2Button, select2Label, "select2Button", "select2Label", "Filter"},
        {select3Button, select3Label, "select3Button", "select3Label", "Scheduling"},
    };
    int left = 15;
    int page = 0;
    for (const auto& p : pages) {
        const QString caption = QString::fromLatin1(p.caption);
        p.button = new TImageExButton(this);
        MakePressable(p.button, QAccessible::PageTab);
        p.button->setObjectName(QString::fromLatin1(p.buttonName));
        p.button->setAccessibleName(caption);
        p.button->setGeometry(left, 40, 126, 28);
        p.button->setCursor(Qt::PointingHandCursor);
        LoadJpgResource(p.button, QStringLiteral("ieb1"));
        connect(p.button, &TImageEx::OnClick, this, [this, page] { ShowPage(page); });
        // The caption lies over the dark picture and passes clicks on to it.
        p.label = new QLabel(caption, this);
        p.label->setObjectName(QString::fromLatin1(p.labelName));
        p.label->setGeometry(left, 40, 126, 28);
        p.label->setAlignment(Qt::AlignCenter);
        p.label->setAttribute(Qt::WA_TransparentForMouseEvents);
        QPalette white = p.label->palette();
        white.setColor(QPalette::WindowText, Qt::white);
        p.label->setPalette(white);
        left += 128;
        ++page;
    }
}

void TCreatTaskForm::BuildFrame()
{
    BuildPageButtons();
    Notebook1 = Control<QStackedWidget>(this, "Notebook1", {15, 74, 540, 428});
    Notebook1->setAccessibleName(QStringLiteral("Job settings"));

    OkButton = PictureButton(this, "OkButton", QStringLiteral("Ok"), QStringLiteral("OK"),
                             {407, 512, 66, 25});
    applyButton = PictureButton(this, "applyButton", QStringLiteral("apply"),
                                QStringLiteral("Apply"), {407, 512, 66, 25});
    CancelButton = PictureButton(this, "CancelButton", QStringLiteral("Cancel"),
                                 QStringLiteral("Cancel"), {481, 512, 66, 25});
    connect(OkButton, &TImageEx::OnClick, this, &TCreatTaskForm::OkButtonClick);
    connect(applyButton, &TImageEx::OnClick, this, &TCreatTaskForm::applyButtonClick);
    connect(CancelButton, &TImageEx::OnClick, this, &TCreatTaskForm::CancelButtonClick);
    applyButton->hide();
}

QWidget* TCreatTaskForm::BuildGeneralPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("General"));
    page->setAccessibleName(QStringLiteral("General"));
    BuildNameAndFolders(page);
    BuildSyncDirection(page);
    BuildCopyOptions(page);
    return page;
}

void TCreatTaskForm::BuildNameAndFolders(QWidget* page)
{
    lb_taskname = Label(page, "lb_taskname", QStringLiteral("Task Name"), {12, 14});
    edit_taskname = Control<QLineEdit>(page, "edit_taskname", {110, 11, 330, 22});
    edit_taskname->setMaxLength(50);
    edit_taskname->setAccessibleName(lb_taskname->text());

    lb_lfolder = Label(page, "lb_lfolder", QStringLiteral("Left Folder"), {12, 48});
    edit_lfolder = Control<QLineEdit>(page, "edit_lfolder", {110, 45, 330, 22});
    edit_lfolder->setReadOnly(true);
    edit_lfolder->setAccessibleName(lb_lfolder->text());
    lbrowseButton = PictureButton(page, "lbrowseButton", QStringLiteral("Browse"),
                                  QStringLiteral("Browse Left Folder"), {452, 43, 66, 25});
    connect(lbrowseButton, &TImageEx::OnClick, this, &TCreatTaskForm::lbrowseButtonClick);

    lb_rfolder = Label(page, "lb_rfolder", QStringLiteral("Right Folder"), {12, 82});
    edit_rfolder = Control<QLineEdit>(page, "edit_rfolder", {110, 79, 330, 22});
    edit_rfolder->setReadOnly(true);
    edit_rfolder->setAccessibleName(lb_rfolder->text());
    RFolderImage = PictureButton(page, "RFolderImage", QStringLiteral("Browse"),
                                 QStringLiteral("Browse Right Folder"), {452, 77, 66, 25});
    connect(RFolderImage, &TImageEx::OnClick, this, &TCreatTaskForm::RFolderImageClick);
}

void TCreatTaskForm::BuildSyncDirection(QWidget* page)
{
    lb_syncdirect = Label(page, "lb_syncdirect", QStringLiteral("Sync Direct"), {12, 122});
    QFont bold = lb_syncdirect->font();
    bold.setBold(true);
    lb_syncdirect->setFont(bold);
    lb_syncdirect->adjustSize();

    rb_sync = new QRadioButton(QStringLiteral("Synchronize"), page);
    rb_sync->setObjectName(QStringLiteral("rb_sync"));
    rb_sync->move(30, 144);
    rb_sync->adjustSize();
    rb_sync->setChecked(true);
    Label1 = Note(page, "Label1",
                  QStringLiteral("2-way job: use when files are changed on both sides and Brenvale "
                                 "will propagate changes both ways, ensuring that files are copied "
                                 "in both directions and keeping the two or more locations during "
                                 "synchronization with each other."),
                  {50, 166, 470, 44});

    rb_backup = new QRadioButton(QStringLiteral("Backup"), page);
    rb_backup->setObjectName(QStringLiteral("rb_backup"));
    rb_backup->move(30, 216);
    rb_backup->adjustSize();
    cb_syncdirect = Control<QComboBox>(page, "cb_syncdirect", {130, 213, 150, 24});
    NameList(cb_syncdirect, QStringLiteral("Backup direction"));
    cb_syncdirect->addItems({QStringLiteral("Right to Left"), QStringLiteral("Left to Right")});
    cb_syncdirect->setCurrentIndex(1);
    Label_sync = Note(page, "Label_sync",
                      QStringLiteral("1-way job: use to copy changed files from the Left side to "
                                     "Backup folder on the Right side; it is mostly used for "
                                     "backup purpose."),
                      {50, 242, 470, 30});
}

void TCreatTaskForm::BuildCopyOptions(QWidget* page)
{
    // Shown for what they promise; the job keeps nothing of the disabled ones.
    rb_forcedcopy = Check(page, "rb_forcedcopy", QStringLiteral("Forced Copy"), {50, 278});
    rb_Verified = Check(page, "rb_Verified", QStringLiteral("Verified"), {190, 278});
    rb_Verified->setToolTip(QStringLiteral("Every copy is read back from the disk and compared "
                                           "with its source before it replaces the file."));
    cb_usetasktags = Check(page, "cb_usetasktags", QStringLiteral("Source Read Only"), {310, 278});
    for (QCheckBox* box : {rb_forcedcopy, cb_usetasktags})
        box->setEnabled(false);

    cb_savepv = Check(page, "cb_savepv",
                      QStringLiteral("Save Previous Version of replace/deleted files"), {30, 316});
    cb_savepv->setToolTip(QStringLiteral("The previous versions of the replaced or deleted files "
                                         "will be saved automatically after the synchronization."));
    cb_estimatedisk = Check(
        page, "cb_estimatedisk",
        QStringLiteral("Do not create __Brenvale__ folder in the both sync folder"), {30, 344});
    cb_estimatedisk->setToolTip(
        QStringLiteral("The application will not create its own folder in the synchronized "
                       "folders."));
    cb_userTemp =
        Check(page, "cb_userTemp", QStringLiteral("Safe Copy using temporary files"), {30, 372});
    cb_userTemp->hide();
    // In the place of the hidden box above it, so that the shown boxes keep
    // their steps.
    cb_prodelete = Check(page, "cb_prodelete", QStringLiteral("Propagate Deletions"), {30, 372});
    cb_prodelete->setToolTip(
        QStringLiteral("A file deleted on one side since the last sync is moved into the "
                       "__Save__ folder of the other side instead of being copied back."));
}

QWidget* TCreatTaskForm::BuildFilterPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Filter"));
    page->setAccessibleName(QStringLiteral("Filter"));

    BuildFilterGroup(this, page,
                     {.Box = {lb_exclude, "lb_exclude"},
                      .Title = QStringLiteral(" Excluded"),
                      .Top = 0,
                      .SizeCaption = {Label11, "Label11"},
                      .AtLeast = {{cb_exfilesizemin, "cb_exfilesizemin"},
                                  {Edit_exfilesizemin, "Edit_exfilesizemin"},
                                  {Edit_exfilesizemin_b, "Edit_exfilesizemin_b"}},
                      .AtMost = {{cb_filesizemax, "cb_filesizemax"},
                                 {Edit_exfilesizemax, "Edit_exfilesizemax"},
                                 {Edit_exfilesizemax_b, "Edit_exfilesizemax_b"}},
                      .TimeCaption = {Label14, "Label14"},
                      .After = {{cb_exfiletimemin, "cb_exfiletimemin"},
                                {edit_exfiletimemin, "edit_exfiletimemin"}},
                      .Before = {{cb_exfiletimemax, "cb_exfiletimemax"},
                                 {edit_exfiletimemax, "edit_exfiletimemax"}},
                      .Patterns = {{ExFileNameFilter, "ExFileNameFilter"},
                                   {vedit_exclude, "vedit_exclude"},
                                   {bt_addexclude, "bt_addexclude"},
                                   {bt_delexclude, "bt_delexclude"}},
                      .PatternHint = ExcludeHint,
                      .HintOnGrid = true});
    BuildFilterGroup(this, page,
                     {.Box = {lb_include, "lb_include"},
                      .Title = QStringLiteral("Included"),
                      .Top = 176,
                      .SizeCaption = {Label17, "Label17"},
                      .AtLeast = {{cb_infilesizemin, "cb_infilesizemin"},
                                  {Edit_infilesizemin, "Edit_infilesizemin"},
                                  {Edit_infilesizemin_b, "Edit_infilesizemin_b"}},
                      .AtMost = {{cb_infilesizemax, "cb_infilesizemax"},
                                 {Edit_infilesizemax, "Edit_infilesizemax"},
                                 {Edit_infilesizemax_b, "Edit_infilesizemax_b"}},
                      .TimeCaption = {Label19, "Label19"},
                      .After = {{cb_infiletimemin, "cb_infiletimemin"},
                                {edit_infiletimemin, "edit_infiletimemin"}},
                      .Before = {{cb_infiletimemax, "cb_infiletimemax"},
                                 {edit_infiletimemax, "edit_infiletimemax"}},
                      .Patterns = {{INFileNameFilter, "INFileNameFilter"},
                                   {vedit_include, "vedit_include"},
                                   {bt_addinclude, "bt_addinclude"},
                                   {bt_delinclude, "bt_delinclude"}},
                      .PatternHint = IncludeHint,
                      .HintOnGrid = false});

    cb_excludeempty =
        Check(page, "cb_excludeempty", QStringLiteral("Exclude empty folders"), {10, 356});
    cb_excludeempty->setToolTip(
        QStringLiteral("The empty folders will be excluded if you have clicked this option."));
    cb_excludeempty->hide();
    cb_excludesystem = Check(page, "cb_excludesystem",
                             QStringLiteral("Exclude System files and folders"), {10, 356});
    cb_excludesystem->setToolTip(QStringLiteral(
        "The system files and folders will be excluded if you have clicked this option."));
    cb_excludehidden = Check(page, "cb_excludehidden",
                             QStringLiteral("Exclude Hidden files and folders"), {10, 382});
    cb_excludehidden->setToolTip(QStringLiteral("All Hidden files and folders will be excluded."));
    return page;
}

QWidget* TCreatTaskForm::BuildSchedulingPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Scheduling"));
    page->setAccessibleName(QStringLiteral("Scheduling"));
    BuildAutoConditions(page);
    BuildSchedulerChoices(page);
    BuildConflictChoice(page);
    BuildWatchChoice(page);
    return page;
}

// When the job runs by itself: at the start, when its folders connect, and every
// so many hours and minutes.
void TCreatTaskForm::BuildAutoConditions(QWidget* page)
{
    gb_atuocondition = Control<QGroupBox>(page, "gb_atuocondition", {0, 0, 540, 210});
    gb_atuocondition->setTitle(QStringLiteral("Auto condiction"));
    QWidget* box = gb_atuocondition;
    cb_syncitstart =
        Check(box, "cb_syncitstart", QStringLiteral("Sync On Brenvale start"), {20, 30});
    cb_anaitstart =
        Check(box, "cb_anaitstart", QStringLiteral("Analyze On Brenvale start"), {280, 30});
    cb_syncconn = Check(box, "cb_syncconn", QStringLiteral("Sync On Floders Connect"), {20, 60});
    cb_anaconn = Check(box, "cb_anaconn", QStringLiteral("Analyze On  Floders Connect"), {280, 60});
    cb_synclogoff =
        Check(box, "cb_synclogoff", QStringLiteral("PC Shut Down After Synching"), {20, 90});
    cb_anslogoff =
        Check(box, "cb_anslogoff", QStringLiteral("PC Shut Down After Analyzing"), {280, 90});
    cb_syncperiod = Check(box, "cb_syncperiod", QStringLiteral("Sync On Periodically"), {20, 120});
    cb_anaperiod =
        Check(box, "cb_anaperiod", QStringLiteral("Analyze On   Periodically"), {280, 120});

    lb_every = Label(box, "lb_every", QStringLiteral("Every"), {40, 164});
    edit_hours = Control<QSpinBox>(box, "edit_hours", {90, 160, 60, 24});
    edit_hours->setRange(0, 999);
    edit_hours->setValue(2);
    edit_hours->setAccessibleName(QStringLiteral("Hours"));
    lb_hours = Label(box, "lb_hours", QStringLiteral("Hours"), {156, 164});
    edit_minutes = Control<QSpinBox>(box, "edit_minutes", {210, 160, 50, 24});
    edit_minutes->setRange(0, 59);
    edit_minutes->setValue(0);
    edit_minutes->setAccessibleName(QStringLiteral("Minutes"));
    lb_Minutes = Label(box, "lb_Minutes", QStringLiteral("Minutes"), {266, 164});

    connect(cb_syncperiod, &QCheckBox::toggled, this, [this](bool on) {
        const TPeriodSyncEffect effect = PeriodSyncChanged(on);
        if (effect.TickAnalyze)
            cb_anaperiod->setChecked(true);
        cb_anaperiod->setEnabled(effect.AnalyzeEnabled);
    });
    connect(cb_anaperiod, &QCheckBox::toggled, this, [this](bool on) {
        const TPeriodAnalyzeEffect effect = PeriodAnalyzeChanged(on);
        edit_hours->setEnabled(effect.SpinsEnabled);
        edit_minutes->setEnabled(effect.SpinsEnabled);
        if (effect.ZeroPeriod) {
            edit_hours->setValue(0);
            edit_minutes->setValue(0);
        }
    });
}

// Kept hidden: scheduled runs are set up in the options dialog.
void TCreatTaskForm::BuildSchedulerChoices(QWidget* page)
{
    cb_synctaskscheduler = Check(page, "cb_synctaskscheduler",
                                 QStringLiteral("Sync by the task scheduler"), {20, 230});
    cb_anataskschedule = Check(page, "cb_anataskschedule",
                               QStringLiteral("Analyze by the task scheduler"), {20, 256});
    Edit_task = Control<QLineEdit>(page, "Edit_task", {20, 282, 300, 22});
    Edit_task->setAccessibleName(QStringLiteral("Task"));
    bt_taskconfig = Control<QPushButton>(page, "bt_taskconfig", {330, 282, 80, 24});
    bt_taskconfig->setText(QStringLiteral("Config..."));
    bt_taskconfig->setAutoDefault(false);
    cb_coflicts = Check(page, "cb_coflicts", QStringLiteral("Conflicts"), {20, 342});
    for (QWidget* hidden :
         {static_cast<QWidget*>(cb_synctaskscheduler), static_cast<QWidget*>(cb_anataskschedule),
          static_cast<QWidget*>(Edit_task), static_cast<QWidget*>(bt_taskconfig),
          static_cast<QWidget*>(cb_coflicts)})
        hidden->hide();
}

// Right below the automatic runs, in the place of the hidden scheduler boxes,
// with a note on what it changes.
void TCreatTaskForm::BuildConflictChoice(QWidget* page)
{
    cb_resolveconflicts =
        Check(page, "cb_resolveconflicts", QStringLiteral("Decide by the last sync"), {20, 230});
    const QString note =
        QStringLiteral("A side that alone changed a file since the last sync wins, whatever the "
                       "times say; a file changed on both sides waits until you choose its "
                       "direction.");
    cb_resolveconflicts->setToolTip(note);
    Label_conflicts = Note(page, "Label_conflicts", note, {40, 256, 480, 30});
}

// A sync whenever the files change, after the seconds of quiet given.
void TCreatTaskForm::BuildWatchChoice(QWidget* page)
{
    cb_watchsync =
        Check(page, "cb_watchsync", QStringLiteral("Sync when files change, after"), {20, 300});
    cb_watchsync->setToolTip(
        QStringLiteral("While the job's page is open, a change in either folder starts an "
                       "analysis and a sync once the folders have been quiet this long."));
    edit_quiet = Control<QSpinBox>(page, "edit_quiet", {222, 297, 60, 24});
    edit_quiet->setRange(1, 3600);
    edit_quiet->setValue(5);
    edit_quiet->setAccessibleName(QStringLiteral("Seconds of quiet"));
    edit_quiet->setEnabled(false);
    lb_quiet = Label(page, "lb_quiet", QStringLiteral("seconds of quiet"), {288, 301});
    connect(cb_watchsync, &QCheckBox::toggled, edit_quiet, &QSpinBox::setEnabled);
}

// Opening

void TCreatTaskForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (Opened)
        return;
    Opened = true;
    FormShow();
}

void TCreatTaskForm::FormShow()
{
    Confirmed = false;
    if (TaskIndex == -1) {
        NewTask = std::make_unique<TSyncTask>();
        NewTask->LFolder.DeviceType = SideDevice::LocalFolder;
        NewTask->RFolder.DeviceType = SideDevice::LocalFolder;
        NewTask->ListState = JobListState::Added;
        // A new job decides by the last sync: its first run has no record and
        // goes by the times as ever; later, a restored older file is not
        // overwritten and a clock never picks the winner of a conflict.
        NewTask->Conflicts = 1;
        Task = NewTask.get();
        rb_sync->setChecked(true);
        cb_resolveconflicts->setChecked(true);
        OkButton->show();
        applyButton->hide();
    } else {
        Task = SyncTaskList ? SyncTaskList->TaskByIndex(TaskIndex) : nullptr;
        OkButton->hide();
        applyButton->show();
        edit_taskname->setEnabled(false);
        if (Task)
            FillFromTask();
    }
    ShowPage(GeneralPage);
}

void TCreatTaskForm::ShowPage(int page)
{
    Notebook1->setCurrentIndex(page);
    TImageExButton* const buttons[] = {select1Button, select2Button, select3Button};
    QLabel* const labels[] = {select1Label, select2Label, select3Label};
    for (int i = 0; i < 3; ++i) {
        TImageExButton* button = buttons[i];
        button->ClearPicture();
        LoadJpgResource(button, i == page ? QStringLiteral("ieb2") : QStringLiteral("ieb1"));
        SetPressableSelected(button, i == page);
        // White reads on both pictures; the shown page's caption is bold.
        QFont font = labels[i]->font();
        font.setBold(i == page);
        labels[i]->setFont(font);
    }
}

void TCreatTaskForm::FillFromTask()
{
    TSyncTask& job = *Task;
    edit_taskname->setText(job.SyncName);
    edit_lfolder->setText(job.LFolder.FolerAllName);
    edit_rfolder->setText(job.RFolder.FolerAllName);
    if (job.SyncDirection == 0) {
        rb_sync->setChecked(true);
    } else {
        rb_backup->setChecked(true);
        cb_syncdirect->setCurrentIndex(job.SyncDirection == 1 ? 0 : 1);
    }
    SetFlag(cb_savepv, job.SaveOldFile);
    SetFlag(cb_estimatedisk, job.EstimateDiskSpace);
    SetFlag(cb_userTemp, job.UseTempFile);
    SetFlag(cb_prodelete, job.IsDeleteFile);
    rb_Verified->setChecked((job.ForcedOrVerified & TSyncTask::VerifiedCopies) != 0);
    SetFlag(cb_resolveconflicts, job.Conflicts);
    SetFlag(cb_watchsync, job.WatchSync);
    edit_quiet->setValue(job.WatchQuietSeconds);
    FillFilters(job);
    FillSchedule(job);
}

void TCreatTaskForm::FillFilters(const TSyncTask& job)
{
    FillPatterns(vedit_exclude, job.ExcludeFilterr);
    FillSize(cb_exfilesizemin, Edit_exfilesizemin, Edit_exfilesizemin_b, job.ExcFileSizeMin);
    FillSize(cb_filesizemax, Edit_exfilesizemax, Edit_exfilesizemax_b, job.ExcFileSizeMax);
    FillTime(cb_exfiletimemin, edit_exfiletimemin, job.ExcFileTimeMin);
    FillTime(cb_exfiletimemax, edit_exfiletimemax, job.ExcFileTimeMax);
    FillPatterns(vedit_include, job.IncludeFilterr);
    FillSize(cb_infilesizemin, Edit_infilesizemin, Edit_infilesizemin_b, job.IncFileSizeMin);
    FillSize(cb_infilesizemax, Edit_infilesizemax, Edit_infilesizemax_b, job.IncFileSizeMax);
    FillTime(cb_infiletimemin, edit_infiletimemin, job.IncFileTimeMin);
    FillTime(cb_infiletimemax, edit_infiletimemax, job.IncFileTimeMax);
    SetFlag(cb_excludeempty, job.ExcludeEmtpyFolder);
    SetFlag(cb_excludesystem, job.ExcludeSystemFile);
    SetFlag(cb_excludehidden, job.ExcludeHiddenFile);
}

// The order counts: the period boxes act on each other and on the spin boxes, and
// the period goes in last.
void TCreatTaskForm::FillSchedule(const TSyncTask& job)
{
    SetFlag(cb_syncitstart, job.StartSync);
    SetFlag(cb_anaitstart, job.StartAnalyze);
    SetFlag(cb_syncconn, job.ConnectSync);
    SetFlag(cb_anaconn, job.ConnectAnalyze);
    SetFlag(cb_synclogoff, job.LogoffSync);
    SetFlag(cb_anslogoff, job.LogoffAnalyze);
    SetFlag(cb_syncperiod, job.PeriodSync);
    SetFlag(cb_anaperiod, job.PeriodAnalyze);
    if (job.Hours != -1)
        edit_hours->setValue(job.Hours);
    if (job.minutes != -1)
        edit_minutes->setValue(job.minutes);
}

void TCreatTaskForm::StoreToTask()
{
    TSyncTask& job = *Task;
    job.SyncName = edit_taskname->text();
    job.SyncDirection = rb_sync->isChecked() ? 0 : (cb_syncdirect->currentIndex() == 0 ? 1 : 2);
    job.EstimateDiskSpace = Flag(cb_estimatedisk);
    job.SaveOldFile = Flag(cb_savepv);
    job.IsDeleteFile = Flag(cb_prodelete);
    job.ForcedOrVerified = rb_Verified->isChecked()
                               ? job.ForcedOrVerified | TSyncTask::VerifiedCopies
                               : job.ForcedOrVerified & ~TSyncTask::VerifiedCopies;
    job.Conflicts = Flag(cb_resolveconflicts);
    job.WatchSync = Flag(cb_watchsync);
    job.WatchQuietSeconds = edit_quiet->value();
    job.UseTempFile = Flag(cb_userTemp);
    StoreFilters(job);
    StoreSchedule(job);
}

void TCreatTaskForm::StoreFilters(TSyncTask& job)
{
    job.ExcludeFilterr = Patterns(vedit_exclude);
    job.ExcFileSizeMin =
        StoredSize(cb_exfilesizemin, Edit_exfilesizemin, Edit_exfilesizemin_b, job.ExcFileSizeMin);
    job.ExcFileSizeMax =
        StoredSize(cb_filesizemax, Edit_exfilesizemax, Edit_exfilesizemax_b, job.ExcFileSizeMax);
    job.ExcFileTimeMin = StoredTime(cb_exfiletimemin, edit_exfiletimemin);
    job.ExcFileTimeMax = StoredTime(cb_exfiletimemax, edit_exfiletimemax);
    job.IncludeFilterr = Patterns(vedit_include);
    job.IncFileSizeMin =
        StoredSize(cb_infilesizemin, Edit_infilesizemin, Edit_infilesizemin_b, job.IncFileSizeMin);
    job.IncFileSizeMax =
        StoredSize(cb_infilesizemax, Edit_infilesizemax, Edit_infilesizemax_b, job.IncFileSizeMax);
    job.IncFileTimeMin = StoredTime(cb_infiletimemin, edit_infiletimemin);
    job.IncFileTimeMax = StoredTime(cb_infiletimemax, edit_infiletimemax);
    job.ExcludeEmtpyFolder = Flag(cb_excludeempty);
    job.ExcludeSystemFile = Flag(cb_excludesystem);
    job.ExcludeHiddenFile = Flag(cb_excludehidden);
}

void TCreatTaskForm::StoreSchedule(TSyncTask& job)
{
    job.StartSync = Flag(cb_syncitstart);
    job.StartAnalyze = Flag(cb_anaitstart);
    job.ConnectSync = Flag(cb_syncconn);
    job.ConnectAnalyze = Flag(cb_anaconn);
    job.LogoffSync = Flag(cb_synclogoff);
    job.LogoffAnalyze = Flag(cb_anslogoff);
    job.PeriodSync = Flag(cb_syncperiod);
    job.PeriodAnalyze = Flag(cb_anaperiod);
    job.Hours = SpinValue(edit_hours);
    job.minutes = SpinValue(edit_minutes);
}

bool TCreatTaskForm::CheckFields()
{
    const auto refuse = [this](int page, const QString& message, QWidget* field) {
        ModalDialogs::Message(this, QMessageBox::Warning, message);
        ShowPage(page);
        field->setFocus();
        return false;
    };
    for (QLineEdit* text : {edit_taskname, edit_lfolder, edit_rfolder}) {
        if (HasControlCharacter(text->text()))
            return refuse(GeneralPage, ControlMessage, text);
    }
    for (QTableWidget* grid : {vedit_exclude, vedit_include}) {
        for (const QString& pattern : Patterns(grid)) {
            if (HasControlCharacter(pattern))
                return refuse(FilterPage, ControlMessage, grid);
        }
    }
    const std::pair<QCheckBox*, QLineEdit*> dates[] = {{cb_exfiletimemin, edit_exfiletimemin},
                                                       {cb_exfiletimemax, edit_exfiletimemax},
                                                       {cb_infiletimemin, edit_infiletimemin},
                                                       {cb_infiletimemax, edit_infiletimemax}};
    for (const auto& [box, date] : dates) {
        if (box->isChecked() && !TimeLimitFromText(date->displayText()))
            return refuse(FilterPage, DateMessage, date);
    }
    return true;
}

// Closing

void TCreatTaskForm::OkButtonClick()
{
    if (Task == nullptr || NewTask == nullptr)
        return;
    switch (CheckNewJobName(edit_taskname->text())) {
    case TNameCheck::Exists:
        ModalDialogs::Message(this, QMessageBox::Warning, NameExistsMessage);
        ShowPage(GeneralPage);
        edit_taskname->setFocus();
        return;
    case TNameCheck::Empty:
        return;
    case TNameCheck::Accepted:
        break;
    }
    if (!CheckFields())
        return;
    StoreToTask();
    SyncTaskList->AddToList(std::move(NewTask));
    Confirmed = true;
    accept();
}

void TCreatTaskForm::applyButtonClick()
{
    if (Task == nullptr || NewTask != nullptr || !CheckFields())
        return;
    StoreToTask();
    Confirmed = true;
    accept();
}

void TCreatTaskForm::CancelButtonClick()
{
    reject();
}

// Every way out but OK and Apply (Cancel, the close picture, Escape) drops a new job.
void TCreatTaskForm::reject()
{
    if (NewTask) {
        Task = nullptr;
        NewTask.reset();
    }
    QDialog::reject();
}

void TCreatTaskForm::lbrowseButtonClick()
{
    if (Task && TChooseRoForm::Browse(Task->LFolder, this))
        edit_lfolder->setText(Task->LFolder.FolerAllName);
}

void TCreatTaskForm::RFolderImageClick()
{
    if (Task && TChooseRoForm::Browse(Task->RFolder, this))
        edit_rfolder->setText(Task->RFolder.FolerAllName);
}
