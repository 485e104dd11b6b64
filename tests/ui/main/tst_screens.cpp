// The window on other desktops: every colour the program sets reads against
// what is drawn behind it under a dark theme and stays as designed under the
// light one; the window fits the screen at any scale, with every sheet and
// button in reach. CTest runs this twice: on a large screen at scale 1
// (HARUMOKA_SCREEN_CASE=designed) and at scale 2 on 1600×1200 (=scrolled).
#include "model/values.h"
#include "support/test_main.h"
#include "support/test_util.h"
#include "support/window_fixture.h"
#include "ui/detail/frmdetail.h"
#include "ui/main/flexgrid.h"
#include "ui/main/income_sheet.h"
#include "ui/main/readable_colors.h"
#include "ui/main/summary_sheet.h"
#include "ui/main/supply_sheet.h"
#include "ui/main/twips.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>

namespace {

// A dark theme as desktops set it (the colours of Qt's and GTK's dark schemes).
QPalette darkPalette()
{
    QPalette p;
    p.setColor(QPalette::Window, QColor(53, 53, 53));
    p.setColor(QPalette::WindowText, QColor(238, 238, 236));
    p.setColor(QPalette::Base, QColor(42, 42, 42));
    p.setColor(QPalette::AlternateBase, QColor(66, 66, 66));
    p.setColor(QPalette::Text, QColor(238, 238, 236));
    p.setColor(QPalette::Button, QColor(53, 53, 53));
    p.setColor(QPalette::ButtonText, QColor(238, 238, 236));
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, QColor(53, 53, 53));
    p.setColor(QPalette::ToolTipText, QColor(238, 238, 236));
    return p;
}

// What is drawn in `rect` of `surface`, and the colour its text is drawn in.
struct Probe {
    QImage image;
    QColor text;
};

Probe cell(FlexGrid *g, int row, int col)
{
    if (row == 0) {
        QHeaderView *h = g->horizontalHeader();
        const QRect r(h->sectionViewportPosition(col), 0, h->sectionSize(col), h->height());
        return {h->grab(r).toImage(),
                g->model()->headerData(col, Qt::Horizontal, Qt::ForegroundRole).value<QBrush>().color()};
    }
    const QModelIndex index = g->model()->index(row - 1, col);
    return {g->viewport()->grab(g->visualRect(index)).toImage(),
            index.data(Qt::ForegroundRole).value<QBrush>().color()};
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
            ++counts[image.pixel(x, y) | 0xFF000000u];
    QRgb best = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most) {
            most = it.value();
            best = it.key();
        }
    return QColor::fromRgb(best);
}

frmDetail *openDetail(WindowFixture &f, int row)
{
    f.w->SSTabSheets->setCurrentIndex(2);
    f.w->supplySheet->MSFlexGridSupply->clickCell(row, 6);
    f.w->supplySheet->CommandSupplyDetail->click();
    return f.w->findChild<frmDetail *>();
}

} // namespace

