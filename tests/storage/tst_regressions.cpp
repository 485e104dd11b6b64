// Inputs that once found a fault in the file readers (regressions/account,
// regressions/settings), and the fuzzers' seed files, fed through the
// readers as Open and start-up do: each must load or end with a clear
// message, never crash, and what was loaded must save and read back the
// same. Also the placement of the entries read against the ordering rule.
#include "model/values.h"
#include "storage/account_file.h"
#include "storage/codec.h"
#include "storage/settings_file.h"
#include "support/core_test_main.h"

#include <QDir>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QStringList filesIn(const QStringList &folders)
{
    QStringList out;
    for (const QString &folder : folders) {
        const QDir dir(folder);
        for (const QString &name : dir.entryList(QDir::Files, QDir::Name))
            out << dir.filePath(name);
    }
    return out;
}

void addRows(const QStringList &files)
{
    QTest::addColumn<QString>("path");
    for (const QString &path : files) {
        const QString row = QDir(QStringLiteral(HARUMOKA_SOURCE_TESTS)).relativeFilePath(path);
        QTest::newRow(qPrintable(row)) << path;
    }
}

// Keys in list order: the keys are given in file order, so this shows
// where each entry of the file went.
QList<qint32> keysInOrder(const EntryList &list)
{
    QList<qint32> out;
    for (const EntryPtr &a : list.entries())
        out << a->key;
    return out;
}

EntryPtr entry(bool income, const QDateTime &date, qint32 key)
{
    auto a = std::make_shared<Entry>();
    a->income = income;
    a->date = date;
    a->key = key;
    a->article = QStringLiteral("A");
    return a;
}

QByteArray entryLines(bool income, const QDateTime &date)
{
    return QByteArray(income ? "True" : "False") + "\r\n" + generalDate(date).toLatin1()
        + "\r\n 0\r\nA\r\n\r\n 0\r\n 0\r\n 1\r\n";
}

} // namespace

class TestRegressions : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { setTodayForTesting(QDate(2024, 6, 1)); }
    void cleanupTestCase() { setTodayForTesting(QDate()); }

    void accountFile_data()
    {
        addRows(filesIn({QStringLiteral(HARUMOKA_SOURCE_TESTS "/storage/regressions/account"),
                         QStringLiteral(HARUMOKA_SOURCE_TESTS "/fuzz/corpus/account")}));
    }
    void accountFile()
    {
        QFETCH(QString, path);
        LoadedAccount m;
        AccountHeader h;
        try {
            readAccountFile(path, m, h);
        } catch (const AccountFileError &e) {
            QVERIFY(e.kind() == AccountFileError::Damaged
                    || e.kind() == AccountFileError::NotAccountFile);
            QVERIFY2(e.message().contains(path), qPrintable(e.message()));
            QVERIFY2(e.message().size() < 400, qPrintable(e.message()));
            QCOMPARE(m.documentDamaged, e.kind() == AccountFileError::Damaged);
        }

        // What was read saves, and reads back to the same file.
        const QByteArray saved = encodeAccountFile(h, m.entries());
        LoadedAccount m2;
        AccountHeader h2;
        parseAccountFile(saved, QStringLiteral("saved.txt"), m2, h2);
        QCOMPARE(encodeAccountFile(h2, m2.entries()), saved);
        QCOMPARE(m2.incomeCount, m.incomeCount);
        QCOMPARE(m2.supplyCount, m.supplyCount);
    }

    void settingsFile_data()
    {
        addRows(filesIn({QStringLiteral(HARUMOKA_SOURCE_TESTS "/storage/regressions/settings"),
                         QStringLiteral(HARUMOKA_SOURCE_TESTS "/fuzz/corpus/settings")}));
    }
    void settingsFile()
    {
        QFETCH(QString, path);
        SelectionList income, supply;
        readSelectionFile(path, income, supply);
        for (const SelectionList *head : {&income, &supply}) {
            QSet<QString> names;
            for (const RememberedName &s : head->records()) {
                QVERIFY(!s.name.isEmpty());
                QVERIFY2(!names.contains(s.name), qPrintable(s.name));
                names.insert(s.name);
                QVERIFY(s.lastUsed.isValid());
            }
        }
        // Saved and read twice (a name older than two years goes on the
        // first), the file stays as it is.
        SelectionList income2, supply2, income3, supply3;
        parseSelectionFile(encodeSelectionFile(income, supply), income2, supply2);
        const QByteArray saved = encodeSelectionFile(income2, supply2);
        parseSelectionFile(saved, income3, supply3);
        QCOMPARE(encodeSelectionFile(income3, supply3), saved);
    }

    // The list is built without walking it for every entry; it must be
    // exactly what placing one entry after another gives, also after
    // entries already held, in order or not.
    void entriesGoWhereAddArticlePutsThem_data()
    {
        QTest::addColumn<int>("held"); // 0: empty, 1: entries in order, 2: out of order
        QTest::newRow("empty document") << 0;
        QTest::newRow("entries already held") << 1;
        QTest::newRow("entries held out of date order") << 2;
    }
    void entriesGoWhereAddArticlePutsThem()
    {
        QFETCH(int, held);
        QRandomGenerator random(held + 7);
        // Few distinct dates, so that many entries share one; some with a time of day.
        auto randomDate = [&] {
            return makeDate(QDate(2024, 4, 1).addDays(random.bounded(40)),
                            random.bounded(5) == 0 ? QTime(9, 30) : QTime(0, 0));
        };
        LoadedAccount m;
        qint32 key = -1000;
        for (int i = 0; held > 0 && i < 200; ++i) {
            const bool income = random.bounded(2) == 0;
            const QDateTime date = randomDate();
            if (held == 1)
                m.fileOrder.push_back(entry(income, date, key));
            else // put at the front: dates not in order
                m.fileOrder.insert(m.fileOrder.begin(), entry(income, date, key));
            ++key;
        }
        QByteArray file = "iMekalu135\r\nTrue\r\nS\r\nY\r\nG\r\nR\r\nC\r\n";
        for (key = 1; key <= 3000; ++key) {
            const bool income = random.bounded(3) != 0;
            const QDateTime date = randomDate();
            file += entryLines(income, date);
        }
        AccountHeader h;
        parseAccountFile(file, QStringLiteral("order.txt"), m, h);
        EntryList expected;
        for (const EntryPtr &e : m.fileOrder)
            expected.insertAt(expected.placeFor(*e), e);
        QCOMPARE(keysInOrder(m.entries()), keysInOrder(expected));
    }
};

HARUMOKA_CORE_TEST_MAIN(TestRegressions)
#include "tst_regressions.moc"
