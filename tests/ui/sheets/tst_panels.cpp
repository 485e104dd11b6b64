// The income and expense entry panels driven as a user drives them: cell
// clicks, typing (Japanese through the input method), the calendar, Enter.
#include "model/values.h"
#include "storage/account_file.h"
#include "ui/sheets/summary_sheet.h"
#include "support/test_main.h"
#include "support/test_util.h"
#include "support/window_fixture.h"
#include "ui/widgets/datepicker.h"
#include "ui/widgets/flexgrid.h"
#include "ui/sheets/income_sheet.h"
#include "ui/sheets/expense_sheet.h"
#include "support/parts.h"

#include <QApplication>

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

static QStringList comboItems(QComboBox *c)
{
    QStringList out;
    for (int i = 0; i < c->count(); ++i)
        out << c->itemText(i);
    return out;
}

static QStringList keys(const EntryList &list)
{
    QStringList out;
    for (const EntryPtr &a : list.entries())
        out << a->article;
    return out;
}

class TestPanels : public QObject {
    Q_OBJECT
private slots:
    // The amount follows per pupil × pupils, typed in either order; Record
    // takes what fits 32 bits and refuses the rest, saying which boxes.
    void perPupilTimesPupils_data()
    {
        QTest::addColumn<QString>("perPupil");
        QTest::addColumn<QString>("pupils");
        QTest::addColumn<QString>("amount"); // in the amount box
        QTest::addColumn<bool>("fits"); // recorded, or refused
        QTest::newRow("grouped digits") << "1,500" << "30" << " 45000" << true;
        QTest::newRow("negative") << "-500" << "32" << "-16000" << true;
        QTest::newRow("largest amount") << "71,582,788" << "30" << " 2147483640" << true;
        QTest::newRow("one step over") << "71,582,789" << "30" << " 2147483670" << false;
        QTest::newRow("beyond 64 bits") << "10,000,000,000,000,000,000" << "30" << " 300000000000000000000" << false;
    }
    void perPupilTimesPupils()
    {
        QFETCH(QString, perPupil);
        QFETCH(QString, pupils);
        QFETCH(QString, amount);
        QFETCH(bool, fits);
        for (bool pupilsFirst : {true, false}) {
            WindowFixture f;
            IncomeSheet *s = f.showIncome();
            part<QPushButton>(*s, "CommandIncomeNew")->click();
            mouseClickCell(part<FlexGrid>(*s, "MSFlexGridIncome"), 1, 4);
            auto pastePupils = [&] {
                auto *box = part<QLineEdit>(*s, "TextIncomeStudents");
                box->selectAll();
                box->insert(pupils);
            };
            if (pupilsFirst)
                pastePupils();
            typeKeys(perPupil);
            if (!pupilsFirst)
                pastePupils();
            QCOMPARE(part<QLineEdit>(*s, "TextIncomeAmount")->text(), amount);
            if (!fits)
                f.dialogs.expectMessageContaining(QStringLiteral("」の金額が大きすぎます。"));
            pressKey(Qt::Key_Return);
            QVERIFY(f.dialogs.done());
            const EntryPtr e = f.doc().entryAt(true, 1);
            QCOMPARE(qint64(e->amount), fits ? amount.trimmed().toLongLong() : 0);
            QCOMPARE(e->perPupil, fits ? QString(perPupil).remove(QLatin1Char(',')).toInt() : 0);
            QCOMPARE(part<IncomeSheet>(*f.w, "incomeSheet")->defaultStudents(), qint16(pupils.toInt()));
        }
    }

    void japaneseTypedThroughTheInputMethod()
    {
        WindowFixture f;
        IncomeSheet *s = f.showIncome();
        part<QPushButton>(*s, "CommandIncomeNew")->click();
        mouseClickCell(part<FlexGrid>(*s, "MSFlexGridIncome"), 1, 2);
        QCOMPARE(QApplication::focusWidget(), part<QComboBox>(*s, "ComboIncomeArticle"));
        commitText(QStringLiteral("学級費"));
        pressKey(Qt::Key_Return);
        QCOMPARE(f.doc().entryAt(true, 1)->article, QStringLiteral("学級費"));
        QCOMPARE(comboItems(part<QComboBox>(*s, "ComboIncomeArticle")), QStringList{QStringLiteral("学級費")});
        // A pasted line break is cut off.
        mouseClickCell(part<FlexGrid>(*s, "MSFlexGridIncome"), 1, 3);
        commitText(QStringLiteral("四月分\n五月分"));
        QCOMPARE(part<QComboBox>(*s, "ComboIncomeSubArticle")->currentText(), QStringLiteral("四月分"));
    }

