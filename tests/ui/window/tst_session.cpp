// The account without a window (a QGuiApplication, no widget): an edit, its
// undo, the summaries kept current, and a printout of them.
#include "model/periods.h"
#include "print/printouts.h"
#include "print/recording_surface.h"
#include "print/print_checks.h"
#include "support/print_test_main.h"
#include "support/test_util.h"
#include "ui/window/account_session.h"

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
};

HARUMOKA_PRINT_TEST_MAIN(TestSession)
#include "tst_session.moc"
