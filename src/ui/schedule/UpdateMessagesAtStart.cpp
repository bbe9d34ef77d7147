#include "ui/schedule/UpdateMessages.h"

#include <QtGlobal>

// The desktop program answers the update check with message boxes from its first
// moment, so the quiet check at start-up can ask its question.
Q_CONSTRUCTOR_FUNCTION(InstallUpdateMessages)
