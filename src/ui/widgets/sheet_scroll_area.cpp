#include "ui/widgets/sheet_scroll_area.h"

#include "ui/widgets/flexgrid.h"

#include <QApplication>
#include <QEvent>
#include <algorithm>
#include <QLayout>
#include <QMainWindow>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QWindow>

SheetScrollArea::SheetScrollArea(QWidget *sheets, QMainWindow *window) : QScrollArea(window), m_window(window)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
    setWidget(sheets);
    setFixedSize(sheets->size());
    window->installEventFilter(this);
    // Where the sheets scroll, the view follows the keyboard: an editor laid
    // over a cell, or a button reached with Tab, comes into view. Focus given
    // to a widget on a hidden sheet leaves the view alone: there is nothing
    // of it to show, and scrolling would only move what the user is reading.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (!now || !widget() || !widget()->isAncestorOf(now) || !now->isVisible())
            return;
        // What comes into view: a small widget whole (Qt would show only a
        // line edit's text cursor, and the view would move again when the
        // focus goes from a cell's editor back to the grid); a grid, wider
        // than a scrolled view, at its cursor's cell rather than its left
        // edge; anything larger than the view, Qt's way.
        QRect part = now->rect();
        if (auto *grid = qobject_cast<FlexGrid *>(now)) {
            if (const QRect cell = grid->keyCellRect(); !cell.isEmpty())
                part = cell;
        }
        const int margin = 10;
        if (part.width() + 2 * margin > viewport()->width() || part.height() + 2 * margin > viewport()->height()) {
            ensureWidgetVisible(now, margin, margin);
            return;
        }
        const QPoint centre = now->mapTo(widget(), part.center());
        ensureVisible(centre.x(), centre.y(), part.width() / 2 + margin, part.height() / 2 + margin);
    });
}

void SheetScrollArea::fitToScreen()
{
    QScreen *screen = m_window->screen();
    QLayout *layout = m_window->layout();
    if (m_fitting || !screen || !layout)
        return;
    m_fitting = true;
    layout->activate();
    // What the window needs besides the sheets: the menu bar and the toolbar.
    const QSize others = m_window->size() - size();
    // The frame is known once the window manager has framed the window; until
    // then allow for a title bar.
    QSize frame = m_window->frameGeometry().size() - m_window->size();
    if (!m_window->isVisible() || frame.isNull())
        frame = QSize(8, 8 + style()->pixelMetric(QStyle::PM_TitleBarHeight));
    const QRect available = screen->availableGeometry();
    const QSize room = (available.size() - others - frame).expandedTo(QSize(160, 120));

    const QSize sheets = widget()->size();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    QSize want = sheets;
    const bool across = want.width() > room.width();
    if (across)
        want.rheight() += bar;
    if (want.height() > room.height()) {
        want.rwidth() += bar;
        if (!across && want.width() > room.width())
            want.rheight() += bar;
    }
    // Bars exactly where the sheets do not fit: left to themselves they would
    // stay after the area has grown back to the sheets' size.
    setHorizontalScrollBarPolicy(across ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(want.width() > sheets.width() ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    const QSize target = want.boundedTo(room);
    if (target != size()) {
        setFixedSize(target);
        layout->invalidate();
        layout->activate();
    }

    // A window placed for a smaller scale would reach past the screen's edge.
    if (m_window->isVisible()) {
        const QRect f = m_window->frameGeometry();
        if (!available.contains(f)) {
            const QPoint to(std::clamp(f.x(), available.left(), std::max(available.left(), available.right() + 1 - f.width())),
                            std::clamp(f.y(), available.top(), std::max(available.top(), available.bottom() + 1 - f.height())));
            m_window->move(to);
        }
    }
    m_fitting = false;
}

bool SheetScrollArea::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window) {
        switch (event->type()) {
        case QEvent::Show:
            if (QWindow *handle = m_window->windowHandle())
                connect(handle, &QWindow::screenChanged, this, &SheetScrollArea::fitToScreen, Qt::UniqueConnection);
            fitToScreen();
            break;
        case QEvent::Move:
            fitToScreen();
            break;
        default:
            break;
        }
    }
    return QScrollArea::eventFilter(watched, event);
}
