#include "cli/JsonReport.h"

#include "cli/JsonText.h"
#include "cli/ProgressBar.h"
#include "cli/RowWalk.h"
#include "engine/UFileOper.h"
#include "jobs/PackedDateTime.h"
#include "jobs/UTSyncTask.h"
#include "run/RunDriver.h"
#include "run/RunLogText.h"

#include <cstdio>

using JsonText::Quote;

namespace {

QString List(const QStringList& texts)
{
    QString out = QStringLiteral("[");
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (i > 0)
            out += QStringLiteral(", ");
        out += Quote(texts[i]);
    }
    return out + QLatin1Char(']');
}

QString ResultName(TFileReport::TOutcome result)
{
    if (result == TFileReport::TOutcome::Copied)
        return QStringLiteral("copied");
    if (result == TFileReport::TOutcome::ReadFailed)
        return QStringLiteral("read_error");
    if (result == TFileReport::TOutcome::SavedAway)
        return QStringLiteral("kept_in_save");
    return QStringLiteral("write_error");
}

// The side that deleted the file since the last sync.
const char* DeletedOn(quint8 marks)
{
    if (marks & SyncMark::DeletedLeft)
        return "\"left\"";
    if (marks & SyncMark::DeletedRight)
        return "\"right\"";
    return "null";
}

} // namespace

TJsonReport::TJsonReport(bool withSync, TProgressBar& progress)
    : TRunReport(progress), WithSync(withSync), Out(stdout)
{
}

void TJsonReport::Refused(const TSyncTask& job, const QString& text)
{
    RefusedJob = &job;
    RefusedText = text;
    Bar.Clear();
    QTextStream(stderr) << text << '\n';
}

void TJsonReport::FolderUnreadable(const QString& path, const QString& reason)
{
    Bar.Clear();
    QTextStream(stderr) << RunLogText::UnreadableFolder(path, reason) << '\n';
}

void TJsonReport::FolderLinkSkipped(const QString& path)
{
    Bar.Clear();
    QTextStream(stderr) << "Not followed: folder link " << path << '\n';
}

void TJsonReport::SpecialFileSkipped(const QString& path)
{
    Bar.Clear();
    QTextStream(stderr) << "Not copied, not a regular file: " << path << '\n';
}

void TJsonReport::TimesNotKept(const QString& root)
{
    Bar.Clear();
    QTextStream(stderr) << "The target does not keep modification times: " << root << '\n';
}

void TJsonReport::Analysed(const TRunDriver&) {}

void TJsonReport::FileHandled(const TFileReport& report)
{
    Bar.SetDone(report.Handled);
    Bar.SetCurrent(report.Source);
    if (report.Row == nullptr)
        return;
    Outcomes[report.Row] = Outcome{report.Outcome, report.Error};
}

void TJsonReport::Synced(const TRunDriver&) {}

void TJsonReport::WriteHead(const TSyncTask& job)
{
    Out << "{\n  \"job\": " << Quote(job.SyncName)
        << ",\n  \"left\": " << Quote(job.LFolder.FolerAllName)
        << ",\n  \"right\": " << Quote(job.RFolder.FolerAllName);
}

QString TJsonReport::Side(qint32 time, qint64 size) const
{
    // No file on this side: the scan gives no time (-1), a delete 0.
    if (time == PackedDateTime::None || time == 0)
        return QStringLiteral("null");
    const QDateTime moment = PackedDateTime::ToDateTime(time);
    const QString timeText = moment.isValid()
                                 ? Quote(moment.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")))
                                 : QStringLiteral("null");
    return QStringLiteral("{\"time\": ") + timeText + QStringLiteral(", \"size\": ") +
           QString::number(size) + QLatin1Char('}');
}

void TJsonReport::WriteRow(const TRowVisit& visit, bool first)
{
    const TResultRow& row = visit.Row;
    Out << (first ? "\n    " : ",\n    ") << "{\"path\": " << Quote(visit.Path);
    if (row.Kind == ItemKind::Folder) {
        Out << ", \"folder\": true, \"state\": " << visit.FolderState
            << ", \"left_count\": " << row.RtoLCount() << ", \"right_count\": " << row.LtoRCount()
            << '}';
        return;
    }
    Out << ", \"state\": " << row.State << ", \"direction\": " << row.Direction
        << ", \"left\": " << Side(row.LeftTime, row.LeftSize)
        << ", \"right\": " << Side(row.RightTime, row.RightSize)
        << ", \"conflict\": " << ((row.SinceSync & SyncMark::Conflict) ? "true" : "false")
        << ", \"deleted_on\": " << DeletedOn(row.SinceSync);
    const auto outcome = Outcomes.find(&row);
    if (outcome != Outcomes.end()) {
        Out << ", \"result\": " << Quote(ResultName(outcome->second.Result));
        if (!outcome->second.Error.isEmpty())
            Out << ", \"error\": " << Quote(outcome->second.Error);
    }
    Out << '}';
}

void TJsonReport::WriteRows(const TRunDriver& run)
{
    Out << ",\n  \"rows\": [";
    bool first = true;
    WalkRows(*run.RootRow, [&](const TRowVisit& visit) {
        WriteRow(visit, first);
        first = false;
    });
    Out << (first ? "]" : "\n  ]");
}

void TJsonReport::Close(const TRunDriver* run)
{
    Bar.Finish();
    if (RefusedJob != nullptr) {
        WriteHead(*RefusedJob);
        Out << ",\n  \"error\": " << Quote(RefusedText) << "\n}\n";
        Out.flush();
        return;
    }
    if (run == nullptr || !run->RootRow)
        return;
    WriteHead(*run->Job());
    QStringList unreadable;
    for (const QString& folder : run->UnreadableFolders)
        unreadable.append(SyncPath::WithoutLastSeparator(folder));
    const TRunDriver::TTotals& totals = run->Totals;
    Out << ",\n  \"totals\": {\"files\": " << totals.Files
        << ", \"left_count\": " << totals.LeftCount << ", \"right_count\": " << totals.RightCount
        << ", \"conflicts\": " << run->SinceSync.Conflicts
        << "},\n  \"unreadable\": " << List(unreadable)
        << ",\n  \"bad_names\": " << List(run->BadNames)
        << ",\n  \"folder_links\": " << List(run->FolderLinks)
        << ",\n  \"special_files\": " << List(run->SpecialFiles)
        << ",\n  \"cancelled\": " << (run->WasCancelled() ? "true" : "false");
    WriteRows(*run);
    if (WithSync && run->Synced) {
        Out << ",\n  \"sync\": {\"done\": " << run->SyncDoneCount
            << ", \"errors\": " << run->SyncErrorCount << ", \"failed\": " << List(run->FailedFiles)
            << ", \"conflicts_left\": " << run->ConflictsLeft();
        // Only where it happened: the documents of other runs stay as they were.
        if (!run->TimesNotKept.isEmpty())
            Out << ", \"times_not_kept\": " << List(run->TimesNotKept);
        Out << '}';
    }
    Out << "\n}\n";
    Out.flush();
}
