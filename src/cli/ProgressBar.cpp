#include "cli/ProgressBar.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>

namespace {

constexpr int RedrawIntervalMs = 100;
constexpr int BarWidth = 24;

void WriteToTerminal(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

} // namespace

TProgressBar::TProgressBar() : Enabled(::isatty(STDERR_FILENO) == 1)
{
    // While a phase has no total (a scan) nothing reports: the tick keeps the
    // elapsed time moving.
    Tick.setInterval(250);
    connect(&Tick, &QTimer::timeout, this, [this] { Draw(true); });
}

TProgressBar::~TProgressBar()
{
    Finish();
}

void TProgressBar::StartPhase(const QString& phase, qint64 total)
{
    if (!Enabled || Finished)
        return;
    Phase = phase;
    Total = total;
    Done = 0;
    Current.clear();
    PhaseClock.start();
    Tick.start();
    Draw(true);
}

void TProgressBar::SetDone(qint64 done)
{
    if (!Enabled)
        return;
    Done = done;
    Draw(false);
}

void TProgressBar::SetCurrent(const QString& item)
{
    if (!Enabled)
        return;
    Current = item;
    Draw(false);
}

void TProgressBar::Clear()
{
    if (!Enabled || !Drawn)
        return;
    WriteToTerminal("\r\033[K");
    Drawn = false;
}

void TProgressBar::Finish()
{
    Clear();
    Tick.stop();
    Finished = true;
}

int TProgressBar::Columns() const
{
    struct winsize size;
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

void TProgressBar::Draw(bool force)
{
    if (!Enabled || Finished || Phase.isEmpty())
        return;
    if (!force && Drawn && SinceDraw.isValid() && SinceDraw.elapsed() < RedrawIntervalMs)
        return;
    SinceDraw.start();

    QString line = Phase;
    if (Total > 0) {
        const qint64 shown = qMin(Done, Total); // a count past the total shows a full bar
        const int filled = int(shown * BarWidth / Total);
        line += QStringLiteral(" [") + QString(filled, QLatin1Char('#')) +
                QString(BarWidth - filled, QLatin1Char('.')) + QStringLiteral("] ") +
                QString::number(shown) + QLatin1Char('/') + QString::number(Total);
    } else {
        line += QStringLiteral(" %1 s").arg(PhaseClock.elapsed() / 1000);
    }
    if (!Current.isEmpty())
        line += QStringLiteral("  ") + Current;

    // One terminal line: anything longer would wrap and leave lines behind.
    const int room = Columns() - 1;
    if (line.size() > room)
        line = line.left(qMax(0, room - 3)) + QStringLiteral("...");
    for (QChar& c : line) {
        if (c.unicode() < 32)
            c = QLatin1Char('?');
    }
    WriteToTerminal("\r\033[K" + line.toUtf8());
    Drawn = true;
}
