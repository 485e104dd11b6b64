#include "storage/account_lock.h"

#include "storage/safe_save.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QSysInfo>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The first line of every lock file this program writes.
const QByteArray kSignature = "harumoka-lock 1";

QByteArray nativePath(const QString &path)
{
    return QFile::encodeName(path);
}

QString userName()
{
    if (const passwd *pw = ::getpwuid(::geteuid()))
        return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}

QString hostName()
{
    return QSysInfo::machineHostName();
}

// The executable's file name, as /proc shows it for a running process.
QString exeNameOf(const QByteArray &procExe)
{
    char buffer[4096];
    const ssize_t n = ::readlink(procExe.constData(), buffer, sizeof buffer - 1);
    if (n <= 0)
        return QString();
    QString name = QFileInfo(QFile::decodeName(QByteArray(buffer, n))).fileName();
    // An executable replaced by an update while running.
    if (name.endsWith(QLatin1String(" (deleted)")))
        name.chop(10);
    return name;
}

QString programName()
{
    const QString name = exeNameOf("/proc/self/exe");
    return name.isEmpty() ? QFileInfo(QCoreApplication::applicationFilePath()).fileName() : name;
}

QByteArray lockContent(const QString &account)
{
    QByteArray out = kSignature + '\n';
    auto field = [&](const char *key, const QString &value) {
        QString v = value;
        v.replace(QLatin1Char('\n'), QLatin1Char(' '));
        out += QByteArray(key) + '=' + v.toUtf8() + '\n';
    };
    field("user", userName());
    field("host", hostName());
    field("pid", QString::number(::getpid()));
    field("program", programName());
    const QDateTime now = QDateTime::currentDateTime();
    field("since", now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate));
    field("file", account);
    return out;
}

// False when the content is not a lock of this program (empty, or another
// program's); otherwise the holder as written.
bool parseLock(const QByteArray &bytes, LockHolder *holder)
{
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.isEmpty() || lines.first() != kSignature)
        return false;
    for (const QByteArray &line : lines) {
        const qsizetype eq = line.indexOf('=');
        if (eq < 0)
            continue;
        const QByteArray key = line.left(eq);
        const QString value = QString::fromUtf8(line.mid(eq + 1));
        if (key == "user")
            holder->user = value;
        else if (key == "host")
            holder->host = value;
        else if (key == "pid")
            holder->pid = value.toLongLong();
        else if (key == "program")
            holder->program = value;
        else if (key == "since")
            holder->since = QDateTime::fromString(value, Qt::ISODate);
    }
    return true;
}

// Whether the process that wrote a lock on this computer still runs. A
// process number taken over by another program after a restart does not
// count; when that cannot be seen (another user's process), it does.
bool stillRunning(qint64 pid, const QString &program)
{
    return processStillRuns(pid, program);
}

// At most 64 KiB of a lock file; false with *error on failure.
bool readLock(const QString &path, QByteArray *out, int *error)
{
    const int fd = ::open(nativePath(path).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        *error = errno;
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = EISDIR;
        ::close(fd);
        return false;
    }
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    ssize_t n;
    do
        n = ::read(fd, buffer.data(), size_t(buffer.size()));
    while (n < 0 && errno == EINTR);
    *error = errno;
    ::close(fd);
    if (n < 0)
        return false;
    buffer.truncate(n);
    *out = buffer;
    return true;
}

// A new file beside path holding content; its name, or empty with *error.
QString writeTemp(const QString &path, const QByteArray &content, int *error)
{
    const QString temp = path + QLatin1Char('.') + QString::number(QRandomGenerator::global()->generate(), 36)
        + QStringLiteral(".tmp");
    // Readable by everyone, so that others sharing the folder can see who has the account.
    const int fd = ::open(nativePath(temp).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        *error = errno;
        return QString();
    }
    const bool ok = ::write(fd, content.constData(), size_t(content.size())) == content.size();
    *error = errno;
    ::close(fd);
    if (!ok) {
        ::unlink(nativePath(temp).constData());
        return QString();
    }
    return temp;
}

