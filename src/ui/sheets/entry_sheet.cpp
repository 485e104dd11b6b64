#include "ui/sheets/entry_sheet.h"

#include "model/document.h"
#include "model/periods.h"
#include "model/selection.h"
#include "model/values.h"
#include "ui/widgets/datepicker.h"
#include "ui/widgets/flexgrid.h"
#include "ui/widgets/panel_util.h"
#include "ui/widgets/readable_colors.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>

EntrySheet::EntrySheet(bool income, Document &doc, SelectionLists &names, Dialogs &dialogs, QWidget *parent)
    : EntryPanel(parent), m_doc(doc), m_names(names), m_dialogs(dialogs), m_income(income), m_table(doc, income)
{
    const SheetControls c = buildSheetControls(QLatin1String(income ? "Income" : "Supply"));
    helpLabel = c.help;
    remainderLabel = c.remainder;
    c.grid->setAccessibleName(income ? QStringLiteral("収入元帳") : QStringLiteral("支出元帳"));
}

void EntrySheet::layoutGrid()
{
    grid()->setRowHeight(0, 360);
    grid()->setTable(&m_table);
}

void EntrySheet::showHelp(const QString &text)
{
    helpLabel->setText(text);
    QFont font = helpLabel->font();
    font.setPointSize(10);
    helpLabel->setFont(font);
}

void EntrySheet::showRemainder(const QString &text, bool negative)
{
    remainderLabel->setText(text);
    setLabelTextColor(remainderLabel, negative ? kGridRed : kGridBlack);
}

void EntrySheet::setRemainderFont(const QFont &font)
{
    remainderLabel->setFont(font);
}

void EntrySheet::setEditorDate(const QDate &date)
{
    datePicker->setValue(date);
}

qint16 EntrySheet::rowsInUse() const
{
    return m_addingRow ? m_addingRow : m_doc.count(m_income);
}

void EntrySheet::forgetEntries()
{
    m_current.reset();
    m_source.reset();
    selectRow(0);
}

void EntrySheet::resetState()
{
    forgetEntries();
    m_editedCol = 0;
    m_addingRow = 0;
    hideEditors();
}

void EntrySheet::documentChanged(const Document::Update &update)
{
    using C = Document::Change;
    if (update.what & C::EntriesReplaced) {
        // The working copy and the selection belong to entries that left.
        forgetEntries();
        idlePanel();
        return;
    }
    if (!(update.what & (m_income ? C::IncomeEntries : C::SupplyEntries)))
        return;
    if (!m_recording && m_table.selectedKey() >= 0 && !m_doc.entry(m_table.selectedKey()))
        selectRow(0);
    idlePanel();
}

void EntrySheet::idlePanel()
{
    m_current.reset();
    m_addingRow = 0;
    setIdleButtons();
    numberBox->clear();
    clearForIdle();
    numberBox->setReadOnly(false);
}

void EntrySheet::gridClick()
{
    FlexGrid *g = grid();
    const int r = g->Row();
    if (r == 0)
        return;
    const int c = g->Col();
    // What the click chose, an entry or the blank row below them, by its
    // key: recording the entry being edited may move rows.
    const EntryPtr chosen = r <= m_doc.count(m_income) ? m_doc.entryAt(m_income, r) : nullptr;
    // Another cell of the selected entry's row: the user stays on it.
    const bool sameEntry = chosen && chosen->key == m_table.selectedKey();
    m_editedCol = qint16(c);
    if (selectedRow() != 0) {
        const QScopedValueRollback staying(m_staying, m_staying || sameEntry);
        if (!record())
            return;
    }
    if (!sameEntry && !m_staying)
        finishEntry();
    int row = r;
    if (chosen) {
        row = m_doc.rowOf(sameEntry ? m_table.selectedKey() : chosen->key);
        if (row == 0)
            return; // the entry is gone (nothing to open)
    }
    if (row != selectedRow())
        selectionMoved();
    if (row >= rowsInUse() + 1) {
        selectRow(0);
        addRow();
        return;
    }
    selectRowAndOpenEditor(row, c);
}

QDate EntrySheet::editorDate() const
{
    return m_current ? m_current->date.date() : QDate();
}

int EntrySheet::rowOf(qint32 key) const
{
    return m_doc.rowOf(key);
}

bool EntrySheet::commitEditor(int)
{
    return !recordButton->isEnabled() || record();
}

bool EntrySheet::staysOnEntry(const std::function<bool()> &commit)
{
    const QScopedValueRollback staying(m_staying, true);
    return commit();
}

void EntrySheet::wireEditors(const QList<QWidget *> &byColumn)
{
    datePicker->setSchoolYear([this] { return schoolYearOf(m_doc.title().schoolYear, m_doc.entries()); });
    hideEditors();
    connect(datePicker, &DatePicker::CloseUp, this, [this] { command([this] { dateChosen(); }); });
    // Enter in the date editor records by date, as a date chosen in the
    // calendar does: the sheet's help promises that a changed date re-sorts.
    onEnterKey(datePicker, [this] { command([this] { dateChosen(); }); });
    wirePanel(byColumn, m_table,
              {.click = [this] { gridClick(); },
               .numberChanged = [this] { numberChanged(); },
               .add = [this] { addRow(); },
               .record = [this] { record(); },
               .remove = [this] { deleteRow(); },
               .cancel = [this] { cancelByUser(); },
               .commit = [this](int c) { return staysOnEntry([this, c] { return commitEditor(c); }); }});
    enterRecords(articleCombo, true);
    enterRecords(subArticleCombo, true);
    offerEntryDeletion();
}

