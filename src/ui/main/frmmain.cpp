#include "ui/main/frmmain.h"

#include "model/periods.h"
#include "model/values.h"
#include "model/version.h"
#include "print/csv_export.h"
#include "print/printer_surface.h"
#include "print/printouts.h"
#include "storage/account_file.h"
#include "storage/account_lock.h"
#include "storage/placement.h"
#include "storage/recent_files.h"
#include "storage/settings_file.h"
#include "ui/main/datepicker.h"
#include "ui/main/dialogs.h"
#include "ui/main/file_requests.h"
#include "ui/main/flexgrid.h"
#include "ui/main/help_window.h"
#include "ui/main/income_sheet.h"
#include "ui/main/panel_util.h"
#include "ui/main/print_settings_sheet.h"
#include "ui/main/readable_colors.h"
#include "ui/main/sheet_scroll_area.h"
#include "ui/main/sheet_widgets.h"
#include "ui/main/summary_sheet.h"
#include "ui/main/supply_sheet.h"
#include "ui/main/twips.h"
#include "ui/main/undo_commands.h"

#include <QLayout>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
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

const QString kSaveQuestion = QStringLiteral("ﾌｧｲﾙが保存していません。保存しますか？");
const QString kNoHelp = QStringLiteral(
    "ﾍﾙﾌﾟの目次を表示できません。 このﾌﾟﾛｼﾞｪｸﾄに関連付けられたﾍﾙﾌﾟが存在しません。");


} // namespace

frmMain::frmMain(Dialogs &dialogs, const QString &settingsFilePath, QWidget *parent)
    : QMainWindow(parent), m_dialogs(dialogs)
{
    this->settingsFilePath = settingsFilePath;
    setWindowTitle(versionCaption());
    QIcon appIcon(QStringLiteral(":/icons/harumoka.png"));
    appIcon.addFile(QStringLiteral(":/icons/harumoka-48.png"));
    setWindowIcon(appIcon);
    helpFileName = QStringLiteral(":/help/help.html");

    m_undo = new QUndoStack(this);
    // Each step keeps the entry list before it: bounded, so that a large account stays small.
    m_undo->setUndoLimit(200);
    buildMenus();
    buildToolBar();
    addDesktopConventions();

    SSTabSheets = new QTabWidget(this);
    SSTabSheets->setDocumentMode(false);
    // Nine captions must fit the design width without scroll buttons.
    SSTabSheets->setIconSize(QSize(14, 14));
    SSTabSheets->tabBar()->setUsesScrollButtons(false);
    SSTabSheets->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 4px 6px 4px 4px; }"));
    printSheet = new PrintSettingsSheet(m_doc, SSTabSheets);
    incomeSheet = new IncomeSheet(m_doc, m_names, m_dialogs, SSTabSheets);
    supplySheet = new SupplySheet(m_doc, m_names, m_dialogs, SSTabSheets);
    const QIcon sheetIcon = style()->standardIcon(QStyle::SP_FileIcon);
    SSTabSheets->addTab(printSheet, style()->standardIcon(QStyle::SP_FileDialogDetailedView),
                        QStringLiteral(" 印刷設定"));
    SSTabSheets->addTab(incomeSheet, style()->standardIcon(QStyle::SP_ArrowDown), QStringLiteral(" 収入元帳"));
    SSTabSheets->addTab(supplySheet, style()->standardIcon(QStyle::SP_ArrowUp), QStringLiteral(" 支出元帳"));
    for (int p = 0; p < PeriodCount; ++p) {
        summarySheets[p] = new SummarySheet(SSTabSheets);
        SSTabSheets->addTab(summarySheets[p], sheetIcon, QString::fromUtf8(periodInfo(p).sheetCaption));
    }
    for (EntrySheet *sheet : {static_cast<EntrySheet *>(incomeSheet), static_cast<EntrySheet *>(supplySheet)})
        connect(sheet, &EntrySheet::entryFinished, this, [this] { closeUndoStep(); });
    // Screen readers: the summary tables by their sheets (the print settings
    // sheet names its own boxes and frames).
    for (int p = 0; p < PeriodCount; ++p)
        summarySheets[p]->grid()->setAccessibleName(QString::fromUtf8(periodInfo(p).sheetCaption).trimmed());
    for (EntryPanel *panel : {static_cast<EntryPanel *>(incomeSheet), static_cast<EntryPanel *>(supplySheet)}) {
        panel->setGuard([this](const std::function<void()> &f) { return guarded(f); });
        panel->setLineHeight([this] { return rowHeightUnit; });
    }
    sheet::nameParts({{SSTabSheets, "SSTabSheets"}, {printSheet, "printSheet"}, {incomeSheet, "incomeSheet"},
                      {supplySheet, "supplySheet"}, {mnuHelpAbout, "mnuHelpAbout"}});
    for (int p = 0; p < PeriodCount; ++p)
        summarySheets[p]->setObjectName(sheet::indexedName("summarySheets", p));
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
    supplySheet->setRemainderFont(remainderFont);

    connect(&m_doc, &Document::changed, this, [this](const Document::Update &update) {
        guarded([this, &update] { documentChanged(update); });
    });
    // A few seconds after a change, unsaved work goes into the recovery copy;
    // once nothing is unsaved (saved, closed, undone) the copy goes.
    m_recoveryTimer = new QTimer(this);
    m_recoveryTimer->setSingleShot(true);
    connect(m_recoveryTimer, &QTimer::timeout, this, [this] { writeRecoveryCopy(); });
    connect(&m_doc, &Document::changed, this, [this] {
        if (m_doc.isModified())
            m_recoveryTimer->start(recoveryDelay);
    });
    connect(&m_doc, &Document::modifiedChanged, this, [this](bool modified) {
        if (modified) {
            m_recoveryTimer->start(recoveryDelay);
        } else {
            m_recoveryTimer->stop();
            m_recovery.remove();
        }
    });
    connect(supplySheet, &SupplySheet::detailRequested, this, [this](const EntryPtr &entry) {
        setEnabled(false);
        emit detailWindowRequested(entry);
    });
    connect(SSTabSheets, &QTabWidget::currentChanged, this, [this] { guarded([this] { SSTabSheets_Click(); }); });

    Form_Load();
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

