#include "common/DayText.h"

#include <QDate>

const QString& TDayText::Text()
{
    if (!SinceRead.isValid() || SinceRead.elapsed() >= 1000) {
        Day = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
        SinceRead.start();
    }
    return Day;
}
