// What the printouts draw on: the handful of printer operations the ledger
// and the report need, in the printer's own terms. Positions and sizes are
// twips (1/1440 inch) from the top-left corner of the paper, x to the right
// and y downwards. PrinterSurface paints on a QPrinter (paper or PDF);
// RecordingSurface keeps every operation so a page can be checked exactly.
#pragma once

#include <QString>

// Colours are RGB longs with red in the low byte.
constexpr qint32 kBlack = 0;
constexpr qint32 kRed = 255;

class PageSurface {
public:
    virtual ~PageSurface() = default;

    virtual void setFontName(const QString &name) { m_fontName = name; }
    QString fontName() const { return m_fontName; }
    virtual void setFontSize(double points) { m_fontSize = points; }
    double fontSize() const { return m_fontSize; }

    // The current position: where the next text goes.
    void setCurrentX(double x) { m_x = x; }
    void setCurrentY(double y) { m_y = y; }

    // Draws text in the current font and colour with its top-left corner at
    // the current position; the position is left where it was.
    virtual void drawText(const QString &text) = 0;
    // Width of a text in the current font, in twips.
    virtual double textWidth(const QString &text) = 0;

    // Line width in printer units: n draws a line n/600 inch wide.
    virtual void setLineWidth(int n) { m_lineWidth = n; }
    // Colour of the following texts and lines.
    virtual void setColor(qint32 rgb) { m_color = rgb; }
    qint32 color() const { return m_color; }

    virtual void drawLine(double x1, double y1, double x2, double y2) = 0;

    // Ends the current page; what follows goes on a new page of the same job.
    virtual void endPage() = 0;
    // Ends the job; nothing may be drawn afterwards.
    virtual void endDocument() = 0;

    // Conveniences built on the operations above.
    void moveTo(double x, double y)
    {
        setCurrentX(x);
        setCurrentY(y);
    }
    void textAt(double x, double y, const QString &text)
    {
        moveTo(x, y);
        drawText(text);
    }
    // Right edge of the text at `edge`.
    void textRightAligned(double edge, double y, const QString &text)
    {
        textAt(edge - textWidth(text), y, text);
    }
    // Centred between `left` and `right`.
    void textCentred(double left, double right, double y, const QString &text)
    {
        textAt(left + (right - left - textWidth(text)) / 2, y, text);
    }

protected:
    // What every surface keeps between calls: font, position and pen.
    QString m_fontName;
    double m_fontSize = 12;
    double m_x = 0;
    double m_y = 0;
    int m_lineWidth = 1;
    qint32 m_color = kBlack;
};
