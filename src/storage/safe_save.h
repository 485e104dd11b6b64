// Saving without ever leaving a half-written or missing file: the new
// content goes to a temporary file in the same folder, is flushed to disk
// and only then renamed over the old file. Reading is bounded so that a
// huge or endless file ends with a message instead of exhausting memory.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <functional>
#include <memory>

// Lets tests put a device between the writer and the temporary file (a
// device that fails part-way, as a full disk does). Returns the device to
// write through; it must pass the bytes on to `file`.
using SaveDeviceFilter = std::function<std::unique_ptr<QIODevice>(QIODevice &file)>;

// Writes content to path atomically. When backupPath is not empty and path
// exists, the old file becomes the backup once the new content has replaced
// it (a copy taken before); a failing backup is ignored. Throws
// HarumokaError naming the file and the reason; the old file and its backup
// are then as they were.
void saveFileAtomically(const QString &path, const QByteArray &content,
                        const QString &backupPath = QString(),
                        const SaveDeviceFilter &filter = SaveDeviceFilter());

// Reads at most maxBytes bytes of a file. Returns false with *tooLarge set
// when the file holds more, with *error set when it cannot be read.
bool readFileLimited(const QString &path, qint64 maxBytes, QByteArray &content, bool *tooLarge,
                     QString *error);

// Path as shown in messages.
QString displayPath(const QString &path);
