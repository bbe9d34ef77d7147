// Writes the screenshots of the options dialog (both pages) and the schedule dialog
// to the folder given, docs/screenshots by default:
//
//     xvfb-run -a -s "-screen 0 1280x800x24" build/tests/schedule/schedule_screenshots
//     docs/screenshots
//
// The scheduling page lists two tasks from a crontab held in memory.
#include "schedule/ScheduleTaskUnit.h"
#include "ui/schedule/ScheduleManagerUnit.h"
#include "ui/schedule/UOptionFrm.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QTreeWidget>

int main(int argc, char* argv[])
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QApplication app(argc, argv);
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/screenshots");
    QDir().mkpath(folder);

    QString crontab;
    InstallCrontab({[&crontab](QString&) -> std::optional<QString> { return crontab; },
                    [&crontab](const QString& text, QString&) {
                        crontab = text;
                        return true;
                    }});
    std::fill(std::begin(ScheduleWeekDays), std::end(ScheduleWeekDays), 0);
    ScheduleWeekDays[0] = ScheduleWeekDays[2] = 1;
    const QDate today = QDate::currentDate();
    (void)CreateScheduleTask(QStringLiteral("12-09-2026_081500"), 0, 1,
                             QDateTime(today, QTime(8, 15)));
    (void)CreateScheduleTask(QStringLiteral("12-09-2026_081612"), 1, 2,
                             QDateTime(today, QTime(22, 0)));

    auto grab = [&folder](QWidget& window, const QString& name) {
        window.show();
        QApplication::processEvents();
        window.grab().save(folder + QLatin1Char('/') + name);
        window.hide();
    };
    TOptionFrm options;
    grab(options, QStringLiteral("options-general.png"));
    options.select2ButtonClick();
    options.ScheduleListView->setCurrentItem(options.ScheduleListView->topLevelItem(0));
    grab(options, QStringLiteral("options-scheduling.png"));

    TScheduleManagerForm schedule;
    schedule.comScheduleTask->setCurrentIndex(1);
    schedule.dtpStartTime->setTime(QTime(9, 15, 37));
    grab(schedule, QStringLiteral("schedule-weekly.png"));
    return 0;
}
