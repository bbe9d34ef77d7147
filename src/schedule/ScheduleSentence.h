#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

// The sentence that says in words when a schedule runs, as the schedule dialog shows
// it: "At 09:15:37 every day, starting 12/9/26".
struct TScheduleChoice
{
    int Kind = 0;
    QTime StartTime;
    int DayInterval = 1;
    int WeekInterval = 1;
    // Monday first, 1 is ticked.
    int WeekDays[7] = {0, 0, 0, 0, 0, 0, 0};
    int DayOfMonth = 1;
};

// A time of day in the locale's long time format, without a time-zone name.
QString LongTimeText(const QTime& time, const QLocale& locale = QLocale());

// The ticked days as "Mon,Wed,Fri"; empty when none is ticked.
QString WeekDaysText(const int weekDays[7]);

QString ScheduleSentence(const TScheduleChoice& choice, const QDate& today,
                         const QLocale& locale = QLocale());
