#include "ui/window/main_window.h"

#include "model/periods.h"
#include "model/values.h"
#include "model/version.h"
#include "storage/placement.h"
#include "storage/recent_files.h"
#include "ui/widgets/datepicker.h"
#include "ui/widgets/dialogs.h"
#include "ui/window/document_commands.h"
#include "ui/widgets/error_message.h"
#include "ui/widgets/flexgrid.h"
#include "ui/window/help_window.h"
#include "ui/sheets/income_sheet.h"
#include "ui/widgets/panel_util.h"
#include "ui/window/print_commands.h"
#include "ui/sheets/print_settings_sheet.h"
#include "ui/widgets/readable_colors.h"
#include "ui/widgets/sheet_scroll_area.h"
#include "ui/widgets/sheet_widgets.h"
#include "ui/sheets/summary_sheet.h"
#include "ui/sheets/expense_sheet.h"
#include "ui/widgets/twips.h"
#include "ui/window/undo_commands.h"

#include <QLayout>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPrinter>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>

namespace {

// Resource strings for the captions of the menu (designed as numbers).
const QHash<int, QString> &stringTable()
{
    static const QHash<int, QString> table = {
        {1000, QStringLiteral("ﾌｧｲﾙ(&F)")},
        {1001, QStringLiteral("開く(&O)...")},
        {1002, QStringLiteral("閉じる(&C)")},
        {1003, QStringLiteral("上書き保存(&S)")},
        {1004, QStringLiteral("名前を付けて保存(&A)...")},
        {1005, QStringLiteral("ﾍﾟｰｼﾞ設定(&U)...")},
        {1006, QStringLiteral("終了(&X)")},
        {1007, QStringLiteral("ﾍﾙﾌﾟ(&H)")},
    };
    return table;
}

const QString kNoHelp = QStringLiteral(
    "ﾍﾙﾌﾟの目次を表示できません。 このﾌﾟﾛｼﾞｪｸﾄに関連付けられたﾍﾙﾌﾟが存在しません。");

} // namespace

