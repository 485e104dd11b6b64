// Keeps one account from being edited by two programs at once. A lock file
// beside the account (".NAME.harumoka-lock", named after the file that
// links lead to, so every symbolic link to an account shares it) says who
// holds it and since when. Hard links to one file, in any folders, share a
// second, per-user lock on this computer keyed by the file's device and
// inode (in $XDG_RUNTIME_DIR). A lock whose program is gone from this
// computer is taken over silently; one that cannot be judged (empty,
// unreadable, written on another computer or by another program) is left
// to the user: open read-only, or take it over.
#pragma once

#include <QDateTime>
#include <QString>

// Whether process `pid` on this computer still runs `program` (an
// executable's file name). A zombie has ended; a process whose
// program cannot be seen (another user's) counts as running.
bool processStillRuns(qint64 pid, const QString &program);

struct LockHolder {
    QString user;
    QString host;
    QString program; // the executable's name
    qint64 pid = 0;
    QDateTime since; // invalid when not known

    bool known() const { return !user.isEmpty() || !host.isEmpty() || since.isValid(); }
    // "yamada（コンピューター「pc01」）", or "不明" when nothing could be read.
    QString who() const;
    // "2026/05/01 09:30" in local time, or "不明".
    QString sinceText() const;
};

class AccountLock {
public:
    enum class Verdict {
        Acquired,       // the lock is ours
        StaleTakenOver, // ours: it was left by a program on this computer that is gone
        HeldHere,       // a running ハルモカ on this computer holds it (holder())
        CannotJudge,    // a lock file that cannot be judged (holder() as far as read)
        FolderReadOnly, // no lock file can be made beside the account: open read-only
    };

    explicit AccountLock(const QString &accountPath);
    ~AccountLock(); // unlocks
    AccountLock(const AccountLock &) = delete;
    AccountLock &operator=(const AccountLock &) = delete;

    Verdict tryLock();
    // Takes the lock whoever holds it, after the user chose to. True when
    // it is ours.
    bool takeOver();
    // Removes the lock files that are still ours (not ones taken over since).
    void unlock();
    bool isLocked() const { return m_locked; }

    // Who holds the lock, after HeldHere or CannotJudge.
    LockHolder holder() const { return m_holder; }
    // Why no lock file could be made, after FolderReadOnly (a system detail).
    QString detail() const { return m_detail; }
    // The text for the user about a verdict other than Acquired and
    // StaleTakenOver, naming the account, who holds it and since when.
    QString explain(Verdict verdict) const;
    // Why takeOver() failed, for the user: the lock file and the cause
    // (a folder at its name, another user's file in a shared folder).
    QString takeOverFailure() const;

    // Saving replaces the file (a new inode): call after every save so the
    // per-computer lock follows the file.
    void fileReplaced();

    static QString lockFilePathFor(const QString &accountPath);

private:
    enum class SlotResult { Acquired, TookOverStale, Held, CannotJudge, Failed };
    SlotResult acquire(const QString &path, QByteArray &written);
    QString inodeLockPath() const;

    QString m_account;   // as given
    QString m_namePath;  // the lock file beside the account
    QString m_inodePath; // the per-computer lock, when held
    QByteArray m_nameContent, m_inodeContent;
    bool m_locked = false;
    LockHolder m_holder;
    QString m_detail;
    int m_lastError = 0;
};
