#pragma once

#include "cli/RunReport.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <unordered_map>

class TProgressBar;
class TResultRow;
struct TRowVisit;

// The runner's JSON output: one document on standard output when the command
// ends, written piece by piece. Problems also go to standard error as one line
// each, so that a script that ignores the document still sees them.
class TJsonReport : public TRunReport
{
public:
    TJsonReport(bool withSync, TProgressBar& progress);

    void Refused(const TSyncTask& job, const QString& text) override;
    void FolderUnreadable(const QString& path, const QString& reason) override;
    void FolderLinkSkipped(const QString& path) override;
    void SpecialFileSkipped(const QString& path) override;
    void TimesNotKept(const QString& root) override;
    void Analysed(const TRunDriver& run) override;
    void FileHandled(const TFileReport& report) override;
    void Synced(const TRunDriver& run) override;
    void Close(const TRunDriver* run) override;

private:
    struct Outcome
    {
        TFileReport::TOutcome Result;
        QString Error;
    };

    void WriteHead(const TSyncTask& job);
    void WriteRows(const TRunDriver& run);
    void WriteRow(const TRowVisit& visit, bool first);
    QString Side(qint32 time, qint64 size) const;

    bool WithSync;
    QTextStream Out;
    QString RefusedText;
    const TSyncTask* RefusedJob = nullptr;
    // What the sync did with each file row it handled.
    std::unordered_map<const TResultRow*, Outcome> Outcomes;
};
