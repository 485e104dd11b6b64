#include "ui/widgets/entry_panel.h"

#include "model/values.h"
#include "ui/widgets/datepicker.h"
#include "ui/widgets/dialogs.h"
#include "ui/widgets/flexgrid.h"
#include "ui/widgets/panel_util.h"
#include "ui/widgets/sheet_widgets.h"
#include "ui/widgets/twips.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

EntryPanel::EntryPanel(QWidget *parent) : QWidget(parent) {}

void EntryPanel::setGrid(FlexGrid *grid)
{
    m_grid = grid;
}

EntryPanel::SheetControls EntryPanel::buildSheetControls(const QString &kind)
{
    using namespace sheet;
    SheetControls c;
    c.grid = new FlexGrid(this);
    c.grid->setTwipsGeometry(0, 1680 - kTabHeader, 13455, 6375);
    setGrid(c.grid);
    c.help = label(this, QString(), 120, 60, 8900, 1200);
    c.help->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    numberBox = sheet::numberBox(this, false, 9150, 100, 700, 400);
    numberBox->setToolTip(QStringLiteral("行番号"));
    numberBox->setAccessibleName(QStringLiteral("行番号"));
    newButton = button(this, QStringLiteral("行の追加"), 9950, 60, 1650);
    recordButton = button(this, QStringLiteral("登録"), 11700, 60, 1650);
    deleteButton = button(this, QStringLiteral("行の削除"), 9950, 520, 1650);
    cancelButton = button(this, QStringLiteral("ｷｬﾝｾﾙ"), 11700, 520, 1650);
    c.rest = label(this, QStringLiteral("残金"), 9150, 1000, 760, 330);
    c.remainder = label(this, QString(), 9950, 960, 3400, 360);
    c.remainder->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    c.rest->setBuddy(c.remainder); // the figure is announced as the remaining money
    const std::pair<QWidget *, QString> names[] = {
        {c.grid, "MSFlexGrid%1"}, {numberBox, "Text%1No"}, {newButton, "Command%1New"},
        {recordButton, "Command%1Record"}, {deleteButton, "Command%1Delete"}, {cancelButton, "Command%1Cancel"},
        {c.help, "Label%1Help"}, {c.rest, "Label%1Rest"}, {c.remainder, "Label%1Remainder"}};
    for (const auto &[w, name] : names)
        w->setObjectName(name.arg(kind));
    return c;
}

void EntryPanel::guarded(const std::function<void()> &f) const
{
    if (guard)
        guard(f);
    else
        f();
}

void EntryPanel::setIdleButtons()
{
    newButton->setEnabled(true);
    recordButton->setEnabled(false);
    deleteButton->setEnabled(false);
    cancelButton->setEnabled(false);
}

void EntryPanel::setEditingButtons()
{
    newButton->setEnabled(true);
    recordButton->setEnabled(true);
    deleteButton->setEnabled(true);
    cancelButton->setEnabled(true);
}

void EntryPanel::setAddingButtons()
{
    newButton->setEnabled(false);
    deleteButton->setEnabled(false);
    recordButton->setEnabled(true);
    cancelButton->setEnabled(true);
}

void EntryPanel::placeEditor(QWidget *editor, int x, int y, int widthTwips)
{
    const int w = widthTwips > 0 ? twipsToPixels(widthTwips, this) : editor->width();
    editor->setGeometry(twipsToPixels(x, this), twipsToPixels(y, this), w, editor->height());
}

void EntryPanel::openEditor(QWidget *editor, bool focus)
{
    editor->show();
    editor->raise();
    if (focus) {
        editor->setFocus(Qt::OtherFocusReason);
        selectAllText(editor);
        m_focusedEditor = editor;
    }
}

static bool holdsFocus(const QWidget *editor, const QWidget *focus)
{
    return focus && editor->isVisible() && (focus == editor || editor->isAncestorOf(focus));
}

void EntryPanel::command(const std::function<void()> &f)
{
    m_focusedEditor = nullptr;
    guarded(f);
    const QWidget *focus = window()->focusWidget();
    if (m_focusedEditor && holdsFocus(m_focusedEditor, focus))
        return;
    focusGrid(handledRow(), handledCol());
}

