#include "storage/safe_save.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray nativePath(const QString &path)
{
    return QFile::encodeName(path);
}

QString withDetail(const QString &reason, int error)
{
    return reason + QStringLiteral("（詳細: %1）").arg(QString::fromLocal8Bit(std::strerror(error)));
}

QString kindWord(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("フォルダー");
    if (S_ISFIFO(mode))
        return QStringLiteral("名前付きパイプ");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("デバイス");
    if (S_ISSOCK(mode))
        return QStringLiteral("ソケット");
    if (S_ISLNK(mode))
        return QStringLiteral("シンボリックリンク");
    return QStringLiteral("特殊なファイル");
}

QString creationReason(int error)
{
    QString why;
    switch (error) {
    case EACCES:
    case EPERM:
        why = QStringLiteral("（フォルダーが読み取り専用か、フォルダーに書き込む権限がありません）");
        break;
    case EROFS:
        why = QStringLiteral("（読み取り専用のドライブかフォルダーです）");
        break;
    case ENOENT:
    case ENOTDIR:
        why = QStringLiteral("（保存先のフォルダーがありません）");
        break;
    case ENOSPC:
    case EDQUOT:
        why = QStringLiteral("（ディスクがいっぱいです）");
        break;
    case ENAMETOOLONG:
        why = QStringLiteral("（ファイル名が長すぎます）");
        break;
    default:
        break;
    }
    return withDetail(QStringLiteral("ファイルを作れませんでした") + why + QStringLiteral("。"), error);
}

QString writeReason(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return withDetail(QStringLiteral("書き込みに失敗しました（ディスクがいっぱいです）。"), error);
    case EIO:
        return withDetail(QStringLiteral("書き込みに失敗しました（ディスクかネットワークの障害です）。"), error);
    default:
        return withDetail(QStringLiteral("書き込みに失敗しました。"), error);
    }
}

QString readReason(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return withDetail(QStringLiteral("ファイルがありません。"), error);
    case EACCES:
    case EPERM:
        return withDetail(QStringLiteral("ファイルを読む権限がありません。"), error);
    default:
        return withDetail(QStringLiteral("ファイルを読めませんでした。"), error);
    }
}

