// Saving without ever leaving a half-written or missing file: the new
// content goes to a temporary file in the same folder, is flushed to disk
// and only then renamed over the old file. Nothing is ever written into a
// file that is not a regular file, and a symbolic link is replaced, not
// written through, unless the caller asks to follow it. Reading is bounded
// so that a huge or endless file ends with a message instead of exhausting
// memory, and refuses pipes and devices before it could block on them.
#pragma once

#include "model/values.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <functional>
#include <memory>

// Lets tests put a device between the writer and each temporary file a save
// fills (the new content, then the backup's copy of the old file): a device
// that fails part-way, as a full disk does, or one that looks at the files
// while the save is half-way. Returns the device to write through; it must
// pass the bytes on to `file`.
using SaveDeviceFilter = std::function<std::unique_ptr<QIODevice>(QIODevice &file)>;

struct SaveOptions {
    // Where the old file is kept once the new content has replaced it;
    // empty: no backup.
    QString backupPath;
    // A symbolic link at the path: true saves to the file it points to (an
    // account opened through a link, as editors do), false replaces the
    // link itself.
    bool followLinks = false;
    // The permission bits of a file that did not exist before (the umask
    // applies); an existing file keeps its own.
    int newFileMode = 0666;
    SaveDeviceFilter filter;
};

struct SaveResult {
    // Set when the file was saved but its backup could not be brought up to
    // date: a message naming the backup, for the window to show after the
    // save. Empty otherwise.
    QString backupWarning;
};

// A failed save; the message names the file and the cause in Japanese.
class SaveError : public HarumokaError {
public:
    SaveError(const QString &message, const QString &reason) : HarumokaError(message), m_reason(reason) {}
    // The cause alone ("保存先はフォルダーです。"), for callers that word
    // their own message around it.
    QString reason() const { return m_reason; }

private:
    QString m_reason;
};

// Writes content to path atomically. The saved file keeps the old file's
// permission bits and group (a new file gets options.newFileMode). Every
// temporary file is private to its owner until it is complete, so a save
// stopped half-way never leaves a copy that others may read; temporary
// files that killed saves left beside path or its backup are removed first
// (see removeStaleTemporaries). When
// options.backupPath is set and an old file exists, the old file becomes the
// backup once the new content has replaced it, with the same permissions
// and group. Throws SaveError naming the file and the reason; the old file
// and its backup are then as they were. A backup that cannot be updated
// does not fail the save: the result says so.
SaveResult saveFileAtomically(const QString &path, const QByteArray &content,
                              const SaveOptions &options = SaveOptions());

// Removes the temporary files that saves of path which were stopped dead
// left beside it (".NAME.XXXX.tmp", this program's own names for path
// only): regular files of this user that no running save holds (a save
// holds a lock on its temporary file until it is renamed into place).
void removeStaleTemporaries(const QString &path);
// A save stopped dead after its new file was put in place but before its
// backup was leaves the previous version complete in the backup's
// temporary file: it becomes the backup (Open calls it before removing
// temporaries; a save makes its own backup).
void finishInterruptedBackup(const QString &path, const QString &backupPath);

// The absolute path of the file path names: symbolic links followed, the
// folder without links or "..", so that every path to one file gives one
// name (relative paths are taken from the current folder).
QString canonicalFilePath(const QString &path);

// path with a symbolic link in its last part followed to the file it names
// (repeatedly); path itself when it is no link.
QString followSymlinks(const QString &path);

// What is at path when it is neither a regular file nor missing, in words
// for messages ("フォルダー", "名前付きパイプ", "デバイス", ...). Symbolic
// links are followed. Empty for a regular file or nothing.
QString specialFileKind(const QString &path);

// Reads at most maxBytes bytes of a regular file. Returns false with
// *tooLarge set when the file holds more, with *error set to a Japanese
// sentence (a system detail may follow) when it cannot be read; anything
// that is not a regular file (a pipe, a device, a folder) is refused before
// it is opened, so a pipe with no writer cannot block the program.
// *missing (when given) is set when nothing exists at path.
bool readFileLimited(const QString &path, qint64 maxBytes, QByteArray &content, bool *tooLarge,
                     QString *error, bool *missing = nullptr);

// Path as shown in messages.
QString displayPath(const QString &path);
