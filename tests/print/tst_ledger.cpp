// The ledger printout drawn on a recording surface: exact texts, positions
// and rules of the cases that go wrong most easily (empty periods, the
// carry-over rows, page breaks, wrapping, the end block).
#include "model/document.h"
#include "model/values.h"
#include "print/ledger.h"
#include "print/printouts.h"
#include "print/recording_surface.h"
#include "print_checks.h"
#include "support/print_test_main.h"
#include "support/test_util.h"

#include <QSignalSpy>

namespace {

double rowY(int r) { return 1640 + 360.0 * r; }
double textY(int r) { return rowY(r) + 60; }

struct Account {
    Document doc;
    PrintSettings ps;

    Account()
    {
        ps.grade = QStringLiteral("第３学年");
        ps.room = QStringLiteral("２組");
        ps.charge = QStringLiteral("山田花子");
        ps.printDate = QDate(2003, 4, 5);
    }
    void add(const ArticlePtr &a) { doc.recordEntry(*a, nullptr); }
    // Ledgers numbered 0 year, 1-3 the terms, 4 and 5 the halves.
    RecordingSurface ledger(int number)
    {
        const Period periods[] = {Year, Term1, Term2, Term3, Half1, Half2};
        RecordingSurface rec;
        printLedger(doc, printSummaries(doc, ps), rec, ps, periods[number]);
        return rec;
    }
};

const QString kThinRulesFailed = QStringLiteral("thin vertical rules");

// The six rules that run down the table from its top to `bottom`.
bool hasVerticalRules(const RecordingSurface &rec, int page, double bottom)
{
    bool ok = hasLine(rec, page, 1000, 1640, 1000, bottom, 4, kBlack)
        && hasLine(rec, page, 10600, 1640, 10600, bottom, 4, kBlack);
    for (double x : {2100.0, 2900.0, 7000.0, 8200.0, 9400.0})
        ok = ok && hasLine(rec, page, x, 1640, x, bottom, 1, kBlack);
    return ok;
}

} // namespace

class TestLedger : public QObject {
    Q_OBJECT

private slots:
    void emptyTermOneLedger();
    void emptyAccountPrintsEmptyTable();
    void termTwoStartsWithCarryOverRow();
    void carryOverRowInOtherAccountMode();
    void halvesAndYearKeepTheirMonths();
    void entryRowsReceiptsAndRunningBalance();
    void wrappedArticleTakesTwoRows();
    void fortyEntriesBreakAfterThirtySix();
    void carryOutTickedAndNot();
    void carryOutOnlyForTermsOneTwoAndFirstHalf();
    void fullLastPageMovesEndBlockToNewPage();
    void tallEntryMovesToNextPage();
    void printsInDateOrderLeavingTheListAlone();
    void overflowAndBadPeriodAreErrors();
};

