// The window on other desktops: every colour the program sets reads against
// what is drawn behind it under a dark theme and stays as designed under the
// light one; the window fits the screen at any scale, with every sheet and
// button in reach. CTest runs this twice: on a large screen at scale 1
// (HARUMOKA_SCREEN_CASE=designed) and at scale 2 on 1600×1200 (=scrolled).
#include "model/values.h"
#include "support/test_main.h"
#include "support/test_util.h"
#include "support/window_fixture.h"
#include "ui/detail/detail_window.h"
#include "ui/widgets/flexgrid.h"
#include "ui/sheets/income_sheet.h"
#include "ui/widgets/readable_colors.h"
#include "ui/sheets/summary_sheet.h"
#include "ui/sheets/expense_sheet.h"
#include "support/parts.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>

namespace {

// A dark theme as desktops set it (the greys of GTK's Adwaita dark).
QPalette darkPalette()
{
    const QColor window(53, 53, 53), base(42, 42, 42), text(238, 238, 236);
    QPalette p(text, window, window.lighter(), window.darker(), window, text, text, base, window);
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    return p;
}

// What an element shows on screen, and the colour its text is drawn in.
struct Probe {
    QImage image;
    QColor text;
};

Probe cell(FlexGrid *g, int row, int col)
{
    if (row == 0) {
        QHeaderView *h = g->horizontalHeader();
        return {h->grab(QRect(h->sectionViewportPosition(col), 0, h->sectionSize(col), h->height())).toImage(),
                g->model()->headerData(col, Qt::Horizontal, Qt::ForegroundRole).value<QBrush>().color()};
    }
    const QModelIndex index = g->model()->index(row - 1, col);
    return {g->viewport()->grab(g->visualRect(index)).toImage(), index.data(Qt::ForegroundRole).value<QBrush>().color()};
}

Probe label(QLabel *l)
{
    QWidget *w = l->window();
    return {w->grab(QRect(l->mapTo(w, QPoint(0, 0)), l->size())).toImage(), l->palette().color(l->foregroundRole())};
}

// The background is what most of an element's pixels show.
QColor background(const QImage &image)
{
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    auto most = std::max_element(counts.cbegin(), counts.cend());
    return QColor::fromRgb(most == counts.cend() ? 0 : most.key());
}

enum Where { Remainder, IncomeGrid, SupplyGrid, SummaryTotals, DetailSum };

} // namespace

