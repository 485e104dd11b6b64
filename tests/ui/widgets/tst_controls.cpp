#include "support/test_main.h"
#include "ui/widgets/datepicker.h"
#include "ui/widgets/flexgrid.h"
#include "ui/widgets/twips.h"

#include <QAbstractItemModelTester>
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

// A list of `items` rows of text in the entry grids' columns: row r's
// article is "項目r", every third one long enough to wrap.
class TextTable : public GridTable {
public:
    explicit TextTable(int items)
        : GridTable({{QStringLiteral("No."), Qt::AlignLeft, Qt::AlignLeft, 500},
                     {QStringLiteral("日付"), Qt::AlignHCenter, Qt::AlignHCenter, 1695},
                     {QStringLiteral("項目"), Qt::AlignHCenter, Qt::AlignLeft, -7130},
                     {QStringLiteral("内訳"), Qt::AlignHCenter, Qt::AlignLeft, 1575},
                     {QStringLiteral("一人分"), Qt::AlignHCenter, Qt::AlignRight, 1000},
                     {QStringLiteral("生徒数"), Qt::AlignHCenter, Qt::AlignRight, 800},
                     {QStringLiteral("金額"), Qt::AlignHCenter, Qt::AlignRight, 1200}})
    {
        resetItems(items);
    }
    int selected = 0;
    int selectedRow() const override { return selected; }
    void selectRow(int row) override
    {
        selected = row;
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }

private:
    QString text(int row, int col) const override
    {
        if (col == 2)
            return (row + 1) % 3 == 0 ? QStringLiteral("遠足 バス代 お土産 記念写真 入場料 お弁当 雨具 %1").arg(row + 1).repeated(3)
                                      : QStringLiteral("項目%1").arg(row + 1);
        return col == 6 ? QStringLiteral("-1,234") : QString();
    }
    QColor color(int, int col) const override { return col == 6 ? vbColor(kGridRed) : QColor(); }
    bool isSelected(int row) const override { return row + 1 == selected; }
    void fetchItems(int, int) override {}
    void dropItems() override {}
};

// A window holding one grid laid out like the entry grids, shown so that
// geometry, painting and mouse input are real.
struct GridWindow {
    TextTable table;
    QWidget window;
    FlexGrid *grid;

    explicit GridWindow(int items = 100, int gridHeightTwips = 6375) : table(items)
    {
        window.resize(twipsToPixels(13455 + 600), twipsToPixels(gridHeightTwips + 2400));
        grid = new FlexGrid(&window);
        grid->setTwipsGeometry(300, 1680, 13455, gridHeightTwips);
        grid->setRowHeight(0, 360);
        grid->setTable(&table);
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
    // ---- grid: the view over its table --------------------------------------

    void theGridShowsItsTableAndFetchesRowsAsTheyAreNeeded()
    {
        TextTable tested(600);
        QAbstractItemModelTester tester(&tested, QAbstractItemModelTester::FailureReportingMode::QtTest);
        tested.fetchAll();
        GridWindow w(600);
        FlexGrid &g = *w.grid;
        QCOMPARE(g.Cols(), 7);
        QCOMPARE(g.ColWidth(2), 13455 - 7130);
        // Only what the view needs is there; a row read further down comes in.
        QVERIFY(g.Rows() - 1 < 600);
        QCOMPARE(g.TextMatrix(0, 2), QStringLiteral("項目"));
        QCOMPARE(g.TextMatrix(1, 0), QStringLiteral(" 1"));
        QCOMPARE(g.TextMatrix(500, 2), QStringLiteral("項目500"));
        QCOMPARE(g.cellAlignmentAt(500, 6), int(FlexGrid::RightCenter));
        QCOMPARE(g.cellAlignmentAt(0, 2), int(FlexGrid::CenterCenter));
        QCOMPARE(g.cellForeColorAt(500, 6), kRed);
        // End goes to the blank row below the list, every row in by then.
        g.setFocus();
        QTest::keyClick(&g, Qt::Key_End);
        QCOMPARE(g.keyRow(), 601);
        QCOMPARE(g.Rows(), 1 + 600 + GridTable::kBlankRows);
        QCOMPARE(g.TextMatrix(601, 0), QString());
        QVERIFY(!g.verticalHeader()->isVisible());
        // Numbered rows are as high as their wrapped text; blank rows keep the default.
        QCOMPARE(g.RowHeight(1), 360);
        QVERIFY(g.RowHeight(3) >= 720);
        QCOMPARE(g.verticalHeader()->sectionSize(2), twipsToPixels(g.RowHeight(3)));
        QCOMPARE(g.RowHeight(601), 240);
    }

    void cellColoursArePaintedWithoutTheViewsOwnHighlight()
    {
        GridWindow w(30);
        FlexGrid &g = *w.grid;
        w.table.selectRow(3);
        // A click moves the view's own current cell; it must leave no mark.
        w.clickCell(5, 3);
        QApplication::processEvents();
        const QImage image = g.viewport()->grab().toImage();
        auto corner = [&](int row, int col) {
            const QRect r = g.visualRect(w.index(row, col));
            return QColor(image.pixel(r.left() + 2, r.top() + 2));
        };
        QCOMPARE(corner(3, 4), vbColor(kPaleYellow));
        QCOMPARE(g.cellBackColorAt(3, 4), kPaleYellow);
        QCOMPARE(corner(4, 4), QColor(Qt::white));
        QCOMPARE(corner(5, 3), QColor(Qt::white));
        const QColor fixed = corner(5, 0);
        QVERIFY2(fixed != QColor(Qt::white) && fixed.red() == fixed.blue(), "left column grey");
        // Tab on the selected row goes on to its next cell.
        QList<QPoint> clicks;
        connect(&g, &FlexGrid::Click, &g, [&] { clicks << QPoint(g.Col(), g.Row()); });
        g.setFocus();
        g.setKeyCell(3, 2);
        QTest::keyClick(&g, Qt::Key_Tab);
        g.setKeyCell(3, 2);
        QTest::keyClick(&g, Qt::Key_Backtab);
        QCOMPARE(clicks, (QList<QPoint>{QPoint(3, 3), QPoint(1, 3)}));
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
        QCOMPARE(g.keyRow(), 201);
        QVERIFY(!tops.isEmpty());
        QVERIFY(tops.last() > 41);
        QCOMPARE(tops.last(), g.TopRow());
        QTest::keyClick(&g, Qt::Key_Up);
        QCOMPARE(g.keyRow(), 200);
        QTest::keyClick(&g, Qt::Key_Right);
        int clicks = 0;
        connect(&g, &FlexGrid::Click, &g, [&] { ++clicks; });
        QTest::keyClick(&g, Qt::Key_Return);
        QCOMPARE(clicks, 1);
        QCOMPARE(g.Row(), 200);
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
        const auto [top, bottom] = inkRows(header, QRect(x0, 0, g.horizontalHeader()->sectionSize(2), header.height()));
        QVERIFY(top >= 0 && bottom > top);
    }

    void cellOffsetsPointAtTheCellOnScreen()
    {
        GridWindow w(200); // every third row two lines high or more
        FlexGrid &g = *w.grid;

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
