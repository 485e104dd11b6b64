// The main window: menu, toolbar and nine sheets (print settings, income,
// expenses, six period summaries). Each sheet is its own widget class; this
// class owns them, runs the window's load/unload handlers and the document
// commands (open, close, save, save as, page setup, print, exit, help), and
// moves data between the sheets, the application state and the storage and
// print subsystems. Every handler that can fail turns HarumokaError into a
// message box; the program goes on running.
#pragma once

#include <QMainWindow>
#include <QHash>
#include <array>
#include <functional>
#include <memory>

class Module1;
class Dialogs;
class QAction;
class QLabel;
class QMenu;
class QLockFile;
class QTabWidget;
class QToolBar;
class QPrinter;
class PrintSettingsSheet;
class IncomeSheet;
class SupplySheet;
class SummarySheet;
class FlexGrid;
struct AccountHeader;

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    frmMain(Module1 &m, Dialogs &dialogs, QWidget *parent = nullptr);
    ~frmMain() override;

    Module1 &state() { return m; }
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
    void openRecentFile(const QString &fileName);
    void fillRecentMenu();
    void mnuHelpHelp_Click();
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
    // Opens the detail window on the selected expense; the main window is disabled meanwhile.
    void openDetailWindow();
    int textWidth(const QString &text) const; // twips, in the window's font
    // Runs `f`, turning HarumokaError into a message box. Returns false on error.
    bool guarded(const std::function<void()> &f);

    // Sheets and controls (public so tests drive the real widgets).
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
    QMenu *mnuFileRecent = nullptr;
    QAction *mnuFileExit = nullptr;
    QAction *mnuHelp = nullptr;
    QAction *mnuHelpHelp = nullptr;
    // Toolbar buttons by key ("開く", "名前をつけて保存", "上書き保存", "ページ設定", "印刷").
    QHash<QString, QAction *> toolButtons;

    // For tests: the printer the print and page-setup commands use.
    QPrinter *printer();

    // Where the help text is looked for; empty shows the "no help" message.
    QString helpFileName;

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
    void loadResourceCaptions();
    void applyHeader(const AccountHeader &header);
    AccountHeader currentHeader() const;
    void setDocumentCommands(bool open, bool save, bool saveAsButton, bool saveAsMenu);
    bool lockFile(const QString &fileName);
    void releaseLock();

    Module1 &m;
    Dialogs &m_dialogs;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QLockFile> m_lock;
    bool m_unloaded = false;
};