    // The 5th entry of a kind gets a date before the 3rd's, and the user goes
    // on: the date order moves it to row 3 at once, and what the user goes on
    // with opens on the entry chosen, never on the row number it had.
    void resortedEntriesKeepTheirEditor_data()
    {
        QTest::addColumn<bool>("income");
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("chosen"); // whose editor opens ("" none asked for)
        for (bool in : {true, false}) {
            const QString kind = in ? QStringLiteral("income, ") : QStringLiteral("expense, ");
            QTest::newRow(qPrintable(kind + "typed, then another entry's cell")) << in << 0 << "e1";
            QTest::newRow(qPrintable(kind + "typed, then another cell of its row")) << in << 1 << "e5";
            QTest::newRow(qPrintable(kind + "typed, then Tab")) << in << 2 << "e5";
            QTest::newRow(qPrintable(kind + "typed, then Enter")) << in << 3 << "";
            QTest::newRow(qPrintable(kind + "chosen in the calendar")) << in << 4 << "";
        }
    }
    void resortedEntriesKeepTheirEditor()
    {
        QFETCH(bool, income);
        QFETCH(int, how);
        QFETCH(QString, chosen);
        WindowFixture f;
        for (int i = 1; i <= 5; ++i)
            f.add(income ? ::income(d(2026, 4, i * 2), QStringLiteral("e%1").arg(i), 100)
                         : expense(d(2026, 4, i * 2), QStringLiteral("e%1").arg(i), 100));
        part<QTabWidget>(*f.w, "SSTabSheets")->setCurrentIndex(income ? 1 : 2);
        EntrySheet *s = income ? static_cast<EntrySheet *>(part<IncomeSheet>(*f.w, "incomeSheet")) : part<ExpenseSheet>(*f.w, "expenseSheet");
        DatePicker *picker = income ? part<DatePicker>(*f.w, "DTPickerIncomeDate") : part<DatePicker>(*f.w, "DTPickerSupplyDate");
        const int articleCol = income ? 2 : 3;
        FlexGrid *g = s->grid();
        mouseClickCell(g, 5, 1);
        QCOMPARE(QApplication::focusWidget(), picker);
        if (how == 4) {
            picker->setValue(QDate(2026, 4, 5));
            emit picker->CloseUp();
        } else {
            typeKeys(QStringLiteral("20260405"));
            if (how <= 1)
                mouseClickCell(g, how == 0 ? 1 : 5, articleCol);
            else
                pressKey(how == 2 ? Qt::Key_Tab : Qt::Key_Return);
        }
        QCOMPARE(keys(f.doc().entries()), (QStringList{"e1", "e2", "e5", "e3", "e4"}));
        QCOMPARE(g->TextMatrix(3, articleCol), QStringLiteral("e5"));
        QVERIFY(g->TextMatrix(3, 1).endsWith(QStringLiteral("26/04/05")));
        // The selection, the keyboard cursor and any open editor are on the chosen entry.
        QCOMPARE(f.doc().entryAt(income, s->selectedRow())->article, chosen.isEmpty() ? QStringLiteral("e5") : chosen);
        QCOMPARE(g->keyRow(), int(s->selectedRow()));
        if (s->editorRow() != 0 || !chosen.isEmpty())
            QCOMPARE(s->editorRow(), int(s->selectedRow()));
        if (!chosen.isEmpty())
            QCOMPARE(s->source()->article, chosen);
        QVERIFY(!part<ExpenseSheet>(*f.w, "expenseSheet")->datePicked());
    }

