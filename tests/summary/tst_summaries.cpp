// The period table and the summaries built from it: which period each month
// belongs to (every boundary of a term or half), which school year a date
// belongs to, and the carry-overs that chain term 1 into term 2 into term 3
// and the first half into the second.
#include "model/periods.h"
#include "model/values.h"
#include "summary/summaries.h"
#include "support/core_test_main.h"
#include "support/test_util.h"

class TestSummaries : public QObject {
    Q_OBJECT
private slots:
    void monthsBelongToTheirPeriods_data()
    {
        QTest::addColumn<int>("month");
        QTest::addColumn<QList<int>>("periods");
        const QList<int> t1h1{Term1, Half1, Year}, t2h1{Term2, Half1, Year}, t2h2{Term2, Half2, Year},
            t3h2{Term3, Half2, Year};
        QTest::newRow("March (end of the year)") << 3 << t3h2;
        QTest::newRow("April (start of the year)") << 4 << t1h1;
        QTest::newRow("July (end of term 1)") << 7 << t1h1;
        QTest::newRow("August (start of term 2)") << 8 << t2h1;
        QTest::newRow("September (end of the first half)") << 9 << t2h1;
        QTest::newRow("October (start of the second half)") << 10 << t2h2;
        QTest::newRow("December (end of term 2)") << 12 << t2h2;
        QTest::newRow("January (start of term 3)") << 1 << t3h2;
    }
    void monthsBelongToTheirPeriods()
    {
        QFETCH(int, month);
        QFETCH(QList<int>, periods);
        // The year of the date is never looked at.
        for (int year : {1999, 2026, 2031}) {
            const QDateTime date = makeDate(QDate(year, month, 15));
            QList<int> in;
            for (int p = 0; p < PeriodCount; ++p)
                if (periodContains(p, date))
                    in << p;
            QCOMPARE(in, periods);

            // The summaries put an entry of that month into exactly those periods.
            const PeriodSummaries sums =
                computeSummaries(listOf({income(QDate(year, month, 15), QStringLiteral("会費"), 100)}), QString());
            QList<int> counted;
            for (int p = 0; p < PeriodCount; ++p) {
                for (const Entry &e : sums[p].incomeList)
                    if (e.article == QStringLiteral("会費"))
                        counted << p;
            }
            QCOMPARE(counted, periods);
        }
    }

    // March belongs to the school year that began the April before.
    void schoolYearOfADate_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<int>("year");
        QTest::newRow("1 April") << QDate(2026, 4, 1) << 2026;
        QTest::newRow("31 December") << QDate(2026, 12, 31) << 2026;
        QTest::newRow("1 January") << QDate(2027, 1, 1) << 2026;
        QTest::newRow("31 March") << QDate(2027, 3, 31) << 2026;
        QTest::newRow("1 April after") << QDate(2027, 4, 1) << 2027;
    }
    void schoolYearOfADate()
    {
        QFETCH(QDate, date);
        QFETCH(int, year);
        QCOMPARE(schoolYearOfDate(date), year);
        QCOMPARE(schoolYearItems(date).at(3), schoolYearItem(year));
        // Without a school-year text an account is of its latest entry's year.
        const EntryList entries = listOf({income(date, QStringLiteral("会費"), 100),
                                          income(QDate(2026, 4, 1), QStringLiteral("会費"), 100)});
        QCOMPARE(schoolYearOf(QString(), entries), year);
        QCOMPARE(schoolYearOf(QStringLiteral("令和10年度(2028年度）"), entries), 2028);
    }

    void carryOversChainThePeriods_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("articles"); // term 2, term 3, second half
        QTest::newRow("default names") << QString()
                                       << QStringList{"１学期の繰越金", "２学期の繰越金", "前期の繰越金"};
        QTest::newRow("renamed") << QStringLiteral("前回の残り") << QStringList{"前回の残り", "前回の残り", "前回の残り"};
    }
    void carryOversChainThePeriods()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, articles);
        const EntryList list = listOf({income(QDate(2026, 5, 1), QStringLiteral("会費"), 50000),
                                       expense(QDate(2026, 6, 1), QStringLiteral("紙"), 12345),
                                       expense(QDate(2026, 9, 1), QStringLiteral("遠足"), 30000),
                                       income(QDate(2027, 2, 1), QStringLiteral("会費"), 1000)});
        const PeriodSummaries sums = computeSummaries(list, name);
        QCOMPARE(sums[Term1].remainder(), 37655);
        QCOMPARE(sums[Term2].remainder(), 7655);  // 37,655 carried in, 30,000 spent
        QCOMPARE(sums[Term3].remainder(), 8655);  // 7,655 carried in, 1,000 received
        QCOMPARE(sums[Half1].remainder(), 7655);
        QCOMPARE(sums[Half2].remainder(), 8655);
        QCOMPARE(sums[Year].remainder(), 8655);
        const int receivers[] = {Term2, Term3, Half2};
        const QDate dates[] = {QDate(1900, 9, 1), QDate(1900, 1, 1), QDate(1900, 10, 1)};
        const qint32 amounts[] = {37655, 7655, 7655};
        for (int i = 0; i < 3; ++i) {
            const Entry &carry = sums[receivers[i]].incomeList.first();
            QCOMPARE(carry.article, articles.at(i));
            QCOMPARE(carry.date.date(), dates[i]);
            QCOMPARE(carry.amount, amounts[i]);
            QCOMPARE(carry.pupils, kDefaultStudents);
        }
        for (int p : {Term1, Half1, Year})
            QCOMPARE(sums[p].incomeList.first().article, QStringLiteral("会費"));
    }
};

HARUMOKA_CORE_TEST_MAIN(TestSummaries)
#include "tst_summaries.moc"
