#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <utility>

class DatePicker;
class Dialogs;
class FlexGrid;
class GridTable;
class QLabel;
class QLineEdit;
class QPushButton;

// What the income sheet, the expense sheet and the detail window share: a
// display-only grid whose clicked cell gets an editor laid over it, a
// row-number box, the four panel buttons (add row, record, delete row,
// cancel) with their idle/editing/adding states.
class EntryPanel : public QWidget {
    Q_OBJECT
public:
    explicit EntryPanel(QWidget *parent = nullptr);

    FlexGrid *grid() const { return m_grid; }

    // Button states.
    void setIdleButtons();
    void setEditingButtons();
    void setAddingButtons();

    // Moves `editor` so that its top-left is (x, y) twips in this panel; width in twips (0 keeps it).
    void placeEditor(QWidget *editor, int x, int y, int widthTwips = 0);
    // Shows, raises and focuses an editor, selecting its whole text.
    void openEditor(QWidget *editor, bool focus = true);

    // The amount box's rule, run on every change of its text (its characters
    // are the box's own rule): a value of 0 empties the box unless it ends in "-".
    static void amountBoxChanged(QLineEdit *box);
    // The row-number box's change: decides what to do with the number.
    // Returns the row to load (1..count), or 0 when the change was handled
    // here (emptied, cancelled, or an entry being added).
    int numberBoxChanged(int count, const std::function<void()> &cancel);

    // Add row, first steps: one more row in use, an edit in progress
    // cancelled through the number box. Returns the new row.
    int beginAddRow(qint16 &count);
    // Add row, once the new row's cells are aligned: the adding state, with
    // the row's number locked in the number box.
    void enterAddingState(int row);
    // Delete row, after the item left its list: one row fewer, the editors
    // hidden and the selection cleared.
    void releaseRow(qint16 &count, qint16 &editedCol);

    // How an editor is laid over its cell: Fresh shows the cell's value and
    // takes the focus (a click); Reopen keeps what the user typed and takes
    // the focus (a value was refused); Move only follows the cell (the grid
    // scrolled), keeping text and focus where they are.
    enum class EditorFill { Fresh, Reopen, Move };

    // Lays a date picker over a date cell at (x, y) twips. Fresh shows `date`,
    // the entry's own date (the grid's text may have a two-digit year).
    void openDateEditor(DatePicker *picker, int x, int y, const QDate &date, EditorFill fill);

    // ---- keys and focus ---------------------------------------------------------
    // Enter in `w`: record when the record button is enabled, otherwise add a row.
    void enterRecordsOrAdds(QWidget *w, const std::function<void()> &record,
                            const std::function<void()> &add, bool hideAfter);
    // Escape in an editor drops the edit (hides the editors) and returns to the grid.
    void escapeCancels(const QList<QWidget *> &editors, const std::function<void()> &cancel);
    // Does what Escape does when a cell editor is open (Undo's first step
    // while an edit is in progress); false when none is open.
    bool escapeOpenEditor();
    // Tab and Shift+Tab in the editor of column `col`: `commit` records as
    // Enter does (false: refused, the editor stays), then the next or
    // previous cell of the row is clicked, which opens its editor. Past the
    // first or the last column the grid takes the focus.
    void tabMoves(QWidget *editor, int col, int lastCol, const std::function<bool()> &commit);
    // Runs a user command through the error guard. Then, unless the command
    // opened a cell editor that holds the focus, the grid takes the focus,
    // its keyboard cursor on the row the panel handled: the window would
    // otherwise leave it on a button, an editor left open or the tab bar.
    void command(const std::function<void()> &f);
    // The grid takes the focus with its keyboard cursor on (row, col); row 0
    // leaves the cursor where it is.
    void focusGrid(int row, int col);

    // Delete in the grid, or 行の削除 from the grid's context menu, removes
    // the entry of the keyboard cursor's row (of the row clicked, for the
    // menu) after a question that names it. The row is loaded through the
    // number box, as typing its number does, and `remove` deletes it as the
    // delete button does. `describe` names the entry of a row, empty when
    // the row holds none.
    void offerRowDeletion(Dialogs &dialogs, const std::function<QString(int row)> &describe,
                          const std::function<void(int row)> &remove);

