#include "support/test_main.h"
#include "ui/widgets/datepicker.h"
#include "ui/widgets/flexgrid.h"
#include "ui/widgets/twips.h"

#include <QCalendarWidget>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleOptionComboBox>
#include <QTableView>
#include <QWheelEvent>
#include <memory>

namespace {

constexpr long kRed = vbRGB(255, 0, 0);
constexpr long kPaleYellow = vbRGB(255, 255, 200);
constexpr long kWhite = vbRGB(255, 255, 255);

// A window holding one grid laid out like the entry grids, shown so that
// geometry, painting and mouse input are real.
struct GridWindow {
    QWidget window;
    FlexGrid *grid;

    explicit GridWindow(int rows = 100, int gridHeightTwips = 6375)
    {
        window.resize(twipsToPixels(13455 + 600), twipsToPixels(gridHeightTwips + 2400));
        grid = new FlexGrid(&window);
        grid->setTwipsGeometry(300, 1680, 13455, gridHeightTwips);
        grid->setCols(8);
        grid->setRows(rows);
        const int widths[8] = {500, 1695, 6325, 1575, 1000, 800, 1200, 0};
        for (int c = 0; c < 8; ++c)
            grid->setColWidth(c, widths[c]);
        grid->setRowHeight(0, 360);
        grid->setTextMatrix(0, 0, QStringLiteral("No."));
        grid->setTextMatrix(0, 1, QStringLiteral("日付"));
        grid->setTextMatrix(0, 2, QStringLiteral("項目"));
        for (int r = 1; r < rows; ++r)
            grid->setTextMatrix(r, 0, QStringLiteral(" %1").arg(r));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }

    QModelIndex index(int row, int col) const { return grid->model()->index(row - 1, col); }
    // Where grid cell (row, col) is on screen, in the grid's own coordinates.
    QRect cellRectInGrid(int row, int col) const
    {
        const QRect r = grid->visualRect(index(row, col));
        return QRect(grid->viewport()->mapTo(grid, r.topLeft()), r.size());
    }
    void clickCell(int row, int col, Qt::MouseButton button = Qt::LeftButton) const
    {
        QTest::mouseClick(grid->viewport(), button, {}, grid->visualRect(index(row, col)).center());
    }
};

// Vertical extent (first and last pixel row) of dark pixels inside a rectangle.
std::pair<int, int> inkRows(const QImage &image, const QRect &rect)
{
    int first = -1, last = -1;
    for (int y = rect.top() + 1; y < rect.bottom(); ++y) {
        for (int x = rect.left() + 1; x < rect.right(); ++x) {
            if (qGray(image.pixel(x, y)) < 128) {
                if (first < 0)
                    first = y;
                last = y;
                break;
            }
        }
    }
    return {first, last};
}

QWidget *popupOf(DatePicker &picker)
{
    return picker.calendarWidget()->window();
}

// Opens the calendar the way the user does: a click on the drop-down arrow.
void openCalendar(DatePicker &picker)
{
    QStyleOptionComboBox opt;
    opt.initFrom(&picker);
    opt.editable = true;
    opt.subControls = QStyle::SC_All;
    const QRect arrow = picker.style()->subControlRect(QStyle::CC_ComboBox, &opt,
                                                       QStyle::SC_ComboBoxArrow, &picker);
    QTest::mouseClick(&picker, Qt::LeftButton, {}, arrow.center());
    QTRY_VERIFY(popupOf(picker)->isVisible());
}

QTableView *calendarView(DatePicker &picker)
{
    return picker.calendarWidget()->findChild<QTableView *>();
}

// Waits for the calendar to close and for what its closing sends.
void waitClosed(DatePicker &picker)
{
    QTRY_VERIFY(!popupOf(picker)->isVisible());
    QApplication::processEvents();
}

// A picker on 2026/05/01 in a shown window.
struct ShownPicker {
    QWidget window;
    DatePicker *picker = new DatePicker(&window);
    bool exposed = false;
    ShownPicker()
    {
        window.resize(400, 300);
        picker->move(20, 20);
        picker->setValue(QDate(2026, 5, 1));
        window.show();
        exposed = QTest::qWaitForWindowExposed(&window);
    }
};

// The calendar cell that shows `day` of the month on display.
QModelIndex dayCell(QTableView *view, int day)
{
    const QAbstractItemModel *m = view->model();
    // Days of the neighbouring months appear only in the first and last
    // week rows; a mid-month day is unique in the sheet.
    for (int r = 0; r < m->rowCount(); ++r)
        for (int c = 0; c < m->columnCount(); ++c)
            if (m->index(r, c).data().toString() == QString::number(day))
                return m->index(r, c);
    return {};
}

} // namespace

