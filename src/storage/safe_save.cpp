#include "storage/safe_save.h"

#include "model/values.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// Writes in pieces so that a device that fails part-way is noticed where it fails.
bool writeAll(QIODevice &device, const QByteArray &content)
{
    constexpr qsizetype kChunk = 64 * 1024;
    for (qsizetype done = 0; done < content.size();) {
        const qsizetype n = std::min(kChunk, content.size() - done);
        const qint64 written = device.write(content.constData() + done, n);
        if (written <= 0)
            return false;
        done += qsizetype(written);
    }
    return true;
}

QString reasonText(QFileDevice::FileError error, const QString &detail)
{
    QString reason;
    switch (error) {
    case QFileDevice::OpenError:
    case QFileDevice::PermissionsError:
        reason = QStringLiteral("ファイルを作れませんでした（フォルダーに書き込めないか、フォルダーがありません）。");
        break;
    case QFileDevice::RenameError:
        reason = QStringLiteral("書き終えたファイルを元のファイルと置き換えられませんでした。");
        break;
    default:
        reason = QStringLiteral("書き込みに失敗しました（ディスクがいっぱいの可能性があります）。");
        break;
    }
    if (!detail.isEmpty())
        reason += QStringLiteral("（詳細: %1）").arg(detail);
    return reason;
}

[[noreturn]] void fail(const QString &path, const QString &reason)
{
    throw HarumokaError(QStringLiteral("ファイル「%1」に保存できませんでした。\n%2\n"
                                       "元のファイルとバックアップは変更されていません。")
                            .arg(displayPath(path), reason));
}

// Prepares a copy of the old file as the backup, not yet in place. The
// backup is a courtesy, not part of the save: when it cannot be made the
// save goes on without it.
std::unique_ptr<QSaveFile> prepareBackup(const QString &path, const QString &backupPath)
{
    if (backupPath.isEmpty() || QFileInfo(backupPath) == QFileInfo(path))
        return nullptr;
    QFile old(path);
    if (!old.exists() || !old.open(QIODevice::ReadOnly))
        return nullptr;
    auto backup = std::make_unique<QSaveFile>(backupPath);
    if (!backup->open(QIODevice::WriteOnly))
        return nullptr;
    char buffer[64 * 1024];
    for (;;) {
        const qint64 n = old.read(buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0 || backup->write(buffer, n) != n) {
            backup->cancelWriting();
            return nullptr;
        }
    }
    return backup;
}

} // namespace

QString displayPath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

void saveFileAtomically(const QString &path, const QByteArray &content, const QString &backupPath,
                        const SaveDeviceFilter &filter)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fail(path, reasonText(file.error(), file.errorString()));

    bool ok;
    QString detail;
    if (filter) {
        std::unique_ptr<QIODevice> device = filter(file);
        ok = writeAll(*device, content);
        if (!ok)
            detail = device->errorString();
    } else {
        ok = writeAll(file, content);
    }
    if (ok)
        ok = file.flush();
    if (!ok) {
        const QFileDevice::FileError error =
            file.error() == QFileDevice::NoError ? QFileDevice::WriteError : file.error();
        if (detail.isEmpty())
            detail = file.errorString();
        file.cancelWriting();
        fail(path, reasonText(error, detail));
    }

    // The backup is put in place only once the new file is: a save that
    // fails leaves both the file and its backup as they were.
    std::unique_ptr<QSaveFile> backup = prepareBackup(path, backupPath);

    // commit() syncs the temporary file to disk before renaming it.
    if (!file.commit()) {
        if (backup)
            backup->cancelWriting();
        fail(path, reasonText(file.error(), file.errorString()));
    }
    if (backup)
        backup->commit();
}

bool readFileLimited(const QString &path, qint64 maxBytes, QByteArray &content, bool *tooLarge,
                     QString *error)
{
    if (tooLarge)
        *tooLarge = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // read() rather than readAll(): a device file can be endless.
    content = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (content.size() > maxBytes) {
        content.clear();
        if (tooLarge)
            *tooLarge = true;
        return false;
    }
    return true;
}