    void recordingGivesNewKeysAndKeepsTheCount()
    {
        WindowFixture f;
        f.add(income(d(2026, 4, 1), "A", 100));
        f.refill();
        IncomeSheet *s = part<IncomeSheet>(*f.w, "incomeSheet");
        part<FlexGrid>(*s, "MSFlexGridIncome")->clickCell(1, 2);
        part<QPushButton>(*s, "CommandIncomeRecord")->click();
        const qint32 k1 = f.doc().entryAt(true, 1)->key;
        part<FlexGrid>(*s, "MSFlexGridIncome")->clickCell(1, 6);
        part<QLineEdit>(*s, "TextIncomeAmount")->setText(QStringLiteral("200"));
        part<QPushButton>(*s, "CommandIncomeRecord")->click();
        const qint32 k2 = f.doc().entryAt(true, 1)->key;
        QVERIFY(k1 != k2);
        QCOMPARE(f.doc().incomeCount(), qint16(1));
        QCOMPARE(keys(f.doc().entries()).size(), 1);
    }

    void addRowDropsAnUnrecordedChangeAClickRecordsIt()
    {
        WindowFixture f;
        f.add(income(d(2026, 4, 1), "A", 100));
        f.refill();
        IncomeSheet *s = part<IncomeSheet>(*f.w, "incomeSheet");
        part<FlexGrid>(*s, "MSFlexGridIncome")->clickCell(1, 6);
        part<QLineEdit>(*s, "TextIncomeAmount")->setText(QStringLiteral("999"));
        part<QPushButton>(*s, "CommandIncomeNew")->click();
        QCOMPARE(f.doc().entryAt(true, 1)->amount, 100);
        QCOMPARE(f.doc().incomeCount(), qint16(2));
        // A click elsewhere records the change first.
        part<FlexGrid>(*s, "MSFlexGridIncome")->clickCell(1, 6);
        part<QLineEdit>(*s, "TextIncomeAmount")->setText(QStringLiteral("777"));
        part<FlexGrid>(*s, "MSFlexGridIncome")->clickCell(10, 2);
        QCOMPARE(f.doc().entryAt(true, 1)->amount, 777);
        QCOMPARE(f.doc().incomeCount(), qint16(3));
    }

    void numberBoxBeyondTheEntriesCancels()
    {
        WindowFixture f;
        for (int i = 1; i <= 10; ++i)
            f.add(income(d(2026, 4, i), QStringLiteral("e%1").arg(i), i));
        f.refill();
        IncomeSheet *s = part<IncomeSheet>(*f.w, "incomeSheet");
        part<QLineEdit>(*s, "TextIncomeNo")->setText(QStringLiteral("3"));
        QCOMPARE(part<QComboBox>(*s, "ComboIncomeArticle")->currentText(), QStringLiteral("e3"));
        QVERIFY(part<QPushButton>(*s, "CommandIncomeRecord")->isEnabled());
        part<QLineEdit>(*s, "TextIncomeNo")->setText(QStringLiteral("99"));
        QVERIFY(part<QLineEdit>(*s, "TextIncomeNo")->text().isEmpty());
        QVERIFY(!part<QPushButton>(*s, "CommandIncomeRecord")->isEnabled());
        QVERIFY(!part<IncomeSheet>(*f.w, "incomeSheet")->current());
    }

