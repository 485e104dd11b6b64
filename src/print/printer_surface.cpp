#include "print/printer_surface.h"

#include "model/values.h"

#include <QGlyphRun>
#include <QPageLayout>
#include <QPageSize>
#include <QPaintEngine>
#include <QPen>
#include <QPrinter>
#include <zlib.h>

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
    m_gather = m_painter.paintEngine() && m_painter.paintEngine()->type() == QPaintEngine::Pdf;
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
    m_penDirty = false;
    m_pen = QPen(colorFromRgb(m_color));
    m_pen.setWidthF(m_lineWidth * 2.4); // n/600 inch
    m_pen.setCapStyle(Qt::SquareCap);
    m_pen.setJoinStyle(Qt::MiterJoin);
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
    const qreal baseline = m_y + m_glyphs->ascent();
    // Plain texts are laid out from the font's glyph table, without shaping
    // them again; the glyphs and positions are those drawText gives.
    QRectF ink;
    m_textGlyphs.clear();
    m_textPositions.clear();
    if (m_gather && m_glyphs->layout(text, m_x, baseline, m_textGlyphs, m_textPositions, ink)) {
        if (holdInk(ink)) {
            Group &g = group(m_glyphs);
            g.glyphs.append(m_textGlyphs);
            g.positions.append(m_textPositions);
            return;
        }
    }
    flush();
    m_painter.setPen(m_pen);
    m_painter.drawText(QPointF(m_x, baseline), text);
}

PrinterSurface::Group &PrinterSurface::group(FontGlyphs *font)
{
    // Texts keep their order, so that a text's words are read from the page
    // as they were written; lines go with any other line of their pen.
    if (font) {
        for (auto g = m_groups.rbegin(); g != m_groups.rend(); ++g) {
            if (g->font) {
                if (g->font == font && g->color == m_color)
                    return *g;
                break;
            }
        }
    } else {
        for (Group &g : m_groups) {
            if (!g.font && g.color == m_color && g.lineWidth == m_lineWidth)
                return g;
        }
    }
    Group &g = m_groups.emplace_back();
    g.font = font;
    g.color = m_color;
    g.lineWidth = m_lineWidth;
    g.pen = m_pen;
    return g;
}

bool PrinterSurface::holdInk(const QRectF &r)
{
    if (r.isEmpty())
        return true; // blanks: nothing to overlap
    if (m_ink.clashes(r, m_color)) {
        flush();
        if (m_ink.clashes(r, m_color))
            return false; // a rectangle that cannot be placed is drawn at once
    }
    m_ink.add(r, m_color);
    return true;
}

void PrinterSurface::flush()
{
    for (Group &g : m_groups) {
        m_painter.setPen(g.pen);
        if (g.font) {
            QGlyphRun run;
            run.setRawFont(g.font->rawFont());
            run.setGlyphIndexes(g.glyphs);
            run.setPositions(g.positions);
            m_painter.drawGlyphRun(QPointF(0, 0), run);
        } else {
            for (const QLineF &l : g.lines)
                m_painter.drawLine(l);
        }
    }
    m_groups.clear();
    m_ink.clear();
}

double PrinterSurface::textWidth(const QString &text)
{
    return m_glyphs->width(text);
}

void PrinterSurface::drawLine(double x1, double y1, double x2, double y2)
{
    checkActive();
    applyPen();
    const QLineF line(x1, y1, x2, y2);
    if (m_gather) {
        // The stroke with its square caps: half the pen's width beyond the
        // line on every side.
        const double half = m_pen.widthF() / 2;
        const QRectF ink = QRectF(line.p1(), line.p2()).normalized().adjusted(-half, -half, half, half);
        if (holdInk(ink.isEmpty() ? ink.adjusted(-0.5, -0.5, 0.5, 0.5) : ink)) {
            group(nullptr).lines.push_back(line);
            return;
        }
    }
    flush();
    m_painter.setPen(m_pen);
    m_painter.drawLine(line);
}

void PrinterSurface::endPage()
{
    checkActive();
    flush();
    if (!m_printer.newPage())
        throw HarumokaError(QStringLiteral("プリンタで新しいページを始められませんでした。"));
    ++m_pages;
}

void PrinterSurface::endDocument()
{
    checkActive();
    flush();
    if (!m_painter.end())
        throw HarumokaError(QStringLiteral("印刷を最後まで送ることができませんでした。"));
}

// Qt's PDF engine compresses each page's content with zlib at zlib's default
// level. That content holds one positioning operator per glyph (30 MB for a
// 900-page year ledger), and at the default level compressing it is a third
// of the export's time. Level 3 takes a third of that time for a file about a
// fifth larger. This definition is the one the engine's deflateInit() call
// reaches: the dynamic linker looks in the program before the libraries.
// It is zlib's own deflateInit_, with level 3 where the caller asks for the
// default; a caller naming a level gets that level.
extern "C" int deflateInit_(z_streamp strm, int level, const char *version, int stream_size)
{
    constexpr int kDefaultMemLevel = 8; // zlib's DEF_MEM_LEVEL, which deflateInit uses
    if (level == Z_DEFAULT_COMPRESSION)
        level = 3;
    return deflateInit2_(strm, level, Z_DEFLATED, MAX_WBITS, kDefaultMemLevel, Z_DEFAULT_STRATEGY, version,
                         stream_size);
}
