// Where saving writes and what it refuses: links, pipes, folders and
// read-only files at the save path or the backup's; the permissions a saved
// file and its backup keep; pipes that must not stall reading.
#include "storage/account_file.h"
#include "storage/settings_file.h"
#include "support/core_test_main.h"
#include "support/test_util.h"

#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct stat statOf(const QString &path)
{
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st;
}

// Makes a "folder", a "pipe" or a "read-only file" at path.
bool makeThing(const QString &kind, const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    if (kind == QLatin1String("folder"))
        return ::mkdir(native.constData(), 0700) == 0;
    if (kind == QLatin1String("pipe"))
        return ::mkfifo(native.constData(), 0600) == 0;
    return writeBytes(path, "read-only") && ::chmod(native.constData(), 0444) == 0;
}

ArticlePtr oneEntry()
{
    auto head = std::make_shared<MekaluArticle>();
    head->addArticle(income(d(2003, 4, 1), QStringLiteral("学級費"), 15000));
    return head;
}

} // namespace

class TestSaveTargets : public QObject {
    Q_OBJECT

private slots:
    // The backup and the settings file replace a link at their place; an
    // account opened through a link is saved where the link leads.
    void links_data()
    {
        QTest::addColumn<QString>("which");
        QTest::newRow("backup linked to another file") << "backup";
        QTest::newRow("settings file linked to a pipe") << "settings";
        QTest::newRow("account opened through a link") << "account";
    }
    void links()
    {
        QFETCH(QString, which);
        QTemporaryDir dir;
        const QString other = dir.filePath(QStringLiteral("other.txt"));
        const QString path = dir.filePath(QStringLiteral("a.txt"));
        if (which == QLatin1String("backup")) {
            QVERIFY(writeBytes(other, "someone else's file") && writeBytes(path, "old account"));
            QVERIFY(QFile::link(other, dir.filePath(QStringLiteral("a.bak"))));
            QVERIFY(writeAccountFile(path, AccountHeader(), *oneEntry()).backupWarning.isEmpty());
            QCOMPARE(readBytes(other), QByteArray("someone else's file"));
            QVERIFY(S_ISREG(statOf(dir.filePath(QStringLiteral("a.bak"))).st_mode));
            QCOMPARE(readBytes(dir.filePath(QStringLiteral("a.bak"))), QByteArray("old account"));
        } else if (which == QLatin1String("settings")) {
            QVERIFY(makeThing(QStringLiteral("pipe"), other) && QFile::link(other, path));
            writeSelectionFile(path, MekaluSelection(), MekaluSelection());
            QCOMPARE(readBytes(path), QByteArray("Income\r\nSupply\r\n"));
            QVERIFY(S_ISFIFO(statOf(other).st_mode));
        } else {
            QVERIFY(QDir().mkdir(dir.filePath(QStringLiteral("real"))));
            const QString real = dir.filePath(QStringLiteral("real/a.txt"));
            QVERIFY(writeBytes(real, "old account"));
            QVERIFY(QFile::link(QStringLiteral("real/a.txt"), path)); // relative, as ln -s makes it
            writeAccountFile(path, AccountHeader(), *oneEntry());
            QVERIFY(S_ISLNK(statOf(path).st_mode));
            QCOMPARE(readBytes(real), encodeAccountFile(AccountHeader(), *oneEntry()));
            QCOMPARE(readBytes(dir.filePath(QStringLiteral("real/a.bak"))), QByteArray("old account"));
        }
    }