frmMain::~frmMain()
{
    // The sheets hold the document by reference, and the undo stack (a
    // child, deleted later) signals as it empties: nothing may reach this
    // window while it is being taken apart.
    m_doc.disconnect(this);
    m_undo->disconnect(this);
}

void frmMain::buildMenus()
{
    // Captions are designed as string-table numbers and replaced at load.
    QMenu *file = menuBar()->addMenu(QStringLiteral("1000"));
    mnuFile = file->menuAction();
    mnuFileOpen = file->addAction(QStringLiteral("1001"));
    mnuFileOpen->setShortcut(QKeySequence::Open);
    mnuFileClose = file->addAction(QStringLiteral("1002"));
    file->addSeparator();
    mnuFileSave = file->addAction(QStringLiteral("1003"));
    mnuFileSave->setShortcut(QKeySequence::Save);
    mnuFileSaveAs = file->addAction(QStringLiteral("1004"));
    mnuFileNextYear = file->addAction(QStringLiteral("次年度の会計を作成(&N)..."));
    file->addSeparator();
    mnuFilePageSetup = file->addAction(QStringLiteral("1005"));
    mnuFilePrintPreview = file->addAction(QStringLiteral("印刷プレビュー(&V)..."));
    mnuFilePrint = file->addAction(QStringLiteral("印刷"));
    mnuFilePrint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    mnuFileCsv = file->addAction(QStringLiteral("CSVに出力(&E)..."));
    file->addSeparator();
    mnuFileRecent = file->addMenu(QStringLiteral("最近使ったファイル(&R)"));
    connect(mnuFileRecent, &QMenu::aboutToShow, this, [this] { fillRecentMenu(); });
    fillRecentMenu();
    file->addSeparator();
    mnuFileExit = file->addAction(QStringLiteral("1006"));
    QMenu *edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
    mnuEdit = edit->menuAction();
    mnuEditUndo = edit->addAction(QIcon(QStringLiteral(":/icons/undo.png")), QStringLiteral("元に戻す(&U)"));
    mnuEditUndo->setShortcut(QKeySequence::Undo);
    mnuEditRedo = edit->addAction(QIcon(QStringLiteral(":/icons/redo.png")), QStringLiteral("やり直し(&R)"));
    mnuEditRedo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
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
    connect(mnuEditUndo, &QAction::triggered, this, [this] {
        // An edit in progress in a cell goes first, as Escape drops it; nothing else changes.
        guarded([this] {
            if (!incomeSheet->escapeOpenEditor() && !supplySheet->escapeOpenEditor())
                m_undo->undo();
        });
    });
    connect(mnuEditRedo, &QAction::triggered, this, [this] { guarded([this] { m_undo->redo(); }); });
    connect(&m_doc, &Document::editDone, this, [this](const Document::Edit &edit) {
        m_undo->push(makeUndoCommand(m_doc, edit).release());
    });

    QMenu *help = menuBar()->addMenu(QStringLiteral("1007"));
    mnuHelp = help->menuAction();
    mnuHelpHelp = help->addAction(QStringLiteral("ﾍﾙﾌﾟ"));
    mnuHelpHelp->setShortcut(QKeySequence::HelpContents);
    sheet::nameParts({{mnuFile, "mnuFile"}, {mnuFileOpen, "mnuFileOpen"}, {mnuFileClose, "mnuFileClose"},
                      {mnuFileSave, "mnuFileSave"}, {mnuFileSaveAs, "mnuFileSaveAs"},
                      {mnuFilePageSetup, "mnuFilePageSetup"}, {mnuFilePrint, "mnuFilePrint"},
                      {mnuFilePrintPreview, "mnuFilePrintPreview"}, {mnuFileCsv, "mnuFileCsv"},
                      {mnuFileNextYear, "mnuFileNextYear"}, {mnuFileRecent, "mnuFileRecent"},
                      {mnuFileExit, "mnuFileExit"}, {mnuEdit, "mnuEdit"}, {mnuEditUndo, "mnuEditUndo"},
                      {mnuEditRedo, "mnuEditRedo"}, {mnuHelp, "mnuHelp"}, {mnuHelpHelp, "mnuHelpHelp"}});

    connect(mnuFileOpen, &QAction::triggered, this, [this] { guarded([this] { mnuFileOpen_Click(); }); });
    connect(mnuFileClose, &QAction::triggered, this, [this] { guarded([this] { mnuFileClose_Click(); }); });
    connect(mnuFileSave, &QAction::triggered, this, [this] { mnuFileSave_Click(); });
    connect(mnuFileSaveAs, &QAction::triggered, this, [this] { mnuFileSaveAs_Click(); });
    connect(mnuFilePageSetup, &QAction::triggered, this, [this] { mnuFilePageSetup_Click(); });
    connect(mnuFilePrintPreview, &QAction::triggered, this, [this] { guarded([this] { mnuFilePrintPreview_Click(); }); });
    connect(mnuFilePrint, &QAction::triggered, this, [this] { guarded([this] { mnuFilePrint_Click(); }); });
    connect(mnuFileCsv, &QAction::triggered, this, [this] { guarded([this] { mnuFileCsv_Click(); }); });
    connect(mnuFileExit, &QAction::triggered, this, [this] { mnuFileExit_Click(); });
    connect(mnuFileNextYear, &QAction::triggered, this, [this] { guarded([this] { mnuFileNextYear_Click(); }); });
    connect(mnuHelpHelp, &QAction::triggered, this, [this] { guarded([this] { mnuHelpHelp_Click(); }); });
}

