#include "common/HelpDocument.h"

#include "common/DataFolder.h"

#include <QCoreApplication>
#include <QFileInfo>

QString HelpDocumentPath()
{
    const QString document = QStringLiteral("/help/index.html");
    const QString inDataFolder = DataFolder::Path() + document;
    if (QFileInfo::exists(inDataFolder))
        return inDataFolder;
    const QString besideExecutable = QCoreApplication::applicationDirPath() + document;
    if (QFileInfo::exists(besideExecutable))
        return besideExecutable;
    // An installation keeps the programs in bin/ and their files in share/brenvale/.
    const QString installed =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../share/brenvale") + document;
    if (QFileInfo::exists(installed))
        return QFileInfo(installed).canonicalFilePath();
    return inDataFolder;
}