class TestScreens : public QObject {
    Q_OBJECT
private slots:
    void coloursReadOnEveryTheme_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<int>("where");
        QTest::addColumn<int>("row"); // for DetailSum: the second detail line's amount (the expense is 5000)
        QTest::addColumn<int>("col");
        QTest::addColumn<QColor>("designed");
        const QColor red(255, 0, 0), black(0, 0, 0), blue(0, 0, 255);
        struct Element { const char *name; Where where; int row, col; QColor designed; };
        const Element elements[] = {
            {"remainder negative", Remainder, 0, 0, red}, {"remainder positive", Remainder, 1, 0, black},
            {"amount negative", IncomeGrid, 2, 6, red},   {"amount positive", IncomeGrid, 1, 6, black},
            {"selected row", IncomeGrid, -2, 6, red},     {"header", IncomeGrid, 0, 1, black},
            {"left column", IncomeGrid, 1, 0, black},     {"receipt", SupplyGrid, 1, 2, red},
            {"summary totals", SummaryTotals, 0, 2, black}, {"detail sum larger", DetailSum, 4500, 0, red},
            {"detail sum smaller", DetailSum, 3000, 0, blue}, {"detail sum equal", DetailSum, 4000, 0, black},
        };
        for (bool dark : {false, true})
            for (const Element &e : elements)
                QTest::addRow("%s %s", dark ? "dark" : "light", e.name)
                    << dark << int(e.where) << e.row << e.col << e.designed;
    }
    void coloursReadOnEveryTheme()
    {
        QFETCH(bool, dark);
        QFETCH(int, where);
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(QColor, designed);
        // The program starts on a dark desktop.
        const QPalette light = QApplication::palette();
        if (dark)
            QApplication::setPalette(darkPalette());
        auto restore = qScopeGuard([&] { QApplication::setPalette(light); });
        WindowFixture f;
        f.add(income(d(2026, 4, 10), "学級費", 3000));
        f.add(income(d(2026, 4, 12), "返金", -500));
        auto paper = f.add(expense(d(2026, 4, 15), "画用紙", 5000, QString(), 7));
        f.setDetails(paper, {{"紙", 1000}, {"のり", where == DetailSum ? row : 4000}});
        if (where == Remainder && row == 1)
            f.add(income(d(2026, 4, 20), "寄付", 10000));
        f.refill();

        Probe probe;
        FlexGrid *income = part<FlexGrid>(*f.w, "MSFlexGridIncome");
        part<QTabWidget>(*f.w, "SSTabSheets")->setCurrentIndex(where == SupplyGrid ? 2 : where == SummaryTotals ? 3 : 1);
        if (where == Remainder) {
            probe = label(part<QLabel>(*f.w, "LabelIncomeRemainder"));
        } else if (where == IncomeGrid) {
            if (row < 0)
                income->clickCell(row = -row, 1);
            probe = cell(income, row, col);
        } else if (where == SupplyGrid) {
            probe = cell(part<FlexGrid>(*f.w, "MSFlexGridSupply"), row, col);
        } else if (where == SummaryTotals) {
            FlexGrid *g = part<SummarySheet>(*f.w, "summarySheets", 0)->grid();
            while (row < g->Rows() - 1 && g->TextMatrix(row, 1) != QStringLiteral("合　計"))
                ++row;
            probe = cell(g, row, col);
        } else {
            part<QTabWidget>(*f.w, "SSTabSheets")->setCurrentIndex(2);
            part<FlexGrid>(*f.w, "MSFlexGridSupply")->clickCell(1, 6);
            part<QPushButton>(*f.w, "CommandSupplyDetail")->click();
            auto *dw = f.w->findChild<DetailWindow *>();
            QVERIFY(dw);
            probe = label(part<QLabel>(*dw, "LabelDetailSum"));
            dw->forceUnload();
        }
        QVERIFY(!probe.image.isNull());
        if (!dark) {
            QCOMPARE(probe.text.rgb(), designed.rgb());
            return;
        }
        const QColor behind = background(probe.image);
        const double ratio = contrastRatio(probe.text, behind);
        QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("%1 on %2: %3:1")
                                              .arg(probe.text.name(), behind.name()).arg(ratio, 0, 'f', 2)));
    }

    void windowFitsTheScreen()
    {
        const QString expected = qEnvironmentVariable("HARUMOKA_SCREEN_CASE");
        if (expected.isEmpty())
            QSKIP("run by CTest with a screen set up (HARUMOKA_SCREEN_CASE)");
        WindowFixture f;
        QTRY_VERIFY(f.w->isVisible());
        const QRect available = f.w->screen()->availableGeometry();
        const QRect frame = f.w->frameGeometry();
        QVERIFY2(available.contains(frame), qPrintable(QDebug::toString(frame) + QDebug::toString(available)));
        auto *area = qobject_cast<QScrollArea *>(f.w->centralWidget());
        QVERIFY(area);
        QWidget *sheets = area->widget();
        if (expected == QLatin1String("designed")) {
            // The sheets at their designed size, nothing to scroll.
            QCOMPARE(area->viewport()->size(), sheets->size());
            QVERIFY(!area->horizontalScrollBar()->isVisible() && !area->verticalScrollBar()->isVisible());
            return;
        }
        QCOMPARE(expected, QStringLiteral("scrolled"));
        QVERIFY(area->viewport()->width() < sheets->width());

        // The last sheet's tab, then every button of the entry sheets: each can
        // be scrolled fully into view, and the tab takes a click.
        QTabBar *tabs = part<QTabWidget>(*f.w, "SSTabSheets")->tabBar();
        const int last = tabs->count() - 1;
        const QRect tab(tabs->mapTo(sheets, tabs->tabRect(last).topLeft()), tabs->tabRect(last).size());
        area->ensureVisible(tab.center().x(), tab.center().y(), tab.width() / 2 + 1, tab.height() / 2 + 1);
        QVERIFY(area->viewport()->rect().contains(tab.translated(-area->horizontalScrollBar()->value(),
                                                                 -area->verticalScrollBar()->value())));
        QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(last).center());
        QCOMPARE(part<QTabWidget>(*f.w, "SSTabSheets")->currentIndex(), last);
        for (int sheet : {1, 2}) {
            part<QTabWidget>(*f.w, "SSTabSheets")->setCurrentIndex(sheet);
            const auto buttons = part<QTabWidget>(*f.w, "SSTabSheets")->widget(sheet)->findChildren<QPushButton *>();
            QVERIFY(!buttons.isEmpty());
            for (QPushButton *b : buttons) {
                area->ensureWidgetVisible(b, 0, 0);
                const QRect inView(b->mapTo(area->viewport(), QPoint(0, 0)), b->size());
                QVERIFY2(area->viewport()->rect().contains(inView), qPrintable(b->text()));
            }
        }

        // The view follows the keyboard and nothing else: an amount's editor
        // comes wholly into view; recording it gives the focus back to the grid,
        // whose cell is still in view, so the view stays where it is; focus
        // on a hidden sheet leaves it alone.
        f.add(income(d(2026, 4, 1), "A", 100));
        f.refill();
        IncomeSheet *in = f.showIncome();
        area->horizontalScrollBar()->setValue(0);
        mouseClickCell(in->grid(), 1, 6);
        QWidget *editor = QApplication::focusWidget();
        QCOMPARE(editor->objectName(), QStringLiteral("TextIncomeAmount"));
        QVERIFY(area->viewport()->rect().contains(QRect(editor->mapTo(area->viewport(), QPoint(0, 0)), editor->size())));
        const QPoint scrolled(area->horizontalScrollBar()->value(), area->verticalScrollBar()->value());
        commitText(QStringLiteral("２００"));
        pressKey(Qt::Key_Return);
        QCOMPARE(f.doc().entryAt(true, 1)->amount, 200);
        QCOMPARE(QApplication::focusWidget(), in->grid());
        part<QWidget>(*f.w, "TextSupplyNo")->setFocus();
        QCOMPARE(QPoint(area->horizontalScrollBar()->value(), area->verticalScrollBar()->value()), scrolled);
    }
};

HARUMOKA_TEST_MAIN(TestScreens)
#include "tst_screens.moc"