void TestLedger::emptyTermOneLedger()
{
    Account a;
    a.add(income(d(2003, 9, 10), QStringLiteral("遠足代"), 3000)); // term 2: left out
    const RecordingSurface rec = a.ledger(1);

    QCOMPARE(rec.pageCount(), 1);
    QCOMPARE(rec.pageEnds(), 0);
    QVERIFY(rec.documentEnded());

    const auto title = findText(rec, QStringLiteral("学級会計元帳 １学期 第３学年２組  担任 山田花子"));
    QVERIFY2(title, qPrintable(pageTexts(rec, 0).join('\n')));
    QCOMPARE(title->x, 1000.0);
    QCOMPARE(title->y, 800.0);
    QCOMPARE(title->fontSize, 14.0);
    QCOMPARE(title->fontName, QStringLiteral("ＭＳ 明朝"));

    // Header row.
    QVERIFY(hasRule(rec, 0, 1640, 4, kBlack));
    QVERIFY(hasRule(rec, 0, 2000, 4, kBlack));
    QVERIFY(hasTextAt(rec, 0, 1260, 1700, QStringLiteral("日付")));
    QVERIFY(hasTextAt(rec, 0, 2160, 1700, QStringLiteral("領収書")));
    QVERIFY(hasTextAt(rec, 0, 4660, 1700, QStringLiteral("項目")));
    QVERIFY(hasTextAt(rec, 0, 7360, 1700, QStringLiteral("収入")));
    QVERIFY(hasTextAt(rec, 0, 8560, 1700, QStringLiteral("支出")));
    QVERIFY(hasTextAt(rec, 0, 9760, 1700, QStringLiteral("残高")));
    QCOMPARE(findText(rec, QStringLiteral("日付"))->fontSize, 12.0);
    QVERIFY(!findText(rec, QStringLiteral("遠足代 ")));

    // The red diagonal through the empty table and the red-ruled totals.
    QVERIFY2(hasLine(rec, 0, 7000, 2000, 2900, 15000, 1, kRed), qPrintable(pageLines(rec, 0).join('\n')));
    QVERIFY(hasLine(rec, 0, 1000, 15000, 2900, 15000, 4, kBlack));
    QVERIFY(hasLine(rec, 0, 2900, 15000, 10600, 15000, 4, kRed));
    QVERIFY(hasTextAt(rec, 0, 2960, 15060, QStringLiteral("１学期 合計")));
    QCOMPARE(textsAtY(rec, 0, 15060),
             QStringList({QStringLiteral("１学期 合計"), "0", "0", "0"}));
    QVERIFY(hasRightAligned(rec, 0, 8140, 15060, "0"));
    QVERIFY(hasRightAligned(rec, 0, 9340, 15060, "0"));
    QVERIFY(hasRightAligned(rec, 0, 10540, 15060, "0"));
    QVERIFY(hasRule(rec, 0, 15360, 1, kRed));
    QVERIFY(hasRule(rec, 0, 15385, 1, kRed));

    // Box not ticked: the carry-out row under the totals, amount in the
    // expense column only.
    QCOMPARE(textsAtY(rec, 0, 15445), QStringList({QStringLiteral("２学期へ繰り越し"), "0"}));
    QVERIFY(hasTextAt(rec, 0, 2960, 15445, QStringLiteral("２学期へ繰り越し")));
    QVERIFY(hasRightAligned(rec, 0, 9340, 15445, "0"));
    QVERIFY(hasRule(rec, 0, 15745, 4, kBlack));
    QVERIFY2(hasVerticalRules(rec, 0, 15745), qPrintable(pageLines(rec, 0).join('\n')));

    // Everything except the red parts is black.
    for (const RecordedText &t : rec.texts())
        QCOMPARE(t.color, kBlack);
}

void TestLedger::emptyAccountPrintsEmptyTable()
{
    Account a;
    const RecordingSurface rec = a.ledger(0);
    QCOMPARE(rec.pageCount(), 1);
    QVERIFY(findText(rec, QStringLiteral("学級会計元帳  第３学年２組  担任 山田花子")));
    QVERIFY(hasLine(rec, 0, 7000, 2000, 2900, 15000, 1, kRed));
    QCOMPARE(textsAtY(rec, 0, 15060), QStringList({QStringLiteral(" 合計"), "0", "0", "0"}));
    // The year has no carry-out row: the rules stop under the double red rule.
    QVERIFY(textsAtY(rec, 0, 15445).isEmpty());
    QVERIFY(hasVerticalRules(rec, 0, 15385));
}

void TestLedger::termTwoStartsWithCarryOverRow()
{
    Account a;
    a.add(income(d(2003, 5, 1), QStringLiteral("学級費"), 50000));
    a.add(expense(d(2003, 6, 2), QStringLiteral("画用紙"), 12345));
    a.add(income(d(2003, 9, 1), QStringLiteral("遠足代"), 1000));
    a.add(income(d(2004, 1, 20), QStringLiteral("三学期分"), 700)); // term 3: left out
    const RecordingSurface rec = a.ledger(2);

    QVERIFY(findText(rec, QStringLiteral("学級会計元帳 ２学期 第３学年２組  担任 山田花子")));
    QCOMPARE(textsAtY(rec, 0, 2060),
             QStringList({QStringLiteral("１学期の繰越金"), "37,655", "37,655"}));
    QVERIFY(hasTextAt(rec, 0, 2960, 2060, QStringLiteral("１学期の繰越金")));
    QVERIFY(hasRightAligned(rec, 0, 8140, 2060, "37,655"));
    QVERIFY(hasRightAligned(rec, 0, 10540, 2060, "37,655"));
    QVERIFY(hasRule(rec, 0, 2360, 4, kBlack));

    // The first entry follows in row 2; term 1 and term 3 entries are not printed.
    QCOMPARE(textsAtY(rec, 0, textY(2)),
             QStringList({"03/09/01", QStringLiteral("遠足代 "), "1,000", "38,655"}));
    QVERIFY(!findText(rec, QStringLiteral("学級費 ")));
    QVERIFY(!findText(rec, QStringLiteral("三学期分 ")));
    QCOMPARE(textsAtY(rec, 0, 15060),
             QStringList({QStringLiteral("２学期 合計"), "38,655", "0", "38,655"}));
    QVERIFY(hasLine(rec, 0, 7000, rowY(3), 2900, 15000, 1, kRed));
}

