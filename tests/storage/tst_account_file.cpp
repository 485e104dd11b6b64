// Account file: exact bytes, round trips, the older headers, entry order
// and keys, line ends, and what a damaged or foreign file does to the
// document.
#include "model/values.h"
#include "storage/account_file.h"
#include "storage/codec.h"
#include "support/core_test_main.h"
#include "support/test_util.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <iconv.h>

namespace {


// Lines joined with CR LF, Japanese converted to code page 932.
QByteArray fileOf(const QStringList &lines, const QByteArray &lineEnd = "\r\n")
{
    QByteArray out;
    for (const QString &l : lines) {
        bool ok = false;
        out += encodeCp932(l, &ok) + lineEnd;
        if (!ok)
            qFatal("test line not encodable");
    }
    return out;
}

// Entries in list order, with keys and details: "I:2003/04/15:A:100:k1[x=1,y=2]".
QStringList dump(const EntryList &list)
{
    QStringList out;
    for (const EntryPtr &a : list.entries()) {
        QString s = QStringLiteral("%1:%2:%3:%4:k%5")
                        .arg(a->income ? QLatin1Char('I') : QLatin1Char('E'))
                        .arg(generalDate(a->date), a->article)
                        .arg(a->amount)
                        .arg(a->key);
        if (a->details) {
            QStringList d;
            for (const DetailLine &x : *a->details)
                d << x.article + QLatin1Char('=') + QString::number(x.amount);
            s += QLatin1Char('[') + d.join(QLatin1Char(',')) + QLatin1Char(']');
        }
        out << s;
    }
    return out;
}

AccountHeader classHeader()
{
    AccountHeader h;
    h.classMode = true;
    h.schoolName = QStringLiteral("表町小学校");
    h.schoolYear = QStringLiteral("平成15年度(2003年度）");
    h.grade = QStringLiteral("第１学年");
    h.room = QStringLiteral("9組");
    h.charge = QStringLiteral("髙橋　ソフィア");
    return h;
}

AccountHeader otherHeader()
{
    AccountHeader h;
    h.classMode = false;
    h.title = QStringLiteral("ＰＴＡ｜会計①");
    h.reporter = QStringLiteral("ﾊﾙﾓｶ 太郎");
    h.carryOverName = QStringLiteral("前年度より～￥");
    return h;
}

// A document with every kind of value the file has to carry.
EntryList richList()
{
    std::vector<ArticlePtr> head;
    head.push_back(income(d(2003, 4, 15), QStringLiteral("学級費"), 15000,
                            QStringLiteral("４月分 ①"), 500, 30));
    auto e1 = expense(d(2003, 4, 20), QStringLiteral("ﾉｰﾄ代"), -500, QStringLiteral("返金～"), 3);
    // Leading blank lines are not written; the blank line between two
    // written lines is.
    setDetails(e1, {{QString(), 0}, {QString(), 0}, {QStringLiteral("ソ表ポ"), 300},
                    {QString(), 0}, {QStringLiteral("￥髙"), -800}});
    head.push_back(e1);
    auto e2 = expense(d(2003, 5, 1), QStringLiteral("画用紙"), 1200, QString(), 4);
    setDetails(e2, {}); // only the head
    head.push_back(e2);
    auto e3 = expense(d(2003, 5, 2), QStringLiteral("True"), 0, QStringLiteral("False"), 0);
    setDetails(e3, {{QString(), 0}}); // only blank lines
    head.push_back(e3);
    head.push_back(income(d(2003, 4, 15), QString(), 0)); // a blank entry
    head.push_back(income(d(2004, 3, 31), QStringLiteral("<DETAIL>"), -2147483647 - 1,
                            QStringLiteral("</DETAIL>"), 2147483647, -32768));
    auto timed = income(d(2003, 6, 1), QStringLiteral("時刻つき"), 1);
    timed->date = makeDate(QDate(2003, 6, 1), QTime(9, 5, 7));
    head.push_back(timed);
    return listOf(head);
}

} // namespace

class TestAccountFile : public QObject {
    Q_OBJECT

private slots:
    void init() { setTodayForTesting(QDate(2003, 6, 1)); }
    void cleanup() { setTodayForTesting(QDate()); }