void frmMain::buildToolBar()
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
    };
    // The images are the program's own, the same on every desktop theme.
    const Button buttons[] = {
        {"開く", "元帳ﾌｧｲﾙを開く", "元帳ファイルを開く", "open"},
        {"名前をつけて保存", "元帳ﾌｧｲﾙを名前をつけて保存", "名前をつけて保存", "saveas"},
        {"上書き保存", "元帳ﾌｧｲﾙを上書き保存", "上書き保存", "save"},
        {"ページ設定", "ﾌﾟﾘﾝﾀの設定", "プリンタの設定", "setup"},
        {"印刷プレビュー", "印刷プレビュー", "印刷プレビュー", "preview"},
        {"印刷", "印刷", "印刷", "print"},
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
        toolButtons.insert(key, a);
        connect(a, &QAction::triggered, this, [this, key] { tbToolBar_ButtonClick(key); });
        ++i;
    }
    tbToolBar->addSeparator();
    for (QAction *a : {mnuEditUndo, mnuEditRedo})
        tbToolBar->addAction(a);
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

void frmMain::loadResourceCaptions()
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

void frmMain::Form_Load()
{
    loadResourceCaptions();
    supplySheet->setDetailEnabled(false);
    incomeSheet->showHelp(IncomeSheet::helpText());
    supplySheet->showHelp(SupplySheet::helpText());
    printSheet->showTitle(m_doc.title());
    printSheet->optPrint_Click(0);
    printSheet->setPrintDate(today());
    loadSelectionLists();
    incomeSheet->layoutGrid();
    rowHeightUnit = incomeSheet->grid()->RowHeight(0);
    supplySheet->layoutGrid();
    for (SummarySheet *s : summarySheets)
        s->layoutGrid();
    incomeSheet->setEditorDate(today());
    supplySheet->setEditorDate(today());
    fillFreeReceiptNumbers();
    SSTabSheets->setCurrentIndex(0);
    toolButtons.value(QStringLiteral("上書き保存"))->setEnabled(false);
    mnuFileSave->setEnabled(false);
    mnuFileSaveAs->setEnabled(true);
    incomeSheet->fillIncomeArticleList();
    supplySheet->fillSupplyArticleList();
    incomeSheet->setIdleButtons();
    supplySheet->setIdleButtons();
    setRemainderLabels();
}

