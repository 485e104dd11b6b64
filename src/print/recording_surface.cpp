#include "print/recording_surface.h"

#include "model/values.h"

void RehearsalSurface::checkOpen() const
{
    if (m_documentEnded)
        throw HarumokaError(QStringLiteral("印刷の終わった文書に書き込もうとしました。"));
}

void RehearsalSurface::drawText(const QString &)
{
    checkOpen();
}

double RehearsalSurface::widthOf(const QString &text, double points)
{
    const double full = points * 20;
    double width = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            width += full;
        } else if (c < 0x100 || (c >= 0xFF61 && c <= 0xFF9F)) {
            width += full / 2;
        } else {
            width += full;
        }
    }
    return width;
}

double RehearsalSurface::textWidth(const QString &text)
{
    return widthOf(text, m_fontSize);
}

void RehearsalSurface::drawLine(double, double, double, double)
{
    checkOpen();
}

void RehearsalSurface::endPage()
{
    checkOpen();
    ++m_pageEnds;
}

void RehearsalSurface::endDocument()
{
    m_documentEnded = true;
}

void RecordingSurface::drawText(const QString &text)
{
    RehearsalSurface::drawText(text);
    m_texts.append({pageEnds(), m_x, m_y, text, m_fontName, m_fontSize, m_color});
}

void RecordingSurface::drawLine(double x1, double y1, double x2, double y2)
{
    RehearsalSurface::drawLine(x1, y1, x2, y2);
    m_lines.append({pageEnds(), x1, y1, x2, y2, m_lineWidth, m_color});
}

QList<RecordedText> RecordingSurface::textsOnPage(int page) const
{
    QList<RecordedText> out;
    for (const RecordedText &t : m_texts)
        if (t.page == page)
            out.append(t);
    return out;
}

QList<RecordedLine> RecordingSurface::linesOnPage(int page) const
{
    QList<RecordedLine> out;
    for (const RecordedLine &l : m_lines)
        if (l.page == page)
            out.append(l);
    return out;
}
