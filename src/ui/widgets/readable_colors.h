#pragma once

#include <QColor>

class QLabel;
class QPalette;

// The program's colours are designed for black text on white or on a light
// grey window. On a dark desktop theme those backgrounds are dark, so the
// colours are adapted where they are drawn: on a light background every
// colour stays exactly as designed; on a dark one black text takes the
// theme's text colour, any other text colour is lightened (keeping its hue)
// until it reads, and the designed light cell backgrounds become the theme's.

// WCAG 2 relative luminance and contrast ratio (1 to 21).
double relativeLuminance(const QColor &c);
double contrastRatio(const QColor &a, const QColor &b);
// White text would read better on `background` than black text.
bool isDarkBackground(const QColor &background);

// The colour to draw designed text colour `designed` in on `background`;
// `themeText` is the theme's text colour for that surface.
QColor readableTextColor(const QColor &designed, const QColor &background, const QColor &themeText);

// The colour to fill a cell whose designed background is `designed`, in a
// view with `palette`. `fixedCell` marks header and left-column cells.
QColor cellBackgroundColor(const QColor &designed, const QPalette &palette, bool fixedCell);

// Sets a label's text to designed colour `rgb` (red in the low byte), adapted
// to the label's window colour now and whenever the theme changes.
void setLabelTextColor(QLabel *label, long rgb);
