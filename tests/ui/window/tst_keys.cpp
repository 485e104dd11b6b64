// The entry panels driven from the keyboard the way a keyboard drives them:
// every key goes to the widget that holds the focus after the click or key
// that put it there (pressKey, typeKeys, commitText), never to an inner
// widget the test picks.
#include "model/values.h"
#include "support/test_main.h"
#include "support/test_util.h"
#include "support/window_fixture.h"
#include "ui/detail/detail_window.h"
#include "ui/widgets/datepicker.h"
#include "ui/widgets/flexgrid.h"
#include "ui/sheets/income_sheet.h"
#include "ui/sheets/print_settings_sheet.h"
#include "ui/widgets/sheet_widgets.h"
#include "ui/sheets/expense_sheet.h"
#include "support/parts.h"

#include <QUndoStack>
#include <QAccessible>
#include <QCalendarWidget>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>

namespace {

// An entry's fields in one line: income "date|article|sub|per pupil|pupils|amount",
// expense "date|receipt|article|sub|amount".
QString fields(const EntryPtr &e)
{
    if (!e)
        return QStringLiteral("(none)");
    const QString date = shortDate(e->date);
    if (e->income)
        return QStringList{date, e->article, e->breakdown, QString::number(e->perPupil),
                           QString::number(e->pupils), QString::number(e->amount)}
            .join('|');
    return QStringList{date, QString::number(e->receipt), e->article, e->breakdown,
                       QString::number(e->amount)}
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
        return tab == 1 ? static_cast<EntrySheet *>(part<IncomeSheet>(*w, "incomeSheet"))
                        : static_cast<EntrySheet *>(part<ExpenseSheet>(*w, "expenseSheet"));
    }
    // The editor laid over column `col` of a sheet's grid.
    QWidget *editor(int tab, int col) const
    {
        const QStringList income = {"DTPickerIncomeDate", "ComboIncomeArticle", "ComboIncomeSubArticle",
                                    "TextIncomePerPerson", "TextIncomeStudents", "TextIncomeAmount"};
        const QStringList supply = {"DTPickerSupplyDate", "ComboSupplyReceipt", "ComboSupplyArticle",
                                    "ComboSupplySubArticle", "TextSupplyAmount", "CommandSupplyDetail"};
        const QString name = (tab == 1 ? income : supply).value(col - 1);
        return name.isEmpty() ? nullptr : part<QWidget>(*w, name);
    }
    // Shows the sheet and clicks a cell with the mouse.
    void open(int tab, int row, int col)
    {
        part<QTabWidget>(*w, "SSTabSheets")->setCurrentIndex(tab);
        mouseClickCell(sheet(tab)->grid(), row, col);
    }
    EntryPtr entry(int tab, int row) { return doc().entryAt(tab == 1, row); }
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
        // Undo while the text is typed does the same, and undoes nothing else.
        for (const bool undo : {false, true}) {
        Sheets f;
        if (undo)
            commitText(part<QLineEdit>(*f.w, "TextChargeHome"), QStringLiteral("山田"));
        const QString before = fields(f.entry(tab, 2));
        f.open(tab, 2, col);
        typeInto(tab, col, typed);
        undo ? part<QAction>(*f.w, "mnuEditUndo")->trigger() : pressKey(Qt::Key_Escape);
        QCOMPARE(fields(f.entry(tab, 2)), before);
        QVERIFY(f.editor(tab, col)->isHidden());
        QVERIFY(!f.sheet(tab)->current());
        QCOMPARE(QApplication::focusWidget(), f.sheet(tab)->grid());
        QCOMPARE(f.sheet(tab)->grid()->keyRow(), 2);
        QCOMPARE(f.doc().title().charge, undo ? QStringLiteral("山田") : QString());
        }
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
            QCOMPARE(f.sheet(tab)->selectedRow(), qint16(rowAfter));
        }
    }

    // Keys and input-method text (preedits of its beginnings, the commit) as Qt delivers them. "open T R C" clicks
    // (R, C) of tab T (3: detail window; column 0: the row-number box), where only a text box may take the input
    // method; "menu T R" picks 行の削除; "unchanged": nothing recorded, the box open. `asked`: the message, =answer.
    void keysAndInputMethod_data()
    {
        for (const char *column : {"steps", "asked", "after", "focus"})
            QTest::addColumn<QString>(column);
        QString rows = QStringLiteral(R"(
income row number | open 1 0 0; ime ２; shows 2; key Return | | $A;$B | 収入元帳
income date | open 1 2 1; ime ２０２６０３３１; key Return | | 2026/03/31,B,,,30,200;$A | 収入元帳
impossible date | open 1 2 1; ime ２０２６０２３１; key Return; shows 2026/04/02 | 「日付」に入力された「20260231」は日付として読めません。 | $A;$B | 日付
per pupil, Tab | open 1 2 4; ime ５００; key Tab | | $A;2026/04/02,B,,500,30,15,000 | 生徒数
pupils | open 1 2 5; ime ３２; key Return | | $A;2026/04/02,B,,,32,200 | 収入元帳
income amount | open 1 2 6; ime １３００; key Return | | $A;2026/04/02,B,,,30,1,300 | 収入元帳
kana in an amount | open 1 2 6; ime あ; shows 200; key Return | | $A;$B | 収入元帳
too large an amount | open 1 2 6; ime ９９９９９９９９９９９; key Return; shows 99999999999 | 「金額」の金額が大きすぎます。 | $A;$B | 金額
income article | open 1 2 2; ime 学級; unchanged; key Return | | $A;2026/04/02,学級,,,30,200 | 収入元帳
income breakdown | open 1 2 3; ime 四月分; unchanged; key Return | | $A;2026/04/02,B,四月分,,30,200 | 収入元帳
expense row number | open 2 0 0; ime １; shows 1; key Return | | $a;$b;$c | 支出元帳
expense date | open 2 2 1; ime ２０２６／０３／３１; key Return | | 26/03/31,,b,,200,○;$a;$c | 支出元帳
receipt, Tab | open 2 2 2; ime １２; key Tab | | $a;26/04/02,No. 12,b,,200,○;$c | 項目
expense amount | open 2 2 5; ime ー４５０; key Return | | $a;26/04/02,,b,,-450,○;$c | 支出元帳
too large an expense | open 2 2 5; ime ９９９９９９９９９９９; key Return; shows 99999999999 | 「金額」の金額が大きすぎます。 | $a;$b;$c | 金額
expense article | open 2 2 3; ime 画用紙; unchanged; key Return | | $a;26/04/02,,画用紙,,200,○;$c | 支出元帳
expense breakdown | open 2 2 4; ime 図工; unchanged; key Return | | $a;26/04/02,,b,図工,200,○;$c | 支出元帳
detail row number | open 3 0 0; ime ２; shows 2; key Return | | x,100;y,200 | 明細書
detail amount | open 3 1 2; ime １５０; key Return | | x,150;y,200 | 明細書
detail article | open 3 1 1; ime のり; unchanged; key Return | | のり,100;y,200 | 明細書
Delete, income | cursor 1 2; key Delete | 2行目（2026/04/02　B　200円）を削除しますか？ | $A | 収入元帳
menu, expense | menu 2 1 | 1行目（2026/04/01　a　100円）を削除しますか？ | $b;$c | 支出元帳
Delete, detail | cursor 3 1; key Delete | 1行目（x　100円）を削除しますか？ | y,200 | 明細書
Delete answered No | cursor 1 2; key Delete | 2行目（2026/04/02　B　200円）を削除しますか？=No | $A;$B | 収入元帳
menu answered No | menu 2 1 | 1行目（2026/04/01　a　100円）を削除しますか？=No | $a;$b;$c | 支出元帳
Delete answered No, detail | cursor 3 1; key Delete | 1行目（x　100円）を削除しますか？=No | x,100;y,200 | 明細書
Escape closes the detail window | cursor 3 1; key Escape | 明細表を見直しますか？=No | x,100;y,200 | 支出元帳
Down and Enter to a new detail line | open 3 2 2; key Return; key Down; key Return | | x,100;y,200;, | 項目
full-width keys, amount | open 1 2 6; keys １３００; key Return | | $A;2026/04/02,B,,,30,1,300 | 収入元帳
full-width keys, date | open 2 2 1; keys ２０２６／０３／３１; key Return | | 26/03/31,,b,,200,○;$a;$c | 支出元帳
used receipt number | open 2 2 2; key 7; key Return | すでに使われています。\r使っているのは 2026/04/03 の「c」です。 | $a;$b;$c | 領収書)");
        rows.replace("$A", "2026/04/01,A,,,30,100").replace("$B", "2026/04/02,B,,,30,200").replace("\\r", "\r")
            .replace("$a", "26/04/01,,a,,100,").replace("$b", "26/04/02,,b,,200,○").replace("$c", "26/04/03,No. 7,c,,300,");
        for (const QString &row : rows.split('\n', Qt::SkipEmptyParts)) {
            const QStringList c = row.split(QRegularExpression(" *\\| *"));
            QTest::newRow(qPrintable(c[0])) << c[1] << c[2] << c[3] << c[4];
        }
    }
    void keysAndInputMethod()
    {
        QFETCH(QString, steps);
        QFETCH(QString, asked);
        QFETCH(QString, focus);
        Sheets f;
        f.add(expense(d(2026, 4, 3), "c", 300, QString(), 7));
        f.setDetails(f.entry(2, 2), {{"x", 100}, {"y", 200}});
        f.refill();
        QPointer<DetailWindow> dw;
        FlexGrid *g = nullptr;
        auto shown = [&g, rows = QStringList()]() mutable { // the grid's rows after No.: "2026/04/02,B,,500,30,15,000;..."
            for (int r = 1; !g->TextMatrix(r, 0).isEmpty(); ++r)
                rows << gridRow(g, r, g->Cols()).mid(1).join(',');
            return std::exchange(rows, {}).join(';');
        };
        auto focusName = [] { return QApplication::focusWidget() ? QApplication::focusWidget()->accessibleName() : ""; };
        QString before;
        if (!asked.isEmpty())
            f.dialogs.expectMessage(asked.section('=', 0, 0), asked.endsWith("=No") ? Dialogs::Answer::No : Dialogs::Answer::Yes, true);
        for (const QString &step : steps.split("; ")) {
            const QString verb = step.section(' ', 0, 0), arg = step.section(' ', 1, 1);
            const int row = step.section(' ', 2, 2).toInt(), col = step.section(' ', 3, 3).toInt();
            if (verb == "open" || verb == "cursor" || verb == "menu") {
                part<QTabWidget>(*f.w, "SSTabSheets")->setCurrentIndex(arg == "3" ? 2 : arg.toInt());
                if (arg == "3" && !dw) {
                    f.open(2, 2, 6);
                    part<QPushButton>(*f.w, "CommandSupplyDetail")->click();
                    QTRY_VERIFY((dw = f.w->findChild<DetailWindow *>()) && dw->isActiveWindow());
                }
                g = dw ? part<FlexGrid>(*dw, "MSFlexGridDetail") : f.sheet(arg.toInt())->grid();
                g->setFocus();
                g->setKeyCell(row, 1);
            }
            if (verb == "open") {
                col ? mouseClickCell(g, row, col)
                    : QTest::mouseClick(dw ? part<QLineEdit>(*dw, "TextDetailNo")
                                           : part<QLineEdit>(*f.w, arg.toInt() == 1 ? "TextIncomeNo" : "TextSupplyNo"),
                                        Qt::LeftButton);
                before = shown() + focusName();
                QInputMethodQueryEvent query(Qt::ImEnabled);
                QApplication::sendEvent(QApplication::focusWidget(), &query);
                const bool text = focusName() == "項目" || focusName() == "内訳";
                QCOMPARE(query.value(Qt::ImEnabled).toBool(), text);
                QCOMPARE(QInputMethod::queryFocusObject(Qt::ImEnabled, {}).toBool(), text);
            } else if (verb == "menu") {
                const QPoint at = g->visualRect(g->model()->index(row - 1, 1)).center();
                QContextMenuEvent click(QContextMenuEvent::Mouse, at, g->viewport()->mapToGlobal(at));
                QApplication::sendEvent(g->viewport(), &click);
                auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
                QVERIFY(menu && menu->actions().first()->text() == QStringLiteral("行の削除"));
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions().first()).center());
            } else if (verb == "ime") {
                for (int n = 1; n < arg.size(); ++n) {
                    QInputMethodEvent preedit(arg.left(n), {{QInputMethodEvent::Cursor, n, 1, QVariant()}});
                    QApplication::sendEvent(QApplication::focusWidget(), &preedit);
                }
                commitText(arg);
            } else if (verb == "keys") { // keys whose text is full-width, without the input method
                for (QChar c : arg) {
                    QKeyEvent press(QEvent::KeyPress, c.unicode(), Qt::NoModifier, QString(c));
                    QApplication::sendEvent(QApplication::focusWidget(), &press);
                }
            } else if (verb == "key") {
                pressKey(Qt::Key(QKeySequence(arg)[0].key()));
            } else if (QWidget *w = QApplication::focusWidget(); verb == "shows") {
                QCOMPARE(w->property(qobject_cast<QComboBox *>(w) ? "currentText" : "text").toString(), arg);
            } else if (verb == "unchanged") {
                QCOMPARE(shown() + focusName(), before);
            }
        }
        QVERIFY(f.dialogs.done());
        QTEST(shown(), "after");
        QTRY_COMPARE(focusName(), focus);
        if (dw)
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
        f.setDetails(f.entry(2, 2), {{"x", 100}, {"y", 200}});
        f.refill();
        f.open(2, 2, 6);
        part<QPushButton>(*f.w, "CommandSupplyDetail")->click();
        auto *dw = f.w->findChild<DetailWindow *>();
        QVERIFY(dw);
        QTRY_VERIFY(dw->isActiveWindow());
        mouseClickCell(part<FlexGrid>(*dw, "MSFlexGridDetail"), 1, col);
        QWidget *editor = col == 1 ? static_cast<QWidget *>(part<QComboBox>(*dw, "ComboDetailArticle")) : part<QLineEdit>(*dw, "TextDetailAmount");
        QCOMPARE(QApplication::focusWidget(), editor);
        if (col == 1)
            commitText(QStringLiteral("のり"));
        else
            typeKeys(QStringLiteral("150"));
        pressKey(key);
        QStringList got;
        for (const DetailLine &l : *f.entry(2, 2)->details)
            got << l.article + '=' + QString::number(l.amount);
        QCOMPARE(got.join('|'), lines);
        QCOMPARE(QApplication::focusWidget(), focusCol == 2 ? static_cast<QWidget *>(part<QLineEdit>(*dw, "TextDetailAmount"))
                                                            : part<FlexGrid>(*dw, "MSFlexGridDetail"));
        QCOMPARE(part<FlexGrid>(*dw, "MSFlexGridDetail")->keyRow(), 1);
        dw->forceUnload();
    }

    void numberBoxDigitRules_data()
    {
        QTest::addColumn<int>("box"); // 0 number box, 5 pupils, 4 per pupil, 6 amount
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("amount");
        QTest::newRow("number box refuses a letter") << 0 << "a" << "" << "";
        QTest::newRow("pupils refuse a letter") << 5 << "3a" << "3" << " 200";
        QTest::newRow("amount keeps a lone minus") << 6 << "-" << "-" << "-";
        QTest::newRow("amount takes a negative") << 6 << "-5" << "-5" << "-5";
        QTest::newRow("amount refuses a leading 0") << 6 << "0" << "" << "";
        QTest::newRow("amount refuses a letter") << 6 << "7x" << "7" << "7";
        QTest::newRow("per pupil with separator") << 4 << "1,500" << "1,500" << " 45000";
    }
    void numberBoxDigitRules()
    {
        QFETCH(int, box);
        QFETCH(QString, typed);
        QFETCH(QString, text);
        QFETCH(QString, amount);
        Sheets f;
        IncomeSheet *s = part<IncomeSheet>(*f.w, "incomeSheet");
        part<QTabWidget>(*f.w, "SSTabSheets")->setCurrentIndex(1);
        QLineEdit *edit = box == 0 ? part<QLineEdit>(*s, "TextIncomeNo") : qobject_cast<QLineEdit *>(f.editor(1, box));
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
            QCOMPARE(part<QLineEdit>(*s, "TextIncomeAmount")->text(), amount);
    }

    void onlyTypingInTheAmountMakesItAPlainAmount()
    {
        Sheets f;
        IncomeSheet *s = part<IncomeSheet>(*f.w, "incomeSheet");
        f.open(1, 2, 4);
        typeKeys(QStringLiteral("500"));
        pressKey(Qt::Key_Tab);
        pressKey(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), part<QLineEdit>(*s, "TextIncomeAmount"));
        // Moving through the box leaves the per-pupil amount; typing a digit empties it.
        pressKey(Qt::Key_Shift);
        pressKey(Qt::Key_Left);
        QCOMPARE(part<QLineEdit>(*s, "TextIncomePerPerson")->text(), QStringLiteral(" 500"));
        pressKey(Qt::Key_End);
        typeKeys(QStringLiteral("1"));
        QVERIFY(part<QLineEdit>(*s, "TextIncomePerPerson")->text().isEmpty());
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
        DatePicker *picker = ::part<DatePicker>(*f.w, "DTPickerSupplyDate");
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
        DatePicker *picker = part<DatePicker>(*f.w, "DTPickerIncomeDate");
        pressKey(key, modifiers);
        QTRY_VERIFY(picker->calendarWidget()->isVisible());
        // The calendar has the keyboard: a day back and Enter chooses it.
        pressKey(Qt::Key_Left);
        pressKey(Qt::Key_Return);
        QTRY_VERIFY(!picker->calendarWidget()->isVisible());
        QCOMPARE(fields(f.entry(1, 2)), QStringLiteral("2026/04/01|B||0|30|200"));
        QTRY_COMPARE(QApplication::focusWidget(), part<IncomeSheet>(*f.w, "incomeSheet")->grid());
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
        ExpenseSheet *s = part<ExpenseSheet>(*f.w, "expenseSheet");
        f.open(2, 2, how == 3 ? 2 : 3);
        QPushButton *buttons[] = {part<QPushButton>(*s, "CommandSupplyRecord"), part<QPushButton>(*s, "CommandSupplyCancel"),
                                  part<QPushButton>(*s, "CommandSupplyDelete")};
        if (how < 3) {
            QTest::mouseClick(buttons[how], Qt::LeftButton);
        } else {
            pressKey(Qt::Key_Down, Qt::AltModifier);
            QTRY_VERIFY(part<QComboBox>(*s, "ComboSupplyReceipt")->view()->isVisible());
            pressKey(Qt::Key_Return); // the first free number, in the grid at once
            QCOMPARE(s->grid()->TextMatrix(2, 2), QStringLiteral("No. 1"));
        }
        QTRY_COMPARE(QApplication::focusWidget(), s->grid());
        QCOMPARE(s->grid()->keyRow(), keyRow);
        if (how == 3) { // the pick and a later change of the same entry are one undo step
            mouseClickCell(s->grid(), 2, 5);
            typeKeys(QStringLiteral("350"));
            pressKey(Qt::Key_Return);
            QCOMPARE(f.w->undoStack().count(), 1);
        }
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
        IncomeSheet *s = f.showIncome();
        mouseClickCell(part<FlexGrid>(*s, "MSFlexGridIncome"), 1, clickedCol);
        QTest::mouseClick(part<QPushButton>(*s, "CommandIncomeNew"), Qt::LeftButton);
        QCOMPARE(f.doc().incomeCount(), qint16(3));
        QCOMPARE(fields(f.doc().entryAt(true, 2)), QStringLiteral("2026/12/07|||0|30|0"));
        QCOMPARE(s->selectedRow(), qint16(2));
        QVERIFY(s->source() == f.doc().entryAt(true, 2));
        QVERIFY(part<DatePicker>(*s, "DTPickerIncomeDate")->isVisible());
        QCOMPARE(QApplication::focusWidget(), part<DatePicker>(*s, "DTPickerIncomeDate"));
        QCOMPARE(fields(f.doc().entryAt(true, 3)).section('|', 1, 1), QStringLiteral("later"));
    }

    void anEditorOnThePartlyShownLastRowScrollsItIntoView()
    {
        WindowFixture f;
        for (int i = 1; i <= 40; ++i)
            f.add(income(d(2026, 4, 1).addDays(i), QStringLiteral("e%1").arg(i), i));
        f.refill();
        IncomeSheet *s = f.showIncome();
        FlexGrid *g = part<FlexGrid>(*s, "MSFlexGridIncome");
        QApplication::processEvents();
        auto rowRect = [g](int row) { return g->visualRect(g->model()->index(row - 1, 2)); };
        int last = 1;
        while (rowRect(last + 1).top() < g->viewport()->height())
            ++last;
        QVERIFY2(rowRect(last).bottom() >= g->viewport()->height(), "the last row shown is cut off");
        mouseClickCell(g, last, 2);
        QCOMPARE(s->selectedRow(), qint16(last));
        QVERIFY(rowRect(last).bottom() < g->viewport()->height());
        const QRect editor = part<QComboBox>(*s, "ComboIncomeArticle")->geometry();
        QVERIFY(editor.bottom() <= g->geometry().bottom());
        QCOMPARE(QApplication::focusWidget(), part<QComboBox>(*s, "ComboIncomeArticle"));
    }

    void everyEditorButtonAndBoxHasAJapaneseName()
    {
        Sheets f;
        f.setDetails(f.entry(2, 1), {{"x", 100}});
        f.refill();
        QList<QWidget *> widgets{part<UpDown>(*f.w, "UpDownIncomeStudents")};
        for (int tab : {1, 2}) {
            EntrySheet *s = f.sheet(tab);
            const QString kind = tab == 1 ? QStringLiteral("Income") : QStringLiteral("Supply");
            widgets << s->grid() << part<QLineEdit>(*s, "Text" + kind + "No");
            for (const char *button : {"New", "Record", "Delete", "Cancel"})
                widgets << part<QPushButton>(*s, "Command" + kind + button);
            for (int col = 1; f.editor(tab, col); ++col)
                widgets << f.editor(tab, col);
        }
        f.open(2, 1, 6);
        part<QPushButton>(*f.w, "CommandSupplyDetail")->click();
        auto *dw = f.w->findChild<DetailWindow *>();
        QVERIFY(dw);
        widgets << part<FlexGrid>(*dw, "MSFlexGridDetail") << part<QLineEdit>(*dw, "TextDetailNo") << part<QComboBox>(*dw, "ComboDetailArticle") << part<QLineEdit>(*dw, "TextDetailAmount")
                << part<QPushButton>(*dw, "CommandDetailNew") << part<QPushButton>(*dw, "CommandDetailRecord") << part<QPushButton>(*dw, "CommandDetailDelete")
                << part<QPushButton>(*dw, "CommandDetailCancel") << part<QPushButton>(*dw, "CommandDetailClose");
        PrintSettingsSheet *ps = part<PrintSettingsSheet>(*f.w, "printSheet");
        for (QLabel *label : ps->findChildren<QLabel *>()) {
            if (label == part<QLabel>(*ps, "LabelCommentHome"))
                continue;
            QVERIFY2(label->buddy(), qPrintable(label->text()));
            widgets << label->buddy();
            if (auto *c = qobject_cast<QComboBox *>(label->buddy()))
                widgets << c->lineEdit(); // holds the text read out
        }
        widgets << f.w->findChild<QWidget *>("tbToolBar") << f.w->findChild<QWidget *>("qt_toolbar_ext_button")
                << part<QLabel>(*f.w, "LabelIncomeRemainder") << part<QLabel>(*f.w, "LabelSupplyRemainder")
                << part<QLabel>(*dw, "LabelDetailSum");
        for (QWidget *w : f.w->findChildren<QWidget *>()) { // every grid (the summaries'); frames by their titles
            if (w->inherits("FlexGrid"))
                widgets << w;
            else if (w->inherits("QGroupBox"))
                QCOMPARE(QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name), w->property("title"));
        }
        QCOMPARE(QAccessible::queryAccessibleInterface(part<IncomeSheet>(*f.w, "incomeSheet")->grid())
                     ->tableInterface()->columnCount(), 7); // no key
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

    void wholeEntriesFromTheKeyboardAlone()
    {
        WindowFixture f;
        IncomeSheet *in = part<IncomeSheet>(*f.w, "incomeSheet");
        ExpenseSheet *out = part<ExpenseSheet>(*f.w, "expenseSheet");
        // The window starts on the print settings sheet with the focus on the
        // sheet tabs: the next tab, and Tab into its grid.
        QCOMPARE(QApplication::focusWidget(), part<QTabWidget>(*f.w, "SSTabSheets")->tabBar());
        pressKey(Qt::Key_Right);
        QCOMPARE(part<QTabWidget>(*f.w, "SSTabSheets")->currentIndex(), 1);
        pressKey(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), part<FlexGrid>(*in, "MSFlexGridIncome"));
        // Enter on the blank first row adds an entry and opens its date.
        pressKey(Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), part<DatePicker>(*in, "DTPickerIncomeDate"));
        typeKeys(QStringLiteral("4/10"));
        pressKey(Qt::Key_Tab);
        commitText(QStringLiteral("学級費"));
        pressKey(Qt::Key_Tab);
        commitText(QStringLiteral("四月分"));
        pressKey(Qt::Key_Tab);
        typeKeys(QStringLiteral("1500"));
        pressKey(Qt::Key_Return);
        QCOMPARE(fields(f.doc().entryAt(true, 1)), QStringLiteral("2026/04/10|学級費|四月分|1500|30|45000"));
        QCOMPARE(QApplication::focusWidget(), part<FlexGrid>(*in, "MSFlexGridIncome"));

        // The expense sheet, Ctrl+Tab from inside a sheet: a dated expense
        // with its receipt, article and amount.
        pressKey(Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), part<FlexGrid>(*out, "MSFlexGridSupply"));
        pressKey(Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), part<DatePicker>(*out, "DTPickerSupplyDate"));
        typeKeys(QStringLiteral("4/15"));
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
        QCOMPARE(QApplication::focusWidget(), part<QPushButton>(*out, "CommandSupplyDetail"));
        pressKey(Qt::Key_Space);
        auto *dw = f.w->findChild<DetailWindow *>();
        QVERIFY(dw);
        QTRY_VERIFY(dw->isActiveWindow());
        QCOMPARE(QApplication::focusWidget(), part<FlexGrid>(*dw, "MSFlexGridDetail"));
        pressKey(Qt::Key_Return); // a line on the blank row, its article open
        QCOMPARE(QApplication::focusWidget(), part<QComboBox>(*dw, "ComboDetailArticle"));
        for (const QString &line : {QStringLiteral("画用紙（四つ切り）"), QStringLiteral("のり")}) {
            if (line == QStringLiteral("のり")) { // the next line: Down to the blank row, Enter
                pressKey(Qt::Key_Down);
                pressKey(Qt::Key_Return);
            }
            commitText(line);
            pressKey(Qt::Key_Tab);
            typeKeys(QStringLiteral("600"));
            pressKey(Qt::Key_Return);
        }
        QCOMPARE(part<QLabel>(*dw, "LabelDetailSum")->text(), QStringLiteral("¥1,200"));
        pressKey(Qt::Key_Escape); // closes the window
        QVERIFY(f.w->isEnabled());
        QTRY_VERIFY(f.w->isActiveWindow());
        QCOMPARE(QApplication::focusWidget(), part<FlexGrid>(*out, "MSFlexGridSupply"));
        QVERIFY(part<QPushButton>(*out, "CommandSupplyDetail")->isHidden());
        const EntryPtr e = f.doc().entryAt(false, 1);
        QVERIFY(e->hasDetailLines());
        QCOMPARE(e->details->first().article, QStringLiteral("画用紙（四つ切り）"));
        QCOMPARE(e->details->first().amount, 600);
        QCOMPARE(part<FlexGrid>(*out, "MSFlexGridSupply")->TextMatrix(1, 6), QStringLiteral("○"));
        QVERIFY(f.dialogs.done());
    }
};

HARUMOKA_TEST_MAIN(TestKeys)
#include "tst_keys.moc"