void EntrySheet::enterRecords(QWidget *w, bool hideAfter)
{
    enterRecordsOrAdds(w, [this] { record(); }, [this] { addRow(); }, hideAfter);
}

// The message for a date the date editor could not take: digits a part
// refused, or what was typed (`typed`) when it is no date.
static QString dateRefusedMessage(const QString &typed)
{
    if (typed.isEmpty())
        return QStringLiteral("「日付」に入力された日付は正しくありません。年・月・日を確かめてください。");
    return QStringLiteral("「日付」に入力された「%1」は日付として読めません。"
                          "5/8、2026/5/8、R8/5/8、0508 のように入力してください。").arg(typed);
}

void EntrySheet::checkDateTyping()
{
    if (datePicker->typingRefused()) {
        reopenEditor(1);
        throw HarumokaError(dateRefusedMessage(datePicker->refusedText()));
    }
}

void EntrySheet::reopenEditor(int col)
{
    hideEditors();
    if (selectedRow() > 0)
        openCellEditor(selectedRow(), col, EditorFill::Reopen);
}

void EntrySheet::offerEntryDeletion()
{
    offerRowDeletion(
        m_dialogs,
        [this](int row) {
            const EntryPtr e = m_doc.entryAt(m_income, row);
            if (!e)
                return QString();
            const QString article = (e->article + QLatin1Char(' ') + e->breakdown).trimmed();
            return QStringLiteral("%1　%2　%3円").arg(shortDate(e->date), article, formatAmount(e->amount));
        },
        [this](int row) {
            selectRow(row);
            deleteRow();
        });
}

void EntrySheet::numberChanged()
{
    const int n = numberBoxChanged(rowsInUse(), [this] { cancel(); });
    if (n <= 0)
        return;
    const EntryPtr src = m_doc.entryAt(m_income, n);
    if (!src)
        return;
    m_source = src;
    m_current.emplace();
    loadEntry(*src, *m_current);
    m_current->income = m_income;
    setEditingButtons();
}

bool EntrySheet::record()
{
    if (m_current)
        checkBoxes();
    hideEditors();
    if (!m_current)
        return true;
    Entry cur = *m_current;
    if (!readBoxes(cur))
        return false;
    cur.income = m_income;
    const EntryPtr src = m_source;
    // The selection follows the entry into its new key (the grid's rows are
    // brought up to date, and the panel idled, through the changed signal).
    const bool selected = src && src->key == m_table.selectedKey();
    const EntryPtr recorded = [&] {
        const QScopedValueRollback recording(m_recording, true);
        return m_doc.recordEntry(cur, src);
    }();
    m_recordedKey = recorded->key;
    if (selected)
        m_table.selectKey(recorded->key);
    if (recorded == src)
        idlePanel(); // nothing changed, so no signal idled it
    m_source.reset();
    SelectionList &names = m_income ? m_names.income : m_names.supply;
    names.appendSelectionWithCount(RememberedName{cur.article, 1, cur.date});
    fillArticleList();
    if (!m_staying)
        finishEntry();
    if (recordsByDate()) {
        // The editor opens again on the entry, wherever the date put it.
        grid()->setRow(m_doc.rowOf(recorded->key));
        grid()->setCol(m_editedCol);
        gridClick();
    }
    return true;
}

void EntrySheet::addRow()
{
    FlexGrid *g = grid();
    const qint16 row = add16(rowsInUse(), 1);
    m_addingRow = row;
    try {
        numberBox->clear();
        m_current.emplace();
        prepareNewRow(row);
        enterAddingState(row);
        const QScopedValueRollback staying(m_staying, true);
        if (!record())
            return;
    } catch (...) {
        // Nothing was recorded: the row is not in use.
        m_addingRow = 0;
        throw;
    }
    // The blank entry went in by date, not always at the bottom: its editor
    // opens wherever it is.
    m_addedKey = m_recordedKey;
    const int at = rowOf(m_recordedKey);
    g->setRow(at > 0 ? at : rowsInUse());
    g->setCol(1);
    const QScopedValueRollback staying(m_staying, true);
    gridClick();
}

void EntrySheet::deleteRow()
{
    const EntryPtr src = m_source;
    const int deleted = selectedRow();
    m_source.reset();
    hideEditors();
    selectRow(0);
    if (m_doc.contains(src))
        m_doc.removeEntry(src); // the grid's row goes through the changed signal
    else
        idlePanel();
    // The keyboard goes on from the row that was deleted.
    if (deleted > 0)
        grid()->setKeyCell(std::min<int>(deleted, rowsInUse() + 1), grid()->keyCol());
    m_editedCol = 0;
    rowDeleted();
    finishEntry();
}

void EntrySheet::finishEntry()
{
    m_addedKey = -1; // a row recorded or left is no longer new
    emit entryFinished();
}

bool EntrySheet::holdsUnrecordedChange() const
{
    if (!m_current)
        return false;
    return onNewRow() || editorsTyped();
}

void EntrySheet::cancelByUser()
{
    const EntryPtr added = onNewRow() ? m_source : nullptr;
    m_addedKey = -1;
    if (added && m_dropAddedRow && m_doc.contains(added)) {
        hideEditors();
        selectRow(0);
        m_source.reset();
        m_dropAddedRow(added->key); // the changed signal idles the panel
        return;
    }
    cancel();
}

void EntrySheet::cancel()
{
    m_current.reset();
    m_source.reset();
    numberBox->setReadOnly(false);
    numberBox->clear();
    clearForCancel();
    setIdleButtons();
}

void EntrySheet::fillArticleList()
{
    refillCombo(articleCombo, (m_income ? m_names.income : m_names.supply).articles());
}