    void exactBytesOfASmallFile()
    {
        AccountHeader h;
        h.classMode = true;
        h.schoolName = QStringLiteral("表町小");
        h.schoolYear = QStringLiteral("H15");
        h.grade = QStringLiteral("1");
        h.room = QStringLiteral("2");
        h.charge = QStringLiteral("髙橋");
        h.title = QStringLiteral("not written in class mode");
        auto i = income(d(2003, 4, 15), QStringLiteral("ソフト①"), 15000, QStringLiteral("ｱ～￥"), 500, 30);
        auto e = expense(d(2003, 4, 20), QStringLiteral("Pen"), -500, QString(), 3);
        setDetails(e, {{QString(), 0}, {QStringLiteral("ノート"), 300}, {QString(), 0},
                       {QStringLiteral("B"), -20}});
        const EntryList list = listOf({i, e});

        const QByteArray expected = QByteArray("iMekalu135\r\nTrue\r\n"
                                               "\x95\x5c\x92\xac\x8f\xac\r\n"
                                               "H15\r\n1\r\n2\r\n"
                                               "\xfb\xfc\x8b\xb4\r\n"
                                               "True\r\n2003/04/15\r\n 30\r\n"
                                               "\x83\x5c\x83\x74\x83\x67\x87\x40\r\n"
                                               "\xb1\x81\x60\x81\x8f\r\n"
                                               " 0\r\n 500\r\n 15000\r\n"
                                               "False\r\n2003/04/20\r\n 0\r\nPen\r\n\r\n"
                                               " 3\r\n 0\r\n-500\r\n"
                                               "<DETAIL>\r\n"
                                               "\x83\x6d\x81\x5b\x83\x67\r\n 300\r\n"
                                               "\r\n 0\r\n"
                                               "B\r\n-20\r\n"
                                               "</DETAIL>\r\n");
        QCOMPARE(encodeAccountFile(h, list), expected);

        // Other-account mode: title, reporter and carry-over name, nothing else.
        AccountHeader o;
        o.classMode = false;
        o.schoolName = QStringLiteral("not written");
        o.title = QStringLiteral("T");
        o.reporter = QStringLiteral("R");
        o.carryOverName = QString();
        QCOMPARE(encodeAccountFile(o, EntryList()), QByteArray("iMekalu135\r\nFalse\r\nT\r\nR\r\n\r\n"));
    }

    void roundTripIsByteIdentical_data()
    {
        QTest::addColumn<bool>("classMode");
        QTest::newRow("class accounts") << true;
        QTest::newRow("other accounts") << false;
    }
    void roundTripIsByteIdentical()
    {
        QFETCH(bool, classMode);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("学級会計.txt"));
        const AccountHeader written = classMode ? classHeader() : otherHeader();
        writeAccountFile(path, written, richList());
        const QByteArray first = readBytes(path);

        LoadedAccount m;
        AccountHeader h;
        readAccountFile(path, m, h);
        QVERIFY(!m.documentDamaged);
        QCOMPARE(h.classMode, classMode);
        if (classMode) {
            QVERIFY(h.hasSchoolName && h.hasYearGradeRoomCharge);
            QVERIFY(!h.hasTitleReporter && !h.hasCarryOverName);
            QCOMPARE(h.schoolName, written.schoolName);
            QCOMPARE(h.schoolYear, written.schoolYear);
            QCOMPARE(h.grade, written.grade);
            QCOMPARE(h.room, written.room);
            QCOMPARE(h.charge, written.charge);
        } else {
            QVERIFY(!h.hasSchoolName && !h.hasYearGradeRoomCharge);
            QVERIFY(h.hasTitleReporter && h.hasCarryOverName);
            QCOMPARE(h.title, written.title);
            QCOMPARE(h.reporter, written.reporter);
            QCOMPARE(h.carryOverName, written.carryOverName);
        }
        QCOMPARE(m.incomeCount, qint16(4));
        QCOMPARE(m.supplyCount, qint16(3));
        QCOMPARE(m.nextArticleKey, 8);

