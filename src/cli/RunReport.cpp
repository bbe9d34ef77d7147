#include "cli/RunReport.h"

#include "cli/ProgressBar.h"
#include "run/RunLogText.h"

#include <QTextStream>

void TRunReport::PhaseStarted(TRunPhase phase, qint64 total)
{
    switch (phase) {
    case TRunPhase::Scanning:
        Bar.StartPhase(QStringLiteral("Scanning"), total);
        break;
    case TRunPhase::Comparing:
        Bar.StartPhase(QStringLiteral("Comparing"), total);
        break;
    case TRunPhase::Syncing:
        Bar.StartPhase(QStringLiteral("Syncing"), total);
        break;
    }
}

void TRunReport::Progressed(qint64 done)
{
    Bar.SetDone(done);
}

void TRunReport::SyncStateUnreadable(const QString& reason)
{
    Bar.Clear();
    QTextStream(stderr) << RunLogText::SyncStateUnreadable(reason) << '\n';
}

void TRunReport::SyncStateUnwritable(const QString& reason)
{
    Bar.Clear();
    QTextStream(stderr) << RunLogText::SyncStateUnwritable(reason) << '\n';
}

void TRunReport::IncludeListLeftOutAll()
{
    Bar.Clear();
    QTextStream(stderr) << "No file matches the include list: every file is left out\n";
}
