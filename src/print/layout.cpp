#include "print/layout.h"

#include "model/values.h"

#include <algorithm>

namespace layout {

QStringList wrapText(PageSurface &s, const QString &text, double limit)
{
    if (s.textWidth(text) <= limit)
        return {text};

    // Where each character starts (a surrogate pair is one character), and the end.
    QList<qsizetype> at;
    at.reserve(text.size() + 1);
    for (qsizetype i = 0; i < text.size();) {
        at.append(i);
        i += (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2 : 1;
    }
    at.append(text.size());
    const qsizetype count = at.size() - 1;

    // Each line is the longest beginning of the rest that fits. Only
    // beginnings about as long as the line are measured: measuring the
    // whole rest for every line made a breakdown of 32,767 characters take
    // many seconds. The search starts at the previous line's length (lines
    // of one text tend to be alike) and widens in doubling steps, then
    // halves; widths grow with the length of a beginning.
    QStringList lines;
    qsizetype first = 0;
    qsizetype guess = 1;
    while (first < count) {
        const qsizetype left = count - first;
        auto fits = [&](qsizetype chars) {
            return s.textWidth(text.mid(at[first], at[first + chars] - at[first])) <= limit;
        };
        qsizetype fitting = 0;  // longest beginning known to fit
        qsizetype tooWide = -1; // shortest beginning known not to fit
        qsizetype k = std::min(guess, left);
        for (qsizetype step = 1; tooWide < 0; step *= 2) {
            if (!fits(k)) {
                tooWide = k;
            } else if (k == left) {
                break;
            } else {
                fitting = k;
                k = std::min(fitting + step, left);
            }
        }
        if (tooWide < 0) { // the rest fits: the last line
            lines.append(text.mid(at[first]));
            break;
        }
        while (tooWide - fitting > 1) {
            const qsizetype mid = fitting + (tooWide - fitting) / 2;
            if (fits(mid))
                fitting = mid;
            else
                tooWide = mid;
        }
        // At least one character, so a single very wide character cannot stall it.
        const qsizetype take = std::max<qsizetype>(fitting, 1);
        lines.append(text.mid(at[first], at[first + take] - at[first]));
        first += take;
        guess = take;
    }
    return lines;
}

QString yenText(qint64 amount)
{
    return formatAmount(amount) + QStringLiteral("円");
}

} // namespace layout
