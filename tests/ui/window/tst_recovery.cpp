// Unsaved work survives a killed program: the recovery copy is offered at
// the next start, restored as an unsaved document of its account, and saved
// there only when the user saves. And the next school year's account.
#include "app/startup.h"
#include "model/document.h"
#include "model/values.h"
#include "print/ledger.h"
#include "print/printouts.h"
#include "storage/account_file.h"
#include "storage/codec.h"
#include "storage/companion_file.h"
#include "storage/recovery.h"
#include "support/full_disk.h"
#include "support/test_main.h"
#include "support/test_util.h"
#include "support/window_fixture.h"
#include "ui/widgets/flexgrid.h"
#include "ui/sheets/income_sheet.h"
#include "ui/sheets/print_settings_sheet.h"
#include "support/parts.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kQuestion = QStringLiteral("前回、保存されていない変更がありました。復元しますか？");


} // namespace

class TestRecovery : public QObject {
    Q_OBJECT

    // Runs the driver on `account` and kills it once its copy is written.
    void killAfterAnEdit(const QString &account, const QString &folder = QString(), const QString &school = QString())
    {
        QProcess driver;
        driver.setWorkingDirectory(folder);
        driver.start(QStringLiteral(RECOVERY_DRIVER), school.isEmpty() ? QStringList{account} : QStringList{account, school});
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
        {
            // A roster with marks beside it, which the copy keeps too.
            Document withRoster;
            readAccountFile(account, withRoster);
            withRoster.setRoster({Pupil{1, 1, QStringLiteral("𠮷田 一郎"), false}});
            writeCompanion(account, withRoster.roster(), withRoster.entries());
        }
        killAfterAnEdit(account);
        QVERIFY(QFile::remove(companionPath(account)));
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
            QVERIFY(!w->documentCommands().offerRecovery());
            QVERIFY(d.done());
        }
        // はい restores it, unsaved, named after its account.
        ScriptedDialogs d;
        auto w = Main(d, dir.filePath(QStringLiteral("names.ini")));
        d.expectMessageContaining(QDir::toNativeSeparators(account), Dialogs::Answer::Yes);
        QVERIFY(w->documentCommands().offerRecovery());
        QVERIFY(w->document().isModified());
        QCOMPARE(w->document().fileName(), account);
        QCOMPARE(w->document().entryAt(true, 1)->amount, 7777);
        QCOMPARE(w->document().roster().first().name, QStringLiteral("𠮷田 一郎"));
        QVERIFY(w->document().entryAt(true, 1)->marks);
        QCOMPARE(readBytes(account), original);
        QVERIFY(part<QAction>(*w, "mnuFileSave")->isEnabled());
        QVERIFY(w->documentCommands().save());
        QVERIFY(d.done());
        LoadedAccount back;
        AccountHeader h;
        readAccountFile(account, back, h);
        QCOMPARE(back.entries().at(true, 0)->amount, 7777);
        QCOMPARE(readBytes(dir.filePath(QStringLiteral("3年2組.bak"))), original);
        // Saved: no copy is left to offer.
        QVERIFY(RecoveryStore().leftBehind().isEmpty());
        QCOMPARE(QDir(recoveryFolder()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    // A character the file cannot hold is left out where it is pasted, so
    // that the copy goes on being written: everything else typed comes back.
    void aCharacterTheFileCannotHoldKeepsTheCopyGoing()
    {
        QTemporaryDir dir;
        const QString account = dir.filePath(QStringLiteral("3年2組.txt"));
        QFile::copy(QStringLiteral(HARUMOKA_TEST_DATA "/golden/sample.txt"), account);
        killAfterAnEdit(account, QString(), QStringLiteral("𠮷ABCDEF"));
        ScriptedDialogs d;
        auto w = Main(d, dir.filePath(QStringLiteral("names.ini")));
        d.expectMessageContaining(kQuestion, Dialogs::Answer::Yes);
        QVERIFY(w->documentCommands().offerRecovery());
        QCOMPARE(w->document().title().charge, QStringLiteral("X"));
        QCOMPARE(w->document().title().schoolName, QStringLiteral("ABCDEF"));
        QCOMPARE(w->document().entryAt(true, 1)->amount, 7777);

        // Text that reached the account by another road is copied as near as the file allows.
        AccountTitle t = w->document().title();
        t.schoolName = QStringLiteral("𠮷田\n小");
        w->document().setTitle(t);
        w->documentCommands().writeRecoveryCopy();
        const QString copy = QDir(recoveryFolder()).entryInfoList({QStringLiteral("*.txt")}, QDir::Files).value(0).filePath();
        QVERIFY(decodeCp932(readBytes(copy)).contains(QStringLiteral("\r\n〓田 小\r\n")));
    }

    // What a killed program left in the state folder is offered or cleaned
    // at the next start, also on a full disk; a restored copy stays until
    // the work is safe elsewhere.
    void leftoversAtTheNextStart_data()
    {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("asked"); // in the question; empty: nothing asked
        QTest::newRow("a copy, the disk full") << "full" << "3年2組.txt";
        QTest::newRow("a copy without its note") << "no note" << "（名前のない会計）";
        QTest::newRow("a lock and temporaries") << "no copy" << "";
        QTest::newRow("a holder ended, not reaped") << "zombie" << "3年2組.txt";
        QTest::newRow("a copy that cannot be read") << "unreadable" << "3年2組.txt";
    }
    void leftoversAtTheNextStart()
    {
        QFETCH(QString, left);
        QFETCH(QString, asked);
        FullDisk disk(FullDisk::WriteFails);
        QTemporaryDir dir;
        const QByteArray oldState = qgetenv("XDG_STATE_HOME");
        qputenv("XDG_STATE_HOME", QFile::encodeName(left == "full" ? disk.path(QString()) : dir.filePath("state")));
        struct Restore { QByteArray v; ~Restore() { qputenv("XDG_STATE_HOME", v); } } restore{oldState};
        const QString account = dir.filePath(QStringLiteral("3年2組.txt"));
        QFile::copy(QStringLiteral(HARUMOKA_TEST_DATA "/golden/sample.txt"), account);
        killAfterAnEdit(account);
        const QDir folder(recoveryFolder());
        const QString id = folder.entryList({QStringLiteral("*.lock")}, QDir::Files).value(0).chopped(5);
        const QString copy = folder.filePath(id + ".txt"), note = folder.filePath(id + ".note");
        pid_t zombie = 0;
        if (left == "zombie") {
            if ((zombie = ::fork()) == 0)
                ::_exit(0);
            QVERIFY(writeBytes(folder.filePath(id + ".lock"), QByteArray::number(zombie) + "\nrecovery_driver\n"
                                   + QSysInfo::machineHostName().toUtf8() + "\n"));
        }
        QVERIFY(left != "no note" || QFile::remove(note));
        QVERIFY(left != "unreadable" || writeBytes(copy, "iMekalu135\r\nTrue\r\n\x1b$B"));
        QVERIFY(left != "no copy" || (QFile::remove(copy) && writeBytes(folder.filePath("." + id + ".txt.k1.tmp"), "x")));
        if (left == "full")
            disk.fill();
        ScriptedDialogs d;
        auto w = Main(d, dir.filePath(QStringLiteral("names.ini")));
        if (!asked.isEmpty()) {
            d.expectMessageContaining(asked, Dialogs::Answer::Yes);
            if (left == "full")
                d.expectMessageContaining(QStringLiteral("復元用のコピーを保存できません"), Dialogs::Answer::Ok);
            if (left == "unreadable")
                d.expectMessageContaining(QStringLiteral("復元用のコピーを読み込めませんでした。"));
        }
        QCOMPARE(w->documentCommands().offerRecovery(), !asked.isEmpty() && left != "unreadable");
        if (left == "unreadable") { // offered again, where 削除 can throw it away
            QVERIFY(d.done() && QFile::exists(copy));
            return;
        }
        QVERIFY(d.done());
        if (zombie)
            ::waitpid(zombie, nullptr, 0);
        if (asked.isEmpty()) {
            QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden), QStringList());
            return;
        }
        QCOMPARE(w->document().entryAt(true, 1)->amount, 7777);
        // Full: the old copy is the only place the work is; otherwise this program's copy holds it.
        QCOMPARE(QFile::exists(copy), left == "full");
        if (left == "full") {
            d.expectMessageContaining(QStringLiteral("保存しますか"), Dialogs::Answer::No);
            QVERIFY(w->documentCommands().close());
            QVERIFY(!QFile::exists(copy));
        }
    }

