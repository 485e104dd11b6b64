// Save stopped dead at any moment: a helper process saves large accounts to
// one file over and over and is killed (SIGKILL) after varying delays.
// Each time the file must be one complete version, the one before the save
// in progress or the one it was writing, and the backup a complete earlier
// version, exactly where the order of saves allows.
#include "crash_safety_versions.h"
#include "storage/companion_file.h"
#include "support/core_test_main.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

namespace {

constexpr int kNone = -1;  // no file
constexpr int kTorn = -2;  // a file that is none of the versions

QString describeVersion(int v)
{
    return v == kNone ? QStringLiteral("none") : v == kTorn ? QStringLiteral("torn") : QString::number(v);
}

} // namespace

class TestCrashSafety : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QList<QByteArray> m_versions;
    qint64 m_saveMicros = 0;
    int m_beforeFirstSave = 0, m_afterSaves = 0, m_betweenRenames = 0, m_leftovers = 0;

    int versionOf(const QString &path) const
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return kNone;
        const int i = int(m_versions.indexOf(f.readAll()));
        return i >= 0 ? i : kTorn;
    }

    // Ten kills in a fresh folder, with delays of its own.
    void killSaves(int run)
    {
        const QString folder = m_dir.filePath(QStringLiteral("run%1").arg(run));
        QVERIFY(QDir().mkpath(folder));
        const QString target = folder + QStringLiteral("/account.txt");
        const QString backup = folder + QStringLiteral("/account.bak");
        {
            QFile f(target);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(m_versions[0]) == m_versions[0].size());
        }
        int fileVersion = 0;
        int backupVersion = kNone;

        QRandomGenerator random(20240401 + run);
        for (int round = 0; round < 10; ++round) {
            const int start = (fileVersion + 1) % kCrashSafetyVersions;
            QProcess saver;
            saver.setProgram(QStringLiteral(CRASH_SAFETY_SAVER));
            saver.setArguments({target, QString::number(start)});
            saver.start();
            QVERIFY2(saver.waitForStarted(), qPrintable(saver.errorString()));
            while (!saver.canReadLine())
                QVERIFY2(saver.waitForReadyRead(10000), "the saver did not get ready");
            QCOMPARE(saver.readLine(), QByteArray("ready\n"));

            // The first round of a run kills the first save at once; the
            // others anywhere from just after the start to a few saves in.
            if (round > 0)
                QThread::usleep(random.bounded(quint64(m_saveMicros * 3)));
            saver.kill();
            QVERIFY(saver.waitForFinished(10000));
            QCOMPARE(saver.exitStatus(), QProcess::CrashExit);
            const qsizetype saved = saver.readAllStandardOutput().count("saved\n");

            // After j complete saves the file holds F(j) and the backup B(j).
            // k saves were printed; the kill may have hit save k+1 anywhere:
            // before its file was renamed into place, between that and the
            // backup's rename, or after both.
            auto fileAfter = [&](qsizetype j) {
                return j == 0 ? fileVersion : int((start + j - 1) % kCrashSafetyVersions);
            };
            auto backupAfter = [&](qsizetype j) { return j == 0 ? backupVersion : fileAfter(j - 1); };
            // Every version was read back in initTestCase, so a file equal
            // to one byte for byte is one Open reads completely.
            const int file = versionOf(target);
            int bak = versionOf(backup);
            const QString seen = QStringLiteral("round %1, %2 saves printed: file %3, backup %4")
                                     .arg(round)
                                     .arg(saved)
                                     .arg(describeVersion(file), describeVersion(bak));
            QVERIFY2(file >= 0, qPrintable(seen));
            QVERIFY2(bak != kTorn, qPrintable(seen));
            const bool before = file == fileAfter(saved) && bak == backupAfter(saved);
            const bool between = file == fileAfter(saved + 1) && bak == backupAfter(saved);
            const bool after = file == fileAfter(saved + 1) && bak == backupAfter(saved + 1);
            QVERIFY2(before || between || after, qPrintable(seen + QStringLiteral(" (out of order)")));
            // What Open does first: a backup stopped between the renames is put in place.
            removeStaleSaveTemporaries(target);
            const int bakNow = versionOf(backup);
            QVERIFY2(bakNow == (between && !before ? backupAfter(saved + 1) : bak),
                     qPrintable(seen + QStringLiteral(", then backup %1").arg(describeVersion(bakNow))));
            if (between && !before && !after)
                ++m_betweenRenames;
            bak = bakNow;
            if (saved == 0 && before)
                ++m_beforeFirstSave;
            else
                ++m_afterSaves;
            fileVersion = file;
            backupVersion = bak;
        }

        // Whatever a killed save left behind does not stop the next save.
        const int next = (fileVersion + 1) % kCrashSafetyVersions;
        LoadedAccount m;
        AccountHeader h;
        makeCrashSafetyVersion(next, m, h);
        writeAccountFile(target, h, m.entries());
        QCOMPARE(versionOf(target), next);
        QCOMPARE(versionOf(backup), fileVersion);
        m_leftovers += int(QDir(folder).entryList(QDir::Files | QDir::Hidden).size()) - 2;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        for (int v = 0; v < kCrashSafetyVersions; ++v) {
            LoadedAccount m;
            AccountHeader h;
            makeCrashSafetyVersion(v, m, h);
            QElapsedTimer timer;
            timer.start();
            const QString path = m_dir.filePath(QStringLiteral("v%1.txt").arg(v));
            writeAccountFile(path, h, m.entries());
            // How long one save takes here, so that the kills spread over a few saves.
            m_saveMicros = std::max<qint64>(m_saveMicros, timer.nsecsElapsed() / 1000);
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            m_versions << f.readAll();
            QVERIFY(m_versions.last().size() > 150000);

            LoadedAccount back;
            AccountHeader backHeader;
            readAccountFile(path, back, backHeader);
            QCOMPARE(encodeAccountFile(backHeader, back.entries()), m_versions.last());
        }
    }

    // Four runs of ten kills (one run per function keeps each well within
    // the per-function time limit).
    // The companion file, saved after its account each time and killed
    // likewise: what is left of it and of its backup always reads whole.
    void killedCompanionSavesReadWhole()
    {
        const QString target = m_dir.filePath(QStringLiteral("companion/account.txt"));
        QVERIFY(QDir().mkpath(QFileInfo(target).path()));
        QRandomGenerator random(20261210);
        int read = 0;
        for (int round = 0; round < 8; ++round) {
            QProcess saver;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("HARUMOKA_SAVER_COMPANION"), QStringLiteral("1"));
            saver.setProcessEnvironment(env);
            saver.start(QStringLiteral(CRASH_SAFETY_SAVER), {target, QString::number(round)});
            QVERIFY(saver.waitForStarted());
            while (!saver.canReadLine())
                QVERIFY(saver.waitForReadyRead(10000));
            QThread::usleep(random.bounded(quint64(m_saveMicros * 4)));
            saver.kill();
            QVERIFY(saver.waitForFinished(10000));
            const QString companion = companionPath(target);
            for (const QString &path : {companion, companionBackupPath(companion)}) {
                QFile f(path);
                if (!f.open(QIODevice::ReadOnly))
                    continue; // killed before the first one was written
                const CompanionContent content = decodeCompanion(f.readAll(), path, EntryList());
                QCOMPARE(content.roster.size(), 3);
                QCOMPARE(content.roster.first().name, QStringLiteral("𠮷田 一郎"));
                ++read;
            }
        }
        QVERIFY(read > 0);
    }

    void killedSavesLeaveCompleteVersions1() { killSaves(1); }
    void killedSavesLeaveCompleteVersions2() { killSaves(2); }
    void killedSavesLeaveCompleteVersions3() { killSaves(3); }
    void killedSavesLeaveCompleteVersions4() { killSaves(4); }

    // One save of version 1 over version 0 meets a failing system call
    // (strace injects it): a failure is said and leaves both files as they
    // were; a kill between the file's rename and the backup's leaves the
    // previous version, which the next Open makes the backup.
    void oneSystemCallFails_data()
    {
        QTest::addColumn<QString>("inject");
        QTest::addColumn<int>("saves"); // of versions 1, 2, …
        QTest::addColumn<int>("status"); // -1 killed
        QTest::addColumn<int>("file");
        QTest::addColumn<int>("backup"); // after the next Open
        QTest::addColumn<QString>("said");
        const char *renames = "rename,renameat,renameat2";
        QTest::newRow("killed before the renames") << QString("%1:signal=KILL:when=1").arg(renames) << 1 << -1 << 0 << kNone << "";
        QTest::newRow("killed between the renames") << QString("%1:signal=KILL:when=2").arg(renames) << 1 << -1 << 1 << 0 << "";
        QTest::newRow("killed between the renames, a backup there")
            << QString("%1:signal=KILL:when=4").arg(renames) << 2 << -1 << 2 << 1 << "";
        // The third write is the backup's first piece.
        QTest::newRow("killed while copying the backup") << "write:signal=KILL:when=4" << 1 << -1 << 0 << kNone << "";
        QTest::newRow("the file's rename fails") << QString("%1:error=EIO:when=1").arg(renames) << 1 << 1 << 0 << kNone
                                                  << "書き終えたファイルを元のファイルと置き換えられませんでした。";
        QTest::newRow("the backup's rename fails") << QString("%1:error=EIO:when=2").arg(renames) << 1 << 0 << 1 << kNone
                                                    << "バックアップを置き換えられませんでした。";
        QTest::newRow("the permissions cannot be set") << "fchmod:error=EPERM:when=1" << 1 << 1 << 0 << kNone << "";
    }
    void oneSystemCallFails()
    {
        QFETCH(QString, inject);
        QFETCH(int, saves);
        QFETCH(int, status);
        QFETCH(int, file);
        QFETCH(int, backup);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("account.txt")), bak = dir.filePath(QStringLiteral("account.bak"));
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(m_versions[0]) == m_versions[0].size());
        f.close();
        QProcess saver;
        saver.start(QStringLiteral("strace"), {"-f", "-o", "/dev/null", "-e", "inject=" + inject,
                                               QStringLiteral(CRASH_SAFETY_SAVER), target, "1", QString::number(saves)});
        if (!saver.waitForFinished(60000) || saver.exitCode() == 127)
            QSKIP("no strace here");
        QCOMPARE(saver.exitStatus() == QProcess::CrashExit || saver.exitCode() > 128 ? -1 : saver.exitCode(), status);
        QVERIFY(QString::fromUtf8(saver.readAllStandardError()).contains(said));
        QCOMPARE(versionOf(target), file);
        removeStaleSaveTemporaries(target);
        QCOMPARE(versionOf(bak), backup);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), backup == kNone ? 1 : 2);
    }

    void killsLandedBeforeAndAfterSaves()
    {
        qInfo("%d kills before the first save completed, %d after one or more (%d of them "
              "between the file's and the backup's rename); %d temporary files left behind; "
              "one save takes %lld µs",
              m_beforeFirstSave, m_afterSaves, m_betweenRenames, m_leftovers, m_saveMicros);
        QVERIFY(m_beforeFirstSave > 0);
        QVERIFY(m_afterSaves > 0);
    }
};

HARUMOKA_CORE_TEST_MAIN(TestCrashSafety)
#include "tst_crash_safety.moc"