MainWindow::MainWindow(Dialogs &dialogs, const QString &settingsFilePath, QWidget *parent)
    : QMainWindow(parent), m_dialogs(dialogs)
{
    setWindowTitle(versionCaption());
    QIcon appIcon(QStringLiteral(":/icons/harumoka.png"));
    appIcon.addFile(QStringLiteral(":/icons/harumoka-48.png"));
    setWindowIcon(appIcon);
    m_helpFileName = QStringLiteral(":/help/help.html");

    m_commands = std::make_unique<DocumentCommands>(m_session, m_dialogs, this, settingsFilePath);
    m_print = std::make_unique<PrintCommands>(m_session, m_dialogs, this);
    buildMenus();
    buildToolBar();
    addDesktopConventions();

    SSTabSheets = new QTabWidget(this);
    SSTabSheets->setDocumentMode(false);
    // Nine captions must fit the design width without scroll buttons.
    SSTabSheets->setIconSize(QSize(14, 14));
    SSTabSheets->tabBar()->setUsesScrollButtons(false);
    // On the tab bar alone: a style sheet on the tab widget would put every
    // widget of every sheet under Qt's style-sheet style, which re-styles a
    // whole sheet each time it is reparented and wraps each drawing call.
    SSTabSheets->tabBar()->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 4px 6px 4px 4px; }"));
    printSheet = new PrintSettingsSheet(m_doc, SSTabSheets);
    incomeSheet = new IncomeSheet(m_doc, m_names, m_dialogs, SSTabSheets);
    expenseSheet = new ExpenseSheet(m_doc, m_names, m_dialogs, SSTabSheets);
    const QIcon sheetIcon = style()->standardIcon(QStyle::SP_FileIcon);
    SSTabSheets->addTab(printSheet, style()->standardIcon(QStyle::SP_FileDialogDetailedView),
                        QStringLiteral(" 印刷設定"));
    SSTabSheets->addTab(incomeSheet, style()->standardIcon(QStyle::SP_ArrowDown), QStringLiteral(" 収入元帳"));
    SSTabSheets->addTab(expenseSheet, style()->standardIcon(QStyle::SP_ArrowUp), QStringLiteral(" 支出元帳"));
    for (int p = 0; p < PeriodCount; ++p) {
        summarySheets[p] = new SummarySheet(
            [this, p]() -> std::optional<PeriodSummary> {
                try {
                    return m_session.summaries()[p];
                } catch (const HarumokaError &) {
                    return std::nullopt; // refreshSummaries reports it
                }
            },
            SSTabSheets);
        SSTabSheets->addTab(summarySheets[p], sheetIcon, QString::fromUtf8(periodInfo(p).sheetCaption));
    }
    for (EntrySheet *sheet : {static_cast<EntrySheet *>(incomeSheet), static_cast<EntrySheet *>(expenseSheet)}) {
        connect(sheet, &EntrySheet::entryFinished, this, [this] { closeUndoStep(*m_undo); });
        sheet->setDropAddedRow([this](qint32 key) { dropAddedRow(*m_undo, key); });
    }
    // Screen readers read the tab names without the space before the caption.
    for (int i = 0; i < SSTabSheets->count(); ++i)
        SSTabSheets->tabBar()->setAccessibleTabName(i, SSTabSheets->tabText(i).trimmed());
    // Screen readers: the summary tables by their sheets (the print settings
    // sheet names its own boxes and frames).
    for (int p = 0; p < PeriodCount; ++p)
        summarySheets[p]->grid()->setAccessibleName(QString::fromUtf8(periodInfo(p).sheetCaption).trimmed());
    for (EntryPanel *panel : {static_cast<EntryPanel *>(incomeSheet), static_cast<EntryPanel *>(expenseSheet)})
        panel->setGuard([this](const std::function<void()> &f) { return guarded(f); });
    sheet::nameParts({{SSTabSheets, "SSTabSheets"}, {printSheet, "printSheet"}, {incomeSheet, "incomeSheet"},
                      {expenseSheet, "expenseSheet"}, {mnuHelpAbout, "mnuHelpAbout"}});
    for (int p = 0; p < PeriodCount; ++p)
        summarySheets[p]->setObjectName(sheet::indexedName("summarySheets", p));
    reportRefusedCharacters(this, m_dialogs);
    auto *central = new QWidget(this);
    SSTabSheets->setParent(central);
    // The design's fixed geometry: the sheets do not re-layout.
    SSTabSheets->setGeometry(0, twipsToPixels(60, this), twipsToPixels(13455, this) + 6,
                             twipsToPixels(8055, this) + 6);
    central->setFixedSize(SSTabSheets->width(), SSTabSheets->y() + SSTabSheets->height());
    // The fixed design sits in a scroll area that fits the screen at any scale.
    auto *sheetArea = new SheetScrollArea(central, this);
    setCentralWidget(sheetArea);

    QFont remainderFont = font();
    remainderFont.setBold(true);
    remainderFont.setPointSizeF(remainderFont.pointSizeF() * 1.3);
    incomeSheet->setRemainderFont(remainderFont);
    expenseSheet->setRemainderFont(remainderFont);

    connect(&m_doc, &Document::changed, this, [this](const Document::Update &update) {
        guarded([this, &update] { documentChanged(update); });
    });
    followCommands();
    connect(expenseSheet, &ExpenseSheet::detailRequested, this, [this](const EntryPtr &entry) {
        setEnabled(false);
        emit detailWindowRequested(entry);
    });
    connect(SSTabSheets, &QTabWidget::currentChanged, this, [this] { guarded([this] { sheetChosen(); }); });

    loadSheets();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    sheetArea->fitToScreen();

    WindowPlacement placement;
    if (readWindowPlacement(placement)) {
        const QPoint pos(twipsToPixels(placement.left, this), twipsToPixels(placement.top, this));
        for (QScreen *screen : QGuiApplication::screens()) {
            if (screen->availableGeometry().contains(pos + QPoint(40, 40))) {
                move(pos);
                break;
            }
        }
    }
}

MainWindow::~MainWindow()
{
    // The sheets hold the document by reference, and the undo stack (a
    // child, deleted later) signals as it empties: nothing may reach this
    // window while it is being taken apart.
    m_doc.disconnect(this);
    m_undo->disconnect(this);
}

