#include "jobs/PackedDateTime.h"

#include <QTest>

#include <cstdlib>
#include <ctime>

using namespace PackedDateTime;

class TestPackedDateTime : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // A zone with summer time, so that the shifts are exercised.
        qputenv("TZ", "Europe/Berlin");
        tzset();
    }

    void packsFields_data()
    {
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<qint32>("packed");
        QTest::newRow("2008-01-01") << QDateTime(QDate(2008, 1, 1), QTime(0, 0))
                                    << qint32((28 << 25) | (1 << 21) | (1 << 16));
        QTest::newRow("odd second rounds down")
            << QDateTime(QDate(2009, 3, 7), QTime(14, 5, 13))
            << qint32((29 << 25) | (3 << 21) | (7 << 16) | (14 << 11) | (5 << 5) | 6);
        QTest::newRow("first moment") << QDateTime(QDate(1980, 1, 1), QTime(0, 0)) << Earliest;
        QTest::newRow("before 1980 clamps")
            << QDateTime(QDate(1970, 1, 2), QTime(3, 4)) << Earliest;
        QTest::newRow("last positive moment")
            << QDateTime(QDate(2043, 12, 31), QTime(23, 59, 59)) << Latest;
        QTest::newRow("after 2043 clamps") << QDateTime(QDate(2107, 6, 1), QTime(1, 0)) << Latest;
        QTest::newRow("invalid") << QDateTime() << None;
    }

    void packsFields()
    {
        QFETCH(QDateTime, time);
        QFETCH(qint32, packed);
        QCOMPARE(FromDateTime(time), packed);
        if (time.isValid())
            QCOMPARE(FromPosixTime(time.toSecsSinceEpoch()), packed);
    }

    void orderFollowsTime()
    {
        const qint32 early = FromDateTime(QDateTime(QDate(2020, 5, 1), QTime(10, 0)));
        const qint32 late = FromDateTime(QDateTime(QDate(2043, 1, 1), QTime(0, 0)));
        QVERIFY(early > 0);
        QVERIFY(late > early);
        QVERIFY(Latest > late);
    }

    void unpacksToTheSameMoment()
    {
        const QDateTime summer(QDate(2024, 7, 15), QTime(8, 30, 42));
        const qint32 packed = FromDateTime(summer);
        QCOMPARE(ToDateTime(packed), summer);
        QCOMPARE(ToPosixTime(packed).value(), summer.toSecsSinceEpoch());
        const QDateTime winter(QDate(2024, 1, 15), QTime(23, 59, 58));
        QCOMPARE(ToPosixTime(FromDateTime(winter)).value(), winter.toSecsSinceEpoch());
    }

    void impossibleFieldsUnpackToNothing()
    {
        QVERIFY(!ToDateTime(None).isValid());
        QVERIFY(!ToPosixTime(None).has_value());
        const qint32 month13 = (30 << 25) | (13 << 21) | (1 << 16);
        QVERIFY(!ToDateTime(month13).isValid());
        QVERIFY(!ToPosixTime(month13).has_value());
        QVERIFY(!ToDateTime(0).isValid()); // day 0, month 0
        // A negative value other than -1 is a year from 2044 on and still unpacks.
        const qint32 year2100 = qint32((quint32(120) << 25) | (2 << 21) | (3 << 16));
        QCOMPARE(ToDateTime(year2100).date(), QDate(2100, 2, 3));
    }

    void posixCacheFollowsSecondsAndMinutes()
    {
        const qint64 base = QDateTime(QDate(2021, 3, 28), QTime(1, 59, 0)).toSecsSinceEpoch();
        // 02:00 does not exist on that day in Berlin: the next minute is 03:00.
        for (qint64 s = base; s < base + 125; ++s) {
            const QDateTime expected = QDateTime::fromSecsSinceEpoch(s);
            QCOMPARE(FromPosixTime(s), FromDateTime(expected));
            // And back, through the other direction's memory of the minute.
            QCOMPARE(ToPosixTime(FromPosixTime(s)), std::optional<qint64>(s - s % 2));
        }
        QCOMPARE(ToDateTime(FromPosixTime(base + 60)).time(), QTime(3, 0));
    }
};

QTEST_GUILESS_MAIN(TestPackedDateTime)
#include "tst_packeddatetime.moc"
