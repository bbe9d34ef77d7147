#include "common/AsciiText.h"
#include "engine/FileNameText.h"

#include <QTest>

#include <vector>

// The ASCII runs are taken in blocks of 16 and 8 and the rest one by one: a
// character beyond ASCII at any place of texts of every length up to a few
// blocks must come out as Qt's converters make it.
class TestAsciiText : public QObject
{
    Q_OBJECT

    // Characters beyond ASCII, among them those whose 16-bit value packs into
    // a byte without its top bit (0x8000 and above saturate to zero), a pair
    // of surrogates and a byte-order mark.
    static std::vector<QString> Strangers()
    {
        return {QStringLiteral("\u0080"), QStringLiteral("\u00ff"),
                QStringLiteral("\u0100"), QStringLiteral("\u7fff"),
                QStringLiteral("\u8000"), QStringLiteral("\ufeff"),
                QStringLiteral("\uffff"), QString::fromUtf8("\xf0\x9f\x98\x80")};
    }

    static QString Text(qsizetype length, qsizetype at, const QString& stranger)
    {
        QString text;
        for (qsizetype i = 0; i < length; ++i)
            text += QChar(u'a' + char16_t(i % 26));
        if (at >= 0)
            text.insert(at, stranger);
        return text;
    }

private Q_SLOTS:
    void convertsAsQtDoes()
    {
        for (qsizetype length = 0; length <= 40; ++length) {
            for (qsizetype at = -1; at <= length; ++at) {
                for (const QString& stranger : Strangers()) {
                    const QString text = Text(length, at, stranger);
                    const QByteArray bytes = text.toUtf8();
                    QCOMPARE(AsciiText::Utf8(text), bytes);
                    QByteArray appended("x");
                    AsciiText::AppendUtf8(appended, text);
                    QCOMPARE(appended, QByteArray("x") + bytes);
                    // Decoded back, a byte-order mark stays wherever it stands.
                    QCOMPARE(TFileNameText::Decode(
                                 std::string_view(bytes.constData(), size_t(bytes.size()))),
                             text);
                    if (at < 0)
                        break;
                }
            }
        }
    }

    void stopsAtTheFirstCharacterBeyondAscii()
    {
        for (qsizetype at = 0; at <= 40; ++at) {
            const QString text = Text(40, at, QStringLiteral("\u00e9"));
            QByteArray narrow(text.size(), '?');
            QCOMPARE(AsciiText::Narrow(QStringView(text).utf16(), text.size(), narrow.data()), at);
            QCOMPARE(narrow.left(at), text.left(at).toLatin1());

            const QByteArray bytes = text.toUtf8();
            std::vector<char16_t> wide(size_t(bytes.size()), u'?');
            QCOMPARE(AsciiText::Widen(bytes.constData(), bytes.size(), wide.data()), at);
            QCOMPARE(QStringView(wide.data(), at), QStringView(text).left(at));
        }
    }
};

QTEST_GUILESS_MAIN(TestAsciiText)
#include "tst_asciitext.moc"