    // Nothing is written over what is not a regular file or is read-only,
    // and the message says what is there.
    void refusedSavePaths_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected");
        for (const char *file : {"account", "settings"}) {
            QTest::addRow("folder, %s", file) << "folder" << file << "保存先はフォルダーです。";
            QTest::addRow("pipe, %s", file) << "pipe" << file << "保存先は名前付きパイプです。";
            QTest::addRow("read-only file, %s", file) << "read-only file" << file << "保存先のファイルは読み取り専用です。";
        }
        QTest::newRow("read-only folder") << "read-only folder" << "account" << "フォルダーが読み取り専用か";
    }
    void refusedSavePaths()
    {
        QFETCH(QString, what);
        QFETCH(QString, file);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.txt"));
        if (what == QLatin1String("read-only folder")) {
            if (::geteuid() == 0)
                QSKIP("permission bits do not stop root");
            QVERIFY(writeBytes(path, "old") && QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        } else {
            QVERIFY(makeThing(what, path));
        }
        const struct stat before = statOf(path);
        try {
            if (file == QLatin1String("account"))
                writeAccountFile(path, AccountHeader(), *oneEntry());
            else
                writeSelectionFile(path, MekaluSelection(), MekaluSelection());
            QFAIL("saved");
        } catch (const HarumokaError &e) {
            QVERIFY2(e.message().contains(expected) && e.message().contains(path), qPrintable(e.message()));
        }
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(statOf(path).st_ino, before.st_ino);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("a.txt")});
    }

    void permissionsAndGroupAreKept_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("owner only") << 0600;
        QTest::newRow("group may read") << 0640;
    }
    void permissionsAndGroupAreKept()
    {
        QFETCH(int, mode);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.txt"));
        const QByteArray native = QFile::encodeName(path);
        QVERIFY(writeBytes(path, "old account"));
        // Root may give any group; others one of their own.
        gid_t groups[64];
        const int n = ::getgroups(64, groups);
        const gid_t group = ::geteuid() == 0 ? gid_t(4242) : groups[n > 0 ? n - 1 : 0];
        QVERIFY(::chown(native.constData(), uid_t(-1), group) == 0 && ::chmod(native.constData(), mode_t(mode)) == 0);
        writeAccountFile(path, AccountHeader(), *oneEntry());
        writeAccountFile(path, AccountHeader(), *oneEntry()); // the backup of a saved file
        for (const QString &p : {path, dir.filePath(QStringLiteral("a.bak"))}) {
            QCOMPARE(int(statOf(p).st_mode & 07777), mode);
            QCOMPARE(statOf(p).st_gid, group);
        }
    }

    // As each temporary file (content, backup) is filled, none of a private account is readable by others.
    void temporaryFilesArePrivateWhileWritten()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.txt"));
        QVERIFY(writeBytes(path, "old account") && ::chmod(QFile::encodeName(path).constData(), 0600) == 0);
        QMap<QString, int> modes; // "a.txt" or "a.bak": the widest mode its temporary file had
        const SaveDeviceFilter looking = [&](QIODevice &file) -> std::unique_ptr<QIODevice> {
            for (const QString &name : QDir(dir.path()).entryList({"*.tmp"}, QDir::Files | QDir::Hidden))
                modes[name.section(QLatin1Char('.'), 1, 2)] |= int(statOf(dir.filePath(name)).st_mode & 0777);
            auto same = std::make_unique<QFile>();
            same->open(static_cast<QFile &>(file).handle(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle);
            return same;
        };
        writeAccountFile(path, AccountHeader(), *oneEntry(), looking);
        QCOMPARE(modes, (QMap<QString, int>{{"a.txt", 0600}, {"a.bak", 0600}}));
    }

    // The file is saved; the backup that could not be updated is named.
    void backupThatCannotBeUpdatedIsReported_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("folder") << "folder";
        QTest::newRow("pipe") << "pipe";
    }
    void backupThatCannotBeUpdatedIsReported()
    {
        QFETCH(QString, what);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.txt"));
        const QString backup = dir.filePath(QStringLiteral("a.bak"));
        QVERIFY(writeBytes(path, "old account") && makeThing(what, backup));
        const QString warning = writeAccountFile(path, AccountHeader(), *oneEntry()).backupWarning;
        QCOMPARE(readBytes(path), encodeAccountFile(AccountHeader(), *oneEntry()));
        QVERIFY2(warning.contains(QStringLiteral("ファイル「%1」は保存しましたが、バックアップ「%2」を更新できませんでした").arg(path, backup)),
                 qPrintable(warning));
        QVERIFY(!S_ISREG(statOf(backup).st_mode));
    }

    // Refused before anything could block on them; the function time limit
    // catches a hang.
    void specialFilesAreNotRead_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("word");
        QTest::newRow("pipe") << "pipe" << "名前付きパイプ";
        QTest::newRow("folder") << "folder" << "フォルダー";
        QTest::newRow("device") << "/dev/zero" << "デバイス";
    }
    void specialFilesAreNotRead()
    {
        QFETCH(QString, what);
        QFETCH(QString, word);
        QTemporaryDir dir;
        QString path = dir.filePath(QStringLiteral("Mekalu.ini"));
        if (what.startsWith(QLatin1Char('/')))
            path = what;
        else
            QVERIFY(makeThing(what, path));
        LoadedAccount m;
        AccountHeader h;
        try {
            readAccountFile(path, m, h);
            QFAIL("read");
        } catch (const AccountFileError &e) {
            QCOMPARE(e.kind(), AccountFileError::CannotOpen);
            QVERIFY2(e.message().contains(QStringLiteral("ファイルではなく%1のため、開けません。").arg(word)),
                     qPrintable(e.message()));
        }
        MekaluSelection income, supply;
        const QString problem = readSelectionFile(path, income, supply);
        QVERIFY2(problem.contains(word) && problem.contains(path), qPrintable(problem));
    }
};

HARUMOKA_CORE_TEST_MAIN(TestSaveTargets)
#include "tst_save_targets.moc"
