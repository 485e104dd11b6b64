#include "ui/widgets/readable_colors.h"

#include <QEvent>
#include <QLabel>
#include <QPalette>
#include <cmath>

namespace {

// What the adaptation aims for: WCAG asks 4.5:1 for body text; a little more
// leaves room for styles that shade a pane slightly off the window colour.
constexpr double kTargetContrast = 5.0;

double channel(int v)
{
    const double c = v / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

QColor mix(const QColor &a, const QColor &b, double t)
{
    return QColor(int(std::lround(a.red() + (b.red() - a.red()) * t)),
                  int(std::lround(a.green() + (b.green() - a.green()) * t)),
                  int(std::lround(a.blue() + (b.blue() - a.blue()) * t)));
}

// Lightens `c` towards white until it reads on the dark `background`.
QColor lightenUntilReadable(const QColor &c, const QColor &background)
{
    for (int step = 0; step <= 20; ++step) {
        const QColor candidate = mix(c, Qt::white, step / 20.0);
        if (contrastRatio(candidate, background) >= kTargetContrast)
            return candidate;
    }
    return Qt::white;
}

const char kDesignedColor[] = "harumokaDesignedColor";

// Re-adapts a label's colour when its palette changes (a theme switch).
class LabelColorKeeper : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::PaletteChange)
            if (auto *label = qobject_cast<QLabel *>(watched))
                apply(label);
        return false;
    }
    static void apply(QLabel *label)
    {
        const QVariant designed = label->property(kDesignedColor);
        if (!designed.isValid())
            return;
        QPalette p = label->palette();
        QColor background = p.color(QPalette::Window);
        // On a dark theme styles draw panes (a sheet of a tab widget, a frame)
        // up to a quarter lighter than the window: the text must read on those.
        const QColor pane = p.color(QPalette::Button).lighter(125);
        if (isDarkBackground(background) && relativeLuminance(pane) > relativeLuminance(background))
            background = pane;
        // The theme's own text colour, not the one set here before.
        const QColor themeText = label->parentWidget() ? label->parentWidget()->palette().color(QPalette::WindowText)
                                                       : p.color(QPalette::WindowText);
        const QColor shown = readableTextColor(designed.value<QColor>(), background, themeText);
        if (p.color(QPalette::WindowText) == shown && p.isBrushSet(p.currentColorGroup(), QPalette::WindowText))
            return;
        for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            p.setColor(g, QPalette::WindowText, shown);
        label->setPalette(p);
    }
};

} // namespace

double relativeLuminance(const QColor &c)
{
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool isDarkBackground(const QColor &background)
{
    return contrastRatio(Qt::white, background) > contrastRatio(Qt::black, background);
}

QColor readableTextColor(const QColor &designed, const QColor &background, const QColor &themeText)
{
    if (!isDarkBackground(background))
        return designed;
    const QColor start = designed.rgb() == QColor(Qt::black).rgb() ? themeText : designed;
    return lightenUntilReadable(start, background);
}

QColor cellBackgroundColor(const QColor &designed, const QPalette &palette, bool fixedCell)
{
    const QColor base = palette.color(QPalette::Base);
    if (!isDarkBackground(base))
        return designed;
    if (fixedCell)
        return palette.color(QPalette::Button);
    if (designed.rgb() == QColor(Qt::white).rgb())
        return base;
    // A designed tint (the selected row's pale yellow) stays a tint of its hue.
    return mix(base, designed, 0.3);
}

void setLabelTextColor(QLabel *label, long rgb)
{
    const QColor designed(int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF));
    if (!label->property(kDesignedColor).isValid())
        label->installEventFilter(new LabelColorKeeper(label));
    label->setProperty(kDesignedColor, designed);
    LabelColorKeeper::apply(label);
}
