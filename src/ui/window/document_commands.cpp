#include "ui/window/document_commands.h"

#include "model/values.h"
#include "storage/account_file.h"
#include "storage/account_lock.h"
#include "storage/companion_file.h"
#include "storage/recent_files.h"
#include "storage/settings_file.h"
#include "summary/summaries.h"
#include "ui/widgets/dialogs.h"
#include "ui/widgets/error_message.h"
#include "ui/window/account_session.h"
#include "ui/window/file_requests.h"
#include "ui/window/undo_commands.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTimer>
#include <QUndoStack>

namespace {

const QString kSaveQuestion = QStringLiteral("ﾌｧｲﾙが保存していません。保存しますか？");

} // namespace

DocumentCommands::DocumentCommands(AccountSession &session, Dialogs &dialogs, QWidget *dialogParent,
                                   const QString &settingsFilePath)
    : m_session(session), m_doc(session.document()), m_undo(session.undoStack()), m_names(session.names()),
      m_dialogs(dialogs), m_parent(dialogParent), m_settingsFilePath(settingsFilePath)
{
    // Without a window the sums are still checked, as the window's refresh does.
    m_refresh = [this] { m_session.summaries(); };
    // A few seconds after a change, unsaved work goes into the recovery copy;
    // once nothing is unsaved (saved, closed, undone) the copy goes.
    m_recoveryTimer = new QTimer(this);
    m_recoveryTimer->setSingleShot(true);
    connect(m_recoveryTimer, &QTimer::timeout, this, [this] { writeRecoveryCopy(); });
    connect(&m_doc, &Document::changed, this, [this] {
        if (m_doc.isModified())
            m_recoveryTimer->start(m_recoveryDelay);
    });
    connect(&m_doc, &Document::modifiedChanged, this, [this](bool modified) {
        if (modified) {
            m_recoveryTimer->start(m_recoveryDelay);
        } else {
            m_recoveryTimer->stop();
            dropRecoveryCopies();
        }
    });
}

void DocumentCommands::dropRecoveryCopies()
{
    m_recovery.remove();
    if (m_restoredFrom) {
        RecoveryStore::discard(*m_restoredFrom);
        m_restoredFrom.reset();
    }
}

DocumentCommands::~DocumentCommands() = default;

bool DocumentCommands::guarded(const std::function<void()> &f)
{
    return runShowingErrors(m_dialogs, m_parent, f);
}

QString DocumentCommands::settingsFilePath() const
{
    return m_settingsFilePath.isEmpty() ? defaultSettingsFilePath() : m_settingsFilePath;
}

QString DocumentCommands::openFileName() const
{
    // The document keeps its last name after Close (Save As starts there);
    // it is the open file's only while it can be saved under it, or was
    // opened read-only or damaged.
    const bool named = m_session.commands().save || m_readOnly || m_doc.isDamaged();
    return named ? m_doc.fileName() : QString();
}

void DocumentCommands::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    emit readOnlyChanged(readOnly);
}

void DocumentCommands::loadRememberedNames()
{
    QString problem;
    try {
        problem = readSelectionFile(settingsFilePath(), m_names.income, m_names.supply);
    } catch (const HarumokaError &e) {
        problem = e.message();
    }
    // The remembered names are a convenience: a file that cannot be read is
    // said once, after the window is up, and the program goes on without it.
    if (!problem.isEmpty() && !m_namesProblemShown) {
        m_namesProblemShown = true;
        QMetaObject::invokeMethod(
            this,
            [this, problem] { m_dialogs.message(m_parent, problem, Dialogs::Buttons::Ok, Dialogs::Icon::Warning); },
            Qt::QueuedConnection);
    }
}

