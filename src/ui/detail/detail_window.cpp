#include "ui/detail/detail_window.h"

#include "model/document.h"
#include "model/selection.h"
#include "model/values.h"
#include "ui/widgets/dialogs.h"
#include "ui/widgets/error_message.h"
#include "ui/widgets/flexgrid.h"
#include "ui/widgets/panel_util.h"
#include "ui/widgets/readable_colors.h"
#include "ui/widgets/sheet_widgets.h"
#include "ui/widgets/twips.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace sheet;

QString DetailWindow::helpText()
{
    return QStringLiteral(
        "○ 修正したいセルの上にマウスカーソルを移動して、マウスをクリックしてください。\n"
        "○ 行を挿入したいときは空白行をクリックするか、右の「行の追加」ボタンを押してください。\n"
        "○ 行を削除したいときは、削除したい行の上でマウスをクリックし、色が変わったら右の\n"
        "　　「行の削除」ボタンを押してください。\n"
        "○ 会計報告書の印刷で、明細書の項目は支出表の項目よりも優先して採られます。\n"
        "○ 元帳の印刷では逆に、支出表の項目が採られます。明細書の項目は反映されません。");
}

DetailWindow::DetailWindow(Document &doc, SelectionLists &names, Dialogs &dialogs, const EntryPtr &entry,
                     QWidget *mainWindow)
    : EntryPanel(mainWindow), m_doc(doc), m_entryKey(entry ? entry->key : -1), m_names(names), m_dialogs(dialogs),
      m_mainWindow(mainWindow), m_table(doc, m_entryKey)
{
    announceAsDialog(this); // it keeps the main window disabled while it is open
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("明細書"));
    setFixedSize(twipsToPixels(11100, this), twipsToPixels(7700, this));

    TitleDetailDate = label(this, QStringLiteral("日付"), 120, 120, 900, 330);
    LabelDetailDate = label(this, QString(), 1050, 120, 1800, 330);
    TitleDetailReceipt = label(this, QStringLiteral("領収書番号"), 3000, 120, 1300, 330);
    LabelDetailReceipt = label(this, QString(), 4350, 120, 1500, 330);
    TitleDetailArticle = label(this, QStringLiteral("費目"), 120, 500, 900, 330);
    LabelDetailArticle = label(this, QString(), 1050, 500, 6000, 330);
    LabelDetailRest = label(this, QStringLiteral("支出表の記載金額"), 7200, 120, 2100, 330);
    LabelDetailAmount = label(this, QString(), 9300, 120, 1650, 330);
    LabelDetailSumCaption = label(this, QStringLiteral("明細書の合計"), 7200, 500, 2100, 330);
    LabelDetailSum = label(this, QStringLiteral("¥ 0"), 9300, 500, 1650, 330);
    for (QLabel *l : {LabelDetailAmount, LabelDetailSum})
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Each figure is announced with its caption.
    for (auto [caption, figure] : {std::pair{TitleDetailDate, LabelDetailDate}, {TitleDetailReceipt, LabelDetailReceipt},
                                   {TitleDetailArticle, LabelDetailArticle}, {LabelDetailRest, LabelDetailAmount},
                                   {LabelDetailSumCaption, LabelDetailSum}})
        caption->setBuddy(figure);
    LabelDetailHelp = label(this, QString(), 120, 900, 10800, 1500);
    LabelDetailHelp->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    setGrid(new FlexGrid(this));
    grid()->setTwipsGeometry(120, 2500, 8600, 4960);
    numberBox = sheet::numberBox(this, false, 8900, 2500, 900, 400);
    numberBox->setToolTip(QStringLiteral("行番号"));
    newButton = button(this, QStringLiteral("行の追加"), 8900, 3050, 2000);
    recordButton = button(this, QStringLiteral("登録"), 8900, 3550, 2000);
    deleteButton = button(this, QStringLiteral("行の削除"), 8900, 4050, 2000);
    cancelButton = button(this, QStringLiteral("ｷｬﾝｾﾙ"), 8900, 4550, 2000);
    CommandDetailClose = button(this, QStringLiteral("閉じる"), 8900, 7000, 2000);
    ComboDetailArticle = combo(this, 0, 0, 6540);
    TextDetailAmount = sheet::numberBox(this, true, 0, 0, 1200);
    TextDetailAmount->setAlignment(Qt::AlignRight);
    grid()->setAccessibleName(QStringLiteral("明細書"));
    numberBox->setAccessibleName(QStringLiteral("行番号"));
    reportRefusedCharacters(this, m_dialogs);

    // Tests reach the parts by these names.
    sheet::nameParts({{TitleDetailDate, "TitleDetailDate"}, {LabelDetailDate, "LabelDetailDate"},
                      {TitleDetailReceipt, "TitleDetailReceipt"}, {LabelDetailReceipt, "LabelDetailReceipt"},
                      {TitleDetailArticle, "TitleDetailArticle"}, {LabelDetailArticle, "LabelDetailArticle"},
                      {LabelDetailRest, "LabelDetailRest"}, {LabelDetailAmount, "LabelDetailAmount"},
                      {LabelDetailSumCaption, "LabelDetailSumCaption"}, {LabelDetailSum, "LabelDetailSum"},
                      {LabelDetailHelp, "LabelDetailHelp"}, {grid(), "MSFlexGridDetail"}, {numberBox, "TextDetailNo"},
                      {TextDetailAmount, "TextDetailAmount"}, {ComboDetailArticle, "ComboDetailArticle"},
                      {newButton, "CommandDetailNew"}, {recordButton, "CommandDetailRecord"},
                      {deleteButton, "CommandDetailDelete"}, {cancelButton, "CommandDetailCancel"},
                      {CommandDetailClose, "CommandDetailClose"}});

    guard = [this](const std::function<void()> &f) { return runShowingErrors(m_dialogs, this, f); };

    connect(CommandDetailClose, &QPushButton::clicked, this, [this] { guarded([this] { closeByUser(); }); });
    connect(TextDetailAmount, &QLineEdit::textChanged, this, [this] { guarded([this] { amountChanged(); }); });
    const auto record = [this] { recordLine(); };
    const auto add = [this] { addLine(); };
    wirePanel({ComboDetailArticle, TextDetailAmount}, m_table,
              {.click = [this] { gridClick(); },
               .numberChanged = [this] { lineNumberChanged(); },
               .add = add,
               .record = record,
               .remove = [this] { deleteLine(); },
               .cancel = [this] { cancelLine(); },
               .commit = [this](int) {
                   if (recordButton->isEnabled())
                       recordLine();
                   return true;
               }});
    enterRecordsOrAdds(ComboDetailArticle, record, add, true);
    enterRecordsOrAdds(TextDetailAmount, record, add, true);
    offerRowDeletion(
        m_dialogs,
        [this](int row) {
            if (row < 1 || row > lines().size())
                return QString();
            const DetailLine &line = lines().at(row - 1);
            return QStringLiteral("%1　%2円").arg(line.article, formatAmount(line.amount));
        },
        [this](int row) {
            m_table.selectRow(row);
            deleteLine();
        });

    showEntry();
}