// Makes path with content only when nothing is there, all at once: the
// content is written first and then linked into place, so nobody ever sees
// an empty lock of ours. Returns 0 or the errno (EEXIST: already there).
int createExclusive(const QString &path, const QByteArray &content)
{
    int error = 0;
    const QString temp = writeTemp(path, content, &error);
    if (temp.isEmpty())
        return error;
    int result = 0;
    if (::link(nativePath(temp).constData(), nativePath(path).constData()) != 0) {
        result = errno;
        if (result != EEXIST) {
            // A file system without hard links: an exclusive create, then the content.
            const int fd = ::open(nativePath(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            result = fd < 0 ? errno : 0;
            if (fd >= 0) {
                if (::write(fd, content.constData(), size_t(content.size())) != content.size())
                    result = errno ? errno : EIO;
                ::close(fd);
                if (result)
                    ::unlink(nativePath(path).constData());
            }
        }
    }
    ::unlink(nativePath(temp).constData());
    return result;
}

// Puts content at path whatever is there. Returns 0 or the errno.
int replaceLock(const QString &path, const QByteArray &content)
{
    int error = 0;
    const QString temp = writeTemp(path, content, &error);
    if (temp.isEmpty())
        return error;
    if (::rename(nativePath(temp).constData(), nativePath(path).constData()) != 0) {
        error = errno;
        ::unlink(nativePath(temp).constData());
        return error;
    }
    return 0;
}

// Removes path when it still holds content (a lock taken over since is not ours).
void removeIfOurs(const QString &path, const QByteArray &content)
{
    QByteArray now;
    int error = 0;
    if (!path.isEmpty() && readLock(path, &now, &error) && now == content)
        ::unlink(nativePath(path).constData());
}

} // namespace

bool processStillRuns(qint64 pid, const QString &program)
{
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max())
        return false;
    if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
        return false;
    // A zombie has ended; only its parent has not noticed yet. Its exe
    // cannot be read, which would otherwise count as "cannot be seen".
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray line = stat.read(4096);
        const qsizetype close = line.lastIndexOf(')');
        if (close > 0 && close + 2 < line.size() && (line[close + 2] == 'Z' || line[close + 2] == 'X'))
            return false;
    }
    const QString exe = exeNameOf("/proc/" + QByteArray::number(pid) + "/exe");
    return exe.isEmpty() || exe == program;
}

QString LockHolder::who() const
{
    if (user.isEmpty() && host.isEmpty())
        return QStringLiteral("不明");
    const QString name = user.isEmpty() ? QStringLiteral("不明") : user;
    return host.isEmpty() ? name : QStringLiteral("%1（コンピューター「%2」）").arg(name, host);
}

QString LockHolder::sinceText() const
{
    return since.isValid() ? since.toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm")) : QStringLiteral("不明");
}

AccountLock::AccountLock(const QString &accountPath)
    : m_account(accountPath), m_namePath(lockFilePathFor(accountPath))
{
}

AccountLock::~AccountLock()
{
    unlock();
}

QString AccountLock::lockFilePathFor(const QString &accountPath)
{
    const QFileInfo account(canonicalFilePath(accountPath));
    return account.path() + QStringLiteral("/.") + account.fileName() + QStringLiteral(".harumoka-lock");
}

QString AccountLock::inodeLockPath() const
{
    struct stat st;
    if (::stat(nativePath(m_account).constData(), &st) != 0)
        return QString(); // a new file: its name's lock is all there is
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        return QString();
    dir += QStringLiteral("/harumoka-locks");
    ::mkdir(nativePath(dir).constData(), 0700);
    return dir + QStringLiteral("/%1-%2.lock").arg(quint64(st.st_dev), 0, 16).arg(quint64(st.st_ino), 0, 16);
}

