#include "print/layout.h"

#include "model/values.h"

namespace layout {

// Number of code units of the first `chars` characters (surrogate pairs
// count as one character).
static qsizetype prefixLength(const QString &text, qsizetype chars)
{
    qsizetype i = 0;
    for (qsizetype c = 0; c < chars && i < text.size(); ++c)
        i += (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2 : 1;
    return i;
}

static qsizetype characterCount(const QString &text)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++n)
        i += (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2 : 1;
    return n;
}

QStringList wrapText(PageSurface &s, const QString &text, double limit)
{
    QStringList lines;
    QString rest = text;
    while (s.textWidth(rest) > limit) {
        // Widths grow with the length of a beginning, so the longest one that
        // fits is found by halving instead of dropping one character at a time.
        qsizetype lo = 1;                          // always taken
        qsizetype hi = characterCount(rest) - 1;   // the whole text is too wide
        while (lo < hi) {
            const qsizetype mid = (lo + hi + 1) / 2;
            if (s.textWidth(rest.left(prefixLength(rest, mid))) <= limit)
                lo = mid;
            else
                hi = mid - 1;
        }
        const qsizetype cut = prefixLength(rest, lo);
        lines.append(rest.left(cut));
        rest = rest.mid(cut);
    }
    if (lines.isEmpty() || !rest.isEmpty())
        lines.append(rest);
    return lines;
}

QString yenText(qint64 amount)
{
    return formatAmount(amount) + QStringLiteral("円");
}

} // namespace layout
