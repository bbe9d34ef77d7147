#pragma once

#include <QString>
#include <QtGlobal>

class TFileSync;
class TJobRun;
class TSyncTask;

// What the runner tells about one analyze or sync command, as text or as JSON.
// Calls come in this order: Refused alone, or Analysed, then for a sync
// FileHandled per file and Synced; Close always ends the report.
class TRunReport
{
public:
    virtual ~TRunReport() = default;

    // The folders failed the check or could not be reached; text is the page's.
    virtual void Refused(const TSyncTask& job, const QString& text) = 0;
    virtual void Analysed(const TJobRun& run) = 0;
    virtual void FileHandled(const TFileSync& sync, qint64 result, qint64 direction) = 0;
    virtual void Synced(const TJobRun& run) = 0;
    virtual void Close(const TJobRun* run) = 0;
};
