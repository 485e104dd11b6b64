// The detail window through its real widgets, opened from the expense panel.
#include "model/values.h"
#include "ui/sheets/summary_sheet.h"
#include "support/test_main.h"
#include "support/test_util.h"
#include "support/window_fixture.h"
#include "ui/detail/detail_window.h"
#include "ui/widgets/flexgrid.h"
#include "ui/sheets/expense_sheet.h"
#include "support/parts.h"

#include <QTabWidget>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

// The lines of an expense as the document holds it now.
static QStringList lines(const Document &doc, const EntryPtr &e)
{
    QStringList out;
    if (const EntryPtr now = doc.entry(e->key); now->details)
        for (const DetailLine &l : *now->details)
            out << l.article + QLatin1Char('=') + QString::number(l.amount);
    return out;
}

class TestDetail : public QObject {
    Q_OBJECT

    // Selects expense row `row` and presses "編集" as a user does.
    DetailWindow *open(WindowFixture &f, int row)
    {
        ExpenseSheet *s = f.showSupply();
        part<FlexGrid>(*s, "MSFlexGridSupply")->clickCell(row, 6);
        auto *detailButton = part<QPushButton>(*s, "CommandSupplyDetail");
        if (!detailButton->isVisible() || !detailButton->isEnabled())
            return nullptr;
        detailButton->click();
        auto *dw = f.w->findChild<DetailWindow *>();
        // Keys reach the detail window once it is the active window.
        if (dw && !QTest::qWaitFor([dw] { return dw->isActiveWindow(); }))
            qWarning("the detail window did not become active");
        return dw;
    }

private slots:
    void opensOnTheSelectedExpenseWithTheMainWindowDisabled()
    {
        WindowFixture f;
        f.add(expense(d(2026, 4, 1), "first", 100));
        f.add(expense(d(2026, 5, 10), "画用紙", 3000, "図工", 12));
        f.refill();
        DetailWindow *dw = open(f, 2);
        QVERIFY(dw);
        QVERIFY(dw->isVisible());
        QVERIFY(!f.w->isEnabled());
        QCOMPARE(dw->windowTitle(), QStringLiteral("明細書"));
        QCOMPARE(part<QLabel>(*dw, "LabelDetailDate")->text(), QStringLiteral("2026/05/10"));
        QCOMPARE(part<QLabel>(*dw, "LabelDetailReceipt")->text(), QStringLiteral("No. 12"));
        QCOMPARE(part<QLabel>(*dw, "LabelDetailArticle")->text(), QStringLiteral("画用紙  図工"));
        QCOMPARE(part<QLabel>(*dw, "LabelDetailAmount")->text(), QStringLiteral("¥3,000"));
        QCOMPARE(part<QLabel>(*dw, "LabelDetailSum")->text(), QStringLiteral("¥ 0"));
        QCOMPARE(gridRow(part<FlexGrid>(*dw, "MSFlexGridDetail"), 0, 3), (QStringList{"No.", "項目", "金額"}));
        QVERIFY(part<QComboBox>(*dw, "ComboDetailArticle")->count() == 0);
        QVERIFY(part<QPushButton>(*dw, "CommandDetailClose")->isEnabled());
        QVERIFY(!part<QPushButton>(*dw, "CommandDetailRecord")->isEnabled());
        // Closing an expense that never had lines asks nothing.
        part<QPushButton>(*dw, "CommandDetailClose")->click();
        QVERIFY(f.w->isEnabled());
        QVERIFY(f.dialogs.done());
    }

    void receiptLabelEmptyWithoutANumberAndYenForms()
    {
        WindowFixture f;
        f.add(expense(d(2026, 4, 1), "a", -1234));
        f.refill();
        DetailWindow *dw = open(f, 1);
        QVERIFY(dw);
        QVERIFY(part<QLabel>(*dw, "LabelDetailReceipt")->text().isEmpty());
        QCOMPARE(part<QLabel>(*dw, "LabelDetailAmount")->text(), QStringLiteral("-¥1,234"));
        QCOMPARE(formatYen(1234), QStringLiteral("¥1,234"));
        dw->forceUnload();
    }

    void sumLabelColoursAgainstTheExpense_data()
    {
        QTest::addColumn<int>("second");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("color");
        QTest::newRow("more") << 2500 << "¥3,500" << "#ff0000";
        QTest::newRow("less") << 1500 << "¥2,500" << "#0000ff";
        QTest::newRow("equal") << 2000 << "¥3,000" << "#000000";
    }
    void sumLabelColoursAgainstTheExpense()
    {
        QFETCH(int, second);
        QFETCH(QString, text);
        QFETCH(QString, color);
        WindowFixture f;
        auto e = f.add(expense(d(2026, 4, 1), "a", 3000));
        f.setDetails(e, {{"x", 1000}, {"y", second}});
        f.refill();
        DetailWindow *dw = open(f, 1);
        QVERIFY(dw);
        QCOMPARE(part<QLabel>(*dw, "LabelDetailSum")->text(), text);
        QCOMPARE(part<QLabel>(*dw, "LabelDetailSum")->palette().color(part<QLabel>(*dw, "LabelDetailSum")->foregroundRole()).name(), color);
        QCOMPARE(gridRow(part<FlexGrid>(*dw, "MSFlexGridDetail"), 2, 3), (QStringList{" 2", "y", formatAmount(second)}));
        dw->forceUnload();
    }

