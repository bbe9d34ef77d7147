#include "engine/FileNameText.h"

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
    // UTF-8 never takes fewer bytes than UTF-16 units.
    qsizetype room = 0;
    for (std::string_view name : names)
        room += qsizetype(name.size()) + 1;
    QString block(room, Qt::Uninitialized);
    QChar* at = block.data();
    for (std::string_view name : names) {
        QChar* const end = DecodeInto(at, name);
        // Each name ends in a zero, as a text of its own would.
        *end = QChar(0);
        // A copy of the block's pointer takes a reference to the block.
        QString::DataPointer part(block.data_ptr());
        part.setBegin(reinterpret_cast<char16_t*>(at));
        part.size = end - at;
        texts.emplace_back(std::move(part));
        at = end + 1;
    }
}

QChar* TFileNameText::DecodeInto(QChar* out, std::string_view bytes)
{
    QStringDecoder decoder = NameDecoder();
    return decoder.appendToBuffer(out, QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}
