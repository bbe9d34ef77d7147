#pragma once

#include "cli/RunReport.h"
#include "common/DayText.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QLocale>
#include <QStringList>
#include <QTextStream>

#include <array>

class TProgressBar;
struct TRowVisit;

// The runner's text output: the result tree with the page's cell texts after an
// analysis, the page's log lines during a sync, problems on standard error.
class TTextReport : public TRunReport
{
public:
    // showRows: print the tree (analyze) rather than only the problems (sync).
    TTextReport(bool showRows, TProgressBar& progress);

    void Refused(const TSyncTask& job, const QString& text) override;
    void FolderUnreadable(const QString& path, const QString& reason) override;
    void NameUnreadable(const QString& path) override;
    void FolderLinkSkipped(const QString& path) override;
    void SpecialFileSkipped(const QString& path) override;
    void TimesNotKept(const QString& root) override;
    void Analysed(const TRunDriver& run) override;
    void FileHandled(const TFileReport& report) override;
    void Synced(const TRunDriver& run) override;
    void Close(const TRunDriver* run) override;

    // Item, State, L Date, L Size, RtoL, Dir, LtoR, R Date, R Size.
    using Cells = std::array<QString, 9>;

private:
    void PrintTree(const TRunDriver& run);
    Cells RowCells(const TRowVisit& visit) const;
    void WriteLine(const QString& line);
    void WriteCopied(const TFileReport& report);
    void EndLine();
    void FlushOut();
    void WriteError(const QString& line);

    bool ShowRows;
    QLocale Locale;
    // Standard output's lines in UTF-8 not written yet.
    QByteArray OutBytes;
    QTextStream Err;
    QElapsedTimer SinceFlush;
    TDayText Today;
};
