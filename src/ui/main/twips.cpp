#include "ui/main/twips.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

double twipsPerPixel(const QWidget *w)
{
    double dpi = 96.0;
    if (w)
        dpi = w->logicalDpiX();
    else if (QGuiApplication::primaryScreen())
        dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchX();
    if (dpi <= 0)
        dpi = 96.0;
    return 1440.0 / dpi;
}

int twipsToPixels(int twips, const QWidget *w)
{
    return int(std::lround(twips / twipsPerPixel(w)));
}

int pixelsToTwips(int pixels, const QWidget *w)
{
    return int(std::lround(pixels * twipsPerPixel(w)));
}

int textWidthTwips(const QFont &font, const QString &text, const QWidget *w)
{
    const QFontMetricsF fm(font);
    return int(std::lround(fm.horizontalAdvance(text) * twipsPerPixel(w)));
}
