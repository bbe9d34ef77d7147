#include "schedule/ScheduleTaskUnit.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QUrl>

int ScheduleWeekDays[7] = {0, 0, 0, 0, 0, 0, 0};

namespace {

const QString MarkerStart = QStringLiteral("# Brenvale task ");

// The variables a scheduled start takes from the session the task was made in: the
// display, the session's bus and runtime folder, and Brenvale's own folders.
const char* const SessionVariables[] = {"DISPLAY",
                                        "WAYLAND_DISPLAY",
                                        "XAUTHORITY",
                                        "XDG_RUNTIME_DIR",
                                        "DBUS_SESSION_BUS_ADDRESS",
                                        "BRENVALE_HOME",
                                        "XDG_CONFIG_HOME",
                                        "XDG_DATA_HOME"};

QString ShellQuoted(const QString& text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString Encoded(const QString& text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

QString Decoded(const QString& text)
{
    return QUrl::fromPercentEncoding(text.toLatin1());
}

bool HasLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

// Days since 1 January 1970; the date test in the cron line counts the same way.
qint64 DayNumber(const QDate& date)
{
    return QDate(1970, 1, 1).daysTo(date);
}

QString CronFields(const TScheduleTrigger& trigger)
{
    QString days = QStringLiteral("*");
    QString weekDays = QStringLiteral("*");
    if (trigger.TriggerType == TASK_TIME_TRIGGER_WEEKLY) {
        QStringList list;
        for (int day = 0; day < 7; ++day) // cron counts Sunday as 0, as the bits do
            if (trigger.DaysOfTheWeek & (1 << day))
                list << QString::number(day);
        weekDays = list.join(QLatin1Char(','));
    } else if (trigger.TriggerType == TASK_TIME_TRIGGER_MONTHLYDATE) {
        QStringList list;
        for (int day = 0; day < 31; ++day)
            if (trigger.Days & (quint32(1) << day))
                list << QString::number(day + 1);
        days = list.join(QLatin1Char(','));
    }
    return QStringLiteral("%1 %2 %3 * %4")
        .arg(trigger.StartMinute)
        .arg(trigger.StartHour)
        .arg(days, weekDays);
}

QString MarkerLine(const QString& name, const TScheduleTrigger& trigger, const QString& executable)
{
    return MarkerStart + QStringList{Encoded(name),
                                     Encoded(executable),
                                     QString::number(trigger.TriggerType),
                                     trigger.Begin.toString(Qt::ISODate),
                                     QStringLiteral("%1:%2")
                                         .arg(trigger.StartHour, 2, 10, QLatin1Char('0'))
                                         .arg(trigger.StartMinute, 2, 10, QLatin1Char('0')),
                                     QString::number(trigger.Interval),
                                     QString::number(trigger.DaysOfTheWeek),
                                     QString::number(trigger.Days),
                                     QString::number(trigger.Months)}
                             .join(QLatin1Char(' '));
}

struct TMarker
{
    QString Name;
    QString Executable;
    TScheduleTrigger Trigger;
};

std::optional<TMarker> ParseMarker(const QString& line)
{
    if (!line.startsWith(MarkerStart))
        return std::nullopt;
    const QStringList parts = line.mid(MarkerStart.size()).split(QLatin1Char(' '));
    if (parts.size() != 9)
        return std::nullopt;
    TMarker marker;
    marker.Name = Decoded(parts[0]);
    marker.Executable = Decoded(parts[1]);
    TScheduleTrigger& trigger = marker.Trigger;
    trigger.TriggerType = parts[2].toInt();
    trigger.Begin = QDate::fromString(parts[3], Qt::ISODate);
    const QTime start = QTime::fromString(parts[4], QStringLiteral("HH:mm"));
    trigger.StartHour = start.hour();
    trigger.StartMinute = start.minute();
    trigger.Interval = parts[5].toInt();
    trigger.DaysOfTheWeek = parts[6].toInt();
    trigger.Days = parts[7].toUInt();
    trigger.Months = parts[8].toInt();
    return marker;
}

TCrontab& CrontabInUse()
{
    static TCrontab crontab = SystemCrontab();
    return crontab;
}

QString& ExecutableInUse()
{
    static QString path;
    return path;
}

// Reads the crontab; the reason goes into `result` when it cannot.
std::optional<QString> ReadCrontab(TScheduleResult& result)
{
    QString error;
    auto text = CrontabInUse().Read(error);
    if (!text)
        result = {TScheduleResult::Unavailable, error};
    return text;
}

TScheduleResult WriteCrontab(const QString& text)
{
    QString error;
    if (!CrontabInUse().Write(text, error))
        return {TScheduleResult::Unavailable, error};
    return {};
}

// Runs `crontab` with `arguments`; the standard output, or nothing with the reason.
std::optional<QString> RunCrontab(const QStringList& arguments, const QByteArray& input,
                                  QString& error, bool emptyWhenNone)
{
    QProcess process;
    process.start(QStringLiteral("crontab"), arguments);
    if (!process.waitForStarted(10000)) {
        error = QStringLiteral("crontab: ") + process.errorString();
        return std::nullopt;
    }
    if (!input.isNull())
        process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        error = QStringLiteral("crontab does not answer");
        return std::nullopt;
    }
    const QString errors = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        // A user without a crontab yet has an empty one.
        if (emptyWhenNone && errors.startsWith(QStringLiteral("no crontab for")))
            return QString();
        error = errors.isEmpty() ? QStringLiteral("crontab failed") : errors;
        return std::nullopt;
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

} // namespace

int WeekDayMask(const int days[7])
{
    // Monday first in the flags; Sunday is bit 0 in the mask.
    int mask = 0;
    for (int day = 0; day < 7; ++day)
        if (days[day] == 1)
            mask |= 1 << ((day + 1) % 7);
    return mask == 0 ? 2 : mask;
}

TScheduleTrigger MakeScheduleTrigger(int kind, int value, const QDateTime& start,
                                     const QDate& today)
{
    TScheduleTrigger trigger;
    trigger.Begin = today;
    trigger.StartHour = start.time().hour();
    trigger.StartMinute = start.time().minute();
    trigger.Interval = 0;
    switch (kind) {
    case skWeekly:
        trigger.TriggerType = TASK_TIME_TRIGGER_WEEKLY;
        trigger.Interval = qMax(1, value);
        trigger.DaysOfTheWeek = WeekDayMask(ScheduleWeekDays);
        break;
    case skMonthly:
        trigger.TriggerType = TASK_TIME_TRIGGER_MONTHLYDATE;
        trigger.Days = quint32(1) << (qBound(1, value, 31) - 1);
        trigger.Months = 4095;
        break;
    default:
        trigger.TriggerType = TASK_TIME_TRIGGER_DAILY;
        trigger.Interval = qMax(1, value);
        break;
    }
    return trigger;
}

QString TriggerTypeText(int triggerType)
{
    switch (triggerType) {
    case TASK_TIME_TRIGGER_DAILY:
        return QStringLiteral("Daily");
    case TASK_TIME_TRIGGER_WEEKLY:
        return QStringLiteral("Weekly");
    case TASK_TIME_TRIGGER_MONTHLYDATE:
        return QStringLiteral("Monthly");
    default:
        return QString();
    }
}

QString ScheduleDateTest(const TScheduleTrigger& trigger)
{
    if (trigger.Interval <= 1 || (trigger.TriggerType != TASK_TIME_TRIGGER_DAILY &&
                                  trigger.TriggerType != TASK_TIME_TRIGGER_WEEKLY))
        return QString();
    // Today's number in local time: the local date read as a UTC midnight.
    const QString today = QStringLiteral("d=$(( $(date -u -d \"$(date +%F)\" +%s) / 86400 ))");
    const qint64 begin = DayNumber(trigger.Begin);
    if (trigger.TriggerType == TASK_TIME_TRIGGER_DAILY)
        return QStringLiteral("%1; [ $(( (d - %2) %% %3 )) -eq 0 ]")
            .arg(today)
            .arg(begin)
            .arg(trigger.Interval)
            .replace(QStringLiteral("%%"), QStringLiteral("%"));
    // Weeks count from the Monday of the week the task began in.
    const qint64 monday = begin - (trigger.Begin.dayOfWeek() - 1);
    return QStringLiteral("%1; [ $(( (d - %2) / 7 %% %3 )) -eq 0 ]")
        .arg(today)
        .arg(monday)
        .arg(trigger.Interval)
        .replace(QStringLiteral("%%"), QStringLiteral("%"));
}

QString ScheduleCronLines(const QString& name, const TScheduleTrigger& trigger,
                          const QString& executable, const QStringList& environment)
{
    if (HasLineBreak(name) || HasLineBreak(executable) ||
        std::any_of(environment.begin(), environment.end(), HasLineBreak))
        return QString();
    QStringList command;
    const QString test = ScheduleDateTest(trigger);
    if (!test.isEmpty())
        command << test << QStringLiteral("&&");
    command << QStringLiteral("cd") << ShellQuoted(QFileInfo(executable).absolutePath())
            << QStringLiteral("&& exec env");
    for (const QString& variable : environment)
        command << ShellQuoted(variable);
    command << ShellQuoted(executable) << QStringLiteral("-Scan >/dev/null 2>&1");
    // cron turns a bare % into a line break, also inside quotes.
    QString line = command.join(QLatin1Char(' '));
    line.replace(QLatin1Char('%'), QStringLiteral("\\%"));
    return MarkerLine(name, trigger, executable) + QLatin1Char('\n') + CronFields(trigger) +
           QLatin1Char(' ') + line + QLatin1Char('\n');
}

QList<TScheduleItem> ScheduleItemsOf(const QString& crontab, const QString& executable)
{
    QList<TScheduleItem> items;
    for (const QString& line : crontab.split(QLatin1Char('\n'))) {
        const auto marker = ParseMarker(line);
        if (marker && marker->Executable == executable)
            items.append({marker->Name, marker->Trigger});
    }
    return items;
}

QStringList SessionEnvironment()
{
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QStringList pairs;
    for (const char* name : SessionVariables) {
        const QString variable = QString::fromLatin1(name);
        if (environment.contains(variable))
            pairs << variable + QLatin1Char('=') + environment.value(variable);
    }
    return pairs;
}

TCrontab SystemCrontab(const QString& user)
{
    QStringList prefix;
    if (!user.isEmpty())
        prefix << QStringLiteral("-u") << user;
    TCrontab crontab;
    crontab.Read = [prefix](QString& error) {
        return RunCrontab(prefix + QStringList{QStringLiteral("-l")}, QByteArray(), error, true);
    };
    crontab.Write = [prefix](const QString& text, QString& error) {
        return RunCrontab(prefix + QStringList{QStringLiteral("-")}, text.toLocal8Bit(), error,
                          false)
            .has_value();
    };
    return crontab;
}

TCrontab InstallCrontab(TCrontab crontab)
{
    std::swap(crontab, CrontabInUse());
    return crontab;
}

QString ScheduleExecutablePath()
{
    if (!ExecutableInUse().isEmpty())
        return ExecutableInUse();
    return QCoreApplication::applicationFilePath();
}

void SetScheduleExecutablePath(const QString& path)
{
    ExecutableInUse() = path;
}

TScheduleResult CreateScheduleTask(const QString& name, int kind, int value, const QDateTime& start)
{
    TScheduleResult result;
    auto text = ReadCrontab(result);
    if (!text)
        return result;
    const QString executable = ScheduleExecutablePath();
    for (const QString& line : text->split(QLatin1Char('\n'))) {
        const auto marker = ParseMarker(line);
        if (marker && marker->Name == name)
            return {TScheduleResult::Refused, QString()};
    }
    const QString lines =
        ScheduleCronLines(name, MakeScheduleTrigger(kind, value, start, QDate::currentDate()),
                          executable, SessionEnvironment());
    if (lines.isEmpty())
        return {TScheduleResult::Refused, QString()};
    if (!text->isEmpty() && !text->endsWith(QLatin1Char('\n')))
        text->append(QLatin1Char('\n'));
    return WriteCrontab(*text + lines);
}

TScheduleResult LoadScheduleList(QList<TScheduleItem>& items)
{
    items.clear();
    TScheduleResult result;
    const auto text = ReadCrontab(result);
    if (text)
        items = ScheduleItemsOf(*text, ScheduleExecutablePath());
    return result;
}

TScheduleResult DeleteScheduleTask(const QString& name)
{
    TScheduleResult result;
    const auto text = ReadCrontab(result);
    if (!text)
        return result;
    const QString executable = ScheduleExecutablePath();
    QStringList lines = text->split(QLatin1Char('\n'));
    for (qsizetype at = 0; at < lines.size(); ++at) {
        const auto marker = ParseMarker(lines[at]);
        if (!marker || marker->Name != name || marker->Executable != executable)
            continue;
        // The marker and the command line under it.
        const bool commandFollows = at + 1 < lines.size() &&
                                    !lines[at + 1].startsWith(QLatin1Char('#')) &&
                                    !lines[at + 1].trimmed().isEmpty();
        lines.remove(at, commandFollows ? 2 : 1);
        return WriteCrontab(lines.join(QLatin1Char('\n')));
    }
    return {TScheduleResult::Refused, QString()};
}
