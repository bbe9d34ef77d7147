#pragma once

#include <QStringList>

// Exit status of brenvale-cli.
namespace ExitCode {
constexpr int Done = 0;
// Some files could not be copied, or folders or names could not be read.
constexpr int Failures = 1;
// Bad usage, an unknown job or an unreadable task list.
constexpr int Usage = 2;
// The folders failed the check or could not be reached.
constexpr int Refused = 3;
// Stopped by Ctrl+C (128 + SIGINT, as shells report it).
constexpr int Interrupted = 130;
} // namespace ExitCode

#include <QString>

class TRunDriver;

// Why the driver's last analysis did not take place.
QString RefusalText(const TRunDriver& run);

// The exit status for the last run of the driver (analysis, and sync when
// it took place).
int RunOutcome(const TRunDriver& run);

// Runs the command that the arguments (without the program name) ask for and
// returns the exit status.
int RunCli(const QStringList& arguments);
