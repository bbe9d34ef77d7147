#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QtGlobal>

// A one-line progress bar on standard error while a run goes on: the phase, a bar,
// items done of the total and the current file. It shows only when standard error
// is a terminal; otherwise every call does nothing. Redraws are limited to a few
// per second, whatever the rate of reports.
class TProgressBar : public QObject
{
    Q_OBJECT

public:
    TProgressBar();
    ~TProgressBar() override;

    bool IsShown() const { return Enabled; }

    // A new phase; total 0 means not known yet (the bar then shows the time spent).
    void StartPhase(const QString& phase, qint64 total);
    void SetDone(qint64 done);
    void SetCurrent(const QString& item);
    // Removes the line, e.g. before other output goes to the same terminal; the
    // next report draws it again.
    void Clear();
    // Removes the line for good.
    void Finish();

private:
    void Draw(bool force);
    int Columns() const;

    bool Enabled = false;
    bool Drawn = false;
    bool Finished = false;
    QString Phase;
    QString Current;
    qint64 Total = 0;
    qint64 Done = 0;
    QElapsedTimer PhaseClock;
    QElapsedTimer SinceDraw;
    QTimer Tick;
};
