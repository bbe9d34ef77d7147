#pragma once

#include "engine/SyncVerdicts.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <vector>

struct TFileReport;

// The lines a run writes to its log, the same on the page and in the runner's
// text report. The page shows them as they are; the runner escapes control
// characters in them first.
namespace RunLogText {

// The analysis
QString AnalysisStarted();
QString ComparingStarted(qint64 total);
// side: 1 the left, 2 the right.
QString ConnectFailed(qint32 side);
QString UnreadableFolder(const QString& path, const QString& reason);
QString NameUnreadable(const QString& path);
QString FolderLinkSkipped(const QString& path);
QString IncludeListLeftOutAll();
// The record of the last sync could not be read, for the reason given.
QString SyncStateUnreadable(const QString& reason);
// The record of the last sync could not be written, for the reason given.
QString SyncStateUnwritable(const QString& reason);
// A pair changed on both sides since the last sync (path below the roots).
QString ChangedOnBothSides(const QString& path);
// A file deleted on a side (1 the left, 2 the right) since the last sync and
// still present on the other.
QString DeletedSinceSync(const QString& path, qint32 side);
// The lines of an analysis's conflicts and deletions, in the order given: at
// most `limit`, then one that counts the rest.
QStringList SinceSyncLines(const std::vector<TSyncVerdicts::TMarked>& items, qsizetype limit);
// Conflicts that no side wins: the sync leaves them to the user.
QString ConflictsLeft(qint64 count);
QString AnalysisDone();
QString ChangedOnLeft(qint64 count);
QString ChangedOnRight(qint64 count);

// The sync
QString SpecialFileSkipped(const QString& path);
QString TimesNotKept(const QString& root);
// "Move the file …" with both paths and the day's date ("yyyyMMdd").
QString FileCopied(const TFileReport& report, const QString& day);
// The same line in UTF-8, appended to `out`: for a writer of many lines that
// needs no text of them.
void AppendFileCopied(QByteArray& out, const TFileReport& report, QStringView day);
// A file deleted on the other side since the last sync, kept in "__Save__".
QString FileSavedAway(const TFileReport& report);
// The failed file and what failed; the system's reason follows a failed write,
// and a failed read too when withReadReason is set (the page leaves it out).
QString FileFailed(const TFileReport& report, bool withReadReason);
QString SyncCancelled(qint64 notCopied, qint64 listed);
QString SyncDone();
QString SyncTotals(qint64 errors, qint64 copied);

} // namespace RunLogText
