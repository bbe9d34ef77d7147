#include "ui/schedule/ScheduleManagerUnit.h"

#include "schedule/ScheduleTaskUnit.h"

#include "ui/skin/ImageExButton.h"
#include "ui/skin/NamedList.h"
#include "ui/skin/SkinResourceUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <QTimeEdit>

namespace {

QLabel* NewLabel(QWidget* parent, const QString& name, const QString& text, const QRect& place)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAccessibleName(text);
    label->setGeometry(place);
    return label;
}

// A spin box that takes any number typed; the dialog then pulls it into its range.
QSpinBox* NewSpinBox(QWidget* parent, const QString& name, const QString& accessible,
                     const QRect& place)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setAccessibleName(accessible);
    box->setRange(-99999, 99999);
    box->setGeometry(place);
    return box;
}

QTime CurrentTimeOfDay()
{
    const QTime now = QTime::currentTime();
    return QTime(now.hour(), now.minute(), now.second());
}

QGroupBox* TaskGroup(QWidget* panel, const QString& name, const QString& title)
{
    auto* box = new QGroupBox(title, panel);
    box->setObjectName(name);
    box->setAccessibleName(title);
    box->setGeometry(16, 108, 436, 124);
    return box;
}

TImageExButton* DialogButton(QWidget* dialog, const QString& name, const QString& text,
                             const QString& pictures, int left)
{
    auto* picture = new TImageExButton(dialog);
    picture->setObjectName(name);
    picture->setAccessibleName(text);
    picture->setGeometry(left, 295, 66, 25);
    picture->setCursor(Qt::PointingHandCursor);
    UseHoverPictures(picture, pictures);
    return picture;
}

} // namespace

TScheduleManagerForm::TScheduleManagerForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      Skin(this, {.Name = QStringLiteral("ScheduleManagerForm"),
                  .Size = {488, 333},
                  .Picture = QStringLiteral("ScheduleManagerForm"),
                  .PictureName = QStringLiteral("Image1"),
                  .PictureText = QStringLiteral("Schedlueing"),
                  .MoveByPicture = true,
                  .Caption = QStringLiteral("Schedlueing")}),
      Image1(Skin.Background()), SMCLoseBtn(Skin.AddCloseButton({458, 6}))
{
    Label9 =
        NewLabel(this, QStringLiteral("Label9"), QStringLiteral("Schedlueing"), {10, 5, 200, 20});
    Label9->setStyleSheet(QStringLiteral("color: white; font-weight: bold;"));

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setGeometry(10, 38, 468, 245);
    panel->setAutoFillBackground(true);
    panel->setStyleSheet(QStringLiteral("#Panel1 { background: white; }"));

    // Made in this order, which is also the order of the keyboard focus.
    BuildKindAndTime(panel);
    BuildDailyGroup(panel);
    BuildWeeklyGroup(panel);
    BuildMonthlyGroup(panel);
    BuildButtons();

    for (QSpinBox* box : {seEveryOfDaily, seEveryOfWeekly, seEveryOfMonthly})
        connect(box, &QSpinBox::valueChanged, this, [this, box] { SpinBoxChange(box); });
    connect(dtpStartTime, &QTimeEdit::timeChanged, this, &TScheduleManagerForm::BuildDescription);
    connect(comScheduleTask, &QComboBox::currentIndexChanged, this,
            &TScheduleManagerForm::comScheduleTaskChange);

    // As shown: daily, now, every day.
    seEveryOfWeekly->setValue(1);
    seEveryOfMonthly->setValue(1);
    comScheduleTask->setCurrentIndex(skDaily);
    comScheduleTaskChange();
}

