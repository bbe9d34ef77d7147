#include "update/DMUnit.h"

TDM::TDM(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("DM"));
    // When MyRegistryInfo.CheckUpdate is on, the quiet update check runs here. The
    // update check is added here later; for now the data module does no network work.
}
