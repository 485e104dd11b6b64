#include "storage/recovery.h"

#include "model/values.h"
#include "storage/account_file.h"
#include "storage/account_lock.h"
#include "storage/safe_save.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSettings>
#include <QUuid>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A program's recovery files share its id: the copy, the note that tells
// what it is a copy of, and the lock held while the program runs.
const QLatin1String kCopySuffix(".txt");
const QLatin1String kNoteSuffix(".note");
const QLatin1String kLockSuffix(".lock");

QString copyName(const QString &id) { return id + kCopySuffix; }
QString noteName(const QString &id) { return id + kNoteSuffix; }
QString lockName(const QString &id) { return id + kLockSuffix; }

QString systemDetail(int error)
{
    return QStringLiteral("（詳細: %1）").arg(QString::fromLocal8Bit(std::strerror(error)));
}

// Makes folder (mode 0700) when it is missing and checks that it is a
// folder of this user that nobody else can read, closing it to others when
// it is ours. A symbolic link is followed only to such a folder. Returns
// why the folder cannot be used, or an empty string.
QString privateFolderProblem(const QString &folder)
{
    const QString shown = displayPath(folder);
    const QByteArray native = QFile::encodeName(folder);
    QDir().mkpath(QFileInfo(folder).path());
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        const int error = errno;
        switch (error) {
        case ENOSPC:
        case EDQUOT:
            return QStringLiteral("フォルダー「%1」を作れません（ディスクがいっぱいです）。").arg(shown) + systemDetail(error);
        case EACCES:
        case EPERM:
        case EROFS:
            return QStringLiteral("フォルダー「%1」を作れません（書き込めない場所です）。").arg(shown) + systemDetail(error);
        default:
            return QStringLiteral("フォルダー「%1」を作れません。").arg(shown) + systemDetail(error);
        }
    }
    struct stat st;
    if (::lstat(native.constData(), &st) != 0)
        return QStringLiteral("フォルダー「%1」を使えません。").arg(shown) + systemDetail(errno);
    if (S_ISLNK(st.st_mode)) {
        if (::stat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()
            || (st.st_mode & 077) != 0)
            return QStringLiteral("「%1」は、ほかの人も読めるかもしれない場所へのリンクのため、使いません。").arg(shown);
        return QString();
    }
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("「%1」はフォルダーではなくファイルです。").arg(shown);
    if (st.st_uid != ::geteuid())
        return QStringLiteral("フォルダー「%1」はほかのユーザーのものです。").arg(shown);
    if ((st.st_mode & 077) != 0 && ::chmod(native.constData(), 0700) != 0)
        return QStringLiteral("フォルダー「%1」をほかの人から読めないようにできません。").arg(shown) + systemDetail(errno);
    return QString();
}

// The account's bytes as they are when its stamp is still `stamp`; empty
// when it has changed meanwhile or cannot be read.
QByteArray digestOf(const QString &path, const FileStamp &stamp)
{
    QByteArray bytes;
    bool tooLarge = false;
    if (!stamp.exists || !(FileStamp::of(path) == stamp)
        || !readFileLimited(path, kMaxAccountFileBytes, bytes, &tooLarge, nullptr) || !(FileStamp::of(path) == stamp))
        return QByteArray();
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

QString number(qint64 n) { return QString::number(n); }

// The note: JSON (big numbers as text); notes of older versions are INI files.
RecoveryCopy readNote(const QString &notePath)
{
    RecoveryCopy c;
    QFile file(notePath);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.read(1 << 20) : QByteArray();
    if (!bytes.startsWith('{')) {
        const QSettings s(notePath, QSettings::IniFormat);
        c.originalPath = s.value(QStringLiteral("original")).toString();
        c.savedAt = QDateTime::fromString(s.value(QStringLiteral("saved")).toString(), Qt::ISODateWithMs);
        c.originalStamp.exists = s.value(QStringLiteral("exists")).toBool();
        c.originalStamp.size = s.value(QStringLiteral("size")).toLongLong();
        c.originalStamp.modifiedNs = s.value(QStringLiteral("modified")).toLongLong();
        c.originalStamp.device = s.value(QStringLiteral("device")).toULongLong();
        c.originalStamp.inode = s.value(QStringLiteral("inode")).toULongLong();
        return c;
    }
    const QJsonObject o = QJsonDocument::fromJson(bytes).object();
    auto text = [&](const char *key) { return o.value(QLatin1String(key)).toString(); };
    c.originalPath = text("original");
    c.savedAt = QDateTime::fromString(text("saved"), Qt::ISODateWithMs);
    c.originalStamp.exists = o.value(QLatin1String("exists")).toBool();
    c.originalStamp.size = text("size").toLongLong();
    c.originalStamp.modifiedNs = text("modified").toLongLong();
    c.originalStamp.device = text("device").toULongLong();
    c.originalStamp.inode = text("inode").toULongLong();
    c.originalDigest = QByteArray::fromHex(text("digest").toLatin1());
    c.damaged = o.value(QLatin1String("damaged")).toBool();
    c.companion = o.value(QLatin1String("companion")).toString().toUtf8();
    c.sequence = text("sequence").toLongLong();
    return c;
}

// Whether the program that holds a recovery lock has gone. Taking the lock
// over is the usual test; on a full disk that fails for want of space, and
// a zombie holder looks alive to it, so what the lock says is looked at too.
bool holderGone(const QString &lockPath)
{
    QLockFile alive(lockPath);
    alive.setStaleLockTime(0);
    if (alive.tryLock(0)) {
        alive.unlock();
        return true;
    }
    qint64 pid = 0;
    QString host, program;
    if (!alive.getLockInfo(&pid, &host, &program))
        return !QFileInfo::exists(lockPath);
    return host == QSysInfo::machineHostName() && !processStillRuns(pid, program);
}

qint64 sequenceIn(const QDir &dir)
{
    qint64 last = 0;
    for (const QString &note : dir.entryList({noteName(QStringLiteral("*"))}, QDir::Files))
        last = std::max(last, readNote(dir.filePath(note)).sequence);
    return last;
}

} // namespace

