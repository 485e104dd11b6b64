// What goes wrong with account files, for real: foreign, truncated and
// damaged files, resource limits, values the code page cannot hold, and
// saves that cannot be made (a full disk: tst_file_safety). In every case
// nothing on disk is lost and the message says what happened.
#include "model/values.h"
#include "storage/account_file.h"
#include "storage/codec.h"
#include "support/core_test_main.h"
#include "support/test_util.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

namespace {



QByteArray fileOf(const QStringList &lines)
{
    QByteArray out;
    for (const QString &l : lines)
        out += encodeCp932(l) + "\r\n";
    return out;
}

QStringList entryNames(const LoadedAccount &m)
{
    QStringList out;
    for (const EntryPtr &a : m.fileOrder)
        out << a->article;
    return out;
}

QStringList folderListing(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

const QByteArray kEntry = "True\r\n2003/04/01\r\n 0\r\nA\r\n\r\n 0\r\n 0\r\n 1\r\n";
const QByteArray kHeader = "iMekalu135\r\nTrue\r\nS\r\nY\r\nG\r\nR\r\nC\r\n";

AccountHeader simpleHeader()
{
    AccountHeader h;
    h.schoolName = QStringLiteral("表町小学校");
    return h;
}

std::vector<ArticlePtr> simpleEntries()
{
    auto e = expense(d(2003, 4, 3), QStringLiteral("文具"), 300, QString(), 1);
    setDetails(e, {{QStringLiteral("ノート"), 200}, {QStringLiteral("のり"), 100}});
    return {income(d(2003, 4, 1), QStringLiteral("学級費"), 15000, QString(), 500, 30), e};
}

EntryList simpleList()
{
    return listOf(simpleEntries());
}

} // namespace

class TestAccountFileFailures : public QObject {
    Q_OBJECT

private slots:
    void foreignFileIsReportedAndNothingRead_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("hello\r\nTrue\r\n");
        QTest::newRow("case") << QByteArray("imekalu135\r\nTrue\r\n");
        QTest::newRow("trailing blank") << QByteArray("iMekalu135 \r\nTrue\r\n");
        QTest::newRow("UTF-8 with BOM") << QByteArray("\xef\xbb\xbfiMekalu135\r\nTrue\r\n");
        QTest::newRow("UTF-16") << QByteArray("\xff\xfei\0M\0e\0", 8);
        QTest::newRow("bad first byte") << QByteArray("\x80iMekalu135\r\n");
        QTest::newRow("binary") << QByteArray("\x7f" "ELF\x02\x01\x01\0\0\0", 10);
    }
    void foreignFileIsReportedAndNothingRead()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("メモ.txt"));
        QVERIFY(writeBytes(path, bytes));
        LoadedAccount m;
        AccountHeader h;
        try {
            readAccountFile(path, m, h);
            QFAIL("no error");
        } catch (const AccountFileError &e) {
            QCOMPARE(e.kind(), AccountFileError::NotAccountFile);
            QVERIFY2(e.message().contains(QStringLiteral("は学級会計のファイルではありません。")),
                     qPrintable(e.message()));
            QVERIFY(e.message().contains(path));
        }
        QVERIFY(m.fileOrder.empty());
        QVERIFY(!m.documentDamaged);
        QVERIFY(!h.hasSchoolName && !h.hasYearGradeRoomCharge && !h.hasTitleReporter);
        QCOMPARE(readBytes(path), bytes);
    }

    void missingFileIsReported()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("ない.txt"));
        LoadedAccount m;
        AccountHeader h;
        try {
            readAccountFile(path, m, h);
            QFAIL("no error");
        } catch (const AccountFileError &e) {
            QCOMPARE(e.kind(), AccountFileError::CannotOpen);
            QVERIFY(e.message().contains(path));
        }
        QVERIFY(!QFile::exists(path));
    }

    // Cut the sample after every line: at a record boundary the file reads
    // as a shorter account; anywhere else the records before the cut stay,
    // the document is marked damaged and the message names the line after
    // the cut.
    void truncatedAtEveryLine()
    {
        const QStringList lines = {
            "iMekalu135", "True", "S", "Y", "G", "R", "C",                     // 1-7
            "True", "2003/04/01", " 30", "A", "a", " 0", " 500", " 15000",     // 8-15
            "False", "2003/04/03", " 0", "B", "b", " 1", " 0", " 300",         // 16-23
            "<DETAIL>", "x", " 100", "", " 0", "</DETAIL>",                    // 24-29
            "True", "2003/05/01", " 30", "C", "c", " 0", " 0", " 1",           // 30-37
        };
        // Lines kept -> entries read, at the clean cuts.
        const QMap<int, int> clean = {{7, 0}, {15, 1}, {23, 2}, {29, 2}, {37, 3}};
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("cut.txt"));
        for (int kept = 0; kept <= lines.size(); ++kept) {
            const QByteArray bytes = fileOf(lines.mid(0, kept));
            QVERIFY(writeBytes(path, bytes));
            LoadedAccount m;
            AccountHeader h;
            const QString row = QStringLiteral("kept %1").arg(kept);
            try {
                readAccountFile(path, m, h);
                QVERIFY2(clean.contains(kept), qPrintable(row));
                QCOMPARE(m.incomeCount + m.supplyCount, clean.value(kept));
                QVERIFY(!m.documentDamaged);
            } catch (const AccountFileError &e) {
                if (kept == 0) {
                    QCOMPARE(e.kind(), AccountFileError::NotAccountFile);
                    continue;
                }
                QVERIFY2(!clean.contains(kept), qPrintable(row));
                QCOMPARE(e.kind(), AccountFileError::Damaged);
                QCOMPARE(e.line(), qsizetype(kept + 1));
                QVERIFY2(e.message().contains(QStringLiteral("%1 行目").arg(kept + 1)),
                         qPrintable(e.message()));
                QVERIFY(e.message().contains(path));
                QVERIFY(e.message().contains(QStringLiteral("途中で終わっています")));
                QVERIFY(m.documentDamaged);
                const int complete = kept < 15 ? 0 : kept < 23 ? 1 : kept < 37 ? 2 : 3;
                QVERIFY2(entryNames(m).size() == complete, qPrintable(row));
                QCOMPARE(m.incomeCount + m.supplyCount, complete);
            }
            QCOMPARE(readBytes(path), bytes);
        }
        // A cut inside the detail block keeps the detail lines read so far.
        LoadedAccount m;
        AccountHeader h;
        QVERIFY_THROWS_EXCEPTION(AccountFileError,
                                 parseAccountFile(fileOf(lines.mid(0, 27)), path, m, h));
        const Entry *b = m.fileOrder.at(1).get();
        QCOMPARE(b->article, QStringLiteral("B"));
        QVERIFY(b->hasDetailLines());
        QCOMPARE(b->details->first().article, QStringLiteral("x"));
    }

    // Cutting anywhere, inside a line or inside a two-byte character, never
    // does more than report.
    void truncatedAtEveryByte()
    {
        const QByteArray full = encodeAccountFile(simpleHeader(), simpleList());
        for (qsizetype n = 0; n <= full.size(); ++n) {
            LoadedAccount m;
            AccountHeader h;
            try {
                parseAccountFile(full.left(n), QStringLiteral("cut.txt"), m, h);
                QVERIFY(!m.documentDamaged);
            } catch (const AccountFileError &e) {
                QCOMPARE(m.documentDamaged, e.kind() == AccountFileError::Damaged);
                QVERIFY(e.kind() == AccountFileError::Damaged
                        || e.kind() == AccountFileError::NotAccountFile);
            }
        }
    }

    void bytesThatAreNotCodePage932()
    {
        QByteArray bytes = kHeader + kEntry;
        bytes += "False\r\n2003/04/02\r\n 0\r\nab\x81\x7f\r\n"; // 0x81 0x7F is no character
        bytes += kEntry;
        LoadedAccount m;
        AccountHeader h;
        try {
            parseAccountFile(bytes, QStringLiteral("bad.txt"), m, h);
            QFAIL("no error");
        } catch (const AccountFileError &e) {
            QCOMPARE(e.kind(), AccountFileError::Damaged);
            QCOMPARE(e.line(), qsizetype(19));
            QVERIFY2(e.message().contains(QStringLiteral("読めない文字")), qPrintable(e.message()));
            QVERIFY(e.message().contains(QStringLiteral("支出の「項目」")));
        }
        QVERIFY(m.documentDamaged);
        QCOMPARE(entryNames(m), QStringList{QStringLiteral("A")});

        // Right after a line end.
        LoadedAccount m2;
        QVERIFY_THROWS_EXCEPTION(AccountFileError,
                                 parseAccountFile(kHeader + kEntry + "\xff\r\n", QStringLiteral("b"), m2, h));
        QVERIFY(m2.documentDamaged);
        QCOMPARE(entryNames(m2), QStringList{QStringLiteral("A")});
    }

    void unreadableField_data()
    {
        QTest::addColumn<int>("line"); // 1-based line of the second entry to replace
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("date") << 2 << "2003/13/45" << "「2003/13/45」は日付として読めません（収入の「日付」の行のはずです）。";
        QTest::newRow("empty date") << 2 << "" << "は日付として読めません";
        QTest::newRow("pupils") << 3 << " 40000" << "「40000」は収入の「生徒数」として扱える範囲（-32,768～32,767）を超えています。";
        QTest::newRow("receipt") << 6 << "-32769" << "収入の「領収書番号」として扱える範囲";
        QTest::newRow("per pupil") << 7 << " 2147483648" << "収入の「一人分」として扱える範囲（-2,147,483,648～2,147,483,647）";
        QTest::newRow("amount") << 8 << " 1e20" << "「 1e20」は数として読めません（収入の「金額」の行のはずです）。";
        const QString foreign = QStringLiteral("ではない文字コードの文字があります（収入の「項目」の行のはずです）。");
        QTest::newRow("ISO-2022-JP") << 4 << "\x1b$B3X5iHq\x1b(B" << foreign;
        QTest::newRow("UTF-8") << 4 << decodeCp932(QStringLiteral("学級費").toUtf8()) << foreign;
    }
    void unreadableField()
    {
        QFETCH(int, line);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QStringList second = {"True", "2003/04/02", " 30", "B", "", " 0", " 0", " 2"};
        second[line - 1] = text;
        const QByteArray bytes = kHeader + kEntry + fileOf(second) + kEntry;
        LoadedAccount m;
        AccountHeader h;
        try {
            parseAccountFile(bytes, QStringLiteral("field.txt"), m, h);
            QFAIL("no error");
        } catch (const AccountFileError &e) {
            QCOMPARE(e.kind(), AccountFileError::Damaged);
            QCOMPARE(e.line(), qsizetype(15 + line));
            QVERIFY2(e.message().contains(expected), qPrintable(e.message()));
            QVERIFY(e.message().contains(QStringLiteral("field.txt")));
        }
        QVERIFY(m.documentDamaged);
        QCOMPARE(entryNames(m), QStringList{QStringLiteral("A")});
    }

    void misplacedDetailMarks()
    {
        LoadedAccount m;
        AccountHeader h;
        try {
            parseAccountFile(kHeader + "<DETAIL>\r\nx\r\n 1\r\n</DETAIL>\r\n", QStringLiteral("d"), m, h);
            QFAIL("no error");
        } catch (const AccountFileError &e) {
            QCOMPARE(e.line(), qsizetype(8));
            QVERIFY(e.message().contains(QStringLiteral("<DETAIL>")));
        }
        LoadedAccount m2;
        try {
            parseAccountFile(kHeader + kEntry + "</DETAIL>\r\n" + kEntry, QStringLiteral("d"), m2, h);
            QFAIL("no error");
        } catch (const AccountFileError &e) {
            QCOMPARE(e.line(), qsizetype(16));
            QVERIFY(e.message().contains(QStringLiteral("</DETAIL>")));
        }
        QCOMPARE(entryNames(m2), QStringList{QStringLiteral("A")});
    }

    void limits()
    {
        AccountHeader h;
        {   // A line of megabytes.
            LoadedAccount m;
            const QByteArray bytes = kHeader + kEntry + "True\r\n2003/04/01\r\n 0\r\n"
                + QByteArray(4 * 1024 * 1024, 'x') + "\r\n";
            try {
                parseAccountFile(bytes, QStringLiteral("long.txt"), m, h);
                QFAIL("no error");
            } catch (const AccountFileError &e) {
                QCOMPARE(e.line(), qsizetype(19));
                QVERIFY2(e.message().contains(QStringLiteral("行が長すぎます")), qPrintable(e.message()));
            }
            QCOMPARE(entryNames(m).size(), 1);
        }
        {   // More entries of one kind than a 16-bit count holds.
            LoadedAccount m;
            const QByteArray bytes = kHeader + kEntry.repeated(32768);
            try {
                parseAccountFile(bytes, QStringLiteral("many.txt"), m, h);
                QFAIL("no error");
            } catch (const AccountFileError &e) {
                QCOMPARE(e.line(), qsizetype(7 + 32767 * 8 + 1));
                QVERIFY2(e.message().contains(QStringLiteral("収入の件数が多すぎます（32,767 件まで）")),
                         qPrintable(e.message()));
            }
            QCOMPARE(m.incomeCount, qint16(32767));
            QVERIFY(m.documentDamaged);
        }
        {   // A detail block of a million lines.
            LoadedAccount m;
            const QByteArray bytes = kHeader + kEntry + "<DETAIL>\r\n" + QByteArray("x\r\n 1\r\n").repeated(1000000);
            try {
                parseAccountFile(bytes, QStringLiteral("details.txt"), m, h);
                QFAIL("no error");
            } catch (const AccountFileError &e) {
                QCOMPARE(e.line(), qsizetype(16 + 32767 * 2 + 1));
                QVERIFY2(e.message().contains(QStringLiteral("明細の行が多すぎます")), qPrintable(e.message()));
            }
        }
        {   // Many full detail blocks.
            LoadedAccount m;
            const QByteArray block = kEntry + "<DETAIL>\r\n" + QByteArray("x\r\n 1\r\n").repeated(32767)
                + "</DETAIL>\r\n";
            const QByteArray bytes = kHeader + block.repeated(7);
            try {
                parseAccountFile(bytes, QStringLiteral("details.txt"), m, h);
                QFAIL("no error");
            } catch (const AccountFileError &e) {
                QVERIFY2(e.message().contains(QStringLiteral("ファイル全体で 200,000 行まで")),
                         qPrintable(e.message()));
            }
            QCOMPARE(m.incomeCount, qint16(7));
        }
    }

    void tooLargeOrEndlessFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("big.txt"));
        QVERIFY(writeBytes(path, kHeader + QByteArray(kMaxAccountFileBytes, ' ')));
        LoadedAccount m;
        AccountHeader h;
        try {
            readAccountFile(path, m, h);
            QFAIL("no error");
        } catch (const AccountFileError &e) {
            QCOMPARE(e.kind(), AccountFileError::TooLarge);
            QVERIFY(e.message().contains(path));
            QVERIFY(e.message().contains(QStringLiteral("大きすぎる")));
        }
        QVERIFY(!m.documentDamaged);
        if (QFile::exists(QStringLiteral("/dev/zero"))) {
            try {
                readAccountFile(QStringLiteral("/dev/zero"), m, h);
                QFAIL("no error");
            } catch (const AccountFileError &e) {
                QCOMPARE(e.kind(), AccountFileError::CannotOpen); // a device is not even opened
            }
        }
    }

    void backupName_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("backup");
        QTest::newRow("txt") << "/home/u/a.txt" << "/home/u/a.bak";
        QTest::newRow("two full stops") << "/home/u/x.y.txt" << "/home/u/x.y.bak";
        QTest::newRow("school year in the name") << "/home/u/3年2組.2026.txt" << "/home/u/3年2組.2026.bak";
        QTest::newRow("hidden, no suffix") << "/home/u/.account" << "/home/u/.account.bak";
        QTest::newRow("no full stop") << "/home/u/account" << "/home/u/account.bak";
        QTest::newRow("full stop in folder") << "/home/u.v2/account" << "/home/u.v2/account.bak";
        QTest::newRow("both") << "/home/u.v2/a.txt" << "/home/u.v2/a.bak";
        QTest::newRow("relative") << "a.txt" << "a.bak";
        QTest::newRow("Japanese") << "/帳簿.2003/学級会計.txt" << "/帳簿.2003/学級会計.bak";
    }
    void backupName()
    {
        QFETCH(QString, path);
        QFETCH(QString, backup);
        QCOMPARE(backupFileName(path), backup);
    }

    void saveKeepsTheOldFileAsBackupBesideIt()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("2003.class")));
        const QString folder = dir.filePath(QStringLiteral("2003.class"));
        const QString path = folder + QStringLiteral("/account");
        const EntryList list = simpleList();
        AccountHeader h = simpleHeader();

        writeAccountFile(path, h, list);
        QCOMPARE(folderListing(folder), QStringList{QStringLiteral("account")});
        const QByteArray v1 = readBytes(path);

        h.charge = QStringLiteral("二回目");
        writeAccountFile(path, h, list);
        const QByteArray v2 = readBytes(path);
        QVERIFY(v2 != v1);
        QCOMPARE(readBytes(path + QStringLiteral(".bak")), v1);

        h.charge = QStringLiteral("三回目");
        writeAccountFile(path, h, list);
        QCOMPARE(readBytes(path + QStringLiteral(".bak")), v2);
        QCOMPARE(folderListing(folder), (QStringList{"account", "account.bak"}));
        // Nothing outside the file's folder.
        QCOMPARE(folderListing(dir.path()), QStringList{QStringLiteral("2003.class")});
    }

    void fileNamedLikeItsBackupIsSimplyReplaced()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.bak"));
        QVERIFY(writeBytes(path, "old"));
        writeAccountFile(path, simpleHeader(), simpleList());
        QCOMPARE(readBytes(path), encodeAccountFile(simpleHeader(), simpleList()));
        QCOMPARE(folderListing(dir.path()), QStringList{QStringLiteral("a.bak")});
    }

    void unencodableValueIsRefusedAndNothingWritten_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("shown");
        QTest::newRow("school name") << 0 << "「学校」の欄" << "文字「𠮷」（U+20BB7）";
        QTest::newRow("carry-over name") << 1 << "「繰越金の名称」の欄" << "文字「😀」（U+1F600）";
        QTest::newRow("income article") << 2 << "収入 No.2 の「項目」" << "文字「¥」（U+00A5）";
        QTest::newRow("line break") << 3 << "支出 No.1 の「内訳」" << "改行を含む値は保存できません";
        QTest::newRow("detail article") << 4 << "支出 No.1 の明細 3 行目の「項目」" << "文字「𠮷」";
        QTest::newRow("detail end mark") << 5 << "支出 No.1 の明細 1 行目の「項目」" << "明細の終わりの印";
        QTest::newRow("escape") << 6 << "支出 No.1 の「内訳」" << "制御文字（ESC など）を含む値は保存できません";
    }
    void unencodableValueIsRefusedAndNothingWritten()
    {
        QFETCH(int, which);
        QFETCH(QString, place);
        QFETCH(QString, shown);
        AccountHeader h = simpleHeader();
        std::vector<ArticlePtr> entries = simpleEntries();
        entries.push_back(income(d(2003, 5, 1), QStringLiteral("二件目"), 10));
        Entry *firstExpense = entries[1].get();
        Entry *secondIncome = entries[2].get();
        switch (which) {
        case 0: h.schoolName = QStringLiteral("𠮷野小学校"); break;
        case 1:
            h.classMode = false;
            h.carryOverName = QStringLiteral("繰越😀");
            break;
        case 2: secondIncome->article = QStringLiteral("¥100"); break;
        case 3: firstExpense->breakdown = QStringLiteral("一行目\n二行目"); break;
        case 4:
            firstExpense->details->append(DetailLine{QStringLiteral("𠮷"), 5});
            break;
        case 5: firstExpense->details->first().article = QStringLiteral("</DETAIL>"); break;
        case 6: firstExpense->breakdown = QStringLiteral("\x1b$B"); break;
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.txt"));
        QVERIFY(writeBytes(path, "old account"));
        QVERIFY(writeBytes(dir.filePath(QStringLiteral("a.bak")), "old backup"));
        try {
            writeAccountFile(path, h, listOf(entries));
            QFAIL("no error");
        } catch (const AccountFileError &e) {
            QCOMPARE(e.kind(), AccountFileError::CannotEncode);
            QVERIFY2(e.message().contains(QStringLiteral("場所: ") + place), qPrintable(e.message()));
            QVERIFY2(e.message().contains(shown), qPrintable(e.message()));
            QVERIFY(e.message().contains(QStringLiteral("保存しませんでした")));
        }
        QCOMPARE(readBytes(path), QByteArray("old account"));
        QCOMPARE(readBytes(dir.filePath(QStringLiteral("a.bak"))), QByteArray("old backup"));
        QCOMPARE(folderListing(dir.path()), (QStringList{"a.bak", "a.txt"}));
    }

    void saveIntoAFolderThatIsAFile()
    {
        QTemporaryDir dir;
        const QString notAFolder = dir.filePath(QStringLiteral("plain"));
        QVERIFY(writeBytes(notAFolder, "plain file"));
        const QString path = notAFolder + QStringLiteral("/a.txt");
        try {
            writeAccountFile(path, simpleHeader(), simpleList());
            QFAIL("no error");
        } catch (const AccountFileError &e) {
            QCOMPARE(e.kind(), AccountFileError::CannotWrite);
            QVERIFY2(e.message().contains(QStringLiteral("ファイル「%1」に保存できませんでした。").arg(path)),
                     qPrintable(e.message()));
            QVERIFY(e.message().contains(QStringLiteral("ファイルを作れませんでした")));
        }
        QCOMPARE(readBytes(notAFolder), QByteArray("plain file"));
        QCOMPARE(folderListing(dir.path()), QStringList{QStringLiteral("plain")});
    }

    // The temporary file's name is longer than the folder allows: a real
    // failure to create it, next to an existing file, even for root.
    void saveFailsBesideAnExistingFile()
    {
        QTemporaryDir dir;
        const QString name = QStringLiteral("a.") + QString(245, QLatin1Char('x')) + QStringLiteral(".txt");
        const QString path = dir.filePath(name);
        QVERIFY(writeBytes(path, "old account"));
        QVERIFY(writeBytes(dir.filePath(QStringLiteral("a.bak")), "old backup"));
        try {
            writeAccountFile(path, simpleHeader(), simpleList());
            QFAIL("no error");
        } catch (const AccountFileError &e) {
            QCOMPARE(e.kind(), AccountFileError::CannotWrite);
            QVERIFY(e.message().contains(path));
            QVERIFY(e.message().contains(QStringLiteral("元のファイルとバックアップは変更されていません")));
        }
        QCOMPARE(readBytes(path), QByteArray("old account"));
        QCOMPARE(readBytes(dir.filePath(QStringLiteral("a.bak"))), QByteArray("old backup"));
        QCOMPARE(folderListing(dir.path()).size(), 2);
    }

    void saveIntoReadOnlyFolder()
    {
        if (geteuid() == 0)
            QSKIP("permission bits do not stop root; covered by the other failures");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.txt"));
        QVERIFY(writeBytes(path, "old account"));
        QVERIFY(writeBytes(dir.filePath(QStringLiteral("a.bak")), "old backup"));
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        try {
            writeAccountFile(path, simpleHeader(), simpleList());
            QFAIL("no error");
        } catch (const AccountFileError &e) {
            QCOMPARE(e.kind(), AccountFileError::CannotWrite);
            QVERIFY(e.message().contains(path));
        }
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(readBytes(path), QByteArray("old account"));
        QCOMPARE(readBytes(dir.filePath(QStringLiteral("a.bak"))), QByteArray("old backup"));
    }
};

HARUMOKA_CORE_TEST_MAIN(TestAccountFileFailures)
#include "tst_account_file_failures.moc"