QAction *MainWindow::addCommand(QMenu *menu, const QString &caption, const char *name,
                               const std::function<void()> &run, const QKeySequence &key)
{
    QAction *item = menu->addAction(caption);
    item->setObjectName(QLatin1String(name)); // tests reach the items by these names
    item->setShortcut(key);
    connect(item, &QAction::triggered, this, [this, run] { guarded(run); });
    return item;
}

void MainWindow::buildMenus()
{
    // Captions are designed as string-table numbers and replaced at load.
    QMenu *file = menuBar()->addMenu(QStringLiteral("1000"));
    mnuFile = file->menuAction();
    mnuFileOpen = addCommand(file, QStringLiteral("1001"), "mnuFileOpen", [this] { m_commands->open(); },
                             QKeySequence::Open);
    addCommand(file, QStringLiteral("1002"), "mnuFileClose", [this] { m_commands->close(); });
    file->addSeparator();
    mnuFileSave = addCommand(file, QStringLiteral("1003"), "mnuFileSave", [this] { m_commands->save(); },
                             QKeySequence::Save);
    mnuFileSaveAs = addCommand(file, QStringLiteral("1004"), "mnuFileSaveAs", [this] { m_commands->saveAs(); });
    addCommand(file, QStringLiteral("次年度の会計を作成(&N)..."), "mnuFileNextYear", [this] { m_commands->nextYear(); });
    file->addSeparator();
    addCommand(file, QStringLiteral("1005"), "mnuFilePageSetup", [this] { m_print->pageSetup(); });
    addCommand(file, QStringLiteral("印刷プレビュー(&V)..."), "mnuFilePrintPreview", [this] { printPreview(); });
    addCommand(file, QStringLiteral("印刷"), "mnuFilePrint", [this] { print(); }, QKeySequence(Qt::CTRL | Qt::Key_P));
    addCommand(file, QStringLiteral("CSVに出力(&E)..."), "mnuFileCsv", [this] { exportCsv(); });
    file->addSeparator();
    mnuFileRecent = file->addMenu(QStringLiteral("最近使ったファイル(&R)"));
    connect(mnuFileRecent, &QMenu::aboutToShow, this, [this] { fillRecentMenu(); });
    fillRecentMenu();
    file->addSeparator();
    mnuFileExit = addCommand(file, QStringLiteral("1006"), "mnuFileExit", [this] { quit(); });
    QMenu *edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
    // An open cell editor closes first, as Escape closes it. What was typed
    // there and not recorded is what Undo takes back first; with nothing
    // typed the account's last step is undone at once.
    mnuEditUndo = addCommand(edit, QStringLiteral("元に戻す(&U)"), "mnuEditUndo", [this] {
        if (!closeCellEditors())
            m_undo->undo();
    }, QKeySequence::Undo);
    mnuEditUndo->setIcon(QIcon(QStringLiteral(":/icons/undo.png")));
    mnuEditRedo = addCommand(edit, QStringLiteral("やり直し(&R)"), "mnuEditRedo", [this] {
        closeCellEditors();
        m_undo->redo();
    });
    mnuEditRedo->setIcon(QIcon(QStringLiteral(":/icons/redo.png")));
    mnuEditRedo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    edit->addSeparator();
    addCommand(edit, QStringLiteral("集金と名簿(&M)..."), "mnuEditCollection", [this] { emit collectionWindowRequested(); },
               QKeySequence(Qt::CTRL | Qt::Key_M));
    // The items name what they undo and redo.
    auto updateEditItems = [this] {
        mnuEditUndo->setEnabled(m_undo->canUndo());
        mnuEditUndo->setText(m_undo->canUndo() ? QStringLiteral("元に戻す(&U): ") + m_undo->undoText()
                                               : QStringLiteral("元に戻す(&U)"));
        mnuEditRedo->setEnabled(m_undo->canRedo());
        mnuEditRedo->setText(m_undo->canRedo() ? QStringLiteral("やり直し(&R): ") + m_undo->redoText()
                                               : QStringLiteral("やり直し(&R)"));
    };
    connect(m_undo, &QUndoStack::indexChanged, this, updateEditItems);
    connect(m_undo, &QUndoStack::cleanChanged, this, [this](bool clean) { m_doc.setModified(!clean); });
    updateEditItems();
    connect(&m_doc, &Document::editDone, this, [this](const Document::Edit &edit) {
        m_undo->push(makeUndoCommand(m_doc, edit).release());
    });

    QMenu *help = menuBar()->addMenu(QStringLiteral("1007"));
    mnuHelp = help->menuAction();
    addCommand(help, QStringLiteral("ﾍﾙﾌﾟ"), "mnuHelpHelp", [this] { showHelpWindow(); }, QKeySequence::HelpContents);
    sheet::nameParts({{mnuFile, "mnuFile"}, {mnuFileRecent, "mnuFileRecent"}, {edit->menuAction(), "mnuEdit"},
                      {mnuHelp, "mnuHelp"}});
}

