#include "cli/TextReport.h"

#include "cli/ProgressBar.h"
#include "cli/RowWalk.h"
#include "common/AsciiText.h"
#include "engine/UFileOper.h"
#include "jobs/UTSyncTask.h"
#include "rows/RowText.h"
#include "run/RunDriver.h"
#include "run/RunLogText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <type_traits>

namespace {

constexpr int IndentWidth = 2;
constexpr int NameColumnLimit = 60;
constexpr int FlushIntervalMs = 100;
// Written out once this much has gathered, within the interval or not.
constexpr qsizetype OutBufferBytes = 64 * 1024;

QString StateText(qint32 state)
{
    switch (state) {
    case CompareState::Same:
        return QStringLiteral("same");
    case CompareState::LeftOnly:
        return QStringLiteral("left only");
    case CompareState::RightOnly:
        return QStringLiteral("right only");
    case CompareState::RightNewer:
        return QStringLiteral("right newer");
    case CompareState::LeftNewer:
        return QStringLiteral("left newer");
    default:
        return QStringLiteral("-");
    }
}

QString DirectionText(const TResultRow& row)
{
    if (row.Direction == SyncDirection::LeftToRight)
        return QStringLiteral("->");
    if (row.Direction == SyncDirection::RightToLeft)
        return QStringLiteral("<-");
    return row.State == CompareState::Same ? QStringLiteral("==") : QStringLiteral("--");
}

QString CountText(qint32 count)
{
    return count == 0 ? QString() : QString::number(count);
}

// No control character among the characters (UTF-16 code units or UTF-8
// bytes), looked for a 64-bit word at a time: a lane below 32 borrows into its
// clear top bit when 32 is taken from it, and a lane of 127 does when 127 is
// removed and 1 taken. A look that finds one is made again character by
// character.
template <typename Unit> bool AllPlain(const Unit* chars, qsizetype size)
{
    static_assert(std::is_unsigned_v<Unit> && sizeof(Unit) <= 2);
    constexpr quint64 Ones = ~quint64(0) / ((quint64(1) << (8 * sizeof(Unit))) - 1);
    constexpr quint64 Tops = Ones << (8 * sizeof(Unit) - 1);
    constexpr qsizetype PerWord = qsizetype(sizeof(quint64) / sizeof(Unit));
    qsizetype i = 0;
    for (; i + PerWord <= size; i += PerWord) {
        quint64 lanes;
        std::memcpy(&lanes, chars + i, sizeof lanes);
        const quint64 del = lanes ^ (127 * Ones);
        if ((((lanes - 32 * Ones) & ~lanes) | ((del - Ones) & ~del)) & Tops)
            break;
    }
    return std::all_of(chars + i, chars + size, [](Unit c) { return c >= 32 && c != 127; });
}

bool AllPlain(QStringView text)
{
    return AllPlain(text.utf16(), text.size());
}

// Names may hold line breaks, escape sequences of the terminal and other control
// characters, which would break the table or the log: they are shown escaped.
QString Printable(const QString& name)
{
    // Mostly there is nothing to escape: the text is shared, not copied.
    if (AllPlain(name))
        return name;
    QString out;
    out.reserve(name.size());
    for (const QChar c : name) {
        const char16_t code = c.unicode();
        if (code >= 32 && code != 127) {
            out += c;
        } else if (code == u'\n') {
            out += QStringLiteral("\\n");
        } else if (code == u'\t') {
            out += QStringLiteral("\\t");
        } else if (code == u'\r') {
            out += QStringLiteral("\\r");
        } else {
            out += QStringLiteral("\\x%1").arg(int(code), 2, 16, QLatin1Char('0'));
        }
    }
    return out;
}

} // namespace

TTextReport::TTextReport(bool showRows, TProgressBar& progress)
    : TRunReport(progress), ShowRows(showRows), Locale(QLocale::system()), Err(stderr)
{
    SinceFlush.start();
}

void TTextReport::WriteLine(const QString& line)
{
    Bar.Clear();
    AsciiText::AppendUtf8(OutBytes, line);
    EndLine();
}

// A copied file's line goes into the output as UTF-8 straight away: a sync
// writes one per file, and mostly there is nothing in it to escape.
void TTextReport::WriteCopied(const TFileReport& report)
{
    Bar.Clear();
    const qsizetype start = OutBytes.size();
    RunLogText::AppendFileCopied(OutBytes, report, Today.Text());
    const auto* bytes = reinterpret_cast<const uchar*>(OutBytes.constData()) + start;
    if (AllPlain(bytes, OutBytes.size() - start)) {
        EndLine();
        return;
    }
    OutBytes.truncate(start);
    WriteLine(Printable(RunLogText::FileCopied(report, Today.Text())));
}

void TTextReport::EndLine()
{
    OutBytes.append('\n');
    // Lines of a long sync reach a pipe while it runs, without one write per line.
    if (Bar.IsShown() || SinceFlush.elapsed() >= FlushIntervalMs ||
        OutBytes.size() >= OutBufferBytes) {
        FlushOut();
        SinceFlush.restart();
    }
}

void TTextReport::FlushOut()
{
    if (!OutBytes.isEmpty())
        std::fwrite(OutBytes.constData(), 1, size_t(OutBytes.size()), stdout);
    std::fflush(stdout);
    // Emptied, with its room kept for the next lines.
    OutBytes.truncate(0);
}

