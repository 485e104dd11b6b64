#include "print/recording_surface.h"

#include "model/values.h"

namespace {
void refuseWhenEnded(bool documentEnded)
{
    if (documentEnded)
        throw HarumokaError(QStringLiteral("印刷の終わった文書に書き込もうとしました。"));
}
} // namespace

void RehearsalSurface::checkOpen() const
{
    refuseWhenEnded(m_documentEnded);
}

void RecordingSurface::drawText(const QString &text)
{
    refuseWhenEnded(m_documentEnded);
    m_texts.append({m_page, m_x, m_y, text, m_fontName, m_fontSize, m_color});
}

double RecordingSurface::widthOf(const QString &text, double points)
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

double RecordingSurface::textWidth(const QString &text)
{
    return widthOf(text, m_fontSize);
}

void RecordingSurface::drawLine(double x1, double y1, double x2, double y2)
{
    refuseWhenEnded(m_documentEnded);
    m_lines.append({m_page, x1, y1, x2, y2, m_lineWidth, m_color});
}

void RecordingSurface::endPage()
{
    refuseWhenEnded(m_documentEnded);
    ++m_page;
    ++m_pageEnds;
}

void RecordingSurface::endDocument()
{
    m_documentEnded = true;
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
