// The program as scripts and the desktop see it: the command line (PDF and
// CSV export), the recent-files list and the MIME type of account files.
#include "app/cli.h"
#include "storage/recent_files.h"
#include "model/document.h"
#include "model/periods.h"
#include "model/values.h"
#include "print/csv_export.h"
#include "storage/codec.h"
#include "support/full_disk.h"
#include "support/test_main.h"
#include "support/test_util.h"
#include "support/window_fixture.h"
#include "support/parts.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMimeDatabase>
#include <QProcess>
#include <csignal>
#include <sys/prctl.h>
#include <QStandardPaths>
#include <optional>

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

static int run(const QStringList &args, QString *err = nullptr, QString *out = nullptr, const QString &tmpdir = QString())
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    // As under cron or ssh: Qt would have notes about it for standard error.
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    if (!tmpdir.isEmpty())
        env.insert(QStringLiteral("TMPDIR"), tmpdir);
    p.setProcessEnvironment(env);
    // Ended with the test whatever happens to it, and waited for less than
    // the test's own watchdog.
    p.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    p.start(QStringLiteral(HARUMOKA_EXE), args);
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    if (err)
        *err = QString::fromUtf8(p.readAllStandardError());
    if (out)
        *out = QString::fromUtf8(p.readAllStandardOutput());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

