#include "schedule/AutostartEntry.h"
#include "schedule/ScheduleSentence.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestScheduleSentence : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sentenceForEveryKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("interval");
        QTest::addColumn<QList<int>>("days");
        QTest::addColumn<QString>("sentence");
        const QString date = QLocale::c().toString(QDate(2026, 12, 9), QLocale::ShortFormat);
        QTest::newRow("daily") << 0 << 1 << QList<int>{}
                               << QStringLiteral("At 09:15:37 every day, starting ") + date;
        QTest::newRow("every 3 days")
            << 0 << 3 << QList<int>{}
            << QStringLiteral("At 09:15:37 every 3 days, starting ") + date;
        QTest::newRow("weekly Mon Fri")
            << 1 << 1 << QList<int>{0, 4}
            << QStringLiteral("At 09:15:37 every Mon,Fri of every week, starting ") + date;
        QTest::newRow("every 2 weeks Tue")
            << 1 << 2 << QList<int>{1}
            << QStringLiteral("At 09:15:37 every Tue of every 2 weeks, starting ") + date;
        QTest::newRow("weekly no day")
            << 1 << 1 << QList<int>{}
            << QStringLiteral("At 09:15:37 every  of every week, starting ") + date;
        QTest::newRow("monthly day 1")
            << 2 << 1 << QList<int>{}
            << QStringLiteral("At 09:15:37 on day 1 of every month, starting ") + date;
    }
    void sentenceForEveryKind()
    {
        QFETCH(int, kind);
        QFETCH(int, interval);
        QFETCH(QList<int>, days);
        QFETCH(QString, sentence);
        TScheduleChoice choice;
        choice.Kind = kind;
        choice.StartTime = QTime(9, 15, 37);
        choice.DayInterval = choice.WeekInterval = interval;
        for (int day : days)
            choice.WeekDays[day] = 1;
        QCOMPARE(ScheduleSentence(choice, QDate(2026, 12, 9), QLocale::c()), sentence);
    }

    void longTimeHasNoTimeZone()
    {
        const QString us =
            LongTimeText(QTime(14, 30), QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY2(us.startsWith(QStringLiteral("2:30:00")) && us.endsWith(QStringLiteral("PM")),
                 qPrintable(us));
        QCOMPARE(LongTimeText(QTime(14, 30), QLocale(QLocale::German)), QStringLiteral("14:30:00"));
    }

    void autostartEntryNamesTheExactPath()
    {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        const QString exe = QStringLiteral("/opt/brenvale/brenvale");
        const QString entry = config.path() + QStringLiteral("/autostart/brenvale.desktop");
        QCOMPARE(AutostartEntry::Path(exe), entry);
        QVERIFY(!AutostartEntry::IsOn(exe));
        QVERIFY(AutostartEntry::Set(exe, true));
        QVERIFY(AutostartEntry::IsOn(exe));
        QFile file(entry);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY(text.startsWith(QStringLiteral("[Desktop Entry]\n")));
        QVERIFY(text.contains(QStringLiteral("\nExec=/opt/brenvale/brenvale\n")));
        QVERIFY(text.contains(QStringLiteral("\nType=Application\n")));
        // Another letter case, or the same program elsewhere, is not this executable.
        QVERIFY(!AutostartEntry::IsOn(QStringLiteral("/opt/Brenvale/brenvale")));
        QVERIFY(AutostartEntry::Set(exe, false));
        QVERIFY(!QFile::exists(entry));
        QVERIFY(AutostartEntry::Set(exe, false));

        // A path with blanks and quotes goes into Exec quoted and reads back exactly.
        const QString odd = QStringLiteral("/home/a b/it's \"x\"$/brenvale");
        QVERIFY(AutostartEntry::Set(odd, true));
        QVERIFY(AutostartEntry::IsOn(odd));
        QVERIFY(!AutostartEntry::IsOn(QStringLiteral("/home/a b/it's \"x\"/brenvale")));
        qunsetenv("XDG_CONFIG_HOME");
    }
};

QTEST_GUILESS_MAIN(TestScheduleSentence)
#include "tst_schedulesentence.moc"