void MainWindow::finishUndoStep()
{
    closeUndoStep(*m_undo);
}

bool MainWindow::closeCellEditors()
{
    bool dropped = false;
    for (EntrySheet *sheet : {static_cast<EntrySheet *>(incomeSheet), static_cast<EntrySheet *>(expenseSheet)}) {
        if (sheet->editorCol() == 0)
            continue;
        dropped = sheet->holdsUnrecordedChange() || dropped;
        sheet->escapeOpenEditor();
    }
    return dropped;
}

void MainWindow::buildToolBar()
{
    // Its title names it for screen readers and in the window's context menu;
    // so is the button that shows the buttons a narrow window cuts off.
    tbToolBar = addToolBar(QStringLiteral("ツールバー"));
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    if (auto *more = tbToolBar->findChild<QToolButton *>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(QStringLiteral("ツールバーの続き"));
    tbToolBar->setMovable(false);
    tbToolBar->setIconSize(QSize(20, 20));
    struct Button {
        const char *key, *tip, *desc, *image;
        QAction **kept; // the buttons whose state follows the document
        std::function<void()> run;
    };
    // The images are the program's own, the same on every desktop theme.
    const Button buttons[] = {
        {"開く", "元帳ﾌｧｲﾙを開く", "元帳ファイルを開く", "open", &toolOpen, [this] { m_commands->open(); }},
        {"名前をつけて保存", "元帳ﾌｧｲﾙを名前をつけて保存", "名前をつけて保存", "saveas", &toolSaveAs,
         [this] { m_commands->saveAs(); }},
        {"上書き保存", "元帳ﾌｧｲﾙを上書き保存", "上書き保存", "save", &toolSave, [this] { m_commands->save(); }},
        {"ページ設定", "ﾌﾟﾘﾝﾀの設定", "プリンタの設定", "setup", nullptr, [this] { m_print->pageSetup(); }},
        {"印刷プレビュー", "印刷プレビュー", "印刷プレビュー", "preview", nullptr, [this] { printPreview(); }},
        {"印刷", "印刷", "印刷", "print", nullptr, [this] { print(); }},
    };
    int i = 0;
    for (const Button &b : buttons) {
        if (i == 3 || i == 4)
            tbToolBar->addSeparator();
        const QString key = QString::fromUtf8(b.key);
        const QIcon icon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(b.image)));
        QAction *a = tbToolBar->addAction(icon, QString::fromUtf8(b.desc));
        a->setObjectName(key);
        a->setToolTip(QString::fromUtf8(b.tip));
        a->setStatusTip(QString::fromUtf8(b.desc));
        if (b.kept)
            *b.kept = a;
        connect(a, &QAction::triggered, this, [this, run = b.run] { guarded(run); });
        ++i;
    }
    tbToolBar->addSeparator();
    for (QAction *a : {mnuEditUndo, mnuEditRedo})
        tbToolBar->addAction(a);
    tbToolBar->addSeparator();
    QAction *collection = tbToolBar->addAction(style()->standardIcon(QStyle::SP_FileDialogListView),
                                               QStringLiteral("集金"));
    collection->setObjectName(QStringLiteral("集金"));
    collection->setToolTip(QStringLiteral("集金と名簿"));
    collection->setStatusTip(QStringLiteral("だれが払ったかを記録する"));
    connect(collection, &QAction::triggered, this, [this] { emit collectionWindowRequested(); });
    // At the toolbar's right end: in view without changing the window's size.
    auto *spacer = new QWidget(tbToolBar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    tbToolBar->addWidget(spacer);
    readOnlyNotice = new QLabel(QStringLiteral("読み取り専用で開いています（上書き保存はできません）"), tbToolBar);
    readOnlyNotice->setStyleSheet(QStringLiteral("QLabel { color: #b00000; font-weight: bold; padding: 0 8px; }"));
    readOnlyNotice->setAccessibleName(readOnlyNotice->text());
    readOnlyNotice->setObjectName(QStringLiteral("readOnlyNotice"));
    tbToolBar->addWidget(readOnlyNotice)->setVisible(false);
}

