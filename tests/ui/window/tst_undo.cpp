// Undo and redo through the Edit menu after edits made through the widgets:
// undoing everything gives back the very file that was opened, redoing
// everything the file as edited, and the unsaved mark follows the last save.
#include "model/document.h"
#include "model/values.h"
#include "storage/account_file.h"
#include "support/test_main.h"
#include "support/test_util.h"
#include "support/window_fixture.h"
#include "ui/detail/detail_window.h"
#include "ui/widgets/datepicker.h"
#include "ui/widgets/flexgrid.h"
#include "ui/sheets/income_sheet.h"
#include "ui/sheets/print_settings_sheet.h"
#include "ui/sheets/expense_sheet.h"
#include "support/parts.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QUndoStack>

namespace {

QByteArray saved(MainWindow &w)
{
    return encodeAccountFile(w.document().title(), w.document().entries());
}

// One random edit, as a user makes it.
void randomEdit(WindowFixture &f, QRandomGenerator &r)
{
    IncomeSheet *in = part<IncomeSheet>(*f.w, "incomeSheet");
    ExpenseSheet *out = part<ExpenseSheet>(*f.w, "expenseSheet");
    const int incomes = f.doc().incomeCount();
    const int expenses = f.doc().supplyCount();
    switch (r.bounded(7)) {
    case 0:
        part<QPushButton>(*in, "CommandIncomeNew")->click();
        part<QPushButton>(*in, "CommandIncomeCancel")->click();
        break;
    case 1:
        if (incomes > 0) {
            part<FlexGrid>(*in, "MSFlexGridIncome")->clickCell(1 + r.bounded(incomes), 6);
            part<QLineEdit>(*in, "TextIncomeAmount")->setText(QString::number(100 * (1 + r.bounded(90))));
            part<QPushButton>(*in, "CommandIncomeRecord")->click();
        }
        break;
    case 2:
        if (incomes > 0) {
            part<FlexGrid>(*in, "MSFlexGridIncome")->clickCell(1 + r.bounded(incomes), 2);
            part<QPushButton>(*in, "CommandIncomeDelete")->click();
        }
        break;
    case 3:
        part<QPushButton>(*out, "CommandSupplyNew")->click();
        commitText(part<QComboBox>(*out, "ComboSupplyArticle"), QStringLiteral("画用紙%1").arg(r.bounded(5)));
        part<QPushButton>(*out, "CommandSupplyRecord")->click();
        break;
    case 4:
        if (expenses > 0) {
            // A date chosen in the calendar re-sorts the entry.
            part<FlexGrid>(*out, "MSFlexGridSupply")->clickCell(1 + r.bounded(expenses), 1);
            part<DatePicker>(*out, "DTPickerSupplyDate")->setValue(QDate(2026, 4 + r.bounded(9), 1 + r.bounded(28)));
            emit part<DatePicker>(*out, "DTPickerSupplyDate")->CloseUp();
            part<QPushButton>(*out, "CommandSupplyCancel")->click();
        }
        break;
    case 5:
        if (expenses > 0) {
            part<FlexGrid>(*out, "MSFlexGridSupply")->clickCell(1 + r.bounded(expenses), 3);
            part<QPushButton>(*out, "CommandSupplyDelete")->click();
        }
        break;
    case 6:
        commitText(part<QLineEdit>(*f.w, "TextChargeHome"), QStringLiteral("先生%1").arg(r.bounded(9)));
        break;
    }
}

// Every cell's text, alignment and colours.
QStringList gridRows(GridTable &table)
{
    table.fetchAll();
    QStringList rows;
    for (int r = 0; r < table.rowCount(); ++r)
        for (int c = 0; c < table.columnCount(); ++c) {
            const QModelIndex i = table.index(r, c);
            rows << QStringLiteral("%1|%2|%3|%4").arg(i.data().toString())
                        .arg(i.data(Qt::TextAlignmentRole).toInt())
                        .arg(i.data(Qt::ForegroundRole).value<QColor>().name())
                        .arg(i.data(Qt::BackgroundRole).value<QColor>().name());
        }
    return rows;
}

} // namespace