void TScheduleManagerForm::BuildKindAndTime(QWidget* panel)
{
    auto* icon = new QLabel(panel);
    icon->setObjectName(QStringLiteral("Image2"));
    icon->setAccessibleName(QStringLiteral("Schedule"));
    icon->setPixmap(QPixmap(QStringLiteral(":/skin/icon/brenvale.png"))
                        .scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    icon->setGeometry(8, 6, 32, 32);
    abScheduleTaskName =
        NewLabel(panel, QStringLiteral("abScheduleTaskName"), QString(), {48, 6, 412, 32});
    abScheduleTaskName->setWordWrap(true);
    auto* bevel = new QFrame(panel);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(8, 42, 452, 4);

    Label1 = NewLabel(panel, QStringLiteral("Label1"), QStringLiteral("Schedule Task:"),
                      {16, 54, 140, 18});
    comScheduleTask = new QComboBox(panel);
    comScheduleTask->setObjectName(QStringLiteral("comScheduleTask"));
    NameList(comScheduleTask, QStringLiteral("Schedule Task:"));
    comScheduleTask->addItems(
        {QStringLiteral("Daily"), QStringLiteral("Weekly"), QStringLiteral("Monthly")});
    comScheduleTask->setGeometry(16, 74, 140, 24);
    Label2 = NewLabel(panel, QStringLiteral("Label2"), QStringLiteral("Start time:"),
                      {176, 54, 140, 18});
    dtpStartTime = new QTimeEdit(panel);
    dtpStartTime->setObjectName(QStringLiteral("dtpStartTime"));
    dtpStartTime->setAccessibleName(QStringLiteral("Start time:"));
    dtpStartTime->setDisplayFormat(
        QLocale().timeFormat(QLocale::LongFormat).remove(QLatin1Char('t')).trimmed());
    dtpStartTime->setGeometry(176, 74, 140, 24);
}

void TScheduleManagerForm::BuildDailyGroup(QWidget* panel)
{
    DailyGroup =
        TaskGroup(panel, QStringLiteral("DailyGroup"), QStringLiteral("Schedule Task Daily"));
    NewLabel(DailyGroup, QStringLiteral("Label3"), QStringLiteral("Every"), {16, 32, 40, 24});
    seEveryOfDaily = NewSpinBox(DailyGroup, QStringLiteral("seEveryOfDaily"),
                                QStringLiteral("Every day(s)"), {60, 32, 70, 24});
    NewLabel(DailyGroup, QStringLiteral("Label4"), QStringLiteral("day(s)"), {138, 32, 60, 24});
}

void TScheduleManagerForm::BuildWeeklyGroup(QWidget* panel)
{
    WeeklyGroup =
        TaskGroup(panel, QStringLiteral("WeeklyGroup"), QStringLiteral("Schedule Task Weekly"));
    NewLabel(WeeklyGroup, QStringLiteral("Label5"), QStringLiteral("Every"), {16, 28, 40, 24});
    seEveryOfWeekly = NewSpinBox(WeeklyGroup, QStringLiteral("seEveryOfWeekly"),
                                 QStringLiteral("Every week(s)  on:"), {60, 28, 70, 24});
    NewLabel(WeeklyGroup, QStringLiteral("Label6"), QStringLiteral("week(s)  on:"),
             {138, 28, 90, 24});
    const char* const days[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    QCheckBox** boxes[] = {&CheckBoxMon, &CheckBoxTue, &CheckBoxWed, &CheckBoxThu,
                           &CheckBoxFri, &CheckBoxSat, &CheckBoxSun};
    for (int day = 0; day < 7; ++day) {
        const QString text = QString::fromLatin1(days[day]);
        auto* box = new QCheckBox(text, WeeklyGroup);
        box->setObjectName(QStringLiteral("CheckBox") + text);
        box->setAccessibleName(text);
        // Mon to Thu in a first column, Fri to Sun in a second.
        box->setGeometry(day < 4 ? 240 : 330, 22 + (day % 4) * 24, 80, 22);
        connect(box, &QCheckBox::toggled, this, &TScheduleManagerForm::BuildDescription);
        *boxes[day] = box;
    }
}

void TScheduleManagerForm::BuildMonthlyGroup(QWidget* panel)
{
    MonthlyGroup =
        TaskGroup(panel, QStringLiteral("MonthlyGroup"), QStringLiteral("Schedule Task Monthly"));
    NewLabel(MonthlyGroup, QStringLiteral("Label7"), QStringLiteral("Day"), {16, 32, 40, 24});
    seEveryOfMonthly = NewSpinBox(MonthlyGroup, QStringLiteral("seEveryOfMonthly"),
                                  QStringLiteral("Day of the month(s)"), {60, 32, 70, 24});
    NewLabel(MonthlyGroup, QStringLiteral("Label8"), QStringLiteral("of the month(s)"),
             {138, 32, 120, 24});
}

// OK and Cancel, and beside them what a scheduled start does.
void TScheduleManagerForm::BuildButtons()
{
    OkButton = DialogButton(this, QStringLiteral("OkButton"), QStringLiteral("OK"),
                            QStringLiteral("Ok"), 338);
    CancelButton = DialogButton(this, QStringLiteral("CancelButton"), QStringLiteral("Cancel"),
                                QStringLiteral("Cancel"), 412);
    connect(OkButton, &TImageEx::OnClick, this, &QDialog::accept);
    connect(CancelButton, &TImageEx::OnClick, this, &QDialog::reject);
    Skin.EndTabOrderWith({OkButton, CancelButton});

    // A scheduled start is an ordinary start: without such a job it does nothing.
    lb_startjobs = NewLabel(this, QStringLiteral("lb_startjobs"),
                            QStringLiteral("A scheduled start runs the jobs marked \"Sync On "
                                           "Brenvale start\" or \"Analyze On Brenvale start\"."),
                            {10, 287, 320, 40});
    lb_startjobs->setWordWrap(true);
    QFont small = lb_startjobs->font();
    small.setPixelSize(11);
    lb_startjobs->setFont(small);
}

void TScheduleManagerForm::comScheduleTaskChange()
{
    const int kind = comScheduleTask->currentIndex();
    dtpStartTime->setTime(CurrentTimeOfDay());
    if (kind == skWeekly) {
        seEveryOfWeekly->setValue(1);
        for (int day = 0; day < 7; ++day)
            WeekBoxes()[day]->setChecked(day == 0);
    } else if (kind == skMonthly) {
        seEveryOfMonthly->setValue(1);
    } else {
        seEveryOfDaily->setValue(1);
    }
    DailyGroup->setVisible(kind == skDaily);
    WeeklyGroup->setVisible(kind == skWeekly);
    MonthlyGroup->setVisible(kind == skMonthly);
    BuildDescription();
}

void TScheduleManagerForm::SpinBoxChange(QSpinBox* box)
{
    const int maximum = box == seEveryOfDaily ? 365 : box == seEveryOfWeekly ? 56 : 31;
    const int value = qBound(1, box->value(), maximum);
    if (value != box->value())
        box->setValue(value); // comes back here once more, in range
    else
        BuildDescription();
}

TScheduleChoice TScheduleManagerForm::Choice() const
{
    TScheduleChoice choice;
    choice.Kind = comScheduleTask->currentIndex();
    choice.StartTime = dtpStartTime->time();
    choice.DayInterval = seEveryOfDaily->value();
    choice.WeekInterval = seEveryOfWeekly->value();
    for (int day = 0; day < 7; ++day)
        choice.WeekDays[day] = WeekBoxes()[day]->isChecked() ? 1 : 0;
    choice.DayOfMonth = seEveryOfMonthly->value();
    return choice;
}

int TScheduleManagerForm::KindValue() const
{
    switch (comScheduleTask->currentIndex()) {
    case skWeekly:
        return seEveryOfWeekly->value();
    case skMonthly:
        return seEveryOfMonthly->value();
    default:
        return seEveryOfDaily->value();
    }
}

void TScheduleManagerForm::BuildDescription()
{
    const QString text = ScheduleSentence(Choice(), QDate::currentDate());
    abScheduleTaskName->setText(text);
    abScheduleTaskName->setAccessibleName(text);
}