void TestLedger::carryOverRowInOtherAccountMode()
{
    Account a;
    a.ps.classMode = false;
    a.ps.title = QStringLiteral("ＰＴＡ");
    a.ps.reporter = QStringLiteral("会計　鈴木");
    a.ps.carryOverName = QStringLiteral("前回からの残金");
    a.add(income(d(2003, 9, 1), QStringLiteral("会費"), 2000));
    a.add(expense(d(2003, 10, 5), QStringLiteral("文具"), 500));
    a.add(income(d(2004, 1, 8), QStringLiteral("会費"), 900));

    RecordingSurface rec = a.ledger(3);
    QVERIFY2(findText(rec, QStringLiteral("ＰＴＡ 会計元帳 ３学期  会計　鈴木")),
             qPrintable(pageTexts(rec, 0).join('\n')));
    QCOMPARE(textsAtY(rec, 0, 2060), QStringList({QStringLiteral("前回からの残金"), "1,500", "1,500"}));
}

void TestLedger::halvesAndYearKeepTheirMonths()
{
    Account a;
    a.add(income(d(2003, 4, 10), QStringLiteral("四月"), 100));
    a.add(income(d(2003, 9, 30), QStringLiteral("九月"), 200));
    a.add(income(d(2003, 10, 20), QStringLiteral("十月"), 300));
    a.add(income(d(2004, 1, 15), QStringLiteral("一月"), 400));

    RecordingSurface half2 = a.ledger(5);
    QCOMPARE(textsAtY(half2, 0, 2060), QStringList({QStringLiteral("前期の繰越金"), "300", "300"}));
    QCOMPARE(textsAtY(half2, 0, textY(2)),
             QStringList({"03/10/20", QStringLiteral("十月 "), "300", "600"}));
    QCOMPARE(textsAtY(half2, 0, textY(3)),
             QStringList({"04/01/15", QStringLiteral("一月 "), "400", "1,000"}));
    QVERIFY(!findText(half2, QStringLiteral("九月 ")));
    QVERIFY(!findText(half2, QStringLiteral("四月 ")));
    QVERIFY(findText(half2, QStringLiteral("後期 合計")));

    RecordingSurface half1 = a.ledger(4);
    QCOMPARE(textsAtY(half1, 0, textY(1))[1], QStringLiteral("四月 "));
    QCOMPARE(textsAtY(half1, 0, textY(2))[1], QStringLiteral("九月 "));
    QVERIFY(textsAtY(half1, 0, textY(3)).isEmpty());
    QCOMPARE(textsAtY(half1, 0, 15445), QStringList({QStringLiteral("後期へ繰り越し"), "300"}));

    RecordingSurface year = a.ledger(0);
    QCOMPARE(textsAtY(year, 0, textY(4)),
             QStringList({"04/01/15", QStringLiteral("一月 "), "400", "1,000"}));
}