    void valuesThatDoNotFitAreRefusedAndNothingChanges()
    {
        WindowFixture f;
        f.add(income(d(2026, 4, 1), "A", 100));
        f.refill();
        IncomeSheet *s = part<IncomeSheet>(*f.w, "incomeSheet");
        part<FlexGrid>(*s, "MSFlexGridIncome")->clickCell(1, 5);
        part<QLineEdit>(*s, "TextIncomeStudents")->setText(QStringLiteral("40000"));
        f.dialogs.expectMessageContaining(QStringLiteral("生徒数"));
        part<QPushButton>(*s, "CommandIncomeRecord")->click();
        QCOMPARE(keys(f.doc().entries()), QStringList{"A"});
        // The box opens again with what was typed, to be corrected.
        QVERIFY(!part<QLineEdit>(*s, "TextIncomeStudents")->isHidden());
        QCOMPARE(part<QLineEdit>(*s, "TextIncomeStudents")->text(), QStringLiteral("40000"));
        QCOMPARE(f.doc().entryAt(true, 1)->amount, 100);
        QVERIFY(f.dialogs.done());
        // Expense amount beyond 32 bits.
        f.add(expense(d(2026, 4, 1), "E", 1));
        f.refill();
        ExpenseSheet *e = part<ExpenseSheet>(*f.w, "expenseSheet");
        part<FlexGrid>(*e, "MSFlexGridSupply")->clickCell(1, 5);
        part<QLineEdit>(*e, "TextSupplyAmount")->setText(QStringLiteral("99999999999"));
        f.dialogs.expectMessageContaining(QStringLiteral("金額"));
        part<QPushButton>(*e, "CommandSupplyRecord")->click();
        QCOMPARE(f.doc().entryAt(false, 1)->amount, 1);
    }

    void receiptNumbersBelongToOneEntry()
    {
        WindowFixture f;
        f.add(expense(d(2026, 4, 3), "three", 1, QString(), 3));
        f.add(expense(d(2026, 4, 7), "seven", 1, QString(), 7));
        f.add(expense(d(2026, 4, 9), "none", 1));
        f.refill();
        ExpenseSheet *s = f.showSupply();
        FlexGrid *g = part<FlexGrid>(*s, "MSFlexGridSupply");
        DatePicker *picker = part<DatePicker>(*s, "DTPickerSupplyDate");
        // A number of another entry, once the box is left, shows that entry's
        // date; recording is refused and the entry keeps its own date.
        mouseClickCell(g, 3, 2);
        typeKeys(QStringLiteral("7"));
        QTest::mouseClick(part<QLineEdit>(*s, "TextSupplyNo"), Qt::LeftButton);
        QCOMPARE(picker->Value(), QDate(2026, 4, 7));
        f.dialogs.expectMessage(QStringLiteral("この領収書番号はすでに使われています。\r使っているのは 2026/04/07 の「seven」です。"));
        part<QPushButton>(*s, "CommandSupplyRecord")->click();
        QVERIFY(f.dialogs.done());
        pressKey(Qt::Key_Backspace); // the receipt box is open again, its number selected
        QCOMPARE(picker->Value(), QDate(2026, 4, 9));
        part<QPushButton>(*s, "CommandSupplyRecord")->click();
        QCOMPARE(describe(f.doc().entries()).last(), QStringLiteral("E:04/09:none:1"));
        QCOMPARE(f.doc().entryAt(false, 3)->receipt, qint16(0));
        // The owner keeps its number.
        mouseClickCell(g, 2, 2);
        QCOMPARE(part<QComboBox>(*s, "ComboSupplyReceipt")->currentText(), QStringLiteral(" 7"));
        pressKey(Qt::Key_Return);
        QCOMPARE(f.doc().entryAt(false, 2)->receipt, qint16(7));
        // An unused number hides the box when it is left and is recorded next.
        mouseClickCell(g, 3, 2);
        typeKeys(QStringLiteral("5"));
        QTest::mouseClick(part<QLineEdit>(*s, "TextSupplyNo"), Qt::LeftButton);
        QVERIFY(part<QComboBox>(*s, "ComboSupplyReceipt")->isHidden());
        part<QPushButton>(*s, "CommandSupplyRecord")->click();
        QCOMPARE(g->TextMatrix(3, 2), QStringLiteral("No. 5"));
        // The free list follows.
        QCOMPARE(comboItems(part<QComboBox>(*s, "ComboSupplyReceipt")).mid(0, 4), (QStringList{" 1", " 2", " 4", " 6"}));
        g->clickCell(3, 3);
        part<QPushButton>(*s, "CommandSupplyDelete")->click();
        QCOMPARE(comboItems(part<QComboBox>(*s, "ComboSupplyReceipt")).mid(0, 4), (QStringList{" 1", " 2", " 4", " 5"}));
        QCOMPARE(f.doc().supplyCount(), qint16(2));
        QVERIFY(g->TextMatrix(3, 0).isEmpty());
        QVERIFY(g->TextMatrix(3, 2).isEmpty());
    }

