// The account lock's verdicts on every kind of lock file it can find, the
// one lock shared by every path to a file, and the stamp that notices a
// file changed by another program.
#include "storage/account_file.h"
#include "storage/account_lock.h"
#include "storage/file_stamp.h"
#include "support/full_disk.h"
#include "support/test_util.h"
#include "support/core_test_main.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {



qint64 goneProcess()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

QByteArray lockOf(const QString &host, qint64 pid, const QString &program)
{
    return "harumoka-lock 1\nuser=yamada\nhost=" + host.toUtf8() + "\npid=" + QByteArray::number(pid)
        + "\nprogram=" + program.toUtf8() + "\nsince=2026-05-01T09:30:00+09:00\n";
}

using Verdict = AccountLock::Verdict;

} // namespace

Q_DECLARE_METATYPE(AccountLock::Verdict)

class TestAccountLock : public QObject {
    Q_OBJECT

    // A running process of another program, for a lock whose process
    // number has since been given to someone else.
    QProcess m_other;
    // A program that has ended but is not yet reaped.
    pid_t m_zombie = 0;

private slots:
    void initTestCase()
    {
        m_other.start(QStringLiteral("sleep"), {QStringLiteral("300")});
        QVERIFY(m_other.waitForStarted());
        if ((m_zombie = ::fork()) == 0)
            ::_exit(0);
    }
    void cleanupTestCase()
    {
        ::waitpid(m_zombie, nullptr, 0);
        m_other.kill();
        m_other.waitForFinished();
    }

    void verdicts_data()
    {
        const QString host = QSysInfo::machineHostName();
        const QString me = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        QTest::addColumn<QByteArray>("existing"); // "-" none, "/" a folder
        QTest::addColumn<Verdict>("verdict");
        QTest::addColumn<QString>("who");
        QTest::newRow("none") << QByteArray("-") << Verdict::Acquired << "";
        QTest::newRow("running here") << lockOf(host, ::getpid(), me) << Verdict::HeldHere
                                      << QStringLiteral("yamada（コンピューター「%1」）").arg(host);
        QTest::newRow("program gone") << lockOf(host, goneProcess(), me) << Verdict::StaleTakenOver << "";
        QTest::newRow("process number reused") << lockOf(host, m_other.processId(), me) << Verdict::StaleTakenOver << "";
        QTest::newRow("no process number") << lockOf(host, 0, me) << Verdict::StaleTakenOver << "";
        QTest::newRow("program ended, not reaped") << lockOf(host, m_zombie, me) << Verdict::StaleTakenOver << "";
        QTest::newRow("another computer") << lockOf("pc-2f-shokuin", 1234, me) << Verdict::CannotJudge
                                          << "yamada（コンピューター「pc-2f-shokuin」）";
        QTest::newRow("empty") << QByteArray() << Verdict::CannotJudge << "不明";
        QTest::newRow("another program") << QByteArray(",yamada,pc01,01.05.2026 09:30,file:///home/y;")
                                         << Verdict::CannotJudge << "不明";
        QTest::newRow("unreadable") << QByteArray("/") << Verdict::CannotJudge << "不明";
    }
    void verdicts()
    {
        QFETCH(QByteArray, existing);
        QFETCH(Verdict, verdict);
        QFETCH(QString, who);
        QTemporaryDir dir;
        const QString account = dir.filePath(QStringLiteral("3年2組.txt"));
        QVERIFY(writeBytes(account, "iMekalu135\r\n"));
        const QString lockFile = dir.filePath(QStringLiteral(".3年2組.txt.harumoka-lock"));
        QCOMPARE(AccountLock::lockFilePathFor(account), lockFile);
        if (existing == "/")
            QVERIFY(QDir().mkdir(lockFile));
        else if (existing != "-")
            QVERIFY(writeBytes(lockFile, existing));

        AccountLock lock(account);
        QCOMPARE(lock.tryLock(), verdict);
        const QByteArray ours = "\npid=" + QByteArray::number(::getpid()) + "\n";
        if (verdict == Verdict::Acquired || verdict == Verdict::StaleTakenOver) {
            QVERIFY(lock.isLocked());
            QVERIFY(readBytes(lockFile).contains(ours));
            // Taken over meanwhile by another computer's program: closing leaves its lock.
            const QByteArray theirs = lockOf(QStringLiteral("pc-2f-shokuin"), 1234, QStringLiteral("harumoka"));
            QVERIFY(writeBytes(lockFile, theirs));
            lock.unlock();
            QCOMPARE(readBytes(lockFile), theirs);
            return;
        }
        QVERIFY(!lock.isLocked());
        QCOMPARE(lock.holder().who(), who);
        const QString text = lock.explain(verdict);
        QVERIFY2(text.contains(account) && text.contains(who == QStringLiteral("不明") ? lockFile : who),
                 qPrintable(text));
        if (verdict == Verdict::HeldHere) {
            QVERIFY(text.contains(QStringLiteral("開いた日時: ") + lock.holder().sinceText()));
            QVERIFY(lock.holder().since.isValid());
            QCOMPARE(readBytes(lockFile), existing);
            return;
        }
        // The user chose to take it over.
        if (existing == "/")
            QVERIFY(QDir().rmdir(lockFile));
        QVERIFY(lock.takeOver());
        QVERIFY(readBytes(lockFile).contains(ours));
        lock.unlock();
        QVERIFY(!QFileInfo::exists(lockFile));
    }

