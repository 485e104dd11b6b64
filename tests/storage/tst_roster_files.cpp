// The roster and the paid marks through real files: the class list read in
// from CSV in both encodings (bad lines refused whole), the companion file
// beside the account (private, backed up, the account file untouched),
// read back onto the account's collections, and what a damaged, newer or
// out-of-step companion does.
#include "model/document.h"
#include "storage/account_file.h"
#include "storage/companion_file.h"
#include "storage/roster_import.h"
#include "support/core_test_main.h"
#include "support/test_util.h"

#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

namespace {

// Three collections of 1,500 yen: 3 pupils in April, 2 in May (one typed
// by hand), and one more in April alike the first.
EntryList account()
{
    const std::vector<ArticlePtr> entries{
        income(d(2026, 4, 10), QStringLiteral("学級費"), 4500, QStringLiteral("4月分"), 1500, 3),
        income(d(2026, 4, 10), QStringLiteral("学級費"), 4500, QStringLiteral("4月分"), 1500, 3),
        income(d(2026, 5, 8), QStringLiteral("学級費"), 3000, QStringLiteral("5月分"), 1500, 2),
        expense(d(2026, 5, 9), QStringLiteral("画用紙"), 800)};
    for (size_t i = 0; i < entries.size(); ++i)
        entries[i]->key = qint32(i + 1);
    return listOf(entries);
}

int mode(const QString &path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return int(st.st_mode & 0777);
}

} // namespace

