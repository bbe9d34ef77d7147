#pragma once

#include <QString>

// The help document, "help/index.html": the one in the data folder when there is
// one (a copy the user keeps there), else the one beside the executable, where the
// build and the installation put it. The data folder's path when neither exists.
QString HelpDocumentPath();
