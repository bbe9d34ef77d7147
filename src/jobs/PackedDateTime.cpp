#include "jobs/PackedDateTime.h"

#include <QDate>
#include <QTime>

#include <ctime>
#include <limits>

namespace PackedDateTime {

namespace {

bool IsValidFields(int year, int month, int day, int hour, int minute, int second)
{
    return QDate::isValid(year, month, day) && hour >= 0 && hour < 24 && minute >= 0 &&
           minute < 60 && second >= 0 && second < 62;
}

qint32 PackUnchecked(int year, int month, int day, int hour, int minute, int second)
{
    const quint32 packed = (quint32(year - 1980) << 25) | (quint32(month) << 21) |
                           (quint32(day) << 16) | (quint32(hour) << 11) | (quint32(minute) << 5) |
                           quint32(second / 2);
    return static_cast<qint32>(packed);
}

struct Fields
{
    int Year, Month, Day, Hour, Minute, Second;
};

// Splits a packed value; does not check the calendar.
Fields Unpack(qint32 packed)
{
    const quint32 v = static_cast<quint32>(packed);
    return Fields{int(v >> 25) + 1980,   int((v >> 21) & 0xF), int((v >> 16) & 0x1F),
                  int((v >> 11) & 0x1F), int((v >> 5) & 0x3F), int(v & 0x1F) * 2};
}

} // namespace

qint32 FromFields(int year, int month, int day, int hour, int minute, int second)
{
    if (!IsValidFields(year, month, day, hour, minute, second))
        return None;
    if (year < 1980)
        return Earliest;
    if (year > 2043)
        return Latest;
    if (second > 59)
        second = 59; // a leap second still belongs to its minute
    return PackUnchecked(year, month, day, hour, minute, second);
}

qint32 FromPosixTime(qint64 seconds)
{
    // Files written together share their minute; remembering the last minute's
    // fields spares most calls into the time zone code, which takes a lock.
    // Every time zone shift falls on a whole minute, so the cache is exact.
    thread_local qint64 cachedMinute = std::numeric_limits<qint64>::min();
    thread_local qint32 cachedPacked = None;
    thread_local bool cachedClamped = false;
    const qint64 minute = seconds >= 0 ? seconds / 60 : (seconds - 59) / 60;
    if (minute == cachedMinute) {
        if (cachedClamped || cachedPacked == None)
            return cachedPacked;
        return cachedPacked | qint32((seconds - minute * 60) / 2);
    }

    const time_t t = static_cast<time_t>(minute * 60);
    struct tm local = {};
    if (localtime_r(&t, &local) == nullptr)
        return None;
    const int year = local.tm_year + 1900;
    const qint32 base =
        FromFields(year, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, 0);
    cachedMinute = minute;
    cachedPacked = base;
    cachedClamped = year < 1980 || year > 2043;
    if (cachedClamped || base == None)
        return base;
    return base | qint32((seconds - minute * 60) / 2);
}

qint32 FromDateTime(const QDateTime& dateTime)
{
    if (!dateTime.isValid())
        return None;
    const QDateTime local = dateTime.toLocalTime();
    const QDate d = local.date();
    const QTime t = local.time();
    return FromFields(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
}

QDateTime ToDateTime(qint32 packed)
{
    if (packed == None)
        return {};
    const Fields f = Unpack(packed);
    if (!IsValidFields(f.Year, f.Month, f.Day, f.Hour, f.Minute, f.Second) || f.Second > 58)
        return {};
    return QDateTime(QDate(f.Year, f.Month, f.Day), QTime(f.Hour, f.Minute, f.Second));
}

std::optional<qint64> ToPosixTime(qint32 packed)
{
    if (packed == None)
        return std::nullopt;
    const Fields f = Unpack(packed);
    if (!IsValidFields(f.Year, f.Month, f.Day, f.Hour, f.Minute, f.Second) || f.Second > 58)
        return std::nullopt;
    // A sync run sets the times of files that mostly share their minute: the
    // last minute's start is remembered, as in FromPosixTime, since mktime reads
    // the time zone file and takes a lock on every call.
    thread_local qint32 cachedMinute = None;
    thread_local qint64 cachedStart = 0;
    const qint32 minute = packed & ~qint32(0x1F);
    if (minute != cachedMinute) {
        struct tm local = {};
        local.tm_year = f.Year - 1900;
        local.tm_mon = f.Month - 1;
        local.tm_mday = f.Day;
        local.tm_hour = f.Hour;
        local.tm_min = f.Minute;
        local.tm_isdst = -1;
        const time_t t = mktime(&local);
        if (t == time_t(-1)) // packed times start in 1980, so -1 is always the error
            return std::nullopt;
        cachedMinute = minute;
        cachedStart = static_cast<qint64>(t);
    }
    return cachedStart + f.Second;
}

} // namespace PackedDateTime
