// Where saving writes, and what it refuses: links, pipes, folders and
// read-only files at the save path or the backup's, the permissions a saved
// file and its backup keep, and pipes that must not stall reading.
#include "app/module1.h"
#include "model/values.h"
#include "storage/account_file.h"
#include "storage/safe_save.h"
#include "storage/settings_file.h"
#include "support/test_main.h"
#include "support/test_util.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return f.readAll();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

struct stat statOf(const QString &path)
{
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st;
}

ArticlePtr oneEntry()
{
    auto head = std::make_shared<MekaluArticle>();
    head->addArticle(income(d(2003, 4, 1), QStringLiteral("学級費"), 15000));
    return head;
}

// Makes `kind` at path: "folder", "pipe" or "read-only file".
bool makeThing(const QString &kind, const QString &path)
{
    if (kind == QLatin1String("folder"))
        return QDir().mkdir(path);
    if (kind == QLatin1String("pipe"))
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    return writeBytes(path, "read-only") && ::chmod(QFile::encodeName(path).constData(), 0444) == 0;
}

} // namespace

class TestSaveTargets : public QObject {
    Q_OBJECT

private slots:
    // A link at the backup's or the settings file's place is replaced; the
    // file it points to stays as it was. An account opened through a link
    // is saved to the file the link names, and the link stays.
    void linksAreReplacedOrFollowed_data()
    {
        QTest::addColumn<QString>("which");
        QTest::newRow("backup linked to another file") << "backup";
        QTest::newRow("settings file linked to another file") << "settings";
        QTest::newRow("settings file linked to a pipe") << "settings pipe";
        QTest::newRow("account opened through a link") << "account";
    }
    void linksAreReplacedOrFollowed()
    {
        QFETCH(QString, which);
        QTemporaryDir dir;
        const QString other = dir.filePath(QStringLiteral("other.txt"));
        if (which == QLatin1String("settings pipe"))
            QVERIFY(makeThing(QStringLiteral("pipe"), other));
        else
            QVERIFY(writeBytes(other, "someone else's file"));

        if (which == QLatin1String("backup")) {
            const QString path = dir.filePath(QStringLiteral("a.txt"));
            QVERIFY(writeBytes(path, "old account"));
            QVERIFY(QFile::link(other, dir.filePath(QStringLiteral("a.bak"))));
            const SaveResult r = writeAccountFile(path, AccountHeader(), *oneEntry());
            QVERIFY2(r.backupWarning.isEmpty(), qPrintable(r.backupWarning));
            QCOMPARE(readBytes(other), QByteArray("someone else's file"));
            QVERIFY(S_ISREG(statOf(dir.filePath(QStringLiteral("a.bak"))).st_mode));
            QCOMPARE(readBytes(dir.filePath(QStringLiteral("a.bak"))), QByteArray("old account"));
        } else if (which.startsWith(QLatin1String("settings"))) {
            const QString ini = dir.filePath(QStringLiteral("Mekalu.ini"));
            QVERIFY(QFile::link(other, ini));
            writeSelectionFile(ini, MekaluSelection(), MekaluSelection());
            QVERIFY(S_ISREG(statOf(ini).st_mode));
            QCOMPARE(readBytes(ini), QByteArray("Income\r\nSupply\r\n"));
            if (which == QLatin1String("settings"))
                QCOMPARE(readBytes(other), QByteArray("someone else's file"));
            else
                QVERIFY(S_ISFIFO(statOf(other).st_mode));
        } else {
            QVERIFY(QDir().mkdir(dir.filePath(QStringLiteral("real"))));
            const QString real = dir.filePath(QStringLiteral("real/a.txt"));
            QVERIFY(writeBytes(real, "old account"));
            const QString link = dir.filePath(QStringLiteral("link.txt"));
            QVERIFY(QFile::link(QStringLiteral("real/a.txt"), link)); // relative, as ln -s makes it
            writeAccountFile(link, AccountHeader(), *oneEntry());
            QVERIFY(S_ISLNK(statOf(link).st_mode));
            QCOMPARE(readBytes(real), encodeAccountFile(AccountHeader(), *oneEntry()));
            QCOMPARE(readBytes(dir.filePath(QStringLiteral("real/a.bak"))), QByteArray("old account"));
            QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("link.bak"))));
        }
    }

    // Nothing is written over something that is not a regular file, and the
    // message says what is there.
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
    }
    void refusedSavePaths()
    {
        QFETCH(QString, what);
        QFETCH(QString, file);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.txt"));
        QVERIFY(makeThing(what, path));
        const struct stat before = statOf(path);
        try {
            if (file == QLatin1String("account"))
                writeAccountFile(path, AccountHeader(), *oneEntry());
            else
                writeSelectionFile(path, MekaluSelection(), MekaluSelection());
            QFAIL("saved");
        } catch (const HarumokaError &e) {
            QVERIFY2(e.message().contains(expected), qPrintable(e.message()));
            QVERIFY(e.message().contains(path));
            QVERIFY(!e.message().contains(QStringLiteral("ディスクがいっぱい")));
        }
        const struct stat after = statOf(path);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("a.txt")});
    }

    void readOnlyFolderIsNamed()
    {
        if (::geteuid() == 0)
            QSKIP("permission bits do not stop root");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.txt"));
        QVERIFY(writeBytes(path, "old"));
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        try {
            writeAccountFile(path, AccountHeader(), *oneEntry());
            QFAIL("saved");
        } catch (const AccountFileError &e) {
            QVERIFY2(e.message().contains(QStringLiteral("フォルダーが読み取り専用か")), qPrintable(e.message()));
        }
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    // A private account keeps private backups; the group stays too.
    void permissionsAndGroupAreKept_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("owner only") << 0600;
        QTest::newRow("group may read") << 0640;
        QTest::newRow("everyone may read") << 0644;
    }
    void permissionsAndGroupAreKept()
    {
        QFETCH(int, mode);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.txt"));
        QVERIFY(writeBytes(path, "old account"));
        const QByteArray native = QFile::encodeName(path);
        // Root may give any group; others one of their own.
        gid_t groups[64];
        const int n = ::getgroups(64, groups);
        const gid_t group = ::geteuid() == 0 ? gid_t(4242) : groups[n > 0 ? n - 1 : 0];
        QCOMPARE(::chown(native.constData(), uid_t(-1), group), 0);
        QCOMPARE(::chmod(native.constData(), mode_t(mode)), 0);

        writeAccountFile(path, AccountHeader(), *oneEntry());
        writeAccountFile(path, AccountHeader(), *oneEntry()); // the backup now copies a saved file
        for (const QString &p : {path, dir.filePath(QStringLiteral("a.bak"))}) {
            const struct stat st = statOf(p);
            QCOMPARE(int(st.st_mode & 07777), mode);
            QCOMPARE(st.st_gid, group);
        }
    }

    // The file is saved; the backup that could not be updated is named in
    // the result for the window to show.
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
        QVERIFY(writeBytes(path, "old account"));
        QVERIFY(makeThing(what, backup));
        const SaveResult r = writeAccountFile(path, AccountHeader(), *oneEntry());
        QCOMPARE(readBytes(path), encodeAccountFile(AccountHeader(), *oneEntry()));
        QVERIFY2(r.backupWarning.contains(QStringLiteral("バックアップ「%1」を更新できませんでした").arg(backup)),
                 qPrintable(r.backupWarning));
        QVERIFY(r.backupWarning.contains(QStringLiteral("ファイル「%1」は保存しました").arg(path)));
        QCOMPARE(statOf(backup).st_mode & S_IFMT, what == QLatin1String("pipe") ? mode_t(S_IFIFO) : mode_t(S_IFDIR));

        // A new file has no backup to update, and says nothing.
        QVERIFY(writeAccountFile(dir.filePath(QStringLiteral("b.txt")), AccountHeader(), *oneEntry())
                    .backupWarning.isEmpty());
    }

    // Two accounts that differ after their first full stop keep their own backups.
    void backupsOfSimilarNamesStayApart()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath(QStringLiteral("3年2組.2025.txt"));
        const QString b = dir.filePath(QStringLiteral("3年2組.2026.txt"));
        QVERIFY(writeBytes(a, "old 2025"));
        QVERIFY(writeBytes(b, "old 2026"));
        writeAccountFile(a, AccountHeader(), *oneEntry());
        writeAccountFile(b, AccountHeader(), *oneEntry());
        QCOMPARE(readBytes(dir.filePath(QStringLiteral("3年2組.2025.bak"))), QByteArray("old 2025"));
        QCOMPARE(readBytes(dir.filePath(QStringLiteral("3年2組.2026.bak"))), QByteArray("old 2026"));
    }

    // Pipes, folders and devices are refused before anything could block on
    // them; the function time limit catches a hang.
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
        if (what.startsWith(QLatin1Char('/'))) {
            if (!QFileInfo::exists(what))
                QSKIP("no such device here");
            path = what;
        } else {
            QVERIFY(makeThing(what, path));
        }
        Module1 m;
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
        // Start-up reads the names through the application state.
        m.settingsFilePath = path;
        m.loadSelectionLists();
        QVERIFY(!m.incomeSelectionList->tsLink);
    }
};

HARUMOKA_TEST_MAIN(TestSaveTargets)
#include "tst_save_targets.moc"
