// The commands on the account as a whole: open, save, save as, close, the
// next school year, the lock on the open file and its stamp, the read-only
// state, the recovery copy of unsaved work and the remembered article names.
// No widgets of its own: questions go through Dialogs, and the window learns
// from the signals what to show (the read-only notice, the file's name; which
// commands are available is the session's) and when to clear and load its sheets.
#pragma once

#include <optional>

#include "model/document.h"
#include "model/selection.h"
#include "storage/file_stamp.h"
#include "storage/recovery.h"

#include <QObject>
#include <functional>
#include <memory>

class AccountLock;
struct CompanionContent;
class AccountSession;
class Dialogs;
class QTimer;
class QUndoStack;
class QWidget;

class DocumentCommands : public QObject {
    Q_OBJECT
public:
    // `dialogParent` is the window the questions belong to (may be null).
    // `settingsFilePath` is where the remembered names are kept; empty means the default place.
    DocumentCommands(AccountSession &session, Dialogs &dialogs, QWidget *dialogParent,
                     const QString &settingsFilePath = QString());
    ~DocumentCommands() override;

    // Close (with its question), then the file the user chooses.
    void open();
    // Opens a file as open() does, without the dialog (command line, recent files).
    bool openFile(const QString &fileName);
    // A file from the recent list; one that is gone leaves the list.
    void openRecent(const QString &fileName);
    // Each returns false when a save the user asked for did not complete.
    bool close();
    bool save();
    bool saveAs();
    // A new, unsaved account for the next school year (nextSchoolYear).
    void nextYear();
    // Quitting: the unsaved question, then the recovery copy goes and the
    // remembered names are written; false when the window is to stay open.
    bool unload();
    void releaseLock();

    // Offers the recovery copies a program that did not end left behind;
    // true when one was restored.
    bool offerRecovery();
    // Writes the recovery copy now (what the timer does a while after a change).
    void writeRecoveryCopy();

    void saveArticleFile(const QString &fileName);
    void loadArticleFile(const QString &fileName);
    // Reads the remembered names; a problem is said once, after the window is up.
    void loadRememberedNames();

    // The open file, or empty while the account has no name (after start-up,
    // Close or the next year, until Save As names it).
    QString openFileName() const;
    bool isReadOnly() const { return m_readOnly; }

    QString settingsFilePath() const;
    void setSettingsFilePath(const QString &path) { m_settingsFilePath = path; }
    // Milliseconds after a change before the recovery copy is written.
    void setRecoveryDelay(int ms) { m_recoveryDelay = ms; }
    // Whether the unsaved work, as it is now, is in the recovery copy.
    bool unsavedWorkCopied() const;
    // Brings what is derived from the document (the summaries) up to date
    // after it was read; throws OverflowError when a period's sums do not fit.
    // The session's summaries unless set.
    void setRefresh(std::function<void()> refresh) { m_refresh = std::move(refresh); }

signals:
    void readOnlyChanged(bool readOnly);
    void recentFilesChanged();
    // The document is about to be emptied: the window lets go of what it shows.
    void clearing();
    // The document is empty: the window loads itself again.
    void cleared();

private:
    enum class LockResult { Locked, ReadOnly, Refused };
    // The unsaved-changes question; false when the user's save did not complete.
    bool askToSaveChanges();
    void saveRememberedNames();
    // Empties the document and the undo steps (Close without the question).
    void closeDocument();
    // Locks an account before it is opened or saved under a new name,
    // asking the user what to do with a lock held elsewhere.
    LockResult lockFile(const QString &fileName, bool saving);
    // Asks before a save would part a file from its other names (hard links).
    bool confirmOtherNames(const QString &fileName);
    void setReadOnly(bool readOnly);
    // Puts the roster and marks of the account's companion file into the
    // document just read; what the user is to be told (empty: nothing).
    QString loadCompanion(const QString &fileName);
    // A companion file beside the account whose own account is gone is
    // offered as this account's (it was renamed elsewhere).
    bool adoptOrphanCompanion(const QString &fileName, CompanionContent &out);
    // A companion file that could not be read: never overwritten.
    QString m_keptCompanion;
    bool guarded(const std::function<void()> &f);

    AccountSession &m_session;
    Document &m_doc;
    QUndoStack &m_undo;
    SelectionLists &m_names;
    Dialogs &m_dialogs;
    QWidget *m_parent;
    QString m_settingsFilePath;
    std::function<void()> m_refresh;
    std::unique_ptr<AccountLock> m_lock;
    // How the open file looked when it was read or last saved here.
    FileStamp m_stamp;
    // Opened without its lock (held elsewhere, or a read-only folder): Save asks for a new name.
    bool m_readOnly = false;
    bool m_namesProblemShown = false;
    RecoveryStore m_recovery;
    // The copy a restore took the work from, until this program's copy or the file holds it.
    std::optional<RecoveryCopy> m_restoredFrom;
    void dropRecoveryCopies();
    // The file the account's name led to when it was read or last saved
    // (links followed), with its stamp.
    QString m_target;
    void stampFile(const QString &fileName);
    // The target's folder is gone, or is now another file system (a bare mount point).
    bool folderIsGone(const QString &target) const;
    QTimer *m_recoveryTimer = nullptr;
    int m_recoveryDelay = 3000;
};
