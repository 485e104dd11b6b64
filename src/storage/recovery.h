// Recovery copies: while an account has unsaved changes, a copy of it in the
// account file's own format waits in the user's state folder
// ($XDG_STATE_HOME/ハルモカ/, else ~/.local/state/ハルモカ/), never beside the
// account, so that a crash or a power cut loses at most a few seconds of
// work. Each running program keeps one copy, with a note of the account it
// belongs to and a lock that shows the program is alive; a copy whose
// program is gone is offered at the next start.
#pragma once

#include "storage/file_stamp.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <memory>

class QLockFile;

struct RecoveryCopy {
    QString copyPath;        // the copy, an account file
    QString originalPath;    // the account it belongs to; empty for one never saved
    QDateTime savedAt;       // when the copy was written
    FileStamp originalStamp; // the account as it was when it was read or last saved
};

QString recoveryFolder();

class RecoveryStore {
public:
    explicit RecoveryStore(const QString &folder = recoveryFolder());
    ~RecoveryStore(); // leaves the copy: only remove() or a clean end takes it away
    RecoveryStore(const RecoveryStore &) = delete;
    RecoveryStore &operator=(const RecoveryStore &) = delete;

    // Replaces this program's copy atomically. Throws HarumokaError when it
    // cannot be written.
    void write(const QByteArray &account, const QString &originalPath, const FileStamp &stamp);
    // Takes this program's copy away (a clean save, Close, Exit).
    void remove();
    bool hasCopy() const { return m_written; }

    // Copies left by programs that are no longer running, newest first.
    QList<RecoveryCopy> leftBehind() const;
    static void discard(const RecoveryCopy &copy);

    QString folder() const { return m_folder; }

private:
    bool claim();

    QString m_folder;
    QString m_id;
    std::unique_ptr<QLockFile> m_alive;
    bool m_written = false;
};
