#include "common/PublicFunctionUnit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

class TestPublicFunctions : public QObject
{
    Q_OBJECT

    QTemporaryDir Config;

    QString SettingsPath() const
    {
        return Config.path() + QStringLiteral("/Brenvale/Brenvale.conf");
    }

    QByteArray Stored() const
    {
        QFile file(SettingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void Store(const QByteArray& text)
    {
        QFile::remove(SettingsPath());
        QFile file(SettingsPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Before any settings are opened: the settings' folder is read once.
        qputenv("XDG_CONFIG_HOME", Config.path().toUtf8());
        QVERIFY(QDir().mkpath(Config.path() + QStringLiteral("/Brenvale")));
    }

    void firstStartWritesTheDefaultsOnce()
    {
        QFile::remove(SettingsPath());
        MyRegistryInfo = TMyRegistryInfo();
        LoadRegistrySettings();
        QCOMPARE(MyRegistryInfo.CheckUpdate, false);
        QCOMPARE(MyRegistryInfo.len_up, 1);
        QCOMPARE(MyRegistryInfo.len_down, 6);
        QVERIFY(MyRegistryInfo.HelpURL.contains(QStringLiteral("brenvale.example")));
        QVERIFY(MyRegistryInfo.HomePage.contains(QStringLiteral("brenvale.example")));
        const QByteArray written = Stored();
        QVERIFY(written.contains("CheckUpdate=0"));
        QVERIFY(written.contains("len_down=6"));
        QVERIFY(!written.contains("Version"));
        // The order of the values as they were written.
        QVERIFY(written.indexOf("CheckUpdate") < written.indexOf("HelpURL"));
        QVERIFY(written.indexOf("HelpURL") < written.indexOf("HomePage"));

        // A later start with every value present writes nothing.
        const QDateTime modified = QFileInfo(SettingsPath()).lastModified();
        QTest::qSleep(1100);
        LoadRegistrySettings();
        QCOMPARE(QFileInfo(SettingsPath()).lastModified(), modified);
        QCOMPARE(Stored(), written);
    }

    void storedValuesAreReadAndNeverRewritten()
    {
        Store("[General]\nCheckUpdate=2\nHelpURL=http://help.example/\nlen_up=9\n");
        LoadRegistrySettings();
        QCOMPARE(MyRegistryInfo.CheckUpdate, true);
        QCOMPARE(MyRegistryInfo.HelpURL, QStringLiteral("http://help.example/"));
        QCOMPARE(MyRegistryInfo.len_up, 9);
        QCOMPARE(MyRegistryInfo.len_down, 6);
        const QByteArray stored = Stored();
        QVERIFY(stored.contains("CheckUpdate=2"));
        QVERIFY(stored.contains("HelpURL=http://help.example/"));
        QVERIFY(stored.contains("len_down=6"));
        QVERIFY(stored.contains("HomePage="));
    }

    void valuesOfAnotherKindReadAsDefaults()
    {
        Store("[General]\nCheckUpdate=yes\nHelpURL=h\nHomePage=p\nlen_up=many\nlen_down=\n");
        LoadRegistrySettings();
        QCOMPARE(MyRegistryInfo.CheckUpdate, false);
        QCOMPARE(MyRegistryInfo.len_up, 1);
        QCOMPARE(MyRegistryInfo.len_down, 6);
        const QByteArray stored = Stored();
        QVERIFY(stored.contains("CheckUpdate=yes"));
        QVERIFY(stored.contains("len_up=many"));
    }

    void logonUserNameIsTheEffectiveUsers()
    {
        const struct passwd* entry = ::getpwuid(::geteuid());
        QVERIFY(entry != nullptr);
        QCOMPARE(GetLogonUserName(), QString::fromLocal8Bit(entry->pw_name));
    }

    void parseDateTimeText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("expected");
        const QDateTime march7(QDate(2009, 3, 7), QTime(14, 5));
        QTest::newRow("dashes") << QStringLiteral("03-07-2009 14:05") << march7;
        QTest::newRow("slashes") << QStringLiteral("03/07/2009 14:05") << march7;
        QTest::newRow("any separators") << QStringLiteral("03x07y2009z14.05") << march7;
        QTest::newRow("longer text") << QStringLiteral("03-07-2009 14:05:59") << march7;
        QTest::newRow("month 13") << QStringLiteral("13-07-2009 14:05") << QDateTime();
        QTest::newRow("30 February") << QStringLiteral("02-30-2009 14:05") << QDateTime();
        QTest::newRow("hour 24") << QStringLiteral("03-07-2009 24:00") << QDateTime();
        QTest::newRow("blanks of a mask") << QStringLiteral("  -  -     :  ") << QDateTime();
        QTest::newRow("blank digit") << QStringLiteral("03-07-2009 1 :05") << QDateTime();
        QTest::newRow("too short") << QStringLiteral("03-07-2009") << QDateTime();
        QTest::newRow("empty") << QString() << QDateTime();
    }

    void parseDateTimeText()
    {
        QFETCH(QString, text);
        QFETCH(QDateTime, expected);
        const QDateTime parsed = ParseDateTimeText(text);
        QCOMPARE(parsed.isValid(), expected.isValid());
        if (expected.isValid())
            QCOMPARE(parsed, expected);
    }

    void fileNames()
    {
        QVERIFY(IsValidFileName(QString()));
        QVERIFY(IsValidFileName(QStringLiteral("say \"hi\"")));
        QVERIFY(IsValidFileName(QStringLiteral("résumé 2024.txt")));
        for (const char* bad : {"a|b", "a:b", "what?", "back\\slash", "a/b", "*", "<x", "x>"})
            QVERIFY2(!IsValidFileName(QString::fromLatin1(bad)), bad);
    }
};

QTEST_GUILESS_MAIN(TestPublicFunctions)
#include "tst_publicfunctions.moc"
