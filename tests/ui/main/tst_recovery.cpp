// Unsaved work survives a killed program: the recovery copy is offered at
// the next start, restored as an unsaved document of its account, and saved
// there only when the user saves. And the next school year's account.
#include "app/startup.h"
#include "model/document.h"
#include "model/values.h"
#include "print/ledger.h"
#include "print/printouts.h"
#include "storage/account_file.h"
#include "storage/recovery.h"
#include "support/test_main.h"
#include "support/test_util.h"
#include "support/window_fixture.h"
#include "ui/main/flexgrid.h"
#include "ui/main/income_sheet.h"
#include "ui/main/print_settings_sheet.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

const QString kQuestion = QStringLiteral("前回、保存されていない変更がありました。復元しますか？");


} // namespace

class TestRecovery : public QObject {
    Q_OBJECT

    // Runs the driver on `account` and kills it once its copy is written.
    void killAfterAnEdit(const QString &account)
    {
        QProcess driver;
        driver.start(QStringLiteral(RECOVERY_DRIVER), {account});
        QVERIFY(driver.waitForStarted());
        QVERIFY(driver.waitForReadyRead(120000));
        QCOMPARE(driver.readAllStandardOutput().trimmed(), QByteArray("ready"));
        driver.kill();
        QVERIFY(driver.waitForFinished());
    }

private slots:
    void init() { QDir(recoveryFolder()).removeRecursively(); }

    void aKilledProgramsWorkIsRestoredAndSavedOnlyWhenAsked()
    {
        QTemporaryDir dir;
        const QString account = dir.filePath(QStringLiteral("3年2組.txt"));
        QFile::copy(QStringLiteral(HARUMOKA_TEST_DATA "/golden/sample.txt"), account);
        const QByteArray original = readBytes(account);
        killAfterAnEdit(account);
        // The account is as it was; the copy waits elsewhere.
        QCOMPARE(readBytes(account), original);
        QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*.txt")}, QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("3年2組.txt")});
        QCOMPARE(RecoveryStore().leftBehind().size(), 1);

        // いいえ keeps it for later.
        {
            ScriptedDialogs d;
            auto w = Main(d, dir.filePath(QStringLiteral("names.ini")));
            d.expectMessageContaining(kQuestion, Dialogs::Answer::No);
            QVERIFY(!w->offerRecovery());
            QVERIFY(d.done());
        }
        // はい restores it, unsaved, named after its account.
        ScriptedDialogs d;
        auto w = Main(d, dir.filePath(QStringLiteral("names.ini")));
        d.expectMessageContaining(QDir::toNativeSeparators(account), Dialogs::Answer::Yes);
        QVERIFY(w->offerRecovery());
        QVERIFY(w->document().isModified());
        QCOMPARE(w->document().fileName(), account);
        QCOMPARE(w->document().entryAt(true, 1)->taAmount, 7777);
        QCOMPARE(readBytes(account), original);
        QVERIFY(w->mnuFileSave->isEnabled());
        QVERIFY(w->mnuFileSave_Click());
        QVERIFY(d.done());
        LoadedAccount back;
        AccountHeader h;
        readAccountFile(account, back, h);
        QCOMPARE(back.entries().at(true, 0)->taAmount, 7777);
        QCOMPARE(readBytes(dir.filePath(QStringLiteral("3年2組.bak"))), original);
        // Saved: no copy is left to offer.
        QVERIFY(RecoveryStore().leftBehind().isEmpty());
        QVERIFY(QDir(recoveryFolder()).entryList({QStringLiteral("*.txt")}, QDir::Files).isEmpty());
    }

    void deleteThrowsTheCopyAwayAndARunningProgramsCopyIsNotOffered()
    {
        RecoveryStore running;
        running.write("iMekalu135\r\nTrue\r\n\r\n\r\n\r\n\r\n\r\n", QString(), FileStamp());
        QTemporaryDir dir;
        const QString account = dir.filePath(QStringLiteral("a.txt"));
        QFile::copy(QStringLiteral(HARUMOKA_TEST_DATA "/golden/sample.txt"), account);
        killAfterAnEdit(account);
        ScriptedDialogs d;
        auto w = Main(d, dir.filePath(QStringLiteral("names.ini")));
        d.expectMessageContaining(kQuestion, Dialogs::Answer::Delete);
        QVERIFY(!w->offerRecovery());
        QVERIFY(d.done());
        QVERIFY(!w->offerRecovery()); // asks nothing more
        QVERIFY(running.hasCopy());
    }

    void nextSchoolYearCarriesTheYearLedgersRemainder()
    {
        WindowFixture f;
        const QString old = f.path(QStringLiteral("mixed.txt"));
        QFile::copy(QStringLiteral(HARUMOKA_TEST_DATA "/golden/mixed.txt"), old);
        QVERIFY(f.w->openFile(old));
        const QByteArray oldBytes = readBytes(old);
        const PrintSettings ps(f.doc().title());
        const qint64 remainder =
            ledgerTable(f.doc().entries().printOrder(), printSummaries(f.doc(), ps), ps, Year).total.balance;
        QVERIFY(remainder != 0);
        f.w->mnuFileNextYear->trigger();
        // A new, unsaved account: the title with the year advanced, the remainder first.
        QVERIFY(f.doc().isModified());
        QVERIFY(f.doc().fileName().isEmpty());
        QCOMPARE(f.doc().title().schoolYear, QStringLiteral("令和9年度(2027年度）"));
        QCOMPARE(f.doc().title().schoolName, QStringLiteral("ハルモカ市立さくら小学校"));
        QCOMPARE(f.w->printSheet->ComboYearHome->currentText(), QStringLiteral("令和9年度(2027年度）"));
        QCOMPARE(f.doc().incomeCount(), qint16(1));
        QCOMPARE(f.doc().supplyCount(), qint16(0));
        const MekaluArticle &carry = *f.doc().entryAt(true, 1);
        QCOMPARE(carry.taArticle, QStringLiteral("前年度からの繰越金"));
        QCOMPARE(carry.taDate.date(), QDate(2027, 4, 1));
        QCOMPARE(qint64(carry.taAmount), remainder);
        QCOMPARE(carry.taPerPerson, 0);
        // The new year ledger starts with that remainder.
        const PrintSettings next(f.doc().title());
        const LedgerTable year = ledgerTable(f.doc().entries().printOrder(), printSummaries(f.doc(), next), next, Year);
        QCOMPARE(year.entries.first().balance, remainder);
        // Saved under a new name, it reads back as written; the old account is untouched.
        const QString fresh = f.path(QStringLiteral("next.txt"));
        f.dialogs.expectSave(fresh);
        QVERIFY(f.w->mnuFileSaveAs_Click());
        QCOMPARE(readBytes(old), oldBytes);
        LoadedAccount back;
        AccountHeader h;
        readAccountFile(fresh, back, h);
        QCOMPARE(encodeAccountFile(h, back.entries()), readBytes(fresh));
        QCOMPARE(h.schoolYear, QStringLiteral("令和9年度(2027年度）"));
        QVERIFY(f.dialogs.done());
    }
};

HARUMOKA_TEST_MAIN(TestRecovery)
#include "tst_recovery.moc"
