// The entry panels driven from the keyboard the way a keyboard drives them:
// every key goes to the widget that holds the focus after the click or key
// that put it there (pressKey, typeKeys, commitText), never to an inner
// widget the test picks.
#include "model/values.h"
#include "support/test_main.h"
#include "support/test_util.h"
#include "support/window_fixture.h"
#include "ui/detail/frmdetail.h"
#include "ui/main/datepicker.h"
#include "ui/main/flexgrid.h"
#include "ui/main/income_sheet.h"
#include "ui/main/print_settings_sheet.h"
#include "ui/main/sheet_widgets.h"
#include "ui/main/summary_sheet.h"
#include "ui/main/supply_sheet.h"

#include <QAccessible>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QGroupBox>

namespace {

// An entry's fields in one line: income "date|article|sub|per pupil|pupils|amount",
// expense "date|receipt|article|sub|amount".
QString fields(const ArticlePtr &e)
{
    if (!e)
        return QStringLiteral("(none)");
    const QString date = shortDate(e->taDate);
    if (e->taIncome)
        return QStringList{date, e->taArticle, e->taSubArticle, QString::number(e->taPerPerson),
                           QString::number(e->taStudentsNumber), QString::number(e->taAmount)}
            .join('|');
    return QStringList{date, QString::number(e->taReceipt), e->taArticle, e->taSubArticle,
                       QString::number(e->taAmount)}
        .join('|');
}

// Two entries of each kind; the second row is the one edited.
struct Sheets : WindowFixture {
    Sheets()
    {
        add(income(d(2026, 4, 1), "A", 100, QString(), 0, 30));
        add(income(d(2026, 4, 2), "B", 200, QString(), 0, 30));
        add(expense(d(2026, 4, 1), "a", 100));
        add(expense(d(2026, 4, 2), "b", 200));
        refill();
    }
    EntrySheet *sheet(int tab) const
    {
        return tab == 1 ? static_cast<EntrySheet *>(w->incomeSheet) : static_cast<EntrySheet *>(w->supplySheet);
    }
    // The editor laid over column `col` of a sheet's grid.
    QWidget *editor(int tab, int col) const
    {
        IncomeSheet *in = w->incomeSheet;
        SupplySheet *out = w->supplySheet;
        const QList<QWidget *> income = {in->DTPickerIncomeDate, in->ComboIncomeArticle, in->ComboIncomeSubArticle,
                                         in->TextIncomePerPerson, in->TextIncomeStudents, in->TextIncomeAmount};
        const QList<QWidget *> supply = {out->DTPickerSupplyDate, out->ComboSupplyReceipt, out->ComboSupplyArticle,
                                         out->ComboSupplySubArticle, out->TextSupplyAmount, out->CommandSupplyDetail};
        return (tab == 1 ? income : supply).value(col - 1);
    }
    // Shows the sheet and clicks a cell with the mouse.
    void open(int tab, int row, int col)
    {
        w->SSTabSheets->setCurrentIndex(tab);
        mouseClickCell(sheet(tab)->grid(), row, col);
    }
    ArticlePtr entry(int tab, int row) { return doc().entryAt(tab == 1, row); }
};

// Types what a column takes: Japanese through the input method, digits as keys.
void typeInto(int tab, int col, const QString &text)
{
    const bool japanese = (tab == 1 && (col == 2 || col == 3)) || (tab == 2 && (col == 3 || col == 4));
    if (japanese)
        commitText(text);
    else
        typeKeys(text);
}

// The detail lines of an expense: "article=amount|...".
QString lines(const ArticlePtr &e)
{
    QStringList got;
    for (MekaluDetail *l = e->taDetailList ? e->taDetailList->tdLink.get() : nullptr; l; l = l->tdLink.get())
        got << l->tdArticle + '=' + QString::number(l->tdAmount);
    return got.join('|');
}

// The detail window on the second expense, whose lines are x=100 and y=200.
frmDetail *openDetail(Sheets &f)
{
    setDetails(f.entry(2, 2), {{"x", 100}, {"y", 200}});
    f.refill();
    f.open(2, 2, 6);
    f.w->supplySheet->CommandSupplyDetail->click();
    auto *dw = f.w->findChild<frmDetail *>();
    if (dw && !QTest::qWaitFor([dw] { return dw->isActiveWindow(); }))
        qWarning("the detail window did not become active");
    return dw;
}

// What an input method sends to the focus widget: its composition as
// preedit events, then the commit.
void compose(const QStringList &preedits, const QString &commit)
{
    for (const QString &p : preedits) {
        QInputMethodEvent e(p, {{QInputMethodEvent::Cursor, int(p.size()), 1, QVariant()}});
        QApplication::sendEvent(QApplication::focusWidget(), &e);
    }
    commitText(commit);
}

void editorRows()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("rowAfter");
    QTest::addColumn<QString>("recorded");
    // The date is typed digit after digit from its year; an earlier date re-sorts.
    QTest::newRow("income date") << 1 << 1 << "20260331" << 1 << "2026/03/31|B||0|30|200";
    QTest::newRow("income article") << 1 << 2 << "学級費" << 2 << "2026/04/02|学級費||0|30|200";
    QTest::newRow("income breakdown") << 1 << 3 << "四月分" << 2 << "2026/04/02|B|四月分|0|30|200";
    QTest::newRow("income per pupil") << 1 << 4 << "500" << 2 << "2026/04/02|B||500|30|15000";
    QTest::newRow("income pupils") << 1 << 5 << "32" << 2 << "2026/04/02|B||0|32|200";
    QTest::newRow("income amount") << 1 << 6 << "350" << 2 << "2026/04/02|B||0|30|350";
    QTest::newRow("expense date") << 2 << 1 << "20260331" << 1 << "2026/03/31|0|b||200";
    QTest::newRow("expense receipt") << 2 << 2 << "12" << 2 << "2026/04/02|12|b||200";
    QTest::newRow("expense article") << 2 << 3 << "画用紙" << 2 << "2026/04/02|0|画用紙||200";
    QTest::newRow("expense breakdown") << 2 << 4 << "図工" << 2 << "2026/04/02|0|b|図工|200";
    QTest::newRow("expense amount") << 2 << 5 << "450" << 2 << "2026/04/02|0|b||450";
}

} // namespace

