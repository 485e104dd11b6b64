// Files with absurd content, generated here at full size: a line of many
// megabytes, millions of detail lines or entries, numbers past their field,
// files of gigabytes. Each ends with a clear message (the settings file:
// quietly, keeping what was read) while the process memory stays bounded.
#include "model/values.h"
#include "storage/account_file.h"
#include "storage/settings_file.h"
#include "support/test_util.h"
#include "support/core_test_main.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/resource.h>
#include <unistd.h>

namespace {

const QByteArray kHeader = "iMekalu135\r\nTrue\r\nS\r\nY\r\nG\r\nR\r\nC\r\n";
const QByteArray kIncome = "True\r\n2003/04/01\r\n 0\r\nA\r\n\r\n 0\r\n 0\r\n 1\r\n";
const QByteArray kExpense = "False\r\n2003/04/01\r\n 0\r\nB\r\n\r\n 0\r\n 0\r\n 1\r\n";

// What a file of any size may cost: its bytes, their decoded text and what
// the limits let through, with room for the sanitizers' bookkeeping.
constexpr long kMemoryBudgetMb = 256;

long peakRssMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

long currentRssMb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return peakRssMb();
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * sysconf(_SC_PAGESIZE) / (1024 * 1024) : 0;
}


// Income entries, each dated after the first one's date and before the
// last one read: every one goes into the middle of what was read so far.
QByteArray entriesOutOfOrder(int count)
{
    QByteArray out = "True\r\n2005/03/31\r\n 0\r\nlast\r\n\r\n 0\r\n 0\r\n 1\r\n";
    const QDate first(2003, 4, 1);
    for (int i = 1; i < count; ++i) {
        const QDate d = first.addDays(i % 700);
        out += "True\r\n" + d.toString(QStringLiteral("yyyy/MM/dd")).toLatin1()
            + "\r\n 0\r\nA\r\n\r\n 0\r\n 0\r\n 1\r\n";
        out += "False\r\n" + d.toString(QStringLiteral("yyyy/MM/dd")).toLatin1()
            + "\r\n 0\r\nB\r\n\r\n 0\r\n 0\r\n 1\r\n";
    }
    return out;
}

} // namespace

