#include "engine/FileNameText.h"

#include "common/AsciiText.h"

#include <QStringDecoder>

namespace {

// Stateless: a name never continues the one before it.
QStringDecoder NameDecoder()
{
    return QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                    QStringDecoder::Flag::ConvertInitialBom);
}

} // namespace

QString TFileNameText::Decode(std::string_view bytes)
{
    QString text(qsizetype(bytes.size()), Qt::Uninitialized);
    QChar* end = DecodeInto(text.data(), bytes);
    text.truncate(qsizetype(end - text.constData()));
    return text;
}

void TFileNameText::DecodeSharing(const std::vector<std::string_view>& names,
                                  std::vector<QString>& texts)
{
    texts.clear();
    texts.reserve(names.size());
    DecodeSharing(names, [&texts](size_t, QString&& text) { texts.push_back(std::move(text)); });
}

QString TFileNameText::SharedBlock(const std::vector<std::string_view>& names)
{
    qsizetype room = 0;
    for (std::string_view name : names)
        room += qsizetype(name.size()) + 1;
    return QString(room, Qt::Uninitialized);
}

QString TFileNameText::ShareOf(const QString& block, QChar* begin, QChar* end)
{
    // Each name ends in a zero, as a text of its own would.
    *end = QChar(0);
    // A copy of the block's pointer takes a reference to the block.
    QString::DataPointer part(block.data_ptr());
    part.setBegin(reinterpret_cast<char16_t*>(begin));
    part.size = end - begin;
    return QString(std::move(part));
}

QChar* TFileNameText::DecodeInto(QChar* out, std::string_view bytes)
{
    const auto size = qsizetype(bytes.size());
    const qsizetype ascii = AsciiText::Widen(bytes.data(), size, reinterpret_cast<char16_t*>(out));
    if (ascii == size)
        return out + ascii;
    // The rest begins with a byte beyond ASCII; a byte-order mark there is
    // kept, as at the name's start.
    QStringDecoder decoder = NameDecoder();
    return decoder.appendToBuffer(out + ascii, QByteArrayView(bytes.data() + ascii, size - ascii));
}
