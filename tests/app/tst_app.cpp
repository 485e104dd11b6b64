// The program as scripts and the desktop see it: the command line (PDF and
// CSV export), the recent-files list and the MIME type of account files.
#include "app/cli.h"
#include "storage/recent_files.h"
#include "model/document.h"
#include "model/periods.h"
#include "model/values.h"
#include "print/csv_export.h"
#include "storage/codec.h"
#include "support/test_main.h"
#include "support/test_util.h"
#include "support/window_fixture.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>

// An RFC 4180 reader written for the test, independent of the writer.
static QList<QStringList> parseCsv(const QString &text)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                    field += QLatin1Char('"');
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            row << field;
            field.clear();
        } else if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) {
            row << field;
            rows << row;
            row.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return rows;
}

static QString sampleFile()
{
    return QStringLiteral(HARUMOKA_SOURCE_DIR "/docs/sample/sample.txt");
}

static int run(const QStringList &args, QString *err = nullptr, QString *out = nullptr)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    // As under cron or ssh: Qt would have notes about it for standard error.
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(HARUMOKA_EXE), args);
    if (!p.waitForFinished(60000))
        return -1;
    if (err)
        *err = QString::fromUtf8(p.readAllStandardError());
    if (out)
        *out = QString::fromUtf8(p.readAllStandardOutput());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

class TestApp : public QObject {
    Q_OBJECT
private slots:
    void commandLineParsing()
    {
        CommandLine cl = parseCommandLine({"harumoka", "--pdf", "o.pdf", "--kind", "4", "--date", "2027-03-20",
                                           "--one-column", "--carry-as-expense", "--addressee", "保護者様", "a.txt"});
        QVERIFY(cl.error.isEmpty());
        QCOMPARE(cl.kind, 4);
        QVERIFY(cl.oneColumn && cl.carryAsExpense && cl.headless());
        QCOMPARE(cl.addressee, QStringLiteral("保護者様"));
        QCOMPARE(cl.file, QStringLiteral("a.txt"));
        QVERIFY(!parseCommandLine({"harumoka", "--pdf", "o.pdf", "--kind", "13", "a.txt"}).error.isEmpty());
        QVERIFY(!parseCommandLine({"harumoka", "--pdf", "o.pdf"}).error.isEmpty());
        QVERIFY(!parseCommandLine({"harumoka", "--date", "2027/03/20", "a.txt"}).error.isEmpty());
        QVERIFY(!parseCommandLine({"harumoka", "--bogus"}).error.isEmpty());
        QCOMPARE(parseCommandLine({"harumoka", "--csv", "o.csv", "--csv-encoding", "UTF-8", "a.txt"}).csvEncoding,
                 CsvEncoding::Utf8Bom);
        QCOMPARE(parseCommandLine({"harumoka", "--csv", "o.csv", "a.txt"}).csvEncoding, CsvEncoding::ShiftJis);
        QVERIFY(!parseCommandLine({"harumoka", "--csv", "o.csv", "--csv-encoding", "latin1", "a.txt"}).error.isEmpty());
        QVERIFY(!parseCommandLine({"harumoka", "--pdf", "o.pdf", "--csv-encoding", "utf-8", "a.txt"}).error.isEmpty());
        QVERIFY(parseCommandLine({"harumoka", "a.txt"}).error.isEmpty());
        QVERIFY(!parseCommandLine({"harumoka", "a.txt"}).headless());
    }