    // Two copies of one account: the newer work is asked first whatever the
    // clock said, and the question tells that another one waits.
    void newestWorkFirst()
    {
        for (const char *amount : {" 100\r\n", " 200\r\n"}) {
            RecoveryStore store;
            store.write(readBytes(QStringLiteral(HARUMOKA_TEST_DATA "/golden/sample.txt")).replace(" 3240\r\n", amount),
                        QString(), FileStamp());
        }
        // The clock was set back before the second.
        const QDir folder(recoveryFolder());
        for (const QString &name : folder.entryList({QStringLiteral("*.note")})) {
            QJsonObject note = QJsonDocument::fromJson(readBytes(folder.filePath(name))).object();
            note[QStringLiteral("saved")] = note[QStringLiteral("sequence")] == QStringLiteral("1") ? "2030-01-01T00:00:00" : "2020-01-01T00:00:00";
            QVERIFY(writeBytes(folder.filePath(name), QJsonDocument(note).toJson()));
        }
        ScriptedDialogs d;
        auto w = Main(d, QString());
        d.expectMessageContaining(QStringLiteral("ほかにも、保存されていない変更のコピーが 1 件あります"), Dialogs::Answer::Yes);
        QVERIFY(w->documentCommands().offerRecovery());
        QVERIFY(encodeAccountFile(w->document().title(), w->document().entries()).contains(" 200\r\n"));
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
        QVERIFY(!w->documentCommands().offerRecovery());
        QVERIFY(d.done());
        QVERIFY(!w->documentCommands().offerRecovery()); // asks nothing more
        QVERIFY(running.hasCopy());
        QCOMPARE(QDir(recoveryFolder()).entryList(QDir::Files | QDir::Hidden).size(), 3); // the running one's
    }

