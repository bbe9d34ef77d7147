#include "jobs/JobEditorRules.h"

#include "common/PublicFunctionUnit.h"
#include "jobs/PackedDateTime.h"
#include "jobs/UTSyncTask.h"

namespace JobEditorRules {

namespace {

constexpr qint64 Kilo = 1024;

} // namespace

TSizeShown ShowSize(qint64 bytes)
{
    if (bytes <= Kilo)
        return {bytes, TSizeUnit::Bytes};
    const qint64 kilo = bytes / Kilo;
    if (kilo <= Kilo)
        return {kilo, TSizeUnit::KiloBytes};
    return {kilo / Kilo, TSizeUnit::MegaBytes};
}

qint64 SizeInBytes(qint64 number, TSizeUnit unit)
{
    switch (unit) {
    case TSizeUnit::KiloBytes:
        return number * Kilo;
    case TSizeUnit::MegaBytes:
        return number * Kilo * Kilo;
    case TSizeUnit::Bytes:
        break;
    }
    return number;
}

QString TimeLimitText(qint32 packed)
{
    QDateTime time = PackedDateTime::ToDateTime(packed);
    if (!time.isValid())
        time = PackedDateTime::ToDateTime(PackedDateTime::Earliest);
    return time.toString(QStringLiteral("MM-dd-yyyy HH:mm"));
}

std::optional<qint32> TimeLimitFromText(const QString& text)
{
    const QDateTime time = ParseDateTimeText(text);
    if (!time.isValid())
        return std::nullopt;
    const QDate date = time.date();
    if (date.year() < 1980 || date.year() > 2107)
        return std::nullopt;
    const qint32 packed = PackedDateTime::FromFields(date.year(), date.month(), date.day(),
                                                     time.time().hour(), time.time().minute(), 0);
    if (packed == PackedDateTime::None)
        return std::nullopt;
    return packed;
}

TPeriodSyncEffect PeriodSyncChanged(bool ticked)
{
    return {.TickAnalyze = ticked, .AnalyzeEnabled = !ticked};
}

TPeriodAnalyzeEffect PeriodAnalyzeChanged(bool ticked)
{
    return {.SpinsEnabled = ticked, .ZeroPeriod = !ticked};
}

bool HasControlCharacter(const QString& text)
{
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

TNameCheck CheckNewJobName(const QString& name)
{
    const QString trimmed = TrimBlanksAndControls(name);
    if (SyncTaskList && SyncTaskList->TaskNameExists(trimmed))
        return TNameCheck::Exists;
    if (name.isEmpty())
        return TNameCheck::Empty;
    return TNameCheck::Accepted;
}

} // namespace JobEditorRules
