#include "run/FolderValidation.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace FolderValidation;

class TestFolderValidation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void validates_data()
    {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("right");
        QTest::addColumn<qint32>("result");

        QTest::newRow("letter case differs") << "/srv/Data"
                                             << "/srv/data" << Valid;
        QTest::newRow("same parent, longer name") << "/srv/Data"
                                                  << "/srv/Data2" << Valid;
        QTest::newRow("siblings") << "/home/ann/a"
                                  << "/home/ann/b" << Valid;
        QTest::newRow("right inside left") << "/srv/Data"
                                           << "/srv/Data/Sub" << NestedFolders;
        QTest::newRow("left inside right") << "/srv/Data/Sub/x"
                                           << "/srv/Data" << NestedFolders;
        QTest::newRow("root holds everything") << "/"
                                               << "/home" << NestedFolders;
        QTest::newRow("separator at the end") << "/srv/Data/"
                                              << "/srv/Data/Sub" << NestedFolders;
        QTest::newRow("equal") << "/srv/Data"
                               << "/srv/Data" << SameFolders;
        QTest::newRow("equal but for the last separator") << "/srv/Data"
                                                          << "/srv/Data/" << SameFolders;
        QTest::newRow("equal once cleaned") << "/srv//Data/."
                                            << "/srv/Data" << SameFolders;
        QTest::newRow("blanks") << "   "
                                << "/srv/Data" << EmptyFolder;
        QTest::newRow("right empty") << "/srv/Data"
                                     << "" << EmptyFolder;
        QTest::newRow("both empty") << ""
                                    << "" << EmptyFolder;
        // A name that merely contains the other path is no nesting: a backup of a
        // tree kept under the same path below another root is common.
        QTest::newRow("same path below a backup root") << "/home/ann/data"
                                                       << "/backup/home/ann/data" << Valid;
        QTest::newRow("prefix of a name only") << "/srv/data"
                                               << "/srv/data2/x" << Valid;
        QTest::newRow("relative inside absolute")
            << "data" << QDir::current().absoluteFilePath(QStringLiteral("data/sub"))
            << NestedFolders;
    }

    void validates()
    {
        QFETCH(QString, left);
        QFETCH(QString, right);
        QFETCH(qint32, result);
        QCOMPARE(ValidateFolders(left, right), result);
        QCOMPARE(ValidateFolders(right, left), result);
    }

    // Links are followed where the folders exist: one folder reached by two names,
    // or a link that leads one side into the other, would copy a tree into itself.
    void linksAreResolved()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString data = temp.filePath(QStringLiteral("data"));
        QVERIFY(QDir().mkpath(data + QStringLiteral("/sub")));
        QVERIFY(QDir().mkpath(temp.filePath(QStringLiteral("other"))));
        const QString alias = temp.filePath(QStringLiteral("alias"));
        const QString inner = temp.filePath(QStringLiteral("inner"));
        QVERIFY(QFile::link(data, alias));
        QVERIFY(QFile::link(data + QStringLiteral("/sub"), inner));

        QCOMPARE(ValidateFolders(data, alias), SameFolders);
        QCOMPARE(ValidateFolders(alias, data + QStringLiteral("/")), SameFolders);
        QCOMPARE(ValidateFolders(data, inner), NestedFolders);
        QCOMPARE(ValidateFolders(inner, alias), NestedFolders);
        QCOMPARE(ValidateFolders(alias, temp.filePath(QStringLiteral("other"))), Valid);
        // A side that does not exist yet is judged by its text alone.
        QCOMPARE(ValidateFolders(alias, temp.filePath(QStringLiteral("new"))), Valid);
    }

    void texts()
    {
        QCOMPARE(ValidationText(SameFolders),
                 QStringLiteral("Left and right folders are the same"));
        QCOMPARE(ValidationText(NestedFolders), QStringLiteral("Cannot Analyze nested folders."));
        QCOMPARE(ValidationText(EmptyFolder), QStringLiteral("Folders is empty."));
        QVERIFY(ValidationText(Valid).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestFolderValidation)
#include "tst_foldervalidation.moc"