void TTextReport::WriteError(const QString& line)
{
    Bar.Clear();
    FlushOut();
    Err << line << '\n';
    Err.flush();
}

void TTextReport::Refused(const TSyncTask&, const QString& text)
{
    WriteError(text);
}

void TTextReport::FolderUnreadable(const QString& path, const QString& reason)
{
    WriteError(Printable(RunLogText::UnreadableFolder(path, reason)));
}

void TTextReport::NameUnreadable(const QString& path)
{
    WriteError(Printable(RunLogText::NameUnreadable(path)));
}

void TTextReport::FolderLinkSkipped(const QString& path)
{
    WriteError(Printable(RunLogText::FolderLinkSkipped(path)));
}

void TTextReport::SpecialFileSkipped(const QString& path)
{
    WriteError(Printable(RunLogText::SpecialFileSkipped(path)));
}

void TTextReport::TimesNotKept(const QString& root)
{
    WriteError(Printable(RunLogText::TimesNotKept(root)));
}

void TTextReport::Analysed(const TRunDriver& run)
{
    if (ShowRows)
        PrintTree(run);
    constexpr qsizetype MostLines = 1000;
    for (const QString& line : RunLogText::SinceSyncLines(run.SinceSyncItems, MostLines))
        WriteLine(Printable(line));
}

TTextReport::Cells TTextReport::RowCells(const TRowVisit& visit) const
{
    const TResultRow& row = visit.Row;
    Cells cells;
    cells[0] = QString((visit.Depth + 1) * IndentWidth, QLatin1Char(' ')) + Printable(row.Name);
    if (row.Kind == ItemKind::Folder) {
        const QString folder = QStringLiteral("folder");
        cells[0] += QLatin1Char('/');
        cells[1] = StateText(visit.FolderState);
        cells[2] = cells[3] = cells[7] = cells[8] = folder;
        cells[4] = CountText(row.RtoLCount());
        cells[6] = CountText(row.LtoRCount());
        return cells;
    }
    cells[1] = StateText(row.State);
    cells[2] = RowText::DateText(row.LeftTime, Locale);
    cells[3] = RowText::SizeText(row.LeftSize, Locale);
    cells[5] = DirectionText(row);
    cells[7] = RowText::DateText(row.RightTime, Locale);
    cells[8] = RowText::SizeText(row.RightSize, Locale);
    return cells;
}

void TTextReport::PrintTree(const TRunDriver& run)
{
    const Cells header{
        QStringLiteral("Item"),   QStringLiteral("State"),  QStringLiteral("L Date"),
        QStringLiteral("L Size"), QStringLiteral("RtoL"),   QStringLiteral("Dir"),
        QStringLiteral("LtoR"),   QStringLiteral("R Date"), QStringLiteral("R Size")};
    Cells root;
    root[0] = Printable(run.RootRow->Name);
    root[4] = CountText(run.RootRow->RtoLCount());
    root[6] = CountText(run.RootRow->LtoRCount());

    // Two passes over the rows: the first measures the columns, the second
    // prints; nothing but the widths is kept in between.
    std::array<qsizetype, 9> widths{};
    const auto measure = [&](const Cells& cells) {
        for (size_t i = 0; i < cells.size(); ++i)
            widths[i] = qMax(widths[i], cells[i].size());
    };
    measure(header);
    measure(root);
    WalkRows(*run.RootRow, [&](const TRowVisit& visit) { measure(RowCells(visit)); });
    widths[0] = qMin<qsizetype>(widths[0], NameColumnLimit);

    const auto print = [&](const Cells& cells) {
        QString line;
        for (size_t i = 0; i < cells.size(); ++i) {
            if (i > 0)
                line += QStringLiteral("  ");
            // Sizes and counts right-aligned, the rest left-aligned.
            const bool right = i == 3 || i == 4 || i == 6 || i == 8;
            line += right ? cells[i].rightJustified(widths[i]) : cells[i].leftJustified(widths[i]);
        }
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        WriteLine(line);
    };
    print(header);
    print(root);
    WalkRows(*run.RootRow, [&](const TRowVisit& visit) { print(RowCells(visit)); });

    WriteLine(QString());
    WriteLine(QStringLiteral("Files compared: ") + QString::number(run.Totals.Files));
    WriteLine(RunLogText::ChangedOnLeft(run.Totals.LeftCount));
    WriteLine(RunLogText::ChangedOnRight(run.Totals.RightCount));
}

void TTextReport::FileHandled(const TFileReport& report)
{
    Bar.SetDone(report.Handled);
    Bar.SetCurrent(report.Source);
    if (report.Outcome == TFileReport::TOutcome::Copied)
        WriteCopied(report);
    else if (report.Outcome == TFileReport::TOutcome::SavedAway)
        WriteLine(Printable(RunLogText::FileSavedAway(report)));
    else
        WriteError(Printable(RunLogText::FileFailed(report, true)));
}

void TTextReport::Synced(const TRunDriver& run)
{
    WriteLine(RunLogText::SyncDone());
    WriteLine(RunLogText::SyncTotals(run.SyncErrorCount, run.SyncDoneCount));
    if (const qint64 left = run.ConflictsLeft(); left > 0)
        WriteError(RunLogText::ConflictsLeft(left));
}

void TTextReport::Close(const TRunDriver* run)
{
    Bar.Finish();
    FlushOut();
    if (run != nullptr && run->WasCancelled())
        WriteError(QStringLiteral("Stopped by Ctrl+C."));
}
