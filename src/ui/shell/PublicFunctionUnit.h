#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

// Public helpers shared by the windows and the engine. They need no widgets and
// are built into the core library.

// False when the name holds one of \ / : * ? > < |; true otherwise, also when empty.
bool IsValidFileName(const QString& name);
