#pragma once

#include <QString>

#include <functional>

// Asks the system to power the computer off, as a run's "shut down after" asks.
// The request goes to systemd's logind through `systemctl poweroff`, or to the
// command in BRENVALE_POWEROFF_COMMAND when set (tests of the real executable);
// tests in the process install a handler instead. The system ends the program
// without asking it, so the caller saves what it must first.
namespace PowerOff {

// Starts the request; false when it could not be started.
bool Request();

// Puts a handler in place of the system's power-off (nullptr: the system's
// again). Returns the one replaced.
using THandler = std::function<bool()>;
THandler Install(THandler handler);

} // namespace PowerOff