        // Same order as written; keys 1, 2, 3... in file order; detail
        // chains without their leading blank lines; no detail list where
        // nothing was written.
        const QStringList expected = {
            QStringLiteral("I:2003/04/15:学級費:15000:k1"),
            QStringLiteral("E:2003/04/20:ﾉｰﾄ代:-500:k2[ソ表ポ=300,=0,￥髙=-800]"),
            QStringLiteral("E:2003/05/01:画用紙:1200:k3"),
            QStringLiteral("E:2003/05/02:True:0:k4"),
            QStringLiteral("I:2003/04/15::0:k5"),
            QStringLiteral("I:2003/06/01 9:05:07:時刻つき:1:k6"),
            QStringLiteral("I:2004/03/31:<DETAIL>:-2147483648:k7"),
        };
        const EntryList list = m.entries();
        QCOMPARE(dump(list), expected);
        const Entry *first1 = list.entries().front().get();
        QCOMPARE(first1->breakdown, QStringLiteral("４月分 ①"));
        QCOMPARE(first1->perPupil, 500);
        QCOMPARE(first1->pupils, qint16(30));
        const Entry *last = list.entries().back().get();
        QCOMPARE(last->breakdown, QStringLiteral("</DETAIL>"));
        QCOMPARE(last->perPupil, 2147483647);
        QCOMPARE(last->pupils, qint16(-32768));
        QCOMPARE(list.entries()[1]->receipt, qint16(3));