AccountLock::SlotResult AccountLock::acquire(const QString &path, QByteArray &written)
{
    written = lockContent(canonicalFilePath(m_account));
    bool tookOver = false;
    // A few rounds: a stale lock removed here may be replaced by someone
    // else's at the same moment.
    for (int round = 0; round < 3; ++round) {
        const int error = createExclusive(path, written);
        if (error == 0)
            return tookOver ? SlotResult::TookOverStale : SlotResult::Acquired;
        if (error != EEXIST) {
            m_lastError = error;
            return SlotResult::Failed;
        }
        QByteArray existing;
        int readError = 0;
        if (!readLock(path, &existing, &readError)) {
            if (readError == ENOENT)
                continue; // unlocked meanwhile
            m_holder = LockHolder();
            return SlotResult::CannotJudge;
        }
        LockHolder h;
        if (!parseLock(existing, &h)) {
            m_holder = LockHolder();
            return SlotResult::CannotJudge;
        }
        m_holder = h;
        // A process on another computer cannot be seen from here.
        if (h.host != hostName())
            return SlotResult::CannotJudge;
        if (stillRunning(h.pid, h.program))
            return SlotResult::Held;
        removeIfOurs(path, existing);
        tookOver = true;
    }
    return SlotResult::CannotJudge;
}

AccountLock::Verdict AccountLock::tryLock()
{
    if (m_locked)
        return Verdict::Acquired;
    m_holder = LockHolder();
    m_detail.clear();

    QByteArray nameContent;
    const SlotResult byName = acquire(m_namePath, nameContent);
    switch (byName) {
    case SlotResult::Held:
        return Verdict::HeldHere;
    case SlotResult::CannotJudge:
        return Verdict::CannotJudge;
    case SlotResult::Failed:
        m_detail = QString::fromLocal8Bit(std::strerror(m_lastError));
        return Verdict::FolderReadOnly;
    case SlotResult::Acquired:
    case SlotResult::TookOverStale:
        break;
    }
    bool stale = byName == SlotResult::TookOverStale;

    // Hard links in other folders have other names: the file's identity
    // on this computer catches them.
    const QString inode = inodeLockPath();
    if (!inode.isEmpty()) {
        QByteArray inodeContent;
        const SlotResult byInode = acquire(inode, inodeContent);
        if (byInode == SlotResult::Held || byInode == SlotResult::CannotJudge) {
            removeIfOurs(m_namePath, nameContent);
            return byInode == SlotResult::Held ? Verdict::HeldHere : Verdict::CannotJudge;
        }
        if (byInode != SlotResult::Failed) {
            m_inodePath = inode;
            m_inodeContent = inodeContent;
            stale = stale || byInode == SlotResult::TookOverStale;
        }
    }
    m_nameContent = nameContent;
    m_locked = true;
    return stale ? Verdict::StaleTakenOver : Verdict::Acquired;
}

bool AccountLock::takeOver()
{
    unlock();
    const QByteArray content = lockContent(canonicalFilePath(m_account));
    if (const int error = replaceLock(m_namePath, content)) {
        m_lastError = error;
        m_detail = QString::fromLocal8Bit(std::strerror(error));
        return false;
    }
    m_nameContent = content;
    const QString inode = inodeLockPath();
    if (!inode.isEmpty() && replaceLock(inode, content) == 0) {
        m_inodePath = inode;
        m_inodeContent = content;
    }
    m_locked = true;
    return true;
}

void AccountLock::unlock()
{
    if (!m_locked)
        return;
    removeIfOurs(m_inodePath, m_inodeContent);
    removeIfOurs(m_namePath, m_nameContent);
    m_inodePath.clear();
    m_locked = false;
}

void AccountLock::fileReplaced()
{
    if (!m_locked)
        return;
    const QString inode = inodeLockPath();
    if (inode.isEmpty() || inode == m_inodePath)
        return;
    const LockHolder holder = m_holder;
    QByteArray content;
    const SlotResult r = acquire(inode, content);
    m_holder = holder;
    if (r != SlotResult::Acquired && r != SlotResult::TookOverStale)
        return; // the old identity stays locked, which errs on the safe side
    removeIfOurs(m_inodePath, m_inodeContent);
    m_inodePath = inode;
    m_inodeContent = content;
}

