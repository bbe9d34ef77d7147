#include "rows/RowText.h"

#include "engine/UResultRow.h"
#include "jobs/PackedDateTime.h"

#include <QDateTime>

namespace RowText {

namespace {

// The locale's long time format without its time-zone field ("t" outside quotes).
QString LongTimeFormat(const QLocale& locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        result += c;
    }
    return result.simplified();
}

} // namespace

QString DateText(qint32 packedTime, const QLocale& locale)
{
    if (packedTime <= 2000)
        return QStringLiteral("not seen before");
    const QDateTime time = PackedDateTime::ToDateTime(packedTime);
    if (!time.isValid())
        return QString::number(packedTime);
    const QString date = locale.toString(time.date(), QLocale::ShortFormat);
    if (time.time() == QTime(0, 0))
        return date;
    return date + QLatin1Char(' ') + locale.toString(time.time(), LongTimeFormat(locale));
}

QString SizeText(qint64 size, const QLocale& locale)
{
    if (size <= 0)
        return QStringLiteral("not present");
    QLocale grouped = locale;
    grouped.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return grouped.toString(size);
}

namespace {

QString CountText(qint32 count)
{
    return count == 0 ? QString() : QString::number(count);
}

} // namespace

QString SinceSyncText(const TResultRow& row)
{
    if (row.SinceSync & SyncMark::Conflict)
        return QStringLiteral("Changed on both sides since the last sync");
    if (row.SinceSync & SyncMark::DeletedLeft)
        return QStringLiteral("Deleted on the left since the last sync");
    if (row.SinceSync & SyncMark::DeletedRight)
        return QStringLiteral("Deleted on the right since the last sync");
    return QString();
}

QString CellText(const TResultRow& row, bool isRoot, int column, const QLocale& locale)
{
    if (column == Column::Item)
        return row.Name;
    const bool folder = row.Kind == ItemKind::Folder;
    switch (column) {
    case Column::RtoLCount:
        return folder ? CountText(row.RtoLCount()) : QString();
    case Column::LtoRCount:
        return folder ? CountText(row.LtoRCount()) : QString();
    case Column::LeftDate:
    case Column::LeftSize:
    case Column::RightDate:
    case Column::RightSize:
        break;
    default:
        return QString();
    }
    if (isRoot)
        return QString();
    if (folder)
        return QStringLiteral("folder");
    switch (column) {
    case Column::LeftDate:
        if (row.SinceSync & SyncMark::DeletedLeft)
            return QStringLiteral("deleted since the last sync");
        return DateText(row.LeftTime, locale);
    case Column::LeftSize:
        return SizeText(row.LeftSize, locale);
    case Column::RightDate:
        if (row.SinceSync & SyncMark::DeletedRight)
            return QStringLiteral("deleted since the last sync");
        return DateText(row.RightTime, locale);
    default:
        return SizeText(row.RightSize, locale);
    }
}

} // namespace RowText