class TestKeys : public QObject {
    Q_OBJECT
private slots:
    void enterRecordsClosesTheEditorAndReturnsToTheGrid_data() { editorRows(); }
    void enterRecordsClosesTheEditorAndReturnsToTheGrid()
    {
        QFETCH(int, tab);
        QFETCH(int, col);
        QFETCH(QString, typed);
        QFETCH(int, rowAfter);
        QFETCH(QString, recorded);
        Sheets f;
        f.open(tab, 2, col);
        QWidget *editor = f.editor(tab, col);
        // A click opens the cell's editor with the keyboard focus, date editors included.
        QCOMPARE(QApplication::focusWidget(), editor);
        typeInto(tab, col, typed);
        pressKey(Qt::Key_Return);
        QCOMPARE(fields(f.entry(tab, rowAfter)), recorded);
        QVERIFY(editor->isHidden());
        FlexGrid *g = f.sheet(tab)->grid();
        QCOMPARE(QApplication::focusWidget(), g);
        QCOMPARE(g->keyRow(), rowAfter);
    }

    void escapeDropsTheEditAndReturnsToTheGrid_data() { editorRows(); }
    void escapeDropsTheEditAndReturnsToTheGrid()
    {
        QFETCH(int, tab);
        QFETCH(int, col);
        QFETCH(QString, typed);
        Sheets f;
        const QString before = fields(f.entry(tab, 2));
        f.open(tab, 2, col);
        typeInto(tab, col, typed);
        pressKey(Qt::Key_Escape);
        QCOMPARE(fields(f.entry(tab, 2)), before);
        QVERIFY(f.editor(tab, col)->isHidden());
        QVERIFY(!f.sheet(tab)->current);
        QCOMPARE(QApplication::focusWidget(), f.sheet(tab)->grid());
        QCOMPARE(f.sheet(tab)->grid()->keyRow(), 2);
        QVERIFY(!f.doc().isModified());
    }

    // Tab records and opens the next cell's editor, Shift+Tab the previous
    // one's; past the first or last column the grid takes the focus.
    void tabRecordsAndMovesAlongTheRow_data() { editorRows(); }
    void tabRecordsAndMovesAlongTheRow()
    {
        QFETCH(int, tab);
        QFETCH(int, col);
        QFETCH(QString, typed);
        QFETCH(int, rowAfter);
        QFETCH(QString, recorded);
        for (bool forward : {true, false}) {
            Sheets f;
            f.open(tab, 2, col);
            typeInto(tab, col, typed);
            pressKey(Qt::Key_Tab, forward ? Qt::NoModifier : Qt::ShiftModifier);
            QCOMPARE(fields(f.entry(tab, rowAfter)), recorded);
            const int next = col + (forward ? 1 : -1);
            QWidget *expected = next >= 1 ? f.editor(tab, next) : nullptr;
            if (!expected)
                expected = f.sheet(tab)->grid();
            QCOMPARE(QApplication::focusWidget(), expected);
            QCOMPARE(f.sheet(tab)->selectedRow, qint16(rowAfter));
        }
    }