class TestScreens : public QObject {
    Q_OBJECT
private slots:
    void coloursReadOnEveryTheme_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QString>("element");
        QTest::addColumn<QColor>("designed");
        const QColor red(255, 0, 0), black(0, 0, 0), blue(0, 0, 255);
        const QList<QPair<const char *, QColor>> elements = {
            {"remainder negative", red},      {"remainder positive", black},   {"income amount negative", red},
            {"income amount positive", black}, {"selected row amount", red},     {"expense receipt", red},
            {"grid header", black},           {"grid left column", black},     {"summary balance negative", red},
            {"summary totals", black},        {"detail sum larger", red},      {"detail sum smaller", blue},
            {"detail sum equal", black},
        };
        for (bool dark : {false, true})
            for (const auto &[element, designed] : elements)
                QTest::addRow("%s %s", dark ? "dark" : "light", element)
                    << dark << QString::fromLatin1(element) << designed;
    }
    void coloursReadOnEveryTheme()
    {
        QFETCH(bool, dark);
        QFETCH(QString, element);
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
        if (element == QLatin1String("remainder positive"))
            f.add(income(d(2026, 4, 20), "寄付", 10000));
        const qint32 detailSecond = element.endsWith(QLatin1String("larger")) ? 4500
                                    : element.endsWith(QLatin1String("smaller")) ? 3000 : 4000;
        setDetails(paper, {{"紙", 1000}, {"のり", detailSecond}});
        f.refill();

        Probe probe;
        if (element.startsWith(QLatin1String("remainder"))) {
            f.w->SSTabSheets->setCurrentIndex(1);
            probe = label(f.w->incomeSheet->LabelIncomeRemainder);
        } else if (element.startsWith(QLatin1String("income amount"))) {
            f.w->SSTabSheets->setCurrentIndex(1);
            probe = cell(f.w->incomeSheet->MSFlexGridIncome, element.endsWith(QLatin1String("negative")) ? 2 : 1, 6);
        } else if (element == QLatin1String("selected row amount")) {
            f.w->SSTabSheets->setCurrentIndex(1);
            f.w->incomeSheet->MSFlexGridIncome->clickCell(2, 1);
            probe = cell(f.w->incomeSheet->MSFlexGridIncome, 2, 6);
        } else if (element == QLatin1String("expense receipt")) {
            f.w->SSTabSheets->setCurrentIndex(2);
            probe = cell(f.w->supplySheet->MSFlexGridSupply, 1, 2);
        } else if (element.startsWith(QLatin1String("grid"))) {
            f.w->SSTabSheets->setCurrentIndex(1);
            probe = element.endsWith(QLatin1String("header")) ? cell(f.w->incomeSheet->MSFlexGridIncome, 0, 1)
                                                              : cell(f.w->incomeSheet->MSFlexGridIncome, 1, 0);
        } else if (element.startsWith(QLatin1String("summary"))) {
            f.w->SSTabSheets->setCurrentIndex(3);
            FlexGrid *g = f.w->summarySheets[0]->grid;
            int row = 1;
            if (element.endsWith(QLatin1String("negative"))) {
                while (row < g->Rows() - 1 && g->cellForeColorAt(row, 4) != 255)
                    ++row;
                probe = cell(g, row, 4);
            } else {
                while (row < g->Rows() - 1 && g->TextMatrix(row, 1) != QStringLiteral("合　計"))
                    ++row;
                probe = cell(g, row, 2);
            }
        } else {
            frmDetail *dw = openDetail(f, 1);
            QVERIFY(dw);
            probe = label(dw->LabelDetailSum);
            dw->forceUnload();
        }
        QVERIFY(!probe.image.isNull());
        const QColor behind = background(probe.image);
        if (!dark) {
            QCOMPARE(probe.text.rgb(), designed.rgb());
            return;
        }
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
        QVERIFY2(available.contains(frame), qPrintable(QStringLiteral("window %1,%2 %3×%4 on %5×%6")
                                                           .arg(frame.x()).arg(frame.y()).arg(frame.width())
                                                           .arg(frame.height()).arg(available.width())
                                                           .arg(available.height())));
        auto *area = qobject_cast<QScrollArea *>(f.w->centralWidget());
        QVERIFY(area);
        QWidget *sheets = area->widget();
        if (expected == QLatin1String("designed")) {
            // The sheets at their designed size (13455 twips wide), nothing scrolled.
            QCOMPARE(area->viewport()->size(), sheets->size());
            QVERIFY(!area->horizontalScrollBar()->isVisible() && !area->verticalScrollBar()->isVisible());
            QCOMPARE(f.w->SSTabSheets->width(), twipsToPixels(13455, f.w.get()) + 6);
            return;
        }
        QCOMPARE(expected, QStringLiteral("scrolled"));
        QVERIFY(area->viewport()->width() < sheets->width());

        // The last sheet's tab, then every button of the entry sheets: each can
        // be scrolled fully into view, and the tab takes a click.
        QTabBar *tabs = f.w->SSTabSheets->tabBar();
        const int last = tabs->count() - 1;
        const QRect tab(tabs->mapTo(sheets, tabs->tabRect(last).topLeft()), tabs->tabRect(last).size());
        area->ensureVisible(tab.center().x(), tab.center().y(), tab.width() / 2 + 1, tab.height() / 2 + 1);
        QVERIFY(area->viewport()->rect().contains(tab.translated(-area->horizontalScrollBar()->value(),
                                                                 -area->verticalScrollBar()->value())));
        QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(last).center());
        QCOMPARE(f.w->SSTabSheets->currentIndex(), last);
        for (int sheet : {1, 2}) {
            f.w->SSTabSheets->setCurrentIndex(sheet);
            const auto buttons = f.w->SSTabSheets->widget(sheet)->findChildren<QPushButton *>();
            QVERIFY(!buttons.isEmpty());
            for (QPushButton *b : buttons) {
                area->ensureWidgetVisible(b, 0, 0);
                const QRect inView(b->mapTo(area->viewport(), QPoint(0, 0)), b->size());
                QVERIFY2(area->viewport()->rect().contains(inView), qPrintable(b->text()));
            }
        }
    }
};

HARUMOKA_TEST_MAIN(TestScreens)
#include "tst_screens.moc"
