#include "rows/NameOrder.h"

namespace {

bool IsDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Compares the digit runs starting at i and j by their value; moves both past
// their runs. Leading zeros do not count.
int CompareNumbers(const QString& a, qsizetype& i, const QString& b, qsizetype& j)
{
    while (i < a.size() && a[i] == QLatin1Char('0'))
        ++i;
    while (j < b.size() && b[j] == QLatin1Char('0'))
        ++j;
    const qsizetype startA = i;
    const qsizetype startB = j;
    while (i < a.size() && IsDigit(a[i]))
        ++i;
    while (j < b.size() && IsDigit(b[j]))
        ++j;
    if (i - startA != j - startB)
        return i - startA < j - startB ? -1 : 1;
    for (qsizetype k = 0; k < i - startA; ++k) {
        if (a[startA + k] != b[startB + k])
            return a[startA + k] < b[startB + k] ? -1 : 1;
    }
    return 0;
}

int CompareNatural(const QString& a, const QString& b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            if (const int order = CompareNumbers(a, i, b, j))
                return order;
            continue;
        }
        const QChar x = a[i].toCaseFolded();
        const QChar y = b[j].toCaseFolded();
        if (x != y)
            return x < y ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    return j < b.size() ? -1 : 0;
}

} // namespace

bool NameOrder::Before(const QString& a, const QString& b)
{
    if (const int order = CompareNatural(a, b))
        return order < 0;
    return a < b;
}