    // Restored under its name only into the very file the work started from
    // (not a file of that name in the folder the program now starts in);
    // otherwise without a name. A damaged account stays damaged.
    void restoresOnlyIntoTheFileTheWorkStartedFrom_data()
    {
        QTest::addColumn<QString>("change");  // before the program starts again, in another folder
        QTest::addColumn<QString>("caution"); // what the question adds; Save then asks for a name
        QTest::newRow("the other folder has an acc.txt") << "other" << "";
        QTest::newRow("the other folder has none") << "" << "";
        QTest::newRow("account replaced") << "replaced" << "変更を始めたときのファイルではありません";
        QTest::newRow("account removed") << "removed" << "見つかりません";
        QTest::newRow("damaged account") << "damaged" << "元のファイルは壊れていて";
    }
    void restoresOnlyIntoTheFileTheWorkStartedFrom()
    {
        QFETCH(QString, change);
        QFETCH(QString, caution);
        const bool saves = caution.isEmpty(), named = saves || change == "damaged";
        QTemporaryDir a, b;
        const QString account = a.filePath(QStringLiteral("acc.txt")), there = b.filePath(QStringLiteral("acc.txt"));
        const QByteArray other = "iMekalu135\r\nFalse\r\n学年行事特別会計\r\n\r\n\r\n";
        QVERIFY(writeBytes(account, readBytes(QStringLiteral(HARUMOKA_TEST_DATA "/golden/sample.txt"))
                                        .replace(change == "damaged" ? " 3240\r\n" : "-", " 12,000\r\n")));
        QVERIFY(change != "other" || writeBytes(there, other));
        killAfterAnEdit(saves ? QStringLiteral("acc.txt") : account, a.path()); // as a command line in A names it
        QVERIFY((change != "replaced" || writeBytes(account, other)) && (change != "removed" || QFile::remove(account)));
        const QByteArray before = readBytes(account);
        struct Cwd { QString old = QDir::currentPath(); ~Cwd() { QDir::setCurrent(old); } } cwd;
        QVERIFY(QDir::setCurrent(b.path()));
        ScriptedDialogs d;
        auto w = Main(d, b.filePath(QStringLiteral("names.ini")));
        d.expectMessageContaining(QStringLiteral("会計: %1\r時刻: ").arg(account), Dialogs::Answer::Yes);
        if (!saves)
            d.expectSave(QString());
        QVERIFY(w->documentCommands().offerRecovery() && d.log.last().contains(caution));
        QCOMPARE(w->document().fileName(), named ? account : QString());
        QCOMPARE(w->document().isDamaged(), change == "damaged");
        QVERIFY(part<QAction>(*w, "mnuFileSave")->isEnabled() == saves && w->documentCommands().save() == saves);
        QVERIFY(d.done());
        QCOMPARE(readBytes(there), change == "other" ? other : QByteArray("<missing>"));
        QVERIFY(saves ? readBytes(account).contains(" 7777\r\n") : readBytes(account) == before);
    }