    // The input method's path as Qt delivers it, for every number and date
    // box and the text boxes. Number and date boxes take committed
    // full-width digits as the same digits; a text box keeps its composition,
    // and the Enter that confirmed it (which the input method swallows)
    // records nothing: only the next Enter does.
    void inputMethodTextInEveryBox_data()
    {
        QTest::addColumn<int>("tab"); // 1 income, 2 expense, 3 the detail window
        QTest::addColumn<int>("col"); // 0: the row-number box
        QTest::addColumn<QStringList>("preedits");
        QTest::addColumn<QString>("commit");
        QTest::addColumn<int>("key"); // passed on after the commit; 0: none
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("rowAfter");
        QTest::addColumn<QString>("recorded");
        const QStringList none;
        const int ret = Qt::Key_Return;
        QTest::newRow("income row number") << 1 << 0 << none << "２" << ret << "2" << "" << 2 << "2026/04/02|B||0|30|200";
        QTest::newRow("income date") << 1 << 1 << QStringList{"２０", "２０２６"} << "２０２６０３３１" << ret
                                     << "2026/03/31" << "" << 1 << "2026/03/31|B||0|30|200";
        QTest::newRow("income per pupil, Tab") << 1 << 4 << QStringList{"５", "５０"} << "５００" << int(Qt::Key_Tab)
                                               << "500" << "" << 2 << "2026/04/02|B||500|30|15000";
        QTest::newRow("income pupils") << 1 << 5 << QStringList{"３"} << "３２" << ret << "32" << "" << 2
                                       << "2026/04/02|B||0|32|200";
        QTest::newRow("income amount over the selected one") << 1 << 6 << QStringList{"１", "１３"} << "１３００" << ret
                                                             << "1300" << "" << 2 << "2026/04/02|B||0|30|1300";
        QTest::newRow("kana in an amount leaves it as it was") << 1 << 6 << QStringList{"あ"} << "あ" << ret << "200"
                                                               << "" << 2 << "2026/04/02|B||0|30|200";
        QTest::newRow("too large an amount: its message, the text kept")
            << 1 << 6 << none << "９９９９９９９９９９９" << ret << "99999999999"
            << "「金額」の金額が大きすぎます。-2,147,483,648 から 2,147,483,647 までの金額を入力してください。" << 2
            << "2026/04/02|B||0|30|200";
        QTest::newRow("an impossible date: its message") << 1 << 1 << none << "２０２６０２３１" << ret << "2026/02/03"
                                                         << "「日付」に入力された日付は正しくありません。年・月・日を確かめてください。"
                                                         << 2 << "2026/04/02|B||0|30|200";
        QTest::newRow("expense row number") << 2 << 0 << none << "１" << ret << "1" << "" << 1 << "2026/04/01|0|a||100";
        QTest::newRow("expense date") << 2 << 1 << none << "２０２６／０３／３１" << ret << "2026/03/31" << "" << 1
                                      << "2026/03/31|0|b||200";
        QTest::newRow("expense receipt, Tab") << 2 << 2 << QStringList{"１"} << "１２" << int(Qt::Key_Tab) << "12" << ""
                                              << 2 << "2026/04/02|12|b||200";
        QTest::newRow("expense negative amount") << 2 << 5 << QStringList{"ー"} << "ー４５０" << ret << "-450" << ""
                                                 << 2 << "2026/04/02|0|b||-450";
        QTest::newRow("detail row number") << 3 << 0 << none << "２" << ret << "2" << "" << 0 << "x=100|y=200";
        QTest::newRow("detail amount") << 3 << 2 << QStringList{"１５"} << "１５０" << ret << "150" << "" << 0
                                       << "x=150|y=200";
        QTest::newRow("income article") << 1 << 2 << QStringList{"が", "がっき"} << "学級" << 0 << "学級" << ""
                                        << 2 << "2026/04/02|学級||0|30|200";
        QTest::newRow("income breakdown") << 1 << 3 << QStringList{"しがつ"} << "四月分" << 0 << "四月分" << "" << 2
                                          << "2026/04/02|B|四月分|0|30|200";
        QTest::newRow("expense article") << 2 << 3 << QStringList{"がようし"} << "画用紙" << 0 << "画用紙" << "" << 2
                                         << "2026/04/02|0|画用紙||200";
        QTest::newRow("expense breakdown") << 2 << 4 << QStringList{"ずこう"} << "図工" << 0 << "図工" << "" << 2
                                           << "2026/04/02|0|b|図工|200";
        QTest::newRow("detail article") << 3 << 1 << QStringList{"のり"} << "のり" << 0 << "のり" << "" << 0
                                        << "のり=100|y=200";
    }
    void inputMethodTextInEveryBox()
    {
        QFETCH(int, tab);
        QFETCH(int, col);
        QFETCH(QStringList, preedits);
        QFETCH(QString, commit);
        QFETCH(int, key);
        QFETCH(QString, shown);
        QFETCH(QString, message);
        QFETCH(int, rowAfter);
        QFETCH(QString, recorded);
        Sheets f;
        frmDetail *dw = tab == 3 ? openDetail(f) : nullptr;
        QWidget *box = nullptr;
        if (dw) {
            box = col == 0 ? static_cast<QWidget *>(dw->TextDetailNo)
                           : col == 1 ? static_cast<QWidget *>(dw->ComboDetailArticle) : dw->TextDetailAmount;
            if (col == 0)
                QTest::mouseClick(dw->TextDetailNo, Qt::LeftButton);
            else
                mouseClickCell(dw->MSFlexGridDetail, 1, col);
        } else if (col == 0) {
            f.w->SSTabSheets->setCurrentIndex(tab);
            box = f.sheet(tab)->numberBox;
            QTest::mouseClick(box, Qt::LeftButton);
        } else {
            f.open(tab, 2, col);
            box = f.editor(tab, col);
        }
        QCOMPARE(QApplication::focusWidget(), box);
        auto text = [box] {
            if (auto *c = qobject_cast<QComboBox *>(box))
                return c->currentText();
            if (auto *d = qobject_cast<QDateEdit *>(box))
                return d->text();
            return static_cast<QLineEdit *>(box)->text();
        };
        auto result = [&] { return dw ? lines(f.entry(2, 2)) : fields(f.entry(tab, rowAfter)); };
        const QString before = result();
        compose(preedits, commit);
        QCOMPARE(text(), shown);
        if (key == 0) {
            // The Enter that confirmed the conversion went to the input method.
            QCOMPARE(result(), before);
            QCOMPARE(QApplication::focusWidget(), box);
            key = Qt::Key_Return;
        }
        if (!message.isEmpty())
            f.dialogs.expectMessage(message);
        pressKey(Qt::Key(key));
        QCOMPARE(result(), recorded);
        if (!message.isEmpty()) {
            QVERIFY(f.dialogs.done());
            QCOMPARE(QApplication::focusWidget(), box);
            QCOMPARE(text(), shown);
        }
        if (dw)
            dw->forceUnload();
    }