QString AccountLock::explain(Verdict verdict) const
{
    const QString file = displayPath(m_account);
    switch (verdict) {
    case Verdict::HeldHere:
        return QStringLiteral("「%1」は、このコンピューターのほかのハルモカで開かれています。\n"
                              "開いている人: %2\n開いた日時: %3\n"
                              "同じファイルを二つのウィンドウで開くと、内容が失われるおそれがあります。")
            .arg(file, m_holder.who(), m_holder.sinceText());
    case Verdict::CannotJudge:
        // A lock left here by a program that is gone, which could not be removed.
        if (m_holder.known() && m_holder.host == hostName())
            return QStringLiteral("「%1」には、このコンピューターのハルモカが開いたときのロックが残っています"
                                  "（そのハルモカはもう動いていないようです）。\n"
                                  "開いている人: %2\n開いた日時: %3")
                .arg(file, m_holder.who(), m_holder.sinceText());
        if (m_holder.known())
            return QStringLiteral("「%1」は、ほかのコンピューターのハルモカで開かれているかもしれません。\n"
                                  "開いている人: %2\n開いた日時: %3\n"
                                  "そのコンピューターでハルモカを終えてあれば、ロックを解除して開けます。")
                .arg(file, m_holder.who(), m_holder.sinceText());
        return QStringLiteral("「%1」には、だれが開いているのか分からないロックファイル「%2」があります。"
                              "ほかのプログラムで開かれているかもしれません。")
            .arg(file, displayPath(m_namePath));
    case Verdict::FolderReadOnly: {
        QString why;
        switch (m_lastError) {
        case ENAMETOOLONG:
            // The lock, the save's temporary file and the .bak all add to the name.
            why = QStringLiteral("ファイルの名前が長すぎて、開いていることを示すロックファイルも、保存のための一時ファイルも"
                                 "作れないため、読み取り専用で開きます。変更したときは「名前を付けて保存」で"
                                 "短い名前（200 バイトまで。日本語は 1 文字 3 バイト）を付けて保存してください。");
            break;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            why = QStringLiteral("「%1」のあるディスクがいっぱいのため、読み取り専用で開きます。"
                                 "ディスクの空きを作ってから開き直すか、変更したときは「名前を付けて保存」で"
                                 "別のディスクに保存してください。").arg(file);
            break;
        default:
            why = QStringLiteral("「%1」のあるフォルダーには書き込めないため、読み取り専用で開きます。"
                                 "変更したときは「名前を付けて保存」で別の場所に保存してください。").arg(file);
        }
        return why + (m_detail.isEmpty() ? QString() : QStringLiteral("（詳細: %1）").arg(m_detail));
    }
    case Verdict::Acquired:
    case Verdict::StaleTakenOver:
        break;
    }
    return QString();
}

QString AccountLock::takeOverFailure() const
{
    const QString lock = displayPath(m_namePath);
    QString why;
    struct stat st;
    if (::lstat(nativePath(m_namePath).constData(), &st) == 0 && S_ISDIR(st.st_mode))
        why = QStringLiteral("ロックファイルの名前「%1」がフォルダーになっています。").arg(lock);
    else if ((m_lastError == EPERM || m_lastError == EACCES) && ::lstat(nativePath(m_namePath).constData(), &st) == 0
             && st.st_uid != ::geteuid())
        why = QStringLiteral("ロックファイル「%1」はほかのユーザーのもので、このフォルダーではそのユーザーにしか削除できません。")
                  .arg(lock);
    else
        why = QStringLiteral("ロックファイル「%1」を置き換えられませんでした。").arg(lock);
    return QStringLiteral("ロックを解除できませんでした。") + why
        + (m_detail.isEmpty() ? QString() : QStringLiteral("（詳細: %1）").arg(m_detail));
}