EntryPtr DetailWindow::detailArticle() const
{
    return m_doc.entry(m_entryKey);
}

const DetailLines &DetailWindow::lines() const
{
    static const DetailLines none;
    const EntryPtr e = detailArticle();
    return e && e->details ? *e->details : none;
}

void DetailWindow::setSumLabel()
{
    // In 64 bits: lines whose total leaves the 32-bit range still show it and
    // still compare with the expense amount (the print check reports the
    // overflow), so the window never keeps an older figure nor refuses to close.
    const qint64 sum = detailTotal(lines());
    const qint32 amount = detailArticle()->amount;
    LabelDetailSum->setText(QStringLiteral("¥") + formatAmount(sum));
    const long color = sum == amount ? kGridBlack : (sum < amount ? kGridBlue : kGridRed);
    setLabelTextColor(LabelDetailSum, color);
}

void DetailWindow::showEntry()
{
    hideEditors();
    const EntryPtr entry = detailArticle();
    if (!entry)
        throw HarumokaError(QStringLiteral("明細書を開く支出が見つかりません。"));
    const Entry &e = *entry;
    LabelDetailDate->setText(shortDate(e.date));
    LabelDetailReceipt->setText(e.receipt != 0 ? QStringLiteral("No.") + Str(e.receipt) : QString());
    LabelDetailArticle->setText(e.article + QStringLiteral("  ") + e.breakdown);
    LabelDetailAmount->setText(formatYen(e.amount));
    LabelDetailHelp->setText(helpText());

    grid()->setRowHeight(0, 360);
    grid()->setTable(&m_table);
    m_table.selectRow(0);
    editedDetailCol = 0;
    m_detailCount = e.details ? to16(e.details->size()) : 0;
    if (e.details)
        setSumLabel();
    currentDetail.reset();
    sourceDetail = -1;
    setIdleButtons();
    CommandDetailClose->setEnabled(true);
}

void DetailWindow::linesChanged()
{
    currentDetail.reset();
    setIdleButtons();
    numberBox->clear();
    setComboText(ComboDetailArticle, QString());
    TextDetailAmount->clear();
    numberBox->setReadOnly(false);
    setSumLabel();
}

void DetailWindow::gridClick()
{
    FlexGrid *g = grid();
    int r = g->Row();
    if (r == 0)
        return;
    // Any row below the lines counts as the first blank row, where a new
    // line starts on its article whichever cell was clicked (Down and Enter
    // from the amount of the last line come here).
    if (r > m_detailCount + 1)
        r = m_detailCount + 1;
    const int c = r == m_detailCount + 1 ? 1 : g->Col();
    editedDetailCol = qint16(c);
    if (selectedDetailRow() != 0)
        recordLine();
    if (r != selectedDetailRow()) {
        m_table.selectRow(r);
        emit lineFinished();
    }
    if (r >= m_detailCount + 1) {
        addLine();
        return;
    }
    selectRowAndOpenEditor(r, c);
}

