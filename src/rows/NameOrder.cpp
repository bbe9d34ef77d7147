#include "rows/NameOrder.h"

namespace {

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// Letters of the ASCII range without regard to case at the cost of an addition;
// the rest through the full case folding.
char16_t Folded(char16_t c)
{
    if (c < 0x80)
        return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
    return QChar(c).toCaseFolded().unicode();
}

// Compares the digit runs starting at i and j by their value and moves both
// past their runs. Leading zeros do not count.
int CompareNumbers(QStringView a, qsizetype& i, QStringView b, qsizetype& j)
{
    while (i < a.size() && a[i] == u'0')
        ++i;
    while (j < b.size() && b[j] == u'0')
        ++j;
    const qsizetype startA = i;
    const qsizetype startB = j;
    while (i < a.size() && IsDigit(a[i].unicode()))
        ++i;
    while (j < b.size() && IsDigit(b[j].unicode()))
        ++j;
    if (i - startA != j - startB)
        return i - startA < j - startB ? -1 : 1;
    for (qsizetype k = 0; k < i - startA; ++k) {
        if (a[startA + k] != b[startB + k])
            return a[startA + k] < b[startB + k] ? -1 : 1;
    }
    return 0;
}

int CompareNatural(QStringView a, QStringView b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        const char16_t x = a[i].unicode();
        const char16_t y = b[j].unicode();
        const bool digits = IsDigit(x) && IsDigit(y);
        if (x == y && !digits) {
            ++i;
            ++j;
            continue;
        }
        if (digits) {
            if (const int order = CompareNumbers(a, i, b, j))
                return order;
            continue;
        }
        const char16_t fx = Folded(x);
        const char16_t fy = Folded(y);
        if (fx != fy)
            return fx < fy ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    return j < b.size() ? -1 : 0;
}

} // namespace

bool NameOrder::Before(QStringView a, QStringView b)
{
    if (const int order = CompareNatural(a, b))
        return order < 0;
    return a < b;
}
