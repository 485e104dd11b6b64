// The settings file (remembered article names) and the window placement.
#include "model/values.h"
#include "storage/codec.h"
#include "storage/placement.h"
#include "storage/settings_file.h"
#include "support/test_util.h"
#include "support/core_test_main.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {



QByteArray fileOf(const QStringList &lines)
{
    QByteArray out;
    for (const QString &l : lines)
        out += encodeCp932(l) + "\r\n";
    return out;
}

void append(SelectionList &head, const QString &name, qint16 count, const QDate &date)
{
    head.appendSelectionWithCount(RememberedName{name, count, makeDate(date)});
}

// "name count yyyy/MM/dd" per record.
QStringList dump(const SelectionList &head)
{
    QStringList out;
    for (const RememberedName &s : head.records())
        out << QStringLiteral("%1 %2 %3").arg(s.name).arg(s.count).arg(generalDate(s.lastUsed));
    return out;
}

} // namespace

class TestSettingsStorage : public QObject {
    Q_OBJECT

private slots:
    void init() { setTodayForTesting(QDate(2005, 6, 1)); }
    void cleanup() { setTodayForTesting(QDate()); }

    void emptyListsGiveTwoSectionLines()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Mekalu.ini"));
        SelectionList income, supply;
        writeSelectionFile(path, income, supply);
        QCOMPARE(readBytes(path), QByteArray("Income\r\nSupply\r\n"));
        SelectionList income2, supply2;
        readSelectionFile(path, income2, supply2);
        QVERIFY(income2.records().isEmpty() && supply2.records().isEmpty());
    }

    void roundTripWithExactBytes()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Mekalu.ini"));
        SelectionList income, supply;
        append(income, QStringLiteral("学級費"), 1, QDate(2005, 4, 10));
        append(income, QStringLiteral("学級費"), 1, QDate(2005, 5, 10)); // count 2, first
        append(income, QStringLiteral("ソフト"), 1, QDate(2004, 1, 2));
        append(supply, QStringLiteral("文具"), 1, QDate(2003, 12, 24));
        writeSelectionFile(path, income, supply);
        QCOMPARE(readBytes(path), QByteArray("Income\r\n"
                                             "\x8a\x77\x8b\x89\x94\xef\r\n 2\r\n2005/05/10\r\n"
                                             "\x83\x5c\x83\x74\x83\x67\r\n 1\r\n2004/01/02\r\n"
                                             "Supply\r\n"
                                             "\x95\xb6\x8b\xef\r\n 1\r\n2003/12/24\r\n"));
        SelectionList income2, supply2;
        readSelectionFile(path, income2, supply2);
        QCOMPARE(dump(income2), dump(income));
        QCOMPARE(dump(supply2), dump(supply));
    }

    void listsSaveAndLoadThroughAPath()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Mekalu.ini"));
        SelectionLists names;
        append(names.supply, QStringLiteral("画用紙"), 1, QDate(2005, 5, 1));
        writeSelectionFile(path, names.income, names.supply);
        names.reset();
        QVERIFY(names.supply.records().isEmpty());
        readSelectionFile(path, names.income, names.supply);
        QCOMPARE(dump(names.supply), QStringList{QStringLiteral("画用紙 1 2005/05/01")});
        QVERIFY(names.income.records().isEmpty());
    }

    void supplyNameInIncomeSectionSwitchesSections()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Mekalu.ini"));
        QVERIFY(writeBytes(path, fileOf({"Income", "A", " 1", "2005/04/01", "Supply", "B", " 3",
                                         "2005/04/02", "Supply", "C", " 1", "2005/04/03"})));
        SelectionList income, supply;
        readSelectionFile(path, income, supply);
        QCOMPARE(dump(income), QStringList{QStringLiteral("A 1 2005/04/01")});
        QCOMPARE(dump(supply), (QStringList{"B 3 2005/04/02", "C 1 2005/04/03"}));
    }

    void namesUnusedForMoreThanTwoYearsAreForgottenOnLoad()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Mekalu.ini"));
        // Today is 2005-06-01: 2002 + 2 < 2005 goes, 2003 stays.
        QVERIFY(writeBytes(path, fileOf({"Income", "old", " 9", "2002/12/31", "kept", " 5", "2003/01/01",
                                         "new", " 1", "2005/05/01", "Supply", "gone", " 2", "2001/04/01"})));
        SelectionList income, supply;
        readSelectionFile(path, income, supply);
        QCOMPARE(dump(income), (QStringList{"kept 5 2003/01/01", "new 1 2005/05/01"}));
        QVERIFY(supply.records().isEmpty());
    }

    void malformedFilesEndQuietlyKeepingWhatWasRead_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("income");
        const QByteArray good = fileOf({"Income", "A", " 1", "2005/04/01"});
        QTest::newRow("wrong first line") << fileOf({"income", "A", " 1", "2005/04/01"}) << QStringList();
        QTest::newRow("truncated last record") << good + fileOf({"B", " 1"}) << QStringList{"A 1 2005/04/01"};
        QTest::newRow("name without lines") << good + fileOf({"B"}) << QStringList{"A 1 2005/04/01"};
        QTest::newRow("count out of range") << good + fileOf({"B", " 40000", "2005/04/01", "C", " 1", "2005/04/01"})
                                            << QStringList{"A 1 2005/04/01"};
        QTest::newRow("not a date") << good + fileOf({"B", " 1", "someday", "C", " 1", "2005/04/01"})
                                    << QStringList{"A 1 2005/04/01"};
        QTest::newRow("bytes not code page 932") << good + QByteArray("B\x80\r\n 1\r\n2005/04/01\r\n")
                                                 << QStringList{"A 1 2005/04/01"};
        QTest::newRow("LF line ends") << QByteArray("Income\nA\n 1\n2005/04/01\nSupply\n")
                                      << QStringList{"A 1 2005/04/01"};
    }
    void malformedFilesEndQuietlyKeepingWhatWasRead()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, income);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Mekalu.ini"));
        QVERIFY(writeBytes(path, bytes));
        SelectionList in, out;
        readSelectionFile(path, in, out);
        QCOMPARE(dump(in), income);
        QVERIFY(out.records().isEmpty());
    }

    void missingFileLoadsNothing()
    {
        QTemporaryDir dir;
        SelectionList income, supply;
        readSelectionFile(dir.filePath(QStringLiteral("none.ini")), income, supply);
        QVERIFY(income.records().isEmpty() && supply.records().isEmpty());
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("none.ini"))));
    }

    void namesTheFileCannotHoldAreLeftOut()
    {
        SelectionList income, supply;
        append(income, QStringLiteral("𠮷野"), 1, QDate(2005, 4, 1));
        append(income, QStringLiteral("二行\nの名前"), 1, QDate(2005, 4, 1));
        append(income, QStringLiteral("ok"), 1, QDate(2005, 4, 1));
        QCOMPARE(encodeSelectionFile(income, supply), QByteArray("Income\r\nok\r\n 1\r\n2005/04/01\r\nSupply\r\n"));
    }

    void writeFailureNamesTheFile()
    {
        QTemporaryDir dir;
        const QString plain = dir.filePath(QStringLiteral("plain"));
        QVERIFY(writeBytes(plain, "x"));
        const QString path = plain + QStringLiteral("/Mekalu.ini");
        SelectionList income, supply;
        try {
            writeSelectionFile(path, income, supply);
            QFAIL("no error");
        } catch (const HarumokaError &e) {
            QVERIFY2(e.message().contains(QStringLiteral("設定ファイル「%1」に書き込めませんでした").arg(path)),
                     qPrintable(e.message()));
        }
        QCOMPARE(readBytes(plain), QByteArray("x"));
    }

    void writeReplacesTheOldFileWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Mekalu.ini"));
        QVERIFY(writeBytes(path, QByteArray(10000, 'z')));
        SelectionList income, supply;
        writeSelectionFile(path, income, supply);
        QCOMPARE(readBytes(path), QByteArray("Income\r\nSupply\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Mekalu.ini")});
    }

    void theProgramFolderHoldsTheSettingsOnlyInABuildTree()
    {
        // An installed program, even in a folder it can write (root, ~/.local/bin):
        // the user's configuration folder.
        QTemporaryDir root;
        const QString bin = root.filePath(QStringLiteral("usr/bin"));
        QVERIFY(QDir().mkpath(bin));
        const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
        QCOMPARE(defaultSettingsFilePath(bin), QDir(config).filePath(QStringLiteral("Mekalu.ini")));
        QVERIFY(QFileInfo(config).isDir());
        // A build run from its own tree keeps it beside itself, as the older program did.
        const QString built = root.filePath(QStringLiteral("build/src"));
        QVERIFY(QDir().mkpath(built));
        QVERIFY(writeBytes(root.filePath(QStringLiteral("build/CMakeCache.txt")), QByteArray()));
        QCOMPARE(defaultSettingsFilePath(built), QDir(built).filePath(QStringLiteral("Mekalu.ini")));
    }

    void placementWrittenAndReadBack()
    {
        QSettings(QStringLiteral("ハルモカ"), QStringLiteral("ハルモカ")).clear();
        WindowPlacement p{1, 2, 3, 4};
        QVERIFY(!readWindowPlacement(p));
        QCOMPARE(p.left, 1); // left alone

        QVERIFY(writeWindowPlacement({1440, -300, 9600, 7200}));
        WindowPlacement back;
        QVERIFY(readWindowPlacement(back));
        QCOMPARE(back.left, 1440);
        QCOMPARE(back.top, -300);
        QCOMPARE(back.width, 9600);
        QCOMPARE(back.height, 7200);

        QSettings settings(QStringLiteral("ハルモカ"), QStringLiteral("ハルモカ"));
        // Stored as text, in the test's own configuration folder.
        QCOMPARE(settings.value(QStringLiteral("Settings/MainWidth")).metaType().id(), int(QMetaType::QString));
        QCOMPARE(settings.value(QStringLiteral("Settings/MainWidth")).toString(), QStringLiteral("9600"));
        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
        if (!config.isEmpty())
            QVERIFY2(settings.fileName().startsWith(config), qPrintable(settings.fileName()));

        // One value missing or not a number: nothing usable was stored.
        settings.remove(QStringLiteral("Settings/MainTop"));
        settings.sync();
        QVERIFY(!readWindowPlacement(back));
        settings.setValue(QStringLiteral("Settings/MainTop"), QStringLiteral("abc"));
        settings.sync();
        QVERIFY(!readWindowPlacement(back));
    }
};

HARUMOKA_CORE_TEST_MAIN(TestSettingsStorage)
#include "tst_settings_storage.moc"
