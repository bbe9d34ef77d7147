#include "MemoryCrontab.h"
#include "schedule/ScheduleTaskUnit.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

void SetWeekDays(std::initializer_list<int> days)
{
    std::fill(std::begin(ScheduleWeekDays), std::end(ScheduleWeekDays), 0);
    for (int day : days)
        ScheduleWeekDays[day] = 1;
}

// Does the cron field ("*", "3", "2,4") hold `value`?
bool FieldHolds(const QString& field, int value)
{
    return field == QStringLiteral("*") ||
           field.split(QLatin1Char(',')).contains(QString::number(value));
}

} // namespace

class TestScheduleTask : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void triggerAndCronFieldsForEveryKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("value");
        QTest::addColumn<QList<int>>("weekDays");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("dayMask");
        QTest::addColumn<quint32>("dayBits");
        QTest::addColumn<QString>("fields");
        QTest::newRow("daily every 3")
            << 0 << 3 << QList<int>{} << 1 << 3 << 0 << 0u << QStringLiteral("30 14 * * *");
        QTest::newRow("weekly Tue Thu")
            << 1 << 1 << QList<int>{1, 3} << 2 << 1 << 20 << 0u << QStringLiteral("30 14 * * 2,4");
        QTest::newRow("weekly no day is Monday")
            << 1 << 2 << QList<int>{} << 2 << 2 << 2 << 0u << QStringLiteral("30 14 * * 1");
        QTest::newRow("weekly Sat Sun")
            << 1 << 1 << QList<int>{5, 6} << 2 << 1 << 65 << 0u << QStringLiteral("30 14 * * 0,6");
        QTest::newRow("monthly 15")
            << 2 << 15 << QList<int>{} << 3 << 0 << 0 << 16384u << QStringLiteral("30 14 15 * *");
        QTest::newRow("monthly 1")
            << 2 << 1 << QList<int>{} << 3 << 0 << 0 << 1u << QStringLiteral("30 14 1 * *");
        QTest::newRow("monthly 31") << 2 << 31 << QList<int>{} << 3 << 0 << 0 << 1073741824u
                                    << QStringLiteral("30 14 31 * *");
    }
    void triggerAndCronFieldsForEveryKind()
    {
        QFETCH(int, kind);
        QFETCH(int, value);
        QFETCH(QList<int>, weekDays);
        std::fill(std::begin(ScheduleWeekDays), std::end(ScheduleWeekDays), 0);
        for (int day : weekDays)
            ScheduleWeekDays[day] = 1;
        const QDate today(2026, 12, 9);
        const TScheduleTrigger trigger =
            MakeScheduleTrigger(kind, value, QDateTime(today, QTime(14, 30, 59)), today);
        QFETCH(int, type);
        QFETCH(int, interval);
        QFETCH(int, dayMask);
        QFETCH(quint32, dayBits);
        QFETCH(QString, fields);
        QCOMPARE(trigger.TriggerType, type);
        QCOMPARE(trigger.Interval, interval);
        QCOMPARE(trigger.DaysOfTheWeek, dayMask);
        QCOMPARE(trigger.Days, dayBits);
        QCOMPARE(trigger.Months, kind == 2 ? 4095 : 0);
        QCOMPARE(trigger.Begin, today);
        QCOMPARE(trigger.StartHour * 100 + trigger.StartMinute, 1430);

        const QStringList lines =
            ScheduleCronLines(QStringLiteral("t"), trigger, QStringLiteral("/opt/b/brenvale"), {})
                .split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 3); // marker, command, and the final line break
        QVERIFY(lines[1].startsWith(fields + QLatin1Char(' ')));
        QVERIFY(lines[1].endsWith(QStringLiteral("'/opt/b/brenvale' -Scan >/dev/null 2>&1")));
        // The marker gives the same record back.
        const auto items =
            ScheduleItemsOf(lines.join(QLatin1Char('\n')), QStringLiteral("/opt/b/brenvale"));
        QCOMPARE(items.size(), 1);
        QVERIFY(items[0].Trigger == trigger);
    }

    // The command line as cron runs it, day by day through a simulated year: a fake
    // `date` gives the day, a fake executable (its path with blanks and quotes) notes
    // each start. Every 3 days and every 2 weeks must fall exactly.
    void intervalsAreExactOverASimulatedYear_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("interval");
        QTest::newRow("every 3 days") << 0 << 3;
        QTest::newRow("every 2 weeks on Tue Thu") << 1 << 2;
        QTest::newRow("every week on Tue Thu") << 1 << 1;
    }
    void intervalsAreExactOverASimulatedYear()
    {
        QFETCH(int, kind);
        QFETCH(int, interval);
        QTemporaryDir dir;
        const QString bin = dir.path() + QStringLiteral("/bin");
        const QString folder = dir.path() + QStringLiteral("/it's \"my\" $HOME %d");
        QVERIFY(QDir().mkpath(bin) && QDir().mkpath(folder));
        auto script = [](const QString& path, const QByteArray& body) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("#!/bin/sh\n" + body);
            file.close();
            file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        };
        script(bin + QStringLiteral("/date"),
               "if [ \"$1\" = +%F ]; then echo \"$FAKE_DAY\"; else exec /bin/date \"$@\"; fi\n");
        const QString executable = folder + QStringLiteral("/bren vale");
        script(executable, "echo \"$PWD|$DISPLAY|$*\" >> \"$MARK\"\n");

        SetWeekDays({1, 3});
        const QDate begin(2026, 12, 10); // a Thursday
        const TScheduleTrigger trigger =
            MakeScheduleTrigger(kind, interval, QDateTime(begin, QTime(8, 5)), begin);
        const QString mark = dir.path() + QStringLiteral("/ran");
        const QString line =
            ScheduleCronLines(QStringLiteral("n"), trigger, executable,
                              {QStringLiteral("DISPLAY=:7"), QStringLiteral("MARK=") + mark})
                .section(QLatin1Char('\n'), 1, 1);
        const QStringList fields = line.split(QLatin1Char(' ')).mid(0, 5);
        QString command = line.section(QLatin1Char(' '), 5);
        command.replace(QStringLiteral("\\%"), QStringLiteral("%")); // as cron passes it on

        int starts = 0;
        for (QDate day = begin; day < begin.addYears(1); day = day.addDays(1)) {
            const int cronDay = day.dayOfWeek() % 7;
            if (!FieldHolds(fields[2], day.day()) || !FieldHolds(fields[4], cronDay))
                continue;
            QFile::remove(mark);
            QProcess shell;
            QProcessEnvironment environment;
            environment.insert(QStringLiteral("PATH"), bin + QStringLiteral(":/usr/bin:/bin"));
            environment.insert(QStringLiteral("FAKE_DAY"), day.toString(Qt::ISODate));
            shell.setProcessEnvironment(environment);
            shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
            QVERIFY(shell.waitForFinished());
            const qint64 days = begin.daysTo(day);
            const bool expected = kind == 0
                                      ? days % interval == 0
                                      : (day.dayOfWeek() == 2 || day.dayOfWeek() == 4) &&
                                            ((days + begin.dayOfWeek() - 1) / 7) % interval == 0;
            QFile ran(mark);
            QCOMPARE(ran.exists(), expected);
            if (expected) {
                ++starts;
                QVERIFY(ran.open(QIODevice::ReadOnly));
                QCOMPARE(QString::fromUtf8(ran.readAll()).trimmed(),
                         folder + QStringLiteral("|:7|-Scan"));
            }
        }
        QVERIFY(starts >= (kind == 0 ? 122 : 52));
    }

    void createListAndDeleteKeepOtherLines()
    {
        TMemoryCrontab crontab;
        const QString other = QStringLiteral("MAILTO=\"\"\n0 3 * * * /usr/bin/backup\n"
                                             "# Brenvale task x %2Fother%2Fbrenvale 1 "
                                             "2026-01-01 01:00 1 0 0 0\n5 1 * * * '/other'\n");
        crontab.Text = other.chopped(1); // no final line break
        SetScheduleExecutablePath(QStringLiteral("/opt/brenvale/brenvale"));
        const QString name = QStringLiteral("my \"night\" it's; $(run) %d");
        QVERIFY(CreateScheduleTask(name, 0, 1, QDateTime::currentDateTime()).Succeeded());
        QCOMPARE(CreateScheduleTask(name, 2, 5, QDateTime::currentDateTime()).Code,
                 TScheduleResult::Refused);
        QVERIFY(CreateScheduleTask(QStringLiteral("second"), 2, 5, QDateTime::currentDateTime())
                    .Succeeded());
        QVERIFY(crontab.Text.startsWith(other));
        QVERIFY(!crontab.Text.contains(QStringLiteral("$(run)")));

        QList<TScheduleItem> items;
        QVERIFY(LoadScheduleList(items).Succeeded());
        QCOMPARE(items.size(), 2);
        QCOMPARE(items[0].Name, name);
        QCOMPARE(items[1].Trigger.TriggerType, TASK_TIME_TRIGGER_MONTHLYDATE);
        // Another path of the same program lists nothing of these.
        SetScheduleExecutablePath(QStringLiteral("/opt/Brenvale/brenvale"));
        QVERIFY(LoadScheduleList(items).Succeeded());
        QVERIFY(items.isEmpty());
        QCOMPARE(DeleteScheduleTask(name).Code, TScheduleResult::Refused);

        SetScheduleExecutablePath(QStringLiteral("/opt/brenvale/brenvale"));
        QVERIFY(DeleteScheduleTask(name).Succeeded());
        QVERIFY(DeleteScheduleTask(QStringLiteral("second")).Succeeded());
        QCOMPARE(crontab.Text, other);
        QCOMPARE(DeleteScheduleTask(QStringLiteral("second")).Code, TScheduleResult::Refused);

        crontab.Fail = QStringLiteral("crontab: not found");
        const TScheduleResult result = LoadScheduleList(items);
        QCOMPARE(result.Code, TScheduleResult::Unavailable);
        QCOMPARE(result.Error, crontab.Fail);
        SetScheduleExecutablePath(QString());
    }

    // The real crontab of a user made for this test.
    void realCrontabOfATestUser()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to make a user and reach its crontab");
        if (QStandardPaths::findExecutable(QStringLiteral("crontab")).isEmpty())
            QSKIP("the crontab command (Debian's cron) is not installed");
        const QString user = QStringLiteral("brvtest%1").arg(::getpid() % 100000);
        QCOMPARE(QProcess::execute(QStringLiteral("useradd"), {user}), 0);
        const TCrontab previous = InstallCrontab(SystemCrontab(user));
        SetScheduleExecutablePath(QStringLiteral("/opt/brenvale/brenvale"));
        SetWeekDays({0, 4});
        const bool created = CreateScheduleTask(QStringLiteral("06-27-2008_143005"), 1, 2,
                                                QDateTime::currentDateTime())
                                 .Succeeded();
        QList<TScheduleItem> items;
        const TScheduleResult listed = LoadScheduleList(items);
        const bool deleted = DeleteScheduleTask(QStringLiteral("06-27-2008_143005")).Succeeded();
        QList<TScheduleItem> after;
        (void)LoadScheduleList(after);
        InstallCrontab(previous);
        SetScheduleExecutablePath(QString());
        QProcess::execute(QStringLiteral("crontab"),
                          {QStringLiteral("-u"), user, QStringLiteral("-r")});
        QProcess::execute(QStringLiteral("userdel"), {user});

        QVERIFY(created);
        QVERIFY2(listed.Succeeded(), qPrintable(listed.Error));
        QCOMPARE(items.size(), 1);
        QCOMPARE(items[0].Trigger.DaysOfTheWeek, 2 | 32);
        QVERIFY(deleted);
        QVERIFY(after.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestScheduleTask)
#include "tst_scheduletask.moc"
