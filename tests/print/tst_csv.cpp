// The CSV export against the printout of the same kind: the carry-over in,
// the totals and the carry-over out must be the figures the paper shows,
// for every kind of the fixed accounts.
#include "model/document.h"
#include "model/periods.h"
#include "model/values.h"
#include "print/csv_export.h"
#include "print/printouts.h"
#include "print/recording_surface.h"
#include "print_checks.h"
#include "storage/account_file.h"
#include "support/print_test_main.h"

namespace {

QString amount(const QString &csvNumber)
{
    return formatAmount(csvNumber.toLongLong());
}

// The texts of the printed row that carries `label`, on the page it is on.
QStringList printedRow(const RecordingSurface &rec, const QString &label)
{
    const auto t = findText(rec, label);
    return t ? textsAtY(rec, t->page, t->y) : QStringList();
}

} // namespace

class TestCsv : public QObject {
    Q_OBJECT
private slots:
    void csvShowsThePrintedFigures_data()
    {
        QTest::addColumn<QString>("account");
        QTest::addColumn<bool>("printCarry");
        QTest::addColumn<int>("kind");
        for (const char *account : {"sample.txt", "mixed.txt", "other.txt"})
            for (bool printCarry : {false, true})
                for (int kind = 1; kind <= 12; ++kind)
                    QTest::addRow("%s %s kind %d", account, printCarry ? "carry" : "plain", kind)
                        << QString::fromLatin1(account) << printCarry << kind;
    }
    void csvShowsThePrintedFigures()
    {
        QFETCH(QString, account);
        QFETCH(bool, printCarry);
        QFETCH(int, kind);
        Document doc;
        readAccountFile(QStringLiteral(HARUMOKA_TEST_DATA "/golden/") + account, doc);
        PrintSettings ps(doc.title());
        ps.printCarry = printCarry;
        ps.printDate = QDate(2027, 3, 19);
        const PeriodSummaries sums = printSummaries(doc, ps);
        const QList<QStringList> rows = printoutTable(doc, sums, ps, Printout::fromKind(kind));
        RecordingSurface rec;
        printKindOn(doc, sums, rec, ps, Printout::fromKind(kind));
        // Figures made apart from the summaries that both use: a total row's
        // remainder is its income less its expense, and the year's totals
        // are the sums of the entries themselves.
        auto checkTotals = [&](const QStringList &t, int income, int expense) {
            // The report lists an expense's detail lines in its place.
            const bool report = !Printout::fromKind(kind).ledger;
            qint64 in = 0, out = 0;
            for (const EntryPtr &e : doc.entries().entries())
                (e->income ? in : out) += report && !e->income && e->details && !e->details->isEmpty()
                    ? detailTotal(*e->details)
                    : e->amount;
            if (t.size() > income + 2 && !t.at(income + 2).isEmpty())
                QCOMPARE(t.at(income + 2).toLongLong(), t.at(income).toLongLong() - t.at(expense).toLongLong());
            if (QString::fromUtf8(Printout::fromKind(kind).info().label).isEmpty())
                QCOMPARE((QList<qint64>{t.at(income).toLongLong(), t.at(expense).toLongLong()}), (QList<qint64>{in, out}));
        };

        if (Printout::fromKind(kind).ledger) {
            const PeriodInfo &info = Printout::fromKind(kind).info();
            // The totals row: its label is unique on the paper.
            const QStringList *total = nullptr;
            for (const QStringList &r : rows)
                if (r.at(2).endsWith(QStringLiteral(" 合計")) && r.at(0).isEmpty())
                    total = &r;
            QVERIFY(total);
            checkTotals(*total, 3, 4);
            QCOMPARE(printedRow(rec, total->at(2)),
                     (QStringList{total->at(2), amount(total->at(3)), amount(total->at(4)), amount(total->at(5))}));
            if (info.carryFrom >= 0) {
                const QStringList &in = rows.at(1);
                QCOMPARE(textsAtY(rec, 0, 2060), (QStringList{in.at(2), amount(in.at(3)), amount(in.at(5))}));
            }
            if (info.carryOutLabel) {
                const QString label = QString::fromUtf8(info.carryOutLabel);
                const QStringList &out = printCarry ? rows.at(rows.indexOf(*total) - 1) : rows.last();
                QCOMPARE(out.at(2), label);
                QStringList expected{label, amount(out.at(4))};
                if (printCarry)
                    expected << amount(out.at(5));
                QCOMPARE(printedRow(rec, label), expected);
            }
        } else {
            // The report's income and expense tables end in a totals row each.
            const QStringList &total = rows.last();
            checkTotals(total, 3, 4);
            QStringList printedTotals;
            for (const RecordedText &t : rec.texts())
                if (t.text == QStringLiteral("合　計"))
                    printedTotals << textsAtY(rec, t.page, t.y).last();
            QVERIFY(printedTotals.size() >= 2);
            QCOMPARE(printedTotals.at(printedTotals.size() - 2), amount(total.at(3)) + QStringLiteral("円"));
            QCOMPARE(printedTotals.last(), amount(total.at(4)) + QStringLiteral("円"));
        }
    }

    // A text field that a spreadsheet would run as a formula is written as
    // text; the same characters in a number column are left alone.
    void formulaGuard_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("textColumn");
        QTest::addColumn<QString>("written");
        QTest::newRow("equals") << "=SUM(A1:A9)" << true << "\"'=SUM(A1:A9)\"";
        QTest::newRow("plus") << "+81 電話" << true << "\"'+81 電話\"";
        QTest::newRow("minus") << "-返金" << true << "\"'-返金\"";
        QTest::newRow("at") << "@業者" << true << "\"'@業者\"";
        QTest::newRow("tab") << "\t=1" << true << "\"'\t=1\"";
        QTest::newRow("quote inside") << "=\"a\"" << true << "\"'=\"\"a\"\"\"";
        QTest::newRow("plain text") << "画用紙=図工" << true << "画用紙=図工";
        QTest::newRow("negative amount") << "-500" << false << "-500";
        QTest::newRow("empty") << "" << true << "";
    }
    void formulaGuard()
    {
        QFETCH(QString, field);
        QFETCH(bool, textColumn);
        QFETCH(QString, written);
        const QString line = csvText({{QStringLiteral("1"), field}}, textColumn ? QList<int>{1} : QList<int>{});
        QCOMPARE(line, QStringLiteral("1,") + written + QStringLiteral("\r\n"));
    }
};

HARUMOKA_PRINT_TEST_MAIN(TestCsv)
#include "tst_csv.moc"
