// brenvale-cli: analyses and synchronises Brenvale's jobs without a display.
#include "cli/CliCommands.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("brenvale-cli"));
    return RunCli(QCoreApplication::arguments().mid(1));
}