void MainWindow::loadResourceCaptions()
{
    // Menu items whose caption is a number take it from the string table;
    // any other caption (separators, 印刷, ﾍﾙﾌﾟ) stays.
    const auto &table = stringTable();
    QList<QAction *> actions = {mnuFile, mnuHelp};
    for (QMenu *menu : menuBar()->findChildren<QMenu *>())
        actions += menu->actions();
    for (QAction *a : actions) {
        bool ok = false;
        const int id = a->text().toInt(&ok);
        if (ok && table.contains(id))
            a->setText(table.value(id));
    }
}

void MainWindow::loadSheets()
{
    loadResourceCaptions();
    expenseSheet->setDetailEnabled(false);
    incomeSheet->showHelp(IncomeSheet::helpText());
    expenseSheet->showHelp(ExpenseSheet::helpText());
    printSheet->showTitle(m_doc.title());
    printSheet->printKindChosen(0);
    printSheet->setPrintDate(today());
    m_commands->loadRememberedNames();
    incomeSheet->layoutGrid();
    expenseSheet->layoutGrid();
    for (SummarySheet *s : summarySheets)
        s->layoutGrid();
    incomeSheet->setEditorDate(today());
    expenseSheet->setEditorDate(today());
    expenseSheet->fillReceiptList();
    SSTabSheets->setCurrentIndex(0);
    AccountSession::Commands commands = m_session.commands();
    commands.save = false;
    commands.saveAsMenu = true;
    m_session.setCommands(commands);
    incomeSheet->fillArticleList();
    expenseSheet->fillArticleList();
    incomeSheet->setIdleButtons();
    expenseSheet->setIdleButtons();
    setRemainderLabels();
}

void MainWindow::activated()
{
    // The detail window's edits are in the grid already; the panel rests.
    expenseSheet->idlePanel();
}

void MainWindow::sheetChosen()
{
    const int tab = SSTabSheets->currentIndex();
    if (tab >= 3 && tab <= 8 && m_summariesStale)
        refreshSummaries();
}

void MainWindow::documentChanged(const Document::Update &update)
{
    using C = Document::Change;
    const Document::Changes what = update.what;
    incomeSheet->documentChanged(update);
    expenseSheet->documentChanged(update);
    if (what & C::SupplyEntries)
        expenseSheet->fillReceiptList();
    if (what & C::TitleFields)
        printSheet->showTitle(m_doc.title());
    if (what & (C::IncomeEntries | C::SupplyEntries | C::DetailLines | C::TitleFields))
        m_summariesStale = true;
    setRemainderLabels();
}

bool MainWindow::guarded(const std::function<void()> &f)
{
    return runShowingErrors(m_dialogs, this, f);
}

int MainWindow::textWidth(const QString &text) const
{
    return textWidthTwips(font(), text, this);
}

void MainWindow::refreshSummaries()
{
    m_session.summaries(); // a total that does not fit is reported here
    for (SummarySheet *s : summarySheets)
        s->refresh();
    m_summariesStale = false;
}

void MainWindow::setRemainderLabels()
{
    // Summed in 64 bits: the label shows any total, the 32-bit period sums report an overflow.
    const qint64 remainder = m_doc.remainder();
    // The yen sign: a backslash would show as a backslash in Linux fonts.
    const QString text = QStringLiteral("¥") + formatAmount(remainder);
    for (EntrySheet *s : {static_cast<EntrySheet *>(incomeSheet), static_cast<EntrySheet *>(expenseSheet)})
        s->showRemainder(text, remainder < 0);
}

void MainWindow::clearDocumentView()
{
    // The entry grids start again with the document's EntriesReplaced.
    for (SummarySheet *s : summarySheets)
        s->refresh();
}

void MainWindow::print()
{
    refreshSummaries();
    m_print->print(printSheet->printout(), printSheet->settings(), openFileName());
}