RecoveryCopy::Original RecoveryCopy::original() const
{
    if (originalPath.isEmpty())
        return Original::None;
    if (!QDir::isAbsolutePath(originalPath))
        return Original::Unknown;
    const FileStamp now = FileStamp::of(originalPath);
    if (!now.exists)
        return originalStamp.exists ? Original::Missing : Original::Same;
    if (now == originalStamp)
        return Original::Same;
    // The same content under a new stamp (a file system mounted again gives
    // new device and inode numbers) is the same account.
    if (!originalDigest.isEmpty() && digestOf(originalPath, now) == originalDigest)
        return Original::Same;
    return Original::Changed;
}

QString RecoveryCopy::restoreName(Original state) const
{
    return state == Original::Same ? originalPath : QString();
}

QString RecoveryCopy::caution(Original state) const
{
    const QString name = displayPath(originalPath);
    QString out;
    switch (state) {
    case Original::Changed:
        out = QStringLiteral("注意: 「%1」は、この変更を始めたときのファイルではありません"
                             "（そのあと、ほかのプログラムで変更されたか、別のファイルに置き換えられています）。\n")
                  .arg(name);
        break;
    case Original::Missing:
        out = QStringLiteral("注意: 「%1」が見つかりません（移動されたか、削除されています）。\n").arg(name);
        break;
    case Original::Unknown:
        out = QStringLiteral("注意: この変更が、どのフォルダーの「%1」のものか分かりません。\n").arg(name);
        break;
    case Original::None:
    case Original::Same:
        break;
    }
    if (!out.isEmpty())
        out += QStringLiteral("復元した変更は、名前のない会計として開きます。「名前を付けて保存」で保存先を選んでください。\n");
    if (damaged)
        out += QStringLiteral("元のファイルは壊れていて、途中までしか読み込めていませんでした。"
                              "復元した後も上書き保存はできません。「名前を付けて保存」で別の名前を付けて保存してください。\n");
    return out;
}

QString recoveryFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/ハルモカ");
}

RecoveryStore::RecoveryStore(const QString &folder)
    : m_folder(folder), m_id(QUuid::createUuid().toString(QUuid::WithoutBraces))
{
}

RecoveryStore::~RecoveryStore() = default;