class TestControls : public QObject {
    Q_OBJECT
private slots:
    // ---- grid: cell store ---------------------------------------------------

    void cellsAreWrittenAndReadBackVisibleOrNot()
    {
        GridWindow w(30);
        FlexGrid &g = *w.grid;
        QCOMPARE(g.Rows(), 30);
        QCOMPARE(g.Cols(), 8);
        g.setTextMatrix(1, 2, QStringLiteral("遠足バス代"));
        g.setTextMatrix(29, 6, QStringLiteral("-1,234"));
        g.setTextMatrix(5, 7, QStringLiteral(" 42"));  // hidden key column
        QCOMPARE(g.TextMatrix(1, 2), QStringLiteral("遠足バス代"));
        QCOMPARE(g.TextMatrix(29, 6), QStringLiteral("-1,234"));
        QCOMPARE(g.TextMatrix(5, 7), QStringLiteral(" 42"));
        QCOMPARE(g.TextMatrix(2, 2), QString());
        // Spaces and full-width text come back unchanged.
        g.setTextMatrix(3, 3, QStringLiteral(" 合　計 "));
        QCOMPARE(g.TextMatrix(3, 3), QStringLiteral(" 合　計 "));

        // The view shows the same cells: row 0 through the header, rows
        // 1.. as the body.
        QCOMPARE(g.model()->rowCount(), 29);
        QCOMPARE(g.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("日付"));
        QCOMPARE(w.index(1, 2).data().toString(), QStringLiteral("遠足バス代"));
        QCOMPARE(w.index(29, 6).data().toString(), QStringLiteral("-1,234"));
        QVERIFY(!g.verticalHeader()->isVisible());

        // Out of range is harmless: nothing written, nothing read.
        g.setTextMatrix(30, 0, QStringLiteral("x"));
        g.setTextMatrix(1, 8, QStringLiteral("x"));
        g.setTextMatrix(-1, 0, QStringLiteral("x"));
        QCOMPARE(g.TextMatrix(30, 0), QString());
        QCOMPARE(g.Rows(), 30);
    }