class TestUndo : public QObject {
    Q_OBJECT
private slots:
    void undoAllGivesTheFileBackRedoAllTheEdits()
    {
        for (quint32 seed = 1; seed <= 12; ++seed) {
            WindowFixture f;
            QVERIFY(f.w->documentCommands().openFile(QStringLiteral(HARUMOKA_TEST_DATA "/golden/sample.txt")));
            const QByteArray before = saved(*f.w);
            QRandomGenerator r(seed);
            // The models tell every change as Qt's item views expect.
            QAbstractItemModelTester incomeTester(&part<IncomeSheet>(*f.w, "incomeSheet")->table(),
                                                  QAbstractItemModelTester::FailureReportingMode::QtTest);
            QAbstractItemModelTester supplyTester(&part<ExpenseSheet>(*f.w, "expenseSheet")->table(),
                                                  QAbstractItemModelTester::FailureReportingMode::QtTest);
            for (int i = 0; i < 14; ++i)
                randomEdit(f, r);
            const QByteArray after = saved(*f.w);
            QVERIFY(f.doc().isModified() == (f.w->undoStack().count() > 0));
            while (part<QAction>(*f.w, "mnuEditUndo")->isEnabled())
                part<QAction>(*f.w, "mnuEditUndo")->trigger();
            QVERIFY2(saved(*f.w) == before, qPrintable(QStringLiteral("seed %1").arg(seed)));
            QVERIFY(!f.doc().isModified());
            while (part<QAction>(*f.w, "mnuEditRedo")->isEnabled())
                part<QAction>(*f.w, "mnuEditRedo")->trigger();
            QVERIFY2(saved(*f.w) == after, qPrintable(QStringLiteral("seed %1").arg(seed)));
            QCOMPARE(f.doc().isModified(), f.w->undoStack().count() > 0);
            // The models, brought up to date row by row, show what a model made now shows.
            for (EntrySheet *sheet : {static_cast<EntrySheet *>(part<IncomeSheet>(*f.w, "incomeSheet")),
                                      static_cast<EntrySheet *>(part<ExpenseSheet>(*f.w, "expenseSheet"))}) {
                EntryTableModel fresh(f.doc(), sheet == part<IncomeSheet>(*f.w, "incomeSheet"));
                fresh.selectKey(sheet->table().selectedKey());
                QCOMPARE(gridRows(sheet->table()), gridRows(fresh));
            }
            f.dialogs.expectMessage(QStringLiteral("ﾌｧｲﾙが保存していません。保存しますか？"), Dialogs::Answer::No);
            QVERIFY(f.w->documentCommands().close() || f.w->undoStack().count() == 0);
        }
    }

    // What the user does to one entry until leaving it is one undo step;
    // going through cells without changing anything is none.
    void oneEntryOneStep_data()
    {
        QTest::addColumn<int>("how");
        QTest::addColumn<int>("steps");
        QTest::addColumn<QString>("named");
        QTest::newRow("a new entry by keys") << 0 << 1 << QStringLiteral("収入の登録 (学級費)");
        QTest::newRow("Tab through unchanged cells") << 1 << 0 << QString();
        QTest::newRow("two cells of one entry, then Enter") << 2 << 1 << QStringLiteral("収入の登録 (遠足)");
        QTest::newRow("two entries, one after the other") << 3 << 2 << QStringLiteral("収入の登録 (B)");
    }
    void oneEntryOneStep()
    {
        QFETCH(int, how);
        QFETCH(int, steps);
        QFETCH(QString, named);
        WindowFixture f;
        f.add(income(d(2026, 4, 10), QStringLiteral("A"), 100, QString(), 100, 1));
        f.add(income(d(2026, 4, 20), QStringLiteral("B"), 100, QString(), 100, 1));
        IncomeSheet *in = f.showIncome();
        FlexGrid *g = part<FlexGrid>(*in, "MSFlexGridIncome");
        if (how == 0) {
            mouseClickCell(g, 3, 1);
            pressKey(Qt::Key_Tab);
            commitText(QStringLiteral("学級費"));
            pressKey(Qt::Key_Tab);
            pressKey(Qt::Key_Tab);
            typeKeys(QStringLiteral("500"));
            pressKey(Qt::Key_Tab);
            typeKeys(QStringLiteral("30"));
            pressKey(Qt::Key_Return);
            QCOMPARE(f.doc().entryAt(true, 3)->amount, 15000);
        } else {
            mouseClickCell(g, 1, 2);
            if (how >= 2)
                commitText(QStringLiteral("遠足"));
            for (int i = 0; i < 4; ++i)
                pressKey(Qt::Key_Tab);
            if (how == 2)
                typeKeys(QStringLiteral("3"));
            pressKey(Qt::Key_Return);
            if (how == 3) {
                mouseClickCell(g, 2, 6);
                typeKeys(QStringLiteral("700"));
                pressKey(Qt::Key_Return);
            }
        }
        QCOMPARE(f.w->undoStack().count(), steps);
        QCOMPARE(f.doc().isModified(), steps > 0);
        if (steps > 0)
            QCOMPARE(f.w->undoStack().undoText(), named);
        // Undoing everything gives the two entries back as they were.
        while (f.w->undoStack().canUndo())
            f.w->undoStack().undo();
        QCOMPARE(describe(f.doc().entries()), (QStringList{"I:04/10:A:100", "I:04/20:B:100"}));
    }

