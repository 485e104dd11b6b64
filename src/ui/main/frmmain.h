// The main window: menu, toolbar and nine sheets (print settings, income,
// expenses, six period summaries). Each sheet is its own widget class; this
// class owns them, runs the window's load/unload handlers and the document
// commands (open, close, save, save as, page setup, print, exit, help), and
// keeps the derived data (the period summaries) in step with the document:
// every change of the document arrives through Document::changed, and this
// window refills what shows it. Every handler that can fail turns
// HarumokaError into a message box; the program goes on running.
#pragma once

#include "model/document.h"
#include "model/selection.h"
#include "storage/file_stamp.h"
#include "storage/recovery.h"
#include "summary/summaries.h"

#include <QMainWindow>
#include <QHash>
#include <array>
#include <functional>
#include <memory>

class Dialogs;
class QAction;
class QLabel;
class QMenu;
class AccountLock;
class QTabWidget;
class QTimer;
class QUndoStack;
class QToolBar;
class QPrinter;
class PrintSettingsSheet;
class IncomeSheet;
class SupplySheet;
class SummarySheet;
class FlexGrid;

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    // `settingsFilePath` is where the remembered article names are kept;
    // empty means the default place.
    frmMain(Dialogs &dialogs, const QString &settingsFilePath = QString(), QWidget *parent = nullptr);
    ~frmMain() override;

    Document &document() { return m_doc; }
    const PeriodSummaries &summaries() const { return m_summaries; }
    SelectionLists &selectionLists() { return m_names; }
    // Every edit of the document, for Undo and Redo; emptied by Close and Open.
    QUndoStack &undoStack() { return *m_undo; }
    Dialogs &dialogs() { return m_dialogs; }

    // Lifecycle.
    void Form_Load();
    void Form_Activate();
    void SSTabSheets_Click();
    // Runs the unload procedure; false when the user's save did not complete
    // and the window stays open.
    bool Form_Unload();

    // Document commands.
    void mnuFileOpen_Click();
    // Returns false when a save the user asked for did not complete.
    bool mnuFileClose_Click();
    bool mnuFileSave_Click();
    bool mnuFileSaveAs_Click();
    void mnuFilePageSetup_Click();
    void mnuFilePrint_Click();
    void mnuFilePrintPreview_Click();
    void mnuFileCsv_Click();
    void mnuFileExit_Click();
    // A new, unsaved account for the next school year: the same title with
    // the year advanced, and the year's remainder as its first income.
    void mnuFileNextYear_Click();
    // Offers the recovery copies a program that did not end left behind;
    // true when one was restored.
    bool offerRecovery();
    // Writes the recovery copy now (what the timer does a few seconds after a change).
    void writeRecoveryCopy();
    void openRecentFile(const QString &fileName);
    void fillRecentMenu();
    void mnuHelpHelp_Click();
    // バージョン情報: the version, the licence and where the files are.
    void mnuHelpAbout_Click();
    QString aboutText() const;
    // The open file, or empty while the account has no name (after start-up,
    // Close or 次年度の会計を作成, until Save As names it).
    QString openFileName() const;
    void tbToolBar_ButtonClick(const QString &key);
    void clearDocumentView();

    // Opens a file as Open does, without the dialog (command line, recent files).
    bool openFile(const QString &fileName);
    void saveArticleFile(const QString &fileName);
    void loadArticleFile(const QString &fileName);

    // Shared by the sheets.
    void refreshSummaries();
    void clearSummaryTotals();
    void setRemainderLabels();
    void fillFreeReceiptNumbers();
    int textWidth(const QString &text) const; // twips, in the window's font
    // Runs `f`, turning HarumokaError into a message box. Returns false on error.
    bool guarded(const std::function<void()> &f);

