#pragma once

#include <QString>
#include <QWidget>
#include <algorithm>
#include <functional>

class DatePicker;
class FlexGrid;
class QLabel;
class QLineEdit;
class QPushButton;
class frmMain;

// What the income sheet, the expense sheet and the detail window share: a
// display-only grid whose clicked cell gets an editor laid over it, a
// row-number box, the four panel buttons (add row, record, delete row,
// cancel) with their idle/editing/adding states, and row painting.
class EntryPanel : public QWidget {
    Q_OBJECT
public:
    explicit EntryPanel(QWidget *parent = nullptr);

    FlexGrid *grid() const { return m_grid; }

    // Button states.
    void setIdleButtons();
    void setEditingButtons();
    void setAddingButtons();

    // Paints columns [first, last] of a row with a background colour.
    void paintRow(int row, int firstCol, int lastCol, long color);
    // Height in twips for a row whose wrapped text is `text` in column `col`.
    int rowHeightFor(const QString &text, int col) const;
    // Sets the text colour of (row, col) red for a negative amount, black otherwise.
    void colorAmountCell(int row, int col, qint64 amount);
    // Moves `editor` so that its top-left is (x, y) twips in this panel; width in twips (0 keeps it).
    void placeEditor(QWidget *editor, int x, int y, int widthTwips = 0);
    // Shows, raises and focuses an editor, selecting its whole text.
    void openEditor(QWidget *editor, bool focus = true);
    // Writes a cell and aligns it.
    void setCellAligned(int row, int col, int alignment);

    // Enter in `w`: record when the record button is enabled, otherwise add a row.
    void enterRecordsOrAdds(QWidget *w, const std::function<void()> &record,
                            const std::function<void()> &add, bool hideAfter);

    // The amount box rules, run on every change of its text: only blanks,
    // digits, "-" and ","; a value of 0 empties the box unless it ends in "-".
    static void amountBoxChanged(QLineEdit *box);
    // The row-number box's change: applies the digit rule and decides what to
    // do with the number. Returns the row to load (1..count), or 0 when the
    // change was handled here (emptied, cancelled, or an entry being added).
    int numberBoxChanged(int count, const std::function<void()> &cancel);

    // The panel's cell editors, all hidden.
    virtual void hideEditors() {}

    // Add row, first steps: one more row in use, an edit in progress
    // cancelled through the number box, the grid grown to hold the row.
    // Returns the new row.
    int beginAddRow(qint16 &count);
    // Add row, once the new row's cells are aligned: the adding state, with
    // the row's number locked in the number box.
    void enterAddingState(int row);
    // Delete row, after the entry left its list: one row fewer, the row that
    // falls out of use emptied (columns 0 to lastCol), the editors hidden and
    // the selection (painted in columns 1 to paintLastCol) cleared.
    void releaseRow(qint16 &count, qint16 &selectedRow, qint16 &editedCol, int lastCol, int paintLastCol);

    // Lays a date picker over a date cell at (x, y) twips, showing the cell's date.
    void openDateEditor(DatePicker *picker, int x, int y, const QString &cellText);

    // Escape in an editor drops the edit (hides the editors) and returns to the grid.
    void escapeCancels(const QList<QWidget *> &editors, const std::function<void()> &cancel);
    // Gives the focus to the grid when `editor` has just closed.
    void keepFocusInPanel(QWidget *editor);

    QLineEdit *numberBox = nullptr;
    QPushButton *newButton = nullptr;
    QPushButton *recordButton = nullptr;
    QPushButton *deleteButton = nullptr;
    QPushButton *cancelButton = nullptr;

    // Height of one text line in a grid row (rowHeightUnit).
    std::function<int()> lineHeight;
    // Runs a handler, showing any error as a message; set by the owning window.
    std::function<bool(const std::function<void()> &)> guard;

protected:
    void setGrid(FlexGrid *grid);

    // The layout the income and expense sheets share: the grid below, the
    // help text at the top left, the row-number box, the four buttons and
    // the remaining money at the top right. Sets the grid, the number box
    // and the buttons of this panel.
    struct SheetControls {
        FlexGrid *grid;
        QLabel *help;
        QLabel *rest;
        QLabel *remainder;
    };
    SheetControls buildSheetControls();
    // Wires a widget signal to a handler through the error guard.
    void guarded(const std::function<void()> &f) const;

private:
    FlexGrid *m_grid = nullptr;
};

// The watermark after formatting row `row`: one more, kept within 16 bits so
// that the last row a kind can hold (32,767) does not overflow it.
inline qint16 nextWatermark(int row)
{
    return qint16(std::min(row + 1, 32767));
}

constexpr long kGridWhite = 16777215;
constexpr long kGridPaleYellow = 255L | (255L << 8) | (200L << 16);
constexpr long kGridRed = 255;
constexpr long kGridBlack = 0;
constexpr long kGridBlue = 255L << 16;