    // No lock file can be made: the account opens read-only, and the
    // message says the real cause.
    void noLockFile_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("said");
        QTest::newRow("a read-only folder") << "read-only" << "フォルダーには書き込めない";
        QTest::newRow("a name of 245 bytes") << "long" << "ファイルの名前が長すぎて";
        QTest::newRow("a full disk") << "full" << "ディスクがいっぱい";
    }
    void noLockFile()
    {
        QFETCH(QString, cause);
        QFETCH(QString, said);
        QTemporaryDir dir;
        FullDisk disk(FullDisk::WriteFails);
        QString folder = cause == "full" ? disk.path(QString()) : dir.path();
        QString name = QStringLiteral("a.txt");
        if (cause == "long")
            name = QString(80, QChar(0x3042)) + QStringLiteral(".txt"); // 80 × 3 bytes + 4
        else if (cause == "full")
            disk.fill();
        else if (::geteuid() == 0) {
            // Permission bits do not stop root; a folder of the kernel's does.
            folder = QStringLiteral("/sys");
            if (::access("/sys", W_OK) == 0 && ::open("/sys/.harumoka-probe", O_CREAT | O_WRONLY, 0600) >= 0)
                QSKIP("no read-only folder here");
        } else {
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        }
        AccountLock lock(folder + QLatin1Char('/') + name);
        QCOMPARE(lock.tryLock(), Verdict::FolderReadOnly);
        const QString message = lock.explain(Verdict::FolderReadOnly);
        QVERIFY2(message.contains(QStringLiteral("読み取り専用で開きます")) && message.contains(said), qPrintable(message));
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // Another user's lock, left by a program of this computer that is gone, in
    // a shared folder where only its owner may remove it: this computer's.
    void anotherUsersStaleLockOnThisComputer()
    {
        if (::geteuid() != 0)
            QSKIP("acting as two users needs root");
        QTemporaryDir dir;
        const QString account = dir.filePath(QStringLiteral("a.txt"));
        const QByteArray lockFile = QFile::encodeName(AccountLock::lockFilePathFor(account));
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 01777) == 0 && writeBytes(account, "iMekalu135\r\n"));
        QVERIFY(writeBytes(lockFile, lockOf(QSysInfo::machineHostName(), goneProcess(), QStringLiteral("harumoka")))
                && ::chown(lockFile.constData(), 4242, 4242) == 0);
        const pid_t child = ::fork();
        if (child == 0) {
            AccountLock lock(account);
            ::_exit(::setgid(4243) == 0 && ::setuid(4243) == 0 && lock.tryLock() == Verdict::CannotJudge
                            && lock.explain(Verdict::CannotJudge).contains(QStringLiteral("このコンピューターのハルモカ"))
                            && !lock.takeOver()
                        ? 0 : 1);
        }
        int status = -1;
        QVERIFY(::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    // Every path to one file finds the one lock.
    void pathsToOneFileShareTheLock_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("relative path") << "relative";
        QTest::newRow("symbolic link") << "symlink";
        QTest::newRow("linked folder") << "linked folder";
        QTest::newRow("hard link, same folder") << "hard link";
        QTest::newRow("hard link, another folder") << "hard link elsewhere";
    }
    void pathsToOneFileShareTheLock()
    {
        QFETCH(QString, how);
        QTemporaryDir dir;
        QVERIFY(QDir().mkdir(dir.filePath(QStringLiteral("accounts"))));
        QVERIFY(QDir().mkdir(dir.filePath(QStringLiteral("other"))));
        const QString account = dir.filePath(QStringLiteral("accounts/a.txt"));
        QVERIFY(writeBytes(account, "iMekalu135\r\n"));
        QString second = account;
        if (how == QLatin1String("relative")) {
            QVERIFY(QDir::setCurrent(dir.filePath(QStringLiteral("other"))));
            second = QStringLiteral("../accounts/a.txt");
        } else if (how == QLatin1String("symlink")) {
            second = dir.filePath(QStringLiteral("other/link.txt"));
            QVERIFY(QFile::link(account, second));
        } else if (how == QLatin1String("linked folder")) {
            QVERIFY(QFile::link(dir.filePath(QStringLiteral("accounts")), dir.filePath(QStringLiteral("via"))));
            second = dir.filePath(QStringLiteral("via/a.txt"));
        } else if (how.startsWith(QLatin1String("hard link"))) {
            second = dir.filePath(how.endsWith(QLatin1String("elsewhere")) ? QStringLiteral("other/b.txt")
                                                                           : QStringLiteral("accounts/b.txt"));
            QCOMPARE(::link(QFile::encodeName(account).constData(), QFile::encodeName(second).constData()), 0);
        }
        AccountLock first(account);
        QCOMPARE(first.tryLock(), Verdict::Acquired);
        AccountLock other(second);
        QCOMPARE(other.tryLock(), Verdict::HeldHere);
        QCOMPARE(other.holder().pid, qint64(::getpid()));
        first.unlock();
        QCOMPARE(other.tryLock(), Verdict::Acquired);
        other.unlock();
        QVERIFY(QDir::setCurrent(QDir::tempPath()));
        QCOMPARE(QDir(dir.filePath(QStringLiteral("accounts"))).entryList(QDir::Hidden | QDir::Files).size(),
                 how == QLatin1String("hard link") ? 2 : 1);
    }

    // Saving gives the file a new identity; the per-computer lock follows it.
    void lockFollowsASavedFile()
    {
        QTemporaryDir dir;
        const QString account = dir.filePath(QStringLiteral("a.txt"));
        QVERIFY(writeBytes(account, "iMekalu135\r\n"));
        AccountLock lock(account);
        QCOMPARE(lock.tryLock(), Verdict::Acquired);
        writeAccountFile(account, AccountHeader(), EntryList());
        lock.fileReplaced();
        const QString hardLink = dir.filePath(QStringLiteral("b.txt"));
        QCOMPARE(::link(QFile::encodeName(account).constData(), QFile::encodeName(hardLink).constData()), 0);
        AccountLock other(hardLink);
        QCOMPARE(other.tryLock(), Verdict::HeldHere);
    }

    void stampNoticesChanges_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("same");
        QTest::newRow("none") << "none" << true;
        QTest::newRow("rewritten, same size") << "rewritten" << false;
        QTest::newRow("replaced, same size and time") << "replaced" << false;
        QTest::newRow("grown") << "grown" << false;
        QTest::newRow("removed") << "removed" << false;
    }
    void stampNoticesChanges()
    {
        QFETCH(QString, change);
        QFETCH(bool, same);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.txt"));
        QVERIFY(writeBytes(path, "version 1"));
        // A fixed time, so that a rewrite within the clock's tick still differs.
        const timespec times[2] = {{1700000000, 0}, {1700000000, 0}};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
        const FileStamp before = FileStamp::of(path);
        QVERIFY(before.exists);
        if (change == QLatin1String("rewritten")) {
            QVERIFY(writeBytes(path, "version 2"));
        } else if (change == QLatin1String("replaced")) {
            const QString other = dir.filePath(QStringLiteral("b.txt"));
            QVERIFY(writeBytes(other, "version 2"));
            QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(other).constData(), times, 0), 0);
            QCOMPARE(::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()), 0);
        } else if (change == QLatin1String("grown")) {
            QVERIFY(writeBytes(path, "version 1, longer"));
            QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
        } else if (change == QLatin1String("removed")) {
            QVERIFY(QFile::remove(path));
        }
        QCOMPARE(FileStamp::of(path) == before, same);
    }
};

HARUMOKA_CORE_TEST_MAIN(TestAccountLock)
#include "tst_account_lock.moc"
