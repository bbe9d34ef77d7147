#pragma once

#include <QLocale>
#include <QString>
#include <QtGlobal>

class TResultRow;

// Texts of the cells of a result row, in the user's locale.
namespace RowText {

// Columns of the result tree, in their logical order.
namespace Column {
constexpr int Item = 0;
constexpr int LeftDate = 1;
constexpr int LeftSize = 2;
constexpr int RtoLCount = 3;
constexpr int LeftAttr = 4;
constexpr int Direct = 5;
constexpr int RightAttr = 6;
constexpr int LtoRCount = 7;
constexpr int RightDate = 8;
constexpr int RightSize = 9;
constexpr int Count = 10;
} // namespace Column

// A packed local date-time as the locale's short date, a blank and its long time
// (without a time zone, the times being local); the date alone at exactly
// midnight. "not seen before" for values not greater than 2000 (no file: -1 or 0).
QString DateText(qint32 packedTime, const QLocale& locale);

// A byte count with the locale's thousands separator and no decimals when greater
// than 0; "not present" otherwise (also for an empty file).
QString SizeText(qint64 size, const QLocale& locale);

// What the record of the last sync tells of a file row: that both sides
// changed since, or that a side deleted the file; empty for nothing of that.
QString SinceSyncText(const TResultRow& row);

// The text of one cell of the result tree. The root row (isRoot) shows its name
// and counters only; folder rows show "folder" in the date and size columns;
// file rows their dates and sizes, and for a side that deleted the file since
// the last sync "deleted since the last sync" in its date column. Counters are plain decimals,
// empty when 0; the three picture columns, and unknown columns, have no text.
QString CellText(const TResultRow& row, bool isRoot, int column, const QLocale& locale);

} // namespace RowText