    void editingLinesThroughTheGrid()
    {
        WindowFixture f;
        auto e = f.add(expense(d(2026, 4, 1), "a", 600));
        f.setDetails(e, {{"A", 100}, {"B", 200}, {"C", 300}});
        f.refill();
        DetailWindow *dw = open(f, 1);
        QVERIFY(dw);
        FlexGrid *g = part<FlexGrid>(*dw, "MSFlexGridDetail");
        // A click on the tenth row of a three-line grid starts line 4.
        mouseClickCell(g, 10, 1);
        QCOMPARE(dw->detailCount(), qint16(4));
        QCOMPARE(dw->selectedDetailRow(), qint16(4));
        QCOMPARE(QApplication::focusWidget(), part<QComboBox>(*dw, "ComboDetailArticle"));
        commitText(QStringLiteral("のり"));
        mouseClickCell(g, 4, 2);
        QCOMPARE(QApplication::focusWidget(), part<QLineEdit>(*dw, "TextDetailAmount"));
        typeKeys(QStringLiteral("50"));
        pressKey(Qt::Key_Return);
        QCOMPARE(lines(f.doc(), e), (QStringList{"A=100", "B=200", "C=300", "のり=50"}));
        QVERIFY(f.doc().isModified());
        QVERIFY(f.w->summariesStale());
        // The article combo now offers the expense names.
        QCOMPARE(part<QComboBox>(*dw, "ComboDetailArticle")->itemText(0), QStringLiteral("のり"));
        QCOMPARE(part<QLabel>(*dw, "LabelDetailSum")->text(), QStringLiteral("¥650"));
        // Change a line in place.
        mouseClickCell(g, 2, 2);
        typeKeys(QStringLiteral("250"));
        pressKey(Qt::Key_Return);
        QCOMPARE(lines(f.doc(), e), (QStringList{"A=100", "B=250", "C=300", "のり=50"}));
        // Delete a line: a change to save; the line below it keeps an empty cell for 0.
        f.doc().recordDetailLine(e->key, 2, DetailLine{"C", 0}, true);
        dw->linesChanged();
        g->clickCell(2, 1);
        f.doc().setModified(false);
        part<QPushButton>(*dw, "CommandDetailDelete")->click();
        QCOMPARE(lines(f.doc(), e), (QStringList{"A=100", "C=0", "のり=50"}));
        QVERIFY(f.doc().isModified());
        QVERIFY(g->TextMatrix(2, 2).isEmpty());
        QVERIFY(g->TextMatrix(4, 0).isEmpty());
        // An amount beyond 32 bits is refused, the chain is unchanged and the
        // box opens again with what was typed.
        mouseClickCell(g, 1, 2);
        typeKeys(QStringLiteral("3000000000"));
        f.dialogs.expectMessageContaining(QStringLiteral("金額"));
        pressKey(Qt::Key_Return);
        QCOMPARE(lines(f.doc(), e), (QStringList{"A=100", "C=0", "のり=50"}));
        QVERIFY(part<QLineEdit>(*dw, "TextDetailAmount")->isVisible());
        QCOMPARE(part<QLineEdit>(*dw, "TextDetailAmount")->text(), QStringLiteral("3000000000"));
        QCOMPARE(part<QLabel>(*dw, "LabelDetailSum")->text(), QStringLiteral("¥150"));
        part<QPushButton>(*dw, "CommandDetailCancel")->click();
        f.dialogs.expectMessage(QStringLiteral("支出表の記載金額と、明細の合計金額が違っています。\r明細表を見直しますか？"),
                                Dialogs::Answer::No);
        part<QPushButton>(*dw, "CommandDetailClose")->click();
        QVERIFY(f.dialogs.done());
    }

    void aTotalBeyond32BitsIsShownAndComparedNotLeftStale()
    {
        WindowFixture f;
        auto e = f.add(expense(d(2026, 4, 1), "a", 2000000000));
        f.setDetails(e, {{"x", 2000000000}});
        f.refill();
        DetailWindow *dw = open(f, 1);
        QVERIFY(dw);
        QCOMPARE(part<QLabel>(*dw, "LabelDetailSum")->text(), QStringLiteral("¥2,000,000,000"));
        mouseClickCell(part<FlexGrid>(*dw, "MSFlexGridDetail"), 2, 1);
        mouseClickCell(part<FlexGrid>(*dw, "MSFlexGridDetail"), 2, 2);
        typeKeys(QStringLiteral("2000000000"));
        pressKey(Qt::Key_Return);
        QCOMPARE(lines(f.doc(), e), (QStringList{"x=2000000000", "=2000000000"}));
        QCOMPARE(part<QLabel>(*dw, "LabelDetailSum")->text(), QStringLiteral("¥4,000,000,000"));
        QCOMPARE(part<QLabel>(*dw, "LabelDetailSum")->palette().color(part<QLabel>(*dw, "LabelDetailSum")->foregroundRole()).name(), QStringLiteral("#ff0000"));
        f.dialogs.expectMessageContaining(QStringLiteral("明細表を見直しますか？"), Dialogs::Answer::No);
        part<QPushButton>(*dw, "CommandDetailClose")->click();
        QVERIFY(f.w->isEnabled());
        QVERIFY(f.dialogs.done());
    }

