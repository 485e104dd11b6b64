#include "support/full_disk.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

bool run(const QString &tool, const QStringList &args)
{
    const QString exe = QStandardPaths::findExecutable(tool, {"/usr/sbin", "/sbin", "/usr/bin", "/bin"});
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(exe, args);
    return !exe.isEmpty() && p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit
        && p.exitCode() == 0;
}

bool mountTmpfs(const QString &dir, const char *size)
{
    return run("mount", {"-t", "tmpfs", "-o", QStringLiteral("size=%1,mode=0700").arg(size), "tmpfs", dir});
}

void limitFileSize(rlim_t bytes)
{
    struct rlimit r;
    ::getrlimit(RLIMIT_FSIZE, &r);
    r.rlim_cur = bytes == RLIM_INFINITY ? r.rlim_max : bytes;
    ::setrlimit(RLIMIT_FSIZE, &r);
}

// Writes zeros until only `room` bytes are free.
void fillUp(const QString &dir, qint64 room)
{
    QFile filler(dir + QStringLiteral("/.filler"));
    filler.open(QIODevice::WriteOnly);
    const QByteArray zeros(4096, '\0');
    struct statvfs st;
    while (::statvfs(QFile::encodeName(dir).constData(), &st) == 0
           && qint64(st.f_bavail) * qint64(st.f_frsize) > room && filler.write(zeros) > 0 && filler.flush()) {
    }
}

} // namespace

FullDisk::FullDisk(Kind kind)
{
    m_mount = m_dir.filePath(QStringLiteral("disk"));
    QDir().mkpath(m_mount);
    if (kind == WriteFails) {
        m_limited = !mountTmpfs(m_mount, "1m");
        if (!m_limited)
            m_backing = m_mount;
        return;
    }
    const QString store = m_dir.filePath(QStringLiteral("store"));
    const QString image = store + QStringLiteral("/ext4.img");
    QDir().mkpath(store);
    if (!mountTmpfs(store, "1m")) {
        skipReason = QStringLiteral("no right to mount a file system here");
        return;
    }
    m_backing = store;
    if (!QFile(image).open(QIODevice::WriteOnly) || !QFile::resize(image, 16 << 20)
        || !run("mkfs.ext4", {"-q", "-F", "-O", "^has_journal", "-E", "lazy_itable_init=1,nodiscard", "-b", "4096",
                              "-m", "0", image})
        || !run("mount", {"-o", "loop", image, m_mount}))
        skipReason = QStringLiteral("no loop device or no mkfs.ext4 here");
}

FullDisk::~FullDisk()
{
    if (m_limited)
        limitFileSize(RLIM_INFINITY);
    else if (m_backing != m_mount && skipReason.isEmpty())
        run("umount", {m_mount});
    if (!m_backing.isEmpty())
        run("umount", {m_backing});
}

void FullDisk::fill(qint64 room)
{
    if (m_limited) {
        std::signal(SIGXFSZ, SIG_IGN);
        limitFileSize(rlim_t(room));
        return;
    }
    const int fd = ::open(QFile::encodeName(m_mount).constData(), O_RDONLY | O_DIRECTORY);
    ::syncfs(fd); // what is there reaches the store before the store fills up
    ::close(fd);
    fillUp(m_backing, m_backing == m_mount ? room : 0);
}
