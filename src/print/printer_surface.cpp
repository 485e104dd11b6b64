#include "print/printer_surface.h"

#include "model/values.h"

#include <QGlyphRun>
#include <QPageLayout>
#include <QPageSize>
#include <QPaintEngine>
#include <QPen>
#include <QPrinter>

namespace {
const QString kNotActive = QStringLiteral("印刷中ではないプリンタに書き込もうとしました。");

QColor colorFromRgb(qint32 rgb)
{
    return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}
} // namespace

PrinterSurface::PrinterSurface(QPrinter &printer) : m_printer(printer)
{
    if (!m_painter.begin(&m_printer))
        throw HarumokaError(QStringLiteral("プリンタへの印刷を開始できませんでした。"));
    // The painter starts at the printable area; the layouts count from the
    // paper's corner.
    if (!m_printer.fullPage()) {
        const QRectF page = m_printer.pageRect(QPrinter::DevicePixel);
        const QRectF paper = m_printer.paperRect(QPrinter::DevicePixel);
        m_painter.translate(paper.left() - page.left(), paper.top() - page.top());
    }
    const double scale = m_printer.resolution() / 1440.0;
    m_painter.scale(scale, scale);
    m_painter.setRenderHint(QPainter::Antialiasing, true);
    m_painter.setRenderHint(QPainter::TextAntialiasing, true);
    // Glyph runs go out as text only to PDF (files and CUPS printers); the
    // print preview's picture engine would draw them as outlines.
    m_glyphRuns = m_painter.paintEngine() && m_painter.paintEngine()->type() == QPaintEngine::Pdf;
    setFontName(QStringLiteral("ＭＳ 明朝"));
    applyPen();
}

PrinterSurface::~PrinterSurface()
{
    // Cancel a job cut short by an error where the printer allows it (the
    // PDF and CUPS engines do not; their partial output is still written).
    if (m_painter.isActive()) {
        m_printer.abort();
        m_painter.end();
    }
}

void PrinterSurface::preparePrinter(QPrinter &printer)
{
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setColorMode(QPrinter::Color);
}

void PrinterSurface::checkActive() const
{
    if (!m_painter.isActive())
        throw HarumokaError(kNotActive);
}

void PrinterSurface::applyFont()
{
    m_font = QFont(m_fontName);
    // A point size would be converted with the printer's resolution and then
    // scaled again by the painter; a size in logical units (twips) is exact.
    m_font.setPixelSize(qMax(1, qRound(m_fontSize * 20)));
    m_font.setKerning(false);
    m_painter.setFont(m_font);
    // Measured and laid out with the font exactly as the painter draws with it.
    auto &glyphs = m_fonts[{m_fontName, m_font.pixelSize()}];
    if (!glyphs)
        glyphs = std::make_unique<FontGlyphs>(m_painter.font(), m_painter.device());
    m_glyphs = glyphs.get();
}

void PrinterSurface::applyPen()
{
    if (!m_penDirty)
        return;
    flushText(); // gathered texts keep the colour they were drawn in
    m_penDirty = false;
    QPen pen(colorFromRgb(m_color));
    pen.setWidthF(m_lineWidth * 2.4); // n/600 inch
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    m_painter.setPen(pen);
}

void PrinterSurface::setFontName(const QString &name)
{
    m_fontName = name;
    if (m_painter.isActive())
        applyFont();
}

void PrinterSurface::setFontSize(double points)
{
    m_fontSize = points;
    if (m_painter.isActive())
        applyFont();
}

void PrinterSurface::drawText(const QString &text)
{
    checkActive();
    applyPen();
    if (m_pendingFont != m_glyphs)
        flushText();
    const qreal baseline = m_y + m_glyphs->ascent();
    // Plain texts are laid out from the font's glyph table, without shaping
    // them again, and gathered until a rule, another font or colour, or the
    // end of the page, so that Qt writes one text object for them instead of
    // one per text. The glyphs and positions are those drawText gives.
    if (m_glyphRuns && m_glyphs->layout(text, m_x, baseline, m_glyphIndexes, m_glyphPositions)) {
        m_pendingFont = m_glyphs;
        return;
    }
    flushText();
    m_painter.drawText(QPointF(m_x, baseline), text);
}

void PrinterSurface::flushText()
{
    if (!m_glyphIndexes.isEmpty()) {
        QGlyphRun run;
        run.setRawFont(m_pendingFont->rawFont());
        run.setGlyphIndexes(m_glyphIndexes);
        run.setPositions(m_glyphPositions);
        m_painter.drawGlyphRun(QPointF(0, 0), run);
        m_glyphIndexes.clear();
        m_glyphPositions.clear();
    }
    m_pendingFont = nullptr;
}

double PrinterSurface::textWidth(const QString &text)
{
    return m_glyphs->width(text);
}

void PrinterSurface::drawLine(double x1, double y1, double x2, double y2)
{
    checkActive();
    flushText();
    applyPen();
    m_painter.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void PrinterSurface::endPage()
{
    checkActive();
    flushText();
    if (!m_printer.newPage())
        throw HarumokaError(QStringLiteral("プリンタで新しいページを始められませんでした。"));
}

void PrinterSurface::endDocument()
{
    checkActive();
    flushText();
    if (!m_painter.end())
        throw HarumokaError(QStringLiteral("印刷を最後まで送ることができませんでした。"));
}