class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return m_fd; }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    // Closes, reporting the error a network file system may only give here.
    int close()
    {
        const int r = ::close(m_fd);
        m_fd = -1;
        return r == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

// The temporary files of a save of "NAME" are ".NAME.XXXX.tmp", XXXX a
// 32-bit random number in base 36.
QString tempPrefix(const QFileInfo &target)
{
    return QStringLiteral(".") + target.fileName() + QLatin1Char('.');
}

bool isTempMiddle(const QByteArray &middle)
{
    if (middle.isEmpty() || middle.size() > 7)
        return false;
    return std::all_of(middle.begin(), middle.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'); });
}

// A file being written beside its final place; removed unless renamed. It
// holds a lock on the file until then, which tells other programs cleaning
// up after killed saves that this one is alive.
class TempFile {
public:
    ~TempFile()
    {
        if (!m_path.isEmpty())
            ::unlink(nativePath(m_path).constData());
    }
    // Created with `mode` (the umask applies) from the first byte on.
    // Returns 0 or the errno.
    int create(const QString &beside, mode_t mode)
    {
        const QFileInfo info(beside);
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QString candidate = info.path() + QLatin1Char('/') + tempPrefix(info)
                + QString::number(QRandomGenerator::global()->generate(), 36) + QStringLiteral(".tmp");
            const int fd = ::open(nativePath(candidate).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
            if (fd >= 0) {
                fd_.reset(fd);
                m_path = candidate;
                // A file system without locks still saves; only its clean-up cannot tell.
                ::flock(fd, LOCK_EX | LOCK_NB);
                return 0;
            }
            if (errno != EEXIST)
                return errno;
        }
        return EEXIST;
    }
    int fd() const { return fd_.get(); }
    const QString &path() const { return m_path; }
    // Flushes to disk and closes, keeping the lock (on a second handle)
    // until the file is renamed or removed. Returns 0 or the errno.
    int finish()
    {
        if (::fsync(fd_.get()) != 0)
            return errno;
        m_hold.reset(::dup(fd_.get()));
        return fd_.close();
    }
    // Returns 0 or the errno.
    int renameTo(const QString &target)
    {
        if (::rename(nativePath(m_path).constData(), nativePath(target).constData()) != 0)
            return errno;
        m_path.clear();
        return 0;
    }

private:
    Fd fd_;
    Fd m_hold;
    QString m_path;
};

// Gives the new file the old one's owner (when allowed), group and
// permission bits. A group that cannot be kept (the user is not in it) is
// not left with the group's rights: those become the rights of others.
// Returns 0 or the errno.
int copyOwnership(int fd, const struct stat &old)
{
    mode_t mode = old.st_mode & 07777;
    if (::fchown(fd, old.st_uid, old.st_gid) != 0 && ::fchown(fd, uid_t(-1), old.st_gid) != 0) {
        struct stat now;
        if (::fstat(fd, &now) == 0 && now.st_gid != old.st_gid)
            mode = (mode & ~mode_t(S_ISGID | 0070)) | ((mode & 0007) << 3);
    }
    return ::fchmod(fd, mode) == 0 ? 0 : errno;
}

bool writeAllFd(int fd, const QByteArray &content, int *error)
{
    const char *p = content.constData();
    qsizetype left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(std::min<qsizetype>(left, 1 << 20)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            *error = errno;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// Writes in pieces so that a device that fails part-way is noticed where it fails.
bool writeAllDevice(QIODevice &device, const QByteArray &content)
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

// Returns an empty string or why the content could not be written.
// Writes the chunks `next` gives until it gives an empty one; `next`
// returns false, with the reason, when it cannot give one.
using ChunkSource = std::function<bool(QByteArray &chunk, QString &problem)>;

QString writeChunks(TempFile &temp, const ChunkSource &next, const SaveDeviceFilter &filter)
{
    QFile file;
    std::unique_ptr<QIODevice> device;
    if (filter) {
        if (!file.open(temp.fd(), QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
            return writeReason(EBADF);
        device = filter(file);
    }
    auto deviceFailed = [](const QString &detail) {
        return QStringLiteral("書き込みに失敗しました（ディスクがいっぱいの可能性があります）。（詳細: %1）").arg(detail);
    };
    QByteArray chunk;
    QString problem;
    for (;;) {
        if (!next(chunk, problem))
            return problem;
        if (chunk.isEmpty())
            break;
        int error = 0;
        if (!device && !writeAllFd(temp.fd(), chunk, &error))
            return writeReason(error);
        if (device && !writeAllDevice(*device, chunk))
            return deviceFailed(device->errorString());
    }
    device.reset();
    if (filter && !file.flush())
        return deviceFailed(file.errorString());
    return QString();
}

QString writeContent(TempFile &temp, const QByteArray &content, const SaveDeviceFilter &filter)
{
    bool given = false;
    return writeChunks(
        temp,
        [&](QByteArray &chunk, QString &) {
            chunk = given ? QByteArray() : content;
            given = true;
            return true;
        },
        filter);
}

// A copy of the old file beside the backup's place, not yet in place, and
// the reason when none could be made.
struct PreparedBackup {
    std::unique_ptr<TempFile> temp;
    QString problem;
};

PreparedBackup prepareBackup(const QString &path, const struct stat &old, const QString &backupPath,
                             const SaveDeviceFilter &filter)
{
    PreparedBackup b;
    struct stat existing;
    if (::lstat(nativePath(backupPath).constData(), &existing) == 0 && !S_ISREG(existing.st_mode)
        && !S_ISLNK(existing.st_mode)) {
        // A link is replaced by the backup; anything else is left alone.
        b.problem = QStringLiteral("バックアップの名前の%1があるため、バックアップを作れません。")
                        .arg(kindWord(existing.st_mode));
        return b;
    }
    Fd in(::open(nativePath(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (in.get() < 0) {
        b.problem = QStringLiteral("元のファイルを読めませんでした。") + readReason(errno);
        return b;
    }
    // Private until complete; the old file's permissions and group come last.
    auto temp = std::make_unique<TempFile>();
    if (const int error = temp->create(backupPath, 0600)) {
        b.problem = creationReason(error);
        return b;
    }
    // In bounded pieces: the old file may be large.
    b.problem = writeChunks(
        *temp,
        [&](QByteArray &chunk, QString &problem) {
            chunk.resize(64 * 1024);
            for (;;) {
                const ssize_t n = ::read(in.get(), chunk.data(), size_t(chunk.size()));
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0) {
                    problem = QStringLiteral("元のファイルを読めませんでした。") + readReason(errno);
                    return false;
                }
                chunk.truncate(n);
                return true;
            }
        },
        filter);
    if (!b.problem.isEmpty())
        return b;
    int error = copyOwnership(temp->fd(), old);
    // The old version's time, set last, marks the copy complete: a save
    // killed before the backup's rename leaves it for the next one.
    const struct timespec times[2] = {old.st_atim, old.st_mtim};
    if (!error && ::futimens(temp->fd(), times) != 0)
        error = errno;
    if (!error)
        error = temp->finish();
    if (error) {
        b.problem = writeReason(error);
        return b;
    }
    b.temp = std::move(temp);
    return b;
}

void syncFolder(const QString &path)
{
    Fd dir(::open(nativePath(QFileInfo(path).path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
}

[[noreturn]] void fail(const QString &path, const QString &reason, bool withBackup, bool existed)
{
    QString text = QStringLiteral("ファイル「%1」に保存できませんでした。\n%2").arg(displayPath(path), reason);
    if (withBackup)
        text += QStringLiteral("\n元のファイルとバックアップは変更されていません。");
    else if (existed)
        text += QStringLiteral("\n元のファイルは変更されていません。");
    throw SaveError(text, reason);
}

} // namespace

QString displayPath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// Calls `take` for each temporary file that a stopped save of `path` left
// (this program's names, regular files of this user that no running save
// holds), with its open, locked descriptor and full name.
static void forEachStaleTemporary(const QString &path, const std::function<void(int fd, const QByteArray &full)> &take)
{
    const QFileInfo info(path);
    const QByteArray folder = nativePath(info.path());
    const QByteArray prefix = nativePath(tempPrefix(info));
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (!name.startsWith(prefix) || !name.endsWith(".tmp")
            || !isTempMiddle(name.mid(prefix.size(), name.size() - prefix.size() - 4)))
            continue;
        const QByteArray full = folder + '/' + name;
        Fd fd(::open(full.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat st;
        if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
            continue;
        // Held: a save in progress, in this program or another.
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        struct stat now;
        if (::lstat(full.constData(), &now) == 0 && now.st_dev == st.st_dev && now.st_ino == st.st_ino)
            take(fd.get(), full);
    }
    ::closedir(dir);
}

void removeStaleTemporaries(const QString &path)
{
    forEachStaleTemporary(path, [](int, const QByteArray &full) { ::unlink(full.constData()); });
}

// Whether two open files hold the same bytes, read in bounded pieces.
static bool sameContent(int a, int b)
{
    char x[64 * 1024], y[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(a, x, sizeof x);
        if (n < 0)
            return false;
        qsizetype have = 0;
        while (have < n) {
            const ssize_t m = ::read(b, y + have, size_t(n - have));
            if (m <= 0)
                return false;
            have += m;
        }
        if (std::memcmp(x, y, size_t(n)) != 0)
            return false;
        if (n == 0)
            return ::read(b, y, 1) == 0;
    }
}

void finishInterruptedBackup(const QString &path, const QString &backupPath)
{
    forEachStaleTemporary(backupPath, [&](int fd, const QByteArray &full) {
        struct stat st;
        // Complete: its time was set back to the old version's after writing.
        if (::fstat(fd, &st) != 0
            || (st.st_mtim.tv_sec == st.st_ctim.tv_sec && st.st_mtim.tv_nsec == st.st_ctim.tv_nsec))
            return;
        // The same bytes as the file: the save was stopped before the new
        // file was put in place, and the backup there is still right.
        Fd current(::open(nativePath(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        if (current.get() >= 0 && sameContent(fd, current.get()))
            return;
        // Only one save runs at a time, so there is one such copy. A folder
        // at the backup's name makes the rename fail, leaving it alone.
        ::rename(full.constData(), nativePath(backupPath).constData());
    });
}

QString canonicalFilePath(const QString &path)
{
    const QFileInfo target(followSymlinks(path));
    const QString folder = QFileInfo(target.absolutePath()).canonicalFilePath();
    return (folder.isEmpty() ? target.absolutePath() : folder) + QLatin1Char('/') + target.fileName();
}

QString followSymlinks(const QString &path)
{
    QString current = path;
    // The kernel's own limit on links followed in one path.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st;
        if (::lstat(nativePath(current).constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        QByteArray target(PATH_MAX, Qt::Uninitialized);
        const ssize_t n = ::readlink(nativePath(current).constData(), target.data(), size_t(target.size()));
        if (n <= 0 || n >= target.size())
            return current;
        const QString next = QFile::decodeName(target.left(n));
        // Relative to the link's folder, resolved by the system as it is
        // (no lexical clean-up of "..", which a linked folder would defeat).
        current = QDir::isAbsolutePath(next) ? next : QFileInfo(current).path() + QLatin1Char('/') + next;
    }
    return current;
}

QString specialFileKind(const QString &path)
{
    struct stat st;
    if (::stat(nativePath(path).constData(), &st) != 0 || S_ISREG(st.st_mode))
        return QString();
    return kindWord(st.st_mode);
}

SaveResult saveFileAtomically(const QString &path, const QByteArray &content, const SaveOptions &options)
{
    const QString target = options.followLinks ? followSymlinks(path) : path;
    const QByteArray native = nativePath(target);
    const bool withBackup = !options.backupPath.isEmpty();

    struct stat old;
    bool existed = ::lstat(native.constData(), &old) == 0;
    if (existed && S_ISLNK(old.st_mode) && !options.followLinks) {
        existed = false; // the link itself is replaced by the new file
    } else if (existed && !S_ISREG(old.st_mode)) {
        fail(path, QStringLiteral("保存先は%1です。ファイルとして保存できません。").arg(kindWord(old.st_mode)),
             withBackup, false);
    } else if (existed) {
        // A file the user made read-only is not replaced behind their back,
        // even where the folder would allow it (and even for root).
        if ((old.st_mode & 0222) == 0)
            fail(path, QStringLiteral("保存先のファイルは読み取り専用です。"), withBackup, true);
        if (::access(native.constData(), W_OK) != 0) {
            const int error = errno;
            fail(path,
                 withDetail(error == EROFS ? QStringLiteral("保存先は読み取り専用のドライブかフォルダーです。")
                                           : QStringLiteral("保存先のファイルに書き込む権限がありません。"),
                            error),
                 withBackup, true);
        }
    }

    removeStaleTemporaries(target);
    if (withBackup)
        removeStaleTemporaries(options.backupPath);

    // A file that exists gets its own permissions only once it is complete:
    // until then nobody else may read it, whoever the file's group is.
    TempFile temp;
    if (const int error = temp.create(target, existed ? mode_t(0600) : mode_t(options.newFileMode & 0777)))
        fail(path, creationReason(error), withBackup, existed);
    const QString problem = writeContent(temp, content, options.filter);
    if (!problem.isEmpty())
        fail(path, problem, withBackup, existed);
    if (existed) {
        if (const int error = copyOwnership(temp.fd(), old))
            fail(path, writeReason(error), withBackup, existed);
    }
    if (const int error = temp.finish())
        fail(path, writeReason(error), withBackup, existed);

    // The backup is put in place only once the new file is: a save that
    // fails leaves both the file and its backup as they were.
    PreparedBackup backup;
    const bool backupWanted = withBackup && existed
        && QFileInfo(options.backupPath).absoluteFilePath() != QFileInfo(target).absoluteFilePath();
    if (backupWanted)
        backup = prepareBackup(target, old, options.backupPath, options.filter);

    if (const int error = temp.renameTo(target))
        fail(path, withDetail(QStringLiteral("書き終えたファイルを元のファイルと置き換えられませんでした。"), error),
             withBackup, existed);
    if (backup.temp) {
        if (const int error = backup.temp->renameTo(options.backupPath))
            backup.problem = withDetail(QStringLiteral("バックアップを置き換えられませんでした。"), error);
    }
    syncFolder(target);

    SaveResult result;
    if (backupWanted && !backup.problem.isEmpty()) {
        result.backupWarning = QStringLiteral("ファイル「%1」は保存しましたが、バックアップ「%2」を更新できませんでした。\n%3")
                                   .arg(displayPath(path), displayPath(options.backupPath), backup.problem);
        struct stat left;
        if (::stat(nativePath(options.backupPath).constData(), &left) == 0 && S_ISREG(left.st_mode))
            result.backupWarning += QStringLiteral("\n「%1」は、今回の保存の前の版ではなく、それより古い版のままです。")
                                        .arg(displayPath(options.backupPath));
    }
    return result;
}

bool readFileLimited(const QString &path, qint64 maxBytes, QByteArray &content, bool *tooLarge,
                     QString *error, bool *missing)
{
    if (tooLarge)
        *tooLarge = false;
    if (missing)
        *missing = false;
    auto refuse = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    auto notAFile = [&](mode_t mode) {
        return refuse(QStringLiteral("ファイルではなく%1のため、開けません。").arg(kindWord(mode)));
    };

    // Looked at before it is opened: opening a pipe blocks until someone
    // writes to it.
    const QByteArray native = nativePath(path);
    struct stat st;
    if (::stat(native.constData(), &st) != 0) {
        const int e = errno;
        if (missing)
            *missing = e == ENOENT;
        return refuse(readReason(e));
    }
    if (!S_ISREG(st.st_mode))
        return notAFile(st.st_mode);
    // Non-blocking as well, for a pipe put in its place meanwhile.
    Fd fd(::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0)
        return refuse(readReason(errno));
    if (::fstat(fd.get(), &st) != 0)
        return refuse(readReason(errno));
    if (!S_ISREG(st.st_mode))
        return notAFile(st.st_mode);

    // Sizes under /proc say 0; the reading goes by what read() gives.
    content = QByteArray(qsizetype(std::min<qint64>(std::max<qint64>(st.st_size, 4096), maxBytes) + 1),
                         Qt::Uninitialized);
    qsizetype have = 0;
    for (;;) {
        if (have == content.size()) {
            if (have > maxBytes)
                break;
            content.resize(qsizetype(std::min<qint64>(qint64(have) * 2, maxBytes + 1)));
        }
        const ssize_t n = ::read(fd.get(), content.data() + have, size_t(content.size() - have));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int e = errno;
            content.clear();
            return refuse(readReason(e));
        }
        if (n == 0)
            break;
        have += n;
    }
    if (have > maxBytes) {
        content.clear();
        if (tooLarge)
            *tooLarge = true;
        return false;
    }
    content.truncate(have);
    return true;
}
