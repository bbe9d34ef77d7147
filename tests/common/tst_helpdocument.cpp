#include "common/HelpDocument.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

// Where Quick Start looks for the help document: the data folder's copy, the one
// beside the executable (the build's), then the installed one in share/brenvale/
// next to the executable's folder.
class TestHelpDocument : public QObject
{
    Q_OBJECT

    QTemporaryDir Data;
    // The test program's folder stands in for an installation's bin/.
    QString Installed;

    static void Write(const QString& path)
    {
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<html></html>");
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(Data.isValid());
        qputenv("BRENVALE_HOME", Data.path().toLocal8Bit());
        Installed = QCoreApplication::applicationDirPath() +
                    QStringLiteral("/../share/brenvale/help/index.html");
        QVERIFY(!QFileInfo::exists(QCoreApplication::applicationDirPath() +
                                   QStringLiteral("/help/index.html")));
    }

    void cleanupTestCase()
    {
        const QString share = QCoreApplication::applicationDirPath() + QStringLiteral("/../share");
        QDir(share + QStringLiteral("/brenvale")).removeRecursively();
        QDir().rmdir(share);
    }

    void NoneIsTheDataFolders()
    {
        QCOMPARE(HelpDocumentPath(), Data.path() + QStringLiteral("/help/index.html"));
    }

    void TheInstalledOneIsFound()
    {
        Write(Installed);
        QCOMPARE(HelpDocumentPath(), QFileInfo(Installed).canonicalFilePath());
    }

    void TheDataFoldersCopyComesFirst()
    {
        const QString own = Data.path() + QStringLiteral("/help/index.html");
        Write(own);
        QCOMPARE(HelpDocumentPath(), own);
    }
};

QTEST_GUILESS_MAIN(TestHelpDocument)
#include "tst_helpdocument.moc"