    void itemsNameTheEditAndTheSavedStateIsClean()
    {
        WindowFixture f;
        const QString path = f.path(QStringLiteral("a.txt"));
        writeCp932(path, {"iMekalu135", "True", "", "", "", "", "", "False", "2026/05/01", " 0", "画用紙", "",
                          " 1", " 0", " 300", "<DETAIL>", "白", " 300", "</DETAIL>"});
        QVERIFY(f.w->documentCommands().openFile(path));
        QVERIFY(!part<QAction>(*f.w, "mnuEditUndo")->isEnabled());
        QCOMPARE(part<QAction>(*f.w, "mnuEditUndo")->text(), QStringLiteral("元に戻す(&U)"));
        ExpenseSheet *out = part<ExpenseSheet>(*f.w, "expenseSheet");
        part<FlexGrid>(*out, "MSFlexGridSupply")->clickCell(1, 5);
        part<QLineEdit>(*out, "TextSupplyAmount")->setText(QStringLiteral("320"));
        part<QPushButton>(*out, "CommandSupplyRecord")->click();
        QCOMPARE(part<QAction>(*f.w, "mnuEditUndo")->text(), QStringLiteral("元に戻す(&U): 支出の登録 (画用紙)"));
        // A detail line recorded in the detail window is undone from the main window.
        part<FlexGrid>(*out, "MSFlexGridSupply")->clickCell(1, 6);
        part<QPushButton>(*out, "CommandSupplyDetail")->click();
        DetailWindow *dw = f.w->findChild<DetailWindow *>();
        QVERIFY(dw);
        part<FlexGrid>(*dw, "MSFlexGridDetail")->clickCell(1, 2);
        part<QLineEdit>(*dw, "TextDetailAmount")->setText(QStringLiteral("320"));
        part<QPushButton>(*dw, "CommandDetailRecord")->click();
        part<QPushButton>(*dw, "CommandDetailClose")->click();
        QCOMPARE(part<QAction>(*f.w, "mnuEditUndo")->text(), QStringLiteral("元に戻す(&U): 明細の登録 (白)"));
        QVERIFY(f.w->documentCommands().save());
        QVERIFY(!f.doc().isModified());
        part<QAction>(*f.w, "mnuEditUndo")->trigger();
        QCOMPARE(sumDetail(*f.doc().entryAt(false, 1)->details), 300);
        QVERIFY(f.doc().isModified());
        QCOMPARE(part<QAction>(*f.w, "mnuEditRedo")->text(), QStringLiteral("やり直し(&R): 明細の登録 (白)"));
        part<QAction>(*f.w, "mnuEditRedo")->trigger();
        QVERIFY(!f.doc().isModified()); // back at the saved state
        // Typing into a title field is one step; Close empties the stack.
        commitText(part<QLineEdit>(*f.w, "TextChargeHome"), QStringLiteral("山"));
        commitText(part<QLineEdit>(*f.w, "TextChargeHome"), QStringLiteral("山田"));
        QCOMPARE(part<QAction>(*f.w, "mnuEditUndo")->text(), QStringLiteral("元に戻す(&U): 「担任」の変更"));
        part<QAction>(*f.w, "mnuEditUndo")->trigger();
        QVERIFY(part<QLineEdit>(*f.w, "TextChargeHome")->text().isEmpty());
        QVERIFY(!f.doc().isModified());
        QVERIFY(f.w->documentCommands().close());
        QVERIFY(!part<QAction>(*f.w, "mnuEditUndo")->isEnabled() && !part<QAction>(*f.w, "mnuEditRedo")->isEnabled());
        QVERIFY(f.dialogs.done());
    }
};

HARUMOKA_TEST_MAIN(TestUndo)
#include "tst_undo.moc"