void DetailWindow::lineNumberChanged()
{
    const int n = numberBoxChanged(m_detailCount, [this] { cancelLine(); });
    if (n > 0 && n <= lines().size()) {
        const DetailLine line = lines().at(n - 1);
        sourceDetail = n - 1;
        currentDetail = line;
        setComboText(ComboDetailArticle, line.article);
        TextDetailAmount->setText(line.amount == 0 ? QString() : Str(line.amount));
        setEditingButtons();
    }
}

void DetailWindow::amountChanged()
{
    amountBoxChanged(TextDetailAmount);
}

void DetailWindow::recordLine()
{
    qint32 amount = 0;
    if (currentDetail) {
        // Checked before the chain changes: an amount that does not fit leaves it as it was.
        try {
            amount = readAmountField(TextDetailAmount->text(), QStringLiteral("金額"));
        } catch (const HarumokaError &) {
            // The amount box opens again with what the user typed, to correct it.
            hideEditors();
            if (selectedDetailRow() > 0)
                openCellEditor(selectedDetailRow(), 2, EditorFill::Reopen);
            throw;
        }
    }
    hideEditors();
    m_doc.ensureDetailList(m_entryKey);
    if (!currentDetail)
        return;
    const DetailLine line{comboText(ComboDetailArticle), amount};
    currentDetail.reset();
    const int source = sourceDetail;
    sourceDetail = -1;
    // In place of the line it was loaded from, or a new line at the selected row.
    m_doc.recordDetailLine(m_entryKey, source >= 0 ? source : selectedDetailRow() - 1, line, source >= 0);
    m_names.supply.appendSelectionWithCount(RememberedName{line.article, 1, makeDate(today())});
    fillArticleList();
    linesChanged();
    grid()->setRow(selectedDetailRow());
    grid()->setCol(editedDetailCol);
    gridClick();
}

void DetailWindow::addLine()
{
    FlexGrid *g = grid();
    const int row = beginAddRow(m_detailCount);
    currentDetail.emplace();
    enterAddingState(row);
    setComboText(ComboDetailArticle, QString());
    TextDetailAmount->clear();
    recordLine();
    // The blank line went in at the selected row, which is not always the
    // last one: the current cell and the keyboard cursor go to it.
    int at = std::clamp(int(selectedDetailRow()), 1, int(lines().size()));
    if (at > m_detailCount)
        at = m_detailCount;
    g->setRow(at);
    g->setCol(1);
    g->setKeyCell(at, 1);
}

void DetailWindow::deleteLine()
{
    const EntryPtr entry = detailArticle();
    if (!entry || !entry->details)
        return;
    if (sourceDetail >= 0) {
        const int line = sourceDetail;
        sourceDetail = -1;
        m_doc.removeDetailLine(m_entryKey, line);
    }
    releaseRow(m_detailCount, editedDetailCol);
    linesChanged();
    emit lineFinished();
}

void DetailWindow::cancelLine()
{
    currentDetail.reset();
    sourceDetail = -1;
    numberBox->setReadOnly(false);
    numberBox->clear();
    setComboText(ComboDetailArticle, QString());
    TextDetailAmount->clear();
    setIdleButtons();
}

void DetailWindow::fillArticleList()
{
    refillCombo(ComboDetailArticle, m_names.supply.articles());
}

bool DetailWindow::closeByUser()
{
    emit lineFinished();
    m_doc.dropBlankDetailLines(m_entryKey);
    const EntryPtr entry = detailArticle();
    if (entry && entry->details) {
        if (detailTotal(*entry->details) != entry->amount) {
            const auto answer = m_dialogs.message(
                this, QStringLiteral("支出表の記載金額と、明細の合計金額が違っています。\r明細表を見直しますか？"),
                Dialogs::Buttons::YesNo);
            if (answer == Dialogs::Answer::Yes)
                return false;
        }
    }
    enableMainWindow();
    m_closing = true;
    hide();
    close();
    emit closedAndUnloaded();
    return true;
}

void DetailWindow::enableMainWindow()
{
    if (m_mainWindow) {
        m_mainWindow->setEnabled(true);
        // The keyboard goes back to the main window, where the expense
        // grid holds the focus.
        m_mainWindow->activateWindow();
    }
}

void DetailWindow::forceUnload()
{
    enableMainWindow();
    m_closing = true;
    close();
}

void DetailWindow::showEvent(QShowEvent *event)
{
    EntryPanel::showEvent(event);
    // The main window is disabled while this window is open: the keyboard
    // must come here, to the grid. Asked once the window is on screen.
    if (!focusWidget())
        grid()->setFocus(Qt::OtherFocusReason);
    QMetaObject::invokeMethod(this, [this] { activateWindow(); }, Qt::QueuedConnection);
}

void DetailWindow::keyPressEvent(QKeyEvent *event)
{
    // Escape, unless an editor took it to drop its edit, closes the window
    // as its close button does, question included.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        guarded([this] { closeByUser(); });
        return;
    }
    EntryPanel::keyPressEvent(event);
}

void DetailWindow::closeEvent(QCloseEvent *event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    // The close box runs the same Close; a Yes to the question keeps the window.
    bool closed = false;
    guarded([&] { closed = closeByUser(); });
    if (closed)
        event->accept();
    else
        event->ignore();
}