void EntryPanel::enterRecordsOrAdds(QWidget *w, const std::function<void()> &record,
                                    const std::function<void()> &add, bool hideAfter)
{
    onEnterKey(w, [this, w, record, add, hideAfter] {
        command([&] {
            if (recordButton->isEnabled())
                record();
            else if (newButton->isEnabled())
                add();
            if (hideAfter && w->isVisible()) {
                if (w->hasFocus())
                    m_grid->setFocus(Qt::OtherFocusReason);
                w->hide();
            }
        });
    });
}

void EntryPanel::escapeCancels(const QList<QWidget *> &editors, const std::function<void()> &cancel)
{
    m_escape = [this, cancel] { command(cancel); };
    for (QWidget *editor : editors) {
        onEscapeKey(editor, m_escape);
        passUndoWhenNothingTyped(editor);
    }
}

bool EntryPanel::escapeOpenEditor()
{
    if (m_editorCol == 0 || !m_escape || !isVisible())
        return false;
    m_escape();
    return true;
}

void EntryPanel::tabMoves(QWidget *editor, int col, int lastCol, const std::function<bool()> &commit)
{
    onTabKey(editor, [this, col, lastCol, commit](bool forward) {
        command([&] {
            if (!commit())
                return;
            const int next = col + (forward ? 1 : -1);
            const int row = handledRow();
            if (next >= 1 && next <= lastCol && row > 0)
                m_grid->clickCell(row, next);
            else
                hideEditors(); // a record may have reopened the editor
        });
    });
}

void EntryPanel::focusGrid(int row, int col)
{
    if (row > 0 && row < m_grid->Rows()) {
        m_grid->setKeyCell(row, col > 0 ? col : m_grid->keyCol());
        m_grid->ensureRowVisible(row);
    }
    m_grid->setFocus(Qt::OtherFocusReason);
}

void EntryPanel::offerRowDeletion(Dialogs &dialogs, const std::function<QString(int)> &describe,
                                  const std::function<void(int)> &remove)
{
    Dialogs *asker = &dialogs;
    auto removeRow = [this, asker, describe, remove](int row) {
        const QString what = describe(row);
        if (what.isEmpty())
            return;
        const QString question = QStringLiteral("%1行目（%2）を削除しますか？").arg(row).arg(what);
        // The highlight shows the entry the question names while it is asked.
        GridTable *table = m_grid->table();
        const int highlighted = table->selectedRow();
        table->selectRow(row);
        if (asker->message(this, question, Dialogs::Buttons::YesNo, Dialogs::Icon::Question) != Dialogs::Answer::Yes) {
            table->selectRow(highlighted); // row 0: none
            return;
        }
        command([&] {
            hideEditors();
            numberBox->setReadOnly(false);
            numberBox->clear(); // an edit in progress ends, as when a number is typed
            numberBox->setText(Str(row));
            if (deleteButton->isEnabled())
                remove(row);
        });
    };
    onDeleteKey(m_grid, [this, removeRow] { removeRow(m_grid->keyRow()); });
    // Installed last, so that it runs first: a key meant for an editor that
    // scrolled away (Delete included) reaches that editor.
    installKeyFilter(m_grid, [this](QKeyEvent *ke) { return keyForOpenEditor(ke); });
    auto menu = [this, describe, removeRow](int row, const QPoint &globalPos) {
        auto *m = new QMenu(m_grid);
        m->setAttribute(Qt::WA_DeleteOnClose);
        QAction *a = m->addAction(QStringLiteral("行の削除"));
        a->setEnabled(row > 0 && !describe(row).isEmpty());
        connect(a, &QAction::triggered, this, [removeRow, row] { removeRow(row); });
        m->popup(globalPos);
    };
    // A click's menu is about the row clicked, which the keyboard cursor
    // joins; the menu key's is about the cursor's row.
    onContextMenu(m_grid->viewport(), [this, menu](QContextMenuEvent *e) {
        const QModelIndex at = m_grid->indexAt(e->pos());
        const int row = at.isValid() ? at.row() + 1 : 0;
        if (row > 0)
            m_grid->setKeyCell(row, m_grid->keyCol());
        menu(row, e->globalPos());
    });
    onContextMenu(m_grid, [this, menu](QContextMenuEvent *) {
        const int row = m_grid->keyRow();
        const QRect cell = m_grid->visualRect(m_grid->model()->index(row - 1, m_grid->keyCol()));
        menu(row, m_grid->viewport()->mapToGlobal(cell.isValid() ? cell.bottomLeft() : QPoint()));
    });
}