    void aTypedReceiptNumberNeverLendsItsPrefixesDate_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("then");
        QTest::newRow("recorded by the record button") << "18" << "record";
        QTest::newRow("recorded by Enter") << "18" << "Enter";
        // No. 1 itself, the box left: the owner's date is shown, as for any number.
        QTest::newRow("the other entry's 1, left") << "1" << "leave";
    }
    void aTypedReceiptNumberNeverLendsItsPrefixesDate()
    {
        QFETCH(QString, typed);
        QFETCH(QString, then);
        WindowFixture f;
        f.add(expense(d(2026, 4, 3), "one", 1, QString(), 1));
        f.add(expense(d(2026, 4, 9), "none", 1));
        f.refill();
        ExpenseSheet *s = f.showSupply();
        mouseClickCell(part<FlexGrid>(*s, "MSFlexGridSupply"), 2, 2);
        // 18 passes through 1, which is the other entry's.
        typeKeys(typed);
        if (then == "leave") {
            QTest::mouseClick(part<QLineEdit>(*s, "TextSupplyNo"), Qt::LeftButton);
            QCOMPARE(part<DatePicker>(*s, "DTPickerSupplyDate")->Value(), QDate(2026, 4, 3));
            return;
        }
        if (then == "Enter")
            pressKey(Qt::Key_Return);
        else
            QTest::mouseClick(part<QPushButton>(*s, "CommandSupplyRecord"), Qt::LeftButton);
        const EntryPtr e = f.doc().entryAt(false, 2);
        QCOMPARE(e->receipt, qint16(18));
        QCOMPARE(e->date.date(), QDate(2026, 4, 9));
    }

    void theDateEditorTakesTheEntrysOwnDate_data()
    {
        QTest::addColumn<int>("year");
        // The expense grid shows a two-digit year ("30/04/10").
        QTest::newRow("2029") << 2029;
        QTest::newRow("2030") << 2030;
        QTest::newRow("2099") << 2099;
    }
    void theDateEditorTakesTheEntrysOwnDate()
    {
        QFETCH(int, year);
        WindowFixture f;
        f.add(expense(d(year, 4, 10), "a", 1));
        f.refill();
        ExpenseSheet *s = f.showSupply();
        QCOMPARE(part<FlexGrid>(*s, "MSFlexGridSupply")->TextMatrix(1, 1),
                 QStringLiteral("%1/04/10").arg(year % 100, 2, 10, QLatin1Char('0')));
        mouseClickCell(part<FlexGrid>(*s, "MSFlexGridSupply"), 1, 1);
        QCOMPARE(part<DatePicker>(*s, "DTPickerSupplyDate")->Value(), QDate(year, 4, 10));
        // Leaving the cell records the entry.
        mouseClickCell(part<FlexGrid>(*s, "MSFlexGridSupply"), 1, 3);
        QCOMPARE(f.doc().entryAt(false, 1)->date.date(), QDate(year, 4, 10));
    }

    void scrollingKeepsWhatWasTypedInTheOpenEditor()
    {
        WindowFixture f;
        for (int i = 1; i <= 40; ++i)
            f.add(income(d(2026, 4, 1).addDays(i), QStringLiteral("e%1").arg(i), i));
        f.refill();
        IncomeSheet *s = f.showIncome();
        FlexGrid *g = part<FlexGrid>(*s, "MSFlexGridIncome");
        mouseClickCell(g, 3, 2);
        commitText(QStringLiteral("途中"));
        g->setTopRow(2);
        QVERIFY(part<QComboBox>(*s, "ComboIncomeArticle")->isVisible());
        QCOMPARE(part<QComboBox>(*s, "ComboIncomeArticle")->currentText(), QStringLiteral("途中"));
        g->setTopRow(10);
        QVERIFY(part<QComboBox>(*s, "ComboIncomeArticle")->isHidden());
        g->setTopRow(1);
        QVERIFY(part<QComboBox>(*s, "ComboIncomeArticle")->isVisible());
        QCOMPARE(part<QComboBox>(*s, "ComboIncomeArticle")->currentText(), QStringLiteral("途中"));
        part<QPushButton>(*s, "CommandIncomeRecord")->click();
        QCOMPARE(f.doc().entryAt(true, 3)->article, QStringLiteral("途中"));
        // An editor whose row scrolls out below the view hides too.
        g->setTopRow(10);
        mouseClickCell(g, 20, 2);
        g->setTopRow(1);
        QVERIFY(part<QComboBox>(*s, "ComboIncomeArticle")->isHidden());
    }

    void detailMarkSurvivesRecording()
    {
        WindowFixture f;
        auto e = f.add(expense(d(2026, 5, 1), "a", 300));
        e = f.setDetails(e, {{"x", 100}, {"y", 200}});
        f.refill();
        ExpenseSheet *s = f.showSupply();
        mouseClickCell(part<FlexGrid>(*s, "MSFlexGridSupply"), 1, 3);
        commitText(QStringLiteral("文房具"));
        part<QPushButton>(*s, "CommandSupplyRecord")->click();
        QCOMPARE(part<FlexGrid>(*s, "MSFlexGridSupply")->TextMatrix(1, 6), QStringLiteral("○"));
        QCOMPARE(part<FlexGrid>(*s, "MSFlexGridSupply")->TextMatrix(1, 3), QStringLiteral("文房具"));
        QVERIFY(f.doc().entryAt(false, 1)->details == e->details);
        QCOMPARE(comboItems(part<QComboBox>(*s, "ComboSupplyArticle")), QStringList{QStringLiteral("文房具")});
    }

    void keyboardOnlyEditing()
    {
        WindowFixture f;
        f.add(income(d(2026, 4, 1), "A", 100));
        f.add(income(d(2026, 4, 2), "B", 200));
        f.refill();
        IncomeSheet *s = f.showIncome();
        FlexGrid *g = part<FlexGrid>(*s, "MSFlexGridIncome");
        g->setFocus();
        // Arrows move the keyboard cursor, Enter opens the cell's editor.
        pressKey(Qt::Key_Down);
        pressKey(Qt::Key_Right);
        QCOMPARE(g->keyRow(), 2);
        QCOMPARE(g->keyCol(), 2);
        pressKey(Qt::Key_Return);
        QVERIFY(part<QComboBox>(*s, "ComboIncomeArticle")->isVisible());
        QCOMPARE(QApplication::focusWidget(), part<QComboBox>(*s, "ComboIncomeArticle"));
        commitText(QStringLiteral("修学旅行"));
        pressKey(Qt::Key_Return);
        QCOMPARE(f.doc().entryAt(true, 2)->article, QStringLiteral("修学旅行"));
        // The closed editor hands the focus back to the grid.
        QCOMPARE(QApplication::focusWidget(), g);
        // Escape drops an edit.
        pressKey(Qt::Key_Up);
        pressKey(Qt::Key_Return);
        commitText(QStringLiteral("取り消す"));
        pressKey(Qt::Key_Escape);
        QVERIFY(!part<QComboBox>(*s, "ComboIncomeArticle")->isVisible());
        QVERIFY(!part<IncomeSheet>(*f.w, "incomeSheet")->current());
        QCOMPARE(f.doc().entryAt(true, 1)->article, QStringLiteral("A"));
        QCOMPARE(QApplication::focusWidget(), g);
    }

    void typicalSessionSurvivesSaveAndReopen()
    {
        WindowFixture f;
        IncomeSheet *in = part<IncomeSheet>(*f.w, "incomeSheet");
        ExpenseSheet *out = part<ExpenseSheet>(*f.w, "expenseSheet");
        for (int i = 0; i < 6; ++i) {
            part<QTabWidget>(*f.w, "SSTabSheets")->setCurrentIndex(1);
            part<QPushButton>(*in, "CommandIncomeNew")->click();
            part<DatePicker>(*in, "DTPickerIncomeDate")->setValue(QDate(2026, 4 + i, 10));
            emit part<DatePicker>(*in, "DTPickerIncomeDate")->CloseUp();
            const int row = part<IncomeSheet>(*f.w, "incomeSheet")->selectedRow();
            mouseClickCell(part<FlexGrid>(*in, "MSFlexGridIncome"), row, 2);
            commitText(QStringLiteral("学級費"));
            mouseClickCell(part<FlexGrid>(*in, "MSFlexGridIncome"), row, 4);
            typeKeys(QString::number(500 + i * 100));
            pressKey(Qt::Key_Return);

            part<QTabWidget>(*f.w, "SSTabSheets")->setCurrentIndex(2);
            part<QPushButton>(*out, "CommandSupplyNew")->click();
            part<DatePicker>(*out, "DTPickerSupplyDate")->setValue(QDate(2026, 4 + i, 12));
            emit part<DatePicker>(*out, "DTPickerSupplyDate")->CloseUp();
            const int srow = part<ExpenseSheet>(*f.w, "expenseSheet")->selectedRow();
            mouseClickCell(part<FlexGrid>(*out, "MSFlexGridSupply"), srow, 3);
            commitText(QStringLiteral("教材費"));
            mouseClickCell(part<FlexGrid>(*out, "MSFlexGridSupply"), srow, 5);
            typeKeys(QString::number(1000 + i));
            pressKey(Qt::Key_Return);
        }
        QCOMPARE(f.doc().incomeCount(), qint16(6));
        QCOMPARE(f.doc().supplyCount(), qint16(6));
        // Change two, delete one.
        part<QTabWidget>(*f.w, "SSTabSheets")->setCurrentIndex(1);
        mouseClickCell(part<FlexGrid>(*in, "MSFlexGridIncome"), 2, 6);
        typeKeys(QStringLiteral("12345"));
        pressKey(Qt::Key_Return);
        part<QTabWidget>(*f.w, "SSTabSheets")->setCurrentIndex(2);
        mouseClickCell(part<FlexGrid>(*out, "MSFlexGridSupply"), 3, 4);
        commitText(QStringLiteral("ドリル"));
        pressKey(Qt::Key_Return);
        part<FlexGrid>(*out, "MSFlexGridSupply")->clickCell(6, 3);
        part<QPushButton>(*out, "CommandSupplyDelete")->click();
        QCOMPARE(f.doc().supplyCount(), qint16(5));

        const QString name = f.path(QStringLiteral("session.txt"));
        f.dialogs.expectSave(name);
        QVERIFY(f.w->documentCommands().saveAs());
        f.w->refreshSummaries();
        auto snapshot = [&] {
            QStringList rows;
            for (FlexGrid *g : {part<FlexGrid>(*in, "MSFlexGridIncome"), part<FlexGrid>(*out, "MSFlexGridSupply")})
                for (int r = 1; r <= 7; ++r)
                    rows << gridRow(g, r, 7).join('|');
            for (int p = 0; p < 6; ++p)
                for (int r = 1; r <= 14; ++r)
                    rows << gridRow(part<SummarySheet>(*f.w, "summarySheets", p)->grid(), r, 5).join('|');
            return rows;
        };
        const QStringList before = snapshot();
        QFile file(name);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        file.close();
        QVERIFY(f.w->documentCommands().close());
        QVERIFY(f.w->documentCommands().openFile(name));
        // Keys are new after a reopen; compare everything but the hidden key column.
        QCOMPARE(snapshot(), before);
        QCOMPARE(gridRow(part<FlexGrid>(*in, "MSFlexGridIncome"), 2, 7).last(), QStringLiteral("12,345"));
        QCOMPARE(gridRow(part<FlexGrid>(*out, "MSFlexGridSupply"), 3, 7).at(4), QStringLiteral("ドリル"));
        f.dialogs.expectSave(f.path(QStringLiteral("again.txt")));
        QVERIFY(f.w->documentCommands().saveAs());
        QFile again(f.path(QStringLiteral("again.txt")));
        again.open(QIODevice::ReadOnly);
        QCOMPARE(again.readAll(), bytes);
    }
};

HARUMOKA_TEST_MAIN(TestPanels)
#include "tst_panels.moc"
