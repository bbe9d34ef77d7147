#include "common/AsciiText.h"

#include <QStringEncoder>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace AsciiText {

qsizetype Widen(const char* in, qsizetype size, char16_t* out)
{
    qsizetype i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= size; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        if (_mm_movemask_epi8(bytes) != 0)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(bytes, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(bytes, zero));
    }
    // Names are short: their last part is taken eight at a time too.
    if (i + 8 <= size) {
        const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + i));
        if (_mm_movemask_epi8(bytes) == 0) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(bytes, zero));
            i += 8;
        }
    }
#endif
    for (; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(in[i]);
        if (byte >= 0x80)
            break;
        out[i] = byte;
    }
    return i;
}

qsizetype Narrow(const char16_t* in, qsizetype size, char* out)
{
    qsizetype i = 0;
#if defined(__SSE2__)
    // Packing saturates as signed 16-bit values, so the units above ASCII are
    // looked for before it.
    const __m128i high = _mm_set1_epi16(short(0xff80));
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= size; i += 16) {
        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i + 8));
        const __m128i above = _mm_and_si128(_mm_or_si128(first, second), high);
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(above, zero)) != 0xffff)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(first, second));
    }
    if (i + 8 <= size) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(units, high), zero)) == 0xffff) {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(units, units));
            i += 8;
        }
    }
#endif
    for (; i < size; ++i) {
        const char16_t unit = in[i];
        if (unit >= 0x80)
            break;
        out[i] = char(unit);
    }
    return i;
}

void AppendUtf8(QByteArray& out, QStringView text)
{
    // Room for the text if it is all ASCII, as it mostly is.
    const qsizetype start = out.size();
    out.resize(start + text.size());
    const qsizetype ascii = Narrow(text.utf16(), text.size(), out.data() + start);
    if (ascii == text.size())
        return;
    // The rest begins with a character beyond ASCII, never inside a pair of
    // surrogates.
    QStringEncoder encoder(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    const QStringView rest = text.sliced(ascii);
    out.resize(start + ascii + encoder.requiredSpace(rest.size()));
    char* end = encoder.appendToBuffer(out.data() + start + ascii, rest);
    out.truncate(end - out.constData());
}

QByteArray Utf8(QStringView text)
{
    QByteArray out;
    AppendUtf8(out, text);
    return out;
}

} // namespace AsciiText
