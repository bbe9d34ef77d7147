#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

class TSyncTask;

// The rules of the job editor that need no widgets: how a size limit is shown in
// B, KB or MB, how a time limit is written and read as "MM-DD-YYYY hh:mm", how the
// period boxes follow each other, and which texts a job can keep.
namespace JobEditorRules {

// Units of the size lists, in the order of their entries "B", "KB", "MB".
enum class TSizeUnit
{
    Bytes = 0,
    KiloBytes = 1,
    MegaBytes = 2
};

struct TSizeShown
{
    qint64 Number = 0;
    TSizeUnit Unit = TSizeUnit::Bytes;
};

// The largest unit that keeps the number at or below 1024 (truncating), MB at most.
TSizeShown ShowSize(qint64 bytes);
// The number in the unit as bytes, computed in 64 bits.
qint64 SizeInBytes(qint64 number, TSizeUnit unit);

// A packed time limit as "MM-DD-YYYY hh:mm"; the first moment of 1980 for a value
// that is no calendar date.
QString TimeLimitText(qint32 packed);
// The packed time of a date field's text, or nothing when the text is no valid
// date and time or its year lies outside 1980 to 2107, the years a packed time
// can hold (from 2044 on it keeps the last moment it compares correctly).
std::optional<qint32> TimeLimitFromText(const QString& text);

// The period boxes. Ticking "Sync On Periodically" ticks "Analyze On Periodically"
// and locks it while it stays ticked; ticking the analysis box enables both spin
// boxes, clearing it disables them and sets the period to 0 hours 0 minutes.
struct TPeriodSyncEffect
{
    bool TickAnalyze;
    bool AnalyzeEnabled;
};
TPeriodSyncEffect PeriodSyncChanged(bool ticked);

struct TPeriodAnalyzeEffect
{
    bool SpinsEnabled;
    bool ZeroPeriod;
};
TPeriodAnalyzeEffect PeriodAnalyzeChanged(bool ticked);

// True when the text holds a control character, which the task list file cannot
// keep as it is.
bool HasControlCharacter(const QString& text);

// What keeps a new job's name from being taken: a name used by some job of the
// job list, or an empty one.
enum class TNameCheck
{
    Accepted,
    Exists,
    Empty
};
TNameCheck CheckNewJobName(const QString& name);

} // namespace JobEditorRules
