// A damaged byte or a cut-off last line must be reported as damage, never
// read as a different amount.
#include "model/values.h"
#include "storage/account_file.h"
#include "storage/codec.h"
#include "storage/settings_file.h"
#include "support/core_test_main.h"

#include <QtTest>

namespace {

const QByteArray kHeader = "iMekalu135\r\nTrue\r\nS\r\nY\r\nG\r\nR\r\nC\r\n";       // lines 1-7
const QByteArray kEntry = "True\r\n2003/04/01\r\n 0\r\nA\r\n\r\n 0\r\n 0\r\n 1\r\n"; // lines 8-15

QStringList entryNames(const LoadedAccount &m)
{
    QStringList out;
    for (const EntryPtr &a : m.fileOrder)
        out << a->article;
    return out;
}

} // namespace

class TestStrictReading : public QObject {
    Q_OBJECT

private slots:
    // The amount line of the second entry (line 23).
    void numberLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<qint32>("amount"); // when read
        QTest::addColumn<QString>("damage"); // otherwise, part of the message
        QTest::newRow("writer's form") << " 32000" << 32000 << "";
        QTest::newRow("writer's negative") << "-500" << -500 << "";
        QTest::newRow("plain") << "1500" << 1500 << "";
        QTest::newRow("plus, blanks and tab") << "\t+7 " << 7 << "";
        QTest::newRow("star") << " 3*000" << 0 << "「 3*000」は数として読めません（収入の「金額」の行のはずです）。";
        QTest::newRow("grouped") << "32,000" << 0 << "「32,000」は数として読めません";
        QTest::newRow("letters") << "abc" << 0 << "「abc」は数として読めません";
        QTest::newRow("full-width digits") << "１５００" << 0 << "「１５００」は数として読めません";
        QTest::newRow("exponent") << "1e3" << 0 << "「1e3」は数として読めません";
        QTest::newRow("fraction") << " 12.5" << 0 << "「 12.5」は数として読めません";
        QTest::newRow("blank inside") << " 3 000" << 0 << "は数として読めません";
        QTest::newRow("empty") << "" << 0 << "収入の「金額」の行が空です";
        QTest::newRow("leading zeros") << " 00000000000000000000012" << 12 << "";
        QTest::newRow("out of range") << " 99999999999999999999" << 0 << "収入の「金額」として扱える範囲";
    }
    void numberLines()
    {
        QFETCH(QString, line);
        QFETCH(qint32, amount);
        QFETCH(QString, damage);
        const QByteArray bytes = kHeader + kEntry + "True\r\n2003/04/02\r\n 0\r\nB\r\n\r\n 0\r\n 0\r\n"
            + encodeCp932(line) + "\r\n" + kEntry;
        LoadedAccount m;
        AccountHeader h;
        try {
            parseAccountFile(bytes, QStringLiteral("n.txt"), m, h);
            QVERIFY2(damage.isEmpty(), "read without a word");
            const Entry *b = m.fileOrder.at(1).get();
            QCOMPARE(b->article, QStringLiteral("B"));
            QCOMPARE(b->amount, amount);
        } catch (const AccountFileError &e) {
            QVERIFY2(!damage.isEmpty(), qPrintable(e.message()));
            QCOMPARE(e.kind(), AccountFileError::Damaged);
            QCOMPARE(e.line(), qsizetype(23));
            QVERIFY2(e.message().contains(damage), qPrintable(e.message()));
            QVERIFY(e.message().contains(QStringLiteral("23 行目")));
            QVERIFY(m.documentDamaged);
            QCOMPARE(entryNames(m), QStringList{QStringLiteral("A")});
        }
    }

    // Cut inside the last line: the writer always ends it with CR LF.
    void cutOffLastLine_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("entries"); // read before the damage
        QTest::newRow("amount 32 of 32000") << kHeader + kEntry.chopped(4) + "32" << 15 << 0;
        QTest::newRow("amount without line end") << kHeader + kEntry.chopped(2) << 15 << 0;
        QTest::newRow("detail amount")
            << kHeader + kEntry + "<DETAIL>\r\nx\r\n 1" << 18 << 1;
        QTest::newRow("detail end") << kHeader + kEntry + "<DETAIL>\r\nx\r\n 1\r\n</DETAIL>" << 19 << 1;
        QTest::newRow("next entry's kind") << kHeader + kEntry + "Tr" << 16 << 1;
        QTest::newRow("carry-over name") << QByteArray("iMekalu135\r\nFalse\r\nT\r\nR\r\nCarry") << 5 << 0;
        QTest::newRow("magic") << QByteArray("iMekalu135") << 1 << 0;
    }
    void cutOffLastLine()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, line);
        QFETCH(int, entries);
        LoadedAccount m;
        AccountHeader h;
        try {
            parseAccountFile(bytes, QStringLiteral("cut.txt"), m, h);
            QFAIL("read without a word");
        } catch (const AccountFileError &e) {
            QCOMPARE(e.kind(), AccountFileError::Damaged);
            QCOMPARE(e.line(), qsizetype(line));
            QVERIFY2(e.message().contains(QStringLiteral("%1 行目: ファイルが途中で終わっています").arg(line)),
                     qPrintable(e.message()));
        }
        QVERIFY(m.documentDamaged);
        QCOMPARE(entryNames(m).size(), entries);
    }

    // The settings file stays lenient, but a damaged count ends the reading
    // instead of becoming a count of thousands.
    void settingsCountsAreReadStrictly_data()
    {
        QTest::addColumn<QString>("count");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("writer's form") << " 3" << QStringList{"A 3", "B 1"};
        QTest::newRow("blanks inside") << " 3 0 0 0 0" << QStringList{};
        QTest::newRow("exponent") << "1e4" << QStringList{};
        QTest::newRow("star") << " 3*000" << QStringList{};
    }
    void settingsCountsAreReadStrictly()
    {
        QFETCH(QString, count);
        QFETCH(QStringList, names);
        setTodayForTesting(QDate(2005, 6, 1));
        const QByteArray bytes = "Income\r\nA\r\n" + count.toLatin1() + "\r\n2005/04/01\r\nB\r\n 1\r\n2005/04/02\r\n"
            + "Supply\r\n";
        SelectionList income, supply;
        parseSelectionFile(bytes, income, supply);
        QStringList read;
        for (const RememberedName &s : income.records())
            read << QStringLiteral("%1 %2").arg(s.name).arg(s.count);
        setTodayForTesting(QDate());
        QCOMPARE(read, names);
    }
};

HARUMOKA_CORE_TEST_MAIN(TestStrictReading)
#include "tst_strict_reading.moc"
