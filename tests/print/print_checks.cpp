#include "print_checks.h"

#include <cmath>

static bool same(double a, double b)
{
    return std::fabs(a - b) < 0.01;
}

QStringList pageTexts(const RecordingSurface &rec, int page)
{
    QStringList out;
    for (const RecordedText &t : rec.textsOnPage(page))
        out << QStringLiteral("%1,%2:%3").arg(qRound(t.x)).arg(qRound(t.y)).arg(t.text);
    return out;
}

QStringList pageLines(const RecordingSurface &rec, int page)
{
    QStringList out;
    for (const RecordedLine &l : rec.linesOnPage(page))
        out << QStringLiteral("(%1,%2)-(%3,%4) w%5 c%6")
                   .arg(l.x1).arg(l.y1).arg(l.x2).arg(l.y2).arg(l.width).arg(l.color);
    return out;
}

std::optional<RecordedText> findText(const RecordingSurface &rec, const QString &text, int page)
{
    for (const RecordedText &t : rec.texts())
        if (t.text == text && (page < 0 || t.page == page))
            return t;
    return std::nullopt;
}

QStringList textsAtY(const RecordingSurface &rec, int page, double y)
{
    QStringList out;
    for (const RecordedText &t : rec.textsOnPage(page))
        if (same(t.y, y))
            out << t.text;
    return out;
}

bool hasTextAt(const RecordingSurface &rec, int page, double x, double y, const QString &text)
{
    for (const RecordedText &t : rec.textsOnPage(page))
        if (t.text == text && same(t.x, x) && same(t.y, y))
            return true;
    return false;
}

bool hasRightAligned(const RecordingSurface &rec, int page, double edge, double y,
                     const QString &text, double points)
{
    return hasTextAt(rec, page, edge - RecordingSurface::widthOf(text, points), y, text);
}

bool hasCentred(const RecordingSurface &rec, int page, double left, double right, double y,
                const QString &text, double points)
{
    return hasTextAt(rec, page, left + (right - left - RecordingSurface::widthOf(text, points)) / 2,
                     y, text);
}

int countLines(const RecordingSurface &rec, int page, double x1, double y1, double x2, double y2,
               int width, qint32 color)
{
    int n = 0;
    for (const RecordedLine &l : rec.linesOnPage(page)) {
        const bool forward = same(l.x1, x1) && same(l.y1, y1) && same(l.x2, x2) && same(l.y2, y2);
        const bool backward = same(l.x1, x2) && same(l.y1, y2) && same(l.x2, x1) && same(l.y2, y1);
        if ((forward || backward) && (width < 0 || l.width == width)
            && (color < 0 || l.color == color))
            ++n;
    }
    return n;
}

bool hasLine(const RecordingSurface &rec, int page, double x1, double y1, double x2, double y2,
             int width, qint32 color)
{
    return countLines(rec, page, x1, y1, x2, y2, width, color) > 0;
}

bool hasRule(const RecordingSurface &rec, int page, double y, int width, qint32 color)
{
    return hasLine(rec, page, 1000, y, 10600, y, width, color);
}
