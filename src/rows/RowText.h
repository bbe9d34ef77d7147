#pragma once

#include <QLocale>
#include <QString>
#include <QtGlobal>

// Texts of the date and size cells of a result row, in the user's locale.
namespace RowText {

// A packed local date-time as the locale's short date, a blank and its long time
// (without a time zone, the times being local); the date alone at exactly
// midnight. "not seen before" for values not greater than 2000 (no file: -1 or 0).
QString DateText(qint32 packedTime, const QLocale& locale);

// A byte count with the locale's thousands separator and no decimals when greater
// than 0; "not present" otherwise (also for an empty file).
QString SizeText(qint64 size, const QLocale& locale);

} // namespace RowText
