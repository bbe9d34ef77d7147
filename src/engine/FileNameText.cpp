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

QChar* TFileNameText::DecodeInto(QChar* out, std::string_view bytes)
{
    QStringDecoder decoder = NameDecoder();
    return decoder.appendToBuffer(out, QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}
