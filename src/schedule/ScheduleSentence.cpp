#include "schedule/ScheduleSentence.h"

#include "schedule/ScheduleTaskUnit.h"

#include <QStringList>

QString LongTimeText(const QTime& time, const QLocale& locale)
{
    // Qt's long format names the time zone ("t"), which a time of day has not.
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return locale.toString(time, format.trimmed());
}

QString WeekDaysText(const int weekDays[7])
{
    static const char* const Names[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    QStringList days;
    for (int day = 0; day < 7; ++day)
        if (weekDays[day] == 1)
            days << QString::fromLatin1(Names[day]);
    return days.join(QLatin1Char(','));
}

QString ScheduleSentence(const TScheduleChoice& choice, const QDate& today, const QLocale& locale)
{
    const QString time = LongTimeText(choice.StartTime, locale);
    const QString date = locale.toString(today, QLocale::ShortFormat);
    switch (choice.Kind) {
    case skWeekly:
        if (choice.WeekInterval == 1)
            return QStringLiteral("At %1 every %2 of every week, starting %3")
                .arg(time, WeekDaysText(choice.WeekDays), date);
        return QStringLiteral("At %1 every %2 of every %3 weeks, starting %4")
            .arg(time, WeekDaysText(choice.WeekDays), QString::number(choice.WeekInterval), date);
    case skMonthly:
        return QStringLiteral("At %1 on day %2 of every month, starting %3")
            .arg(time, QString::number(choice.DayOfMonth), date);
    default:
        if (choice.DayInterval == 1)
            return QStringLiteral("At %1 every day, starting %2").arg(time, date);
        return QStringLiteral("At %1 every %2 days, starting %3")
            .arg(time, QString::number(choice.DayInterval), date);
    }
}
