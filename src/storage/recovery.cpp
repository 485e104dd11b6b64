#include "storage/recovery.h"

#include "model/values.h"
#include "storage/safe_save.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QSettings>
#include <QUuid>
#include <algorithm>

namespace {

QString copyName(const QString &id) { return id + QStringLiteral(".txt"); }
QString noteName(const QString &id) { return id + QStringLiteral(".note"); }
QString lockName(const QString &id) { return id + QStringLiteral(".lock"); }

} // namespace

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

bool RecoveryStore::claim()
{
    if (m_alive)
        return true;
    if (!QDir().mkpath(m_folder))
        return false;
    QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    auto lock = std::make_unique<QLockFile>(QDir(m_folder).filePath(lockName(m_id)));
    // Held for the program's life; a lock whose program is gone is stale, however young.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return false;
    m_alive = std::move(lock);
    return true;
}

void RecoveryStore::write(const QByteArray &account, const QString &originalPath, const FileStamp &stamp)
{
    if (!claim())
        throw HarumokaError(QStringLiteral("復元用のコピーを保存するフォルダー「%1」を使えません。")
                                .arg(QDir::toNativeSeparators(m_folder)));
    const QDir dir(m_folder);
    SaveOptions options;
    saveFileAtomically(dir.filePath(copyName(m_id)), account, options);
    // The note is written after the copy: a note always has its copy.
    QSettings note(dir.filePath(noteName(m_id)), QSettings::IniFormat);
    note.setValue(QStringLiteral("original"), originalPath);
    note.setValue(QStringLiteral("saved"), QDateTime::currentDateTime().toString(Qt::ISODateWithMs));
    note.setValue(QStringLiteral("size"), stamp.size);
    note.setValue(QStringLiteral("modified"), stamp.modifiedNs);
    note.setValue(QStringLiteral("device"), stamp.device);
    note.setValue(QStringLiteral("inode"), stamp.inode);
    note.setValue(QStringLiteral("exists"), stamp.exists);
    note.sync();
    if (note.status() != QSettings::NoError)
        throw HarumokaError(QStringLiteral("復元用のコピーの記録を書き込めませんでした。"));
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
    for (const QString &note : dir.entryList({QStringLiteral("*.note")}, QDir::Files)) {
        const QString id = note.chopped(5);
        if (id == m_id)
            continue;
        // A program still running holds its lock: its copy is not left behind.
        QLockFile alive(dir.filePath(lockName(id)));
        alive.setStaleLockTime(0);
        if (!alive.tryLock(0))
            continue;
        alive.unlock();
        if (!QFile::exists(dir.filePath(copyName(id))))
            continue;
        const QSettings s(dir.filePath(note), QSettings::IniFormat);
        RecoveryCopy c;
        c.copyPath = dir.filePath(copyName(id));
        c.originalPath = s.value(QStringLiteral("original")).toString();
        c.savedAt = QDateTime::fromString(s.value(QStringLiteral("saved")).toString(), Qt::ISODateWithMs);
        c.originalStamp.exists = s.value(QStringLiteral("exists")).toBool();
        c.originalStamp.size = s.value(QStringLiteral("size")).toLongLong();
        c.originalStamp.modifiedNs = s.value(QStringLiteral("modified")).toLongLong();
        c.originalStamp.device = s.value(QStringLiteral("device")).toULongLong();
        c.originalStamp.inode = s.value(QStringLiteral("inode")).toULongLong();
        out << c;
    }
    std::sort(out.begin(), out.end(), [](const RecoveryCopy &a, const RecoveryCopy &b) { return a.savedAt > b.savedAt; });
    return out;
}

void RecoveryStore::discard(const RecoveryCopy &copy)
{
    QFile::remove(copy.copyPath);
    QString base = copy.copyPath;
    base.chop(4);
    QFile::remove(base + QStringLiteral(".note"));
    QFile::remove(base + QStringLiteral(".lock"));
}
