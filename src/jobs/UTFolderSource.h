#pragma once

#include <QString>
#include <QtGlobal>

// One side of a sync job: where its root folder lies and the account data the
// task list keeps for it.
class TFolderSource
{
public:
    // 1 = a folder reached through the file system. Any other value: the side is
    // neither checked, scanned nor browsable.
    qint32 DeviceType = 0;
    // Full path of the side's root folder as chosen; may end with a separator.
    QString FolerAllName;
    qint32 validate = 0;
    QString UserName;
    QString PWD;
    qint32 ActiveMode = 0;
    qint32 FactTime = 0;
    QString PrivateKey;
};