class TestRosterFiles : public QObject {
    Q_OBJECT

private slots:
    void classList_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QString>("expected"); // "number name;..." or the start of the refusal
        QTest::newRow("UTF-8 with BOM and header") << QByteArray("\xEF\xBB\xBF出席番号,氏名\r\n2,髙橋 花子\r\n1,𠮷田 一郎\r\n")
                                                   << "1 𠮷田 一郎;2 髙橋 花子";
        QTest::newRow("UTF-8, quoted comma") << QByteArray("3,\"﨑山, 太郎\"\n") << "3 﨑山, 太郎";
        QTest::newRow("Shift_JIS") << QByteArray("1,\x8d\x82\x8b\xb4 \x89\xd4\x8eq\r\n") << "1 高橋 花子";
        QTest::newRow("full-width number") << QByteArray("１２,山田\n") << "12 山田";
        QTest::newRow("duplicate, missing, empty name")
            << QByteArray("1,a\n1,b\n,c\n4,\n") << "2 行目: 出席番号 1 が重複しています。\n3 行目: 出席番号がありません。\n4 行目: 氏名がありません。";
        QTest::newRow("22 bad lines: the first 20 and how many more")
            << QByteArray("出席番号,氏名\n") + QByteArray("x,a\n").repeated(22)
            << "21 行目: 出席番号「x」は 1 から 32767 までの数ではありません。\nほか 2 行";
        QTest::newRow("not text") << QByteArray("1,\xff\xfe\xfd\n") << "名簿のファイルの文字コードを読み取れません";
        QTest::newRow("header only") << QByteArray("出席番号,氏名\n") << "名簿のファイルに生徒がいません";
    }
    void classList()
    {
        QFETCH(QByteArray, csv);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("names.csv"));
        QVERIFY(writeBytes(path, csv));
        QStringList got;
        try {
            for (const Pupil &p : readRosterCsv(path))
                got << QStringLiteral("%1 %2").arg(p.number).arg(p.name);
        } catch (const HarumokaError &e) {
            QVERIFY2(e.message().contains(expected), qPrintable(e.message()));
            return;
        }
        QCOMPARE(got.join(QLatin1Char(';')), expected);
    }

    // A roster made for an account with collections, marked, saved and read back.
    void roundTrip()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("3年2組.txt"));
        writeAccountFile(file, AccountTitle(), account());
        const QByteArray accountBytes = readBytes(file);
        Document doc;
        readAccountFile(file, doc);
        QVERIFY(writeBytes(dir.filePath(QStringLiteral("names.csv")), "1,𠮷田 一郎\n2,髙橋 花子\n3,佐藤 次郎\n"));
        doc.setRoster(readRosterCsv(dir.filePath(QStringLiteral("names.csv"))));
        // April (3 pupils, as the roster) is paid by all; May (2) is unconfirmed.
        const EntryPtr april = doc.entryAt(true, 2), may = doc.entryAt(true, 3);
        QCOMPARE(april->marks->count(Mark::Paid), 3);
        QVERIFY(may->marks->unconfirmed);
        // The marks are not in the account file.
        writeAccountFile(file, doc.title(), doc.entries());
        QCOMPARE(readBytes(file), accountBytes);
        // A mark on a collection in step moves its pupils and amount.
        doc.setMark(april->key, 2, Mark());
        QCOMPARE(doc.entryAt(true, 2)->pupils, 2);
        QCOMPARE(doc.entryAt(true, 2)->amount, 3000);
        // Marking May confirms it; its typed 2 pupils stay while the marks say 1.
        doc.setMark(may->key, 1, Mark{Mark::Paid, d(2026, 5, 10)});
        doc.setMark(may->key, 3, Mark{Mark::Exempt, QDate()});
        QCOMPARE(doc.entryAt(true, 3)->pupils, 2);
        QVERIFY(!doc.entryAt(true, 3)->marks->unconfirmed);

        writeAccountFile(file, doc.title(), doc.entries());
        writeCompanion(file, doc.roster(), doc.entries());
        writeCompanion(file, doc.roster(), doc.entries());
        const QString companion = dir.filePath(QStringLiteral("3年2組.harumoka"));
        QCOMPARE(companionPath(file), companion);
        QCOMPARE(mode(companion), 0600);
        QCOMPARE(mode(companion + QStringLiteral(".bak")), 0600);

        Document again;
        readAccountFile(file, again);
        CompanionContent read;
        QVERIFY(readCompanion(file, again.entries(), read));
        QCOMPARE(read.roster, doc.roster());
        QVERIFY(read.notFound.isEmpty());
        QCOMPARE(describe(read.entries), describe(doc.entries()));
        for (int row = 1; row <= 3; ++row)
            QCOMPARE(read.entries.at(true, row - 1)->marks, doc.entryAt(true, row)->marks);
        QCOMPARE(read.roster.first().name, QStringLiteral("𠮷田 一郎"));

        // The list read in again without 佐藤 (paid in April), and 髙橋 renamed:
        // the marks stay with their pupils, 佐藤 as 転出.
        QVERIFY(writeBytes(dir.filePath(QStringLiteral("names.csv")), "1,𠮷田 一郎\n2,髙橋 はな\n"));
        doc.setRoster(mergedRoster(doc.roster(), readRosterCsv(dir.filePath(QStringLiteral("names.csv")), 4),
                                   [&doc](qint32 id) { return doc.hasMarks(id); }));
        QCOMPARE(doc.roster().size(), 3);
        QCOMPARE(doc.roster().at(1).name, QStringLiteral("髙橋 はな"));
        QCOMPARE(doc.roster().at(1).id, 2);
        QVERIFY(doc.roster().at(2).movedOut);
    }

    void unreadableCompanions_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::newRow("cut short") << QByteArray("{\"format\": \"harumoka-companion\", \"ver") << "壊れているため";
        QTest::newRow("someone else's") << QByteArray("{\"format\": \"x\", \"version\": 1}") << "ハルモカの名簿ファイルではありません";
        QTest::newRow("newer version") << QByteArray("{\"format\": \"harumoka-companion\", \"version\": 2}")
                                       << "新しい版のハルモカ";
        QTest::newRow("mark of no pupil")
            << QByteArray("{\"format\": \"harumoka-companion\", \"version\": 1, \"roster\": [],"
                          "\"collections\": [{\"date\": \"2026-05-08\", \"marks\": [{\"pupil\": 7, \"state\": \"paid\"}]}]}")
            << "集金の記録";
    }
    void unreadableCompanions()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("a.txt"));
        QVERIFY(writeBytes(dir.filePath(QStringLiteral("a.harumoka")), content));
        CompanionContent read;
        try {
            readCompanion(file, account(), read);
            QFAIL("read");
        } catch (const HarumokaError &e) {
            QVERIFY2(e.message().contains(message), qPrintable(e.message()));
        }
    }

    // The account changed by another program: the marks of a collection it
    // no longer has are named, those of the others still found.
    void collectionGoneElsewhere()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("a.txt"));
        Document doc;
        doc.load(account(), AccountTitle(), 10, false, file);
        doc.setRoster({Pupil{1, 1, QStringLiteral("山田"), false}});
        writeCompanion(file, doc.roster(), doc.entries());
        EntryList changed = listOf({income(d(2026, 4, 10), QStringLiteral("学級費"), 4500, QStringLiteral("4月分"), 1500, 3)});
        CompanionContent read;
        QVERIFY(readCompanion(file, changed, read));
        QCOMPARE(read.notFound, QStringList({QStringLiteral("2026/04/10 学級費 4月分"), QStringLiteral("2026/05/08 学級費 5月分")}));
        QVERIFY(read.entries.at(true, 0)->marks);
    }
};

HARUMOKA_CORE_TEST_MAIN(TestRosterFiles)
#include "tst_roster_files.moc"
