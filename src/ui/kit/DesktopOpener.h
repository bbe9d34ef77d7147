#pragma once

#include <QString>
#include <QUrl>

#include <functional>

// Opens a file, a folder or a web address with the desktop's default handler
// (the file's program, a folder window, the browser). Tests install a handler
// in its place, so that nothing is opened for real.
namespace DesktopOpener {

// A local path or a web address; false when the desktop could not open it.
bool Open(const QString& pathOrAddress);

using THandler = std::function<bool(const QUrl&)>;
// Puts a handler in place of the desktop (nullptr: the desktop again). Returns
// the one replaced.
THandler Install(THandler handler);

} // namespace DesktopOpener