    void formatsBelongToTheCellAndSurviveTextChanges()
    {
        GridWindow w(30);
        FlexGrid &g = *w.grid;
        // Defaults: left-centre, black on white; fixed cells grey.
        QCOMPARE(g.cellAlignmentAt(4, 2), int(FlexGrid::LeftCenter));
        QCOMPARE(g.cellForeColorAt(4, 2), 0L);
        QCOMPARE(g.cellBackColorAt(4, 2), kWhite);
        QVERIFY(g.cellBackColorAt(4, 0) != kWhite);
        QVERIFY(g.cellBackColorAt(0, 3) != kWhite);

        g.setRow(4);
        g.setCol(6);
        g.setCellAlignment(FlexGrid::RightCenter);
        g.setCellForeColor(kRed);
        g.setCellBackColor(kPaleYellow);
        g.setTextMatrix(4, 6, QStringLiteral("-800"));
        g.setTextMatrix(4, 6, QStringLiteral("-900"));
        g.setTextMatrix(4, 6, QString());
        g.setTextMatrix(4, 6, QStringLiteral("1,000"));
        g.setRow(0);
        g.setCol(0);
        QCOMPARE(g.cellAlignmentAt(4, 6), int(FlexGrid::RightCenter));
        QCOMPARE(g.cellForeColorAt(4, 6), kRed);
        QCOMPARE(g.cellBackColorAt(4, 6), kPaleYellow);
        // The neighbours keep theirs.
        QCOMPARE(g.cellForeColorAt(4, 5), 0L);
        QCOMPARE(g.cellBackColorAt(5, 6), kWhite);
        // Through the current cell as well.
        g.setRow(4);
        g.setCol(6);
        QCOMPARE(g.CellAlignment(), int(FlexGrid::RightCenter));
        QCOMPARE(g.CellForeColor(), kRed);
        QCOMPARE(g.CellBackColor(), kPaleYellow);

        // Header cells take formats too, and the header shows them.
        g.setRow(0);
        g.setCol(1);
        g.setCellAlignment(FlexGrid::CenterCenter);
        QCOMPARE(g.cellAlignmentAt(0, 1), int(FlexGrid::CenterCenter));
        QCOMPARE(g.model()->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>(),
                 Qt::AlignCenter);
        QCOMPARE(g.model()->headerData(0, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>(),
                 Qt::AlignLeft | Qt::AlignVCenter);
        QCOMPARE(w.index(4, 6).data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
                 Qt::AlignRight | Qt::AlignVCenter);
    }

    void cellColoursArePaintedWithoutTheViewsOwnHighlight()
    {
        GridWindow w(30);
        FlexGrid &g = *w.grid;
        for (int c = 1; c <= 6; ++c) {
            g.setRow(3);
            g.setCol(c);
            g.setCellBackColor(kPaleYellow);
        }
        // A click moves the view's own current cell; it must leave no mark.
        w.clickCell(5, 2);
        QApplication::processEvents();
        const QImage image = g.viewport()->grab().toImage();
        auto corner = [&](int row, int col) {
            const QRect r = g.visualRect(w.index(row, col));
            return QColor(image.pixel(r.left() + 2, r.top() + 2));
        };
        QCOMPARE(corner(3, 4), vbColor(kPaleYellow));
        QCOMPARE(corner(4, 4), QColor(Qt::white));
        QCOMPARE(corner(5, 2), QColor(Qt::white));
        const QColor fixed = corner(5, 0);
        QVERIFY2(fixed != QColor(Qt::white) && fixed.red() == fixed.blue(), "left column grey");
    }

    void rowsRaiseAndLowerKeepOrDropTheirCells()
    {
        GridWindow w(100);
        FlexGrid &g = *w.grid;
        auto format = [&](int row) {
            g.setRow(row);
            g.setCol(4);
            g.setCellAlignment(FlexGrid::RightCenter);
            g.setCellForeColor(kRed);
            g.setCellBackColor(kPaleYellow);
            g.setTextMatrix(row, 4, QStringLiteral("-5"));
            g.setRowHeight(row, 720);
        };
        format(5);
        format(50);
        g.setRows(10);
        QCOMPARE(g.Rows(), 10);
        QCOMPARE(g.model()->rowCount(), 9);
        QVERIFY(g.Row() < 10);  // the current row follows the grid down
        g.setRows(100);
        QCOMPARE(g.Rows(), 100);
        // Row 5 was kept with everything it had.
        QCOMPARE(g.TextMatrix(5, 4), QStringLiteral("-5"));
        QCOMPARE(g.cellAlignmentAt(5, 4), int(FlexGrid::RightCenter));
        QCOMPARE(g.cellForeColorAt(5, 4), kRed);
        QCOMPARE(g.cellBackColorAt(5, 4), kPaleYellow);
        QCOMPARE(g.RowHeight(5), 720);
        QCOMPARE(g.rowHeight(4), twipsToPixels(720));
        // Row 50 came back as a new empty row.
        QCOMPARE(g.TextMatrix(50, 4), QString());
        QCOMPARE(g.TextMatrix(50, 0), QString());
        QCOMPARE(g.cellAlignmentAt(50, 4), int(FlexGrid::LeftCenter));
        QCOMPARE(g.cellForeColorAt(50, 4), 0L);
        QCOMPARE(g.cellBackColorAt(50, 4), kWhite);
        QCOMPARE(g.RowHeight(50), 240);
        QCOMPARE(g.rowHeight(49), twipsToPixels(240));
        // The header row cannot go.
        g.setRows(0);
        QCOMPARE(g.Rows(), 1);
        QCOMPARE(g.TextMatrix(0, 2), QStringLiteral("項目"));
        // Columns drop and come back the same way.
        g.setRows(10);
        g.setTextMatrix(3, 7, QStringLiteral(" 9"));
        g.setCols(6);
        QCOMPARE(g.Cols(), 6);
        QCOMPARE(g.TextMatrix(3, 7), QString());
        g.setCols(8);
        QCOMPARE(g.TextMatrix(3, 7), QString());
        QCOMPARE(g.TextMatrix(0, 2), QStringLiteral("項目"));
    }

    void sizesAreTwipsAndAZeroWidthColumnStillHoldsText()
    {
        GridWindow w(30);
        FlexGrid &g = *w.grid;
        QCOMPARE(g.ColWidth(1), 1695);
        QCOMPARE(g.columnWidth(1), 113);
        // Widths that are no whole number of pixels read back as written.
        QCOMPARE(g.ColWidth(2), 6325);
        g.setColWidth(2, 13455 - 7130 + 7);
        QCOMPARE(g.ColWidth(2), 6332);
        QCOMPARE(g.columnWidth(2), twipsToPixels(6332));

        QCOMPARE(g.ColWidth(7), 0);
        QCOMPARE(g.columnWidth(7), 0);
        g.setTextMatrix(12, 7, QStringLiteral(" 1234"));
        QCOMPARE(g.TextMatrix(12, 7), QStringLiteral(" 1234"));

        QCOMPARE(g.RowHeight(3), 240);
        g.setRowHeight(3, 720);
        QCOMPARE(g.RowHeight(3), 720);
        QCOMPARE(g.rowHeight(2), 48);
        g.setRowHeight(3, 1080);
        QCOMPARE(g.rowHeight(2), 72);
        QCOMPARE(g.RowHeight(0), 360);
        QCOMPARE(g.horizontalHeader()->height(), 24);
        g.setRowHeight(0, 480);
        QCOMPARE(g.RowHeight(0), 480);
        QCOMPARE(g.horizontalHeader()->height(), 32);

        QCOMPARE(g.Left(), 300);
        QCOMPARE(g.Top(), 1680);
        QCOMPARE(g.Width(), 13455);
        QCOMPARE(g.Height(), 6375);
        QCOMPARE(g.geometry(), QRect(20, 112, 897, 425));
    }

    void wordWrapShowsLongTextOnSeveralLines()
    {
        GridWindow w(30);
        FlexGrid &g = *w.grid;
        g.setColWidth(3, 1200);
        const QString text = QStringLiteral("遠足 バス代 お土産 記念写真 入場料 お弁当 雨具");
        g.setTextMatrix(2, 3, text);
        g.setRowHeight(2, 1440);
        QVERIFY(!g.WordWrap());
        QApplication::processEvents();
        const QRect cell = g.visualRect(w.index(2, 3));
        const auto [top1, bottom1] = inkRows(g.viewport()->grab().toImage(), cell);
        QVERIFY(top1 >= 0);

        g.setWordWrap(true);
        QVERIFY(g.WordWrap());
        QVERIFY(g.wordWrap());
        QApplication::processEvents();
        const auto [top2, bottom2] = inkRows(g.viewport()->grab().toImage(), cell);
        QVERIFY(top2 >= 0);
        QVERIFY2(bottom2 - top2 > 2 * (bottom1 - top1),
                 qPrintable(QStringLiteral("one line %1 px, wrapped %2 px")
                                .arg(bottom1 - top1).arg(bottom2 - top2)));
        QCOMPARE(g.TextMatrix(2, 3), text);
    }

    // ---- grid: mouse --------------------------------------------------------

    void aMouseClickReportsTheClickedCellOnce()
    {
        GridWindow w(100);
        FlexGrid &g = *w.grid;
        QList<QPoint> clicks;
        connect(&g, &FlexGrid::Click, &g, [&] { clicks << QPoint(g.Col(), g.Row()); });

        w.clickCell(3, 2);
        QCOMPARE(clicks, QList<QPoint>{QPoint(2, 3)});

        clicks.clear();
        w.clickCell(7, 6);
        QCOMPARE(clicks, QList<QPoint>{QPoint(6, 7)});
        QCOMPARE(g.Row(), 7);
        QCOMPARE(g.Col(), 6);

        // The fixed left column is a cell like any other.
        clicks.clear();
        w.clickCell(4, 0);
        QCOMPARE(clicks, QList<QPoint>{QPoint(0, 4)});

        // Only the left button clicks.
        clicks.clear();
        w.clickCell(5, 1, Qt::RightButton);
        QVERIFY(clicks.isEmpty());
        QCOMPARE(g.Row(), 4);
        QCOMPARE(g.Col(), 0);

        // A double click is one click: the window system delivers press,
        // release, press, double-click, release.
        const QPoint at = g.visualRect(w.index(6, 3)).center();
        QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, at);
        QTest::mousePress(g.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(g.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(g.viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(clicks, QList<QPoint>{QPoint(3, 6)});
        clicks.clear();

        // Pressing on one cell and letting go on another is no click.
        const QPoint from = g.visualRect(w.index(5, 1)).center();
        const QPoint to = g.visualRect(w.index(8, 1)).center();
        QTest::mousePress(g.viewport(), Qt::LeftButton, {}, from);
        QTest::mouseRelease(g.viewport(), Qt::LeftButton, {}, to);
        QVERIFY(clicks.isEmpty());

        // A click on the half-visible last row gives that row and does not
        // scroll it away under the pointer.
        int lastShown = 1;
        while (g.visualRect(w.index(lastShown + 1, 1)).top() < g.viewport()->height())
            ++lastShown;
        const QRect part = g.visualRect(w.index(lastShown, 1))
                               .intersected(g.viewport()->rect());
        QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, part.center());
        QCOMPARE(clicks, QList<QPoint>{QPoint(1, lastShown)});
        QCOMPARE(g.TopRow(), 1);
    }

    void aClickOnTheHeaderGivesRowZero()
    {
        GridWindow w(100);
        FlexGrid &g = *w.grid;
        g.setTopRow(30);
        QList<QPoint> clicks;
        connect(&g, &FlexGrid::Click, &g, [&] { clicks << QPoint(g.Col(), g.Row()); });
        QHeaderView *header = g.horizontalHeader();
        const QPoint at(header->sectionViewportPosition(2) + 10, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(clicks, QList<QPoint>{QPoint(2, 0)});
        QCOMPARE(g.TopRow(), 30);
    }

    void clickCellActsLikeAUserClick()
    {
        GridWindow w(100);
        FlexGrid &g = *w.grid;
        QList<QPoint> clicks;
        connect(&g, &FlexGrid::Click, &g, [&] { clicks << QPoint(g.Col(), g.Row()); });
        g.clickCell(12, 3);
        g.clickCell(0, 5);
        QCOMPARE(clicks, (QList<QPoint>{QPoint(3, 12), QPoint(5, 0)}));
    }

    // ---- grid: scrolling and cell positions ---------------------------------

    void scrollingReportsTheNewTopRow()
    {
        GridWindow w(200);
        FlexGrid &g = *w.grid;
        QCOMPARE(g.TopRow(), 1);
        QList<int> tops;
        connect(&g, &FlexGrid::Scroll, &g, [&] { tops << g.TopRow(); });

        // The wheel, as the user scrolls.
        const QPoint pos = g.viewport()->rect().center();
        QWheelEvent wheel(pos, g.viewport()->mapToGlobal(pos), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(g.viewport(), &wheel);
        QCOMPARE(tops.size(), 1);
        QVERIFY(tops.last() > 1);
        QCOMPARE(tops.last(), g.TopRow());
        // The first row in view is TopRow.
        QCOMPARE(g.indexAt(QPoint(5, 1)).row() + 1, g.TopRow());

        // The scroll bar, as the user drags it.
        tops.clear();
        g.verticalScrollBar()->setValue(40);
        QCOMPARE(tops, QList<int>{41});
        QCOMPARE(g.indexAt(QPoint(5, 1)).row() + 1, 41);

        // The keyboard cursor scrolls its cell into view; Enter clicks it.
        tops.clear();
        g.setFocus();
        QTest::keyClick(&g, Qt::Key_End);
        QCOMPARE(g.keyRow(), g.Rows() - 1);
        QVERIFY(!tops.isEmpty());
        QVERIFY(tops.last() > 41);
        QCOMPARE(tops.last(), g.TopRow());
        QTest::keyClick(&g, Qt::Key_Up);
        QCOMPARE(g.keyRow(), g.Rows() - 2);
        QTest::keyClick(&g, Qt::Key_Right);
        int clicks = 0;
        connect(&g, &FlexGrid::Click, &g, [&] { ++clicks; });
        QTest::keyClick(&g, Qt::Key_Return);
        QCOMPARE(clicks, 1);
        QCOMPARE(g.Row(), g.Rows() - 2);
        QCOMPARE(g.Col(), 2);
        QTest::keyClick(&g, Qt::Key_Home);
        QCOMPARE(g.keyRow(), 1);
        QCOMPARE(g.TopRow(), 1);

        tops.clear();
        g.setTopRow(20);
        QCOMPARE(g.TopRow(), 20);
        QCOMPARE(tops, QList<int>{20});
        g.setTopRow(1);
        QCOMPARE(g.TopRow(), 1);
    }

    void theHeaderRowStaysInViewWhenScrolled()
    {
        GridWindow w(200);
        FlexGrid &g = *w.grid;
        const QRect headerBefore = g.horizontalHeader()->geometry();
        g.setTopRow(150);
        QApplication::processEvents();
        QCOMPARE(g.TopRow(), 150);
        QVERIFY(g.horizontalHeader()->isVisible());
        QCOMPARE(g.horizontalHeader()->geometry(), headerBefore);
        QVERIFY(headerBefore.bottom() < g.viewport()->geometry().top());
        // The header still shows row 0's texts.
        const QImage header = g.horizontalHeader()->grab().toImage();
        const int x0 = g.horizontalHeader()->sectionViewportPosition(2);
        const auto [top, bottom] = inkRows(header, QRect(x0, 0, 60, header.height()));
        QVERIFY(top >= 0 && bottom > top);
    }

    void cellOffsetsPointAtTheCellOnScreen()
    {
        GridWindow w(200);
        FlexGrid &g = *w.grid;
        for (int r = 1; r < 200; r += 3)
            g.setRowHeight(r, 720);

        auto check = [&](int row, int col) {
            g.setRow(row);
            g.setCol(col);
            const QRect cell = w.cellRectInGrid(row, col);
            QCOMPARE(twipsToPixels(g.CellLeft()), cell.left());
            QCOMPARE(twipsToPixels(g.CellTop()), cell.top());
            // An editor laid over the cell from the parent's side covers it.
            QLineEdit editor(&w.window);
            editor.move(twipsToPixels(g.Left() + g.CellLeft()), twipsToPixels(g.Top() + g.CellTop()));
            QCOMPARE(editor.pos(), g.mapTo(&w.window, cell.topLeft()));
        };
        check(1, 1);
        check(4, 2);
        check(6, 6);

        g.setTopRow(30);
        check(30, 1);
        check(33, 3);
        check(40, 5);

        // The wheel moves the offsets with the cell.
        g.setRow(40);
        g.setCol(5);
        const int before = g.CellTop();
        const QPoint pos = g.viewport()->rect().center();
        QWheelEvent wheel(pos, g.viewport()->mapToGlobal(pos), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(g.viewport(), &wheel);
        QVERIFY(g.CellTop() < before);
        check(40, 5);

        // Row 0's top is the header's, wherever the body is scrolled.
        g.setRow(0);
        g.setCol(2);
        QCOMPARE(twipsToPixels(g.CellTop()), g.horizontalHeader()->geometry().top());
        QCOMPARE(twipsToPixels(g.CellLeft()), w.cellRectInGrid(40, 2).left());

        // A taller header pushes the body down, and the offsets follow.
        g.setTopRow(1);
        g.setRowHeight(0, 720);
        check(1, 1);
        QCOMPARE(twipsToPixels(g.CellTop()) - g.horizontalHeader()->geometry().top(), 48);
    }

    void aLargeGridFills()
    {
        // Filled the way the entry grids fill: grow in steps, format, write,
        // set heights. No timing here; the point is that it completes and holds.
        GridWindow w(100);
        FlexGrid &g = *w.grid;
        const int last = 30000;
        for (int r = 1; r <= last; ++r) {
            if (r + 1 > g.Rows() - 99)
                g.setRows(r + 100);
            g.setRow(r);
            g.setCol(1);
            g.setCellAlignment(FlexGrid::CenterCenter);
            g.setCol(6);
            g.setCellAlignment(FlexGrid::RightCenter);
            g.setTextMatrix(r, 0, QStringLiteral(" %1").arg(r));
            g.setTextMatrix(r, 1, QStringLiteral("2026/04/01"));
            g.setTextMatrix(r, 2, QStringLiteral("項目%1").arg(r));
            g.setRowHeight(r, r % 7 == 0 ? 720 : 360);
            g.setTextMatrix(r, 3, QStringLiteral("内訳"));
            g.setTextMatrix(r, 4, QStringLiteral("1,000"));
            g.setTextMatrix(r, 5, QStringLiteral("30"));
            g.setTextMatrix(r, 6, QStringLiteral("30,000"));
            g.setTextMatrix(r, 7, QStringLiteral(" %1").arg(r * 2));
        }
        QCOMPARE(g.Rows(), last + 100);
        QCOMPARE(g.TextMatrix(last, 2), QStringLiteral("項目30000"));
        QCOMPARE(g.TextMatrix(last, 7), QStringLiteral(" 60000"));
        QCOMPARE(g.cellAlignmentAt(last, 6), int(FlexGrid::RightCenter));
        QCOMPARE(g.RowHeight(29995), 720);

        // And a grid set to its full size at once.
        g.setRows(30100);
        for (int r = 1; r <= last; ++r)
            for (int c = 0; c < 8; ++c)
                g.setTextMatrix(r, c, QString::number(r * 10 + c));
        QCOMPARE(g.TextMatrix(29999, 3), QStringLiteral("299993"));

        g.setTopRow(29990);
        QApplication::processEvents();
        QCOMPARE(g.TopRow(), 29990);
        g.setRow(29995);
        g.setCol(2);
        QCOMPARE(twipsToPixels(g.CellTop()), w.cellRectInGrid(29995, 2).top());
        QCOMPARE(w.index(29995, 2).data().toString(), QStringLiteral("299952"));
    }

    // ---- date picker --------------------------------------------------------

    void datePickerBasics()
    {
        QWidget window;
        auto *picker = new DatePicker(&window);
        picker->moveTwips(1500, 300);
        QCOMPARE(picker->pos(), QPoint(100, 20));
        QCOMPARE(picker->Left(), 1500);
        QCOMPARE(picker->Top(), 300);
        picker->setValue(QDate(2003, 4, 5));
        QCOMPARE(picker->Value(), QDate(2003, 4, 5));
        QCOMPARE(picker->text(), QStringLiteral("2003/04/05"));
        QCOMPARE(picker->minimumDate(), QDate(1900, 1, 1));
        QCOMPARE(picker->maximumDate(), QDate(9999, 12, 31));
        picker->setValue(QDate(1899, 12, 31));
        QCOMPARE(picker->Value(), QDate(1900, 1, 1));
        QVERIFY(picker->calendarPopup());
        openCalendar(*picker);
        QCOMPARE(picker->calendarWidget()->locale().language(), QLocale::Japanese);
        QCOMPARE(picker->calendarWidget()->firstDayOfWeek(), Qt::Sunday);
    }

    void choosingADayInTheCalendarClosesUpOnce()
    {
        ShownPicker shown;
        QVERIFY(shown.exposed);
        DatePicker *picker = shown.picker;
        QList<QDate> closeUps;
        connect(picker, &DatePicker::CloseUp, picker, [&] { closeUps << picker->Value(); });

        openCalendar(*picker);
        QTableView *view = calendarView(*picker);
        QVERIFY(view);
        const QModelIndex day = dayCell(view, 20);
        QVERIFY(day.isValid());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(day).center());
        waitClosed(*picker);
        QCOMPARE(closeUps, QList<QDate>{QDate(2026, 5, 20)});
        QCOMPARE(picker->Value(), QDate(2026, 5, 20));

        // Enter on a day chosen with the arrow keys chooses it too.
        closeUps.clear();
        openCalendar(*picker);
        view = calendarView(*picker);
        QTest::keyClick(view, Qt::Key_Right);
        QTest::keyClick(view, Qt::Key_Down);
        QTest::keyClick(view, Qt::Key_Return);
        waitClosed(*picker);
        QCOMPARE(closeUps, QList<QDate>{QDate(2026, 5, 28)});
        QCOMPARE(picker->Value(), QDate(2026, 5, 28));
    }

    void closingTheCalendarWithoutChoosingIsNoCloseUp()
    {
        ShownPicker shown;
        QVERIFY(shown.exposed);
        DatePicker *picker = shown.picker;
        QSignalSpy closeUps(picker, &DatePicker::CloseUp);

        // Escape, after browsing a few days: the field had followed the
        // browsing and goes back to the date it had.
        openCalendar(*picker);
        QTableView *view = calendarView(*picker);
        QTest::keyClick(view, Qt::Key_Right);
        QTest::keyClick(view, Qt::Key_Right);
        QCOMPARE(picker->Value(), QDate(2026, 5, 3));
        QTest::keyClick(view, Qt::Key_Escape);
        waitClosed(*picker);
        QCOMPARE(closeUps.count(), 0);
        QCOMPARE(picker->Value(), QDate(2026, 5, 1));

        // A click outside the calendar, likewise.
        openCalendar(*picker);
        view = calendarView(*picker);
        QTest::keyClick(view, Qt::Key_Down);
        QWidget *popup = popupOf(*picker);
        QTest::mouseClick(popup, Qt::LeftButton, {}, QPoint(-20, popup->height() + 20));
        waitClosed(*picker);
        QCOMPARE(closeUps.count(), 0);
        QCOMPARE(picker->Value(), QDate(2026, 5, 1));

        // A later real choice still counts once.
        openCalendar(*picker);
        view = calendarView(*picker);
        const QModelIndex day = dayCell(view, 14);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(day).center());
        waitClosed(*picker);
        QCOMPARE(closeUps.count(), 1);
        QCOMPARE(picker->Value().day(), 14);
    }

    void keysInTheFieldAreReported()
    {
        ShownPicker shown;
        QVERIFY(shown.exposed);
        DatePicker *picker = shown.picker;
        picker->setFocus();
        QList<int> keys;
        connect(picker, &DatePicker::KeyDown, picker, [&](int key) { keys << key; });
        QTest::keyClick(picker, Qt::Key_Return);
        QTest::keyClick(picker, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(keys, (QList<int>{13, 13}));
        QCOMPARE(picker->Value(), QDate(2026, 5, 1));

        // Other keys keep their codes and their normal effect.
        keys.clear();
        QTest::keyClick(picker, Qt::Key_Up);
        QCOMPARE(keys, QList<int>{int(Qt::Key_Up)});
        QVERIFY(picker->Value() != QDate(2026, 5, 1));
    }
};

HARUMOKA_TEST_MAIN(TestControls)
#include "tst_controls.moc"
