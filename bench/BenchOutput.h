#pragma once

// What the benchmark programs share: their output and the peak memory of the
// process.

#include <QTextStream>

#include <sys/resource.h>

inline QTextStream& Out()
{
    static QTextStream out(stdout);
    return out;
}

// The largest resident size the process has had, in KiB.
inline long PeakRssKiB()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}