    void headlessExportWritesPdfAndCsv()
    {
        QTemporaryDir dir;
        QString err, out;
        QCOMPARE(run({"--help"}, &err, &out), 0);
        QVERIFY(out.contains(QStringLiteral("--pdf")));
        QVERIFY(out.contains(QStringLiteral("年間会計報告")));

        const QString pdf = dir.filePath(QStringLiteral("r.pdf"));
        QCOMPARE(run({"--pdf", pdf, "--kind", "12", "--date", "2027-03-20", sampleFile()}, &err), 0);
        QVERIFY2(QFile(pdf).size() > 1000, qPrintable(err));
        // Standard error carries the program's own messages, and there are none.
        QVERIFY2(err.isEmpty(), qPrintable(err));
        if (!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
            QProcess p;
            p.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
            p.waitForFinished(20000);
            const QString text = QString::fromUtf8(p.readAllStandardOutput());
            QVERIFY(text.contains(QStringLiteral("令和9年3月20日")));
            QVERIFY(text.contains(QStringLiteral("一年間ご協力ありがとうございました。")));
        }

        const QString csv = dir.filePath(QStringLiteral("l.csv"));
        QCOMPARE(run({"--csv", csv, "--kind", "1", sampleFile()}, &err), 0);
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.contains("\r\n"));
        const QList<QStringList> rows = parseCsv(decodeCp932(bytes));
        QCOMPARE(rows.first(), (QStringList{"日付", "領収書", "項目", "収入", "支出", "残高"}));
        QCOMPARE(rows.at(1), (QStringList{"2026/04/10", "", "学級費 4月分", "48000", "", "48000"}));
        QCOMPARE(rows.at(2), (QStringList{"2026/04/15", "1", "画用紙 図工", "", "3240", "44760"}));
        QCOMPARE(rows.at(rows.size() - 2), (QStringList{"", "", "１学期 合計", "144000", "27170", "116830"}));
        QCOMPARE(rows.last(), (QStringList{"", "", "２学期へ繰り越し", "", "116830", ""}));

        // A detail mismatch is stated on standard error (not asked) and the export goes on.
        const QString mismatched = dir.filePath(QStringLiteral("m.txt"));
        writeCp932(mismatched, {"iMekalu135", "True", "", "", "", "", "", "False", "2026/05/01", " 0", "紙", "",
                                " 0", " 0", " 300", "<DETAIL>", "A", " 100", "</DETAIL>"});
        const QString mpdf = dir.filePath(QStringLiteral("m.pdf"));
        QCOMPARE(run({"--pdf", mpdf, "--kind", "1", mismatched}, &err), 0);
        QCOMPARE(err, QStringLiteral("注意: 支出表の1番目の記載金額と、その明細書の合計金額が違っています。\n"));
        QVERIFY(QFile::exists(mpdf));

