// The main window: menu, toolbar and nine sheets (print settings, income,
// expenses, six period summaries). Each sheet is its own widget class; this
// class owns them, shows the document and keeps the derived data (the period
// summaries) in step with it: every change of the document arrives through
// Document::changed, and this window refills what shows it. The menu's and
// the toolbar's commands are carried out by DocumentCommands (open, save,
// close, the next year, recovery) and PrintCommands (page setup, print,
// preview, CSV); the window shows what they signal. Every handler that can
// fail turns HarumokaError into a message box; the program goes on running.
#pragma once

#include "model/document.h"
#include "ui/window/account_session.h"
#include "ui/window/document_commands.h"
#include "ui/window/print_commands.h"
#include "model/selection.h"
#include "summary/summaries.h"

#include <QKeySequence>
#include <QMainWindow>
#include <QHash>
#include <array>
#include <functional>
#include <memory>

class Dialogs;
class QAction;
class QLabel;
class QMenu;
class QTabWidget;
class QUndoStack;
class QToolBar;
class QPrinter;
class PrintSettingsSheet;
class IncomeSheet;
class ExpenseSheet;
class SummarySheet;
class FlexGrid;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // `settingsFilePath` is where the remembered article names are kept;
    // empty means the default place.
    MainWindow(Dialogs &dialogs, const QString &settingsFilePath = QString(), QWidget *parent = nullptr);
    ~MainWindow() override;

    Document &document() { return m_doc; }
    AccountSession &session() { return m_session; }
    SelectionLists &selectionLists() { return m_names; }
    // Every edit of the document, for Undo and Redo; emptied by Close and Open.
    QUndoStack &undoStack() { return *m_undo; }
    Dialogs &dialogs() { return m_dialogs; }
    // Open, save, close, the next year, recovery: the account's commands.
    DocumentCommands &documentCommands() { return *m_commands; }
    // Page setup, print, preview and CSV export, with their printer.
    PrintCommands &printCommands() { return *m_print; }

    // Lifecycle.
    void loadSheets();
    void activated();
    void sheetChosen();
    // Runs the unload procedure; false when the user's save did not complete
    // and the window stays open.
    bool unload();

    // The menu's commands that need the window's sheets.
    void print();
    void printPreview();
    void exportCsv();
    void quit();
    void fillRecentMenu();
    void showHelpWindow();
    // バージョン情報: the version, the licence and where the files are.
    void showAbout();
    QString aboutText() const;
    // The open file, or empty while the account has no name (after start-up,
    // Close or 次年度の会計を作成, until Save As names it).
    QString openFileName() const;
    void clearDocumentView();

    // Shared by the sheets.
    void refreshSummaries();
    void setRemainderLabels();
    int textWidth(const QString &text) const; // twips, in the window's font
    // Runs `f`, turning HarumokaError into a message box. Returns false on error.
    bool guarded(const std::function<void()> &f);
    // Prints (or previews) a printout with the print settings as they stand.
    // `from`: the window whose 印刷 it was; its questions and dialogs belong to it.
    void printPrintout(const Printout &printout, bool preview, QWidget *from = nullptr);
    // A menu item, named `name`, that runs `run` through the error guard.
    QAction *addCommand(QMenu *menu, const QString &caption, const char *name, const std::function<void()> &run,
                        const QKeySequence &key = {});

private:
    // Sheets and controls; each has its member's name as object name (tests find them by it).
    QTabWidget *SSTabSheets = nullptr;
    PrintSettingsSheet *printSheet = nullptr;
public:
    // The last undo step is complete (the detail window left a line).
    void finishUndoStep();
private:
    // Closes an open cell editor as Escape does; true when it held a change
    // not yet recorded (which Undo then takes back instead of a step).
    bool closeCellEditors();
    IncomeSheet *incomeSheet = nullptr;
    ExpenseSheet *expenseSheet = nullptr;
    std::array<SummarySheet *, 6> summarySheets{};
    QToolBar *tbToolBar = nullptr;
    QAction *mnuFile = nullptr;
    QAction *mnuFileOpen = nullptr;
    QAction *mnuFileSave = nullptr;
    QAction *mnuFileSaveAs = nullptr;
    QMenu *mnuFileRecent = nullptr;
    QAction *mnuFileExit = nullptr;
    QAction *mnuEditUndo = nullptr;
    QAction *mnuEditRedo = nullptr;
    QAction *mnuHelp = nullptr;
    QAction *mnuHelpAbout = nullptr;
    // Shown while the account is open read-only.
    QLabel *readOnlyNotice = nullptr;
    // The open file's name and the unsaved mark, at the toolbar's end.
    QLabel *documentName = nullptr;
    // The toolbar buttons whose state follows the document's commands.
    QAction *toolOpen = nullptr;
    QAction *toolSave = nullptr;
    QAction *toolSaveAs = nullptr;

public:
    // Where the help text is looked for; empty shows the "no help" message.
    void setHelpFileName(const QString &fileName) { m_helpFileName = fileName; }

    // Height in twips of one text line of a grid row (the income grid's header row).
    // Entries changed since the summaries were last computed.
    bool summariesStale() const { return m_summariesStale; }

signals:
    // The detail window is to be opened on an expense; the main window is
    // disabled meanwhile and enabled by the detail window when it closes.
    void detailWindowRequested(const EntryPtr &entry);
    // The 集金 window is to be shown (made, or brought to the front).
    void collectionWindowRequested();
    // The window is unloading: the other windows close without their questions.
    void unloading();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Entries changed since the summaries were last computed.
    bool m_summariesStale = false;
    // Lets go of what shows the document before Close empties it.
    void clearSheets();
    void buildMenus();
    void buildToolBar();
    // The usual keys (Ctrl+S without a name, Ctrl+Shift+S, Ctrl+Q),
    // バージョン情報 and the file's name (main_window_desktop.cpp).
    void addDesktopConventions();
    void showDocumentName();
    void loadResourceCaptions();
    void documentChanged(const Document::Update &update);
    // Shows which document commands are available.
    void showEnabledCommands();
    void showReadOnly(bool readOnly);
    // Connects the commands' signals to what shows them.
    void followCommands();

    AccountSession m_session;
    Document &m_doc = m_session.document();
    QUndoStack *m_undo = &m_session.undoStack();
    SelectionLists &m_names = m_session.names();
    Dialogs &m_dialogs;
    QString m_helpFileName;
    bool m_unloaded = false;
    // Declared after the document they work on: they go first.
    std::unique_ptr<DocumentCommands> m_commands;
    std::unique_ptr<PrintCommands> m_print;
};
