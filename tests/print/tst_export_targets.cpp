// An export never overwrites an account: not the open one, not the input
// of a headless run, not through a link, not any other account file.
#include "app/cli.h"
#include "model/document.h"
#include "model/values.h"
#include "print/csv_export.h"
#include "print/printouts.h"
#include "storage/account_file.h"
#include "support/print_test_main.h"
#include "support/test_util.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/file.h>
#include <unistd.h>

namespace {



const QByteArray kAccount = "iMekalu135\r\nTrue\r\n\r\n\r\n\r\n\r\n\r\n"
                            "True\r\n2026/05/01\r\n 30\r\nA\r\n\r\n 0\r\n 100\r\n 3000\r\n";

QString writeTemp(const QTemporaryDir &dir, const QByteArray &bytes)
{
    const QString path = dir.filePath(QStringLiteral("3年2組.txt"));
    writeBytes(path, bytes);
    return path;
}

} // namespace

class TestExportTargets : public QObject {
    Q_OBJECT

private slots:
    void accountsAreNotOverwritten_data()
    {
        QTest::addColumn<QString>("how");     // csv, pdf, cli csv, cli pdf
        QTest::addColumn<QString>("target");  // what the target is
        for (const char *how : {"csv", "pdf", "cli csv", "cli pdf"}) {
            QTest::addRow("%s, the account itself", how) << how << "same";
            QTest::addRow("%s, a link to it", how) << how << "symlink";
            QTest::addRow("%s, a hard link to it", how) << how << "hard link";
            QTest::addRow("%s, another account", how) << how << "other";
        }
        QTest::newRow("csv, an account of the oldest form") << "csv" << "oldest";
    }
    void accountsAreNotOverwritten()
    {
        QFETCH(QString, how);
        QFETCH(QString, target);
        QTemporaryDir dir;
        const QString account = dir.filePath(QStringLiteral("3年2組.txt"));
        QVERIFY(writeBytes(account, kAccount));
        QString out = dir.filePath(QStringLiteral("out"));
        QByteArray protectedBytes = kAccount;
        if (target == QLatin1String("same"))
            out = account;
        else if (target == QLatin1String("symlink"))
            QVERIFY(QFile::link(account, out));
        else if (target == QLatin1String("hard link"))
            QCOMPARE(::link(QFile::encodeName(account).constData(), QFile::encodeName(out).constData()), 0);
        else
            QVERIFY(writeBytes(out, protectedBytes = target == QLatin1String("oldest")
                                        ? QByteArray("Mekalu\r\n2026\r\n")
                                        : kAccount + "False\r\n"));

        if (how.startsWith(QLatin1String("cli"))) {
            const CommandLine cl = parseCommandLine(
                {"harumoka", how.endsWith(QLatin1String("csv")) ? "--csv" : "--pdf", out, "--kind", "11", account});
            QCOMPARE(runHeadless(cl), 1);
        } else {
            Document doc;
            readAccountFile(account, doc);
            PrintSettings ps;
            try {
                if (how == QLatin1String("csv"))
                    exportCsv(doc, ps, Printout::fromKind(11), out);
                else
                    exportPdf(doc, ps, Printout::fromKind(11), out);
                QFAIL("exported");
            } catch (const HarumokaError &e) {
                QVERIFY2(e.message().contains(QStringLiteral("上書きすると帳簿が失われるため、書き出しませんでした。")),
                         qPrintable(e.message()));
            }
        }
        QCOMPARE(readBytes(account), kAccount);
        QCOMPARE(readBytes(out), protectedBytes);
    }

    // A PDF export killed half-way leaves its temporary file; the next
    // export takes it away, but not one a running export holds.
    void leftoverTemporariesGo()
    {
        QTemporaryDir tmp;
        const QByteArray oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(tmp.path()));
        const QString stale = tmp.filePath(QStringLiteral("harumoka-Ab12Cd.pdf")), held = tmp.filePath(QStringLiteral("harumoka-Ef34Gh.pdf")),
                      other = tmp.filePath(QStringLiteral("harumoka-notes.pdf"));
        QVERIFY(writeBytes(stale, "%PDF-1.4\n") && writeBytes(held, "%PDF-1.4\n") && writeBytes(other, "x"));
        QFile holder(held);
        QVERIFY(holder.open(QIODevice::ReadOnly) && ::flock(holder.handle(), LOCK_EX) == 0);
        Document doc;
        readAccountFile(writeTemp(tmp, kAccount), doc);
        exportPdf(doc, PrintSettings(), Printout::fromKind(11), tmp.filePath(QStringLiteral("out.pdf")));
        qputenv("TMPDIR", oldTmp);
        QVERIFY(!QFile::exists(stale) && QFile::exists(held) && QFile::exists(other));
        QVERIFY(readBytes(tmp.filePath(QStringLiteral("out.pdf"))).startsWith("%PDF"));
        QCOMPARE(QDir(tmp.path()).entryList({QStringLiteral("harumoka-*")}).size(), 2);
    }

    // Export makes no backup, and its failure says nothing of one.
    void csvFailureMentionsNoBackup()
    {
        QTemporaryDir dir;
        Document m;
        m.recordEntry(*income(d(2026, 5, 1), QStringLiteral("学級費"), 100), nullptr);
        const QString path = dir.filePath(QStringLiteral("無い/表.csv"));
        try {
            exportCsv(m, PrintSettings(), Printout::fromKind(2), path);
            QFAIL("exported");
        } catch (const HarumokaError &e) {
            QVERIFY2(!e.message().contains(QStringLiteral("バックアップ")), qPrintable(e.message()));
            QVERIFY(e.message().contains(QStringLiteral("保存先のフォルダーがありません")));
        }
        // An ordinary file is replaced as before, keeping its permissions; by a PDF too.
        const QString old = dir.filePath(QStringLiteral("表.csv"));
        QVERIFY(writeBytes(old, "old table") && QFile::setPermissions(old, QFile::ReadOwner | QFile::WriteOwner));
        exportCsv(m, PrintSettings(), Printout::fromKind(2), old);
        QVERIFY(readBytes(old).startsWith("No."));
        exportPdf(m, PrintSettings(), Printout::fromKind(2), old);
        QVERIFY(readBytes(old).startsWith("%PDF") && !(QFile::permissions(old) & 0x0077));
    }
};

HARUMOKA_PRINT_TEST_MAIN(TestExportTargets)
#include "tst_export_targets.moc"
