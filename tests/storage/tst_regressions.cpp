// Inputs that once found a fault in the file readers (regressions/account,
// regressions/settings), and the fuzzers' seed files, fed through the
// readers as Open and start-up do: each must load or end with a clear
// message, never crash, and what was loaded must save and read back the
// same. Also the reader's placement of entries against addArticle.
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
QList<qint32> keysInOrder(const MekaluArticle &head)
{
    QList<qint32> out;
    for (const MekaluArticle *a = head.taLink.get(); a; a = a->taLink.get())
        out << a->taKey;
    return out;
}

ArticlePtr entry(bool income, const QDateTime &date, qint32 key)
{
    auto a = std::make_shared<MekaluArticle>();
    a->taIncome = income;
    a->taDate = date;
    a->taKey = key;
    a->taArticle = QStringLiteral("A");
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
        const QByteArray saved = encodeAccountFile(h, *m.articleList);
        LoadedAccount m2;
        AccountHeader h2;
        parseAccountFile(saved, QStringLiteral("saved.txt"), m2, h2);
        QCOMPARE(encodeAccountFile(h2, *m2.articleList), saved);
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
        MekaluSelection income, supply;
        readSelectionFile(path, income, supply);
        for (const MekaluSelection *head : {&income, &supply}) {
            QSet<QString> names;
            for (const MekaluSelection *s = head->tsLink.get(); s; s = s->tsLink.get()) {
                QVERIFY(!s->tsArticle.isEmpty());
                QVERIFY2(!names.contains(s->tsArticle), qPrintable(s->tsArticle));
                names.insert(s->tsArticle);
                QVERIFY(s->tsDate.isValid());
            }
        }
        // Saved and read twice (a name older than two years goes on the
        // first), the file stays as it is.
        MekaluSelection income2, supply2, income3, supply3;
        parseSelectionFile(encodeSelectionFile(income, supply), income2, supply2);
        const QByteArray saved = encodeSelectionFile(income2, supply2);
        parseSelectionFile(saved, income3, supply3);
        QCOMPARE(encodeSelectionFile(income3, supply3), saved);
    }

    // The reader finds each entry's place without walking the list; the
    // list must be exactly what one addArticle per entry would give, also
    // when the document already held entries, in order or not.
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
        auto expected = std::make_shared<MekaluArticle>();
        qint32 key = -1000;
        for (int i = 0; held > 0 && i < 200; ++i) {
            const bool income = random.bounded(2) == 0;
            const QDateTime date = randomDate();
            if (held == 1) {
                m.articleList->addArticle(entry(income, date, key));
                expected->addArticle(entry(income, date, key));
            } else { // linked at the front: dates not in order
                m.articleList->insertArticle(entry(income, date, key));
                expected->insertArticle(entry(income, date, key));
            }
            ++key;
        }
        QByteArray file = "iMekalu135\r\nTrue\r\nS\r\nY\r\nG\r\nR\r\nC\r\n";
        for (key = 1; key <= 3000; ++key) {
            const bool income = random.bounded(3) != 0;
            const QDateTime date = randomDate();
            file += entryLines(income, date);
            expected->addArticle(entry(income, date, key));
        }
        AccountHeader h;
        parseAccountFile(file, QStringLiteral("order.txt"), m, h);
        QCOMPARE(keysInOrder(*m.articleList), keysInOrder(*expected));
    }
};

HARUMOKA_CORE_TEST_MAIN(TestRegressions)
#include "tst_regressions.moc"