void frmMain::Form_Activate()
{
    // The detail window's edits are in the grid already; the panel rests.
    supplySheet->idlePanel();
}

void frmMain::SSTabSheets_Click()
{
    const int tab = SSTabSheets->currentIndex();
    if (tab >= 3 && tab <= 8 && summariesStale)
        refreshSummaries();
}

void frmMain::loadSelectionLists()
{
    QString problem;
    try {
        problem = readSelectionFile(this->settingsFilePath.isEmpty() ? defaultSettingsFilePath() : this->settingsFilePath,
                                    m_names.income, m_names.supply);
    } catch (const HarumokaError &e) {
        problem = e.message();
    }
    // The remembered names are a convenience: a file that cannot be read is
    // said once, after the window is up, and the program goes on without it.
    if (!problem.isEmpty() && !m_namesProblemShown) {
        m_namesProblemShown = true;
        QMetaObject::invokeMethod(
            this, [this, problem] { m_dialogs.message(this, problem, Dialogs::Buttons::Ok, Dialogs::Icon::Warning); },
            Qt::QueuedConnection);
    }
}

void frmMain::documentChanged(const Document::Update &update)
{
    using C = Document::Change;
    const Document::Changes what = update.what;
    if (what & C::EntryRemoved)
        clearSummaryTotals();
    incomeSheet->documentChanged(update);
    supplySheet->documentChanged(update);
    if (what & C::SupplyEntries)
        fillFreeReceiptNumbers();
    if (what & C::TitleFields)
        printSheet->showTitle(m_doc.title());
    if (what & (C::IncomeEntries | C::SupplyEntries | C::DetailLines | C::TitleFields))
        summariesStale = true;
    setRemainderLabels();
}

