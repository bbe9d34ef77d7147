#pragma once

#include <QElapsedTimer>
#include <QString>

// Today's date as "yyyyMMdd" for the lines of a run's log. Reading the local
// date converts the clock through the time zone, which for every line of a
// sync of a million files costs more than the line: the text is read anew at
// most once a second.
class TDayText
{
public:
    const QString& Text();

private:
    QString Day;
    QElapsedTimer SinceRead;
};