class TestResourceLimits : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void accountFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind"); // AccountFileError::Kind, -1: read completely
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("entries"); // read before the message

        QTest::newRow("a line of 15 MB")
            << kHeader + kIncome + "True\r\n2003/04/01\r\n 0\r\n" + QByteArray(15 << 20, 'x') + "\r\n"
            << int(AccountFileError::Damaged)
            << "19 行目: 行が長すぎます（収入の「項目」の行のはずですが、32,767 文字を超えています）。" << 1;
        QTest::newRow("a line of 15 MB without a line end")
            << kHeader + QByteArray(15 << 20, 'T') << int(AccountFileError::Damaged)
            << "8 行目: 行が長すぎます" << 0;
        QTest::newRow("2.6 million detail lines")
            << kHeader + kExpense + "<DETAIL>\r\n" + QByteArray("x\r\n1\r\n").repeated(2600000)
            << int(AccountFileError::Damaged) << "明細の行が多すぎます（1 件につき 32,767 行まで）。"
            << 1;
        QTest::newRow("detail blocks past the file's limit")
            << kHeader
                + (kExpense + "<DETAIL>\r\n" + QByteArray("x\r\n1\r\n").repeated(30000) + "</DETAIL>\r\n")
                      .repeated(8)
            << int(AccountFileError::Damaged) << "明細の行が多すぎます（ファイル全体で 200,000 行まで）。"
            << 7;
        QTest::newRow("400,000 income entries")
            << kHeader + kIncome.repeated(400000) << int(AccountFileError::Damaged)
            << "収入の件数が多すぎます（32,767 件まで）。" << 32767;
        QTest::newRow("the most entries of both kinds, out of date order")
            << kHeader + entriesOutOfOrder(32767) << -1 << "" << 65533;
        QTest::newRow("pupils past 16 bits")
            << kHeader + "True\r\n2003/04/01\r\n 65536\r\n" << int(AccountFileError::Damaged)
            << "「65536」は収入の「生徒数」として扱える範囲（-32,768～32,767）を超えています。" << 0;
        QTest::newRow("amount of 400 digits")
            << kHeader + "False\r\n2003/04/01\r\n 0\r\nA\r\n\r\n 0\r\n 0\r\n " + QByteArray(400, '9')
                + "\r\n"
            << int(AccountFileError::Damaged) << "支出の「金額」として扱える範囲" << 0;
        QTest::newRow("exponent past any range")
            << kHeader + "True\r\n2003/04/01\r\n 1e999999999\r\n" << int(AccountFileError::Damaged)
            << "「 1e999999999」は数として読めません（収入の「生徒数」の行のはずです）。" << 0;
    }

    // Through the file, as Open reads it.
    void accountFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        QFETCH(QString, message);
        QFETCH(int, entries);
        QVERIFY(bytes.size() < kMaxAccountFileBytes);
        const QString path = m_dir.filePath(QStringLiteral("absurd.txt"));
        QVERIFY(writeBytes(path, bytes));
        bytes.clear();

        const long before = currentRssMb();
        {
            LoadedAccount m;
            AccountHeader h;
            int caught = -1;
            try {
                readAccountFile(path, m, h);
            } catch (const AccountFileError &e) {
                caught = int(e.kind());
                QVERIFY2(e.message().contains(message), qPrintable(e.message()));
                QVERIFY2(e.message().size() < 400, "the message must fit a message box");
            }
            QCOMPARE(caught, kind);
            QCOMPARE(m.incomeCount + m.supplyCount, entries);
        }
        const long growth = peakRssMb() - before;
        QVERIFY2(growth < kMemoryBudgetMb, qPrintable(QStringLiteral("%1 MB").arg(growth)));
    }

    void filesOfGigabytesAreRefusedUnread()
    {
        const QString account = m_dir.filePath(QStringLiteral("huge.txt"));
        const QString settings = m_dir.filePath(QStringLiteral("Mekalu.ini"));
        for (const QString &path : {account, settings}) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.write(path == account ? kHeader : QByteArray("Income\r\n")));
            QVERIFY(f.resize(qint64(4) << 30)); // sparse: no disk used
        }
        const long before = currentRssMb();
        LoadedAccount m;
        AccountHeader h;
        try {
            readAccountFile(account, m, h);
            QFAIL("no error");
        } catch (const AccountFileError &e) {
            QCOMPARE(e.kind(), AccountFileError::TooLarge);
            QVERIFY(e.message().contains(QStringLiteral("大きすぎるため開けません（16 MB まで）")));
        }
        SelectionList income, supply;
        readSelectionFile(settings, income, supply);
        QVERIFY(income.records().isEmpty() && supply.records().isEmpty());
        const long growth = peakRssMb() - before;
        QVERIFY2(growth < kMemoryBudgetMb, qPrintable(QStringLiteral("%1 MB").arg(growth)));
    }

    void settingsFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("incomeNames");
        QTest::addColumn<int>("supplyNames");

        QByteArray manyNames;
        for (int i = 0; manyNames.size() < (2 << 20) - 64; ++i)
            manyNames += QByteArray::number(i, 36) + "\r\n 1\r\n24/5/1\r\n";
        // The names past the limit are not read, but the other section is.
        QTest::newRow("a quarter of a million names in each section")
            << "Income\r\n" + manyNames + "Supply\r\n" + manyNames << 2000 << 2000;
        QTest::newRow("a name of 4 MB")
            << "Income\r\nA\r\n 1\r\n2024/05/01\r\n" + QByteArray((4 << 20) - 64, 'x')
                + "\r\n 1\r\n2024/05/01\r\n"
            << 1 << 0;
        QTest::newRow("a count past 16 bits")
            << QByteArray("Income\r\nA\r\n 1\r\n2024/05/01\r\nB\r\n 32768\r\n2024/05/01\r\n")
            << 1 << 0;
        QTest::newRow("a count of 400 digits")
            << "Income\r\nA\r\n 1\r\n2024/05/01\r\nB\r\n" + QByteArray(400, '9')
                + "\r\n2024/05/01\r\n"
            << 1 << 0;
    }

    void settingsFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, incomeNames);
        QFETCH(int, supplyNames);
        setTodayForTesting(QDate(2024, 6, 1));
        const QString path = m_dir.filePath(QStringLiteral("Mekalu.ini"));
        QVERIFY(writeBytes(path, bytes));
        bytes.clear();
        const long before = currentRssMb();
        {
            SelectionList income, supply;
            readSelectionFile(path, income, supply);
            auto count = [](const SelectionList &head) { return int(head.records().size()); };
            QCOMPARE(count(income), incomeNames);
            QCOMPARE(count(supply), supplyNames);
        }
        setTodayForTesting(QDate());
        const long growth = peakRssMb() - before;
        QVERIFY2(growth < kMemoryBudgetMb, qPrintable(QStringLiteral("%1 MB").arg(growth)));
    }
};

HARUMOKA_CORE_TEST_MAIN(TestResourceLimits)
#include "tst_resource_limits.moc"
