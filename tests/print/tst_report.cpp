// The accounting report, the closing sentences, the detail check and the
// printout dispatcher, drawn on a recording surface and checked exactly.
#include "model/document.h"
#include "model/values.h"
#include "print/layout.h"
#include "print/printouts.h"
#include "print/recording_surface.h"
#include "print/report.h"
#include "print_checks.h"
#include "support/print_test_main.h"
#include "support/test_util.h"

#include <limits>

namespace {

double rowY(int r) { return 1640 + 360.0 * r; }
double textY(int r) { return rowY(r) + 60; }

struct Account {
    Document doc;
    PrintSettings ps;
    PeriodSummaries sums;

    Account()
    {
        ps.schoolName = QStringLiteral("青空小学校");
        ps.grade = QStringLiteral("第３学年");
        ps.room = QStringLiteral("２組");
        ps.charge = QStringLiteral("山田花子");
        ps.printDate = QDate(2003, 4, 5);
    }
    void add(const ArticlePtr &a) { doc.recordEntry(*a, nullptr); }
    void refresh() { sums = printSummaries(doc, ps); }
    RecordingSurface report(Period p = Term1, const QString &label = QStringLiteral("１学期"),
                            const QString &closing = QStringLiteral("結び"))
    {
        refresh();
        RecordingSurface rec;
        printReport(rec, ps, label, sums[p], closing);
        return rec;
    }
};

QString dump(const RecordingSurface &rec, int page)
{
    return (pageTexts(rec, page) + pageLines(rec, page)).join('\n');
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT

private slots:
    void dateText();
    void emptyTermOneReport();
    void incomeGroupsAndBreakdown();
    void termTwoReportListsCarryOver();
    void detailLinesReplaceTheirExpense();
    void twoPerRowWithTallLeftItem();
    void onePerRow();
    void otherAccountTitleAndSignature();
    void closingSentences();
    void closingLinesStayOnThePaper();
    void detailMismatch();
    void dispatcher();
    void incomeGroupsBreakPages();
    void sectionThatWouldOverflowStartsNextPage();
    void longGroupIsSplitOnlyWhenItOverflows();
    void expenseRowsBreakPages();
    void overflowIsReportedBeforeDrawing();
};

void TestReport::dateText()
{
    QCOMPARE(reportDateText(QDate(2003, 4, 5)), QStringLiteral("平成15年4月5日"));
    QCOMPARE(reportDateText(QDate(1989, 1, 1)), QStringLiteral("平成1年1月1日"));
    QCOMPARE(reportDateText(QDate(2019, 4, 30)), QStringLiteral("平成31年4月30日"));
    QCOMPARE(reportDateText(QDate(2019, 5, 1)), QStringLiteral("令和1年5月1日"));
    QCOMPARE(reportDateText(QDate(2026, 12, 7)), QStringLiteral("令和8年12月7日"));
    setTodayForTesting(QDate(2026, 3, 1));
    QCOMPARE(reportDateText(QDate()), QStringLiteral("令和8年3月1日"));
    setTodayForTesting(QDate());

    // A report dated today carries the current era on its date line.
    Account a;
    a.ps.printDate = QDate(2026, 7, 20);
    const RecordingSurface rec = a.report();
    QVERIFY(hasTextAt(rec, 0, 1000, textY(14), QStringLiteral("令和8年7月20日")));
    for (const RecordedText &t : rec.texts())
        QVERIFY(!t.text.contains(QStringLiteral("平成")));
}

void TestReport::emptyTermOneReport()
{
    Account a;
    a.add(income(d(2003, 9, 1), QStringLiteral("二学期分"), 100)); // another period
    const RecordingSurface rec = a.report(Term1, QStringLiteral("１学期"),
                                          QStringLiteral("尚、残金の0円は第２学期学級会計に繰り越させていただきます。"));
    QCOMPARE(rec.pageCount(), 1);
    QVERIFY(rec.documentEnded());

    // Header.
    QVERIFY(hasTextAt(rec, 0, 1000, 800, QStringLiteral("保護者各位")));
    QVERIFY(hasRightAligned(rec, 0, 10600, 800, QStringLiteral("青空小学校")));
    const auto title = findText(rec, QStringLiteral("第３学年２組  １学期 学級会計報告"));
    QVERIFY2(title, qPrintable(dump(rec, 0)));
    QCOMPARE(title->x, 1000.0);
    QCOMPARE(title->y, 1200.0);
    QCOMPARE(title->fontSize, 16.0);
    QCOMPARE(findText(rec, QStringLiteral("保護者各位"))->fontSize, 12.0);
    QCOMPARE(findText(rec, QStringLiteral("収入総額"))->fontSize, 12.0);

    // Totals block: 0円 three times.
    const QStringList labels = {QStringLiteral("収入総額"), QStringLiteral("支出総額"),
                                QStringLiteral("差引総額")};
    for (int r = 0; r < 3; ++r) {
        QCOMPARE(textsAtY(rec, 0, textY(r)), QStringList({labels[r], QStringLiteral("0円")}));
        QVERIFY(hasCentred(rec, 0, 1000, 4700, textY(r), labels[r]));
        QVERIFY(hasRightAligned(rec, 0, 8440, textY(r), QStringLiteral("0円")));
    }
    QVERIFY(hasRule(rec, 0, 1640, 4));
    QVERIFY(hasRule(rec, 0, 2000, 1));
    QVERIFY(hasRule(rec, 0, 2360, 1));
    QVERIFY(hasRule(rec, 0, 2720, 4));
    QVERIFY(hasLine(rec, 0, 1000, 1640, 1000, 2720, 4));
    QVERIFY(hasLine(rec, 0, 10600, 1640, 10600, 2720, 4));
    QVERIFY(hasLine(rec, 0, 4700, 1640, 4700, 2720, 1));

    // Income: heading, header, totals row only.
    QVERIFY(hasTextAt(rec, 0, 1000, 3140, QStringLiteral("１．収入の部")));
    QVERIFY(hasRule(rec, 0, rowY(5), 4));
    QVERIFY(hasCentred(rec, 0, 1000, 4700, textY(5), QStringLiteral("項　目")));
    QVERIFY(hasCentred(rec, 0, 4700, 6100, textY(5), QStringLiteral("金　額")));
    QVERIFY(hasCentred(rec, 0, 6100, 10600, textY(5), QStringLiteral("内　訳")));
    QVERIFY(hasRule(rec, 0, rowY(6), 4));
    QVERIFY(hasRule(rec, 0, rowY(6) + 25, 1));
    QVERIFY(hasLine(rec, 0, 6100, rowY(5), 6100, rowY(6), 1));
    QVERIFY(hasCentred(rec, 0, 1000, 4700, textY(6), QStringLiteral("合　計")));
    QVERIFY(hasRightAligned(rec, 0, 10540, textY(6), QStringLiteral("0円")));
    QVERIFY(hasRule(rec, 0, rowY(7), 4));
    QVERIFY(hasLine(rec, 0, 1000, rowY(5), 1000, rowY(7), 4));
    QVERIFY(hasLine(rec, 0, 10600, rowY(5), 10600, rowY(7), 4));
    QVERIFY(hasLine(rec, 0, 4700, rowY(5), 4700, rowY(7), 1));
    QVERIFY(!findText(rec, QStringLiteral("二学期分 ")));

    // Expenses, two per row: heading after one empty row, four headers.
    QVERIFY(hasTextAt(rec, 0, 1000, textY(8), QStringLiteral("２．支出の部")));
    QVERIFY(hasRule(rec, 0, rowY(9), 4));
    QCOMPARE(textsAtY(rec, 0, textY(9)),
             QStringList({QStringLiteral("項　目"), QStringLiteral("金　額"), QStringLiteral("項　目"),
                          QStringLiteral("金　額")}));
    QVERIFY(hasCentred(rec, 0, 1000, 4400, textY(9), QStringLiteral("項　目")));
    QVERIFY(hasCentred(rec, 0, 4400, 5800, textY(9), QStringLiteral("金　額")));
    QVERIFY(hasCentred(rec, 0, 5800, 9200, textY(9), QStringLiteral("項　目")));
    QVERIFY(hasCentred(rec, 0, 9200, 10600, textY(9), QStringLiteral("金　額")));
    QVERIFY(hasRule(rec, 0, rowY(10), 4));
    QVERIFY(hasRule(rec, 0, rowY(10) + 25, 1));
    QVERIFY(hasLine(rec, 0, 9200, rowY(9), 9200, rowY(10), 1));
    QVERIFY(hasLine(rec, 0, 4400, rowY(9), 4400, rowY(10), 1));
    QVERIFY(hasCentred(rec, 0, 1000, 4700, textY(10), QStringLiteral("合　計")));
    QVERIFY(hasRightAligned(rec, 0, 10540, textY(10), QStringLiteral("0円")));
    QVERIFY(hasRule(rec, 0, rowY(11), 4));
    for (double x : {1000.0, 5800.0, 10600.0})
        QVERIFY(hasLine(rec, 0, x, rowY(9), x, rowY(11), 4));

    // Closing rows after one empty row.
    QVERIFY(textsAtY(rec, 0, textY(11)).isEmpty());
    QVERIFY(hasTextAt(rec, 0, 1000, textY(12), QStringLiteral("上記の通りご報告します。")));
    QVERIFY(hasTextAt(rec, 0, 1000, textY(13),
                      QStringLiteral("尚、残金の0円は第２学期学級会計に繰り越させていただきます。")));
    QVERIFY(hasTextAt(rec, 0, 1000, textY(14), QStringLiteral("平成15年4月5日")));
    QVERIFY(hasRightAligned(rec, 0, 10600, textY(14), QStringLiteral("第３学年２組  　担任　山田花子")));
    QCOMPARE(rec.texts().last().text, QStringLiteral("第３学年２組  　担任　山田花子"));

    for (const RecordedText &t : rec.texts())
        QCOMPARE(t.color, kBlack);
    for (const RecordedLine &l : rec.lines())
        QCOMPARE(l.color, kBlack);
}

void TestReport::incomeGroupsAndBreakdown()
{
    Account a;
    a.add(income(d(2003, 5, 1), QStringLiteral("遠足代"), 32000, QStringLiteral("バス"), 1000, 32));
    a.add(income(d(2003, 5, 2), QStringLiteral("学級費"), 2000));
    a.add(income(d(2003, 5, 3), QStringLiteral("遠足代"), 500, QStringLiteral("昼食")));
    const RecordingSurface rec = a.report();

    QVERIFY(hasRightAligned(rec, 0, 8440, textY(0), QStringLiteral("34,500円")));
    // Both 遠足代 items first, in list order, then 学級費.
    QCOMPARE(textsAtY(rec, 0, textY(6)),
             QStringList({QStringLiteral("遠足代 バス"), QStringLiteral("32,000円"),
                          QStringLiteral(" ＠1,000×32人")}));
    QVERIFY(hasTextAt(rec, 0, 1060, textY(6), QStringLiteral("遠足代 バス")));
    QVERIFY(hasRightAligned(rec, 0, 6040, textY(6), QStringLiteral("32,000円")));
    QVERIFY(hasRightAligned(rec, 0, 10540, textY(6), QStringLiteral(" ＠1,000×32人")));
    QCOMPARE(textsAtY(rec, 0, textY(7)),
             QStringList({QStringLiteral("遠足代 昼食"), QStringLiteral("500円")}));
    QCOMPARE(textsAtY(rec, 0, textY(8)),
             QStringList({QStringLiteral("学級費 "), QStringLiteral("2,000円")}));
    for (int r = 7; r <= 9; ++r)
        QVERIFY(hasRule(rec, 0, rowY(r), 1));
    QCOMPARE(textsAtY(rec, 0, textY(9)), QStringList({QStringLiteral("合　計"), QStringLiteral("34,500円")}));
    QVERIFY(hasRightAligned(rec, 0, 10540, textY(9), QStringLiteral("34,500円")));
    QVERIFY(hasLine(rec, 0, 6100, rowY(5), 6100, rowY(9), 1));
    QVERIFY(hasLine(rec, 0, 4700, rowY(5), 4700, rowY(10), 1));
    QVERIFY(hasTextAt(rec, 0, 1000, textY(11), QStringLiteral("２．支出の部")));
}

void TestReport::termTwoReportListsCarryOver()
{
    Account a;
    a.add(income(d(2003, 5, 1), QStringLiteral("学級費"), 50000));
    a.add(expense(d(2003, 6, 2), QStringLiteral("画用紙"), 12345));
    a.add(income(d(2003, 10, 1), QStringLiteral("遠足代"), 1000, QString(), 100, 10));
    a.add(expense(d(2003, 11, 1), QStringLiteral("バス"), 3000));
    a.refresh();
    RecordingSurface rec;
    printKindOn(a.doc, a.sums, rec, a.ps, Printout::fromKind(4));

    QVERIFY(findText(rec, QStringLiteral("第３学年２組  ２学期 学級会計報告")));
    QCOMPARE(textsAtY(rec, 0, textY(6)),
             QStringList({QStringLiteral("１学期の繰越金 "), QStringLiteral("37,655円")}));
    QCOMPARE(textsAtY(rec, 0, textY(7)),
             QStringList({QStringLiteral("遠足代 "), QStringLiteral("1,000円"), QStringLiteral(" ＠100×10人")}));
    QVERIFY(hasRightAligned(rec, 0, 8440, textY(0), QStringLiteral("38,655円")));
    QVERIFY(hasRightAligned(rec, 0, 8440, textY(1), QStringLiteral("3,000円")));
    QVERIFY(hasRightAligned(rec, 0, 8440, textY(2), QStringLiteral("35,655円")));
    QVERIFY(findText(rec, QStringLiteral("尚、残金の35,655円は第３学期学級会計に繰り越させていただきます。")));
    QVERIFY(!findText(rec, QStringLiteral("学級費 ")));
}

void TestReport::detailLinesReplaceTheirExpense()
{
    Account a;
    auto e = expense(d(2003, 6, 1), QStringLiteral("消耗品"), 500, QStringLiteral("内訳"), 3);
    setDetails(e, {{QStringLiteral("P"), 300}, {QStringLiteral("Q"), 200}});
    a.add(e);
    const RecordingSurface rec = a.report();

    QCOMPARE(textsAtY(rec, 0, textY(10)),
             QStringList({"P", QStringLiteral("300円"), "Q", QStringLiteral("200円")}));
    QVERIFY(hasTextAt(rec, 0, 1060, textY(10), "P"));
    QVERIFY(hasRightAligned(rec, 0, 5740, textY(10), QStringLiteral("300円")));
    QVERIFY(hasTextAt(rec, 0, 5860, textY(10), "Q"));
    QVERIFY(hasRightAligned(rec, 0, 10540, textY(10), QStringLiteral("200円")));
    for (const RecordedText &t : rec.texts())
        QVERIFY2(!t.text.contains(QStringLiteral("消耗品")) && !t.text.contains(QStringLiteral("内訳")),
                 qPrintable(t.text));
    QCOMPARE(textsAtY(rec, 0, textY(11)), QStringList({QStringLiteral("合　計"), QStringLiteral("500円")}));
}

void TestReport::twoPerRowWithTallLeftItem()
{
    Account a;
    const QString tall(16, QChar(0x304B)); // 16 × か: 3,840 twips, over 3,400
    a.add(expense(d(2003, 6, 1), tall, 100));
    a.add(expense(d(2003, 6, 2), QStringLiteral("B"), 200));
    a.add(expense(d(2003, 6, 3), QStringLiteral("C"), 300));
    a.add(expense(d(2003, 6, 4), QStringLiteral("D"), 400));
    a.add(expense(d(2003, 6, 5), QStringLiteral("E"), 500));
    const RecordingSurface rec = a.report();

    // Pair 1 takes two rows because of its left item.
    QCOMPARE(textsAtY(rec, 0, textY(10)),
             QStringList({QString(14, QChar(0x304B)), QStringLiteral("100円"), "B", QStringLiteral("200円")}));
    QVERIFY(hasTextAt(rec, 0, 1060, textY(11), QString(2, QChar(0x304B))));
    QCOMPARE(textsAtY(rec, 0, textY(11)).size(), 1);
    QVERIFY(!hasRule(rec, 0, rowY(11)));
    QVERIFY(hasRule(rec, 0, rowY(12), 1));
    // Pair 2 two rows lower, then E alone, its row closed before the totals.
    QVERIFY(hasTextAt(rec, 0, 1060, textY(12), "C"));
    QVERIFY(hasTextAt(rec, 0, 5860, textY(12), "D"));
    QVERIFY(hasRule(rec, 0, rowY(13), 1));
    QCOMPARE(textsAtY(rec, 0, textY(13)), QStringList({"E", QStringLiteral("500円")}));
    QVERIFY(hasRightAligned(rec, 0, 5740, textY(13), QStringLiteral("500円")));
    QVERIFY(hasRule(rec, 0, rowY(14), 1));
    QVERIFY(hasRule(rec, 0, rowY(14) + 25, 1));
    QCOMPARE(textsAtY(rec, 0, textY(14)), QStringList({QStringLiteral("合　計"), QStringLiteral("1,500円")}));
    QVERIFY(hasLine(rec, 0, 4400, rowY(9), 4400, rowY(14), 1));
    QVERIFY(hasLine(rec, 0, 9200, rowY(9), 9200, rowY(14), 1));
    QVERIFY(hasRule(rec, 0, rowY(15), 4));
    QVERIFY(hasLine(rec, 0, 5800, rowY(9), 5800, rowY(15), 4));
    QVERIFY(hasLine(rec, 0, 1000, rowY(9), 1000, rowY(15), 4));
    QVERIFY(hasTextAt(rec, 0, 1000, textY(16), QStringLiteral("上記の通りご報告します。")));
}

void TestReport::onePerRow()
{
    Account a;
    a.ps.oneColumn = true;
    const QString wide(16, QChar(0x304B)); // fits the 8,200 twips of one column
    a.add(expense(d(2003, 6, 1), wide, 100));
    a.add(expense(d(2003, 6, 2), QStringLiteral("B"), 200));
    a.add(expense(d(2003, 6, 3), QStringLiteral("C"), 300));
    const RecordingSurface rec = a.report();

    QCOMPARE(textsAtY(rec, 0, textY(9)), QStringList({QStringLiteral("項　目"), QStringLiteral("金　額")}));
    QVERIFY(hasCentred(rec, 0, 1000, 9200, textY(9), QStringLiteral("項　目")));
    QVERIFY(hasCentred(rec, 0, 9200, 10600, textY(9), QStringLiteral("金　額")));
    QCOMPARE(textsAtY(rec, 0, textY(10)), QStringList({wide, QStringLiteral("100円")}));
    QVERIFY(hasRightAligned(rec, 0, 10540, textY(10), QStringLiteral("100円")));
    QVERIFY(hasTextAt(rec, 0, 1060, textY(11), "B"));
    QVERIFY(hasTextAt(rec, 0, 1060, textY(12), "C"));
    QVERIFY(hasRightAligned(rec, 0, 10540, textY(12), QStringLiteral("300円")));
    for (int r = 11; r <= 13; ++r)
        QVERIFY(hasRule(rec, 0, rowY(r), 1));
    QCOMPARE(textsAtY(rec, 0, textY(13)), QStringList({QStringLiteral("合　計"), QStringLiteral("600円")}));
    QVERIFY(hasLine(rec, 0, 9200, rowY(9), 9200, rowY(13), 1));
    // The middle rule crosses the totals row only; no 4,400 rule at all.
    QVERIFY(hasLine(rec, 0, 5800, rowY(13), 5800, rowY(14), 4));
    QCOMPARE(countLines(rec, 0, 5800, rowY(9), 5800, rowY(14)), 0);
    for (const RecordedLine &l : rec.lines())
        QVERIFY(!(l.x1 == 4400 && l.x2 == 4400));
    QVERIFY(hasLine(rec, 0, 1000, rowY(9), 1000, rowY(14), 4));
    QVERIFY(hasLine(rec, 0, 10600, rowY(9), 10600, rowY(14), 4));
}

void TestReport::otherAccountTitleAndSignature()
{
    Account a;
    a.ps.classMode = false;
    a.ps.title = QStringLiteral("ＰＴＡ広報委員会　会計報告");
    a.ps.reporter = QStringLiteral("会計　佐藤");
    a.ps.respect = QStringLiteral("保護者のみなさま");
    a.ps.printDate = QDate(2026, 12, 7);
    const RecordingSurface rec = a.report(Term1, QStringLiteral("１学期"),
                                          QStringLiteral("一年間ご協力ありがとうございました。"));

    const auto title = findText(rec, QStringLiteral("ＰＴＡ広報委員会　会計報告"));
    QVERIFY(title);
    QCOMPARE(title->y, 1200.0);
    QCOMPARE(title->fontSize, 16.0);
    QVERIFY(hasTextAt(rec, 0, 1000, 800, QStringLiteral("保護者のみなさま")));
    QVERIFY(hasTextAt(rec, 0, 1000, textY(13), QStringLiteral("一年間ご協力ありがとうございました。")));
    QCOMPARE(textsAtY(rec, 0, textY(14)),
             QStringList({QStringLiteral("令和8年12月7日"), QStringLiteral("会計　佐藤")}));
    QVERIFY(hasRightAligned(rec, 0, 10600, textY(14), QStringLiteral("会計　佐藤")));
    for (const RecordedText &t : rec.texts())
        QVERIFY2(!t.text.contains(QStringLiteral("担任")) && !t.text.contains(QStringLiteral("学級会計")),
                 qPrintable(t.text));
}

void TestReport::closingSentences()
{
    Account a;
    a.add(income(d(2003, 4, 10), QStringLiteral("学級費"), 50000));
    a.add(expense(d(2003, 5, 10), QStringLiteral("教材"), 12345));
    a.add(expense(d(2003, 10, 10), QStringLiteral("行事"), 40000));
    a.refresh();
    QCOMPARE(closingSentence(a.sums, a.ps, Printout::fromKind(2)),
             QStringLiteral("尚、残金の37,655円は第２学期学級会計に繰り越させていただきます。"));
    QCOMPARE(closingSentence(a.sums, a.ps, Printout::fromKind(4)),
             QStringLiteral("尚、残金の-2,345円は第３学期学級会計に繰り越させていただきます。"));
    QCOMPARE(closingSentence(a.sums, a.ps, Printout::fromKind(8)),
             QStringLiteral("尚、残金の37,655円は後期学級会計に繰り越させていただきます。"));
    for (int kind : {6, 10, 12})
        QCOMPARE(closingSentence(a.sums, a.ps, Printout::fromKind(kind)), QStringLiteral("一年間ご協力ありがとうございました。"));
    for (int kind : {1, 3, 5, 7, 9, 11})
        QVERIFY(closingSentence(a.sums, a.ps, Printout::fromKind(kind)).isEmpty());

    a.ps.classMode = false;
    QCOMPARE(closingSentence(a.sums, a.ps, Printout::fromKind(2)),
             QStringLiteral("尚、残金の37,655円は第２学期会計に繰り越させていただきます。"));
    QCOMPARE(closingSentence(a.sums, a.ps, Printout::fromKind(4)),
             QStringLiteral("尚、残金の-2,345円は第３学期会計に繰り越させていただきます。"));
    QCOMPARE(closingSentence(a.sums, a.ps, Printout::fromKind(8)),
             QStringLiteral("尚、残金の37,655円は後期会計に繰り越させていただきます。"));

    Account minus;
    minus.add(expense(d(2003, 6, 1), QStringLiteral("立替"), 1200));
    minus.refresh();
    QCOMPARE(closingSentence(minus.sums, minus.ps, Printout::fromKind(2)),
             QStringLiteral("尚、残金の-1,200円は第２学期学級会計に繰り越させていただきます。"));

    Account zero;
    zero.refresh();
    QCOMPARE(closingSentence(zero.sums, zero.ps, Printout::fromKind(2)),
             QStringLiteral("尚、残金の0円は第２学期学級会計に繰り越させていただきます。"));
    QVERIFY_THROWS_EXCEPTION(HarumokaError, closingSentence(zero.sums, zero.ps, Printout::fromKind(15)));
}

void TestReport::detailMismatch()
{
    auto plain = expense(d(2003, 4, 1), QStringLiteral("A"), 100);
    auto agrees = expense(d(2003, 4, 2), QStringLiteral("B"), 300);
    setDetails(agrees, {{QStringLiteral("b1"), 100}, {QStringLiteral("b2"), 200}});
    auto oneShort = expense(d(2003, 4, 3), QStringLiteral("C"), 500);
    setDetails(oneShort, {{QStringLiteral("c1"), 499}});
    const EntryList list = listOf({income(d(2003, 4, 1), QStringLiteral("I1"), 10), plain,
                                    income(d(2003, 4, 2), QStringLiteral("I2"), 10), agrees,
                                    income(d(2003, 4, 2), QStringLiteral("I3"), 10), oneShort});
    QCOMPARE(findDetailMismatch(list), qint16(3));

    QCOMPARE(findDetailMismatch(listOf({plain, agrees})), qint16(0));
    QCOMPARE(findDetailMismatch(EntryList()), qint16(0));

    // A detail list without lines agrees only with an amount of 0.
    auto emptyZero = expense(d(2003, 4, 4), QStringLiteral("D"), 0);
    setDetails(emptyZero, {});
    auto emptyHundred = expense(d(2003, 4, 5), QStringLiteral("E"), 100);
    setDetails(emptyHundred, {});
    QCOMPARE(findDetailMismatch(listOf({emptyZero})), qint16(0));
    QCOMPARE(findDetailMismatch(listOf({emptyZero, plain, emptyHundred})), qint16(3));

    // Income entries are neither counted nor compared, even with details.
    auto oddIncome = income(d(2003, 4, 6), QStringLiteral("F"), 100);
    setDetails(oddIncome, {{QStringLiteral("f"), 1}});
    QCOMPARE(findDetailMismatch(listOf({oddIncome, oneShort})), qint16(1));
}

void TestReport::dispatcher()
{
    Account a;
    a.add(income(d(2003, 4, 10), QStringLiteral("学級費"), 1000));
    a.refresh();
    struct Expect {
        int kind;
        QString title;
        double size;
    };
    const QList<Expect> expected = {
        {1, QStringLiteral("学級会計元帳 １学期 第３学年２組  担任 山田花子"), 14},
        {2, QStringLiteral("第３学年２組  １学期 学級会計報告"), 16},
        {3, QStringLiteral("学級会計元帳 ２学期 第３学年２組  担任 山田花子"), 14},
        {4, QStringLiteral("第３学年２組  ２学期 学級会計報告"), 16},
        {5, QStringLiteral("学級会計元帳 ３学期 第３学年２組  担任 山田花子"), 14},
        {6, QStringLiteral("第３学年２組  ３学期 学級会計報告"), 16},
        {7, QStringLiteral("学級会計元帳 前期 第３学年２組  担任 山田花子"), 14},
        {8, QStringLiteral("第３学年２組  前期 学級会計報告"), 16},
        {9, QStringLiteral("学級会計元帳 後期 第３学年２組  担任 山田花子"), 14},
        {10, QStringLiteral("第３学年２組  後期 学級会計報告"), 16},
        {11, QStringLiteral("学級会計元帳  第３学年２組  担任 山田花子"), 14},
        {12, QStringLiteral("第３学年２組  年度 学級会計報告"), 16},
    };
    for (const Expect &e : expected) {
        RecordingSurface rec;
        printKindOn(a.doc, a.sums, rec, a.ps, Printout::fromKind(e.kind));
        QVERIFY(rec.documentEnded());
        const auto title = findText(rec, e.title);
        QVERIFY2(title, qPrintable(e.title));
        QCOMPARE(title->fontSize, e.size);
        QCOMPARE(title->y, e.kind % 2 ? 800.0 : 1200.0);
        if (e.kind % 2 == 0) {
            // The closing sentence sits two rows above the date line.
            const RecordedText date = rec.texts().at(rec.texts().size() - 2);
            QCOMPARE(date.text, QStringLiteral("平成15年4月5日"));
            QCOMPARE(textsAtY(rec, date.page, date.y - 360),
                     QStringList({closingSentence(a.sums, a.ps, Printout::fromKind(e.kind))}));
        }
    }
    // The year report prints the year lists.
    RecordingSurface year;
    printKindOn(a.doc, a.sums, year, a.ps, Printout::fromKind(12));
    QVERIFY(findText(year, QStringLiteral("学級費 ")));
    QVERIFY(findText(year, QStringLiteral("一年間ご協力ありがとうございました。")));

    for (int bad : {0, 15, -1}) {
        RecordingSurface rec;
        QVERIFY_THROWS_EXCEPTION(HarumokaError, printKindOn(a.doc, a.sums, rec, a.ps, Printout::fromKind(bad)));
        QVERIFY(rec.texts().isEmpty());
    }
}

void TestReport::incomeGroupsBreakPages()
{
    Account a;
    for (int i = 0; i < 40; ++i)
        a.add(income(d(2003, 5, 1), QStringLiteral("項目%1").arg(i + 1, 2, 10, QLatin1Char('0')), 10));
    const RecordingSurface rec = a.report();
    QCOMPARE(rec.pageCount(), 2);

    // Page 1: groups in rows 6-36; the table reaches 14,960 > 14,640 and breaks.
    QCOMPARE(textsAtY(rec, 0, textY(36)).first(), QStringLiteral("項目31 "));
    QVERIFY(textsAtY(rec, 0, textY(37)).isEmpty());
    QVERIFY(hasLine(rec, 0, 1000, rowY(5), 1000, rowY(37), 4));
    QVERIFY(hasLine(rec, 0, 10600, rowY(5), 10600, rowY(37), 4));
    QVERIFY(hasLine(rec, 0, 4700, rowY(5), 4700, rowY(37), 1));
    QVERIFY(hasLine(rec, 0, 6100, rowY(5), 6100, rowY(37), 1));
    QVERIFY(!hasRule(rec, 0, rowY(37), 4));

    // Page 2: no page header, the table header in row 1, then the rest.
    QVERIFY(!findText(rec, QStringLiteral("保護者各位"), 1));
    QVERIFY(hasRule(rec, 1, rowY(1), 4));
    QVERIFY(hasCentred(rec, 1, 1000, 4700, textY(1), QStringLiteral("項　目")));
    QVERIFY(hasRule(rec, 1, rowY(2), 4));
    QCOMPARE(textsAtY(rec, 1, textY(2)), QStringList({QStringLiteral("項目32 "), QStringLiteral("10円")}));
    QCOMPARE(textsAtY(rec, 1, textY(10)).first(), QStringLiteral("項目40 "));
    QCOMPARE(textsAtY(rec, 1, textY(11)), QStringList({QStringLiteral("合　計"), QStringLiteral("400円")}));
    QVERIFY(hasLine(rec, 1, 6100, rowY(1), 6100, rowY(11), 1));
    QVERIFY(hasLine(rec, 1, 1000, rowY(1), 1000, rowY(12), 4));
    QVERIFY(hasTextAt(rec, 1, 1000, textY(13), QStringLiteral("２．支出の部")));
}

void TestReport::sectionThatWouldOverflowStartsNextPage()
{
    // 31 income groups end the income table at 15,320; the expense heading
    // would fall at 15,740, off the paper, so the section starts page 2.
    Account a;
    for (int i = 0; i < 31; ++i)
        a.add(income(d(2003, 5, 1), QStringLiteral("項目%1").arg(i + 1, 2, 10, QLatin1Char('0')), 10));
    const RecordingSurface rec = a.report();
    QCOMPARE(rec.pageCount(), 2);
    QCOMPARE(textsAtY(rec, 0, textY(37)), QStringList({QStringLiteral("合　計"), QStringLiteral("310円")}));
    QVERIFY(hasRule(rec, 0, rowY(38), 4));
    QVERIFY(!findText(rec, QStringLiteral("２．支出の部"), 0));
    QVERIFY(hasTextAt(rec, 1, 1000, textY(1), QStringLiteral("２．支出の部")));
    QVERIFY(hasRule(rec, 1, rowY(2), 4));
    QCOMPARE(textsAtY(rec, 1, textY(3)), QStringList({QStringLiteral("合　計"), QStringLiteral("0円")}));
    QVERIFY(hasTextAt(rec, 1, 1000, textY(5), QStringLiteral("上記の通りご報告します。")));
    for (const RecordedText &t : rec.texts())
        QVERIFY2(t.y + 240 <= 15745, qPrintable(t.text));

    // With the expense section on page 1 and a tall last row, the closing
    // rows move to a page of their own rather than run off the paper.
    Account b;
    for (int i = 0; i < 40; ++i)
        b.add(expense(d(2003, 6, 1), QStringLiteral("品%1").arg(i + 1), 1));
    b.add(expense(d(2003, 6, 2), QString(80, QChar(0x3055)), 1)); // six lines, rows 30-35
    const RecordingSurface tall = b.report();
    QCOMPARE(tall.pageCount(), 2);
    QCOMPARE(textsAtY(tall, 0, textY(36)), QStringList({QStringLiteral("合　計"), QStringLiteral("41円")}));
    const auto closing = findText(tall, QStringLiteral("上記の通りご報告します。"));
    QVERIFY(closing);
    QCOMPARE(closing->page, 1);
    QCOMPARE(closing->y, textY(1));
    for (const RecordedText &t : tall.texts())
        QVERIFY2(t.y + 240 <= 15745, qPrintable(t.text + QString::number(t.y)));
}

void TestReport::longGroupIsSplitOnlyWhenItOverflows()
{
    Account a;
    for (int i = 0; i < 40; ++i)
        a.add(income(d(2003, 5, 1), QStringLiteral("学級費"), 10, QStringLiteral("第%1回").arg(i + 1)));
    const RecordingSurface rec = a.report();
    QCOMPARE(rec.pageCount(), 2);
    // Items down to row 38 (ending at 15,680) stay on page 1.
    QCOMPARE(textsAtY(rec, 0, textY(38)).first(), QStringLiteral("学級費 第33回"));
    QVERIFY(hasLine(rec, 0, 1000, rowY(5), 1000, rowY(39), 4));
    QCOMPARE(textsAtY(rec, 1, textY(2)).first(), QStringLiteral("学級費 第34回"));
    QCOMPARE(textsAtY(rec, 1, textY(8)).first(), QStringLiteral("学級費 第40回"));
    QCOMPARE(textsAtY(rec, 1, textY(9)), QStringList({QStringLiteral("合　計"), QStringLiteral("400円")}));
}

void TestReport::expenseRowsBreakPages()
{
    Account a;
    for (int i = 0; i < 60; ++i)
        a.add(expense(d(2003, 6, 1), QStringLiteral("品%1").arg(i + 1), 10));
    const RecordingSurface rec = a.report();
    QCOMPARE(rec.pageCount(), 2);

    // Rows 10-33 hold items 1-48; at 13,880 > 13,560 the table breaks.
    QCOMPARE(textsAtY(rec, 0, textY(33)),
             QStringList({QStringLiteral("品47"), QStringLiteral("10円"), QStringLiteral("品48"), QStringLiteral("10円")}));
    QVERIFY(hasRule(rec, 0, rowY(34), 4));
    for (double x : {1000.0, 5800.0, 10600.0})
        QVERIFY(hasLine(rec, 0, x, rowY(9), x, rowY(34), 4));
    for (double x : {4400.0, 9200.0})
        QVERIFY(hasLine(rec, 0, x, rowY(9), x, rowY(34), 1));
    QVERIFY(textsAtY(rec, 0, textY(34)).isEmpty());

    // Page 2: header in row 1, pairs start again with a left item.
    QCOMPARE(textsAtY(rec, 1, textY(1)).size(), 4);
    QVERIFY(hasTextAt(rec, 1, 1060, textY(2), QStringLiteral("品49")));
    QVERIFY(hasTextAt(rec, 1, 5860, textY(2), QStringLiteral("品50")));
    QVERIFY(hasTextAt(rec, 1, 5860, textY(7), QStringLiteral("品60")));
    QCOMPARE(textsAtY(rec, 1, textY(8)), QStringList({QStringLiteral("合　計"), QStringLiteral("600円")}));
    QVERIFY(hasLine(rec, 1, 5800, rowY(1), 5800, rowY(9), 4));
}

void TestReport::overflowIsReportedBeforeDrawing()
{
    Account a;
    // Expenses of 2,147,483,648 yen: a total the report's figures cannot hold.
    PeriodSummary period;
    period.incomeList = {*income(d(2003, 5, 1), QStringLiteral("A"), 2000000000)};
    period.minusExpenseTotal = std::numeric_limits<qint32>::min();
    RecordingSurface rec;
    QVERIFY_THROWS_EXCEPTION(HarumokaError, printReport(rec, a.ps, QStringLiteral("１学期"), period, QString()));
    QVERIFY(rec.texts().isEmpty());
    QVERIFY(rec.lines().isEmpty());
}


// However long the lists, the closing sentences, the date and the signature
// are printed above the paper's printable bottom, together on the last page.
void TestReport::closingLinesStayOnThePaper()
{
    for (int incomes = 0; incomes < 4; ++incomes) {
    Account a;
    for (int i = 0; i < incomes; ++i)
        a.add(income(d(2003, 4, 10), QStringLiteral("収入%1").arg(i), 1000, QString(), i % 2 ? 0 : 100, 10));
    for (int n = 1; n <= 70; ++n) {
        // Every fifth name is long enough to take two lines.
        a.add(expense(d(2003, 5, 1), QStringLiteral("支出%1").arg(n).repeated(n % 5 ? 1 : 12), n));
        const RecordingSurface rec = a.report();
        for (const RecordedText &t : rec.texts())
            QVERIFY2(t.y + 300 <= layout::kPrintableBottom, qPrintable(QStringLiteral("%1 expenses: %2 at %3").arg(n).arg(t.text).arg(t.y)));
        const auto said = findText(rec, QStringLiteral("上記の通りご報告します。")), signed_ = findText(rec, QStringLiteral("第３学年２組  　担任　山田花子"));
        QVERIFY(said && signed_);
        QCOMPARE(said->page, rec.pageCount() - 1);
        QCOMPARE(signed_->page, rec.pageCount() - 1);
    }
    }
}

HARUMOKA_PRINT_TEST_MAIN(TestReport)
#include "tst_report.moc"