void MainWindow::printPreview()
{
    refreshSummaries();
    m_print->preview(printSheet->printout(), printSheet->settings(), openFileName());
}

void MainWindow::printPrintout(const Printout &printout, bool preview, QWidget *from)
{
    QWidget *const previous = m_print->setDialogParent(from ? from : this);
    const auto restore = qScopeGuard([&] { m_print->setDialogParent(previous); });
    refreshSummaries();
    if (preview)
        m_print->preview(printout, printSheet->settings(), openFileName());
    else
        m_print->print(printout, printSheet->settings(), openFileName());
}

void MainWindow::exportCsv()
{
    m_print->exportCsv(printSheet->printout(), printSheet->settings());
}

void MainWindow::followCommands()
{
    connect(&m_session, &AccountSession::commandsChanged, this, [this] { showEnabledCommands(); });
    connect(m_commands.get(), &DocumentCommands::readOnlyChanged, this, [this](bool on) { showReadOnly(on); });
    connect(m_commands.get(), &DocumentCommands::recentFilesChanged, this, [this] { fillRecentMenu(); });
    connect(m_commands.get(), &DocumentCommands::clearing, this, [this] { clearSheets(); });
    connect(m_commands.get(), &DocumentCommands::cleared, this, [this] { loadSheets(); });
    m_commands->setRefresh([this] { refreshSummaries(); });
    showEnabledCommands();
}

void MainWindow::clearSheets()
{
    clearDocumentView();
    incomeSheet->resetState();
    expenseSheet->resetState();
    incomeSheet->setDefaultStudents(kDefaultStudents);
}

void MainWindow::showEnabledCommands()
{
    const AccountSession::Commands &on = m_session.commands();
    toolOpen->setEnabled(on.open);
    mnuFileOpen->setEnabled(on.open);
    toolSave->setEnabled(on.save);
    mnuFileSave->setEnabled(on.save);
    toolSaveAs->setEnabled(on.saveAsButton);
    mnuFileSaveAs->setEnabled(on.saveAsMenu);
    showDocumentName();
}

void MainWindow::showReadOnly(bool readOnly)
{
    // A widget on a toolbar is shown and hidden through its action.
    for (QAction *a : tbToolBar->actions()) {
        if (tbToolBar->widgetForAction(a) == readOnlyNotice)
            a->setVisible(readOnly);
    }
    showDocumentName();
}

void MainWindow::fillRecentMenu()
{
    mnuFileRecent->clear();
    const QStringList files = recentFiles();
    int n = 1;
    for (const QString &file : files) {
        const QString caption = QStringLiteral("&%1 %2").arg(n++).arg(QDir::toNativeSeparators(file));
        QAction *a = mnuFileRecent->addAction(caption);
        a->setData(file);
        connect(a, &QAction::triggered, this, [this, file] { guarded([this, file] { m_commands->openRecent(file); }); });
    }
    mnuFileRecent->setEnabled(!files.isEmpty());
}

void MainWindow::quit()
{
    close();
}

void MainWindow::showHelpWindow()
{
    if (m_helpFileName.isEmpty()) {
        m_dialogs.message(this, kNoHelp, Dialogs::Buttons::Ok, Dialogs::Icon::Information, versionCaption());
        return;
    }
    QString error;
    if (!HelpWindow::show(this, m_helpFileName, &error))
        m_dialogs.message(this, error, Dialogs::Buttons::Ok);
}

bool MainWindow::unload()
{
    // The window stays open when the save the user asked for did not complete.
    if (!m_commands->unload())
        return false;
    // The other windows (the detail window) close without their questions.
    emit unloading();
    if (!isMinimized()) {
        WindowPlacement p;
        p.left = pixelsToTwips(x(), this);
        p.top = pixelsToTwips(y(), this);
        p.width = pixelsToTwips(width(), this);
        p.height = pixelsToTwips(height(), this);
        writeWindowPlacement(p);
    }
    m_commands->releaseLock();
    m_unloaded = true;
    return true;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_unloaded) {
        event->accept();
        return;
    }
    bool ok = false;
    guarded([&] { ok = unload(); });
    if (ok)
        event->accept();
    else
        event->ignore();
}