private:
    // Sheets and controls; each has its member's name as object name (tests find them by it).
    QTabWidget *SSTabSheets = nullptr;
    PrintSettingsSheet *printSheet = nullptr;
    IncomeSheet *incomeSheet = nullptr;
    SupplySheet *supplySheet = nullptr;
    std::array<SummarySheet *, 6> summarySheets{};
    QToolBar *tbToolBar = nullptr;
    QAction *mnuFile = nullptr;
    QAction *mnuFileOpen = nullptr;
    QAction *mnuFileClose = nullptr;
    QAction *mnuFileSave = nullptr;
    QAction *mnuFileSaveAs = nullptr;
    QAction *mnuFilePageSetup = nullptr;
    QAction *mnuFilePrint = nullptr;
    QAction *mnuFilePrintPreview = nullptr;
    QAction *mnuFileCsv = nullptr;
    QAction *mnuFileNextYear = nullptr;
    QMenu *mnuFileRecent = nullptr;
    QAction *mnuFileExit = nullptr;
    QAction *mnuEdit = nullptr;
    QAction *mnuEditUndo = nullptr;
    QAction *mnuEditRedo = nullptr;
    QAction *mnuHelp = nullptr;
    QAction *mnuHelpHelp = nullptr;
    QAction *mnuHelpAbout = nullptr;
    // Shown while the account is open read-only.
    QLabel *readOnlyNotice = nullptr;
    // The open file's name and the unsaved mark, at the toolbar's end.
    QLabel *documentName = nullptr;
    // Toolbar buttons by key ("開く", "名前をつけて保存", "上書き保存", "ページ設定", "印刷").
    QHash<QString, QAction *> toolButtons;

public:
    // For tests: the printer the print and page-setup commands use.
    QPrinter *printer();

    // Where the help text is looked for; empty shows the "no help" message.
    QString helpFileName;

    // Where the remembered article names are kept; empty means the default place.
    QString settingsFilePath;
    // Milliseconds after a change before the recovery copy is written.
    int recoveryDelay = 3000;

    // Height in twips of one text line of a grid row (the income grid's header row).
    int rowHeightUnit = 360;
    // Entries changed since the summaries were last computed.
    bool summariesStale = false;

signals:
    // The detail window is to be opened on an expense; the main window is
    // disabled meanwhile and enabled by the detail window when it closes.
    void detailWindowRequested(const EntryPtr &entry);
    // The window is unloading: the other windows close without their questions.
    void unloading();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // The unsaved-changes question; false when the user's save did not complete.
    bool askToSaveChanges();
    // Writes the remembered article names, reporting a failure.
    void saveRememberedNames();
    // Empties the document and reloads the window state (Close without the question).
    void closeDocument();
    void buildMenus();
    void buildToolBar();
    // The usual keys (Ctrl+S without a name, Ctrl+Shift+S, Ctrl+Q),
    // バージョン情報 and the file's name (frmmain_desktop.cpp).
    void addDesktopConventions();
    void showDocumentName();
    void loadResourceCaptions();
    void documentChanged(const Document::Update &update);
    void loadSelectionLists();
    void setDocumentCommands(bool open, bool save, bool saveAsButton, bool saveAsMenu);
    // Locks an account before it is opened or saved under a new name,
    // asking the user what to do with a lock held elsewhere.
    enum class LockResult { Locked, ReadOnly, Refused };
    LockResult lockFile(const QString &fileName, bool saving);
    // Asks before a save would part a file from its other names (hard links).
    bool confirmOtherNames(const QString &fileName);
    void releaseLock();
    void setReadOnly(bool readOnly);
    // The last undo step is complete: the next edit makes a new one.
    void closeUndoStep();

    Document m_doc;
    QUndoStack *m_undo = nullptr;
    SelectionLists m_names;
    PeriodSummaries m_summaries;
    Dialogs &m_dialogs;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<AccountLock> m_lock;
    // How the open file looked when it was read or last saved here.
    FileStamp m_stamp;
    // Opened without its lock (held elsewhere, or a read-only folder): Save asks for a new name.
    bool m_readOnly = false;
    bool m_namesProblemShown = false;
    RecoveryStore m_recovery;
    QTimer *m_recoveryTimer = nullptr;
    bool m_unloaded = false;
};