bool EntryPanel::editorsTyped() const
{
    const QList<QWidget *> editors = cellEditors();
    return std::any_of(editors.begin(), editors.end(), [](QWidget *e) {
        if (auto *picker = qobject_cast<DatePicker *>(e))
            return picker->typedSinceSet();
        auto *line = qobject_cast<QLineEdit *>(e);
        if (auto *combo = qobject_cast<QComboBox *>(e))
            line = combo->lineEdit();
        return line && line->isModified();
    });
}

void EntryPanel::hideEditorsOutOfView()
{
    const QWidget *focus = window()->focusWidget();
    const QList<QWidget *> editors = cellEditors();
    const bool focused = std::any_of(editors.begin(), editors.end(), [focus](QWidget *e) { return holdsFocus(e, focus); });
    if (focused)
        m_grid->setFocus(Qt::OtherFocusReason);
    if (!m_editorAway)
        m_awayHadFocus = focused;
    m_editorAway = true;
    for (QWidget *e : editors)
        e->hide();
}

void EntryPanel::hideEditors()
{
    hideEditorsOutOfView();
    m_editorAway = false;
    m_awayHadFocus = false;
    m_editorRow = 0;
    m_editorCol = 0;
}

bool EntryPanel::keyForOpenEditor(QKeyEvent *ke)
{
    const QList<QWidget *> editors = cellEditors();
    if (m_editorCol == 0 || (!m_editorAway && std::none_of(editors.begin(), editors.end(), [](QWidget *e) { return e->isVisible(); })))
        return false;
    // Escape drops the open edit wherever the focus went in the grid.
    if (ke->key() == Qt::Key_Escape && m_escape) {
        m_escape();
        return true;
    }
    if (!m_editorAway)
        return false;
    const bool tab = ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab;
    if (!editsText(ke) && !tab && ke->key() != Qt::Key_Return && ke->key() != Qt::Key_Enter)
        return false;
    // The key was meant for the editor: its row comes back into view (the
    // editor follows the scroll and takes the focus back), then the key.
    m_awayHadFocus = true;
    m_grid->ensureRowVisible(m_editorRow);
    QWidget *focus = QApplication::focusWidget();
    if (m_editorAway || !focus || focus == m_grid)
        return true;
    QKeyEvent again(ke->type(), ke->key(), ke->modifiers(), ke->text(), ke->isAutoRepeat(), ushort(ke->count()));
    QApplication::sendEvent(focus, &again);
    return true;
}

void EntryPanel::setEditorCell(int row, int col)
{
    m_editorRow = row;
    m_editorCol = col;
}

void EntryPanel::amountBoxChanged(QLineEdit *box)
{
    if (box->isReadOnly())
        return;
    const QString text = box->text();
    if (!text.endsWith(QLatin1Char('-')) && textValue(text, true) == 0)
        box->clear();
}

int EntryPanel::numberBoxChanged(int count, const std::function<void()> &cancel)
{
    if (numberBox->isReadOnly())
        return 0;
    const double n = textValue(numberBox->text());
    if (n > count) {
        numberBox->clear();
        cancel();
    } else if (n == count && !deleteButton->isEnabled() && !newButton->isEnabled() && recordButton->isEnabled()) {
        // An entry is being added: nothing to load.
    } else if (n <= 0) {
        numberBox->clear();
        cancel();
    } else {
        return int(n);
    }
    return 0;
}

int EntryPanel::beginAddRow(qint16 &count)
{
    count = add16(count, 1);
    numberBox->clear();
    return count;
}

void EntryPanel::enterAddingState(int row)
{
    setAddingButtons();
    numberBox->setText(Str(row));
    numberBox->setReadOnly(true);
}

void EntryPanel::releaseRow(qint16 &count, qint16 &editedCol)
{
    count = qint16(count - 1);
    hideEditors();
    m_grid->table()->selectRow(0);
    editedCol = 0;
}

void EntryPanel::openDateEditor(DatePicker *picker, int x, int y, const QDate &date, EditorFill fill)
{
    placeEditor(picker, x, y);
    if (fill == EditorFill::Fresh && date.isValid())
        picker->setValue(date);
    openEditor(picker, fill != EditorFill::Move);
    // Typing starts with the year, so that digits typed in a row
    // (20260515) give the whole date.
    if (fill == EditorFill::Fresh)
        picker->setSelectedSection(picker->sectionAt(0));
}

