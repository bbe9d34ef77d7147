#pragma once

#include <QDateTime>
#include <QtGlobal>

#include <optional>

// File times are local times packed in the MS-DOS date-time layout:
// bits 25-31 year - 1980, 21-24 month, 16-20 day, 11-15 hour, 5-10 minute,
// 0-4 seconds / 2. They are held in a signed 32-bit integer and compared as such;
// -1 means "no time".
//
// Range: the layout starts at 1980, so earlier times are packed as the first
// moment it can hold, 1980-01-01 00:00:00. Years from 2044 on would set bit 31
// and turn negative, which would make a file of 2050 compare older than one of
// 2020; later times are therefore packed as the last moment that keeps the value
// positive, 2043-12-31 23:59:58. Unpacking accepts every value the layout can
// hold (negative ones included, up to 2107) except -1.
namespace PackedDateTime {

constexpr qint32 None = -1;
// 1980-01-01 00:00:00
constexpr qint32 Earliest = (1 << 21) | (1 << 16);
// 2043-12-31 23:59:58
constexpr qint32 Latest = (63 << 25) | (12 << 21) | (31 << 16) | (23 << 11) | (59 << 5) | 29;

// Packs broken-down local time fields, clamping to [Earliest, Latest].
// Fields out of their calendar range give None.
qint32 FromFields(int year, int month, int day, int hour, int minute, int second);

// Packs a POSIX time (seconds since the epoch) as local time.
qint32 FromPosixTime(qint64 seconds);

// Packs a date-time, taken in local time. An invalid date-time gives None.
qint32 FromDateTime(const QDateTime& dateTime);

// The local date-time of a packed value; invalid for None and for values whose
// fields are no calendar date (month 13, day 0, hour 24, ...).
QDateTime ToDateTime(qint32 packed);

// The POSIX time of a packed value, or nothing when ToDateTime would be invalid.
std::optional<qint64> ToPosixTime(qint32 packed);

} // namespace PackedDateTime
