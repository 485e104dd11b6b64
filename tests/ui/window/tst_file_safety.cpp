// What the window does so that nothing a treasurer entered is lost: the
// unsaved-changes question can be cancelled, a lock held elsewhere is
// explained and the account opened read-only or taken over, a file changed
// by another program is not overwritten without asking, a save that meets a
// full disk keeps the old account, and a backup that fell behind or a
// settings file that cannot be read is said.
#include "app/startup.h"
#include "model/document.h"
#include "model/values.h"
#include "storage/account_lock.h"
#include "support/full_disk.h"
#include "support/test_main.h"
#include "support/test_util.h"
#include "support/window_fixture.h"
#include "ui/window/document_commands.h"
#include "ui/sheets/income_sheet.h"
#include "support/parts.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QToolBar>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kSaveQuestion = QStringLiteral("ﾌｧｲﾙが保存していません。保存しますか？");
const QStringList kAccount = {"iMekalu135", "True", "", "", "", "", "", "True", "2026/05/01", " 30", "会費", "",
                              " 0", " 0", " 3000"};


bool noticeShown(MainWindow &w)
{
    for (QAction *a : part<QToolBar>(w, "tbToolBar")->actions())
        if (part<QToolBar>(w, "tbToolBar")->widgetForAction(a) == part<QLabel>(w, "readOnlyNotice"))
            return a->isVisible();
    return false;
}

} // namespace

class TestFileSafety : public QObject {
    Q_OBJECT
private slots:
    // The unsaved-changes question on every road out: Cancel keeps
    // everything; No leaves without saving; Yes saves first (Save As for an
    // unnamed account), and a cancelled Save As keeps everything.
    void saveQuestionOnEveryRoadOut_data()
    {
        QTest::addColumn<QString>("command"); // the close button: "window"
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("saveAs"); // the name Save As is given; "-" not asked, "" cancelled
        QTest::addColumn<bool>("left");
        using A = Dialogs::Answer;
        for (const char *command : {"close", "open", "exit", "window"})
            QTest::addRow("%s, キャンセル", command) << command << int(A::Cancel) << "-" << false;
        QTest::newRow("close, いいえ") << "close" << int(A::No) << "-" << true;
        QTest::newRow("open, いいえ") << "open" << int(A::No) << "-" << true;
        QTest::newRow("exit, いいえ") << "exit" << int(A::No) << "-" << true;
        QTest::newRow("close, はい, Save As cancelled") << "close" << int(A::Yes) << "" << false;
        QTest::newRow("window, はい, Save As cancelled") << "window" << int(A::Yes) << "" << false;
        QTest::newRow("window, はい, saved") << "window" << int(A::Yes) << "exit.txt" << true;
    }
    void saveQuestionOnEveryRoadOut()
    {
        QFETCH(QString, command);
        QFETCH(int, answer);
        QFETCH(QString, saveAs);
        QFETCH(bool, left);
        WindowFixture f;
        part<QPushButton>(*f.w, "CommandIncomeNew")->click();
        QVERIFY(f.doc().isModified());
        f.dialogs.expectMessage(kSaveQuestion, Dialogs::Answer(answer));
        if (saveAs != "-")
            f.dialogs.expectSave(saveAs.isEmpty() ? QString() : f.path(saveAs));
        if (command == "open" && left)
            f.dialogs.expectOpen(QString());
        if (command == QLatin1String("close"))
            QCOMPARE(f.w->documentCommands().close(), left);
        else if (command == QLatin1String("open"))
            part<QAction>(*f.w, "mnuFileOpen")->trigger();
        else if (command == QLatin1String("exit"))
            part<QAction>(*f.w, "mnuFileExit")->trigger();
        else
            QCOMPARE(f.w->close(), left);
        QVERIFY(f.dialogs.done());
        QCOMPARE(f.dialogs.buttonsSeen.first(), Dialogs::Buttons::YesNoCancel);
        const bool windowGone = command == "exit" || command == "window";
        QCOMPARE(f.w->isVisible(), !(left && windowGone));
        QCOMPARE(f.doc().isModified(), !left);
        QCOMPARE(f.doc().incomeCount(), qint16(left && !windowGone ? 0 : 1));
        QCOMPARE(QFile::exists(f.path(QStringLiteral("exit.txt"))), saveAs == "exit.txt");
    }