    void closeRemovesBlankLinesAndAsksWhenTotalsDiffer()
    {
        WindowFixture f;
        auto e = f.add(expense(d(2026, 4, 1), "a", 300));
        f.setDetails(e, {{"A", 100}, {QString(), 0}, {"B", 200}});
        f.refill();
        DetailWindow *dw = open(f, 1);
        QVERIFY(dw);
        part<QPushButton>(*dw, "CommandDetailClose")->click();
        QCOMPARE(lines(f.doc(), e), (QStringList{"A=100", "B=200"}));
        QVERIFY(f.w->isEnabled());
        QVERIFY(f.dialogs.done());

        // An existing empty list with amount 500: asked; Yes keeps the window open.
        WindowFixture g;
        auto empty = g.add(expense(d(2026, 4, 1), "b", 500));
        g.doc().ensureDetailList(empty->key);
        g.refill();
        DetailWindow *dw2 = open(g, 1);
        QVERIFY(dw2);
        const QString question = QStringLiteral("支出表の記載金額と、明細の合計金額が違っています。\r明細表を見直しますか？");
        g.dialogs.expectMessage(question, Dialogs::Answer::Yes);
        part<QPushButton>(*dw2, "CommandDetailClose")->click();
        QVERIFY(dw2->isVisible());
        QVERIFY(!g.w->isEnabled());
        // The window's close box runs the same Close.
        g.dialogs.expectMessage(question, Dialogs::Answer::No);
        QVERIFY(dw2->close());
        QVERIFY(g.w->isEnabled());
        QVERIFY(g.dialogs.done());
    }

    void linesReplaceTheExpenseInSummariesAndSurviveSave()
    {
        WindowFixture f;
        f.add(expense(d(2026, 6, 1), "画材", 300));
        f.refill();
        DetailWindow *dw = open(f, 1);
        QVERIFY(dw);
        for (auto [name, amount] : {std::pair{"絵の具", "100"}, std::pair{"筆", "200"}}) {
            // A click on the first blank row starts a new line there.
            mouseClickCell(part<FlexGrid>(*dw, "MSFlexGridDetail"), dw->detailCount() + 1, 1);
            commitText(QString::fromUtf8(name));
            mouseClickCell(part<FlexGrid>(*dw, "MSFlexGridDetail"), dw->detailCount(), 2);
            typeKeys(QString::fromLatin1(amount));
            pressKey(Qt::Key_Return);
        }
        part<QPushButton>(*dw, "CommandDetailClose")->click();
        QVERIFY(f.dialogs.done());
        ExpenseSheet *s = part<ExpenseSheet>(*f.w, "expenseSheet");
        QCOMPARE(part<FlexGrid>(*s, "MSFlexGridSupply")->TextMatrix(1, 6), QStringLiteral("○"));
        f.w->refreshSummaries();
        FlexGrid *t1 = part<SummarySheet>(*f.w, "summarySheets", Term1)->grid();
        QCOMPARE(t1->TextMatrix(1, 1), QStringLiteral("絵の具 "));
        QCOMPARE(t1->TextMatrix(2, 1), QStringLiteral("筆 "));
        QCOMPARE(t1->TextMatrix(3, 1), QStringLiteral("合　計"));
        // Saved and reopened, the expense keeps its own article and amount.
        const QString name = f.path(QStringLiteral("d.txt"));
        f.dialogs.expectSave(name);
        QVERIFY(f.w->documentCommands().saveAs());
        QVERIFY(f.w->documentCommands().close());
        QVERIFY(f.w->documentCommands().openFile(name));
        EntryPtr e = f.doc().entryAt(false, 1);
        QCOMPARE(e->article, QStringLiteral("画材"));
        QCOMPARE(e->amount, 300);
        QCOMPARE(lines(f.doc(), e), (QStringList{"絵の具=100", "筆=200"}));
        QCOMPARE(part<FlexGrid>(*s, "MSFlexGridSupply")->TextMatrix(1, 6), QStringLiteral("○"));
        QCOMPARE(part<FlexGrid>(*s, "MSFlexGridSupply")->TextMatrix(1, 3), QStringLiteral("画材"));
    }
};

HARUMOKA_TEST_MAIN(TestDetail)
#include "tst_detail.moc"
