// The idle cost of watching two trees for changes: the folders watched, the
// memory the watch takes per folder, and the processor time it uses while
// nothing changes.
//
//     brenvale-watch-bench LEFT RIGHT [SECONDS]

#include "schedule/TreeWatch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

namespace {

// Resident memory of the process in bytes.
qint64 Resident()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * ::sysconf(_SC_PAGESIZE) : 0;
}

double ProcessorSeconds()
{
    struct rusage usage;
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3 && args.size() != 4) {
        QTextStream(stderr) << "usage: brenvale-watch-bench LEFT RIGHT [SECONDS]\n";
        return 2;
    }
    const int seconds = args.size() == 4 ? args[3].toInt() : 60;
    QTextStream out(stdout);
    TTreeWatch watch;
    const qint64 before = Resident();
    QElapsedTimer clock;
    clock.start();
    if (!watch.Start({args[1], args[2]})) {
        out << "the trees could not be watched: " << watch.Error << '\n';
        return 1;
    }
    const qint64 startMs = clock.elapsed();
    const qint64 after = Resident();
    const qint64 folders = watch.WatchedFolders();
    out << "folders watched: " << folders << " (set up in " << startMs << " ms)\n";
    out << QStringLiteral("memory of the watch: %1 bytes, %2 bytes per folder (target <= 100)\n")
               .arg(after - before)
               .arg(double(after - before) / double(std::max<qint64>(folders, 1)), 0, 'f', 1);
    out.flush();
    const double cpuBefore = ProcessorSeconds();
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    const double used = ProcessorSeconds() - cpuBefore;
    out << QStringLiteral("processor time while idle: %1 s in %2 s, %3 s per minute "
                          "(target < 0.1); changes seen: %4\n")
               .arg(used, 0, 'f', 4)
               .arg(seconds)
               .arg(used * 60.0 / seconds, 0, 'f', 4)
               .arg(watch.Changes());
    return 0;
}
