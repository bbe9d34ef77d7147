#pragma once

#include <QString>

// "Run at start-up": an XDG autostart entry, $XDG_CONFIG_HOME/autostart/<executable's
// file name>.desktop, that starts the executable. The setting is on when the entry
// exists and its Exec names the executable's full path exactly.
namespace AutostartEntry {

QString Path(const QString& executable);
bool IsOn(const QString& executable);
// Writes the entry (on) or removes it (off); false when that fails.
bool Set(const QString& executable, bool on);

} // namespace AutostartEntry
