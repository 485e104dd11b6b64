// Paints the printouts on a QPrinter: a real printer chosen in the print
// dialog, the print preview, or a PDF file. Coordinates are twips from the
// top-left corner of the paper, whatever margins the printer has.
#pragma once

#include "print/font_glyphs.h"
#include "print/page_surface.h"

#include <QFont>
#include <QList>
#include <QPainter>
#include <QPointF>
#include <map>
#include <memory>
#include <utility>

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


private:
    void applyFont();
    void applyPen();
    // Draws the texts gathered so far.
    void flushText();
    void checkActive() const;

    QPrinter &m_printer;
    QPainter m_painter;
    QFont m_font;
    bool m_penDirty = true;
    bool m_glyphRuns = false;
    // Glyphs and metrics of each font used, by name and pixel size; the current one.
    std::map<std::pair<QString, int>, std::unique_ptr<FontGlyphs>> m_fonts;
    FontGlyphs *m_glyphs = nullptr;
    // Glyphs of texts not drawn yet, all in one font and colour.
    FontGlyphs *m_pendingFont = nullptr;
    QList<quint32> m_glyphIndexes;
    QList<QPointF> m_glyphPositions;
};