void DocumentCommands::saveRememberedNames()
{
    try {
        writeSelectionFile(settingsFilePath(), m_names.income, m_names.supply);
    } catch (const HarumokaError &e) {
        m_dialogs.message(m_parent, e.message(), Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    }
}

bool DocumentCommands::askToSaveChanges()
{
    if (!m_doc.isModified())
        return true;
    // キャンセル, Escape and the close button leave everything as it was.
    const auto answer = m_dialogs.message(m_parent, kSaveQuestion, Dialogs::Buttons::YesNoCancel);
    if (answer == Dialogs::Answer::Cancel)
        return false;
    if (answer == Dialogs::Answer::Yes) {
        bool saved = true;
        if (m_session.commands().save)
            saved = save();
        else if (m_session.commands().saveAsMenu)
            saved = saveAs();
        // A save that did not complete keeps the changes marked.
        if (!saved)
            return false;
    }
    m_doc.setModified(false);
    return true;
}

void DocumentCommands::open()
{
    if (!close())
        return;
    const QString name = m_dialogs.openFileName(m_parent, openAccountRequest(m_doc.fileName()));
    if (!name.isEmpty())
        openFile(name);
}

void DocumentCommands::openRecent(const QString &fileName)
{
    // The same path as Open: close (with its question), then read the file.
    if (!QFileInfo::exists(fileName)) {
        removeRecentFile(fileName);
        emit recentFilesChanged();
        m_dialogs.message(m_parent,
                          QStringLiteral("「%1」が見つかりません。最近使ったファイルの一覧から外しました。")
                              .arg(QDir::toNativeSeparators(fileName)),
                          Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return;
    }
    if (!close())
        return;
    openFile(fileName);
}

bool DocumentCommands::close()
{
    if (!askToSaveChanges())
        return false;
    // The names typed since start-up are written before the lists are reset.
    saveRememberedNames();
    closeDocument();
    return true;
}

void DocumentCommands::closeDocument()
{
    emit clearing();
    m_session.setCommands({.open = true, .save = false, .saveAsButton = false, .saveAsMenu = true});
    m_names.reset();
    m_doc.reset();
    m_undo.clear();
    releaseLock();
    setReadOnly(false);
    emit cleared();
}

bool DocumentCommands::openFile(const QString &fileName)
{
    const LockResult lock = lockFile(fileName, false);
    if (lock == LockResult::Refused)
        return false;
    // The account is ours: what killed saves of it left beside it can go.
    if (lock == LockResult::Locked)
        removeStaleSaveTemporaries(fileName);
    const QString previousName = m_doc.fileName();
    auto giveUp = [&](const QString &message) {
        // Nothing usable was read: back to the empty document, not named after that file.
        if (m_doc.entries().size() > 0 || m_doc.fileName() != previousName) {
            closeDocument();
            m_doc.setFileName(previousName);
        }
        releaseLock();
        m_dialogs.message(m_parent, message, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return false;
    };
    QString companionNote;
    try {
        readAccountFile(fileName, m_doc);
        m_undo.clear();
        companionNote = loadCompanion(fileName);
    } catch (const HarumokaError &e) {
        m_undo.clear();
        if (!m_doc.isDamaged())
            return giveUp(e.message());
        try {
            m_refresh();
        } catch (const HarumokaError &) {
            // What was read is shown; its sums are reported when a summary is asked for.
        }
        stampFile(fileName);
        setReadOnly(lock == LockResult::ReadOnly);
        m_session.setCommands({.open = false, .save = false, .saveAsButton = true, .saveAsMenu = true});
        m_dialogs.message(m_parent,
                          e.message() + QStringLiteral("\r読み込めた部分だけを表示しています。"
                                                       "元のファイルを守るため、上書き保存はできません。"
                                                       "「名前を付けて保存」で別の名前を付けて保存してください。"),
                          Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return true;
    }
    try {
        m_refresh();
    } catch (const OverflowError &) {
        return giveUp(QStringLiteral("ファイル「%1」は開けませんでした。\r期ごとの合計金額が扱える範囲"
                                     "（2,147,483,647円まで）を超えるため、集計できません。何も開いていません。")
                          .arg(QDir::toNativeSeparators(fileName)));
    }
    stampFile(fileName);
    setReadOnly(lock == LockResult::ReadOnly);
    // A read-only account is saved under another name only, and so is one
    // whose companion file must not be overwritten.
    m_session.setCommands({.open = false,
                           .save = lock != LockResult::ReadOnly && m_keptCompanion.isEmpty(),
                           .saveAsButton = true,
                           .saveAsMenu = true});
    addRecentFile(fileName);
    emit recentFilesChanged();
    if (!companionNote.isEmpty())
        m_dialogs.message(m_parent, companionNote, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    return true;
}

bool DocumentCommands::adoptOrphanCompanion(const QString &fileName, CompanionContent &out)
{
    // Only those that are this account's: some collection of theirs is found in it.
    for (const QString &orphan : orphanCompanions(fileName)) {
        QByteArray bytes;
        bool tooLarge = false;
        if (!readFileLimited(orphan, 64 * 1024 * 1024, bytes, &tooLarge, nullptr))
            continue;
        CompanionContent found;
        try {
            found = decodeCompanion(bytes, orphan, m_doc.entries());
        } catch (const HarumokaError &) {
            continue;
        }
        const bool matches = std::any_of(found.entries.entries().cbegin(), found.entries.entries().cend(),
                                         [](const EntryPtr &e) { return bool(e->marks); });
        if (!matches)
            continue;
        const QString question =
            QStringLiteral("この会計の名簿ファイルがありません。同じフォルダの名簿ファイル「%1」は、"
                           "その会計のファイルが見つかりません（会計のファイルの名前を変えましたか？）。\r"
                           "この会計の名簿と集金の記録として読み込みますか？\r"
                           "読み込むと、上書き保存で「%2」として保存します（元の名簿ファイルはそのまま残ります）。")
                .arg(QFileInfo(orphan).fileName(), QFileInfo(companionPath(fileName)).fileName());
        if (m_dialogs.message(m_parent, question, Dialogs::Buttons::YesNo, Dialogs::Icon::Question)
            == Dialogs::Answer::Yes) {
            out = std::move(found);
            return true;
        }
    }
    return false;
}

QString DocumentCommands::loadCompanion(const QString &fileName)
{
    m_keptCompanion.clear();
    CompanionContent companion;
    bool adopted = false;
    try {
        if (!readCompanion(fileName, m_doc.entries(), companion)
            && !(adopted = adoptOrphanCompanion(fileName, companion)))
            return QString();
    } catch (const HarumokaError &e) {
        m_keptCompanion = companionPath(fileName);
        return e.message()
            + QStringLiteral("\r元帳だけを開いています。名簿ファイルを守るため、上書き保存はできません。"
                             "「名前を付けて保存」で別の名前を付けて保存してください。");
    }
    applyCompanion(m_doc, std::move(companion));
    if (adopted)
        m_doc.setModified(true); // beside this account only once saved
    if (companion.notFound.isEmpty())
        return QString();
    return QStringLiteral("名簿ファイルにある次の集金が元帳に見つかりません（ほかのプログラムで変えられたようです）。"
                          "その集金の記録は読み込んでいないため、上書き保存すると名簿ファイルから消えます。\r")
        + companion.notFound.join(QLatin1Char('\r'));
}

void DocumentCommands::stampFile(const QString &fileName)
{
    m_stamp = FileStamp::of(fileName);
    m_target = fileName.isEmpty() ? QString() : followSymlinks(fileName);
}

bool DocumentCommands::save()
{
    // A document without a name (a restored copy whose file is not the one it came from) is named first.
    if (m_doc.isDamaged() || m_readOnly || m_doc.fileName().isEmpty())
        return saveAs();
    const QString name = m_doc.fileName();
    // The file that was read and locked, even when a link's name now leads
    // elsewhere: Save never replaces another account.
    const QString target = m_target.isEmpty() ? name : m_target;
    // Another program may have written or removed the file since it was read or saved here.
    const FileStamp now = FileStamp::of(target);
    if (!now.exists && folderIsGone(target)) {
        // An unmounted stick leaves a bare mount point on the internal disk:
        // saving there would hide the work once the stick is back.
        if (m_dialogs.message(m_parent,
                              QStringLiteral("「%1」のあったフォルダー「%2」が見つかりません（USB メモリーなどが外されたか、"
                                             "フォルダーが移動されています）。ここには保存しません。\r"
                                             "「名前を付けて保存」で保存先を選びますか？")
                                  .arg(QDir::toNativeSeparators(name),
                                       QDir::toNativeSeparators(QFileInfo(target).absolutePath())),
                              Dialogs::Buttons::YesNo, Dialogs::Icon::Warning)
            != Dialogs::Answer::Yes)
            return false;
        return saveAs();
    }
    if (!(now == m_stamp)) {
        const QString question = now.exists
            ? QStringLiteral("「%1」は、開いた後（または前回の保存の後）にほかのプログラムで変更されています。\r"
                             "上書きすると、その変更は失われます。上書き保存しますか？")
            : QStringLiteral("「%1」は、ほかのプログラムで削除されたか移動されています。保存しますか？");
        if (m_dialogs.message(m_parent, question.arg(QDir::toNativeSeparators(target)), Dialogs::Buttons::YesNo,
                              Dialogs::Icon::Warning)
            != Dialogs::Answer::Yes)
            return false;
    }
    if (!confirmOtherNames(target))
        return false;
    return guarded([this, target] { saveArticleFile(target); });
}

bool DocumentCommands::folderIsGone(const QString &target) const
{
    const FileStamp folder = FileStamp::of(QFileInfo(target).absolutePath());
    return !folder.exists || !QFileInfo(QFileInfo(target).absolutePath()).isDir()
        || (m_stamp.exists && folder.device != m_stamp.device);
}

bool DocumentCommands::saveAs()
{
    const QString name = m_dialogs.saveFileName(m_parent, saveAccountRequest(m_doc.fileName()));
    if (name.isEmpty())
        return false;
    // The damaged original keeps what could not be read; it and its .bak
    // are never replaced by the part that was.
    if (m_doc.isDamaged() && !m_target.isEmpty()) {
        const FileStamp chosen = FileStamp::of(name), original = FileStamp::of(m_target);
        if (chosen.exists && original.exists && chosen.device == original.device && chosen.inode == original.inode) {
            m_dialogs.message(m_parent,
                              QStringLiteral("「%1」は、壊れていて途中までしか読み込めなかった元のファイルです。"
                                             "上書きすると、読み込めなかった部分が失われるため、保存しません。\r"
                                             "別の名前を付けて保存してください。")
                                  .arg(QDir::toNativeSeparators(name)),
                              Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
            return false;
        }
    }
    if (!confirmOtherNames(name))
        return false;
    const bool sameFile = QFileInfo(name).absoluteFilePath() == QFileInfo(m_doc.fileName()).absoluteFilePath();
    std::unique_ptr<AccountLock> previousLock;
    if (!sameFile || !m_lock) {
        previousLock = std::move(m_lock);
        if (lockFile(name, true) != LockResult::Locked) {
            m_lock = std::move(previousLock);
            return false;
        }
    }
    const QString previousName = m_doc.fileName();
    const bool wasDamaged = m_doc.isDamaged();
    m_doc.setFileName(name);
    m_doc.setDamaged(false);
    const bool saved = guarded([this] { saveArticleFile(m_doc.fileName()); });
    if (!saved) {
        // A failed Save As leaves the document as it was.
        m_doc.setFileName(previousName);
        m_doc.setDamaged(wasDamaged);
        if (previousLock || !sameFile) {
            releaseLock();
            m_lock = std::move(previousLock);
        }
        return false;
    }
    if (previousLock)
        previousLock->unlock();
    setReadOnly(false);
    addRecentFile(name);
    emit recentFilesChanged();
    AccountSession::Commands now = m_session.commands();
    now.save = true;
    m_session.setCommands(now);
    return true;
}

bool DocumentCommands::confirmOtherNames(const QString &fileName)
{
    // Saving replaces the file: its other names would keep the old content.
    const QString question = otherNamesQuestion(followSymlinks(fileName));
    return question.isEmpty()
        || m_dialogs.message(m_parent, question, Dialogs::Buttons::YesNo, Dialogs::Icon::Warning)
        == Dialogs::Answer::Yes;
}

void DocumentCommands::saveArticleFile(const QString &fileName)
{
    const SaveResult result = writeAccountFile(fileName, m_doc.title(), m_doc.entries());
    // The roster and the marks go beside it, under the same lock; a companion
    // that could not be read stays as it is.
    const QString companion = companionPath(fileName);
    if (companion != m_keptCompanion && (needsCompanion(m_doc.roster()) || QFileInfo::exists(companion))) {
        try {
            writeCompanion(fileName, m_doc.roster(), m_doc.entries());
        } catch (const HarumokaError &e) {
            stampFile(fileName);
            if (m_lock)
                m_lock->fileReplaced();
            throw HarumokaError(QStringLiteral("元帳は保存しましたが、名簿と集金の記録は保存できませんでした。\r")
                                + e.message());
        }
    }
    m_doc.markSaved();
    // Nothing joins the saved step: the unsaved mark follows what is on disk.
    closeUndoStep(m_undo);
    m_undo.setClean();
    stampFile(fileName);
    if (m_lock)
        m_lock->fileReplaced();
    // The file is saved; only its backup is behind.
    if (!result.backupWarning.isEmpty())
        m_dialogs.message(m_parent, result.backupWarning, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
}

void DocumentCommands::loadArticleFile(const QString &fileName)
{
    // The document tells the window (changed) to show what was read, also
    // what could be read of a damaged file.
    readAccountFile(fileName, m_doc);
    m_refresh();
}

DocumentCommands::LockResult DocumentCommands::lockFile(const QString &fileName, bool saving)
{
    auto lock = std::make_unique<AccountLock>(fileName);
    const AccountLock::Verdict verdict = lock->tryLock();
    LockResult result = LockResult::Refused;
    switch (verdict) {
    case AccountLock::Verdict::Acquired:
    case AccountLock::Verdict::StaleTakenOver:
        result = LockResult::Locked;
        break;
    case AccountLock::Verdict::FolderReadOnly:
        // Saving reports the folder itself; opening shows what is there, read-only.
        if (!saving)
            m_dialogs.message(m_parent, lock->explain(verdict), Dialogs::Buttons::Ok, Dialogs::Icon::Information);
        lock.reset();
        result = saving ? LockResult::Locked : LockResult::ReadOnly;
        break;
    case AccountLock::Verdict::HeldHere:
        if (saving) {
            m_dialogs.message(m_parent, lock->explain(verdict) + QStringLiteral("\rほかの名前で保存してください。"),
                              Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
            return LockResult::Refused;
        }
        if (m_dialogs.message(m_parent, lock->explain(verdict) + QStringLiteral("\r読み取り専用で開きますか？"),
                              Dialogs::Buttons::YesNo, Dialogs::Icon::Warning)
            != Dialogs::Answer::Yes)
            return LockResult::Refused;
        lock.reset();
        result = LockResult::ReadOnly;
        break;
    case AccountLock::Verdict::CannotJudge: {
        const QString choices = saving
            ? QStringLiteral("\rロックを解除して保存しますか？")
            : QStringLiteral("\r\rはい：ロックを解除して開きます。\rいいえ：読み取り専用で開きます。\r"
                             "キャンセル：開きません。");
        const Dialogs::Answer answer = m_dialogs.message(
            m_parent, lock->explain(verdict) + choices,
            saving ? Dialogs::Buttons::YesNo : Dialogs::Buttons::YesNoCancel, Dialogs::Icon::Warning);
        if (answer == Dialogs::Answer::Yes && lock->takeOver()) {
            result = LockResult::Locked;
        } else if (answer == Dialogs::Answer::Yes && saving) {
            m_dialogs.message(m_parent, lock->takeOverFailure() + QStringLiteral("\r保存しませんでした。"),
                              Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
            return LockResult::Refused;
        } else if (answer == Dialogs::Answer::Yes) {
            // The lock stays where it is: said, with read-only as the way on.
            if (m_dialogs.message(m_parent, lock->takeOverFailure() + QStringLiteral("\r読み取り専用で開きますか？"),
                                  Dialogs::Buttons::YesNo, Dialogs::Icon::Warning)
                != Dialogs::Answer::Yes)
                return LockResult::Refused;
            lock.reset();
            result = LockResult::ReadOnly;
        } else if (answer == Dialogs::Answer::No && !saving) {
            lock.reset();
            result = LockResult::ReadOnly;
        } else {
            return LockResult::Refused;
        }
        break;
    }
    }
    releaseLock();
    m_lock = std::move(lock);
    return result;
}

void DocumentCommands::releaseLock()
{
    if (m_lock)
        m_lock->unlock();
    m_lock.reset();
}

void DocumentCommands::writeRecoveryCopy()
{
    if (!m_doc.isModified())
        return;
    QByteArray copy;
    try {
        copy = encodeRecoveryCopy(m_doc.title(), m_doc.entries());
    } catch (const HarumokaError &) {
        // Only a date the file cannot hold, which Record never lets in.
        return;
    }
    // The roster and the marks are kept with it: a crash loses no mark either.
    const QByteArray companion =
        needsCompanion(m_doc.roster()) ? encodeCompanion(m_doc.roster(), m_doc.entries()) : QByteArray();
    const QString problem = m_recovery.write(copy, m_doc.fileName(), m_stamp, m_doc.isDamaged(), companion);
    // The restored copy goes once the work is safe in this program's own.
    if (m_recovery.lastWriteOk() && m_restoredFrom) {
        RecoveryStore::discard(*m_restoredFrom);
        m_restoredFrom.reset();
    }
    if (!problem.isEmpty())
        m_dialogs.message(m_parent, problem, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
}

bool DocumentCommands::unsavedWorkCopied() const
{
    return m_doc.isModified() && !m_recoveryTimer->isActive() && m_recovery.hasCopy() && m_recovery.lastWriteOk();
}

bool DocumentCommands::offerRecovery()
{
    const QList<RecoveryCopy> copies = m_recovery.leftBehind();
    for (qsizetype i = 0; i < copies.size(); ++i) {
        const RecoveryCopy &copy = copies[i];
        const QString others = i + 1 < copies.size()
            ? QStringLiteral("ほかにも、保存されていない変更のコピーが %1 件あります（新しいものから順に尋ねます）。\r")
                  .arg(copies.size() - i - 1)
            : QString();
        // Restored under its name only into the very file the work started from.
        const RecoveryCopy::Original original = copy.original();
        const QString restoreName = copy.restoreName(original);
        const QString caution = copy.caution(original);
        const QString name = copy.originalPath.isEmpty() ? QStringLiteral("（名前のない会計）")
                                                         : QDir::toNativeSeparators(copy.originalPath);
        const QString when = copy.savedAt.isValid()
            ? QLocale().toString(copy.savedAt, QStringLiteral("yyyy/MM/dd HH:mm"))
            : QStringLiteral("不明");
        const Dialogs::Answer answer = m_dialogs.message(
            m_parent,
            QStringLiteral("前回、保存されていない変更がありました。復元しますか？\r\r会計: %1\r時刻: %2\r\r%3%4"
                           "はい：復元します（保存するまで元のファイルは変わりません）。\r"
                           "いいえ：今は復元せず、次の起動でまた尋ねます。\r削除：この変更を捨てます。")
                .arg(name, when, caution.isEmpty() ? QString() : caution + QLatin1Char('\n'), others),
            Dialogs::Buttons::YesNoDelete, Dialogs::Icon::Question);
        if (answer == Dialogs::Answer::Delete) {
            RecoveryStore::discard(copy);
            continue;
        }
        if (answer != Dialogs::Answer::Yes)
            continue;
        LoadedAccount loaded;
        AccountHeader header;
        try {
            readAccountFile(copy.copyPath, loaded, header);
        } catch (const HarumokaError &e) {
            m_dialogs.message(m_parent, QStringLiteral("復元用のコピーを読み込めませんでした。\r") + e.message(),
                              Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
            continue;
        }
        LockResult lock = LockResult::Locked;
        if (!restoreName.isEmpty() && QFileInfo::exists(restoreName)) {
            lock = lockFile(restoreName, false);
            if (lock == LockResult::Refused)
                continue;
        }
        EntryList entries = loaded.entries();
        Roster roster;
        if (!copy.companion.isEmpty()) {
            try {
                CompanionContent companion = decodeCompanion(copy.companion, copy.copyPath, entries);
                entries = std::move(companion.entries);
                roster = companion.roster;
            } catch (const HarumokaError &e) {
                m_dialogs.message(m_parent, QStringLiteral("名簿と集金の記録は復元できませんでした。\r") + e.message(),
                                  Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
            }
        }
        m_doc.load(std::move(entries), header.appliedTo(AccountTitle()), loaded.nextArticleKey, copy.damaged,
                   restoreName, roster);
        try {
            m_refresh();
        } catch (const HarumokaError &) {
            // What was restored is shown; its sums are reported when asked for.
        }
        // Unsaved work: nothing to undo, and never clean until it is saved.
        m_undo.clear();
        m_undo.resetClean();
        m_doc.setModified(true);
        stampFile(restoreName);
        setReadOnly(lock == LockResult::ReadOnly);
        m_session.setCommands({.open = false,
                    .save = !restoreName.isEmpty() && !copy.damaged && lock != LockResult::ReadOnly,
                    .saveAsButton = true,
                    .saveAsMenu = true});
        // The copy stays until this program's own holds the work (a full
        // disk: it is offered again after another crash).
        m_restoredFrom = copy;
        writeRecoveryCopy();
        return true;
    }
    return false;
}

void DocumentCommands::nextYear()
{
    if (!askToSaveChanges())
        return;
    NewAccount next = nextSchoolYear(m_doc);
    if (activePupils(m_doc.roster()) > 0
        && m_dialogs.message(m_parent,
                             QStringLiteral("名簿を次の年度に引き継ぎますか？\r集金の記録は引き継ぎません。"
                                            "転出した生徒は名簿から外します。"),
                             Dialogs::Buttons::YesNo, Dialogs::Icon::Question)
               == Dialogs::Answer::Yes) {
        for (const Pupil &p : m_doc.roster()) {
            if (!p.movedOut)
                next.roster.append(p);
        }
    }
    saveRememberedNames();
    closeDocument();
    m_doc.load(std::move(next.entries), next.title, next.nextKey, false, QString(), next.roster);
    m_refresh();
    m_undo.resetClean();
    m_doc.setModified(true);
    // A new document: named by Save As.
    m_session.setCommands({.open = true, .save = false, .saveAsButton = true, .saveAsMenu = true});
}

bool DocumentCommands::unload()
{
    if (!askToSaveChanges())
        return false;
    m_recoveryTimer->stop();
    dropRecoveryCopies();
    saveRememberedNames();
    return true;
}
