#include "run/RunLogText.h"

#include "common/AsciiText.h"
#include "engine/RunProgress.h"
#include "engine/UFileOper.h"
#include "engine/UResultRow.h"

#include <array>

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

QString ChangedOnBothSides(const QString& path)
{
    return QStringLiteral("Changed on both sides since the last sync: ") + path;
}

QString DeletedSinceSync(const QString& path, qint32 side)
{
    return (side == 1 ? QStringLiteral("Deleted on the left since the last sync: ")
                      : QStringLiteral("Deleted on the right since the last sync: ")) +
           path;
}

QStringList SinceSyncLines(const std::vector<TSyncVerdicts::TMarked>& items, qsizetype limit)
{
    QStringList lines;
    for (const TSyncVerdicts::TMarked& item : items) {
        if (lines.size() == limit) {
            lines.append(QStringLiteral("... and %1 more changed on both sides or deleted "
                                        "since the last sync")
                             .arg(qsizetype(items.size()) - limit));
            break;
        }
        const QString path = QString::fromStdString(item.Path);
        if (item.Marks & SyncMark::Conflict)
            lines.append(ChangedOnBothSides(path));
        else
            lines.append(DeletedSinceSync(path, (item.Marks & SyncMark::DeletedLeft) ? 1 : 2));
    }
    return lines;
}

QString ConflictsLeft(qint64 count)
{
    return QStringLiteral("Conflicts left for you to decide: ") + QString::number(count);
}

QString SyncStateUnwritable(const QString& reason)
{
    return QStringLiteral("The record of the last sync could not be written: ") + reason;
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

namespace {

// The parts of a copied file's line, in order, between which its paths and
// date stand: one text for both forms of the line.
std::array<QStringView, 8> CopiedParts(const TFileReport& report, QStringView day)
{
    const bool toRight = report.Direction == SyncDirection::LeftToRight;
    const QString& source = toRight ? report.LeftPath : report.RightPath;
    const QString& target = toRight ? report.RightPath : report.LeftPath;
    return {u"Move the file ",
            report.Source,
            u" : ",
            source,
            u" -> ",
            target,
            u" Succeeded,time: ",
            day};
}

qsizetype SizeOf(const std::array<QStringView, 8>& parts)
{
    qsizetype size = 0;
    for (QStringView part : parts)
        size += part.size();
    return size;
}

} // namespace

QString FileCopied(const TFileReport& report, const QString& day)
{
    const std::array<QStringView, 8> parts = CopiedParts(report, day);
    QString line;
    line.reserve(SizeOf(parts));
    for (QStringView part : parts)
        line.append(part);
    return line;
}

void AppendFileCopied(QByteArray& out, const TFileReport& report, QStringView day)
{
    const std::array<QStringView, 8> parts = CopiedParts(report, day);
    // Room for the line if it is all ASCII, as it mostly is.
    const qsizetype start = out.size();
    out.resize(start + SizeOf(parts));
    char* at = out.data() + start;
    for (QStringView part : parts) {
        const qsizetype ascii = AsciiText::Narrow(part.utf16(), part.size(), at);
        if (ascii < part.size()) {
            out.truncate(start);
            for (QStringView whole : parts)
                AsciiText::AppendUtf8(out, whole);
            return;
        }
        at += ascii;
    }
}

QString FileSavedAway(const TFileReport& report)
{
    const bool rightKept = report.Direction == SyncDirection::LeftToRight;
    return (rightKept
                ? QStringLiteral("Deleted on the left since the last sync, kept in __Save__: ")
                : QStringLiteral("Deleted on the right since the last sync, kept in __Save__: ")) +
           report.Source + QStringLiteral(" -> ") +
           (rightKept ? report.RightPath : report.LeftPath);
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
