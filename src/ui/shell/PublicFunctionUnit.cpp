#include "ui/shell/PublicFunctionUnit.h"

bool IsValidFileName(const QString& name)
{
    static const char forbidden[] = {'\\', '/', ':', '*', '?', '>', '<', '|'};
    for (char c : forbidden) {
        if (name.contains(QLatin1Char(c)))
            return false;
    }
    return true;
}
