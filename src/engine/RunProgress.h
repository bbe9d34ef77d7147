#pragma once

#include "engine/UFileOper.h"

#include <QString>
#include <QtGlobal>

class TResultRow;

// The phases of a run, in the order an analysis and a sync go through them.
enum class TRunPhase
{
    Scanning,
    Comparing,
    Syncing
};

// One file row handled by a sync run.
struct TFileReport
{
    enum class TOutcome
    {
        Copied,
        ReadFailed,
        WriteFailed,
        // The file of the target side, deleted on the other side since the last
        // sync, went into "__Save__" there: Source is the file, and the target
        // side's path its kept version.
        SavedAway
    };

    TOutcome Outcome = TOutcome::Copied;
    // File rows handled so far in this run, this one included.
    qint32 Handled = 0;
    // The direction the file was copied in (1 right to left, 2 left to right).
    qint32 Direction = 0;
    // The file that was read; for a copied file also both paths as they now are.
    QString Source;
    QString LeftPath;
    QString RightPath;
    // Why the file failed, for logs that want more than the fixed texts.
    QString Error;
    TResultRow* Row = nullptr;
};

// What a run tells the one who started it: the comparison page and the
// command-line runner each implement it. Every call comes on the thread that
// started the run, while the worker waits, so a row named in a call is not
// touched by the run meanwhile. The defaults ignore the call.
class TRunProgress
{
public:
    virtual ~TRunProgress() = default;

    // A phase starts; total 0 when it is not known (the comparison of two empty
    // trees also starts with 0).
    virtual void PhaseStarted(TRunPhase, qint64 /*total*/) {}
    // Items of the current phase done so far.
    virtual void Progressed(qint64 /*done*/) {}
    // A side could not be reached: 1 the left, 2 the right. The analysis ends
    // without a result.
    virtual void ConnectFailed(qint32 /*side*/) {}
    // A folder that could not be listed completely; nothing below it is copied.
    // reason: the system's, empty when unknown.
    virtual void FolderUnreadable(const QString& /*path*/, const QString& /*reason*/) {}
    // An item left out because its name is not valid UTF-8.
    virtual void NameUnreadable(const QString& /*path*/) {}
    // A link to a folder, not followed: what it leads to is left out of the run.
    virtual void FolderLinkSkipped(const QString& /*path*/) {}
    // The job's include list left out every file there was to compare: no name
    // matches any of its patterns. Comes before AnalysisFinished.
    virtual void IncludeListLeftOutAll() {}
    // An item that is no file or folder (FIFO, socket, device, a link that
    // leads nowhere): never copied. Told for information, not as a failure.
    virtual void SpecialFileSkipped(const QString& /*path*/) {}
    // The file system below a root did not keep the times given to the copies:
    // told once per root and run, since the next analysis will find those files
    // changed again.
    virtual void TimesNotKept(const QString& /*root*/) {}
    // The record of the last sync of the two folders could not be read, for
    // the reason given: the analysis took the folders as met for the first
    // time. Comes before AnalysisFinished.
    virtual void SyncStateUnreadable(const QString& /*reason*/) {}
    // The record could not be written, for the reason given: the next
    // analysis will know less of what changed since. After the analysis or
    // the sync that tried, before its end is reported.
    virtual void SyncStateUnwritable(const QString& /*reason*/) {}
    // One file row of a sync was handled.
    virtual void FileHandled(const TFileReport&) {}
    // The sync visited this many more rows (folders included), in tree order:
    // a view may follow the run by as many lines.
    virtual void RowsVisited(qint32 /*count*/) {}
    // A copied row got its new paths and pictures: a view may repaint it.
    virtual void RowCopied(TResultRow&) {}
    // The run ended, also after a cancel or an unreachable side.
    virtual void AnalysisFinished() {}
    virtual void SyncFinished() {}
};