    void locksHeldElsewhere_data()
    {
        QTest::addColumn<QString>("holder"); // "ours-running" or "empty"
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("result"); // "locked", "read-only" or "closed"
        using A = Dialogs::Answer;
        QTest::newRow("running here: read-only") << "running" << int(A::Yes) << "read-only";
        QTest::newRow("running here: not opened") << "running" << int(A::No) << "closed";
        QTest::newRow("cannot judge: take over") << "empty" << int(A::Yes) << "locked";
        QTest::newRow("cannot judge: read-only") << "empty" << int(A::No) << "read-only";
        QTest::newRow("cannot judge: not opened") << "empty" << int(A::Cancel) << "closed";
        QTest::newRow("a folder at the lock's name: said, read-only") << "folder" << int(A::Yes) << "read-only";
    }
    void locksHeldElsewhere()
    {
        QFETCH(QString, holder);
        QFETCH(int, answer);
        QFETCH(QString, result);
        WindowFixture f;
        const QString path = f.path(QStringLiteral("a.txt"));
        writeCp932(path, kAccount);
        const QString lockPath = AccountLock::lockFilePathFor(path);
        QByteArray lock;
        if (holder == QLatin1String("running"))
            lock = "harumoka-lock 1\nuser=yamada\nhost=" + QSysInfo::machineHostName().toUtf8()
                + "\npid=" + QByteArray::number(qint64(::getpid())) + "\nprogram="
                + QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8()
                + "\nsince=2026-05-01T09:30:00+09:00\n";
        QVERIFY(holder == QLatin1String("folder") ? QDir().mkdir(lockPath) : writeBytes(lockPath, lock));
        lock = readBytes(lockPath);
        f.dialogs.expectMessageContaining(holder == QLatin1String("running") ? QStringLiteral("読み取り専用で開きますか？")
                                                                            : QStringLiteral("ロックを解除して開きます"),
                                          Dialogs::Answer(answer));
        if (holder == QLatin1String("folder"))
            f.dialogs.expectMessageContaining(QStringLiteral("がフォルダーになっています。"), Dialogs::Answer::Yes);
        const bool opened = f.w->documentCommands().openFile(path);
        QVERIFY(f.dialogs.done());
        QCOMPARE(opened, result != QLatin1String("closed"));
        QCOMPARE(noticeShown(*f.w), result == QLatin1String("read-only"));
        if (result == QLatin1String("locked")) {
            QVERIFY(readBytes(lockPath).contains("pid=" + QByteArray::number(qint64(::getpid()))));
            QVERIFY(part<QAction>(*f.w, "mnuFileSave")->isEnabled());
        }
        if (result == QLatin1String("read-only")) {
            // Save asks for another name; the account and the lock stay as they were.
            QVERIFY(!part<QAction>(*f.w, "mnuFileSave")->isEnabled());
            f.doc().setModified(true);
            f.dialogs.expectSave(QString());
            QVERIFY(!f.w->documentCommands().save());
            QCOMPARE(readBytes(lockPath), lock);
            f.dialogs.expectMessage(kSaveQuestion, Dialogs::Answer::No);
        }
        QVERIFY(f.w->documentCommands().close());
        if (result != QLatin1String("locked"))
            QCOMPARE(readBytes(lockPath), lock); // never removed what is not ours
        else
            QVERIFY(!QFile::exists(lockPath));
    }

    void fileChangedOnDiskIsNotOverwrittenUnasked()
    {
        WindowFixture f;
        const QString path = f.path(QStringLiteral("a.txt"));
        writeCp932(path, kAccount);
        QVERIFY(f.w->documentCommands().openFile(path));
        part<QPushButton>(*f.w, "CommandIncomeNew")->click();
        // Another program writes the file meanwhile.
        QStringList other = kAccount;
        other.last() = QStringLiteral(" 9999");
        writeCp932(path, other);
        const QByteArray theirs = readBytes(path);
        f.dialogs.expectMessageContaining(QStringLiteral("ほかのプログラムで変更されています"), Dialogs::Answer::No);
        QVERIFY(!f.w->documentCommands().save());
        QCOMPARE(readBytes(path), theirs);
        QVERIFY(f.doc().isModified());
        f.dialogs.expectMessageContaining(QStringLiteral("ほかのプログラムで変更されています"), Dialogs::Answer::Yes);
        QVERIFY(f.w->documentCommands().save());
        QVERIFY(readBytes(path) != theirs);
        // Once saved here, the next Save asks nothing.
        part<QPushButton>(*f.w, "CommandIncomeNew")->click();
        QVERIFY(f.w->documentCommands().save());
        QVERIFY(f.dialogs.done());
    }