void TestLedger::entryRowsReceiptsAndRunningBalance()
{
    Account a;
    a.add(income(d(2003, 4, 5), QStringLiteral("学級費"), 1000, QStringLiteral("４月分")));
    a.add(expense(d(2003, 4, 6), QStringLiteral("画用紙"), 1500, QStringLiteral("図工"), 12));
    a.add(expense(d(2003, 4, 7), QStringLiteral("のり"), 200));
    auto blank = std::make_shared<Entry>(); // never printed nor counted
    blank->income = false;
    blank->date = makeDate(d(2003, 4, 6));
    a.add(blank);
    const RecordingSurface rec = a.ledger(1);

    QCOMPARE(pageTexts(rec, 0).mid(7, 12),
             QStringList({"1060,2060:03/04/05", "2960,2060:学級費 ４月分", "7540,2060:1,000",
                          "9940,2060:1,000", "1060,2420:03/04/06", "2160,2420:No.12",
                          "2960,2420:画用紙 図工", "8740,2420:1,500", "10060,2420:-500",
                          "1060,2780:03/04/07", "2960,2780:のり ", "8980,2780:200"}));
    // The receipt number is red, and only the receipt number.
    const auto receipt = findText(rec, QStringLiteral("No.12"));
    QCOMPARE(receipt->color, kRed);
    for (const RecordedText &t : rec.texts())
        if (t.text != QStringLiteral("No.12"))
            QCOMPARE(t.color, kBlack);
    QVERIFY(!findText(rec, QStringLiteral("No.0")));

    // A negative balance is printed with its sign, in black.
    QVERIFY(hasRightAligned(rec, 0, 10540, textY(2), "-500"));
    QVERIFY(hasRightAligned(rec, 0, 10540, textY(3), "-700"));
    // Thin rules under each entry.
    for (int r = 2; r <= 4; ++r)
        QVERIFY(hasRule(rec, 0, rowY(r), 1, kBlack));
    QCOMPARE(textsAtY(rec, 0, 15060),
             QStringList({QStringLiteral("１学期 合計"), "1,000", "1,700", "-700"}));
    QVERIFY(hasLine(rec, 0, 7000, rowY(4), 2900, 15000, 1, kRed));
}

void TestLedger::wrappedArticleTakesTwoRows()
{
    Account a;
    const QString longArticle(20, QChar(0x3042)); // 20 × あ: 4,800 twips + the space
    a.add(income(d(2003, 5, 1), longArticle, 5000));
    a.add(income(d(2003, 5, 2), QStringLiteral("次"), 10));
    const RecordingSurface rec = a.ledger(1);

    // The longest beginning within 3,900 twips is 16 characters (3,840).
    QCOMPARE(textsAtY(rec, 0, textY(1)),
             QStringList({"03/05/01", QString(16, QChar(0x3042)), "5,000", "5,000"}));
    QCOMPARE(textsAtY(rec, 0, textY(2)), QStringList({QString(4, QChar(0x3042)) + ' '}));
    QVERIFY(hasTextAt(rec, 0, 2960, textY(2), QString(4, QChar(0x3042)) + ' '));
    // One rule under the two rows, none between them; the next entry two rows lower.
    QVERIFY(!hasRule(rec, 0, rowY(2)));
    QVERIFY(hasRule(rec, 0, rowY(3), 1));
    QCOMPARE(textsAtY(rec, 0, textY(3))[1], QStringLiteral("次 "));

    // The recording metric, and a cut that never splits a surrogate pair.
    QCOMPARE(RecordingSurface::widthOf(QStringLiteral("あA ｱ×"), 12), 240.0 + 120 * 4);
    const QString face = QStringLiteral("\U0001F600");
    QCOMPARE(RecordingSurface::widthOf(face, 12), 240.0);
    Account b;
    b.add(income(d(2003, 5, 1), QString(15, QChar(0x3042)) + face + face, 1));
    const RecordingSurface emoji = b.ledger(1);
    QCOMPARE(textsAtY(emoji, 0, textY(1))[1], QString(15, QChar(0x3042)) + face);
    QCOMPARE(textsAtY(emoji, 0, textY(2)), QStringList({face + ' '}));
}

