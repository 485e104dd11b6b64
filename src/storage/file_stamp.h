// What a file on disk looks like from outside: enough to notice that
// another program changed or replaced it since this program read or wrote
// it. The window keeps the stamp of the account after Open and after each
// Save, and asks before a Save would overwrite a file whose stamp differs.
#pragma once

#include <QString>

struct FileStamp {
    bool exists = false;
    qint64 size = 0;
    qint64 modifiedNs = 0; // modification time, nanoseconds since 1970
    quint64 device = 0;
    quint64 inode = 0;     // a file replaced by another (saved by renaming) has a new one

    // The stamp of the file a path names (symbolic links followed); a
    // stamp with exists false when there is none.
    static FileStamp of(const QString &path);

    bool operator==(const FileStamp &) const = default;
};

// The question to ask before a save replaces the file at path (saving writes
// a new file and renames it into place) when that file has other names
// (hard links): those would keep the old content, apart from this one. Empty
// when it has no other name.
QString otherNamesQuestion(const QString &path);