    // What a panel's controls do: a click in the grid, a changed number box,
    // the four buttons, and Tab in column `col`'s editor (commits as Enter
    // does; false: refused, the editor stays).
    struct Actions {
        std::function<void()> click, numberChanged, add, record, remove, cancel;
        std::function<bool(int col)> commit;
    };
    // Wires the grid, the number box, the buttons and the editors laid over
    // the cells of `table`'s columns (`byColumn`, the first for column 1;
    // one not named otherwise is named by its column): Enter in the number
    // box, Escape and Tab in the editors.
    void wirePanel(const QList<QWidget *> &byColumn, const GridTable &table, const Actions &actions);
    // The panel's cell editors (a spinner counts with its box).
    virtual QList<QWidget *> cellEditors() const { return m_columnEditors; }
    // Whether the user changed the text of a cell editor since it was filled.
    bool editorsTyped() const;
    // Hides every cell editor. The focus, if one of them holds it, goes to
    // the grid first: the window would hand it to the next control in its
    // tab order, which is the tab bar.
    void hideEditors();
    // The cell whose editor is open (0, 0: none); scrolling moves that editor.
    int editorRow() const { return m_editorRow; }
    int editorCol() const { return m_editorCol; }

    // Set by the owning window: the guard that runs a handler, showing any
    // error as a message.
    void setGuard(std::function<bool(const std::function<void()> &)> g) { guard = std::move(g); }

protected:
    // The row-number box and the four buttons (the panel's own widgets under their names).
    QLineEdit *numberBox = nullptr;
    QPushButton *newButton = nullptr;
    QPushButton *recordButton = nullptr;
    QPushButton *deleteButton = nullptr;
    QPushButton *cancelButton = nullptr;

    std::function<bool(const std::function<void()> &)> guard;

    void setGrid(FlexGrid *grid);
    // The row and column the panel works on: where the keyboard cursor goes
    // back after a command.
    virtual int handledRow() const { return 0; }
    virtual int handledCol() const { return 0; }
    // Remembers which cell's editor is open (after laying it over the cell).
    void setEditorCell(int row, int col);
    // Hides the editors but keeps the open cell: it scrolled out of view.
    void hideEditorsOutOfView();
public:
    // Lays the editor of cell (r, c) over it: the row comes into view first
    // (cut off, above the view, or far away after a re-sort), unless the
    // grid is only scrolling, when an editor whose row left the view hides.
    void openCellEditor(int r, int c, EditorFill fill = EditorFill::Fresh);
    // The grid scrolled: the open editor follows its cell.
    void gridScroll() { editorFollowsScroll(handledRow() != 0); }

protected:
    // Lays the editor of column c over the cell at (x, y) twips, as the
    // grid's column table says; Fresh shows `text`, the cell's text.
    void openColumnEditor(int c, int x, int y, const QString &text, EditorFill fill);
    // A fresh editor shows the cell's text; a column with its own rule says so here.
    virtual void fillEditor(int c, QWidget *editor, const QString &text);
    // Column c's editor opened at (x, y): what goes beside it follows.
    virtual void editorOpened(int, int, int) {}
    // The date a date editor opens on.
    virtual QDate editorDate() const { return {}; }
    // A click's last steps on a row in use: the row selected, the cell made
    // current and the keyboard cursor's, the row loaded through the number
    // box, its editor opened.
    void selectRowAndOpenEditor(int r, int c);
    // The grid scrolled: the open editor follows its cell, keeping what has
    // been typed into it.
    void editorFollowsScroll(bool rowSelected);

    // The layout the income and expense sheets share: the grid below, the
    // help text at the top left, the row-number box, the four buttons and
    // the remaining money at the top right. Sets the grid, the number box
    // and the buttons of this panel, and names them after `kind` (Income, Supply).
    struct SheetControls {
        FlexGrid *grid;
        QLabel *help;
        QLabel *rest;
        QLabel *remainder;
    };
    SheetControls buildSheetControls(const QString &kind);
    // Wires a widget signal to a handler through the error guard.
    void guarded(const std::function<void()> &f) const;

private:
    QWidget *m_focusedEditor = nullptr; // the editor the running command focused
    // The open editor scrolled out of view while it held the focus: the
    // focus goes back to it when it returns, and keys meant for it bring it back.
    bool m_editorAway = false;
    bool m_awayHadFocus = false;
    // Keys reaching the grid while a cell editor is open: Escape drops the
    // edit; while the editor is out of view, a key meant for it brings it back.
    bool keyForOpenEditor(QKeyEvent *ke);
    std::function<void()> m_escape;
    FlexGrid *m_grid = nullptr;
    QList<QWidget *> m_columnEditors;
    int m_editorRow = 0;
    int m_editorCol = 0;
};