        // Written again, the file is the same to the byte.
        writeAccountFile(path, h, list);
        QCOMPARE(readBytes(path), first);
    }

    void emptyAccountLoadsBackEmpty()
    {
        AccountHeader h = classHeader();
        const QByteArray bytes = encodeAccountFile(h, EntryList());
        QCOMPARE(bytes.count("\r\n"), 7);
        LoadedAccount m;
        AccountHeader back;
        parseAccountFile(bytes, QStringLiteral("empty.txt"), m, back);
        QVERIFY(m.fileOrder.empty());
        QCOMPARE(m.incomeCount, qint16(0));
        QCOMPARE(m.supplyCount, qint16(0));
        QCOMPARE(m.nextArticleKey, 1);
        QCOMPARE(back.charge, h.charge);
    }

    void readerClearsCountersFirst()
    {
        LoadedAccount m;
        m.incomeCount = 5;
        m.nextArticleKey = 99;
        m.documentDamaged = true;
        AccountHeader h;
        parseAccountFile(fileOf({QStringLiteral("iMekalu135"), QStringLiteral("False"),
                                 QStringLiteral("T"), QStringLiteral("R"), QString(),
                                 QStringLiteral("True"), QStringLiteral("2003/04/01"),
                                 QStringLiteral(" 30"), QStringLiteral("A"), QString(),
                                 QStringLiteral(" 0"), QStringLiteral(" 10"), QStringLiteral(" 300")}),
                         QStringLiteral("x.txt"), m, h);
        QCOMPARE(m.incomeCount, qint16(1));
        QCOMPARE(m.nextArticleKey, 2);
        QVERIFY(!m.documentDamaged);
        // Empty carry-over name: read, and set, as empty.
        QVERIFY(h.hasCarryOverName);
        QCOMPARE(h.carryOverName, QString());
        QVERIFY(!h.classMode);
    }

    void olderHeaders_data()
    {
        QTest::addColumn<QStringList>("headerLines");
        QTest::addColumn<bool>("classMode");
        QTest::addColumn<bool>("hasSchoolName");
        QTest::addColumn<QStringList>("fields"); // year grade room charge / title reporter carry

        QTest::newRow("iMekalu class") << QStringList{"iMekalu", "True", "平成14年度", "第２学年", "３組", "佐藤"}
                                       << true << false
                                       << QStringList{"平成14年度", "第２学年", "３組", "佐藤"};
        QTest::newRow("iMekalu other") << QStringList{"iMekalu", "False", "子ども会", "鈴木", "繰越"}
                                       << false << false << QStringList{"子ども会", "鈴木", "繰越"};
        QTest::newRow("Mekalu") << QStringList{"Mekalu", "平成13年度", "第１学年", "8組", "田中"}
                                << true << false << QStringList{"平成13年度", "第１学年", "8組", "田中"};
        QTest::newRow("iMekalu135 other, odd mode text")
            << QStringList{"iMekalu135", "true", "T", "R", "C"} << false << false
            << QStringList{"T", "R", "C"};
    }
    void olderHeaders()
    {
        QFETCH(QStringList, headerLines);
        QFETCH(bool, classMode);
        QFETCH(bool, hasSchoolName);
        QFETCH(QStringList, fields);
        const QStringList record = {"False", "2002/05/10", " 0", "文具", "", " 1", " 0", " 800"};
        LoadedAccount m;
        AccountHeader h;
        h.schoolName = QStringLiteral("left alone");
        parseAccountFile(fileOf(headerLines + record), QStringLiteral("old.txt"), m, h);
        QCOMPARE(h.classMode, classMode);
        QCOMPARE(h.hasSchoolName, hasSchoolName);
        QCOMPARE(h.schoolName, QStringLiteral("left alone"));
        if (classMode) {
            QVERIFY(h.hasYearGradeRoomCharge && !h.hasTitleReporter && !h.hasCarryOverName);
            QCOMPARE(QStringList({h.schoolYear, h.grade, h.room, h.charge}), fields);
        } else {
            QVERIFY(!h.hasYearGradeRoomCharge && h.hasTitleReporter && h.hasCarryOverName);
            QCOMPARE(QStringList({h.title, h.reporter, h.carryOverName}), fields);
        }
        QCOMPARE(dump(m.entries()), QStringList{QStringLiteral("E:2002/05/10:文具:800:k1")});
        QCOMPARE(m.supplyCount, qint16(1));
        QVERIFY(!m.documentDamaged);

        // The next save upgrades the file to the current magic.
        QVERIFY(encodeAccountFile(h, m.entries()).startsWith("iMekalu135\r\n"));
    }

    void entriesOutOfOrderLoadInDateOrderWithKeysInFileOrder()
    {
        auto rec = [](const char *kind, const char *date, const QString &article, const char *amount) {
            return QStringList{QString::fromLatin1(kind), QString::fromLatin1(date), " 0", article, "",
                               " 0", " 0", QString::fromLatin1(amount)};
        };
        QStringList lines = {"iMekalu135", "True", "", "", "", "", ""};
        lines += rec("True", "2003/06/01", "I-June", " 100");
        lines += rec("False", "2003/05/20", "E-May20", " 50");
        lines += QStringList{"<DETAIL>", "紙", " 20", "のり", " 30", "</DETAIL>"};
        lines += rec("True", "2003/04/10", "I-April", " 200");
        lines += rec("False", "2003/04/01", "E-April", " 70");
        lines += rec("True", "2003/06/01", "I-June-2", " 300");
        lines += rec("False", "2003/05/20", "E-May20-2", " 80");
        LoadedAccount m;
        AccountHeader h;
        parseAccountFile(fileOf(lines), QStringLiteral("order.txt"), m, h);
        const QStringList expected = {
            QStringLiteral("I:2003/04/10:I-April:200:k3"),
            QStringLiteral("I:2003/06/01:I-June:100:k1"),
            QStringLiteral("E:2003/04/01:E-April:70:k4"),
            QStringLiteral("E:2003/05/20:E-May20:50:k2[紙=20,のり=30]"),
            QStringLiteral("I:2003/06/01:I-June-2:300:k5"),
            QStringLiteral("E:2003/05/20:E-May20-2:80:k6"),
        };
        QCOMPARE(dump(m.entries()), expected);
        QCOMPARE(m.incomeCount, qint16(3));
        QCOMPARE(m.supplyCount, qint16(3));
        QCOMPARE(m.nextArticleKey, 7);

        // The same as inserting each one with addArticle into an empty list.
        EntryList reference;
        for (int key = 1; key <= 6; ++key)
            for (const EntryPtr &a : m.fileOrder)
                if (a->key == key)
                    reference.insertAt(reference.placeFor(*a), a);
        QStringList got, want;
        const EntryList loaded = m.entries();
        for (const EntryPtr &a : loaded.entries())
            got << QString::number(a->key);
        for (const EntryPtr &a : reference.entries())
            want << QString::number(a->key);
        QCOMPARE(got, want);
    }

    void carryOverNameTrueOrFalseIsNotTakenForAnEntry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("True") << QStringLiteral("True");
        QTest::newRow("False") << QStringLiteral("False");
        QTest::newRow("<DETAIL>") << QStringLiteral("<DETAIL>");
    }
    void carryOverNameTrueOrFalseIsNotTakenForAnEntry()
    {
        QFETCH(QString, name);
        AccountHeader h = otherHeader();
        h.carryOverName = name;
        LoadedAccount m;
        AccountHeader back;
        parseAccountFile(encodeAccountFile(h, listOf({income(d(2003, 4, 1), QStringLiteral("A"), 100)})), QStringLiteral("c.txt"), m, back);
        QVERIFY(!m.documentDamaged);
        QCOMPARE(back.carryOverName, name);
        QCOMPARE(dump(m.entries()), QStringList{QStringLiteral("I:2003/04/01:A:100:k1")});
    }

    void lineBetweenRecordsNamesTheCarryOver()
    {
        const QStringList lines = {"iMekalu135", "True", "S", "Y", "G", "R", "C",
                                   "True", "2003/04/01", " 0", "A", "", " 0", " 0", " 1",
                                   "前年度繰越金",
                                   "False", "2003/04/02", " 0", "B", "", " 0", " 0", " 2",
                                   "最後の名称"};
        LoadedAccount m;
        AccountHeader h;
        parseAccountFile(fileOf(lines), QStringLiteral("c.txt"), m, h);
        QVERIFY(!m.documentDamaged);
        QVERIFY(h.hasCarryOverName);
        QCOMPARE(h.carryOverName, QStringLiteral("最後の名称"));
        QCOMPARE(m.incomeCount, qint16(1));
        QCOMPARE(m.supplyCount, qint16(1));
    }

    void lineEnds_data()
    {
        QTest::addColumn<QByteArray>("lineEnd");
        QTest::newRow("LF") << QByteArray("\n");
        QTest::newRow("CR") << QByteArray("\r");
        QTest::newRow("CR LF") << QByteArray("\r\n");
    }
    void lineEnds()
    {
        QFETCH(QByteArray, lineEnd);
        // 0x5C and 0x7C as second bytes must not end or split a line.
        const QStringList lines = {"iMekalu135", "True", "表ソ", "ポ|\\", "", "", "",
                                   "False", "2003/04/02", " 0", "表示ソフト", "ポ", " 0", " 0", " 2",
                                   "<DETAIL>", "予\\", " 5", "</DETAIL>"};
        LoadedAccount m;
        AccountHeader h;
        parseAccountFile(fileOf(lines, lineEnd), QStringLiteral("le.txt"), m, h);
        QCOMPARE(h.schoolName, QStringLiteral("表ソ"));
        QCOMPARE(h.schoolYear, QStringLiteral("ポ|\\"));
        QCOMPARE(dump(m.entries()), QStringList{QStringLiteral("E:2003/04/02:表示ソフト:2:k1[予\\=5]")});
        QCOMPARE(m.fileOrder.front()->breakdown, QStringLiteral("ポ"));

        // A last line without its line end was cut off: damage, with what came before it read.
        QByteArray noFinalEnd = fileOf(lines, lineEnd);
        noFinalEnd.chop(lineEnd.size());
        LoadedAccount m2;
        QVERIFY_THROWS_EXCEPTION(AccountFileError, parseAccountFile(noFinalEnd, QStringLiteral("le.txt"), m2, h));
        QVERIFY(m2.documentDamaged);
        QCOMPARE(dump(m2.entries()), dump(m.entries()));
    }

    void splitLinesOnDecodedText()
    {
        QCOMPARE(splitLines(QStringLiteral("a\r\nb\rc\nd")), (QStringList{"a", "b", "c", "d"}));
        QCOMPARE(splitLines(QStringLiteral("a\r\n\r\n")), (QStringList{"a", ""}));
        QCOMPARE(splitLines(QString()), QStringList());
        QCOMPARE(splitLines(QStringLiteral("\n\r")), (QStringList{"", ""}));
        // A line end at every place of the units compared at once, among
        // units whose bytes are CR and LF (U+0A0D, U+0D0A) but end nothing.
        for (int a = 0; a < 20; ++a) {
            const QString first = QString(a, QChar(0x0A0D)), second = QString(20 - a, QChar(0x0D0A));
            for (const QString &end : {QStringLiteral("\r\n"), QStringLiteral("\r"), QStringLiteral("\n")})
                QCOMPARE(splitLines(first + end + second + end + second), (QStringList{first, second, second}));
        }
        bool ok = false;
        QCOMPARE(decodeCp932(QByteArray("\x83\x5c\x95\x5c\r\n"), nullptr, &ok), QStringLiteral("ソ表\r\n"));
        QVERIFY(ok);
        qsizetype bad = -1;
        QCOMPARE(decodeCp932(QByteArray("ab\x83\x5c\x80z"), &bad, &ok), QStringLiteral("abソ"));
        QVERIFY(!ok);
        QCOMPARE(bad, 4);
    }

    // Every first byte from 0x80 up, before each kind of second byte, in
    // the middle, again and at the end: the same text, the same verdict and
    // the same offset as glibc gives for the whole buffer in one call.
    void decodingAgreesWithOneIconvCall()
    {
        iconv_t whole = iconv_open("UTF-16LE", "CP932");
        QVERIFY(whole != iconv_t(-1));
        Cp932Codec codec;
        const auto agrees = [&](QByteArray bytes) {
            QByteArray buffer(bytes.size() * 2, '\0');
            char *in = bytes.data(), *out = buffer.data();
            size_t inLeft = size_t(bytes.size()), outLeft = size_t(buffer.size());
            const bool good = iconv(whole, &in, &inLeft, &out, &outLeft) != size_t(-1);
            iconv(whole, nullptr, nullptr, nullptr, nullptr);
            qsizetype bad = -1;
            QString text;
            QCOMPARE(codec.decode(bytes, text, &bad), good);
            QCOMPARE(text, QString::fromUtf16(reinterpret_cast<const char16_t *>(buffer.constData()),
                                               (buffer.size() - qsizetype(outLeft)) / 2));
            if (!good)
                QCOMPARE(bad, bytes.size() - qsizetype(inLeft));
        };
        for (int lead = 0x80; lead <= 0xFF; ++lead) {
            for (int trail : {-1, 0x00, 0x0A, 0x3F, 0x40, 0x5C, 0x7C, 0x7E, 0x7F, 0x80, 0x9F, 0xA1, 0xDF, 0xE0, 0xFC, 0xFF}) {
                QByteArray bytes = QByteArray("a\x82\xA0") + char(lead);
                if (trail >= 0)
                    bytes += QByteArray(1, char(trail)) + "z\x83\x5Cz\x82\xA0" + char(lead) + char(trail);
                agrees(bytes);
            }
        }
        // Thousands of different runs in one file, each met again long
        // after: more than the decoder remembers at once.
        QByteArray many;
        for (int round = 0; round < 2; ++round)
            for (int lead = 0x89; lead <= 0x97; ++lead) // kanji, every trail byte assigned
                for (int trail = 0x40; trail <= 0xFC; ++trail)
                    if (trail != 0x7F)
                        many += QByteArray("\x82\xA0") + char(lead) + char(trail) + ',';
        bool ok = false;
        decodeCp932(many, nullptr, &ok);
        QVERIFY(ok);
        agrees(many);
        // ASCII runs of every length before and after a character, a
        // katakana byte, a bad byte and a cut-off pair: each falls at every
        // place of the sixteen bytes taken at once.
        const QByteArray ascii = "0123456789abcdefghijklmnopqrstuvwxyz,./-+ ";
        for (int a = 0; a <= 40; ++a)
            for (const char *high : {"\x83\x5C", "\xB1", "\x80", "\x83"})
                agrees(ascii.left(a) + high + ascii.right(a % 19));
        iconv_close(whole);
    }

    void encoderRefusesWhatWouldComeBackDifferent_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("wave dash") << QStringLiteral("〜") << true << QStringLiteral("～");
        QTest::newRow("minus sign") << QStringLiteral("−") << true << QStringLiteral("－");
        QTest::newRow("full-width yen") << QStringLiteral("￥") << true << QStringLiteral("￥");
        QTest::newRow("yen sign U+00A5") << QStringLiteral("¥100") << false << QString();
        QTest::newRow("overline") << QStringLiteral("‾") << false << QString();
        QTest::newRow("euro") << QStringLiteral("€") << false << QString();
        QTest::newRow("yoshi") << QStringLiteral("𠮷") << false << QString();
        QTest::newRow("lone surrogate") << QString(QChar(0xD842)) << false << QString();
    }
    void encoderRefusesWhatWouldComeBackDifferent()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(QString, readBack);
        bool ok = !accepted;
        const QByteArray bytes = encodeCp932(text, &ok);
        QCOMPARE(ok, accepted);
        if (accepted)
            QCOMPARE(decodeCp932(bytes), readBack);
        else
            QVERIFY(bytes.isEmpty());
    }
};

HARUMOKA_CORE_TEST_MAIN(TestAccountFile)
#include "tst_account_file.moc"