QString RecoveryStore::claim()
{
    if (m_alive)
        return QString();
    const QString problem = privateFolderProblem(m_folder);
    if (!problem.isEmpty())
        return problem;
    const QString lockPath = QDir(m_folder).filePath(lockName(m_id));
    auto lock = std::make_unique<QLockFile>(lockPath);
    // Held for the program's life; a lock whose program is gone is stale, however young.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return QStringLiteral("フォルダー「%1」に書き込めません。").arg(displayPath(m_folder));
    QFile::setPermissions(lockPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    m_alive = std::move(lock);
    return QString();
}

QString RecoveryStore::write(const QByteArray &account, const QString &originalPath, const FileStamp &stamp,
                             bool damaged, const QByteArray &companion)
{
    QString problem = claim();
    if (problem.isEmpty()) {
        try {
            writeCopy(account, originalPath.isEmpty() ? QString() : canonicalFilePath(originalPath), stamp, damaged,
                      companion);
        } catch (const HarumokaError &e) {
            problem = e.message();
        }
    }
    m_lastWriteOk = problem.isEmpty();
    if (problem.isEmpty() || m_failureSaid)
        return QString();
    m_failureSaid = true;
    return QStringLiteral("復元用のコピーを保存できません。ハルモカが異常終了したときに、保存していない変更を"
                          "取り戻せません。こまめに上書き保存してください。\n")
        + problem;
}

void RecoveryStore::writeCopy(const QByteArray &account, const QString &original, const FileStamp &stamp,
                              bool damaged, const QByteArray &companion)
{
    if (original != m_digestPath || !(stamp == m_digestStamp)) {
        m_digestPath = original;
        m_digestStamp = stamp;
        m_digest = original.isEmpty() ? QByteArray() : digestOf(original, stamp);
    }
    const QDir dir(m_folder);
    SaveOptions options;
    options.newFileMode = 0600;
    saveFileAtomically(dir.filePath(copyName(m_id)), account, options);
    // The note is written after the copy: a note always has its copy.
    QJsonObject note;
    note.insert(QStringLiteral("original"), original);
    note.insert(QStringLiteral("saved"), QDateTime::currentDateTime().toString(Qt::ISODateWithMs));
    note.insert(QStringLiteral("exists"), stamp.exists);
    note.insert(QStringLiteral("size"), number(stamp.size));
    note.insert(QStringLiteral("modified"), number(stamp.modifiedNs));
    note.insert(QStringLiteral("device"), QString::number(stamp.device));
    note.insert(QStringLiteral("inode"), QString::number(stamp.inode));
    note.insert(QStringLiteral("digest"), QString::fromLatin1(m_digest.toHex()));
    note.insert(QStringLiteral("damaged"), damaged);
    if (!companion.isEmpty())
        note.insert(QStringLiteral("companion"), QString::fromUtf8(companion));
    // Newest work first whatever the clock says: each copy written in the
    // folder gets the next number.
    note.insert(QStringLiteral("sequence"), number(sequenceIn(dir) + 1));
    saveFileAtomically(dir.filePath(noteName(m_id)), QJsonDocument(note).toJson(), options);
    m_written = true;
}

void RecoveryStore::remove()
{
    const QDir dir(m_folder);
    QFile::remove(dir.filePath(noteName(m_id)));
    QFile::remove(dir.filePath(copyName(m_id)));
    m_written = false;
}

QList<RecoveryCopy> RecoveryStore::leftBehind() const
{
    QList<RecoveryCopy> out;
    const QDir dir(m_folder);
    // By the copies: a program killed between its copy and its note left a
    // copy all the same, offered without the account it belongs to.
    for (const QString &copyFile : dir.entryList({copyName(QStringLiteral("*"))}, QDir::Files)) {
        const QString id = copyFile.chopped(kCopySuffix.size());
        if (id == m_id || id.startsWith(QLatin1Char('.')) || !holderGone(dir.filePath(lockName(id))))
            continue;
        removeStaleTemporaries(dir.filePath(copyFile));
        removeStaleTemporaries(dir.filePath(noteName(id)));
        RecoveryCopy c;
        if (QFile::exists(dir.filePath(noteName(id))))
            c = readNote(dir.filePath(noteName(id)));
        else
            c.savedAt = QFileInfo(dir.filePath(copyFile)).lastModified();
        c.copyPath = dir.filePath(copyFile);
        out << c;
    }
    // What a program killed before its first copy left: a lock, a note
    // without its copy, temporaries.
    for (const QString &lock : dir.entryList({lockName(QStringLiteral("*"))}, QDir::Files | QDir::Hidden)) {
        const QString id = lock.chopped(kLockSuffix.size());
        if (id == m_id || QFile::exists(dir.filePath(copyName(id))) || !holderGone(dir.filePath(lock)))
            continue;
        removeStaleTemporaries(dir.filePath(copyName(id)));
        removeStaleTemporaries(dir.filePath(noteName(id)));
        QFile::remove(dir.filePath(noteName(id)));
        QFile::remove(dir.filePath(lock));
    }
    std::sort(out.begin(), out.end(), [](const RecoveryCopy &a, const RecoveryCopy &b) {
        return a.sequence != b.sequence ? a.sequence > b.sequence : a.savedAt > b.savedAt;
    });
    return out;
}

void RecoveryStore::discard(const RecoveryCopy &copy)
{
    QFile::remove(copy.copyPath);
    const QString id = copy.copyPath.chopped(kCopySuffix.size());
    QFile::remove(noteName(id));
    QFile::remove(lockName(id));
}
