#include "ui/main/entry_sheet.h"

#include "model/document.h"
#include "model/selection.h"
#include "model/values.h"
#include "ui/main/flexgrid.h"
#include "ui/main/panel_util.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

EntrySheet::EntrySheet(const Columns &columns, Document &doc, SelectionLists &names, Dialogs &dialogs,
                       QWidget *parent)
    : EntryPanel(parent), m_doc(doc), m_names(names), m_dialogs(dialogs), m_columns(columns)
{
}

qint16 EntrySheet::rowsInUse() const
{
    return m_addingRow ? m_addingRow : m_doc.count(m_columns.income);
}

void EntrySheet::forgetEntries()
{
    current.reset();
    source.reset();
    selectedRow = 0;
}

void EntrySheet::resetState()
{
    if (selectedRow > 0)
        paintRow(selectedRow, 1, 7, kGridWhite);
    forgetEntries();
    editedCol = 0;
    rowWatermark = 0;
    m_addingRow = 0;
    hideEditors();
}

void EntrySheet::fillGrid()
{
    FlexGrid *g = grid();
    int r = 1;
    for (ArticlePtr e = m_columns.income ? m_doc.articleList()->nextIncomeArticle()
                                         : m_doc.articleList()->nextSupplyArticle();
         e; e = m_columns.income ? e->nextIncomeArticle() : e->nextSupplyArticle(), ++r) {
        if (r + 1 > rowWatermark) {
            g->setRows(r + 100);
            g->setRow(r);
            rowWatermark = nextWatermark(r);
            formatNewRow(r);
        }
        const QString key = g->TextMatrix(r, 7);
        if (key.isEmpty() || Val(key) != e->taKey) {
            g->setRow(r);
            writeFullRow(r, *e);
            g->setRowHeight(r, rowHeightFor(e->taArticle, m_columns.articleCol));
            g->setTextMatrix(r, 7, Str(e->taKey));
        }
        writeEveryRefill(r, *e);
    }
    current.reset();
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
    editedCol = qint16(c);
    if (selectedRow != 0)
        record();
    if (r != selectedRow) {
        if (selectedRow != 0)
            paintRow(selectedRow, 1, 6, kGridWhite);
        selectedRow = to16(r);
        selectionMoved();
    }
    if (r >= rowsInUse() + 1) {
        addRow();
        return;
    }
    selectRowAndOpenEditor(r, c, 6);
}

void EntrySheet::gridScroll()
{
    editorFollowsScroll(selectedRow != 0);
}

void EntrySheet::showCellEditor(int r, int c, EditorFill fill)
{
    FlexGrid *g = grid();
    const int t = g->TopRow();
    if (r > t + 16 || r < t) {
        if (fill == EditorFill::Move)
            hideEditorsOutOfView();
        else
            hideEditors();
        return;
    }
    // A row cut off at the bottom of the grid comes fully into view first,
    // so that the editor lies over it and not over the grid's edge.
    if (fill != EditorFill::Move)
        g->ensureRowVisible(r);
    g->setRow(r);
    g->setCol(c);
    openColumnEditor(c, g->Left() + g->CellLeft(), g->Top() + g->CellTop(), g->TextMatrix(r, c), fill);
    setEditorCell(r, c);
}

QDate EntrySheet::entryDate() const
{
    return current ? current->taDate.date() : QDate();
}

int EntrySheet::rowOf(const MekaluArticle *entry) const
{
    int r = 1;
    for (ArticlePtr e = m_columns.income ? m_doc.articleList()->nextIncomeArticle()
                                         : m_doc.articleList()->nextSupplyArticle();
         e; e = m_columns.income ? e->nextIncomeArticle() : e->nextSupplyArticle(), ++r) {
        if (e.get() == entry)
            return r;
    }
    return 0;
}

bool EntrySheet::commitEditor(int)
{
    return !recordButton->isEnabled() || record();
}

void EntrySheet::reopenEditor(int col)
{
    hideEditors();
    if (selectedRow > 0 && selectedRow < grid()->Rows())
        showCellEditor(selectedRow, col, EditorFill::Reopen);
}

