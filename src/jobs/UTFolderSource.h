#pragma once

#include <QString>
#include <QtGlobal>

// Where a job side's root folder lies (TFolderSource::DeviceType). A side with any
// value but LocalFolder is neither checked, scanned nor browsable; the task list
// keeps the value as it is.
namespace SideDevice {
constexpr qint32 None = 0;
// A folder reached through the file system.
constexpr qint32 LocalFolder = 1;
} // namespace SideDevice

// One side of a sync job: where its root folder lies and the account data the
// task list keeps for it.
class TFolderSource
{
public:
    // A SideDevice code.
    qint32 DeviceType = SideDevice::None;
    // Full path of the side's root folder as chosen; may end with a separator.
    QString FolerAllName;
    qint32 validate = 0;
    QString UserName;
    QString PWD;
    qint32 ActiveMode = 0;
    qint32 FactTime = 0;
    QString PrivateKey;
};
