#pragma once

#include <QByteArray>
#include <QStringView>

// Names and paths are mostly ASCII throughout. Qt's converters between UTF-8
// and UTF-16 take a call and a setup per text, which for short texts costs
// more than the characters: these take the ASCII run at a text's start a
// block at a time and leave only the rest to Qt's converters.
namespace AsciiText {

// Writes the ASCII bytes at the start of `in` to `out` as UTF-16 units and
// returns how many it wrote: all `size`, or those before the first byte that
// is not ASCII.
qsizetype Widen(const char* in, qsizetype size, char16_t* out);
// The same from UTF-16 units to bytes.
qsizetype Narrow(const char16_t* in, qsizetype size, char* out);
// Appends the text to `out` in UTF-8, as QString::toUtf8 encodes it.
void AppendUtf8(QByteArray& out, QStringView text);
// The text in UTF-8, as QString::toUtf8 encodes it.
QByteArray Utf8(QStringView text);

} // namespace AsciiText
