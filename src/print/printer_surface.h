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
    QString fontName() const override { return m_fontName; }
    void setFontSize(double points) override;
    double fontSize() const override { return m_fontSize; }
    void setCurrentX(double x) override { m_x = x; }
    void setCurrentY(double y) override { m_y = y; }
    double currentX() const override { return m_x; }
    double currentY() const override { return m_y; }
    void drawText(const QString &text) override;
    double textWidth(const QString &text) override;
    void setLineWidth(int n) override
    {
        m_penDirty = m_penDirty || n != m_lineWidth;
        m_lineWidth = n;
    }
    int lineWidth() const override { return m_lineWidth; }
    void setColor(qint32 rgb) override
    {
        m_penDirty = m_penDirty || rgb != m_color;
        m_color = rgb;
    }
    qint32 color() const override { return m_color; }
    void drawLine(double x1, double y1, double x2, double y2) override;
    void endPage() override;
    void endDocument() override;

    int pagesStarted() const { return m_pages; }

private:
    void applyFont();
    void applyPen();
    // Draws the texts gathered so far.
    void flushText();
    void checkActive() const;

    QPrinter &m_printer;
    QPainter m_painter;
    QFont m_font;
    QString m_fontName;
    double m_fontSize = 12;
    double m_x = 0;
    double m_y = 0;
    int m_lineWidth = 1;
    qint32 m_color = kBlack;
    int m_pages = 1;
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