    // The folder and the copy are the user's alone; a folder that cannot be
    // used (a file, a link to a folder others can read) is said once.
    void stateFolderIsPrivateOrSaidOnce_data()
    {
        QTest::addColumn<QString>("place"); // what stands where the state folder goes (a link: Qt's permissions)
        QTest::newRow("nothing") << "";
        QTest::newRow("a link to a private folder") << "7000";
        QTest::newRow("a link to a folder others can read") << "7055";
        QTest::newRow("a file") << "file";
    }
    void stateFolderIsPrivateOrSaidOnce()
    {
        QFETCH(QString, place);
        QTemporaryDir dir;
        const QByteArray oldState = qgetenv("XDG_STATE_HOME");
        qputenv("XDG_STATE_HOME", QFile::encodeName(dir.path()));
        const QString folder = recoveryFolder(), target = dir.filePath(QStringLiteral("target"));
        QVERIFY(!place.startsWith('7') || (QDir().mkdir(target) && QFile::link(target, folder)
                                           && QFile::setPermissions(target, QFile::Permissions(place.toUInt(nullptr, 16)))));
        QVERIFY(place != "file" || writeBytes(folder, ""));
        const bool usable = place.isEmpty() || place == "7000";
        WindowFixture f;
        part<QPushButton>(*f.w, "CommandIncomeNew")->click();
        if (!usable)
            f.dialogs.expectMessageContaining(QStringLiteral("復元用のコピーを保存できません"));
        f.w->documentCommands().writeRecoveryCopy();
        f.w->documentCommands().writeRecoveryCopy();
        QVERIFY(f.dialogs.done());
        qputenv("XDG_STATE_HOME", oldState);
        const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden);
        QCOMPARE(files.size(), usable ? 3 : 0); // the copy, its note and the window's lock
        for (const QFileInfo &file : files)
            QCOMPARE(file.permissions() & 0x0077, QFileDevice::Permissions()); // nothing for the group or others
    }

    void nextSchoolYearCarriesTheYearLedgersRemainder()
    {
        WindowFixture f;
        const QString old = f.path(QStringLiteral("mixed.txt"));
        QFile::copy(QStringLiteral(HARUMOKA_TEST_DATA "/golden/mixed.txt"), old);
        QVERIFY(f.w->documentCommands().openFile(old));
        const QByteArray oldBytes = readBytes(old);
        const PrintSettings ps(f.doc().title());
        const qint64 remainder =
            ledgerTable(f.doc().entries().printOrder(), printSummaries(f.doc(), ps), ps, Year).total.balance;
        QVERIFY(remainder != 0);
        part<QAction>(*f.w, "mnuFileNextYear")->trigger();
        // A new, unsaved account: the title with the year advanced, the remainder first.
        QVERIFY(f.doc().isModified());
        QVERIFY(f.doc().fileName().isEmpty());
        // Named by Save As: the toolbar offers it and Open, not Save.
        for (const char *button : {"開く", "名前をつけて保存", "上書き保存"})
            QCOMPARE(part<QAction>(*f.w, button)->isEnabled(), QByteArray(button) != "上書き保存");
        QCOMPARE(f.doc().title().schoolYear, QStringLiteral("令和9年度(2027年度）"));
        QCOMPARE(f.doc().title().schoolName, QStringLiteral("ハルモカ市立さくら小学校"));
        QCOMPARE(part<QComboBox>(*f.w, "ComboYearHome")->currentText(), QStringLiteral("令和9年度(2027年度）"));
        QCOMPARE(f.doc().incomeCount(), qint16(1));
        QCOMPARE(f.doc().supplyCount(), qint16(0));
        const Entry &carry = *f.doc().entryAt(true, 1);
        QCOMPARE(carry.article, QStringLiteral("前年度からの繰越金"));
        QCOMPARE(carry.date.date(), QDate(2027, 4, 1));
        QCOMPARE(qint64(carry.amount), remainder);
        QCOMPARE(carry.perPupil, 0);
        // The new year ledger starts with that remainder.
        const PrintSettings next(f.doc().title());
        const LedgerTable year = ledgerTable(f.doc().entries().printOrder(), printSummaries(f.doc(), next), next, Year);
        QCOMPARE(year.entries.first().balance, remainder);
        // Saved under a new name, it reads back as written; the old account is untouched.
        const QString fresh = f.path(QStringLiteral("next.txt"));
        f.dialogs.expectSave(fresh);
        QVERIFY(f.w->documentCommands().saveAs());
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