    // Number and date boxes tell the input method to stay away, by both
    // routes it asks; the text boxes keep it.
    void onlyTextBoxesTakeTheInputMethod()
    {
        Sheets f;
        IncomeSheet *in = f.w->incomeSheet;
        SupplySheet *out = f.w->supplySheet;
        auto check = [](const QList<std::pair<QWidget *, bool>> &boxes) {
            for (const auto &[w, enabled] : boxes) {
                QInputMethodQueryEvent query(Qt::ImEnabled);
                QApplication::sendEvent(w, &query);
                QVariant invoked; // how QInputMethod asks a focus object that has the invokable query
                QMetaObject::invokeMethod(w, "inputMethodQuery", Q_RETURN_ARG(QVariant, invoked),
                                          Q_ARG(Qt::InputMethodQuery, Qt::ImEnabled), Q_ARG(QVariant, QVariant()));
                const QByteArray name = w->accessibleName().toUtf8();
                QVERIFY2(w->inputMethodQuery(Qt::ImEnabled).toBool() == enabled, name);
                QVERIFY2(query.value(Qt::ImEnabled).toBool() == enabled, name);
                QVERIFY2(!invoked.isValid() || invoked.toBool() == enabled, name);
            }
        };
        check({{in->TextIncomeNo, false}, {in->DTPickerIncomeDate, false}, {in->TextIncomePerPerson, false},
               {in->TextIncomeStudents, false}, {in->TextIncomeAmount, false}, {out->TextSupplyNo, false},
               {out->DTPickerSupplyDate, false}, {out->ComboSupplyReceipt, false}, {out->TextSupplyAmount, false},
               {f.w->printSheet->DTPickerPrintDate, false}, {in->ComboIncomeArticle, true},
               {in->ComboIncomeSubArticle, true}, {out->ComboSupplyArticle, true}, {out->ComboSupplySubArticle, true}});
        frmDetail *dw = openDetail(f); // the main window is disabled meanwhile
        QVERIFY(dw);
        check({{dw->TextDetailNo, false}, {dw->TextDetailAmount, false}, {dw->ComboDetailArticle, true}});
        dw->forceUnload();
    }

