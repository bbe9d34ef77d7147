#include "run/RunLogText.h"

#include "engine/RunProgress.h"
#include "engine/UFileOper.h"
#include "engine/UResultRow.h"

#include <QDate>

namespace RunLogText {

QString AnalysisStarted()
{
    return QStringLiteral("Loading Files: ");
}

QString ComparingStarted(qint64 total)
{
    return QStringLiteral("Start to analyze files, files total: ") + QString::number(total);
}

QString ConnectFailed(qint32 side)
{
    return side == 1 ? QStringLiteral("Cann't connect the left folder!")
                     : QStringLiteral("Cann't connect the right folder!");
}

QString UnreadableFolder(const QString& path, const QString& reason)
{
    QString text = QStringLiteral("Cannot read the folder ") + SyncPath::WithoutLastSeparator(path);
    if (!reason.isEmpty())
        text += QStringLiteral(": ") + reason;
    return text;
}

QString NameUnreadable(const QString& path)
{
    return QStringLiteral("Left out, the name is not valid UTF-8: ") + path;
}

QString FolderLinkSkipped(const QString& path)
{
    return QStringLiteral("Not followed: folder link ") + path;
}

QString IncludeListLeftOutAll()
{
    return QStringLiteral("No file matches the include list: every file is left out");
}

QString SyncStateUnreadable(const QString& reason)
{
    return QStringLiteral("The record of the last sync could not be read: ") + reason;
}

QString AnalysisDone()
{
    return QStringLiteral("Files loading done");
}

QString ChangedOnLeft(qint64 count)
{
    return QStringLiteral("Changed files in the left folders: ") + QString::number(count);
}

QString ChangedOnRight(qint64 count)
{
    return QStringLiteral("Changed files in the right folders: ") + QString::number(count);
}

QString SpecialFileSkipped(const QString& path)
{
    return QStringLiteral("Not copied, not a regular file: ") + path;
}

QString TimesNotKept(const QString& root)
{
    return QStringLiteral("The target does not keep modification times: ") + root;
}

QString FileCopied(const TFileReport& report)
{
    const bool toRight = report.Direction == SyncDirection::LeftToRight;
    const QString& source = toRight ? report.LeftPath : report.RightPath;
    const QString& target = toRight ? report.RightPath : report.LeftPath;
    return QStringLiteral("Move the file ") + report.Source + QStringLiteral(" : ") + source +
           QStringLiteral(" -> ") + target + QStringLiteral(" Succeeded,time: ") +
           QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
}

QString FileFailed(const TFileReport& report, bool withReadReason)
{
    if (report.Outcome == TFileReport::TOutcome::ReadFailed)
        return report.Source + QStringLiteral(" File reading error!! ") +
               (withReadReason ? report.Error : QString());
    return report.Source + QStringLiteral(" File writing error!! ") + report.Error;
}

QString SyncCancelled(qint64 notCopied, qint64 listed)
{
    return QStringLiteral("The sync was cancelled: %1 of the %2 listed files were not copied.")
        .arg(notCopied)
        .arg(listed);
}

QString SyncDone()
{
    return QStringLiteral("Sync Done!");
}

QString SyncTotals(qint64 errors, qint64 copied)
{
    return QStringLiteral("Total numbers of error files : ") + QString::number(errors) +
           QStringLiteral(" ; Total numbers of synched files : ") + QString::number(copied);
}

} // namespace RunLogText