void EntryPanel::wirePanel(const QList<QWidget *> &byColumn, const GridTable &table, const Actions &actions)
{
    m_columnEditors = byColumn;
    connect(m_grid, &FlexGrid::Click, this, [this, f = actions.click] { guarded(f); });
    connect(m_grid, &FlexGrid::Scroll, this, [this] { guarded([this] { gridScroll(); }); });
    const std::pair<QPushButton *, std::function<void()>> buttons[] = {
        {newButton, actions.add}, {recordButton, actions.record}, {deleteButton, actions.remove},
        {cancelButton, actions.cancel}};
    for (const auto &[b, f] : buttons)
        connect(b, &QPushButton::clicked, this, [this, f] { command(f); });
    connect(numberBox, &QLineEdit::textChanged, this, [this, f = actions.numberChanged] { guarded(f); });
    enterRecordsOrAdds(numberBox, actions.record, actions.add, false);
    escapeCancels(byColumn, [this, f = actions.cancel] {
        hideEditors();
        f();
    });
    const int last = int(byColumn.size());
    for (int c = 1; c <= last; ++c) {
        tabMoves(byColumn[c - 1], c, last, [c, f = actions.commit] { return f(c); });
        if (byColumn[c - 1]->accessibleName().isEmpty())
            nameEditor(byColumn[c - 1], table.columns()[size_t(c)].header);
    }
}

void EntryPanel::openColumnEditor(int c, int x, int y, const QString &text, EditorFill fill)
{
    using Editor = GridTable::Column::Editor;
    QWidget *editor = m_columnEditors.value(c - 1);
    const GridTable::Column &column = m_grid->table()->columns()[size_t(c)];
    if (!editor || column.editor == Editor::None)
        return;
    if (column.editor == Editor::Date) {
        openDateEditor(static_cast<DatePicker *>(editor), x, y, editorDate(), fill);
        return;
    }
    placeEditor(editor, x, y + column.editorDrop, column.width < 0 ? m_grid->ColWidth(c) : 0);
    if (fill == EditorFill::Fresh)
        fillEditor(c, editor, text);
    openEditor(editor, fill != EditorFill::Move);
    editorOpened(c, x, y);
}

void EntryPanel::fillEditor(int, QWidget *editor, const QString &text)
{
    if (auto *combo = qobject_cast<QComboBox *>(editor))
        setComboText(combo, text);
    else if (auto *box = qobject_cast<QLineEdit *>(editor))
        box->setText(text);
}

void EntryPanel::selectRowAndOpenEditor(int r, int c)
{
    m_grid->table()->selectRow(r);
    m_grid->setRow(r);
    m_grid->setCol(c);
    m_grid->setKeyCell(r, c);
    numberBox->setText(Str(r));
    hideEditors();
    openCellEditor(r, c, EditorFill::Fresh);
}

void EntryPanel::openCellEditor(int r, int c, EditorFill fill)
{
    FlexGrid *g = m_grid;
    if (fill != EditorFill::Move)
        g->ensureRowVisible(r);
    if (!g->rowInView(r)) {
        if (fill == EditorFill::Move)
            hideEditorsOutOfView();
        else
            hideEditors();
        return;
    }
    g->setRow(r);
    g->setCol(c);
    openColumnEditor(c, g->Left() + g->CellLeft(), g->Top() + g->CellTop(), g->TextMatrix(r, c), fill);
    setEditorCell(r, c);
    const bool back = m_editorAway && fill == EditorFill::Move;
    m_editorAway = false;
    if (back && m_awayHadFocus && (QApplication::focusWidget() == g || !QApplication::focusWidget())) {
        // The focus goes back where it was, the typed text left as typed.
        const QList<QWidget *> editors = cellEditors();
        for (QWidget *e : editors) {
            if (!e->isVisible() || e->focusPolicy() == Qt::NoFocus || qobject_cast<UpDown *>(e))
                continue;
            e->setFocus(Qt::OtherFocusReason);
            QLineEdit *line = qobject_cast<QLineEdit *>(e);
            if (!line)
                line = e->findChild<QLineEdit *>();
            if (line && !qobject_cast<DatePicker *>(e))
                line->deselect(), line->end(false);
            break;
        }
    }
}

void EntryPanel::editorFollowsScroll(bool rowSelected)
{
    if (rowSelected && editorCol() != 0)
        openCellEditor(editorRow(), editorCol(), EditorFill::Move);
}
