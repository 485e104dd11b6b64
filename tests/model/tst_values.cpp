#include "model/values.h"
#include "support/core_test_main.h"

#include <limits>

class TestValues : public QObject {
    Q_OBJECT
private slots:
    void strIsSpacedDecimal()
    {
        QCOMPARE(Str(30), QStringLiteral(" 30"));
        QCOMPARE(Str(0), QStringLiteral(" 0"));
        QCOMPARE(Str(-500), QStringLiteral("-500"));
    }

    void valReadsLikeTheFileReader_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("spaced") << " 30" << 30.0;
        QTest::newRow("negative") << "-500" << -500.0;
        QTest::newRow("blanks inside") << " 1 2\t3" << 123.0;
        QTest::newRow("comma ends") << "1,000" << 1.0;
        QTest::newRow("no number") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("trailing text") << "12yen" << 12.0;
        QTest::newRow("fraction") << "2.5" << 2.5;
        QTest::newRow("exponent") << "1E3" << 1000.0;
        QTest::newRow("lone minus") << "-" << 0.0;
    }
    void valReadsLikeTheFileReader()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(Val(text), value);
    }

    void roundingToFieldsIsCheckedAndHalfEven()
    {
        QCOMPARE(roundTo16(2.5), qint16(2));
        QCOMPARE(roundTo16(3.5), qint16(4));
        QCOMPARE(roundTo16(32767), qint16(32767));
        QVERIFY_THROWS_EXCEPTION(OverflowError, roundTo16(32768));
        QVERIFY_THROWS_EXCEPTION(OverflowError, roundTo16(-32769));
        QCOMPARE(roundTo32(-2147483648.0), std::numeric_limits<qint32>::min());
        QVERIFY_THROWS_EXCEPTION(OverflowError, roundTo32(2147483648.0));
        QVERIFY_THROWS_EXCEPTION(OverflowError, roundTo32(1e300));
    }

    void arithmeticNeverWraps()
    {
        QCOMPARE(add32(2147483000, 647), 2147483647);
        QVERIFY_THROWS_EXCEPTION(OverflowError, add32(2147483647, 1));
        QVERIFY_THROWS_EXCEPTION(OverflowError, sub32(-2147483647 - 1, 1));
        QVERIFY_THROWS_EXCEPTION(OverflowError, mul32(100000, 100000));
        QCOMPARE(mul32(1500, 30), 45000);
        QVERIFY_THROWS_EXCEPTION(OverflowError, add16(32767, 1));
        // The user sees a Japanese message.
        try {
            add16(32767, 1);
        } catch (const HarumokaError &e) {
            QVERIFY(e.message().contains(QStringLiteral("範囲")));
        }
    }

    void formatAmountGroupsByThree_data()
    {
        QTest::addColumn<qint64>("amount");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << qint64(0) << "0";
        QTest::newRow("5") << qint64(5) << "5";
        QTest::newRow("999") << qint64(999) << "999";
        QTest::newRow("1000") << qint64(1000) << "1,000";
        QTest::newRow("-5") << qint64(-5) << "-5";
        QTest::newRow("-1234") << qint64(-1234) << "-1,234";
        QTest::newRow("2000000") << qint64(2000000) << "2,000,000";
        QTest::newRow("-2000000") << qint64(-2000000) << "-2,000,000";
        QTest::newRow("min32") << qint64(-2147483648LL) << "-2,147,483,648";
        QTest::newRow("-100000") << qint64(-100000) << "-100,000";
        QTest::newRow("max64") << std::numeric_limits<qint64>::max() << "9,223,372,036,854,775,807";
        QTest::newRow("min64") << std::numeric_limits<qint64>::min() << "-9,223,372,036,854,775,808";
    }
    void formatAmountGroupsByThree()
    {
        QFETCH(qint64, amount);
        QFETCH(QString, text);
        QCOMPARE(formatAmount(amount), text);
    }

    void datesUseTheJapaneseFormsWhateverTheLocale()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const QDateTime apr15 = makeDate(QDate(2003, 4, 15));
        QCOMPARE(shortDate(apr15), QStringLiteral("2003/04/15"));
        QCOMPARE(generalDate(apr15), QStringLiteral("2003/04/15"));
        QCOMPARE(generalDate(makeDate(QDate(2003, 4, 15), QTime(9, 5, 7))),
                 QStringLiteral("2003/04/15 9:05:07"));
        QCOMPARE(parseDate(QStringLiteral("2003/04/15")), apr15);
        QCOMPARE(parseDate(QStringLiteral("2003/4/15")), apr15);
        QCOMPARE(parseDate(QStringLiteral("03/04/15")), apr15);
        QCOMPARE(parseDate(QStringLiteral("2003-04-15")), apr15);
        QCOMPARE(parseDate(QStringLiteral("2003年4月15日")), apr15);
        QCOMPARE(parseDate(QStringLiteral("2003/04/15 9:05:07")),
                 makeDate(QDate(2003, 4, 15), QTime(9, 5, 7)));
        QVERIFY(!parseDate(QStringLiteral("2003/02/30")).isValid());
        QVERIFY(!parseDate(QStringLiteral("tomorrow")).isValid());
        QVERIFY(!parseDate(QString()).isValid());
        QCOMPARE(parseDate(QStringLiteral("1900/9/1")), makeDate(QDate(1900, 9, 1)));
        QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    }

    void eraChangesOnFirstMay2019()
    {
        QCOMPARE(eraDateText(QDate(2003, 4, 5)), QStringLiteral("平成15年4月5日"));
        QCOMPARE(eraDateText(QDate(1989, 1, 1)), QStringLiteral("平成1年1月1日"));
        QCOMPARE(eraDateText(QDate(2019, 4, 30)), QStringLiteral("平成31年4月30日"));
        QCOMPARE(eraDateText(QDate(2019, 5, 1)), QStringLiteral("令和1年5月1日"));
        QCOMPARE(eraDateText(QDate(2026, 12, 7)), QStringLiteral("令和8年12月7日"));
    }

    void schoolYearsAroundToday()
    {
        const QStringList items = schoolYearItems(QDate(2026, 12, 7));
        QCOMPARE(items.size(), 8);
        QCOMPARE(items.first(), QStringLiteral("令和5年度(2023年度）"));
        QVERIFY(items.contains(QStringLiteral("令和8年度(2026年度）")));
        // Before April the school year is still last year's.
        QCOMPARE(schoolYearItems(QDate(2027, 3, 31)).first(), QStringLiteral("令和5年度(2023年度）"));
        QCOMPARE(schoolYearItem(2018), QStringLiteral("平成30年度(2018年度）"));
        QCOMPARE(schoolYearItem(2003), QStringLiteral("平成15年度(2003年度）"));
    }
};

HARUMOKA_CORE_TEST_MAIN(TestValues)
#include "tst_values.moc"