void TestLedger::fortyEntriesBreakAfterThirtySix()
{
    Account a;
    for (int i = 0; i < 40; ++i)
        a.add(income(d(2003, 4, 1).addDays(i), QStringLiteral("収入%1").arg(i + 1), 100));
    const RecordingSurface rec = a.ledger(0);

    QCOMPARE(rec.pageCount(), 2);
    QCOMPARE(rec.pageEnds(), 1);
    // The rehearsal before printing lays the same pages out.
    RehearsalSurface rehearsal;
    printLedger(a.doc, printSummaries(a.doc, a.ps), rehearsal, a.ps, Year);
    QCOMPARE(rehearsal.pageEnds(), 1);
    // Page 1: entries 1-36 in rows 1-36, then the page total in row 37.
    QCOMPARE(textsAtY(rec, 0, textY(1))[1], QStringLiteral("収入1 "));
    QCOMPARE(textsAtY(rec, 0, textY(36))[1], QStringLiteral("収入36 "));
    QCOMPARE(textsAtY(rec, 0, textY(37)),
             QStringList({QStringLiteral("合　計"), "3,600", "0", "3,600"}));
    QVERIFY(hasTextAt(rec, 0, 2960, textY(37), QStringLiteral("合　計")));
    QCOMPARE(countLines(rec, 0, 1000, rowY(38), 10600, rowY(38), 1), 1);
    QCOMPARE(countLines(rec, 0, 1000, rowY(38), 10600, rowY(38), 4), 1);
    QVERIFY(hasVerticalRules(rec, 0, rowY(38)));
    QVERIFY(!findText(rec, QStringLiteral("収入37 "), 0));
    QVERIFY(!findText(rec, QStringLiteral(" 合計"), 0));

    // Page 2: no title, the header, the carried-forward row, entry 37 on.
    QVERIFY(!findText(rec, QStringLiteral("学級会計元帳  第３学年２組  担任 山田花子"), 1));
    QVERIFY(hasTextAt(rec, 1, 1260, 1700, QStringLiteral("日付")));
    QVERIFY(hasRule(rec, 1, 1640, 4));
    QCOMPARE(textsAtY(rec, 1, 2060),
             QStringList({QStringLiteral("前頁より繰り越し"), "3,600", "0", "3,600"}));
    QVERIFY(hasTextAt(rec, 1, 2960, 2060, QStringLiteral("前頁より繰り越し")));
    QVERIFY(hasRightAligned(rec, 1, 9340, 2060, "0"));
    QVERIFY(hasRule(rec, 1, 2360, 4));
    QCOMPARE(textsAtY(rec, 1, textY(2)),
             QStringList({"03/05/07", QStringLiteral("収入37 "), "100", "3,700"}));
    QCOMPARE(textsAtY(rec, 1, textY(5))[1], QStringLiteral("収入40 "));
    QVERIFY(hasLine(rec, 1, 7000, rowY(6), 2900, 15000, 1, kRed));
    QCOMPARE(textsAtY(rec, 1, 15060), QStringList({QStringLiteral(" 合計"), "4,000", "0", "4,000"}));
    QVERIFY(hasVerticalRules(rec, 1, 15385));
}

void TestLedger::carryOutTickedAndNot()
{
    Account a;
    a.add(income(d(2003, 4, 10), QStringLiteral("学級費"), 50000));
    a.add(expense(d(2003, 5, 10), QStringLiteral("教材"), 12345));

    a.ps.printCarry = true;
    RecordingSurface ticked = a.ledger(1);
    QCOMPARE(textsAtY(ticked, 0, textY(3)),
             QStringList({QStringLiteral("２学期へ繰り越し"), "37,655", "0"}));
    QVERIFY(hasTextAt(ticked, 0, 2960, textY(3), QStringLiteral("２学期へ繰り越し")));
    QVERIFY(hasRightAligned(ticked, 0, 9340, textY(3), "37,655"));
    QVERIFY(hasRightAligned(ticked, 0, 10540, textY(3), "0"));
    QVERIFY(hasRule(ticked, 0, rowY(4), 1, kBlack));
    QVERIFY(hasLine(ticked, 0, 7000, rowY(4), 2900, 15000, 1, kRed));
    QCOMPARE(textsAtY(ticked, 0, 15060),
             QStringList({QStringLiteral("１学期 合計"), "50,000", "50,000", "0"}));
    QVERIFY(textsAtY(ticked, 0, 15445).isEmpty());
    QVERIFY(hasVerticalRules(ticked, 0, 15385));

    a.ps.printCarry = false;
    RecordingSurface plain = a.ledger(1);
    QVERIFY(textsAtY(plain, 0, textY(3)).isEmpty());
    QVERIFY(hasLine(plain, 0, 7000, rowY(3), 2900, 15000, 1, kRed));
    QCOMPARE(textsAtY(plain, 0, 15060),
             QStringList({QStringLiteral("１学期 合計"), "50,000", "12,345", "37,655"}));
    QCOMPARE(textsAtY(plain, 0, 15445), QStringList({QStringLiteral("２学期へ繰り越し"), "37,655"}));
    QVERIFY(hasRightAligned(plain, 0, 9340, 15445, "37,655"));
    QVERIFY(hasRule(plain, 0, 15745, 4, kBlack));
    QVERIFY(hasVerticalRules(plain, 0, 15745));
}

