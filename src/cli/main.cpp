// brenvale-cli: analyses and synchronises Brenvale's jobs without a display.
#include "cli/CliCommands.h"

#include <QCoreApplication>

#include <malloc.h>

int main(int argc, char* argv[])
{
    // One heap for all threads: the rows the runner builds on this thread then
    // take the room the analysis's threads give back, rather than the heap
    // growing beside theirs. The runner's threads allocate little while they
    // copy, so they do not wait on each other for it.
    mallopt(M_ARENA_MAX, 1);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("brenvale-cli"));
    return RunCli(QCoreApplication::arguments().mid(1));
}
