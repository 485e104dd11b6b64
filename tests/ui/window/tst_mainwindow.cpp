// The main window through its real widgets: start-up state, the entry grids,
// selection and cell editors, the summaries and the document commands.
#include "model/document.h"
#include "model/periods.h"
#include "model/values.h"
#include "storage/account_file.h"
#include "storage/placement.h"
#include "storage/settings_file.h"
#include "ui/sheets/summary_sheet.h"
#include "support/test_main.h"
#include "support/test_util.h"
#include "support/window_fixture.h"
#include "ui/widgets/datepicker.h"
#include "ui/window/document_commands.h"
#include "ui/widgets/flexgrid.h"
#include "ui/sheets/income_sheet.h"
#include "ui/sheets/print_settings_sheet.h"
#include "ui/sheets/expense_sheet.h"
#include "ui/widgets/twips.h"
#include "support/parts.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

static QStringList comboItems(QComboBox *c)
{
    QStringList out;
    for (int i = 0; i < c->count(); ++i)
        out << c->itemText(i);
    return out;
}

static const QString kSaveQuestion = QStringLiteral("ﾌｧｲﾙが保存していません。保存しますか？");

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void freshStartShowsTheEmptyDocument()
    {
        WindowFixture f;
        MainWindow &w = *f.w;
        QCOMPARE(w.windowTitle(), QStringLiteral("ハルモカ　Ver1.0.11"));
        QCOMPARE(part<QTabWidget>(w, "SSTabSheets")->currentIndex(), 0);
        QCOMPARE(part<QTabWidget>(w, "SSTabSheets")->tabText(0), QStringLiteral(" 印刷設定"));
        QCOMPARE(part<QTabWidget>(w, "SSTabSheets")->tabText(8), QStringLiteral(" 年間明細"));
        QCOMPARE(part<QTabWidget>(w, "SSTabSheets")->count(), 9);
        QVERIFY(part<QLineEdit>(w, "TextSchoolName")->text().isEmpty());
        QVERIFY(part<QComboBox>(w, "ComboYearHome")->currentText().isEmpty());
        QVERIFY(part<QComboBox>(w, "ComboGradeHome")->currentText().isEmpty());
        QVERIFY(part<QComboBox>(w, "ComboRoomHome")->currentText().isEmpty());
        QVERIFY(part<QLineEdit>(w, "TextChargeHome")->text().isEmpty());
        QCOMPARE(part<DatePicker>(w, "DTPickerPrintDate")->Value(), today());
        QCOMPARE(part<DatePicker>(w, "DTPickerIncomeDate")->Value(), today());
        QCOMPARE(part<DatePicker>(w, "DTPickerSupplyDate")->Value(), today());
        QVERIFY(!part<QAction>(w, "mnuFileSave")->isEnabled());
        QVERIFY(!part<QAction>(w, QStringLiteral("上書き保存"))->isEnabled());
        QVERIFY(part<QAction>(w, "mnuFileSaveAs")->isEnabled());
        QVERIFY(part<QAction>(w, "mnuFileOpen")->isEnabled());
        QStringList expected;
        for (int i = 1; i <= 11; ++i)
            expected << QLatin1Char(' ') + QString::number(i);
        QCOMPARE(comboItems(part<QComboBox>(w, "ComboSupplyReceipt")), expected);
        QCOMPARE(part<PrintSettingsSheet>(*f.w, "printSheet")->printKind(), qint16(11));
        QCOMPARE(Printout::fromKind(10 + 1).title(), QStringLiteral("年間元帳"));
        // Menu captions come from the string table.
        QCOMPARE(part<QAction>(w, "mnuFile")->text(), QStringLiteral("ﾌｧｲﾙ(&F)"));
        QCOMPARE(part<QAction>(w, "mnuFileSaveAs")->text(), QStringLiteral("名前を付けて保存(&A)..."));
        QCOMPARE(part<QAction>(w, "mnuFilePrint")->text(), QStringLiteral("印刷"));
        QCOMPARE(part<QAction>(w, QStringLiteral("開く"))->toolTip(), QStringLiteral("元帳ﾌｧｲﾙを開く"));
        // Panels idle; the detail button disabled.
        QVERIFY(part<QPushButton>(w, "CommandIncomeNew")->isEnabled());
        QVERIFY(!part<QPushButton>(w, "CommandIncomeRecord")->isEnabled());
        QVERIFY(!part<QPushButton>(w, "CommandSupplyDetail")->isEnabled());
        QCOMPARE(part<QLineEdit>(w, "TextIncomeStudents")->text(), QStringLiteral("30"));
        // The grids are laid out.
        FlexGrid *g = part<FlexGrid>(w, "MSFlexGridIncome");
        QCOMPARE(g->Cols(), 7);
        QCOMPARE(g->Rows(), 100);
        QCOMPARE(gridRow(g, 0, 7), (QStringList{"No.", "日付", "項目", "内訳", "一人分", "生徒数", "金額"}));
        QCOMPARE(g->ColWidth(2), g->Width() - 7130);
        QCOMPARE(g->RowHeight(0), 360);
        QCOMPARE(gridRow(part<SummarySheet>(w, "summarySheets", 0)->grid(), 0, 5),
                 (QStringList{"No.", "項目", "収入", "支出", "残高"}));
        QCOMPARE(part<QLabel>(w, "LabelIncomeRemainder")->text(), QStringLiteral("¥0"));
    }

    void printSettingsSheetOptions()
    {
        WindowFixture f;
        PrintSettingsSheet *s = part<PrintSettingsSheet>(*f.w, "printSheet");
        QVERIFY(part<QLineEdit>(*s, "TextSchoolName")->isEnabled());
        QVERIFY(!part<QLineEdit>(*s, "TextTitle")->isEnabled());
        part<QRadioButton>(*s, "optTitle", 1)->click();
        QVERIFY(!part<QLineEdit>(*s, "TextSchoolName")->isEnabled() && !part<QLabel>(*s, "LabelSchoolName")->isEnabled());
        QVERIFY(!part<QComboBox>(*s, "ComboRoomHome")->isEnabled() && !part<QLineEdit>(*s, "TextChargeHome")->isEnabled());
        QVERIFY(part<QLineEdit>(*s, "TextTitle")->isEnabled() && part<QLineEdit>(*s, "TextReporter")->isEnabled()
                && part<QLineEdit>(*s, "TextCarryOver")->isEnabled());
        QVERIFY(part<QLabel>(*s, "LabelCarryOver")->isEnabled());
        part<QRadioButton>(*s, "optTitle", 0)->click();
        QVERIFY(part<QLineEdit>(*s, "TextSchoolName")->isEnabled() && !part<QLineEdit>(*s, "TextCarryOver")->isEnabled());
        part<QRadioButton>(*s, "optPrint", 3)->click();
        QCOMPARE(part<PrintSettingsSheet>(*f.w, "printSheet")->printKind(), qint16(4));
        QCOMPARE(comboItems(part<QComboBox>(*s, "ComboRoomHome")).last(), QStringLiteral("9組"));
        QCOMPARE(comboItems(part<QComboBox>(*s, "ComboGradeHome")).first(), QStringLiteral("第１学年"));
        QVERIFY(comboItems(part<QComboBox>(*s, "ComboYearHome")).contains(QStringLiteral("令和8年度(2026年度）")));
        QCOMPARE(part<QComboBox>(*s, "ComboPrintRespect")->currentText(), QStringLiteral("保護者各位"));
        QVERIFY(part<QRadioButton>(*s, "OptionAltColumn2")->isChecked());
        // The carry-over name only counts in other-account mode.
        part<QLineEdit>(*s, "TextCarryOver")->setText(QStringLiteral("X"));
        QVERIFY(s->settings().carryOverOverride().isEmpty());
        part<QRadioButton>(*s, "optTitle", 1)->click();
        QCOMPARE(s->settings().carryOverOverride(), QStringLiteral("X"));
    }

    void gridsShowEveryFieldInPlace()
    {
        WindowFixture f;
        f.add(income(d(2003, 4, 15), "学級費", 45000, "4月分", 1500, 30));
        f.add(income(d(2003, 4, 20), "返金", -800, QString(), 0, 0));
        auto e = f.add(expense(d(2003, 4, 15), "画用紙", 3000, "図工", 12));
        f.setDetails(e, {{"A", 1000}, {"B", 2000}});
        f.add(expense(d(2003, 5, 1), "ノート", -50));
        f.refill();
        FlexGrid *g = part<FlexGrid>(*f.w, "MSFlexGridIncome");
        QCOMPARE(gridRow(g, 1, 7), (QStringList{" 1", "2003/04/15", "学級費", "4月分", "1,500", "30", "45,000"}));
        QCOMPARE(gridRow(g, 2, 7), (QStringList{" 2", "2003/04/20", "返金", "", "", "0", "-800"}));
        QCOMPARE(g->cellForeColorAt(2, 6), 255L);
        QCOMPARE(g->cellForeColorAt(1, 6), 0L);
        QCOMPARE(g->cellAlignmentAt(1, 1), int(FlexGrid::CenterCenter));
        QCOMPARE(g->cellAlignmentAt(1, 2), int(FlexGrid::LeftCenter));
        QCOMPARE(g->cellAlignmentAt(1, 6), int(FlexGrid::RightCenter));
        FlexGrid *s = part<FlexGrid>(*f.w, "MSFlexGridSupply");
        QCOMPARE(gridRow(s, 1, 7), (QStringList{" 1", "03/04/15", "No. 12", "画用紙", "図工", "3,000", "○"}));
        QCOMPARE(gridRow(s, 2, 7), (QStringList{" 2", "03/05/01", "", "ノート", "", "-50", ""}));
        QCOMPARE(s->cellForeColorAt(1, 2), 255L);
        QCOMPARE(s->cellForeColorAt(2, 5), 255L);
        QCOMPARE(s->cellAlignmentAt(1, 6), int(FlexGrid::CenterCenter));
        // Remainder: 45,000 - 800 - 3,000 + 50.
        QCOMPARE(part<QLabel>(*f.w, "LabelIncomeRemainder")->text(), QStringLiteral("¥41,250"));
        QCOMPARE(part<QLabel>(*f.w, "LabelSupplyRemainder")->text(), QStringLiteral("¥41,250"));
        // Receipt 12 is not offered.
        QVERIFY(!comboItems(part<QComboBox>(*f.w, "ComboSupplyReceipt")).contains(QStringLiteral(" 12")));
    }

    void longArticleMakesATallerRow()
    {
        WindowFixture f;
        f.add(income(d(2026, 4, 1), "短い", 1));
        f.add(income(d(2026, 4, 2), QString(60, QChar(0x9577)), 1));
        f.refill();
        FlexGrid *g = part<FlexGrid>(*f.w, "MSFlexGridIncome");
        QCOMPARE(g->RowHeight(1), 360);
        QVERIFY(g->RowHeight(2) >= 720);
        QCOMPARE(g->RowHeight(2) % 360, 0);
    }

    void freeReceiptNumbersSkipThoseInUse()
    {
        WindowFixture f;
        f.add(expense(d(2026, 4, 1), "a", 1, QString(), 1));
        f.add(expense(d(2026, 4, 2), "b", 1, QString(), 2));
        f.add(expense(d(2026, 4, 3), "c", 1, QString(), 5));
        f.refill();
        QStringList expected;
        for (int n : {3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14})
            expected << Str(n);
        QCOMPARE(comboItems(part<QComboBox>(*f.w, "ComboSupplyReceipt")), expected);
    }

    void clickSelectsAndLaysTheEditorOverTheCell()
    {
        WindowFixture f;
        f.add(income(d(2026, 4, 1), "A", 100));
        f.add(income(d(2026, 4, 2), "B", 200));
        f.refill();
        IncomeSheet *s = part<IncomeSheet>(*f.w, "incomeSheet");
        FlexGrid *g = part<FlexGrid>(*s, "MSFlexGridIncome");
        part<QTabWidget>(*f.w, "SSTabSheets")->setCurrentIndex(1);
        mouseClickCell(g, 2, 2);
        QCOMPARE(part<IncomeSheet>(*f.w, "incomeSheet")->selectedRow(), qint16(2));
        QCOMPARE(g->cellBackColorAt(2, 1), kGridPaleYellow);
        QCOMPARE(g->cellBackColorAt(2, 6), kGridPaleYellow);
        QCOMPARE(g->cellBackColorAt(1, 1), kGridWhite);
        QVERIFY(part<QComboBox>(*s, "ComboIncomeArticle")->isVisible());
        QCOMPARE(part<QComboBox>(*s, "ComboIncomeArticle")->currentText(), QStringLiteral("B"));
        QCOMPARE(part<QLineEdit>(*s, "TextIncomeNo")->text(), QStringLiteral(" 2"));
        // The editor covers the clicked cell.
        g->setRow(2);
        g->setCol(2);
        const int tpp = 15;
        QVERIFY(qAbs(part<QComboBox>(*s, "ComboIncomeArticle")->x() - (g->Left() + g->CellLeft()) / tpp) <= 1);
        QVERIFY(qAbs(part<QComboBox>(*s, "ComboIncomeArticle")->y() - (g->Top() + g->CellTop() + 15) / tpp) <= 1);
        QVERIFY(part<QPushButton>(*s, "CommandIncomeDelete")->isEnabled());
        // Moving to another row repaints the old one white.
        g->clickCell(1, 6);
        QCOMPARE(g->cellBackColorAt(2, 1), kGridWhite);
        QCOMPARE(g->cellBackColorAt(1, 1), kGridPaleYellow);
        QVERIFY(part<QLineEdit>(*s, "TextIncomeAmount")->isVisible());
        QVERIFY(!part<QComboBox>(*s, "ComboIncomeArticle")->isVisible());
        QCOMPARE(part<QLineEdit>(*s, "TextIncomeAmount")->text(), QStringLiteral("100"));
        // A click on the header row does nothing.
        g->clickCell(0, 3);
        QCOMPARE(part<IncomeSheet>(*f.w, "incomeSheet")->selectedRow(), qint16(1));
    }

    void clickBelowTheLastEntryAddsARow()
    {
        WindowFixture f;
        f.add(expense(d(2026, 4, 1), "A", 100));
        f.refill();
        ExpenseSheet *s = f.showSupply();
        part<FlexGrid>(*s, "MSFlexGridSupply")->clickCell(7, 3);
        QCOMPARE(f.doc().supplyCount(), qint16(2));
        QCOMPARE(describe(f.doc().entries()).size(), 2);
        QCOMPARE(part<FlexGrid>(*s, "MSFlexGridSupply")->TextMatrix(2, 0), QStringLiteral(" 2"));
        QCOMPARE(part<ExpenseSheet>(*f.w, "expenseSheet")->selectedRow(), qint16(2));
        QVERIFY(part<DatePicker>(*s, "DTPickerSupplyDate")->isVisible());
        QVERIFY(f.doc().isModified());
    }

    void loadingTheWindowTwiceKeepsTheGrids()
    {
        WindowFixture f;
        f.w->loadSheets();
        FlexGrid *g = part<FlexGrid>(*f.w, "MSFlexGridSupply");
        QCOMPARE(g->Cols(), 7);
        QCOMPARE(g->Rows(), 100);
        QCOMPARE(gridRow(g, 0, 7), (QStringList{"No.", "日付", "領収書", "項目", "内訳", "金額", "明細"}));
        QCOMPARE(g->ColWidth(3), g->Width() - 7050);
        QCOMPARE(part<SummarySheet>(*f.w, "summarySheets", 5)->grid()->Cols(), 5);
        QCOMPARE(part<SummarySheet>(*f.w, "summarySheets", 5)->grid()->ColWidth(1),
                 part<SummarySheet>(*f.w, "summarySheets", 5)->grid()->Width() - 4460);
    }

    void summariesRefreshOnlyWhenStale()
    {
        WindowFixture f;
        f.add(income(d(2026, 5, 1), "A", 100));
        part<QTabWidget>(*f.w, "SSTabSheets")->setCurrentIndex(1);
        QVERIFY(f.w->summariesStale()); // sheets 0-2 never refresh
        part<QTabWidget>(*f.w, "SSTabSheets")->setCurrentIndex(3);
        QVERIFY(!f.w->summariesStale());
        FlexGrid *g = part<SummarySheet>(*f.w, "summarySheets", 0)->grid();
        QCOMPARE(gridRow(g, 1, 5), (QStringList{" 1", "A ", "100", "", "100"}));
        QCOMPARE(gridRow(g, 2, 5), (QStringList{"", "合　計", "100", "0", "100"}));
        // Any change of the document makes them stale; the next summary sheet refreshes.
        f.add(income(d(2026, 5, 2), "B", 5));
        QVERIFY(f.w->summariesStale());
        part<QTabWidget>(*f.w, "SSTabSheets")->setCurrentIndex(0);
        part<QTabWidget>(*f.w, "SSTabSheets")->setCurrentIndex(3);
        QVERIFY(!f.w->summariesStale());
        QCOMPARE(g->TextMatrix(3, 1), QStringLiteral("合　計"));
    }

    void summaryTablesAndCarryOver()
    {
        WindowFixture f;
        f.add(income(d(2026, 5, 1), "学級費", 30000, "5月"));
        f.add(income(d(2026, 5, 20), "学級費", 20000, "5月"));
        auto e = f.add(expense(d(2026, 6, 1), "画材", 12345, "図工"));
        f.setDetails(e, {{"絵の具", 10000}, {"筆", 2345}});
        f.add(income(d(2026, 9, 1), "学級費", 1000, "9月"));
        f.add(expense(d(2026, 10, 5), "文具", 500));
        f.add(income(d(2027, 1, 10), "返金", 200));
        f.w->refreshSummaries();
        FlexGrid *t1 = part<SummarySheet>(*f.w, "summarySheets", Term1)->grid();
        QCOMPARE(gridRow(t1, 1, 5), (QStringList{" 1", "学級費 5月", "50,000", "", "50,000"}));
        QCOMPARE(gridRow(t1, 2, 5), (QStringList{" 2", "絵の具 図工", "", "10,000", "40,000"}));
        QCOMPARE(gridRow(t1, 3, 5), (QStringList{" 3", "筆 図工", "", "2,345", "37,655"}));
        QCOMPARE(gridRow(t1, 4, 5), (QStringList{"", "合　計", "50,000", "12,345", "37,655"}));
        FlexGrid *t2 = part<SummarySheet>(*f.w, "summarySheets", Term2)->grid();
        QCOMPARE(gridRow(t2, 1, 5), (QStringList{" 1", "１学期の繰越金 ", "37,655", "", "37,655"}));
        QCOMPARE(gridRow(t2, 2, 5), (QStringList{" 2", "学級費 9月", "1,000", "", "38,655"}));
        QCOMPARE(gridRow(t2, 4, 5), (QStringList{"", "合　計", "38,655", "500", "38,155"}));
        FlexGrid *t3 = part<SummarySheet>(*f.w, "summarySheets", Term3)->grid();
        QCOMPARE(gridRow(t3, 1, 5), (QStringList{" 1", "２学期の繰越金 ", "38,155", "", "38,155"}));
        QCOMPARE(gridRow(t3, 2, 5), (QStringList{" 2", "返金 ", "200", "", "38,355"}));
        FlexGrid *h2 = part<SummarySheet>(*f.w, "summarySheets", Half2)->grid();
        QCOMPARE(gridRow(h2, 1, 5), (QStringList{" 1", "前期の繰越金 ", "38,655", "", "38,655"}));
        FlexGrid *year = part<SummarySheet>(*f.w, "summarySheets", Year)->grid();
        QCOMPARE(gridRow(year, 7, 5), (QStringList{"", "合　計", "51,200", "12,845", "38,355"}));
        // Other-account mode names every carry-over after TextCarryOver.
        part<QRadioButton>(*f.w, "optTitle", 1)->click();
        part<QLineEdit>(*f.w, "TextCarryOver")->setText(QStringLiteral("前回からの繰越"));
        f.w->refreshSummaries();
        QCOMPARE(t2->TextMatrix(1, 1), QStringLiteral("前回からの繰越 "));
        QCOMPARE(h2->TextMatrix(1, 1), QStringLiteral("前回からの繰越 "));
    }

    void emptyAccountSummariesAndNoStaleRows()
    {
        WindowFixture f;
        auto a = f.add(income(d(2026, 5, 1), "A", 100));
        f.add(income(d(2026, 5, 2), "B", 100));
        f.w->refreshSummaries();
        FlexGrid *t1 = part<SummarySheet>(*f.w, "summarySheets", Term1)->grid();
        QCOMPARE(t1->TextMatrix(3, 1), QStringLiteral("合　計"));
        f.doc().reset();
        f.w->refreshSummaries();
        QCOMPARE(gridRow(t1, 1, 5), (QStringList{"", "合　計", "0", "0", "0"}));
        QCOMPARE(gridRow(t1, 2, 5), (QStringList{"", "", "", "", ""}));
        QCOMPARE(gridRow(t1, 3, 5), (QStringList{"", "", "", "", ""}));
        FlexGrid *t2 = part<SummarySheet>(*f.w, "summarySheets", Term2)->grid();
        QCOMPARE(gridRow(t2, 1, 5), (QStringList{" 1", "１学期の繰越金 ", "0", "", "0"}));
        QCOMPARE(gridRow(t2, 2, 5), (QStringList{"", "合　計", "0", "0", "0"}));
    }

    void documentCommandsAvailability()
    {
        WindowFixture f;
        MainWindow &w = *f.w;
        const QString name = f.path(QStringLiteral("a.txt"));
        // Save As on the empty document writes it and enables Save.
        f.dialogs.expectSave(name);
        QVERIFY(w.documentCommands().saveAs());
        QVERIFY(QFile::exists(name));
        QVERIFY(part<QAction>(w, "mnuFileSave")->isEnabled());
        QVERIFY(part<QAction>(w, QStringLiteral("上書き保存"))->isEnabled());
        QCOMPARE(f.doc().fileName(), name);
        // A further change followed by Save writes without a dialog.
        f.add(income(d(2026, 4, 1), "A", 100));
        f.doc().setModified(true);
        QVERIFY(w.documentCommands().save());
        QVERIFY(!f.doc().isModified());
        QVERIFY(readBytes(name).contains("A\r\n"));
        // Close: Open enabled, Save disabled, Save As button disabled, menu enabled.
        QVERIFY(w.documentCommands().close());
        QVERIFY(part<QAction>(w, "mnuFileOpen")->isEnabled());
        QVERIFY(!part<QAction>(w, "mnuFileSave")->isEnabled());
        QVERIFY(!part<QAction>(w, QStringLiteral("名前をつけて保存"))->isEnabled());
        QVERIFY(part<QAction>(w, "mnuFileSaveAs")->isEnabled());
        QCOMPARE(f.doc().fileName(), name); // Close keeps the name
        // Open: the file's entries, Open disabled, Save enabled.
        f.dialogs.expectOpen(name);
        w.documentCommands().open();
        QVERIFY(f.dialogs.done());
        QCOMPARE(part<FlexGrid>(w, "MSFlexGridIncome")->TextMatrix(1, 2), QStringLiteral("A"));
        QVERIFY(!part<QAction>(w, "mnuFileOpen")->isEnabled());
        QVERIFY(!part<QAction>(w, QStringLiteral("開く"))->isEnabled());
        QVERIFY(part<QAction>(w, "mnuFileSave")->isEnabled());
    }

    void closeKeepsTheCarryOverNameAndResetsTheTitle()
    {
        WindowFixture f;
        PrintSettingsSheet *s = part<PrintSettingsSheet>(*f.w, "printSheet");
        part<QRadioButton>(*s, "optTitle", 1)->click();
        part<QLineEdit>(*s, "TextTitle")->setText(QStringLiteral("PTA"));
        part<QLineEdit>(*s, "TextReporter")->setText(QStringLiteral("会計"));
        part<QLineEdit>(*s, "TextCarryOver")->setText(QStringLiteral("繰越"));
        // Title edits are changes to save.
        f.dialogs.expectMessage(kSaveQuestion, Dialogs::Answer::No);
        f.w->documentCommands().close();
        QVERIFY(part<QRadioButton>(*s, "optTitle", 0)->isChecked());
        QVERIFY(part<QLineEdit>(*s, "TextTitle")->text().isEmpty());
        QVERIFY(part<QLineEdit>(*s, "TextReporter")->text().isEmpty());
        QCOMPARE(part<QLineEdit>(*s, "TextCarryOver")->text(), QStringLiteral("繰越"));
        QCOMPARE(Printout::fromKind(0 + 1).title(), QStringLiteral("一学期元帳"));
    }

    void openingOlderFormsAndDamagedFiles()
    {
        WindowFixture f;
        const QString old = f.path(QStringLiteral("old.txt"));
        writeCp932(old, {"Mekalu", "平成15年度(2003年度）", "第２学年", "１組", "山田", "True", "2003/05/10", " 30",
                         "学級費", "5月", " 0", " 1000", " 30000", "False", "2003/05/12", " 0", "画用紙", "",
                         " 3", " 0", " 1500"});
        QVERIFY(f.w->documentCommands().openFile(old));
        QCOMPARE(part<QComboBox>(*f.w, "ComboYearHome")->currentText(), QStringLiteral("平成15年度(2003年度）"));
        QCOMPARE(part<QComboBox>(*f.w, "ComboGradeHome")->currentText(), QStringLiteral("第２学年"));
        QCOMPARE(part<QLineEdit>(*f.w, "TextChargeHome")->text(), QStringLiteral("山田"));
        QVERIFY(part<QLineEdit>(*f.w, "TextSchoolName")->text().isEmpty());
        QCOMPARE(part<FlexGrid>(*f.w, "MSFlexGridSupply")->TextMatrix(1, 2), QStringLiteral("No. 3"));
        QCOMPARE(part<SummarySheet>(*f.w, "summarySheets", Term1)->grid()->TextMatrix(3, 1), QStringLiteral("合　計"));
        QCOMPARE(part<QComboBox>(*f.w, "ComboSupplyReceipt")->findText(QStringLiteral(" 3")), -1);
        QVERIFY(part<QAction>(*f.w, "mnuFileSave")->isEnabled());
        QVERIFY(f.w->documentCommands().close());

        // Not an account file: reported, nothing opened, the name not taken.
        const QString other = f.path(QStringLiteral("other.txt"));
        writeCp932(other, {"hello"});
        f.dialogs.expectMessageContaining(QStringLiteral("学級会計のファイルではありません"));
        QVERIFY(!f.w->documentCommands().openFile(other));
        QVERIFY(f.doc().fileName() != other);
        QVERIFY(part<QAction>(*f.w, "mnuFileOpen")->isEnabled());

        // Damaged: what was read is shown, Save stays unavailable, Save As works.
        const QString damaged = f.path(QStringLiteral("damaged.txt"));
        writeCp932(damaged, {"iMekalu135", "True", "学校", "", "", "", "", "True", "2026/05/01", " 30", "A", "",
                             " 0", " 0", " 100", "True", "2026/05/02"});
        f.dialogs.expectMessageContaining(QStringLiteral("上書き保存はできません"));
        QVERIFY(f.w->documentCommands().openFile(damaged));
        QCOMPARE(part<FlexGrid>(*f.w, "MSFlexGridIncome")->TextMatrix(1, 2), QStringLiteral("A"));
        QVERIFY(!part<QAction>(*f.w, "mnuFileSave")->isEnabled());
        const QByteArray before = readBytes(damaged);
        f.doc().setModified(true);
        f.dialogs.expectMessage(kSaveQuestion, Dialogs::Answer::Yes)
            .expectSave(f.path(QStringLiteral("repaired.txt")));
        QVERIFY(f.w->documentCommands().close());
        QCOMPARE(readBytes(damaged), before);
        QVERIFY(QFile::exists(f.path(QStringLiteral("repaired.txt"))));
    }

    void iMekaluFormAndAnAccountWhoseSumsOverflow()
    {
        WindowFixture f;
        const QString old = f.path(QStringLiteral("imekalu.txt"));
        writeCp932(old, {"iMekalu", "False", "PTA会計", "会計係", "前年度繰越", "True", "2003/05/10", " 30",
                         "会費", "", " 0", " 0", " 5000"});
        QVERIFY(f.w->documentCommands().openFile(old));
        QVERIFY(part<QRadioButton>(*f.w, "optTitle", 1)->isChecked());
        QCOMPARE(part<QLineEdit>(*f.w, "TextTitle")->text(), QStringLiteral("PTA会計"));
        QCOMPARE(part<QLineEdit>(*f.w, "TextCarryOver")->text(), QStringLiteral("前年度繰越"));
        QCOMPARE(part<SummarySheet>(*f.w, "summarySheets", Term2)->grid()->TextMatrix(1, 1), QStringLiteral("前年度繰越 "));
        // Renamed, it is the summaries' name the next time one is shown.
        part<QLineEdit>(*f.w, "TextCarryOver")->setText(QStringLiteral("前期より"));
        part<QTabWidget>(*f.w, "SSTabSheets")->setCurrentIndex(3 + Term2);
        QCOMPARE(part<SummarySheet>(*f.w, "summarySheets", Term2)->grid()->TextMatrix(1, 1), QStringLiteral("前期より "));
        f.dialogs.expectMessage(kSaveQuestion, Dialogs::Answer::No);
        QVERIFY(f.w->documentCommands().close());

        // Totals beyond 32 bits: reported, and the window is back on the empty document.
        const QString big = f.path(QStringLiteral("big.txt"));
        writeCp932(big, {"iMekalu135", "True", "", "", "", "", "", "True", "2026/05/01", " 0", "a", "", " 0",
                         " 0", " 2147483647", "True", "2026/05/02", " 0", "b", "", " 0", " 0", " 1"});
        f.dialogs.expectMessageContaining(QStringLiteral("ファイル「%1」は開けませんでした。").arg(big));
        QVERIFY(!f.w->documentCommands().openFile(big));
        QVERIFY(f.dialogs.log.last().contains(QStringLiteral("何も開いていません")));
        QCOMPARE(f.doc().entries().size(), 0);
        QVERIFY(part<FlexGrid>(*f.w, "MSFlexGridIncome")->TextMatrix(1, 2).isEmpty());
        QVERIFY(f.doc().fileName() != big);
    }

    void secondWindowRefusesAnOpenFile()
    {
        WindowFixture f;
        const QString name = f.path(QStringLiteral("shared.txt"));
        writeCp932(name, {"iMekalu135", "True", "", "", "", "", ""});
        QVERIFY(f.w->documentCommands().openFile(name));
        WindowFixture g;
        g.dialogs.expectMessageContaining(QStringLiteral("ほかのハルモカで開かれています"));
        QVERIFY(!g.w->documentCommands().openFile(name));
        QVERIFY(g.dialogs.done());
        // Once the first window closes the file, it can be opened.
        QVERIFY(f.w->documentCommands().close());
        QVERIFY(g.w->documentCommands().openFile(name));
    }

    void failedSaveKeepsTheChangesMarked()
    {
        WindowFixture f;
        f.add(income(d(2026, 4, 1), "A", 100));
        f.doc().setModified(true);
        // A folder that does not exist cannot take the file.
        const QString bad = f.path(QStringLiteral("missing/folder/a.txt"));
        f.dialogs.expectSave(bad).expectMessageContaining(QStringLiteral("a.txt"));
        QVERIFY(!f.w->documentCommands().saveAs());
        QVERIFY(f.doc().isModified());
        QVERIFY(f.doc().fileName().isEmpty());
        QVERIFY(!part<QAction>(*f.w, "mnuFileSave")->isEnabled());
        // Unencodable text: refused with the text named, nothing written.
        Entry renamed = *f.doc().entryAt(true, 1);
        renamed.article = QStringLiteral("𠮷野家");
        f.doc().recordEntry(renamed, f.doc().entryAt(true, 1));
        const QString good = f.path(QStringLiteral("b.txt"));
        f.dialogs.expectSave(good).expectMessageContaining(QStringLiteral("𠮷"));
        QVERIFY(!f.w->documentCommands().saveAs());
        QVERIFY(!QFile::exists(good));
        QVERIFY(f.doc().isModified());
    }

    void quittingWritesThePlacementUnlessMinimized()
    {
        {
            WindowFixture f;
            f.w->move(40, 30);
            QVERIFY(f.w->close());
        }
        WindowPlacement p;
        QVERIFY(readWindowPlacement(p));
        QVERIFY(p.width > 10000 && p.height > 5000);
        const WindowPlacement before = p;
        {
            WindowFixture f;
            f.w->showMinimized();
            f.w->move(400, 300);
            QVERIFY(f.w->close());
        }
        QVERIFY(readWindowPlacement(p));
        QCOMPARE(p.left, before.left);
        QCOMPARE(p.top, before.top);
        // The names remembered in this run are saved on quit and read at the next start.
        {
            WindowFixture f;
            f.w->documentCommands().setSettingsFilePath(f.path(QStringLiteral("names.ini")));
            f.w->selectionLists().income.appendSelectionWithCount(
                RememberedName{QStringLiteral("学級費"), 1, makeDate(today())});
            QVERIFY(f.w->close());
            SelectionLists again;
            readSelectionFile(f.path(QStringLiteral("names.ini")), again.income, again.supply);
            QCOMPARE(again.income.records().first().name, QStringLiteral("学級費"));
        }
    }

    void pageSetupAndHelpEndQuietly()
    {
        WindowFixture f;
        f.dialogs.expectPageSetup(false);
        part<QAction>(*f.w, "ページ設定")->trigger();
        f.dialogs.expectPageSetup(true);
        f.w->printCommands().pageSetup();
        QVERIFY(f.dialogs.done());
        f.w->setHelpFileName(QString());
        f.dialogs.expectMessage(QStringLiteral(
            "ﾍﾙﾌﾟの目次を表示できません。 このﾌﾟﾛｼﾞｪｸﾄに関連付けられたﾍﾙﾌﾟが存在しません。"));
        f.w->showHelpWindow();
        QCOMPARE(f.dialogs.titlesSeen.last(), QStringLiteral("ハルモカ　Ver1.0.11"));
        f.w->setHelpFileName(f.path(QStringLiteral("nohelp.html")));
        f.dialogs.expectMessageContaining(QStringLiteral("nohelp.html"));
        f.w->showHelpWindow();
        // The real help opens in a window of its own.
        f.w->setHelpFileName(QStringLiteral(":/help/help.html"));
        f.w->showHelpWindow();
        auto *help = f.w->findChild<QDialog *>(QStringLiteral("helpWindow"));
        QVERIFY(help && help->isVisible());
        QVERIFY(f.dialogs.done());
    }
    // The grids remember text widths per font; a new font must not reuse them.
    // ---- remembered text widths ------------------------------------------------------------

    void gridRowHeightsFollowTheFont()
    {
        WindowFixture f;
        const QString shortText = QStringLiteral("学級費");
        const QString mid = QStringLiteral("卒業記念品の寄せ書き色紙");
        const QString longText = QString(mid).repeated(4);
        auto fill = [&] {
            f.doc().reset();
            for (const QString &t : {shortText, mid, longText, shortText, mid, longText}) {
                f.add(income(d(2026, 5, 1), t, 100));
                f.add(expense(d(2026, 5, 2), t, 50));
            }
            f.refill();
            f.w->refreshSummaries();
        };
        const int unit = part<FlexGrid>(*f.w, "MSFlexGridIncome")->RowHeight(0);
        auto expected = [unit](FlexGrid *g, const QString &text, int col) {
            const qint64 w = qint64(textWidthTwips(g->font(), text, g)) + 100;
            return int((w / g->ColWidth(col) + 1) * unit);
        };
        FlexGrid *incomeGrid = part<FlexGrid>(*f.w, "MSFlexGridIncome");
        FlexGrid *supplyGrid = part<FlexGrid>(*f.w, "MSFlexGridSupply");
        FlexGrid *yearGrid = part<SummarySheet>(*f.w, "summarySheets", Year)->grid();
        auto check = [&] {
            for (int r = 1; r <= 6; ++r) {
                QCOMPARE(incomeGrid->RowHeight(r), expected(incomeGrid, incomeGrid->TextMatrix(r, 2), 2));
                QCOMPARE(supplyGrid->RowHeight(r), expected(supplyGrid, supplyGrid->TextMatrix(r, 3), 3));
            }
            for (int r = 1; r <= 6; ++r)
                QCOMPARE(yearGrid->RowHeight(r), expected(yearGrid, yearGrid->TextMatrix(r, 1), 1));
            // The rows on screen are that high.
            for (FlexGrid *g : {incomeGrid, supplyGrid, yearGrid})
                QCOMPARE(g->verticalHeader()->sectionSize(2), twipsToPixels(g->RowHeight(3), g));
        };

        fill();
        check();
        const int smallIncome = incomeGrid->RowHeight(2);
        const int smallYear = yearGrid->RowHeight(2);

        // A much larger font: the remembered widths must not be reused.
        QFont big = incomeGrid->font();
        big.setPixelSize(60);
        for (FlexGrid *g : {incomeGrid, supplyGrid, yearGrid})
            g->setFont(big);
        check();
        QVERIFY(incomeGrid->RowHeight(2) > smallIncome);
        QVERIFY(yearGrid->RowHeight(2) > smallYear);
    }
};

HARUMOKA_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
