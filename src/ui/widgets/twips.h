#pragma once

#include <QFont>
#include <QString>

class QWidget;

// Screen positions and sizes are kept in twips (1/1440 inch) as the design
// gives them, and turned into pixels from the screen's logical resolution
// (15 twips a pixel at 96 dpi).
double twipsPerPixel(const QWidget *w = nullptr);
int twipsToPixels(int twips, const QWidget *w = nullptr);
int pixelsToTwips(int pixels, const QWidget *w = nullptr);
// Width of a text in twips in the given font (the window's TextWidth).
int textWidthTwips(const QFont &font, const QString &text, const QWidget *w = nullptr);
// Height of a grid row whose wrapped text needs as many lines as its width
// in the column asks for: (width + 100) \ column width + 1 lines. Widths are
// remembered per font, so refilling thousands of rows stays cheap.
int wrappedRowHeight(const QFont &font, const QString &text, int colWidthTwips, int lineHeight,
                     const QWidget *w = nullptr);
