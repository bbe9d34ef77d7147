#pragma once

#include "engine/RunProgress.h"

#include <QString>
#include <QtGlobal>

class TProgressBar;
class TRunDriver;
class TSyncTask;

// What the runner tells about one analyze or sync command, as text or as JSON.
// Calls come in this order: Refused alone, or the run's progress reports and
// Analysed, then for a sync the reports of each file and Synced; Close always
// ends the report. Phases and counts go to the progress bar.
class TRunReport : public TRunProgress
{
public:
    explicit TRunReport(TProgressBar& progress) : Bar(progress) {}

    // The folders failed the check or could not be reached; text is the page's.
    virtual void Refused(const TSyncTask& job, const QString& text) = 0;
    virtual void Analysed(const TRunDriver& run) = 0;
    virtual void Synced(const TRunDriver& run) = 0;
    virtual void Close(const TRunDriver* run) = 0;

    void PhaseStarted(TRunPhase phase, qint64 total) override;
    void Progressed(qint64 done) override;
    // Said on standard error in both formats: the run itself is sound.
    void IncludeListLeftOutAll() override;
    void SyncStateUnreadable(const QString& reason) override;
    void SyncStateUnwritable(const QString& reason) override;

protected:
    TProgressBar& Bar;
};
