#include "storage/number_line.h"

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

} // namespace

NumberLine parseNumberLine(QStringView line, qint64 low, qint64 high, qint64 *value)
{
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n && isBlank(line[i]))
        ++i;
    bool negative = false;
    if (i < n && (line[i] == u'-' || line[i] == u'+')) {
        negative = line[i] == u'-';
        ++i;
    }
    const qsizetype firstDigit = i;
    // Accumulated as a negative number so that the lowest 64-bit value fits;
    // past 18 digits the number is out of any field's range anyway.
    qint64 v = 0;
    int significant = 0;
    bool huge = false;
    while (i < n && line[i] >= u'0' && line[i] <= u'9') {
        const int digit = line[i].unicode() - u'0';
        if (significant > 0 || digit != 0)
            ++significant;
        if (significant > 18)
            huge = true;
        else
            v = v * 10 - digit;
        ++i;
    }
    if (i == firstDigit)
        return NumberLine::NotANumber;
    while (i < n && isBlank(line[i]))
        ++i;
    if (i != n)
        return NumberLine::NotANumber;
    if (!negative)
        v = -v;
    if (huge || v < low || v > high)
        return NumberLine::OutOfRange;
    *value = v;
    return NumberLine::Ok;
}