        // Errors: a clear message and a non-zero status.
        QVERIFY(run({"--pdf", pdf, "--kind", "1", dir.filePath(QStringLiteral("missing.txt"))}, &err) != 0);
        QVERIFY(err.contains(QStringLiteral("missing.txt")));
        QVERIFY(run({"--pdf", pdf, "--kind", "99", sampleFile()}, &err) != 0);
        QVERIFY(err.contains(QStringLiteral("--kind")));
    }

    void csvQuotingAndSummaryTable()
    {
        Document doc;
        doc.recordEntry(*income(d(2026, 5, 1), "会費, 5月", 100, "\"特別\""), nullptr);
        doc.recordEntry(*expense(d(2026, 5, 2), "紙", 30), nullptr);
        PrintSettings ps;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.csv"));
        exportCsv(doc, ps, Printout::fromKind(2), path);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text = decodeCp932(f.readAll());
        QVERIFY(text.contains(QStringLiteral("\"会費, 5月\",\"\"\"特別\"\"\"")));
        const QList<QStringList> rows = parseCsv(text);
        QCOMPARE(rows.at(1), (QStringList{"1", "会費, 5月", "\"特別\"", "100", "", "100"}));
        QCOMPARE(rows.at(2), (QStringList{"2", "紙", "", "", "30", "70"}));
        QCOMPARE(rows.at(3), (QStringList{"", "合計", "", "100", "30", "70"}));
        // A character Shift_JIS cannot hold is refused, and nothing is written.
        doc.recordEntry(*income(d(2026, 6, 1), "𠮷", 1), nullptr);
        const QString bad = dir.filePath(QStringLiteral("bad.csv"));
        QVERIFY_THROWS_EXCEPTION(HarumokaError, exportCsv(doc, ps, Printout::fromKind(2), bad));
        QVERIFY(!QFile::exists(bad));
    }

    // The encoding is the filter the user leaves selected in the save dialog,
    // offered again next time.
    void csvFromTheWindowMenu_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QByteArray>("start");
        QTest::newRow("Shift_JIS") << 0 << encodeCp932(QStringLiteral("日付"));
        QTest::newRow("UTF-8") << 1 << QByteArray("\xEF\xBB\xBF") + QStringLiteral("日付").toUtf8();
    }
    void csvFromTheWindowMenu()
    {
        QFETCH(int, filter);
        QFETCH(QByteArray, start);
        WindowFixture f;
        f.add(income(d(2026, 5, 1), "学級費", 1000));
        f.refill();
        const QString path = f.path(QStringLiteral("w.csv"));
        f.dialogs.expectSave(path, filter).expectSave(QString());
        f.w->mnuFileCsv->trigger();
        f.w->mnuFileCsv->trigger();
        QVERIFY(f.dialogs.done());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith(start));
        QVERIFY(bytes.contains(filter ? QStringLiteral("学級費").toUtf8() : encodeCp932(QStringLiteral("学級費"))));
        QCOMPARE(f.dialogs.fileRequests.last().selectedFilter, filter);
    }

    void recentFilesOpenThroughTheOpenPath()
    {
        WindowFixture f;
        for (int i = 0; i < 10; ++i)
            addRecentFile(f.path(QStringLiteral("f%1.txt").arg(i)));
        QCOMPARE(recentFiles().size(), kMaxRecentFiles);
        QCOMPARE(recentFiles().first(), f.path(QStringLiteral("f9.txt")));
        const QString name = f.path(QStringLiteral("recent.txt"));
        writeCp932(name, {"iMekalu135", "True", "", "", "", "", "", "True", "2026/05/01", " 30", "学級費", "", " 0",
                          " 0", " 100"});
        f.w->openFile(name);
        QCOMPARE(recentFiles().first(), QDir::cleanPath(name));
        f.w->fillRecentMenu();
        QVERIFY(f.w->mnuFileRecent->isEnabled());
        QVERIFY(f.w->mnuFileRecent->actions().first()->text().contains(QStringLiteral("recent.txt")));
        // Opening from the list runs Close first, with its question.
        f.doc().setModified(true);
        f.dialogs.expectMessage(QStringLiteral("ﾌｧｲﾙが保存していません。保存しますか？"), Dialogs::Answer::No);
        f.w->mnuFileRecent->actions().first()->trigger();
        QVERIFY(f.dialogs.done());
        QCOMPARE(f.doc().fileName(), name);
        // A file that is gone is taken off the list with a message.
        f.dialogs.expectMessageContaining(QStringLiteral("見つかりません"));
        f.w->openRecentFile(f.path(QStringLiteral("f9.txt")));
        QVERIFY(!recentFiles().contains(f.path(QStringLiteral("f9.txt"))));
    }

    void accountFilesHaveTheirOwnMimeType()
    {
        // Install the MIME package into this test's private data folder.
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        QVERIFY(QDir().mkpath(data + QStringLiteral("/mime/packages")));
        const QString target = data + QStringLiteral("/mime/packages/harumoka.xml");
        QFile::remove(target);
        QVERIFY(QFile::copy(QStringLiteral(HARUMOKA_SOURCE_DIR "/dist/harumoka-mime.xml"), target));
        QMimeDatabase db;
        QTemporaryDir dir;
        // Desktops decide ".txt" names by the name; names without such an
        // ending (a copy sent by mail, "3年2組会計") are told by their first line.
        for (const char *magic : {"iMekalu135", "iMekalu", "Mekalu"}) {
            const QString path = dir.filePath(QStringLiteral("会計-%1").arg(QLatin1String(magic)));
            writeCp932(path, {QString::fromLatin1(magic), "True"});
            QCOMPARE(db.mimeTypeForFile(path).name(), QStringLiteral("application/x-harumoka-account"));
        }
        const QString plain = dir.filePath(QStringLiteral("plain"));
        writeCp932(plain, {"hello"});
        QCOMPARE(db.mimeTypeForFile(plain).name(), QStringLiteral("text/plain"));
    }
};

HARUMOKA_TEST_MAIN(TestApp)
#include "tst_app.moc"
