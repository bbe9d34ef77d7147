#include "rows/RowText.h"

#include "RowTrees.h"
#include "engine/UResultRow.h"
#include "jobs/PackedDateTime.h"
#include "rows/NameOrder.h"

#include <QTest>

using namespace RowText;

namespace {

qint32 Packed(int year, int month, int day, int hour, int minute, int second)
{
    return PackedDateTime::FromFields(year, month, day, hour, minute, second);
}

} // namespace

class TestRowText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dates_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<qint32>("time");
        QTest::addColumn<QString>("text");

        const QLocale c = QLocale::c();
        const QLocale german(QLocale::German, QLocale::Germany);
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("no file") << c << qint32(-1) << "not seen before";
        QTest::newRow("deleted file") << c << qint32(0) << "not seen before";
        QTest::newRow("2000 itself") << c << qint32(2000) << "not seen before";
        QTest::newRow("C afternoon") << c << Packed(2024, 3, 5, 14, 7, 8) << "5 Mar 2024 14:07:08";
        QTest::newRow("C midnight") << c << Packed(2024, 3, 5, 0, 0, 0) << "5 Mar 2024";
        QTest::newRow("C two seconds past midnight")
            << c << Packed(2024, 3, 5, 0, 0, 2) << "5 Mar 2024 00:00:02";
        QTest::newRow("German") << german << Packed(2009, 12, 31, 23, 59, 58)
                                << "31.12.09 23:59:58";
        QTest::newRow("US") << us << Packed(2024, 3, 5, 14, 7, 8) << "3/5/24 2:07:08 PM";
    }

    void dates()
    {
        QFETCH(QLocale, locale);
        QFETCH(qint32, time);
        QFETCH(QString, text);
        QCOMPARE(DateText(time, locale), text);
    }

    void sizes_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("text");

        const QLocale c = QLocale::c();
        const QLocale german(QLocale::German, QLocale::Germany);
        QTest::newRow("empty file") << c << qint64(0) << "not present";
        QTest::newRow("no file") << c << qint64(-1) << "not present";
        QTest::newRow("one byte") << c << qint64(1) << "1";
        QTest::newRow("below a thousand") << c << qint64(999) << "999";
        QTest::newRow("C groups") << c << qint64(1234567) << "1,234,567";
        QTest::newRow("German groups") << german << qint64(1234567) << "1.234.567";
        QTest::newRow("beyond 32 bits") << c << qint64(5000000000) << "5,000,000,000";
    }

    void sizes()
    {
        QFETCH(QLocale, locale);
        QFETCH(qint64, size);
        QFETCH(QString, text);
        QCOMPARE(SizeText(size, locale), text);
    }

    // One root row, one folder and two files, every column of each.
    void cells()
    {
        const QLocale c = QLocale::c();
        const auto root = MakeRootRow(QStringLiteral("Photos job"));
        root->SetCounts(3, 0);
        TResultRow& folder = *AddFolderRow(*root, QStringLiteral("2024"));
        folder.SetCounts(0, 1200);
        TResultRow& file = *folder.AddChild();
        file.Name = QStringLiteral("a.jpg");
        file.LeftTime = Packed(2024, 3, 5, 0, 0, 0);
        file.LeftSize = 0;
        file.RightTime = -1;
        file.RightSize = 1234567;
        TResultRow& other = *folder.AddChild();
        other.LeftTime = Packed(2024, 3, 5, 14, 7, 8);
        other.RightTime = 0;

        const QStringList rootTexts{
            QStringLiteral("Photos job"), {}, {}, QStringLiteral("3"), {}, {}, {}, {}, {}, {}};
        const QString f = QStringLiteral("folder");
        const QStringList folderTexts{QStringLiteral("2024"), f, f, {}, {}, {}, {},
                                      QStringLiteral("1200"), f, f};
        const QStringList fileTexts{QStringLiteral("a.jpg"),
                                    QStringLiteral("5 Mar 2024"),
                                    QStringLiteral("not present"),
                                    {},
                                    {},
                                    {},
                                    {},
                                    {},
                                    QStringLiteral("not seen before"),
                                    QStringLiteral("1,234,567")};
        for (int column = 0; column < Column::Count; ++column) {
            QCOMPARE(CellText(*root, true, column, c), rootTexts[column]);
            QCOMPARE(CellText(folder, false, column, c), folderTexts[column]);
            QCOMPARE(CellText(file, false, column, c), fileTexts[column]);
        }
        QCOMPARE(CellText(other, false, Column::LeftDate, c),
                 QStringLiteral("5 Mar 2024 14:07:08"));
        QCOMPARE(CellText(other, false, Column::RightDate, c), QStringLiteral("not seen before"));
        // Counters of file rows stay empty, whatever the fields hold.
        other.SetCounts(5, 0);
        QCOMPARE(CellText(other, false, Column::RtoLCount, c), QString());
        QCOMPARE(CellText(file, false, Column::Count, c), QString());
    }

    // Names in the order a file manager lists them; every pair has one order.
    void namesInFileManagerOrder()
    {
        QStringList names{QStringLiteral("f10"),  QStringLiteral("F9"),    QStringLiteral("f9"),
                          QStringLiteral("f009"), QStringLiteral("a.txt"), QStringLiteral("B.txt"),
                          QStringLiteral("f1x"),  QStringLiteral("f1"),    QStringLiteral("é"),
                          QStringLiteral("f9 2"), QStringLiteral("f9 10")};
        std::sort(names.begin(), names.end(),
                  [](const QString& a, const QString& b) { return NameOrder::Before(a, b); });
        QCOMPARE(names, (QStringList{
                            QStringLiteral("a.txt"), QStringLiteral("B.txt"), QStringLiteral("f1"),
                            QStringLiteral("f1x"), QStringLiteral("F9"), QStringLiteral("f009"),
                            QStringLiteral("f9"), QStringLiteral("f9 2"), QStringLiteral("f9 10"),
                            QStringLiteral("f10"), QStringLiteral("é")}));
        for (const QString& a : names) {
            QVERIFY(!NameOrder::Before(a, a));
            for (const QString& b : names)
                QVERIFY(a == b || NameOrder::Before(a, b) != NameOrder::Before(b, a));
        }
    }
};

QTEST_GUILESS_MAIN(TestRowText)
#include "tst_rowtext.moc"
