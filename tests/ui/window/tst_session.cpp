// The account without a window (a QGuiApplication, no widget): an edit, its
// undo, the summaries kept current, and a printout of them.
#include "model/periods.h"
#include "print/printouts.h"
#include "print/recording_surface.h"
#include "print/print_checks.h"
#include "support/print_test_main.h"
#include "support/test_util.h"
#include "ui/models/detail_table_model.h"
#include "ui/models/entry_table_model.h"
#include "ui/models/summary_table_model.h"
#include "ui/window/account_session.h"

#include <QAbstractItemModelTester>
#include <QApplication>

class TestSession : public QObject {
    Q_OBJECT
private slots:
    void editSummaryPrintout()
    {
        AccountSession s;
        s.document().recordEntry(*income(d(2026, 5, 1), QStringLiteral("学級費"), 3000), nullptr);
        QCOMPARE(s.summaries()[Year].incomeTotal, 3000);
        QVERIFY(s.summariesCurrent());
        s.document().recordEntry(*expense(d(2026, 6, 1), QStringLiteral("画用紙"), 1200), nullptr);
        QVERIFY(!s.summariesCurrent());
        QCOMPARE(s.summaries()[Year].minusExpenseTotal, -1200); // an expense total is negative
        PrintSettings ps(s.document().title());
        RecordingSurface rec;
        printKindOn(s.document(), s.summaries(), rec, ps, Printout::fromKind(11));
        QVERIFY(findText(rec, QStringLiteral("1,800")));
        QVERIFY(!qobject_cast<QApplication *>(QCoreApplication::instance()));
    }

    // The detail lines' and a period's models tell every change as Qt's
    // views expect, and show what the account holds.
    void modelsFollowTheAccount()
    {
        AccountSession s;
        Document &doc = s.document();
        const EntryPtr e = doc.recordEntry(*expense(d(2026, 6, 1), QStringLiteral("画用紙"), 1300), nullptr);
        DetailTableModel lines(doc, e->key);
        QAbstractItemModelTester linesTester(&lines, QAbstractItemModelTester::FailureReportingMode::QtTest);
        doc.ensureDetailList(e->key);
        doc.recordDetailLine(e->key, 0, DetailLine{QStringLiteral("白"), 700}, false);
        doc.recordDetailLine(e->key, 0, DetailLine{QStringLiteral("色"), -500}, false); // in before 白
        doc.recordDetailLine(e->key, 1, DetailLine{QStringLiteral("白"), 800}, true);   // changed in place
        doc.recordDetailLine(e->key, 2, DetailLine{QStringLiteral("糊"), 1000}, false);
        doc.removeDetailLine(e->key, 2);
        lines.fetchAll();
        QCOMPARE(lines.itemCount(), 2);
        QCOMPARE(lines.index(0, 1).data().toString(), QStringLiteral("色"));
        QCOMPARE(lines.index(1, 2).data().toString(), QStringLiteral("800"));
        QCOMPARE(lines.index(0, 2).data(Qt::ForegroundRole).value<QColor>(), vbColor(kGridRed));
        QCOMPARE(lines.headerData(1, Qt::Vertical, Qt::DisplayRole).toString(), QStringLiteral(" 2"));
        lines.selectRow(2);
        QCOMPARE(lines.index(1, 1).data(Qt::BackgroundRole).value<QColor>(), vbColor(kGridPaleYellow));
        QCOMPARE(lines.index(0, 1).data(Qt::BackgroundRole).value<QColor>(), vbColor(kGridWhite));

        SummaryTableModel year([&s] { return std::optional<PeriodSummary>(s.summaries()[Year]); });
        QAbstractItemModelTester yearTester(&year, QAbstractItemModelTester::FailureReportingMode::QtTest);
        doc.recordEntry(*income(d(2026, 5, 1), QStringLiteral("学級費"), 3000), nullptr);
        year.refresh();
        year.fetchAll();
        // 学級費, the two lines, the totals: the balance runs down to 2,700.
        QCOMPARE(year.itemCount(), 4);
        QCOMPARE(year.index(3, 1).data().toString(), QStringLiteral("合　計"));
        QCOMPARE(year.headerData(3, Qt::Vertical, Qt::DisplayRole).toString(), QString());
        QCOMPARE(year.index(3, 4).data().toString(), QStringLiteral("2,700"));
        QCOMPARE(year.index(0, 2).data().toString(), QStringLiteral("3,000"));

        // Entries beyond the first batch come in as theirs, in date order.
        for (int i = 0; i < 300; ++i)
            doc.recordEntry(*income(QDate(2026, 4, 1).addDays(i), QStringLiteral("e%1").arg(i), 100), nullptr);
        EntryTableModel incomes(doc, true);
        incomes.fetchAll();
        QCOMPARE(incomes.index(299, 2).data().toString(), doc.entryAt(true, 300)->article);
    }
};

HARUMOKA_PRINT_TEST_MAIN(TestSession)
#include "tst_session.moc"
