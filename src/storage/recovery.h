// Recovery copies: while an account has unsaved changes, a copy of it in the
// account file's own format waits in the user's state folder
// ($XDG_STATE_HOME/ハルモカ/, else ~/.local/state/ハルモカ/), never beside the
// account, so that a crash or a power cut loses at most a few seconds of
// work. Each running program keeps one copy, with a note of the account it
// belongs to and a lock that shows the program is alive; a copy whose
// program is gone is offered at the next start. The folder and every file
// in it are the user's alone.
#pragma once

#include "storage/file_stamp.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <memory>

class QLockFile;

struct RecoveryCopy {
    QString copyPath;           // the copy, an account file
    // The account it belongs to, absolute and canonical (notes of older
    // versions may hold the path as that program was given it); empty for
    // one never saved.
    QString originalPath;
    QDateTime savedAt;          // when the copy was written
    FileStamp originalStamp;    // the account as it was when it was read or last saved
    QByteArray originalDigest;  // SHA-256 of the account's bytes then; empty when not known
    bool damaged = false;       // the account could be read only in part
    qint64 sequence = 0;        // copies written in the folder are numbered; 0 in older notes
    // The companion file's content (the roster and the marks) as it was
    // with the copy; empty when the account had none.
    QByteArray companion;

    // How the account the copy belongs to stands now. Same: the very file
    // the work started from (by its stamp, or by its content), so the copy
    // may be restored under its name; None: the copy never had a file.
    // Otherwise the copy must not be restored into that path: Changed (the
    // file there is not the one the work started from), Missing, Unknown
    // (a path relative to a folder nobody knows any more).
    enum class Original { None, Same, Changed, Missing, Unknown };
    Original original() const;
    // The name to restore the copy under: originalPath when the file is
    // the same, empty (a document without a name) otherwise.
    QString restoreName(Original state) const;
    // What the recovery question adds: why the copy is not restored under
    // its name, and that the account was damaged (Save stays unavailable).
    QString caution(Original state) const;
};

QString recoveryFolder();

class RecoveryStore {
public:
    explicit RecoveryStore(const QString &folder = recoveryFolder());
    ~RecoveryStore(); // leaves the copy: only remove() or a clean end takes it away
    RecoveryStore(const RecoveryStore &) = delete;
    RecoveryStore &operator=(const RecoveryStore &) = delete;

    // Replaces this program's copy atomically: the copy of `account` (a
    // damaged one keeps that mark) of the file originalPath, whose stamp
    // when it was read or last saved is `stamp`. Returns an empty string,
    // or, the first time in this program's life that the copy cannot be
    // kept (the state folder is a file, not writable, full, or a link to a
    // folder others can read), the Japanese message that says so.
    // `companion`: the companion file's content to keep with it (none: empty).
    QString write(const QByteArray &account, const QString &originalPath, const FileStamp &stamp,
                  bool damaged = false, const QByteArray &companion = QByteArray());
    // Takes this program's copy away (a clean save, Close, Exit).
    void remove();
    bool hasCopy() const { return m_written; }

    // Whether the last write() kept the copy.
    bool lastWriteOk() const { return m_lastWriteOk; }

    // Copies left by programs that are no longer running, newest work
    // first; what such programs left without a copy is removed.
    QList<RecoveryCopy> leftBehind() const;
    // Removes a copy with its note and lock.
    static void discard(const RecoveryCopy &copy);

    QString folder() const { return m_folder; }

private:
    QString claim();
    void writeCopy(const QByteArray &account, const QString &original, const FileStamp &stamp, bool damaged,
                   const QByteArray &companion);

    QString m_folder;
    QString m_id;
    std::unique_ptr<QLockFile> m_alive;
    bool m_written = false;
    bool m_failureSaid = false;
    bool m_lastWriteOk = false;
    // The digest of the account the copy belongs to, for the stamp it had.
    QString m_digestPath;
    FileStamp m_digestStamp;
    QByteArray m_digest;
};
