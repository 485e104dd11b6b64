// Paints the printouts on a QPrinter: a real printer chosen in the print
// dialog, the print preview, or a PDF file. Coordinates are twips from the
// top-left corner of the paper, whatever margins the printer has.
#pragma once

#include "print/font_glyphs.h"
#include "print/ink_index.h"
#include "print/page_surface.h"

#include <QFont>
#include <QLineF>
#include <QList>
#include <QPainter>
#include <QPen>
#include <QPointF>
#include <map>
#include <memory>
#include <utility>
#include <vector>

class QPrinter;

class PrinterSurface : public PageSurface {
public:
    // Starts painting on `printer` (throws HarumokaError when it cannot).
    explicit PrinterSurface(QPrinter &printer);
    // Ends painting if endDocument was not reached (an error half-way).
    ~PrinterSurface() override;
    PrinterSurface(const PrinterSurface &) = delete;
    PrinterSurface &operator=(const PrinterSurface &) = delete;

    // A4 portrait in colour: the page the layouts are drawn for. Call it
    // before the print dialog so the user starts from it.
    static void preparePrinter(QPrinter &printer);

    void setFontName(const QString &name) override;
    void setFontSize(double points) override;
    void drawText(const QString &text) override;
    double textWidth(const QString &text) override;
    void setLineWidth(int n) override
    {
        m_penDirty = m_penDirty || n != m_lineWidth;
        PageSurface::setLineWidth(n);
    }
    void setColor(qint32 rgb) override
    {
        m_penDirty = m_penDirty || rgb != m_color;
        PageSurface::setColor(rgb);
    }
    void drawLine(double x1, double y1, double x2, double y2) override;
    void endPage() override;
    void endDocument() override;

    int pagesStarted() const { return m_pages; }

private:
    // Texts of one font or lines of one pen, held back; all of one colour.
    struct Group {
        FontGlyphs *font = nullptr; // none: lines
        qint32 color = kBlack;
        int lineWidth = 0;
        QPen pen;
        QList<quint32> glyphs;
        QList<QPointF> positions;
        std::vector<QLineF> lines;
    };

    void applyFont();
    void applyPen();
    // The group for what is drawn now, in the current font (texts) or pen (lines).
    Group &group(FontGlyphs *font);
    // Whether ink at `r` may be held back; draws what is held first when it
    // would overlap held ink of another colour.
    bool holdInk(const QRectF &r);
    // Draws what is held back.
    void flush();
    void checkActive() const;

    QPrinter &m_printer;
    QPainter m_painter;
    QFont m_font;
    QPen m_pen;
    int m_pages = 1;
    bool m_penDirty = true;
    // On Qt's PDF engine (files and CUPS printers), which writes each text
    // and line with a new graphics state: texts go out as glyph runs and
    // what is drawn is gathered by font and pen until the page ends.
    bool m_gather = false;
    // Glyphs and metrics of each font used, by name and pixel size; the current one.
    std::map<std::pair<QString, int>, std::unique_ptr<FontGlyphs>> m_fonts;
    FontGlyphs *m_glyphs = nullptr;
    // What is held back, groups in the order they were first used.
    std::vector<Group> m_groups;
    InkIndex m_ink;
    // The glyphs of the text being drawn.
    QList<quint32> m_textGlyphs;
    QList<QPointF> m_textPositions;
};
