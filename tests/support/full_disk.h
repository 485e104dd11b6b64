#pragma once

#include <QString>
#include <QTemporaryDir>

// A folder on a disk that fills up, for the real save and export paths:
//   WriteFails: a small tmpfs; writes beyond the room left fail (ENOSPC).
//   FlushFails: ext4 on a loop device whose backing store (a tmpfs) is
//     full: writes land in the cache and succeed, the flush fails.
// Without mount rights, WriteFails falls back to RLIMIT_FSIZE on this
// process and its children (EFBIG; SIGXFSZ ignored) while the disk is
// full, and FlushFails cannot be had (skipReason says why).
class FullDisk {
public:
    enum Kind { WriteFails, FlushFails };
    explicit FullDisk(Kind kind);
    ~FullDisk();
    QString skipReason;
    QString path(const QString &name) const { return m_mount + QLatin1Char('/') + name; }
    // Everything written so far is flushed; from now on only `room` more
    // bytes fit (WriteFails), or no flush succeeds (FlushFails).
    void fill(qint64 room = 0);

private:
    QTemporaryDir m_dir;
    QString m_mount, m_backing;
    bool m_limited = false;
};