void TestLedger::carryOutOnlyForTermsOneTwoAndFirstHalf()
{
    Account a;
    a.ps.printCarry = true;
    a.add(income(d(2003, 9, 10), QStringLiteral("会費"), 800));
    a.add(income(d(2004, 2, 10), QStringLiteral("会費"), 600));

    RecordingSurface term2 = a.ledger(2);
    QCOMPARE(textsAtY(term2, 0, textY(3)),
             QStringList({QStringLiteral("３学期へ繰り越し"), "800", "0"}));
    QCOMPARE(textsAtY(term2, 0, 15060), QStringList({QStringLiteral("２学期 合計"), "800", "800", "0"}));

    for (int period : {0, 3, 5}) {
        RecordingSurface rec = a.ledger(period);
        for (const RecordedText &t : rec.texts())
            QVERIFY2(!t.text.contains(QStringLiteral("へ繰り越し")), qPrintable(t.text));
        // The balance stays in the totals row: the expense column is untouched.
        QCOMPARE(textsAtY(rec, 0, 15060).at(2), QStringLiteral("0"));
        QVERIFY(textsAtY(rec, 0, 15060).at(3) != QStringLiteral("0"));
    }
}

void TestLedger::fullLastPageMovesEndBlockToNewPage()
{
    // 36 entries fill page 1 to row 36; the ticked carry-out row and the
    // totals cannot fit under them, so they go to a second page.
    Account a;
    for (int i = 0; i < 36; ++i)
        a.add(income(d(2003, 4, 1).addDays(i), QStringLiteral("収入%1").arg(i + 1), 10));
    a.ps.printCarry = true;
    RecordingSurface ticked = a.ledger(1);
    QCOMPARE(ticked.pageCount(), 2);
    QCOMPARE(textsAtY(ticked, 0, textY(37)), QStringList({QStringLiteral("合　計"), "360", "0", "360"}));
    QVERIFY(!findText(ticked, QStringLiteral("１学期 合計"), 0));
    QCOMPARE(textsAtY(ticked, 1, 2060), QStringList({QStringLiteral("前頁より繰り越し"), "360", "0", "360"}));
    QCOMPARE(textsAtY(ticked, 1, textY(2)), QStringList({QStringLiteral("２学期へ繰り越し"), "360", "0"}));
    QVERIFY(hasLine(ticked, 1, 7000, rowY(3), 2900, 15000, 1, kRed));
    QCOMPARE(textsAtY(ticked, 1, 15060), QStringList({QStringLiteral("１学期 合計"), "360", "360", "0"}));

    // Without the carry-out row the end block fits under row 36: one page.
    a.ps.printCarry = false;
    RecordingSurface plain = a.ledger(1);
    QCOMPARE(plain.pageCount(), 1);
    QVERIFY(hasLine(plain, 0, 7000, rowY(37), 2900, 15000, 1, kRed));
    QCOMPARE(textsAtY(plain, 0, 15060), QStringList({QStringLiteral("１学期 合計"), "360", "0", "360"}));
}

