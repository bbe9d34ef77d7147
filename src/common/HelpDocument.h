#pragma once

#include <QString>

// The help document, "help/index.html": the one in the data folder when there is
// one (a copy the user keeps there), else the one beside the executable, where the
// build puts it, else the installed one in share/brenvale/ next to the bin/ folder
// of the executable. The data folder's path when none exists.
QString HelpDocumentPath();