class TestApp : public QObject {
    Q_OBJECT
private slots:
    // Command lines as scripts give them, against exit status, standard error
    // and what was written. ACCOUNT is the sample, MISMATCH an account whose
    // detail lines disagree, OUT the output (on a disk that fills up where
    // `disk` says so); `out` lists, "|" between, what the CSV (decoded), the
    // PDF's text or standard output holds. A failure writes nothing, and the
    // account is never touched.
    void commandLines_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("err"); // how standard error begins; "" empty
        QTest::addColumn<QString>("out");
        QTest::addColumn<int>("disk"); // FullDisk::Kind, -1 an ordinary folder
        auto row = [](const char *name, const char *args, int status, const char *err, const char *out = "",
                      int disk = -1) {
            QString e = QString::fromUtf8(err);
            if (status == 2)
                e += QStringLiteral("\nharumoka --help で使い方を表示します。\n");
            QTest::newRow(name) << QString::fromUtf8(args) << status << e << QString::fromUtf8(out) << disk;
        };
        row("help", "--help", 0, "", "使い方: harumoka|--carry-as-expense");
        row("default kind: the year ledger", "--csv OUT.csv ACCOUNT", 0, "", "日付,領収書|,, 合計,268000,51400,216600\r\n");
        row("term 1: carried over after the total", "--csv OUT.csv --kind 1 ACCOUNT", 0, "",
            ",,１学期 合計,144000,27170,116830\r\n,,２学期へ繰り越し,,116830,\r\n");
        row("term 1: carried over as an expense", "--csv OUT.csv --kind 1 --carry-as-expense ACCOUNT", 0, "",
            ",,２学期へ繰り越し,,116830,0\r\n,,１学期 合計,144000,144000,0\r\n");
        row("UTF-8 summary", "--csv OUT.csv --kind 2 --csv-encoding utf-8 ACCOUNT", 0, "", "\uFEFFNo.,項目");
        row("report options", "--pdf OUT.pdf --kind 2 --date 2027-03-20 --addressee 保護者様 --one-column ACCOUNT", 0,
            "", "令和9年3月20日|保護者様|2,160円\n"); // one expense to a line
        row("report dated today", "--pdf OUT.pdf --kind 12 ACCOUNT", 0, "", "TODAY|一年間ご協力ありがとうございました。");
        row("mismatch said, exported", "--pdf OUT.pdf --kind 1 MISMATCH", 0,
            "注意: 支出表の1番目の記載金額と、その明細書の合計金額が違っています。\n", "%PDF");
        row("unknown option", "--csv OUT.csv --bogus ACCOUNT", 2, "知らないオプションです: --bogus");
        row("kind 15", "--pdf OUT.pdf --kind 15 ACCOUNT", 2, "--kind には 1 から 14 までの番号を指定してください。");
        row("kind not a number", "--pdf OUT.pdf --kind 1x ACCOUNT", 2, "--kind には 1 から 14 までの番号を指定してください。");
        row("no such day", "--pdf OUT.pdf --kind 12 --date 2027-02-30 ACCOUNT", 2, "--date は YYYY-MM-DD の形で指定してください。");
        row("date with slashes", "--pdf OUT.pdf --date 2027/03/20 ACCOUNT", 2, "--date は YYYY-MM-DD の形で指定してください。");
        row("value missing", "--pdf OUT.pdf ACCOUNT --kind", 2, "--kind には値が必要です。");
        row("empty value", "--pdf EMPTY ACCOUNT", 2, "--pdf には値が必要です。");
        row("no account", "--pdf OUT.pdf", 2, "書き出す学級会計のファイルを指定してください。");
        row("two accounts", "--pdf OUT.pdf ACCOUNT MISMATCH", 2, "ファイルは一つだけ指定してください。");
        row("unknown encoding", "--csv OUT.csv --csv-encoding latin1 ACCOUNT", 2,
            "--csv-encoding には shift_jis か utf-8 を指定してください。");
        row("encoding without --csv", "--pdf OUT.pdf --csv-encoding utf-8 ACCOUNT", 2,
            "--csv-encoding は --csv と一緒に指定してください。");
        row("export option alone", "--carry-as-expense ACCOUNT", 2, "--carry-as-expense は --pdf、--csv か --print と一緒に指定してください。");
        row("PDF and CSV into one file", "--pdf OUT.pdf --csv OUT.pdf ACCOUNT", 2,
            "--pdf と --csv には別々のファイルを指定してください。");
        row("account missing", "--csv OUT.csv MISSING", 1, "ファイル「MISSING」");
        row("the account as the output", "--csv ACCOUNT --kind 1 ACCOUNT", 1, "書き出し先「ACCOUNT」は");
        row("folder missing", "--pdf NOWHERE/OUT.pdf ACCOUNT", 1, "PDFファイル「NOWHERE/OUT.pdf」を書き込めませんでした。\n");
        row("PDF on a full disk", "--pdf OUT.pdf ACCOUNT", 1, "PDFファイル「OUT.pdf」を書き込めませんでした。\n", "",
            FullDisk::WriteFails);
        // The printout is drawn into the temporary folder first: cut short
        // there, it replaces nothing.
        row("PDF drawn on a full disk", "--pdf OUT.pdf ACCOUNT", 1, "PDFファイル「OUT.pdf」を書き込めませんでした。\n", "",
            FullDisk::WriteFails + 2);
        row("PDF flush fails", "--pdf OUT.pdf ACCOUNT", 1, "PDFファイル「OUT.pdf」を書き込めませんでした。\n", "",
            FullDisk::FlushFails);
        row("CSV flush fails", "--csv OUT.csv ACCOUNT", 1, "ファイル「OUT.csv」に保存できませんでした。", "",
            FullDisk::FlushFails);
    }
    void commandLines()
    {
        QFETCH(QString, args);
        QFETCH(int, status);
        QFETCH(QString, err);
        QFETCH(QString, out);
        QFETCH(int, disk);
        QTemporaryDir dir;
        std::optional<FullDisk> full;
        const bool fullTemp = disk >= 2; // the temporary folder on the full disk, OUT beside an older PDF
        if (disk >= 0 && !full.emplace(FullDisk::Kind(disk % 2)).skipReason.isEmpty())
            QSKIP(qPrintable(full->skipReason));
        const QString output = full && !fullTemp ? full->path(QStringLiteral("out")) : dir.filePath(QStringLiteral("out"));
        const QByteArray olderPdf = "%PDF-1.4 an older printout\n%%EOF\n";
        QVERIFY(!fullTemp || writeBytes(output + QStringLiteral(".pdf"), olderPdf));
        const QString account = dir.filePath(QStringLiteral("3年2組.txt"));
        QVERIFY(QFile::copy(sampleFile(), account));
        writeCp932(dir.filePath(QStringLiteral("m.txt")), {"iMekalu135", "True", "", "", "", "", "", "False", "2026/05/01",
                                                           " 0", "紙", "", " 0", " 0", " 300", "<DETAIL>", "A", " 100", "</DETAIL>"});
        const QByteArray accountBytes = readBytes(account);
        const QList<std::pair<const char *, QString>> names = {
            {"OUT", output}, {"ACCOUNT", account}, {"MISMATCH", dir.filePath(QStringLiteral("m.txt"))},
            {"MISSING", dir.filePath(QStringLiteral("missing.txt"))}, {"NOWHERE", dir.filePath(QStringLiteral("nowhere"))},
            {"TODAY", eraDateText(QDate::currentDate())}};
        auto expand = [&](QString s) {
            for (const auto &[name, value] : names)
                s.replace(QLatin1String(name), value);
            return s;
        };
        QStringList argv = args.split(QLatin1Char(' '));
        for (QString &a : argv)
            a = a == QLatin1String("EMPTY") ? QString() : expand(a);
        if (full)
            full->fill(8192);
        QString e, o;
        QCOMPARE(run(argv, &e, &o, fullTemp ? full->path(QString()) : QString()), status);
        QVERIFY2(err.isEmpty() ? e.isEmpty() : e.startsWith(expand(err)), qPrintable(e));
        QCOMPARE(readBytes(account), accountBytes);
        if (fullTemp) {
            QCOMPARE(readBytes(output + QStringLiteral(".pdf")), olderPdf);
            return;
        }
        for (const QString &file : {output + QStringLiteral(".csv"), output + QStringLiteral(".pdf")}) {
            if (!QFile::exists(file))
                continue;
            QVERIFY2(status == 0, qPrintable(file + QStringLiteral(" written")));
            const QByteArray bytes = readBytes(file);
            if (file.endsWith(QLatin1String(".csv"))) {
                o += bytes.startsWith("\xEF\xBB\xBF") ? QString::fromUtf8(bytes) : decodeCp932(bytes);
            } else {
                QProcess p;
                p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
                QVERIFY(p.waitForFinished(60000));
                o += QString::fromLatin1(bytes.left(4)) + QString::fromUtf8(p.readAllStandardOutput());
            }
        }
        for (const QString &part : out.split(QLatin1Char('|'), Qt::SkipEmptyParts))
            QVERIFY2(o.contains(expand(part)), qPrintable(expand(part) + QStringLiteral(" not in:\n") + o));
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
        part<QAction>(*f.w, "mnuFileCsv")->trigger();
        part<QAction>(*f.w, "mnuFileCsv")->trigger();
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
        f.w->documentCommands().openFile(name);
        QCOMPARE(recentFiles().first(), QDir::cleanPath(name));
        f.w->fillRecentMenu();
        QVERIFY(part<QMenu>(*f.w, "mnuFileRecent")->isEnabled());
        QVERIFY(part<QMenu>(*f.w, "mnuFileRecent")->actions().first()->text().contains(QStringLiteral("recent.txt")));
        // Opening from the list runs Close first, with its question.
        f.doc().setModified(true);
        f.dialogs.expectMessage(QStringLiteral("ﾌｧｲﾙが保存していません。保存しますか？"), Dialogs::Answer::No);
        part<QMenu>(*f.w, "mnuFileRecent")->actions().first()->trigger();
        QVERIFY(f.dialogs.done());
        QCOMPARE(f.doc().fileName(), name);
        // A file that is gone is taken off the list with a message.
        f.dialogs.expectMessageContaining(QStringLiteral("見つかりません"));
        f.w->documentCommands().openRecent(f.path(QStringLiteral("f9.txt")));
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