void TestLedger::tallEntryMovesToNextPage()
{
    // A two-line entry in row 36, the last row for entries, still fits with
    // the page total under it; the page breaks after it as usual.
    Account a;
    for (int i = 0; i < 35; ++i)
        a.add(income(d(2003, 4, 1).addDays(i), QStringLiteral("収入%1").arg(i + 1), 10));
    a.add(income(d(2003, 6, 1), QString(20, QChar(0x3044)), 10));
    a.add(income(d(2003, 6, 2), QStringLiteral("次"), 10));
    RecordingSurface rec = a.ledger(0);
    QCOMPARE(rec.pageCount(), 2);
    QCOMPARE(textsAtY(rec, 0, textY(36))[1], QString(16, QChar(0x3044)));
    QCOMPARE(textsAtY(rec, 0, textY(37)), QStringList({QString(4, QChar(0x3044)) + ' '}));
    QCOMPARE(textsAtY(rec, 0, textY(38)), QStringList({QStringLiteral("合　計"), "360", "0", "360"}));
    QVERIFY(hasRule(rec, 0, rowY(39), 4));
    QCOMPARE(textsAtY(rec, 1, textY(2))[1], QStringLiteral("次 "));

    // A three-line entry in row 36 would push the page total off the paper:
    // it starts the next page instead.
    Account b;
    for (int i = 0; i < 35; ++i)
        b.add(income(d(2003, 4, 1).addDays(i), QStringLiteral("収入%1").arg(i + 1), 10));
    b.add(income(d(2003, 6, 1), QString(40, QChar(0x3046)), 10));
    RecordingSurface tall = b.ledger(0);
    QCOMPARE(tall.pageCount(), 2);
    QCOMPARE(textsAtY(tall, 0, textY(36)), QStringList({QStringLiteral("合　計"), "350", "0", "350"}));
    QCOMPARE(textsAtY(tall, 1, textY(2)),
             QStringList({"03/06/01", QString(16, QChar(0x3046)), "10", "360"}));
    QCOMPARE(textsAtY(tall, 1, textY(4)), QStringList({QString(8, QChar(0x3046)) + ' '}));
    for (const RecordedText &t : tall.texts())
        QVERIFY2(t.y + 240 <= 15745, qPrintable(t.text));
}

void TestLedger::printsInDateOrderLeavingTheListAlone()
{
    Account a;
    a.add(expense(d(2003, 5, 1), QStringLiteral("支出"), 100));
    a.add(income(d(2003, 5, 1), QStringLiteral("収入"), 300));
    a.add(income(d(2003, 4, 20), QStringLiteral("前"), 50));
    const QStringList listOrder = {"E:05/01:支出:100", "I:04/20:前:50", "I:05/01:収入:300"};
    QCOMPARE(describe(a.doc.entries()), listOrder);
    a.doc.markSaved();
    QSignalSpy changed(&a.doc, &Document::changed);

    const RecordingSurface rec = a.ledger(1);
    // Printing sorts a copy: the list, the views and the unsaved mark stay as they were.
    QCOMPARE(describe(a.doc.entries()), listOrder);
    QCOMPARE(changed.count(), 0);
    QVERIFY(!a.doc.isModified());
    // Printed in the sorted order: income before expense on the same day.
    QCOMPARE(textsAtY(rec, 0, textY(2))[1], QStringLiteral("収入 "));
    QCOMPARE(textsAtY(rec, 0, textY(3))[1], QStringLiteral("支出 "));
}

void TestLedger::overflowAndBadPeriodAreErrors()
{
    Account a;
    a.add(expense(d(2003, 5, 1), QStringLiteral("大"), 2000000000));
    a.add(expense(d(2003, 5, 2), QStringLiteral("大"), 2000000000));
    RecordingSurface rec;
    try {
        printLedger(a.doc, printSummaries(a.doc, a.ps), rec, a.ps, Year);
        QFAIL("an expense total beyond 32 bits must be an error");
    } catch (const HarumokaError &e) {
        QVERIFY(e.message().contains(QStringLiteral("範囲")));
    }
    QVERIFY(!rec.documentEnded());

    const QStringList before = describe(a.doc.entries());
    RecordingSurface bad;
    QVERIFY_THROWS_EXCEPTION(HarumokaError, printLedger(a.doc, PeriodSummaries(), bad, a.ps, Period(6)));
    QCOMPARE(describe(a.doc.entries()), before); // nothing changed
    QVERIFY(bad.texts().isEmpty());

    // Nothing is drawn after the end, on the recording or the rehearsal.
    RecordingSurface recorded;
    RehearsalSurface rehearsed;
    for (PageSurface *s : std::initializer_list<PageSurface *>{&recorded, &rehearsed}) {
        s->endDocument();
        QVERIFY_THROWS_EXCEPTION(HarumokaError, s->drawText(QStringLiteral("収入")));
        QVERIFY_THROWS_EXCEPTION(HarumokaError, s->drawLine(0, 0, 100, 0));
        QVERIFY_THROWS_EXCEPTION(HarumokaError, s->endPage());
    }
}

HARUMOKA_PRINT_TEST_MAIN(TestLedger)
#include "tst_ledger.moc"
