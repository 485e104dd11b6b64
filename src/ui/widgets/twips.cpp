#include "ui/widgets/twips.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>
#include <QHash>
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

static int cachedTextWidthTwips(const QFont &font, const QString &text, const QWidget *w)
{
    struct Widths {
        QFont font;
        double scale = 0;
        QHash<QString, int> byText;
    };
    // Never destroyed: a QFont released after the application has gone is not safe.
    static Widths *const memo = new Widths;
    const double scale = twipsPerPixel(w);
    if (scale != memo->scale || font != memo->font) {
        memo->byText.clear();
        memo->font = font;
        memo->scale = scale;
    }
    if (const auto it = memo->byText.constFind(text); it != memo->byText.cend())
        return *it;
    if (memo->byText.size() >= 4096)
        memo->byText.clear();
    const int width = textWidthTwips(font, text, w);
    memo->byText.insert(text, width);
    return width;
}

int wrappedRowHeight(const QFont &font, const QString &text, int colWidthTwips, int lineHeight,
                     const QWidget *w)
{
    // Lines = (width + 100) \ column width + 1, computed in 64 bits so that a
    // very long text only makes a tall row instead of failing.
    const qint64 width = qint64(cachedTextWidthTwips(font, text, w)) + 100;
    const qint64 lines = colWidthTwips > 0 ? width / colWidthTwips + 1 : 1;
    return int(std::min<qint64>(lines, 200) * lineHeight);
}