    // Delete and the grid's context menu (with a question naming the
    // entry), Escape in the detail window (with its close question), Down
    // and Enter to a new detail line, a used receipt number.
    void keysATreasurerReachesFor_data()
    {
        QTest::addColumn<int>("tab"); // 1 income, 2 expense, 3 the detail window on the second expense
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("result"); // the grid's dates, receipts and articles; the detail lines
        QTest::addColumn<QString>("focus");
        const QString difference = "支出表の記載金額と、明細の合計金額が違っています。\r明細表を見直しますか？";
        QTest::newRow("Delete on an income") << 1 << "Delete" << 2 << "2行目（2026/04/02　B　200円）を削除しますか？"
                                             << true << "2026/04/01,A," << "収入元帳";
        QTest::newRow("Delete, answered No") << 2 << "Delete" << 2 << "2行目（2026/04/02　b　200円）を削除しますか？"
                                             << false << "26/04/01,,a|26/04/02,,b|26/04/03,No. 7,c" << "支出元帳";
        QTest::newRow("context menu on an expense") << 2 << "menu" << 1 << "1行目（2026/04/01　a　100円）を削除しますか？"
                                                    << true << "26/04/02,,b|26/04/03,No. 7,c" << "支出元帳";
        QTest::newRow("Delete on a detail line") << 3 << "Delete" << 1 << "1行目（x　100円）を削除しますか？" << true
                                                 << "y=200" << "明細書";
        QTest::newRow("context menu on a detail line") << 3 << "menu" << 2 << "2行目（y　200円）を削除しますか？" << true
                                                       << "x=100" << "明細書";
        QTest::newRow("Escape closes the detail window") << 3 << "Escape" << 1 << difference << false << "x=100|y=200"
                                                         << "支出元帳";
        QTest::newRow("Escape, then Yes to review") << 3 << "Escape" << 1 << difference << true << "x=100|y=200"
                                                    << "明細書";
        QTest::newRow("Down and Enter to a new detail line") << 3 << "Down" << 2 << "" << false << "x=100|y=200|=0"
                                                             << "項目";
        QTest::newRow("a receipt number of another entry")
            << 2 << "receipt" << 2 << "この領収書番号はすでに使われています。\r使っているのは 2026/04/03 の「c」です。"
            << false << "26/04/01,,a|26/04/02,,b|26/04/03,No. 7,c" << "領収書";
    }
    void keysATreasurerReachesFor()
    {
        QFETCH(int, tab);
        QFETCH(QString, action);
        QFETCH(int, row);
        QFETCH(QString, message);
        QFETCH(bool, yes);
        QFETCH(QString, result);
        QFETCH(QString, focus);
        Sheets f;
        f.add(expense(d(2026, 4, 3), "c", 300, QString(), 7));
        f.refill();
        frmDetail *dw = tab == 3 ? openDetail(f) : nullptr;
        FlexGrid *g = dw ? dw->MSFlexGridDetail : f.sheet(tab)->grid();
        if (!dw)
            f.w->SSTabSheets->setCurrentIndex(tab);
        if (!message.isEmpty())
            f.dialogs.expectMessage(message, yes ? Dialogs::Answer::Yes : Dialogs::Answer::No);
        if (action == "Delete" || action == "Escape") {
            g->setFocus();
            g->setKeyCell(row, 1);
            pressKey(action == "Delete" ? Qt::Key_Delete : Qt::Key_Escape);
        } else if (action == "menu") {
            const QRect cell = g->visualRect(g->model()->index(row - 1, 1));
            QContextMenuEvent click(QContextMenuEvent::Mouse, cell.center(), g->viewport()->mapToGlobal(cell.center()));
            QApplication::sendEvent(g->viewport(), &click);
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            QCOMPARE(menu->actions().first()->text(), QStringLiteral("行の削除"));
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions().first()).center());
        } else if (action == "Down") {
            mouseClickCell(g, row, 2);
            pressKey(Qt::Key_Return);
            pressKey(Qt::Key_Down);
            pressKey(Qt::Key_Return);
        } else {
            f.open(tab, row, 2);
            typeKeys(QStringLiteral("7"));
            pressKey(Qt::Key_Return);
        }
        QVERIFY(f.dialogs.done());
        QStringList shown;
        for (int r = 1; !dw && !g->TextMatrix(r, 0).isEmpty(); ++r)
            shown << gridRow(g, r, 4).mid(1).join(',');
        QCOMPARE(dw ? lines(f.entry(2, 2)) : shown.join('|'), result);
        auto focusName = [] { return QApplication::focusWidget() ? QApplication::focusWidget()->accessibleName() : ""; };
        QTRY_COMPARE(focusName(), focus);
        if (dw && dw->isVisible())
            dw->forceUnload();
    }

    void detailWindowKeys_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<QString>("lines");
        QTest::addColumn<int>("focusCol"); // 0: the grid
        QTest::newRow("article, Enter") << 1 << Qt::Key_Return << "のり=100|y=200" << 0;
        QTest::newRow("amount, Enter") << 2 << Qt::Key_Return << "x=150|y=200" << 0;
        QTest::newRow("article, Escape") << 1 << Qt::Key_Escape << "x=100|y=200" << 0;
        QTest::newRow("amount, Escape") << 2 << Qt::Key_Escape << "x=100|y=200" << 0;
        QTest::newRow("article, Tab") << 1 << Qt::Key_Tab << "のり=100|y=200" << 2;
        QTest::newRow("amount, Tab") << 2 << Qt::Key_Tab << "x=150|y=200" << 0;
    }
    void detailWindowKeys()
    {
        QFETCH(int, col);
        QFETCH(Qt::Key, key);
        QFETCH(QString, lines);
        QFETCH(int, focusCol);
        Sheets f;
        setDetails(f.entry(2, 2), {{"x", 100}, {"y", 200}});
        f.refill();
        f.open(2, 2, 6);
        f.w->supplySheet->CommandSupplyDetail->click();
        auto *dw = f.w->findChild<frmDetail *>();
        QVERIFY(dw);
        QTRY_VERIFY(dw->isActiveWindow());
        mouseClickCell(dw->MSFlexGridDetail, 1, col);
        QWidget *editor = col == 1 ? static_cast<QWidget *>(dw->ComboDetailArticle) : dw->TextDetailAmount;
        QCOMPARE(QApplication::focusWidget(), editor);
        if (col == 1)
            commitText(QStringLiteral("のり"));
        else
            typeKeys(QStringLiteral("150"));
        pressKey(key);
        QStringList got;
        for (MekaluDetail *l = f.entry(2, 2)->taDetailList->tdLink.get(); l; l = l->tdLink.get())
            got << l->tdArticle + '=' + QString::number(l->tdAmount);
        QCOMPARE(got.join('|'), lines);
        QCOMPARE(QApplication::focusWidget(), focusCol == 2 ? static_cast<QWidget *>(dw->TextDetailAmount)
                                                            : dw->MSFlexGridDetail);
        QCOMPARE(dw->MSFlexGridDetail->keyRow(), 1);
        dw->forceUnload();
    }

    void numberBoxDigitRules_data()
    {
        QTest::addColumn<int>("box"); // 0 number box, 5 pupils, 4 per pupil, 6 amount
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("amount");
        QTest::newRow("number box refuses a letter") << 0 << "a" << "" << "";
        QTest::newRow("pupils refuse a letter") << 5 << "3a" << "" << " 200";
        QTest::newRow("amount keeps a lone minus") << 6 << "-" << "-" << "-";
        QTest::newRow("amount takes a negative") << 6 << "-5" << "-5" << "-5";
        QTest::newRow("amount refuses a leading 0") << 6 << "0" << "" << "";
        QTest::newRow("amount refuses a letter") << 6 << "7x" << "" << "";
        QTest::newRow("per pupil with separator") << 4 << "1,500" << "1,500" << " 45000";
    }
    void numberBoxDigitRules()
    {
        QFETCH(int, box);
        QFETCH(QString, typed);
        QFETCH(QString, text);
        QFETCH(QString, amount);
        Sheets f;
        IncomeSheet *s = f.w->incomeSheet;
        f.w->SSTabSheets->setCurrentIndex(1);
        QLineEdit *edit = box == 0 ? s->TextIncomeNo : qobject_cast<QLineEdit *>(f.editor(1, box));
        if (box == 0)
            QTest::mouseClick(edit, Qt::LeftButton);
        else
            f.open(1, 2, box);
        QCOMPARE(QApplication::focusWidget(), edit);
        pressKey(Qt::Key_Backspace); // the whole text was selected
        typeKeys(typed);
        QCOMPARE(edit->text(), text);
        QCOMPARE(QApplication::focusWidget(), edit);
        if (box != 0)
            QCOMPARE(s->TextIncomeAmount->text(), amount);
    }

    void onlyTypingInTheAmountMakesItAPlainAmount()
    {
        Sheets f;
        IncomeSheet *s = f.w->incomeSheet;
        f.open(1, 2, 4);
        typeKeys(QStringLiteral("500"));
        pressKey(Qt::Key_Tab);
        pressKey(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), s->TextIncomeAmount);
        // Moving through the box leaves the per-pupil amount; typing a digit empties it.
        pressKey(Qt::Key_Shift);
        pressKey(Qt::Key_Left);
        QCOMPARE(s->TextIncomePerPerson->text(), QStringLiteral(" 500"));
        pressKey(Qt::Key_End);
        typeKeys(QStringLiteral("1"));
        QVERIFY(s->TextIncomePerPerson->text().isEmpty());
        pressKey(Qt::Key_Return);
        QCOMPARE(fields(f.entry(1, 2)), QStringLiteral("2026/04/02|B||0|30|150001"));
    }

    void clickOnADatePartSelectsItForTyping_data()
    {
        QTest::addColumn<int>("part"); // character index inside "2026/04/02"
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("rowAfter");
        QTest::addColumn<QString>("recorded");
        QTest::newRow("year") << 2 << "2027" << 3 << "2027/04/02|0|b||200";
        QTest::newRow("month") << 6 << "5" << 2 << "2026/05/02|0|b||200";
        QTest::newRow("day") << 9 << "20" << 2 << "2026/04/20|0|b||200";
    }
    void clickOnADatePartSelectsItForTyping()
    {
        QFETCH(int, part);
        QFETCH(QString, typed);
        QFETCH(int, rowAfter);
        QFETCH(QString, recorded);
        Sheets f;
        f.add(expense(d(2026, 6, 1), "c", 1));
        f.refill();
        f.open(2, 2, 1);
        DatePicker *picker = f.w->supplySheet->DTPickerSupplyDate;
        auto *field = picker->findChild<QLineEdit *>();
        // Where the part is on screen: the field's cursor there.
        field->setCursorPosition(part);
        const QPoint at = field->inputMethodQuery(Qt::ImCursorRectangle).toRect().center() + QPoint(2, 0);
        picker->setSelectedSection(QDateTimeEdit::YearSection);
        QTest::mouseClick(field, Qt::LeftButton, Qt::NoModifier, at);
        QCOMPARE(QApplication::focusWidget(), picker);
        typeKeys(typed);
        pressKey(Qt::Key_Return);
        QCOMPARE(fields(f.entry(2, rowAfter)), recorded);
    }

    void f4AndAltDownOpenTheCalendar_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::newRow("F4") << Qt::Key_F4 << Qt::KeyboardModifiers(Qt::NoModifier);
        QTest::newRow("Alt+Down") << Qt::Key_Down << Qt::KeyboardModifiers(Qt::AltModifier);
    }
    void f4AndAltDownOpenTheCalendar()
    {
        QFETCH(Qt::Key, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        Sheets f;
        f.open(1, 2, 1);
        DatePicker *picker = f.w->incomeSheet->DTPickerIncomeDate;
        pressKey(key, modifiers);
        QTRY_VERIFY(picker->calendarWidget()->isVisible());
        // The calendar has the keyboard: a day back and Enter chooses it.
        pressKey(Qt::Key_Left);
        pressKey(Qt::Key_Return);
        QTRY_VERIFY(!picker->calendarWidget()->isVisible());
        QCOMPARE(fields(f.entry(1, 2)), QStringLiteral("2026/04/01|B||0|30|200"));
        QTRY_COMPARE(QApplication::focusWidget(), f.w->incomeSheet->grid());
    }

    void theFocusGoesBackToTheRowJustHandled_data()
    {
        QTest::addColumn<int>("how");
        QTest::addColumn<int>("keyRow");
        QTest::newRow("record button") << 0 << 2;
        QTest::newRow("cancel button") << 1 << 2;
        QTest::newRow("delete button") << 2 << 2;
        QTest::newRow("receipt picked from its list") << 3 << 2;
    }
    void theFocusGoesBackToTheRowJustHandled()
    {
        QFETCH(int, how);
        QFETCH(int, keyRow);
        Sheets f;
        f.add(expense(d(2026, 4, 3), "c", 300));
        f.refill();
        SupplySheet *s = f.w->supplySheet;
        f.open(2, 2, how == 3 ? 2 : 3);
        QPushButton *buttons[] = {s->CommandSupplyRecord, s->CommandSupplyCancel, s->CommandSupplyDelete};
        if (how < 3) {
            QTest::mouseClick(buttons[how], Qt::LeftButton);
        } else {
            pressKey(Qt::Key_Down, Qt::AltModifier);
            QTRY_VERIFY(s->ComboSupplyReceipt->view()->isVisible());
            pressKey(Qt::Key_Return); // the first free number, in the grid at once
            QCOMPARE(s->grid()->TextMatrix(2, 2), QStringLiteral("No. 1"));
        }
        QTRY_COMPARE(QApplication::focusWidget(), s->grid());
        QCOMPARE(s->grid()->keyRow(), keyRow);
    }

    void addRowOpensTheNewBlankRowWhereverItWent_data()
    {
        QTest::addColumn<int>("clickedCol");
        QTest::newRow("after a date cell (by date)") << 1;
        QTest::newRow("after another cell (at the selected row)") << 2;
    }
    void addRowOpensTheNewBlankRowWhereverItWent()
    {
        QFETCH(int, clickedCol);
        WindowFixture f;
        // Today is 2026/12/07: the blank entry goes in before the later one.
        f.add(income(d(2026, 4, 1), "A", 100, QString(), 0, 30));
        f.add(income(d(2027, 1, 10), "later", 200));
        f.refill();
        f.w->SSTabSheets->setCurrentIndex(1);
        IncomeSheet *s = f.w->incomeSheet;
        mouseClickCell(s->MSFlexGridIncome, 1, clickedCol);
        QTest::mouseClick(s->CommandIncomeNew, Qt::LeftButton);
        QCOMPARE(f.doc().incomeCount(), qint16(3));
        QCOMPARE(fields(f.doc().entryAt(true, 2)), QStringLiteral("2026/12/07|||0|30|0"));
        QCOMPARE(s->selectedRow, qint16(2));
        QVERIFY(s->source == f.doc().entryAt(true, 2));
        QVERIFY(s->DTPickerIncomeDate->isVisible());
        QCOMPARE(QApplication::focusWidget(), s->DTPickerIncomeDate);
        QCOMPARE(fields(f.doc().entryAt(true, 3)).section('|', 1, 1), QStringLiteral("later"));
    }

    void anEditorOnThePartlyShownLastRowScrollsItIntoView()
    {
        WindowFixture f;
        for (int i = 1; i <= 40; ++i)
            f.add(income(d(2026, 4, 1).addDays(i), QStringLiteral("e%1").arg(i), i));
        f.refill();
        f.w->SSTabSheets->setCurrentIndex(1);
        IncomeSheet *s = f.w->incomeSheet;
        FlexGrid *g = s->MSFlexGridIncome;
        QApplication::processEvents();
        auto rowRect = [g](int row) { return g->visualRect(g->model()->index(row - 1, 2)); };
        int last = 1;
        while (rowRect(last + 1).top() < g->viewport()->height())
            ++last;
        QVERIFY2(rowRect(last).bottom() >= g->viewport()->height(), "the last row shown is cut off");
        mouseClickCell(g, last, 2);
        QCOMPARE(s->selectedRow, qint16(last));
        QVERIFY(rowRect(last).bottom() < g->viewport()->height());
        const QRect editor = s->ComboIncomeArticle->geometry();
        QVERIFY(editor.bottom() <= g->geometry().bottom());
        QCOMPARE(QApplication::focusWidget(), s->ComboIncomeArticle);
    }

    void everyEditorButtonAndBoxHasAJapaneseName()
    {
        Sheets f;
        setDetails(f.entry(2, 1), {{"x", 100}});
        f.refill();
        QList<QWidget *> widgets{f.w->incomeSheet->UpDownIncomeStudents};
        for (int tab : {1, 2}) {
            EntrySheet *s = f.sheet(tab);
            widgets << s->grid() << s->numberBox << s->newButton << s->recordButton << s->deleteButton
                    << s->cancelButton;
            for (int col = 1; f.editor(tab, col); ++col)
                widgets << f.editor(tab, col);
        }
        f.open(2, 1, 6);
        f.w->supplySheet->CommandSupplyDetail->click();
        auto *dw = f.w->findChild<frmDetail *>();
        QVERIFY(dw);
        widgets << dw->MSFlexGridDetail << dw->TextDetailNo << dw->ComboDetailArticle << dw->TextDetailAmount
                << dw->CommandDetailNew << dw->CommandDetailRecord << dw->CommandDetailDelete
                << dw->CommandDetailCancel << dw->CommandDetailClose;
        PrintSettingsSheet *ps = f.w->printSheet;
        for (QLabel *label : ps->findChildren<QLabel *>()) {
            if (label == ps->LabelCommentHome)
                continue;
            QVERIFY2(label->buddy(), qPrintable(label->text()));
            widgets << label->buddy();
        }
        for (QWidget *w : std::as_const(widgets)) {
            // On Linux a drop-down's name is its text: what it is for comes
            // from the label it is the buddy of.
            QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
            const auto labels = a->relations(QAccessible::Label);
            const QString name = labels.isEmpty() ? a->text(QAccessible::Name)
                                                  : labels.first().first->text(QAccessible::Name);
            QVERIFY2(std::any_of(name.begin(), name.end(), [](QChar c) { return c.unicode() >= 0x3000; }),
                     qPrintable(QStringLiteral("%1 \"%2\"").arg(w->metaObject()->className(), name)));
        }
        dw->forceUnload();
    }

    // What a screen reader announces: a widget's label when it has one
    // (drop-downs: the line edit holding their text too), else its name (a
    // frame around it is a label relation too, but not what it is called).
    void screenReadersHearWhatEachThingIs()
    {
        Sheets f;
        frmDetail *dw = openDetail(f);
        QVERIFY(dw);
        PrintSettingsSheet *ps = f.w->printSheet;
        auto heard = [](QWidget *w) {
            QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
            QString name = a->text(QAccessible::Name);
            for (const auto &[label, relation] : a->relations(QAccessible::Label))
                if (qobject_cast<QLabel *>(label->object()))
                    name = label->text(QAccessible::Name);
            if (auto *c = qobject_cast<QComboBox *>(w))
                name += '/' + c->lineEdit()->accessibleName();
            return name;
        };
        const QList<std::pair<QWidget *, QString>> expected = {
            {f.w->summarySheets[0]->grid, "1学期明細"}, {f.w->summarySheets[1]->grid, "2学期明細"},
            {f.w->summarySheets[2]->grid, "3学期明細"}, {f.w->summarySheets[3]->grid, "前期明細"},
            {f.w->summarySheets[4]->grid, "後期明細"}, {f.w->summarySheets[5]->grid, "年間明細"},
            {ps->ComboYearHome, "年度/年度"}, {ps->ComboGradeHome, "学年/学年"}, {ps->ComboRoomHome, "学級/学級"},
            {ps->ComboPrintRespect, "報告相手の名称/報告相手の名称"},
            {ps->FrameReadgerForm, "元帳印刷書式の設定"}, {ps->FrameReportForm, "会計報告印刷書式の設定"},
            {f.w->tbToolBar, "ツールバー"},
            {f.w->tbToolBar->findChild<QWidget *>("qt_toolbar_ext_button"), "ツールバーの続き"},
            {f.w->incomeSheet->LabelIncomeRemainder, "残金"}, {f.w->supplySheet->LabelSupplyRemainder, "残金"},
            {dw->LabelDetailRemainder, "支出表の記載金額"}, {dw->LabelDetailSum, "明細書の合計"}};
        for (const auto &[w, name] : expected)
            QCOMPARE(heard(w), name);
        // The toolbar's item in the window's context menu.
        QCOMPARE(f.w->tbToolBar->toggleViewAction()->text(), QStringLiteral("ツールバー"));
        // The hidden key column is no column of the tables: No. and the six shown ones.
        for (FlexGrid *g : {f.w->incomeSheet->grid(), f.w->supplySheet->grid()}) {
            QAccessibleTableInterface *table = QAccessible::queryAccessibleInterface(g)->tableInterface();
            QCOMPARE(table->columnCount(), 7);
            QVERIFY(!table->columnDescription(6).isEmpty());
        }
        dw->forceUnload();
    }

    void wholeEntriesFromTheKeyboardAlone()
    {
        WindowFixture f;
        IncomeSheet *in = f.w->incomeSheet;
        SupplySheet *out = f.w->supplySheet;
        // The window starts on the print settings sheet with the focus on the
        // sheet tabs: the next tab, and Tab into its grid.
        QCOMPARE(QApplication::focusWidget(), f.w->SSTabSheets->tabBar());
        pressKey(Qt::Key_Right);
        QCOMPARE(f.w->SSTabSheets->currentIndex(), 1);
        pressKey(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), in->MSFlexGridIncome);
        // Enter on the blank first row adds an entry and opens its date.
        pressKey(Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), in->DTPickerIncomeDate);
        typeKeys(QStringLiteral("20260410"));
        pressKey(Qt::Key_Tab);
        commitText(QStringLiteral("学級費"));
        pressKey(Qt::Key_Tab);
        commitText(QStringLiteral("四月分"));
        pressKey(Qt::Key_Tab);
        typeKeys(QStringLiteral("1500"));
        pressKey(Qt::Key_Return);
        QCOMPARE(fields(f.doc().entryAt(true, 1)), QStringLiteral("2026/04/10|学級費|四月分|1500|30|45000"));
        QCOMPARE(QApplication::focusWidget(), in->MSFlexGridIncome);

        // The expense sheet, Ctrl+Tab from inside a sheet: a dated expense
        // with its receipt, article and amount.
        pressKey(Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), out->MSFlexGridSupply);
        pressKey(Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), out->DTPickerSupplyDate);
        typeKeys(QStringLiteral("20260415"));
        pressKey(Qt::Key_Tab);
        typeKeys(QStringLiteral("1"));
        pressKey(Qt::Key_Tab);
        commitText(QStringLiteral("画用紙"));
        pressKey(Qt::Key_Tab);
        pressKey(Qt::Key_Tab);
        typeKeys(QStringLiteral("1200"));
        pressKey(Qt::Key_Tab);
        QCOMPARE(fields(f.doc().entryAt(false, 1)), QStringLiteral("2026/04/15|1|画用紙||1200"));
        // Its detail line: the edit button, then the detail window's grid.
        QCOMPARE(QApplication::focusWidget(), out->CommandSupplyDetail);
        pressKey(Qt::Key_Space);
        auto *dw = f.w->findChild<frmDetail *>();
        QVERIFY(dw);
        QTRY_VERIFY(dw->isActiveWindow());
        QCOMPARE(QApplication::focusWidget(), dw->MSFlexGridDetail);
        pressKey(Qt::Key_Return); // a line on the blank row, its article open
        QCOMPARE(QApplication::focusWidget(), dw->ComboDetailArticle);
        commitText(QStringLiteral("画用紙（四つ切り）"));
        pressKey(Qt::Key_Tab);
        typeKeys(QStringLiteral("1200"));
        pressKey(Qt::Key_Return);
        QCOMPARE(dw->LabelDetailSum->text(), QStringLiteral("¥1,200"));
        // To the close button along the window's tab order.
        for (int i = 0; i < 10 && QApplication::focusWidget() != dw->CommandDetailClose; ++i)
            pressKey(Qt::Key_Tab);
        pressKey(Qt::Key_Space);
        QVERIFY(f.w->isEnabled());
        QTRY_VERIFY(f.w->isActiveWindow());
        QCOMPARE(QApplication::focusWidget(), out->MSFlexGridSupply);
        QVERIFY(out->CommandSupplyDetail->isHidden());
        const ArticlePtr e = f.doc().entryAt(false, 1);
        QVERIFY(e->taDetailList && e->taDetailList->tdLink);
        QCOMPARE(e->taDetailList->tdLink->tdArticle, QStringLiteral("画用紙（四つ切り）"));
        QCOMPARE(e->taDetailList->tdLink->tdAmount, 1200);
        QCOMPARE(out->MSFlexGridSupply->TextMatrix(1, 6), QStringLiteral("○"));
        QVERIFY(f.dialogs.done());
    }
};

HARUMOKA_TEST_MAIN(TestKeys)
#include "tst_keys.moc"