    // Save writes to the file that was opened and locked, or nowhere: not
    // into the mount point a removed stick leaves, not into the account a
    // re-pointed link now names, not over the damaged original.
    void saveNeverWritesElsewhere_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("the file removed") << "file";
        QTest::newRow("the folder removed") << "removed";
        QTest::newRow("the folder another file system") << "mount";
        QTest::newRow("the link re-pointed") << "link";
        QTest::newRow("Save As onto the damaged original") << "damaged";
    }
    void saveNeverWritesElsewhere()
    {
        QFETCH(QString, change);
        QTemporaryDir shm(QStringLiteral("/dev/shm/harumoka-XXXXXX"));
        if (change == "mount" && !shm.isValid())
            QSKIP("no /dev/shm, another file system than the temporary folder");
        WindowFixture f;
        const QString folder = (change == "mount" ? shm.path() : f.path(QString())) + QStringLiteral("/stick");
        QVERIFY(QDir().mkpath(folder));
        const QString a = folder + QStringLiteral("/2026.txt"), b = folder + QStringLiteral("/2027.txt"),
                      link = folder + QStringLiteral("/current.txt");
        QStringList damaged = kAccount;
        damaged.last() = QStringLiteral("三千");
        writeCp932(a, change == "damaged" ? damaged : kAccount);
        writeCp932(b, kAccount);
        QVERIFY(QFile::link(a, link));
        const QByteArray before = readBytes(a), other = readBytes(b);
        if (change == "damaged")
            f.dialogs.expectMessageContaining(QStringLiteral("読み込めた部分だけ"));
        QVERIFY(f.w->documentCommands().openFile(link));
        // The toolbar as the account stands: Save As always; Save unless damaged; Open once something is open.
        for (const char *button : {"開く", "名前をつけて保存", "上書き保存"})
            QCOMPARE(part<QAction>(*f.w, button)->isEnabled(),
                     QByteArray(button) == "名前をつけて保存" || (QByteArray(button) == "上書き保存" && change != "damaged"));
        part<QPushButton>(*f.w, "CommandIncomeNew")->click();
        if (change == "link") {
            QVERIFY(QFile::remove(link) && QFile::link(b, link));
            QVERIFY(f.w->documentCommands().save());
            QVERIFY(readBytes(a) != before);
            QCOMPARE(readBytes(b), other);
        } else if (change == "damaged") {
            f.dialogs.expectSave(a).expectMessageContaining(QStringLiteral("壊れていて途中までしか読み込めなかった元のファイル"));
            QVERIFY(!f.w->documentCommands().save());
            QCOMPARE(readBytes(a), before);
            QVERIFY(!QFile::exists(a + QStringLiteral(".bak")));
        } else if (change == "file") {
            // Only the file gone: asked as before, and saved in its folder.
            QVERIFY(QFile::remove(a));
            f.dialogs.expectMessageContaining(QStringLiteral("削除されたか移動されています"), Dialogs::Answer::Yes);
            QVERIFY(f.w->documentCommands().save());
            QVERIFY(QFile::exists(a));
        } else {
            const QString moved = f.path(QStringLiteral("moved"));
            QVERIFY(QDir().rename(folder, moved) || (QDir(folder).removeRecursively() && QDir().mkpath(moved)));
            if (change == "mount")
                QVERIFY(QFile::link(moved, folder)); // where the stick was, another disk's folder
            f.dialogs.expectMessageContaining(QStringLiteral("ここには保存しません"), Dialogs::Answer::Yes)
                .expectSave(QString());
            QVERIFY(!f.w->documentCommands().save());
            QCOMPARE(QDir(moved).entryList({QStringLiteral("2026*")}, QDir::Files).size(), change == "removed" ? 1 : 0);
            QVERIFY(!QFile::exists(folder + QStringLiteral("/2026.txt")) || change == "removed");
        }
        QVERIFY(f.dialogs.done());
    }

    // Saving beside what killed saves left (this program's names only, none
    // that a running save holds, go at Open and at Save) and through one of
    // two names of a file (hard links, which saving parts: asked first).
    void savingBesideLeftoversAndOtherNames()
    {
        WindowFixture f;
        const QString path = f.path(QStringLiteral("a.txt")), other = f.path(QStringLiteral("b.txt"));
        writeCp932(path, kAccount);
        QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()), 0);
        const QStringList stale = {".a.txt.1x2y.tmp", ".a.bak.zz9.tmp"};
        const QStringList kept = {".a.txt.1X2Y.tmp", ".a.txt.held.tmp", ".b.txt.1x2y.tmp"};
        auto temporaries = [&](const QStringList &make) {
            for (const QString &name : make)
                writeBytes(f.path(name), "x");
            return QDir(f.dir.path()).entryList({"*.tmp"}, QDir::Files | QDir::Hidden);
        };
        temporaries(kept + stale);
        QFile held(f.path(kept[1]));
        QVERIFY(held.open(QIODevice::ReadOnly) && ::flock(held.handle(), LOCK_EX) == 0); // a save still running
        QVERIFY(f.w->documentCommands().openFile(path));
        QCOMPARE(temporaries({}), kept);
        part<QPushButton>(*f.w, "CommandIncomeNew")->click();
        const QByteArray before = readBytes(path);
        for (const auto answer : {Dialogs::Answer::No, Dialogs::Answer::Yes})
            f.dialogs.expectMessageContaining(QStringLiteral("ほかの名前（ハードリンク）もあります"), answer);
        QVERIFY(!f.w->documentCommands().save());
        QCOMPARE(readBytes(path), before);
        temporaries(stale);
        QVERIFY(f.w->documentCommands().save());
        QCOMPARE(temporaries({}), kept);
        QVERIFY(readBytes(path) != before);
        QCOMPARE(readBytes(other), before);
        QVERIFY(f.dialogs.done());
    }

    void aBackupThatFellBehindIsSaid()
    {
        WindowFixture f;
        const QString path = f.path(QStringLiteral("a.txt"));
        writeCp932(path, kAccount);
        QVERIFY(f.w->documentCommands().openFile(path));
        // A folder where the backup should go: the save succeeds, the backup cannot.
        QVERIFY(QDir().mkdir(f.path(QStringLiteral("a.bak"))));
        part<QPushButton>(*f.w, "CommandIncomeNew")->click();
        f.dialogs.expectMessageContaining(QStringLiteral("a.bak"));
        QVERIFY(f.w->documentCommands().save());
        QVERIFY(f.dialogs.done());
        QVERIFY(!f.doc().isModified());
    }

    // The real save on a disk that fills up: the failure is said, the old
    // account stays as it was with nothing left beside it, the work unsaved.
    void aFullDiskKeepsTheOldAccount_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<qint64>("room");
        QTest::newRow("full") << int(FullDisk::WriteFails) << qint64(0);
        QTest::newRow("full part-way") << int(FullDisk::WriteFails) << qint64(8192);
        QTest::newRow("the flush fails") << int(FullDisk::FlushFails) << qint64(0);
    }
    void aFullDiskKeepsTheOldAccount()
    {
        QFETCH(int, kind);
        QFETCH(qint64, room);
        FullDisk disk{FullDisk::Kind(kind)};
        if (!disk.skipReason.isEmpty())
            QSKIP(qPrintable(disk.skipReason));
        WindowFixture f;
        const QString path = disk.path(QStringLiteral("a.txt"));
        QVERIFY(QFile::copy(QStringLiteral(HARUMOKA_TEST_DATA "/golden/mixed.txt"), path));
        QVERIFY(f.w->documentCommands().openFile(path));
        QVERIFY(writeBytes(disk.path(QStringLiteral("a.bak")), "old backup"));
        const QByteArray old = readBytes(path);
        disk.fill(room);
        const QStringList files = QDir(disk.path(QString())).entryList(QDir::Files | QDir::Hidden);
        part<QPushButton>(*f.w, "CommandIncomeNew")->click();
        f.dialogs.expectMessageContaining(QStringLiteral("ファイル「%1」に保存できませんでした。").arg(path));
        QVERIFY(!f.w->documentCommands().save());
        QVERIFY(f.dialogs.done());
        QVERIFY(f.dialogs.log.last().contains(QStringLiteral("変更されていません")));
        QCOMPARE(readBytes(path), old);
        QCOMPARE(readBytes(disk.path(QStringLiteral("a.bak"))), QByteArray("old backup"));
        QCOMPARE(QDir(disk.path(QString())).entryList(QDir::Files | QDir::Hidden), files);
        QVERIFY(f.doc().isModified());
    }

    void anUnreadableSettingsFileIsSaidOnce()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("Mekalu.ini"));
        QCOMPARE(::mkfifo(QFile::encodeName(ini).constData(), 0600), 0);
        ScriptedDialogs dialogs;
        dialogs.expectMessageContaining(QStringLiteral("名前付きパイプ"));
        auto w = Main(dialogs, ini);
        QCoreApplication::processEvents();
        QVERIFY(dialogs.done());
        // Loading the window again (as Close does) reads the names again: nothing more is said.
        w->loadSheets();
        QCoreApplication::processEvents();
        QVERIFY(dialogs.done());
        w->documentCommands().setSettingsFilePath(dir.filePath(QStringLiteral("other.ini"))); // where quitting saves them
    }
};

HARUMOKA_TEST_MAIN(TestFileSafety)
#include "tst_file_safety.moc"