bool frmMain::guarded(const std::function<void()> &f)
{
    try {
        f();
        return true;
    } catch (const HarumokaError &e) {
        m_dialogs.message(this, e.message(), Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    } catch (const std::exception &e) {
        m_dialogs.message(this, QStringLiteral("処理を続けられませんでした。\r") + QString::fromLocal8Bit(e.what()),
                          Dialogs::Buttons::Ok, Dialogs::Icon::Critical);
    }
    return false;
}

int frmMain::textWidth(const QString &text) const
{
    return textWidthTwips(font(), text, this);
}

void frmMain::refreshSummaries()
{
    m_summaries = computeSummaries(m_doc.entries(), m_doc.title().carryOverOverride());
    for (int p = 0; p < PeriodCount; ++p)
        summarySheets[p]->fillSummaryGrid(m_summaries[p], rowHeightUnit);
    summariesStale = false;
}

void frmMain::clearSummaryTotals()
{
    for (SummarySheet *s : summarySheets)
        s->clearLastRow();
}

void frmMain::setRemainderLabels()
{
    // Summed in 64 bits: the label shows any total, the 32-bit period sums report an overflow.
    const qint64 remainder = m_doc.remainder();
    // The yen sign: a backslash would show as a backslash in Linux fonts.
    const QString text = QStringLiteral("¥") + formatAmount(remainder);
    for (EntrySheet *s : {static_cast<EntrySheet *>(incomeSheet), static_cast<EntrySheet *>(supplySheet)})
        s->showRemainder(text, remainder < 0);
}

void frmMain::closeUndoStep()
{
    // The stack hands its commands out as const; closing one changes nothing
    // the stack itself keeps.
    if (m_undo->index() > 0)
        if (auto *step = dynamic_cast<const DocumentCommand *>(m_undo->command(m_undo->index() - 1)))
            const_cast<DocumentCommand *>(step)->close();
}

void frmMain::fillFreeReceiptNumbers()
{
    supplySheet->fillReceiptList();
}

void frmMain::setDocumentCommands(bool open, bool save, bool saveAsButton, bool saveAsMenu)
{
    toolButtons.value(QStringLiteral("開く"))->setEnabled(open);
    mnuFileOpen->setEnabled(open);
    toolButtons.value(QStringLiteral("上書き保存"))->setEnabled(save);
    mnuFileSave->setEnabled(save);
    toolButtons.value(QStringLiteral("名前をつけて保存"))->setEnabled(saveAsButton);
    mnuFileSaveAs->setEnabled(saveAsMenu);
}

void frmMain::clearDocumentView()
{
    // The entry grids start again with the document's EntriesReplaced.
    for (SummarySheet *s : summarySheets)
        s->clearView();
}

void frmMain::saveArticleFile(const QString &fileName)
{
    const SaveResult result = writeAccountFile(fileName, m_doc.title(), m_doc.entries());
    m_doc.markSaved();
    // Nothing joins the saved step: the unsaved mark follows what is on disk.
    closeUndoStep();
    m_undo->setClean();
    m_stamp = FileStamp::of(fileName);
    if (m_lock)
        m_lock->fileReplaced();
    // The file is saved; only its backup is behind.
    if (!result.backupWarning.isEmpty())
        m_dialogs.message(this, result.backupWarning, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
}

void frmMain::loadArticleFile(const QString &fileName)
{
    // The document tells the window (changed) to show what was read, also
    // what could be read of a damaged file.
    readAccountFile(fileName, m_doc);
    refreshSummaries();
}

frmMain::LockResult frmMain::lockFile(const QString &fileName, bool saving)
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
            m_dialogs.message(this, lock->explain(verdict), Dialogs::Buttons::Ok, Dialogs::Icon::Information);
        lock.reset();
        result = saving ? LockResult::Locked : LockResult::ReadOnly;
        break;
    case AccountLock::Verdict::HeldHere:
        if (saving) {
            m_dialogs.message(this, lock->explain(verdict) + QStringLiteral("\rほかの名前で保存してください。"),
                              Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
            return LockResult::Refused;
        }
        if (m_dialogs.message(this, lock->explain(verdict) + QStringLiteral("\r読み取り専用で開きますか？"),
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
            this, lock->explain(verdict) + choices,
            saving ? Dialogs::Buttons::YesNo : Dialogs::Buttons::YesNoCancel, Dialogs::Icon::Warning);
        if (answer == Dialogs::Answer::Yes && lock->takeOver()) {
            result = LockResult::Locked;
        } else if (answer == Dialogs::Answer::Yes && saving) {
            m_dialogs.message(this, lock->takeOverFailure() + QStringLiteral("\r保存しませんでした。"),
                              Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
            return LockResult::Refused;
        } else if (answer == Dialogs::Answer::Yes) {
            // The lock stays where it is: said, with read-only as the way on.
            if (m_dialogs.message(this, lock->takeOverFailure() + QStringLiteral("\r読み取り専用で開きますか？"),
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

void frmMain::releaseLock()
{
    if (m_lock)
        m_lock->unlock();
    m_lock.reset();
}

void frmMain::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    // A widget on a toolbar is shown and hidden through its action.
    for (QAction *a : tbToolBar->actions()) {
        if (tbToolBar->widgetForAction(a) == readOnlyNotice)
            a->setVisible(readOnly);
    }
    showDocumentName();
}

bool frmMain::openFile(const QString &fileName)
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
        m_dialogs.message(this, message, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return false;
    };
    try {
        readAccountFile(fileName, m_doc);
        m_undo->clear();
    } catch (const HarumokaError &e) {
        m_undo->clear();
        if (!m_doc.isDamaged())
            return giveUp(e.message());
        try {
            refreshSummaries();
        } catch (const HarumokaError &) {
            // What was read is shown; its sums are reported when a summary is asked for.
        }
        m_stamp = FileStamp::of(fileName);
        setReadOnly(lock == LockResult::ReadOnly);
        setDocumentCommands(false, false, true, true);
        m_dialogs.message(this,
                          e.message() + QStringLiteral("\r読み込めた部分だけを表示しています。"
                                                       "元のファイルを守るため、上書き保存はできません。"
                                                       "「名前を付けて保存」で別の名前を付けて保存してください。"),
                          Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return true;
    }
    try {
        refreshSummaries();
    } catch (const OverflowError &) {
        return giveUp(QStringLiteral("ファイル「%1」は開けませんでした。\r期ごとの合計金額が扱える範囲"
                                     "（2,147,483,647円まで）を超えるため、集計できません。何も開いていません。")
                          .arg(QDir::toNativeSeparators(fileName)));
    }
    m_stamp = FileStamp::of(fileName);
    setReadOnly(lock == LockResult::ReadOnly);
    // A read-only account is saved under another name only.
    setDocumentCommands(false, lock != LockResult::ReadOnly, true, true);
    addRecentFile(fileName);
    fillRecentMenu();
    return true;
}

void frmMain::fillRecentMenu()
{
    mnuFileRecent->clear();
    const QStringList files = recentFiles();
    int n = 1;
    for (const QString &file : files) {
        const QString caption = QStringLiteral("&%1 %2").arg(n++).arg(QDir::toNativeSeparators(file));
        QAction *a = mnuFileRecent->addAction(caption);
        a->setData(file);
        connect(a, &QAction::triggered, this, [this, file] { guarded([this, file] { openRecentFile(file); }); });
    }
    mnuFileRecent->setEnabled(!files.isEmpty());
}

void frmMain::openRecentFile(const QString &fileName)
{
    // The same path as Open: close (with its question), then read the file.
    if (!QFileInfo::exists(fileName)) {
        removeRecentFile(fileName);
        fillRecentMenu();
        m_dialogs.message(this, QStringLiteral("「%1」が見つかりません。最近使ったファイルの一覧から外しました。")
                                    .arg(QDir::toNativeSeparators(fileName)),
                          Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return;
    }
    if (!mnuFileClose_Click())
        return;
    openFile(fileName);
}

void frmMain::mnuFileOpen_Click()
{
    if (!mnuFileClose_Click())
        return;
    const QString name = m_dialogs.openFileName(this, openAccountRequest(m_doc.fileName()));
    if (!name.isEmpty())
        openFile(name);
}

bool frmMain::askToSaveChanges()
{
    if (!m_doc.isModified())
        return true;
    // キャンセル, Escape and the close button leave everything as it was.
    const auto answer = m_dialogs.message(this, kSaveQuestion, Dialogs::Buttons::YesNoCancel);
    if (answer == Dialogs::Answer::Cancel)
        return false;
    if (answer == Dialogs::Answer::Yes) {
        bool saved = true;
        if (mnuFileSave->isEnabled())
            saved = mnuFileSave_Click();
        else if (mnuFileSaveAs->isEnabled())
            saved = mnuFileSaveAs_Click();
        // A save that did not complete keeps the changes marked.
        if (!saved)
            return false;
    }
    m_doc.setModified(false);
    return true;
}

void frmMain::saveRememberedNames()
{
    try {
        writeSelectionFile(this->settingsFilePath.isEmpty() ? defaultSettingsFilePath() : this->settingsFilePath,
                           m_names.income, m_names.supply);
    } catch (const HarumokaError &e) {
        m_dialogs.message(this, e.message(), Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    }
}

bool frmMain::mnuFileClose_Click()
{
    if (!askToSaveChanges())
        return false;
    // The names typed since start-up are written before the lists are reset.
    saveRememberedNames();
    closeDocument();
    return true;
}

void frmMain::closeDocument()
{
    clearDocumentView();
    incomeSheet->resetState();
    supplySheet->resetState();
    incomeSheet->setDefaultStudents(kDefaultStudents);
    for (SummarySheet *s : summarySheets)
        s->resetState();
    setDocumentCommands(true, false, false, true);
    m_names.reset();
    m_doc.reset();
    m_undo->clear();
    releaseLock();
    setReadOnly(false);
    Form_Load();
}

bool frmMain::mnuFileSave_Click()
{
    // A document without a name (a restored copy whose file is not the one it came from) is named first.
    if (m_doc.isDamaged() || m_readOnly || m_doc.fileName().isEmpty())
        return mnuFileSaveAs_Click();
    const QString name = m_doc.fileName();
    // Another program may have written or removed the file since it was read or saved here.
    const FileStamp now = FileStamp::of(name);
    if (!(now == m_stamp)) {
        const QString question = now.exists
            ? QStringLiteral("「%1」は、開いた後（または前回の保存の後）にほかのプログラムで変更されています。\r"
                             "上書きすると、その変更は失われます。上書き保存しますか？")
            : QStringLiteral("「%1」は、ほかのプログラムで削除されたか移動されています。保存しますか？");
        if (m_dialogs.message(this, question.arg(QDir::toNativeSeparators(name)), Dialogs::Buttons::YesNo,
                              Dialogs::Icon::Warning)
            != Dialogs::Answer::Yes)
            return false;
    }
    if (!confirmOtherNames(name))
        return false;
    return guarded([this, name] { saveArticleFile(name); });
}

bool frmMain::mnuFileSaveAs_Click()
{
    const QString name = m_dialogs.saveFileName(this, saveAccountRequest(m_doc.fileName()));
    if (name.isEmpty() || !confirmOtherNames(name))
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
    fillRecentMenu();
    toolButtons.value(QStringLiteral("上書き保存"))->setEnabled(true);
    mnuFileSave->setEnabled(true);
    return true;
}

bool frmMain::confirmOtherNames(const QString &fileName)
{
    // Saving replaces the file: its other names would keep the old content.
    const QString question = otherNamesQuestion(followSymlinks(fileName));
    return question.isEmpty()
        || m_dialogs.message(this, question, Dialogs::Buttons::YesNo, Dialogs::Icon::Warning) == Dialogs::Answer::Yes;
}

QPrinter *frmMain::printer()
{
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        PrinterSurface::preparePrinter(*m_printer);
    }
    return m_printer.get();
}

void frmMain::mnuFilePageSetup_Click()
{
    // Whatever happens here, the command ends quietly.
    try {
        m_dialogs.pageSetup(this, printer());
    } catch (...) {
    }
}

void frmMain::mnuFilePrint_Click()
{
    refreshSummaries();
    const qint16 n = findDetailMismatch(m_doc.entries());
    if (n != 0) {
        const QString question = QStringLiteral("支出表の") + QString::number(n)
            + QStringLiteral("番目の記載金額と、その明細書の合計金額が違っています。\r印刷してもいいですか？");
        if (m_dialogs.message(this, question, Dialogs::Buttons::YesNo) != Dialogs::Answer::Yes)
            return;
    }
    const Printout printout = Printout::fromKind(printSheet->printKind());
    const QString confirm = printout.title() + QStringLiteral("を印刷します。よろしいですか？");
    if (m_dialogs.message(this, confirm, Dialogs::Buttons::YesNo) != Dialogs::Answer::Yes) {
        m_dialogs.message(this, QStringLiteral("「設定」画面から、印刷の種類を選択してください。"),
                          Dialogs::Buttons::Ok);
        return;
    }
    // The queue and a PDF file show the job under the account's and the printout's name.
    printer()->setDocName(printJobName(openFileName(), printout));
    if (!m_dialogs.printDialog(this, printer(), QStringLiteral("ﾍﾟｰｼﾞ設定"),
                               proposedOutputPath(m_doc.fileName(), printout.title(), QStringLiteral("pdf"))))
        return;
    try {
        printKindOnPrinter(m_doc, m_summaries, *printer(), printSheet->settings(), printout);
    } catch (const HarumokaError &e) {
        // A printout that fails half-way must not look like success.
        m_dialogs.message(this, QStringLiteral("印刷できませんでした。\r") + e.message(), Dialogs::Buttons::Ok,
                          Dialogs::Icon::Warning);
    }
}

void frmMain::mnuFilePrintPreview_Click()
{
    refreshSummaries();
    const PrintSettings settings = printSheet->settings();
    QString error;
    const Printout printout = Printout::fromKind(printSheet->printKind());
    // The preview's print button sends the job under the same name as 印刷.
    printer()->setDocName(printJobName(openFileName(), printout));
    m_dialogs.printPreview(this, printer(), [&](QPrinter *p) {
        try {
            printKindOnPrinter(m_doc, m_summaries, *p, settings, printout);
        } catch (const HarumokaError &e) {
            error = e.message();
        }
    });
    if (!error.isEmpty())
        m_dialogs.message(this, QStringLiteral("印刷プレビューを表示できませんでした。\r") + error,
                          Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
}

void frmMain::mnuFileCsv_Click()
{
    const Printout printout = Printout::fromKind(printSheet->printKind());
    int filter = 0;
    const QString name = m_dialogs.saveFileName(this, csvExportRequest(m_doc.fileName(), printout.title()), &filter);
    if (name.isEmpty())
        return;
    exportCsv(m_doc, printSheet->settings(), printout, name, chosenCsvEncoding(filter));
}

void frmMain::mnuFileExit_Click()
{
    close();
}

void frmMain::writeRecoveryCopy()
{
    if (!m_doc.isModified())
        return;
    QByteArray copy;
    try {
        copy = encodeAccountFile(m_doc.title(), m_doc.entries());
    } catch (const HarumokaError &) {
        // A value the file cannot hold: the copy waits for the next change;
        // Save reports such values itself.
        return;
    }
    const QString problem = m_recovery.write(copy, m_doc.fileName(), m_stamp, m_doc.isDamaged());
    if (!problem.isEmpty())
        m_dialogs.message(this, problem, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
}

bool frmMain::offerRecovery()
{
    for (const RecoveryCopy &copy : m_recovery.leftBehind()) {
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
            this,
            QStringLiteral("前回、保存されていない変更がありました。復元しますか？\r\r会計: %1\r時刻: %2\r\r%3"
                           "はい：復元します（保存するまで元のファイルは変わりません）。\r"
                           "いいえ：今は復元せず、次の起動でまた尋ねます。\r削除：この変更を捨てます。")
                .arg(name, when, caution.isEmpty() ? QString() : caution + QLatin1Char('\n')),
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
            m_dialogs.message(this, QStringLiteral("復元用のコピーを読み込めませんでした。\r") + e.message(),
                              Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
            continue;
        }
        LockResult lock = LockResult::Locked;
        if (!restoreName.isEmpty() && QFileInfo::exists(restoreName)) {
            lock = lockFile(restoreName, false);
            if (lock == LockResult::Refused)
                continue;
        }
        m_doc.load(loaded.entries(), header.appliedTo(AccountTitle()), loaded.nextArticleKey, copy.damaged,
                   restoreName);
        try {
            refreshSummaries();
        } catch (const HarumokaError &) {
            // What was restored is shown; its sums are reported when asked for.
        }
        // Unsaved work: nothing to undo, and never clean until it is saved.
        m_undo->clear();
        m_undo->resetClean();
        m_doc.setModified(true);
        m_stamp = FileStamp::of(restoreName);
        setReadOnly(lock == LockResult::ReadOnly);
        setDocumentCommands(false, !restoreName.isEmpty() && !copy.damaged && lock != LockResult::ReadOnly, true,
                            true);
        writeRecoveryCopy();
        RecoveryStore::discard(copy);
        return true;
    }
    return false;
}

void frmMain::mnuFileNextYear_Click()
{
    if (!askToSaveChanges())
        return;
    NewAccount next = nextSchoolYear(m_doc);
    saveRememberedNames();
    closeDocument();
    m_doc.load(std::move(next.entries), next.title, next.nextKey, false, QString());
    refreshSummaries();
    m_undo->resetClean();
    m_doc.setModified(true);
    // A new document: named by Save As.
    setDocumentCommands(true, false, true, true);
}

void frmMain::mnuHelpHelp_Click()
{
    if (helpFileName.isEmpty()) {
        m_dialogs.message(this, kNoHelp, Dialogs::Buttons::Ok, Dialogs::Icon::Information, versionCaption());
        return;
    }
    QString error;
    if (!HelpWindow::show(this, helpFileName, &error))
        m_dialogs.message(this, error, Dialogs::Buttons::Ok);
}

void frmMain::tbToolBar_ButtonClick(const QString &key)
{
    // Toolbar commands end quietly on an error, except that a failed save
    // reports itself (its own message box) and the program goes on.
    try {
        if (key == QStringLiteral("開く"))
            guarded([this] { mnuFileOpen_Click(); });
        else if (key == QStringLiteral("名前をつけて保存"))
            mnuFileSaveAs_Click();
        else if (key == QStringLiteral("上書き保存"))
            mnuFileSave_Click();
        else if (key == QStringLiteral("ページ設定"))
            mnuFilePageSetup_Click();
        else if (key == QStringLiteral("印刷プレビュー"))
            guarded([this] { mnuFilePrintPreview_Click(); });
        else if (key == QStringLiteral("印刷"))
            guarded([this] { mnuFilePrint_Click(); });
    } catch (...) {
    }
}

bool frmMain::Form_Unload()
{
    // The window stays open when the save the user asked for did not complete.
    if (!askToSaveChanges())
        return false;
    m_recoveryTimer->stop();
    m_recovery.remove();
    saveRememberedNames();
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
    releaseLock();
    m_unloaded = true;
    return true;
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (m_unloaded) {
        event->accept();
        return;
    }
    bool ok = false;
    guarded([&] { ok = Form_Unload(); });
    if (ok)
        event->accept();
    else
        event->ignore();
}
