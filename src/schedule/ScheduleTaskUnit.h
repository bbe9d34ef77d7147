#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <optional>

// Scheduled starts of Brenvale, kept in the user's crontab. One task is two lines:
// a marker comment that carries the task's name, the executable it starts and its
// trigger record, and the cron line that starts the executable with "-Scan" in the
// graphical session the task was made in. Nothing here needs widgets; the windows
// show the lists and the messages.

// Schedule kinds, as the schedule dialog's list index.
enum TScheduleKind
{
    skDaily = 0,
    skWeekly = 1,
    skMonthly = 2
};

// Trigger types of a task's record.
constexpr int TASK_TIME_TRIGGER_DAILY = 1;
constexpr int TASK_TIME_TRIGGER_WEEKLY = 2;
constexpr int TASK_TIME_TRIGGER_MONTHLYDATE = 3;

// The days of a weekly task, Monday first, Sunday last; 1 is chosen. Set by the
// caller just before it creates a weekly task.
extern int ScheduleWeekDays[7];

// The trigger record of one task.
struct TScheduleTrigger
{
    int TriggerType = TASK_TIME_TRIGGER_DAILY;
    QDate Begin;
    int StartHour = 0;
    int StartMinute = 0;
    // Every N days (daily) or every N weeks (weekly).
    int Interval = 1;
    // Weekly: Sunday 1, Monday 2, Tuesday 4, ... Saturday 64.
    int DaysOfTheWeek = 0;
    // Monthly: day 1 is bit 0, day 31 bit 30; Months 4095 is all twelve.
    quint32 Days = 0;
    int Months = 0;

    bool operator==(const TScheduleTrigger&) const = default;
};

// One task that starts this executable, as the options dialog lists it.
struct TScheduleItem
{
    QString Name;
    TScheduleTrigger Trigger;
};

// The sum of the day bits of the chosen days (Monday first); Monday alone when none.
int WeekDayMask(const int days[7]);

// The trigger of a new task that starts on `today` at the hour and minute of `start`.
// `value` is the day interval, the week interval or the day of the month.
TScheduleTrigger MakeScheduleTrigger(int kind, int value, const QDateTime& start,
                                     const QDate& today);

// "Daily", "Weekly", "Monthly", or empty for any other trigger type.
QString TriggerTypeText(int triggerType);

// The two crontab lines of a task (marker and command, each ending in a line break)
// that start `executable` with "-Scan"; `environment` holds the NAME=value pairs of
// the graphical session the command carries. Empty when a name, path or value holds
// a line break, which a crontab cannot keep.
QString ScheduleCronLines(const QString& name, const TScheduleTrigger& trigger,
                          const QString& executable, const QStringList& environment);

// The shell test that keeps every-N-days and every-N-weeks tasks exact (cron has no
// such interval): empty when cron's fields alone are exact.
QString ScheduleDateTest(const TScheduleTrigger& trigger);

// The tasks of the crontab text that start `executable` (its exact path).
QList<TScheduleItem> ScheduleItemsOf(const QString& crontab, const QString& executable);

// The variables of the graphical session that a task carries, as NAME=value.
QStringList SessionEnvironment();

// Reads and writes the crontab text. The one in use is the user's `crontab` command;
// tests install their own.
struct TCrontab
{
    // The text; nothing, with the reason in `error`, when it cannot be read.
    std::function<std::optional<QString>(QString& error)> Read;
    std::function<bool(const QString& text, QString& error)> Write;
};

// The `crontab` command, for the user running Brenvale or for `user` (root only).
TCrontab SystemCrontab(const QString& user = QString());
// Puts `crontab` in place of the one in use; returns the one replaced.
TCrontab InstallCrontab(TCrontab crontab);

// What a scheduler operation came to. Unavailable carries the reason in Error; the
// windows then show "The task scheduler is not available: " and the reason.
struct TScheduleResult
{
    enum TCode
    {
        Ok,
        Refused,
        Unavailable
    };
    TCode Code = Ok;
    QString Error;
    bool Succeeded() const { return Code == Ok; }
};

// The running executable's full path, which every task starts and every listing
// matches. Tests may put another in its place.
QString ScheduleExecutablePath();
void SetScheduleExecutablePath(const QString& path);

// Creates the task `name` with one trigger (kind 0 daily, 1 weekly with
// ScheduleWeekDays, 2 monthly) starting today at the hour and minute of `start`.
// A name that a task already carries is refused.
TScheduleResult CreateScheduleTask(const QString& name, int kind, int value,
                                   const QDateTime& start);
// The tasks that start this executable.
TScheduleResult LoadScheduleList(QList<TScheduleItem>& items);
// Removes the task `name` of this executable; refused when there is none.
TScheduleResult DeleteScheduleTask(const QString& name);