void EntrySheet::offerEntryDeletion()
{
    offerRowDeletion(
        m_dialogs,
        [this](int row) {
            const ArticlePtr e = row > 0 && row <= m_doc.count(m_columns.income) ? m_doc.entryAt(m_columns.income, row)
                                                                                 : nullptr;
            if (!e)
                return QString();
            const QString article = (e->taArticle + QLatin1Char(' ') + e->taSubArticle).trimmed();
            return QStringLiteral("%1　%2　%3円").arg(shortDate(e->taDate), article, formatAmount(e->taAmount));
        },
        [this](int row) {
            if (selectedRow != 0 && selectedRow != row)
                paintRow(selectedRow, 1, 6, kGridWhite);
            selectedRow = to16(row);
            deleteRow();
        });
}

void EntrySheet::numberChanged()
{
    const int n = numberBoxChanged(rowsInUse(), [this] { cancel(); });
    if (n <= 0)
        return;
    const ArticlePtr src = m_doc.entryAt(m_columns.income, n);
    if (!src)
        return;
    source = src;
    current = std::make_shared<MekaluArticle>();
    loadEntry(*src, *current);
    current->taIncome = m_columns.income;
    setEditingButtons();
}

bool EntrySheet::record()
{
    if (current)
        checkBoxes();
    hideEditors();
    if (!current)
        return true;
    const ArticlePtr cur = current;
    if (!readBoxes(*cur))
        return false;
    cur->taIncome = m_columns.income;
    // The document refills the grid (through the window), which idles the panel.
    const ArticlePtr src = source;
    const qint32 row = m_doc.recordEntry(cur, src.get(), recordsByDate(), selectedRow);
    source.reset();
    SelectionPtr &names = m_columns.income ? m_names.income : m_names.supply;
    names->appendSelectionWithCount(std::make_shared<MekaluSelection>(cur->taArticle, 1, cur->taDate));
    fillArticleList();
    grid()->setRow(row);
    grid()->setCol(editedCol);
    gridClick();
    return true;
}

void EntrySheet::addRow()
{
    FlexGrid *g = grid();
    const qint16 row = add16(rowsInUse(), 1);
    m_addingRow = row;
    const ArticlePtr blank = std::make_shared<MekaluArticle>();
    try {
        numberBox->clear();
        current = blank;
        if (g->Rows() <= row)
            g->setRows(row + 100);
        g->setRow(row);
        g->setTextMatrix(row, 0, Str(row));
        prepareNewRow(row);
        enterAddingState(row);
        record();
    } catch (...) {
        // Nothing was recorded: the row is not in use.
        m_addingRow = 0;
        throw;
    }
    // The blank entry went in by date or at the selected row, not always
    // at the bottom: its editor opens wherever it is.
    const int at = rowOf(blank.get());
    g->setRow(at > 0 ? at : rowsInUse());
    g->setCol(1);
    gridClick();
}

void EntrySheet::deleteRow()
{
    const qint16 before = rowsInUse();
    const ArticlePtr src = source;
    source.reset();
    if (src && m_doc.contains(src.get()))
        m_doc.removeEntry(src.get()); // the window refills the grid
    else
        fillGrid();
    const int freed = before;
    if (freed > 0 && freed < grid()->Rows() && freed > rowsInUse()) {
        for (int c = 0; c <= 7; ++c)
            grid()->setTextMatrix(freed, c, QString());
    }
    hideEditors();
    if (selectedRow != 0) {
        paintRow(selectedRow, 1, 6, kGridWhite);
        // The keyboard goes on from the row that was deleted.
        grid()->setKeyCell(std::min<int>(selectedRow, rowsInUse() + 1), grid()->keyCol());
    }
    selectedRow = 0;
    editedCol = 0;
    rowDeleted();
}

void EntrySheet::cancel()
{
    current.reset();
    source.reset();
    numberBox->setReadOnly(false);
    numberBox->clear();
    clearForCancel();
    setIdleButtons();
}

void EntrySheet::fillArticleList()
{
    refillCombo(articleCombo, selectionArticles(*(m_columns.income ? m_names.income : m_names.supply)));
}
